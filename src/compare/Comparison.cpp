#include "compare/Comparison.h"

#include "core/ChartTypes.h"
#include "core/StepTimeline.h"
#include "review/MainChart.h"
#include "review/TestAnalysis.h"
#include "review/TestQueries.h"
#include "rheology/JsonWriter.h"
#include "rheology/Tables.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace viscora {

const char *const kAlignmentNames[3] = {"By test time", "By step", "By temperature"};

DbRead<ComparedTest> readCompared(const TestRepository &repo, const std::string &name, Units units,
                                  const RotorBobSetting &rb)
{
    const QString test = QString::fromStdString(name);
    auto queried = dosql(repo, test, units, rb);
    if (!queried)
        return DbRead<ComparedTest>::failure(queried);
    auto analysis = analyseTest(repo, test, rb, units);
    if (!analysis)
        return DbRead<ComparedTest>::failure(analysis);
    return ComparedTest{name, std::move(*analysis), std::move(queried->rows)};
}

namespace {

std::optional<double> gelOf(const rheology::FlowCurve &c, const char *label)
{
    for (const rheology::Gel &g : c.gels)
        if (g.label == label)
            return g.gel;
    return std::nullopt;
}

std::string withUnit(const std::string &name, const std::string &unit)
{
    return unit.empty() ? name : name + " (" + unit + ")";
}

} // namespace

Comparison compareTests(const std::vector<ComparedTest> &tests, Units units)
{
    using rheology::FieldValues;
    Comparison out;
    out.units = units;
    const std::string stress = rheology::unitText(rheology::Quantity::Stress, units);
    for (double rpm : rheology::kStandardRpm) {
        const std::string speed = rheology::displayNumber(rpm);
        out.rows.push_back({"theta" + speed, withUnit("θ" + speed, "°"), {}});
    }
    const rheology::Value FieldValues::*fields[] = {
        &FieldValues::PV, &FieldValues::YP, &FieldValues::LSYP, &FieldValues::n, &FieldValues::K};
    for (const auto member : fields) {
        const auto &table = rheology::fieldTable();
        const auto f = std::find_if(table.begin(), table.end(),
                                    [&](const rheology::Field &x) { return x.member == member; });
        out.rows.push_back(
            {f->key, withUnit(f->key, units == Units::SI ? f->unitSI : f->unitEI), {}});
    }
    out.rows.push_back({"gel10s", withUnit("10-s gel", stress), {}});
    out.rows.push_back({"gel10min", withUnit("10-min gel", stress), {}});
    out.rows.push_back(
        {"temperature", withUnit("Temperature", rheology::temperatureUnit(units)), {}});
    for (const ComparedTest &t : tests) {
        out.tests.push_back(t.name);
        const rheology::FlowCurve *c =
            t.analysis.curves.empty() ? nullptr : &t.analysis.curves.front();
        std::vector<std::optional<double>> values;
        if (c) {
            for (const rheology::Theta &th : c->thetas)
                values.push_back(th.dial.value);
            for (const auto member : fields)
                values.push_back((c->field.*member).value);
            values.push_back(gelOf(*c, "10-s gel"));
            values.push_back(gelOf(*c, "10-min gel"));
            values.push_back(c->temperature);
            out.recommended.push_back(c->recommended ? c->recommended->name
                                                     : "none: " + c->recommendedReason);
        } else {
            out.recommended.push_back("none: " + t.analysis.reason);
        }
        values.resize(out.rows.size());
        for (std::size_t r = 0; r < out.rows.size(); ++r)
            out.rows[r].values.push_back(values[r]);
    }
    return out;
}

std::string comparisonText(const Comparison &c)
{
    std::string s = "Units: " + rheology::unitsText(c.units) + "\n";
    for (const std::string &t : c.tests)
        s += '\t' + t;
    s += '\n';
    for (const ComparisonRow &r : c.rows) {
        s += r.label;
        for (const auto &v : r.values)
            s += '\t' + (v ? rheology::displayNumber(*v) : std::string("-"));
        s += '\n';
    }
    s += "Recommended model";
    for (const std::string &m : c.recommended)
        s += '\t' + m;
    return s + '\n';
}

std::string comparisonJson(const Comparison &c)
{
    rheology::JsonWriter w;
    w.open('{');
    w.key("units");
    w.string(c.units == Units::SI ? "SI" : "EI");
    w.key("tests");
    w.open('[');
    for (std::size_t i = 0; i < c.tests.size(); ++i) {
        w.open('{');
        w.key("test");
        w.string(c.tests[i]);
        for (const ComparisonRow &r : c.rows) {
            w.key(r.key.c_str());
            if (r.values[i])
                w.number(*r.values[i]);
            else
                w.null();
        }
        w.key("recommended");
        w.string(c.recommended[i]);
        w.close('}');
    }
    w.close(']');
    w.close('}');
    return w.take();
}

namespace {

// Each step's start on the aligned axis: after the longest of the tests' earlier steps.
std::map<int, double> stepStarts(const std::vector<ComparedTest> &tests)
{
    std::map<int, double> longest;
    for (const ComparedTest &t : tests)
        for (const QueryRow &r : t.rows) {
            double &d = longest[static_cast<int>(r[col::Step])];
            d = std::max(d, r[col::Time]);
        }
    std::map<int, double> starts;
    double at = 0;
    for (const auto &[step, duration] : longest) {
        starts[step] = at;
        at += duration;
    }
    return starts;
}

} // namespace

void drawComparison(ChartModel &chart, int type, Alignment align, bool si,
                    const std::vector<ComparedTest> &tests)
{
    const ChartType &t = chartType(type);
    chart.reset();
    chart.setMainTitle(t.title);
    chart.setSubtitle(tests.empty() ? std::string() : "Compared tests");
    chart.setAxisColumns(t.xColumn, t.yColumn);
    const bool time = t.treatment == XTreatment::RunningTime;
    chart.setXAxisLabel(!time || align == Alignment::TestTime ? t.xLabel(si)
                        : align == Alignment::Step            ? "Time, steps aligned (S)"
                                                              : temperatureAxisLabel(si));
    chart.setYAxisLabel(t.yLabel(si));
    chart.setSubsetCount(std::max<int>(1, static_cast<int>(tests.size())));
    const std::map<int, double> starts = stepStarts(tests);
    std::size_t most = 0;
    for (std::size_t i = 0; i < tests.size(); ++i) {
        const std::vector<QueryRow> &rows = tests[i].rows;
        std::vector<double> xs, ys;
        if (time && align == Alignment::TestTime) {
            xs = runningTime(rows);
        } else {
            for (const QueryRow &r : rows) {
                if (!time)
                    xs.push_back(r[static_cast<std::size_t>(t.xColumn)]);
                else if (align == Alignment::Step)
                    xs.push_back(starts.at(static_cast<int>(r[col::Step])) + r[col::Time]);
                else
                    xs.push_back(r[col::Temperature]);
            }
        }
        for (const QueryRow &r : rows)
            ys.push_back(r[static_cast<std::size_t>(t.yColumn)]);
        // Sorted by X, as the main window's charts are (a stable sort keeps equal X in order).
        if (!time || align == Alignment::Temperature) {
            std::vector<std::size_t> order(xs.size());
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return xs[a] < xs[b]; });
            std::vector<double> sx, sy;
            for (std::size_t k : order) {
                sx.push_back(xs[k]);
                sy.push_back(ys[k]);
            }
            xs.swap(sx);
            ys.swap(sy);
        }
        most = std::max(most, xs.size());
        const int s = static_cast<int>(i);
        chart.setPoints(s, std::move(xs), std::move(ys));
        chart.setSeriesLabel(s, tests[i].name);
    }
    chart.setPointCount(static_cast<int>(most));
}

} // namespace viscora
