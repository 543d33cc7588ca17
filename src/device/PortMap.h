#pragma once
// "Comm n" to a device path: /dev/ttyS<n-1> unless overridden (--comm n=DEVICE).

#include <map>
#include <string>

namespace viscora {

class PortMap {
public:
    void set(int commPort, std::string device) { overrides_[commPort] = std::move(device); }
    // Empty for a number outside 1..12 with no override.
    std::string device(int commPort) const;

private:
    std::map<int, std::string> overrides_;
};

} // namespace viscora
