#include "shell/RouteSetup.h"

#include "chartpoints/ui/ChartpointWindows.h"
#include "navigator/Instruments.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/GPSModule.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/PeerFile.h"
#include "routes/GpsRouteTransmitter.h"
#include "routes/RouteModule.h"
#include "routes/ui/PlanWindows.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteWindows.h"
#include "routes/ui/TidalWindows.h"
#include "shell/MainFrame.h"
#include "shell/ModuleReports.h"

#include <cstdlib>

namespace shell {

namespace {

// Joins the route to the modules that follow it: the navigator monitors it,
// the autopilot steers it, the GPS device takes its upload, the station
// network carries its lock and change notices. The instruments exist before
// the route and outlive it; the navigator is created after it, so the two are
// linked once every module exists and unlinked before either goes.
class CProgramRoutes final : public routes::CRouteWindows {
public:
    CProgramRoutes(app::CSettingsHome& settings, platform::CPrompt& prompt,
                   std::filesystem::path dataRoot, nmea::CInstrumentsModule* instruments,
                   chartpoints::CChartpointWindows* marks)
        : routes::CRouteWindows(settings, prompt, std::move(dataRoot)), m_instruments(instruments),
          m_chartpoints(marks)
    {
        // Nav: the navigator's own position, once the navigator is linked and has one.
        SetOwnPosition([this]() -> std::optional<geo::CPosition> {
            return m_navigator ? m_navigator->OwnPosition() : std::nullopt;
        });
        if (m_chartpoints) {
            // A chartpoint goes into the route from the list (double-click,
            // Enter) while the route panel is shown and the route editable,
            // and from the chart by a double-click on its mark.
            m_chartpoints->SetAddToRoute([this](const chartpoints::CChartpoint& cp) {
                if (IsPanelActive() && CanChangeRoute())
                    InsertWaypointAfterCurrent(routes::CWaypoint(cp));
            });
            SetChartpointAt([this](chart::CChartView& view, geo::IntPoint p) {
                return m_chartpoints->PickAt(view, p);
            });
        }
        SetTransmitterSource([this]() -> routes::CRouteTransmitter* {
            auto* navWindows = dynamic_cast<navigator::CNavigatorWindows*>(m_navigator);
            if (!navWindows || !navWindows->Instruments())
                return nullptr;
            if (!m_transmitter)
                m_transmitter = std::make_unique<routes::CGpsRouteTransmitter>(
                    navWindows->Instruments()->Gps().Device());
            // The GPS port's transmit side opens for the upload if nothing opened it.
            navWindows->Instruments()->Gps().Device().OpenTransmit();
            return m_transmitter.get();
        });
        if (m_instruments) {
            m_instruments->Autopilot().SetRoute(&Views());
            m_link = std::make_unique<CMessagingLink>(m_instruments->Messaging());
            SetStationLink(m_link.get());
            m_instruments->SetStationMessageHandlerFor(
                this, [this](const nmea::CStationMessage& m) {
                    if (m.type == kStationMessageType || m.type == kChangeMessageType)
                        OnNetworkMessage(m.payload,
                                         m.sender == nmea::Ipv4{} ? std::string()
                                                                  : nmea::Ipv4Text(m.sender),
                                         m.type);
                });
        }
    }
    // The route panel's chartpoint list button opens the chartpoints' list.
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override
    {
        if (!CRouteWindows::CreateSidePanels(host, panels))
            return false;
        if (m_chartpoints && Panel())
            Panel()->SetChartpointListOpener([this] { m_chartpoints->OpenListWindow(); });
        return true;
    }
    ~CProgramRoutes() override
    {
        if (m_chartpoints)
            m_chartpoints->SetAddToRoute({});
        UnlinkModules();
        if (m_instruments) {
            m_instruments->Autopilot().SetRoute(nullptr);
            m_instruments->SetStationMessageHandlerFor(this, {});
        }
        SetStationLink(nullptr);
    }

    // The navigator follows the route, and the Monitor's "Auto" is the
    // route's automatic waypoint advance.
    void LinkModules(const app::CModuleList& modules) override
    {
        for (std::size_t i = 0; i < modules.size() && !m_navigator; ++i)
            m_navigator = dynamic_cast<navigator::CNavigatorModule*>(modules[i]);
        if (!m_navigator)
            return;
        m_navigator->SetRoute(&Views());
        // The Monitor's Plan card reads the route's plan while it is valid (a
        // field edited on the plan card since it was worked out makes it invalid).
        routes::CPlanModule* plan = nullptr;
        for (std::size_t i = 0; i < modules.size() && !plan; ++i)
            plan = dynamic_cast<routes::CPlanModule*>(modules[i]);
        if (plan)
            m_navigator->SetPlanSource([plan](int index) -> std::optional<navigator::CPlanEntry> {
                const routes::CPlanList& legs = plan->Plan();
                if (!plan->IsPlanValid() || index < 0 || index >= int(legs.size()))
                    return std::nullopt;
                const routes::CLegData& leg = legs[std::size_t(index)];
                return navigator::CPlanEntry{leg.set, leg.drift, leg.courseToSteer, leg.variation,
                                             leg.deviation};
            });
        if (auto* navWindows = dynamic_cast<navigator::CNavigatorWindows*>(m_navigator))
            if (navigator::CMonitorPanel* monitor = navWindows->Panel())
                monitor->SetAutoSwitch([this](bool on) { return SetAutoAdvance(on); },
                                       [this] { return State().monitoring.autoAdvance; },
                                       [this] {
                                           const auto& m = State().monitoring;
                                           return (m.arrivalCircleOn || m.perpendicularOn) &&
                                                  !IsEditMode() && !IsLockedElsewhere() &&
                                                  Views().WaypointCount() > 1;
                                       });
        // The Monitor names the route as the route changes, not only once a
        // position comes.
        m_monitorFollower.navigator = dynamic_cast<navigator::CNavigatorWindows*>(m_navigator);
        if (m_monitorFollower.navigator) {
            AddListener(&m_monitorFollower);
            m_monitorFollower.navigator->RefreshRouteTexts();
        }
    }
    void UnlinkModules() override
    {
        if (!m_navigator)
            return;
        if (m_monitorFollower.navigator) {
            RemoveListener(&m_monitorFollower);
            m_monitorFollower.navigator = nullptr;
        }
        if (auto* navWindows = dynamic_cast<navigator::CNavigatorWindows*>(m_navigator))
            if (navigator::CMonitorPanel* monitor = navWindows->Panel())
                monitor->SetAutoSwitch({}, {}, {});
        m_navigator->SetPlanSource({});
        m_navigator->SetRoute(nullptr);
        m_navigator = nullptr;
        m_transmitter.reset();   // it writes to the navigator's GPS device
    }

private:
    class CMessagingLink final : public chartpoints::CStationLink {
    public:
        explicit CMessagingLink(nmea::CNetworkMessaging& messaging) : m_messaging(messaging) { }
        bool IsRunning() const override { return m_messaging.IsStarted(); }
        bool Post(std::uint8_t type, std::string payload) override
        {
            return m_messaging.PostMessage(type, std::move(payload));
        }

    private:
        nmea::CNetworkMessaging& m_messaging;
    };

    navigator::CNavigatorModule* m_navigator = nullptr;
    struct CMonitorFollower final : routes::CRouteListener {
        navigator::CNavigatorWindows* navigator = nullptr;
        void OnRouteChange(int /*hint*/) override
        {
            if (navigator)
                navigator->RefreshRouteTexts();
        }
    } m_monitorFollower;
    nmea::CInstrumentsModule* m_instruments;
    chartpoints::CChartpointWindows* m_chartpoints;
    std::unique_ptr<routes::CGpsRouteTransmitter> m_transmitter;
    std::unique_ptr<CMessagingLink> m_link;
};

}   // namespace

std::filesystem::path UserDataRoot()
{
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    return base / "Quorwick" / "Brinevane";
}

std::unique_ptr<app::CModule> MakeRouteModule(CMainFrame& frame)
{
    nmea::CInstrumentsModule* instruments = nullptr;
    chartpoints::CChartpointWindows* marks = nullptr;
    for (std::size_t i = 0; i < frame.Modules().size(); ++i) {
        if (!marks)
            marks = dynamic_cast<chartpoints::CChartpointWindows*>(frame.Modules()[i]);
        if (!instruments)
            instruments = dynamic_cast<nmea::CInstrumentsModule*>(frame.Modules()[i]);
    }
    auto routes = std::make_unique<CProgramRoutes>(frame.SettingsHome(), *frame.Services().prompt,
                                                   UserDataRoot(), instruments, marks);
    routes->SetGoToPosition([&frame](const geo::CPosition& p) { return frame.GoToPosition(p); },
                            [&frame] { return frame.IsActiveChartLoaded(); });
    // The upload dialog's Report: the route's waypoint list among the charts.
    routes->SetWaypointListReport(
        [&frame] { RunModuleReport(app::choose::kPrintWaypoints, true, frame.ModuleReportHost()); },
        [&frame] {
            return IsModuleReportOpen(app::choose::kPrintWaypoints, frame.ModuleReportHost());
        });
    return routes;
}

namespace {

template <class T>
T* FindModule(CMainFrame& frame)
{
    for (std::size_t i = 0; i < frame.Modules().size(); ++i)
        if (auto* found = dynamic_cast<T*>(frame.Modules()[i]))
            return found;
    return nullptr;
}

}   // namespace

std::unique_ptr<app::CModule> MakeTidalModule(CMainFrame& frame)
{
    auto tides = std::make_unique<routes::CTidalWindows>(frame.SettingsHome(),
                                                         frame.Services().programFolder.string());
    // The library refusing the tidal data folder is told at once, start-up included.
    tides->Models().SetStopSink([&frame](const std::string& text) {
        frame.Services().prompt->Ask(text, "Brinevane", platform::PromptIcon::Stop,
                                     platform::PromptButtons::Ok);
    });
    tides->planDeparture = [&frame]() -> std::optional<std::int64_t> {
        const auto* plan = FindModule<routes::CPlanModule>(frame);
        if (!plan)
            return std::nullopt;
        if (plan->IsPlanValid() && !plan->Plan().empty())
            return plan->Plan().front().utc;
        if (plan->PlanSettings().mode == routes::PlanMode::DepartAt)
            return plan->planUtc;
        return std::nullopt;
    };
    return tides;
}

std::unique_ptr<app::CModule> MakePlanModule(CMainFrame& frame)
{
    routes::CPlanWindows::Links links;
    links.routes = [&frame] { return FindModule<routes::CRouteModule>(frame); };
    links.tides = [&frame] { return FindModule<routes::CTidalModule>(frame); };
    links.geomag = [&frame] { return frame.Geomag(); };
    links.addRouteCard = [&frame](QWidget* card, const QString& title) {
        auto* routes = FindModule<routes::CRouteWindows>(frame);
        if (!routes || !routes->Panel())
            return false;
        routes->Panel()->AddCard(card, title);
        return true;
    };
    links.vessel = [&frame]() -> const navigator::COwnVessel* {
        const auto* vessels = FindModule<navigator::CVesselModule>(frame);
        return vessels ? &vessels->Vessel() : nullptr;
    };
    links.canOpenReport = [&frame] { return ShortFormPlanChoice(frame.ModuleReportHost()) != 0; };
    links.closeReports = [&frame] { ClosePlanReports(frame.ModuleReportHost()); };
    links.openReport = [&frame] {
        const CModuleReportHost host = frame.ModuleReportHost();
        if (const int chosen = ShortFormPlanChoice(host))
            RunModuleReport(chosen, true, host);
    };
    // Route > Options carries the plan's page while the plan module is there.
    if (auto* routeWindows = FindModule<routes::CRouteWindows>(frame))
        routeWindows->SetPlanPageMaker([&frame](QWidget* parent) -> app::CXPropertyPage* {
            auto* plan = FindModule<routes::CPlanWindows>(frame);
            return plan ? plan->MakeOptionsPage(parent) : nullptr;
        });
    // The route's waypoint labels show the plan's times.
    if (auto* route = FindModule<routes::CRouteModule>(frame))
        route->Views().SetWaypointTimes([&frame](std::size_t index) {
            const auto* plan = FindModule<routes::CPlanModule>(frame);
            return plan ? plan->GetWaypointTime(index) : std::nullopt;
        });
    return std::make_unique<routes::CPlanWindows>(frame.SettingsHome(),
                                                  frame.Services().programFolder.string(),
                                                  *frame.Services().prompt, std::move(links));
}

std::vector<std::string> ModuleVersionLines(CMainFrame& frame)
{
    std::vector<std::string> lines;
    if (auto* tides = FindModule<routes::CTidalModule>(frame))
        lines.push_back("Tidal-model library " + tides->Models().GetVersionText());
    return lines;
}

}   // namespace shell
