#include "chart/RangeBearing.h"

#include <cmath>

#include "app/Colour.h"
#include "app/SystemUtils.h"
#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "geo/NavMaths.h"

namespace chart {

namespace {

constexpr const char* kDegree = "\xC2\xB0";

bool IsRasterChart(const CChartDoc& doc)
{
    return doc.GetChartType() == kChartARCS || doc.GetChartType() == kChartSeafarer;
}

std::string Trimmed(std::string s)
{
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

}   // namespace

std::string FormatRangeBearingLabel(double range, double bearing)
{
    return Trimmed(app::FormatDistance(range)) + "nm, " + Trimmed(app::FormatBearing(bearing)) +
           kDegree + ", (" + Trimmed(app::FormatBearing(geo::AddAngles(bearing, 180.0))) + kDegree +
           ")";
}

bool RangeBearingAsDrawn(const geo::CPosition& from, const geo::CPosition& to, int fromX, int toX,
                         double* range, double* bearing)
{
    *range = 0.0;
    *bearing = 0.0;
    if (!from.IsValid() || !to.IsValid())
        return false;
    double d = to.GetLongitude() - from.GetLongitude();
    if (toX > fromX && d < 0)
        d += 360.0;
    else if (toX < fromX && d > 0)
        d -= 360.0;
    else if (toX == fromX && std::fabs(d) > 180.0)
        d -= std::copysign(360.0, d);
    // A rhumb line's range and bearing do not change when both ends turn
    // about the axis: the ends are put either side of the zero meridian, so
    // the line runs the drawn way without meeting 180 degrees.
    const geo::CPosition a(from.GetLatitude(), -d / 2, 0.0,
                           static_cast<std::int16_t>(from.GetDatum()));
    const geo::CPosition b(to.GetLatitude(), d / 2, 0.0, static_cast<std::int16_t>(to.GetDatum()));
    return geo::RhumbRangeBearing(a, b, range, bearing, false);
}

void CRangeBearingOverlay::Start(CChartDoc& doc, geo::IntPoint point)
{
    m_doc = &doc;
    m_start = m_end = point;
    m_startPanel = m_endPanel = IsRasterChart(doc) ? doc.GetCurrentPanelId() : CPanelId{};
    geo::IntPoint chartPoint;
    doc.ClientToChartPoint(point, chartPoint);
    if (!doc.PointToPosition(chartPoint, m_startPosition))
        m_startPosition.Invalidate();
    doc.ClientToChartPoint({point.x + 1, point.y}, chartPoint);
    if (!doc.PointToPosition(chartPoint, m_endPosition))
        m_endPosition.Invalidate();
    m_state = kStarted;
}

bool CRangeBearingOverlay::CanExtendTo(geo::IntPoint point) const
{
    if (!m_doc || !m_doc->IsClientPointOnChart(point))
        return false;
    if (!IsRasterChart(*m_doc) || m_doc->IsWorldChart())
        return true;
    return m_doc->IsClientPointInPanel(point, m_startPanel);
}

void CRangeBearingOverlay::SetEnd(geo::IntPoint point)
{
    m_end = point;
    if (!m_doc)
        return;
    // A world chart lets the end go into any panel: it is drawn through the
    // one it lies in.
    if (IsRasterChart(*m_doc) && m_doc->IsWorldChart())
        m_endPanel = m_doc->GetCurrentPanelId();
    geo::IntPoint chartPoint;
    m_doc->ClientToChartPoint(point, chartPoint);
    if (!m_doc->PointToPosition(chartPoint, m_endPosition))
        m_endPosition.Invalidate();
}

void CRangeBearingOverlay::Finish(geo::IntPoint point)
{
    m_label = ComputeLabel(point);
    m_finished = true;
}

std::string CRangeBearingOverlay::ComputeLabel(geo::IntPoint point) const
{
    if (!m_doc)
        return {};
    geo::IntPoint chartPoint;
    m_doc->ClientToChartPoint(point, chartPoint);
    geo::CPosition end;
    if (!m_doc->PointToPosition(chartPoint, end))
        return {};
    double range = 0.0;
    double bearing = 0.0;
    if (!RangeBearingAsDrawn(m_startPosition, end, m_start.x, point.x, &range, &bearing))
        return {};
    return FormatRangeBearingLabel(range, bearing);
}

void CRangeBearingOverlay::ClientPoints(geo::IntPoint& s, geo::IntPoint& e) const
{
    s = m_start;
    e = m_end;
    if (!m_finished || !m_doc)
        return;
    // Each end through the projection of its own panel: another panel may
    // show the same place elsewhere on the chart.
    geo::IntPoint p;
    if (m_doc->PanelPositionToClientPoint(m_startPosition, m_startPanel, p))
        s = p;
    if (m_doc->PanelPositionToClientPoint(m_endPosition, m_endPanel, p))
        e = p;
}

void CRangeBearingOverlay::DrawLine(CXDC& dc, bool night) const
{
    geo::IntPoint s;
    geo::IntPoint e;
    ClientPoints(s, e);
    const Pen old = dc.SelectPen(night ? app::RGB(255, 255, 255) : app::RGB(0, 0, 0));
    const std::int64_t dx = std::int64_t{e.x} - s.x;
    const std::int64_t dy = std::int64_t{e.y} - s.y;
    const int r = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy))));
    int tx = static_cast<int>(dx / 3);
    int ty = static_cast<int>(dy / 3);
    if (tx == 0)
        tx = 1;
    if (ty == 0)
        ty = 1;
    dc.Arc(s.x - r, s.y - r, s.x + r, s.y + r, e.x - ty, e.y + tx, e.x + ty, e.y - tx);
    dc.DrawLine(s.x, s.y, e.x + tx, e.y + ty);
    dc.SelectPen(old);
}

void CRangeBearingOverlay::DrawLabel(CXDC& dc) const
{
    // Without a label (an end with no position) the box is drawn empty.
    geo::IntPoint s;
    geo::IntPoint e;
    ClientPoints(s, e);
    // A cell height of 12 points on this DC, so the figures keep their size
    // in points on a printer or a dense screen.
    const int cell = 12 * dc.GetDeviceCaps(DeviceCap::LogPixelsY) / 72;
    const Font font{"System", std::max(cell, 1), 500, false, false, 0};
    const Font oldFont = dc.SelectFont(font);
    const IntSize text = dc.GetTextExtent(m_label);
    const int w = text.cx + 6;
    const int h = text.cy + 6;
    const int cx = static_cast<int>((std::int64_t{s.x} + e.x) / 2);
    const int cy = static_cast<int>((std::int64_t{s.y} + e.y) / 2);
    const Brush oldBrush = dc.SelectBrush(app::RGB(255, 255, 0));
    const Pen oldPen = dc.SelectPen(app::RGB(0, 0, 0));
    dc.Rectangle(cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h);
    const COLORREF oldText = dc.SetTextColor(app::RGB(0, 0, 0));
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
    const unsigned oldAlign = dc.SetTextAlign(TA_CENTER | TA_TOP);
    if (!m_label.empty())
        dc.TextOut(cx, cy - h / 2 + (h - text.cy) / 2, m_label);
    dc.SetTextAlign(oldAlign);
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldText);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SelectFont(oldFont);
}

}   // namespace chart
