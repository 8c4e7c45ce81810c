#include "app/ui/ListControls.h"

#include <QIcon>

#include <QItemSelection>
#include <QMouseEvent>

namespace app {

CListCtrlEx::CListCtrlEx(std::shared_ptr<const app::CRowSource> source, QWidget* parent)
    : QTableView(parent), m_model(new CListModelBase(std::move(source), this))
{
    setModel(m_model);
    CListModelBase::SetUpView(*this);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void CListCtrlEx::mousePressEvent(QMouseEvent* event)
{
    if (!m_clicksOffRows && !indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void CListCtrlEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_clicksOffRows && !indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CListCtrlEx::SelectRange(int first, int last)
{
    const int rows = m_model->rowCount();
    first = std::clamp(first, 0, std::max(0, rows - 1));
    last = std::clamp(last, first, std::max(0, rows - 1));
    if (rows == 0)
        return;
    const QItemSelection range(m_model->index(first, 0),
                               m_model->index(last, m_model->columnCount() - 1));
    selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
}

void CListCtrlEx::SelectNone()
{
    selectionModel()->clearSelection();
}

int CListCtrlEx::SelectedCount() const
{
    int count = 0;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        count += r.height();
    return count;
}

CListFrame::CListFrame(const QString& title, std::shared_ptr<const app::CRowSource> source,
                       QWidget* parent)
    : QMdiSubWindow(parent), m_view(new CXListView(std::move(source), this))
{
    setWindowTitle(title);
    // The list picture in the caption and the Window menu, whatever list it
    // holds; the view covers the whole frame, which paints nothing itself.
    setWindowIcon(QIcon(QStringLiteral(":/icons/log-window.svg")));
    setWidget(m_view);
    setAttribute(Qt::WA_DeleteOnClose);
}

}   // namespace app
