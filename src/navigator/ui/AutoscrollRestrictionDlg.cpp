#include "navigator/ui/AutoscrollRestrictionDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ListRows.h"
#include "app/ui/ListControls.h"

namespace navigator {

namespace {

// The charts as the list's rows.
class CRestrictedRows final : public app::CRowSource {
public:
    explicit CRestrictedRows(std::vector<navigator::CRestrictedChart> charts)
        : m_charts(std::move(charts))
    { }
    std::size_t RowCount() const override { return m_charts.size(); }
    std::size_t ColumnCount() const override { return 3; }
    std::string Heading(std::size_t column) const override
    {
        static const char* const headings[] = {"Number", "Type", "Description"};
        return column < 3 ? headings[column] : "";
    }
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& rows) const override
    {
        for (std::size_t i = first; i < m_charts.size() && i < first + count; ++i)
            rows.push_back({m_charts[i].number, m_charts[i].type, m_charts[i].description});
    }

private:
    std::vector<navigator::CRestrictedChart> m_charts;
};

}   // namespace

CAutoscrollRestrictionDlg::CAutoscrollRestrictionDlg(
    std::vector<navigator::CRestrictedChart> charts, QWidget* parent)
    : QDialog(parent), m_charts(std::move(charts)), m_kept(m_charts), m_selection(m_charts.size())
{
    setWindowTitle(tr("Charts restricted by Autoscroll"));
    setObjectName("AutoscrollRestrictions");
    m_list = new app::CListCtrlEx(std::make_shared<CRestrictedRows>(m_charts), this);
    m_list->setObjectName("restrictedCharts");
    // Rows stay in list order: Remove keeps the others in that order.
    m_list->setSortingEnabled(false);
    m_selectAll = new QPushButton(tr("Select &All"), this);
    m_selectNone = new QPushButton(tr("Select &None"), this);
    m_remove = new QPushButton(tr("&Remove"), this);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    m_remove->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_selectAll);
    buttons->addWidget(m_selectNone);
    buttons->addStretch();
    buttons->addWidget(m_remove);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    // Each column as wide as its heading and widest text, and a margin.
    m_list->FitColumns();
    for (int c = 0; c < 3; ++c)
        m_list->setColumnWidth(c, m_list->columnWidth(c) + 20);
    int width = m_list->verticalHeader()->isVisible() ? m_list->verticalHeader()->width() : 0;
    for (int c = 0; c < 3; ++c)
        width += m_list->columnWidth(c);
    m_list->setMinimumWidth(std::min(width + 2 * m_list->frameWidth() + 24, 900));
    if (!m_charts.empty())
        m_list->selectionModel()->setCurrentIndex(m_list->model()->index(0, 0),
                                                  QItemSelectionModel::NoUpdate);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ReadSelection(); });
    connect(m_selectAll, &QPushButton::clicked, this, [this] {
        m_selection.SelectAll();
        if (m_selection.Rows() >= 2)
            m_list->SelectRange(0, static_cast<int>(m_selection.Rows()) - 1);
        else
            m_list->SelectRange(0, 0);
    });
    connect(m_selectNone, &QPushButton::clicked, this, [this] { m_list->SelectNone(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { OnRemove(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateButtons();
}

void CAutoscrollRestrictionDlg::ReadSelection()
{
    m_selection.SelectNone();
    for (const QModelIndex& row : m_list->selectionModel()->selectedRows())
        m_selection.Set(static_cast<std::size_t>(row.row()), true);
    UpdateButtons();
}

void CAutoscrollRestrictionDlg::UpdateButtons()
{
    m_remove->setEnabled(m_selection.CanRemove());
    m_selectNone->setEnabled(m_selection.CanSelectNone());
    m_selectAll->setEnabled(m_selection.CanSelectAll());
}

void CAutoscrollRestrictionDlg::OnRemove()
{
    m_kept = m_selection.Kept(m_charts);
    accept();
}

}   // namespace navigator
