#pragma once
// Configuring the port, the blocking pause, and the main window's remote start and stop.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "device/SerialPort.h"

namespace viscora {

struct Module1;
class Prompter;

// Closes the port if open, then sets port number CommPort, "19200,n,8,1" and read length 0.
void initialCommport(SerialPort &port, const Module1 &m);

// Returns once the clock reads more than now + seconds (held in single precision), also
// across midnight. Processes nothing meanwhile.
void BusyWait(Clock &clock, float seconds);

enum class PortFailureWording { CommPort, Comport };
// The PortFailure message box.
void showPortFailure(Prompter &prompter, PortFailureWording wording);

extern const char *const kNoResponseMessage;
extern const char *const kCommunicationErrorMessage;
extern const char *const kCommunicationErrorTitle;

// Remote start: the one byte CmdStart, port opened and closed around it. False on failure
// (the "comm port" wording shown).
bool remoteStart(SerialPort &port, const Module1 &m, Prompter &prompter);
// Remote stop: CmdStop, on the open port or after opening it; the port is left closed.
bool remoteStop(SerialPort &port, const Module1 &m, Prompter &prompter);

// After CmdStart: true once 5 bytes wait and more than 2 s have passed, false after 11 s.
// Reads the seconds field of the time of day, so it holds across a minute boundary.
bool waitForStartReply(SerialPort &port, Clock &clock);

// The start of every poll tick of a running test: false when the instrument has ended it
// (TestEnd alone, received on an earlier tick), the buffer then emptied and the port closed;
// otherwise everything waiting is appended to the buffer.
bool readTick(SerialPort &port, RecordSplitter &buffer);

// The clock of the real program: the local time of day.
class SystemClock : public Clock {
public:
    double secondsSinceMidnight() override;
    void idle() override;
};

} // namespace viscora
