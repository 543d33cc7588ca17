#pragma once
// Rheology analysis of one saved test, by the method of the drilling-fluid and cement
// standards (API RP 13B-1 / 13D for muds, API RP 10B-2 for cement): readings per step, flow
// curves, the field values, gels and model fits, from the stored points alone. Pure
// numerics: points in, one result out; no database, no Qt. Nothing that is not a finite
// number leaves it: a value that cannot be computed is absent and says why, and every
// substitution or doubt is said as a warning.
//
// - A step's reading is the mean of its points within its last 30 s (times greater than
//   the last point's time - 30, so a point a second gives exactly 30), at least its last
//   point. It is unstable when that window still drifts: the means of its first and last
//   thirds differ by more than 2 % of the window's mean or half a dial degree, whichever is
//   larger. Unstable readings are used, and warned.
// - Steps below 0.01 rpm are rests. A low-speed step (at most the 6 rpm shear rate) right
//   after a rest is a gel measurement: its peak (of stress and of the instrument's gel
//   column) is the gel, labelled by the rest before it. Neither is a flow-curve reading.
// - The other steps form ramps: a run of speeds in one direction, optionally turning back
//   once (an up-and-down ramp). A jump back to where the ramp began starts a new ramp, and
//   so does a repeated speed at another temperature. One ramp is one flow curve, at the
//   temperature its last reading reached; rests and gels belong to the ramp before them.
// - In an up-and-down ramp each speed's reading is the mean of its up and down readings.
//   A speed read twice in a row counts once, by its later reading (a stir, then a reading).
//   Without a 600 rpm reading, such a ramp's PV is 1.5 (theta300 - theta100), as cement
//   practice (which stops at 300 rpm) computes it.
// - Readings at the instrument's full scale are left out of everything, and warned.
// - Field values use the readings whose shear rate lies within 1 % of the R1-B1 standard's
//   (1022, 511, 340, 170, 10.2 and 5.1 1/s), whatever the rotor-bob, read as R1-B1/F1 dial
//   degrees (stress / 5.11). In EI a field stress in lb/100ft2 is the dial reading, as the
//   standards compute it by hand; in SI it is that times 4.788, gels the true stress.
// - Models (see rheology/Models.h) are fitted to the used readings, in true stress.
// - Recommended model: by AICc = N ln(SSE/N) + 2k + 2k(k+1)/(N-k-1), k the model's
//   parameters plus one for the variance; only models with N >= k + 2 have one, and a
//   recommendation needs two such models. SSE is floored at N (1e-6 x the largest stress)^2,
//   so exact fits tie instead of reaching ln 0. Among the models within 2 of the lowest AICc
//   (equally supported), the one with the fewest parameters wins; then the lower AICc; then
//   the earlier in the table. A fit with a parameter no fluid has (a negative viscosity or
//   yield stress, n <= 0) takes no part; none is recommended when the best R2 is below 0.9
//   or any used stress is negative.

#include "core/Units.h"
#include "rheology/Models.h"

#include <optional>
#include <string>
#include <vector>

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
// The factors of a rotor-bob setting (a custom one reads its dial with 1.0).
Geometry geometryOf(const RotorBobSetting &rb);

struct Value {
    std::optional<double> value;
    std::string reason; // why there is no value, or how the value was had
};

enum class StepKind {
    Flow, // a reading of the flow curve
    Rest, // below 0.01 rpm
    Gel,  // the first low-speed step after a rest
};

// Display units throughout: stress lb/100ft2 (EI) or dyn/cm2 (SI), temperature degF or degC.
struct Reading {
    int step = 0;
    StepKind kind = StepKind::Flow;
    double rpm = 0;       // 0 for a rest
    double shearRate = 0; // 1/s; 0 for a rest
    double stress = 0;
    double dial = 0; // Fann35 degrees, as the main window reads them
    double temperature = 0;
    int points = 0;     // points averaged
    bool stable = true; // its last 30 s no longer drift
    bool used = false;  // part of the field values and the model fits
    std::string why;    // why it is not used
    bool fullScale = false;
    // An up-and-down ramp's speed: the mean of both, each one kept (display stress).
    std::optional<double> up, down;
    int downStep = 0;
    double storedStress = 0;      // dyn/cm2 (the mean of up and down when averaged)
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

// A dial reading at a standard speed, as the field values use it (R1-B1/F1 degrees).
struct Theta {
    double rpm = 0;       // the R1-B1 speed: 600 ... 3
    double shearRate = 0; // its standard shear rate
    Value dial;           // reason: why there is none, or which reading was used
};

struct Gel {
    int step = 0;
    double gel = 0;    // lb/100ft2 as dial degrees (EI), dyn/cm2 (SI)
    double rest = 0;   // s at rest before it
    std::string label; // "10-s gel", "10-min gel", "30-min gel", "gel after 45 s"
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
    std::string unphysical; // why it cannot describe a fluid; empty when it can
};

struct FlowCurve {
    double temperature = 0;         // reached by its last flow reading, display unit
    double storedTemperature = 0;   // the same in degF
    double lowest = 0, highest = 0; // degF: the range of its flow readings' temperatures
    std::vector<Reading> readings;  // every step of the ramp, its rests and gels
    std::vector<Theta> thetas;      // 600, 300, 200, 100, 6, 3 rpm
    bool upAndDown = false;         // its speeds were read up and down again
    FieldValues field;
    std::vector<Gel> gels;
    std::vector<ModelFit> models; // one per model of the table, in its order
    const Model *recommended = nullptr;
    std::string recommendedReason;     // why there is none
    std::vector<std::string> warnings; // but the temperature's: see warningsOf
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

// Every warning of a curve: its temperature spread first (in degF when `storedTemperature`,
// else in the unit system's degrees), then the rest.
std::vector<std::string> warningsOf(const FlowCurve &c, Units units,
                                    bool storedTemperature = false);

// A fitted model's stress at a shear rate, in the analysis' display unit.
std::optional<double> modelStress(const ModelFit &fit, double shearRate, Units units);

// The standard speeds of the field values, fastest first.
constexpr double kStandardRpm[] = {600, 300, 200, 100, 6, 3};

} // namespace viscora::rheology
