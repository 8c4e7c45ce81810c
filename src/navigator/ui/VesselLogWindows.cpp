// The navigator's vessel-log commands and windows: Start/End Voyage, data
// logging, a logbook entry, the logbook window, Convert Log to Track, and the
// log's Open, Save As and New of the File menu.
#include <QHeaderView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/ListControls.h"
#include "app/ui/OpenSaveDlgs.h"
#include "app/ui/QtPrompt.h"
#include "navigator/LogbookRows.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/EditNoteDlg.h"
#include "navigator/ui/LogChooserDlg.h"
#include "navigator/ui/NavigatorWindows.h"
#include "navigator/ui/TrackLayer.h"
#include "navigator/ui/VoyageDlg.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/NetworkMessaging.h"

namespace navigator {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

}   // namespace

void CNavigatorWindows::RegisterLogCommands(app::CCommandTable& commands)
{
    using app::cmd::kNavVoyage;
    commands.Add(
        this, kNavVoyage, [this](unsigned) { OnStartEndVoyage(); },
        [this](app::CCmdUI& ui) {
            const bool enabled = CanStartEndVoyage();
            ui.Enable(enabled);
            ui.SetCheck(enabled && Logbook().IsVoyageRunning() ? 1 : 0);
            ui.SetWhyDisabled(WhyVoyageIsGrey());
        });
    commands.Add(
        this, app::cmd::kNavDataLogging, [this](unsigned) { ToggleLogging(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(true);
            ui.SetCheck(Logbook().IsLogging() ? 1 : 0);
        });
    commands.Add(
        this, app::cmd::kNavLogbookEntry, [this](unsigned) { OnLogbookEntry(); },
        [this](app::CCmdUI& ui) { ui.Enable(CanMakeLogbookEntry()); });
    commands.Add(
        this, app::cmd::kNavLogbookWindow, [this](unsigned) { OpenLogbookWindow(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(true);
            ui.SetCheck(m_logbookFrame ? 1 : 0);
        });
    commands.Add(
        this, app::cmd::kNavLogToTrack,
        [this](unsigned) {
            Logbook().ConvertLogToTrack();
            SyncTracks(true);
        },
        [this](app::CCmdUI& ui) { ui.Enable(Logbook().CanConvertLogToTrack()); });
    commands.Add(
        this, app::cmd::kNavVesselTrack,
        [this](unsigned) {
            navigator::CLogTrackSettings s = TrackSettings();
            s.visible = !s.visible;
            SetTrackSettings(s);
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(true);
            ui.SetCheck(TrackSettings().visible ? 1 : 0);
        });
}

void CNavigatorWindows::CreateLogServices()
{
    m_logPrompt = std::make_unique<app::CQtPrompt>(m_window);
    // Rows and points are told to the other stations, and theirs taken in.
    navigator::CNavigatorModule::NoticeSender sender;
    if (m_instrumentsModule) {
        nmea::CNetworkMessaging& messaging = m_instrumentsModule->Messaging();
        sender = [&messaging](int type, const std::string& payload) {
            if (messaging.IsStarted())
                messaging.PostMessage(static_cast<std::uint8_t>(type), payload);
        };
        m_instrumentsModule->SetStationMessageHandlerFor(
            this, [this](const nmea::CStationMessage& m) {
                if (m.type != navigator::kNoticeLogRow && m.type != navigator::kNoticeTrackPoint)
                    return;
                // The station is named by its address on the message bar when it holds the log.
                const std::string from =
                    std::to_string(m.sender[0]) + "." + std::to_string(m.sender[1]) + "." +
                    std::to_string(m.sender[2]) + "." + std::to_string(m.sender[3]);
                ProcessLogNotice(m.type, m.payload, m.sender == decltype(m.sender){} ? "" : from);
            });
    }
    SetLogServices(
        m_logPrompt.get(),
        [this](const std::string& folder,
               const std::string& proposed) -> std::optional<std::string> {
            app::CSaveFileDlg dialog(QStringLiteral("Save Log Database"), Q(folder),
                                     QStringLiteral("dbf"), Q(proposed), m_window);
            dialog.setObjectName("SaveLogDatabase");
            // While stations share the log an existing one is never overwritten.
            dialog.SetNetworkMode(m_instrumentsModule &&
                                  m_instrumentsModule->Messaging().IsStarted());
            // A folder is taken only when its disk can hold the log's files
            // (those of the open log, temporary or not).
            const std::filesystem::path log = Logbook().LogPath();
            dialog.SetSource(log.parent_path(), log.filename().string());
            if (dialog.exec() != QDialog::Accepted)
                return std::nullopt;
            return dialog.GetPathName().string();
        },
        std::move(sender));
    // A row of the listed vessel, or of the log's own vessel when that is another one now; a
    // window opened before the log had a vessel (vessel 0) takes the first one that writes.
    SetRowListener([this](const navigator::CLogVessel& vessel) {
        if (!m_logbookRows)
            return;
        const navigator::CLogVessel* own = Logbook().OwnTrackVessel();
        if (vessel.vesselId == m_logbookRows->VesselId() || m_logbookRows->VesselId() == 0 ||
            (own && own->vesselId == vessel.vesselId))
            RefreshLogbookWindow();
    });
    Logbook().Services().particulars = [this]() -> std::optional<navigator::COwnVessel> {
        if (const CVesselModule* vessels = vesselModule ? vesselModule() : nullptr)
            return vessels->Vessel();
        return std::nullopt;
    };
    SetTrackListener([this] { RepaintViews(); });
    SetLogListener([this] { RefreshLogbookWindow(); });
    chart::CChartView::AddExtension(this);
}

void CNavigatorWindows::OnStartEndVoyage()
{
    const bool start = !Logbook().IsVoyageRunning();
    CVoyageDlg::CTexts texts;
    texts.start = start;
    const std::filesystem::path log = Logbook().LogPath();
    texts.folder = Q(log.parent_path().string());
    texts.fileName = Q(log.filename().string() + ".dbf");
    if (const navigator::CLogVessel* own = Logbook().VoyageRowVessel()) {
        texts.voyageId = Q(own->voyageId);
        texts.watchOfficer = Q(own->watchOfficer);
    }
    CVoyageDlg dialog(texts, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (start)
        StartVoyage(dialog.VoyageId().toStdString(), dialog.WatchOfficer().toStdString());
    else
        EndVoyage();
    RefreshLogbookWindow();
}

// A note goes into the voyage's log only while it logs at a known position:
// with logging off the row would start a new vessel append of its own.
bool CNavigatorWindows::CanMakeLogbookEntry() const
{
    return IsPositionAvailable() && Logbook().IsLogging();
}

void CNavigatorWindows::OnLogbookEntry()
{
    if (!CanMakeLogbookEntry())
        return;
    CEditNoteDlg dialog(m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString note = dialog.Note();
    if (CanMakeLogbookEntry())   // logging may have stopped while the note was written
        Logbook().LogEvent(navigator::StoredNote(note.toStdString()), navigator::kFixManual);
}

void CNavigatorWindows::OpenLogbookWindow()
{
    auto* frame = qobject_cast<QMainWindow*>(m_window);
    auto* mdi = frame ? qobject_cast<QMdiArea*>(frame->centralWidget()) : nullptr;
    if (m_logbookFrame) {
        if (mdi)
            mdi->setActiveSubWindow(m_logbookFrame);
        return;
    }
    if (!mdi)
        return;
    const navigator::CLogVessel* own = Logbook().OwnTrackVessel();
    m_logbookRows = std::make_shared<navigator::CLogbookRows>(Logbook(), own ? own->vesselId : 0);
    auto* window = new app::CListFrame(LogbookTitle(), m_logbookRows, mdi);
    window->setObjectName(QStringLiteral("LogbookWindow"));
    mdi->addSubWindow(window);
    m_logbookFrame = window;
    QObject::connect(window, &QObject::destroyed, [this] { m_logbookRows.reset(); });
    window->resize(760, 320);
    window->show();
    app::CXListView* view = window->View();
    // One row is selected at a time. The log is listed in the order it was
    // written: the headings are no buttons and do not sort it.
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSortingEnabled(false);
    view->horizontalHeader()->setSectionsClickable(false);
    view->horizontalHeader()->setSortIndicatorShown(false);
    view->horizontalHeader()->setStretchLastSection(false);
    SizeLogbookColumns(*view);
}

// Each column as wide as its heading and 60 pixels; the note 250.
void CNavigatorWindows::SizeLogbookColumns(QTableView& view)
{
    QAbstractItemModel* model = view.model();
    if (!model)
        return;
    const QFontMetrics metrics = view.horizontalHeader()->fontMetrics();
    for (int c = 0; c < model->columnCount(); ++c)
        view.setColumnWidth(
            c, metrics.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 60);
    if (model->columnCount() == 8)
        view.setColumnWidth(7, 250);
}

QString CNavigatorWindows::LogbookTitle() const
{
    return QStringLiteral("Log Database - ") +
           Q(std::filesystem::path(Logbook().LogPath()).filename().string());
}

void CNavigatorWindows::RefreshLogbookWindow()
{
    if (!m_logbookFrame || !m_logbookRows)
        return;
    // The window lists the log's own vessel: when that is another one now (another log,
    // a voyage of a new vessel), the same window counts the new vessel's rows.
    const navigator::CLogVessel* own = Logbook().OwnTrackVessel();
    m_logbookRows->Recount(own ? own->vesselId : 0);
    m_logbookFrame->View()->Reload();
    m_logbookFrame->setWindowTitle(LogbookTitle());
}

bool CNavigatorWindows::OpenLogFromChooser()
{
    CLogChooserDlg dialog(Logbook().Folder(), Logbook().AppendToExisting(), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const CLogChooserDlg::CChoice& choice = dialog.Choice();
    Logbook().SetAppendToExisting(choice.appendToLog);
    if (choice.vesselChosen)
        Logbook().ChooseVessel(choice.vesselId, choice.appendNo);
    const bool opened = OpenVesselLog(choice.log.string());
    RefreshLogbookWindow();
    return opened;
}

bool CNavigatorWindows::NewLog()
{
    const bool opened = OpenVesselLog("");
    RefreshLogbookWindow();
    return opened;
}

bool CNavigatorWindows::SaveLogAs()
{
    const bool saved = Logbook().SaveAs(false) == navigator::LogSaveResult::Saved;
    if (saved)
        RefreshLogbookWindow();
    return saved;
}

void CNavigatorWindows::ViewCreated(chart::CChartView& view)
{
    auto layer = std::make_unique<CTrackLayer>(
        [this] { return TrackSettings().visible; },
        [this](chart::CChartDoc& doc, chart::CXDC& dc) { DrawTracks(doc, dc); });
    view.Pipeline().SetSource(chart::DynamicLayer::OwnTrack, layer.get());
    m_trackLayers[&view] = std::move(layer);
}

void CNavigatorWindows::ViewDestroyed(chart::CChartView& view)
{
    view.Pipeline().SetSource(chart::DynamicLayer::OwnTrack, nullptr);
    m_trackLayers.erase(&view);
}

void CNavigatorWindows::RepaintViews()
{
    for (const auto& entry : m_trackLayers)
        entry.first->update();
}

}   // namespace navigator
