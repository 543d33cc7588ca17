#include "device/PortMap.h"

namespace viscora {

std::string PortMap::device(int commPort) const
{
    const auto it = overrides_.find(commPort);
    if (it != overrides_.end())
        return it->second;
    if (commPort < 1 || commPort > kCommPorts)
        return {};
    return "/dev/ttyS" + std::to_string(commPort - 1);
}

} // namespace viscora
