#pragma once
// The own vessel as a dynamic layer of the chart view: at every paint it
// asks the navigator for the vessel's values and draws the own-vessel
// overlay on the view's document. A view sets it as the source of its
// own-vessel layer.

#include <functional>

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/OverlayVessel.h"

namespace chart {

class COwnVesselLayer : public CLayerSource {
public:
    // Fills the values and answers true when the navigator has them.
    using ValuesSource = std::function<bool(COwnVesselValues&)>;

    // The vessel module's display properties; null, or no source, keeps the overlay's own.
    using StyleSource = std::function<const COwnVesselStyle*()>;

    explicit COwnVesselLayer(ValuesSource values, StyleSource style = {})
        : m_values(std::move(values)), m_style(std::move(style))
    { }

    // The vessel module's properties drive the overlay.
    COwnVesselStyle& Style() { return m_overlay.Style(); }
    bool IsOn() const override;
    void Draw(CChartDoc& doc, CXDC& dc) override;

private:
    ValuesSource m_values;
    StyleSource m_style;
    COverlayOwnVessel m_overlay;
};

}   // namespace chart
