#pragma once
// Unit systems, the rotor-bob table and the rheology formulas. The instrument and the
// database hold rpm, dyn/cm2, degF and seconds; everything else is derived here. Each
// consumer keeps its own variant: they differ in the last digits on purpose.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace viscora {

enum class Units { EI = 1, SI = 2 };

struct RotorBob {
    int code;          // RbIndex / Rbfactor
    const char *name;  // "R1-B1" ...
    float shearFactor; // RbShearFactor
    float fannFactor;  // RbFannFactor
};

// In list order (position 0..5); note R1-B5 before R1-B4.
std::span<const RotorBob> rotorBobList();
// The entry of a code 1..6, or nullptr.
const RotorBob *rotorBobByCode(int code);
// The entry of a name such as "R2-B1" (case-insensitive), or nullptr.
const RotorBob *rotorBobByName(const std::string &name);

// Position of an entry in the list (the setup window's list position).
int rotorBobPosition(const RotorBob &rb);

// A special rotor-bob's two factors as the operator typed them for a run: the stress
// factor, and the shear rate per rpm.
struct CustomFactors {
    double stress = 1, rate = 0;
};

// The rotor-bob a test is read with: its code and both factors, or a custom shear-rate
// factor (the windows keep it in RbIndex, RbShearFactor, RbFannFactor, CustomRb and
// CustomRbFactor).
struct RotorBobSetting {
    std::int16_t index = 0;  // RbIndex: a code 1 to 6, a custom factor x 1000, 0 when none
    float shearFactor = 0;   // RbShearFactor
    float fannFactor = 0;    // RbFannFactor
    bool custom = false;     // CustomRb
    double customFactor = 0; // CustomRbFactor: shear rate per rpm
    bool operator==(const RotorBobSetting &) const = default;
};

// Picking a list entry: the code and both factors from the table (custom untouched).
RotorBobSetting withRotorBob(RotorBobSetting s, const RotorBob &rb);

// The entry a sequence's stored Rbfactor stands for; a code outside the list is used as R1-B1
// and says so, so that the operator can be told.
struct SequenceRotorBob {
    const RotorBob &rb;
    bool inList;
};
SequenceRotorBob sequenceRotorBob(int storedCode);

// A single-precision factor as the query text carries it: the double read back from the
// float's shortest decimal text (0.2215f -> 0.2215, not 0.22149999...).
double factorValue(float factor);

namespace formula {
// Every constant of the formulas lives here; the query texts bind them.
constexpr double kShearPerRpm = 1.7023; // R1-B1 shear rate per rpm
constexpr double kSetupRpmPerShear = 0.58744;
constexpr double kStressToEI = 0.2088; // dyn/cm2 -> lb/100ft2
// lb/100ft2 -> dyn/cm2 as the field formulas write it, for YP and LSYP in SI.
constexpr double kYieldToSI = 4.788;
constexpr double kDialDivisor = 5.11;          // dyn/cm2 per Fann35 degree
constexpr double kGelDialEI = 1.044;           // lb/100ft2 per gel dial degree (the workbook's)
constexpr double kSpeedGuard = 0.000001;       // keeps a zero speed's viscosity finite
constexpr double kReportRateGuard = 0.0000001; // the printed report's own guard
constexpr double kLiveSpeedGuard = 0.001;      // a record's speed, in hundredths
constexpr double kLiveStressGuard = 0.000001;
// A stored speed of 0 is written as this, so that the viscosity stays finite.
constexpr double kStoredZeroSpeed = 0.000001;
constexpr double kStoredSpeedFloor = 0.001; // speeds up to this are stored as kStoredZeroSpeed

inline double fahrenheitToCelsius(double f) { return (f - 32) * 5 / 9.0; }
// Back from a shown degC value to the stored degF.
inline double celsiusToFahrenheit(double c) { return c * 1.8 + 32; }

// Main window, opened test and overlay.
inline double shearRateMain(double speed, double shearFactor)
{
    return speed * kShearPerRpm * shearFactor;
}
inline double shearRateCustom(double speed, double customFactor) { return speed * customFactor; }
inline double dialReading(double stress, double fannFactor)
{
    return stress / kDialDivisor / fannFactor;
}
inline double stressFromEI(double lbPer100ft2) { return lbPer100ft2 / kStressToEI; }
// A stored speed: zero (and below the floor) becomes the small speed the database keeps.
inline double storedSpeed(double rpm) { return rpm > kStoredSpeedFloor ? rpm : kStoredZeroSpeed; }
// Below the instrument's least speed step the rotor is at rest (stored as kStoredZeroSpeed).
constexpr double kRestSpeedBelow = 0.01; // rpm
inline bool isRestSpeed(double rpm) { return rpm < kRestSpeedBelow; }

// Setup window step list, real-time step list and the step dialogs.
inline double shearRateSetup(double speed, double shearFactor)
{
    return speed / kSetupRpmPerShear * shearFactor;
}
inline double speedFromShearRateSetup(double shearRate, double shearFactor)
{
    return shearRate * kSetupRpmPerShear / shearFactor;
}

// Live chart and direct log, from a record's speed in hundredths of rpm.
inline double viscosityLive(double stress, double speedHundredths, double shearFactor)
{
    return (stress + kLiveStressGuard) / ((speedHundredths + kLiveSpeedGuard) * kShearPerRpm) *
           10000 / shearFactor;
}
inline double viscosityLiveCustom(double stress, double speedHundredths, double stressFactor,
                                  double customFactor)
{
    return (stress + kLiveStressGuard) * stressFactor /
           ((speedHundredths + kLiveSpeedGuard) * customFactor) * 10000;
}
} // namespace formula

// The rotor-bob an opened test is read with, from the Rbfactor of its first row (or none).
// Both factors start at 1.0; codes 1..6 take the table's factors, values above 7 are a
// custom factor x 1000, anything else leaves the factors at 1.0 and custom as it was.
RotorBobSetting openedTestRotorBob(RotorBobSetting s, std::optional<double> firstRbfactor);

// A rotor-bob never chosen in this run (code still 0) is R1-B1, as the setup window would
// choose on loading: code 1 and both factors 1.0.
RotorBobSetting chosenRotorBob(RotorBobSetting s);

// The overlaid test's code only decides custom (and its factor); the factors stay.
RotorBobSetting overlayRotorBob(RotorBobSetting s, std::optional<double> firstRbfactor);

} // namespace viscora
