#include "chart/ui/MarkDrag.h"

#include <cstdlib>

#include "chart/ChartDoc.h"
#include "chart/ui/ChartView.h"

namespace chart {

bool PositionAtClient(CChartDoc& doc, geo::IntPoint client, geo::CPosition& position)
{
    geo::IntPoint chartPoint;
    doc.ClientToChartPoint(client, chartPoint);
    return doc.PointToPosition(chartPoint, position);
}

std::optional<QPoint> ScreenPointOf(const CChartView& view, const geo::CPosition& position)
{
    PointList points;
    if (!view.Doc().PositionToClientPoints(position, points) || points.empty())
        return std::nullopt;
    const double ratio = view.PixelRatio();
    return view.mapToGlobal(
        QPoint(int(points.front().x / ratio + 0.5), int(points.front().y / ratio + 0.5)));
}

void CMarkDrag::Start(CChartView& view, geo::IntPoint p)
{
    m_view = &view;
    m_start = p;
    m_moved = false;
}

CMarkDrag::Step CMarkDrag::Follow(const CChartView& view, geo::IntPoint p, geo::IntPoint& dropAt)
{
    if (m_view != &view)
        return Step::None;
    if (!view.Doc().IsClientPointOnChart(p)) {
        m_view = nullptr;
        if (!m_moved)
            return Step::None;   // still where it was pressed: nothing to move
        m_moved = false;
        dropAt = m_last;
        return Step::LeftChart;
    }
    if (std::abs(p.x - m_start.x) + std::abs(p.y - m_start.y) > 2)
        m_moved = true;
    if (!m_moved)
        return Step::None;
    m_last = p;
    return Step::Follows;
}

bool CMarkDrag::Finish(const CChartView& view, bool& moved)
{
    if (m_view != &view)
        return false;
    m_view = nullptr;
    moved = m_moved;
    return true;
}

geo::IntPoint CMarkDrag::DropPoint(const CChartView& view, geo::IntPoint p) const
{
    return view.Doc().IsClientPointOnChart(p) ? p : m_last;
}

void CMarkDrag::Forget(const CChartView& view)
{
    if (m_view == &view)
        m_view = nullptr;
}

}   // namespace chart
