#include "calib/RecordedCheck.h"

#include "core/Prompter.h"

#include <QString>

#include <cmath>
#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace viscora {

Result<FluidViscosity> fluidViscosity(const CalibrationFluid &fluid, double temperatureF,
                                      calibration::Date today)
{
    const std::string name = fluid.name.toStdString();
    const auto read = calibration::viscosityAt(fluid.certificate, temperatureF);
    if (!read)
        return Failure{"The calibration fluid \"" + name +
                           "\" has no certificate values to read its viscosity from.",
                       "Calibration Fluid",
                       {}};
    const auto expiry = calibration::parseIsoDate(fluid.expiry.toStdString());
    if (!expiry)
        return Failure{"The calibration fluid \"" + name + "\" has no valid expiry date (" +
                           fluid.expiry.toStdString() + ").",
                       "Calibration Fluid",
                       {}};
    FluidViscosity v;
    v.cP = read->viscosityCp;
    char text[32];
    std::snprintf(text, sizeof text, "%.5g", v.cP);
    v.text = text;
    v.warning = read->warning;
    v.expired = today > *expiry;
    if (!CalibrationCheck::validViscosity(std::strtod(text, nullptr)))
        return Failure{"The calibration fluid \"" + name + "\" gives " + v.text +
                           " cP at this temperature; the check takes 0.9 to 5000 cP.",
                       "Calibration Fluid",
                       {}};
    return v;
}

bool acceptFluid(Prompter &prompter, const CalibrationFluid &fluid, const FluidViscosity &v,
                 bool expiredConfirmed)
{
    if (!v.warning.empty())
        prompter.message(v.warning, "Calibration Fluid", Buttons::Ok, Icon::Exclamation);
    if (!v.expired || expiredConfirmed)
        return true;
    return prompter.message("The calibration fluid \"" + fluid.name.toStdString() + "\" (lot " +
                                fluid.lot.toStdString() + ") expired on " +
                                fluid.expiry.toStdString() +
                                ". A check with it may not be accepted. Use it anyway?",
                            "Calibration Fluid Expired", Buttons::YesNoDefaultNo,
                            Icon::Exclamation) == Answer::Yes;
}

CalibrationRecord recordOf(const CalibrationCheck &check, const CheckSetup &setup)
{
    CalibrationRecord r;
    r.instrumentId = setup.instrumentId;
    r.operatorName = setup.operatorName;
    r.started = setup.started;
    if (setup.fluid) {
        r.fluidRecordId = setup.fluid->recordId;
        r.fluidName = setup.fluid->name;
        r.lot = setup.fluid->lot;
        r.expiry = setup.fluid->expiry;
    }
    r.temperatureF = setup.temperatureF;
    r.viscosityCp = check.viscosity();
    r.tolerance = setup.tolerance;
    bool pass = true;
    for (int i = 0; i < check.StepCount && i < 5; ++i) {
        CheckReading g;
        g.row = i;
        g.expected = calibration::kReferenceStresses[i];
        g.measured = check.rows[static_cast<size_t>(i)].measured;
        if (g.measured) {
            g.error = *g.measured - g.expected;
            g.percentError = g.error / g.expected * 100;
            g.pass = calibration::withinTolerance(setup.tolerance, g.expected, *g.measured);
        }
        pass = pass && g.pass;
        r.readings.push_back(g);
    }
    r.outcome = QLatin1String(!check.finished() ? CalibrationRecord::kStopped
                              : pass            ? CalibrationRecord::kPassed
                                                : CalibrationRecord::kFailed);
    return r;
}

QString defaultOperator()
{
    if (const passwd *pw = ::getpwuid(::getuid())) {
        const QString full = QString::fromLocal8Bit(pw->pw_gecos).section(QLatin1Char(','), 0, 0);
        if (!full.trimmed().isEmpty())
            return full.trimmed();
        return QString::fromLocal8Bit(pw->pw_name);
    }
    return qEnvironmentVariable("USER");
}

} // namespace viscora
