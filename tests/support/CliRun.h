#pragma once
// viscora-cli run in this process: its exit status and what it wrote.

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace viscora::test {

struct CliRun {
    int code;
    std::string out, err;
};

inline CliRun cli(const std::vector<std::string> &args, const CliSeams &seams = {})
{
    std::ostringstream out, err;
    const int code = runCli(args, out, err, seams);
    return {code, out.str(), err.str()};
}

} // namespace viscora::test
