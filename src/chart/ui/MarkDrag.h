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
// click on a mark never moves it. Dragged off the chart, the mark is let go
// where it was last drawn on the chart.
class CMarkDrag {
public:
    enum class Step {
        None,   // no drag in this view, or the mark has not moved yet
        Follows,   // the mark is drawn at the pointer
        LeftChart,   // the drag ended: the mark stays at the drop point
    };

    void Start(CChartView& view, geo::IntPoint p);
    // The pointer moved in `view`. On LeftChart `dropAt` is where the mark
    // was last drawn and the drag is over.
    Step Follow(const CChartView& view, geo::IntPoint p, geo::IntPoint& dropAt);
    // The button came up in `view`: true when a drag there ended, with
    // `moved` telling whether the mark was dragged away.
    bool Finish(const CChartView& view, bool& moved);
    // Where a moved mark is let go for a release at `p`: there, or off the
    // chart where the mark was last drawn.
    geo::IntPoint DropPoint(const CChartView& view, geo::IntPoint p) const;
    // The view is going away.
    void Forget(const CChartView& view);

private:
    const CChartView* m_view = nullptr;
    geo::IntPoint m_start{};
    geo::IntPoint m_last{};   // where the mark was last drawn, once moved
    bool m_moved = false;
};

}   // namespace chart
