#pragma once
// The recorded tracks of the log's vessels as a chart view's dynamic layer:
// drawn at every repaint from the thinned lists the navigator keeps, never
// from the track files.

#include <functional>

#include "chart/ChartViewPipeline.h"

namespace navigator {

class CTrackLayer final : public chart::CLayerSource {
public:
    using Drawer = std::function<void(chart::CChartDoc&, chart::CXDC&)>;
    CTrackLayer(std::function<bool()> isOn, Drawer draw)
        : m_isOn(std::move(isOn)), m_draw(std::move(draw))
    { }
    bool IsOn() const override { return m_isOn(); }
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override { m_draw(doc, dc); }

private:
    std::function<bool()> m_isOn;
    Drawer m_draw;
};

}   // namespace navigator
