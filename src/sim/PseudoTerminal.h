#pragma once
// Serving a simulated instrument on a pseudo-terminal, for k7400r-sim and viscora-cli replay
// alike: the device a program opens as its serial port, answered until told to stop.

#include "sim/SimInstrument.h"

#include <functional>
#include <optional>
#include <string>

namespace viscora::sim {

// The pseudo-terminal's master side, its other end held open in raw mode: held, the line stays
// up between the program's opens; raw, the terminal does not echo commands back.
struct Terminal {
    int master = -1;
    std::string device;
};

// The terminal, or nothing and `error` saying why ("pseudo-terminal: ...").
std::optional<Terminal> openTerminal(std::string &error);

// Seconds on a steady clock, the time the instrument is served on.
double steadyNow();

// Answers the program on the line until `stop` says so; `afterPoll` runs after each round.
void serve(int master, SimInstrument &instrument, const std::function<bool()> &stop,
           const std::function<void()> &afterPoll = {});

} // namespace viscora::sim
