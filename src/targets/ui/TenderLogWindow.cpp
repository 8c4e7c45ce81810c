#include "targets/ui/TenderLogWindow.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace targets {

CTenderLogModel::CTenderLogModel(Format format, LocalTimeText local, QObject* parent)
    : QAbstractTableModel(parent), m_format(std::move(format)), m_local(std::move(local))
{ }

void CTenderLogModel::SetTender(Source source)
{
    beginResetModel();
    m_cache = {};
    m_source = std::move(source);
    const CTender* tender = m_source ? m_source() : nullptr;
    m_rows = tender ? int(tender->track.size()) : 0;
    endResetModel();
}

void CTenderLogModel::FixesAdded()
{
    const CTender* tender = m_source ? m_source() : nullptr;
    if (!tender) {
        SetTender({});
        return;
    }
    const int now = int(tender->track.size());
    if (now <= m_rows)
        return;
    beginInsertRows({}, m_rows, now - 1);
    m_rows = now;
    endInsertRows();
}

int CTenderLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CTenderLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kTenderLogColumns;
}

QVariant CTenderLogModel::data(const QModelIndex& index, int role) const
{
    const CTender* tender = m_source ? m_source() : nullptr;
    if (role != Qt::DisplayRole || !tender || index.row() >= m_rows ||
        index.row() >= int(tender->track.size()) || index.column() >= kTenderLogColumns)
        return {};
    // The view asks a row cell by cell: its texts are made once and kept
    // until another row, tender, fix or position format is asked for.
    const geo::CPositionFormat format = m_format ? m_format() : geo::CPositionFormat{};
    const CTenderFix& fix = tender->track[std::size_t(index.row())];
    if (m_cache.tender != tender || m_cache.row != index.row() || m_cache.utc != fix.utc ||
        m_cache.format.decimalPlaces != format.decimalPlaces ||
        m_cache.format.degMinSec != format.degMinSec) {
        m_cache.cells = TenderFixTexts(fix, format, m_local);
        m_cache.tender = tender;
        m_cache.utc = fix.utc;
        m_cache.row = index.row();
        m_cache.format = format;
    }
    return QString::fromStdString(m_cache.cells[std::size_t(index.column())]);
}

QVariant CTenderLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section >= kTenderLogColumns)
        return {};
    return QString(kTenderLogHeaders[section]);
}

CTenderLogWindow::CTenderLogWindow(CTenderLogModel::Format format, LocalTimeText local,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName("TenderTargetLog");
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = new CTenderLogModel(std::move(format), std::move(local), this);
    m_view = new QTableView(this);
    m_view->setObjectName("fixes");
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->verticalHeader()->setVisible(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    const QFontMetrics metrics(m_view->horizontalHeader()->font());
    for (int i = 0; i < kTenderLogColumns; ++i)
        m_view->setColumnWidth(i, metrics.horizontalAdvance(kTenderLogHeaders[i]) + 30);
    m_view->setColumnWidth(0, 160);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(720, 320);
    SetTender({});
}

void CTenderLogWindow::SetTender(CTenderLogModel::Source source)
{
    const CTender* tender = source ? source() : nullptr;
    m_model->SetTender(std::move(source));
    setWindowTitle(QString::fromStdString(TenderLogTitle(tender)));
}

void CTenderLogWindow::FixesAdded()
{
    m_model->FixesAdded();
}

}   // namespace targets
