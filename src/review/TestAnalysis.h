#pragma once
// The rheology analysis of a saved test, from its stored points.

#include "rheology/Rheology.h"
#include "store/TestRepository.h"

namespace viscora {

struct Module1;

// The test's points read with its own rotor-bob, chosen from its first point as opening the
// test chooses it (an overlay since then does not change it), in the given units.
DbRead<rheology::Analysis> analyseTest(const TestRepository &repo, const QString &name,
                                       const Module1 &m, Units units);

} // namespace viscora
