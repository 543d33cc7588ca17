#pragma once
// What the benchmarks share: a prompter nobody answers, and the process's memory.

#include "core/Prompter.h"
#include "store/Database.h"
#include "store/TestRepository.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

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

// The viscora-cli measured: VISCORA_CLI names another build's.
inline std::string cliProgram(const char *built)
{
    const char *other = std::getenv("VISCORA_CLI");
    return other && *other ? other : built;
}

// A program run to its end, its output thrown away: wall and processor seconds, and its own
// peak memory in MiB (at least what this process holds when it starts it). On a busy machine
// the processor time says more than the wall time.
struct Measured {
    double seconds = 0, cpu = 0;
    long peakMb = 0;
};
inline Measured runMeasured(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // The child starts out with this process's peak as its own: it is brought down to what
    // is resident now.
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "%s cannot be started\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {static_cast<double>(end.tv_sec - start.tv_sec) +
                static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9,
            seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss / 1024};
}

// The run of `runs` with the best time.
inline Measured bestOf(int runs, const std::vector<std::string> &args)
{
    Measured best{1e9, 0, 0};
    for (int i = 0; i < runs; ++i)
        if (const Measured m = runMeasured(args); m.seconds < best.seconds)
            best = m;
    return best;
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
