#pragma once
// The program's own command-line options, taken off before the rest is compared with
// "/debug".

#include <map>
#include <string>
#include <vector>

namespace viscora {

struct StartOptions {
    std::map<int, std::string> commOverrides; // --comm N=DEVICE
    std::string db;                           // --db LOCATION: a file or a server
    bool simulate = false;                    // --simulate
    bool version = false;                     // --version
    bool help = false;                        // -h, --help
    bool checkHelp = false;                   // --check-help: print the help page's title
    std::string commandLine;                  // what is left, joined by blanks
    std::string error;                        // a malformed option
};

extern const char *const kStartUsage;

StartOptions parseStartOptions(const std::vector<std::string> &args);

} // namespace viscora
