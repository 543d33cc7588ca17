#pragma once
// The arithmetic of calibration records: a certified fluid's viscosity at a temperature read
// from its certificate, the tolerance a reading is judged by, and when the next check is due.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace viscora::calibration {

// One line of a fluid's certificate.
struct CertificatePoint {
    double temperatureF = 0;
    double viscosityCp = 0;
};

struct Interpolated {
    double viscosityCp = 0;
    // Empty when the temperature lies within the certificate's points; else why the value is
    // less sure (outside them, or a certificate of one point).
    std::string warning;
};

// Log viscosity linear in the reciprocal absolute temperature between the two certificate
// points around the temperature, as viscosity-temperature tables are meant to be read; beyond
// the outermost points, the line through the two nearest, with a warning. Nothing without a
// point, or with a viscosity that is not positive.
std::optional<Interpolated> viscosityAt(std::vector<CertificatePoint> certificate,
                                        double temperatureF);

double fahrenheitToCelsius(double f);
double celsiusToFahrenheit(double c);

// The five reference stresses of the check, dyn/cm2.
inline constexpr double kReferenceStresses[] = {3, 6, 10, 100, 800};

struct Tolerance {
    double percent = 2;     // of the expected stress
    double floorDynCm2 = 1; // the instrument reads whole dyn/cm2
};
// The larger of the percent of the expected stress and the floor.
double allowedError(const Tolerance &t, double expected);
bool withinTolerance(const Tolerance &t, double expected, double measured);

inline constexpr int kDefaultIntervalDays = 30;

// A day on the calendar where the lab is.
using Date = std::chrono::year_month_day;

// The local date of an instant, given the local time's offset from UTC at that instant.
Date localDate(std::chrono::sys_seconds instant, std::chrono::seconds utcOffset);
// The calendar day `intervalDays` after the day of the last check.
Date dueDate(Date lastCheck, int intervalDays);

enum class DueState { Never, Due, DueToday, Overdue };
struct DueStatus {
    DueState state = DueState::Never;
    int days = 0; // until it is due (Due), or since (Overdue)
};
DueStatus dueStatus(std::optional<Date> due, Date today);

// "2026-03-01".
std::string isoDate(Date d);
std::optional<Date> parseIsoDate(const std::string &text);

} // namespace viscora::calibration
