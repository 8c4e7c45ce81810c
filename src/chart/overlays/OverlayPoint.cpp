#include "chart/overlays/OverlayPoint.h"

#include <cmath>
#include <cstdint>

#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "chart/overlays/OverlayServices.h"
#include "geo/NavMaths.h"

namespace chart {

std::uint8_t COverlayPoint::ScaleSize(std::uint8_t size) const
{
    switch (m_sizeMode) {
    // Whole-number arithmetic: x1.5 truncated, kept to a byte as sizes are.
    case 1: return static_cast<std::uint8_t>((size * 3) / 2);
    case 2: return static_cast<std::uint8_t>(size * 2);
    default: return size;
    }
}

void COverlayPoint::SetPositionAndId(const geo::CPosition& position, std::int32_t id)
{
    m_position = position;
    m_id = id;
}

bool COverlayPoint::HitTest(IntPoint clientPoint)
{
    if (!m_owner)
        return false;
    PointList points;
    if (!m_owner->PositionToClientPoints(m_position, points))
        return false;
    const std::int64_t r = ScaleSize(m_baseSize);
    for (const IntPoint& p : points) {
        // 64 bits: a point tens of thousands of pixels away squares past 2^31.
        const std::int64_t dx = std::int64_t(clientPoint.x) - p.x;
        const std::int64_t dy = std::int64_t(clientPoint.y) - p.y;
        if (dx * dx + dy * dy < r * r)
            return true;
    }
    return false;
}

void COverlayPoint::DrawAtScreenPoints(CXDC& dc)
{
    if (!m_owner)
        return;
    PointList points;
    m_owner->PositionToClientPoints(m_position, points);
    for (const IntPoint& p : points) {
        m_screen = p;
        Draw(dc);
    }
}

void COverlayPoint::DrawFocusBox(CXDC& dc, int left, int top, int right, int bottom)
{
    const CChartSettings defaults;
    const CChartSettings& settings =
        m_owner && m_owner->Module() ? m_owner->Module()->ChartSettings() : defaults;
    const int width = settings.FocusBoxWidth();
    CSelPen pen(dc, ActiveColour(settings.focusBoxColour), PenStyle::Solid, width);
    dc.DrawFrameRect(IntRect{left - width, top - width, right + width, bottom + width}, 0, false);
}

bool RangeCircleEnds(const geo::CPosition& centre, double range, geo::CPosition& north,
                     geo::CPosition& south)
{
    return geo::PositionAtRangeBearing(centre, range, 0.0, &north) &&
           geo::PositionAtRangeBearing(centre, range, 180.0, &south);
}

void COverlayPoint::DrawRangeCircle(CXDC& dc, double range)
{
    if (!m_owner)
        return;
    geo::CPosition centre;
    m_owner->ShiftToChartDatum(m_position, centre);
    geo::CPosition north, south;
    if (RangeCircleEnds(centre, range, north, south))
        m_owner->DrawEllipse(dc, north, south);
}

// ---- Chartpoints and waypoints ------------------------------------------------------------

void COverlayChartpoint::Draw(CXDC& dc)
{
    CSelStock brush(dc, StockObject::WhiteBrush);
    const int x = m_screen.x, y = m_screen.y;
    const int r = ScaleSize(6);
    const int a = ScaleSize(1);
    const int b = ScaleSize(3);
    dc.Ellipse(x - r, y - r, x + r, y + r);
    dc.DrawLine(x, y + r, x, y);
    dc.DrawLine(x, y, x - r + a, y - r + b);
    dc.DrawLine(x + r - a, y - r + b, x, y);
    if (m_selected)
        DrawFocusBox(dc, x - r, y - r, x + r, y + r);
}

IntRect COverlayChartpoint::SymbolBox() const
{
    // The circle and spokes within the radius, its one-pixel outline and a
    // pixel to spare.
    const int r = ScaleSize(6) + 2;
    return {-r, -r, r + 1, r + 1};
}

void COverlayWaypoint::Draw(CXDC& dc)
{
    CSelStock brush(dc, StockObject::WhiteBrush);
    const int x = m_screen.x, y = m_screen.y;
    const int r = ScaleSize(6);
    dc.Ellipse(x - r, y - r, x + r, y + r);
    if (m_selected)
        DrawFocusBox(dc, x - r, y - r, x + r, y + r);
}

// ---- Position fixes -----------------------------------------------------------------------

app::CDateTimeEx COverlayPositionFix::NoFixTime()
{
    return app::CDateTimeEx(101, 1, 1, 0, 0, 0);
}

COverlayPositionFix::COverlayPositionFix()
{
    COverlayPositionFix::Reset();
}

COverlayPositionFix::COverlayPositionFix(double latitude, double longitude, double altitude,
                                         std::uint16_t datum, const app::CDateTimeEx& fixTime,
                                         CChartDoc* owner)
{
    COverlayPositionFix::Reset();
    m_position.Set(latitude, longitude, altitude, datum);
    m_fixTime = fixTime;
    m_owner = owner;
}

COverlayPositionFix::COverlayPositionFix(const geo::CPosition& position,
                                         const app::CDateTimeEx& fixTime, CChartDoc* owner)
{
    COverlayPositionFix::Reset();
    m_position = position;
    m_fixTime = fixTime;
    m_owner = owner;
}

COverlayPositionFix::COverlayPositionFix(const COverlayPositionFix& other) : COverlayPoint(other)
{
    COverlayPositionFix::Reset();
    COverlayPositionFix::CopyFrom(other);
}

void COverlayPositionFix::CopyFrom(const COverlayPositionFix& other)
{
    m_position = other.m_position;
    m_fixTime = other.m_fixTime;
    values = other.values;
    code = other.code;
    segmentStart = other.segmentStart;
    m_owner = other.m_owner;
}

void COverlayPositionFix::Reset()
{
    m_position = geo::CPosition(0.0, 0.0, 0.0);
    m_fixTime = NoFixTime();
    values = {};
    code = 0;
    segmentStart = false;
    m_owner = nullptr;
}

void COverlayPositionFix::Draw(CXDC& dc)
{
    CSelStock brush(dc, StockObject::WhiteBrush);
    const int x = m_screen.x, y = m_screen.y;
    const int r = ScaleSize(5);
    dc.Ellipse(x - r, y - r, x + r, y + r);
    dc.DrawLine(x, y - r, x, y + r);
    dc.DrawLine(x - r, y, x + r, y);
}

MarkerTriangle ComputeMarkerTriangle(IntPoint at, double course, double r)
{
    using geo::RoundToInt;
    const double s = std::sin(geo::DegToRad(course));
    const double c = std::cos(geo::DegToRad(course));
    const IntPoint apex{at.x + RoundToInt(r * s), at.y - RoundToInt(r * c)};
    const IntPoint base{at.x - RoundToInt(r * s), at.y + RoundToInt(r * c)};
    double across = course - 90.0;
    if (across < 0)
        across = 360.0 - std::fabs(across);
    const double s2 = std::sin(geo::DegToRad(across));
    const double c2 = std::cos(geo::DegToRad(across));
    return {apex, IntPoint{base.x + RoundToInt(r * s2), base.y - RoundToInt(r * c2)},
            IntPoint{base.x - RoundToInt(r * s2), base.y + RoundToInt(r * c2)}};
}

COverlayTargetPositionFix::COverlayTargetPositionFix(double latitude, double longitude,
                                                     double altitude, std::uint16_t datum,
                                                     const app::CDateTimeEx& fixTime,
                                                     CChartDoc* owner)
    : COverlayPositionFix(latitude, longitude, altitude, datum, fixTime, owner)
{ }

COverlayTargetPositionFix::COverlayTargetPositionFix(const COverlayTargetPositionFix& other)
    : COverlayPositionFix(0.0, 0.0, 0.0, 0xFFFF, NoFixTime(), nullptr)
{
    CopyFrom(other);
}

void COverlayTargetPositionFix::Draw(CXDC& dc)
{
    if (!std::isfinite(values[0]))
        return;
    const MarkerTriangle t = ComputeMarkerTriangle(m_screen, values[0], ScaleSize(3));
    const IntPoint points[] = {t.apex, t.second, t.first};
    dc.Polygon(points);
}

COverlayARPAPositionFix::COverlayARPAPositionFix(double latitude, double longitude, double altitude,
                                                 std::uint16_t datum,
                                                 const app::CDateTimeEx& fixTime, CChartDoc* owner)
    : COverlayPositionFix(latitude, longitude, altitude, datum, fixTime, owner)
{ }

COverlayARPAPositionFix::COverlayARPAPositionFix(const COverlayARPAPositionFix& other)
    : COverlayPositionFix(0.0, 0.0, 0.0, 0xFFFF, NoFixTime(), nullptr)
{
    CopyFrom(other);
}

void COverlayARPAPositionFix::CopyFrom(const COverlayPositionFix& other)
{
    COverlayPositionFix::CopyFrom(other);
    if (const auto* arpa = dynamic_cast<const COverlayARPAPositionFix*>(&other)) {
        wordPairs = arpa->wordPairs;
        word = arpa->word;
        firstText = arpa->firstText;
        secondText = arpa->secondText;
    }
}

void COverlayARPAPositionFix::Reset()
{
    COverlayPositionFix::Reset();
    wordPairs = {};
    word = 0;
    firstText.clear();
    secondText.clear();
}

void COverlayARPAPositionFix::Draw(CXDC& dc)
{
    if (!std::isfinite(values[0]))
        return;
    const MarkerTriangle t = ComputeMarkerTriangle(m_screen, values[0], ScaleSize(3));
    dc.MoveTo(t.apex);
    dc.LineTo(t.first);
    dc.LineTo(t.second);
    dc.LineTo(t.apex);
}

}   // namespace chart
