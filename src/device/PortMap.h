#pragma once
// "Comm n" to a device path: /dev/ttyS<n-1> unless assigned (the saved assignment,
// --comm n=DEVICE).

#include <map>
#include <string>

namespace viscora {

// The program offers "Comm 1" to "Comm 12".
constexpr int kCommPorts = 12;

class PortMap {
public:
    void set(int commPort, std::string device) { overrides_[commPort] = std::move(device); }
    void clear() { overrides_.clear(); }
    // Empty for a number outside 1..12 with no override.
    std::string device(int commPort) const;
    // The ports given a device of their own; the others keep the default.
    const std::map<int, std::string> &assigned() const { return overrides_; }

private:
    std::map<int, std::string> overrides_;
};

} // namespace viscora
