#pragma once
// A text label at a position: its font and colour, one of nine placements
// round the point, optionally boxed or ringed.

#include <string>

#include "chart/overlays/OverlayPoint.h"

namespace chart {

enum TextFrame : std::int32_t { kFrameNone = 0, kFrameBox = 1, kFrameEllipse = 2 };

// Placements of the text round its point.
enum TextPlacement : std::int32_t {
    kPlaceCentred = 0,
    kPlaceAbove,
    kPlaceUpperRight,
    kPlaceRight,
    kPlaceLowerRight,
    kPlaceBelow,
    kPlaceLowerLeft,
    kPlaceLeft,
    kPlaceUpperLeft
};

class COverlayText : public COverlayPoint {
public:
    // Every user passes the font of its text-label properties; without one
    // the label uses the sans family at the overlay's own size.
    explicit COverlayText(const Font* description = nullptr);

    std::string GetDisplayName() const override { return "Text overlay"; }
    // Nothing is drawn, and nothing in the context changes, for a colour that
    // is not a colour.
    void Draw(CXDC& dc) override;
    // The top-left corner of a text of `extent` placed round `at`.
    static IntPoint PlaceText(IntPoint at, IntSize extent, std::int32_t placement);

    Font font;
    int fontHeight = 12;
    int fontWidth = 6;
    int fontWeight = 400;
    COLORREF textColour = app::RGB(0, 84, 227);
    COLORREF frameColour = 0x7FFF;
    std::string text;
    std::int32_t frameStyle = kFrameNone;
    std::int32_t placement = kPlaceCentred;
};

}   // namespace chart
