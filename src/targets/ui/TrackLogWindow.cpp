#include "targets/ui/TrackLogWindow.h"

#include <QHeaderView>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace targets {

CTrackLogModel::CTrackLogModel(std::vector<const char*> headers, Format format, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_format(std::move(format))
{ }

void CTrackLogModel::SetSource(std::unique_ptr<CTrackLogSource> source)
{
    beginResetModel();
    m_cache = {};
    m_source = std::move(source);
    m_rows = Shown() ? int(m_source->FixCount()) : 0;
    endResetModel();
}

void CTrackLogModel::FixesAdded()
{
    if (!Shown()) {
        SetSource(nullptr);
        return;
    }
    const int now = int(m_source->FixCount());
    if (now <= m_rows)
        return;
    beginInsertRows({}, m_rows, now - 1);
    m_rows = now;
    endInsertRows();
}

int CTrackLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CTrackLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CTrackLogModel::data(const QModelIndex& index, int role) const
{
    const void* target = Shown();
    if (role != Qt::DisplayRole || target == nullptr || index.row() >= m_rows ||
        index.row() >= int(m_source->FixCount()) || index.column() >= columnCount())
        return {};
    // The view asks a row cell by cell: its texts are made once and kept
    // until another row, target, fix or position format is asked for.
    const geo::CPositionFormat format = m_format ? m_format() : geo::CPositionFormat{};
    const auto row = std::size_t(index.row());
    const auto utc = m_source->FixTime(row);
    if (m_cache.target != target || m_cache.row != index.row() || m_cache.utc != utc ||
        m_cache.format.decimalPlaces != format.decimalPlaces ||
        m_cache.format.degMinSec != format.degMinSec) {
        m_cache.cells = m_source->FixTexts(row, format);
        m_cache.target = target;
        m_cache.utc = utc;
        m_cache.row = index.row();
        m_cache.format = format;
    }
    const auto column = std::size_t(index.column());
    return column < m_cache.cells.size() ? QString::fromStdString(m_cache.cells[column])
                                         : QVariant();
}

QVariant CTrackLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    return QString(m_headers[std::size_t(section)]);
}

CTrackLogWindow::CTrackLogWindow(const char* objectName, std::unique_ptr<CTrackLogModel> model,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = model.release();
    m_model->setParent(this);
    m_view = new QTableView(this);
    m_view->setObjectName("fixes");
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->verticalHeader()->setVisible(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    const QFontMetrics metrics(m_view->horizontalHeader()->font());
    for (int i = 0; i < m_model->columnCount(); ++i)
        m_view->setColumnWidth(i,
                               metrics.horizontalAdvance(m_model->Headers()[std::size_t(i)]) + 30);
    m_view->setColumnWidth(0, 120);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(720, 320);
    // A window of its own: Escape closes it, as the menu's View does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void CTrackLogWindow::Show(std::unique_ptr<CTrackLogSource> source, const std::string& title)
{
    m_model->SetSource(std::move(source));
    setWindowTitle(QString::fromStdString(title));
}

}   // namespace targets
