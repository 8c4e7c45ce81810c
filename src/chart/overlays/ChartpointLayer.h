#pragma once
// The chartpoint layer: every chartpoint of the open database as a marker
// with its label, under the chartpoint module's display properties.

#include "chart/overlays/ChartObject.h"
#include "chart/overlays/ObjectLists.h"
#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayProperties.h"

namespace chart {

class CChartpointList : public CChartObject {
public:
    CChartpointList(CChartDoc* owner, const CChartpointProperties* properties)
        : CChartObject(owner), m_properties(properties)
    { }
    // Every marker that is not selected (the view draws the selected one),
    // in list order, each with its label unless that would cover a label
    // drawn before it. On memory the symbol is drawn once and stamped.
    void Draw(CXDC& dc) override;
    COwningList<COverlayChartpoint>& Overlays() { return m_overlays; }
    // "CP", the ID when shown, a blank and the name when shown; empty when
    // neither shows.
    static std::string LabelFor(const CChartpointProperties& props, const COverlayChartpoint& cp);

private:
    const CChartpointProperties* m_properties;
    COwningList<COverlayChartpoint> m_overlays;
};

}   // namespace chart
