// k7400r-sim: a simulated K7400R behind a pseudo-terminal. Prints the device path that a
// program opens as its serial port.

#include "core/Version.h"
#include "sim/SimInstrument.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

const char *kUsage =
    "usage: k7400r-sim [--link PATH] [--rate N] [--silent] [--noise P] [--custom FACTOR]\n"
    "                  [--seed N] [--state FILE] [--fluid MODEL:VALUES] [--gel G10S,G10MIN]\n"
    "                  [--exit-with-parent]\n"
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
    "  --exit-with-parent  end when the program that started it ends\n"
    "  --version       print the version and end\n"
    "  -h, --help      print this help and end\n";

// Written whole, then renamed: a simulator killed mid-write leaves the last state intact.
void saveState(const std::string &path, const std::string &state)
{
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << state;
        if (!out)
            return;
    }
    std::rename(temp.c_str(), path.c_str());
}

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char **argv)
{
    viscora::sim::SimOptions options;
    std::string link, statePath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char *name) -> const char * {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "k7400r-sim: %s needs a value\n%s", name, kUsage);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--link")
            link = value("--link");
        else if (a == "--rate")
            options.rate = std::atof(value("--rate"));
        else if (a == "--silent")
            options.silent = true;
        else if (a == "--noise")
            options.noise = std::atof(value("--noise"));
        else if (a == "--custom")
            options.customFactor = std::atoi(value("--custom"));
        else if (a == "--exit-with-parent") {
            // A program that started the simulator and then died must not leave it behind.
            const pid_t parent = getppid();
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                return 0;
        } else if (a == "--seed")
            options.seed = static_cast<unsigned>(std::atoi(value("--seed")));
        else if (a == "--state")
            statePath = value("--state");
        else if (a == "--fluid" || a == "--gel") {
            const char *text = value(a.c_str());
            std::string error;
            const bool ok =
                a == "--fluid" ? (options.fluid = viscora::sim::parseFluid(text, error)).has_value()
                               : (options.gel = viscora::sim::parseGel(text, error)).has_value();
            if (!ok) {
                std::fprintf(stderr, "k7400r-sim: %s %s: %s\n", a.c_str(), text, error.c_str());
                return 2;
            }
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
    if (options.rate <= 0) {
        std::fprintf(stderr, "k7400r-sim: --rate must be above 0\n");
        return 2;
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("k7400r-sim: pseudo-terminal");
        return 1;
    }
    const char *slaveName = ptsname(master);
    // Holding the other end open keeps the line up between the program's opens, and raw
    // mode stops the terminal from echoing commands back.
    const int keep = open(slaveName, O_RDWR | O_NOCTTY);
    if (keep >= 0) {
        termios t{};
        tcgetattr(keep, &t);
        cfmakeraw(&t);
        tcsetattr(keep, TCSANOW, &t);
    }
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(slaveName, link.c_str()) != 0) {
            std::perror("k7400r-sim: --link");
            return 1;
        }
    }
    std::printf("%s\n", slaveName);
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    viscora::sim::SimInstrument instrument(options);
    std::string saved;
    if (!statePath.empty()) {
        std::ifstream in(statePath);
        std::stringstream text;
        text << in.rdbuf();
        if (instrument.restore(text.str()))
            saved = text.str();
    }
    char buf[4096];
    while (!stopRequested) {
        pollfd p{master, POLLIN, 0};
        const int r = ::poll(&p, 1, 20);
        if (r > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                instrument.receive(std::string_view(buf, static_cast<size_t>(n)), now());
        }
        const std::string out = instrument.poll(now());
        if (!statePath.empty() && instrument.state() != saved) {
            saved = instrument.state();
            saveState(statePath, saved);
        }
        size_t off = 0;
        while (off < out.size()) {
            const ssize_t w = write(master, out.data() + off, out.size() - off);
            if (w <= 0)
                break;
            off += static_cast<size_t>(w);
        }
    }
    if (!link.empty())
        unlink(link.c_str());
    return 0;
}
