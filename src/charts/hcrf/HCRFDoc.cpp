#include "charts/hcrf/HCRFDoc.h"

#include "app/Colour.h"
#include "app/DisplayPalettes.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/XDC.h"
#include "charts/hcrf/ChartNames.h"
#include "charts/hcrf/HCRFModule.h"
#include "geo/DatumInfo.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace charts::hcrf {

namespace {

constexpr const char* kOverscale = "Overscale";
constexpr const char* kUnderscale = "Underscale";

long LeadingNumber(std::string_view text)
{
    return long(FieldNumber(text, 0, text.size()));
}

std::string UnitsText(const std::string& units)
{
    return units;
}

// The western part of an outline split at the 180-degree meridian, as positions.
std::vector<geo::CPosition> WesternOutline(const CFolioChart& item)
{
    std::vector<geo::CPosition> west;
    for (const geo::IntPoint& p : item.secondOutline)
        west.emplace_back(p.y / 1e6, p.x / 1e6);
    return west;
}

}   // namespace

CHCRFDoc::CHCRFDoc(chart::CChartingModule* charting, CHCRFModule* service)
    : CChartDoc(charting), m_service(service)
{ }

CHCRFDoc::~CHCRFDoc()
{
    // An open verification window closes (stopping and joining its worker)
    // before the rasters it reads go.
    if (m_closeVerification)
        m_closeVerification();
    m_verifier.Stop();
    if (chart::CChartWindow* window = GetChartFrame()) {
        if (app::CMsgBar* bar = window->GetMsgBar()) {
            bar->RemoveMessage(m_hMsgOverscale, false);
            bar->RemoveMessage(m_hMsgUnderscale, false);
        }
    }
    std::error_code ec;
    if (!m_updateScratch.empty())
        fs::remove_all(m_updateScratch, ec);
}

int CHCRFDoc::GetChartType() const
{
    return m_service ? m_service->ChartKind() : chart::kChartARCS;
}

std::string CHCRFDoc::GetChartTypeName()
{
    return m_service ? m_service->GetName() : "ARCS";
}

fs::path CHCRFDoc::ChartFile(std::string_view extension) const
{
    const fs::path chr =
        m_service->ChartFilePath((m_record.source & 1) != 0, m_record.number, "chr");
    return SiblingFile(chr, extension);
}

// ---- Opening --------------------------------------------------------------------------

bool CHCRFDoc::OpenChart(const std::string& path)
{
    m_fileName = fs::path(path).stem().string();
    if (!LoadChart())
        return false;
    SetName(GetChartTypeName());
    CreatePalettes();
    if (chart::CChartWindow* window = GetChartFrame()) {
        if (app::CMsgBar* bar = window->GetMsgBar()) {
            bar->AddMessage(m_hMsgOverscale, kOverscale, 34000, 0, false);
            bar->AddMessage(m_hMsgUnderscale, kUnderscale, 35000, 0, false);
        }
    }
    SetScaleMessages();
    return true;
}

bool CHCRFDoc::MakeChartFilesReachable()
{
    if (m_record.source & 1)
        return app::FolderExists(m_service->ChartsFolder());
    std::string name = m_record.chartCd, date = m_record.chartDate;
    if (platform::EqualNoCaseAscii(m_record.chartCd, "UPDATE")) {
        name = m_record.chartDate.empty() ? m_record.updateCd : m_record.chartDate;
        date.clear();
    }
    return m_service->WaitForCD(name, date, &PromptCancelledFlag());
}

bool CHCRFDoc::FetchUpdateFiles()
{
    if (m_record.source & 2)
        return app::FolderExists(m_service->ChartsFolder());
    return m_service->WaitForCD(m_record.updateCd, {}, &PromptCancelledFlag());
}

bool CHCRFDoc::LoadChart()
{
    if (!m_service)
        return false;
    db::CDBARCSCat& cat = m_service->Catalogue();
    // 1. The catalogue's record of the chart.
    if (!cat.SeekKey(m_fileName))
        return false;
    m_record =
        CCatalogueCopy{cat.m_no,      cat.m_desc,   cat.m_chcdid, cat.m_chcddop, cat.m_upcdid,
                       cat.m_upcddop, cat.m_source, cat.m_chptr,  cat.m_scale,   cat.m_ho};
    // 2. The chart's files reachable.
    if (!MakeChartFilesReachable())
        return false;
    // 3. Header.
    auto header = ReadWholeFile(ChartFile("hdr"));
    if (!header || !m_header.Read(*header))
        return false;
    m_headerBytes = std::move(*header);
    // 4, 5. Catalogue entry and plans from the installed update copy.
    CCatalogueFolder catalogue;
    if (!catalogue.Load(m_service->UpdateSourcePath(m_record.updateCd)) ||
        !catalogue.ReadEntry(m_record.number, m_entry))
        return false;
    // Every plan the entry lists must be read from "Plan.cat": a missing
    // file or a plan entry that does not read ends loading, as any other
    // missing file or record of the chart does.
    if (!catalogue.HasPlanCatalogue())
        return false;
    m_plans.clear();
    for (unsigned i = 1; i <= m_entry.plans; ++i) {
        CPlanCatEntry plan;
        const auto offset = m_entry.PlanOffset(i);
        if (!offset || !catalogue.ReadPlan(*offset, plan))
            return false;
        m_plans.push_back(std::move(plan));
    }
    // 6. Code tables.
    const auto pal = ReadWholeFile(ChartFile("pal"));
    if (!pal || !LoadCodeTable(*pal, RasterKind::HighResolution, m_highTable) ||
        !LoadCodeTable(*pal, RasterKind::LowResolution, m_lowTable))
        return false;
    // 7. Update label.
    m_updateLabel = m_header.generalInfo.updateNumber;
    // 8. Panels: the main panel's outline from the catalogue entry, inset i
    //    from plan i; an inset beyond the catalogue's plans has no outline.
    CPanelLookups lookups;
    lookups.Load(m_service->UpdateSourcePath(m_record.updateCd));
    m_noteTypes.Load(m_service->UpdateSourcePath(m_record.updateCd), "notetype.tab");
    m_panels.clear();
    const unsigned insets = m_header.identifier.insetPanels;
    for (unsigned i = 0; i <= insets; ++i) {
        std::vector<geo::CPosition> outline;
        if (i == 0)
            outline = m_entry.outline;
        else if (i <= m_plans.size() && m_plans[i - 1].valid)
            outline = m_plans[i - 1].outline;
        CPanel panel;
        std::string error;
        const bool enciphered =
            m_header.protection.IsEnciphered(true, CDataProtection::Part::PanelData);
        if (!panel.Load(ChartFile("chr"), i, std::move(outline), lookups, enciphered, &error))
            return false;
        m_panels.push_back(std::move(panel));
    }
    m_mainWithoutOutline = m_entry.outline.empty();
    m_currentPanel = (m_mainWithoutOutline && m_panels.size() > 1) ? 1 : 0;
    // 9. Extent.
    bool any = false;
    for (const CPanel& panel : m_panels) {
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s) {
            const geo::IntRect& r = panel.SubPanel(s).PixelBounds();
            if (panel.SubPanel(s).PixelOutline().empty())
                continue;
            if (!any)
                m_pixelExtent = r;
            m_pixelExtent.left = std::min(m_pixelExtent.left, r.left);
            m_pixelExtent.top = std::min(m_pixelExtent.top, r.top);
            m_pixelExtent.right = std::max(m_pixelExtent.right, r.right);
            m_pixelExtent.bottom = std::max(m_pixelExtent.bottom, r.bottom);
            any = true;
        }
    }
    if (!m_entry.outline.empty()) {
        double n = -90, s = 90, w = 180, e = -180;
        for (const auto& p : m_entry.outline) {
            n = std::max(n, p.GetLatitude());
            s = std::min(s, p.GetLatitude());
            w = std::min(w, p.GetLongitude());
            e = std::max(e, p.GetLongitude());
        }
        SetWholeExtent(geo::CPosition(n, w), geo::CPosition(s, e));
        SetReferencePosition(geo::CPosition((n + s) / 2, (w + e) / 2));
    }
    // 10. The overview raster.
    return LoadRaster(kLow);
}

bool CHCRFDoc::CreatePalettes()
{
    CChartDoc::CreatePalettes();
    const auto pal = ReadWholeFile(ChartFile("pal"));
    CColourTables tables;
    if (!pal || !ApplyColourSections(*pal, tables))
        return true;
    const PaletteKind kinds[] = {PaletteKind::Day, PaletteKind::Dusk, PaletteKind::Night};
    // Only the entries the file names change: a table no section feeds, and
    // every index a section leaves out, stay as the base left them.
    for (int p = 0; p < 3; ++p) {
        const auto& table = tables.Table(kinds[p]);
        const auto& named = tables.named[std::size_t(kinds[p])];
        for (std::size_t i = 0; i < 256; ++i)
            if (named.test(i))
                Colours(p)[i] = 0xFF000000u | std::uint32_t(table[i].red) << 16 |
                                std::uint32_t(table[i].green) << 8 | table[i].blue;
    }
    SetColourCount(std::uint16_t(tables.dayCount));
    return true;
}

bool CHCRFDoc::LoadHighWithUpdates()
{
    const auto chr = ReadWholeFile(ChartFile("chr"));
    const auto chi = ReadWholeFile(IndexFileOf(ChartFile("chr")));
    if (!chr || !chi)
        return false;
    CTileRaster raster;
    std::string error;
    if (!raster.Assign(*chr, *chi, m_header.generalInfo.highTilesAcross,
                       m_header.generalInfo.highTilesDown, &error))
        return false;
    std::vector<std::string> updated;
    const bool wanted =
        LeadingNumber(m_entry.updateNumber) != LeadingNumber(m_header.generalInfo.updateNumber);
    if (wanted && FetchUpdateFiles()) {
        const bool updatesOnDisk = (m_record.source & 2) != 0;
        fs::path upr = SiblingFile(
            m_service->ChartUpdateFilePath(updatesOnDisk, m_record.number, "upr"), "upr");
        fs::path upi = SiblingFile(upr, "upi");
        bool copied = false;
        if (m_record.source == 0) {
            // Both on their media: the update files are copied to a private
            // folder while the chart medium is asked for again.
            std::error_code ec;
            if (m_updateScratch.empty()) {
                std::string pattern = (fs::temp_directory_path() / "brine-upd-XXXXXX").string();
                if (char* made = mkdtemp(pattern.data()))
                    m_updateScratch = made;
            }
            if (m_updateScratch.empty())
                return false;
            const fs::path toUpr = m_updateScratch / GetChartFileName(m_record.number, "upr");
            const fs::path toUpi = m_updateScratch / GetChartFileName(m_record.number, "upi");
            if (!fs::copy_file(upr, toUpr, fs::copy_options::overwrite_existing, ec) ||
                !fs::copy_file(upi, toUpi, fs::copy_options::overwrite_existing, ec))
                return false;
            copied = true;
            upr = toUpr;
            upi = toUpi;
            if (!MakeChartFilesReachable()) {
                fs::remove(toUpr, ec);
                fs::remove(toUpi, ec);
                return false;
            }
        }
        const auto uprBytes = ReadWholeFile(upr);
        const auto upiBytes = ReadWholeFile(upi);
        if (uprBytes && upiBytes)
            raster.MergeUpdates(*uprBytes, *upiBytes, m_entry.rasterCheck, m_entry.indexCheck,
                                &updated, &error);
        if (copied) {
            std::error_code ec;
            fs::remove(upr, ec);
            fs::remove(upi, ec);
        }
    }
    std::lock_guard lock(m_tileLock);
    m_high = std::move(raster);
    m_updatedTiles = std::move(updated);
    m_updatedSet.clear();
    for (const std::string& t : m_updatedTiles)
        if (t.size() == 6)
            m_updatedSet.emplace(unsigned(std::atoi(t.substr(0, 3).c_str())),
                                 unsigned(std::atoi(t.substr(3).c_str())));
    return true;
}

bool CHCRFDoc::LoadRaster(int raster)
{
    app::CWaitStatus wait;
    m_scale = 1.0;
    if (raster == kHigh) {
        if (!m_high.IsLoaded() && !LoadHighWithUpdates())
            return false;
        m_updateLabel = m_entry.updateNumber;
    } else {
        if (!m_low.IsLoaded()) {
            const fs::path lor = ChartFile("lor");
            std::string error;
            if (!m_low.Load(lor, IndexFileOf(lor), m_header.generalInfo.lowTilesAcross,
                            m_header.generalInfo.lowTilesDown, &error))
                return false;
        }
        m_scroll = {0, 0};
        m_updateLabel = m_header.generalInfo.updateNumber;
    }
    m_lastDrawn = m_scroll;
    m_active = raster;
    InvalidateChart();
    SetScaleMessages();
    return true;
}

// ---- Colour classes ------------------------------------------------------------------

namespace {

// The chart colours of each display palette (Day, Dusk, Night), as the
// chart services define them.
constexpr std::array<std::array<app::COLORREF, 21>, 3> kClassColours{{
    {0x000000, 0xFFFFFF, 0xFF00C8, 0xFFB9F1, 0xD9BE3C, 0xF4EBC5, 0x74AB62,
     0x6EC8F6, 0x5396B9, 0xE38FA0, 0xF4ACB7, 0xBA78A0, 0x808080, 0x7F7FE0,
     0x0B71A7, 0x6C5F1E, 0xCDCDCD, 0xAA82B4, 0x053853, 0xA38A2D, 0x404040},
    {0xE1F4D8, 0x000000, 0xC850DC, 0x783C82, 0x8B7A53, 0x68614D, 0x638051,
     0x68A4AC, 0xB1C0AB, 0xC87D8C, 0xB46E96, 0xBA78A0, 0x8B9888, 0x9673A0,
     0xBEE1D2, 0xD2D7B9, 0xCDCDCD, 0xA073AA, 0xCFB77C, 0x000000, 0x000000},
    {0x393F39, 0x000000, 0xB41E50, 0x3C1D41, 0x1B0903, 0x120903, 0x061404,
     0x071518, 0x2B312D, 0x412337, 0x46283C, 0x372837, 0x000000, 0x2D1E32,
     0x303530, 0x363530, 0xCDCDCD, 0x000000, 0x000000, 0x000000, 0x000000},
}};

// The list of the program's active display palette (Day without a module).
const std::array<app::COLORREF, 21>& ClassColours(chart::CChartingModule* module)
{
    const app::CDisplayPalettes* palettes = module ? module->Services().palettes : nullptr;
    const int active = palettes ? std::clamp(palettes->GetActive(), 0, 2) : 0;
    return kClassColours[std::size_t(active)];
}

}   // namespace

bool CHCRFDoc::IsColourInFirstClass(app::COLORREF c) const
{
    const auto& list = ClassColours(Module());
    return c == list[6] || c == list[7] || c == list[13];
}

bool CHCRFDoc::IsColourInSecondClass(app::COLORREF c) const
{
    const auto& list = ClassColours(Module());
    return c == list[1] || c == list[4] || c == list[5];
}

// ---- Texts ---------------------------------------------------------------------------

const CSubPanel* CHCRFDoc::CurrentSubPanel() const
{
    return m_currentPanel < m_panels.size() ? m_panels[m_currentPanel].Current() : nullptr;
}

std::string CHCRFDoc::GetChartTitle()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->Name() : std::string{};
}

std::string CHCRFDoc::GetChartNumber()
{
    return m_header.identifier.chartNumber;
}

bool CHCRFDoc::GetIssueDate(std::string& text)
{
    text = m_header.identifier.editionDate;
    return IsChartLoaded();
}

bool CHCRFDoc::GetUpdateDate(std::string& text)
{
    const std::string& l = m_updateLabel;
    text = l.substr(0, std::min<std::size_t>(4, l.size())) + "/" +
           (l.size() > 4 ? l.substr(4, 5) : std::string{});
    return IsChartLoaded();
}

std::string CHCRFDoc::GetScaleText()
{
    const CSubPanel* s = CurrentSubPanel();
    return (IsChartLoaded() && s) ? s->ScaleText() : std::string{};
}

std::string CHCRFDoc::GetHorizontalDatum()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->HorizontalDatumName() : std::string{};
}

std::string CHCRFDoc::GetDepthUnits()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? UnitsText(s->DepthUnits()) : std::string{};
}

std::string CHCRFDoc::GetHeightUnits()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? UnitsText(s->HeightUnits()) : std::string{};
}

std::string CHCRFDoc::GetHeightDatum()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->HeightDatumName() : std::string{};
}

std::string CHCRFDoc::GetDepthDatum()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->SoundingDatumName() : std::string{};
}

std::string CHCRFDoc::GetProjection()
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->ProjectionName() : std::string{};
}

std::uint16_t CHCRFDoc::GetDatumIndex() const
{
    const CSubPanel* s = CurrentSubPanel();
    return s ? s->DatumIndex() : geo::DatumIndexChart();
}

std::string CHCRFDoc::ManufacturerText() const
{
    return CHCRFModule::GetServiceName(m_service ? m_service->Office() : 2);
}

std::string CHCRFDoc::NorthSouthRangeText()
{
    if (!IsChartLoaded() || m_currentPanel >= m_panels.size())
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%ld",
                  std::lround(m_panels[m_currentPanel].NorthSouthRangeMinutes()));
    return std::string(text) + "nm";
}

bool CHCRFDoc::GetMetresPerPixel(double& metres)
{
    const CSubPanel* s = CurrentSubPanel();
    if (!s || s->OutlineHeight() <= 0)
        return false;
    const double height = double(s->OutlineHeight()) * m_scale / LowRatio();
    if (height <= 0)
        return false;
    metres = s->NorthSouthRangeMinutes() / height * 1852.0;
    return true;
}

bool CHCRFDoc::GetResolutionText(std::string& text, double& metresPerPixel)
{
    // A sub-panel without outline height has no figure: the text is empty.
    const CSubPanel* s = CurrentSubPanel();
    if (!s || s->OutlineHeight() <= 0) {
        text.clear();
        return false;
    }
    return CChartDoc::GetResolutionText(text, metresPerPixel);
}

// ---- Drawing -------------------------------------------------------------------------

geo::IntRect CHCRFDoc::ClientArea()
{
    return ViewClientRect();
}

void CHCRFDoc::PrepareBuffer(chart::CScreenBuffer& buffer)
{
    // Whatever lies past the picture shows the window background of the
    // active palette, as where there is no chart at all.
    chart::CChartingModule* charting = Module();
    if (charting && charting->Services().palettes)
        buffer.ClearToWindowColour(*charting->Services().palettes);
    else
        buffer.ClearToColour(app::RGB(255, 255, 255));
}

int CHCRFDoc::DrawChart(chart::CXDC& dc)
{
    const CTileRaster& raster = ActiveData();
    if (!raster.IsLoaded())
        return 0;
    const geo::IntRect client = ClientArea();
    const int t = TileSize();
    if (t <= 0)
        return 0;
    m_lastDrawn = m_scroll;
    const int firstCol = std::max(0, (m_scroll.x + client.left) / t);
    const int lastCol =
        std::min<int>(int(raster.TilesAcross()), (m_scroll.x + client.right + t - 1) / t);
    const int firstRow = std::max(0, (m_scroll.y + client.top) / t);
    const int lastRow =
        std::min<int>(int(raster.TilesDown()), (m_scroll.y + client.bottom + t - 1) / t);
    const CodeTable& table = m_active == kHigh ? m_highTable : m_lowTable;
    const bool enciphered =
        m_header.protection.IsEnciphered(m_active == kHigh, CDataProtection::Part::Tiles);
    int drawn = 0;
    for (int row = firstRow; row < lastRow; ++row) {
        for (int col = firstCol; col < lastCol; ++col) {
            const CTileCache::Tile* tile =
                m_cache.Get(unsigned(m_active), unsigned(col), unsigned(row), [&](TileBuffer out) {
                    return raster.ReadTile(unsigned(col), unsigned(row), table, enciphered, out,
                                           m_tileLock);
                });
            if (!tile)
                continue;   // a tile that does not decode leaves its area as it was
            // Every tile is drawn whole, the last column's and row's too: the
            // raster's picture is its tiles.
            const int x = col * t - m_scroll.x, y = row * t - m_scroll.y;
            const int side = int(kTileSide);
            const chart::CIndexedImage image{tile->data(), side, side, std::ptrdiff_t(side)};
            dc.BlitIndexed(image, geo::IntRect{0, 0, side, side}, geo::IntRect{x, y, x + t, y + t});
            ++drawn;
        }
    }
    const chart::CChartingModule* charting = Module();
    if (charting && charting->ChartSettings().drawUpdateBoxes && m_active == kHigh) {
        chart::CSelPen pen(dc, 0x000000FF, chart::PenStyle::Solid, 2);
        for (const auto& [col, row] : m_updatedSet) {
            const int x = int(col) * t - m_scroll.x, y = int(row) * t - m_scroll.y;
            dc.DrawRectangle(geo::IntRect{x, y, x + t, y + t});
        }
    }
    return drawn;
}

void CHCRFDoc::FolioBoxes(std::vector<geo::IntPoint>& larger, std::vector<geo::IntPoint>& others)
{
    larger.clear();
    others.clear();
    geo::CPosition northWest, southEast;
    const bool bounded =
        GetExtent(northWest, southEast) && northWest.GetLongitude() <= southEast.GetLongitude();
    const auto micro = [](double degrees) { return std::int64_t(std::llround(degrees * 1e6)); };
    // An outline's bounds (longitude and latitude in millionths of a degree)
    // that miss the chart's extent have nothing to draw on it.
    const auto mayTouch = [&](const std::optional<geo::IntRect>& bounds) {
        if (!bounds)
            return false;
        if (!bounded)
            return true;
        return bounds->right >= micro(northWest.GetLongitude()) &&
               bounds->left <= micro(southEast.GetLongitude()) &&
               bounds->bottom >= micro(southEast.GetLatitude()) &&
               bounds->top <= micro(northWest.GetLatitude());
    };
    std::vector<geo::CPosition> west;
    for (const chart::CFolioItem* item : Folio()) {
        const auto* c = dynamic_cast<const CFolioChart*>(item);
        if (!c || platform::EqualNoCaseAscii(c->fileName, m_record.number))
            continue;
        std::vector<geo::IntPoint>& list = c->scale < m_record.scale ? larger : others;
        if (mayTouch(c->outlineBounds))
            ClipPolygon(c->positions, list);
        if (mayTouch(c->secondBounds)) {
            // The part of an outline west of the 180-degree meridian.
            west = WesternOutline(*c);
            ClipPolygon(west, list);
        }
    }
}

bool CHCRFDoc::DrawFolioBoxes(chart::CXDC& dc)
{
    if (!IsChartLoaded())
        return false;
    std::vector<geo::IntPoint> larger, others;
    FolioBoxes(larger, others);
    const chart::Pen cyan{chart::PenStyle::Solid, 1, 0x00FFFF00};
    const chart::Pen magenta{chart::PenStyle::Solid, 1, 0x00FF00FF};
    DrawPointPairs(dc, larger, &cyan);
    DrawPointPairs(dc, others, &magenta);
    return true;
}

void CHCRFDoc::SetScaleMessages()
{
    chart::CChartWindow* window = GetChartFrame();
    app::CMsgBar* bar = window ? window->GetMsgBar() : nullptr;
    if (!bar || !m_hMsgOverscale || !m_hMsgUnderscale)
        return;
    bar->LockUpdate(false);
    const bool under = m_active == kLow || m_scale < 1.0;
    const bool over = m_active == kHigh && m_scale > 1.0;
    bar->SetMessageActive(m_hMsgUnderscale, under ? 1 : 0, false);
    bar->SetMessageActive(m_hMsgOverscale, over ? 1 : 0, false);
    bar->LockUpdate(true);
}

void CHCRFDoc::ChartChanged(bool zoomed)
{
    SetScaleMessages();
    if (zoomed) {
        ClampScroll();
        InvalidateChart();
    }
}

bool CHCRFDoc::SetZoom(int mode, const geo::IntRect* rect)
{
    m_autoCentred = false;
    bool changed = true;
    switch (mode) {
    case 0:
        m_scale = 1.0;
        if (m_active == kHigh && !LoadRaster(kLow))
            changed = false;
        m_scroll = m_lastDrawn = m_savedScroll = {0, 0};
        break;
    case 1:
        if (m_active == kLow && m_scale >= 1.0) {
            if (LoadRaster(kHigh))
                m_scale = 0.5;
            else
                changed = false;
        } else if (m_active == kLow) {
            m_scale = 1.0;
        } else if (m_scale < 2.0) {
            m_scale *= 2;
        } else {
            changed = false;
        }
        break;
    case 2:
        if (m_active == kLow && m_scale <= 0.5) {
            changed = false;
        } else if (m_active == kLow) {
            m_scale = 0.5;
        } else if (m_scale <= 0.5) {
            const geo::IntPoint saved = m_savedScroll;
            if (LoadRaster(kLow))
                m_scroll = saved;
            else
                changed = false;
            m_scale = 1.0;
        } else {
            m_scale /= 2;
        }
        break;
    case 3:
        m_scale = 1.0;
        if (m_active == kLow) {
            m_savedScroll = m_scroll;
            changed = LoadRaster(kHigh);
        } else {
            changed = false;
        }
        break;
    case 4:
        if (!rect || rect->right == rect->left || rect->bottom == rect->top)
            return SetZoom(3, nullptr);
        if (m_active == kLow) {
            changed = LoadRaster(kHigh);
            m_scale = 0.5;
        } else {
            m_scale = 2.0;
        }
        break;
    default: return false;
    }
    ChartChanged(changed);
    return changed;
}

bool CHCRFDoc::SetZoomLevel(int mode, bool /*flag*/)
{
    return SetZoom(mode, nullptr);
}

std::optional<geo::CPosition> CHCRFDoc::PositionAtClientPoint(geo::IntPoint client)
{
    ClientToChartPoint(client, client);
    geo::CPosition position;
    if (!PointToPosition(client, position))
        return std::nullopt;
    return position;
}

std::optional<geo::CPosition> CHCRFDoc::PositionAtViewCentre()
{
    const geo::IntRect client = ClientArea();
    return PositionAtClientPoint(
        {(client.left + client.right) / 2, (client.top + client.bottom) / 2});
}

bool CHCRFDoc::ZoomToRect(int left, int top, int right, int bottom)
{
    const geo::IntRect r{left, top, right, bottom};
    const auto position = PositionAtClientPoint({(left + right) / 2, (top + bottom) / 2});
    const bool changed = SetZoom(4, &r);
    if (position)
        CentreOnPosition(*position, false);
    return changed;
}

void CHCRFDoc::SelectPanelAtViewCentre()
{
    const geo::IntRect client = ClientArea();
    geo::IntPoint point;
    ClientToChartPoint({(client.left + client.right) / 2, (client.top + client.bottom) / 2}, point);
    for (std::size_t i = m_mainWithoutOutline ? 1 : 0; i < m_panels.size(); ++i) {
        std::optional<std::size_t> last;
        for (std::size_t s = 0; s < m_panels[i].SubPanelCount(); ++s)
            if (m_panels[i].SubPanel(s).ContainsPoint(point))
                last = s;
        if (!last)
            continue;
        if (i != m_currentPanel || *last != m_panels[i].CurrentIndex()) {
            m_currentPanel = i;
            m_panels[i].SelectSubPanel(*last);
            SetTitle();
        }
        return;
    }
}

bool CHCRFDoc::ZoomIn()
{
    if (IsAtMaxZoom())
        return false;
    SelectPanelAtViewCentre();
    const auto position = PositionAtViewCentre();
    if (!SetZoom(1, nullptr))
        return false;
    if (position)
        CentreOnPosition(*position, false);
    return true;
}

bool CHCRFDoc::ZoomOut()
{
    if (IsAtMinZoom())
        return false;
    const auto position = PositionAtViewCentre();
    if (!SetZoom(2, nullptr))
        return false;
    if (position && m_scroll.x != 0 && m_scroll.y != 0)
        CentreOnPosition(*position, false);
    return true;
}

void CHCRFDoc::ClampScroll()
{
    const CTileRaster& raster = ActiveData();
    const geo::IntRect client = ClientArea();
    const int t = TileSize();
    const int maxX = std::max(0, int(raster.TilesAcross()) * t - (client.right - client.left));
    const int maxY = std::max(0, int(raster.TilesDown()) * t - (client.bottom - client.top));
    m_scroll.x = std::clamp(m_scroll.x, 0, maxX);
    m_scroll.y = std::clamp(m_scroll.y, 0, maxY);
}

bool CHCRFDoc::OnViewSize(int width, int height)
{
    if ((!m_placed || m_autoCentred) && width > 0 && height > 0 && m_low.IsLoaded()) {
        CentreOnPosition(GetReferencePosition(), false);
        m_autoCentred = true;
    }
    return true;
}

bool CHCRFDoc::CentreOnPosition(const geo::CPosition& position, bool chooseSubPanel)
{
    if (!position.IsValid())
        return false;
    const geo::IntRect area = ClientArea();
    if (area.right > area.left && area.bottom > area.top)
        m_placed = true;
    m_autoCentred = false;
    if (chooseSubPanel && m_currentPanel > 0)
        SelectLargestScaleSubPanelAt(position);
    const double f = m_scale / LowRatio();
    // A current inset draws its own picture of the places it holds (a plan of
    // a harbour the main panel also covers): such a place is centred there,
    // and the view starts no further up or left than the inset.
    const CSubPanel* inset = m_currentPanel > 0 ? CurrentSubPanel() : nullptr;
    std::optional<CChartPoint> insetPoint;
    if (inset && inset->ContainsPosition(position))
        insetPoint = inset->PositionToPoint(position);
    geo::IntPoint point;
    if (!IsPositionOnChart(position) || (!insetPoint && !PositionToPoint(position, point))) {
        m_scroll = m_panelOrigin = {0, 0};
    } else {
        m_panelOrigin = {0, 0};
        if (insetPoint) {
            point = *insetPoint;
            m_panelOrigin = {std::max(0, int(inset->Origin().x * f)),
                             std::max(0, int(inset->Origin().y * f))};
        }
        const geo::IntRect client = ClientArea();
        // Not held to the chart's far edges: the position comes to the middle
        // of the view even near the chart's border.
        m_scroll.x = int(point.x * f) - (client.right - client.left) / 2;
        m_scroll.y = int(point.y * f) - (client.bottom - client.top) / 2;
    }
    m_scroll.x = std::max(m_scroll.x, m_panelOrigin.x);
    m_scroll.y = std::max(m_scroll.y, m_panelOrigin.y);
    m_savedScroll = m_lastDrawn = m_scroll;
    InvalidateChart();
    return true;
}

void CHCRFDoc::SelectLargestScaleSubPanelAt(const geo::CPosition& position)
{
    std::optional<std::pair<std::size_t, std::size_t>> best;
    long bestScale = 0;
    for (std::size_t i = m_mainWithoutOutline ? 1 : 0; i < m_panels.size(); ++i) {
        for (std::size_t s = 0; s < m_panels[i].SubPanelCount(); ++s) {
            const CSubPanel& sub = m_panels[i].SubPanel(s);
            // A sub-panel without a scale (a damaged record) is never the largest.
            if (sub.Scale() <= 0 || !sub.ContainsPosition(position) ||
                (best && sub.Scale() >= bestScale))
                continue;
            best = {i, s};
            bestScale = sub.Scale();
        }
    }
    if (!best ||
        (best->first == m_currentPanel && best->second == m_panels[best->first].CurrentIndex()))
        return;
    m_currentPanel = best->first;
    m_panels[best->first].SelectSubPanel(best->second);
    SetTitle();
}

bool CHCRFDoc::SelectPanel(unsigned panel, bool redraw)
{
    if (panel >= m_panels.size())
        return false;
    m_currentPanel = panel;
    if (const CSubPanel* s = CurrentSubPanel()) {
        const double f = m_scale / LowRatio();
        m_panelOrigin = {std::max(0, int(s->Origin().x * f)), std::max(0, int(s->Origin().y * f))};
        m_scroll = m_savedScroll = m_panelOrigin;
    }
    if (redraw)
        InvalidateChart();
    return true;
}

bool CHCRFDoc::TakeOverViewState(chart::CChartDoc& other)
{
    const auto* from = dynamic_cast<const CHCRFDoc*>(&other);
    if (from == nullptr || from == this || from->GetChartType() != GetChartType() ||
        !IsChartLoaded() || !from->IsChartLoaded())
        return false;
    if (from->m_active != m_active && !LoadRaster(from->m_active))
        return false;
    const bool sameChart = from->GetPathName() == GetPathName();
    if (sameChart)
        SelectPanel(unsigned(from->m_currentPanel), false);
    m_scale = from->m_scale;
    if (sameChart) {
        m_scroll = m_savedScroll = m_lastDrawn = from->m_scroll;
        m_panelOrigin = from->m_panelOrigin;
    }
    m_autoCentred = false;
    InvalidateChart();
    SetScaleMessages();
    return true;
}

int CHCRFDoc::PanHorizontal(int step)
{
    const geo::IntRect client = ClientArea();
    return PanAlong(m_scroll.x, int(ActiveData().TilesAcross()) * TileSize(),
                    client.right - client.left, step);
}

int CHCRFDoc::PanVertical(int step)
{
    const geo::IntRect client = ClientArea();
    return PanAlong(m_scroll.y, int(ActiveData().TilesDown()) * TileSize(),
                    client.bottom - client.top, step);
}

int CHCRFDoc::PanAlong(int& scroll, int pictureSize, int viewSize, int step)
{
    m_autoCentred = false;
    m_savedScroll = m_scroll;
    // Held so the view neither leaves the picture's start nor runs past its end.
    if (step > 0)
        step = std::min(step, std::max(0, pictureSize - viewSize - scroll));
    else
        step = std::max(step, -scroll);
    if (step != 0) {
        scroll = std::max(0, scroll + step);
        InvalidateChart();
    }
    return 1;
}

int CHCRFDoc::OnHScroll(int request)
{
    const geo::IntRect client = ClientArea();
    return ScrollBarAlong(m_scroll.x, double(ActiveData().TilesAcross()) * TileSize(),
                          client.right - client.left, request);
}

int CHCRFDoc::OnVScroll(int request)
{
    const geo::IntRect client = ClientArea();
    return ScrollBarAlong(m_scroll.y, double(ActiveData().TilesDown()) * TileSize(),
                          client.bottom - client.top, request);
}

int CHCRFDoc::ScrollBarAlong(int& scroll, double pictureSize, int viewSize, int request)
{
    const double range = std::max(1.0, pictureSize - viewSize);
    if (request < 0) {
        if (scroll == 0 && pictureSize <= viewSize)
            return -1;
        return int(scroll / range * 100);
    }
    m_savedScroll = m_scroll;
    m_autoCentred = false;
    scroll = int(request * 0.01 * range);
    InvalidateChart();
    return 1;
}

// ---- Conversions -----------------------------------------------------------------------

void CHCRFDoc::ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const
{
    const double r = m_active == kLow ? m_header.generalInfo.LowResolutionRatio() : 1.0;
    out.x = int((m_scroll.x + in.x) * r / m_scale);
    out.y = int((m_scroll.y + in.y) * r / m_scale);
}

void CHCRFDoc::ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out)
{
    const double f = m_scale / LowRatio();
    const geo::IntPoint p = in;
    out.x = int(p.x * f - m_scroll.x);
    out.y = int(p.y * f - m_scroll.y);
}

bool CHCRFDoc::PositionToPoint(const geo::CPosition& position, geo::IntPoint& point)
{
    if (m_panels.size() == 1 && m_panels[0].SubPanelCount() == 1) {
        const auto p = m_panels[0].SubPanel(0).PositionToPoint(position);
        if (p)
            point = *p;
        return p.has_value();
    }
    for (std::size_t i = m_mainWithoutOutline ? 1 : 0; i < m_panels.size(); ++i) {
        for (std::size_t s = 0; s < m_panels[i].SubPanelCount(); ++s) {
            const CSubPanel& sub = m_panels[i].SubPanel(s);
            if (sub.ContainsPosition(position)) {
                const auto p = sub.PositionToPoint(position);
                if (p)
                    point = *p;
                return p.has_value();
            }
        }
    }
    return false;
}

bool CHCRFDoc::PointToPosition(geo::IntPoint point, geo::CPosition& position)
{
    for (std::size_t i = m_mainWithoutOutline ? 1 : 0; i < m_panels.size(); ++i) {
        for (std::size_t s = 0; s < m_panels[i].SubPanelCount(); ++s) {
            const CSubPanel& sub = m_panels[i].SubPanel(s);
            if (sub.ContainsPoint(point)) {
                const auto p = sub.PointToPosition(point);
                if (p)
                    position = *p;
                return p.has_value();
            }
        }
    }
    const CSubPanel* current = CurrentSubPanel();
    const auto p = current ? current->PointToPosition(point) : std::nullopt;
    if (p)
        position = *p;
    return p.has_value();
}

bool CHCRFDoc::PositionToPoints(const geo::CPosition& position, chart::PointList& points)
{
    bool any = false;
    for (const CPanel& panel : m_panels) {
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s) {
            const CSubPanel& sub = panel.SubPanel(s);
            if (!sub.ContainsPosition(position))
                continue;
            if (const auto p = sub.PositionToPoint(position)) {
                points.push_back(*p);
                any = true;
            }
        }
    }
    return any;
}

bool CHCRFDoc::ProjectBeyondChart(const geo::CPosition& position, geo::IntPoint& point)
{
    if (PositionToPoint(position, point))
        return true;
    // A track leaving the chart leaves it from the main panel, whose
    // projection is the one that runs on to the chart's edge.
    if (m_panels.empty() || m_panels[0].SubPanelCount() == 0)
        return false;
    const auto p = m_panels[0].SubPanel(0).PositionToPoint(position);
    if (p)
        point = *p;
    return p.has_value();
}

bool CHCRFDoc::IsChartPointOnChart(geo::IntPoint point)
{
    for (const CPanel& panel : m_panels)
        if (panel.ContainsPoint(point))
            return true;
    return false;
}

bool CHCRFDoc::IsPositionOnChart(const geo::CPosition& position) const
{
    for (const CPanel& panel : m_panels)
        if (panel.ContainsPosition(position))
            return true;
    return false;
}

bool CHCRFDoc::SegmentTouchesChart(const geo::CPosition& a, const geo::CPosition& b)
{
    for (const CPanel& panel : m_panels)
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s)
            if (panel.SubPanel(s).TouchesSegment(a, b))
                return true;
    return false;
}

bool CHCRFDoc::PolygonTouchesChart(std::span<const geo::CPosition> corners)
{
    if (corners.size() < 3)
        return false;
    for (std::size_t i = 0; i < corners.size(); ++i)
        if (SegmentTouchesChart(corners[i], corners[(i + 1) % corners.size()]))
            return true;
    return false;
}

void CHCRFDoc::DrawEllipse(chart::CXDC& dc, const geo::CPosition& a, const geo::CPosition& b)
{
    for (const CPanel& panel : m_panels) {
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s) {
            const CSubPanel& sub = panel.SubPanel(s);
            if (!sub.ContainsPosition(a) || !sub.ContainsPosition(b))
                continue;
            const auto p1 = sub.PositionToPoint(a), p2 = sub.PositionToPoint(b);
            if (!p1 || !p2)
                continue;
            geo::IntPoint c1, c2;
            ChartToClientPoint(*p1, c1);
            ChartToClientPoint(*p2, c2);
            DrawHalfEllipses(dc, c1, c2);
        }
    }
}

void CHCRFDoc::GetVisibleRect(geo::IntRect& rect)
{
    const geo::IntRect client = ClientArea();
    geo::IntPoint a, b;
    ClientToChartPoint({client.left, client.top}, a);
    ClientToChartPoint({client.right, client.bottom}, b);
    rect.left = std::max(a.x, m_pixelExtent.left);
    rect.top = std::max(a.y, m_pixelExtent.top);
    rect.right = std::min(b.x, m_pixelExtent.right);
    rect.bottom = std::min(b.y, m_pixelExtent.bottom);
    if (rect.right < rect.left)
        rect.right = rect.left;
    if (rect.bottom < rect.top)
        rect.bottom = rect.top;
}

bool CHCRFDoc::GetExtent(geo::CPosition& northWest, geo::CPosition& southEast) const
{
    if (m_entry.outline.empty())
        return false;
    northWest = WholeNorthWest();
    southEast = WholeSouthEast();
    return true;
}

int CHCRFDoc::ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out)
{
    out = in;
    if (!IsPositionOnChart(in))
        return chart::kShiftNotOnChart;
    const CSubPanel* s = CurrentSubPanel();
    if (!s || !s->HasDatumShift() || GetDatumIndex() == geo::DatumIndexFallback())
        return chart::kShiftNone;
    if (in.GetDatum() != geo::DatumIndexWGS84() && in.GetDatum() != geo::kNoDatumIndex)
        return chart::kShiftNotWGS84;
    if (GetDatumIndex() == geo::DatumIndexWGS84())
        return chart::kShiftChartWGS84;
    return s->ShiftToChartDatum(in, out);
}

int CHCRFDoc::ShiftToPositionDatum(const geo::CPosition& in, geo::CPosition& out)
{
    out = in;
    if (!IsPositionOnChart(in))
        return chart::kShiftNotOnChart;
    // A position already labelled WGS 84 needs no shift; one on an unknown
    // datum cannot be shifted.
    const CSubPanel* s = CurrentSubPanel();
    const std::uint16_t datum = geo::ResolveDatum(in.GetDatum());
    if (!s || !s->HasDatumShift() || datum == geo::DatumIndexFallback())
        return chart::kShiftNone;
    if (datum == geo::DatumIndexWGS84())
        return chart::kShiftChartWGS84;
    return s->ShiftToWgs84(in, out);
}

bool CHCRFDoc::HasDatumShift() const
{
    const CSubPanel* s = CurrentSubPanel();
    return s && s->HasDatumShift() && s->HasPolynomialDatumShift();
}

void CHCRFDoc::OnMouseMove(geo::IntPoint client)
{
    geo::IntPoint point;
    ClientToChartPoint(client, point);
    for (std::size_t i = m_mainWithoutOutline ? 1 : 0; i < m_panels.size(); ++i) {
        for (std::size_t s = 0; s < m_panels[i].SubPanelCount(); ++s) {
            if (!m_panels[i].SubPanel(s).ContainsPoint(point))
                continue;
            if (i != m_currentPanel || s != m_panels[i].CurrentIndex()) {
                m_currentPanel = i;
                m_panels[i].SelectSubPanel(s);
                SetTitle();
                // What the view draws for the current sub-panel follows it.
                chart::CChartWindow* window = GetChartFrame();
                if (window)
                    window->InvalidateView();
                // So does the chartpoint panel (its datum list offers the
                // current sub-panel's datum), except in the vessel's window.
                chart::CChartingModule* charting = Module();
                if ((!window || window->GetState() == chart::kFrameNormal) && charting &&
                    charting->Services().chartpointChanged)
                    charting->Services().chartpointChanged();
            }
            return;
        }
    }
}

chart::CPanelId CHCRFDoc::GetCurrentPanelId() const
{
    if (m_currentPanel >= m_panels.size())
        return {};
    return {static_cast<std::uint8_t>(m_currentPanel),
            static_cast<std::uint8_t>(m_panels[m_currentPanel].CurrentIndex())};
}

bool CHCRFDoc::IsClientPointInPanel(geo::IntPoint client, chart::CPanelId panel)
{
    if (panel.panel >= m_panels.size())
        return false;
    geo::IntPoint point;
    ClientToChartPoint(client, point);
    return m_panels[panel.panel].ContainsPoint(point);
}

bool CHCRFDoc::PanelPositionToClientPoint(const geo::CPosition& position, chart::CPanelId panel,
                                          geo::IntPoint& client)
{
    if (panel.panel >= m_panels.size() || panel.subPanel >= m_panels[panel.panel].SubPanelCount())
        return false;
    const auto point = m_panels[panel.panel].SubPanel(panel.subPanel).PositionToPoint(position);
    if (!point)
        return false;
    ChartToClientPoint(*point, client);
    return true;
}

// ---- Folio -------------------------------------------------------------------------------

bool CHCRFDoc::FolioItemOverlaps(const CFolioChart& item) const
{
    const auto edgesTouch = [this](const std::vector<geo::CPosition>& outline) {
        for (std::size_t i = 0; i < outline.size(); ++i)
            for (const CPanel& panel : m_panels)
                for (std::size_t s = 0; s < panel.SubPanelCount(); ++s)
                    if (panel.SubPanel(s).TouchesSegment(outline[i],
                                                         outline[(i + 1) % outline.size()]))
                        return true;
        return false;
    };
    if (edgesTouch(item.positions) || edgesTouch(WesternOutline(item)))
        return true;
    // An item wholly inside one sub-panel touches it with its edges; one
    // wholly round the chart holds the sub-panels' corners.
    for (const CPanel& panel : m_panels) {
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s) {
            const CSubPanel& sub = panel.SubPanel(s);
            const auto& corners = sub.Wgs84Outline().empty() ? sub.Outline() : sub.Wgs84Outline();
            for (const geo::CPosition& corner : corners)
                if (item.ContainsPosition(corner))
                    return true;
        }
    }
    return false;
}

bool CHCRFDoc::RebuildFolio()
{
    CChartDoc::RebuildFolio();
    // The document's folio holds the raster items whose area overlaps one of
    // its sub-panels; outlines whose bounds miss the chart's extent are
    // passed over before any test.
    geo::CPosition northWest, southEast;
    const bool bounded =
        GetExtent(northWest, southEast) && northWest.GetLongitude() <= southEast.GetLongitude();
    const auto micro = [](double degrees) { return std::int64_t(std::llround(degrees * 1e6)); };
    const auto mayOverlap = [&](const std::optional<geo::IntRect>& bounds) {
        return bounds && (!bounded || (bounds->right >= micro(northWest.GetLongitude()) &&
                                       bounds->left <= micro(southEast.GetLongitude()) &&
                                       bounds->bottom >= micro(southEast.GetLatitude()) &&
                                       bounds->top <= micro(northWest.GetLatitude())));
    };
    RetainFolioItems([&](const chart::CFolioItem& item) {
        const auto* c = dynamic_cast<const CFolioChart*>(&item);
        return c && (mayOverlap(c->outlineBounds) || mayOverlap(c->secondBounds)) &&
               FolioItemOverlaps(*c);
    });
    return !Folio().empty();
}

const CFolioChart* CHCRFDoc::FindFolioChart(const geo::CPosition& position, int mode)
{
    const CSubPanel* current = CurrentSubPanel();
    const long scale = current ? current->Scale() : 0;
    const CFolioChart* best = nullptr;
    for (const chart::CFolioItem* item : Folio()) {
        const auto* c = dynamic_cast<const CFolioChart*>(item);
        if (!c || c->notOffered || !c->ContainsPosition(position))
            continue;
        if (mode <= 1) {
            if (!best || c->scale < best->scale ||
                (c->scale == best->scale &&
                 platform::EqualNoCaseAscii(c->fileName, m_record.number)))
                best = c;
        } else if (mode == 2) {
            if (c->scale > scale && (!best || c->scale < best->scale))
                best = c;
        } else if (c->scale < scale && (!best || c->scale > best->scale)) {
            best = c;
        }
    }
    if (best && platform::EqualNoCaseAscii(best->fileName, m_record.number) && best->scale == scale)
        return nullptr;
    return best;
}

bool CHCRFDoc::HasLargerScaleChartAt(const geo::CPosition& position)
{
    return FindFolioChart(position, 3) != nullptr;
}

bool CHCRFDoc::HasSmallerScaleChartAt(const geo::CPosition& position)
{
    return FindFolioChart(position, 2) != nullptr;
}

bool CHCRFDoc::CanShowLargerScale()
{
    geo::CPosition centre;
    return IsChartLoaded() && GetCentrePosition(centre) && HasLargerScaleChartAt(centre);
}

bool CHCRFDoc::CanShowSmallerScale()
{
    geo::CPosition centre;
    return IsChartLoaded() && GetCentrePosition(centre) && HasSmallerScaleChartAt(centre);
}

bool CHCRFDoc::OpenNextScaleChart(const geo::CPosition& position, int mode)
{
    const CFolioChart* item = FindFolioChart(position, mode);
    if (item == nullptr)
        return false;
    // The smallest scale number at the position, taken before the opening
    // may end this document with its folio.
    long smallest = 0;
    bool any = false;
    for (const chart::CFolioItem* folioItem : Folio()) {
        const auto* c = dynamic_cast<const CFolioChart*>(folioItem);
        if (c && !c->notOffered && c->ContainsPosition(position) && (!any || c->scale < smallest)) {
            smallest = c->scale;
            any = true;
        }
    }
    CHCRFDoc* opened = OpenChartAtPosition(*item, position, false);
    if (opened == nullptr)
        return false;
    if (mode != 3)
        return true;
    // Going to a larger scale succeeds only once the largest scale there is shown.
    const CSubPanel* shown = opened->CurrentSubPanel();
    return shown && shown->Scale() <= smallest;
}

chart::CChartDoc* CHCRFDoc::AutoscrollToPosition(const geo::CPosition& position)
{
    chart::CChartingModule* charting = Module();
    if (!position.IsValid() || !charting)
        return nullptr;
    chart::CChartDoc* shows = this;
    chart::CChartDoc* opened = nullptr;
    if (!charting->IsAutoscrollOn()) {
        bool held = false;
        for (const chart::CFolioItem* item : Folio()) {
            const auto* c = dynamic_cast<const CFolioChart*>(item);
            if (c && c->ContainsPosition(position) &&
                platform::EqualNoCaseAscii(c->fileName, m_record.number))
                held = true;
        }
        if (!held) {
            // Off the chart the user kept: the best chart is chosen from
            // the next step on.
            charting->SetAutoscroll(true);
            return nullptr;
        }
    } else if (const CFolioChart* best = FindFolioChart(position, 0)) {
        const int state = GetChartFrame() ? GetChartFrame()->GetState() : chart::kFrameNormal;
        // Opening in this window's place closes this document later, through
        // the frame's messages: nothing of it is used after this call.
        if (CHCRFDoc* doc = OpenChartAtPosition(*best, position, false, state))
            shows = opened = doc;
    }
    if (shows->IsPositionOnChart(position) && !shows->IsInAutoscrollArea(position))
        shows->CentreOnPosition(position, true);
    return opened;
}

chart::CChartDoc* CHCRFDoc::OpenBestChartAt(const geo::CPosition& position)
{
    const CFolioChart* best = position.IsValid() ? FindFolioChart(position, 0) : nullptr;
    if (best == nullptr)
        return nullptr;
    const int state = GetChartFrame() ? GetChartFrame()->GetState() : chart::kFrameNormal;
    return OpenChartAtPosition(*best, position, false, state);
}

void CHCRFDoc::LargerScale()
{
    geo::CPosition centre;
    if (GetCentrePosition(centre))
        OpenNextScaleChart(centre, 3);
}

void CHCRFDoc::SmallerScale()
{
    geo::CPosition centre;
    if (GetCentrePosition(centre))
        OpenNextScaleChart(centre, 2);
}

bool CHCRFDoc::IsWorldChart() const
{
    const std::string& n = m_header.identifier.chartNumber;
    if (platform::EqualNoCaseAscii(n, "4000"))
        return true;
    return GetChartType() == chart::kChartSeafarer && platform::EqualNoCaseAscii(n, "AUS4060");
}

int CHCRFDoc::OpenWorldChart(int /*argument*/, bool /*flag*/)
{
    chart::CChartingModule* charting = Module();
    if (!m_service || !charting || !charting->Services().openChart)
        return 0;
    for (const char* number : {"4000", "AUS4060"}) {
        if (std::string(number) == "AUS4060" && GetChartType() != chart::kChartSeafarer)
            break;
        const std::string path = m_service->GetCataloguedChartPath(number);
        if (path.empty())
            continue;
        if (chart::CChartDoc* doc =
                charting->Services().openChart(path, true, chart::kFrameNormal)) {
            doc->ZoomOut();
            return 1;
        }
    }
    return 0;
}

// ---- Placement -------------------------------------------------------------------------

void CHCRFDoc::SaveWindowPlacement(app::CRegistry& registry)
{
    CChartDoc::SaveWindowPlacement(registry);
    registry.WriteString("ZoomResolution",
                         m_active == kHigh ? "High Resolution" : "Low Resolution");
    registry.WriteDouble("ZoomLevel", m_scale);
}

void CHCRFDoc::RestoreWindowPlacement(app::CRegistry& registry)
{
    CChartDoc::RestoreWindowPlacement(registry);
    std::string resolution;
    if (registry.ReadString("ZoomResolution", resolution) && resolution == "High Resolution")
        LoadRaster(kHigh);
    double level = 1.0;
    if (registry.ReadDouble("ZoomLevel", level)) {
        if (level > 1.0)
            SetZoom(1, nullptr);
        else if (level == 0.5)
            SetZoom(2, nullptr);
    }
    CentreOnPosition(GetReferencePosition(), false);
}

// ---- Verification -----------------------------------------------------------------------

bool CHCRFDoc::CanVerify()
{
    return m_high.IsLoaded() && !m_verificationOpen;
}

void CHCRFDoc::VerifyIntegrity()
{
    if (!CanVerify())
        return;
    m_verificationOpen = true;
    // The window is up (listening to the queue) before the worker posts.
    if (m_service && m_service->Shared().host.showVerification)
        m_service->Shared().host.showVerification(*this);
    m_verifier.Start(m_high, m_tileLock,
                     m_header.protection.IsEnciphered(true, CDataProtection::Part::Tiles));
}

void CHCRFDoc::EndVerification()
{
    m_verifier.Stop();
    m_verificationOpen = false;
    m_closeVerification = nullptr;
}

}   // namespace charts::hcrf
