#pragma once
// What the benchmarks share: a prompter nobody answers, and the process's memory.

#include "core/Prompter.h"
#include "store/Database.h"
#include "store/TestRepository.h"

#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
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

// A database at path with `tests` tests of `points` points each, named "test 1", "test 2",
// ...: 190 of 50,000 make a file of about 400 MB.
inline std::unique_ptr<Database> fileOfTests(const QString &path, int tests, int points)
{
    auto db = Database::open(path, Database::OpenMode::CreateIfMissing).db;
    TestRepository repo(*db);
    std::vector<StoredPoint> pts;
    for (int i = 0; i < points; ++i)
        pts.push_back({1 + i / 1000, static_cast<double>(i % 1000), 150, 300, 510.0 + i % 7, 0, 1});
    for (int k = 1; k <= tests; ++k) {
        int id = 0;
        repo.createHeader({QStringLiteral("test %1").arg(k), "", "", "", ""}, id);
        repo.insertPoints(id, pts);
    }
    return db;
}

// Where a benchmark makes its file of tests, and how many: TESTS and POINTS from its command
// line, `tests` and 50,000 unless given.
struct TestFilePlace {
    TestFilePlace(int argc, char **argv, int defaultTests)
        : tests(argc > 1 ? std::atoi(argv[1]) : defaultTests),
          points(argc > 2 ? std::atoi(argv[2]) : 50000),
          path(dir.filePath(QStringLiteral("k7400r.mdb")))
    {}
    int tests, points;
    QTemporaryDir dir;
    QString path;
};

} // namespace viscora::bench
