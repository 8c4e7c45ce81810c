#include "navigator/ui/NavigatorWindows.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QVBoxLayout>

#include <cstdlib>
#include <fstream>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/MsgBar.h"
#include "app/ui/ListControls.h"
#include "app/ui/PropertySheet.h"
#include "chart/ChartDoc.h"
#include "chart/ui/MarkDrag.h"
#include "navigator/AutopilotLink.h"
#include "navigator/Instruments.h"
#include "navigator/NavIndicators.h"
#include "navigator/ui/AutoscrollRestrictionDlg.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/PortDumpWindows.h"
#include "navigator/ui/PositionMarkerSheet.h"
#include "navigator/ui/PositionSourceDlg.h"
#include "nmea/GPSModule.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/PortList.h"
#include "nmea/ui/InstrumentOptionsPages.h"

namespace navigator {

CNavigatorWindows::CNavigatorWindows(app::CSettingsHome& settings, const platform::CClock& clock)
    : navigator::CNavigatorModule(settings, clock), m_clock(clock)
{
    SetGpsConfigurationAsker([this] { ShowGpsConfigurationQuestion(); });
    // Scripted checks: a file the panel's texts are written to on every refresh.
    if (const char* path = std::getenv("BRINE_NAV_STATE_FILE"))
        m_stateFile = path;
}

CNavigatorWindows::~CNavigatorWindows()
{
    m_autopilotLink.reset();
    // The replay thread, the cycle and the port windows must not outlive the ports they use.
    m_dumpWindows.reset();
    Simulation().Stop();
    SetReplayTarget(nullptr);
    SetGpsReceiver(nullptr);
    m_instruments.reset();
}

void CNavigatorWindows::SetInstrumentsModule(nmea::CInstrumentsModule* module)
{
    m_autopilotLink.reset();
    m_instrumentsModule = module;
    if (m_instrumentsModule)
        m_autopilotLink = std::make_unique<CAutopilotLink>(*this, m_instrumentsModule->Autopilot());
}

// The ports and the GPS module need the frame's message bar, so they are
// made with the panels. The GPS receive side opens at once when it has a port.
void CNavigatorWindows::CreateInstruments(app::CMsgBar& bar)
{
    m_instruments =
        std::make_unique<navigator::CInstruments>(Settings(), m_clock, &bar, m_portList, [this] {
            return positionFormat ? static_cast<int>(positionFormat().decimalPlaces) : 2;
        });
    SetGpsReceiver(&m_instruments->Receiver());
    SetReplayTarget(&m_instruments->ReplayTarget());
    SetDrDelay(m_instruments->DrDelay());
    SetLoggingPeriod(m_instruments->LoggingPeriod());
    SetReceiveToggle([this](bool open) { return m_instruments->SwitchGpsReceive(open); });
    m_instruments->Gps().SetHoldHandler([this](bool on) { on ? RaiseHold() : LowerHold(); });
    // NMEA input switched off: the chart views drop what they drew from it.
    m_instruments->Gps().SetInputStoppedHandler([this] {
        if (redrawCharts)
            redrawCharts();
    });
    if (m_instrumentsModule)
        m_instruments->Gps().Parser().SetIgnoreWarningFlags(
            &m_instrumentsModule->IgnoreWarningFlags());
    m_instruments->OpenGpsReceive();
}

void CNavigatorWindows::RegisterCommands(app::CCommandTable& commands)
{
    commands.Add(this, app::cmd::kNavPositionSource, [this](unsigned) { OnPositionSource(); });
    m_dumpWindows = std::make_unique<CPortDumpWindows>(
        [this]() -> nmea::CPortDirectory* {
            return m_instruments ? m_instruments->Ports() : m_portList;
        },
        [this]() -> QMdiArea* {
            auto* frame = qobject_cast<QMainWindow*>(m_window);
            return frame ? qobject_cast<QMdiArea*>(frame->centralWidget()) : nullptr;
        });
    m_dumpWindows->RegisterCommands(commands, this);
    // The option sheets need the instrument pages; they show disabled until those exist,
    // and while the sheet (any of its pages) is still there.
    commands.Add(
        this, app::cmd::kNavOptions, [this](unsigned) { OpenNavigatorOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(m_instruments != nullptr && !m_optionsSheet); });
    RegisterLogCommands(commands);
    commands.Add(
        this, app::cmd::kViewMonitorPanel,
        [this](unsigned) {
            if (m_host && m_panel)
                m_host->ActivateSidePanel(m_panel);
        },
        [this](app::CCmdUI& ui) {
            ui.SetCheck(m_host && m_host->IsActiveSidePanel(m_panel) ? 1 : 0);
        });
    commands.Add(
        this, app::cmd::kNavGoToVessel, [this](unsigned) { GoToVessel(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(CanGoToVessel());
            ui.SetWhyDisabled(WhyNoPosition());
        });
    commands.Add(
        this, app::cmd::kNavAutoscroll,
        [this](unsigned) { SetAutoscrollWindow(!HasAutoscrollWindow()); },
        [this](app::CCmdUI& ui) {
            ui.Enable(IsPositionAvailable());
            ui.SetCheck(HasAutoscrollWindow() ? 1 : 0);
            ui.SetWhyDisabled(WhyNoPosition());
        });
    commands.Add(
        this, app::cmd::kNavBestChart,
        [this](unsigned) { SetBestChartSelection(!IsBestChartOn()); },
        [this](app::CCmdUI& ui) {
            ui.Enable(IsPositionAvailable() && BestChartOnQuery());
            ui.SetCheck(IsBestChartOn() ? 1 : 0);
        });
    commands.Add(
        this, app::cmd::kNavAutoscrollRestrictions,
        [this](unsigned) { OnAutoscrollRestrictions(); },
        [this](app::CCmdUI& ui) { ui.Enable(!AutoscrollRestrictions().Empty()); });
    // The vessel indicators of the status bar: update only, each its text.
    for (const navigator::CNavIndicator& indicator : navigator::NavIndicators())
        commands.Add(this, indicator.id, app::CCommandTable::Handler{},
                     [this](app::CCmdUI& ui) { ui.SetText(IndicatorText(ui.GetID())); });
}

void CNavigatorWindows::OnAutoscrollRestrictions()
{
    CAutoscrollRestrictionDlg dlg(AutoscrollRestrictions().Charts(), m_window);
    if (dlg.exec() == QDialog::Accepted)
        AutoscrollRestrictions().Replace(dlg.Kept());
}

void CNavigatorWindows::OnPositionSource()
{
    // Until a position has been available the dialog offers the active
    // chart's centre, the place the user is looking at.
    std::optional<geo::CPosition> centre;
    if (!IsPositionAvailable() && activeChartCentre)
        centre = activeChartCentre();
    SetVesselPosition(centre.value_or(Snapshot()->position), false);
}

void CNavigatorWindows::SetVesselPosition(const geo::CPosition& position, bool fromChart)
{
    CPositionSourceDlg::CStart start;
    start.gpsReceiving = IsGpsReceiving();
    start.gpsAvailable = IsGpsAvailable();
    start.drRunning = Source().IsDrOn();
    start.positionAvailable = IsPositionAvailable();
    start.fromChart = fromChart;
    const navigator::CNavFix& fix = Source().Fix();
    start.values.course = fix.course;
    start.values.speed = fix.speed;
    start.values.set = fix.set;
    start.values.drift = fix.drift;
    // The position is shown as the active chart reads it and typed on the
    // same datum; it goes back into the vessel's datum at OK.
    start.values.position = position;
    if (activeChartDatumShift && position.IsValid())
        if (const std::optional<geo::CPosition> onChart = activeChartDatumShift(position, true))
            start.values.position = *onChart;
    if (positionTemplate)
        start.positionTemplate = positionTemplate();
    CPositionSourceDlg dlg(start, m_window);
    if (dlg.exec() != QDialog::Accepted)
        return;
    CPositionSourceChoice choice = dlg.Choice();
    if (choice.position && activeChartDatumShift)
        if (const std::optional<geo::CPosition> back =
                activeChartDatumShift(*choice.position, false))
            choice.position = *back;
    ApplyPositionSource(choice);
}

bool CNavigatorWindows::CanPositionVessel()
{
    return !HasReceivedNmeaPosition() || Source().IsDrOn();
}

// "Position Vessel": the vessel goes where the chart was clicked, dead
// reckoning on from there, once the user has confirmed the move. It goes
// below the other modules' entries, above the chart's own (variation,
// properties), so their places in the menu stay as they were.
const QWidget* CNavigatorWindows::SidePanel() const
{
    return m_panel.data();
}

void CNavigatorWindows::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                                       chart::MenuSection section, bool onChart)
{
    if (section != chart::MenuSection::SidePanel)
        return;
    auto* action = menu.addAction(QStringLiteral("Position Vessel"));
    action->setObjectName(QStringLiteral("positionVessel"));
    chart::CChartDoc* doc = &view.Doc();
    geo::CPosition clicked;
    const bool placed = onChart && chart::PositionAtClient(*doc, p, clicked);
    action->setEnabled(placed && CanPositionVessel());
    QObject::connect(action, &QAction::triggered, &menu, [this, clicked] {
        app::CQtPrompt prompt(m_window);
        if (prompt.Ask("Are you sure you want to move the vessel position?", "",
                       platform::PromptIcon::Question,
                       platform::PromptButtons::YesNo) != platform::PromptAnswer::Yes)
            return;
        SetVesselPosition(clicked, true);
    });
    menu.addSeparator();
}

bool CNavigatorWindows::Terminate()
{
    m_autopilotLink.reset();   // the autopilot stops steering before the navigator goes
    chart::CChartView::RemoveExtension(this);
    m_trackLayers.clear();
    if (m_instrumentsModule)
        m_instrumentsModule->SetStationMessageHandlerFor(this, {});
    if (m_logbookFrame)
        m_logbookFrame->close();
    Simulation().Stop();
    if (m_instruments) {
        m_instruments->Terminate();
    }
    return navigator::CNavigatorModule::Terminate();
}

void CNavigatorWindows::SaveSettings()
{
    navigator::CNavigatorModule::SaveSettings();
    if (m_instruments)
        m_instruments->SaveSettings();
}

CMonitorPanel* CNavigatorWindows::Panel() const
{
    return m_panel.data();
}

void CNavigatorWindows::RefreshRouteTexts()
{
    Monitor().FillRouteTexts();
    if (m_panel)
        m_panel->RefreshFromModel();
}

bool CNavigatorWindows::CreateSidePanels(app::CModuleHost& host,
                                         std::vector<app::CSidePanel*>& panels)
{
    SetMessageBar(&host.Messages());
    m_window = &host.Window();
    m_host = &host;
    CreateLogServices();
    CreateInstruments(host.Messages());
    auto* panel = new CMonitorPanel(*this, &host.Window());
    if (!panel->Create(CMonitorPanel::kBarId, &host.Window()))
        return false;
    m_panel = panel;
    panels.push_back(panel);
    ApplyScriptedStart(true);
    if (!m_stateFile.empty())
        SetPanelListener([this](unsigned id) {
            if (m_panel)
                m_panel->RefreshFromModel();
            if (id == navigator::kMsgNavRefresh || id == navigator::kMsgReplayFinished || id == 0)
                WriteStateFile();
        });
    return true;
}

// Start-up variables of scripted checks: BRINE_NMEA_REPLAY (a file to replay
// at once), BRINE_NMEA_REPLAY_SPEED (1 to 10) and BRINE_DR_DELAY_S (the GPS
// module's "DRDelay" in seconds, kept over stored settings).
void CNavigatorWindows::ApplyScriptedStart(bool startReplay)
{
    if (const char* delay = std::getenv("BRINE_DR_DELAY_S"); delay && *delay)
        SetDrDelay(std::chrono::seconds(std::strtol(delay, nullptr, 10)));
    const char* file = std::getenv("BRINE_NMEA_REPLAY");
    if (startReplay && file && *file) {
        const char* speed = std::getenv("BRINE_NMEA_REPLAY_SPEED");
        Simulation().SetFilePath(file);
        Simulation().SetSpeedFactor(speed ? static_cast<int>(std::strtol(speed, nullptr, 10)) : 1);
        Simulation().Start();
    }
}

void CNavigatorWindows::LoadSettings()
{
    navigator::CNavigatorModule::LoadSettings();
    if (m_instruments) {
        m_instruments->LoadSettings();
        SetDrDelay(m_instruments->DrDelay());
        SetLoggingPeriod(m_instruments->LoggingPeriod());
    }
    ApplyScriptedStart(false);
}

void CNavigatorWindows::CloseWorkspaceWindows()
{
    if (m_dumpWindows)
        m_dumpWindows->CloseAll();
    if (m_markerSheet)
        m_markerSheet->Close();
    navigator::CNavigatorModule::CloseWorkspaceWindows();
}

chart::CChartViewExtension::PropertiesCall CNavigatorWindows::PropertiesAt(chart::CChartView& view,
                                                                           geo::IntPoint p)
{
    const std::optional<CTrackFix> fix = OwnFixAt(view.Doc(), p);
    if (!fix)
        return {};
    return [this, f = *fix] { ShowPositionMarker(f); };
}

void CNavigatorWindows::ShowPositionMarker(const CTrackFix& fix)
{
    if (!m_markerSheet)
        m_markerSheet = std::make_unique<CPositionMarkerSheet>(m_window);
    m_markerFix = fix;
    m_markerSheet->Show(PositionMarkerTexts(
        fix, positionFormat ? positionFormat() : geo::CPositionFormat{}, localTime));
}

void CNavigatorWindows::PositionFormatChanged()
{
    Monitor().ReformatPosition();
    if (m_panel)
        m_panel->RefreshFromModel();
    if (m_logbookFrame)
        m_logbookFrame->View()->Reload();
    if (m_markerSheet && m_markerFix)
        m_markerSheet->Update(PositionMarkerTexts(
            *m_markerFix, positionFormat ? positionFormat() : geo::DisplayFormat(), localTime));
}

void CNavigatorWindows::ShutDown()
{
    if (m_dumpWindows)
        m_dumpWindows->CloseAll();
    navigator::CNavigatorModule::ShutDown();
    // The GPS's receive and transmit sides are the first instruments to close.
    if (m_instruments)
        m_instruments->Close();
    if (m_gpsQuestion)
        m_gpsQuestion->close();
}

// The datum question is modal: the user answers it before anything else in
// the program takes input. It is shown without a nested event loop, so the
// navigation cycle goes on with the assumed datum until the answer comes.
void CNavigatorWindows::ShowGpsConfigurationQuestion()
{
    if (m_gpsQuestion || m_window == nullptr)
        return;
    auto* dlg = new QDialog(m_window);
    dlg->setWindowTitle(QStringLiteral("GPS Configuration"));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dlg);
    auto* datum = new QCheckBox(QStringLiteral("Is datum set to WGS84"), dlg);
    auto* gmt = new QCheckBox(QStringLiteral("Is date/time set to GMT"), dlg);
    datum->setChecked(true);
    gmt->setChecked(true);
    layout->addWidget(datum);
    layout->addWidget(gmt);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dlg);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, [this, dlg, datum, gmt] {
        AnswerGpsConfiguration(datum->isChecked(), gmt->isChecked());
        dlg->accept();
    });
    m_gpsQuestion = dlg;
    dlg->setModal(true);
    dlg->show();
}

// One line of "name=value" pairs per refresh, for scripted checks.
void CNavigatorWindows::WriteStateFile()
{
    if (m_stateFile.empty() || !m_panel)
        return;
    std::ofstream out(m_stateFile, std::ios::app);
    auto field = [&](const char* name, const QString& text) {
        out << name << "=" << text.toStdString() << "\t";
    };
    field("tab", m_panel->ValueText("tab"));
    field("status", m_panel->ValueText("status"));
    field("latitude", m_panel->ValueText("latitude"));
    field("longitude", m_panel->ValueText("longitude"));
    field("cog", m_panel->ValueText("cog"));
    field("sog", m_panel->ValueText("sog"));
    field("windAngle1", m_panel->ValueText("windAngle1"));
    field("windSpeed1", m_panel->ValueText("windSpeed1"));
    for (const char* name : {"waypoint", "bearing", "xte", "datumShift", "set", "drift", "cts",
                             "variation", "deviation"})
        field(name, m_panel->ValueText(name));
    // The side of the track the vessel is on, as the panel's arrows show it.
    const CMonitorTexts& texts = Monitor().Texts();
    field("xteArrow", texts.leftArrow ? "<<<" : (texts.rightArrow ? ">>>" : ""));
    // The COG and SOG indicators as a toolbar shows them (they follow on the idle pass).
    for (const auto& [name, pane] : {std::pair{"cogPane", "IndicatorButton2311"},
                                     std::pair{"sogPane", "IndicatorButton2312"}}) {
        const QLabel* label = m_window ? m_window->findChild<QLabel*>(pane) : nullptr;
        field(name, label ? label->text() : QString());
    }
    // The logbook window's first row as its position cells show it.
    const QAbstractItemModel* rows = m_logbookFrame ? m_logbookFrame->View()->model() : nullptr;
    if (rows && rows->rowCount() > 0) {
        field("logbookLatitude", rows->index(0, 1).data().toString());
        field("logbookLongitude", rows->index(0, 2).data().toString());
    }
    out << "caution=" << (IsNmeaCautionOn() ? 1 : 0) << "\t";
    out << "goToVessel=" << (CanGoToVessel() ? 1 : 0) << "\t";
    out << "voyage=" << (CanStartEndVoyage() ? 1 : 0) << "\t";
    out << "replay=" << (Simulation().IsRunning() ? 1 : 0) << "\t";
    out << "replayText=" << Simulation().StatusText() << "\t";
    const nmea::CNMEAFix fix = Gps().Parser().FixRecord().Read();
    if (fix.sequence != 0 && fix.source == nmea::FixSource::NMEA)
        m_lastNmeaFixMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(fix.monotonic.time_since_epoch())
                .count();
    out << "lastFixMs=" << m_lastNmeaFixMs << "\t";
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    out << "monotonicMs=" << now << "\n";
}

void CNavigatorWindows::ApplyGpsOptions(nmea::CGPSOptions& now, const nmea::CGPSOptions& before)
{
    if (!m_instruments)
        return;
    nmea::CGPSModule& gps = m_instruments->Gps();
    gps.SetDRDelay(app::CDateTimeSpanEx(now.drDelaySeconds));
    SetDrDelay(std::chrono::seconds(now.drDelaySeconds));
    if (now.validSentenceSeconds != before.validSentenceSeconds)
        gps.SetRefreshTime(static_cast<std::uint8_t>(now.validSentenceSeconds));
    // Only a side whose port changed is reopened; the page shows "Off" again
    // for a side whose new port would not open or has no device now.
    if (now.receivePort != before.receivePort) {
        // The device is not used by the timer pass while it is reopened.
        RaiseHold();
        if (!m_instruments->SetGpsReceivePort(now.receivePort))
            now.receivePort = 0;
        LowerHold();
    }
    if (now.transmitPort != before.transmitPort &&
        !m_instruments->SetGpsTransmitPort(now.transmitPort))
        now.transmitPort = 0;
    m_instruments->SaveSettings();
}

}   // namespace navigator
