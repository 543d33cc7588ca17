#include "core/VbFormat.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora;

struct MaskCase {
    double value;
    const char *mask;
    const char *expected;
};

class FormatMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FormatMaskTest, MatchesTheMask)
{
    const auto &c = GetParam();
    EXPECT_EQ(formatMask(c.value, c.mask), c.expected) << c.value << " with " << c.mask;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, FormatMaskTest,
    ::testing::Values(
        // No leading zero where the mask has none.
        MaskCase{0.3, "###.0", ".3"}, MaskCase{(32.5 - 32) * 5 / 9.0, "###.0", ".3"},
        MaskCase{100, "###.0", "100.0"}, MaskCase{0, "###.0", ".0"},
        // Wider than the mask: written in full.
        MaskCase{123456.78, "###.0", "123456.8"}, MaskCase{99999.999, "###0.00", "100000.00"},
        MaskCase{170.23, "###0.00", "170.23"}, MaskCase{0.5, "###0.00", "0.50"},
        MaskCase{106.488, "###.000", "106.488"}, MaskCase{0.0209, "###.000", ".021"},
        MaskCase{99.86, "#####.00", "99.86"}, MaskCase{99.8043, "####.0", "99.8"},
        // Half away from zero on the 15-digit decimal form: 2.675 is 2.67499999... in binary.
        MaskCase{2.675, "###.00", "2.68"}, MaskCase{-2.675, "###.00", "-2.68"},
        MaskCase{0.125, "0.00", "0.13"}, MaskCase{1.005, "####.00", "1.01"},
        MaskCase{0.05, "0.0", "0.1"}, MaskCase{-0.04, "0.0", "0.0"}, MaskCase{5, "###.#", "5."},
        MaskCase{5.25, "###.#", "5.3"}, MaskCase{7, "00", "07"}, MaskCase{7, "000", "007"},
        MaskCase{1234, "00", "1234"}, MaskCase{176.23, "00000", "00176"}, MaskCase{2.5, "0", "3"},
        MaskCase{-2.5, "0", "-3"}, MaskCase{1e-20, "###.000", ".000"},
        MaskCase{9.9996, "###.000", "10.000"}, MaskCase{-12.3456, "####.0", "-12.3"}));

// Significant digits round as the masks do, on the 15-digit decimal form, half away from zero.
TEST(SignificantDigits, WrittenOutAndWithAnExponent)
{
    const struct {
        double value;
        int count;
        const char *positional, *exponent;
    } cases[] = {
        {1626.54765, 5, "1626.5", "1.6265E+3"},
        {2.675, 3, "2.68", "2.68E+0"}, // 2.67499999... in binary
        {-2.675, 3, "-2.68", "-2.68E+0"},
        {99999.5, 5, "100000", "1E+5"}, // carried into a new leading digit
        {0.000012345, 2, "0.000012", "1.2E-5"},
        {26900000001.5, 3, "26900000000", "2.69E+10"},
        {510 / 5.11, 15, "99.8043052837573", "9.98043052837573E+1"},
        {5.1e16, 15, "51000000000000000", "5.1E+16"},
        {0, 4, "0", "0E+0"},
    };
    for (const auto &c : cases) {
        const SignificantDigits d = significantDigits(c.value, c.count);
        EXPECT_EQ(positionalText(d), c.positional) << c.value << " to " << c.count;
        EXPECT_EQ(exponentText(d), c.exponent) << c.value << " to " << c.count;
    }
    EXPECT_EQ(exponentText(significantDigits(1.23456e9, 4), 'e'), "1.235e+9");
}

TEST(Val, ReadsTheLeadingNumber)
{
    struct Case {
        const char *text;
        double expected;
    } cases[] = {
        {"12abc", 12}, {"  3.5 ", 3.5}, {"1 2 3", 123},   {"-4.25e2x", -425},
        {"abc", 0},    {"", 0},         {".5", 0.5},      {"&H1F", 31},
        {"&O17", 15},  {"1.2.3", 1.2},  {"+7", 7},        {"2d3", 2000},
        {"5e", 5},     {"N/A", 0},      {"210.000", 210}, {"\t\n9", 9},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(Val(c.text), c.expected) << c.text;
}

TEST(IntAndRounding, FloorAndBankers)
{
    EXPECT_EQ(Int(2.7), 2);
    EXPECT_EQ(Int(-2.1), -3);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.51), 3);
}

TEST(ShortestText, SingleFactorsReadAsTheirDecimalForm)
{
    EXPECT_EQ(shortestText(0.2215f), "0.2215");
    EXPECT_EQ(shortestText(8.012f), "8.012");
    EXPECT_EQ(shortestText(1.0f), "1");
    EXPECT_EQ(shortestText(1.703), "1.703");
    EXPECT_EQ(shortestText(30.0), "30");
}
