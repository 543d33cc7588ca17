#include "rheology/Json.h"

#include "rheology/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using namespace viscora::rheology;
using namespace viscora::test;

using Keys = std::vector<std::string>;

// A full six-speed curve at 120 degF and a two-point one at 180 degF: every key, nulls for
// what cannot be computed, left-out models absent, numbers that read back exactly.
TEST(RheologyJson, ExactKeysNullsAndRoundTrippedNumbers)
{
    auto steps = sixSpeeds([](double g) { return 10 + 0.5 * std::pow(g, 0.7); });
    for (const StepReading &s : restAndGel(10, 5))
        steps.push_back(s);
    steps.push_back({600, 46 * 5.11, 180});
    steps.push_back({300, 28 * 5.11, 180});
    const std::string name = "Mud \"A\" \\ 1\n\t\x01 Ölschlamm";
    const Analysis a = analyse(pointsOf(steps), {}, Units::EI);
    const std::string text = toJson(a, name);
    const auto json = parseJson(text);
    ASSERT_TRUE(json) << text;

    EXPECT_EQ(json->keys(), (Keys{"test", "units", "curves"}));
    EXPECT_EQ((*json)["test"].text, name);
    EXPECT_EQ((*json)["units"].text, "EI");
    EXPECT_EQ(parseJson(toJson(analyse({}, {}, Units::SI), ""))->operator[]("units").text, "SI");
    const auto &curves = (*json)["curves"].items;
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].keys(), (Keys{"temperature", "readings", "field", "gels", "models",
                                      "recommended", "warnings"}));
    EXPECT_EQ(curves[1].keys(), (Keys{"temperature", "readings", "field", "gels", "models",
                                      "recommended", "recommendation_note", "warnings"}));
    EXPECT_EQ(curves[1]["recommendation_note"].text, "Too few readings to compare models.");
    for (const auto &c : curves) {
        EXPECT_EQ(c["field"].keys(), (Keys{"AV", "PV", "YP", "LSYP", "n", "K", "na", "Ka"}));
        EXPECT_TRUE(c["warnings"].items.empty());
        for (const auto &r : c["readings"].items) {
            Keys keys{"step", "rpm",         "shear_rate", "stress",
                      "dial", "temperature", "stable",     "used"};
            if (!r["used"].boolean)
                keys.push_back("why");
            EXPECT_EQ(r.keys(), keys);
        }
    }

    const auto &full = curves[0];
    EXPECT_EQ(full["temperature"].number, 120);
    ASSERT_EQ(full["readings"].items.size(), 8u);
    // The rest at 0 rpm, not 1e-6; neither it nor the gel step is a flow reading.
    EXPECT_EQ(full["readings"].items[6]["rpm"].number, 0);
    EXPECT_EQ(full["readings"].items[6]["why"].text, "Rest (0 rpm).");
    EXPECT_EQ(full["readings"].items[7]["why"].text, "Gel measurement: the 10-s gel.");
    for (std::size_t i = 0; i < 6; ++i) {
        const Reading &r = a.curves[0].readings[i];
        const auto &j = full["readings"].items[i];
        EXPECT_EQ(j["step"].number, r.step);
        EXPECT_EQ(j["rpm"].number, r.rpm);
        EXPECT_EQ(j["shear_rate"].number, r.shearRate);
        EXPECT_EQ(j["stress"].number, r.stress);
        EXPECT_EQ(j["dial"].number, r.dial);
        EXPECT_EQ(j["temperature"].number, r.temperature);
    }
    EXPECT_EQ(full["field"]["Ka"].number, *a.curves[0].field.Ka.value);
    ASSERT_EQ(full["gels"].items.size(), 1u);
    const auto &gel = full["gels"].items[0];
    EXPECT_EQ(gel.keys(), (Keys{"step", "gel", "rest", "label"}));
    EXPECT_EQ(gel["step"].number, 8);
    EXPECT_DOUBLE_EQ(gel["gel"].number, 5);
    EXPECT_EQ(gel["rest"].number, 10);
    EXPECT_EQ(gel["label"].text, "10-s gel");
    const auto &models = full["models"];
    EXPECT_EQ(models.keys(),
              (Keys{"newtonian", "bingham", "power_law", "herschel_bulkley", "casson"}));
    EXPECT_EQ(models["newtonian"].keys(), (Keys{"mu", "r2", "rms"}));
    EXPECT_EQ(models["bingham"].keys(), (Keys{"tau0", "mu_p", "r2", "rms"}));
    EXPECT_EQ(models["power_law"].keys(), (Keys{"K", "n", "r2", "rms"}));
    EXPECT_EQ(models["herschel_bulkley"].keys(), (Keys{"tau_y", "K", "n", "r2", "rms"}));
    EXPECT_EQ(models["casson"].keys(), (Keys{"tau0", "mu_inf", "r2", "rms"}));
    EXPECT_EQ(models["herschel_bulkley"]["n"].number,
              param(modelOf(a.curves[0], "herschel_bulkley"), "n"));
    EXPECT_EQ(full["recommended"].text, "herschel_bulkley");

    const auto &two = curves[1];
    EXPECT_TRUE(two["field"]["LSYP"].isNull());
    EXPECT_TRUE(two["field"]["Ka"].isNull());
    EXPECT_EQ(two["field"]["PV"].kind, JsonValue::Kind::Number);
    EXPECT_TRUE(two["gels"].items.empty());
    EXPECT_EQ(two["models"].keys(), (Keys{"newtonian"}));
    EXPECT_TRUE(two["recommended"].isNull());
}

TEST(RheologyJson, NoCurvesAndEqualStresses)
{
    // R2 of a curve whose stresses are all equal cannot be computed: null.
    const Analysis a = analyse(pointsOf({{600, 50}, {300, 50}, {100, 50}}), {}, Units::SI);
    const auto json = parseJson(toJson(a, "x"));
    ASSERT_TRUE(json);
    EXPECT_TRUE((*json)["curves"].items.at(0)["models"]["newtonian"]["r2"].isNull());
    EXPECT_EQ(toJson(analyse({}, {}, Units::EI), "t"), R"({"test":"t","units":"EI","curves":[]})");
}

// The reader the checks rely on is strict: what is not JSON does not parse.
TEST(RheologyJson, ReaderRefusesWhatIsNotJson)
{
    for (const char *bad :
         {R"({"a":nan})", R"({"a":inf})", R"({"a":-inf})", R"([1,])", R"({"a":1,"a":2})",
          R"({"a":01})", R"({"a":1.})", "[1] x", R"("\q")", "{\"a\":\"\x01\"}"})
        EXPECT_FALSE(parseJson(bad)) << bad;
    const auto ok = parseJson(R"( {"a":[-0.5e-3,true,null,"\"\\\n"],"b":{}} )");
    ASSERT_TRUE(ok);
    EXPECT_EQ((*ok)["a"].items[0].number, -0.5e-3);
    EXPECT_EQ((*ok)["a"].items[3].text, "\"\\\n");
}
