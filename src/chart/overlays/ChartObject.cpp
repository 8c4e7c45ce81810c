#include "chart/overlays/ChartObject.h"

#include <algorithm>

#include "chart/ChartDoc.h"

namespace chart {

CChartObject* CChartObject::HitTest(const IntRect& r)
{
    UpdateScreenPosition();
    if (r.right >= m_bounds.left && r.left < m_bounds.right && r.bottom >= m_bounds.top &&
        r.top < m_bounds.bottom)
        return this;
    return nullptr;
}

void CChartObject::UpdateBounds()
{
    m_bounds = {m_offset.left + m_screen.x, m_offset.top + m_screen.y, m_offset.right + m_screen.x,
                m_offset.bottom + m_screen.y};
}

void CChartObject::SetPosition(const geo::CPosition& position)
{
    m_position = position;
    UpdateScreenPosition();
}

void CChartObject::UpdateScreenPosition()
{
    if (!m_owner)
        return;
    geo::CPosition shifted;
    m_owner->ShiftToChartDatum(m_position, shifted);
    IntPoint p;
    if (m_owner->PositionToPoint(shifted, p)) {
        m_owner->ChartToClientPoint(p, p);
        m_screen = p;
    }
    UpdateBounds();
}

void CChartObject::ExtendBounds(int x, int y, bool reset)
{
    if (reset) {
        m_bounds = {x, y, x, y};
        return;
    }
    m_bounds.left = std::min(m_bounds.left, x - 1);
    m_bounds.top = std::min(m_bounds.top, y - 1);
    m_bounds.right = std::max(m_bounds.right, x + 1);
    m_bounds.bottom = std::max(m_bounds.bottom, y + 1);
}

CChartObject* CChartVector::HitTest(const IntRect&)
{
    if (m_firstHit) {
        m_firstHit = false;
        return nullptr;
    }
    return this;
}

}   // namespace chart
