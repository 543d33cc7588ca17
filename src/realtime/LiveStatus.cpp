#include "realtime/LiveStatus.h"

#include "core/Units.h"
#include "core/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace viscora {

StepProgress stepProgress(const std::vector<SequenceStep> &steps, int step, double timeInStep)
{
    const auto at = std::find_if(steps.begin(), steps.end(),
                                 [step](const SequenceStep &s) { return s.stepNo == step; });
    if (at == steps.end())
        return {};
    auto i = static_cast<std::size_t>(at - steps.begin());
    double t = std::max(0.0, timeInStep);
    while (t > steps[i].time && i + 1 < steps.size()) {
        t -= steps[i].time;
        ++i;
    }
    StepProgress p{steps[i].stepNo, static_cast<int>(i), std::max(0.0, steps[i].time - t), 0};
    p.testLeft = p.stepLeft;
    for (std::size_t j = i + 1; j < steps.size(); ++j)
        p.testLeft += steps[j].time;
    return p;
}

std::string durationText(double seconds)
{
    const long long s = std::llround(std::max(0.0, seconds));
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}

ShownReadings shownReadings(double stress, double viscosity, double temperature, double speed,
                            bool si)
{
    ShownReadings r;
    r.stress = formatMask(si ? stress : stress * formula::kStressToEI, "0.0");
    r.viscosity = formatMask(viscosity, "0.0");
    r.temperature = formatMask(si ? formula::fahrenheitToCelsius(temperature) : temperature, "0.0");
    r.speed = formatMask(speed, "0.00");
    r.stressUnit = si ? "dyn/cm2" : "lb/100ft2";
    r.temperatureUnit = si ? "°C" : "°F";
    return r;
}

} // namespace viscora
