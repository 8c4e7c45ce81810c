#include "app/ui/ListModelBase.h"

#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace app {

CListModelBase::CListModelBase(std::shared_ptr<const app::CRowSource> source, QObject* parent)
    : QAbstractTableModel(parent), m_source(std::move(source))
{ }

int CListModelBase::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_source->RowCount());
}

int CListModelBase::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_source->ColumnCount());
}

const app::ListRow* CListModelBase::Row(std::size_t sourceRow) const
{
    const std::size_t first = sourceRow / kBlockRows * kBlockRows;
    auto it = std::find_if(m_blocks.begin(), m_blocks.end(),
                           [&](const Block& b) { return b.first == first; });
    if (it == m_blocks.end()) {
        Block block{first, {}};
        m_source->FetchRows(first, kBlockRows, block.rows);
        m_fetched += block.rows.size();
        m_blocks.push_front(std::move(block));
        if (m_blocks.size() > kCachedBlocks)
            m_blocks.pop_back();
        it = m_blocks.begin();
    } else if (it != m_blocks.begin()) {
        m_blocks.splice(m_blocks.begin(), m_blocks, it);
        it = m_blocks.begin();
    }
    const std::size_t offset = sourceRow - first;
    return offset < it->rows.size() ? &it->rows[offset] : nullptr;
}

QVariant CListModelBase::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const app::ListRow* row = Row(m_order.SourceRow(static_cast<std::size_t>(index.row())));
    const auto column = static_cast<std::size_t>(index.column());
    if (!row || column >= row->size())
        return {};
    return QString::fromStdString((*row)[column]);
}

QVariant CListModelBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(m_source->Heading(static_cast<std::size_t>(section)));
}

void CListModelBase::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || static_cast<std::size_t>(column) >= m_source->ColumnCount())
        return;
    emit layoutAboutToBeChanged();
    m_order.SortBy(*m_source, static_cast<std::size_t>(column), order == Qt::AscendingOrder);
    emit layoutChanged();
}

void CListModelBase::Reload()
{
    beginResetModel();
    m_blocks.clear();
    m_order.Reset(m_source->RowCount());
    endResetModel();
}

std::size_t CListModelBase::TakeFetchedRows()
{
    return std::exchange(m_fetched, 0);
}

void CListModelBase::SetUpView(QTableView& view)
{
    QHeaderView* rows = view.verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view.fontMetrics().height() + 4);
    rows->hide();
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view.horizontalHeader()->setStretchLastSection(true);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    // Sorting is offered by the heading, but not run at once: a new list
    // keeps its source order until the user picks a column.
    view.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view.setSortingEnabled(true);
    view.setWordWrap(false);
}

void CListModelBase::FitColumnsToVisibleRows(QTableView& view)
{
    QAbstractItemModel* model = view.model();
    if (!model)
        return;
    const int first = std::max(0, view.rowAt(0));
    int last = view.rowAt(view.viewport()->height() - 1);
    if (last < 0)
        last = std::min(model->rowCount() - 1,
                        first + view.viewport()->height() /
                                    std::max(1, view.verticalHeader()->defaultSectionSize()));
    const QFontMetrics metrics = view.fontMetrics();
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = metrics.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 24;
        for (int r = first; r <= last; ++r)
            width = std::max(width,
                             metrics.horizontalAdvance(model->index(r, c).data().toString()) + 12);
        view.setColumnWidth(c, width);
    }
}

}   // namespace app
