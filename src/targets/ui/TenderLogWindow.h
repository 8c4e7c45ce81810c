#pragma once
// "Tender Target Log": one tender's track as a table, oldest fix first, one
// row per fix. The model holds only a row count; each cell is formatted when
// the view asks for it, so a long track costs nothing until it is shown.

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

#include "targets/TenderRows.h"

class QTableView;

namespace targets {

class CTenderLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Format = std::function<geo::CPositionFormat()>;
    CTenderLogModel(Format format, LocalTimeText local, QObject* parent = nullptr);

    // The tender shown, looked up at every use (the list it lives in may
    // move it); none: empty. Every fix is a row.
    using Source = std::function<const CTender*()>;
    void SetTender(Source source);
    // The track grew: only the count changes, nothing shown is redrawn.
    void FixesAdded();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    Source m_source;
    int m_rows = 0;
    struct CRowCache {
        const CTender* tender = nullptr;
        int row = -1;
        std::chrono::system_clock::time_point utc{};
        geo::CPositionFormat format;
        std::array<std::string, kTenderLogColumns> cells;
    };
    mutable CRowCache m_cache;
    Format m_format;
    LocalTimeText m_local;
};

class CTenderLogWindow : public QWidget {
    Q_OBJECT
public:
    CTenderLogWindow(CTenderLogModel::Format format, LocalTimeText local, QWidget* parent);
    void SetTender(CTenderLogModel::Source source);
    void FixesAdded();
    int Rows() const { return m_model->rowCount(); }

private:
    CTenderLogModel* m_model;
    QTableView* m_view;
};

}   // namespace targets
