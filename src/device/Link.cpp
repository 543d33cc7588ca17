#include "device/Link.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace viscora {

const char *const kNoResponseMessage = "No response from K7400r, please check connection.";
const char *const kCommunicationErrorMessage =
    "Communication error from K7400r, please download data again.";
const char *const kNothingRetrievedMessage = "K7400r holds no test data: nothing was retrieved.";
const char *const kCommunicationErrorTitle = "Communication Error";

void initialCommport(SerialPort &port, int commPort)
{
    if (port.isOpen())
        port.close();
    port.setPortNumber(commPort);
    port.setSettings(kLineSettings);
    port.setReadLength(0);
}

void BusyWait(Clock &clock, float seconds, const std::function<void()> &whileWaiting)
{
    constexpr double kDay = 86400.0;
    const double start = clock.secondsSinceMidnight();
    // Held in single precision, but never rounded below the requested end.
    float end = static_cast<float>(start + seconds);
    if (end < start + seconds)
        end = std::nextafter(end, HUGE_VALF);
    for (;;) {
        if (whileWaiting)
            whileWaiting();
        double now = clock.secondsSinceMidnight();
        if (now < start) // past midnight
            now += kDay;
        if (now > end)
            return;
        clock.idle();
    }
}

Failure portFailure(PortFailureWording wording, const SerialPort &port)
{
    if (wording == PortFailureWording::CommPort)
        return {"Fail to open comm port, make sure comm port is available and working properly.",
                "Comm Port Error", port.errorText()};
    return {"Fail to open comport, make sure comport is available and working properly.",
            "Comport Error", port.errorText()};
}

Outcome remoteStart(SerialPort &port, int commPort)
{
    initialCommport(port, commPort);
    Outcome outcome;
    if (!port.open() || !port.write(std::string(1, cmd::CmdStart)))
        outcome = portFailure(PortFailureWording::CommPort, port);
    port.close();
    return outcome;
}

bool sendStop(SerialPort &port, int commPort)
{
    if (!port.isOpen()) {
        initialCommport(port, commPort);
        if (!port.open())
            return false;
    }
    return port.write(std::string(1, cmd::CmdStop));
}

Outcome remoteStop(SerialPort &port, int commPort)
{
    const bool sent = sendStop(port, commPort);
    port.setReadLength(0);
    Outcome outcome;
    if (!sent)
        outcome = portFailure(PortFailureWording::Comport, port);
    if (port.isOpen())
        port.close();
    return outcome;
}

bool waitForStartReply(SerialPort &port, Clock &clock)
{
    auto secondsField = [&clock] {
        return static_cast<int>(std::floor(clock.secondsSinceMidnight())) % 60;
    };
    const int t0 = secondsField();
    for (;;) {
        const int d = std::abs(secondsField() - t0);
        if (d > 10 && d < 50)
            return false;
        if (port.bytesWaiting() >= 5 && d > 2 && d < 58)
            return true;
        clock.idle();
    }
}

Outcome startAndAwaitReply(SerialPort &port, Clock &clock, int commPort, PortFailureWording wording,
                           const std::function<void()> &afterStartByte)
{
    initialCommport(port, commPort);
    port.setReadLength(0);
    if (!port.open() || !port.write(std::string(1, cmd::CmdStart))) {
        Failure failure = portFailure(wording, port);
        port.close();
        return failure;
    }
    if (afterStartByte)
        afterStartByte();
    if (!waitForStartReply(port, clock)) {
        port.close();
        return Failure{kNoResponseMessage, kCommunicationErrorTitle, {}};
    }
    return Outcome::done();
}

bool writeProgram(SerialPort &port, Clock &clock, const std::vector<ProgramStep> &steps,
                  const ProgramPacing &pacing)
{
    auto pause = [&](float seconds) {
        if (pacing.wait)
            pacing.wait(seconds);
        else
            BusyWait(clock, seconds);
    };
    if (!port.write(std::string(1, cmd::CmdDownload)))
        return false;
    if (pacing.afterDownloadByte && !pacing.afterDownloadByte())
        return false;
    pause(0.1f);
    const int n = static_cast<int>(steps.size());
    for (int i = 1; i <= n; ++i) {
        if (pacing.step)
            pacing.step(i, n);
        for (const std::string &piece : programPieces(steps[static_cast<size_t>(i - 1)])) {
            if (!port.write(piece))
                return false;
            pause(0.1f);
        }
    }
    return port.write("99");
}

Outcome sendProgram(SerialPort &port, Clock &clock, int commPort,
                    const std::vector<ProgramStep> &steps, const ProgramPacing &pacing)
{
    initialCommport(port, commPort);
    port.setReadLength(0);
    Outcome outcome;
    if (!port.open() || !writeProgram(port, clock, steps, pacing))
        outcome = portFailure(PortFailureWording::Comport, port);
    port.close();
    return outcome;
}

bool readTick(SerialPort &port, RecordSplitter &buffer)
{
    if (buffer.holdsOnlyTestEnd()) {
        buffer.clear();
        port.close();
        return false;
    }
    buffer.append(port.readAll());
    return true;
}

double RunClock::now()
{
    const double t = clock_.secondsSinceMidnight();
    if (lastClock_ >= 0 && t < lastClock_ - 43200)
        dayOffset_ += 86400;
    lastClock_ = t;
    return t + dayOffset_;
}

double SystemClock::secondsSinceMidnight()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const double frac =
        static_cast<double>(duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000) /
        1e6;
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + frac;
}

void SystemClock::idle() { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

} // namespace viscora
