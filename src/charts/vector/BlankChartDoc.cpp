#include "charts/vector/BlankChartDoc.h"

#include <algorithm>
#include <cmath>

#include "app/DateTimeEx.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"

namespace charts {

namespace {

bool SameMicroDegrees(double a, double b)
{
    return geo::DegreesToMicroDegrees(a) == geo::DegreesToMicroDegrees(b);
}

}   // namespace

CBlankChartDoc::CBlankChartDoc(chart::CChartingModule* module) : CVectorChartDoc(module)
{
    SetName("Blank Chart");
}

int CBlankChartDoc::DrawChart(chart::CXDC& dc)
{
    if (Module() && Module()->ChartSettings().drawLatLongGrid)
        return 1;
    return DrawGrid(dc) ? 1 : 0;
}

bool CBlankChartDoc::GetIssueDate(std::string& text)
{
    text = CDateTimeEx::GetCurrentTime().FormatDate(true);
    return !text.empty();
}

bool CBlankChartDoc::GetUpdateDate(std::string& text)
{
    return GetIssueDate(text);
}

bool CBlankChartDoc::LoadChart()
{
    SetWholeExtent(geo::CPosition(90.0, -180.0), geo::CPosition(-90.0, 180.0));
    SetProjectionText("UT Mercator");
    m_scale = 20000000.0;
    return true;
}

bool CBlankChartDoc::OpenChart(const std::string& /*path*/)
{
    if (!LoadChart())
        return false;
    CreatePalettes();
    geo::CPosition nw;
    geo::CPosition se;
    GetWholeExtent(nw, se);
    SetViewExtent(nw, se);
    SetZoomFactor(1.0);
    return true;
}

int CBlankChartDoc::OpenWorldChart(int argument, bool flag)
{
    if (!Module() || !Module()->Services().openChart)
        return 0;
    return Module()->Services().openChart("", !flag, argument) != nullptr ? 1 : 0;
}

bool CBlankChartDoc::CreatePalettes()
{
    CVectorChartDoc::CreatePalettes();
    chart::ColourTable& day = Colours(chart::kPaletteDay);
    std::copy(kColours.begin(), kColours.end(), day.begin());
    SetColourCount(static_cast<std::uint16_t>(kColours.size()));
    BuildDimmedPalette(Colours(chart::kPaletteDusk), 25);
    BuildDimmedPalette(Colours(chart::kPaletteNight), 50);
    return true;
}

std::uint16_t CBlankChartDoc::GetDatumIndex() const
{
    return geo::DatumIndexWGS84();
}

std::string CBlankChartDoc::GetHorizontalDatum()
{
    return geo::CDatumInfo::GetName(GetDatumIndex());
}

bool CBlankChartDoc::GetExtent(geo::CPosition& northWest, geo::CPosition& southEast) const
{
    northWest = m_viewNorthWest;
    southEast = m_viewSouthEast;
    return true;
}

bool CBlankChartDoc::SetViewExtent(const geo::CPosition& northWest, const geo::CPosition& southEast)
{
    m_viewNorthWest = northWest;
    m_viewSouthEast = southEast;
    const double dLon = southEast.GetLongitude() - northWest.GetLongitude();
    const double aspect = (northWest.GetLatitude() - southEast.GetLatitude()) / dLon;
    if (dLon == 0.0 || !std::isfinite(aspect))
        return false;
    m_aspect = std::fabs(aspect);
    return true;
}

void CBlankChartDoc::GetVisibleRect(geo::IntRect& rect)
{
    const geo::IntRect client = ViewClientRect();
    const double w = static_cast<double>(client.right) - client.left;
    const double h = static_cast<double>(client.bottom) - client.top;
    if (w == 0.0)
        return;
    // The chart keeps its proportions, anchored at the bottom-left corner.
    double width = w;
    double height = h;
    if (h / w <= m_aspect)
        width = std::trunc(h / m_aspect);
    else
        height = std::trunc(w * m_aspect);
    rect = {client.left, client.bottom - static_cast<std::int32_t>(height),
            client.left + static_cast<std::int32_t>(width), client.bottom};
}

bool CBlankChartDoc::GetMetresPerPixel(double& metres)
{
    geo::IntRect visible;
    GetVisibleRect(visible);
    double h = static_cast<double>(visible.bottom) - visible.top;
    if (h <= 0) {
        const geo::IntRect client = ViewClientRect();
        h = static_cast<double>(client.bottom) - client.top;
    }
    if (h <= 0)
        return false;
    metres = std::fabs(m_viewNorthWest.GetLatitude() - m_viewSouthEast.GetLatitude()) * 60.0 *
             1852.0 / h;
    return true;
}

bool CBlankChartDoc::GetResolutionText(std::string& text, double& metresPerPixel)
{
    // A view with no height has no figure to show: the text stays empty.
    if (!GetMetresPerPixel(metresPerPixel)) {
        text.clear();
        return false;
    }
    return CVectorChartDoc::GetResolutionText(text, metresPerPixel);
}

// ---- Scrolling and panning ------------------------------------------------------------

int CBlankChartDoc::OnHScroll(int position)
{
    const double span = m_viewSouthEast.GetLongitude() - m_viewNorthWest.GetLongitude();
    if (position != kScrollQuery) {
        const double west = -180.0 + std::clamp(position, 0, 100) * 3.6;
        MoveExtent(0.0, west - m_viewNorthWest.GetLongitude());
    }
    geo::IntPoint p;
    geo::IntPoint q;
    const geo::IntRect client = ViewClientRect();
    if (span <= 0 || !PositionToPoint(WholeNorthWest(), p) ||
        !PositionToPoint(WholeSouthEast(), q) || q.x == p.x)
        return -1;
    return static_cast<int>(std::llabs(std::int64_t{p.x} - client.left) * 100 /
                            (std::int64_t{q.x} - p.x));
}

int CBlankChartDoc::OnVScroll(int position)
{
    if (position != kScrollQuery) {
        const double north = 90.0 - std::clamp(position, 0, 100) * 1.8;
        MoveExtent(north - m_viewNorthWest.GetLatitude(), 0.0);
    }
    geo::IntPoint p;
    geo::IntPoint q;
    const geo::IntRect client = ViewClientRect();
    if (!PositionToPoint(WholeNorthWest(), p) || !PositionToPoint(WholeSouthEast(), q) ||
        q.y == p.y)
        return -1;
    return static_cast<int>(std::llabs(std::int64_t{p.y} - client.top) * 100 /
                            (std::int64_t{q.y} - p.y));
}

void CBlankChartDoc::MoveExtent(double dLat, double dLon)
{
    double north = m_viewNorthWest.GetLatitude();
    double south = m_viewSouthEast.GetLatitude();
    double west = m_viewNorthWest.GetLongitude();
    double east = m_viewSouthEast.GetLongitude();
    // The move stops at the world's edges; the spans never change.
    dLat = std::clamp(dLat, -90.0 - south, 90.0 - north);
    dLon = std::clamp(dLon, -180.0 - west, 180.0 - east);
    if (dLat == 0.0 && dLon == 0.0)
        return;
    geo::CPosition nw;
    geo::CPosition se;
    if (!nw.Set(north + dLat, west + dLon, 0.0, geo::kNoDatumIndex) ||
        !se.Set(south + dLat, east + dLon, 0.0, geo::kNoDatumIndex))
        return;
    SetViewExtent(nw, se);
    InvalidateChart();
}

bool CBlankChartDoc::CentreOnPosition(const geo::CPosition& position, bool)
{
    if (!position.IsValid())
        return false;
    const geo::CPosition nw = m_viewNorthWest;
    const geo::CPosition se = m_viewSouthEast;
    const double centreLat = (nw.GetLatitude() + se.GetLatitude()) / 2.0;
    const double centreLon = (nw.GetLongitude() + se.GetLongitude()) / 2.0;
    MoveExtent(position.GetLatitude() - centreLat, position.GetLongitude() - centreLon);
    return !(m_viewNorthWest == nw && m_viewSouthEast == se);
}

int CBlankChartDoc::PanHorizontal(int step)
{
    geo::IntRect visible;
    GetVisibleRect(visible);
    const double w = static_cast<double>(visible.right) - visible.left;
    if (w <= 0)
        return 0;
    const double span = m_viewSouthEast.GetLongitude() - m_viewNorthWest.GetLongitude();
    MoveExtent(0.0, step * span / w);
    return 1;
}

int CBlankChartDoc::PanVertical(int step)
{
    geo::IntRect visible;
    GetVisibleRect(visible);
    const double h = static_cast<double>(visible.bottom) - visible.top;
    if (h <= 0)
        return 0;
    const double span = m_viewNorthWest.GetLatitude() - m_viewSouthEast.GetLatitude();
    MoveExtent(-step * span / h, 0.0);
    return 1;
}

// ---- Zoom ----------------------------------------------------------------------------------

bool CBlankChartDoc::IsExtentDegenerate(const geo::CPosition& nw, const geo::CPosition& se) const
{
    return SameMicroDegrees(nw.GetLatitude(), se.GetLatitude()) ||
           SameMicroDegrees(nw.GetLongitude(), se.GetLongitude());
}

bool CBlankChartDoc::ZoomIn()
{
    const geo::IntRect client = ViewClientRect();
    const double cw = static_cast<double>(client.right) - client.left;
    const double ch = static_cast<double>(client.bottom) - client.top;
    if (IsExtentDegenerate(m_viewNorthWest, m_viewSouthEast) || cw <= 0)
        return false;
    const double z = GetZoomFactor();
    double north = m_viewNorthWest.GetLatitude();
    double south = m_viewSouthEast.GetLatitude();
    double west = m_viewNorthWest.GetLongitude();
    double east = m_viewSouthEast.GetLongitude();
    const double dLat = (north - south) * z / (2 * (z + 1));
    const double dLon = (east - west) * z / (2 * (z + 1));
    north -= dLat;
    south += dLat;
    west += dLon;
    east -= dLon;
    const double c = ch / cw;
    if (m_aspect > c) {
        if (c <= 0)
            return false;
        east = west + (north - south) / c;
    } else if (m_aspect < c) {
        north = south + (east - west) * c;
    }
    north = std::min(north, 90.0);
    south = std::max(south, -90.0);
    east = std::min(east, 180.0);
    west = std::max(west, -180.0);
    const geo::CPosition nw(north, west);
    const geo::CPosition se(south, east);
    if (IsExtentDegenerate(nw, se))
        return false;
    SetViewExtent(nw, se);
    InvalidateChart();
    return true;
}

bool CBlankChartDoc::ZoomOut()
{
    const double z = GetZoomFactor();
    double north = m_viewNorthWest.GetLatitude();
    double south = m_viewSouthEast.GetLatitude();
    double west = m_viewNorthWest.GetLongitude();
    double east = m_viewSouthEast.GetLongitude();
    const double dLat = (north - south) * z * 0.5;
    const double dLon = (east - west) * z * 0.5;
    north = std::min(north + dLat, 90.0);
    south = std::max(south - dLat, -90.0);
    west = std::max(west - dLon, -180.0);
    east = std::min(east + dLon, 180.0);
    SetViewExtent(geo::CPosition(north, west), geo::CPosition(south, east));
    InvalidateChart();
    return true;
}

bool CBlankChartDoc::ZoomFull()
{
    SetViewExtent(WholeNorthWest(), WholeSouthEast());
    InvalidateChart();
    return true;
}

bool CBlankChartDoc::ZoomToRect(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left < 2 || bottom - top < 2)
        return false;
    if (IsExtentDegenerate(m_viewNorthWest, m_viewSouthEast))
        return false;
    geo::IntPoint a;
    geo::IntPoint b;
    if (!PositionToPoint(m_viewNorthWest, a) || !PositionToPoint(m_viewSouthEast, b))
        return false;
    // Cut to the chart's top and right edges.
    if (a.y > top) {
        if (a.y >= bottom)
            return false;
        top = a.y;
    }
    if (b.x < right) {
        if (b.x <= left)
            return false;
        right = b.x;
    }
    const geo::IntRect client = ViewClientRect();
    const double cw = static_cast<double>(client.right) - client.left;
    const double ch = static_cast<double>(client.bottom) - client.top;
    const double rw = static_cast<double>(right) - left;
    const double rh = static_cast<double>(bottom) - top;
    if (cw <= 0 || rw <= 0)
        return false;
    const double c = ch / cw;
    const double q = rh / rw;
    // The rectangle takes the client area's proportions.
    if (q > c) {
        if (c <= 0)
            return false;
        const auto need =
            static_cast<std::int64_t>(std::trunc(rh / c)) - static_cast<std::int64_t>(rw);
        if (need < std::int64_t{b.x} - right)
            right = static_cast<int>(right + need);
        else
            left = static_cast<int>(left - need);
    } else if (q < c) {
        const auto need =
            static_cast<std::int64_t>(std::trunc(rw * c)) - static_cast<std::int64_t>(rh);
        if (need < std::int64_t{top} - a.y)
            top = static_cast<int>(top - need);
        else if (bottom + need < client.bottom)
            bottom = static_cast<int>(bottom + need);
    }
    // What the proportions pushed past the chart's edges stays on it.
    left = std::clamp(left, a.x, b.x);
    right = std::clamp(right, a.x, b.x);
    top = std::clamp(top, a.y, b.y);
    bottom = std::clamp(bottom, a.y, b.y);
    geo::CPosition nw;
    geo::CPosition se;
    if (!PointToPosition({left, top}, nw) || !PointToPosition({right, bottom}, se))
        return false;
    if (IsExtentDegenerate(nw, se))
        return false;
    SetViewExtent(nw, se);
    InvalidateChart();
    return true;
}

void CBlankChartDoc::RestoreExtent(const geo::CPosition& northWest, const geo::CPosition& southEast)
{
    // The extent comes back exactly as it was shown; zooming to its
    // rectangle would round it to the view's pixels.
    if (!IsExtentDegenerate(northWest, southEast) && SetViewExtent(northWest, southEast))
        InvalidateChart();
}

}   // namespace charts
