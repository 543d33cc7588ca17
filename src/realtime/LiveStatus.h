#pragma once
// What the real-time window's status panel shows of a running test: the step it is in, the
// time left in that step and in the test, and the last readings in the units chosen.

#include "store/SequenceRepository.h"

#include <string>
#include <vector>

namespace viscora {

struct StepProgress {
    int step = 0;  // the sequence's step number; 0 when unknown
    int index = 0; // its row in the sequence (0-based)
    double stepLeft = 0, testLeft = 0;
};

// Where a run stands that the instrument last reported at `timeInStep` seconds into step
// `step`: a time past the step's length runs on into the next steps.
StepProgress stepProgress(const std::vector<SequenceStep> &steps, int step, double timeInStep);

// "m:ss", or "h:mm:ss" from an hour on.
std::string durationText(double seconds);

// A live reading (stress dyn/cm2, viscosity cP, temperature degF, speed rpm) as shown: stress
// in lb/100ft2 and temperature in degF in EI, dyn/cm2 and degC in SI.
struct ShownReadings {
    std::string stress, viscosity, temperature, speed;
    std::string stressUnit, temperatureUnit;
};
ShownReadings shownReadings(double stress, double viscosity, double temperature, double speed,
                            bool si);

} // namespace viscora
