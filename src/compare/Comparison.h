#pragma once
// Tests side by side: their rheology in one table (each test's first flow curve: θ600 … θ3, PV,
// YP, LSYP, n, K, the 10-s and 10-min gels and the recommended model), and their points
// overlaid on one chart, aligned by test time, by step or by temperature.

#include "core/ChartModel.h"
#include "rheology/Rheology.h"
#include "store/TestRepository.h"

#include <optional>
#include <string>
#include <vector>

namespace viscora {

struct ComparedTest {
    std::string name;
    rheology::Analysis analysis;
    std::vector<QueryRow> rows; // as the main window's grid shows them
};

// The tests read in the units given, each with its own rotor-bob as opening it chooses it.
DbRead<ComparedTest> readCompared(const TestRepository &repo, const std::string &name, Units units,
                                  const RotorBobSetting &rb);

struct ComparisonRow {
    std::string key;                           // JSON key: "theta600", "PV", "gel10s" ...
    std::string label;                         // "θ600 (°)", "PV (cP)" ...
    std::vector<std::optional<double>> values; // one per test
};

struct Comparison {
    Units units = Units::EI;
    std::vector<std::string> tests;
    std::vector<ComparisonRow> rows;
    std::vector<std::string> recommended; // per test: the model, or "none: why"
};

Comparison compareTests(const std::vector<ComparedTest> &tests, Units units);

// Header line, then a line per row, then the recommended models: tab-separated, numbers as the
// rheology tables show them, "-" where there is none.
std::string comparisonText(const Comparison &c);
// {"units", "tests": [{"test", "theta600", ..., "recommended"}]}, null where there is none.
std::string comparisonJson(const Comparison &c);

enum class Alignment { TestTime, Step, Temperature };
extern const char *const kAlignmentNames[3]; // "By test time", "By step", "By temperature"

// Chart type `type` (0 to 9) of every test, one series each with its legend and colour. On the
// time charts the X axis is each test's running time, or step by step (each step starting where
// the longest of the tests' same step started), or its temperature.
void drawComparison(ChartModel &chart, int type, Alignment align, bool si,
                    const std::vector<ComparedTest> &tests);

} // namespace viscora
