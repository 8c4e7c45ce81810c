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

bool CMarkDrag::Follow(const CChartView& view, geo::IntPoint p)
{
    if (m_view != &view)
        return false;
    if (std::abs(p.x - m_start.x) + std::abs(p.y - m_start.y) > 2)
        m_moved = true;
    return m_moved;
}

bool CMarkDrag::Finish(const CChartView& view, bool& moved)
{
    if (m_view != &view)
        return false;
    m_view = nullptr;
    moved = m_moved;
    return true;
}

void CMarkDrag::Forget(const CChartView& view)
{
    if (m_view == &view)
        m_view = nullptr;
}

}   // namespace chart
