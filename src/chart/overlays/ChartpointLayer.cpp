#include "chart/overlays/ChartpointLayer.h"

#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayText.h"

#include <optional>

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
    // The symbol drawn once with the pen and size in force; none where the
    // context cannot (a window's or printer's painter, a recording).
    COverlayChartpoint symbol;
    symbol.SetSizeMode(m_properties->GetSizeMode());
    const CSymbolStamp stamp = dc.MakeStamp(symbol.SymbolBox(), [&symbol](CXDC& sdc, IntPoint at) {
        symbol.SetScreenPoint(at);
        symbol.Draw(sdc);
    });
    // Every label in the one font and colour, placed above its mark.
    const COLORREF textColour = m_properties->Text().GetColour();
    const bool labels = (textColour & 0xFF000000u) == 0;
    const COLORREF oldText = dc.SetTextColor(textColour);
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
    const unsigned oldAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
    CSelFont font(dc, m_properties->Text().GetFont());
    PointList points;
    std::string label;
    for (const auto& overlay : m_overlays) {
        if (overlay->IsSelected())
            continue;
        if (!m_owner->PositionToClientPoints(overlay->GetPosition(), points))
            continue;
        label = labels ? LabelFor(*m_properties, *overlay) : std::string();
        overlay->SetSizeMode(m_properties->GetSizeMode());
        std::optional<IntSize> extent;
        for (const IntPoint& p : points) {
            overlay->SetScreenPoint(p);
            if (stamp.IsEmpty())
                overlay->Draw(dc);
            else
                dc.Stamp(stamp, std::span(&p, 1));
            // Every label is drawn above its mark, measured once for all
            // the points of its position.
            if (label.empty())
                continue;
            if (!extent)
                extent = dc.GetTextExtent(label);
            const IntPoint corner = COverlayText::PlaceText(p, *extent, kPlaceAbove);
            dc.TextOut(corner.x, corner.y, label);
        }
    }
    dc.SetTextAlign(oldAlign);
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldText);
}

}   // namespace chart
