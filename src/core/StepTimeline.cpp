#include "core/StepTimeline.h"

#include "core/VbFormat.h"

namespace viscora {

long long StepTimeline::offsetOf(double step, double time)
{
    if (step != lastStep_) {
        offset_ += lastTime_;
        lastStep_ = step;
    }
    lastTime_ = roundHalfEven(time);
    return offset_;
}

} // namespace viscora
