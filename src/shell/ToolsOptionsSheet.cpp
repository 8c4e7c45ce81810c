// The main frame's Tools Options sheet: its own Workspace and System pages,
// then the pages the modules add, and what the frame does when each applies.

#include <QPointer>

#include "app/DisplayPaletteModule.h"
#include "app/FrameSettings.h"
#include "app/ui/PropertySheet.h"
#include "app/ui/SidePanel.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartingModule.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/PortList.h"
#include "platform/SettingsStore.h"
#include "shell/MainFrame.h"
#include "shell/ToolsOptionsPages.h"

#include <QTabWidget>

namespace shell {

namespace {

// Where the serial ports' device paths are kept, beside the program's other keys.
constexpr const char* kPortsKey = "Software\\Quorwick\\Brinevane\\Ports";

app::CDisplayPaletteModule* FindPaletteModule(const app::CModuleList& modules)
{
    app::CDisplayPaletteModule* found = nullptr;
    modules.ForEach([&found](app::CModule& m) {
        if (!found)
            found = dynamic_cast<app::CDisplayPaletteModule*>(&m);
    });
    return found;
}

}   // namespace

app::CWorkspaceOptions CMainFrame::CurrentWorkspaceOptions() const
{
    app::CWorkspaceOptions v;
    if (auto* palettes = FindPaletteModule(m_modules)) {
        v.palette = palettes->Palettes().GetActive();
        v.applyToDesktop = palettes->Palettes().GetApplyToDesktop();
        v.palettes = palettes->Palettes();
    }
    v.decimalPlaces = m_decimalPlaces;
    v.degMinSec = m_degMinSec;
    v.showSidePanel = m_activeSidePanel && !m_activeSidePanel->isHidden();
    v.sidePanelRight = !m_activeSidePanel || m_activeSidePanel->IsRightAligned();
    v.showStatusBar = m_statusBar && !m_statusBar->isHidden();
    v.reloadDocs = m_reloadDocs;
    v.reloadWorkspace = m_reloadWorkspace;
    v.autoSaveWorkspace = m_autoSaveWorkspace;
    v.confirmExit = m_confirmClosedown;
    return v;
}

app::CSystemOptions CMainFrame::CurrentSystemOptions() const
{
    app::CSystemOptions v;
    v.audioAlerts = m_audioAlerts;
    v.autoConfigurePorts = m_autoConfigurePorts;
    v.priorityBoost = m_threadPriority;
    if (m_services.settings) {
        const nmea::PortPaths paths = nmea::LoadPortPaths(*m_services.settings, kPortsKey, {});
        std::copy(paths.begin(), paths.end(), v.portPaths.begin());
    }
    return v;
}

void CMainFrame::ApplyWorkspaceOptions(const app::CWorkspaceOptions& v)
{
    if (auto* palettes = FindPaletteModule(m_modules)) {
        app::CDisplayPalettes& program = palettes->Palettes();
        program.SetApplyToDesktop(v.applyToDesktop);
        // The edited colours of Dusk and Night; Day stays the program's own.
        bool recoloured = false;
        for (int p : {app::CDisplayPalettes::kDusk, app::CDisplayPalettes::kNight})
            for (int e = 0; e < app::CDisplayPalettes::kElementCount; ++e)
                if (program.GetColour(p, e) != v.palettes.GetColour(p, e)) {
                    program.SetColour(p, e, v.palettes.GetColour(p, e));
                    recoloured = true;
                }
        if (program.GetActive() != v.palette || recoloured)
            palettes->SelectPalette(v.palette);
    }
    const std::uint8_t places = app::ClampDecimalPlaces(v.decimalPlaces);
    const bool reformat = places != m_decimalPlaces || v.degMinSec != m_degMinSec;
    m_decimalPlaces = places;
    m_degMinSec = v.degMinSec;
    if (reformat)
        GivePositionTemplate();
    if (m_activeSidePanel) {
        m_activeSidePanel->SetAlignment(v.sidePanelRight);
        m_activeSidePanel->setVisible(v.showSidePanel);
    }
    if (m_statusBar)
        m_statusBar->setVisible(v.showStatusBar);
    m_reloadDocs = v.reloadDocs;
    m_reloadWorkspace = v.reloadWorkspace;
    m_autoSaveWorkspace = v.autoSaveWorkspace;
    m_confirmClosedown = v.confirmExit;
    // The values are the frame's until the workspace is saved (by the
    // user, or at close when the workspace saves itself).
    if (m_charting)
        m_charting->RedrawAllChartViews();
    UpdateModuleCmdUI(false);
}

void CMainFrame::ApplySystemOptions(const app::CSystemOptions& v)
{
    m_audioAlerts = v.audioAlerts;
    m_autoConfigurePorts = v.autoConfigurePorts;
    const auto priority = static_cast<std::uint8_t>(std::clamp(v.priorityBoost, 0, 2));
    if (priority != m_threadPriority)
        ShowFrameNotice(app::ApplyThreadPriority(priority));
    m_threadPriority = priority;
    if (m_services.settings) {
        nmea::PortPaths paths;
        std::copy(v.portPaths.begin(), v.portPaths.end(), paths.begin());
        // Only a change is written: an untouched page leaves the stored paths alone.
        // A change is used at once: each port goes on over its new device.
        if (nmea::LoadPortPaths(*m_services.settings, kPortsKey, {}) != paths) {
            nmea::SavePortPaths(*m_services.settings, kPortsKey, paths);
            m_modules.ForEach([&paths](app::CModule& m) {
                if (auto* instruments = dynamic_cast<nmea::CInstrumentsModule*>(&m))
                    instruments->SetPortPaths(paths);
            });
        }
    }
}

namespace {

// Shows the tab titled `title` (an empty title leaves the sheet as it is).
void ShowPage(QTabWidget* tabs, const std::string& title)
{
    if (title.empty() || !tabs)
        return;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i).remove('&').toStdString() == title) {
            tabs->setCurrentIndex(i);
            return;
        }
}

}   // namespace

void CMainFrame::OpenOptionsAt(const std::string& pageTitle)
{
    OpenToolsOptions(pageTitle);
}

void CMainFrame::OpenToolsOptions(const std::string& pageTitle)
{
    for (QWidget* sheet : ModelessSheets()) {
        if (sheet->objectName() == "toolsOptions") {
            if (auto* open = qobject_cast<app::CModelessPropertySheet*>(sheet))
                ShowPage(open->Tabs(), pageTitle);
            sheet->raise();
            sheet->activateWindow();
            return;
        }
    }
    auto* sheet = new app::CModelessPropertySheet(tr("Tools Options"), this);
    sheet->setObjectName("toolsOptions");
    sheet->AddPage(new CApplicationOptionsDlg(std::make_unique<app::CWorkspaceOptionsModel>(
        CurrentWorkspaceOptions(),
        [this](const app::CWorkspaceOptions& v) { ApplyWorkspaceOptions(v); })));
    // Audio alerts are offered only on a machine with a sound output to play them.
    const bool hasAudio = m_services.sound != nullptr && Desktop().HasWaveDevice();
    // A port is the frame's while it has a device path; asked anew after each
    // Apply, as the paths applied are the ones used from then on.
    const auto hasPorts = [this] {
        const app::CSystemOptions now = CurrentSystemOptions();
        return std::any_of(now.portPaths.begin(), now.portPaths.end(),
                           [](const std::string& p) { return !p.empty(); });
    };
    sheet->AddPage(new CSystemOptionsDlg(std::make_unique<app::CSystemOptionsModel>(
        CurrentSystemOptions(), hasAudio, hasPorts,
        [this](const app::CSystemOptions& v) { ApplySystemOptions(v); })));
    for (auto& page : OptionPages()) {
        if (app::CXPropertyPage* p = page.create(sheet))
            sheet->AddPage(p);
    }
    ShowPage(sheet->Tabs(), pageTitle);
    sheet->SetFrameQueue(&m_posted);
    sheet->ShowModeless();
}

}   // namespace shell
