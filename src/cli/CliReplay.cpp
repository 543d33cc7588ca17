// viscora-cli replay: a stored test served on a pseudo-terminal as the instrument sent it.

#include "cli/CliContext.h"
#include "cli/Replay.h"

#include "core/StepTimeline.h"
#include "sim/PseudoTerminal.h"

#include <cmath>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace viscora {

std::vector<sim::ReplayRecord> replayRecords(const std::vector<StoredPoint> &points)
{
    std::vector<sim::ReplayRecord> out;
    out.reserve(points.size());
    StepTimeline timeline;
    auto whole = [](double v) { return std::isfinite(v) ? std::round(v) : 0.0; };
    for (const StoredPoint &p : points) {
        const double at = timeline.at(p.stepNo, p.time);
        out.push_back(
            {at,
             {static_cast<double>(p.stepNo), whole(p.time), whole(p.temperature),
              whole(p.shearStress), whole(p.gel), whole(p.speed * 100), whole(p.rbfactor)}});
    }
    // Served in order of time: a point stored out of order waits for the one before it.
    for (std::size_t i = 1; i < out.size(); ++i)
        out[i].at = std::max(out[i].at, out[i - 1].at);
    return out;
}

} // namespace viscora

namespace viscora::cli {

namespace {
bool aboveZero(double v) { return v > 0 && v <= 1e6; }
} // namespace

void checkReplay(const Context &, const Args &a)
{
    if (a.has("--speed"))
        numberArg("--speed", a.option("--speed"), "above 0 and at most 1000000", aboveZero);
}

int cmdReplay(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    if (!requireTest(c, name))
        return 1;
    const auto points = TestRepository(*c.db).storedPoints(name);
    if (!points)
        return c.failed(points.failure());
    if (points->empty())
        return c.fail("Replay", "The test \"" + a.positional[0] + "\" has no points to replay.");
    sim::SimOptions options;
    options.rate = a.has("--speed") ? numberOf(a.option("--speed")) : 1.0;
    options.replay = replayRecords(*points);
    std::string error;
    const auto terminal = sim::openTerminal(error);
    if (!terminal)
        return c.fail("Replay", "The instrument could not be served: " + error);
    const std::string link = a.option("--link");
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(terminal->device.c_str(), link.c_str()) != 0)
            return c.fail("Replay", "--link " + link + ": " + std::strerror(errno));
    }
    c.out << terminal->device << std::endl;
    sim::SimInstrument instrument(options);
    {
        const InterruptGuard guard;
        // Ended by another program as by ^C: the link goes with it.
        const auto previousTerm = std::signal(SIGTERM, onInterrupt);
        sim::serve(terminal->master, instrument, [] { return interrupted != 0; });
        std::signal(SIGTERM, previousTerm);
    }
    if (!link.empty())
        unlink(link.c_str());
    close(terminal->master);
    return 0;
}

} // namespace viscora::cli
