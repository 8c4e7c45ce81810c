#include "charts/vector/LiveChartDoc.h"

#include <algorithm>
#include <cmath>

#include <filesystem>

#include "app/DateTimeEx.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/vector/LiveChartDraw.h"
#include "charts/vector/LiveChartInfo.h"
#include "charts/vector/LiveChartService.h"
#include "geo/DatumInfo.h"
#include "platform/Ascii.h"
#include "platform/Files.h"

namespace charts {

using namespace vengine;

namespace {

std::string TrimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}   // namespace

CLiveChartDoc::CLiveChartDoc(chart::CChartingModule* module) : CBlankChartDoc(module)
{
    SetName("Livechart");
}

CLiveChartDoc::~CLiveChartDoc()
{
    if (auto service = m_countedBy.lock())
        (*service)->ChartClosed();
}

CLiveChartService* CLiveChartDoc::Service() const
{
    if (!Module())
        return nullptr;
    for (const auto& service : Module()->ChartServices())
        if (auto* live = dynamic_cast<CLiveChartService*>(service.get()))
            return live;
    return nullptr;
}

std::filesystem::path CLiveChartDoc::ChartFolder() const
{
    if (const CLiveChartService* service = Service())
        return service->Folder();
    return std::filesystem::path(GetPathName()).parent_path();
}

bool CLiveChartDoc::IsChartLoaded() const
{
    if (!CBlankChartDoc::IsChartLoaded())
        return false;
    const std::filesystem::path folder = ChartFolder();
    std::error_code ec;
    return std::filesystem::is_regular_file(folder / vengine::kFolioName, ec) ||
           std::filesystem::is_regular_file(folder / "lc.fol", ec);
}

bool CLiveChartDoc::OnViewSize(int width, int height)
{
    geo::CPosition northWest, southEast;
    if (width > 0 && height > 0 && IsChartLoaded() && GetExtent(northWest, southEast))
        ShowArea(northWest, southEast);
    return true;
}

bool CLiveChartDoc::TakeOverViewState(chart::CChartDoc& other)
{
    other.ZoomFull();
    return true;
}

bool CLiveChartDoc::OpenChart(const std::string& path)
{
    m_notes.reset();
    m_file = CVChartFile::Open(path, &m_openError);
    if (!m_file || !LoadChart())
        return false;
    CreatePalettes();
    // The whole chart in view, also when the disclaimer comes up for it.
    SetViewExtent(WholeNorthWest(), WholeSouthEast());
    SetZoomFactor(1.0);
    m_hasSmallerScaleChart = SmallerScaleChart().has_value();
    if (m_countedBy.expired())
        if (CLiveChartService* service = Service()) {
            m_countedBy = service->Handle();
            service->ChartOpened();
        }
    return true;
}

bool CLiveChartDoc::LoadChart()
{
    if (!m_file)
        return false;
    const CChartInfoBlock& info = m_file->View().Info();
    const ChartOrientation o = OrientationFromFlags(info.U8(info::kFlags));
    SetProjectionText(o.projection);
    SetOrientationText(o.orientation);
    SetCrossesDateLine(o.crossesDateLine);
    // Each corner value to micro-degrees (truncated), then degrees.
    auto degrees = [&](std::size_t at) { return (info.I32(at) / 10) * 1e-6; };
    const double north = degrees(info::kNorth), south = degrees(info::kSouth);
    const double west = degrees(info::kWest), east = degrees(info::kEast);
    if (!(north > south) || west == east)
        return false;
    SetWholeExtent(geo::CPosition(north, west), geo::CPosition(south, east));
    return true;
}

int CLiveChartDoc::DrawChart(chart::CXDC& dc)
{
    if (!m_file)
        return 0;
    geo::CPosition nw;
    geo::CPosition se;
    geo::IntRect r;
    GetVisibleRect(r);
    if (!GetExtent(nw, se))
        return 0;
    CLinearProjection projection(nw, se, r);
    if (!projection.IsValid())
        return 0;
    DrawVectorChart(dc, m_file->View(), projection, projection.DisplayScale());
    return 1;
}

bool CLiveChartDoc::DrawFolioBoxes(chart::CXDC& dc)
{
    if (!m_file)
        return false;
    const auto records = ReadFolio(ChartFolder());
    if (!records)
        return false;
    const std::string own = std::filesystem::path(GetPathName()).stem().string();
    const std::int32_t scale = Scale();
    const auto degrees = [](std::int32_t units) { return units * 1e-7; };
    std::vector<geo::IntPoint> larger, others;
    for (const FolioRecord& r : *records) {
        if (!r.inUse || platform::EqualNoCaseAscii(r.name, own))
            continue;
        std::vector<geo::IntPoint>& list = r.scale < scale ? larger : others;
        const double north = degrees(r.north), south = degrees(r.south);
        const auto box = [&](double west, double east) {
            ClipPolygon({geo::CPosition(north, west), geo::CPosition(north, east),
                         geo::CPosition(south, east), geo::CPosition(south, west)},
                        list);
        };
        // A chart across the 180-degree meridian is outlined on each side of it.
        if (r.east < r.west) {
            box(degrees(r.west), 180.0);
            box(-180.0, degrees(r.east));
        } else {
            box(degrees(r.west), degrees(r.east));
        }
    }
    const chart::Pen cyan{chart::PenStyle::Solid, 1, 0x00FFFF00};
    const chart::Pen magenta{chart::PenStyle::Solid, 1, 0x00FF00FF};
    DrawPointPairs(dc, larger, &cyan);
    DrawPointPairs(dc, others, &magenta);
    return true;
}

std::int32_t CLiveChartDoc::Scale() const
{
    return m_file ? m_file->View().Info().I32(info::kScale) : 0;
}

CLiveChartDoc* CLiveChartDoc::OpenFolioChart(const std::string& name,
                                             const geo::CPosition& northWest,
                                             const geo::CPosition& southEast)
{
    const std::filesystem::path path = ChartFolder() / (name + ".b");
    if (!Module() || !Module()->Services().openChart || !std::filesystem::exists(path))
        return nullptr;
    const int windowId = GetChartFrame() ? GetChartFrame()->GetState() : chart::kFrameNormal;
    chart::CChartDoc* opened = Module()->Services().openChart(path.string(), true, windowId);
    auto* live = dynamic_cast<CLiveChartDoc*>(opened);
    if (!live)
        return nullptr;
    // The area fills the new window round its middle: shown as it came, its
    // middle would sit left of the window's when the window is wider.
    live->ShowArea(northWest, southEast);
    return live;
}

bool CLiveChartDoc::ViewSizedAreaAt(const geo::CPosition& position, geo::CPosition& northWest,
                                    geo::CPosition& southEast) const
{
    geo::CPosition nw;
    geo::CPosition se;
    if (!position.IsValid() || !GetExtent(nw, se))
        return false;
    const double halfLat = (nw.GetLatitude() - se.GetLatitude()) / 2;
    const double halfLon = (se.GetLongitude() - nw.GetLongitude()) / 2;
    if (!(halfLat > 0) || !(halfLon > 0))
        return false;
    const double lat = position.GetLatitude(), lon = position.GetLongitude();
    northWest = geo::CPosition(std::min(lat + halfLat, 90.0), lon - halfLon);
    southEast = geo::CPosition(std::max(lat - halfLat, -90.0), lon + halfLon);
    return true;
}

std::optional<FolioRecord> CLiveChartDoc::ChartCovering(const geo::CPosition& northWest,
                                                        const geo::CPosition& southEast) const
{
    auto records = ReadFolio(ChartFolder());
    if (!records)
        return std::nullopt;
    FolioQuery query{DegreesToUnits(northWest.GetLongitude()),
                     DegreesToUnits(southEast.GetLongitude()),
                     DegreesToUnits(southEast.GetLatitude()),
                     DegreesToUnits(northWest.GetLatitude()),
                     false,
                     0};
    const auto found = FindBestChart(*records, query);
    if (!found)
        return std::nullopt;
    return (*records)[*found];
}

bool CLiveChartDoc::CentreOnPosition(const geo::CPosition& position, bool stay)
{
    if (!position.IsValid())
        return false;
    if (!m_file || IsPositionOnChart(position))
        return MoveCentreTo(position);
    geo::CPosition nw;
    geo::CPosition se;
    if (!ViewSizedAreaAt(position, nw, se))
        return false;
    const std::optional<FolioRecord> covering = ChartCovering(nw, se);
    if (!covering)
        return false;
    if (!stay && !platform::EqualNoCaseAscii(covering->name, GetChartNumber()))
        return OpenFolioChart(covering->name, nw, se) != nullptr;
    MoveCentreTo(position);
    return true;
}

namespace {

// One axis of the scroll bars over the chart: `from` is the edge the bar
// starts at (west, north), `to` the other; `viewFrom` and `viewTo` the view's
// edges on that axis. Answers the bar position, or -1 (view as wide as the chart);
// for a request, the view's new middle on that axis.
struct ScrollAxis {
    double from, to, viewFrom, viewTo;

    int Position() const
    {
        const double chart = std::abs(to - from);
        const double view = std::abs(viewTo - viewFrom);
        if (view >= chart)
            return -1;
        const double at = std::abs(viewFrom - from) * 100.0 / (chart - view);
        return static_cast<int>(std::clamp(at, 0.0, 100.0));
    }
    double MiddleFor(int position) const
    {
        const double sign = to >= from ? 1.0 : -1.0;
        const double chart = std::abs(to - from);
        const double view = std::abs(viewTo - viewFrom);
        return from + sign * (view / 2 + (chart - view) * std::clamp(position, 0, 100) / 100.0);
    }
};

}   // namespace

int CLiveChartDoc::OnHScroll(int position)
{
    if (!m_file)
        return CBlankChartDoc::OnHScroll(position);
    const Span shown = Shown();
    const ScrollAxis axis{WholeNorthWest().GetLongitude(), WholeSouthEast().GetLongitude(),
                          shown.west, shown.east};
    if (position == kScrollQuery)
        return axis.Position();
    MoveCentreTo(geo::CPosition((shown.north + shown.south) / 2, axis.MiddleFor(position)));
    return position;
}

int CLiveChartDoc::OnVScroll(int position)
{
    if (!m_file)
        return CBlankChartDoc::OnVScroll(position);
    const Span shown = Shown();
    const ScrollAxis axis{WholeNorthWest().GetLatitude(), WholeSouthEast().GetLatitude(),
                          shown.north, shown.south};
    if (position == kScrollQuery)
        return axis.Position();
    MoveCentreTo(geo::CPosition(axis.MiddleFor(position), (shown.west + shown.east) / 2));
    return position;
}

int CLiveChartDoc::PanHorizontal(int step)
{
    return m_file ? PanBy(step, 0) : MoveShownBy(step, 0);
}

int CLiveChartDoc::PanVertical(int step)
{
    return m_file ? PanBy(0, step) : MoveShownBy(0, step);
}

int CLiveChartDoc::MoveShownBy(int dx, int dy)
{
    // Without a chart file the view moves over the world by the pixels of
    // the step, as far as the world's edges allow.
    const Span shown = Shown();
    const geo::IntRect visible = VisibleRectOf(shown);
    const double w = static_cast<double>(visible.right) - visible.left;
    const double h = static_cast<double>(visible.bottom) - visible.top;
    if ((dx != 0 && w <= 0) || (dy != 0 && h <= 0))
        return 0;
    const double dLon = dx != 0 ? dx * (shown.east - shown.west) / w : 0.0;
    const double dLat = dy != 0 ? -dy * (shown.north - shown.south) / h : 0.0;
    MoveExtent(dLat, dLon);
    return 1;
}

bool CLiveChartDoc::MoveCentreTo(const geo::CPosition& position)
{
    if (!position.IsValid())
        return false;
    const Span before = Shown();
    MoveExtent(position.GetLatitude() - (before.north + before.south) / 2.0,
               position.GetLongitude() - (before.west + before.east) / 2.0);
    const Span after = Shown();
    return after.north != before.north || after.west != before.west ||
           after.south != before.south || after.east != before.east;
}

void CLiveChartDoc::MoveExtent(double dLat, double dLon)
{
    // The shown part moves, and stops at the world's edges; what is shown
    // becomes the extent.
    const Span shown = Shown();
    dLat = std::clamp(dLat, -90.0 - shown.south, 90.0 - shown.north);
    if (dLat == 0.0 && std::clamp(dLon, -180.0 - shown.west, 180.0 - shown.east) == 0.0)
        return;
    Span moved{shown.north + dLat, shown.west + dLon, shown.south + dLat, shown.east + dLon};
    // At another latitude a degree of longitude takes another width: the
    // height (the scale) stays and the width follows, so panning north and
    // back neither shrinks nor grows the view. The width comes first, then
    // the stop at the world's east or west edge.
    const double before = LongitudeShare(shown);
    const double after = LongitudeShare(moved);
    if (after > 0 && before != after) {
        const double middle = (moved.west + moved.east) / 2;
        const double half = (moved.east - moved.west) * before / after / 2;
        moved.west = middle - half;
        moved.east = middle + half;
    }
    SetWanted(moved);
    InvalidateChart();
}

int CLiveChartDoc::PanBy(int dx, int dy)
{
    if ((dx < 0 && IsWestEdgeInView()) || (dx > 0 && IsEastEdgeInView()) ||
        (dy < 0 && IsNorthEdgeInView()) || (dy > 0 && IsSouthEdgeInView()))
        return 0;
    const geo::IntRect client = ViewClientRect();
    geo::CPosition to;
    if (!PointToPosition(geo::IntPoint{(client.left + client.right) / 2 + dx,
                                       (client.top + client.bottom) / 2 + dy},
                         to))
        return 0;
    return CentreOnPosition(to, false) ? 1 : 0;
}

chart::CChartDoc* CLiveChartDoc::AutoscrollToPosition(const geo::CPosition& position)
{
    if (!position.IsValid() || !m_file)
        return nullptr;
    geo::CPosition nw;
    geo::CPosition se;
    const bool haveArea = ViewSizedAreaAt(position, nw, se);
    // One rule picks the chart, so the window never goes back and forth
    // between two charts that two rules would each prefer. With best chart
    // selection on it is the largest-scale chart holding the vessel, as on
    // raster charts; with it off, the largest-scale chart covering a view of
    // this size round the vessel.
    std::optional<FolioRecord> best;
    if (Module() && Module()->IsAutoscrollOn())
        best = LargestScaleChartAt(position);
    else if (haveArea)
        best = ChartCovering(nw, se);
    if (best && haveArea && !platform::EqualNoCaseAscii(best->name, GetChartNumber()))
        if (CLiveChartDoc* opened = OpenFolioChart(best->name, nw, se)) {
            opened->KeepDisplayScale(position);
            return opened;
        }
    // The chart stays: the view follows the vessel, over this chart or past it.
    if (!IsInAutoscrollArea(position))
        MoveCentreTo(position);
    return nullptr;
}

std::optional<FolioRecord> CLiveChartDoc::LargestScaleChartAt(const geo::CPosition& position) const
{
    const auto records = ReadFolio(ChartFolder());
    if (!records)
        return std::nullopt;
    const std::int32_t lat = DegreesToUnits(position.GetLatitude());
    const std::int32_t lon = DegreesToUnits(position.GetLongitude());
    const auto found = FindBestChart(*records, FolioQuery{lon, lon, lat, lat, true, 0});
    if (!found)
        return std::nullopt;
    return (*records)[*found];
}

void CLiveChartDoc::KeepDisplayScale(const geo::CPosition& position)
{
    // The area came at the old chart's display scale. A view wider than this
    // whole chart (the world chart zoomed out) shrinks to the chart's size,
    // and one finer than this chart's most overscaled view grows to it: the
    // range Zoom Out and Zoom In keep this chart in.
    Span s = Shown();
    const geo::CPosition wholeNw = WholeNorthWest(), wholeSe = WholeSouthEast();
    const Span whole = GrownToWindow({wholeNw.GetLatitude(), wholeNw.GetLongitude(),
                                      wholeSe.GetLatitude(), wholeSe.GetLongitude()});
    const double lat = s.north - s.south, wholeLat = whole.north - whole.south;
    if (lat > 0 && wholeLat > 0 && lat > wholeLat) {
        const double keep = wholeLat / lat;
        const double midLat = (s.north + s.south) / 2, midLon = (s.west + s.east) / 2;
        const double halfLat = lat * keep / 2, halfLon = (s.east - s.west) * keep / 2;
        s = {midLat + halfLat, midLon - halfLon, midLat - halfLat, midLon + halfLon};
    }
    SetWanted(KeptToMinimumResolution(s));
    MoveCentreTo(position);
    InvalidateChart();
}

bool CLiveChartDoc::ZoomIn()
{
    if (!CBlankChartDoc::ZoomIn())
        return false;
    MoveToLargerScaleChart();
    return true;
}

bool CLiveChartDoc::ZoomToRect(int left, int top, int right, int bottom)
{
    if (!CBlankChartDoc::ZoomToRect(left, top, right, bottom))
        return false;
    MoveToLargerScaleChart();
    return true;
}

void CLiveChartDoc::MoveToLargerScaleChart()
{
    geo::CPosition nw;
    geo::CPosition se;
    auto records = ReadFolio(ChartFolder());
    if (!records || !GetExtent(nw, se))
        return;
    // The largest-scale chart covering the view, when larger than this one.
    FolioQuery query{DegreesToUnits(nw.GetLongitude()),
                     DegreesToUnits(se.GetLongitude()),
                     DegreesToUnits(se.GetLatitude()),
                     DegreesToUnits(nw.GetLatitude()),
                     false,
                     Scale()};
    auto found = FindBestChart(*records, query);
    if (found && (*records)[*found].name != GetChartNumber()) {
        OpenFolioChart((*records)[*found].name, nw, se);
        return;
    }
    // At this chart's most overscaled view a larger-scale chart smaller than
    // the view would never cover it, and zooming in would stop short of it:
    // the larger-scale chart under the view's centre then takes over.
    if (!IsAtMaxZoom())
        return;
    const std::int32_t lat = DegreesToUnits((nw.GetLatitude() + se.GetLatitude()) / 2);
    const std::int32_t lon = DegreesToUnits((nw.GetLongitude() + se.GetLongitude()) / 2);
    found = FindBestChart(*records, FolioQuery{lon, lon, lat, lat, false, Scale()});
    if (found && (*records)[*found].name != GetChartNumber())
        // The view handed over may be far wider than that chart: it shows at
        // most all of itself, round the same middle.
        if (CLiveChartDoc* opened = OpenFolioChart((*records)[*found].name, nw, se))
            opened->KeepDisplayScale(geo::CPosition(lat * 1e-7, lon * 1e-7));
}

double CLiveChartDoc::MinimumMetresPerPixel() const
{
    return Scale() > 0 ? Scale() * kNominalPixelMetres / kMostOverscale : 0.0;
}

bool CLiveChartDoc::WholeChartInView() const
{
    geo::CPosition nw;
    geo::CPosition se;
    if (!GetExtent(nw, se))
        return false;
    // Rounding of the view's proportions is not a part of the chart out of view.
    const double margin = 1e-9;
    const geo::CPosition wholeNw = WholeNorthWest(), wholeSe = WholeSouthEast();
    return nw.GetLatitude() >= wholeNw.GetLatitude() - margin &&
           se.GetLatitude() <= wholeSe.GetLatitude() + margin &&
           nw.GetLongitude() <= wholeNw.GetLongitude() + margin &&
           se.GetLongitude() >= wholeSe.GetLongitude() - margin;
}

std::optional<std::string> CLiveChartDoc::SmallerScaleChart() const
{
    // The chart NZ23 is zoomed out on by itself: no other chart takes its place.
    if (m_file &&
        platform::EqualNoCaseAscii(
            TrimBlanks(m_file->View().Info().Text(info::kName, info::kNameWidth)), "NZ23"))
        return std::nullopt;
    auto records = ReadFolio(ChartFolder());
    if (!records)
        return std::nullopt;
    const geo::CPosition wholeNw = WholeNorthWest(), wholeSe = WholeSouthEast();
    const std::int32_t margin = 1000;   // 0.0001 degree
    const std::int32_t west = DegreesToUnits(wholeNw.GetLongitude()) - margin;
    const std::int32_t east = DegreesToUnits(wholeSe.GetLongitude()) + margin;
    const std::int32_t south = DegreesToUnits(wholeSe.GetLatitude()) - margin;
    const std::int32_t north = DegreesToUnits(wholeNw.GetLatitude()) + margin;
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < records->size(); ++i) {
        const FolioRecord& r = (*records)[i];
        const bool covers =
            r.inUse && r.west < west && east < r.east && r.south < south && north < r.north;
        if (covers && r.scale > Scale() && (!best || r.scale < (*records)[*best].scale))
            best = i;
    }
    if (!best)
        return std::nullopt;
    return (*records)[*best].name;
}

bool CLiveChartDoc::IsAtMaxZoom()
{
    return CBlankChartDoc::IsAtMaxZoom() || !CanZoomIn();
}

bool CLiveChartDoc::IsAtMinZoom()
{
    return (WholeChartInView() || ShowsWholeWorld()) && !m_hasSmallerScaleChart;
}

bool CLiveChartDoc::ZoomFull()
{
    const geo::CPosition nw = WholeNorthWest(), se = WholeSouthEast();
    ShowAll({nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()});
    InvalidateChart();
    return true;
}

bool CLiveChartDoc::ZoomOut()
{
    if (!CBlankChartDoc::ZoomOut())
        return false;
    // Only once the whole chart is in view does a smaller-scale chart take over.
    if (!WholeChartInView())
        return true;
    const std::optional<std::string> smaller = SmallerScaleChart();
    m_hasSmallerScaleChart = smaller.has_value();
    const geo::CPosition wholeNw = WholeNorthWest(), wholeSe = WholeSouthEast();
    if (!smaller) {
        // Nothing beyond this chart: the view ends with the chart filling it.
        ShowAll({wholeNw.GetLatitude(), wholeNw.GetLongitude(), wholeSe.GetLatitude(),
                 wholeSe.GetLongitude()});
        return true;
    }
    // The old chart's area with half its size around it.
    const double halfLat = (wholeNw.GetLatitude() - wholeSe.GetLatitude()) / 2;
    const double halfLon = (wholeSe.GetLongitude() - wholeNw.GetLongitude()) / 2;
    OpenFolioChart(
        *smaller, geo::CPosition(wholeNw.GetLatitude() + halfLat, wholeNw.GetLongitude() - halfLon),
        geo::CPosition(wholeSe.GetLatitude() - halfLat, wholeSe.GetLongitude() + halfLon));
    return true;
}

int CLiveChartDoc::OpenWorldChart(int argument, bool flag)
{
    if (!Module() || !Module()->Services().openChart)
        return 0;
    const std::optional<std::filesystem::path> path =
        platform::FindNoCase(ChartFolder(), "LCWORLD.b");
    if (!path)
        return 0;
    // As for the blank world chart: the flag asks for an ordinary window
    // rather than the vessel's.
    const int windowId = flag ? chart::kFrameNormal : chart::kFrameAutoscroll;
    chart::CChartDoc* opened =
        Module()->Services().openChart(path->string(), argument != 0, windowId);
    if (opened == nullptr)
        return 0;
    opened->ZoomFull();
    return 1;
}

bool CLiveChartDoc::IsWorldChart() const
{
    if (!m_file)
        return false;
    return platform::EqualNoCaseAscii(
        TrimBlanks(m_file->View().Info().Text(info::kName, info::kNameWidth)), "LCWORLD");
}

std::string CLiveChartDoc::GetChartTitle()
{
    return m_file ? m_file->View().Info().Text(info::kTitle, info::kTitleWidth) : std::string();
}

std::string CLiveChartDoc::GetChartNumber()
{
    return m_file ? TrimBlanks(m_file->View().Info().Text(info::kName, info::kNameWidth))
                  : std::string();
}

bool CLiveChartDoc::DateText(std::size_t year, std::size_t month, std::size_t day,
                             std::string& text) const
{
    text.clear();
    if (!m_file)
        return false;
    const CChartInfoBlock& info = m_file->View().Info();
    const int y = info.U16(year), m = info.U8(month), d = info.U8(day);
    if (y == 0 || m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    text = app::CDateTimeEx(y, m, d, 0, 0, 0).FormatDate(true);
    return !text.empty();
}

bool CLiveChartDoc::GetIssueDate(std::string& text)
{
    return DateText(info::kIssueYear, info::kIssueMonth, info::kIssueDay, text);
}

bool CLiveChartDoc::GetUpdateDate(std::string& text)
{
    return DateText(info::kUpdatedYear, info::kUpdatedMonth, info::kUpdatedDay, text);
}

std::uint16_t CLiveChartDoc::GetDatumIndex() const
{
    if (!m_file)
        return geo::DatumIndexFallback();
    const CChartInfoBlock& info = m_file->View().Info();
    return DatumIndexFromCodes(info.U8(info::kHorizontalDatum), info.U8(info::kHorizontalDatum2));
}

bool CLiveChartDoc::HasDatumShift() const
{
    return GetDatumIndex() == geo::DatumIndexWGS84();
}

std::string CLiveChartDoc::GetHorizontalDatum()
{
    return geo::CDatumInfo::GetName(GetDatumIndex());
}

std::string CLiveChartDoc::GetDepthUnits()
{
    if (!m_file)
        return {};
    const CChartInfoBlock& info = m_file->View().Info();
    return DepthUnitsText(info.U8(info::kDepthUnits),
                          info.Text(info::kUnitsText, info::kUnitsTextWidth));
}

std::string CLiveChartDoc::GetScaleText()
{
    return m_file ? ScaleText(m_file->View().Info().I32(info::kScale)) : std::string();
}

std::string CLiveChartDoc::GetHeightDatum()
{
    return m_file ? DatumLevelText(m_file->View().Info().U8(info::kHeightDatum)) : std::string();
}

std::string CLiveChartDoc::GetDepthDatum()
{
    return m_file ? DatumLevelText(m_file->View().Info().U8(info::kDepthDatum)) : std::string();
}

std::string CLiveChartDoc::GetBuoyage()
{
    return m_file ? BuoyageText(m_file->View().Info().U8(info::kBuoyage)) : std::string();
}

std::string CLiveChartDoc::GetCautionaryNotes()
{
    if (!m_notes)
        m_notes = ReadCautionaryNotes();
    return *m_notes;
}

std::string CLiveChartDoc::ReadCautionaryNotes() const
{
    if (!m_file)
        return {};
    std::string notes;
    const auto& view = m_file->View();
    VFeature f;
    for (std::size_t i = 0; i < view.FeatureCount() && notes.size() < 5120; ++i) {
        const auto cls = view.ClassOf(i);
        if (cls != "CTNARE" && cls != "M_NPUB")
            continue;
        if (!view.ReadFeature(i, f))
            continue;
        for (const char* key : {"INFORM", "NINFOM", "TXTDSC"})
            if (const std::string* text = f.Attribute(key))
                notes += *text + "\n";
    }
    return CleanNotes(notes.substr(0, 5120));
}

}   // namespace charts
