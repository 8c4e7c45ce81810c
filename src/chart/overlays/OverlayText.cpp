#include "chart/overlays/OverlayText.h"

namespace chart {

COverlayText::COverlayText(const Font* description)
{
    if (description) {
        font = *description;
    } else {
        font.face = "Arial";
        font.height = fontHeight;
        font.weight = fontWeight;
    }
}

IntPoint COverlayText::PlaceText(IntPoint at, IntSize extent, std::int32_t placement)
{
    const int x = at.x, y = at.y, w = extent.cx, h = extent.cy;
    switch (placement) {
    case kPlaceCentred: return {x - w / 2, y - h / 2};
    case kPlaceAbove: return {x - w / 2, y - 12 - h / 2};
    case kPlaceUpperRight: return {x + 7, y - 7 - h / 2};
    case kPlaceRight: return {x + 12, y - h / 2};
    case kPlaceLowerRight: return {x + 7, y + 7 - h / 2};
    case kPlaceBelow: return {x - w / 2, y + 12 - h / 2};
    case kPlaceLowerLeft: return {x - 7 - w, y + 7 - h / 2};
    case kPlaceLeft: return {x - 12 - w, y - h / 2};
    case kPlaceUpperLeft: return {x - 7 - w, y - 7 - h / 2};
    default: return at;
    }
}

void COverlayText::Draw(CXDC& dc)
{
    if (textColour & 0xFF000000u)
        return;
    const COLORREF oldText = dc.SetTextColor(textColour);
    const COLORREF oldBk = dc.SetBkColor(frameColour);
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
    const unsigned oldAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
    {
        CSelFont selFont(dc, font);
        const IntSize extent = dc.GetTextExtent(text);
        const IntPoint corner = PlaceText(m_screen, extent, placement);
        const int left = corner.x, top = corner.y, w = extent.cx, h = extent.cy;
        dc.TextOut(left, top, text);
        if (frameStyle == kFrameBox) {
            CSelPen pen(dc, frameColour);
            dc.MoveTo(left - 1, top - 1);
            dc.LineTo(left + w, top - 1);
            dc.LineTo(left + w, top + h - 1);
            dc.LineTo(left - 1, top + h - 1);
            dc.LineTo(left - 1, top - 1);
        } else if (frameStyle == kFrameEllipse) {
            CSelPen pen(dc, frameColour);
            CSelStock hollow(dc, StockObject::NullBrush);
            dc.Ellipse(left - 2, top - 2, left + w + 2, top + h + 2);
        }
    }
    dc.SetTextAlign(oldAlign);
    dc.SetBkMode(oldMode);
    dc.SetBkColor(oldBk);
    dc.SetTextColor(oldText);
}

}   // namespace chart
