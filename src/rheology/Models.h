#pragma once
// The rheological models, as a table: a model is its key, its parameters and two functions
// (fit, stress). Adding a model is adding an entry; everything else (left-out rules, R2,
// RMS, AICc, units, JSON) works from the table.
//
// Fits are least squares in stress space, on stored units (dyn/cm2 against 1/s): minimise
// sum (tau_i - model(gamma_i))^2. Fitting straight lines through logarithms would weigh
// the low-shear readings, where the instrument's 5 dyn/cm2 resolution is a large share of
// the reading, as much as the high-shear ones, and cannot take a zero reading at all.
// - Newtonian and Bingham are linear: closed form.
// - Power law and Herschel-Bulkley are linear in (tau_y, K) once n is fixed, so n is the
//   only searched variable: scanned over [0.01, 3] in steps of 0.01, then refined by golden
//   section around the best step; for each n, (tau_y, K) is the least-squares answer within
//   tau_y in [0, lowest measured stress] and K >= 0 (a convex problem on a box: the
//   unconstrained answer when it lies inside, else the best of the clamped edges). The power
//   law is the same search with tau_y held at 0. A naive fit returns a negative yield stress
//   for many muds; here tau_y = 0 is reported instead.
// - Casson, tau = (sqrt(tau0) + sqrt(mu_inf gamma))^2 = B (t + sqrt(gamma))^2 with t >= 0, is
//   linear in B once t is fixed: t is searched the same way (scan, then golden section).

#include "core/Units.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace viscora::rheology {

// What a parameter measures, which decides its unit.
enum class Quantity {
    Stress,      // lb/100ft2 (EI), dyn/cm2 (SI)
    Viscosity,   // cP
    Consistency, // lb.s^n/100ft2 (EI), dyn.s^n/cm2 (SI)
    Index,       // dimensionless
};

struct Parameter {
    const char *key; // JSON key: "tau0", "mu_p", ...
    Quantity quantity;
    const char *symbol; // as shown: "τ0", "μp", ...
};

// Readings of one flow curve above 0 rpm: shear rate (1/s) and stress (dyn/cm2).
struct Samples {
    std::vector<double> rate;
    std::vector<double> stress;
};

// Parameters in stored units: stresses dyn/cm2, viscosities poise (dyn.s/cm2), K dyn.s^n/cm2.
using Params = std::vector<double>;

struct Model {
    const char *key;  // "newtonian", "bingham", "power_law", "herschel_bulkley", "casson"
    const char *name; // "Herschel-Bulkley"
    std::span<const Parameter> parameters;
    std::optional<Params> (*fit)(const Samples &);
    double (*stress)(const Params &, double rate); // dyn/cm2
};

// In the order the models are shown; a tie that nothing else breaks goes to the earlier one.
std::span<const Model> modelTable();
const Model *modelByKey(const std::string &key);

// A stored-unit value of a quantity in the unit system shown.
double toDisplay(Quantity q, double stored, Units units);
// "lb/100ft2", "cP", "dyn.s^n/cm2", "" ...
const char *unitText(Quantity q, Units units);

} // namespace viscora::rheology
