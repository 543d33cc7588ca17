#include "rheology/Json.h"

#include "rheology/JsonWriter.h"

namespace viscora::rheology {

namespace {

void reading(JsonWriter &w, const Reading &r)
{
    w.open('{');
    w.member("step", r.step);
    w.member("rpm", r.rpm);
    w.member("shear_rate", r.shearRate);
    w.member("stress", r.stress);
    w.member("dial", r.dial);
    w.member("temperature", r.temperature);
    w.key("stable");
    w.boolean(r.stable);
    w.key("used");
    w.boolean(r.used);
    if (!r.used) {
        w.key("why");
        w.string(r.why);
    }
    if (r.up && r.down) {
        w.member("up", *r.up);
        w.member("down", *r.down);
    }
    w.close('}');
}

void models(JsonWriter &w, const FlowCurve &c)
{
    w.open('{');
    for (const ModelFit &m : c.models) {
        if (!m.fitted)
            continue;
        w.key(m.model->key);
        w.open('{');
        for (std::size_t i = 0; i < m.values.size(); ++i)
            w.member(m.model->parameters[i].key, m.values[i]);
        w.member("r2", m.r2);
        w.member("rms", m.rms);
        w.close('}');
    }
    w.close('}');
}

void curve(JsonWriter &w, const FlowCurve &c, Units units)
{
    w.open('{');
    w.member("temperature", c.temperature);
    w.key("readings");
    w.open('[');
    for (const Reading &r : c.readings)
        reading(w, r);
    w.close(']');
    w.key("field");
    w.open('{');
    for (const Field &f : fieldTable())
        w.member(f.key, c.field.*f.member);
    w.close('}');
    w.key("gels");
    w.open('[');
    for (const Gel &g : c.gels) {
        w.open('{');
        w.member("step", g.step);
        w.member("gel", g.gel);
        w.member("rest", g.rest);
        w.key("label");
        w.string(g.label);
        w.close('}');
    }
    w.close(']');
    w.key("models");
    models(w, c);
    w.key("recommended");
    if (c.recommended)
        w.string(c.recommended->key);
    else
        w.null();
    if (!c.recommended) {
        w.key("recommendation_note");
        w.string(c.recommendedReason);
    }
    w.key("warnings");
    w.open('[');
    for (const std::string &text : warningsOf(c, units))
        w.string(text);
    w.close(']');
    w.close('}');
}
} // namespace

std::string toJson(const Analysis &analysis, const std::string &testName)
{
    JsonWriter w;
    w.open('{');
    w.key("test");
    w.string(testName);
    w.key("units");
    w.string(analysis.units == Units::SI ? "SI" : "EI");
    w.key("curves");
    w.open('[');
    for (const FlowCurve &c : analysis.curves)
        curve(w, c, analysis.units);
    w.close(']');
    w.close('}');
    return w.take();
}

} // namespace viscora::rheology
