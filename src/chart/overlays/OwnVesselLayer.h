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

    explicit COwnVesselLayer(ValuesSource values) : m_values(std::move(values)) { }

    // The vessel module's properties drive the overlay.
    COwnVesselStyle& Style() { return m_overlay.Style(); }
    bool IsOn() const override { return m_overlay.Style().vessel.GetDraw(); }
    void Draw(CChartDoc& doc, CXDC& dc) override;

private:
    ValuesSource m_values;
    COverlayOwnVessel m_overlay;
};

}   // namespace chart
