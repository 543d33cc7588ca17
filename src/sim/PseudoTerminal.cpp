#include "sim/PseudoTerminal.h"

#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace viscora::sim {

std::optional<Terminal> openTerminal(std::string &error)
{
    Terminal t;
    t.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (t.master < 0 || grantpt(t.master) != 0 || unlockpt(t.master) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    const char *name = ptsname(t.master);
    const int keep = name ? open(name, O_RDWR | O_NOCTTY) : -1;
    termios mode{};
    if (keep < 0 || tcgetattr(keep, &mode) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    cfmakeraw(&mode);
    if (tcsetattr(keep, TCSANOW, &mode) != 0) {
        error = std::string("raw mode: ") + std::strerror(errno);
        return std::nullopt;
    }
    t.device = name;
    return t;
}

double steadyNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void serve(int master, SimInstrument &instrument, const std::function<bool()> &stop,
           const std::function<void()> &afterPoll)
{
    char buf[4096];
    while (!stop()) {
        pollfd p{master, POLLIN, 0};
        const int r = ::poll(&p, 1, 20);
        if (r > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                instrument.receive(std::string_view(buf, static_cast<size_t>(n)), steadyNow());
        }
        const std::string out = instrument.poll(steadyNow());
        if (afterPoll)
            afterPoll();
        size_t off = 0;
        while (off < out.size()) {
            const ssize_t w = write(master, out.data() + off, out.size() - off);
            if (w <= 0)
                break;
            off += static_cast<size_t>(w);
        }
    }
}

} // namespace viscora::sim
