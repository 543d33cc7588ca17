#pragma once
// Rheology analysis of one saved test: readings per step, flow curves, the field values of
// drilling-fluid practice, gels and model fits, from the stored points alone. Pure
// numerics: points in, one result out; no database, no Qt. Nothing that is not a finite
// number leaves it: a value that cannot be computed is absent and says why.
//
// - A step's reading is the mean of its points within its last 30 s (times greater than
//   the last point's time - 30, so a point a second gives exactly 30), at least its last
//   point. Speed and temperature are averaged over the same points.
// - Consecutive steps form one flow curve while all their reading temperatures lie within
//   2 degF of each other (a spread, so a slow ramp cannot chain into one curve).
// - Field values use the readings at 600, 300, 100, 6 and 3 rpm (within 1 rpm); when
//   a curve holds two readings at one of those speeds, the later one counts (a ramp down
//   after a ramp up, or a reading after stirring at the same speed).
// - Models (see rheology/Models.h) are fitted to the readings above 0 rpm. A model with p
//   parameters is left out below p + 1 such readings or below p different speeds.
// - Recommended model: by AICc = N ln(SSE/N) + 2p + 2p(p+1)/(N-p-1), p the model's own
//   parameters; only models with N >= p + 2 have one, and a recommendation needs two such
//   models. SSE is floored at N (1e-6 x the largest stress)^2, so exact fits tie instead of
//   reaching ln 0. Among the models within 2 of the lowest AICc (equally supported), the one
//   with the fewest parameters wins; then the lower AICc; then the earlier in the table.
//   So Herschel-Bulkley is recommended only when its third parameter earns its place: when
//   its fit has tau_y = 0 it is the power law, and with n = 1 Bingham, with the same SSE and
//   a larger penalty, and the simpler model is recommended.

#include "core/Units.h"
#include "rheology/Models.h"

#include <optional>
#include <string>
#include <vector>

namespace viscora {
struct Module1;
}

namespace viscora::rheology {

// One stored point, in stored units (as the TestResult table holds it).
struct Point {
    int step = 0;
    double time = 0;        // s in the step
    double temperature = 0; // degF
    double speed = 0;       // rpm
    double stress = 0;      // dyn/cm2
    double gel = 0;         // dyn/cm2
};

// The rotor-bob factors the test is read with, as the main window reads it.
struct Geometry {
    bool custom = false;
    float shearFactor = 1.0f; // RbShearFactor
    float fannFactor = 1.0f;  // RbFannFactor; a custom rotor-bob reads its dial with 1.0
    double customFactor = 0;  // CustomRbFactor: shear rate per rpm (1/s)
};
// The factors in force after the test was opened (CustomRb picks the variant).
Geometry geometryOf(const Module1 &m);

struct Value {
    std::optional<double> value;
    std::string reason; // why there is no value
};

// Display units throughout: stress lb/100ft2 (EI) or dyn/cm2 (SI), temperature degF or degC.
struct Reading {
    int step = 0;
    double rpm = 0;
    double shearRate = 0; // 1/s
    double stress = 0;
    double dial = 0; // Fann35 degrees
    double temperature = 0;
    int points = 0;               // points averaged
    bool fitted = false;          // above 0 rpm, so part of the model fits
    double storedStress = 0;      // dyn/cm2
    double storedTemperature = 0; // degF
};

// AV, PV (cP); YP, LSYP (lb/100ft2 EI, dyn/cm2 SI); n; K (eq. cP); na; Ka (dyn.s^n/cm2).
struct FieldValues {
    Value AV, PV, YP, LSYP, n, K, na, Ka;
};

struct Field {
    const char *key; // JSON key: "AV" ...
    Value FieldValues::*member;
    const char *unitEI;
    const char *unitSI;
    const char *name; // "Plastic viscosity"
};
const std::vector<Field> &fieldTable();

struct Gel {
    int step = 0;
    double gel = 0; // display stress unit
};

struct ModelFit {
    const Model *model = nullptr;
    bool fitted = false;
    std::string reason;         // why it was left out
    std::vector<double> values; // display units, in model->parameters order
    Params stored;              // stored units, for drawing the curve
    Value r2;
    double rms = 0; // display stress unit
    Value aicc;
};

struct FlowCurve {
    double temperature = 0; // mean of its readings, display unit
    std::vector<Reading> readings;
    FieldValues field;
    std::vector<Gel> gels;
    std::vector<ModelFit> models; // one per model of the table, in its order
    const Model *recommended = nullptr;
    std::string recommendedReason; // why there is none
};

struct Analysis {
    Units units = Units::EI;
    std::vector<FlowCurve> curves;
    std::string reason;    // why there are no curves
    int skippedPoints = 0; // points with a value that is not a usable number
};

Analysis analyse(std::vector<Point> points, const Geometry &geometry, Units units);

// The recommended model among fits (see the rule above), or none with the reason.
struct Recommendation {
    const Model *model = nullptr;
    std::string reason;
};
Recommendation recommend(const std::vector<ModelFit> &models);

// A fitted model's stress at a shear rate, in the analysis' display unit.
std::optional<double> modelStress(const ModelFit &fit, double shearRate, Units units);

} // namespace viscora::rheology
