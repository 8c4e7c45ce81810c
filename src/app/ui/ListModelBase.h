#pragma once
// The model under every list window (`CListCtrlEx`, `CXListView`,
// `CListFrame`): a table over a row source that fetches only the rows a view
// asks for, a block at a time, keeps the last blocks, and sorts through a row
// index. Views over it use a fixed row height, so Qt never asks for rows it
// does not show, and size columns from the heading and the visible rows.

#include <QAbstractTableModel>

#include <list>
#include <memory>

#include "app/ListRows.h"

class QTableView;

namespace app {

class CListModelBase : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr std::size_t kBlockRows = 64;
    static constexpr std::size_t kCachedBlocks = 8;

    explicit CListModelBase(std::shared_ptr<const app::CRowSource> source,
                            QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The source changed: the cache and the order are dropped.
    void Reload();
    // Rows the source was asked for since the last call (tests, the bench).
    std::size_t TakeFetchedRows();

    // A table view set up for the model: fixed row height, sorting by the
    // heading, whole-row selection, no grid walking of every row.
    static void SetUpView(QTableView& view);
    // Column widths from the heading and the rows in view.
    static void FitColumnsToVisibleRows(QTableView& view);

private:
    const app::ListRow* Row(std::size_t sourceRow) const;

    std::shared_ptr<const app::CRowSource> m_source;
    app::CRowOrder m_order;
    struct Block {
        std::size_t first;
        std::vector<app::ListRow> rows;
    };
    mutable std::list<Block> m_blocks;   // most recently used first
    mutable std::size_t m_fetched = 0;
};

}   // namespace app
