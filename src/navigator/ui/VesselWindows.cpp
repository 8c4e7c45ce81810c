#include "navigator/ui/VesselWindows.h"

#include <QMainWindow>
#include <QObject>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/PropertySheet.h"
#include "chart/overlays/OverlayVessel.h"
#include "navigator/ui/VesselOptionsPages.h"
#include "navigator/ui/VesselPropDlg.h"

namespace navigator {

CVesselWindows::CVesselWindows(app::CSettingsHome& home, std::filesystem::path defaultFolder,
                               platform::CPrompt& prompt)
    : CVesselModule(home, std::move(defaultFolder)), m_prompt(prompt)
{
    chart::CChartView::AddExtension(this);
}

CVesselWindows::~CVesselWindows()
{
    chart::CChartView::RemoveExtension(this);
    CloseWorkspaceWindows();
}

chart::CChartViewExtension::PropertiesCall CVesselWindows::PropertiesAt(chart::CChartView& view,
                                                                        geo::IntPoint p)
{
    if (!HitsOwnVessel(view.Doc(), p))
        return {};
    return [this] { ShowProperties(); };
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
    if (m_propSheet)
        m_propSheet->close();
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
                                                  RefreshProperties();
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

bool CVesselWindows::HitsOwnVessel(chart::CChartDoc& doc, geo::IntPoint p) const
{
    const std::optional<geo::CPosition> where = ownPosition ? ownPosition() : std::nullopt;
    if (!where || !where->IsValid() || !Style().vessel.GetDraw())
        return false;
    // The symbol as the view draws it: at the vessel's position, at the module's size.
    chart::COverlayOwnVessel symbol;
    symbol.SetOwner(&doc);
    symbol.SetPosition(*where);
    symbol.SetSizeMode(Style().vessel.GetSizeMode());
    return symbol.HitTest(p);
}

void CVesselWindows::ShowProperties()
{
    if (!m_propSheet) {
        auto* sheet = new app::CModelessPropertySheet(QObject::tr("Vessel Properties"), m_window);
        sheet->setObjectName("vesselProperties");
        sheet->AddPage(new CVesselPropDlg(sheet));
        m_propSheet = sheet;
        sheet->ShowModeless();
    }
    RefreshProperties();
    m_propSheet->raise();
    m_propSheet->activateWindow();
}

void CVesselWindows::RefreshProperties()
{
    if (m_propSheet && m_propSheet->PageCount() > 0)
        if (auto* page = qobject_cast<CVesselPropDlg*>(m_propSheet->Page(0)))
            page->SetVessel(Vessel());
}

}   // namespace navigator
