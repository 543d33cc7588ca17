#pragma once
// Points of made-up tests for the analysis: steps held long enough for a 30 s reading, at
// the six standard speeds or any others.

#include "rheology/Json.h"
#include "rheology/Rheology.h"
#include "support/JsonReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace viscora::test {

using rheology::Point;

constexpr double kStandardSpeeds[] = {600, 300, 200, 100, 6, 3};
constexpr double kRate = 1.7023; // R1-B1 shear rate per rpm

struct StepReading {
    double rpm;
    double stress; // dyn/cm2
    double fahrenheit = 120;
    double gel = 0;
    double seconds = 60; // how long the step lasts
};

// Each step: points every 10 s and one at its end, all alike.
inline std::vector<Point> pointsOf(const std::vector<StepReading> &steps)
{
    std::vector<Point> points;
    int step = 0;
    for (const StepReading &s : steps) {
        ++step;
        for (double t = 10; t < s.seconds; t += 10)
            points.push_back({step, t, s.fahrenheit, s.rpm, s.stress, s.gel});
        points.push_back({step, s.seconds, s.fahrenheit, s.rpm, s.stress, s.gel});
    }
    return points;
}

// A step read as dial degrees (R1-B1/F1: 5.11 dyn/cm2 each).
constexpr double kDyn = 5.11;
inline StepReading dial(double rpm, double degrees, double fahrenheit = 120)
{
    return {rpm, degrees * kDyn, fahrenheit};
}
// A rest of `seconds` and the 3 rpm gel step after it, peaking at `peak` degrees and
// flowing at half that.
inline std::vector<StepReading> restAndGel(double seconds, double peak)
{
    return {{0.000001, 0, 120, 0, seconds}, {3, peak / 2 * kDyn, 120, peak * kDyn, 30}};
}

// The six standard speeds with R1-B1, stress from a model of the shear rate (1/s).
inline std::vector<StepReading> sixSpeeds(const std::function<double(double)> &tau,
                                          double fahrenheit = 120, double rateFactor = kRate)
{
    std::vector<StepReading> steps;
    for (double rpm : kStandardSpeeds)
        steps.push_back({rpm, tau(rpm * rateFactor), fahrenheit});
    return steps;
}

inline void expectFinite(const rheology::Value &v)
{
    if (v.value)
        EXPECT_TRUE(std::isfinite(*v.value));
    else
        EXPECT_FALSE(v.reason.empty());
}

// Nothing but finite numbers, or absent values that say why, and JSON that parses.
inline void expectAllFinite(const rheology::Analysis &a)
{
    for (const auto &c : a.curves) {
        EXPECT_TRUE(std::isfinite(c.temperature));
        for (const auto &r : c.readings) {
            for (double v : {r.rpm, r.shearRate, r.stress, r.dial, r.temperature})
                EXPECT_TRUE(std::isfinite(v));
            EXPECT_EQ(r.used, r.why.empty()) << r.step;
        }
        for (const auto &f : rheology::fieldTable())
            expectFinite(c.field.*f.member);
        for (const auto &g : c.gels)
            EXPECT_TRUE(std::isfinite(g.gel));
        for (const auto &m : c.models) {
            EXPECT_EQ(m.fitted, m.reason.empty()) << m.model->key;
            for (double v : m.values)
                EXPECT_TRUE(std::isfinite(v));
            EXPECT_TRUE(std::isfinite(m.rms));
            expectFinite(m.r2);
            expectFinite(m.aicc);
        }
        EXPECT_EQ(c.recommended == nullptr, !c.recommendedReason.empty());
        for (const auto &t : c.thetas)
            expectFinite(t.dial);
    }
    // The reader is strict: a nan or inf would not parse.
    const std::string json = rheology::toJson(a, "T");
    EXPECT_TRUE(parseJson(json)) << json;
}

inline const rheology::ModelFit &modelOf(const rheology::FlowCurve &c, const std::string &key)
{
    for (const auto &m : c.models)
        if (key == m.model->key)
            return m;
    throw std::runtime_error("no model " + key);
}

// A fitted model's parameter by its key.
inline double param(const rheology::ModelFit &m, const std::string &key)
{
    for (std::size_t i = 0; i < m.values.size(); ++i)
        if (key == m.model->parameters[i].key)
            return m.values[i];
    throw std::runtime_error("no parameter " + key);
}

inline double field(const rheology::FlowCurve &c, rheology::Value rheology::FieldValues::*member)
{
    const auto &v = c.field.*member;
    EXPECT_TRUE(v.value) << v.reason;
    return v.value.value_or(0);
}

} // namespace viscora::test
