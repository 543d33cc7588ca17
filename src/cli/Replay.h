#pragma once
// A stored test as the records the instrument sent, for the simulator to serve again.

#include "sim/SimInstrument.h"
#include "store/TestRepository.h"

#include <vector>

namespace viscora {

// Each point as a record (speeds in 1/100 rpm, values as the instrument's whole numbers), due
// at its second of the test's running time, as the time charts count it.
std::vector<sim::ReplayRecord> replayRecords(const std::vector<StoredPoint> &points);

} // namespace viscora
