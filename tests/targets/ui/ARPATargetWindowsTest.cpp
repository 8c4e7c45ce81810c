// A radar target's own windows, offscreen, on a module fed through a fake
// port: "ARPA Properties" shows defaults and empty, disabled facts without a
// target, the target's facts and properties with one, applies to that
// target alone, turns "Dangerous" when it goes silent and empties at once
// when it is removed; "Current Target > View" opens one "Target Log" that
// follows the selection, grows by rows as fixes come and empties on removal.
// The panel's "ARPA" card: a row per target object, written when a report
// came, and a delete there empties the sheet instead of moving on.

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "ARPARig.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "targets/ARPARows.h"
#include "targets/ui/ARPAPanelRows.h"
#include "targets/ui/ARPAWindows.h"
#include "targets/ui/TargetTrackingPanel.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_ARPATargetWindowsTest";
char* g_argv[] = {g_arg0, nullptr};

struct WindowsTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
    }
    brine_test::ARPARig<CARPAWindows, QWidget*> rig{nullptr};
    CARPAWindows& arpa = rig.module;

    void Report(int seconds)
    {
        for (int s = 0; s < seconds; ++s) {
            ASSERT_TRUE(rig.Receive({"RATTM,07,1.2,045.0,T,8.0,200.0,T,0.3,6.5,N,FERRY,T,,,A",
                                     "RATTM,08,2.0,300.0,T,12.0,100.0,T,,,N,TUG,T,,,M"}));
            rig.Pass();
        }
    }
    CTargetSummaryPage& Summary() { return *arpa.PropertySheet().Sheet().Summary(); }
    CTargetConfigurationPage& Configuration()
    {
        return *arpa.PropertySheet().Sheet().Configuration();
    }
    template <class T>
    T* InConfiguration(const char* name)
    {
        return Configuration().findChild<T*>(name);
    }
};

TEST_F(WindowsTest, PropertiesShowApplyAndEmptyWithTheTarget)
{
    arpa.ShowProperties(nullptr);
    ASSERT_TRUE(arpa.PropertySheet().Sheet().IsOpen());
    EXPECT_EQ(InConfiguration<QLineEdit>("pathDistance")->text(), "10.0");
    EXPECT_FALSE(InConfiguration<QCheckBox>("overlays")->isEnabled());
    EXPECT_FALSE(InConfiguration<QPushButton>("default")->isEnabled());
    for (int i = 0; i < kArpaSummaryFields; ++i)
        EXPECT_TRUE(Summary().Text(i).isEmpty()) << i;

    Report(2);
    const CTrackedTarget* ferry = rig.Target(7);
    ASSERT_NE(ferry, nullptr);
    arpa.ShowProperties(ferry->record.get());
    EXPECT_EQ(Summary().Text(0), "1");
    EXPECT_EQ(Summary().Text(1), "7");
    EXPECT_EQ(Summary().Text(2), "FERRY");
    EXPECT_EQ(Summary().Text(3), "Tracking");
    EXPECT_EQ(Summary().Text(4), "Non-Dangerous");
    EXPECT_TRUE(InConfiguration<QCheckBox>("overlays")->isEnabled());

    // Applied: the ferry alone takes the page's properties.
    const bool numbered = arpa.TargetProperties(*ferry).drawNumber;
    InConfiguration<QCheckBox>("drawNumber")->setChecked(!numbered);
    InConfiguration<QCheckBox>("saveTargets")->setChecked(true);
    ASSERT_TRUE(arpa.PropertySheet().Sheet().Sheet()->OnApply());
    EXPECT_EQ(arpa.TargetProperties(*rig.Target(7)).drawNumber, !numbered);
    EXPECT_TRUE(arpa.TargetProperties(*rig.Target(7)).saveTarget);
    EXPECT_EQ(arpa.TargetProperties(*rig.Target(8)).drawNumber, numbered);

    // Silent past the dangerous interval: the summary says so on the next pass.
    for (int s = 0; s < 70; ++s) {
        ASSERT_TRUE(rig.Receive({"RATTM,08,2.0,300.0,T,12.0,100.0,T,,,N,TUG,T,,,M"}));
        rig.Pass();
    }
    EXPECT_EQ(Summary().Text(4), "Dangerous");

    // Removed: both pages empty at once.
    arpa.RemoveTarget(*rig.Target(7)->record);
    EXPECT_TRUE(Summary().Text(1).isEmpty());
    EXPECT_EQ(InConfiguration<QLineEdit>("pathDistance")->text(), "10.0");
    EXPECT_FALSE(InConfiguration<QCheckBox>("drawNumber")->isEnabled());
    EXPECT_TRUE(arpa.PropertySheet().Sheet().Sheet()->OnApply());   // applies to nothing
}

TEST_F(WindowsTest, PanelRowsBelongToTargetObjectsAndDeletingThereEmptiesTheSheet)
{
    CTargetTrackingPanel panel;
    CARPAPanelRows rows(arpa, [&panel] { return &panel; }, {}, {});
    panel.selected = [&rows](CTargetTrackingPanel::Card, int key) { rows.RowSelected(key); };
    QTreeWidget* list = panel.List(CTargetTrackingPanel::kArpa);
    const auto rowText = [list](int row) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(row)->text(c);
        return cells.join('|');
    };
    list->setColumnCount(kArpaColumns);
    Report(1);
    ASSERT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    const QString ferryRow = rowText(0);
    ASSERT_TRUE(ferryRow.contains("FERRY"));
    // The ferry falls silent past the values' 5 s: its row keeps its texts.
    for (int s = 0; s < 8; ++s) {
        ASSERT_TRUE(rig.Receive({"RATTM,08,2.0,300.0,T,12.0,100.0,T,,,N,TUG,T,,,M"}));
        rig.Pass();
    }
    EXPECT_EQ(rowText(0), ferryRow);

    // Lost, then tracked again: the lost ferry keeps its "Lost" row, the new
    // one has its own.
    ASSERT_TRUE(rig.Receive({"RATTM,07,1.2,045.0,T,8.0,200.0,T,0.3,6.5,N,FERRY,L,,,A"}));
    rig.Pass();
    for (int s = 0; s < 3; ++s) {
        ASSERT_TRUE(rig.Receive({"RATTM,07,1.2,045.0,T,8.0,200.0,T,0.3,6.5,N,FERRY,L,,,A"}));
        rig.Pass();
    }
    EXPECT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    EXPECT_TRUE(rowText(0).contains("Lost"));
    Report(1);
    ASSERT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 3);
    EXPECT_TRUE(rowText(0).contains("Lost"));
    EXPECT_TRUE(rowText(2).contains("FERRY"));
    EXPECT_TRUE(rowText(2).contains("Tracking"));

    // The new ferry chosen in the panel and shown on the sheet, then deleted
    // there: the sheet empties and no other target is chosen in its place.
    list->setCurrentItem(list->topLevelItem(2));
    ASSERT_NE(arpa.Selected(), nullptr);
    EXPECT_EQ(arpa.Selected()->Number(), 7);
    EXPECT_TRUE(arpa.Selected()->live);
    arpa.ShowProperties(arpa.Selected());
    EXPECT_EQ(Summary().Text(1), "7");
    arpa.RemoveTarget(*arpa.Selected());
    EXPECT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    EXPECT_EQ(arpa.Selected(), nullptr);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(Summary().Text(1).isEmpty());
}

// A pass that found only a TLL new writes the row from the TLL, while the
// target's TTM values still hold: no speed and no acquisition.
TEST_F(WindowsTest, ARowIsWrittenFromWhatThePassFoundNew)
{
    CTargetTrackingPanel panel;
    CARPAPanelRows rows(arpa, [&panel] { return &panel; }, {}, {});
    QTreeWidget* list = panel.List(CTargetTrackingPanel::kArpa);
    list->setColumnCount(kArpaColumns);
    Report(1);
    ASSERT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    QTreeWidgetItem* tug = list->topLevelItem(1);
    ASSERT_EQ(tug->text(1), "TUG");
    EXPECT_EQ(tug->text(5), "12.00 kn");
    EXPECT_EQ(tug->text(11), "Manual");
    ASSERT_TRUE(rig.Receive({"RATLL,08,4757.000,N,12236.000,W,TUG,,T,"}));
    rig.Pass();
    EXPECT_EQ(tug->text(0), "8");
    EXPECT_NE(tug->text(3), "");   // the TLL's position
    EXPECT_EQ(tug->text(5), "");
    EXPECT_EQ(tug->text(11), "");
    EXPECT_EQ(tug->text(12), "Tracking");
}

TEST_F(WindowsTest, OneTargetLogFollowsTheSelectionAndItsFixes)
{
    app::CCommandTable commands;
    arpa.RegisterCommands(commands);
    auto options = arpa.GetOptions();
    options.properties.loggingPeriod = app::CDateTimeSpanEx(10);
    arpa.ApplyOptions(options);
    Report(1);
    arpa.SelectTarget(rig.Target(7)->record.get());
    EXPECT_EQ(commands.Update(app::cmd::kArpaView).check, 0);
    ASSERT_TRUE(commands.Execute(app::cmd::kArpaView));
    ASSERT_TRUE(commands.Execute(app::cmd::kArpaView));   // raises the one open
    int logs = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        logs += w->objectName() == "TargetLog" && !w->isHidden();
    EXPECT_EQ(logs, 1);
    EXPECT_EQ(commands.Update(app::cmd::kArpaView).check, 1);

    CTrackLogWindow& log = *arpa.LogWindow().Window();
    EXPECT_EQ(log.windowTitle(), "Target Log : Target number 7 - FERRY");
    // Headings plus 30 pixels, the time column then 120.
    const QFontMetrics heading(log.View()->horizontalHeader()->font());
    EXPECT_EQ(log.View()->columnWidth(0), 120);
    EXPECT_EQ(log.View()->columnWidth(4), heading.horizontalAdvance("Speed") + 30);
    EXPECT_EQ(log.Rows(), 1);
    Report(25);   // fixes at 10 and 20 s
    EXPECT_EQ(log.Rows(), int(rig.Target(7)->track.size()));
    EXPECT_EQ(log.Rows(), 3);
    const auto cell = [&](int row, int column) {
        return log.Model().data(log.Model().index(row, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(cell(2, 4), "8.0");   // speed
    EXPECT_EQ(cell(2, 5), "200");   // course
    EXPECT_EQ(cell(2, 10), "Tracking");
    EXPECT_EQ(cell(2, 12), "Auto");

    arpa.SelectTarget(rig.Target(8)->record.get());
    EXPECT_EQ(log.windowTitle(), "Target Log : Target number 8 - TUG");
    EXPECT_EQ(cell(0, 12), "Manual");
    arpa.RemoveTarget(*rig.Target(8)->record);
    EXPECT_EQ(log.Rows(), 0);
    EXPECT_EQ(log.windowTitle(), "Target Log : ");
}

// The tender layout of the same page: Channel and Depth, and "&Clear Panic",
// offered while the tender panics, waiting once pressed, asked for once.
TEST(TargetConfigurationPage, ClearPanicIsAskedForOnceAtApply)
{
    CTargetConfigurationPage page(CTargetFieldsLayout{.tender = true});
    chart::CTargetProperties shown;
    shown.SetDefaults();
    int applied = 0;
    std::vector<bool> panics;
    chart::CTargetProperties got;
    page.Show(
        &shown,
        [&](const chart::CTargetProperties& p, bool clearPanic) {
            ++applied;
            got = p;
            panics.push_back(clearPanic);
        },
        true);
    auto* clear = page.findChild<QPushButton*>("clearPanic");
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(clear->isEnabled());
    EXPECT_EQ(page.findChild<QCheckBox*>("drawLabel"), nullptr);
    page.findChild<QCheckBox*>("drawDepth")->setChecked(true);
    clear->click();
    EXPECT_FALSE(clear->isEnabled());
    ASSERT_FALSE(page.ControlsToModel().has_value());
    page.M().Apply();
    page.M().Apply();
    EXPECT_EQ(panics, (std::vector<bool>{true, false}));
    EXPECT_TRUE(got.drawDepth);
    page.Show(nullptr, {});
    page.M().Apply();   // nothing shown: nothing told
    EXPECT_EQ(applied, 2);
}

}   // namespace

// A new position format (Tools > Options applied) rewrites the rows'
// latitude and longitude at once, before any target reports again; the
// other cells keep their texts.
TEST_F(WindowsTest, PanelRowsTakeANewPositionFormatAtOnce)
{
    CTargetTrackingPanel panel;
    geo::CPositionFormat format;
    format.decimalPlaces = 2;
    format.degMinSec = false;
    CARPAPanelRows rows(
        arpa, [&panel] { return &panel; }, [&format] { return format; }, {});
    QTreeWidget* list = panel.List(CTargetTrackingPanel::kArpa);
    list->setColumnCount(kArpaColumns);
    Report(1);
    ASSERT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    const auto cells = [list](int column) {
        QStringList texts;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            texts << list->topLevelItem(row)->text(column);
        return texts;
    };
    const QStringList latitudes = cells(kArpaLatitudeColumn);
    const QStringList speeds = cells(5);
    ASSERT_FALSE(latitudes.first().isEmpty());

    format.degMinSec = true;
    format.decimalPlaces = 1;
    arpa.PositionFormatChanged();
    const CTrackedTarget* ferry = rig.Target(7);
    ASSERT_NE(ferry, nullptr);
    ASSERT_TRUE(ferry->fix);
    const geo::CPosition at(ferry->fix->position.latitude, ferry->fix->position.longitude, 0.0);
    EXPECT_NE(cells(kArpaLatitudeColumn), latitudes);
    EXPECT_EQ(cells(kArpaLatitudeColumn).first().toStdString(), at.FormatLatitude(format));
    EXPECT_EQ(cells(kArpaLatitudeColumn + 1).first().toStdString(), at.FormatLongitude(format));
    EXPECT_EQ(cells(5), speeds);
}
