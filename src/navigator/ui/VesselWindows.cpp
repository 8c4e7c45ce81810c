#include "navigator/ui/VesselWindows.h"

#include <QMainWindow>
#include <QObject>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/PropertySheet.h"
#include "navigator/ui/VesselOptionsPages.h"

namespace navigator {

CVesselWindows::CVesselWindows(app::CSettingsHome& home, std::filesystem::path defaultFolder,
                               platform::CPrompt& prompt)
    : CVesselModule(home, std::move(defaultFolder)), m_prompt(prompt)
{ }

CVesselWindows::~CVesselWindows()
{
    CloseWorkspaceWindows();
}

bool CVesselWindows::CreateSidePanels(app::CModuleHost& host,
                                      std::vector<app::CSidePanel*>& /*panels*/)
{
    m_window = &host.Window();
    return true;
}

void CVesselWindows::RegisterCommands(app::CCommandTable& commands)
{
    commands.Add(
        this, app::cmd::kVesselOptions, [this](unsigned) { OpenOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(!IsOptionsOpen()); });
}

void CVesselWindows::LoadSettings()
{
    CVesselModule::LoadSettings();
    ReportFile();
}

void CVesselWindows::CloseWorkspaceWindows()
{
    if (m_sheet)
        m_sheet->close();
}

void CVesselWindows::ReportFile()
{
    if (!LastFileMessage().empty())
        m_prompt.Ask(LastFileMessage(), "Brinevane", platform::PromptIcon::Stop,
                     platform::PromptButtons::Ok);
}

void CVesselWindows::OpenOptions()
{
    if (m_sheet) {
        m_sheet->raise();
        m_sheet->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QObject::tr("Vessel Options"), m_window);
    sheet->setObjectName("vesselOptions");
    sheet->AddPage(new CVesselGeneralPage(
        std::make_unique<CVesselGeneralModel>(Vessel(), GetDataFolder(),
                                              [this](const COwnVessel& v, const std::string& f) {
                                                  if (!ApplyParticulars(v, f))
                                                      ReportFile();
                                              }),
        sheet));
    sheet->AddPage(
        new CDeviationPage(std::make_unique<CDeviationModel>(Vessel().deviation,
                                                             [this](const auto& card) {
                                                                 if (!ApplyDeviation(card))
                                                                     ReportFile();
                                                             }),
                           sheet));
    sheet->AddPage(new CVesselOverlayPage(
        std::make_unique<CVesselOverlayModel>(
            Style(), WarningCircles(), WarningCirclesRadius(),
            [this](const chart::COwnVesselStyle& style, bool circles, double radius) {
                ApplyOverlays(style, circles, radius);
            }),
        sheet));
    m_sheet = sheet;
    sheet->ShowModeless();
}

}   // namespace navigator
