#include "rheology/FlowChart.h"

#include "core/ChartTypes.h"

#include <algorithm>
#include <cmath>

namespace viscora::rheology {

int modelColor(std::size_t modelIndex)
{
    // Grey, green, magenta, red, teal: apart from the readings' blue and from each other.
    constexpr int kColors[] = {8, 2, 13, 12, 3, 4, 5, 6};
    return kColors[modelIndex % std::size(kColors)];
}

ChartModel flowCurveChart(const FlowCurve &c, Units units, const std::vector<bool> &shown, bool log,
                          const std::string &subtitle)
{
    ChartModel chart;
    chart.setMainTitle("Shear Stress Vs. Shear Rate");
    chart.setSubtitle(subtitle);
    chart.setXAxisLabel("Shear Rate (1/S)");
    chart.setYAxisLabel(stressAxisLabel(units == Units::SI));
    chart.setViscosityFactor(flowCurveViscosityFactor(units == Units::SI));
    const ScaleType scale = log ? ScaleType::Log : ScaleType::Normal;
    chart.setXScale(scale);
    chart.setYScale(scale);

    std::vector<double> xs, ys, outX, outY;
    double lo = HUGE_VAL, hi = 0;
    for (const Reading &r : c.readings) {
        if (r.used) {
            xs.push_back(r.shearRate);
            ys.push_back(r.stress);
            if (r.shearRate > 0) {
                lo = std::min(lo, r.shearRate);
                hi = std::max(hi, r.shearRate);
            }
        } else if (r.fullScale) {
            outX.push_back(r.shearRate);
            outY.push_back(r.stress);
        }
    }
    chart.setPoints(0, std::move(xs), std::move(ys));
    chart.setSeriesLabel(0, "Readings");
    chart.setSeriesColor(0, 9);
    chart.setSeriesMarkers(0, true);

    int series = 1;
    for (std::size_t i = 0; i < c.models.size(); ++i) {
        const ModelFit &m = c.models[i];
        if (!m.fitted || (i < shown.size() && !shown[i]) || !(hi > 0))
            continue;
        const double from = log ? lo : 0;
        std::vector<double> cx, cy;
        for (int k = 0; k <= kCurveSamples; ++k) {
            const double f = static_cast<double>(k) / kCurveSamples;
            const double rate = log ? from * std::pow(hi / from, f) : from + (hi - from) * f;
            if (const auto stress = modelStress(m, rate, units)) {
                cx.push_back(rate);
                cy.push_back(*stress);
            }
        }
        chart.setPoints(series, std::move(cx), std::move(cy));
        chart.setSeriesLabel(series, std::string(m.model->name) +
                                         (m.model == c.recommended ? " (recommended)" : ""));
        chart.setSeriesColor(series, modelColor(i));
        ++series;
    }
    if (!outX.empty()) {
        chart.setPoints(series, std::move(outX), std::move(outY));
        chart.setSeriesLabel(series, "At full scale (left out)");
        chart.setSeriesColor(series, 7);
        chart.setSeriesMarkers(series, true);
    }
    return chart;
}

} // namespace viscora::rheology
