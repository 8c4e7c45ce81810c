// The list model base over a counting row source: a repaint of a long list
// asks only for the rows in view, and sorting keeps numbers numeric.
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/ListModelBase.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_ListModelBaseTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

// Rows "Point <n>" with a number column; counts every row it hands out.
struct CountingSource : app::CRowSource {
    explicit CountingSource(std::size_t rows) : rows(rows) { }
    std::size_t RowCount() const override { return rows; }
    std::size_t ColumnCount() const override { return 2; }
    std::string Heading(std::size_t c) const override { return c == 0 ? "Name" : "Distance"; }
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& out) const override
    {
        out.clear();
        for (std::size_t r = first; r < rows && r < first + count; ++r) {
            out.push_back({"Point " + std::to_string(r), std::to_string((r * 7919) % 1000)});
            ++fetched;
        }
    }
    app::ListSortKey SortKey(std::size_t row, std::size_t column) const override
    {
        if (column == 1)
            return static_cast<double>((row * 7919) % 1000);
        return "Point " + std::to_string(row);
    }
    std::size_t rows;
    mutable std::size_t fetched = 0;
};

TEST(ListModelBase, RepaintOfAHundredThousandRowsAsksOnlyForVisibleRows)
{
    App();
    auto source = std::make_shared<CountingSource>(100000);
    app::CListModelBase model(source);
    QTableView view;
    view.setModel(&model);
    app::CListModelBase::SetUpView(view);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    app::CListModelBase::FitColumnsToVisibleRows(view);
    view.scrollTo(model.index(50000, 0));
    source->fetched = 0;
    view.viewport()->repaint();
    // One or two cache blocks, never a walk of the list.
    EXPECT_GT(source->fetched, 0u);
    EXPECT_LE(source->fetched, 2 * app::CListModelBase::kBlockRows);
    EXPECT_EQ(model.index(50000, 0).data().toString(), "Point 50000");
}

TEST(ListModelBase, SortsNumbersAsNumbersAndKeepsTiesInSourceOrder)
{
    App();
    auto source = std::make_shared<CountingSource>(2000);
    app::CListModelBase model(source);
    model.sort(1, Qt::AscendingOrder);
    double previous = -1;
    for (int r = 0; r < 2000; r += 37) {
        const double v = model.index(r, 1).data().toString().toDouble();
        EXPECT_GE(v, previous) << r;
        previous = v;
    }
    // Two rows share each distance; the earlier source row comes first.
    EXPECT_EQ(model.index(0, 1).data().toString(), "0");
    EXPECT_EQ(model.index(0, 0).data().toString(), "Point 0");
    EXPECT_EQ(model.index(1, 0).data().toString(), "Point 1000");
    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(model.index(0, 0).data().toString(), "Point 999");   // text order, not numeric
}

}   // namespace
