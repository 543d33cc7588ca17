#pragma once
// Marks at a time on a time chart, with a label: where each step begins (its number and
// speed), or a note the operator wrote at that moment.

#include <string>
#include <vector>

namespace viscora {

enum class TimeMarkKind { StepBoundary, Note };

struct TimeMark {
    double time = 0; // on the chart's time axis, in seconds
    std::string label;
    TimeMarkKind kind = TimeMarkKind::StepBoundary;
    bool operator==(const TimeMark &) const = default;
};

// "Step 3 · 300 rpm"
std::string stepMarkLabel(int step, double rpm);

// One mark where each step begins, from rows in recorded order (step number, speed in rpm and
// the row's running time each); a step number repeated later begins again.
std::vector<TimeMark> stepBoundaryMarks(const std::vector<int> &steps,
                                        const std::vector<double> &rpms,
                                        const std::vector<double> &times);

} // namespace viscora
