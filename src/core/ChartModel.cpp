#include "core/ChartModel.h"

#include "core/ChartTypes.h"

#include <algorithm>
#include <array>

namespace viscora {

unsigned consoleColor(int index)
{
    static constexpr std::array<unsigned, 16> kColors{
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    return kColors[static_cast<size_t>(index & 15)];
}

void ChartModel::setSubsetCount(int n) { series_.resize(static_cast<size_t>(std::max(1, n))); }

ChartSeries &ChartModel::at(int series)
{
    if (series >= subsetCount())
        series_.resize(static_cast<size_t>(series) + 1);
    return series_[static_cast<size_t>(series)];
}

void ChartModel::setX(int series, int point, double v)
{
    if (series < 0 || point < 0)
        return;
    auto &s = at(series);
    if (static_cast<size_t>(point) >= s.x.size()) {
        s.x.resize(static_cast<size_t>(point) + 1, 0.0);
        s.y.resize(s.x.size(), 0.0);
    }
    s.x[static_cast<size_t>(point)] = v;
}

void ChartModel::setY(int series, int point, double v)
{
    if (series < 0 || point < 0)
        return;
    auto &s = at(series);
    if (static_cast<size_t>(point) >= s.y.size()) {
        s.y.resize(static_cast<size_t>(point) + 1, 0.0);
        s.x.resize(s.y.size(), 0.0);
    }
    s.y[static_cast<size_t>(point)] = v;
}

double ChartModel::x(int series, int point) const
{
    if (series < 0 || series >= subsetCount() || point < 0)
        return 0.0;
    const auto &s = series_[static_cast<size_t>(series)];
    return static_cast<size_t>(point) < s.x.size() ? s.x[static_cast<size_t>(point)] : 0.0;
}

double ChartModel::y(int series, int point) const
{
    if (series < 0 || series >= subsetCount() || point < 0)
        return 0.0;
    const auto &s = series_[static_cast<size_t>(series)];
    return static_cast<size_t>(point) < s.y.size() ? s.y[static_cast<size_t>(point)] : 0.0;
}

void ChartModel::setPoints(int series, std::vector<double> xs, std::vector<double> ys)
{
    if (series < 0)
        return;
    auto &s = at(series);
    ys.resize(xs.size(), 0.0);
    s.x = std::move(xs);
    s.y = std::move(ys);
    s.breaks.clear();
    s.rests.clear();
}

void ChartModel::setBreaks(int series, std::vector<std::size_t> breaks)
{
    if (series >= 0)
        at(series).breaks = std::move(breaks);
}

void ChartModel::setRests(int series, std::vector<std::size_t> rests)
{
    if (series >= 0)
        at(series).rests = std::move(rests);
}

void ChartModel::setPlaces(int series, std::vector<PointPlace> places)
{
    if (series >= 0)
        at(series).places = std::move(places);
}

bool ChartModel::showsRests() const
{
    return showsRestPoints(xColumn_, yColumn_, xScale_ == ScaleType::Log,
                           yScale_ == ScaleType::Log);
}

void ChartModel::setSeriesLabel(int series, std::string label)
{
    if (series >= 0)
        at(series).label = std::move(label);
}

void ChartModel::setSeriesColor(int series, int color)
{
    if (series >= 0) {
        at(series).color = color;
        at(series).colorSet = true;
    }
}

void ChartModel::setSeriesLineType(int series, int lineType)
{
    if (series >= 0)
        at(series).lineType = lineType;
}

void ChartModel::setSeriesMarkers(int series, bool markers)
{
    if (series >= 0)
        at(series).markers = markers;
}

std::size_t ChartModel::drawnPointCount(int series) const
{
    if (pointCount_ == kNoTestPointCount || series < 0 || series >= subsetCount())
        return 0;
    const auto &s = series_[static_cast<size_t>(series)];
    return s.x.size();
}

void ChartModel::reset() { *this = ChartModel(); }

} // namespace viscora
