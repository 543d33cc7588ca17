#pragma once
// The checks and conversions of the two step dialogs: leaving the speed or shear-rate
// field, and OK.

#include <optional>
#include <string>

namespace viscora {

struct Module1;

enum class StepField { Time, Temperature, Speed, ShearRate, RecordRate };

struct StepFieldError {
    StepField field;
    std::string message, title;
};

struct StepFields {
    std::string time, temperature, speed, shearRate, recordRate;
};

enum class StepDialogKind { Edit, Insert };

// Leaving the speed field: the new shear-rate text, or the error.
struct Conversion {
    std::optional<std::string> text; // the other field's new text
    std::optional<StepFieldError> error;
};
Conversion speedLostFocus(const std::string &speedText, float rbShearFactor);
Conversion shearRateLostFocus(const std::string &shearText, float rbShearFactor);

// OK: the first failing check, or nothing (then the hand-back values are written to m).
std::optional<StepFieldError> acceptStepFields(const StepFields &f, StepDialogKind kind,
                                               Module1 &m);

} // namespace viscora
