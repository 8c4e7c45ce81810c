#pragma once
// The raster chart's entries in the chart view's right-click menu: the
// "Information" submenu (chart notes, integrity check, notices to mariners)
// and the charts available at the own vessel's position or at the point
// clicked; on other charts the latter two are there but greyed.

#include "chart/ui/ChartView.h"
#include "geo/Position.h"

#include <functional>

#include <optional>

namespace charts::hcrf {
class CHCRFDoc;
}

namespace charts {

class CRasterChartMenu final : public chart::CChartViewExtension {
public:
    // `vesselPosition` gives the own vessel's position while it is shown.
    explicit CRasterChartMenu(std::function<std::optional<geo::CPosition>()> vesselPosition)
        : m_vesselPosition(std::move(vesselPosition))
    { }
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    void AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                        chart::MenuSection section, bool onChart) override;

private:
    void AddChartsAt(chart::CChartView& view, QMenu& menu, geo::IntPoint p);

    std::function<std::optional<geo::CPosition>()> m_vesselPosition;
};

}   // namespace charts
