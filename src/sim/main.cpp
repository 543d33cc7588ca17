// k7400r-sim: a simulated K7400R behind a pseudo-terminal. Prints the device path that a
// program opens as its serial port.

#include "core/NumberText.h"
#include "core/Version.h"
#include "sim/PseudoTerminal.h"
#include "sim/SimInstrument.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

const char *kUsage =
    "usage: k7400r-sim [--link PATH] [--rate N] [--silent] [--noise P] [--custom FACTOR]\n"
    "                  [--seed N] [--state FILE] [--fluid MODEL:VALUES] [--gel G10S,G10MIN]\n"
    "                  [--stress-scale S] [--exit-with-parent]\n"
    "  --link PATH     also make PATH a symbolic link to the device\n"
    "  --rate N        N simulated seconds per real second (default 1)\n"
    "  --silent        never answer\n"
    "  --noise P       random bytes after a record with chance P (0 to 1)\n"
    "  --custom F      headers mark a custom rotor-bob of factor F thousandths (e.g. 1702)\n"
    "  --seed N        seed of the noise, for a repeatable run\n"
    "  --state FILE    keep the sequence and a running test in FILE, so that a simulator\n"
    "                  started again on it goes on with the test, as an instrument does\n"
    "                  while its cable is out\n"
    "  --fluid MODEL:VALUES  a fluid of known parameters instead of the built-in mud, the\n"
    "                  same at any temperature, its stress in whole dyn/cm2:\n"
    "                    newtonian:MU  bingham:TAU0,MU  power:K,N  hb:TAUY,K,N\n"
    "                    casson:TAU0,MUINF\n"
    "                  MU, MUINF in cP (above 0); TAU0, TAUY in lb/100ft2 (0 or more);\n"
    "                  K in lbf.s^n/100ft2 (above 0); N without unit (above 0, at most 3);\n"
    "                  stresses are true stresses, as the rheology's model fits show them\n"
    "  --gel G10S,G10MIN  gels in lb/100ft2 (dial degrees, as labs report them) after 10 s\n"
    "                  and 10 min at rest (0 rpm), growing with the log of the rest time\n"
    "                  (G10S*t/10 below 10 s); a step of at\n"
    "                  most 6 rpm after a rest starts at the gel, falls to the flow stress\n"
    "                  within 5 s and records the gel in its gel column\n"
    "  --stress-scale S  read every stress S times what it is (1.05: 5 % high), as an\n"
    "                  instrument out of calibration does (0.5 to 2, default 1)\n"
    "  --exit-with-parent  end when the program that started it ends\n"
    "  --version       print the version and end\n"
    "  -h, --help      print this help and end\n";

// Written whole, then renamed: a simulator killed mid-write leaves the last state intact.
// The reason, when it could not be written.
std::optional<std::string> saveState(const std::string &path, const std::string &state)
{
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << state;
        out.flush();
        if (!out)
            return std::string(std::strerror(errno));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(temp.c_str());
        return why;
    }
    return std::nullopt;
}

struct Options {
    viscora::sim::SimOptions sim;
    std::string link, statePath;
};

int usageError(const std::string &text)
{
    std::fprintf(stderr, "k7400r-sim: %s\n", text.c_str());
    return 2;
}

// The options, or the exit status when the program is to end here.
std::optional<int> parseOptions(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        static const std::string_view withValue[] = {"--link",   "--rate", "--noise",
                                                     "--custom", "--seed", "--state",
                                                     "--fluid",  "--gel",  "--stress-scale"};
        if (std::find(std::begin(withValue), std::end(withValue), a) != std::end(withValue) &&
            i + 1 >= argc) {
            std::fprintf(stderr, "k7400r-sim: %s needs a value\n%s", a.c_str(), kUsage);
            return 2;
        }
        auto number = [&](double lo, double hi, const char *range) -> std::optional<double> {
            const std::string text = argv[++i];
            const auto v = viscora::parseNumber(text);
            if (!v || *v < lo || *v > hi) {
                usageError(a + " " + text + ": not a number " + range);
                return std::nullopt;
            }
            return v;
        };
        auto whole = [&](long long lo, long long hi) -> std::optional<long long> {
            const std::string text = argv[++i];
            const auto v = viscora::parseWhole(text, lo, hi);
            if (!v)
                usageError(a + " " + text + ": not a whole number from " + std::to_string(lo) +
                           " to " + std::to_string(hi));
            return v;
        };
        if (a == "--link") {
            o.link = argv[++i];
        } else if (a == "--rate") {
            const auto v = number(1e-6, 1e6, "above 0 and at most 1000000");
            if (!v)
                return 2;
            o.sim.rate = *v;
        } else if (a == "--silent") {
            o.sim.silent = true;
        } else if (a == "--noise") {
            const auto v = number(0, 1, "from 0 to 1");
            if (!v)
                return 2;
            o.sim.noise = *v;
        } else if (a == "--custom") {
            // Above 7: a smaller value is a rotor-bob code, not a factor.
            const auto v = whole(8, 9999);
            if (!v)
                return 2;
            o.sim.customFactor = static_cast<int>(*v);
        } else if (a == "--stress-scale") {
            const auto v = number(0.5, 2, "from 0.5 to 2");
            if (!v)
                return 2;
            o.sim.stressScale = *v;
        } else if (a == "--exit-with-parent") {
            // A program that started the simulator and then died must not leave it behind.
            const pid_t parent = getppid();
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                return 0;
        } else if (a == "--seed") {
            const auto v = whole(0, 4294967295LL);
            if (!v)
                return 2;
            o.sim.seed = static_cast<unsigned>(*v);
        } else if (a == "--state") {
            o.statePath = argv[++i];
        } else if (a == "--fluid" || a == "--gel") {
            const char *text = argv[++i];
            std::string error;
            const bool ok = a == "--fluid"
                                ? (o.sim.fluid = viscora::sim::parseFluid(text, error)).has_value()
                                : (o.sim.gel = viscora::sim::parseGel(text, error)).has_value();
            if (!ok)
                return usageError(a + " " + text + ": " + error);
        } else if (a == "--version") {
            std::printf("k7400r-sim %s\n", viscora::versionText());
            return 0;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "k7400r-sim: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    return std::nullopt;
}

// Restores the instrument from its state file; a missing file is a first start.
void restoreState(viscora::sim::SimInstrument &instrument, const std::string &path,
                  std::string &saved)
{
    std::ifstream in(path);
    if (!in)
        return;
    std::stringstream text;
    text << in.rdbuf();
    if (instrument.restore(text.str()))
        saved = text.str();
    else
        std::fprintf(stderr,
                     "k7400r-sim: --state %s: not a state this program wrote; starting "
                     "afresh\n",
                     path.c_str());
}

// Answers the program on the line until stopped; the state is kept in its file as it changes.
void serve(int master, viscora::sim::SimInstrument &instrument, const std::string &statePath,
           std::string saved)
{
    bool saving = true; // said once when saving fails, once again when it works again
    viscora::sim::serve(
        master, instrument, [] { return stopRequested != 0; },
        [&] {
            if (statePath.empty() || instrument.state() == saved)
                return;
            const std::string state = instrument.state();
            if (const auto why = saveState(statePath, state)) {
                if (saving)
                    std::fprintf(stderr, "k7400r-sim: --state %s: cannot be written: %s\n",
                                 statePath.c_str(), why->c_str());
                saving = false;
            } else {
                if (!saving)
                    std::fprintf(stderr, "k7400r-sim: --state %s: written again\n",
                                 statePath.c_str());
                saving = true;
                saved = state;
            }
        });
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const auto status = parseOptions(argc, argv, options))
        return *status;
    std::string error;
    const auto terminal = viscora::sim::openTerminal(error);
    if (!terminal) {
        std::fprintf(stderr, "k7400r-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options.link.empty()) {
        unlink(options.link.c_str());
        if (symlink(terminal->device.c_str(), options.link.c_str()) != 0) {
            std::perror("k7400r-sim: --link");
            return 1;
        }
    }
    std::printf("%s\n", terminal->device.c_str());
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    viscora::sim::SimInstrument instrument(options.sim);
    std::string saved;
    if (!options.statePath.empty())
        restoreState(instrument, options.statePath, saved);
    serve(terminal->master, instrument, options.statePath, saved);
    if (!options.link.empty())
        unlink(options.link.c_str());
    return 0;
}
