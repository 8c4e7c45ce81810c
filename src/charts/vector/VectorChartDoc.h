#pragma once
// Base of the chart kinds drawn from geometry rather than a raster: the blank
// chart and the vector charts. Positions map linearly onto the view over the
// chart's current extent, longitudes wrapping across the 180-degree meridian
// when the extent does; the base also draws the latitude/longitude grid, the
// zoom drag rectangle, tests the chart's edges for scrolling and keeps the
// extent with the window placement. A kind supplies the current extent, the
// visible rectangle and the zoom.

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "chart/ChartDoc.h"
#include "charts/vector/VectorGrid.h"

namespace charts {

class CVectorChartDoc : public chart::CChartDoc {
public:
    // The 16 colours of the vector kinds as buffer pixels (0xFFRRGGBB).
    static const std::array<std::uint32_t, 16> kColours;

    using CChartDoc::CChartDoc;

    virtual void SetZoomFactor(double zoom) { m_zoomFactor = zoom; }
    double GetZoomFactor() const { return m_zoomFactor; }
    bool CrossesDateLine() const { return m_crossesDateLine; }
    const std::string& GetOrientationText() const { return m_orientation; }
    bool GetWholeExtent(geo::CPosition& northWest, geo::CPosition& southEast) const;
    bool IsWestEdgeInView();
    bool IsNorthEdgeInView();
    bool IsEastEdgeInView();
    bool IsSouthEdgeInView();

    void PrepareBuffer(chart::CScreenBuffer& buffer) override;
    bool DrawGrid(chart::CXDC& dc) override;
    bool IsAtMaxZoom() override;
    bool IsAtMinZoom() override { return false; }
    std::string GetExtentText() override;
    bool PositionToPoint(const geo::CPosition& position, geo::IntPoint& point) override;
    bool PointToPosition(geo::IntPoint point, geo::CPosition& position) override;
    bool PositionToPoints(const geo::CPosition& position, chart::PointList& points) override;
    bool IsChartPointOnChart(geo::IntPoint point) override;
    bool IsPositionOnChart(const geo::CPosition& position) const override;
    void RestoreWindowPlacement(app::CRegistry& registry) override;
    void SaveWindowPlacement(app::CRegistry& registry) override;
    void BeginDrag(geo::IntPoint point, bool continuing) override;
    void DragTo(geo::IntPoint point) override;
    void EndDrag(geo::IntPoint point) override;
    void DrawDragRect(chart::CXDC& dc) override;

    // The grid lines over the current extent and visible rectangle.
    std::vector<CGridLine> ComputeGridLines();

protected:
    void SetCrossesDateLine(bool on) { m_crossesDateLine = on; }
    void SetOrientationText(std::string text) { m_orientation = std::move(text); }
    // The saved extent comes back; the base zooms to its rectangle, a kind
    // that keeps its extent itself sets it directly.
    virtual void RestoreExtent(const geo::CPosition& northWest, const geo::CPosition& southEast);

private:
    double m_zoomFactor = 1.0;
    bool m_crossesDateLine = false;
    std::string m_orientation = "North up";
};

}   // namespace charts
