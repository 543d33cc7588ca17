#pragma once
// The checks and conversions of the two step dialogs: leaving the speed or shear-rate
// field, and OK.

#include "core/Units.h"
#include "store/SequenceRepository.h"

#include <optional>
#include <string>

namespace viscora {

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

// What OK hands back to the setup window: the texts as typed, the temperature in degF.
struct StepHandBack {
    std::string time, temperatureF, speed, recordRate;
};

// OK: the first failing check, or none and the hand-back texts.
struct AcceptedStep {
    std::optional<StepFieldError> error;
    StepHandBack handBack;
};
AcceptedStep acceptStepFields(const StepFields &f, StepDialogKind kind, Units units);

// A temperature as typed or shown in the unit system, as the degF text a step keeps: SI's
// degC converted and rounded to a tenth.
std::string fahrenheitText(const std::string &shown, Units units);

// The step the hand-back texts store: their numbers, the record rate a whole number of
// seconds.
SequenceStep handedBackStep(const StepHandBack &b, int stepNo);

} // namespace viscora
