#pragma once
// The main window's query of a saved test's points: ten columns by position, computed
// from the stored values in the unit system and rotor-bob variant in force. The text has
// '?' placeholders: the formulas' constants and factors come first in order, the test name
// (or id) last.

#include "core/Units.h"

#include <string>
#include <vector>

namespace viscora {

namespace col {
enum : int {
    Step = 0,
    Time = 1,
    Temperature = 2,
    ShearRate = 3,
    Speed = 4,
    ShearStress = 5,
    Viscosity = 6,
    Gel = 7,
    Rbfactor = 8,
    Dial = 9,
    Count = 10
};
}

enum class QueryOrder { StepThenTime, Unordered };

struct TestQuery {
    std::string sql;
    std::vector<double> factors; // bound in order, before the test name
};

// The final query of the opened test (Unordered for the overlay).
TestQuery buildTestQuery(Units units, const RotorBobSetting &rb, bool custom, QueryOrder order);

// First Rbfactor of a test, in the order the points are read.
std::string firstRbfactorSql();

// The printed report's rows of one test (its TestId bound last), with the shear-rate factor
// of the test's rotor-bob.
TestQuery buildReportQuery(double shearFactor);

// The grid masks of the formatted columns, empty for the columns shown as stored.
const char *gridMask(int column);

} // namespace viscora
