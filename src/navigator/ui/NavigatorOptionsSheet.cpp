// The "Navigator Options" sheet: General, Position Logging, Autoscroll, GPS,
// the instruments module's Autopilot and Wind, then NMEA; and what each page's
// OK does.

#include <QMessageBox>
#include <QPointer>

#include "app/ui/PropertySheet.h"
#include "chart/overlays/OverlayVessel.h"
#include "navigator/GeneralNavigatorOptions.h"
#include "navigator/Instruments.h"
#include "navigator/LoggingOptions.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/GeneralNavigatorPage.h"
#include "navigator/ui/LoggingOptionsPage.h"
#include "navigator/ui/NavigatorOptionsPages.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/GPSModule.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "nmea/ui/SentenceOptionsPages.h"

namespace navigator {

namespace {
constexpr const char* kGpsSentencesTitle = "Global Positioning System ( GPS ) Sentences";
}   // namespace

void CNavigatorWindows::OpenNavigatorOptions()
{
    if (m_optionsSheet) {
        m_optionsSheet->raise();
        m_optionsSheet->activateWindow();
        return;
    }
    if (!m_instruments)
        return;
    auto* sheet = new app::CModelessPropertySheet(QObject::tr("Navigator Options"), m_window);
    sheet->setObjectName("navigatorOptions");
    AddGeneralPage(*sheet);

    sheet->AddPage(new CLoggingOptions(
        std::make_unique<CLoggingOptionsModel>(
            CurrentLoggingValues(*this, m_instruments->Gps()),
            [this](const CLoggingValues& values) { ApplyLoggingOptions(values); }),
        [this] { return Logbook().IsLogging(); }, sheet));

    navigator::CAutoscrollOptions scroll;
    scroll.sliderPosition = navigator::AutoscrollSliderFromPercentage(AutoscrollPercentage());
    scroll.select = IsBestChartOn();
    scroll.resume = BestChartResume();
    scroll.checkSeconds = static_cast<long>(BestChartCheckInterval().count());
    scroll.resumeSeconds = static_cast<long>(BestChartResumeInterval().count());
    sheet->AddPage(new CAutoscrollOptionsPage(
        std::make_unique<navigator::CAutoscrollOptionsModel>(
            scroll,
            [this](int percentage, bool select, bool resume, long check, long resumeAfter) {
                ApplyAutoscrollOptions(percentage, select, resume, check, resumeAfter);
            }),
        BestChartOnQuery(), sheet));

    nmea::CGPSModule& gps = m_instruments->Gps();
    nmea::CGPSOptions v;
    v.receivePort = gps.Config().receivePort;
    v.transmitPort = gps.Config().transmitPort;
    v.drDelaySeconds = static_cast<int>(gps.GetDRDelay().GetTotalSeconds());
    v.validSentenceSeconds = gps.GetRefreshTime();
    auto model = std::make_unique<nmea::CGPSOptionsModel>(
        v, [this](nmea::CGPSOptions& now, const nmea::CGPSOptions& before) {
            ApplyGpsOptions(now, before);
        });
    sheet->AddPage(new nmea::COptionsGPS(std::move(model), m_instruments->Ports(), sheet));
    if (m_extraPages)
        for (auto& page : m_extraPages())
            if (app::CXPropertyPage* p = page.create(sheet))
                sheet->AddPage(p);
    AddNmeaPage(*sheet);
    m_optionsSheet = sheet;
    sheet->ShowModeless();
}

void CNavigatorWindows::AddNmeaPage(app::CModelessPropertySheet& sheet)
{
    nmea::CGPSModule& gps = m_instruments->Gps();
    std::vector<nmea::CSentenceGroup> leading{{kGpsSentencesTitle, gps.Config().GetSentences()}};
    std::vector<nmea::CInstrumentConfig*> configs{&gps.Config()};
    nmea::CNMEAOptions values;
    if (m_instrumentsModule) {
        values = m_instrumentsModule->NMEAOptions(std::move(leading));
        for (nmea::CInstrumentConfig* c : m_instrumentsModule->SentenceConfigs())
            configs.push_back(c);
    } else {
        values.groups = std::move(leading);
    }
    // The later modules' roots follow; the apply below pairs each group with
    // its entry list by position.
    std::vector<std::function<void()>> saves;
    if (m_instrumentsModule)
        for (const CSentenceSource& source : m_sentenceSources)
            if (nmea::CInstrumentConfig* config = source.config ? source.config() : nullptr) {
                values.groups.push_back({source.title, config->GetSentences()});
                configs.push_back(config);
                saves.push_back(source.save);
            }
    values.replayFile = Simulation().FilePath().string();
    values.process = Simulation().IsRunning();
    QPointer<QWidget> parent = &sheet;
    auto model = std::make_unique<nmea::CNMEAOptionsModel>(
        values,
        [this, configs, saves, parent](nmea::CNMEAOptions& now, const nmea::CNMEAOptions& before) {
            std::string failure;
            if (m_instrumentsModule) {
                failure = m_instrumentsModule->ApplyNMEAOptions(now, before, configs);
                for (const std::function<void()>& save : saves)
                    if (save)
                        save();
            } else {
                for (const auto& e : now.groups.front().entries)
                    configs.front()->SetSentenceEnabled(e.id, e.enabled);
            }
            if (m_instruments)
                m_instruments->SaveSettings();
            // The replay weighs the page against its own state (a run that
            // ended by itself meanwhile is started again by a ticked page).
            Simulation().Apply(now.process, now.replayFile, Simulation().SpeedFactor());
            Simulation().SaveSettings();
            if (!failure.empty())
                QMessageBox::warning(parent, QObject::tr("NMEA"), QString::fromStdString(failure));
        });
    sheet.AddPage(new nmea::CNMEASentenceOptions(std::move(model), m_instruments->Ports(), &sheet));
}

void CNavigatorWindows::AddGeneralPage(app::CModelessPropertySheet& sheet)
{
    CGeneralNavigatorValues v;
    if (CVesselModule* vessel = vesselModule ? vesselModule() : nullptr) {
        v.headingIndicator = vessel->Style().headingMarker.GetDraw();
        v.speedVector = vessel->Style().vector.GetDraw();
    }
    v.headingLength = HeadingIndicator();
    v.vectorTime = SpeedDirectionVector();
    ReadTrackValues(FixProperties(), TrackSettings(), v);
    sheet.AddPage(new CGeneralNavigatorPage(
        std::make_unique<CGeneralNavigatorOptionsModel>(
            v, kTrackLineWidths,
            [this](const CGeneralNavigatorValues& now) { ApplyGeneralOptions(now); }),
        &sheet));
}

void CNavigatorWindows::ApplyGeneralOptions(const CGeneralNavigatorValues& v)
{
    if (CVesselModule* vessel = vesselModule ? vesselModule() : nullptr) {
        vessel->Style().headingMarker.SetDraw(v.headingIndicator);
        vessel->Style().vector.SetDraw(v.speedVector);
        vessel->SaveSettings();
    }
    SetHeadingIndicator(v.headingLength);
    SetSpeedDirectionVector(v.vectorTime);
    CLogTrackSettings track = TrackSettings();
    StoreTrackValues(v, FixProperties(), track);
    SetTrackSettings(track);
    navigator::CNavigatorModule::SaveSettings();
    RepaintViews();
    if (redrawCharts)
        redrawCharts();
}

// The page's OK: intervals, logging and folder in, settings written, and
// every chart view drawn again (the tracks may now be elsewhere or off).
void CNavigatorWindows::ApplyLoggingOptions(const CLoggingValues& values)
{
    if (!m_instruments)
        return;
    const std::string failure = ApplyLoggingValues(*this, m_instruments->Gps(), values);
    RepaintViews();
    if (!failure.empty())
        QMessageBox::warning(m_window, QObject::tr("Position Logging"),
                             QString::fromStdString(failure));
}

void CNavigatorWindows::ApplyAutoscrollOptions(int percentage, bool select, bool resume,
                                               long checkSeconds, long resumeSeconds)
{
    SetAutoscrollPercentage(percentage);
    SetBestChartSelection(select);
    SetBestChartResume(resume);
    SetBestChartCheckInterval(std::chrono::seconds(checkSeconds));
    SetBestChartResumeInterval(std::chrono::seconds(resumeSeconds));
    navigator::CNavigatorModule::SaveSettings();
}

}   // namespace navigator
