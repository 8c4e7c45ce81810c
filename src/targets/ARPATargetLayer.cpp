#include "targets/ARPATargetLayer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayServices.h"
#include "geo/Clipping.h"
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

// The course a track fix's marker points along: north when the fix has none
// (the value a fix holds until a course is copied into it).
double FixCourse(const std::optional<double>& course)
{
    return course && std::isfinite(*course) && *course != geo::kUnsetValue ? *course : 0.0;
}

double OrUnset(const std::optional<double>& v)
{
    return v ? *v : geo::kUnsetValue;
}

// Where a line toward a position heads, on the chart or beyond its edge.
std::optional<geo::IntPoint> LinePoint(chart::CChartDoc& doc, const CTargetPosition& position,
                                       bool* onChart = nullptr)
{
    geo::IntPoint at;
    if (!doc.PositionToLinePoint(ToGeo(position), at, onChart))
        return std::nullopt;
    return at;
}

// Leaves out the points of `run` that lie within half a pixel of the line
// through the points kept round them (Douglas-Peucker): a slow target's
// pixel staircase becomes a few segments the pen strokes as the same line.
void DropPointsOnTheLine(std::vector<geo::IntPoint>& run)
{
    if (run.size() < 3)
        return;
    std::vector<bool> keep(run.size(), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, run.size() - 1}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        const double dx = double(run[b].x) - run[a].x, dy = double(run[b].y) - run[a].y;
        const double length2 = dx * dx + dy * dy;
        double worst = 0.0;
        std::size_t at = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double px = double(run[i].x) - run[a].x, py = double(run[i].y) - run[a].y;
            // Squared distance to the chord, times its squared length (to a point when a == b).
            const double cross = dx * py - dy * px;
            const double d = length2 > 0.0 ? cross * cross : (px * px + py * py);
            if (d > worst) {
                worst = d;
                at = i;
            }
        }
        const double limit = length2 > 0.0 ? 0.25 * length2 : 0.25;
        if (worst > limit) {
            keep[at] = true;
            spans.emplace_back(a, at);
            spans.emplace_back(at, b);
        }
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < run.size(); ++i)
        if (keep[i])
            run[out++] = run[i];
    run.resize(out);
}

// The track line from entry `from` on, as few polylines as the view allows:
// a run ends where a line does not join the entry before (a fix off the chart,
// a new segment) or where the line leaves the visible part of the view.
void DrawTrackLine(chart::CChartDoc& doc, chart::CXDC& dc, const std::vector<CTrackPixel>& entries,
                   std::size_t from)
{
    // The entries are client points: clipped to the chart as the view shows it.
    const geo::IntRect visible = doc.VisibleClientRect();
    std::vector<geo::IntPoint> run;
    const auto flush = [&] {
        DropPointsOnTheLine(run);
        if (run.size() >= 2)
            dc.Polyline(run);
        else if (run.size() == 1)
            doc.DrawLine(dc, run.front(), run.front());   // a wide pen's dot
        run.clear();
    };
    const auto segment = [&](geo::IntPoint a, geo::IntPoint b) {
        if (!geo::ClipSegmentToRect(visible, &a, &b)) {
            flush();
            return;
        }
        if (run.empty() || run.back() != a) {
            flush();
            run.push_back(a);
        }
        if (run.back() != b)
            run.push_back(b);
    };
    for (std::size_t i = from; i < entries.size(); ++i) {
        const CTrackPixel& e = entries[i];
        if (i > from && e.joined)
            segment(entries[i - 1].at, e.at);
        else
            flush();
        if (e.dot)
            segment(e.at, e.at);
    }
    flush();
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
    CTrackPixels& pixels = picture.pixels;
    const auto& track = target.track;
    bool valid = picture.doc == &doc && pixels.FixCount() <= track.size();
    // Three probes: the first, middle and last entry still land where they did.
    if (valid && !pixels.Entries().empty()) {
        const auto& entries = pixels.Entries();
        for (const std::size_t i : {std::size_t{0}, entries.size() / 2, entries.size() - 1})
            if (LinePoint(doc, track[entries[i].firstFix].position) != entries[i].at) {
                valid = false;
                break;
            }
    }
    if (!valid) {
        pixels.Clear();
        picture.copies.clear();
        picture.doc = &doc;
    }
    chart::PointList points;
    for (std::size_t i = pixels.FixCount(); i < track.size(); ++i) {
        bool onChart = false;
        const auto at = LinePoint(doc, track[i].position, &onChart);
        pixels.Add(at, track[i].newSegment, onChart);
        // The line runs through the first place; any other gets a marker.
        points.clear();
        if (at && onChart && doc.PositionToClientPoints(ToGeo(track[i].position), points))
            for (std::size_t k = 1; k < points.size(); ++k)
                picture.copies.emplace_back(i, points[k]);
    }
}

void CARPATargetLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    BeginPass();
    for (const CTrackedTarget& target : m_module.Targets())
        DrawOne(doc, dc, target);
}

bool CARPATargetLayer::DrawTarget(chart::CChartDoc& doc, chart::CXDC& dc, const void* key)
{
    const CTrackedTarget* target = FindByVessel(m_module.Targets(), key);
    if (target)
        DrawOne(doc, dc, *target);
    return target != nullptr;
}

void CARPATargetLayer::BeginPass()
{
    // Pictures of targets no longer listed go first.
    std::erase_if(m_pictures, [&](const auto& entry) {
        return !FindByVessel(m_module.Targets(),
                             static_cast<const navigator::CVessel*>(entry.first));
    });
    for (auto& entry : m_pictures) {
        entry.second.drawn = false;
        entry.second.markers.reset();
    }
}

void CARPATargetLayer::DrawOne(chart::CChartDoc& doc, chart::CXDC& dc, const CTrackedTarget& target)
{
    const chart::CTargetProperties& properties = m_module.TargetProperties(target);
    if (!target.fix || !m_module.IsShown(target) || !properties.GetDraw())
        return;
    CTargetPicture& picture = PictureFor(target);
    picture.drawn = true;
    chart::COverlayTarget& symbol = *picture.symbol;
    // Copied only when they changed: they hold fonts and colours.
    if (picture.propertiesGeneration != m_module.PropertiesGeneration()) {
        symbol.Properties() = properties;
        picture.propertiesGeneration = m_module.PropertiesGeneration();
    }
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
    // The track and its closing line go over the symbol.
    if (properties.drawTrack)
        DrawTrack(doc, dc, target, properties, picture);
}

bool CARPATargetLayer::Hits(const CTargetRecord* record, geo::IntPoint point) const
{
    const auto it = m_pictures.find(record);
    return it != m_pictures.end() && it->second.drawn && it->second.symbol->HitTest(point);
}

const CTargetRecord* CARPATargetLayer::HitTest(geo::IntPoint point) const
{
    const auto hit = [&](const CTargetRecord* record) { return Hits(record, point); };
    if (hit(m_module.Selected()))
        return m_module.Selected();
    const auto targets = m_module.Targets();
    for (std::size_t i = targets.size(); i-- > 0;)
        if (hit(targets[i].record.get()))
            return targets[i].record.get();
    return nullptr;
}

std::optional<CARPATargetLayer::CFixHit> CARPATargetLayer::HitTestFix(geo::IntPoint point) const
{
    const auto within = [point](geo::IntPoint at, std::int64_t r) {
        const std::int64_t dx = std::int64_t(point.x) - at.x;
        const std::int64_t dy = std::int64_t(point.y) - at.y;
        return dx * dx + dy * dy < r * r;
    };
    const auto targets = m_module.Targets();
    for (std::size_t t = targets.size(); t-- > 0;) {
        const auto it = m_pictures.find(targets[t].record.get());
        if (it == m_pictures.end() || !it->second.drawn || !it->second.markers)
            continue;
        const auto& entries = it->second.pixels.Entries();
        const auto [from, radius] = *it->second.markers;
        for (std::size_t i = entries.size(); i-- > from;)
            if (entries[i].onChart && within(entries[i].at, radius) &&
                entries[i].lastFix < targets[t].track.size())
                return CFixHit{targets[t].record.get(), entries[i].lastFix};
    }
    return std::nullopt;
}

void CARPATargetLayer::DrawTrack(chart::CChartDoc& doc, chart::CXDC& dc,
                                 const CTrackedTarget& target,
                                 const chart::CTargetProperties& properties,
                                 CTargetPicture& picture)
{
    if (target.track.empty())
        return;
    const bool current = target.record->current;
    // The target's own properties switch its track and markers; the line's
    // width, colours and pattern are the module's.
    const chart::CTargetProperties& style = m_module.Properties();
    const chart::COLORREF red = chart::DimForActivePalette(kStaleRed);
    const chart::COLORREF lineColour = current ? style.Line().GetColour() : red;
    const chart::COLORREF markerColour = current ? style.FixMarker().GetColour() : red;
    const int width = std::max(1, static_cast<int>(style.Line().GetWidth()));

    std::optional<std::chrono::seconds> limit;
    if (properties.limitTrackDisplay)
        limit = std::chrono::seconds(properties.trackTimeLimit.GetTotalSeconds());
    const std::size_t first = FirstFixToDraw(target.track, limit);

    UpdateTrackPoints(doc, target, picture);
    const auto& entries = picture.pixels.Entries();
    const std::size_t from = picture.pixels.FirstEntryFrom(first);
    {
        // A current target's track is broken when its line properties say so;
        // an out-of-date one is solid red.
        const bool broken = current && style.Line().GetPatternFlag();
        chart::CSelPen pen(dc, lineColour, broken ? chart::PenStyle::Dash : chart::PenStyle::Solid,
                           width);
        DrawTrackLine(doc, dc, entries, from);
        // The closing line from the newest fix to where the target is now,
        // whatever "Limit to previous" leaves of the track.
        if (target.fix)
            if (const auto newest = picture.pixels.Newest())
                if (const auto now = LinePoint(doc, target.fix->position))
                    doc.DrawLine(dc, *newest, *now);
    }
    if (!properties.FixMarker().GetDraw())
        return;
    chart::CSelPen pen(dc, markerColour);
    chart::CSelStock brush(dc, chart::StockObject::WhiteBrush);
    // Each fix is an outline triangle along the course the target had then.
    // Fixes folded onto one pixel draw once for each course among them.
    chart::COverlayARPAPositionFix marker(0.0, 0.0, 0.0, 0, chart::COverlayPositionFix::NoFixTime(),
                                          &doc);
    marker.SetSizeMode(properties.FixMarker().GetSizeMode());
    // Properties over a marker finds its fix within the markers' hit radius.
    picture.markers = std::pair{from, int(marker.ScaleSize(marker.GetBaseSize()))};
    std::optional<std::pair<geo::IntPoint, double>> previous;
    for (std::size_t i = from; i < entries.size(); ++i) {
        if (!entries[i].onChart)
            continue;
        marker.SetScreenPoint(entries[i].at);
        for (std::size_t f = std::max(first, entries[i].firstFix); f <= entries[i].lastFix; ++f) {
            const double course = FixCourse(target.track[f].course);
            if (previous && previous->first == entries[i].at && previous->second == course)
                continue;
            previous.emplace(entries[i].at, course);
            marker.values[0] = course;
            marker.Draw(dc);
        }
    }
    for (const auto& [fix, at] : picture.copies) {
        if (fix < first)
            continue;
        marker.SetScreenPoint(at);
        marker.values[0] = FixCourse(target.track[fix].course);
        marker.Draw(dc);
    }
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
