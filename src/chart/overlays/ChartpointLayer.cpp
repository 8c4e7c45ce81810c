#include "chart/overlays/ChartpointLayer.h"

#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayText.h"

namespace chart {

std::string CChartpointList::LabelFor(const CChartpointProperties& props,
                                      const COverlayChartpoint& cp)
{
    const bool showId = props.drawId && !cp.idText.empty();
    const bool showName = props.drawName && !cp.name.empty();
    if (!showId && !showName)
        return {};
    std::string label = props.GetLabelPrefix();
    if (showId)
        label += cp.idText;
    if (showName)
        label += " " + cp.name;
    return label;
}

void CChartpointList::Draw(CXDC& dc)
{
    if (!m_owner || !m_properties)
        return;
    CSelPen pen(dc, m_properties->GetColour());
    COverlayText text(&m_properties->Text().GetFont());
    text.textColour = m_properties->Text().GetColour();
    text.frameStyle = kFrameNone;
    text.placement = kPlaceAbove;
    text.SetOwner(m_owner);
    PointList points;
    for (const auto& overlay : m_overlays) {
        if (overlay->IsSelected())
            continue;
        if (!m_owner->PositionToClientPoints(overlay->GetPosition(), points))
            continue;
        text.text = LabelFor(*m_properties, *overlay);
        overlay->SetSizeMode(m_properties->GetSizeMode());
        for (const IntPoint& p : points) {
            overlay->SetScreenPoint(p);
            overlay->Draw(dc);
            if (!text.text.empty()) {
                text.SetScreenPoint(p);
                text.Draw(dc);
            }
        }
    }
}

}   // namespace chart
