#include "core/Module1.h"
#include "core/TestQuery.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;
using namespace viscora::formula;

TEST(RotorBobTable, ListOrderAndFactors)
{
    const auto list = rotorBobList();
    ASSERT_EQ(list.size(), 6u);
    const char *names[] = {"R1-B1", "R2-B1", "R3-B1", "R1-B2", "R1-B5", "R1-B4"};
    const int codes[] = {1, 2, 3, 4, 5, 6};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(list[i].name, names[i]);
        EXPECT_EQ(list[i].code, codes[i]);
    }
    EXPECT_EQ(rotorBobByCode(6)->fannFactor, 8.012f);
    EXPECT_EQ(rotorBobByName("r1-b2")->shearFactor, 0.2215f);
    EXPECT_EQ(rotorBobByCode(7), nullptr);
    EXPECT_EQ(rotorBobByName("R9-B9"), nullptr);
    // The query carries the float's decimal text, not its binary expansion.
    EXPECT_EQ(factorValue(0.2215f), 0.2215);
}

TEST(Formulas, MainWindowAndSetupVariantsDiffer)
{
    const double main = shearRateMain(100, 1.0);
    const double setup = shearRateSetup(100, 1.0);
    EXPECT_EQ(formatMask(main, "###0.00"), "170.23");
    EXPECT_DOUBLE_EQ(setup, 100 / 0.58744);
    EXPECT_GT(setup, main);
    EXPECT_LT(setup - main, 0.001);
}

TEST(Formulas, ReferencePoint300Rpm510Dyn)
{
    EXPECT_EQ(formatMask(dialReading(510, 1.0), "####.0"), "99.8");
    EXPECT_EQ(formatMask(510 * kStressToEI, "###.000"), "106.488");
    // R1-B4 divides the dial reading by 8.012 as well.
    EXPECT_NEAR(dialReading(510, factorValue(8.012f)), 510 / 5.11 / 8.012, 1e-12);
}

TEST(Formulas, CustomTemperatureAndSpeedZero)
{
    EXPECT_NEAR(shearRateCustom(100, 1703 / 1000.0), 170.3, 1e-9);
    EXPECT_EQ(formatMask(fahrenheitToCelsius(212), "###.0"), "100.0");
    EXPECT_EQ(formatMask(fahrenheitToCelsius(32.5), "###.0"), ".3");
    EXPECT_NEAR(speedFromShearRateSetup(300, 1.0), 176.232, 1e-3);
    EXPECT_NEAR(speedFromShearRateSetup(300, 3.185f), 55.33, 1e-2);
}

TEST(Formulas, LiveViscosity)
{
    // 510 dyn/cm2 at 300 rpm with R1-B1 is about 99.86 cP (510 / 510.69 1/s); the guards
    // change only the last digits. A zero speed stays finite.
    const std::tuple<double, double, double, double> cases[] = {
        // stress, speed (1/100 rpm), shear factor, cP
        {510, 30000, 1.0, 99.8649},
        {510, 30000, 3.185, 31.3548},
        {0, 30000, 1.0, 0.0},
        {100, 300, 1.0, 1958.13},
    };
    for (const auto &[stress, speed, shear, cp] : cases)
        EXPECT_NEAR(viscosityLive(stress, speed, shear), cp, 1e-3 * std::max(cp, 1.0)) << stress;
    EXPECT_TRUE(std::isfinite(viscosityLive(510, 0, 1.0)));
    EXPECT_GT(viscosityLive(510, 0, 1.0), 1e9);
    // A custom rotor-bob of 1.5 1/s per rpm, its stresses read twice: 1020 dyn/cm2 at 450 1/s.
    EXPECT_NEAR(viscosityLiveCustom(510, 30000, 2.0, 1.5), 226.667, 1e-3);
}

struct RbCase {
    std::optional<double> first;
    bool customBefore;
    int rbIndex;
    float shear, fann;
    bool custom;
    double customFactor;
};

TEST(ChooseOpenedTestRotorBob, ClassifiesTheFirstRowsCode)
{
    const RbCase cases[] = {
        {1.0, true, 1, 1.0f, 1.0f, false, 0},
        {4.0, false, 4, 0.2215f, 1.973f, false, 0},
        {6.0, false, 6, 0.1574f, 8.012f, false, 0},
        {1703.0, false, 1703, 1.0f, 1.0f, true, 1.703},
        // Codes 0, 7 and negative leave the factors at 1.0 and CustomRb as it was.
        {0.0, false, 99, 1.0f, 1.0f, false, 0},
        {7.0, true, 99, 1.0f, 1.0f, true, 0},
        {-3.0, false, 99, 1.0f, 1.0f, false, 0},
        {std::nullopt, false, 99, 1.0f, 1.0f, false, 0},
    };
    for (const auto &c : cases) {
        RotorBobSetting before;
        before.index = 99;
        before.shearFactor = 5.0f;
        before.fannFactor = 5.0f;
        before.custom = c.customBefore;
        const RotorBobSetting s = openedTestRotorBob(before, c.first);
        EXPECT_EQ(s.index, c.rbIndex);
        EXPECT_EQ(s.shearFactor, c.shear);
        EXPECT_EQ(s.fannFactor, c.fann);
        EXPECT_EQ(s.custom, c.custom);
        if (c.custom && c.customFactor) {
            EXPECT_DOUBLE_EQ(s.customFactor, c.customFactor);
        }
    }
}

TEST(ChooseOverlayRotorBob, OnlyDecidesCustom)
{
    const RotorBobSetting r2b1{2, 3.185f, 1.0f, false, 0};
    const RotorBobSetting custom = overlayRotorBob(r2b1, 2500.0);
    EXPECT_TRUE(custom.custom);
    EXPECT_DOUBLE_EQ(custom.customFactor, 2.5);
    const RotorBobSetting standard = overlayRotorBob(custom, 4.0);
    EXPECT_FALSE(standard.custom);
    EXPECT_EQ(standard.index, 2);
    EXPECT_EQ(standard.shearFactor, 3.185f);
}

TEST(DebugSwitch, OnlyTheWholeCommandLine)
{
    EXPECT_TRUE(isDebugCommandLine("/debug"));
    EXPECT_TRUE(isDebugCommandLine("/DeBuG"));
    EXPECT_FALSE(isDebugCommandLine("/debug "));
    EXPECT_FALSE(isDebugCommandLine("/debug x"));
    EXPECT_FALSE(isDebugCommandLine(""));
    EXPECT_FALSE(isDebugCommandLine("debug"));
}

TEST(Module1Defaults, EveryRunStartsTheSame)
{
    const Module1 m;
    EXPECT_EQ(m.UnitSystem, 1);
    EXPECT_EQ(m.CommPort, 1);
    EXPECT_EQ(m.RbIndex, 0);
    EXPECT_EQ(m.RbShearFactor, 0.0f);
    EXPECT_FALSE(m.CustomRb);
    EXPECT_TRUE(m.NoTestShown);
    EXPECT_FALSE(m.SequenceSent);
    EXPECT_FALSE(m.UnitChanged);
    EXPECT_TRUE(m.CurrentTestName.empty());
    EXPECT_EQ(m.NewTestId, 0);
}
