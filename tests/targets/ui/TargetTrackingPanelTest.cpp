// The "Target Tracking" panel, offscreen: rows found by key are written,
// selected and removed; the ARPA card's "&Open" is never offered and its
// "&Delete" follows and runs the ARPA module's "Current Target > Delete";
// the ARPA card's list is offered while it has rows.
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "targets/ui/TargetTrackingPanel.h"

using namespace targets;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TargetTrackingPanelTest";
char* g_argv[] = {g_arg0, nullptr};

}   // namespace

TEST(TargetTrackingPanel, RowsByKeyAndTheArpaCardsDelete)
{
    static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
    (void)app;
    CTargetTrackingPanel panel;
    std::vector<std::pair<CTargetTrackingPanel::Card, int>> chosen;
    panel.selected = [&](CTargetTrackingPanel::Card card, int key) {
        chosen.emplace_back(card, key);
    };
    panel.SetHeaders(CTargetTrackingPanel::kArpa, {"Number", "Name", "Local Time"});
    EXPECT_EQ(panel.List(CTargetTrackingPanel::kArpa)->columnWidth(2), 120);
    panel.UpdateRow(CTargetTrackingPanel::kArpa, 7, {"7", "FERRY"});
    panel.UpdateRow(CTargetTrackingPanel::kArpa, 3, {"3", "TUG"});
    panel.UpdateRow(CTargetTrackingPanel::kArpa, 7, {"7", "FERRY II"});
    QTreeWidget* list = panel.List(CTargetTrackingPanel::kArpa);
    ASSERT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "FERRY II");
    panel.SelectRow(CTargetTrackingPanel::kArpa, 3);
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(chosen.back(), std::make_pair(CTargetTrackingPanel::kArpa, 3));
    // A new position format: the latitude and longitude cells alone.
    panel.UpdateCells(CTargetTrackingPanel::kArpa, 3, 1, {"TUG II"});
    panel.UpdateCells(CTargetTrackingPanel::kArpa, 99, 1, {"nobody"});   // no row: nothing
    EXPECT_EQ(list->topLevelItem(1)->text(1), "TUG II");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "3");
    EXPECT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 2);
    panel.RemoveRow(CTargetTrackingPanel::kArpa, 7);
    EXPECT_EQ(panel.RowCount(CTargetTrackingPanel::kArpa), 1);
    EXPECT_EQ(panel.RowCount(CTargetTrackingPanel::kTender), 0);

    auto* open = panel.findChild<QPushButton*>("arpaOpen");
    auto* remove = panel.findChild<QPushButton*>("arpaDelete");
    ASSERT_TRUE(open && remove);
    app::CCommandTable commands;
    bool selectedTarget = false;
    int deletes = 0;
    commands.Add(
        &panel, app::cmd::kArpaDelete, [&](unsigned) { ++deletes; },
        [&](app::CCmdUI& ui) { ui.Enable(selectedTarget); });
    panel.UpdatePanelControls(commands, true);
    EXPECT_FALSE(remove->isEnabled());
    selectedTarget = true;
    panel.UpdatePanelControls(commands, true);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_FALSE(open->isEnabled());
    remove->click();
    EXPECT_EQ(deletes, 1);
    EXPECT_TRUE(list->isEnabled());
    panel.RemoveRow(CTargetTrackingPanel::kArpa, 3);
    panel.UpdatePanelControls(commands, true);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(panel.List(CTargetTrackingPanel::kTender)->isEnabled());
    panel.UpdateRow(CTargetTrackingPanel::kArpa, 4, {"4", "PILOT"});
    panel.UpdatePanelControls(commands, true);
    EXPECT_TRUE(list->isEnabled());
}

// The cards' column widths; the panel going (the program closing) takes
// every row of its cards with it, the Tender card's included, and taking
// them tells nobody of a selection, so no module is made to change its
// current target while it closes.
TEST(TargetTrackingPanel, ColumnWidthsAndGoingTakesTheRowsWithoutSelecting)
{
    static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
    (void)app;
    auto* panel = new CTargetTrackingPanel;
    std::vector<std::pair<CTargetTrackingPanel::Card, int>> chosen;
    panel->selected = [&](CTargetTrackingPanel::Card card, int key) {
        chosen.emplace_back(card, key);
    };
    panel->SetHeaders(CTargetTrackingPanel::kTender, {"ID", "Name", "Last Updated Time"});
    panel->SetHeaders(CTargetTrackingPanel::kArpa, {"Number", "Name", "Local Time", "Speed"});
    // Each column as wide as its heading and 40 pixels on the Tender card,
    // 30 on the ARPA card (whose "Local Time" is 120).
    const QFontMetrics metrics(panel->List(CTargetTrackingPanel::kTender)->header()->font());
    EXPECT_EQ(panel->List(CTargetTrackingPanel::kTender)->columnWidth(0),
              metrics.horizontalAdvance("ID") + 40);
    EXPECT_EQ(panel->List(CTargetTrackingPanel::kTender)->columnWidth(2),
              metrics.horizontalAdvance("Last Updated Time") + 40);
    EXPECT_EQ(panel->List(CTargetTrackingPanel::kArpa)->columnWidth(3),
              metrics.horizontalAdvance("Speed") + 30);
    for (int channel = 0; channel < 3; ++channel)
        panel->UpdateRow(CTargetTrackingPanel::kTender, channel,
                         {"T" + std::to_string(channel + 1), "boat"});
    panel->UpdateRow(CTargetTrackingPanel::kArpa, 5, {"5", "TUG"});
    panel->SelectRow(CTargetTrackingPanel::kTender, 1);
    panel->SelectRow(CTargetTrackingPanel::kArpa, 5);
    ASSERT_EQ(chosen.size(), 2u);
    QTreeWidget* tenders = panel->List(CTargetTrackingPanel::kTender);
    ASSERT_EQ(tenders->topLevelItemCount(), 3);
    bool listGone = false;
    QObject::connect(tenders, &QObject::destroyed, [&] { listGone = true; });
    delete panel;
    EXPECT_TRUE(listGone);
    EXPECT_EQ(chosen.size(), 2u);
}
