// The chartpoint report is offered and run over any open chartpoint table:
// a new one not yet saved (a first start, or File > New) previews the
// chartpoints it holds, and a named database previews under its own name.
// Its window open, the report is not offered a second time.

#include "shell/ModuleReports.h"

#include "FileSettingsHome.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/FileChoosers.h"
#include "chartpoints/ChartpointModule.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

namespace fs = std::filesystem;

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

bool Offers(const shell::CModuleReportHost& host)
{
    app::CChooserState state;
    shell::AddModuleReportChoices(state, host);
    const std::vector<app::CChooserItem> items = app::PrintChoices(state);
    return std::any_of(items.begin(), items.end(), [](const app::CChooserItem& item) {
        return item.id == app::choose::kPrintChartpoints;
    });
}

TEST(ChartpointReportChoice, OverAnyOpenTableNewOrNamed)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FileSettingsHome settings(dir.Path() / "settings.conf");
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    shell::CModuleReportHost host;
    host.chartpoints = &module;
    host.mdi = &area;
    host.parent = &area;
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    host.reportsFolder = fs::path(source ? source : "..") / "data" / "System" / "Reports";

    // No name given and no initial database: a new table not yet saved,
    // offered before and after it holds a chartpoint.
    ASSERT_TRUE(module.OpenDatabase(""));
    ASSERT_TRUE(module.IsTempDatabase());
    EXPECT_TRUE(Offers(host));
    module.OnEdit();
    module.OnNew();
    EXPECT_TRUE(Offers(host));
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintChartpoints, true, host));
    ASSERT_EQ(area.subWindowList().size(), 1);
    EXPECT_TRUE(area.subWindowList().front()->windowTitle().contains("~d"))
        << area.subWindowList().front()->windowTitle().toStdString();
    EXPECT_FALSE(Offers(host));
    area.closeAllSubWindows();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(area.subWindowList().isEmpty());
    module.OnEdit();
    module.CloseDatabase(true);

    ASSERT_TRUE(module.OpenDatabase((dir.Path() / "Chartpoints" / "Sound").string()));
    EXPECT_TRUE(Offers(host));
    ASSERT_TRUE(shell::RunModuleReport(app::choose::kPrintChartpoints, true, host));
    ASSERT_EQ(area.subWindowList().size(), 1);
    EXPECT_TRUE(area.subWindowList().front()->windowTitle().contains("Sound"))
        << area.subWindowList().front()->windowTitle().toStdString();
    // Its window open, the report is not offered a second time.
    EXPECT_FALSE(Offers(host));
    module.CloseDatabase(true);
    module.Terminate();
}

}   // namespace
