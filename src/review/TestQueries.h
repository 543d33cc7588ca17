#pragma once
// The two query routines of the main window: the opened test (which also picks the
// rotor-bob factors from its first point) and the overlaid test.

#include "core/Units.h"
#include "store/TestRepository.h"

namespace viscora {

// A test's rows as shown, and the rotor-bob they were read with: the window keeps it.
struct QueriedTest {
    std::vector<QueryRow> rows;
    RotorBobSetting rotorBob;
};

// current: the rotor-bob in force before the test was read.
DbRead<QueriedTest> dosql(const TestRepository &repo, const QString &name, Units units,
                          RotorBobSetting current);
DbRead<QueriedTest> dosqloverlap(const TestRepository &repo, const QString &name, Units units,
                                 RotorBobSetting current);

} // namespace viscora
