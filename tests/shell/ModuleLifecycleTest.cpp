// The program's modules through their lives as the application object makes them: created and
// initialised one after the other in the navigator's order (charting, chartpoints, route with its
// plan, vessel, navigator with what it owns, tides), their settings loaded and saved in that
// order, and terminated newest first when the program closes.
#include "shell/Brinevane.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/DisplayPaletteModule.h"
#include "app/Module.h"
#include "chart/ChartingModule.h"
#include "chartpoints/ChartpointModule.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "nmea/InstrumentsModule.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/TidalModule.h"
#include "shell/MainFrame.h"
#include "targets/ARPAModule.h"
#include "targets/ui/TenderWindows.h"

namespace {

std::string Kind(const app::CModule& m)
{
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
    app::SetModuleStepObserver([&](app::ModuleStep step, const app::CModule& m) {
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
    }
}

}   // namespace
