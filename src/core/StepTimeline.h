#pragma once
// One running time for a test whose stored times start again with every step: each finished
// step adds the whole seconds of its last time. The time charts, the workbook's total time and
// a running test's events all count time this way.

namespace viscora {

class StepTimeline {
public:
    // The offset of a row (in stored order) from the test's start to its step's start.
    long long offsetOf(double step, double time);
    // The row's running time: its time plus its step's offset.
    double at(double step, double time) { return time + static_cast<double>(offsetOf(step, time)); }

private:
    double lastStep_ = 1;
    long long lastTime_ = 0, offset_ = 0;
};

} // namespace viscora
