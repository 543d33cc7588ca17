#include "device/Exchanges.h"
#include "support/FakeClock.h"
#include "device/Link.h"
#include "sim/SimInstrument.h"
#include "sim/SimPort.h"
#include "rheology/Rheology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>

using namespace viscora;
using namespace viscora::sim;
using namespace viscora::test;

TEST(SimInstrument, KeepsTheDownloadedSequence)
{
    FakeClock clock;
    SimInstrument sim;
    SimPort port(sim, clock);
    ASSERT_TRUE(
        downloadSequence(port, clock, 1, Units::EI, 2, {{1, 5, 150, 300}, {2, 3, 180, 600.5}}));
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
    const Retrieval r = retrieveLastResult(port, clock, 1);
    ASSERT_TRUE(r.records) << r.records.failure().text;
    ASSERT_TRUE(r.customFactor);
    EXPECT_EQ(*r.customFactor, 1702);
    const auto &records = r.records;
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
// The six standard speeds through the fluid at one temperature.
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
        ASSERT_TRUE(c.recommended) << c.recommendedReason;
        EXPECT_STRNE(c.recommended->key, "newtonian");
    }
    EXPECT_LT(*sixSpeeds(180).curves[0].field.PV.value, *sixSpeeds(120).curves[0].field.PV.value);
}

TEST(SimFluid, ParsesKnownFluidsStrictly)
{
    using M = Fluid::Model;
    const struct {
        const char *text;
        std::optional<Fluid> expected;
        const char *named; // in the error of a bad text
    } cases[] = {
        {"newtonian:20", Fluid{M::Newtonian, 20, 0, 0}, ""},
        {"bingham:10,20", Fluid{M::Bingham, 10, 20, 0}, ""},
        {"power:0.5,0.6", Fluid{M::PowerLaw, 0.5, 0.6, 0}, ""},
        {"power:1,3", Fluid{M::PowerLaw, 1, 3, 0}, ""},
        {"hb:0,0.4,0.7", Fluid{M::HerschelBulkley, 0, 0.4, 0.7}, ""},
        {"casson:5,1.2e1", Fluid{M::Casson, 5, 12, 0}, ""},
        {"bingham:10", std::nullopt, "2 values"},
        {"hb:1,2,0.5,4", std::nullopt, "3 values"},
        {"bingham:10,,20", std::nullopt, "2 values"},
        {"newtonian:abc", std::nullopt, "MU \"abc\""},
        {"newtonian:", std::nullopt, "MU \"\""},
        {"newtonian:20 ", std::nullopt, "MU \"20 \""},
        {"newtonian:20cP", std::nullopt, "MU \"20cP\""},
        {"newtonian:nan", std::nullopt, "MU \"nan\""},
        {"casson:5,inf", std::nullopt, "MUINF \"inf\""},
        {"newtonian:0", std::nullopt, "MU \"0\""},
        {"bingham:-1,20", std::nullopt, "TAU0 \"-1\""},
        {"power:-0.5,0.6", std::nullopt, "K \"-0.5\""},
        {"power:0.5,0", std::nullopt, "N \"0\""},
        {"hb:1,2,3.5", std::nullopt, "N \"3.5\""},
        {"newtonian", std::nullopt, "newtonian"},
        {"carreau:1,2", std::nullopt, "carreau"},
        {"", std::nullopt, "unknown model"},
    };
    for (const auto &c : cases) {
        std::string error;
        const auto f = parseFluid(c.text, error);
        ASSERT_EQ(f.has_value(), c.expected.has_value()) << c.text << ": " << error;
        if (f) {
            EXPECT_EQ(f->model, c.expected->model) << c.text;
            EXPECT_DOUBLE_EQ(f->a, c.expected->a) << c.text;
            EXPECT_DOUBLE_EQ(f->b, c.expected->b) << c.text;
            EXPECT_DOUBLE_EQ(f->c, c.expected->c) << c.text;
        } else {
            EXPECT_NE(error.find(c.named), std::string::npos) << c.text << ": " << error;
        }
    }
}

TEST(SimFluid, ParsesGelsStrictly)
{
    const struct {
        const char *text;
        std::optional<Gel> expected;
    } cases[] = {
        {"8,20", Gel{8, 20}},      {"0,0", Gel{0, 0}},    {"5,5", Gel{5, 5}},
        {"20,8", std::nullopt},    {"8", std::nullopt},   {"-1,2", std::nullopt},
        {"8,20,30", std::nullopt}, {"8,x", std::nullopt}, {"nan,20", std::nullopt},
    };
    for (const auto &c : cases) {
        std::string error;
        const auto g = parseGel(c.text, error);
        ASSERT_EQ(g.has_value(), c.expected.has_value()) << c.text << ": " << error;
        if (g) {
            EXPECT_DOUBLE_EQ(g->tenSeconds, c.expected->tenSeconds) << c.text;
            EXPECT_DOUBLE_EQ(g->tenMinutes, c.expected->tenMinutes) << c.text;
        } else {
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
}

// Stress in whole dyn/cm2 at 3 and 600 rpm of R1-B1, worked by hand with 1 lb/100ft2 =
// 1/0.2088 dyn/cm2 and 1 cP = 0.01 poise.
TEST(SimFluid, KnownModelsGiveTheirStress)
{
    const struct {
        const char *text;
        int at3, at600;
    } cases[] = {
        {"newtonian:50", 3, 511},   // 0.5 * 5.1069 = 2.55; 0.5 * 1021.38 = 510.69
        {"bingham:10,20", 49, 252}, // 47.89 + 1.02; 47.89 + 204.28
        {"power:0.5,0.6", 6, 153},  // 2.395 * 2.660; 2.395 * 63.90
        {"hb:2.5,0.4,0.7", 18, 257},
        {"casson:5,12", 32, 255}, // (sqrt 23.95 + sqrt 0.613)^2; (sqrt 23.95 + sqrt 122.57)^2
    };
    for (const auto &c : cases) {
        std::string error;
        const auto f = parseFluid(c.text, error);
        ASSERT_TRUE(f) << error;
        EXPECT_EQ(fluidStress(*f, 3 * 1.7023), c.at3) << c.text;
        EXPECT_EQ(fluidStress(*f, 600 * 1.7023), c.at600) << c.text;
    }
}

namespace {
using Record = std::array<long, 7>; // step, second, degF, stress, gel, speed (1/100 rpm), rb

// Every record of a downloaded sequence's run, polled on a fake clock to the end.
std::vector<Record> runRecords(const SimOptions &options, const std::string &steps)
{
    SimInstrument sim(options);
    sim.receive("\x03" + steps + "99", 0);
    sim.receive("\x05", 0);
    std::string out;
    for (double now = 0; sim.running() && now < 1e5; now += 13)
        out += sim.poll(now);
    EXPECT_FALSE(sim.running());
    std::vector<Record> records;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text, '\x1a');) {
        if (text == "\x08")
            continue;
        std::replace(text.begin(), text.end(), ',', ' ');
        std::istringstream fields(text);
        Record r{};
        for (long &f : r)
            fields >> f;
        EXPECT_TRUE(fields) << text;
        records.push_back(r);
    }
    return records;
}

SimOptions withFluid(const char *fluid, const char *gel = nullptr)
{
    SimOptions o;
    std::string error;
    o.fluid = parseFluid(fluid, error);
    if (gel)
        o.gel = parseGel(gel, error);
    EXPECT_TRUE(o.fluid && (!gel || o.gel)) << error;
    return o;
}
} // namespace

// Gels of 8 and 20 lb/100ft2 (dial degrees: 41 and 102 dyn/cm2) after 10 s and 10 min at
// rest, and the log growth on to 119 dyn/cm2 after 30 min. The fluid yields at 0.5 lb/100ft2 (2.39
// dyn/cm2), yet reads 0 at rest, and flows at 2.39 + 6.37 = 9 dyn/cm2 at 3 rpm, 103 at 300 rpm.
TEST(SimGel, GrowsWithRestAndBreaksWithinFiveSeconds)
{
    const std::string steps = "01,00010,120,30000,111"
                              "02,00010,120,00000,111"
                              "03,00010,120,00300,111"
                              "04,00300,120,00000,111"
                              "05,00300,120,00000,111"
                              "06,00010,120,00300,111"
                              "07,01800,120,00000,111"
                              "08,00010,120,00300,111";
    const auto records = runRecords(withFluid("hb:0.5,0.5,0.6", "8,20"), steps);
    ASSERT_EQ(records.size(), 2450u);
    const std::map<long, long> gelAfterRest = {{3, 41}, {6, 102}, {8, 119}};
    for (const Record &r : records) {
        const long step = r[0], second = r[1], stress = r[3], gel = r[4];
        SCOPED_TRACE("step " + std::to_string(step) + " second " + std::to_string(second));
        if (step == 1) {
            EXPECT_EQ(stress, 103);
            EXPECT_EQ(gel, 0);
        } else if (!gelAfterRest.contains(step)) {
            EXPECT_EQ(stress, 0);
            EXPECT_EQ(gel, 0);
        } else {
            const long peak = gelAfterRest.at(step);
            EXPECT_EQ(gel, peak);
            if (second == 1)
                EXPECT_EQ(stress, peak);
            else if (second < 6)
                EXPECT_TRUE(stress > 9 && stress < peak) << stress;
            else
                EXPECT_EQ(stress, 9);
        }
    }
    // Without gels the step after a rest flows from its first second.
    const auto plain = runRecords(withFluid("hb:0.5,0.5,0.6"), steps);
    ASSERT_EQ(plain.size(), records.size());
    EXPECT_EQ(plain[20][0], 3);
    EXPECT_EQ(plain[20][1], 1);
    EXPECT_EQ(plain[20][3], 9);
    EXPECT_EQ(plain[20][4], 9);
}

// A known fluid is a reference: warming it from 80 to 200 degF leaves its stress as it was,
// while the built-in mud thins.
TEST(SimFluid, KnownFluidKeepsItsStressAtAnyTemperature)
{
    const std::string steps = "01,00300,080,30000,111"
                              "02,00300,200,30000,111";
    const auto known = runRecords(withFluid("power:0.5,0.6"), steps);
    const auto mud = runRecords({}, steps);
    ASSERT_EQ(known.size(), 600u);
    ASSERT_EQ(mud.size(), 600u);
    EXPECT_GT(known.back()[2] - known[299][2], 50); // it did warm
    for (const Record &r : known)
        EXPECT_EQ(r[3], 101) << "at " << r[2] << " degF";
    EXPECT_LT(mud.back()[3], mud[299][3]);
}

// What the gels and the known fluid are for: an analysis of the run reads the gels back as
// the simulator made them and the fluid's own parameters in its fit.
TEST(SimGel, AnalysisReadsBackTheGelsAndTheFluid)
{
    const std::string steps = "01,00060,120,60000,111"
                              "02,00060,120,30000,111"
                              "03,00060,120,20000,111"
                              "04,00060,120,10000,111"
                              "05,00060,120,00600,111"
                              "06,00060,120,00300,111"
                              "07,00010,120,00000,111"
                              "08,00010,120,00300,111"
                              "09,00600,120,00000,111"
                              "10,00010,120,00300,111";
    std::vector<rheology::Point> points;
    for (const Record &r : runRecords(withFluid("bingham:2,20", "8,20"), steps))
        points.push_back({static_cast<int>(r[0]), static_cast<double>(r[1]),
                          static_cast<double>(r[2]), static_cast<double>(r[5]) / 100,
                          static_cast<double>(r[3]), static_cast<double>(r[4])});
    const auto a = rheology::analyse(points, {}, Units::EI);
    ASSERT_EQ(a.curves.size(), 1u) << a.reason;
    const auto &c = a.curves[0];
    // The gels read back as given, to the protocol's whole dyn/cm2.
    ASSERT_EQ(c.gels.size(), 2u);
    EXPECT_EQ(c.gels[0].rest, 10);
    EXPECT_EQ(c.gels[0].label, "10-s gel");
    EXPECT_NEAR(c.gels[0].gel, 8, 0.1);
    EXPECT_EQ(c.gels[1].rest, 600);
    EXPECT_EQ(c.gels[1].label, "10-min gel");
    EXPECT_NEAR(c.gels[1].gel, 20, 0.1);
    const auto bingham = std::find_if(c.models.begin(), c.models.end(), [](const auto &m) {
        return std::string_view(m.model->key) == "bingham";
    });
    ASSERT_NE(bingham, c.models.end());
    ASSERT_TRUE(bingham->fitted) << bingham->reason;
    EXPECT_NEAR(bingham->stored[0], 2 / 0.2088, 0.5); // dyn/cm2
    EXPECT_NEAR(bingham->stored[1], 0.2, 0.002);      // poise
}
