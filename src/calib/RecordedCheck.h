#pragma once
// A calibration check kept as a record: the certified fluid it started from (its viscosity at
// the sample's temperature read from the certificate), the tolerance, who ran it on which
// instrument, and per reference stress the expected and measured stress and the verdict.

#include "calib/CalibrationCheck.h"
#include "core/CalibrationMath.h"
#include "core/Failure.h"
#include "store/CalibrationRecords.h"

#include <optional>
#include <string>

namespace viscora {

class Prompter;

// The viscosity a fluid gives at a temperature, as the check sends it.
struct FluidViscosity {
    double cP = 0;
    std::string text; // as it goes into the viscosity box
    std::string warning;
    bool expired = false;
};

// The certificate read at the temperature. A fluid without certificate values, an expiry that
// is no date, or a viscosity outside what the check takes is a failure.
Result<FluidViscosity> fluidViscosity(const CalibrationFluid &fluid, double temperatureF,
                                      calibration::Date today);

// Tells of an extrapolated value, and asks before an expired fluid is used (refused unless
// the operator says yes, or said so already). True when the check may go on.
bool acceptFluid(Prompter &prompter, const CalibrationFluid &fluid, const FluidViscosity &v,
                 bool expiredConfirmed = false);

// What the record says besides the readings.
struct CheckSetup {
    std::optional<CalibrationFluid> fluid; // none: the viscosity was typed
    std::optional<double> temperatureF;
    calibration::Tolerance tolerance;
    QString operatorName;
    std::optional<int> instrumentId;
    QString started; // UTC, ISO 8601
};

// The check as it stands: finished, or stopped before its end. The rows the check reached
// are judged against the tolerance; one without a reading fails.
CalibrationRecord recordOf(const CalibrationCheck &check, const CheckSetup &setup);

// The user's name as the system knows it (the full name when there is one).
QString defaultOperator();

} // namespace viscora
