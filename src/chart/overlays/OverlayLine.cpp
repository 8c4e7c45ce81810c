#include "chart/overlays/OverlayLine.h"

#include <cmath>
#include <cstdio>

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayText.h"
#include "geo/GreatCircle.h"
#include "geo/NavMaths.h"

namespace chart {

namespace {

// Text of a coordinate as the comparison sees it: six decimals, width 11.
std::string SixDecimals(double v)
{
    return app::FormatDouble(v, 6, 11);
}

// Ranges below this are a point: the sailings refuse them.
constexpr double kZeroRange = 1e-5;
// Distances this close (about 2 mm) are equal: a mark that falls on a leg's
// end belongs to the next leg however the sums of the legs round.
constexpr double kSameDistance = 1e-6;

bool PositionAt(const geo::CPosition& from, double range, double bearing, geo::CPosition& out)
{
    if (std::fabs(range) < kZeroRange) {
        out = from;
        return true;
    }
    return geo::PositionAtRangeBearing(from, range, bearing, &out);
}

}   // namespace

double FoldBearing(double degrees)
{
    if (!std::isfinite(degrees))
        return degrees;
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360.0;
    return d >= 360.0 ? 0.0 : d;
}

bool PositionsDiffer(const geo::CPosition& a, const geo::CPosition& b)
{
    if (SixDecimals(a.GetLatitude()) != SixDecimals(b.GetLatitude()))
        return true;
    return SixDecimals(a.GetLongitude()) != SixDecimals(b.GetLongitude());
}

bool PerpendicularPositions(double distance, const geo::CPosition& a, const geo::CPosition& b,
                            geo::CPosition& left, geo::CPosition& right)
{
    double range = 0, bearing = 0;
    if (!geo::RhumbRangeBearing(a, b, &range, &bearing, true))
        return false;
    const bool l = PositionAt(b, distance, FoldBearing(bearing + 90.0), left);
    const bool r = PositionAt(b, distance, FoldBearing(bearing + 270.0), right);
    return l && r;
}

COverlayLine::COverlayLine() = default;

void COverlayLine::SetEnds(const geo::CPosition& start, const geo::CPosition& end)
{
    m_position = start;
    m_end = end;
}

void COverlayLine::SetLabel(bool draw, std::string text)
{
    m_drawLabel = draw;
    m_label = std::move(text);
}

const COvrlyTextProperties& COverlayLine::LabelProperties() const
{
    static const COvrlyTextProperties defaults;
    return m_route ? m_route->WaypointProperties().Text() : defaults;
}

// ---- Point list ---------------------------------------------------------------------------

void COverlayLine::BuildPointList()
{
    m_points.clear();
    m_points.push_back(m_position);
    if (m_legType == static_cast<std::int32_t>(LegType::GreatCircle) && m_route) {
        const CGreatCircleSettings& gc = m_route->GreatCircleSettings();
        const double lat1 = m_position.GetLatitude(), lat2 = m_end.GetLatitude();
        const bool endBeyond =
            (gc.applyNorthLimit && geo::IsBeyondNorthLimit(gc.northLimit, lat1, lat2)) ||
            (gc.applySouthLimit && geo::IsBeyondSouthLimit(gc.southLimit, lat1, lat2));
        double limit = 90.0;
        geo::CPosition first, second;
        double total = 0, initial = 0;
        if (!endBeyond &&
            geo::GreatCircleVertex(m_position, m_end, gc.applyNorthLimit, gc.applySouthLimit,
                                   gc.northLimit, gc.southLimit, &limit) &&
            geo::CompositeLimitPoints(m_position, m_end, limit, &total, &initial, &first,
                                      &second)) {
            AppendGreatCirclePoints(m_position, first);
            double range = 0, bearing = 0;
            if (geo::RhumbRangeBearing(first, second, &range, &bearing, true)) {
                if (PositionsDiffer(first, m_position) && PositionsDiffer(first, second))
                    m_points.push_back(first);
                if (PositionsDiffer(second, first) && PositionsDiffer(second, m_end))
                    m_points.push_back(second);
            }
            AppendGreatCirclePoints(second, m_end);
        } else {
            AppendGreatCirclePoints(m_position, m_end);
        }
    }
    m_points.push_back(m_end);
}

void COverlayLine::AppendGreatCirclePoints(const geo::CPosition& from, const geo::CPosition& to)
{
    const CGreatCircleSettings& gc = m_route->GreatCircleSettings();
    const double step = geo::ClampDegreeIntercept(gc.degreeIntercept);
    geo::CGreatCircleTrack track;
    geo::CPosition next;
    double range = 0, bearing = 0;
    bool continuing = false;
    while (m_points.size() < kMaxGreatCirclePoints &&
           track.NextPoint(continuing, step, from, to, &next, &range, &bearing, gc.wholeDegrees) &&
           PositionsDiffer(next, to)) {
        m_points.push_back(next);
        continuing = true;
    }
}

// ---- Drawing ------------------------------------------------------------------------------

void COverlayLine::Draw(CXDC& dc)
{
    BuildPointList();
    for (std::size_t i = 1; i < m_points.size(); ++i)
        DrawSegment(dc, m_points[i - 1], m_points[i]);
    m_points.clear();
}

void COverlayLine::DrawSegment(CXDC& dc, const geo::CPosition& a, const geo::CPosition& b)
{
    if (!m_owner)
        return;
    m_segments.clear();
    m_owner->PositionsToSegments(a, b, m_segments);
    for (std::size_t i = 0; i + 1 < m_segments.size(); i += 2) {
        const IntPoint p = m_segments[i], q = m_segments[i + 1];
        if (p != q)
            dc.DrawDottedLine(p, q.x, q.y, kBrokenLineDotSpacing, patternCode != 0);
    }
}

bool COverlayLine::PositionAtPixelDistance(const geo::CPosition& from, double pixels,
                                           double bearing, geo::CPosition& out)
{
    double metres = 0;
    if (!m_owner || !m_owner->GetMetresPerPixel(metres) || !(metres > 0) || !std::isfinite(metres))
        return false;
    return geo::PositionAtRangeBearing(from, geo::MetresToNauticalMiles(metres) * pixels, bearing,
                                       &out);
}

void COverlayLine::DrawLegMarks(CXDC& dc, double bearing, IntPoint point)
{
    if (!std::isfinite(bearing))
        return;
    using geo::RoundToInt;
    const double b = bearing;
    const double s = FoldBearing(b - 90.0);
    const double sinS = std::sin(geo::DegToRad(s)), cosS = std::cos(geo::DegToRad(s));
    const double sinB = std::sin(geo::DegToRad(b)), cosB = std::cos(geo::DegToRad(b));
    const int x = point.x, y = point.y;
    if (drawLegArrow) {
        CSelPen pen(dc, kDefaultOverlayColour);
        const IntPoint p0{x + RoundToInt(6 * sinS), y - RoundToInt(6 * cosS)};
        const IntPoint tip{p0.x + RoundToInt(40 * sinB), p0.y - RoundToInt(40 * cosB)};
        const IntPoint q{static_cast<int>(p0.x + 30 * sinB), static_cast<int>(p0.y - 30 * cosB)};
        const double s2 = FoldBearing(b + 90.0);
        const IntPoint barb1{static_cast<int>(q.x + 4 * sinS), static_cast<int>(q.y - 4 * cosS)};
        const IntPoint barb2{static_cast<int>(q.x + 4 * std::sin(geo::DegToRad(s2))),
                             static_cast<int>(q.y - 4 * std::cos(geo::DegToRad(s2)))};
        dc.MoveTo(p0);
        dc.LineTo(tip);
        dc.LineTo(barb1);
        dc.DrawLine(tip, barb2.x, barb2.y);
    }
    if (drawCourse || m_drawLabel) {
        const COvrlyTextProperties& props = LabelProperties();
        COverlayText text(&props.GetFont());
        text.textColour = props.GetColour();
        text.SetOwner(m_owner);
        if (drawCourse) {
            text.text = app::FormatBearing(b);
            if (!m_speedMadeGood.empty())
                text.text += " " + m_speedMadeGood;
            text.placement = kPlaceCentred;
            text.SetScreenPoint({x + RoundToInt(16 * sinS), y - RoundToInt(16 * cosS)});
            text.Draw(dc);
        }
        if (m_drawLabel) {
            text.text = m_label;
            text.frameStyle = kFrameBox;
            text.placement = kPlaceCentred;
            text.SetScreenPoint({x + RoundToInt(12 * sinS), y - RoundToInt(12 * cosS)});
            text.Draw(dc);
        }
    }
}

void COverlayLine::DrawDistanceToRunMarks(bool draw, CXDC& dc, double& toRun, double& carried)
{
    BuildPointList();
    for (std::size_t i = 1; i < m_points.size(); ++i)
        DrawLegDistanceMarks(draw, dc, m_points[i - 1], m_points[i], toRun, carried);
    m_points.clear();
}

void WalkLegDistanceMarks(const geo::CPosition& a, const geo::CPosition& b, double interval,
                          double& toRun, double& carried, std::vector<DistanceMark>& marks)
{
    interval = geo::ClampDistanceToRunInterval(interval);
    double range = 0, bearing = 0;
    if (!geo::RhumbRangeBearing(a, b, &range, &bearing, true) || !std::isfinite(range) ||
        !std::isfinite(toRun) || !std::isfinite(carried))
        return;
    double step = interval - carried;
    geo::CPosition current = a;
    if (range > step + kSameDistance) {
        carried = 0;
        int count = 0;
        do {
            range -= step;
            toRun -= step;
            if (toRun < 0.001)
                break;
            geo::CPosition mark;
            if (!PositionAt(current, step, bearing, mark))
                break;
            marks.push_back({mark, toRun, bearing});
            current = mark;
            step = interval;
        } while (range > interval + kSameDistance && ++count < COverlayLine::kMaxDistanceMarks);
    }
    toRun -= range;
    carried += range;
}

void COverlayLine::DrawLegDistanceMarks(bool draw, CXDC& dc, const geo::CPosition& a,
                                        const geo::CPosition& b, double& toRun, double& carried)
{
    m_marks.clear();
    WalkLegDistanceMarks(a, b, distanceToRunInterval, toRun, carried, m_marks);
    if (!draw || m_marks.empty())
        return;
    const double interval = geo::ClampDistanceToRunInterval(distanceToRunInterval);
    const int decimals = interval < 1.0 ? 1 : 0;
    CSelPen pen(dc, kDefaultOverlayColour);
    const COvrlyTextProperties& props = LabelProperties();
    COverlayText label(&props.GetFont());
    label.textColour = props.GetColour();
    label.SetOwner(m_owner);
    const std::int32_t savedPattern = patternCode;
    patternCode = 0;
    for (const DistanceMark& mark : m_marks) {
        const double left = FoldBearing(mark.bearing - 90.0);
        const double right = FoldBearing(mark.bearing + 90.0);
        geo::CPosition l, n, at;
        if (!PositionAtPixelDistance(mark.position, 6, left, l) ||
            !PositionAtPixelDistance(mark.position, 6, right, n) ||
            !PositionAtPixelDistance(n, 6, right, at))
            break;
        DrawSegment(dc, l, n);
        label.text = app::FormatDouble(mark.toRun, decimals, 1) + "M";
        label.SetPosition(at);
        label.DrawAtScreenPoints(dc);
    }
    patternCode = savedPattern;
}

}   // namespace chart
