#pragma once

#include <QPoint>

#include <optional>

#include "geo/NavMaths.h"
#include "geo/Position.h"

namespace chart {

class CChartDoc;
class CChartView;

// The position under a client point (device pixels of a view): through the
// chart point, the inverse of how marks are placed. On a raster chart the two
// points differ by the scroll and the zoom.
bool PositionAtClient(CChartDoc& doc, geo::IntPoint client, geo::CPosition& position);

// Where a position shows on the screen in `view`; none when its chart cannot
// place it.
std::optional<QPoint> ScreenPointOf(const CChartView& view, const geo::CPosition& position);

// A mark pressed in one chart view and dragged: it follows the pointer only
// once the pointer has gone more than 2 pixels from where it was pressed, so a
// click on a mark never moves it.
class CMarkDrag {
public:
    void Start(CChartView& view, geo::IntPoint p);
    // The pointer moved in `view`: true when the mark follows it there.
    bool Follow(const CChartView& view, geo::IntPoint p);
    // The button came up in `view`: true when a drag there ended, with
    // `moved` telling whether the mark was dragged away.
    bool Finish(const CChartView& view, bool& moved);
    // The view is going away.
    void Forget(const CChartView& view);

private:
    const CChartView* m_view = nullptr;
    geo::IntPoint m_start{};
    bool m_moved = false;
};

}   // namespace chart
