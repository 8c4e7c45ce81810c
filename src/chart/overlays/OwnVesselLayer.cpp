#include "chart/overlays/OwnVesselLayer.h"

namespace chart {

void COwnVesselLayer::Draw(CChartDoc& doc, CXDC& dc)
{
    COwnVesselValues values;
    if (!m_values || !m_values(values))
        return;
    m_overlay.SetOwner(&doc);
    m_overlay.SetValues(values);
    m_overlay.Draw(dc);
}

}   // namespace chart
