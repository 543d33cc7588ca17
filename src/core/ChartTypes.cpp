#include "core/ChartTypes.h"

#include "core/TestQuery.h"
#include "core/Units.h"

namespace viscora {

namespace {
const std::array<ChartType, kChartTypeCount> kTypes{{
    {"Shr. Stress Vs. Shr. Rate", col::ShearRate, col::ShearStress, "Shear Stress Vs. Shear Rate",
     XTreatment::Sorted, "Shear Rate (1/S)", nullptr, 's'},
    {"Viscocity Vs. Shear Rate", col::ShearRate, col::Viscosity, "Viscosity Vs. Shear Rate",
     XTreatment::Sorted, "Shear Rate (1/S)", "Viscosity (Cp)", 0},
    {"Shr. Stress Vs. Speed", col::Speed, col::ShearStress, "Shear Stress vs. Speed",
     XTreatment::Sorted, "Speed (Rpm)", nullptr, 's'},
    {"Viscocity Vs. Speed", col::Speed, col::Viscosity, "Viscosity Vs. Speed", XTreatment::Sorted,
     "Speed(Rpm)", "Viscosity (Cp)", 0},
    {"Viscocity Vs. Temperature", col::Temperature, col::Viscosity, "Viscosity Vs. Temperature",
     XTreatment::Sorted, nullptr, "Viscosity (Cp)", 0},
    {"Shr. Stress Vs. Temperature", col::Temperature, col::ShearStress,
     "Shear Stress vs. Temperature", XTreatment::Sorted, nullptr, nullptr, 's'},
    {"Shr. Stress Vs. Time", col::Time, col::ShearStress, "Shear Stress vs. Time",
     XTreatment::RunningTime, "Time (S)", nullptr, 's'},
    {"Viscocity Vs. Time", col::Time, col::Viscosity, "Viscosity Vs. Time", XTreatment::RunningTime,
     "Time (S)", "Viscosity (Cp)", 0},
    {"Temperature Vs. Time", col::Time, col::Temperature, "Temperature vs. Time",
     XTreatment::RunningTime, "Time (S)", nullptr, 't'},
    {"Fann_Deg Vs. Speed", col::Speed, col::Dial, "fann35 Dial vs. Speed", XTreatment::Sorted,
     "Speed (Rpm)", "fann35 Dial (Deg)", 0},
}};
} // namespace

const ChartType &chartType(int index)
{
    if (index < 0 || index >= kChartTypeCount)
        index = 0;
    return kTypes[static_cast<size_t>(index)];
}

bool showsRestPoints(int xColumn, int yColumn, bool xLog, bool yLog)
{
    const auto swampedByRests = [](int column, bool log) {
        return column == col::Viscosity ||
               (log && (column == col::ShearRate || column == col::Speed));
    };
    return !swampedByRests(xColumn, xLog) && !swampedByRests(yColumn, yLog);
}

std::string stressAxisLabel(bool si)
{
    return si ? "Shear Stress (dyn/cm2)" : "Shear Stress (lb/100ft2)";
}

double flowCurveViscosityFactor(bool si)
{
    // dyn/cm2 over 1/s is poise: 100 cP.
    return si ? 100.0 : 100.0 / formula::kStressToEI;
}

std::string temperatureAxisLabel(bool si) { return si ? "Temperature (°C)" : "Temperature (°F)"; }

std::string ChartType::xLabel(bool si) const
{
    return xLabelText ? xLabelText : temperatureAxisLabel(si);
}

std::string ChartType::yLabel(bool si) const
{
    if (yKind == 's')
        return stressAxisLabel(si);
    if (yKind == 't')
        return temperatureAxisLabel(si);
    return yLabelText;
}

} // namespace viscora
