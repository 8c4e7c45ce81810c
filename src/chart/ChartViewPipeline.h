#pragma once
// What a chart view draws and when, without the window: three buffers (the
// chart picture; the static overlays over a copy of it; the dynamic layers
// over a copy of that), two dirty flags, and the fixed order of the layers.
// A chart redraw redoes all three, an overlay redraw the last two, and a
// bare repaint (the vessel moved) only the dynamic layers over a copy of
// buffer 2, so a moving vessel never costs a chart redraw.
//
// Layers whose subsystem is not part of the program yet have no source and
// are skipped; each source answers whether its switch is on and draws.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/MsgBar.h"
#include "chart/RangeBearing.h"

namespace geo {
class CPosition;
}

namespace chart {

class CChartDoc;
class CChartingModule;
class CScreenBuffer;
class CXDC;

// The static layers, in drawing order.
enum class StaticLayer : int {
    TidalBoxes,
    FolioBoxes,
    Grid,
    PlanTracks,
    Chartpoints,
    Route,
    ArrivalCircles,
    Perpendiculars,
    DeviationLimits,
    ViewTrack,
    RangeBearing,
    TidalAtlas,
    TidalVector,
};
inline constexpr int kStaticLayerCount = 13;
// The dynamic layers, in drawing order.
enum class DynamicLayer : int {
    CurrentChartpoint,
    ActiveRoute,
    Targets,
    TenderTargets,
    RadarCursor,
    CurrentRouteMonitoring,
    OwnTrack,
    OwnVessel,
    RangeBearingInProgress,
    DragRectangle,
};
inline constexpr int kDynamicLayerCount = 10;

// A layer's drawing: its switch, read at every pass, and the drawing itself.
class CLayerSource {
public:
    virtual ~CLayerSource() = default;
    virtual bool IsOn() const = 0;
    virtual void Draw(CChartDoc& doc, CXDC& dc) = 0;
};

// A layer of targets that can be drawn one target at a time, so that the
// targets of both layers are drawn in the order of the navigator's vessel
// list (a later vessel over an earlier one, whatever its kind).
class CTargetLayerSource : public CLayerSource {
public:
    // Before the targets of a pass: forget what the last pass drew.
    virtual void BeginPass() = 0;
    // Draws the target the vessel `key` stands for when it is one of this
    // layer's; false when it is not.
    virtual bool DrawTarget(CChartDoc& doc, CXDC& dc, const void* key) = 0;
};

// The vessels of the navigator's list, oldest first, as keys.
using TargetOrder = std::function<void(std::vector<const void*>&)>;

// The six counters of objects that cannot be referenced accurately to the
// chart: chartpoints on the chart, of them with the fallback datum, of them
// drawn without a datum shift; then the same for the selected route's
// waypoints. They never go below 0. A non-zero no-shift count switches the
// matching "cannot be referenced" message on.
struct CReferenceCounters {
    std::array<std::uint16_t, 3> chartpoints{};
    std::array<std::uint16_t, 3> waypoints{};
    enum Kind { kOnChart = 0, kFallbackDatum = 1, kNoShift = 2 };
    // Counts one object (`add`) or uncounts it, clamped at 0 and 65535.
    static void Count(std::array<std::uint16_t, 3>& c, bool onChart, bool fallbackDatum,
                      bool noShift, bool add);
    // One object of a layer build at `position`, counted as the build counts
    // it: when the chart takes the position, as on the chart, and then in the
    // fallback datum (also drawn without a shift) or, on a chart without datum
    // shift, as drawn without a shift. True when it is on the chart.
    static bool CountAt(std::array<std::uint16_t, 3>& c, CChartDoc& doc,
                        const geo::CPosition& position);
};

class CChartViewPipeline {
public:
    CChartViewPipeline(CChartDoc& doc, CChartingModule* module);
    ~CChartViewPipeline();

    void SetSource(StaticLayer layer, CLayerSource* source);
    void SetSource(DynamicLayer layer, CLayerSource* source);
    // Where the order of the targets comes from; without one, the charting
    // module's, and without that each target layer draws its own in turn.
    void SetTargetOrder(TargetOrder order) { m_targetOrder = std::move(order); }

    void InvalidateChart() { m_chartDirty = m_overlaysDirty = true; }
    void InvalidateOverlays() { m_overlaysDirty = true; }
    bool IsChartDirty() const { return m_chartDirty; }
    bool AreOverlaysDirty() const { return m_overlaysDirty; }

    // One paint into the buffers: what is dirty, then the dynamic layers.
    // False when nothing could be drawn (no document loaded, another view
    // painting, an exception): the flags then stay as they were, and the
    // caller still validates its window, so there is no repaint loop.
    bool Render(CScreenBuffer& buffers);

    // Range and bearing: the measurement in progress and the finished ones.
    std::unique_ptr<CRangeBearingOverlay>& InProgress() { return m_inProgress; }
    std::vector<std::unique_ptr<CRangeBearingOverlay>>& Measurements() { return m_measurements; }
    void ClearRangeBearing();
    // The label of the measurement in progress as last drawn.
    const std::string& InProgressLabel() const { return m_inProgressLabel; }
    void SetDragging(bool on) { m_dragging = on; }
    bool IsDragging() const { return m_dragging; }

    CReferenceCounters& Counters() { return m_counters; }
    // The two "cannot be referenced" messages follow the no-shift counters.
    void UpdateReferenceMessages();

    int ChartDraws() const { return m_chartDraws; }
    int StaticDraws() const { return m_staticDraws; }
    int DynamicDraws() const { return m_dynamicDraws; }

private:
    void DrawStaticLayers(CXDC& dc);
    void DrawDynamicLayers(CXDC& dc);
    // Both target layers' targets in the vessel list's order; false when
    // there is no order to draw them in.
    bool DrawTargetsInOrder(CXDC& dc);
    int ActivePalette() const;

    CChartDoc& m_doc;
    CChartingModule* m_module;
    std::array<CLayerSource*, kStaticLayerCount> m_static{};
    std::array<CLayerSource*, kDynamicLayerCount> m_dynamic{};
    TargetOrder m_targetOrder;
    std::vector<const void*> m_targetKeys;
    bool m_chartDirty = true;
    bool m_overlaysDirty = true;
    bool m_dragging = false;
    std::unique_ptr<CRangeBearingOverlay> m_inProgress;
    std::vector<std::unique_ptr<CRangeBearingOverlay>> m_measurements;
    std::string m_inProgressLabel;
    CReferenceCounters m_counters;
    int m_chartDraws = 0;
    int m_staticDraws = 0;
    int m_dynamicDraws = 0;
};

}   // namespace chart
