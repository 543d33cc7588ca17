#include "core/ChartReadout.h"

#include <cmath>
#include <cstdio>

namespace viscora {

std::string readoutNumber(double v)
{
    if (!std::isfinite(v))
        return "–";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5g", v == 0 ? 0.0 : v);
    return buf;
}

namespace {

std::string seconds(double s) { return readoutNumber(std::round(s * 10) / 10) + " s"; }

// "2:05 (125 s)", "1:00:00 (3600 s)"; under a minute only the seconds.
std::string clockAndSeconds(double s)
{
    if (!(std::abs(s) >= 60))
        return seconds(s);
    const auto whole = static_cast<long long>(std::floor(std::abs(s)));
    const long long h = whole / 3600, m = whole / 60 % 60, sec = whole % 60;
    char buf[48];
    if (h > 0)
        std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld", s < 0 ? "-" : "", h, m, sec);
    else
        std::snprintf(buf, sizeof buf, "%s%lld:%02lld", s < 0 ? "-" : "", m, sec);
    return std::string(buf) + " (" + seconds(s) + ")";
}

} // namespace

std::string readoutText(const ReadoutPoint &p)
{
    std::string text;
    if (!p.series.empty())
        text += p.series + "\n";
    text += p.xLabel + ": " + (p.xText.empty() ? readoutNumber(p.x) : p.xText) + "\n";
    text += p.yLabel + ": " + readoutNumber(p.y);
    if (p.viscosityCp)
        text += "\nViscosity (cP): " + readoutNumber(*p.viscosityCp);
    if (p.place) {
        text += "\nStep: " + std::to_string(p.place->step);
        text += "\nStep time: " + seconds(p.place->stepTime);
        text += "\nTotal time: " + clockAndSeconds(p.place->totalTime);
    }
    return text;
}

} // namespace viscora
