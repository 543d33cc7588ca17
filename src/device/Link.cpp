#include "device/Link.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Protocol.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace viscora {

const char *const kNoResponseMessage = "No response from K7400r, please check connection.";
const char *const kCommunicationErrorMessage =
    "Communication error from K7400r, please download data again.";
const char *const kCommunicationErrorTitle = "Communication Error";

void initialCommport(SerialPort &port, const Module1 &m)
{
    if (port.isOpen())
        port.close();
    port.setPortNumber(m.CommPort);
    port.setSettings(kLineSettings);
    port.setReadLength(0);
}

void BusyWait(Clock &clock, float seconds)
{
    constexpr double kDay = 86400.0;
    const double start = clock.secondsSinceMidnight();
    // Held in single precision, but never rounded below the requested end.
    float end = static_cast<float>(start + seconds);
    if (end < start + seconds)
        end = std::nextafter(end, HUGE_VALF);
    for (;;) {
        double now = clock.secondsSinceMidnight();
        if (now < start) // past midnight
            now += kDay;
        if (now > end)
            return;
        clock.idle();
    }
}

void showPortFailure(Prompter &prompter, PortFailureWording wording)
{
    if (wording == PortFailureWording::CommPort)
        prompter.message(
            "Fail to open comm port, make sure comm port is available and working properly.",
            "Comm Port Error");
    else
        prompter.message(
            "Fail to open comport, make sure comport is available and working properly.",
            "Comport Error");
}

bool remoteStart(SerialPort &port, const Module1 &m, Prompter &prompter)
{
    initialCommport(port, m);
    const bool ok = port.open() && port.write(std::string(1, cmd::CmdStart));
    port.close();
    if (!ok)
        showPortFailure(prompter, PortFailureWording::CommPort);
    return ok;
}

bool remoteStop(SerialPort &port, const Module1 &m, Prompter &prompter)
{
    bool ok = true;
    if (!port.isOpen()) {
        initialCommport(port, m);
        ok = port.open();
    }
    ok = ok && port.write(std::string(1, cmd::CmdStop));
    port.setReadLength(0);
    if (port.isOpen())
        port.close();
    if (!ok)
        showPortFailure(prompter, PortFailureWording::Comport);
    return ok;
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
