// The raster charts' choice of chart by position in the program as it starts. The navigator's
// best-chart check: while the vessel lies on the raster chart in front and a larger-scale chart
// covers its position, the message bar says so and best chart selection goes back on; on a part
// of the chart no larger-scale chart covers, the message goes. Go To a position off the raster
// chart in front opens the best chart there in its window. The harbour chart's notes: Goto
// waits for a line to be picked. The column widths of "Open Chart" and "Charts Available".
#include "shell/Brinevane.h"

#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "app/MsgBar.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/ui/ChartDialogs.h"
#include "navigator/ui/NavigatorWindows.h"
#include "shell/MainFrame.h"

namespace {

// An RMC sentence for the position, as a GPS on COM1 sends it.
std::string Fix(double lat, double lon)
{
    char body[128];
    std::snprintf(body, sizeof body, "GPRMC,120000,A,%02d%06.3f,N,%03d%06.3f,W,0.0,0.0,070126,,",
                  int(lat), (lat - int(lat)) * 60.0, int(-lon), (-lon - int(-lon)) * 60.0);
    return brine_test::WithChecksum(body);
}

TEST(RasterBestChart, MessageAndGoToFollowThePosition)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;
    ASSERT_GE(home.master, 0);
    const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");
    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({"--sample-media", (bin / ".." / "sample-media").string()}));
    ASSERT_NE(theApp.MainFrame(), nullptr);
    shell::CMainFrame& frame = *theApp.MainFrame();
    QTest::qWait(300);

    auto* charting = brine_test::FindModule<chart::CChartingModule>(frame);
    ASSERT_NE(charting, nullptr);
    chart::CChartDoc* overview = nullptr;
    for (chart::CChartWindow* window : charting->ChartFrames())
        if (window && window->GetChartDoc() &&
            window->GetChartDoc()->GetChartType() == chart::kChartARCS)
            overview = window->GetChartDoc();
    ASSERT_NE(overview, nullptr);
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    nav.SetBestChartCheckInterval(std::chrono::seconds(1));
    // The user had switched best chart selection off.
    charting->SetAutoscroll(false);
    app::CMsgBar& bar = *frame.MsgBar();
    const auto sail = [&](double lat, double lon) {
        for (int i = 0; i < 30; ++i) {
            home.Send(Fix(lat, lon));
            QTest::qWait(100);
        }
    };

    // Elliott Bay: the approach and harbour charts hold it.
    const geo::CPosition harbour(47.6217, -122.385);
    ASSERT_TRUE(overview->IsPositionOnChart(harbour));
    sail(harbour.GetLatitude(), harbour.GetLongitude());
    EXPECT_TRUE(bar.IsMessageActive(frame.LargerScaleMessage()));
    EXPECT_TRUE(charting->IsAutoscrollOn());

    // Off Tacoma only the overview covers the water.
    const geo::CPosition south(47.30, -122.48);
    ASSERT_TRUE(overview->IsPositionOnChart(south));
    ASSERT_FALSE(overview->HasLargerScaleChartAt(south));
    sail(south.GetLatitude(), south.GetLongitude());
    EXPECT_FALSE(bar.IsMessageActive(frame.LargerScaleMessage()));

    // Go To off the harbour chart: the overview comes in its place, centred there.
    ASSERT_TRUE(frame.GoToPosition(harbour));
    for (int i = 0; i < 2; ++i) {
        frame.UpdateModuleCmdUI(true);
        frame.Action(app::cmd::kChartLargerScale)->trigger();
        QTest::qWait(200);
    }
    chart::CChartDoc* inFront = charting->GetActiveChartDoc();
    ASSERT_NE(inFront, nullptr);
    ASSERT_NE(inFront->GetTitle().find("RC9003"), std::string::npos) << inFront->GetTitle();
    ASSERT_FALSE(inFront->IsPositionOnChart(south));

    // Chart Notes on the harbour chart: Goto waits for a line to be picked,
    // and then shows that line's note.
    auto* harbourChart = dynamic_cast<charts::hcrf::CHCRFDoc*>(inFront);
    ASSERT_NE(harbourChart, nullptr);
    brine_test::AnswerDialogs() = false;
    int lines = 0;
    bool gotoAtOpen = true, gotoPicked = false;
    geo::IntPoint before, afterUnpicked, afterPicked;
    auto* look = new QTimer(&owner);
    QObject::connect(look, &QTimer::timeout, [&] {
        auto* notes = qobject_cast<charts::CNotesDialog*>(QApplication::activeModalWidget());
        if (!notes)
            return;
        look->stop();
        QTest::qWait(200);   // shown, the list given the keyboard
        auto* list = notes->findChild<QListWidget*>("Notes");
        QPushButton* go = nullptr;
        for (auto* button : notes->findChildren<QPushButton*>())
            if (button->text() == "&Goto")
                go = button;
        if (!list || !go)
            return notes->reject();
        lines = list->count();
        gotoAtOpen = go->isEnabled();
        before = harbourChart->ScrollPosition();
        QTest::mouseClick(go, Qt::LeftButton);
        afterUnpicked = harbourChart->ScrollPosition();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        gotoPicked = go->isEnabled();
        QTest::mouseClick(go, Qt::LeftButton);
        afterPicked = harbourChart->ScrollPosition();
        notes->reject();
    });
    look->start(20);
    harbourChart->ShowChartNotes();
    brine_test::AnswerDialogs() = true;
    EXPECT_EQ(lines, 2) << "the harbour chart's note and caution";
    EXPECT_FALSE(gotoAtOpen) << "Goto enabled with no line picked";
    EXPECT_EQ(afterUnpicked, before) << "Goto acted with no line picked";
    EXPECT_TRUE(gotoPicked);
    EXPECT_NE(afterPicked, before) << "Goto on the picked line moved nothing";

    // Column widths: "Open Chart" gives each column its widest text plus 20
    // pixels, "Charts Available" just its widest text.
    const auto widest = [](QTreeWidget* table, int c) {
        const QAbstractItemView* view = table;   // the view's measure is public there
        return std::max(view->sizeHintForColumn(c), table->header()->sectionSizeHint(c));
    };
    {   // the dialogs go before the frame that parents them
        charts::COpenArcsDlg openChart(charting->GetFolio(), &frame);
        auto* openTable = openChart.findChild<QTreeWidget*>("Charts");
        ASSERT_NE(openTable, nullptr);
        ASSERT_GT(openTable->topLevelItemCount(), 0);
        for (int c = 0; c < openTable->columnCount(); ++c)
            EXPECT_EQ(openTable->columnWidth(c), widest(openTable, c) + 20) << "Open Chart " << c;
        charts::CChartListDlg available(*harbourChart, harbour, &frame);
        auto* availableTable = available.findChild<QTreeWidget*>("Charts");
        ASSERT_NE(availableTable, nullptr);
        ASSERT_GT(availableTable->topLevelItemCount(), 1);
        for (int c = 0; c < availableTable->columnCount(); ++c)
            EXPECT_EQ(availableTable->columnWidth(c), widest(availableTable, c))
                << "Charts Available " << c;
    }

    EXPECT_TRUE(frame.GoToPosition(south));
    QTest::qWait(300);
    inFront = charting->GetActiveChartDoc();
    ASSERT_NE(inFront, nullptr);
    EXPECT_NE(inFront->GetTitle().find("RC9001"), std::string::npos) << inFront->GetTitle();
    EXPECT_TRUE(inFront->IsPositionVisible(south));

    theApp.ExitInstance();
}

}   // namespace
