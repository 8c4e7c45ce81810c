#include "chart/ChartingModule.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "platform/Ascii.h"

namespace chart {

namespace {

constexpr const char* kWorldChartNotFound = "World chart not found or not accessible";

}   // namespace

CChartingModule::CChartingModule(app::CSettingsHome& settings, CChartingServices services)
    : app::CModeModule(settings), m_services(std::move(services))
{
    SetModuleName("Chart");
    // The services are made in their order before they reach the module,
    // which takes them through their steps as the module list does modules.
    for (auto& service : m_services.chartServices) {
        service->SetCharting(this);
        app::ReportModuleStep(app::ModuleStep::Created, *service);
    }
}

CChartingModule::~CChartingModule() = default;

bool CChartingModule::Initialise()
{
    if (!app::CModeModule::Initialise())
        return false;
    SetChartsFolder(m_services.defaultChartsFolder);
    SetSourcePath(app::GetFirstCdRomRoot());
    for (auto& service : m_services.chartServices) {
        if (!service->Initialise())
            return false;
        app::ReportModuleStep(app::ModuleStep::Initialised, *service);
    }
    // The chart catalogues are open once the services are: each service
    // hears of it, and hears again before they close at the end.
    for (auto& service : m_services.chartServices)
        service->OnCataloguesOpened();
    if (app::CMsgBar* bar = m_services.frameMsgBar) {
        bar->AddMessage(m_hMsgLoadFailure, kUnableToLoadChart, 65000, 0, false);
        bar->SetMessageFlag(m_hMsgLoadFailure, true);
        bar->AddMessage(m_hMsgWorldChart, kWorldChartNotFound, 65000, 0, false);
        bar->SetMessageFlag(m_hMsgWorldChart, true);
    }
    return true;
}

void CChartingModule::RegisterCommands(app::CCommandTable& commands)
{
    namespace cmd = app::cmd;
    const void* me = this;
    // A zoom command clears the range-and-bearing lines, zooms, and redraws
    // the overlays when the chart changed. Errors stop the command quietly.
    auto zoom = [this](bool (CChartDoc::*step)()) {
        return [this, step](unsigned) {
            try {
                CChartDoc* doc = GetActiveChartDoc();
                if (!doc)
                    return;
                if (CChartWindow* frame = doc->GetChartFrame())
                    frame->ClearViewOverlays();
                if ((doc->*step)())
                    doc->InvalidateOverlays();
            } catch (...) { }
        };
    };
    auto enabledUnless = [this](bool (CChartDoc::*atLimit)()) {
        return [this, atLimit](app::CCmdUI& ui) {
            try {
                CChartDoc* doc = GetActiveChartDoc();
                ui.Enable(doc && doc->IsChartLoaded() && !(doc->*atLimit)());
            } catch (...) {
                ui.Enable(false);
            }
        };
    };
    auto hasChart = [this](app::CCmdUI& ui) { ui.Enable(GetActiveChartDoc() != nullptr); };
    commands.Add(me, cmd::kChartZoomIn, zoom(&CChartDoc::ZoomIn),
                 enabledUnless(&CChartDoc::IsAtMaxZoom));
    commands.Add(me, cmd::kChartZoomOut, zoom(&CChartDoc::ZoomOut),
                 enabledUnless(&CChartDoc::IsAtMinZoom));
    commands.Add(me, cmd::kChartFull, zoom(&CChartDoc::ZoomFull), hasChart);
    // "Current Cursor Position": a label on a toolbar showing where the
    // pointer is on the active chart; clicking it does nothing.
    commands.Add(
        me, cmd::kChartCursorPosition, [](unsigned) {},
        [this](app::CCmdUI& ui) { ui.SetText(GetCursorPositionText()); });
    // Larger and Smaller Scale, like the zooms, stop quietly on an error.
    auto scale = [this](void (CChartDoc::*step)()) {
        return [this, step](unsigned) {
            try {
                if (CChartDoc* doc = GetActiveChartDoc())
                    (doc->*step)();
            } catch (...) { }
        };
    };
    auto scaleAvailable = [this](bool (CChartDoc::*can)()) {
        return [this, can](app::CCmdUI& ui) {
            try {
                CChartDoc* doc = GetActiveChartDoc();
                ui.Enable(doc && (doc->*can)());
            } catch (...) {
                ui.Enable(false);
            }
        };
    };
    commands.Add(me, cmd::kChartLargerScale, scale(&CChartDoc::LargerScale),
                 scaleAvailable(&CChartDoc::CanShowLargerScale));
    commands.Add(me, cmd::kChartSmallerScale, scale(&CChartDoc::SmallerScale),
                 scaleAvailable(&CChartDoc::CanShowSmallerScale));
    commands.Add(
        me, cmd::kChartWorld,
        [this](unsigned) {
            CChartDoc* doc = GetActiveChartDoc();
            if (doc && doc->OpenWorldChart(1, true) != 0)
                return;
            if (app::CMsgBar* bar = m_services.frameMsgBar) {
                bar->SetMessageActive(m_hMsgWorldChart, 1, true);
                bar->SetMessageTimeout(m_hMsgWorldChart, std::chrono::seconds(20));
            }
        },
        hasChart);
    commands.Add(me, cmd::kChartUpdateBoxes, [this](unsigned) {
        m_settings.drawUpdateBoxes = !m_settings.drawUpdateBoxes;
        RedrawAllChartViews();
    });
    commands.Add(
        me, cmd::kChartVerify,
        [this](unsigned) {
            if (CChartDoc* doc = GetActiveChartDoc(); doc && doc->CanVerify())
                doc->VerifyIntegrity();
        },
        [this](app::CCmdUI& ui) {
            CChartDoc* doc = GetActiveChartDoc();
            ui.Enable(doc && doc->CanVerify());
        });
    for (auto& service : m_services.chartServices)
        service->RegisterCommands(commands);
}

bool CChartingModule::Terminate()
{
    try {
        ClearFolioItems();
        m_frames.clear();
        if (app::CMsgBar* bar = m_services.frameMsgBar) {
            bar->LockUpdate(false);
            bar->RemoveMessage(m_hMsgLoadFailure, false);
            bar->RemoveMessage(m_hMsgWorldChart, false);
            bar->LockUpdate(true);
        }
        for (auto& service : m_services.chartServices)
            service->OnCataloguesClosing();
        for (auto it = m_services.chartServices.rbegin(); it != m_services.chartServices.rend();
             ++it) {
            (*it)->Terminate();
            app::ReportModuleStep(app::ModuleStep::Terminated, **it);
        }
    } catch (...) { }
    return app::CModeModule::Terminate();
}

void CChartingModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, false)) {
        std::string folder = GetDataFolder();
        if (reg.ReadString("ChartsFolder", folder) &&
            !platform::EqualNoCaseAscii(folder, GetDataFolder()))
            SetChartsFolder(folder);
        std::string source = m_sourcePath;
        if (reg.ReadString("SourcePath", source) &&
            !platform::EqualNoCaseAscii(source, m_sourcePath))
            SetSourcePath(source);
        CChartSettings& s = m_settings;
        reg.ReadByte("LineWidth", s.lineWidth);
        reg.ReadByte("MaxCharts", s.maxCharts);
        reg.ReadBool("DrawFolioBoxes", s.drawFolioBoxes);
        reg.ReadBool("DrawLatLongGrid", s.drawLatLongGrid);
        reg.ReadBool("DrawUpdateBoxes", s.drawUpdateBoxes);
        std::uint32_t step = 0;
        if (reg.ReadDWord("SmallPanStep", step))
            s.smallPanStep = static_cast<std::int32_t>(std::min<std::uint32_t>(step, 1u << 20));
        if (reg.ReadDWord("LargePanStep", step))
            s.largePanStep = static_cast<std::int32_t>(std::min<std::uint32_t>(step, 1u << 20));
        reg.ReadPaletteColours("FocusBoxColour", s.focusBoxColour);
        reg.ReadByte("FocusBoxLineWidth", s.focusBoxLineWidth);
        reg.Close();
        // A focus box width out of range stays as loaded (it is written back
        // as it was) and is drawn within range (FocusBoxWidth).
        s.smallPanStep = std::max(s.smallPanStep, 1);
        s.largePanStep = std::max(s.largePanStep, 1);
        s.lineWidth = std::max<std::uint8_t>(s.lineWidth, 1);
    }
    for (auto& service : m_services.chartServices) {
        service->LoadSettings();
        app::ReportModuleStep(app::ModuleStep::SettingsLoaded, *service);
    }
}

void CChartingModule::SaveSettings()
{
    SaveChartSettings();
    SaveOpenCharts();
    for (auto& service : m_services.chartServices) {
        service->SaveSettings();
        app::ReportModuleStep(app::ModuleStep::SettingsSaved, *service);
    }
}

void CChartingModule::SaveChartSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true)) {
        const CChartSettings& s = m_settings;
        reg.WriteString("ChartsFolder", GetDataFolder());
        reg.WriteString("SourcePath", m_sourcePath);
        reg.WriteDWord("LineWidth", s.lineWidth);
        reg.WriteDWord("MaxCharts", s.maxCharts);
        reg.WriteBool("DrawFolioBoxes", s.drawFolioBoxes);
        reg.WriteBool("DrawLatLongGrid", s.drawLatLongGrid);
        reg.WriteBool("DrawUpdateBoxes", s.drawUpdateBoxes);
        reg.WriteDWord("SmallPanStep", static_cast<std::uint32_t>(s.smallPanStep));
        reg.WriteDWord("LargePanStep", static_cast<std::uint32_t>(s.largePanStep));
        reg.WritePaletteColours("FocusBoxColour", s.focusBoxColour);
        reg.WriteDWord("FocusBoxLineWidth", s.focusBoxLineWidth);
        reg.Close();
    }
    // Written as it was; from now on the width in use.
    m_settings.focusBoxLineWidth = static_cast<std::uint8_t>(m_settings.FocusBoxWidth());
}

CChartModule* CChartingModule::FindServiceFor(std::string_view extension) const
{
    for (const auto& service : m_services.chartServices) {
        if (service->OpensExtension(extension))
            return service.get();
    }
    return nullptr;
}

// ---- Chart frames -------------------------------------------------------------

void CChartingModule::AddChartFrame(CChartWindow* frame)
{
    if (!frame)
        return;
    std::erase(m_frames, frame);
    m_frames.insert(m_frames.begin(), frame);
}

void CChartingModule::RemoveChartFrame(CChartWindow* frame)
{
    std::erase(m_frames, frame);
}

void CChartingModule::BringChartFrameToFront(CChartWindow* frame)
{
    const auto it = std::find(m_frames.begin(), m_frames.end(), frame);
    if (it != m_frames.end())
        std::rotate(m_frames.begin(), it, it + 1);
}

CChartWindow* CChartingModule::GetFirstChartFrame() const
{
    return m_frames.empty() ? nullptr : m_frames.front();
}

CChartWindow* CChartingModule::GetChartFrameByIndex(std::size_t oneBased) const
{
    return oneBased == 0 || oneBased > m_frames.size() ? nullptr : m_frames[oneBased - 1];
}

int CChartingModule::CountChartFramesInState(int state) const
{
    return static_cast<int>(
        std::count_if(m_frames.begin(), m_frames.end(),
                      [state](CChartWindow* f) { return f->GetState() == state; }));
}

CChartDoc* CChartingModule::FindChartDocInState(int state) const
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() == state)
            return f->GetChartDoc();
    }
    return nullptr;
}

int CChartingModule::CountChartDocs(const std::function<bool(const CChartDoc&)>& ofKind) const
{
    int n = 0;
    for (CChartWindow* f : m_frames) {
        if (CChartDoc* doc = f->GetChartDoc(); doc && ofKind(*doc))
            ++n;
    }
    return n;
}

void CChartingModule::CloseDocsOfClass(const std::function<bool(const CChartDoc&)>& ofKind)
{
    for (;;) {
        const auto it = std::find_if(m_frames.begin(), m_frames.end(), [&](CChartWindow* f) {
            CChartDoc* doc = f->GetChartDoc();
            return doc && ofKind(*doc);
        });
        if (it == m_frames.end())
            return;
        CChartWindow* frame = *it;
        CChartDoc* doc = frame->GetChartDoc();
        try {
            if (m_services.closeDocument)
                m_services.closeDocument(doc);
            else
                doc->OnCloseDocument();
        } catch (...) { }
        RemoveChartFrame(frame);
    }
}

void CChartingModule::CloseAllChartDocs()
{
    CloseDocsOfClass([](const CChartDoc&) { return true; });
}

// ---- Redraws --------------------------------------------------------------------

void CChartingModule::InvalidateAllChartViews()
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() != kFramePrintPreview)
            f->InvalidateView();
    }
}

void CChartingModule::UpdateAllChartDocs(const app::CUpdateHint& hint,
                                         const CHintOverlays& overlays)
{
    const HintRedraw redraw = RedrawForHint(hint, overlays);
    if (redraw == HintRedraw::None)
        return;
    for (CChartWindow* f : m_frames) {
        if (f->GetState() == kFramePrintPreview || f->GetChartDoc() == nullptr)
            continue;
        if (redraw == HintRedraw::Overlays)
            f->InvalidateOverlays();
        else
            f->InvalidateView();
    }
}

void CChartingModule::RefreshAllChartViews()
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() != kFramePrintPreview)
            f->InvalidateOverlays();
    }
}

void CChartingModule::RedrawAllChartViews()
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() != kFramePrintPreview)
            f->InvalidateChart();
    }
}

void CChartingModule::UpdateWindowAllChartViews()
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() != kFramePrintPreview)
            f->UpdateView();
    }
}

void CChartingModule::ApplyDisplayPaletteToCharts()
{
    for (CChartWindow* f : m_frames) {
        if (f->GetState() != kFramePrintPreview)
            f->SelectDisplayPalette();
    }
}

void CChartingModule::LockAllFrameMessageBars(bool unlock)
{
    for (CChartWindow* f : m_frames) {
        if (app::CMsgBar* bar = f->GetMsgBar())
            bar->LockUpdate(unlock);
    }
}

CChartDoc* CChartingModule::GetActiveChartDoc() const
{
    if (m_services.activeDocument)
        return m_services.activeDocument();
    CChartWindow* first = GetFirstChartFrame();
    return first ? first->GetChartDoc() : nullptr;
}

// ---- Open charts of the workspace ---------------------------------------------------

void CChartingModule::SaveOpenCharts()
{
    platform::CSettingsStore& store = Settings().GetStore();
    const std::string key = GetSettingsKey("LastOpened");
    // The deletion and the new list reach the file in one write: no save
    // (the background saver's included) starts in between.
    const auto hold = store.HoldSaves();
    store.DeleteTree(key);
    app::CRegistry reg(store);
    if (!reg.OpenKeyForWrite(key))
        return;
    std::uint8_t n = 0;
    for (CChartWindow* f : m_frames) {
        CChartDoc* doc = f->GetChartDoc();
        if (f->GetState() != kFrameNormal || !doc || n == 255)
            continue;
        ++n;
        const std::string name = "Chart" + std::to_string(n);
        reg.WriteString(name, doc->GetPathName());
        app::CRegistry sub(store);
        if (sub.OpenKeyForWrite(key + "\\" + name))
            doc->SaveWindowPlacement(sub);
    }
    reg.WriteDWord("ChartsOpen", n);
    reg.Close();
}

void CChartingModule::RestoreOpenCharts()
{
    platform::CSettingsStore& store = Settings().GetStore();
    const std::string key = GetSettingsKey("LastOpened");
    app::CRegistry reg(store);
    if (!reg.OpenKeyForRead(key))
        return;
    std::uint8_t count = 0;
    reg.ReadByte("ChartsOpen", count);
    count = std::min(count, m_settings.maxCharts);
    for (int i = count; i >= 1; --i) {
        if (m_services.availableMemory && m_services.availableMemory() <= EstimateChartBufferSize())
            break;
        const std::string name = "Chart" + std::to_string(i);
        std::string path;
        if (!reg.ReadString(name, path) || !m_services.openChart)
            continue;
        CChartDoc* doc = m_services.openChart(path, false, kFrameNormal);
        if (!doc)
            continue;
        app::CRegistry sub(store);
        if (sub.OpenKeyForRead(key + "\\" + name))
            doc->RestoreWindowPlacement(sub);
    }
    reg.Close();
}

std::uint64_t CChartingModule::EstimateChartBufferSize() const
{
    std::array<int, 3> facts{-1, -1, 0};   // no screen
    if (m_services.screenFacts)
        facts = m_services.screenFacts();
    if (facts[0] <= 0 || facts[1] <= 0 || facts[2] <= 0)
        return 0;
    const auto bytesPerPixel = static_cast<std::uint64_t>(facts[2] * 0.125);
    const std::uint64_t size = static_cast<std::uint64_t>(facts[0]) *
                               static_cast<std::uint64_t>(facts[1]) * bytesPerPixel * 6u;
    return static_cast<std::uint64_t>(static_cast<double>(size) * 1.2);
}

// ---- Folio ----------------------------------------------------------------------------

bool CChartingModule::GetFolioItems(std::vector<const CFolioItem*>& items) const
{
    for (const auto& item : m_folio) {
        if (!item->notOffered)
            items.push_back(item.get());
    }
    return !items.empty();
}

void CChartingModule::BuildChartFolio()
{
    // The progress counts the chart catalogue's records; the raster services
    // share that one catalogue, each passing over its own office's records.
    long records = 0;
    for (auto& service : m_services.chartServices)
        records = std::max(records, service->CatalogueRecordCount());
    app::CWaitProgress progress(
        "Building chart folio",
        static_cast<int>(std::min<long>(records, std::numeric_limits<int>::max())));
    ClearFolioItems();
    long used = 0;
    const std::function<void()> recordRead = [&progress] { progress.Step(); };
    // The services with a folio of their own (the vector charts' folio file)
    // open it first; then each catalogue service builds in turn while records
    // remain for it.
    for (const bool catalogues : {false, true}) {
        for (auto& service : m_services.chartServices) {
            const bool fromCatalogue = service->CatalogueRecordCount() > 0;
            if (fromCatalogue != catalogues || (fromCatalogue && used >= records))
                continue;
            const int n = service->BuildFolio(m_folio, recordRead);
            if (fromCatalogue)
                used += n;
        }
    }
    for (CChartWindow* f : m_frames) {
        if (CChartDoc* doc = f->GetChartDoc())
            doc->RebuildFolio();
    }
    RefreshAllChartViews();
}

void CChartingModule::ClearFolioItems()
{
    if (m_services.folioClearing)
        m_services.folioClearing();
    // Documents point into the folio: they forget it first.
    for (CChartWindow* f : m_frames) {
        if (CChartDoc* doc = f->GetChartDoc())
            doc->ClearFolio();
    }
    for (auto it = m_services.chartServices.rbegin(); it != m_services.chartServices.rend(); ++it)
        (*it)->RemoveFolioItems(m_folio);
}

// ---- Folders, autoscroll, texts ---------------------------------------------------------

void CChartingModule::SetChartsFolder(const std::string& folder)
{
    const std::filesystem::path used =
        app::EnsureFolder(app::ToNativePath(folder), app::ToNativePath(GetDataFolder()));
    if (!used.empty())
        SetDataFolder(used.string());
    for (auto& service : m_services.chartServices)
        service->SetChartsFolder(GetDataFolder());
}

void CChartingModule::SetSourcePath(const std::string& path)
{
    if (path.empty()) {
        m_sourcePath = GetDataFolder();
        return;
    }
    const std::filesystem::path used =
        app::EnsureFolder(app::ToNativePath(path), app::ToNativePath(GetDataFolder()));
    m_sourcePath = used.empty() ? GetDataFolder() : used.string();
}

void CChartingModule::SetAutoscroll(bool on)
{
    m_autoscroll = on;
}

geo::CPositionFormat CChartingModule::PositionFormat() const
{
    return m_services.positionFormat ? m_services.positionFormat() : geo::CPositionFormat{};
}

std::optional<geo::CPosition> CChartingModule::GetCursorPosition() const
{
    try {
        CChartDoc* doc = GetActiveChartDoc();
        CChartWindow* frame = doc ? doc->GetChartFrame() : nullptr;
        if (!frame)
            return std::nullopt;
        const std::optional<geo::IntPoint> cursor = frame->GetCursorClientPoint();
        if (!cursor || !doc->IsClientPointOnChart(*cursor))
            return std::nullopt;
        geo::IntPoint chartPoint;
        doc->ClientToChartPoint(*cursor, chartPoint);
        geo::CPosition position;
        if (!doc->PointToPosition(chartPoint, position))
            return std::nullopt;
        return position;
    } catch (...) {
        return std::nullopt;
    }
}

std::string CChartingModule::GetCursorPositionText() const
{
    const std::optional<geo::CPosition> position = GetCursorPosition();
    if (!position)
        return {};
    const geo::CPositionFormat format = PositionFormat();
    return position->FormatLatitude(format) + " " + position->FormatLongitude(format);
}

void CChartingModule::ShowLoadFailure()
{
    if (app::CMsgBar* bar = m_services.frameMsgBar) {
        bar->SetMessageActive(m_hMsgLoadFailure, 1, true);
        bar->SetMessageTimeout(m_hMsgLoadFailure, std::chrono::seconds(10));
    }
}

}   // namespace chart
