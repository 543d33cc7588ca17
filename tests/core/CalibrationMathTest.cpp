// Reading a fluid's certificate, judging a reading, and when the next check is due.

#include "core/CalibrationMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace viscora::calibration;
using namespace std::chrono;

namespace {

// A certificate as suppliers print it: 20, 25 and 40 degC.
const std::vector<CertificatePoint> kCertificate = {{celsiusToFahrenheit(40), 71.1},
                                                    {celsiusToFahrenheit(20), 105.2},
                                                    {celsiusToFahrenheit(25), 96.4}};

} // namespace

TEST(CertificateInterpolation, LogViscosityLinearInReciprocalKelvin)
{
    // Hand-computed: ln(mu) = ln(mu1) + (ln(mu2) - ln(mu1)) (1/T - 1/T1) / (1/T2 - 1/T1), T in K.
    const struct {
        double celsius;
        double cP;
        bool warned;
    } cases[] = {
        {20, 105.2, false},      // at a point
        {25, 96.4, false},       // at a point
        {40, 71.1, false},       // at the last point
        {22.5, 100.6667, false}, // between 20 and 25
        {30, 86.8069, false},    // between 25 and 40
        {15, 115.1519, true},    // below the points: the 20-25 line, warned
        {50, 58.9590, true},     // above: the 25-40 line, warned
    };
    for (const auto &c : cases) {
        const auto got = viscosityAt(kCertificate, celsiusToFahrenheit(c.celsius));
        ASSERT_TRUE(got) << c.celsius;
        EXPECT_NEAR(got->viscosityCp, c.cP, 5e-4) << c.celsius;
        EXPECT_EQ(!got->warning.empty(), c.warned) << c.celsius << ' ' << got->warning;
    }
    EXPECT_EQ(viscosityAt(kCertificate, 122)->warning,
              "The temperature 122.0 °F (50.0 °C) lies outside the certificate's points "
              "(68.0 °F (20.0 °C) to 104.0 °F (40.0 °C)): the viscosity is extrapolated.");
}

TEST(CertificateInterpolation, OnePointOrNoneOrNonsense)
{
    const auto one = viscosityAt({{77, 96.4}}, 80);
    ASSERT_TRUE(one);
    EXPECT_DOUBLE_EQ(one->viscosityCp, 96.4);
    EXPECT_FALSE(one->warning.empty());
    EXPECT_TRUE(viscosityAt({{77, 96.4}}, 77)->warning.empty());
    EXPECT_FALSE(viscosityAt({}, 77));
    EXPECT_FALSE(viscosityAt({{77, 0}, {100, 50}}, 80));
    EXPECT_FALSE(viscosityAt({{77, 96.4}}, NAN));
}

TEST(Tolerance, TheLargerOfPercentAndFloor)
{
    const Tolerance t{2, 1};
    const struct {
        double expected, measured;
        bool pass;
    } cases[] = {
        {3, 4, true},      {3, 5, false},    {10, 11, true},    {10, 12, false},  {100, 102, true},
        {100, 105, false}, {800, 816, true}, {800, 840, false}, {800, 784, true}, {800, 783, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(withinTolerance(t, c.expected, c.measured), c.pass)
            << c.expected << ' ' << c.measured;
}

TEST(DueDate, CalendarDaysAfterTheLocalDayOfTheCheck)
{
    const auto at = [](int y, unsigned m, unsigned d, int h, int min) {
        return sys_days(year(y) / month(m) / day(d)) + hours(h) + minutes(min);
    };
    const struct {
        sys_seconds checked;
        seconds offset;
        int interval;
        const char *due;
    } cases[] = {
        {at(2026, 1, 31, 12, 0), 0s, 30, "2026-03-02"},  // across February
        {at(2028, 1, 31, 12, 0), 0s, 30, "2028-03-01"},  // a leap year
        {at(2026, 12, 15, 8, 0), 0s, 30, "2027-01-14"},  // across the year
        {at(2026, 1, 31, 23, 30), 2h, 30, "2026-03-03"}, // already 1 February there
        {at(2026, 2, 1, 3, 0), -5h, 30, "2026-03-02"},   // still 31 January there
        {at(2026, 3, 31, 10, 0), 0s, 1, "2026-04-01"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isoDate(dueDate(localDate(c.checked, c.offset), c.interval)), c.due) << c.due;
}

TEST(DueDate, StatusAgainstToday)
{
    const Date today = 2026y / December / 10d;
    EXPECT_EQ(dueStatus(std::nullopt, today).state, DueState::Never);
    const auto in3 = dueStatus(2026y / December / 13d, today);
    EXPECT_EQ(in3.state, DueState::Due);
    EXPECT_EQ(in3.days, 3);
    EXPECT_EQ(dueStatus(today, today).state, DueState::DueToday);
    const auto late = dueStatus(2026y / November / 30d, today);
    EXPECT_EQ(late.state, DueState::Overdue);
    EXPECT_EQ(late.days, 10);
    EXPECT_EQ(parseIsoDate("2026-02-29"), std::nullopt);
    EXPECT_EQ(parseIsoDate("2028-02-29"), std::optional<Date>(2028y / February / 29d));
    EXPECT_EQ(parseIsoDate("2028-2-9"), std::nullopt);
}
