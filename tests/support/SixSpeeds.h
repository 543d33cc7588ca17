#pragma once
// A test at the six standard speeds of drilling-fluid practice, as the store keeps it.

#include "store/TestRepository.h"

#include <functional>
#include <vector>

namespace viscora::test {

constexpr double kSixSpeeds[] = {600, 300, 200, 100, 6, 3};

// One step per speed at one temperature, a point every 10 s for 60 s, rotor-bob R1-B1.
// `stress` gives dyn/cm2 at a shear rate (1/s); `gel`, when given, the gel of a step's first
// point from its speed and stress.
inline std::vector<StoredPoint>
sixSpeedPoints(const std::function<double(double)> &stress, double fahrenheit = 120,
               const std::function<double(double, double)> &gel = {})
{
    std::vector<StoredPoint> points;
    int step = 0;
    for (double rpm : kSixSpeeds) {
        ++step;
        const double tau = stress(rpm * 1.7023);
        for (int t = 10; t <= 60; t += 10)
            points.push_back({step, static_cast<double>(t), fahrenheit, rpm, tau,
                              gel && t == 10 ? gel(rpm, tau) : 0, 1});
    }
    return points;
}

} // namespace viscora::test
