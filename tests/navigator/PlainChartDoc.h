#pragma once
// A plain chart for drawing tests: 20,000 pixels a degree round 47.6 N
// 122.45 W, 1920 x 1080, every position on it.

#include <cmath>
#include <string>

#include "chart/ChartDoc.h"

namespace navtest {

class PlainDoc final : public chart::CChartDoc {
public:
    static constexpr double kScale = 20000.0;
    bool OpenChart(const std::string&) override { return true; }
    void GetVisibleRect(geo::IntRect& r) override { r = {0, 0, 1920, 1080}; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PositionToPoints(const geo::CPosition& p, chart::PointList& points) override
    {
        points.push_back(Project(p.GetLatitude(), p.GetLongitude()));
        return true;
    }
    bool PointToPosition(geo::IntPoint pt, geo::CPosition& p) override
    {
        return p.Set(47.6 - pt.y / kScale, -122.45 + pt.x / kScale, 0, 0xFFFF);
    }
    static geo::IntPoint Project(double lat, double lon)
    {
        return {int(std::lround((lon + 122.45) * kScale)), int(std::lround((47.6 - lat) * kScale))};
    }
};

}   // namespace navtest
