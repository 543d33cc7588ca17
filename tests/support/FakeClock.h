#pragma once
// A clock that moves only when asked to: each idle() of a blocking wait advances it a step.

#include "core/Clock.h"

namespace viscora::test {

class FakeClock : public Clock {
public:
    explicit FakeClock(double start = 36000.0, double stepSeconds = 0.01)
        : now(start), step(stepSeconds)
    {}
    double secondsSinceMidnight() override { return now; }
    void idle() override
    {
        now += step;
        if (now >= 86400.0)
            now -= 86400.0;
        ++idles;
    }
    double now;
    double step;
    long idles = 0;
};

} // namespace viscora::test
