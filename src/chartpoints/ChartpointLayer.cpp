#include "chartpoints/ChartpointLayer.h"

#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayText.h"
#include "db/DBChartPoint.h"

namespace chartpoints {

CChartpointViewLayer::CChartpointViewLayer(chart::CChartDoc& doc,
                                           chart::CChartpointProperties& properties,
                                           std::function<void()> invalidate)
    : m_doc(doc), m_properties(properties), m_invalidate(std::move(invalidate)),
      m_list(&doc, &properties)
{ }

void CChartpointViewLayer::Clear()
{
    m_selected = nullptr;
    m_byRecNo.clear();
    m_list.Overlays().RemoveAll();
}

void CChartpointViewLayer::Fill(chart::COverlayChartpoint& overlay, const geo::CPosition& position,
                                const std::string& id, const std::string& name, long recNo)
{
    overlay.SetPositionAndId(position, std::int32_t(recNo));
    overlay.SetOwner(&m_doc);
    overlay.idText = id;
    overlay.name = name;
}

void CChartpointViewLayer::Append(const CChartpoint& cp, long recNo)
{
    auto overlay = std::make_unique<chart::COverlayChartpoint>();
    Fill(*overlay, cp.m_position, cp.m_id, cp.m_name, recNo);
    m_byRecNo[recNo] = overlay.get();
    m_list.Overlays().Add(std::move(overlay));
}

void CChartpointViewLayer::Rebuild(db::CDBChartPoint& table)
{
    Clear();
    if (!table.IsOpen() || table.IsEmpty()) {
        Recount();
        return;
    }
    table.PushPosition();
    for (bool ok = table.GoTop(); ok; ok = table.SkipForward()) {
        auto overlay = std::make_unique<chart::COverlayChartpoint>();
        Fill(*overlay, table.m_position, table.m_ident, table.m_name, table.GetRecNo());
        m_byRecNo[table.GetRecNo()] = overlay.get();
        m_list.Overlays().Add(std::move(overlay));
        if (table.IsLast())
            break;
    }
    table.PopPosition();
    Recount();
}

void CChartpointViewLayer::Recount()
{
    if (!m_pipeline)
        return;
    auto& counters = m_pipeline->Counters().chartpoints;
    counters = {};
    for (const auto& overlay : m_list.Overlays())
        chart::CReferenceCounters::CountAt(counters, m_doc, overlay->GetPosition());
    m_pipeline->UpdateReferenceMessages();
}

void CChartpointViewLayer::Select(long recNo)
{
    if (m_selected)
        m_selected->SetSelected(false);
    const auto it = m_byRecNo.find(recNo);
    m_selected = it == m_byRecNo.end() ? nullptr : it->second;
    if (m_selected)
        m_selected->SetSelected(true);
}

void CChartpointViewLayer::OnChartpointChange(const CChartpointChange& change,
                                              db::CDBChartPoint& table)
{
    switch (change.hint) {
    case kHintClosed:
        Clear();
        Recount();
        break;
    case kHintOpened: Rebuild(table); break;
    case kHintCurrent: Select(change.recNo); break;
    case kHintApplied:
    case kHintRewritten:
        if (const auto it = m_byRecNo.find(change.recNo); it != m_byRecNo.end())
            Fill(*it->second, change.chartpoint.m_position, change.chartpoint.m_id,
                 change.chartpoint.m_name, change.recNo);
        break;
    case kHintDeleted:
        if (const auto it = m_byRecNo.find(change.recNo); it != m_byRecNo.end()) {
            chart::COverlayChartpoint* gone = it->second;
            if (gone == m_selected)
                m_selected = nullptr;
            m_byRecNo.erase(it);
            m_list.Overlays().Remove(gone);
        }
        break;
    case kHintAppended:
        if (m_byRecNo.count(change.recNo) == 0)
            Append(change.chartpoint, change.recNo);
        Select(change.recNo);
        break;
    default: return;
    }
    if (change.hint != kHintCurrent && change.hint != kHintClosed && change.hint != kHintOpened)
        Recount();   // a mark came, went or moved
    if (m_invalidate)
        m_invalidate();
}

void CChartpointViewLayer::OnChartpointDisplayChanged()
{
    if (m_invalidate)
        m_invalidate();
}

const chart::COverlayChartpoint* CChartpointViewLayer::Find(long recNo) const
{
    const auto it = m_byRecNo.find(recNo);
    return it == m_byRecNo.end() ? nullptr : it->second;
}

std::optional<long> CChartpointViewLayer::FindAt(geo::IntPoint point)
{
    if (!m_properties.GetDraw())
        return std::nullopt;
    if (m_selected && m_selected->HitTest(point))
        return m_selected->GetId();
    for (const auto& overlay : m_list.Overlays())
        if (overlay->HitTest(point))
            return overlay->GetId();
    return std::nullopt;
}

bool CChartpointViewLayer::StaticLayer::IsOn() const
{
    return m_owner.m_properties.GetDraw();
}

void CChartpointViewLayer::StaticLayer::Draw(chart::CChartDoc& /*doc*/, chart::CXDC& dc)
{
    m_owner.m_list.Draw(dc);
}

std::string CChartpointViewLayer::CurrentLabel(const chart::CChartpointProperties& props,
                                               const chart::COverlayChartpoint& cp)
{
    std::string label = props.drawName ? cp.name : std::string();
    if (props.drawId && !cp.idText.empty())
        label += (label.empty() ? "" : " ") + cp.idText;
    return label;
}

bool CChartpointViewLayer::CurrentLayer::IsOn() const
{
    return m_owner.m_properties.GetDraw() && m_owner.m_selected != nullptr;
}

void CChartpointViewLayer::CurrentLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    chart::COverlayChartpoint* cp = m_owner.m_selected;
    if (!cp)
        return;
    const chart::CChartpointProperties& props = m_owner.m_properties;
    chart::CSelPen pen(dc, props.GetColour());
    chart::COverlayText text(&props.Text().GetFont());
    text.textColour = props.Text().GetColour();
    text.frameStyle = chart::kFrameNone;
    text.placement = chart::kPlaceAbove;
    text.SetOwner(&doc);
    text.text = CurrentLabel(props, *cp);
    cp->SetSizeMode(props.GetSizeMode());
    chart::PointList points;
    if (m_owner.m_dragPoint)
        points.push_back(*m_owner.m_dragPoint);
    else if (!doc.PositionToClientPoints(cp->GetPosition(), points))
        return;
    for (const geo::IntPoint& p : points) {
        cp->SetScreenPoint(p);
        cp->Draw(dc);
        if (!text.text.empty()) {
            text.SetScreenPoint(p);
            text.Draw(dc);
        }
    }
}

}   // namespace chartpoints
