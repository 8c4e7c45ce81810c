#include "charts/vector/VectorChartDoc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "app/Registry.h"
#include "app/StringUtils.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/vector/LiveChartDraw.h"
#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"

namespace charts {

const std::array<std::uint32_t, 16> CVectorChartDoc::kColours{
    0xFF000000, 0xFF0000FF, 0xFF008000, 0xFF3CBED9, 0xFFFF0000, 0xFFC800FF, 0xFFB99653, 0xFFFFFFFF,
    0xFF808080, 0xFFC5EBF4, 0xFF00FF00, 0xFF00FFFF, 0xFFFF0000, 0xFF800080, 0xFFF6C86E, 0xFFFFFFFF};

bool CVectorChartDoc::GetWholeExtent(geo::CPosition& northWest, geo::CPosition& southEast) const
{
    northWest = WholeNorthWest();
    southEast = WholeSouthEast();
    return true;
}

// ---- Mapping --------------------------------------------------------------------------

bool CVectorChartDoc::PositionToPoint(const geo::CPosition& position, geo::IntPoint& point)
{
    point = {0, 0};
    geo::CPosition nw;
    geo::CPosition se;
    geo::IntRect r;
    GetVisibleRect(r);
    if (!position.IsValid() || !GetExtent(nw, se))
        return false;
    const double w = static_cast<double>(r.right) - r.left;
    const double h = static_cast<double>(r.bottom) - r.top;
    if (w == 0.0 || h == 0.0)
        return false;
    const double north = nw.GetLatitude();
    const double west = nw.GetLongitude();
    const double south = se.GetLatitude();
    const double east = se.GetLongitude();
    const double lon = position.GetLongitude();
    double d = lon - west;
    if (m_crossesDateLine && west >= east && lon < 0.0)
        d += 360.0;
    // The share of the span first, then the pixels, as CLinearProjection
    // takes them, so the chart and what is placed on it meet to the pixel.
    const double x = r.left + std::trunc(d / LongitudeSpan(west, east, m_crossesDateLine) * w);
    const double y = r.top + std::trunc((north - position.GetLatitude()) / (north - south) * h);
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 2e9 || std::fabs(y) > 2e9)
        return false;
    point = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    return true;
}

bool CVectorChartDoc::PointToPosition(geo::IntPoint point, geo::CPosition& position)
{
    geo::CPosition nw;
    geo::CPosition se;
    geo::IntRect r;
    GetVisibleRect(r);
    if (!GetExtent(nw, se))
        return false;
    const double w = static_cast<double>(r.right) - r.left;
    const double h = static_cast<double>(r.bottom) - r.top;
    if (w == 0.0 || h == 0.0)
        return false;
    const double north = nw.GetLatitude();
    const double west = nw.GetLongitude();
    const double south = se.GetLatitude();
    const double east = se.GetLongitude();
    const double lat = north - (north - south) * (point.y - r.top) / h;
    double lon = 0.0;
    // An extent that lies on one side of the 180-degree meridian (a part of a
    // crossing chart) maps straight, as PositionToPoint maps it.
    if (m_crossesDateLine && west >= east) {
        lon = west + (east - west + 360.0) * (point.x - r.left) / w;
        if (lon > 180.0)
            lon -= 360.0;
    } else {
        lon = west + (east - west) * (point.x - r.left) / w;
    }
    return position.Set(lat, lon, 0.0, GetDatumIndex());
}

bool CVectorChartDoc::PositionToPoints(const geo::CPosition& position, chart::PointList& points)
{
    geo::IntPoint p;
    if (PositionToPoint(position, p))
        points.push_back(p);
    return !points.empty();
}

bool CVectorChartDoc::IsChartPointOnChart(geo::IntPoint p)
{
    geo::IntRect r;
    GetVisibleRect(r);
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool CVectorChartDoc::IsPositionOnChart(const geo::CPosition& position) const
{
    // No position (an invalid one) lies on any chart, whatever its numbers.
    if (!position.IsValid())
        return false;
    const double north = WholeNorthWest().GetLatitude();
    const double west = WholeNorthWest().GetLongitude();
    const double south = WholeSouthEast().GetLatitude();
    const double east = WholeSouthEast().GetLongitude();
    const double lat = position.GetLatitude();
    const double lon = position.GetLongitude();
    if (!(south < lat && lat < north))
        return false;
    if (!m_crossesDateLine)
        return west < lon && lon < east;
    return (west < lon && lon < 180.0) || (-180.0 < lon && lon < east);
}

bool CVectorChartDoc::IsAtMaxZoom()
{
    geo::IntRect r;
    GetVisibleRect(r);
    geo::CPosition a;
    geo::CPosition b;
    if (!PointToPosition({r.left, r.top}, a) || !PointToPosition({r.right, r.bottom}, b))
        return true;
    return geo::DegreesToMicroDegrees(a.GetLatitude()) ==
               geo::DegreesToMicroDegrees(b.GetLatitude()) ||
           geo::DegreesToMicroDegrees(a.GetLongitude()) ==
               geo::DegreesToMicroDegrees(b.GetLongitude());
}

// ---- Edges ------------------------------------------------------------------------------

namespace {

bool ClientCorner(chart::CChartDoc& doc, bool topLeft, geo::CPosition& p,
                  const geo::IntRect& client)
{
    return doc.PointToPosition(topLeft ? geo::IntPoint{client.left, client.top}
                                       : geo::IntPoint{client.right, client.bottom},
                               p);
}

}   // namespace

bool CVectorChartDoc::IsWestEdgeInView()
{
    geo::CPosition p;
    if (!ClientCorner(*this, true, p, ViewClientRect()))
        return false;
    const double lon = p.GetLongitude();
    if (lon > WholeNorthWest().GetLongitude())
        return false;
    return !(m_crossesDateLine && lon <= WholeSouthEast().GetLongitude());
}

bool CVectorChartDoc::IsNorthEdgeInView()
{
    geo::CPosition p;
    return ClientCorner(*this, true, p, ViewClientRect()) &&
           WholeNorthWest().GetLatitude() <= p.GetLatitude();
}

bool CVectorChartDoc::IsEastEdgeInView()
{
    geo::CPosition p;
    if (!ClientCorner(*this, false, p, ViewClientRect()))
        return false;
    const double lon = p.GetLongitude();
    if (WholeSouthEast().GetLongitude() > lon)
        return false;
    return !(m_crossesDateLine && WholeNorthWest().GetLongitude() <= lon);
}

bool CVectorChartDoc::IsSouthEdgeInView()
{
    geo::CPosition p;
    return ClientCorner(*this, false, p, ViewClientRect()) &&
           WholeSouthEast().GetLatitude() >= p.GetLatitude();
}

std::string CVectorChartDoc::GetExtentText()
{
    if (!IsChartLoaded())
        return {};
    if (!WholeNorthWest().IsValid() || !WholeSouthEast().IsValid())
        return "Error";
    const double d =
        std::fabs(WholeNorthWest().GetLatitude() - WholeSouthEast().GetLatitude()) * 60.0;
    const int decimals = d >= 10 ? 0 : d > 1 ? 1 : 2;
    return app::FormatDouble(d, decimals, 8) + "nm";
}

std::vector<CGridLine> CVectorChartDoc::ComputeGridLines()
{
    CGridInput in;
    if (!GetExtent(in.northWest, in.southEast))
        return {};
    in.crossesDateLine = m_crossesDateLine;
    GetVisibleRect(in.visible);
    if (Module())
        in.format = Module()->PositionFormat();
    in.toPoint = [this](const geo::CPosition& p, geo::IntPoint& pt) {
        return PositionToPoint(p, pt);
    };
    return ComputeGrid(in);
}

// ---- Drag rectangle ------------------------------------------------------------------------

void CVectorChartDoc::BeginDrag(geo::IntPoint point, bool continuing)
{
    if (!continuing) {
        CChartDoc::BeginDrag(point, continuing);
    } else {
        DragRect().right = point.x;
        DragRect().bottom = point.y;
    }
    if (GetChartFrame())
        GetChartFrame()->InvalidateView();
}

void CVectorChartDoc::DragTo(geo::IntPoint point)
{
    geo::IntRect& rect = DragRect();
    const geo::IntRect client = ViewClientRect();
    const std::int64_t w = std::int64_t{client.right} - client.left;
    const std::int64_t h = std::int64_t{client.bottom} - client.top;
    const std::int64_t dx = std::int64_t{point.x} - rect.left;
    // Kept to the client area's proportions and to 16 bits, worked out in 64
    // so that a wide drag on a tall view cannot overflow on the way.
    std::int64_t dy = w > 0 && h > 0 ? std::llabs(dx * h / w) : std::llabs(dx);
    dy = std::min<std::int64_t>(dy, INT16_MAX);
    rect.right = point.x;
    rect.bottom = static_cast<std::int32_t>(point.y <= rect.top ? rect.top - dy : rect.top + dy);
}

void CVectorChartDoc::EndDrag(geo::IntPoint point)
{
    DragTo(point);
    geo::IntRect& rect = DragRect();
    if (rect.left > rect.right)
        std::swap(rect.left, rect.right);
}

// ---- Placement ---------------------------------------------------------------------------------

void CVectorChartDoc::SaveWindowPlacement(app::CRegistry& reg)
{
    CChartDoc::SaveWindowPlacement(reg);
    geo::CPosition nw;
    geo::CPosition se;
    if (!GetExtent(nw, se) || !nw.IsValid() || !se.IsValid()) {
        nw = geo::CPosition(0.0, 0.0);
        se = geo::CPosition(0.0, 0.0);
    }
    reg.WriteDouble("TopLeftLatitude", nw.GetLatitude());
    reg.WriteDouble("TopLeftLongitude", nw.GetLongitude());
    reg.WriteDouble("BottomRightLatitude", se.GetLatitude());
    reg.WriteDouble("BottomRightLongitude", se.GetLongitude());
}

void CVectorChartDoc::RestoreWindowPlacement(app::CRegistry& reg)
{
    CChartDoc::RestoreWindowPlacement(reg);
    double v[4] = {0, 0, 0, 0};
    if (!reg.ReadDouble("TopLeftLatitude", v[0]) || !reg.ReadDouble("TopLeftLongitude", v[1]) ||
        !reg.ReadDouble("BottomRightLatitude", v[2]) ||
        !reg.ReadDouble("BottomRightLongitude", v[3]))
        return;
    geo::CPosition nw;
    geo::CPosition se;
    if (!nw.Set(v[0], v[1], 0.0, geo::kNoDatumIndex) ||
        !se.Set(v[2], v[3], 0.0, geo::kNoDatumIndex))
        return;
    RestoreExtent(nw, se);
}

void CVectorChartDoc::RestoreExtent(const geo::CPosition& northWest,
                                    const geo::CPosition& southEast)
{
    geo::IntPoint a;
    geo::IntPoint b;
    if (PositionToPoint(northWest, a) && PositionToPoint(southEast, b))
        ZoomToRect(a.x, a.y, b.x, b.y);
    InvalidateChart();
    CentreOnPosition(GetReferencePosition(), false);
}

}   // namespace charts
