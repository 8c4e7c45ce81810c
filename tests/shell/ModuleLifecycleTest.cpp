// The program's modules through their lives as the application object makes them: created and
// initialised one after the other in the navigator's order (charting, chartpoints, route with its
// plan, vessel, navigator with what it owns, tides), their settings loaded and saved in that
// order, and terminated newest first when the program closes.
#include "shell/Brinevane.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "app/DisplayPaletteModule.h"
#include "app/Module.h"
#include "app/Registry.h"
#include "app/WorkspaceManager.h"
#include "chart/ChartingModule.h"
#include "chartpoints/ChartpointModule.h"
#include "charts/hcrf/HCRFModule.h"
#include "charts/vector/BlankChartService.h"
#include "charts/vector/LiveChartService.h"
#include "geo/Position.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/NMEADevice.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/TidalModule.h"
#include "shell/MainFrame.h"
#include "targets/ARPAModule.h"
#include "targets/TenderTracking.h"
#include "targets/ui/TenderWindows.h"

namespace {

std::string Kind(const app::CModule& m)
{
    // The charting module's chart services.
    if (dynamic_cast<const charts::hcrf::CARCSModule*>(&m))
        return "ARCS";
    if (dynamic_cast<const charts::hcrf::CSeafarerModule*>(&m))
        return "Seafarer";
    if (dynamic_cast<const charts::CLiveChartService*>(&m))
        return "Livechart";
    if (dynamic_cast<const charts::CBlankChartService*>(&m))
        return "blank";
    if (dynamic_cast<const app::CDisplayPaletteModule*>(&m))
        return "palette";
    if (dynamic_cast<const nmea::CInstrumentsModule*>(&m))
        return "instruments";
    if (dynamic_cast<const chart::CChartingModule*>(&m))
        return "charting";
    if (dynamic_cast<const chartpoints::CChartpointModule*>(&m))
        return "chartpoint";
    if (dynamic_cast<const routes::CRouteModule*>(&m))
        return "route";
    if (dynamic_cast<const routes::CPlanModule*>(&m))
        return "plan";
    if (dynamic_cast<const navigator::CVesselModule*>(&m))
        return "vessel";
    if (dynamic_cast<const navigator::CNavigatorModule*>(&m))
        return "navigator";
    if (dynamic_cast<const targets::CTenderWindows*>(&m))
        return "tender";
    if (dynamic_cast<const targets::CARPAModule*>(&m))
        return "arpa";
    if (dynamic_cast<const routes::CTidalModule*>(&m))
        return "tidal";
    return "other";
}

// The first `count` kinds of a step, joined.
std::string FirstRun(const std::vector<std::string>& kinds, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < kinds.size() && i < count; ++i)
        text += (i ? " " : "") + kinds[i];
    return text;
}

TEST(ModuleLifecycle, ModulesAreMadeLoadedSavedAndEndedInTheNavigatorsOrder)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;

    std::vector<std::string> createdAndInitialised, loaded, saved, terminated;
    // The chart services' steps, as the charting module takes them through theirs.
    std::vector<std::string> serviceSteps;
    app::SetModuleStepObserver([&](app::ModuleStep step, const app::CModule& m) {
        if (dynamic_cast<const chart::CChartModule*>(&m)) {
            const char* names[] = {"+", "", "load ", "save ", "end "};
            serviceSteps.push_back(names[int(step)] + Kind(m));
            return;
        }
        switch (step) {
        case app::ModuleStep::Created: createdAndInitialised.push_back("+" + Kind(m)); break;
        case app::ModuleStep::Initialised: createdAndInitialised.push_back(Kind(m)); break;
        case app::ModuleStep::SettingsLoaded: loaded.push_back(Kind(m)); break;
        case app::ModuleStep::SettingsSaved: saved.push_back(Kind(m)); break;
        case app::ModuleStep::Terminated: terminated.push_back(Kind(m)); break;
        }
    });
    // The observer goes with the lists it fills, however the test ends.
    const std::unique_ptr<void, void (*)(void*)> observing(
        &loaded, [](void*) { app::SetModuleStepObserver({}); });

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    {
        shell::CBrinevane theApp(&prompt);
        ASSERT_TRUE(theApp.InitApplication());
        ASSERT_TRUE(theApp.InitInstance({}));
        ASSERT_NE(theApp.MainFrame(), nullptr);
        QTest::qWait(200);
        const std::size_t count = theApp.MainFrame()->Modules().size();
        EXPECT_EQ(count, 11u);
        theApp.MainFrame()->SaveWorkspaceValues();
        theApp.ExitInstance();

        // Each module is initialised right after it is created, before the next one is made.
        EXPECT_EQ(FirstRun(createdAndInitialised, 2 * count),
                  "+palette palette +instruments instruments +charting charting "
                  "+chartpoint chartpoint +route route +plan plan +vessel vessel "
                  "+navigator navigator +tender tender +arpa arpa +tidal tidal");
        // The navigator's own sub-modules read theirs in its order: radar targets, then tenders.
        const std::string settingsOrder = "palette instruments charting chartpoint route plan "
                                          "vessel navigator arpa tender tidal";
        EXPECT_EQ(FirstRun(loaded, count), settingsOrder);
        EXPECT_EQ(FirstRun(saved, count), settingsOrder);
        EXPECT_EQ(FirstRun(terminated, count),
                  "tidal arpa tender navigator vessel plan route chartpoint charting "
                  "instruments palette");
        // The chart services: ARCS, Seafarer, then Livechart (the blank chart last), ended
        // the other way round.
        EXPECT_EQ(FirstRun(serviceSteps, serviceSteps.size()),
                  "+ARCS +Seafarer +Livechart +blank ARCS Seafarer Livechart blank "
                  "load ARCS load Seafarer load Livechart load blank "
                  "save ARCS save Seafarer save Livechart save blank "
                  "end blank end Livechart end Seafarer end ARCS");
    }
}

// Closing the program with a filled temporary route database and a filled temporary chartpoint
// database: the route is offered first, and a Cancel there leaves the chartpoints unasked and
// the program running; answered, both are offered in that order and the program closes.
TEST(ModuleLifecycle, ClosingOffersTheRouteDatabaseFirstAndItsCancelEndsTheRound)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* route = brine_test::FindModule<routes::CRouteModule>(frame);
    auto* points = brine_test::FindModule<chartpoints::CChartpointModule>(frame);
    ASSERT_TRUE(route && points);
    ASSERT_TRUE(route->OpenDatabase({}));
    // Edit mode, with the route out of the monitor's automatic advance, comes once no other
    // station claims the database.
    route->SetAutoAdvance(false);
    route->OnEdit();
    for (int i = 0; i < 50 && !route->IsEditMode(); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(route->IsEditMode());
    ASSERT_TRUE(route->NewRoute());
    ASSERT_TRUE(route->AddWaypointAt(geo::CPosition(47.9, -122.5)));
    ASSERT_TRUE(points->OpenDatabase({}));
    points->OnEdit();
    ASSERT_TRUE(points->AddChartpointAt(geo::CPosition(48.144, -122.755)));
    ASSERT_TRUE(route->IsTempDatabase() && points->IsTempDatabase());

    using platform::PromptAnswer;
    auto askedSince = [&](std::size_t from) {
        std::string texts;
        const auto& asked = program.prompt.AskedPrompts();
        for (std::size_t i = from; i < asked.size(); ++i)
            texts += "[" + asked[i].text + "]";
        return texts;
    };
    std::size_t from = program.prompt.AskedPrompts().size();
    program.prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    program.prompt.Expect(PromptAnswer::Cancel, "Save Route database?");
    EXPECT_FALSE(frame.close());
    EXPECT_EQ(askedSince(from), "[Are you sure you want to exit?][Save Route database?]");
    EXPECT_TRUE(frame.isVisible() && !frame.IsTimerSuspended());
    EXPECT_TRUE(route->Database().IsOpen() && points->IsDatabaseOpen());

    from = program.prompt.AskedPrompts().size();
    program.prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    program.prompt.Expect(PromptAnswer::No, "Save Route database?");
    program.prompt.Expect(PromptAnswer::No, "Save Chartpoint database?");
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(askedSince(from), "[Are you sure you want to exit?][Save Route database?]"
                                "[Save Chartpoint database?]");
    EXPECT_TRUE(program.prompt.Done());
}

// A named workspace saved by itself at exit names the chartpoint database that was open then:
// it is saved before the modules shut their databases.
TEST(ModuleLifecycle, AWorkspaceSavedAtExitKeepsTheOpenChartpointDatabase)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* points = brine_test::FindModule<chartpoints::CChartpointModule>(frame);
    ASSERT_NE(points, nullptr);
    const std::filesystem::path harbour = program.home.folder / "Harbour";
    ASSERT_TRUE(points->OpenDatabase(harbour.string()));
    ASSERT_FALSE(points->IsTempDatabase());
    ASSERT_NE(frame.Workspace(), nullptr);
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Passage"));
    // Auto Save workspace ticked, as the Workspace page stores it.
    {
        app::CRegistry reg(frame.SettingsHome().GetStore());
        ASSERT_TRUE(reg.OpenKeyForWrite(frame.Workspace()->GetRegistryKey() + "\\WorkSpace"));
        reg.WriteBool("AutoSaveWorkspace", true);
    }
    frame.LoadWorkspaceValues();
    ASSERT_TRUE(frame.AutoSaveWorkspace());
    // Another database opened since the workspace was saved: the one to reopen next time.
    ASSERT_TRUE(points->OpenDatabase((program.home.folder / "Anchorage").string()));

    program.prompt.Expect(platform::PromptAnswer::Yes, "Are you sure you want to exit?");
    EXPECT_TRUE(frame.close());
    std::ifstream in(program.home.Settings());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string section = "[Software\\Quorwick\\Brinevane\\Passage\\Chartpoint]";
    const std::size_t at = text.find(section);
    ASSERT_NE(at, std::string::npos) << text;
    const std::size_t end = text.find("\n[", at + 1);
    EXPECT_NE(text.substr(at, end - at).find("InitialDatabase=str:Anchorage"), std::string::npos)
        << text.substr(at, end - at);
}

// The modules' settings reach the settings file through a workspace save only: a close told to
// end without anyone there (a logout's SIGTERM) saves the named workspace whole when Auto Save
// workspace is ticked, the databases open then among it, and leaves it as last saved when not.
TEST(ModuleLifecycle, AnUnattendedCloseSavesTheWorkspaceOnlyWhenAutoSaveIsOn)
{
    for (const bool autoSave : {false, true}) {
        brine_test::FirstStartProgram program;
        ASSERT_TRUE(program.started);
        shell::CMainFrame& frame = program.Frame();
        auto* points = brine_test::FindModule<chartpoints::CChartpointModule>(frame);
        auto* route = brine_test::FindModule<routes::CRouteModule>(frame);
        ASSERT_TRUE(points && route && frame.Workspace());
        const std::filesystem::path routes = route->GetDataFolder();
        ASSERT_TRUE(points->OpenDatabase((program.home.folder / "Harbour").string()));
        ASSERT_TRUE(route->OpenDatabase((routes / "Northern").string()));
        ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Passage"));
        {
            app::CRegistry reg(frame.SettingsHome().GetStore());
            ASSERT_TRUE(reg.OpenKeyForWrite(frame.Workspace()->GetRegistryKey() + "\\WorkSpace"));
            reg.WriteBool("AutoSaveWorkspace", autoSave);
        }
        frame.LoadWorkspaceValues();
        ASSERT_EQ(frame.AutoSaveWorkspace(), autoSave);
        ASSERT_TRUE(points->OpenDatabase((program.home.folder / "Anchorage").string()));
        ASSERT_TRUE(route->OpenDatabase((routes / "Southern").string()));

        frame.CloseUnattended();
        std::ifstream in(program.home.Settings());
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const auto initial = [&text](const std::string& module) {
            const std::string section = "[Software\\Quorwick\\Brinevane\\Passage\\" + module + "]";
            const std::size_t at = text.find(section);
            if (at == std::string::npos)
                return std::string("no section");
            const std::size_t end = text.find("\n[", at + 1);
            const std::string body = text.substr(at, end - at);
            const std::size_t value = body.find("InitialDatabase=str:");
            if (value == std::string::npos)
                return std::string("no value");
            const std::size_t from = value + std::string("InitialDatabase=str:").size();
            return body.substr(from, body.find('\n', from) - from);
        };
        EXPECT_EQ(initial("Chartpoint"), autoSave ? "Anchorage" : "Harbour");
        EXPECT_EQ(initial("Route"), autoSave ? "Southern" : "Northern");
    }
}

// Each workspace names its own route database: opening one after start-up closes the database
// open then and reopens the one that workspace names. A temporary database with a route is
// offered for saving first, and Cancel keeps it open through the change.
TEST(ModuleLifecycle, OpeningAWorkspaceReopensTheRouteDatabaseItNames)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* route = brine_test::FindModule<routes::CRouteModule>(frame);
    ASSERT_TRUE(route && frame.Workspace());
    const std::filesystem::path folder = route->GetDataFolder();
    ASSERT_TRUE(route->OpenDatabase((folder / "Northern").string()));
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("North"));
    ASSERT_TRUE(route->OpenDatabase((folder / "Southern").string()));
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("South"));

    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("North"));
    ASSERT_TRUE(route->IsDatabaseOpen());
    EXPECT_EQ(route->Database().GetName(), "Northern");
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("South"));
    ASSERT_TRUE(route->IsDatabaseOpen());
    EXPECT_EQ(route->Database().GetName(), "Southern");

    ASSERT_TRUE(route->OpenDatabase({}));
    route->SetAutoAdvance(false);
    route->OnEdit();
    for (int i = 0; i < 50 && !route->IsEditMode(); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(route->IsEditMode());
    ASSERT_TRUE(route->NewRoute());
    ASSERT_TRUE(route->AddWaypointAt(geo::CPosition(47.9, -122.5)));
    const std::string temporary = route->Database().GetName();
    ASSERT_TRUE(route->IsTempDatabase());
    program.prompt.Expect(platform::PromptAnswer::Cancel, "Save Route database?");
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("North"));
    EXPECT_TRUE(program.prompt.Done()) << "no offer to save the temporary routes";
    ASSERT_TRUE(route->IsDatabaseOpen());
    EXPECT_EQ(route->Database().GetName(), temporary);
}

// The vessel log goes with the workspace as the databases do: opening a workspace after start-up
// closes the log open then, and the log that workspace names opens in its place.
TEST(ModuleLifecycle, OpeningAWorkspaceReopensTheVesselLogItNames)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* navigator = brine_test::FindModule<navigator::CNavigatorModule>(frame);
    ASSERT_TRUE(navigator && frame.Workspace());
    const std::filesystem::path folder = navigator->Logbook().Folder();
    // The log the workspace names opens on the navigator's next timer pass.
    const auto logName = [&] {
        navigator->OnTimer(app::TimerCadence::EverySecond);
        return std::filesystem::path(navigator->Logbook().LogPath()).filename().string();
    };
    // The log's name goes into the current workspace as soon as a log opens: the second log
    // is opened with the second workspace current.
    ASSERT_TRUE(navigator->OpenVesselLog((folder / "Inbound").string()));
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("In"));
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Out"));
    ASSERT_TRUE(navigator->OpenVesselLog((folder / "Outbound").string()));
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Out"));
    ASSERT_EQ(logName(), "Outbound");

    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("In"));
    EXPECT_EQ(logName(), "Inbound");
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("Out"));
    EXPECT_EQ(logName(), "Outbound");
}

// Opening a workspace closes the chartpoint database: a temporary one with records is offered
// for saving first. Cancel keeps it open with its records through the change; No lets it go and
// the workspace's database (a new temporary one here) opens in its place.
TEST(ModuleLifecycle, OpeningAWorkspaceOffersTheTemporaryChartpointsFirst)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* points = brine_test::FindModule<chartpoints::CChartpointModule>(frame);
    ASSERT_TRUE(points && frame.Workspace());
    // The start opened the database once its windows were restored: none
    // named, a new temporary one.
    ASSERT_TRUE(points->Table().IsOpen());
    EXPECT_TRUE(points->IsTempDatabase());
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Passage"));
    ASSERT_TRUE(points->OpenDatabase({}));
    points->OnEdit();
    ASSERT_TRUE(points->AddChartpointAt(geo::CPosition(48.144, -122.755)));
    const std::string temporary = points->Table().GetName();
    ASSERT_TRUE(points->IsTempDatabase());

    program.prompt.Expect(platform::PromptAnswer::Cancel, "Save Chartpoint database?");
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("Passage"));
    EXPECT_TRUE(program.prompt.Done()) << "no offer to save the temporary chartpoints";
    ASSERT_TRUE(points->Table().IsOpen());
    EXPECT_EQ(points->Table().GetName(), temporary);
    EXPECT_EQ(points->Table().GetRecordCount(), 1);

    program.prompt.Expect(platform::PromptAnswer::No, "Save Chartpoint database?");
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("Passage"));
    EXPECT_TRUE(program.prompt.Done());
    ASSERT_TRUE(points->Table().IsOpen());
    EXPECT_NE(points->Table().GetName(), temporary);
    EXPECT_EQ(points->Table().GetRecordCount(), 0);

    // An empty one goes without a question.
    const std::size_t asked = program.prompt.AskedPrompts().size();
    ASSERT_TRUE(frame.Workspace()->OpenWorkspace("Passage"));
    EXPECT_EQ(program.prompt.AskedPrompts().size(), asked);
}

// Every instrument on the one serial port: each side that opens or closes, in order. At start
// the GPS opens, then the repeater, then the wind. At close
// the replay and the tender simulation stop before any side closes; then the GPS's receive and
// transmit sides, the radar's receive side, the autopilot's transmit side, the repeater's
// receive and transmit sides, the wind's receive side and the tenders' receive side close.
TEST(ModuleLifecycle, InstrumentSidesCloseInTheNavigatorsOrder)
{
    const std::string everyInstrumentOnCom1 =
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\GPS]\n"
        "ReceiveCOMPort=dword:1\nTransmitCOMPort=dword:1\n"
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Wind]\n"
        "ReceiveCOMPort=dword:1\n"
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Autopilot]\n"
        "TransmitCOMPort=dword:1\n"
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Repeater]\n"
        "ReceiveCOMPort=bin:01\nTransmitCOMPort=dword:1\n"
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Radar\\ARPA]\n"
        "ReceiveCOMPort=dword:1\n"
        "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\TenderTracking]\n"
        "ReceiveCOMPort=dword:1\n";
    std::vector<std::string> steps;
    std::function<void()> atFirstClose;
    nmea::SetDeviceSideObserver(
        [&](const std::string& device, nmea::PortChannel channel, bool opened) {
            if (!opened && atFirstClose)
                std::exchange(atFirstClose, nullptr)();
            steps.push_back(std::string(opened ? "+" : "-") + device +
                            (channel == nmea::PortChannel::Receive ? " rx" : " tx"));
        });
    const std::unique_ptr<void, void (*)(void*)> observing(
        &steps, [](void*) { nmea::SetDeviceSideObserver({}); });

    brine_test::FirstStartProgram program(false, false, false, everyInstrumentOnCom1);
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    const std::filesystem::path replay = program.home.folder / "voyage.nmea";
    {
        std::ofstream out(replay);
        for (int i = 0; i < 2000; ++i)
            out << "$GPRMC,120000,A,4736.000,N,12224.000,W,6.0,45.0,010120,,*00\r\n";
    }
    auto* navigator = brine_test::FindModule<navigator::CNavigatorModule>(frame);
    auto* tenders = brine_test::FindModule<targets::CTenderWindows>(frame);
    ASSERT_TRUE(navigator && tenders);
    QTest::qWait(200);
    // At start the GPS, then the repeater's receive and transmit sides, then the wind.
    std::vector<std::string> startOrder;
    for (const char* side : {"+GPS rx", "+GPS tx", "+Repeater rx", "+Repeater tx", "+Wind rx"})
        if (std::find(steps.begin(), steps.end(), side) != steps.end())
            startOrder.push_back(side);
    EXPECT_EQ(steps, startOrder);
    EXPECT_GE(startOrder.size(), 3u);
    frame.Commands().Execute(app::cmd::kArpaActivate);
    frame.Commands().Execute(app::cmd::kTenderActivate);
    navigator->Simulation().SetFilePath(replay);
    navigator->Simulation().SetSpeedFactor(1);
    ASSERT_TRUE(navigator->Simulation().Start());
    ASSERT_TRUE(tenders->Tracking().Simulator().Start());
    QTest::qWait(200);

    bool replayStopped = false, simulationStopped = false;
    atFirstClose = [&] {
        replayStopped = !navigator->Simulation().IsRunning();
        simulationStopped = !tenders->Tracking().Simulator().IsRunning();
    };
    const std::vector<std::string> opened = steps;
    frame.CloseUnattended();
    QTest::qWait(100);
    EXPECT_TRUE(replayStopped) << "the replay stops before any device side closes";
    EXPECT_TRUE(simulationStopped) << "the tender simulation stops before any side closes";
    // The sides that opened, in the order they close.
    std::vector<std::string> expected;
    for (const char* side : {"GPS rx", "GPS tx", "ARPA rx", "Autopilot tx", "Repeater rx",
                             "Repeater tx", "Wind rx", "Target Tracking rx", "Target Tracking tx"})
        if (std::find(opened.begin(), opened.end(), std::string("+") + side) != opened.end())
            expected.push_back(std::string("-") + side);
    EXPECT_GE(expected.size(), 6u);
    const std::vector<std::string> closed(steps.begin() + static_cast<long>(opened.size()),
                                          steps.end());
    EXPECT_EQ(closed, expected);
}

}   // namespace
