#include "core/ChartMarks.h"
#include "core/ChartReadout.h"
#include "core/Decimation.h"
#include "core/LiveChart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>

using namespace viscora;

namespace {

// What every column of [x0, x1] holds, found point by point.
struct Column {
    double min = HUGE_VAL, max = -HUGE_VAL;
    std::size_t first = SIZE_MAX, last = 0;
};

std::vector<Column> bruteColumns(const std::vector<double> &x, const std::vector<double> &y,
                                 double x0, double x1, std::size_t columns)
{
    std::vector<Column> out(columns);
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] < x0 || x[i] > x1)
            continue;
        auto c = static_cast<std::size_t>((x[i] - x0) / (x1 - x0) * static_cast<double>(columns));
        c = std::min(c, columns - 1);
        out[c].min = std::min(out[c].min, y[i]);
        out[c].max = std::max(out[c].max, y[i]);
        out[c].first = std::min(out[c].first, i);
        out[c].last = std::max(out[c].last, i);
    }
    return out;
}

} // namespace

TEST(Decimation, KeepsEachColumnsExtremesAndEndsAsABruteForceFindsThem)
{
    struct Case {
        std::size_t n, columns;
        double from, to; // the range shown, as fractions of the series' span
    };
    const Case cases[] = {
        {0, 10, 0, 1},
        {1, 10, 0, 1},
        {5, 10, 0, 1},
        {10, 10, 0, 1},
        {1000, 1, 0, 1},
        {1000, 7, 0, 1},
        {1000, 1000, 0, 1},
        {1001, 1000, 0, 1},
        {4000, 999, 0, 1},
        {100000, 640, 0, 1},
        {100000, 640, 0.25, 0.26},
        {100000, 300, -0.5, 0.1},
        {100000, 300, 0.9, 1.5},
        {50000, 1920, 0.5, 0.5000001},
        {604800, 1200, 0, 1},
    };
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " columns " << c.columns << " range "
                                        << c.from << ".." << c.to);
        std::vector<double> x(c.n), y(c.n);
        double t = 0;
        for (std::size_t i = 0; i < c.n; ++i) {
            t += i % 97 == 0 ? 5.0 : 1.0; // uneven steps, as after a gap
            x[i] = t;
            y[i] = std::sin(static_cast<double>(i) / 300.0) * 50 + noise(rng);
        }
        const double span = c.n > 0 ? x.back() - x.front() : 1;
        const double start = c.n > 0 ? x.front() : 0;
        const double x0 = start + c.from * span, x1 = start + c.to * span;
        const std::vector<std::size_t> kept = decimateColumns(x, y, x0, x1, c.columns);
        ASSERT_TRUE(std::is_sorted(kept.begin(), kept.end()));
        ASSERT_EQ(std::set<std::size_t>(kept.begin(), kept.end()).size(), kept.size());
        EXPECT_LE(kept.size(), 4 * c.columns + 2);
        if (c.n == 0) {
            EXPECT_TRUE(kept.empty());
            continue;
        }
        const std::vector<Column> columns = bruteColumns(x, y, x0, x1, c.columns);
        std::size_t inside = 0;
        for (std::size_t col = 0; col < c.columns; ++col) {
            const Column &b = columns[col];
            if (b.first == SIZE_MAX)
                continue;
            double mn = HUGE_VAL, mx = -HUGE_VAL;
            bool first = false, last = false;
            for (std::size_t i : kept) {
                if (i < b.first || i > b.last)
                    continue;
                mn = std::min(mn, y[i]);
                mx = std::max(mx, y[i]);
                first = first || i == b.first;
                last = last || i == b.last;
            }
            EXPECT_EQ(mn, b.min) << "column " << col;
            EXPECT_EQ(mx, b.max) << "column " << col;
            EXPECT_TRUE(first && last) << "column " << col;
            inside += b.last - b.first + 1;
        }
        // Every point when there are no more than the columns' worth; the neighbours beyond
        // the range so the line reaches its edges.
        if (inside <= c.columns) {
            EXPECT_GE(kept.size(), inside);
        }
        const std::size_t before = std::lower_bound(x.begin(), x.end(), x0) - x.begin();
        const std::size_t after = std::upper_bound(x.begin(), x.end(), x1) - x.begin();
        if (before > 0) {
            EXPECT_EQ(kept.front(), before - 1);
        }
        if (after < c.n) {
            EXPECT_EQ(kept.back(), after);
        }
    }
}

TEST(Decimation, FloatAccessorsAndAnEmptyRange)
{
    const std::vector<float> y{1, 5, 2, 8, 3};
    const auto kept = decimateColumns(
        y.size(), [](std::size_t i) { return static_cast<double>(i); },
        [&](std::size_t i) { return static_cast<double>(y[i]); }, 1, 3, 1);
    EXPECT_EQ(kept, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(decimateColumns({1, 2}, {1, 2}, 5, 4, 10).empty()); // backwards
    EXPECT_TRUE(decimateColumns({1, 2}, {1, 2}, 0, 1, 0).empty());  // no columns
}

TEST(ChartReadout, WritesValuesWithUnitsStepAndTimes)
{
    struct Case {
        ReadoutPoint point;
        std::string text;
    };
    ReadoutPoint time{"", "Time (S)", "Shear Stress (lb/100ft2)", 125, 34.56789, "", {}, {}};
    time.place = PointPlace{2, 65, 125};
    ReadoutPoint flow{"Readings", "Shear Rate (1/S)", "Shear Stress (lb/100ft2)", 511, 20, "", {},
                      {}};
    flow.viscosityCp = 18.75;
    ReadoutPoint live{"Temperature", "Time", "Temperature (°F)", 0, 120.5, "10:02:03", {}, {}};
    live.place = PointPlace{7, 0.5, 3725};
    ReadoutPoint bare{"", "X", "Y", 0, -0.000012345678, "", {}, {}};
    const Case cases[] = {
        {time, "Time (S): 125\nShear Stress (lb/100ft2): 34.568\nStep: 2\nStep time: 65 s\n"
               "Total time: 2:05 (125 s)"},
        {flow, "Readings\nShear Rate (1/S): 511\nShear Stress (lb/100ft2): 20\n"
               "Viscosity (cP): 18.75"},
        {live, "Temperature\nTime: 10:02:03\nTemperature (°F): 120.5\nStep: 7\nStep time: 0.5 s\n"
               "Total time: 1:02:05 (3725 s)"},
        {bare, "X: 0\nY: -1.2346e-05"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(readoutText(c.point), c.text);
    EXPECT_EQ(readoutNumber(std::numeric_limits<double>::quiet_NaN()), "–");
}

TEST(ChartMarks, OneMarkWhereEachStepBegins)
{
    const auto marks = stepBoundaryMarks({1, 1, 1, 2, 2, 3, 1}, {600, 600, 600, 300, 300, 0, 600},
                                         {0, 10, 20, 30, 40, 50, 60});
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[0], (TimeMark{0, "Step 1 · 600 rpm", TimeMarkKind::StepBoundary}));
    EXPECT_EQ(marks[1], (TimeMark{30, "Step 2 · 300 rpm", TimeMarkKind::StepBoundary}));
    EXPECT_EQ(marks[2].label, "Step 3 · 0 rpm");
    EXPECT_EQ(marks[3].time, 60);
    EXPECT_TRUE(stepBoundaryMarks({}, {}, {}).empty());
}

TEST(LiveChart, KeepsTheWholeTestAndPlacesReadingsInTheirSteps)
{
    LiveChart c;
    c.Initial_chart(1000);
    c.startAt(1000);
    for (int i = 0; i < 5000; ++i) {
        c.markStep(1000 + i, i < 100 ? 1 : 2, i < 100 ? 600 : 300);
        c.add(1000 + i, static_cast<float>(i), 1, 2);
    }
    // The ring keeps its last block; the history every reading.
    EXPECT_EQ(c.history().size(), 5000u);
    EXPECT_EQ(c.history().t(0), 1000);
    EXPECT_EQ(c.history().y(0, 4999), 4999.0f);
    ASSERT_EQ(c.stepMarks().size(), 2u);
    EXPECT_EQ(c.stepMarks()[1].label, "Step 2 · 300 rpm");
    const PointPlace at = c.placeAt(1250);
    EXPECT_EQ(at.step, 2);
    EXPECT_EQ(at.stepTime, 150);
    EXPECT_EQ(at.totalTime, 250);
    EXPECT_EQ(c.placeAt(999).step, 0);
    // Show Last 3 Minutes after Show All Data: the window ends at the latest reading.
    c.showAll();
    c.showLast();
    EXPECT_TRUE(c.zoom);
    EXPECT_FALSE(c.automaticX);
    EXPECT_EQ(c.WindowEnd, 5999);
    EXPECT_EQ(c.WindowStart, 5999 - LiveChart::WindowWidth);
    // A new Start forgets the last run.
    c.Initial_chart(9000);
    EXPECT_EQ(c.history().size(), 0u);
    EXPECT_TRUE(c.stepMarks().empty());
    c.showLast();
    EXPECT_EQ(c.WindowStart, 9000);
}

TEST(LiveChart, AWeekOfReadingsIsThinnedByItsRunsExtremes)
{
    LiveChart c;
    c.Initial_chart(0);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 3);
    const int week = 7 * 24 * 3600;
    for (int i = 0; i < week; ++i)
        c.add(i, static_cast<float>(std::sin(i / 5000.0) * 40 + noise(rng)), 1,
              static_cast<float>(i % 1000));
    const LiveHistory &h = c.history();
    struct Case {
        double t0, t1;
        std::size_t columns;
    };
    // The whole week (by the runs), a day (by the runs) and ten minutes (reading by reading).
    for (const Case &k :
         {Case{0, week - 1.0, 900}, Case{86400, 172800, 640}, Case{5000, 5600, 800}}) {
        SCOPED_TRACE(testing::Message() << k.t0 << ".." << k.t1);
        for (int s : {0, 2}) {
            const std::vector<std::size_t> kept = h.decimate(s, k.t0, k.t1, k.columns);
            ASSERT_TRUE(std::is_sorted(kept.begin(), kept.end()));
            EXPECT_LE(kept.size(), 8 * k.columns + 4);
            std::vector<double> t(h.size()), y(h.size());
            for (std::size_t i = 0; i < h.size(); ++i) {
                t[i] = h.t(i);
                y[i] = h.y(s, i);
            }
            const std::vector<Column> truth = bruteColumns(t, y, k.t0, k.t1, k.columns);
            // Each column's extremes are drawn in it or beside it.
            std::vector<Column> drawn(k.columns);
            for (std::size_t i : kept) {
                if (t[i] < k.t0 || t[i] > k.t1)
                    continue;
                const auto col = std::min(k.columns - 1,
                                          static_cast<std::size_t>((t[i] - k.t0) / (k.t1 - k.t0) *
                                                                   static_cast<double>(k.columns)));
                drawn[col].min = std::min(drawn[col].min, y[i]);
                drawn[col].max = std::max(drawn[col].max, y[i]);
            }
            for (std::size_t col = 0; col < k.columns; ++col) {
                double mn = HUGE_VAL, mx = -HUGE_VAL;
                for (std::size_t d = col == 0 ? 0 : col - 1; d <= std::min(col + 1, k.columns - 1);
                     ++d) {
                    mn = std::min(mn, drawn[d].min);
                    mx = std::max(mx, drawn[d].max);
                }
                EXPECT_LE(mn, truth[col].min) << "column " << col;
                EXPECT_GE(mx, truth[col].max) << "column " << col;
            }
        }
    }
}
