#pragma once
// The analysis as tables, the one form that the window, the workbook, the printed report and
// the CLI all show: the readings, field values, gels and models of each flow curve. Each cell
// carries the text it shows and, for a number, the full value behind it, so a workbook keeps
// numbers as numbers while every screen shows the same rounded text.

#include "rheology/Rheology.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace viscora::rheology {

// A number as shown: four significant digits but never fewer than its integer digits
// (1021.38 -> "1021", 0.71585 -> "0.7159"), no trailing zeros, exponent form only far from 1.
std::string displayNumber(double v);

struct Cell {
    std::string text;
    std::optional<double> number; // the full value behind text, when it is a number
};

struct Table {
    std::string title; // "Readings"
    std::string note;  // the convention its values follow, when it needs saying
    std::vector<std::string> header;
    std::vector<std::vector<Cell>> rows;
};

struct CurveTables {
    std::string title; // "Flow curve 1 of 2: 120 °F, steps 1-6"
    std::vector<std::string> warnings;
    // The standard mud-report block first: theta600 ... theta3, PV, YP, gels, temperature.
    Table report, readings, field, gels, models;
    std::string recommendation; // "Recommended model: Bingham"
    // Every table, in the order they are shown.
    std::vector<const Table *> tables() const
    {
        return {&report, &readings, &field, &gels, &models};
    }
};

const char *temperatureUnit(Units units); // "°F", "°C"

// `storedTemperature` titles the curve in degF whatever the units (the printed report's
// stored units).
std::string curveTitle(const FlowCurve &c, std::size_t index, std::size_t count, Units units,
                       bool storedTemperature = false);
CurveTables curveTables(const FlowCurve &c, std::size_t index, std::size_t count, Units units,
                        bool storedTemperature = false);

// "EI (lb/100ft2, °F)"
std::string unitsText(Units units);

// What concerns the whole analysis: why there are no curves, points left out.
std::vector<std::string> analysisNotes(const Analysis &a);

enum class TextLayout {
    Tabs,    // tab-separated, for the clipboard
    Columns, // aligned with blanks, for a terminal
};

// Everything as text: the test and its units, then each curve's title and tables.
std::string analysisText(const Analysis &a, const std::string &testName, TextLayout layout);

} // namespace viscora::rheology
