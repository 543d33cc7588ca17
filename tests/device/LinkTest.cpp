#include "support/FakeClock.h"
#include "device/Link.h"
#include "device/PortMap.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

TEST(InitialCommport, ClosesAndConfiguresTheGivenPort)
{
    FakeClock clock;
    ScriptedPort port(clock);
    port.availablePort = 3;
    ASSERT_TRUE((initialCommport(port, 3), port.open()));
    initialCommport(port, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.portNumber, 1);
    EXPECT_EQ(port.settings, "19200,n,8,1");
    EXPECT_EQ(port.readLength, 0);
}

TEST(BusyWait, EndsOnlyAfterTheTimeEvenWithACoarseClock)
{
    struct Case {
        double start, step;
        float seconds;
    } cases[] = {{36000, 0.01, 0.1f},
                 {36000, 0.1, 0.1f},
                 {36000, 0.25, 0.4f},
                 {86399.95, 0.01, 0.1f},
                 {86399.9, 0.05, 0.4f}};
    for (const auto &c : cases) {
        FakeClock clock(c.start, c.step);
        BusyWait(clock, c.seconds);
        const double elapsed = c.step * static_cast<double>(clock.idles);
        EXPECT_GE(elapsed, c.seconds - 1e-9) << c.start << " step " << c.step;
        EXPECT_LE(elapsed, c.seconds + 2 * c.step + 0.01) << c.start << " step " << c.step;
    }
}

TEST(RemoteStartStop, BytesAndPortDiscipline)
{
    FakeClock clock;
    ScriptedPort port(clock);
    EXPECT_TRUE(remoteStart(port, 1));
    EXPECT_EQ(port.allWritten(), "\x05");
    EXPECT_FALSE(port.isOpen());
    // Stop when no test runs still writes the byte once and leaves the port closed.
    EXPECT_TRUE(remoteStop(port, 1));
    EXPECT_EQ(port.allWritten(), std::string("\x05\x06"));
    EXPECT_FALSE(port.isOpen());
    // A stop on a port that is already open reuses it without configuring it again.
    ASSERT_TRUE(port.open());
    const int configured = port.configured;
    EXPECT_TRUE(remoteStop(port, 1));
    EXPECT_EQ(port.configured, configured);
    EXPECT_FALSE(port.isOpen());
}

namespace {
// A port whose system gives a reason for its failures.
class ReasonedPort : public ScriptedPort {
public:
    using ScriptedPort::ScriptedPort;
    std::string errorText() const override { return reason; }
    std::string reason;
};
} // namespace

TEST(RemoteStartStop, MissingPortFailsInEachWordingWithTheSystemsReason)
{
    FakeClock clock;
    ReasonedPort port(clock);
    const Outcome started = remoteStart(port, 7);
    ASSERT_FALSE(started);
    EXPECT_EQ(started.failure(),
              (Failure{"Fail to open comm port, make sure comm port is available and working "
                       "properly.",
                       "Comm Port Error", ""}));
    port.reason = "/dev/ttyS6: No such file or directory";
    const Outcome stopped = remoteStop(port, 7);
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.failure(),
              (Failure{"Fail to open comport, make sure comport is available and working properly.",
                       "Comport Error", "/dev/ttyS6: No such file or directory"}));
    EXPECT_TRUE(port.writes.empty());
    // The next exchange uses a changed port number.
    EXPECT_TRUE(remoteStart(port, 1));
    EXPECT_EQ(port.portNumber, 1);
}

TEST(PortFailure, ShownAsAPlainMessageThenTheSystemsReason)
{
    FakeClock clock;
    ReasonedPort port(clock);
    port.reason = "/dev/ttyS0: Permission denied";
    ScriptedPrompter p;
    show(p, portFailure(PortFailureWording::CommPort, port));
    port.reason.clear();
    show(p, portFailure(PortFailureWording::Comport, port));
    ASSERT_EQ(p.shown.size(), 2u);
    for (const Shown &s : p.shown) {
        EXPECT_EQ(s.buttons, Buttons::Ok);
        EXPECT_EQ(s.icon, Icon::None);
    }
    EXPECT_EQ(p.shown[0].title, "Comm Port Error");
    EXPECT_EQ(p.shown[1].title, "Comport Error");
    // No reason known: no detail line.
    EXPECT_EQ(p.details, (std::vector<std::string>{"/dev/ttyS0: Permission denied"}));
}

TEST(PortMap, DefaultsAndOverrides)
{
    PortMap map;
    EXPECT_EQ(map.device(1), "/dev/ttyS0");
    EXPECT_EQ(map.device(12), "/dev/ttyS11");
    EXPECT_EQ(map.device(13), "");
    map.set(2, "/dev/ttyUSB0");
    EXPECT_EQ(map.device(2), "/dev/ttyUSB0");
}
