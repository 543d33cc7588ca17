#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "device/PortMap.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

TEST(InitialCommport, ClosesAndConfiguresFromTheGlobals)
{
    FakeClock clock;
    ScriptedPort port(clock);
    Module1 m;
    m.CommPort = 3;
    port.availablePort = 3;
    ASSERT_TRUE((initialCommport(port, m), port.open()));
    m.CommPort = 1;
    initialCommport(port, m);
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
    ScriptedPrompter p;
    Module1 m;
    EXPECT_TRUE(remoteStart(port, m, p));
    EXPECT_EQ(port.allWritten(), "\x05");
    EXPECT_FALSE(port.isOpen());
    // Stop when no test runs still writes the byte once and leaves the port closed.
    EXPECT_TRUE(remoteStop(port, m, p));
    EXPECT_EQ(port.allWritten(), std::string("\x05\x06"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(p.shown.empty());
    // A stop on a port that is already open reuses it without configuring it again.
    ASSERT_TRUE(port.open());
    const int configured = port.configured;
    EXPECT_TRUE(remoteStop(port, m, p));
    EXPECT_EQ(port.configured, configured);
    EXPECT_FALSE(port.isOpen());
}

TEST(RemoteStartStop, MissingPortShowsEachWording)
{
    FakeClock clock;
    ScriptedPort port(clock);
    ScriptedPrompter p;
    Module1 m;
    m.CommPort = 7;
    EXPECT_FALSE(remoteStart(port, m, p));
    EXPECT_EQ(p.shown.back().text,
              "Fail to open comm port, make sure comm port is available and working properly.");
    EXPECT_EQ(p.shown.back().title, "Comm Port Error");
    EXPECT_EQ(p.shown.back().buttons, Buttons::Ok);
    EXPECT_EQ(p.shown.back().icon, Icon::None);
    EXPECT_FALSE(remoteStop(port, m, p));
    EXPECT_EQ(p.shown.back().text,
              "Fail to open comport, make sure comport is available and working properly.");
    EXPECT_EQ(p.shown.back().title, "Comport Error");
    EXPECT_TRUE(port.writes.empty());
    // The next exchange uses a changed port number.
    m.CommPort = 1;
    EXPECT_TRUE(remoteStart(port, m, p));
    EXPECT_EQ(port.portNumber, 1);
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
