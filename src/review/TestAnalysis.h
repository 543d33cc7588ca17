#pragma once
// The rheology analysis of a saved test, from its stored points.

#include "rheology/Rheology.h"
#include "store/TestRepository.h"

namespace viscora {

// The test's points read with its own rotor-bob, chosen from its first point as opening the
// test chooses it from `rb`, the setting in force (an overlay since then does not change it),
// in the given units.
DbRead<rheology::Analysis> analyseTest(const TestRepository &repo, const QString &name,
                                       const RotorBobSetting &rb, Units units);

// The same from points already read, `firstRbfactor` the first point's code.
rheology::Analysis analysePoints(std::vector<rheology::Point> points, const RotorBobSetting &rb,
                                 std::optional<double> firstRbfactor, Units units);

} // namespace viscora
