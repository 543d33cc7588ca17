#include "core/CalibrationMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace viscora::calibration {

namespace {
double kelvin(double f) { return fahrenheitToCelsius(f) + 273.15; }

double between(const CertificatePoint &a, const CertificatePoint &b, double temperatureF)
{
    const double x = 1 / kelvin(temperatureF), xa = 1 / kelvin(a.temperatureF),
                 xb = 1 / kelvin(b.temperatureF);
    const double la = std::log(a.viscosityCp), lb = std::log(b.viscosityCp);
    return std::exp(la + (lb - la) * (x - xa) / (xb - xa));
}

std::string degrees(double f)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f °F (%.1f °C)", f, fahrenheitToCelsius(f));
    return text;
}
} // namespace

double fahrenheitToCelsius(double f) { return (f - 32) * 5 / 9; }
double celsiusToFahrenheit(double c) { return c * 9 / 5 + 32; }

std::optional<Interpolated> viscosityAt(std::vector<CertificatePoint> cert, double temperatureF)
{
    if (cert.empty() || !std::isfinite(temperatureF) ||
        std::ranges::any_of(cert, [](const CertificatePoint &p) {
            return !(p.viscosityCp > 0) || !std::isfinite(p.temperatureF);
        }))
        return std::nullopt;
    std::ranges::sort(cert, {}, &CertificatePoint::temperatureF);
    // A temperature listed twice keeps its first line.
    cert.erase(std::unique(cert.begin(), cert.end(),
                           [](const CertificatePoint &a, const CertificatePoint &b) {
                               return a.temperatureF == b.temperatureF;
                           }),
               cert.end());
    const CertificatePoint &low = cert.front(), &high = cert.back();
    if (cert.size() == 1) {
        if (temperatureF == low.temperatureF)
            return Interpolated{low.viscosityCp, {}};
        return Interpolated{low.viscosityCp,
                            "The certificate gives the viscosity at " + degrees(low.temperatureF) +
                                " only; it is used at " + degrees(temperatureF) + "."};
    }
    if (temperatureF < low.temperatureF || temperatureF > high.temperatureF) {
        const bool below = temperatureF < low.temperatureF;
        const CertificatePoint &a = below ? cert[0] : cert[cert.size() - 2];
        const CertificatePoint &b = below ? cert[1] : cert.back();
        return Interpolated{between(a, b, temperatureF),
                            "The temperature " + degrees(temperatureF) +
                                " lies outside the certificate's points (" +
                                degrees(low.temperatureF) + " to " + degrees(high.temperatureF) +
                                "): the viscosity is extrapolated."};
    }
    for (size_t i = 1; i < cert.size(); ++i)
        if (temperatureF <= cert[i].temperatureF) {
            if (temperatureF == cert[i].temperatureF)
                return Interpolated{cert[i].viscosityCp, {}};
            return Interpolated{between(cert[i - 1], cert[i], temperatureF), {}};
        }
    return Interpolated{low.viscosityCp, {}}; // at the lowest point
}

double allowedError(const Tolerance &t, double expected)
{
    return std::max(std::abs(expected) * t.percent / 100, t.floorDynCm2);
}

bool withinTolerance(const Tolerance &t, double expected, double measured)
{
    // A hair of slack so an error exactly at the limit passes whatever the rounding.
    return std::abs(measured - expected) <= allowedError(t, expected) * (1 + 1e-12);
}

Date localDate(std::chrono::sys_seconds instant, std::chrono::seconds utcOffset)
{
    return Date{std::chrono::floor<std::chrono::days>(instant + utcOffset)};
}

Date dueDate(Date lastCheck, int intervalDays)
{
    return Date{std::chrono::sys_days(lastCheck) + std::chrono::days(intervalDays)};
}

DueStatus dueStatus(std::optional<Date> due, Date today)
{
    if (!due)
        return {};
    const int days =
        static_cast<int>((std::chrono::sys_days(*due) - std::chrono::sys_days(today)).count());
    if (days > 0)
        return {DueState::Due, days};
    if (days == 0)
        return {DueState::DueToday, 0};
    return {DueState::Overdue, -days};
}

std::string isoDate(Date d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

std::optional<Date> parseIsoDate(const std::string &text)
{
    int y = 0;
    unsigned m = 0, d = 0;
    char rest = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &rest) != 3)
        return std::nullopt;
    const Date date{std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)};
    return date.ok() ? std::optional<Date>(date) : std::nullopt;
}

} // namespace viscora::calibration
