#include "chartpoints/ui/ChartpointListWindow.h"

#include "chartpoints/ChartpointList.h"
#include "chartpoints/ChartpointModule.h"
#include "db/DBChartPoint.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace chartpoints {

CChartpointListWindow::CChartpointListWindow(chartpoints::CChartpointModule& module,
                                             AddToRoute addToRoute, QWidget* parent,
                                             std::function<geo::CPositionFormat()> format)
    : app::CListFrame(
          QString(),
          std::make_shared<chartpoints::CChartpointRowSource>(module.Table(), std::move(format)),
          parent),
      m_module(module), m_addToRoute(std::move(addToRoute))
{
    setObjectName("ChartpointList");
    app::CXListView* view = View();
    view->setObjectName("ChartpointListView");
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // The table sorts, not the list: a heading click picks the table's order.
    view->setSortingEnabled(false);
    view->horizontalHeader()->setSortIndicatorShown(false);
    view->horizontalHeader()->setSectionsClickable(true);
    // Every column keeps its own width, the last one too: a wide window
    // shows empty space after it.
    view->horizontalHeader()->setStretchLastSection(false);
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_module.SortBy(chartpoints::SortIndexOfColumn(column)); });
    connect(view, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index) { GoToRow(index.row()); });
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { AddCurrentToRoute(); });
    view->installEventFilter(this);
    Rebuild();
    // Each column as wide as its title and 50 pixels, set once: rows that
    // come later (to a list opened empty) find the same widths.
    const QFontMetrics metrics = view->horizontalHeader()->fontMetrics();
    for (int c = 0; c < view->model()->columnCount(); ++c)
        view->setColumnWidth(
            c, metrics.horizontalAdvance(view->model()->headerData(c, Qt::Horizontal).toString()) +
                   50);
}

void CChartpointListWindow::Rebuild()
{
    db::CDBChartPoint& table = m_module.Table();
    setWindowTitle(QStringLiteral("Chartpoint Database - ") +
                   QString::fromStdString(table.IsOpen() ? table.GetName() : std::string()));
    View()->Reload();
    const bool rows = m_module.IsDatabaseOpen();
    View()->horizontalHeader()->setEnabled(rows);
    SelectCurrent();
}

void CChartpointListWindow::Update(int hint)
{
    if (hint == chartpoints::kHintCurrent) {
        SelectCurrent();
        View()->viewport()->update();
        return;
    }
    View()->Reload();
    View()->horizontalHeader()->setEnabled(m_module.IsDatabaseOpen());
    SelectCurrent();
}

int CChartpointListWindow::SelectedRow() const
{
    const QModelIndexList rows = View()->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CChartpointListWindow::SelectCurrent()
{
    app::CXListView* view = View();
    if (!m_module.IsDatabaseOpen()) {
        view->SelectNone();
        return;
    }
    const int row = int(m_module.Table().GetOrdinal()) - 1;
    if (row < 0 || row >= view->model()->rowCount()) {
        view->SelectNone();
        return;
    }
    const QModelIndex index = view->model()->index(row, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    view->scrollTo(index);
}

void CChartpointListWindow::GoToRow(int row)
{
    if (row < 0 || !m_module.IsDatabaseOpen())
        return;
    m_module.GoToRow(row);
    SelectCurrent();
}

void CChartpointListWindow::AddCurrentToRoute()
{
    if (SelectedRow() >= 0 && m_addToRoute)
        m_addToRoute(m_module.Current());
}

bool CChartpointListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != View() || event->type() != QEvent::KeyPress)
        return app::CListFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    using chartpoints::FocusKey;
    std::optional<FocusKey> focus;
    switch (key->key()) {
    case Qt::Key_Up: focus = FocusKey::Up; break;
    case Qt::Key_Down: focus = FocusKey::Down; break;
    case Qt::Key_Home: focus = FocusKey::Home; break;
    case Qt::Key_End: focus = FocusKey::End; break;
    case Qt::Key_PageUp: focus = FocusKey::PageUp; break;
    case Qt::Key_PageDown: focus = FocusKey::PageDown; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: AddCurrentToRoute(); return true;
    default: return app::CListFrame::eventFilter(watched, event);
    }
    app::CXListView* view = View();
    const int rowHeight = std::max(1, view->verticalHeader()->defaultSectionSize());
    const int perPage = std::max(1, view->viewport()->height() / rowHeight);
    const std::optional<int> row =
        chartpoints::FocusRowForKey(*focus, SelectedRow(), view->model()->rowCount(), perPage);
    if (row)   // an empty list has no row to go to
        GoToRow(*row);
    return true;
}

}   // namespace chartpoints
