#include "chart/overlays/OwnVesselLayer.h"

namespace chart {

bool COwnVesselLayer::IsOn() const
{
    const COwnVesselStyle* style = m_style ? m_style() : nullptr;
    return (style ? *style : m_overlay.Style()).vessel.GetDraw();
}

void COwnVesselLayer::Draw(CChartDoc& doc, CXDC& dc)
{
    if (const COwnVesselStyle* style = m_style ? m_style() : nullptr)
        m_overlay.Style() = *style;
    COwnVesselValues values;
    if (!m_values || !m_values(values))
        return;
    m_overlay.SetOwner(&doc);
    m_overlay.SetValues(values);
    m_overlay.Draw(dc);
}

}   // namespace chart
