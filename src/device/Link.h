#pragma once
// The instrument link's rules, each written once: configuring the port, the blocking pause,
// the port failure messages, remote start and stop, starting a test and waiting for its reply,
// sending a program of steps, and the start of every poll tick.

#include "core/Clock.h"
#include "core/DataRecord.h"
#include "core/Failure.h"
#include "core/Protocol.h"
#include "device/SerialPort.h"

#include <functional>
#include <string>
#include <vector>

namespace viscora {

// Closes the port if open, then sets the port number ("Comm n"), "19200,n,8,1" and read
// length 0.
void initialCommport(SerialPort &port, int commPort);

// Returns once the clock reads more than now + seconds (held in single precision, never
// rounded below the requested end), also across midnight. `whileWaiting` runs on every turn of
// the loop (the calibration window processes its events there); without it nothing happens.
void BusyWait(Clock &clock, float seconds, const std::function<void()> &whileWaiting = {});

enum class PortFailureWording { CommPort, Comport };
// The PortFailure message, with the system's reason as its detail when there is one.
Failure portFailure(PortFailureWording wording, const SerialPort &port);

extern const char *const kNoResponseMessage;
extern const char *const kCommunicationErrorMessage;
// "K7400r holds no test data: nothing was retrieved."
extern const char *const kNothingRetrievedMessage;
extern const char *const kCommunicationErrorTitle;

// Remote start: the one byte CmdStart, port opened and closed around it. Fails with the
// "comm port" wording.
Outcome remoteStart(SerialPort &port, int commPort);
// Remote stop: CmdStop on the open port or after opening it; the port is left closed. Fails
// with the "comport" wording.
Outcome remoteStop(SerialPort &port, int commPort);
// CmdStop on the port as it is, opened first when closed. False when it could not be sent;
// the caller decides whether that is worth a word.
bool sendStop(SerialPort &port, int commPort);

// After CmdStart: true once 5 bytes wait and more than 2 s have passed, false after 11 s.
// Reads the seconds field of the time of day, so it holds across a minute boundary.
bool waitForStartReply(SerialPort &port, Clock &clock);

// Starting a test: the port configured and opened, CmdStart, then the reply wait. Fails with
// PortFailure in the given wording, or with the no-response message when nothing answers; the
// port is closed after either. `afterStartByte` runs once the byte is written.
Outcome startAndAwaitReply(SerialPort &port, Clock &clock, int commPort, PortFailureWording wording,
                           const std::function<void()> &afterStartByte = {});

// How a program is paced and what it reports while it is written.
struct ProgramPacing {
    // The pause after each piece; BusyWait when empty.
    std::function<void(float seconds)> wait;
    // After CmdDownload is written, before the first pause; false ends the program there as
    // a failure.
    std::function<bool()> afterDownloadByte;
    // Before each step's pieces: step i of n.
    std::function<void(int i, int n)> step;
};
// CmdDownload, a 0.1 s pause, then the ten pieces of every step each followed by a 0.1 s
// pause, then "99". On an open port; false as soon as a write fails.
bool writeProgram(SerialPort &port, Clock &clock, const std::vector<ProgramStep> &steps,
                  const ProgramPacing &pacing = {});
// The whole exchange: port configured, opened, the program written, port closed. Fails with
// the "comport" PortFailure.
Outcome sendProgram(SerialPort &port, Clock &clock, int commPort,
                    const std::vector<ProgramStep> &steps, const ProgramPacing &pacing = {});

// The start of every poll tick of a running test: false when the instrument has ended it
// (TestEnd alone, received on an earlier tick), the buffer then emptied and the port closed;
// otherwise everything waiting is appended to the buffer.
bool readTick(SerialPort &port, RecordSplitter &buffer);

// The time of a run: seconds on the clock, continuing past midnight instead of starting over.
class RunClock {
public:
    explicit RunClock(Clock &clock) : clock_(clock) {}
    double now();

private:
    Clock &clock_;
    double lastClock_ = -1, dayOffset_ = 0;
};

// The clock of the real program: the local time of day.
class SystemClock : public Clock {
public:
    double secondsSinceMidnight() override;
    void idle() override;
};

} // namespace viscora
