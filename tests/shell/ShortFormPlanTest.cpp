// The plan card's Report opens the short form plan: nothing before a plan is
// calculated; then with both custom pairs there the PlnIntl pair's first
// form, with only PlnCstm its first, with only PlnIntl its second (with
// memos), with neither (or half a pair) the standard plan.

#include "shell/ModuleReports.h"

#include "FileSettingsHome.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "WaitStatusRecorder.h"
#include "app/FileChoosers.h"
#include "app/WaitStatus.h"
#include "db/DBRoute.h"
#include "engines/report/ReportDefinitionFile.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/RouteViews.h"
#include "routes/ui/RouteReports.h"

#include <QApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

// A definitions folder holding the standard plan and the given files.
fs::path Definitions(const fs::path& root, const char* name,
                     std::initializer_list<const char*> files)
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    const fs::path shipped = fs::path(source ? source : "..") / "data" / "System" / "Reports";
    const fs::path folder = root / name;
    fs::create_directories(folder);
    fs::copy_file(shipped / "PssgPln.rpt", folder / "PssgPln.rpt");
    for (const char* file : files)
        fs::copy_file(shipped / file, folder / file);
    return folder;
}

// The title of every window of the window area as it is first shown.
class TitleWatch final : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* sub = qobject_cast<QMdiSubWindow*>(object))
                shown.push_back(sub->windowTitle());
        return false;
    }
    QStringList shown;
};

TEST(ShortFormPlan, FollowsTheDefinitionFilesThere)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FileSettingsHome settings(dir.Path() / "settings.conf");
    brine_test::ScriptedPrompt prompt;
    routes::CRouteModule routeModule(settings, prompt, dir.Path());
    ASSERT_TRUE(routeModule.Initialise());
    {
        db::CDBRoute table;
        table.SetFilePath((dir.Path() / "Routes" / "Sound").string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Inlet to Seattle";
        ASSERT_TRUE(table.AppendNew());
        for (const auto& [lat, lon] : {std::pair{48.153, -122.737}, {47.608, -122.365}}) {
            table.Points().Waypoints().ClearRecord();
            table.Points().Waypoints().m_position = geo::CPosition(lat, lon);
            ASSERT_TRUE(table.Points().AppendPoint());
        }
        table.Close();
    }
    ASSERT_TRUE(routeModule.OpenDatabase((dir.Path() / "Routes" / "Sound").string()));
    ASSERT_TRUE(routeModule.SelectRoute(1));
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();

    shell::CModuleReportHost host;
    host.routes = &routeModule;
    host.plans = &plan;
    // The files are chosen once, as the program starts, from what is there.
    const auto choose = [&plan, &host](const fs::path& folder) {
        host.reportsFolder = folder;
        plan.SelectReportFiles([&folder](const std::string& file) {
            return !report::FindReportDefinition(file, folder).empty();
        });
    };
    choose(Definitions(dir.Path(), "both",
                       {"PlnCstm1.rpt", "PlnCstm2.rpt", "PlnIntl1.rpt", "PlnIntl2.rpt"}));
    EXPECT_EQ(shell::ShortFormPlanChoice(host), 0);   // nothing calculated yet

    plan.PlanSettings().vesselSpeed = 10.0;
    ASSERT_EQ(plan.Calculate(routes::PlanWaypointsOf(routeModule.State()), prompt, nullptr, nullptr,
                             nullptr),
              routes::kPlanDone);
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintCustomPlan);
    EXPECT_TRUE(plan.ChosenReportFiles().custom);
    EXPECT_EQ(plan.ChosenReportFiles().withoutMemos, "PlnIntl1.rpt");
    EXPECT_EQ(plan.ChosenReportFiles().withMemos, "PlnIntl2.rpt");
    EXPECT_EQ(plan.ChosenReportFiles().tested, "PlnIntl2.rpt");
    choose(Definitions(dir.Path(), "cstm", {"PlnCstm1.rpt", "PlnCstm2.rpt"}));
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintCustomPlan);
    EXPECT_EQ(plan.ChosenReportFiles().tested, "PlnCstm1.rpt");
    choose(Definitions(dir.Path(), "intl", {"PlnIntl1.rpt", "PlnIntl2.rpt"}));
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintCustomPlanMemos);
    EXPECT_FALSE(plan.ChosenReportFiles().custom);
    choose(Definitions(dir.Path(), "half", {"PlnIntl1.rpt", "PlnCstm2.rpt"}));
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintPlan);
    choose(Definitions(dir.Path(), "none", {}));
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintPlan);
    // A pair put there after the start is not seen; the chosen file gone
    // later gives the standard plan, and the chooser no longer offers it.
    const fs::path none = host.reportsFolder;
    const fs::path intl = dir.Path() / "intl";
    fs::copy_file(intl / "PlnIntl1.rpt", none / "PlnIntl1.rpt");
    fs::copy_file(intl / "PlnIntl2.rpt", none / "PlnIntl2.rpt");
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintPlan);
    app::CChooserState offered;
    shell::AddModuleReportChoices(offered, host);
    EXPECT_FALSE(offered.customPlanMemosFile);
    host.reportsFolder = intl;
    shell::AddModuleReportChoices(offered, host);
    EXPECT_FALSE(offered.customPlanMemosFile);
    choose(intl);
    shell::AddModuleReportChoices(offered, host);
    EXPECT_TRUE(offered.customPlanMemosFile);
    EXPECT_TRUE(offered.customPlanFile);
    fs::remove(intl / "PlnIntl2.rpt");
    EXPECT_EQ(shell::ShortFormPlanChoice(host), app::choose::kPrintPlan);
    shell::AddModuleReportChoices(offered, host);
    EXPECT_FALSE(offered.customPlanMemosFile);
    EXPECT_TRUE(offered.customPlanFile);

    // The preview windows carry the report's kind and the table or plan they
    // show from the moment they are shown.
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    host.mdi = &area;
    host.parent = &area;
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    host.reportsFolder = fs::path(source ? source : "..") / "data" / "System" / "Reports";
    plan.planName = "Seattle run";
    TitleWatch watch;
    app.installEventFilter(&watch);
    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintPlan, true, host));
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintWaypoints, true, host));
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintFullRouteList, true, host));
    app::CWaitStatus::SetStatusHost(nullptr);
    app.removeEventFilter(&watch);
    // Each run under the wait state, the status bar given back after it.
    const std::vector<std::string> waited{app::kPleaseWaitText, "Ready",
                                          app::kPleaseWaitText, "Ready",
                                          app::kPleaseWaitText, "Ready"};
    EXPECT_EQ(status.texts, waited);
    const QStringList expected{"Passage Plan Report - Plan: Seattle run",
                               "Waypoint List Report - Sound",
                               "Route List ( Full Details ) Report - Sound"};
    ASSERT_EQ(area.subWindowList().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(area.subWindowList()[i]->windowTitle(), expected[i]);
        // A desktop without an icon theme still shows a print icon, not the toolkit's logo.
        EXPECT_FALSE(area.subWindowList()[i]->windowIcon().isNull()) << i;
    }
    EXPECT_EQ(watch.shown, expected) << "each title was there when its window first showed";
    routeModule.Terminate();
}

}   // namespace
