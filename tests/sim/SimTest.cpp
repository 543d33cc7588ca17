#include "device/Exchanges.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::sim;
using namespace viscora::test;

TEST(SimInstrument, KeepsTheDownloadedSequence)
{
    FakeClock clock;
    SimInstrument sim;
    SimPort port(sim, clock);
    Module1 m;
    m.RbIndex = 2;
    ScriptedPrompter p;
    ASSERT_TRUE(downloadSequence(port, clock, m, {{1, 5, 150, 300}, {2, 3, 180, 600.5}}, p));
    ASSERT_EQ(sim.sequence().size(), 2u);
    EXPECT_EQ(sim.sequence()[1].stepNo, 2);
    EXPECT_EQ(sim.sequence()[1].time, 3);
    EXPECT_EQ(sim.sequence()[1].temperature, 180);
    EXPECT_EQ(sim.sequence()[1].speedHundredths, 60050);
    EXPECT_EQ(sim.sequence()[1].rbCode, 2);
}

TEST(SimInstrument, StreamsOneRecordASecondThenTestEndAlone)
{
    SimInstrument sim;
    sim.receive("\x03"
                "01,00003,150,30000,111"
                "02,00002,150,60000,111"
                "99",
                0);
    sim.receive("\x05", 100);
    EXPECT_EQ(sim.poll(100.5), "");
    const std::string first = sim.poll(101.0);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), '\x1a');
    EXPECT_EQ(first.rfind("1,1,", 0), 0u);
    std::string rest = sim.poll(105.0);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), '\x1a'), 4);
    EXPECT_NE(rest.find("2,2,"), std::string::npos);
    EXPECT_EQ(rest.find('\x08'), std::string::npos);
    EXPECT_EQ(sim.poll(106.6), "\x08");
    EXPECT_FALSE(sim.running());
    EXPECT_EQ(sim.poll(110), "");
}

TEST(SimInstrument, StopEndsTheStreamAndRetrievalAnswersTheRun)
{
    FakeClock clock;
    SimOptions custom;
    custom.customFactor = 1702;
    SimInstrument sim(custom);
    SimPort port(sim, clock);
    sim.receive("\x03"
                "01,00100,120,30000,111"
                "99",
                clock.now);
    sim.receive("\x05", clock.now);
    clock.now += 35;
    EXPECT_FALSE(sim.poll(clock.now).empty());
    sim.receive("\x06", clock.now);
    EXPECT_FALSE(sim.running());
    Module1 m;
    ScriptedPrompter p;
    const auto records = retrieveLastResult(port, clock, m, p);
    ASSERT_TRUE(records) << (p.shown.empty() ? "" : p.shown[0].text);
    EXPECT_TRUE(m.CustomRb);
    EXPECT_EQ(m.CustomRbFactor, 1702);
    ASSERT_EQ(records->size(), 1u); // the sample at 30 s
    EXPECT_EQ((*records)[0][1], 30);
    EXPECT_EQ((*records)[0][5], 300);
}

TEST(SimInstrument, SilentNeverAnswersAndNoiseNeverEndsTheTest)
{
    SimInstrument silent(SimOptions::silentOne());
    silent.receive("\x05\x08\x01", 0);
    EXPECT_EQ(silent.poll(50), "");

    SimOptions noise;
    noise.noise = 1.0;
    noise.seed = 3;
    SimInstrument noisy(noise);
    noisy.receive("\x03"
                  "01,00050,120,30000,111"
                  "99\x05",
                  0);
    const std::string out = noisy.poll(50);
    EXPECT_EQ(out.find('\x08'), std::string::npos);
    EXPECT_GE(std::count(out.begin(), out.end(), '\x1a'), 50);
}

TEST(SimFluid, StressRisesWithRateAndFallsWithHeat)
{
    EXPECT_LT(fluidStress(5, 120), fluidStress(500, 120));
    EXPECT_GT(fluidStress(500, 80), fluidStress(500, 200));
    EXPECT_EQ(fluidStress(500, 120) % 5, 0);
}
