#pragma once
// The queries of a saved test's points: the main window's ten columns by position (core's
// col), computed from the stored values in the unit system and rotor-bob variant in force, and
// the printed report's rows. The text has '?' placeholders: the formulas' constants and factors
// come first in order, the test name (or id) last; its $ROWID is the dialect's.

#include "core/TestQuery.h"
#include "core/Units.h"

#include <string>
#include <vector>

namespace viscora {

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

} // namespace viscora
