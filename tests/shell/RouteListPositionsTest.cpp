// The route panel's waypoint list in the program as a new user starts it with
// the sample route: its latitudes and longitudes are written in the position
// format of Tools > Options > Workspace, and written again when the user
// picks another there (only then).
#include "FirstStart.h"
#include "app/CommandIds.h"
#include "app/ui/PropertySheet.h"
#include "engines/report/ReportPreview.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteWindows.h"
#include "shell/ModuleReports.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

app::CModelessPropertySheet* OpenToolsOptions(shell::CMainFrame& frame)
{
    frame.UpdateModuleCmdUI(true);
    frame.Action(app::cmd::kToolsOptions)->trigger();
    QCoreApplication::sendPostedEvents();
    for (QWidget* w : frame.ModelessSheets())
        if (auto* sheet = qobject_cast<app::CModelessPropertySheet*>(w))
            return sheet;
    return nullptr;
}

TEST(RouteListPositions, FollowTheWorkspaceFormat)
{
    brine_test::FirstStartProgram program(false, true);
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* routes = brine_test::FindModule<routes::CRouteWindows>(frame);
    ASSERT_NE(routes, nullptr);
    ASSERT_NE(routes->Panel(), nullptr);
    auto* list = routes->Panel()->findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->topLevelItemCount(), 1);
    const geo::CPosition first = routes->State().waypoints.at(0).m_position;

    // Each column as wide as its heading and 30 pixels, whatever the rows hold.
    for (int c = 0; c < list->columnCount(); ++c)
        EXPECT_EQ(list->columnWidth(c),
                  list->header()->fontMetrics().horizontalAdvance(list->headerItem()->text(c)) + 30)
            << list->headerItem()->text(c).toStdString();

    // At the default: minutes with two decimals.
    EXPECT_EQ(list->topLevelItem(0)->text(5).toStdString(), first.FormatLatitude({2, false}));
    EXPECT_EQ(list->topLevelItem(0)->text(6).toStdString(), first.FormatLongitude({2, false}));

    // The sheet applied with the decimal places and the format as they are
    // leaves the list's position columns alone: nothing is written again.
    app::CModelessPropertySheet* sheet = OpenToolsOptions(frame);
    ASSERT_NE(sheet, nullptr);
    list->topLevelItem(0)->setText(5, "untouched");
    ASSERT_TRUE(sheet->OnApply());
    EXPECT_EQ(list->topLevelItem(0)->text(5).toStdString(), "untouched");

    // Three decimals of seconds, chosen in the sheet as the user does.
    auto* places = sheet->Page(0)->findChild<QLineEdit*>("decimalPlaces");
    ASSERT_NE(places, nullptr);
    places->setText("3");
    QAbstractButton* seconds = nullptr;
    for (auto* b : sheet->Page(0)->findChildren<QAbstractButton*>())
        if (b->text().contains("Secs"))
            seconds = b;
    ASSERT_NE(seconds, nullptr);
    seconds->click();
    ASSERT_TRUE(sheet->OnOk());
    ASSERT_EQ(frame.DecimalPlaces(), 3);
    ASSERT_TRUE(frame.DegMinSec());

    const std::string lat = list->topLevelItem(0)->text(5).toStdString();
    EXPECT_EQ(lat, first.FormatLatitude({3, true}));
    EXPECT_EQ(list->topLevelItem(0)->text(6).toStdString(), first.FormatLongitude({3, true}));
    EXPECT_NE(lat, first.FormatLatitude({2, false}));

    // The waypoint list report, run as File > Print Preview runs it, prints
    // the positions in that form too.
    ASSERT_TRUE(
        shell::RunModuleReport(app::choose::kPrintWaypoints, true, frame.ModuleReportHost()));
    auto* preview = frame.findChild<report::CReportPreview*>();
    ASSERT_NE(preview, nullptr);
    // Minutes and seconds with three decimals: the part after the degree sign.
    const auto afterDegrees = [](const std::string& text) {
        return QString::fromStdString(text.substr(text.find('\xB0') + 1));
    };
    const std::string lon = first.FormatLongitude({3, true});
    EXPECT_EQ(preview->Layout().FindRow(afterDegrees(lat)), 0) << lat;
    EXPECT_EQ(preview->Layout().FindRow(afterDegrees(lon)), 0) << lon;
}

}   // namespace
