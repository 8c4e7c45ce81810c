#include "charts/vector/BlankChartDoc.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/DateTimeEx.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/vector/LiveChartDraw.h"
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
    text = app::CDateTimeEx::GetCurrentTime().FormatDate(true);
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
    // The argument asks for the new blank chart to replace the ordinary chart
    // window, the flag for an ordinary window rather than the vessel's: World
    // Chart (true, true) turns the ordinary chart window into the whole world
    // in its place, so pressing it again never adds windows.
    const int windowId = flag ? chart::kFrameNormal : chart::kFrameAutoscroll;
    return Module()->Services().openChart("", argument != 0, windowId) != nullptr ? 1 : 0;
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

namespace {

geo::IntRect ClientOf(const chart::CChartWindow* window)
{
    return window ? window->GetClientRect() : geo::IntRect{};
}

}   // namespace

CBlankChartDoc::Span CBlankChartDoc::Shown() const
{
    return {m_viewNorthWest.GetLatitude(), m_viewNorthWest.GetLongitude(),
            m_viewSouthEast.GetLatitude(), m_viewSouthEast.GetLongitude()};
}

geo::IntRect CBlankChartDoc::VisibleRectOf(const Span& s) const
{
    // The largest rectangle of the extent's proportions that the client
    // area holds, at its bottom-left corner: all of the extent is shown,
    // with the spare height above it or the spare width to its right.
    geo::IntRect rect = ClientOf(GetChartFrame());
    const double w = static_cast<double>(rect.right) - rect.left;
    const double h = static_cast<double>(rect.bottom) - rect.top;
    const double lat = s.north - s.south;
    const double lon = LongitudeSpan(s.west, s.east, CrossesDateLine()) * LongitudeShare(s);
    // A view with no height shows the extent nowhere: an empty rectangle at
    // its bottom-left corner.
    if (w > 0 && h == 0)
        return {rect.left, rect.bottom, rect.left, rect.bottom};
    if (w <= 0 || h <= 0 || !(lat > 0) || !(lon > 0))
        return rect;
    const double aspect = lat / lon;
    // A part per million over keeps an extent made to the window's
    // proportions from losing its last pixel to rounding.
    constexpr double kRounding = 1e-6;
    if (h / w <= aspect) {
        const double width = std::clamp(std::trunc(h / aspect * (1 + kRounding)), 1.0, w);
        rect.right = rect.left + static_cast<int>(width);
    } else {
        const double height = std::clamp(std::trunc(w * aspect * (1 + kRounding)), 1.0, h);
        rect.top = rect.bottom - static_cast<int>(height);
    }
    return rect;
}

CBlankChartDoc::Span CBlankChartDoc::KeptInWorld(Span s)
{
    // Moved back in first, cut only when larger.
    auto keep = [](double& low, double& high, double min, double max) {
        if (high - low > max - min) {
            low = min;
            high = max;
        } else if (low < min) {
            high += min - low;
            low = min;
        } else if (high > max) {
            low -= high - max;
            high = max;
        }
    };
    keep(s.south, s.north, -90.0, 90.0);
    keep(s.west, s.east, -180.0, 180.0);
    return s;
}

void CBlankChartDoc::SetWanted(Span s)
{
    s = KeptInWorld(s);
    SetViewExtent(geo::CPosition(s.north, s.west), geo::CPosition(s.south, s.east));
}

double CBlankChartDoc::LongitudeShare(const Span& s) const
{
    if (!KeepsShapesTrue(s))
        return 1.0;
    // Near a pole the share is held, so the view keeps some width.
    constexpr double kFurthest = 85.0;
    const double middle = std::clamp((s.north + s.south) / 2, -kFurthest, kFurthest);
    return std::cos(middle * M_PI / 180.0);
}

bool CBlankChartDoc::KeepsShapesTrue(const Span&) const
{
    // The blank chart maps positions linearly: a degree of longitude takes
    // as many pixels as a degree of latitude, wherever the view lies.
    return false;
}

std::optional<CBlankChartDoc::Span> CBlankChartDoc::WidenedToWindow(Span s) const
{
    // The extent takes the window's proportions by moving its east edge
    // (too tall) or its north edge (too wide), each then held in the world.
    const geo::IntRect client = ClientOf(GetChartFrame());
    const double w = static_cast<double>(client.right) - client.left;
    const double h = static_cast<double>(client.bottom) - client.top;
    const double lon = s.east - s.west;
    if (w <= 0 || !(lon != 0))
        return std::nullopt;
    const double c = h / w;
    const double aspect = std::fabs((s.north - s.south) / lon);
    if (aspect > c) {
        if (c <= 0)
            return std::nullopt;
        s.east = s.west + (s.north - s.south) / c;
    } else if (aspect < c) {
        s.north = s.south + lon * c;
    }
    s.north = std::min(s.north, 90.0);
    s.south = std::max(s.south, -90.0);
    s.east = std::min(s.east, 180.0);
    s.west = std::max(s.west, -180.0);
    return s;
}

CBlankChartDoc::Span CBlankChartDoc::GrownToWindow(Span s) const
{
    const geo::IntRect client = ClientOf(GetChartFrame());
    const double w = static_cast<double>(client.right) - client.left;
    const double h = static_cast<double>(client.bottom) - client.top;
    const double lat = s.north - s.south;
    const double lon = s.east - s.west;
    if (w > 0 && h > 0 && lat > 0 && lon > 0) {
        const double c = h / w * LongitudeShare(s);
        if (lat / lon > c) {
            const double middle = (s.west + s.east) / 2;
            s.west = middle - lat / c / 2;
            s.east = middle + lat / c / 2;
        } else {
            const double middle = (s.north + s.south) / 2;
            s.north = middle + lon * c / 2;
            s.south = middle - lon * c / 2;
        }
    }
    return s;
}

void CBlankChartDoc::ShowAll(Span s)
{
    // Grown to the window while that fits in the world; a span whose growth
    // would not fit (the world, or most of it) is shown as it is, in a
    // visible rectangle of its own proportions.
    const Span grown = GrownToWindow(s);
    const bool fits = grown.north - grown.south <= 180.0 && grown.east - grown.west <= 360.0;
    SetWanted(fits ? grown : s);
}

void CBlankChartDoc::ShowArea(const geo::CPosition& northWest, const geo::CPosition& southEast)
{
    ShowAll({northWest.GetLatitude(), northWest.GetLongitude(), southEast.GetLatitude(),
             southEast.GetLongitude()});
    InvalidateChart();
}

bool CBlankChartDoc::ShowsWholeWorld() const
{
    const Span s = Shown();
    const double margin = 1e-9;
    return s.north - s.south >= 180.0 - margin && s.east - s.west >= 360.0 - margin;
}

bool CBlankChartDoc::GetExtent(geo::CPosition& northWest, geo::CPosition& southEast) const
{
    const Span s = Shown();
    northWest = geo::CPosition(s.north, s.west);
    southEast = geo::CPosition(s.south, s.east);
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
    // A view of no width has no rectangle: the caller's stays.
    const geo::IntRect client = ViewClientRect();
    if (client.right == client.left)
        return;
    rect = VisibleRectOf(Shown());
}

bool CBlankChartDoc::GetMetresPerPixel(double& metres)
{
    metres = MetresPerPixelOf(Shown());
    return metres > 0;
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

// The blank chart does not pan: its scroll bars only show where the view
// lies in the world, and a request to move answers 0 and changes nothing.
int CBlankChartDoc::OnHScroll(int position)
{
    if (position != kScrollQuery)
        return 0;
    const Span shown = Shown();
    const double span = shown.east - shown.west;
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
    if (position != kScrollQuery)
        return 0;
    geo::IntPoint p;
    geo::IntPoint q;
    const geo::IntRect client = ViewClientRect();
    if (!PositionToPoint(WholeNorthWest(), p) || !PositionToPoint(WholeSouthEast(), q) ||
        q.y == p.y)
        return -1;
    return static_cast<int>(std::llabs(std::int64_t{p.y} - client.top) * 100 /
                            (std::int64_t{q.y} - p.y));
}

// ---- Zoom ----------------------------------------------------------------------------------

bool CBlankChartDoc::IsExtentDegenerate(const geo::CPosition& nw, const geo::CPosition& se) const
{
    return SameMicroDegrees(nw.GetLatitude(), se.GetLatitude()) ||
           SameMicroDegrees(nw.GetLongitude(), se.GetLongitude());
}

double CBlankChartDoc::MetresPerPixelOf(Span span) const
{
    // Over the visible rectangle's height, or the client's when that has none.
    const geo::IntRect visible = VisibleRectOf(span);
    const geo::IntRect client = ClientOf(GetChartFrame());
    double h = static_cast<double>(visible.bottom) - visible.top;
    if (h <= 0)
        h = static_cast<double>(client.bottom) - client.top;
    if (h <= 0)
        return 0.0;
    return std::fabs(span.north - span.south) * 60.0 * 1852.0 / h;
}

CBlankChartDoc::Span CBlankChartDoc::KeptToMinimumResolution(Span s) const
{
    const double minimum = MinimumMetresPerPixel();
    const double metres = MetresPerPixelOf(s);
    if (!(minimum > 0) || !(metres > 0) || metres >= minimum)
        return s;
    // What is shown scales with the wanted extent: grown by the shortfall.
    const double grow = minimum / metres;
    const double midLat = (s.north + s.south) / 2;
    const double midLon = (s.west + s.east) / 2;
    const double halfLat = (s.north - s.south) * grow / 2;
    const double halfLon = (s.east - s.west) * grow / 2;
    return {midLat + halfLat, midLon - halfLon, midLat - halfLat, midLon + halfLon};
}

std::optional<CBlankChartDoc::Span> CBlankChartDoc::ZoomedInSpan() const
{
    const geo::IntRect client = ClientOf(GetChartFrame());
    if (IsExtentDegenerate(m_viewNorthWest, m_viewSouthEast) || client.right <= client.left ||
        client.bottom <= client.top)
        return std::nullopt;
    // The last step lands on the smallest metres per pixel, give or take rounding.
    const double minimum = MinimumMetresPerPixel();
    if (minimum > 0 && MetresPerPixelOf(Shown()) <= minimum * (1.0 + 1e-9))
        return std::nullopt;
    // What is shown shrinks about its middle, then takes the window's
    // proportions, so the view fills the window again where the world allows.
    const Span s = Shown();
    const double keep = 1.0 / (GetZoomFactor() + 1.0);
    const double midLat = (s.north + s.south) / 2;
    const double midLon = (s.west + s.east) / 2;
    const double halfLat = (s.north - s.south) * keep / 2;
    const double halfLon = (s.east - s.west) * keep / 2;
    const Span shrunk{midLat + halfLat, midLon - halfLon, midLat - halfLat, midLon + halfLon};
    Span next;
    if (KeepsShapesTrue(shrunk)) {
        next = KeptToMinimumResolution(KeptInWorld(GrownToWindow(shrunk)));
    } else {
        const std::optional<Span> widened = WidenedToWindow(shrunk);
        if (!widened)
            return std::nullopt;
        next = KeptToMinimumResolution(*widened);
    }
    if (IsExtentDegenerate(geo::CPosition(next.north, next.west),
                           geo::CPosition(next.south, next.east)))
        return std::nullopt;
    return next;
}

bool CBlankChartDoc::IsAtMaxZoom()
{
    // Zoom In stays offered at the last step: pressed there it refuses a view
    // whose corners would share a micro-degree and leaves this one.
    return CVectorChartDoc::IsAtMaxZoom();
}

bool CBlankChartDoc::IsAtMinZoom()
{
    // Zooming out is always offered: on the whole world it leaves the view
    // as it is.
    return false;
}

bool CBlankChartDoc::ZoomIn()
{
    const std::optional<Span> next = ZoomedInSpan();
    return next && ZoomTo(*next);
}

bool CBlankChartDoc::ZoomTo(Span s)
{
    if (IsExtentDegenerate(geo::CPosition(s.north, s.west), geo::CPosition(s.south, s.east)))
        return false;
    SetWanted(s);
    InvalidateChart();
    return true;
}

bool CBlankChartDoc::ZoomOut()
{
    // What is shown grows about its middle; a side that would pass the
    // world's edge stops there (the other sides still grow).
    const Span s = Shown();
    const double grow = 1.0 + GetZoomFactor();
    const double midLat = (s.north + s.south) / 2;
    const double midLon = (s.west + s.east) / 2;
    const double halfLat = (s.north - s.south) * grow / 2;
    const double halfLon = (s.east - s.west) * grow / 2;
    SetViewExtent(
        geo::CPosition(std::min(midLat + halfLat, 90.0), std::max(midLon - halfLon, -180.0)),
        geo::CPosition(std::max(midLat - halfLat, -90.0), std::min(midLon + halfLon, 180.0)));
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
    const geo::IntRect client = ViewClientRect();
    const double cw = static_cast<double>(client.right) - client.left;
    const double ch = static_cast<double>(client.bottom) - client.top;
    if (cw <= 0 || ch <= 0)
        return false;
    const Span s = Shown();
    const geo::IntRect visible = VisibleRectOf(s);
    // A rectangle reaching above the chart's top edge or past its east edge
    // is cut there; one wholly beyond them is refused.
    if (visible.top > top) {
        if (visible.top >= bottom)
            return false;
        top = visible.top;
    }
    if (visible.right < right) {
        if (visible.right <= left)
            return false;
        right = visible.right;
    }
    const double vw = static_cast<double>(visible.right) - visible.left;
    const double vh = static_cast<double>(visible.bottom) - visible.top;
    if (vw <= 0 || vh <= 0)
        return false;
    const double c = ch / cw;
    if (!KeepsShapesTrue(s)) {
        // Too tall, the rectangle widens to the window's proportions to the
        // right where the view has the room, else to the left; too wide, it
        // heightens upward where the view has the room, else downward while
        // it stays in the window.
        const int rectWidth = right - left;
        const int rectHeight = bottom - top;
        if (rectWidth <= 0)
            return false;
        const double q = static_cast<double>(rectHeight) / rectWidth;
        if (q > c) {
            const int need = static_cast<int>(std::trunc(rectHeight / c)) - rectWidth;
            if (need < visible.right - right)
                right += need;
            else
                left -= need;
        } else if (q < c) {
            const int need = static_cast<int>(std::trunc(rectWidth * c)) - rectHeight;
            if (need < top - visible.top)
                top -= need;
            else if (bottom + need <= client.bottom)
                bottom += need;
        }
        const double lonPerPixel = (s.east - s.west) / vw;
        const double latPerPixel = (s.north - s.south) / vh;
        // An extent past the world's edge (widened left of 180 W) is moved
        // back into it.
        return ZoomTo(KeptToMinimumResolution({s.north - (top - visible.top) * latPerPixel,
                                               s.west + (left - visible.left) * lonPerPixel,
                                               s.north - (bottom - visible.top) * latPerPixel,
                                               s.west + (right - visible.left) * lonPerPixel}));
    }
    // The rectangle is widened or heightened about its middle to the
    // window's proportions, so all of it stays in view.
    double rw = static_cast<double>(right) - left;
    double rh = static_cast<double>(bottom) - top;
    if (rh / rw > c)
        rw = rh / c;
    else
        rh = rw * c;
    const double mx = (static_cast<double>(left) + right) / 2;
    const double my = (static_cast<double>(top) + bottom) / 2;
    const double lonPerPixel = (s.east - s.west) / vw;
    const double latPerPixel = (s.north - s.south) / vh;
    const double midLon = s.west + (mx - visible.left) * lonPerPixel;
    const double midLat = s.north - (my - visible.top) * latPerPixel;
    const double halfLon = rw / 2 * lonPerPixel;
    const double halfLat = rh / 2 * latPerPixel;
    // Grown to the proportions at the latitude it comes to, so none of it
    // is cut off there.
    return ZoomTo(KeptToMinimumResolution(GrownToWindow(
        KeptInWorld({midLat + halfLat, midLon - halfLon, midLat - halfLat, midLon + halfLon}))));
}

bool CBlankChartDoc::TakeOverViewState(chart::CChartDoc& other)
{
    const auto* from = dynamic_cast<const CBlankChartDoc*>(&other);
    if (from == nullptr || from == this ||
        !SetViewExtent(from->m_viewNorthWest, from->m_viewSouthEast))
        return false;
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
