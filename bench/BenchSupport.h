#pragma once
// What the benchmarks share: a prompter nobody answers, and the process's memory.

#include "core/Prompter.h"
#include "store/Database.h"
#include "store/TestRepository.h"

#include <cmath>
#include <fstream>
#include <memory>
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

// A database with one test "long" of `points` points: a 98-step sequence recording every
// second, with stress following speed.
inline std::unique_ptr<Database> makeLongTest(const QString &path, int points)
{
    auto db = Database::open(path, Database::OpenMode::CreateIfMissing).db;
    TestRepository repo(*db);
    int id = 0;
    repo.createHeader({"long", "", "", "", ""}, id);
    std::vector<StoredPoint> pts;
    pts.reserve(static_cast<size_t>(points));
    const int perStep = std::max(1, points / 98 + 1);
    for (int i = 0; i < points; ++i) {
        const int step = i / perStep + 1;
        const double speed = 3 + (step % 10) * 60;
        pts.push_back({step, static_cast<double>(i % perStep), 120 + 50 * std::sin(i / 5000.0),
                       speed, 50 + speed * 0.8 + (i % 7), 10, 1});
    }
    repo.insertPoints(id, pts);
    return db;
}

} // namespace viscora::bench
