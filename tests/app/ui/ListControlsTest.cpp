// The list windows over 100,000 rows: shown, sized and selected without the
// source being asked for more than the rows in view.
#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/ListControls.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_ListControlsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

class Chartpoints : public app::CRowSource {
public:
    std::size_t RowCount() const override { return 100000; }
    std::size_t ColumnCount() const override { return 3; }
    std::string Heading(std::size_t c) const override
    {
        return c == 0 ? "Number" : c == 1 ? "Name" : "Latitude";
    }
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& rows) const override
    {
        for (std::size_t r = first; r < std::min(first + count, RowCount()); ++r)
            rows.push_back({std::to_string(r + 1), "Buoy " + std::to_string(r % 977),
                            std::to_string(50 + r % 60) + " 30.00N"});
    }
};

TEST(ListControls, AHundredThousandRowsAskOnlyForTheRowsInView)
{
    App();
    auto source = std::make_shared<Chartpoints>();
    QMdiArea area;
    auto* frame = new app::CListFrame("Chartpoint List", source);
    area.addSubWindow(frame);
    area.resize(600, 400);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    app::CXListView* view = frame->View();
    view->Model().TakeFetchedRows();
    view->viewport()->repaint();
    view->FitColumns();
    const std::size_t fetched = view->Model().TakeFetchedRows();
    EXPECT_LE(fetched, 2 * app::CListModelBase::kBlockRows) << "a repaint walked the rows";

    view->SelectRange(10, 60000);
    EXPECT_EQ(view->SelectedCount(), 59991);
    view->SelectNone();
    EXPECT_EQ(view->SelectedCount(), 0);
    EXPECT_LE(view->Model().TakeFetchedRows(), 2 * app::CListModelBase::kBlockRows);

    view->scrollToBottom();
    view->viewport()->repaint();
    EXPECT_LE(view->Model().TakeFetchedRows(), 2 * app::CListModelBase::kBlockRows);
    EXPECT_EQ(view->Model().data(view->Model().index(99999, 0)).toString(), "100000");
}

// A list in a dialog or panel keeps its selection when a click lands below
// the last row; a click on a row selects it.
TEST(ListControls, AClickOffTheRowsKeepsTheSelection)
{
    App();
    class Three : public Chartpoints {
    public:
        std::size_t RowCount() const override { return 3; }
    };
    app::CListCtrlEx list(std::make_shared<Three>());
    list.resize(300, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.SelectRange(1, 1);
    const QPoint below(20, list.viewport()->height() - 5);
    ASSERT_FALSE(list.indexAt(below).isValid());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(list.SelectedCount(), 1);
    EXPECT_TRUE(list.selectionModel()->isRowSelected(1, {}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(2, 0)).center());
    EXPECT_TRUE(list.selectionModel()->isRowSelected(2, {}));
    EXPECT_FALSE(list.selectionModel()->isRowSelected(1, {}));
}

}   // namespace

// Whatever rows it lists, a list window's list covers the whole inside of
// the frame: the frame has nothing of its own to paint there.
TEST(ListControls, AListWindowsListFillsTheFrame)
{
    App();
    class Empty : public Chartpoints {
    public:
        std::size_t RowCount() const override { return 0; }
    };
    QMdiArea area;
    auto* points = new app::CListFrame("Chartpoint List", std::make_shared<Chartpoints>());
    auto* log = new app::CListFrame("Logbook", std::make_shared<Empty>());
    area.addSubWindow(points);
    area.addSubWindow(log);
    area.resize(800, 600);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    area.cascadeSubWindows();
    for (app::CListFrame* frame : {points, log}) {
        EXPECT_EQ(frame->widget(), frame->View());
        EXPECT_EQ(frame->View()->geometry(), frame->contentsRect());
    }
}
