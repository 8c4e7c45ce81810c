#include "shell/Brinevane.h"

#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "app/DisplayPaletteModule.h"
#include "app/StringUtils.h"
#include "app/WaitStatus.h"
#include "app/WorkspaceManager.h"
#include "app/ui/AviView.h"
#include "app/ui/DibView.h"
#include "app/ui/Disclaimers.h"
#include "app/ui/ModalOnTop.h"
#include "app/ui/ProgramPalette.h"
#include "app/ui/QtAlertSound.h"
#include "app/ui/QtDesktop.h"
#include "app/ui/QtPrompt.h"
#include "app/ui/QtWaitHost.h"
#include "app/ui/ViewerTemplates.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "engines/report/ReportFiles.h"
#include "navigator/Instruments.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/GPSModule.h"
#include "nmea/NetworkMessaging.h"
#include "nmea/ui/InstrumentsWindows.h"
#include "platform/Files.h"
#include "platform/SettingsAutoSave.h"
#include "platform/SettingsStore.h"
#include "shell/ChartingSetup.h"
#include "shell/LocalTimeText.h"
#include "shell/MainFrame.h"
#include "shell/RouteSetup.h"
#include "shell/SingleInstance.h"
#include "shell/TargetsSetup.h"
#include "shell/TenderSetup.h"
#include "shell/TerminationSignals.h"
#include "shell/VesselSetup.h"

namespace shell {

namespace {

constexpr const char* kFailedApplication = "Failed to Initialise application";

QDateTime BuildTime()
{
    // __DATE__ is "Mmm dd yyyy" with a blank before a one-digit day.
    const QString text = QString::fromLatin1(__DATE__ " " __TIME__).simplified();
    return QLocale::c().toDateTime(text, "MMM d yyyy hh:mm:ss");
}

// The position format of Tools > Options > Workspace, or the default before the frame exists.
geo::CPositionFormat FramePositionFormat(const CMainFrame* frame)
{
    return frame ? geo::CPositionFormat{static_cast<std::uint8_t>(frame->DecimalPlaces()),
                                        frame->DegMinSec()}
                 : geo::CPositionFormat{};
}

}   // namespace

CBrinevane::CBrinevane(platform::CPrompt* prompt) : m_prompt(prompt)
{
    if (!m_prompt) {
        m_ownPrompt = std::make_unique<app::CQtPrompt>();
        m_prompt = m_ownPrompt.get();
    }
}

CBrinevane::~CBrinevane()
{
    ExitInstance();
}

std::filesystem::path CBrinevane::FindProgramFolder()
{
    if (const char* folder = std::getenv("BRINE_PROGRAM_FOLDER"); folder && *folder)
        return folder;
    return platform::ExecutableFolder();
}

std::filesystem::path CBrinevane::GetSystemFolder() const
{
    return m_programFolder / "System";
}
std::filesystem::path CBrinevane::GetVideoFolder() const
{
    return GetSystemFolder() / "Video";
}
std::filesystem::path CBrinevane::GetAudioFolder() const
{
    return GetSystemFolder() / "Audio";
}
std::filesystem::path CBrinevane::GetReportsFolder() const
{
    return GetSystemFolder() / "Reports";
}

bool CBrinevane::InitApplication()
{
    m_instance = std::make_unique<CSingleInstance>();
    if (!m_instance->Acquire())
        return false;
    // A logout or a shutdown ends the program as File > Exit does, not as a kill.
    m_signals = std::make_unique<CTerminationSignals>();
    connect(m_signals.get(), &CTerminationSignals::terminationRequested, this,
            &CBrinevane::OnTerminationRequested);
    m_signalClose.setInterval(50);
    connect(&m_signalClose, &QTimer::timeout, this, &CBrinevane::CloseForSignal);
    // Report tables left by runs of programs that ended without closing them.
    report::RemoveDeadReportFolders();
    connect(m_instance.get(), &CSingleInstance::raiseRequested, this, [this] {
        if (m_frame)
            m_frame->RaiseFromSecondStart();
        else
            m_raisePending = true;
        qInfo("Brinevane: another start asked this window to come to the front.");
    });
    return true;
}

app::CSystemFacts CBrinevane::GatherSystemFacts() const
{
    app::CSystemFacts facts;
    if (auto mem = platform::ReadMemoryStatus())
        facts.availableMemory = mem->AvailableBytes();
    facts.bitsPerPixel = m_desktop->ScreenBitsPerPixel();
    facts.screenWidth = m_desktop->ScreenWidth();
    facts.screenHeight = m_desktop->ScreenHeight();
    facts.paletteHasStaticColours = m_desktop->HasStaticSystemColours();
    return facts;
}

void CBrinevane::RecordDesktopFacts()
{
    const app::CDesktop& d = *m_desktop;
    m_mousePresent = d.IsMousePresent();
    m_printerPresent = d.IsPrinterInstalled();
    m_cdRomRoot = app::GetFirstCdRomRoot();
    if (std::getenv("BRINE_REPORT_DESKTOP"))
        qInfo("Brinevane: desktop: screen %dx%dx%d, mouse %s, buttons %s, printer %s, sound %s, "
              "chart media \"%s\"",
              d.ScreenWidth(), d.ScreenHeight(), d.ScreenBitsPerPixel(),
              m_mousePresent ? "present" : "absent",
              d.AreMouseButtonsSwapped() ? "swapped" : "normal",
              m_printerPresent ? "present" : "absent", d.HasWaveDevice() ? "present" : "absent",
              m_cdRomRoot.c_str());
}

bool CBrinevane::InitInstance(const std::vector<std::string>& arguments)
{
    m_programFolder = FindProgramFolder();
    m_desktop = std::make_unique<app::CQtDesktop>();
    RecordDesktopFacts();
    m_waitCursor = std::make_unique<app::CQtWaitCursor>();
    app::CWaitStatus::SetCursorHost(m_waitCursor.get());

    if (!app::RunStartupChecks(GatherSystemFacts(), *m_prompt)) {
        m_startFailed = true;
        return false;
    }

    // The sample folders are the launcher's own options (scripts/run puts them
    // first), not the user's command line: their folders keep their case, and
    // the words are split from what remains, so "noworkspace" after them is found.
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const bool media = arguments[i] == "--sample-media";
        if ((media || arguments[i] == "--sample-cells") && i + 1 < arguments.size()) {
            (media ? m_sampleMediaFolder : m_sampleCellsFolder) = arguments[++i];
            continue;
        }
        line += (line.empty() ? "" : " ") + arguments[i];
    }
    for (auto& word : app::SplitCommandLine(line))
        m_commandLine.push_back(word);

    // Station messaging needs the socket layer, the host name and an address;
    // without them the program does not start.
    if (!nmea::StartSocketLayer()) {
        qWarning("Brinevane: %s", nmea::kSocketStartFailedText);
        m_prompt->Ask(nmea::kSocketStartFailedText, "Brinevane", platform::PromptIcon::Stop,
                      platform::PromptButtons::Ok);
        m_startFailed = true;
        return false;
    }

    // The settings file: a damaged one is set aside and the program starts on
    // defaults rather than not at all.
    m_settings =
        std::make_unique<platform::CSettingsStore>(platform::CSettingsStore::DefaultPath());
    std::vector<std::string> notices;
    switch (m_settings->Load()) {
    case platform::LoadStatus::Ok: break;
    case platform::LoadStatus::SetAside:
        notices.push_back("The settings file was damaged and has been set aside as \"" +
                          m_settings->SetAsidePath().filename().string() +
                          "\"; the program started on default settings.");
        qWarning("Brinevane: %s", m_settings->LastError().c_str());
        break;
    case platform::LoadStatus::Failed:
        notices.push_back("The settings file could not be read; changes are not saved. " +
                          m_settings->LastError());
        qWarning("Brinevane: settings file unreadable: %s", m_settings->LastError().c_str());
        break;
    }
    // Changes reach the disk within about two seconds, off this thread, so a
    // crash or a power cut loses almost nothing.
    m_autoSave = std::make_unique<platform::CSettingsAutoSave>(
        *m_settings, platform::CSettingsAutoSave::Timing{}, [](const std::string& error) {
            qWarning("Brinevane: settings not saved yet: %s", error.c_str());
        });

    // Buffers paint with Qt. The program's palette is taken as Day in the
    // style that honours palettes everywhere, before any window exists.
    chart::SetDrawBackendFactory(&m_drawFactory);
    app::UseFusionStyle();
    m_systemColours = std::make_unique<app::CQtSystemColours>();
    m_palettes.CaptureSystemColours(*m_systemColours);
    app::SetProgramPalettes(&m_palettes);

    m_sound = std::make_unique<app::CQtAlertSound>();
    CFrameServices services;
    services.timerIds = &m_timerIds;
    services.prompt = m_prompt;
    services.clock = &m_clock;
    services.sound = m_sound.get();
    services.programFolder = m_programFolder;
    services.audioFolder = GetAudioFolder();
    services.commandLine = m_commandLine;
    services.sampleMediaFolder = m_sampleMediaFolder;
    services.sampleCellsFolder = m_sampleCellsFolder;
    services.buildTime = BuildTime();
    services.settings = m_settings.get();
    services.desktop = m_desktop.get();
    services.moduleFactories.insert(services.moduleFactories.begin(), [this] {
        return std::make_unique<app::CDisplayPaletteModule>(m_settingsHome, m_palettes,
                                                            [this] { ApplyDisplayPalette(); });
    });
    // Ports, station messaging and the instrument devices come before the navigator that reads
    // them. The navigator's GPS runs on the instruments module's port list, which exists by then:
    // modules are created and initialised in this order.
    auto instruments = std::make_shared<nmea::CInstrumentsWindows*>(nullptr);
    services.moduleFactories.push_back([this, instruments]() -> std::unique_ptr<app::CModule> {
        nmea::CInstrumentsOptions options;
        options.programFolder = m_programFolder;
        auto module = std::make_unique<nmea::CInstrumentsWindows>(m_settingsHome, m_clock,
                                                                  *m_prompt, std::move(options));
        *instruments = module.get();
        return module;
    });
    services.startupNotices = std::move(notices);
    // The modules the navigator works with, in their order: charting, chartpoints, route (with its
    // plan), vessel, navigator (with tender tracking and radar targets it owns), then tides. Links
    // between them are made once all exist (LinkModules) and undone before any goes.
    services.moduleFactories.push_back([this] { return MakeChartingModule(*m_frame); });
    services.moduleFactories.push_back([this, instruments]() -> std::unique_ptr<app::CModule> {
        auto chartpoints = std::make_unique<chartpoints::CChartpointWindows>(
            m_settingsHome, *m_prompt, m_programFolder,
            [this](const std::string& path, bool video) -> app::CDocument* {
                if (video)
                    return OpenVideoFile(path);
                return OpenBitmapFile(path);
            });
        chartpoints->SetInstruments(*instruments);
        chartpoints->SetPositionFormat([this] { return FramePositionFormat(m_frame.get()); });
        // The panel's Nav: the navigator's own position, once it has one.
        chartpoints->SetOwnPosition([this]() -> std::optional<geo::CPosition> {
            navigator::CNavigatorWindows* navigator = m_frame ? m_frame->Navigator() : nullptr;
            return navigator ? navigator->OwnPosition() : std::nullopt;
        });
        chartpoints->SetGoToPosition(
            [this](const geo::CPosition& p) { return m_frame && m_frame->GoToPosition(p); },
            [this] { return m_frame && m_frame->IsActiveChartLoaded(); });
        // The panel's datum list offers the active chart's datum.
        chartpoints->SetActiveChart([this]() -> chart::CChartDoc* {
            return m_frame && m_frame->Charting() ? m_frame->Charting()->GetActiveChartDoc()
                                                  : nullptr;
        });
        // Uploads go out through the navigator's GPS device.
        chartpoints->SetGpsDevice([this]() -> nmea::CGPSDevice* {
            navigator::CNavigatorWindows* navigator = m_frame ? m_frame->Navigator() : nullptr;
            navigator::CInstruments* gps = navigator ? navigator->Instruments() : nullptr;
            return gps ? &gps->Gps().Device() : nullptr;
        });
        // BRINE_INITIAL_CHARTPOINTS (scripts/run sets it to the sample
        // database): the database opened when the settings name none.
        if (const char* name = std::getenv("BRINE_INITIAL_CHARTPOINTS"); name && *name)
            chartpoints->SetDefaultInitialDatabase(name);
        return chartpoints;
    });
    // The route module with its plan; the navigator that follows the route is linked to it once
    // every module exists.
    services.moduleFactories.push_back([this] {
        auto routes = MakeRouteModule(*m_frame);
        if (auto* windows = dynamic_cast<routes::CRouteWindows*>(routes.get())) {
            windows->SetAttachmentOpener([this](const std::string& path, bool video) {
                return video ? OpenVideoFile(path) != nullptr : OpenBitmapFile(path) != nullptr;
            });
            windows->SetPositionFormat([this] { return FramePositionFormat(m_frame.get()); });
        }
        return routes;
    });
    services.moduleFactories.push_back([this] { return MakePlanModule(*m_frame); });
    services.moduleFactories.push_back([this] { return MakeVesselModule(*m_frame); });
    services.moduleFactories.push_back([this, instruments]() -> std::unique_ptr<app::CModule> {
        auto navigator = std::make_unique<navigator::CNavigatorWindows>(m_settingsHome, m_clock);
        // Logs live beside the program until the settings name a folder of their own.
        navigator->Logbook().SetFolder(m_programFolder / "Logs");
        // The frame and its charting module exist before any of these is asked.
        navigator->SetCursorPositionSource([this]() -> std::optional<geo::CPosition> {
            return m_frame && m_frame->Charting() ? m_frame->Charting()->GetCursorPosition()
                                                  : std::nullopt;
        });
        navigator->SetAlertSound(m_sound.get(), GetAudioFolder(),
                                 [this] { return m_frame && m_frame->AudioAlerts(); });
        navigator->positionFormat = [this] { return FramePositionFormat(m_frame.get()); };
        navigator->positionTemplate = [this] {
            return m_frame ? m_frame->GetPositionTemplate() : std::string();
        };
        navigator->localTime = LocalDateTimeText;
        navigator->vesselModule = [this]() -> navigator::CVesselModule* {
            for (std::size_t i = 0; m_frame && i < m_frame->Modules().size(); ++i)
                if (auto* vessel = dynamic_cast<navigator::CVesselModule*>(m_frame->Modules()[i]))
                    return vessel;
            return nullptr;
        };
        navigator->redrawCharts = [this] {
            if (m_frame && m_frame->Charting())
                m_frame->Charting()->RedrawAllChartViews();
        };
        navigator->activeChartCentre = [this]() -> std::optional<geo::CPosition> {
            chart::CChartDoc* doc =
                m_frame && m_frame->Charting() ? m_frame->Charting()->GetActiveChartDoc() : nullptr;
            geo::CPosition centre;
            if (doc == nullptr || !doc->IsChartLoaded() || !doc->GetCentrePosition(centre))
                return std::nullopt;
            return centre;
        };
        navigator->activeChartDatumShift = [this](const geo::CPosition& p,
                                                  bool toChart) -> std::optional<geo::CPosition> {
            chart::CChartDoc* doc =
                m_frame && m_frame->Charting() ? m_frame->Charting()->GetActiveChartDoc() : nullptr;
            if (doc == nullptr || !doc->IsChartLoaded())
                return std::nullopt;
            geo::CPosition out;
            const int status =
                toChart ? doc->ShiftToChartDatum(p, out) : doc->ShiftToPositionDatum(p, out);
            if (status == chart::kShiftNotOnChart || !out.IsValid())
                return std::nullopt;
            return out;
        };
        navigator->SetGoToPosition(
            [this](const geo::CPosition& p) { return m_frame && m_frame->GoToPosition(p); },
            [this] { return m_frame && m_frame->IsActiveChartLoaded(); });
        // Best-chart selection is the charting module's switch.
        navigator->SetBestChartSwitch(
            [this] {
                return m_frame && m_frame->Charting() && m_frame->Charting()->IsAutoscrollOn();
            },
            [this](bool on) {
                if (m_frame && m_frame->Charting()) {
                    m_frame->Charting()->SetAutoscroll(on);
                    m_frame->Charting()->RedrawAllChartViews();
                }
            });
        if (*instruments != nullptr) {
            navigator->SetInstrumentsModule(*instruments);
            navigator->SetPortList(&(*instruments)->Ports());
            navigator->SetWindStore((*instruments)->Wind().Parser().Values());
            navigator->SetExtraOptionPages([instruments] {
                return *instruments ? (*instruments)->NavigatorOptionPages()
                                    : std::vector<app::COptionPageFactory>{};
            });
        }
        return navigator;
    });
    // The navigator creates tender tracking: its tenders on the instruments' ports.
    services.moduleFactories.push_back([this, instruments]() -> std::unique_ptr<app::CModule> {
        return MakeTenderModule(*m_frame, m_clock, (*instruments)->Ports());
    });
    // Radar targets: on the instruments' ports, after the navigator (the own vessel) and tender
    // tracking, whose panel carries their card.
    services.moduleFactories.push_back([this, instruments]() -> std::unique_ptr<app::CModule> {
        if (*instruments == nullptr)
            return nullptr;
        return MakeARPAModule(*m_frame, **instruments, m_clock);
    });
    services.moduleFactories.push_back([this] { return MakeTidalModule(*m_frame); });
    services.showDisclaimer = [](QWidget* frame) {
        app::CBVDisclaimerDlg dlg(frame);
        // BRINE_ACCEPT_DISCLAIMER_AFTER_MS presses the accept button after a
        // delay: scripted checks run offscreen, with no screen to click on.
        if (const char* ms = std::getenv("BRINE_ACCEPT_DISCLAIMER_AFTER_MS"); ms && *ms)
            QTimer::singleShot(std::atoi(ms), &dlg, [&dlg] {
                if (auto* accept = dlg.findChild<QPushButton*>("AcceptButton"))
                    accept->click();
            });
        return dlg.exec() == QDialog::Accepted;
    };
    m_frame = std::make_unique<CMainFrame>(std::move(services));
    if (!m_frame->OnCreate()) {
        m_prompt->Ask(kFailedApplication, "Brinevane", platform::PromptIcon::Stop,
                      platform::PromptButtons::Ok);
        m_startFailed = true;
        return false;
    }
    if (auto* prompt = dynamic_cast<app::CQtPrompt*>(m_prompt))
        prompt->SetParent(m_frame.get());
    if (m_raisePending)
        m_frame->RaiseFromSecondStart();

    // Command states and the resource flags follow the user's actions: a
    // quarter-second pass after input, once a second while nobody touches
    // the program (instruments and timers change states too, but an idle
    // program must cost next to nothing).
    // The once-a-second pass rides on the frame's periodic timer, so an idle
    // program wakes no more often for it; input arms a timer of its own.
    qApp->installEventFilter(this);
    app::KeepModalDialogsOnTop(*qApp);
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &CBrinevane::OnIdle);
    m_idleTimer.start(kIdlePassAfterInput);
    m_frame->SetAfterTimerPass([this] {
        const auto sinceLast = std::chrono::steady_clock::now() - m_lastIdlePass;
        if (!m_idleTimer.isActive() &&
            sinceLast >= std::chrono::milliseconds(kIdlePassWhileIdle - 100))
            OnIdle();
    });

    return m_frame->CompleteStartUp();
}

platform::CSettingsStore& CBrinevane::CFrameSettingsHome::GetStore() const
{
    return *m_app.m_settings;
}

std::string CBrinevane::CFrameSettingsHome::GetRegistryKey() const
{
    if (m_app.m_frame && m_app.m_frame->Workspace())
        return m_app.m_frame->Workspace()->GetRegistryKey();
    return "Software\\Quorwick\\Brinevane\\Default";
}

void CBrinevane::ApplyDisplayPalette()
{
    if (m_frame && m_systemColours)
        app::ApplyDisplayPalette(*m_frame, m_palettes, *m_systemColours);
    // Every chart takes its table of the new palette and redraws.
    if (m_frame && m_frame->Charting())
        m_frame->Charting()->ApplyDisplayPaletteToCharts();
}

app::CDibDoc* CBrinevane::OpenBitmapFile(const std::filesystem::path& path)
{
    if (!m_frame || !m_frame->MdiArea())
        return nullptr;
    app::CDibDoc* doc =
        OpenBitmapViewer(*m_frame->MdiArea(), QString::fromStdString(path.string()),
                         &m_frame->PostedMessages(), &m_frame->Commands(), *m_prompt);
    if (doc)
        m_frame->AddDocument(doc);
    return doc;
}

app::CAviDoc* CBrinevane::OpenVideoFile(const std::filesystem::path& path)
{
    if (!m_frame || !m_frame->MdiArea())
        return nullptr;
    app::CAviDoc* doc = OpenVideoViewer(*m_frame->MdiArea(), QString::fromStdString(path.string()),
                                        &m_frame->PostedMessages(), *m_prompt);
    if (doc)
        m_frame->AddDocument(doc);
    return doc;
}

void CBrinevane::OnIdle()
{
    // The low-memory and low-disk messages are refreshed every 10 s; reading
    // the figures every few seconds is enough, and keeps the idle program off
    // /proc and the file system four times a second.
    const auto now = std::chrono::steady_clock::now();
    m_lastIdlePass = now;
    m_idleTimer.stop();
    if (now - m_resourcesRead >= std::chrono::seconds(5)) {
        m_resourcesRead = now;
        const app::CSystemFacts facts = GatherSystemFacts();
        m_lowMemory = app::IsMemoryLow(facts);
        std::optional<std::uint64_t> freeBytes;
        if (auto disk = platform::GetDiskSpace(m_programFolder))
            freeBytes = disk->freeBytes;
        m_lowDisk = app::IsDiskLow(freeBytes);
    }
    // After input every state is brought up to date. While nobody touches the
    // program only what is on screen is: the once-a-second pass over every
    // menu entry was most of an idle program's time. A click or key brings
    // the rest up to date before it is handled (see eventFilter).
    const bool everything = m_userActed;
    m_userActed = false;
    if (m_frame) {
        m_frame->SetResourceFlags(m_lowMemory, m_lowDisk);
        try {
            m_frame->UpdateModuleCmdUI(false, everything ? CMainFrame::CmdUIScope::Everything
                                                         : CMainFrame::CmdUIScope::OnScreen);
        } catch (...) { }
    }
    m_offScreenStatesStale = !everything;
}

void CBrinevane::UpdateOffScreenStates()
{
    // A shortcut or a context menu acts on states no idle pass refreshed.
    if (!m_offScreenStatesStale || !m_frame)
        return;
    m_offScreenStatesStale = false;
    try {
        m_frame->UpdateModuleCmdUI(false);
    } catch (...) { }
}

bool CBrinevane::eventFilter(QObject* watched, QEvent* event)
{
    // What a shortcut or a context menu acts on is brought up to date first.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::MouseButtonPress)
        UpdateOffScreenStates();
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
    case QEvent::Close:
        m_userActed = true;
        if (!m_idleTimer.isActive())
            m_idleTimer.start(kIdlePassAfterInput);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void CBrinevane::OnTerminationRequested(int signo)
{
    qInfo("Brinevane: %s received; closing.", CTerminationSignals::SignalName(signo));
    m_signalClose.start();
    CloseForSignal();
}

void CBrinevane::CloseForSignal()
{
    // Nobody is there to answer at a logout: a menu or a window waiting for an
    // answer is closed, which answers it as its Cancel would. The timer keeps
    // doing so while the frame closes, should the close itself ask anything.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        return;
    }
    // The close runs from the main event loop only: not inside a dialog's
    // own loop, whose caller would find its windows gone, nor during
    // start-up, before that loop runs.
    if (m_closingForSignal || QThread::currentThread()->loopLevel() != 1)
        return;
    m_closingForSignal = true;
    if (m_frame)
        m_frame->CloseUnattended();
    m_signalClose.stop();
    QCoreApplication::exit(0);
}

int CBrinevane::ExitInstance()
{
    // Every step tolerates what was never made: start-up may have ended early.
    m_idleTimer.stop();
    m_signalClose.stop();
    if (qApp)
        qApp->removeEventFilter(this);
    if (m_frame) {
        m_frame->SetAfterTimerPass(nullptr);
        m_frame->TearDown();
        m_frame.reset();
    }
    m_commandLine.clear();
    if (m_systemColours)
        m_palettes.Apply(*m_systemColours, true);
    app::SetProgramPalettes(nullptr);
    chart::SetDrawBackendFactory(nullptr);
    m_sound.reset();
    m_autoSave.reset();   // saves what is still unsaved
    m_settings.reset();
    app::CWaitStatus::SetCursorHost(nullptr);
    m_waitCursor.reset();
    m_desktop.reset();
    m_instance.reset();
    m_signals.reset();
    return 0;
}

}   // namespace shell
