// A simulated 7-day real-time test: 604,800 records through the poll on a fake clock.
// Prints the cost per tick and the resident memory as the test goes on; both should stay flat.
// Run: build-bench/bench/viscora_realtime_soak [records]

#include "BenchSupport.h"
#include "realtime/Acquisition.h"
#include "store/Database.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "realtime/RealTestNaming.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

using namespace viscora;

namespace {

class TickClock : public Clock {
public:
    double now = 3600;
    double secondsSinceMidnight() override { return now; }
    void idle() override
    {
        now += 0.01;
        if (now >= 86400)
            now -= 86400;
    }
};

// The instrument: one record a second, with a burst of noise now and then.
class FeedPort : public SerialPort {
public:
    long long next = 1;
    bool opened = false;
    void setPortNumber(int) override {}
    void setSettings(const std::string &) override {}
    void setReadLength(int) override {}
    bool open() override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool write(const std::string &) override { return opened; }
    int bytesWaiting() override { return 8; }
    std::string readAll() override
    {
        const long long k = next++;
        std::string r = std::to_string(k / 3600 % 98 + 1) + "," + std::to_string(k % 3600 + 1) +
                        ",150," + std::to_string(300 + k % 50) + ",0,30000,1\x1a";
        if (k % 1000 == 0)
            r += "\x13\x7f noise \x1a";
        return r;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long long total = argc > 1 ? std::atoll(argv[1]) : 604800;
    QTemporaryDir dir;
    auto db = Database::open(dir.filePath("k7400r.mdb"), Database::OpenMode::CreateIfMissing).db;
    Module1 m;
    m.SequenceSent = true;
    m.RbShearFactor = 1.0f;
    bench::SilentPrompter prompter;
    TickClock clock;
    FeedPort port;
    TestRepository repo(*db);
    RealTestNaming(m, repo, prompter).ok({{"soak", "", "", "", ""}, false, "", ""});
    Acquisition acq(m, port, clock, repo, prompter);
    acq.setRecordRates(std::vector<int>(98, 600)); // a row every 10 minutes
    acq.setNamed(true);
    if (!acq.start()) {
        std::fprintf(stderr, "start failed\n");
        return 1;
    }
    std::printf("%12s %14s %12s %10s\n", "records", "us per tick", "RSS (KiB)", "rows");
    using Clock = std::chrono::steady_clock;
    const long long chunk = total / 7;
    auto t0 = Clock::now();
    long long stored = 0;
    for (long long i = 1; i <= total; ++i) {
        clock.now += 1.0;
        if (clock.now >= 86400)
            clock.now -= 86400;
        stored += acq.poll().stored;
        if (i % chunk == 0) {
            const auto t1 = Clock::now();
            const double us = std::chrono::duration<double, std::micro>(t1 - t0).count() /
                              static_cast<double>(chunk);
            std::printf("%12lld %14.2f %12ld %10lld\n", i, us, bench::statusMb("VmRSS:") * 1024,
                        stored);
            t0 = t1;
        }
    }
    std::printf("records received %lld, chart point index %d\n", acq.recordsReceived(),
                acq.chart.PointIndex);
    return 0;
}
