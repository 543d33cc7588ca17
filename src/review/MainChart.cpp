#include "review/MainChart.h"

#include "core/ChartTypes.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/StepTimeline.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <algorithm>
#include <numeric>

namespace viscora {

const char *const kOverlayLongerMessage =
    "Last opened test has more data points than the first one.  Please open the one has most "
    "amount of sample point first, then overlay others.";

void Initial_Chart_Stress_Rate(ChartModel &chart, MainChartState &state, const Module1 &m)
{
    chart.reset();
    state.ChartType = 0;
    chart.setYScale(ScaleType::Normal);
    chart.setSubsetCount(1);
    state.SubsetCount = 1;
    chart.setPointCount(ChartModel::kNoTestPointCount);
    state.PointCount = ChartModel::kNoTestPointCount;
    for (int s = 0; s < 4; ++s)
        chart.setY(s, 0, 0);
    chart.setSubsetCount(1);
    chart.setSeriesLabel(0, "Shear Stress");
    chart.setSeriesLineType(0, 0);
    chart.setSeriesColor(0, 9);
    chart.setPlottingMethod(PlottingMethod::Linear);
    chart.setXAxisLabel("Shear Rate (1/S)");
    chart.setYAxisLabel(stressAxisLabel(m.UnitSystem != 1));
    chart.setMainTitle("Shear Stress Vs. Shear Rate");
    chart.setSubtitle("");
    chart.setXScale(ScaleType::Normal);
}

std::vector<double> runningTime(const std::vector<QueryRow> &rows)
{
    std::vector<double> xs;
    xs.reserve(rows.size());
    StepTimeline timeline;
    for (const auto &r : rows)
        xs.push_back(timeline.at(r[col::Step], r[col::Time]));
    return xs;
}

namespace {

// `gaps`: rows after which nothing was recorded for a while (time charts only).
void fillSeries(ChartModel &chart, int series, const ChartType &t,
                const std::vector<QueryRow> &rows, const std::vector<std::size_t> &gaps = {})
{
    std::vector<double> xs, ys;
    ys.reserve(rows.size());
    for (const auto &r : rows)
        ys.push_back(r[static_cast<size_t>(t.yColumn)]);
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<std::size_t> breaks;
    if (t.treatment == XTreatment::RunningTime) {
        xs = runningTime(rows);
        breaks = gaps;
    } else {
        xs.reserve(rows.size());
        for (const auto &r : rows)
            xs.push_back(r[static_cast<size_t>(t.xColumn)]);
        // Ascending X; a stable sort keeps equal X in recorded order.
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return xs[a] < xs[b]; });
        std::vector<double> sx(xs.size()), sy(ys.size());
        for (size_t i = 0; i < order.size(); ++i) {
            sx[i] = xs[order[i]];
            sy[i] = ys[order[i]];
        }
        xs.swap(sx);
        ys.swap(sy);
    }
    // A time chart that leaves the rest out does not join the points on either side of it.
    const bool breakAtRests = t.treatment == XTreatment::RunningTime &&
                              !showsRestPoints(t.xColumn, t.yColumn, false, false);
    std::vector<std::size_t> rests;
    for (size_t i = 0; i < order.size(); ++i) {
        if (!formula::isRestSpeed(rows[order[i]][col::Speed]))
            continue;
        rests.push_back(i);
        if (breakAtRests && i + 1 < order.size() &&
            !formula::isRestSpeed(rows[order[i + 1]][col::Speed]))
            breaks.push_back(i + 1);
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    // Where each point lies in the test, for the read-out.
    const std::vector<double> running =
        t.treatment == XTreatment::RunningTime ? xs : runningTime(rows);
    std::vector<PointPlace> places;
    places.reserve(order.size());
    for (size_t i : order)
        places.push_back({static_cast<int>(rows[i][col::Step]), rows[i][col::Time], running[i]});
    chart.setPlaces(series, std::move(places));
    chart.setPoints(series, std::move(xs), std::move(ys));
    chart.setBreaks(series, std::move(breaks));
    chart.setRests(series, std::move(rests));
}

} // namespace

std::vector<TimeMark> stepBoundaryMarks(const std::vector<QueryRow> &rows)
{
    std::vector<int> steps;
    std::vector<double> rpms;
    steps.reserve(rows.size());
    rpms.reserve(rows.size());
    for (const auto &r : rows) {
        steps.push_back(static_cast<int>(r[col::Step]));
        rpms.push_back(formula::isRestSpeed(r[col::Speed]) ? 0.0 : r[col::Speed]);
    }
    return viscora::stepBoundaryMarks(steps, rpms, runningTime(rows));
}

namespace {
// For each time, the first row at or after it (the row count when there is none).
std::vector<std::size_t> rowsAtOrAfter(const std::vector<QueryRow> &rows,
                                       const std::vector<double> &at)
{
    const std::vector<double> times = runningTime(rows);
    std::vector<std::size_t> out;
    for (double t : at)
        out.push_back(static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), t) -
                                               times.begin()));
    return out;
}
} // namespace

std::vector<std::size_t> rowsAfterGaps(const std::vector<QueryRow> &rows,
                                       const std::vector<double> &gapTimes)
{
    std::vector<std::size_t> out = rowsAtOrAfter(rows, gapTimes);
    for (std::size_t &i : out)
        if (i == 0 || i >= rows.size())
            i = kNoRow;
    return out;
}

std::vector<std::size_t> rowsOfNotes(const std::vector<QueryRow> &rows,
                                     const std::vector<double> &noteTimes)
{
    std::vector<std::size_t> out = rowsAtOrAfter(rows, noteTimes);
    for (std::size_t &i : out)
        i = rows.empty() ? kNoRow : std::min(i, rows.size() - 1);
    return out;
}

std::vector<TimeMark> noteMarks(const std::vector<TestEvent> &notes)
{
    std::vector<TimeMark> out;
    for (const TestEvent &n : notes)
        out.push_back({n.time, n.text.toStdString(), TimeMarkKind::Note});
    return out;
}

void drawChartType(ChartModel &chart, MainChartState &state, int type, const Module1 &m,
                   const std::vector<QueryRow> &opened, const std::vector<QueryRow> *overlay,
                   Prompter &prompter, const std::vector<std::size_t> &breaks,
                   const std::vector<TimeMark> &notes)
{
    const ChartType &t = chartType(type);
    chart.setNoteMarks(t.treatment == XTreatment::RunningTime ? notes : std::vector<TimeMark>());
    const bool si = m.UnitSystem != 1;
    chart.setXAxisLabel(t.xLabel(si));
    chart.setYAxisLabel(t.yLabel(si));
    chart.setMainTitle(t.title);
    chart.setAxisColumns(t.xColumn, t.yColumn);
    if (state.PointCount == ChartModel::kNoTestPointCount) {
        const int n = static_cast<int>(opened.size());
        chart.setPointCount(n);
        state.PointCount = n;
        state.SubsetCount = 1;
        chart.setSubsetCount(1);
        // Points in time order are the rows in their order; sorted charts have no gaps.
        fillSeries(chart, 0, t, opened, breaks);
        const bool time = t.treatment == XTreatment::RunningTime;
        chart.setTimeAxis(time);
        chart.setTimeMarks(time ? stepBoundaryMarks(opened) : std::vector<TimeMark>{});
        const bool flowCurve = t.xColumn == col::ShearRate && t.yColumn == col::ShearStress;
        chart.setViscosityFactor(flowCurve ? flowCurveViscosityFactor(si) : 0.0);
        return;
    }
    if (!overlay)
        return;
    // The overlay keeps all its points (the chart grows for it), so nothing is written
    // outside the series' own data.
    const int n = static_cast<int>(overlay->size());
    fillSeries(chart, state.SubsetCount - 1, t, *overlay);
    if (n > state.PointCount)
        prompter.message(kOverlayLongerMessage);
}

} // namespace viscora
