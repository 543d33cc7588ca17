#pragma once

namespace viscora {

// One step of a test sequence as stored and as sent: temperature in degF, speed in rpm, the
// record rate in whole seconds.
struct SequenceStep {
    int stepNo = 0;
    double time = 0, temperature = 0, speed = 0;
    int recordRate = 0;
};

} // namespace viscora
