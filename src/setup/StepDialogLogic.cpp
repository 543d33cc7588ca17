#include "setup/StepDialogLogic.h"

#include "core/Module1.h"
#include "core/Units.h"
#include "core/VbFormat.h"

namespace viscora {

namespace {
constexpr const char *kSpeedMessage = "Invalid speed inpute.";
constexpr const char *kSpeedTitle = "Speed input out range";
constexpr const char *kShearMessage = "Invalid shear rate inpute.";
constexpr const char *kShearLeaveTitle = "Shear rate input out of range. Please try again.";
} // namespace

Conversion speedLostFocus(const std::string &speedText, float rbShearFactor)
{
    const double v = Val(speedText);
    if (v < -0.0099 || v > 600.01)
        return {std::nullopt, StepFieldError{StepField::Speed, kSpeedMessage, kSpeedTitle}};
    return {formatMask(formula::shearRateSetup(v, rbShearFactor), "###.00"), std::nullopt};
}

Conversion shearRateLostFocus(const std::string &shearText, float rbShearFactor)
{
    const double s = Val(shearText);
    const StepFieldError error{StepField::ShearRate, kShearMessage, kShearLeaveTitle};
    if (s < -0.01 || s > 90000)
        return {std::nullopt, error};
    const std::string speed =
        formatMask(formula::speedFromShearRateSetup(s, rbShearFactor), "####.00");
    const double v = Val(speed);
    if (v < -0.0099 || v > 600.01)
        return {speed, error};
    return {speed, std::nullopt};
}

std::optional<StepFieldError> acceptStepFields(const StepFields &f, StepDialogKind kind, Module1 &m)
{
    const double t = Val(f.time);
    if (t < 0 || t > 6300)
        return StepFieldError{StepField::Time, "Invalid time inpute.", "Time input out range"};
    const double temp = Val(f.temperature);
    const double tempMax = kind == StepDialogKind::Edit ? 220 : 200;
    const bool tempBad = m.isSI() ? (temp < -6 || temp > 90) : (temp < 20 || temp > tempMax);
    if (tempBad)
        return StepFieldError{StepField::Temperature, "Invalid temperature inpute.",
                              "Temperature input out range"};
    const double v = Val(f.speed);
    if (v < -0.00099 || v > 600.01)
        return StepFieldError{StepField::Speed, kSpeedMessage, kSpeedTitle};
    const double s = Val(f.shearRate);
    if (s < -0.01 || s > 9000)
        return StepFieldError{StepField::ShearRate, kShearMessage, "Shear rate input out range"};
    if (Val(f.recordRate) < 1)
        return StepFieldError{StepField::RecordRate,
                              "Invalid real time data recording rate inpute.",
                              "Shear rate input out range"};
    m.StepTimeText = f.time;
    m.StepTempText =
        m.isSI() ? formatMask(formula::celsiusToFahrenheit(temp), "###.#") : f.temperature;
    m.StepSpeedText = f.speed;
    m.StepRecordRateText = f.recordRate;
    m.StepDialogCancelled = false;
    return std::nullopt;
}

} // namespace viscora
