#pragma once
// viscora-cli: the headless twin of the windows, over the same classes.

#include <ostream>
#include <string>
#include <vector>

namespace viscora {

// Exit status: 0 success, 1 a reported failure, 2 a usage error.
int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

extern const char *const kCliUsage;

} // namespace viscora
