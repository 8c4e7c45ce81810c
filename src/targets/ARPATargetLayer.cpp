#include "targets/ARPATargetLayer.h"

#include <string>
#include <vector>

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayServices.h"
#include "geo/NavMaths.h"

namespace targets {

namespace {

constexpr chart::COLORREF kStaleRed = app::RGB(255, 0, 0);
constexpr chart::COLORREF kCursorGreen = app::RGB(0, 255, 0);
constexpr int kCursorArm = 10;

// What the overlay asks of the target record: the record's own answers.
class CARPAVesselView final : public chart::CTargetVessel {
public:
    explicit CARPAVesselView(std::shared_ptr<CTargetRecord> record)
        : m_record(std::move(record)) { }
    bool IsShown() const override { return true; }
    bool GetState() const override { return m_record->current; }
    bool DrawCourseLine() const override { return false; }
    std::string GetName() const override { return m_record->Name(); }
    int GetNumber() const override { return m_record->Number(); }
    std::string GetLabel() const override { return m_record->Label(); }
    std::string GetIdText() const override { return std::to_string(m_record->Number()); }
    double GetDepth() const override { return geo::kUnsetValue; }
    // The layer hands the overlay its motion whole (SetMotion), worked out by
    // the module from the record's values, so the overlay reads none of these.
    const chart::CTargetValues& Values() const override { return m_none; }

private:
    std::shared_ptr<CTargetRecord> m_record;
    chart::CTargetValues m_none;
};

geo::CPosition ToGeo(const CTargetPosition& p)
{
    return geo::CPosition(p.latitude, p.longitude);
}

double OrUnset(const std::optional<double>& v)
{
    return v ? *v : geo::kUnsetValue;
}

// The first client point of a position, if it shows on the chart.
std::optional<geo::IntPoint> ClientPoint(chart::CChartDoc& doc, const CTargetPosition& position)
{
    chart::PointList points;
    if (!doc.PositionToClientPoints(ToGeo(position), points) || points.empty())
        return std::nullopt;
    return points.front();
}

}   // namespace

CARPATargetLayer::CARPATargetLayer(const CARPAModule& module) : m_module(module) { }

CARPATargetLayer::~CARPATargetLayer() = default;

bool CARPATargetLayer::IsKnownTargetKey(char key) const
{
    return ConvertToNauticalUnits(key, 1.0).has_value();
}

bool CARPATargetLayer::WarningCircles() const
{
    return m_module.PassOptions().warningCircles;
}

double CARPATargetLayer::WarningCirclesRadius() const
{
    return m_module.PassOptions().warningCircleRadiusNm;
}

CARPATargetLayer::CTargetPicture& CARPATargetLayer::PictureFor(const CTrackedTarget& target)
{
    CTargetPicture& picture = m_pictures[target.record.get()];
    if (!picture.symbol)
        picture.symbol = std::make_unique<chart::COverlayTarget>(
            std::make_unique<CARPAVesselView>(target.record), this);
    return picture;
}

void CARPATargetLayer::UpdateTrackPoints(chart::CChartDoc& doc, const CTrackedTarget& target,
                                         CTargetPicture& picture)
{
    auto& points = picture.points;
    const auto& track = target.track;
    bool valid = picture.doc == &doc && points.size() <= track.size();
    // Three probes: the first, middle and last fix converted before.
    if (valid && !points.empty()) {
        for (const std::size_t i : {std::size_t{0}, points.size() / 2, points.size() - 1})
            if (ClientPoint(doc, track[i].position) != points[i]) {
                valid = false;
                break;
            }
    }
    if (!valid) {
        points.clear();
        picture.doc = &doc;
    }
    points.reserve(track.size());
    for (std::size_t i = points.size(); i < track.size(); ++i)
        points.push_back(ClientPoint(doc, track[i].position));
}

void CARPATargetLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    const chart::CTargetProperties& properties = m_module.Properties();
    // Pictures of targets no longer listed go first.
    std::erase_if(m_pictures, [&](const auto& entry) {
        for (const CTrackedTarget& t : m_module.Targets())
            if (t.record.get() == entry.first)
                return false;
        return true;
    });
    if (!properties.GetDraw())
        return;
    for (const CTrackedTarget& target : m_module.Targets()) {
        if (!target.fix || !m_module.IsShown(target))
            continue;
        CTargetPicture& picture = PictureFor(target);
        if (properties.drawTrack)
            DrawTrack(doc, dc, target, picture);
        chart::COverlayTarget& symbol = *picture.symbol;
        symbol.Properties() = properties;
        symbol.SetOwner(&doc);
        symbol.SetSizeMode(m_module.OverlaySize());
        symbol.SetSelected(target.record.get() == m_module.Selected());
        chart::CTargetMotion motion;
        motion.position = ToGeo(target.fix->position);
        motion.course = OrUnset(target.fix->course);
        motion.speed = OrUnset(target.fix->speedKnots);
        motion.range = OrUnset(target.fix->rangeNm);
        motion.bearing = OrUnset(target.fix->bearing);
        symbol.SetMotion(motion);
        symbol.Draw(dc);
    }
}

void CARPATargetLayer::DrawTrack(chart::CChartDoc& doc, chart::CXDC& dc,
                                 const CTrackedTarget& target, CTargetPicture& picture)
{
    if (target.track.empty())
        return;
    const chart::CTargetProperties& properties = m_module.Properties();
    const bool current = target.record->current;
    const chart::COLORREF red = chart::DimForActivePalette(kStaleRed);
    const chart::COLORREF lineColour = current ? properties.Line().GetColour() : red;
    const chart::COLORREF markerColour = current ? properties.FixMarker().GetColour() : red;
    const int width = std::max(1, static_cast<int>(properties.Line().GetWidth()));

    std::optional<std::chrono::seconds> limit;
    if (properties.limitTrackDisplay)
        limit = std::chrono::seconds(properties.trackTimeLimit.GetTotalSeconds());
    const std::size_t first = FirstFixToDraw(target.track, limit);

    // A fix off the chart breaks the line.
    UpdateTrackPoints(doc, target, picture);
    const auto& points = picture.points;
    {
        chart::CSelPen pen(dc, lineColour, chart::PenStyle::Solid, width);
        for (std::size_t i = first + 1; i < points.size(); ++i)
            if (points[i - 1] && points[i] && !target.track[i].newSegment)
                doc.DrawLine(dc, *points[i - 1], *points[i]);
        // The closing line from the newest fix to where the target is now.
        if (first < points.size() && points.back())
            if (const auto now = ClientPoint(doc, target.fix->position))
                doc.DrawLine(dc, *points.back(), *now);
    }
    if (!properties.FixMarker().GetDraw())
        return;
    chart::CSelPen pen(dc, markerColour);
    chart::CSelStock brush(dc, chart::StockObject::WhiteBrush);
    const int half = 2 + static_cast<int>(properties.FixMarker().GetSizeMode());
    for (std::size_t i = first; i < points.size(); ++i)
        if (const auto& p = points[i])
            dc.Rectangle(p->x - half, p->y - half, p->x + half + 1, p->y + half + 1);
}

void CRadarCursorLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    const auto& cursor = m_module.Cursor();
    const auto& own = m_module.LastNavigation().own.position;
    if (!cursor || !own)
        return;
    geo::CPosition at;
    if (cursor->rangeNm < 1e-5)
        at = ToGeo(*own);
    else if (!geo::PositionAtRangeBearing(ToGeo(*own), cursor->rangeNm, cursor->bearing, &at))
        return;
    chart::PointList points;
    if (!doc.PositionToClientPoints(at, points))
        return;
    chart::CSelPen pen(dc, chart::DimForActivePalette(kCursorGreen));
    for (const geo::IntPoint& p : points) {
        doc.DrawLine(dc, {p.x, p.y + kCursorArm}, {p.x, p.y - kCursorArm});
        doc.DrawLine(dc, {p.x + kCursorArm, p.y}, {p.x - kCursorArm, p.y});
    }
}

}   // namespace targets
