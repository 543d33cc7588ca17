#include "core/ChartMarks.h"

#include <algorithm>
#include <cstdio>

namespace viscora {

std::string stepMarkLabel(int step, double rpm)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "Step %d · %g rpm", step, rpm);
    return buf;
}

std::vector<TimeMark> stepBoundaryMarks(const std::vector<int> &steps,
                                        const std::vector<double> &rpms,
                                        const std::vector<double> &times)
{
    std::vector<TimeMark> marks;
    const std::size_t n = std::min({steps.size(), rpms.size(), times.size()});
    for (std::size_t i = 0; i < n; ++i)
        if (i == 0 || steps[i] != steps[i - 1])
            marks.push_back(
                {times[i], stepMarkLabel(steps[i], rpms[i]), TimeMarkKind::StepBoundary});
    return marks;
}

} // namespace viscora
