#include "chart/overlays/OverlayVessel.h"

#include <cmath>

#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayLine.h"

namespace chart {

bool IsUsableDirection(double degrees)
{
    return std::isfinite(degrees) && degrees != geo::kUnsetValue && degrees >= 0.0 &&
           degrees < 360.0;
}

void CCurrentTargetCount::Decrease()
{
    int n = m_count.load();
    while (n > 0 && !m_count.compare_exchange_weak(n, n - 1)) { }
}

// ---- COverlayVessel -----------------------------------------------------------------------

void COverlayVessel::Draw(CXDC& dc)
{
    if (!IsShown() || !m_position.IsValid() || !m_owner || !m_owner->IsPositionOnChart(m_position))
        return;
    Prepare();
    PointList points;
    m_owner->PositionToClientPoints(m_position, points);
    for (const IntPoint& p : points)
        DrawSymbolAt(dc, p);
    DrawAfter(dc);
}

void COverlayVessel::DrawTimeMarks(CXDC& dc, const geo::CPosition& from, const geo::CPosition& to,
                                   double speed)
{
    if (!m_owner || !std::isfinite(speed) || speed == geo::kUnsetValue)
        return;
    double range = 0, bearing = 0;
    if (!geo::RhumbRangeBearing(from, to, &range, &bearing, true))
        return;
    const double step = speed * 60.0 / 3600.0;
    if (!(range > 0) || !(step > 0) || !std::isfinite(range))
        return;
    const double count = std::trunc(range / step);
    const int n = count < kMaxTimeMarks ? static_cast<int>(count) : kMaxTimeMarks;
    PointList points;
    std::vector<TimeMarkAt> marks;
    for (int i = 0; i < n; ++i) {
        geo::CPosition mark;
        if (!geo::PositionAtRangeBearing(from, (i + 1) * step, bearing, &mark))
            continue;
        m_owner->PositionToClientPoints(mark, points);
        for (const IntPoint& p : points)
            marks.emplace_back(p, i % 6 == 0);
    }
    DrawTimeMarksAt(dc, marks, bearing);
}

void COverlayVessel::DrawTimeMarksAt(CXDC& dc, const std::vector<TimeMarkAt>& marks, double bearing)
{
    for (const auto& [p, major] : marks)
        DrawTimeMark(dc, p, major, bearing);
}

void COverlayVessel::SetCurrentTarget(bool on)
{
    if (on == m_currentTarget)
        return;
    m_currentTarget = on;
    if (!m_currentCount)
        return;
    if (on)
        m_currentCount->Increase();
    else
        m_currentCount->Decrease();
}

// ---- COverlayOwnVessel --------------------------------------------------------------------

COwnVesselStyle::COwnVesselStyle() = default;

void COverlayOwnVessel::SetValues(const COwnVesselValues& values)
{
    m_values = values;
    m_position = values.position;
}

void COverlayOwnVessel::Prepare()
{
    m_sizeMode = m_style.vessel.GetSizeMode();
    m_heading = m_values.heading == 360.0 ? 0.0 : m_values.heading;
    const bool headingUsable = IsUsableDirection(m_heading);
    const double cog = m_values.courseOverGround;
    const bool courseUsable = IsUsableDirection(cog);
    m_hasDirection = headingUsable || courseUsable;
    m_direction = headingUsable ? m_heading : courseUsable ? cog : 0.0;

    m_drawHeading = false;
    if (m_style.headingMarker.GetDraw() && headingUsable &&
        geo::PositionAtRangeBearing(m_position, m_values.headingLineLength, m_heading,
                                    &m_headingEnd))
        m_drawHeading = m_position.IsValid() && m_headingEnd.IsValid();

    m_drawVector = false;
    const double sog = m_values.speedOverGround;
    const double seconds = std::trunc(m_values.vectorTimeDays * 86400.0 + 0.5);
    // The vector takes any course that is set, 360 as well; a value outside
    // 0 to 360 is no course at all.
    const bool courseSet =
        std::isfinite(cog) && cog != geo::kUnsetValue && cog >= 0.0 && cog <= 360.0;
    if (m_style.vector.GetDraw() && courseSet && std::isfinite(sog) && sog != geo::kUnsetValue &&
        std::isfinite(seconds) &&
        geo::PositionAtRangeBearingEx(m_position, sog, seconds, cog, &m_vectorEnd))
        m_drawVector = m_position.IsValid() && m_vectorEnd.IsValid();
}

void COverlayOwnVessel::DrawSymbolAt(CXDC& dc, IntPoint p)
{
    CSelPen pen(dc, m_style.vessel.GetColour());
    CSelStock brush(dc, StockObject::WhiteBrush);
    const int outer = ScaleSize(6), inner = ScaleSize(3);
    dc.Ellipse(p.x - outer, p.y - outer, p.x + outer, p.y + outer);
    dc.Ellipse(p.x - inner, p.y - inner, p.x + inner, p.y + inner);
    if (m_hasDirection) {
        using geo::RoundToInt;
        const double r = ScaleSize(12);
        const double a = geo::DegToRad(m_direction - 90.0), b = geo::DegToRad(m_direction + 90.0);
        m_owner->DrawLine(dc,
                          {p.x + RoundToInt(r * std::sin(a)), p.y - RoundToInt(r * std::cos(a))},
                          {p.x + RoundToInt(r * std::sin(b)), p.y - RoundToInt(r * std::cos(b))});
    }
    if (m_values.warningCircles)
        DrawRangeCircle(dc, m_values.warningCirclesRadius);
}

void COverlayOwnVessel::DrawLine(CXDC& dc, const CLineProperties& props,
                                 const geo::CPosition& start, const geo::CPosition& end,
                                 double speed, double direction)
{
    CSelPen pen(dc, props.GetColour(), PenStyle::Solid, m_style.trackLineWidth);
    m_owner->DrawGeoLine(dc, start, end);
    DrawTimeMarks(dc, start, end, speed);
    PointList points;
    m_owner->PositionToClientPoints(end, points);
    for (const IntPoint& p : points)
        m_owner->DrawRotatedSymbol(dc, p, direction, 6, 3);
}

void COverlayOwnVessel::DrawAfter(CXDC& dc)
{
    if (m_drawHeading)
        DrawLine(dc, m_style.headingMarker, m_position, m_headingEnd, m_values.headingMarkSpeed,
                 m_heading);
    if (m_drawVector)
        DrawLine(dc, m_style.vector, m_position, m_vectorEnd, m_values.speedOverGround,
                 m_values.courseOverGround);
}

void COverlayOwnVessel::DrawTimeMark(CXDC& dc, IntPoint p, bool major, double bearing)
{
    Pen pen = dc.GetCurrentPen();
    pen.width = major ? 2 : 1;
    CSelPen sel(dc, pen);
    using geo::RoundToInt;
    const double a = geo::DegToRad(bearing - 90.0), b = geo::DegToRad(bearing + 90.0);
    dc.DrawLine(p.x + RoundToInt(6 * std::sin(a)), p.y - RoundToInt(6 * std::cos(a)),
                p.x + RoundToInt(6 * std::sin(b)), p.y - RoundToInt(6 * std::cos(b)));
}

}   // namespace chart
