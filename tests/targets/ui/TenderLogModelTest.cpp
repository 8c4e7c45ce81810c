// The tender log's model, offscreen: each cell is its own fix's text while
// the view walks rows and columns, a new tender in the place of the old one
// shows its own fixes, and a change of position format shows at once; the
// window follows its tender until the tender goes.

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "targets/ui/TenderLogWindow.h"

using namespace targets;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TenderLogModelTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

CTenderFix Fix(int i)
{
    const auto start = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7};
    return {start + std::chrono::minutes(i), CTargetPosition{47.0 + i / 60.0, -122.0}, 10.0 * i,
            1.0 + i, 2.0 * i};
}

}   // namespace

TEST(TenderLogModel, CellsFollowRowsTendersAndFormat)
{
    App();
    brine_test::FakeClock clock;
    CTender tender;
    tender.record = std::make_shared<CTenderRecord>(0, clock, std::chrono::seconds(5));
    for (int i = 0; i < 3; ++i)
        tender.track.push_back(Fix(i));
    geo::CPositionFormat format;
    CTenderLogModel model([&] { return format; }, [](auto) { return std::string("t"); });
    model.SetTender([&] { return &tender; });
    ASSERT_EQ(model.rowCount(), 3);
    const auto cell = [&](int row, int column) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString().toStdString();
    };
    // Row by row, column by column, and back again.
    for (int row : {0, 1, 2, 1, 0})
        for (int column = 0; column < kTenderLogColumns; ++column)
            EXPECT_EQ(cell(row, column),
                      TenderFixTexts(Fix(row), format,
                                     [](auto) { return std::string("t"); })[std::size_t(column)])
                << row << "," << column;

    // Another tender in the same place: its own fixes, not the last row kept.
    const std::string before = cell(1, 5);
    tender.track = {Fix(7), Fix(9)};
    EXPECT_NE(cell(1, 5), before);
    EXPECT_EQ(cell(1, 5), "090");

    const std::string minutes = cell(1, 1);
    format.degMinSec = true;
    EXPECT_NE(cell(1, 1), minutes);
}

// The window: its headings each 30 pixels wider than their text (the time's
// 120), whole rows selected, a fix added is a row at once, and a tender that
// has gone leaves the list empty and the title ending after " : ".
TEST(TenderLogModel, TheWindowFollowsItsTenderUntilItGoes)
{
    App();
    brine_test::FakeClock clock;
    CTender tender;
    tender.record = std::make_shared<CTenderRecord>(0, clock, std::chrono::seconds(5));
    tender.record->SetName("Launch");
    tender.track = {Fix(0), Fix(1)};
    bool present = true;
    CTenderLogWindow log([] { return geo::CPositionFormat{}; },
                         [](auto) { return std::string("t"); }, nullptr);
    EXPECT_EQ(log.windowTitle().toStdString(), "Tender Target Log : ");
    EXPECT_EQ(log.Rows(), 0);
    log.SetTender([&]() -> const CTender* { return present ? &tender : nullptr; });
    EXPECT_EQ(log.windowTitle().toStdString(), "Tender Target Log : Target ID T1 - Launch");
    EXPECT_EQ(log.Rows(), 2);

    QTableView& view = *log.View();
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    const QFontMetrics heading(view.horizontalHeader()->font());
    EXPECT_EQ(view.columnWidth(0), 120);
    for (int column = 1; column < kTenderLogColumns; ++column)
        EXPECT_EQ(view.columnWidth(column),
                  heading.horizontalAdvance(kTenderLogHeaders[column]) + 30)
            << column;

    tender.track.push_back(Fix(2));
    log.FixesAdded();
    EXPECT_EQ(log.Rows(), 3);

    present = false;
    log.FixesAdded();
    EXPECT_EQ(log.Rows(), 0);
    EXPECT_EQ(log.windowTitle().toStdString(), "Tender Target Log : ");
}
