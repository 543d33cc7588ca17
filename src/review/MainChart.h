#pragma once
// The main window's chart routines: the empty default layout and the ten chart types,
// for the opened test and for overlays.

#include "core/ChartModel.h"
#include "store/TestRepository.h"

#include <string>
#include <vector>

namespace viscora {

struct Module1;
class Prompter;

struct MainChartState {
    int SubsetCount = 1;
    int PointCount = ChartModel::kNoTestPointCount;
    int ChartType = 0;
};

void Initial_Chart_Stress_Rate(ChartModel &chart, MainChartState &state, const Module1 &m);

// Draws chart type `type` from the opened test's rows, or, when the chart already holds a
// test, adds `overlay` (the overlaid test's rows; nullptr when none is chosen) as series
// SubsetCount - 1.
// `breaks`: rows of the opened test after which nothing was recorded for a while; the
// time charts do not draw the line across them. `notes`: the opened test's notes, which the
// time charts show.
void drawChartType(ChartModel &chart, MainChartState &state, int type, const Module1 &m,
                   const std::vector<QueryRow> &opened, const std::vector<QueryRow> *overlay,
                   Prompter &prompter, const std::vector<std::size_t> &breaks = {},
                   const std::vector<TimeMark> &notes = {});

// The notes as marks of a time chart, at their running time.
std::vector<TimeMark> noteMarks(const std::vector<TestEvent> &notes);

// The row that comes first after each gap: for each time (in the test's running time), the
// first row at or after it, or kNoRow when there is none (or it is the first row).
constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
std::vector<std::size_t> rowsAfterGaps(const std::vector<QueryRow> &rows,
                                       const std::vector<double> &gapTimes);
// The row each note belongs to: the first at or after its time, else the last (kNoRow when
// there are no rows).
std::vector<std::size_t> rowsOfNotes(const std::vector<QueryRow> &rows,
                                     const std::vector<double> &noteTimes);

// A mark where each step of the rows begins, at its running time: "Step 2 · 300 rpm".
std::vector<TimeMark> stepBoundaryMarks(const std::vector<QueryRow> &rows);

// X values of the running-time treatment: the time since the test began, rebuilt from the
// per-step times.
std::vector<double> runningTime(const std::vector<QueryRow> &rows);

extern const char *const kOverlayLongerMessage;

} // namespace viscora
