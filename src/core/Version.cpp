#include "core/Version.h"

namespace viscora {

const char *versionText() { return VISCORA_VERSION; }

} // namespace viscora
