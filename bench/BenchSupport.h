#pragma once
// What the benchmarks share: a prompter nobody answers, and the process's memory.

#include "core/Prompter.h"

#include <fstream>
#include <string>

namespace viscora::bench {

class SilentPrompter : public Prompter {
public:
    Answer message(const std::string &, const std::string &, Buttons, Icon) override
    {
        return Answer::Ok;
    }
    std::optional<std::string> input(const std::string &, const std::string &,
                                     const std::string &) override
    {
        return {};
    }
    std::string openFile(const FileDialogRequest &) override { return {}; }
    std::string saveFile(const FileDialogRequest &) override { return {}; }
};

// A line of /proc/self/status in MiB ("VmHWM:" peak, "VmRSS:" now).
inline long statusMb(const char *key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size())) / 1024;
    return 0;
}

} // namespace viscora::bench
