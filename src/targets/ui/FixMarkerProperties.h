#pragma once
// Properties over a target's track marker: a chart view extension of its
// own, ranked with the position fixes rather than with the target symbols,
// that asks its module for the fix under the point.

#include <functional>
#include <utility>

#include "chart/ui/ChartView.h"

namespace targets {

class CFixMarkerProperties final : public chart::CChartViewExtension {
public:
    using Finder = std::function<PropertiesCall(chart::CChartView&, geo::IntPoint)>;
    CFixMarkerProperties(chart::PropertiesOrder rank, Finder find)
        : m_rank(rank), m_find(std::move(find))
    { }
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override
    {
        return m_find(view, p);
    }
    chart::PropertiesOrder PropertiesRank() const override { return m_rank; }

private:
    chart::PropertiesOrder m_rank;
    Finder m_find;
};

}   // namespace targets
