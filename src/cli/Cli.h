#pragma once
// viscora-cli: the headless twin of the windows, over the same classes.

#include <ostream>
#include <string>
#include <vector>

namespace viscora {

class Clock;
class SerialPort;
class SerialPortList;

// What tests hand in instead of the real clock and serial device.
struct CliSeams {
    Clock *clock = nullptr;
    SerialPort *port = nullptr;
    const SerialPortList *portList = nullptr; // the devices present
    std::string settingsFile = {};            // the saved port assignment
};

// Exit status: 0 success, 1 a reported failure, 2 a usage error.
int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const CliSeams &seams = {});

extern const char *const kCliUsage;

} // namespace viscora
