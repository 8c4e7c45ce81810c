#include "targets/TenderTargetLayer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayServices.h"
#include "geo/NavMaths.h"

namespace targets {

namespace {

constexpr chart::COLORREF kSilentRed = app::RGB(255, 0, 0);

// What the overlay asks of a tender: its record's answers.
class CTenderVesselView final : public chart::CTargetVessel {
public:
    explicit CTenderVesselView(std::shared_ptr<CTenderRecord> record) : m_record(std::move(record))
    { }
    void SetState(bool reporting, std::optional<double> depth)
    {
        m_reporting = reporting;
        m_depth = depth.value_or(geo::kUnsetValue);
    }
    bool IsShown() const override { return true; }
    bool GetState() const override { return m_reporting; }
    bool DrawCourseLine() const override { return false; }
    std::string GetName() const override { return m_record->Name(); }
    int GetNumber() const override { return m_record->Channel() + 1; }
    std::string GetLabel() const override { return {}; }
    std::string GetIdText() const override { return m_record->Identifier(); }
    double GetDepth() const override { return m_depth; }
    // The layer hands the overlay its motion whole (SetMotion).
    const chart::CTargetValues& Values() const override { return m_none; }

private:
    std::shared_ptr<CTenderRecord> m_record;
    bool m_reporting = false;
    double m_depth = geo::kUnsetValue;
    chart::CTargetValues m_none;
};

geo::CPosition ToGeo(const CTargetPosition& p)
{
    return geo::CPosition(p.latitude, p.longitude);
}

std::optional<geo::IntPoint> ClientPoint(chart::CChartDoc& doc, const CTargetPosition& position)
{
    chart::PointList points;
    if (!doc.PositionToClientPoints(ToGeo(position), points) || points.empty())
        return std::nullopt;
    return points.front();
}

// Where a line toward a position heads, on the chart or beyond its edge.
std::optional<geo::IntPoint> LinePoint(chart::CChartDoc& doc, const CTargetPosition& position)
{
    geo::IntPoint at;
    if (!doc.PositionToLinePoint(ToGeo(position), at))
        return std::nullopt;
    return at;
}

// The first fix drawn: "Limit to previous" keeps the fixes of the last
// span, counted from the newest.
std::size_t FirstDrawnFix(const CTender& tender)
{
    const auto& track = tender.track;
    const chart::CTargetProperties& properties = tender.properties;
    if (!properties.limitTrackDisplay || track.empty())
        return 0;
    // Fixes at least the limit older than the newest are left out; a limit
    // of zero or less leaves out every fix.
    const auto limit = std::chrono::seconds(properties.trackTimeLimit.GetTotalSeconds());
    if (limit <= std::chrono::seconds::zero())
        return track.size();
    const auto from = track.back().utc - limit;
    std::size_t first = 0;
    while (first < track.size() && track[first].utc <= from)
        ++first;
    return first;
}

}   // namespace

CTenderTargetLayer::CTenderTargetLayer(const CTenderTracking& tracking) : m_tracking(tracking) { }

CTenderTargetLayer::~CTenderTargetLayer() = default;

bool CTenderTargetLayer::WarningCircles() const
{
    return m_tracking.Settings().warningCircles;
}

double CTenderTargetLayer::WarningCirclesRadius() const
{
    return m_tracking.Settings().warningCirclesRadius;
}

std::optional<int> CTenderTargetLayer::HitTest(chart::CChartDoc& doc, geo::IntPoint point) const
{
    for (const auto& entry : m_drawnAt)
        if (Hits(doc, point, entry.first))
            return entry.first;
    return std::nullopt;
}

bool CTenderTargetLayer::Hits(chart::CChartDoc& doc, geo::IntPoint point, int channel) const
{
    if (!m_drawnAt.contains(channel))
        return false;
    const auto& tenders = m_tracking.Tenders();
    const auto tender = std::ranges::find_if(
        tenders, [channel](const CTender& t) { return t.Channel() == channel; });
    if (tender == tenders.end())
        return false;
    const auto symbol = m_symbols.find(tender->record.get());
    if (symbol == m_symbols.end())
        return false;
    // The symbol's own test: a circle whose radius grows with the overlay
    // size, around where the last paint put it, in the chart as it is now.
    symbol->second->SetOwner(&doc);
    return symbol->second->HitTest(point);
}

std::optional<CTenderTargetLayer::CFixHit> CTenderTargetLayer::HitTestFix(chart::CChartDoc& doc,
                                                                          geo::IntPoint point) const
{
    for (const CTender& tender : m_tracking.Tenders()) {
        const chart::CTargetProperties& p = tender.properties;
        if (!p.GetDraw() || !p.drawTrack || !p.FixMarker().GetDraw())
            continue;
        // A click within the fix markers' hit radius of a fix, newest first.
        chart::COverlayTargetPositionFix marker(0.0, 0.0, 0.0, 0,
                                                chart::COverlayPositionFix::NoFixTime(), &doc);
        marker.SetSizeMode(p.FixMarker().GetSizeMode());
        const std::size_t first = FirstDrawnFix(tender);
        for (std::size_t i = tender.track.size(); i-- > first;) {
            marker.SetPosition(ToGeo(tender.track[i].position));
            if (marker.HitTest(point))
                return CFixHit{tender.Channel(), i};
        }
    }
    return std::nullopt;
}

void CTenderTargetLayer::BeginPass()
{
    // Symbols of tenders no longer tracked go first.
    std::erase_if(m_symbols, [&](const auto& entry) {
        return !FindByVessel(m_tracking.Tenders(),
                             static_cast<const navigator::CVessel*>(entry.first));
    });
    m_drawnAt.clear();
}

void CTenderTargetLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    BeginPass();
    for (const CTender& tender : m_tracking.Tenders())
        DrawOne(doc, dc, tender);
}

bool CTenderTargetLayer::DrawTarget(chart::CChartDoc& doc, chart::CXDC& dc, const void* key)
{
    const CTender* tender = FindByVessel(m_tracking.Tenders(), key);
    if (tender)
        DrawOne(doc, dc, *tender);
    return tender != nullptr;
}

void CTenderTargetLayer::DrawOne(chart::CChartDoc& doc, chart::CXDC& dc, const CTender& tender)
{
    const chart::CTargetProperties& properties = tender.properties;
    if (!properties.GetDraw())
        return;
    const CTenderReading reading = tender.Read();
    // A tender whose position has aged stays where it was last seen.
    std::optional<CTargetPosition> seen = reading.position ? reading.position : tender.lastSeen;
    if (!seen && !tender.track.empty())
        seen = tender.track.back().position;
    if (!seen)
        return;
    const CTargetPosition* where = &*seen;
    auto& symbol = m_symbols[tender.record.get()];
    if (!symbol)
        symbol = std::make_unique<chart::COverlayTenderTarget>(
            std::make_unique<CTenderVesselView>(tender.record), this);
    static_cast<CTenderVesselView&>(symbol->Record()).SetState(tender.reporting, reading.depth);
    symbol->Properties() = properties;
    symbol->SetOwner(&doc);
    symbol->SetSizeMode(m_tracking.Settings().overlaySize);
    symbol->SetSelected(tender.Channel() == m_tracking.current);
    symbol->SetManOverboard(tender.manOverboard);
    chart::CTargetMotion motion;
    motion.position = ToGeo(*where);
    motion.course = reading.course.value_or(geo::kUnsetValue);
    motion.speed = reading.speed.value_or(geo::kUnsetValue);
    symbol->SetMotion(motion);
    symbol->Draw(dc);
    m_drawnAt[tender.Channel()] = *where;
    // The track and its closing line go over the symbol.
    if (properties.drawTrack)
        DrawTrack(doc, dc, tender, *where);
}

void CTenderTargetLayer::DrawTrack(chart::CChartDoc& doc, chart::CXDC& dc, const CTender& tender,
                                   const CTargetPosition& symbolAt) const
{
    const auto& track = tender.track;
    if (track.empty())
        return;
    const chart::CTargetProperties& properties = tender.properties;
    // The tender's own properties switch its track and markers; the line's
    // width, colours and pattern are the module's.
    const chart::CTargetProperties& style = m_tracking.Properties();
    const chart::COLORREF red = chart::DimForActivePalette(kSilentRed);
    const chart::COLORREF lineColour = tender.reporting ? style.Line().GetColour() : red;
    const chart::COLORREF markerColour = tender.reporting ? style.FixMarker().GetColour() : red;
    const int width = std::max(1, static_cast<int>(style.Line().GetWidth()));
    const std::size_t first = FirstDrawnFix(tender);
    // Markers only where the fix is on the chart; the line to a fix beyond
    // the chart's edge runs to that edge.
    std::vector<std::optional<geo::IntPoint>> points, line;
    points.reserve(track.size() - first);
    line.reserve(track.size() - first);
    for (std::size_t i = first; i < track.size(); ++i) {
        points.push_back(ClientPoint(doc, track[i].position));
        line.push_back(points.back() ? points.back() : LinePoint(doc, track[i].position));
    }
    {
        // A reporting tender's track is broken when its line properties say
        // so; a silent one is solid red.
        const bool broken = tender.reporting && style.Line().GetPatternFlag();
        chart::CSelPen pen(dc, lineColour, broken ? chart::PenStyle::Dash : chart::PenStyle::Solid,
                           width);
        for (std::size_t i = 1; i < line.size(); ++i)
            if (line[i - 1] && line[i])
                doc.DrawLine(dc, *line[i - 1], *line[i]);
        // The closing line from the newest fix to where the symbol is drawn
        // (where a silent tender was last seen), whatever "Limit to previous"
        // leaves of the track.
        if (const auto newest = LinePoint(doc, track.back().position))
            if (const auto p = LinePoint(doc, symbolAt))
                doc.DrawLine(dc, *newest, *p);
    }
    if (!properties.FixMarker().GetDraw())
        return;
    // Each fix is a triangle along the tender's course then, filled with the
    // pen's colour.
    chart::CSelPen pen(dc, markerColour);
    chart::CSelBrush brush(dc, markerColour);
    chart::COverlayTargetPositionFix marker(0.0, 0.0, 0.0, 0,
                                            chart::COverlayPositionFix::NoFixTime(), &doc);
    marker.SetSizeMode(properties.FixMarker().GetSizeMode());
    chart::PointList at;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points[i])
            continue;
        const double course = track[first + i].course;
        // North when the fix has no course (the value a fix holds until one
        // is copied into it).
        marker.values[0] = std::isfinite(course) && course != geo::kUnsetValue ? course : 0.0;
        // At every place the chart shows the fix (an inset shows it again).
        at.clear();
        doc.PositionToClientPoints(ToGeo(track[first + i].position), at);
        for (const geo::IntPoint& p : at) {
            marker.SetScreenPoint(p);
            marker.Draw(dc);
        }
    }
}

}   // namespace targets
