#include "charts/vector/VectorGrid.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/ChartGeometry.h"

namespace charts {

namespace {

struct Row {
    double multiplier;
    double divisor;
};

constexpr std::array<Row, 10> kRows{{{6, 30},
                                     {12, 60},
                                     {20, 100},
                                     {60, 300},
                                     {120, 600},
                                     {200, 1000},
                                     {600, 3000},
                                     {1200, 6000},
                                     {2000, 10000},
                                     {1200, 60000}}};

}   // namespace

double GridInterval(double span)
{
    double interval = 0.0;
    if (span > 5) {
        interval = chart::RoundGridInterval(span * 0.2);
    } else {
        const Row* row = &kRows.back();   // the finest row serves every smaller span
        for (const Row& r : kRows) {
            if (span > 5 / r.divisor) {
                row = &r;
                break;
            }
        }
        interval = chart::RoundGridIntervalMinutes(span * row->multiplier) / row->divisor;
    }
    if (std::fabs(interval) < 1e-6)
        interval = 1e-6;
    return interval;
}

double LabelStep(const geo::CPositionFormat& format)
{
    // One unit of the last decimal the labels show, of minutes or of seconds.
    return std::pow(10.0, -double(format.decimalPlaces)) / (format.degMinSec ? 3600.0 : 60.0);
}

double FirstGridLine(double edge, double interval)
{
    const double k = std::trunc(edge / interval);
    return k * interval + (k > 0 ? interval : 0.0);
}

std::vector<CGridLine> ComputeGrid(const CGridInput& in)
{
    std::vector<CGridLine> lines;
    if (!in.northWest.IsValid() || !in.southEast.IsValid() || !in.toPoint)
        return lines;
    const double north = in.northWest.GetLatitude();
    const double west = in.northWest.GetLongitude();
    const double south = in.southEast.GetLatitude();
    double east = in.southEast.GetLongitude();
    if (in.crossesDateLine && west > east)
        east += 360.0;
    const geo::IntRect& r = in.visible;

    // Below the finest table row's range the interval is ours to choose: it is
    // kept no finer than the labels' last digit, so no two meridians or
    // parallels of the deepest zoom carry the same text.
    auto stepFor = [&in](double span) {
        const double step = GridInterval(span);
        return span <= 5.0 / 60000 ? std::max(step, LabelStep(in.format)) : step;
    };
    const double lonStep = stepFor(east - west);
    // A loop is bounded: at most a few hundred lines however the steps fall.
    int guard = 0;
    for (double lon = FirstGridLine(west, lonStep); lon < east && guard < 1000;
         lon += lonStep, ++guard) {
        // Beyond 180 degrees the meridian is the one the far side names.
        const double shown = lon > 180.0 ? lon - 360.0 : lon;
        geo::CPosition p;
        geo::IntPoint pt;
        if (!p.Set(north, shown, 0.0, in.northWest.GetDatum()) || !in.toPoint(p, pt))
            break;
        lines.push_back({true, pt.x, p.FormatLongitude(in.format), {pt.x + 18, r.top + 14}});
        if (pt.x > r.right)
            break;
    }
    const double latStep = stepFor(north - south);
    guard = 0;
    for (double lat = FirstGridLine(south, latStep); lat < north && guard < 1000;
         lat += latStep, ++guard) {
        geo::CPosition p;
        geo::IntPoint pt;
        const double eastEdge = in.southEast.GetLongitude();
        if (!p.Set(lat, eastEdge, 0.0, in.northWest.GetDatum()) || !in.toPoint(p, pt))
            break;
        lines.push_back({false, pt.y, p.FormatLatitude(in.format), {r.left + 5, pt.y - 18}});
    }
    return lines;
}

}   // namespace charts
