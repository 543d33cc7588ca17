#include "core/Module1.h"

#include <algorithm>
#include <cctype>

namespace viscora {

bool isDebugCommandLine(const std::string &commandLine)
{
    std::string lower = commandLine;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "/debug";
}

} // namespace viscora
