#include "chart/ChartViewPipeline.h"

#include "app/DisplayPalettes.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "geo/DatumInfo.h"

namespace chart {

namespace {

// One paint at a time on the user-interface thread, over every view.
bool g_painting = false;

struct PaintGuard {
    PaintGuard() { g_painting = true; }
    ~PaintGuard() { g_painting = false; }
};

}   // namespace

void CReferenceCounters::Count(std::array<std::uint16_t, 3>& c, bool onChart, bool fallbackDatum,
                               bool noShift, bool add)
{
    auto step = [add](std::uint16_t& v) {
        if (add && v < UINT16_MAX)
            ++v;
        else if (!add && v > 0)
            --v;
    };
    if (onChart)
        step(c[kOnChart]);
    if (fallbackDatum)
        step(c[kFallbackDatum]);
    if (noShift)
        step(c[kNoShift]);
}

bool CReferenceCounters::CountAt(std::array<std::uint16_t, 3>& c, CChartDoc& doc,
                                 const geo::CPosition& position)
{
    if (!doc.IsPositionOnChart(position))
        return false;
    const std::uint16_t fallbackDatum = geo::DatumIndexFallback();
    const bool fallback =
        fallbackDatum != geo::kNoDatumIndex && position.GetDatum() == fallbackDatum;
    Count(c, true, fallback, fallback || !doc.HasDatumShift(), true);
    return true;
}

CChartViewPipeline::CChartViewPipeline(CChartDoc& doc, CChartingModule* module)
    : m_doc(doc), m_module(module)
{ }

CChartViewPipeline::~CChartViewPipeline() = default;

void CChartViewPipeline::SetSource(StaticLayer layer, CLayerSource* source)
{
    m_static[static_cast<int>(layer)] = source;
}

void CChartViewPipeline::SetSource(DynamicLayer layer, CLayerSource* source)
{
    m_dynamic[static_cast<int>(layer)] = source;
}

int CChartViewPipeline::ActivePalette() const
{
    return m_module && m_module->Services().palettes ? m_module->Services().palettes->GetActive()
                                                     : kPaletteDay;
}

bool CChartViewPipeline::Render(CScreenBuffer& buffers)
{
    if (g_painting || !m_doc.IsChartLoaded())
        return false;
    PaintGuard guard;
    try {
        m_doc.SetTitle();
        if (m_chartDirty) {
            m_doc.PrepareBuffer(buffers);
            m_doc.DrawChart(buffers.Chart());
            ++m_chartDraws;
        }
        if (m_chartDirty || m_overlaysDirty) {
            // Rows are copied up only where a layer draws: with no static
            // layer drawn the chart buffer stands for the static picture.
            buffers.BeginStatic();
            DrawStaticLayers(buffers.Static());
            ++m_staticDraws;
        }
        buffers.BeginDynamic();
        DrawDynamicLayers(buffers.Dynamic());
        ++m_dynamicDraws;
    } catch (...) {
        return false;
    }
    m_chartDirty = false;
    m_overlaysDirty = false;
    return true;
}

void CChartViewPipeline::DrawStaticLayers(CXDC& dc)
{
    CChartSettings defaults;
    const CChartSettings& settings = m_module ? m_module->ChartSettings() : defaults;
    for (int i = 0; i < kStaticLayerCount; ++i) {
        switch (static_cast<StaticLayer>(i)) {
        case StaticLayer::FolioBoxes:
            if (settings.drawFolioBoxes)
                m_doc.DrawFolioBoxes(dc);
            continue;
        case StaticLayer::Grid:
            if (settings.drawLatLongGrid)
                m_doc.DrawGrid(dc);
            continue;
        case StaticLayer::RangeBearing: {
            // Lines first, then every label above all lines. A failure ends
            // its pass quietly; one among the lines leaves the labels out.
            const bool night = ActivePalette() != kPaletteDay;
            try {
                for (const auto& m : m_measurements)
                    m->DrawLine(dc, night);
            } catch (...) {
                continue;
            }
            try {
                for (const auto& m : m_measurements)
                    m->DrawLabel(dc);
            } catch (...) { }
            continue;
        }
        default: break;
        }
        if (CLayerSource* source = m_static[i]; source && source->IsOn())
            source->Draw(m_doc, dc);
    }
}

void CChartViewPipeline::DrawDynamicLayers(CXDC& dc)
{
    for (int i = 0; i < kDynamicLayerCount; ++i) {
        switch (static_cast<DynamicLayer>(i)) {
        case DynamicLayer::RangeBearingInProgress:
            if (m_inProgress && m_inProgress->GetState() == CRangeBearingOverlay::kStarted) {
                m_inProgress->DrawLine(dc, ActivePalette() != kPaletteDay);
                m_inProgressLabel = m_inProgress->ComputeLabel(m_inProgress->EndPoint());
            }
            continue;
        case DynamicLayer::DragRectangle:
            if (m_dragging)
                m_doc.DrawDragRect(dc);
            continue;
        case DynamicLayer::Targets:
            if (DrawTargetsInOrder(dc)) {
                ++i;   // the tender targets were drawn with the others
                continue;
            }
            break;
        default: break;
        }
        if (CLayerSource* source = m_dynamic[i]; source && source->IsOn())
            source->Draw(m_doc, dc);
    }
}

bool CChartViewPipeline::DrawTargetsInOrder(CXDC& dc)
{
    static_assert(static_cast<int>(DynamicLayer::TenderTargets) ==
                  static_cast<int>(DynamicLayer::Targets) + 1);
    const TargetOrder& order = m_targetOrder ? m_targetOrder
                               : m_module    ? m_module->Services().targetOrder
                                             : m_targetOrder;
    if (!order)
        return false;
    CTargetLayerSource* layers[2] = {};
    for (int k = 0; k < 2; ++k) {
        CLayerSource* source = m_dynamic[static_cast<int>(DynamicLayer::Targets) + k];
        if (!source)
            continue;
        auto* targets = dynamic_cast<CTargetLayerSource*>(source);
        if (!targets)
            return false;   // a layer that draws only as a whole
        if (targets->IsOn())
            layers[k] = targets;
    }
    for (CTargetLayerSource* layer : layers)
        if (layer)
            layer->BeginPass();
    m_targetKeys.clear();
    order(m_targetKeys);
    for (const void* key : m_targetKeys)
        for (CTargetLayerSource* layer : layers)
            if (layer && layer->DrawTarget(m_doc, dc, key))
                break;
    return true;
}

void CChartViewPipeline::ClearRangeBearing()
{
    m_inProgress.reset();
    m_measurements.clear();
    m_inProgressLabel.clear();
}

void CChartViewPipeline::UpdateReferenceMessages()
{
    CChartWindow* frame = m_doc.GetChartFrame();
    app::CMsgBar* bar = frame ? frame->GetMsgBar() : nullptr;
    if (!bar)
        return;
    bar->SetMessageActive(m_doc.NoReferenceMessage(0),
                          m_counters.chartpoints[CReferenceCounters::kNoShift] ? 1 : 0, true);
    bar->SetMessageActive(m_doc.NoReferenceMessage(1),
                          m_counters.waypoints[CReferenceCounters::kNoShift] ? 1 : 0, true);
}

}   // namespace chart
