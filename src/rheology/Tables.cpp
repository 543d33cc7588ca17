#include "rheology/Tables.h"

#include "core/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace viscora::rheology {

namespace {

// Trailing zeros of a fixed decimal text, and a point left bare by them.
void trimZeros(std::string &s)
{
    if (s.find('.') == std::string::npos)
        return;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
}

std::string r2Text(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    return s == "-0.0000" ? "0.0000" : s;
}

Cell number(double v) { return {displayNumber(v), v}; }
Cell text(std::string s) { return {std::move(s), std::nullopt}; }

std::string withUnit(const std::string &name, const std::string &unit)
{
    return unit.empty() ? name : name + " (" + unit + ")";
}

const char *yesNo(bool b) { return b ? "yes" : "no"; }

std::string readingNote(const Reading &r)
{
    if (!r.used)
        return r.why;
    if (r.up)
        return "Mean of up " + displayNumber(*r.up) + " and down " + displayNumber(*r.down) +
               " (step " + std::to_string(r.downStep) + ").";
    return {};
}

Table readingsTable(const FlowCurve &c, Units units, bool storedTemperature)
{
    Table t;
    t.title = "Readings";
    t.header = {"Step",
                "Speed (rpm)",
                "Shear rate (1/s)",
                withUnit("Stress", unitText(Quantity::Stress, units)),
                "Dial (deg)",
                withUnit("Temperature", storedTemperature ? "°F" : temperatureUnit(units)),
                "Points",
                "Stable",
                "Used",
                "Note"};
    for (const Reading &r : c.readings)
        t.rows.push_back({number(r.step), number(r.rpm), number(r.shearRate), number(r.stress),
                          number(r.dial),
                          number(storedTemperature ? r.storedTemperature : r.temperature),
                          number(r.points), text(r.kind == StepKind::Flow ? yesNo(r.stable) : ""),
                          text(yesNo(r.used)), text(readingNote(r))});
    return t;
}

// How the field values' and gels' stresses are had, which differs from the models'.
std::string fieldConvention(Units units)
{
    return units == Units::SI
               ? "Dial readings are R1-B1/F1 degrees (stress / 5.11) at the standard shear "
                 "rates; YP and LSYP in dyn/cm2 are 4.788 x the dial-based lb/100ft2 value."
               : "Dial readings are R1-B1/F1 degrees (stress / 5.11) at the standard shear "
                 "rates; YP and LSYP in lb/100ft2 are dial-based, as computed by hand "
                 "(API RP 13B-1).";
}

Cell valueCell(const Value &v) { return v.value ? number(*v.value) : text(""); }

const Gel *gelLabelled(const FlowCurve &c, const std::string &label)
{
    for (const Gel &g : c.gels)
        if (g.label == label)
            return &g;
    return nullptr;
}

Table reportTable(const FlowCurve &c, Units units, bool storedTemperature)
{
    Table t;
    t.title = "Mud report";
    t.note = fieldConvention(units);
    t.header = {"Item", "Value", "Unit", "Note"};
    for (const Theta &th : c.thetas)
        t.rows.push_back({text("θ" + displayNumber(th.rpm)), valueCell(th.dial), text("deg"),
                          text(th.dial.reason)});
    for (const Value FieldValues::*member : {&FieldValues::PV, &FieldValues::YP}) {
        const auto field = std::find_if(fieldTable().begin(), fieldTable().end(),
                                        [&](const Field &f) { return f.member == member; });
        const Value &v = c.field.*member;
        t.rows.push_back({text(field->key), valueCell(v),
                          text(units == Units::SI ? field->unitSI : field->unitEI),
                          text(v.reason)});
    }
    for (const char *label : {"10-s gel", "10-min gel"}) {
        const Gel *g = gelLabelled(c, label);
        t.rows.push_back({text(label), g ? number(g->gel) : text(""),
                          text(unitText(Quantity::Stress, units)),
                          text(g ? "Step " + std::to_string(g->step) + "."
                                 : std::string("No ") + label + " in the test.")});
    }
    t.rows.push_back({text("Temperature"),
                      number(storedTemperature ? c.storedTemperature : c.temperature),
                      text(storedTemperature ? "°F" : temperatureUnit(units)),
                      text("Reached by the last reading.")});
    return t;
}

Table fieldTableOf(const FlowCurve &c, Units units)
{
    Table t;
    t.title = "Field values";
    t.note = fieldConvention(units);
    t.header = {"Symbol", "Name", "Value", "Unit", "Note"};
    for (const Field &f : fieldTable()) {
        const Value &v = c.field.*f.member;
        t.rows.push_back({text(f.key), text(f.name), valueCell(v),
                          text(units == Units::SI ? f.unitSI : f.unitEI), text(v.reason)});
    }
    return t;
}

Table gelsTable(const FlowCurve &c, Units units)
{
    Table t;
    t.title = "Gels";
    t.note = units == Units::SI ? "A gel in dyn/cm2 is the step's peak stress."
                                : "A gel in lb/100ft2 is the step's peak dial reading "
                                  "(R1-B1/F1 degrees).";
    t.header = {"Step", "Gel", "Rest (s)", withUnit("Value", unitText(Quantity::Stress, units))};
    for (const Gel &g : c.gels)
        t.rows.push_back({number(g.step), text(g.label), number(g.rest), number(g.gel)});
    return t;
}

// The parameter columns of the model table: one per quantity (a model with two parameters of
// one quantity gets a second column of it), headed by the symbols that share it.
struct ParameterColumn {
    Quantity quantity;
    int occurrence;
    std::vector<std::string> symbols;
};

std::vector<ParameterColumn> parameterColumns()
{
    std::vector<ParameterColumn> columns;
    for (const Model &m : modelTable()) {
        std::vector<Quantity> seen;
        for (const Parameter &p : m.parameters) {
            const int occurrence =
                static_cast<int>(std::count(seen.begin(), seen.end(), p.quantity));
            seen.push_back(p.quantity);
            auto it = std::find_if(columns.begin(), columns.end(), [&](const ParameterColumn &c) {
                return c.quantity == p.quantity && c.occurrence == occurrence;
            });
            if (it == columns.end()) {
                columns.push_back({p.quantity, occurrence, {}});
                it = std::prev(columns.end());
            }
            if (std::find(it->symbols.begin(), it->symbols.end(), p.symbol) == it->symbols.end())
                it->symbols.push_back(p.symbol);
        }
    }
    std::stable_sort(
        columns.begin(), columns.end(), [](const ParameterColumn &a, const ParameterColumn &b) {
            return a.quantity != b.quantity ? a.quantity < b.quantity : a.occurrence < b.occurrence;
        });
    return columns;
}

// Where each parameter of a model goes among the columns.
std::vector<std::size_t> columnsOf(const Model &m, const std::vector<ParameterColumn> &columns)
{
    std::vector<std::size_t> at;
    std::vector<Quantity> seen;
    for (const Parameter &p : m.parameters) {
        const int occurrence = static_cast<int>(std::count(seen.begin(), seen.end(), p.quantity));
        seen.push_back(p.quantity);
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].quantity == p.quantity && columns[i].occurrence == occurrence)
                at.push_back(i);
    }
    return at;
}

Table modelsTable(const FlowCurve &c, Units units)
{
    const auto columns = parameterColumns();
    Table t;
    t.title = "Models";
    t.note = units == Units::SI ? "Stresses in dyn/cm2, as measured."
                                : "Stresses are true stresses in lb/100ft2 (dyn/cm2 x 0.2088), "
                                  "not dial readings.";
    t.header.push_back("Model");
    for (const ParameterColumn &col : columns) {
        std::string symbols;
        for (const std::string &s : col.symbols)
            symbols += (symbols.empty() ? "" : "/") + s;
        t.header.push_back(withUnit(symbols, unitText(col.quantity, units)));
    }
    t.header.push_back("R²");
    t.header.push_back(withUnit("RMS", unitText(Quantity::Stress, units)));
    t.header.push_back("Recommended");
    t.header.push_back("Note");
    for (const ModelFit &m : c.models) {
        std::vector<Cell> row(t.header.size());
        row[0] = text(m.model->name);
        std::string note = m.reason.empty() ? m.unphysical : m.reason;
        if (m.fitted) {
            const auto at = columnsOf(*m.model, columns);
            for (std::size_t i = 0; i < m.values.size() && i < at.size(); ++i)
                row[1 + at[i]] = number(m.values[i]);
            if (m.r2.value)
                row[columns.size() + 1] = {r2Text(*m.r2.value), *m.r2.value};
            else
                note = m.r2.reason;
            row[columns.size() + 2] = number(m.rms);
        }
        row[columns.size() + 3] = text(m.model == c.recommended ? "yes" : "");
        row[columns.size() + 4] = text(note);
        t.rows.push_back(std::move(row));
    }
    return t;
}

// Display columns of a UTF-8 text: "°", "τ" and "²" take one each.
std::size_t columnsIn(const std::string &s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

void rightTrim(std::string &s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

void appendTable(std::string &out, const Table &t, TextLayout layout)
{
    out += t.title + '\n';
    if (!t.note.empty())
        out += t.note + '\n';
    std::vector<std::vector<std::string>> lines{t.header};
    for (const auto &row : t.rows) {
        std::vector<std::string> line;
        for (const Cell &c : row)
            line.push_back(c.text);
        lines.push_back(std::move(line));
    }
    if (layout == TextLayout::Tabs) {
        for (const auto &line : lines) {
            for (std::size_t i = 0; i < line.size(); ++i)
                out += (i ? "\t" : "") + line[i];
            out += '\n';
        }
    } else {
        std::vector<std::size_t> width(t.header.size(), 0);
        for (const auto &line : lines)
            for (std::size_t i = 0; i < line.size() && i < width.size(); ++i)
                width[i] = std::max(width[i], columnsIn(line[i]));
        // Columns of numbers align on the right, their heading with them.
        std::vector<bool> numbers(t.header.size(), false);
        for (const auto &row : t.rows)
            for (std::size_t i = 0; i < row.size() && i < numbers.size(); ++i)
                numbers[i] = numbers[i] || row[i].number.has_value();
        for (const auto &line : lines) {
            std::string s;
            for (std::size_t i = 0; i < line.size() && i < width.size(); ++i) {
                const std::size_t pad = width[i] - columnsIn(line[i]);
                if (numbers[i])
                    s.append(pad, ' ');
                s += line[i];
                if (i + 1 < line.size())
                    s.append((numbers[i] ? 0 : pad) + 2, ' ');
            }
            rightTrim(s);
            out += s + '\n';
        }
    }
    if (t.rows.empty())
        out += "(none)\n";
}

} // namespace

std::string displayNumber(double v)
{
    if (!std::isfinite(v))
        return "";
    if (v == 0)
        return "0";
    const double a = std::fabs(v);
    char buf[64];
    if (a >= 1e9 || a < 1e-4)
        return exponentText(significantDigits(v, 4), 'e');
    const int decimals = std::max(0, 3 - static_cast<int>(std::floor(std::log10(a))));
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    trimZeros(s);
    return s == "-0" ? "0" : s;
}

const char *temperatureUnit(Units units) { return units == Units::SI ? "°C" : "°F"; }

std::string unitsText(Units units)
{
    return units == Units::SI ? "SI (dyn/cm2, °C)" : "EI (lb/100ft2, °F)";
}

std::string curveTitle(const FlowCurve &c, std::size_t index, std::size_t count, Units units,
                       bool storedTemperature)
{
    const double temperature = storedTemperature ? c.storedTemperature : c.temperature;
    std::string title = "Flow curve " + std::to_string(index + 1) + " of " + std::to_string(count) +
                        ": " + displayNumber(temperature) + " " +
                        (storedTemperature ? "°F" : temperatureUnit(units));
    if (!c.readings.empty()) {
        const int first = c.readings.front().step, last = c.readings.back().step;
        title += first == last ? ", step " + std::to_string(first)
                               : ", steps " + std::to_string(first) + "-" + std::to_string(last);
    }
    return title;
}

CurveTables curveTables(const FlowCurve &c, std::size_t index, std::size_t count, Units units,
                        bool storedTemperature)
{
    CurveTables t;
    t.title = curveTitle(c, index, count, units, storedTemperature);
    t.warnings = warningsOf(c, units, storedTemperature);
    t.report = reportTable(c, units, storedTemperature);
    t.readings = readingsTable(c, units, storedTemperature);
    t.field = fieldTableOf(c, units);
    t.gels = gelsTable(c, units);
    t.models = modelsTable(c, units);
    t.recommendation = c.recommended ? std::string("Recommended model: ") + c.recommended->name
                                     : "Recommended model: none. " + c.recommendedReason;
    return t;
}

std::vector<std::string> analysisNotes(const Analysis &a)
{
    std::vector<std::string> notes;
    if (a.curves.empty())
        notes.push_back(a.reason.empty() ? "The test has no flow curve." : a.reason);
    if (a.skippedPoints > 0)
        notes.push_back(std::to_string(a.skippedPoints) +
                        (a.skippedPoints == 1 ? " point was" : " points were") +
                        " left out: a value is missing or not a usable number.");
    return notes;
}

std::string analysisText(const Analysis &a, const std::string &testName, TextLayout layout)
{
    std::string out = "Rheology of " + testName + '\n';
    out += "Units: " + unitsText(a.units) + '\n';
    for (const std::string &n : analysisNotes(a))
        out += n + '\n';
    for (std::size_t i = 0; i < a.curves.size(); ++i) {
        const CurveTables t = curveTables(a.curves[i], i, a.curves.size(), a.units);
        out += '\n' + t.title + '\n';
        for (const std::string &w : t.warnings)
            out += "Warning: " + w + '\n';
        for (const Table *table : t.tables()) {
            out += '\n';
            appendTable(out, *table, layout);
        }
        out += t.recommendation + '\n';
    }
    return out;
}

} // namespace viscora::rheology
