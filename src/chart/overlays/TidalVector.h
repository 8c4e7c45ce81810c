#pragma once
// A tidal-stream arrow: from its position in the stream's direction, as long
// as the rate says (capped by the tidal settings), drawn only where the chart
// shows water, with its rate and height as text.

#include "chart/overlays/ChartObject.h"
#include "chart/overlays/OverlayServices.h"

namespace chart {

// Arrow colours: 0 black/white/grey by palette, 1 blue, 2 red.
enum TidalColourKind : std::int32_t { kTidalPlain = 0, kTidalBlue = 1, kTidalRed = 2 };

// Drawing modes of DrawOn: 1 draws with NOT-XOR, 2 labels rate and height
// in a box.
enum TidalDrawMode : int { kTidalDraw = 0, kTidalInvert = 1, kTidalBoxedLabel = 2 };

class CTidalVector : public CChartObject {
public:
    CTidalVector(CChartDoc* owner, const CTidalSettingsSource* settings);

    CChartObject* HitTest(const IntRect& rect) override;
    // The arrow sets its bounds while it draws.
    void UpdateBounds() override { }
    void DrawOn(CXDC& dc, IntPoint point, int mode) override;

    void SetVector(const geo::CPosition& position, double direction, double rate, double height,
                   double lengthFactor, double extra1 = 0, double extra2 = 0, double extra3 = 0);
    // The rate made non-negative, then the document draws the arrow.
    void DrawOnChart(CXDC* dc, int mode);
    // The five pixels round the point show water of the kind this arrow
    // is drawn over.
    bool IsDrawableAt(const CXDC& dc, IntPoint point) const;

    void SetColourKind(std::int32_t kind) { m_colourKind = kind; }
    double GetDrawnLength() const { return m_length; }
    double GetHeadLength() const { return m_headLength; }
    COLORREF GetPenColour() const { return m_penColour; }
    double GetRate() const { return m_rate; }
    // Whether the last DrawOn drew the arrow (it keeps off land).
    bool WasDrawn() const { return m_drawn; }

private:
    void DrawRateHeightLabel(CXDC& dc, IntPoint p);
    void DrawRateLabel(CXDC& dc, IntPoint p, double direction);
    Font LabelFont(const CXDC& dc) const;

    const CTidalSettingsSource* m_settings;
    bool m_firstHit = true;
    double m_rate = 0;
    double m_direction = 0;
    double m_height = 0;
    double m_lengthFactor = 0;
    double m_extra[3]{};
    double m_length = 0;
    double m_headLength = 0;
    std::int32_t m_colourKind = kTidalPlain;
    COLORREF m_penColour = 0;
    bool m_drawn = false;
};

}   // namespace chart
