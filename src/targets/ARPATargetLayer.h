#pragma once
// The ARPA targets on a chart view: each shown target's track (line, fix
// markers, the closing line to its symbol) and its symbol with projected
// path, labels and warning circle, through the chart overlays. A target that
// is not up to date (silent, or the own position dead-reckoned) has its whole
// track drawn red. The radar cursor is a green cross where the radar points.
//
// Drawn on the user-interface thread from what the module's pass worked out;
// the reader thread never touches what is drawn.

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/OverlayTarget.h"
#include "targets/ARPAModule.h"
#include "targets/TrackPixels.h"

namespace targets {

class CARPATargetLayer final : public chart::CTargetLayerSource, public chart::CTargetTracking {
public:
    explicit CARPATargetLayer(const CARPAModule& module);
    ~CARPATargetLayer() override;

    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;
    void BeginPass() override;
    // `key` is the target's record as the navigator's vessel list holds it.
    bool DrawTarget(chart::CChartDoc& doc, chart::CXDC& dc, const void* key) override;

    // The drawn target under a client point (the selected one first, then the
    // one drawn last); null when none.
    const CTargetRecord* HitTest(geo::IntPoint point) const;
    // True when the target's drawn symbol takes the point.
    bool Hits(const CTargetRecord* record, geo::IntPoint point) const;

    // The track fix whose marker, as the last paint drew it, lies under a
    // client point: the newest of the target drawn last, targets whose track
    // or markers are not shown left out; none when there is none.
    struct CFixHit {
        const CTargetRecord* record = nullptr;
        std::size_t fix = 0;   // index into the target's track
    };
    std::optional<CFixHit> HitTestFix(geo::IntPoint point) const;

    // What the symbols ask of the target module.
    bool IsKnownTargetKey(char key) const override;
    bool WarningCircles() const override;
    double WarningCirclesRadius() const override;
    chart::CCurrentTargetCount& CurrentTargets() override { return m_current; }

private:
    // The symbol of one shown target, then its track over it.
    void DrawOne(chart::CChartDoc& doc, chart::CXDC& dc, const CTrackedTarget& target);

    // What the layer keeps of one target between paints: its symbol, and the
    // pixels of its track fixes. Fixes only ever join the end, so a paint
    // converts the new ones; the pixels are worked out again when the view
    // moved (a probe fix no longer lands where it did) or the chart changed.
    struct CTargetPicture {
        std::unique_ptr<chart::COverlayTarget> symbol;
        const chart::CChartDoc* doc = nullptr;
        CTrackPixels pixels;
        // The further places a chart shows a fix at (an inset's), fix by
        // fix: they carry markers only.
        std::vector<std::pair<std::size_t, geo::IntPoint>> copies;
        std::uint64_t propertiesGeneration = ~std::uint64_t{0};   // of the symbol's properties
        bool drawn = false;   // by the last paint
        // The first pixel entry and the hit radius of the markers the last
        // paint drew; no markers drawn: none.
        std::optional<std::pair<std::size_t, int>> markers;
    };

    void DrawTrack(chart::CChartDoc& doc, chart::CXDC& dc, const CTrackedTarget& target,
                   const chart::CTargetProperties& properties, CTargetPicture& picture);
    CTargetPicture& PictureFor(const CTrackedTarget& target);
    void UpdateTrackPoints(chart::CChartDoc& doc, const CTrackedTarget& target,
                           CTargetPicture& picture);

    const CARPAModule& m_module;
    chart::CCurrentTargetCount m_current;
    // One picture per record, kept between paints; dropped when the target goes.
    std::map<const CTargetRecord*, CTargetPicture> m_pictures;
};

class CRadarCursorLayer final : public chart::CLayerSource {
public:
    explicit CRadarCursorLayer(const CARPAModule& module) : m_module(module) { }
    bool IsOn() const override { return m_module.IsCursorShown(); }
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

private:
    const CARPAModule& m_module;
};

}   // namespace targets
