#include "chart/ChartDoc.h"

#include <algorithm>
#include <cmath>

#include "app/DisplayPalettes.h"
#include "app/Registry.h"
#include "app/StringUtils.h"
#include "app/WaitStatus.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/PositionFixRuns.h"
#include "geo/DatumInfo.h"

namespace chart {

namespace {

constexpr const char* kDatumMismatch = "DATUM MISMATCH (VP):  GPS datum is not WGS84.";
constexpr const char* kNoReference =
    "One or more screen objects cannot be accurately referenced to this chart";
constexpr const char* kNoDatumShift = "No datum shift available";

// Runs the cleanup when the scope ends, on any path.
template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit(F) -> ScopeExit<F>;

}   // namespace

CChartDoc::CChartDoc(CChartingModule* module) : m_module(module) { }

CChartDoc::~CChartDoc() = default;

// ---- Opening and closing --------------------------------------------------------------

bool CChartDoc::OnOpenDocument(const std::string& path)
{
    m_path = path;
    if (m_path.empty() && m_module)
        m_path =
            (std::filesystem::path(m_module->Services().programFolder) / "BlankChart").string();
    app::CMsgBar* bar = m_window ? m_window->GetMsgBar() : nullptr;
    if (bar)
        bar->LockUpdate(false);
    bool ok = false;
    try {
        if (OpenChart(m_path)) {
            if (bar)
                RegisterFrameMessages(*bar);
            RebuildFolio();
            if (!BuildPositionFixOverlays())
                throw false;
            if (m_module)
                m_module->AddChartFrame(m_window);
            m_loaded = true;
            ok = true;
        }
    } catch (...) {
        ok = false;
    }
    if (!ok && !m_suppressFailure && !m_promptCancelled && m_module &&
        m_module->OpeningWindowId() != kFrameAutoscroll)
        m_module->ShowLoadFailure();
    if (bar)
        bar->LockUpdate(true);
    if (ok)
        SetTitle();
    return ok;
}

void CChartDoc::RegisterFrameMessages(app::CMsgBar& bar)
{
    bar.AddMessage(m_hMsgDatumMismatch, kDatumMismatch, 15000, 0, false);
    bar.AddMessage(m_hMsgNoReference[0], kNoReference, 14000, 0, false);
    bar.AddMessage(m_hMsgNoReference[1], kNoReference, 15000, 0, false);
    bar.AddMessage(m_hMsgNoShift, kNoDatumShift, 46000, HasDatumShift() ? 0 : 1, false);
}

void CChartDoc::RemoveFrameMessages(app::CMsgBar& bar)
{
    bar.RemoveMessage(m_hMsgDatumMismatch, false);
    bar.RemoveMessage(m_hMsgNoShift, false);
    bar.RemoveMessage(m_hMsgNoReference[0], false);
    bar.RemoveMessage(m_hMsgNoReference[1], false);
}

void CChartDoc::OnCloseDocument()
{
    m_loaded = false;
    if (!m_window)
        return;
    CChartWindow* window = m_window;
    // Whatever fails below, the frame leaves the module's list.
    ScopeExit unlist{[this, window] {
        if (m_module)
            m_module->RemoveChartFrame(window);
    }};
    try {
        app::CMsgBar* bar = window->GetMsgBar();
        if (bar)
            bar->LockUpdate(false);
        ScopeExit unlock{[bar] {
            if (bar)
                bar->LockUpdate(true);
        }};
        window->ClearViewOverlays();
        ClearFolio();
        m_fixes.clear();
        m_fixRuns.clear();
        if (bar)
            RemoveFrameMessages(*bar);
    } catch (...) { }
}

// ---- Base behaviour of the kind's operations -----------------------------------------------

void CChartDoc::InvalidateChart()
{
    if (m_window)
        m_window->InvalidateChart();
}

void CChartDoc::InvalidateOverlays()
{
    if (m_window)
        m_window->InvalidateOverlays();
}

bool CChartDoc::ZoomMax()
{
    while (ZoomIn()) { }
    return true;
}

std::uint16_t CChartDoc::GetDatumIndex() const
{
    return geo::DatumIndexChart();
}

bool CChartDoc::GetResolutionText(std::string& text, double& metresPerPixel)
{
    text = "Error";
    if (!IsChartLoaded() || !GetMetresPerPixel(metresPerPixel))
        return false;
    const int decimals = metresPerPixel >= 1000 ? 0 : metresPerPixel >= 100 ? 1 : 2;
    text = app::FormatDouble(metresPerPixel, decimals, 0);
    return true;
}

bool CChartDoc::RebuildFolio()
{
    app::CWaitStatus wait;
    ClearFolio();
    if (m_module) {
        for (const auto& item : m_module->GetFolio())
            m_folio.push_back(item.get());
    }
    return !m_folio.empty();
}

void CChartDoc::RetainFolioItems(const std::function<bool(const CFolioItem&)>& keep)
{
    std::erase_if(m_folio, [&keep](const CFolioItem* item) { return !item || !keep(*item); });
}

void CChartDoc::ClearFolio()
{
    app::CWaitStatus wait;
    m_folio.clear();
}

bool CChartDoc::BuildPositionFixOverlays()
{
    // The runs of the own vessel's logged track that fall on this chart; the
    // view draws them as the position-fix layer.
    app::CWaitStatus wait;
    m_fixes.clear();
    m_fixRuns.clear();
    if (!m_module || !m_module->Services().ownVesselFixes)
        return true;
    m_fixes = m_module->Services().ownVesselFixes();
    m_fixRuns = BuildPositionFixRuns(
        m_fixes, [this](const geo::CPosition& p) { return IsPositionOnChart(p); },
        [this](const geo::CPosition& a, const geo::CPosition& b) {
            return SegmentTouchesChart(a, b);
        });
    return true;
}

int CChartDoc::AutoscrollAreaPercent()
{
    if (m_module && m_module->Services().autoscrollAreaPercent)
        return std::clamp(m_module->Services().autoscrollAreaPercent(), 0, 100);
    return 100;
}

bool CChartDoc::IsInAutoscrollArea(const geo::CPosition& position)
{
    // An area of 0 per cent holds no point, also where halving an odd width
    // or height would leave a line of pixels in the middle.
    const int percent = AutoscrollAreaPercent();
    if (percent == 0)
        return false;
    geo::IntRect rect;
    GetVisibleRect(rect);
    const double f = (100 - percent) * 0.005;
    const auto dx = static_cast<std::int32_t>(static_cast<double>(rect.right - rect.left) * f);
    const auto dy = static_cast<std::int32_t>(static_cast<double>(rect.bottom - rect.top) * f);
    rect.left += dx;
    rect.right -= dx;
    rect.top += dy;
    rect.bottom -= dy;
    geo::IntPoint p;
    if (!PositionToPoint(position, p))
        return false;
    // Right and bottom edges are outside, as for any rectangle here.
    return p.x >= rect.left && p.x < rect.right && p.y >= rect.top && p.y < rect.bottom;
}

CChartDoc* CChartDoc::AutoscrollToPosition(const geo::CPosition& position)
{
    if (position.IsValid() && IsPositionOnChart(position) && !IsInAutoscrollArea(position))
        CentreOnPosition(position, true);
    return nullptr;
}

bool CChartDoc::ChartPositionToClientPoints(const geo::CPosition& position, PointList& points)
{
    const std::size_t before = points.size();
    const bool found = PositionToPoints(position, points);
    for (std::size_t i = before; i < points.size(); ++i)
        ChartToClientPoint(points[i], points[i]);
    return found;
}

bool CChartDoc::GetCentrePosition(geo::CPosition& position)
{
    geo::IntRect rect;
    GetVisibleRect(rect);
    const geo::IntPoint centre{
        static_cast<std::int32_t>((std::int64_t{rect.left} + rect.right) / 2),
        static_cast<std::int32_t>((std::int64_t{rect.top} + rect.bottom) / 2)};
    return PointToPosition(centre, position) && position.IsValid() && IsPositionOnChart(position);
}

bool CChartDoc::CreatePalettes()
{
    for (ColourTable& table : m_colours)
        table.fill(0);
    return true;
}

int CChartDoc::ShiftToPositionDatum(const geo::CPosition& in, geo::CPosition& out)
{
    out = in;
    return IsPositionOnChart(in) ? kShiftNone : kShiftNotOnChart;
}

int CChartDoc::ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out)
{
    out = in;
    return IsPositionOnChart(in) ? kShiftNone : kShiftNotOnChart;
}

// ---- Window placement --------------------------------------------------------------------

void CChartDoc::RestoreWindowPlacement(app::CRegistry& reg)
{
    // Values that are missing keep what the frame has now, so a placement
    // written by hand or cut short still gives a usable window.
    CWindowPlacement wp = m_window ? m_window->GetPlacement() : CWindowPlacement{};
    std::uint32_t dword = 0;
    long value = 0;
    if (reg.ReadDWord("Flags", dword))
        wp.flags = dword;
    if (reg.ReadDWord("Show", dword))
        wp.showCmd = dword;
    auto readInt = [&](const char* name, std::int32_t& out) {
        if (reg.ReadLong(name, value) && value >= INT32_MIN && value <= INT32_MAX)
            out = static_cast<std::int32_t>(value);
    };
    readInt("MinimisedXPosition", wp.minPosition.x);
    readInt("MinimisedYPosition", wp.minPosition.y);
    readInt("MaximisedXPosition", wp.maxPosition.x);
    readInt("MaximisedYPosition", wp.maxPosition.y);
    std::int32_t left = wp.normal.left;
    std::int32_t top = wp.normal.top;
    readInt("NormalLeftPosition", left);
    readInt("NormalTopPosition", top);
    std::uint32_t width = static_cast<std::uint32_t>(std::max(wp.normal.right - wp.normal.left, 0));
    std::uint32_t height =
        static_cast<std::uint32_t>(std::max(wp.normal.bottom - wp.normal.top, 0));
    reg.ReadDWord("NormalWidth", width);
    reg.ReadDWord("NormalHeight", height);
    width = std::min<std::uint32_t>(width, 1u << 16);
    height = std::min<std::uint32_t>(height, 1u << 16);
    wp.normal = {left, top, left + static_cast<std::int32_t>(width),
                 top + static_cast<std::int32_t>(height)};

    double lat = 0.0;
    double lon = 0.0;
    std::string datumName;
    const bool haveCentre = reg.ReadDouble("CentrePositionLatitude", lat) &&
                            reg.ReadDouble("CentrePositionLongitude", lon);
    reg.ReadString("CentrePositionDatum", datumName);
    if (haveCentre) {
        geo::CPosition centre;
        const std::uint16_t datum =
            datumName.empty() ? geo::kNoDatumIndex : geo::CDatumInfo::FindByName(datumName);
        if (centre.Set(lat, lon, 0.0, datum))
            m_referencePosition = centre;
    }
    if (m_window) {
        m_window->SetPlacement(wp);
        m_window->UpdateView();
    }
}

void CChartDoc::SaveWindowPlacement(app::CRegistry& reg)
{
    const CWindowPlacement wp = m_window ? m_window->GetPlacement() : CWindowPlacement{};
    reg.WriteDWord("Flags", wp.flags);
    reg.WriteDWord("Show", wp.showCmd);
    reg.WriteLong("MinimisedXPosition", wp.minPosition.x);
    reg.WriteLong("MinimisedYPosition", wp.minPosition.y);
    reg.WriteLong("MaximisedXPosition", wp.maxPosition.x);
    reg.WriteLong("MaximisedYPosition", wp.maxPosition.y);
    reg.WriteLong("NormalLeftPosition", wp.normal.left);
    reg.WriteLong("NormalTopPosition", wp.normal.top);
    reg.WriteDWord("NormalWidth",
                   static_cast<std::uint32_t>(std::max(wp.normal.right - wp.normal.left, 0)));
    reg.WriteDWord("NormalHeight",
                   static_cast<std::uint32_t>(std::max(wp.normal.bottom - wp.normal.top, 0)));
    geo::CPosition centre;
    GetCentrePosition(centre);
    reg.WriteDouble("CentrePositionLatitude", centre.GetLatitude());
    reg.WriteDouble("CentrePositionLongitude", centre.GetLongitude());
    reg.WriteString("CentrePositionDatum",
                    geo::CDatumInfo::GetName(geo::ResolveDatum(centre.GetDatum())));
}

void CChartDoc::BeginDrag(geo::IntPoint point, bool /*continuing*/)
{
    m_dragRect = {point.x, point.y, point.x, point.y};
}

// ---- Shared operations -----------------------------------------------------------------------

std::string CChartDoc::ComposeTitle()
{
    std::string title = m_name;
    for (const std::string& part :
         {GetChartNumber(), geo::CDatumInfo::GetName(GetDatumIndex()),
          app::ToUpper(GetDepthUnits()), GetScaleText(), GetChartTitle()}) {
        if (!part.empty())
            title += " - " + part;
    }
    const int state = m_window ? m_window->GetState() : kFrameNormal;
    if (state == kFrameAutoscroll)
        title = "[Autoscroll] - " + title;
    else if (state == kFramePrintPreview)
        title = "[Print Preview] - " + title;
    return title;
}

void CChartDoc::SetTitle()
{
    std::string title = ComposeTitle();
    if (title == m_title)
        return;
    m_title = std::move(title);
    if (m_window)
        m_window->SetTitle(m_title);
}

bool CChartDoc::PositionToClientPoints(const geo::CPosition& position, PointList& points)
{
    points.clear();
    geo::CPosition shifted;
    if (ShiftToChartDatum(position, shifted) == kShiftNotOnChart)
        return false;
    ChartPositionToClientPoints(shifted, points);
    return !points.empty();
}

bool CChartDoc::PositionToLinePoint(const geo::CPosition& position, geo::IntPoint& point,
                                    bool* onChart)
{
    if (!position.IsValid())
        return false;
    geo::CPosition shifted;
    const bool on = ShiftToChartDatum(position, shifted) != kShiftNotOnChart;
    if (onChart)
        *onChart = on;
    if (on) {
        PointList points;
        if (ChartPositionToClientPoints(shifted, points) && !points.empty()) {
            point = points.front();
            return true;
        }
        if (onChart)
            *onChart = false;
    }
    geo::IntPoint chartPoint;
    if (!ProjectBeyondChart(shifted, chartPoint))
        return false;
    ChartToClientPoint(chartPoint, point);
    return true;
}

geo::IntRect CChartDoc::ViewClientRect()
{
    return m_window ? m_window->GetClientRect() : geo::IntRect{};
}

bool CChartDoc::PanelPositionToClientPoint(const geo::CPosition& position, CPanelId /*panel*/,
                                           geo::IntPoint& client)
{
    geo::IntPoint chartPoint;
    if (!PositionToPoint(position, chartPoint))
        return false;
    ChartToClientPoint(chartPoint, client);
    return true;
}

bool CChartDoc::IsClientPointOnChart(geo::IntPoint point)
{
    const geo::IntRect client = ViewClientRect();
    if (point.x < client.left || point.x >= client.right || point.y < client.top ||
        point.y >= client.bottom)
        return false;
    geo::IntPoint chartPoint;
    ClientToChartPoint(point, chartPoint);
    return IsChartPointOnChart(chartPoint);
}

bool CChartDoc::IsPositionVisible(const geo::CPosition& position)
{
    if (!position.IsValid() || !IsPositionOnChart(position))
        return false;
    PointList points;
    ChartPositionToClientPoints(position, points);
    const geo::IntRect client = ViewClientRect();
    return std::any_of(points.rbegin(), points.rend(), [&](geo::IntPoint p) {
        return p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom;
    });
}

void CChartDoc::PanBy(bool horizontal, int sign, bool large)
{
    app::CWaitStatus wait;
    CChartSettings defaults;
    const CChartSettings& s = m_module ? m_module->ChartSettings() : defaults;
    const int step = sign * (large ? s.largePanStep : s.smallPanStep);
    if (horizontal)
        PanHorizontal(step);
    else
        PanVertical(step);
}

const ColourTable& CChartDoc::GetPaletteColours(int paletteIndex) const
{
    return m_colours[paletteIndex == kPaletteDusk || paletteIndex == kPaletteNight ? paletteIndex
                                                                                   : kPaletteDay];
}

void CChartDoc::BuildDimmedPalette(ColourTable& out, int percent) const
{
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = app::ColourToPixel(
            app::DimColourByPercent(app::PixelToColour(m_colours[kPaletteDay][i]), percent));
}

void CChartDoc::SetWholeExtent(const geo::CPosition& northWest, const geo::CPosition& southEast)
{
    m_extentNorthWest = northWest;
    m_extentSouthEast = southEast;
}

}   // namespace chart

#include "chart/overlays/ChartObject.h"

namespace chart {

void CChartDoc::DrawChartObject(CXDC& dc, CChartObject& object, int argument)
{
    if (!IsPositionOnChart(object.GetPosition()))
        return;
    object.UpdateScreenPosition();
    object.DrawOn(dc, object.GetScreenPoint(), argument);
}

}   // namespace chart
