#pragma once
// The tenders on a chart view: each tender's track (line and position
// markers, limited to the last span when asked) and its symbol with circle,
// labels (channel id, name, depth), projected path and, for the current
// tender, the focus box. A tender no longer reporting is drawn red. The
// layer remembers where it drew each symbol, so a click can find its tender.
//
// Drawn on the user-interface thread, where tender tracking lives.

#include <map>
#include <memory>
#include <optional>

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/OverlayTarget.h"
#include "targets/TenderTracking.h"

namespace targets {

class CTenderTargetLayer final : public chart::CTargetLayerSource, public chart::CTargetTracking {
public:
    explicit CTenderTargetLayer(const CTenderTracking& tracking);
    ~CTenderTargetLayer() override;

    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;
    void BeginPass() override;
    // `key` is the tender's record as the navigator's vessel list holds it.
    bool DrawTarget(chart::CChartDoc& doc, chart::CXDC& dc, const void* key) override;

    bool IsKnownTargetKey(char) const override { return true; }
    bool WarningCircles() const override;
    double WarningCirclesRadius() const override;
    chart::CCurrentTargetCount& CurrentTargets() override { return m_current; }

    // The channel of the tender whose symbol, as the last paint placed it,
    // the point hits by the symbol's own test (within its hit radius for the
    // overlay size) on the chart as it is now; nothing when none does.
    std::optional<int> HitTest(chart::CChartDoc& doc, geo::IntPoint point) const;
    // The same test for the tender on one channel only.
    bool Hits(chart::CChartDoc& doc, geo::IntPoint point, int channel) const;

    // The tender (channel) and the index in its track of the position
    // marker drawn under the point, the newest first; only markers the
    // tender's properties draw count.
    struct CFixHit {
        int channel;
        std::size_t fix;
    };
    std::optional<CFixHit> HitTestFix(chart::CChartDoc& doc, geo::IntPoint point) const;

private:
    // The symbol of one tender, then its track over it.
    void DrawOne(chart::CChartDoc& doc, chart::CXDC& dc, const CTender& tender);
    // The track, its markers and the closing line to the symbol drawn at `symbolAt`.
    void DrawTrack(chart::CChartDoc& doc, chart::CXDC& dc, const CTender& tender,
                   const CTargetPosition& symbolAt) const;

    const CTenderTracking& m_tracking;
    chart::CCurrentTargetCount m_current;
    std::map<const CTenderRecord*, std::unique_ptr<chart::COverlayTenderTarget>> m_symbols;
    std::map<int, CTargetPosition> m_drawnAt;   // channel -> where its symbol was drawn
};

}   // namespace targets
