#include "setup/StepDialogLogic.h"

#include "core/NumberText.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <cmath>

namespace viscora {

namespace {
constexpr const char *kSpeedMessage = "Invalid speed inpute.";
constexpr const char *kSpeedTitle = "Speed input out range";
constexpr const char *kShearMessage = "Invalid shear rate inpute.";
constexpr const char *kShearLeaveTitle = "Shear rate input out of range. Please try again.";
// No step lasts longer: a slower rate would store nothing in it.
constexpr double kMostRecordRate = 6300;

// A field that is not a number in full is as wrong as one out of range: never a leading
// number ("6OO" as 6) nor 0 for text.
double fieldNumber(const std::string &text) { return parseNumber(text).value_or(NAN); }
bool outside(double v, double lo, double hi) { return !(v >= lo && v <= hi); }
} // namespace

Conversion speedLostFocus(const std::string &speedText, float rbShearFactor)
{
    const double v = fieldNumber(speedText);
    if (outside(v, -0.0099, 600.01))
        return {std::nullopt, StepFieldError{StepField::Speed, kSpeedMessage, kSpeedTitle}};
    return {formatMask(formula::shearRateSetup(v, rbShearFactor), "###.00"), std::nullopt};
}

Conversion shearRateLostFocus(const std::string &shearText, float rbShearFactor)
{
    const double s = fieldNumber(shearText);
    const StepFieldError error{StepField::ShearRate, kShearMessage, kShearLeaveTitle};
    if (outside(s, -0.01, 90000))
        return {std::nullopt, error};
    const std::string speed =
        formatMask(formula::speedFromShearRateSetup(s, rbShearFactor), "####.00");
    const double v = Val(speed);
    if (v < -0.0099 || v > 600.01)
        return {speed, error};
    return {speed, std::nullopt};
}

AcceptedStep acceptStepFields(const StepFields &f, StepDialogKind kind, Units units)
{
    const auto refused = [](StepFieldError e) { return AcceptedStep{std::move(e), {}}; };
    const double t = fieldNumber(f.time);
    if (outside(t, 0, 6300))
        return refused({StepField::Time, "Invalid time inpute.", "Time input out range"});
    const double temp = fieldNumber(f.temperature);
    const double tempMax = kind == StepDialogKind::Edit ? 220 : 200;
    const bool si = units == Units::SI;
    const bool tempBad = si ? outside(temp, -6, 90) : outside(temp, 20, tempMax);
    if (tempBad)
        return refused(
            {StepField::Temperature, "Invalid temperature inpute.", "Temperature input out range"});
    const double v = fieldNumber(f.speed);
    if (outside(v, -0.00099, 600.01))
        return refused({StepField::Speed, kSpeedMessage, kSpeedTitle});
    const double s = fieldNumber(f.shearRate);
    if (outside(s, -0.01, 9000))
        return refused({StepField::ShearRate, kShearMessage, "Shear rate input out range"});
    if (outside(fieldNumber(f.recordRate), 1, kMostRecordRate))
        return refused({StepField::RecordRate, "Invalid real time data recording rate inpute.",
                        "Shear rate input out range"});
    return {std::nullopt, {f.time, fahrenheitText(f.temperature, units), f.speed, f.recordRate}};
}

std::string fahrenheitText(const std::string &shown, Units units)
{
    if (units == Units::EI)
        return shown;
    return formatMask(formula::celsiusToFahrenheit(parseNumber(shown).value_or(Val(shown))),
                      "###.#");
}

SequenceStep handedBackStep(const StepHandBack &b, int stepNo)
{
    return {stepNo, Val(b.time), Val(b.temperatureF), Val(b.speed),
            static_cast<int>(roundHalfEven(Val(b.recordRate)))};
}

} // namespace viscora
