#include "chart/overlays/OverlayTarget.h"

#include <cmath>

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayLine.h"
#include "nmea/NMEAConvert.h"
#include "platform/Ascii.h"

namespace chart {

namespace {

constexpr COLORREF kWarningRed = app::RGB(255, 0, 0);

bool IsSetNumber(double v)
{
    return std::isfinite(v) && v != geo::kUnsetValue;
}

}   // namespace

COverlayVTS::COverlayVTS(std::unique_ptr<CTargetVessel> record, CTargetTracking* tracking)
    : m_record(std::move(record)), m_tracking(tracking)
{
    m_position.Invalidate();
    if (m_tracking)
        SetCurrentTargetCount(&m_tracking->CurrentTargets());
}

CTargetMotion COverlayVTS::GetMotion() const
{
    std::lock_guard lock(m_lock);
    return m_motion;
}

void COverlayVTS::SetMotion(const CTargetMotion& motion)
{
    std::lock_guard lock(m_lock);
    m_motion = motion;
}

bool COverlayVTS::UpdateMotion(std::int64_t nowSeconds)
{
    if (!m_record)
        return false;
    const CTargetValues& v = m_record->Values();
    if (!v.latitude.IsValid() || !v.longitude.IsValid())
        return false;
    geo::CPosition position;
    const double lat = -nmea::NmeaDegMinToDegrees(v.latitude.GetDouble());
    const double lon = -nmea::NmeaDegMinToDegrees(v.longitude.GetDouble());
    if (!std::isfinite(lat) || !std::isfinite(lon) || !position.Set(lat, lon, 0.0, 0xFFFF))
        return false;

    std::lock_guard lock(m_lock);
    CTargetMotion m = m_motion;
    m.position = position;
    if (m.previous.IsValid()) {
        double range = 0, course = 0;
        if (geo::RhumbRangeBearing(m.previous, position, &range, &course, true)) {
            m.range = range;
            m.course = course;
            // Whole seconds; under one second the speed would divide by zero.
            const std::int64_t elapsed = nowSeconds - m.previousTime;
            if (m.hasPreviousTime && elapsed >= 1)
                m.speed = range / (static_cast<double>(elapsed) / 3600.0);
        }
    }
    m.previous = position;
    m.previousTime = nowSeconds;
    m.hasPreviousTime = true;
    m_motion = m;
    return true;
}

bool COverlayTarget::UpdateFromNMEA(const geo::CPosition& own, double ownCourseOverGround)
{
    if (!m_record || !own.IsValid())
        return false;
    const CTargetValues& v = m_record->Values();
    if (!v.speed.IsValid() || !v.range.IsValid() || !v.bearing.IsValid() ||
        !v.bearingReference.IsValid() || !v.course.IsValid() || !v.courseReference.IsValid() ||
        !v.key.IsValid())
        return false;
    const std::string key = v.key.GetString();
    if (key.empty() || !m_tracking || !m_tracking->IsKnownTargetKey(key[0]))
        return false;
    const double range = v.range.GetDouble();
    double bearing = v.bearing.GetDouble();
    if (!IsSetNumber(range) || range < 0 || !IsSetNumber(bearing))
        return false;
    const std::string bearingRef = v.bearingReference.GetString();
    if (!bearingRef.empty() && platform::AsciiUpper(bearingRef[0]) == 'R') {
        // Relative: the own course over ground turns it true.
        const double course = ownCourseOverGround == 360.0 ? 0.0 : ownCourseOverGround;
        if (!IsUsableDirection(course))
            return false;
        bearing = FoldBearing(bearing + course);
    }
    geo::CPosition target;
    if (range < 1e-5)
        target = own;
    else if (!geo::PositionAtRangeBearing(own, range, FoldBearing(bearing), &target))
        return false;

    std::lock_guard lock(m_lock);
    CTargetMotion m = m_motion;
    if (m.position.IsValid())
        m.previous = m.position;
    m.range = range;
    m.bearing = FoldBearing(bearing);
    m.position = target;
    bool ok = true;
    const std::string courseRef = v.courseReference.GetString();
    if (courseRef.empty() || platform::AsciiUpper(courseRef[0]) != 'R') {
        const double course = v.course.GetDouble();
        m.course = IsSetNumber(course) ? course : geo::kUnsetValue;
    } else if (m.previous.IsValid()) {
        double r = 0, c = 0;
        if (geo::RhumbRangeBearing(m.previous, target, &r, &c, true))
            m.course = c;
    } else {
        ok = false;
    }
    const double speed = v.speed.GetDouble();
    m.speed = IsSetNumber(speed) ? speed : geo::kUnsetValue;
    m_motion = m;
    return ok;
}

// ---- Drawing ------------------------------------------------------------------------------

void COverlayVTS::Draw(CXDC& dc)
{
    m_paint = GetMotion();
    m_position = m_paint.position;
    COverlayVessel::Draw(dc);
}

void COverlayVTS::Prepare()
{
    m_course = m_paint.course == 360.0 ? 0.0 : m_paint.course;
    m_drawPath = false;
    if (m_properties.drawProjectedPath && IsUsableDirection(m_course) &&
        geo::PositionAtRangeBearing(m_position, m_properties.projectedPathDistance, m_course,
                                    &m_pathEnd))
        m_drawPath = m_position.IsValid() && m_pathEnd.IsValid();
    m_courseLine = m_record->DrawCourseLine() && m_position.IsValid();
}

COverlayText COverlayVTS::MakeLabel() const
{
    COverlayText text(&m_properties.Text().GetFont());
    text.textColour = m_properties.Text().GetColour();
    text.SetOwner(m_owner);
    return text;
}

void COverlayVTS::DrawSymbolAt(CXDC& dc, IntPoint p)
{
    const COLORREF colour =
        m_record->GetState() ? m_properties.GetColour() : DimForActivePalette(kWarningRed);
    {
        CSelPen pen(dc, colour);
        CSelStock brush(dc, StockObject::WhiteBrush);
        const bool oriented = IsUsableDirection(m_course);
        DrawRotatedPolygon(dc, p, oriented ? m_course : 0.0, ScaleSize(6), ScaleSize(3));
        if (m_courseLine && oriented) {
            // The length is kept to a byte, as the stored sizes are.
            const int length = static_cast<std::uint8_t>(3 * ScaleSize(12));
            const double a = geo::DegToRad(m_course);
            m_owner->DrawLine(dc, p,
                              {p.x + geo::RoundToInt(length * std::sin(a)),
                               p.y - geo::RoundToInt(length * std::cos(a))});
        }
    }
    if (m_tracking && m_tracking->WarningCircles()) {
        CSelPen pen(dc, DimForActivePalette(kWarningRed));
        DrawRangeCircle(dc, m_tracking->WarningCirclesRadius());
    }
    DrawLabels(dc, p);
    if (m_selected) {
        const int h = ScaleSize(6);
        CSelPen pen(dc, colour);
        DrawFocusBox(dc, p.x - h, p.y - h, p.x + h, p.y + h);
    }
}

void COverlayVTS::DrawAfter(CXDC& dc)
{
    if (m_drawPath)
        DrawProjectedPath(dc);
}

void COverlayVTS::DrawProjectedPath(CXDC& dc)
{
    CSelPen pen(dc, ActiveColour(m_properties.projectedPathColours), PenStyle::Solid,
                m_properties.Line().GetWidth());
    m_owner->DrawGeoLine(dc, m_position, m_pathEnd);
    DrawTimeMarks(dc, m_position, m_pathEnd, m_paint.speed);
    PointList points;
    m_owner->PositionToClientPoints(m_pathEnd, points);
    for (const IntPoint& p : points)
        m_owner->DrawRotatedSymbol(dc, p, FoldBearing(m_course + 180.0), 6, 3);
}

void COverlayVTS::DrawTimeMarksAt(CXDC& dc, const std::vector<TimeMarkAt>& marks, double)
{
    // Every mark is the same triangle, so each kind is one shape at many places.
    PointList majors, minors;
    for (const auto& [p, major] : marks)
        (major ? majors : minors).push_back(p);
    const ArrowHead head = ComputeArrowHead({0, 0}, m_course, ScaleSize(3), ScaleSize(3));
    const IntPoint shape[] = {head.tip, head.right, head.left};
    if (!majors.empty()) {
        CSelBrush brush(dc, ActiveColour(m_properties.projectedPathColours));
        dc.Polygons(shape, majors);
    }
    if (!minors.empty()) {
        CSelStock brush(dc, StockObject::NullBrush);
        dc.Polygons(shape, minors);
    }
}

// Each label shows under its own switch.
void COverlayTarget::DrawLabels(CXDC& dc, IntPoint p)
{
    if (!m_properties.drawName && !m_properties.drawNumber && !m_properties.drawLabel)
        return;
    COverlayText text = MakeLabel();
    text.SetScreenPoint(p);
    const auto show = [&](const std::string& s, std::int32_t placement) {
        text.text = s;
        text.placement = placement;
        text.Draw(dc);
    };
    if (m_properties.drawName && !m_record->GetName().empty())
        show(m_record->GetName(), kPlaceUpperRight);
    if (m_properties.drawNumber)
        show(std::to_string(m_record->GetNumber()), kPlaceUpperLeft);
    if (m_properties.drawLabel && !m_record->GetLabel().empty())
        show(m_record->GetLabel(), kPlaceBelow);
}

void COverlayTenderTarget::DrawLabels(CXDC& dc, IntPoint p)
{
    if (!m_properties.drawName && !m_properties.drawNumber && !m_properties.drawDepth)
        return;
    COverlayText text = MakeLabel();
    text.SetScreenPoint(p);
    const auto show = [&](const std::string& s, std::int32_t placement) {
        text.text = s;
        text.placement = placement;
        text.Draw(dc);
    };
    if (m_properties.drawName && !m_record->GetName().empty())
        show(m_record->GetName(), kPlaceUpperRight);
    if (m_properties.drawNumber && !m_record->GetIdText().empty())
        show(m_record->GetIdText(), kPlaceUpperLeft);
    const double depth = m_record->GetDepth();
    if (m_properties.drawDepth && IsSetNumber(depth))
        show(app::FormatDistance(depth), kPlaceBelow);
}

}   // namespace chart
