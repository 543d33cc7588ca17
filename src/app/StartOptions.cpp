#include "app/StartOptions.h"

#include <cstdlib>

namespace viscora {

namespace {
bool parseComm(const std::string &value, StartOptions &o)
{
    const auto eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
        return false;
    char *end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (end != value.c_str() + eq || n < 1 || n > 12)
        return false;
    o.commOverrides[static_cast<int>(n)] = value.substr(eq + 1);
    return true;
}
} // namespace

StartOptions parseStartOptions(const std::vector<std::string> &args)
{
    StartOptions o;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--simulate") {
            o.simulate = true;
        } else if (a == "--check-help") {
            o.checkHelp = true;
        } else if (a == "--comm" || a.rfind("--comm=", 0) == 0) {
            std::string value;
            if (a == "--comm") {
                if (i + 1 >= args.size()) {
                    o.error = "--comm needs N=DEVICE";
                    continue;
                }
                value = args[++i];
            } else {
                value = a.substr(7);
            }
            if (!parseComm(value, o))
                o.error = "--comm takes N=DEVICE with N from 1 to 12, not '" + value + "'";
        } else {
            rest.push_back(a);
        }
    }
    for (size_t i = 0; i < rest.size(); ++i)
        o.commandLine += (i ? " " : "") + rest[i];
    return o;
}

} // namespace viscora
