#include "device/Exchanges.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"
#include "rheology/Rheology.h"

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

namespace {
// The six standard speeds through the fluid at one temperature, gels at 6 and 3 rpm.
rheology::Analysis sixSpeeds(double fahrenheit)
{
    std::vector<rheology::Point> points;
    int step = 0;
    for (double rpm : {600.0, 300.0, 200.0, 100.0, 6.0, 3.0}) {
        const double stress = fluidStress(rpm * 1.7023, fahrenheit);
        points.push_back({++step, 60, fahrenheit, rpm, stress, rpm <= 6 ? stress : 0});
    }
    return rheology::analyse(points, {}, Units::EI);
}
} // namespace

// What the analysis makes of the fluid: the numbers of a water-based mud, for the test the
// instrument holds out of the box and for the six speeds at 120 degF.
TEST(SimFluid, IsAWaterBasedMud)
{
    const SimInstrument sim;
    std::vector<rheology::Point> retrieved;
    for (const auto &r : sim.lastResult())
        retrieved.push_back({static_cast<int>(r[0]), r[1], r[2], r[5] / 100, r[3], r[4]});
    for (const auto &a : {rheology::analyse(retrieved, {}, Units::EI), sixSpeeds(120)}) {
        ASSERT_EQ(a.curves.size(), 1u);
        const auto &c = a.curves[0];
        const std::tuple<const char *, const rheology::Value &, double, double> ranges[] = {
            {"PV (cP)", c.field.PV, 10, 30},
            {"YP (lb/100ft2)", c.field.YP, 5, 25},
            {"LSYP (lb/100ft2)", c.field.LSYP, 2, 10},
            {"n", c.field.n, 0.5, 0.9},
            {"AV (cP)", c.field.AV, 15, 45}};
        for (const auto &[name, value, low, high] : ranges) {
            ASSERT_TRUE(value.value) << name << ": " << value.reason;
            EXPECT_GE(*value.value, low) << name;
            EXPECT_LE(*value.value, high) << name;
        }
        ASSERT_EQ(c.gels.size(), 2u);
        for (const auto &g : c.gels) {
            EXPECT_GE(g.gel, 2);
            EXPECT_LE(g.gel, 15);
        }
        ASSERT_TRUE(c.recommended) << c.recommendedReason;
        EXPECT_STRNE(c.recommended->key, "newtonian");
    }
    EXPECT_LT(*sixSpeeds(180).curves[0].field.PV.value, *sixSpeeds(120).curves[0].field.PV.value);
}
