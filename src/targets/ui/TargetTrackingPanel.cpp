#include "targets/ui/TargetTrackingPanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/CommandIds.h"
#include "app/CommandTable.h"

namespace targets {

namespace {
constexpr int kKeyRole = Qt::UserRole + 1;
}   // namespace

CTargetTrackingPanel::CTargetTrackingPanel(QWidget* parent) : app::CSidePanel(parent)
{
    setObjectName("TargetTrackingPanel");
    auto* body = new QWidget(this);
    m_caption = new QLabel(tr("Target Tracking"), body);
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    m_caption->setAutoFillBackground(true);
    m_caption->setForegroundRole(QPalette::HighlightedText);
    m_caption->setBackgroundRole(QPalette::Highlight);
    m_tabs = new QTabWidget(body);
    const char* names[2] = {"arpaTargets", "tenderTargets"};
    const QString titles[2] = {tr("ARPA"), tr("Tender")};
    for (int card = 0; card < 2; ++card) {
        auto* list = new QTreeWidget(m_tabs);
        list->setObjectName(names[card]);
        list->setRootIsDecorated(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setUniformRowHeights(true);
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, card, list] {
            const auto items = list->selectedItems();
            if (selected)
                selected(Card(card),
                         items.isEmpty() ? -1 : items.front()->data(0, kKeyRole).toInt());
        });
        m_lists[card] = list;
        if (card == kArpa) {
            auto* page = new QWidget(m_tabs);
            auto* column = new QVBoxLayout(page);
            column->setContentsMargins(0, 0, 0, 0);
            column->addWidget(list, 1);
            auto* buttons = new QHBoxLayout();
            auto* open = new QPushButton(tr("&Open"), page);
            open->setObjectName("arpaOpen");
            open->setEnabled(false);
            m_delete = new QPushButton(tr("&Delete"), page);
            m_delete->setObjectName("arpaDelete");
            m_delete->setEnabled(false);
            connect(m_delete, &QPushButton::clicked, this, [this] {
                if (m_commands)
                    m_commands->Execute(app::cmd::kArpaDelete);
            });
            buttons->addWidget(open);
            buttons->addWidget(m_delete);
            buttons->addStretch(1);
            column->addLayout(buttons);
            m_tabs->addTab(page, titles[card]);
        } else {
            m_tabs->addTab(list, titles[card]);
        }
    }
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_caption);
    layout->addWidget(m_tabs, 1);
    setWidget(body);
    setWindowTitle(GetTitle());
}

void CTargetTrackingPanel::InitPanel()
{
    app::CSidePanel::InitPanel();
}

void CTargetTrackingPanel::UpdatePanelControls(app::CCommandTable& commands,
                                               bool /*disableIfNoHandler*/)
{
    m_commands = &commands;
    const bool enabled = commands.Update(app::cmd::kArpaDelete, false).enabled;
    if (m_delete->isEnabled() != enabled)
        m_delete->setEnabled(enabled);
    // The "ARPA" card's list is offered while it has rows.
    QTreeWidget* arpa = m_lists[kArpa];
    const bool rows = arpa->topLevelItemCount() > 0;
    if (arpa->isEnabled() != rows)
        arpa->setEnabled(rows);
}

void CTargetTrackingPanel::SetHeaders(Card card, const std::vector<std::string>& headers)
{
    QStringList labels;
    for (const auto& h : headers)
        labels << QString::fromStdString(h);
    QTreeWidget* list = m_lists[card];
    list->setHeaderLabels(labels);
    const QFontMetrics metrics(list->header()->font());
    const int extra = card == kArpa ? 30 : 40;
    for (int i = 0; i < labels.size(); ++i)
        list->setColumnWidth(i, metrics.horizontalAdvance(labels[i]) + extra);
    // The ARPA card's "Local Time" holds a date and a time.
    if (card == kArpa && labels.size() > kArpaLocalTimeColumn)
        list->setColumnWidth(kArpaLocalTimeColumn, 120);
}

void CTargetTrackingPanel::UpdateRow(Card card, int key, const std::vector<std::string>& texts)
{
    QTreeWidget* list = m_lists[card];
    QTreeWidgetItem*& row = m_rows[card][key];
    if (!row) {
        row = new QTreeWidgetItem(list);
        row->setData(0, kKeyRole, key);
    }
    for (std::size_t i = 0; i < texts.size(); ++i)
        row->setText(int(i), QString::fromStdString(texts[i]));
}

void CTargetTrackingPanel::UpdateCells(Card card, int key, int firstColumn,
                                       const std::vector<std::string>& texts)
{
    if (QTreeWidgetItem* row = m_rows[card].value(key))
        for (std::size_t i = 0; i < texts.size(); ++i)
            row->setText(firstColumn + int(i), QString::fromStdString(texts[i]));
}

void CTargetTrackingPanel::RemoveRow(Card card, int key)
{
    QTreeWidgetItem* row = m_rows[card].take(key);
    if (!row)
        return;
    QTreeWidget* list = m_lists[card];
    // A removed selected row leaves no selection: the list would otherwise
    // select its neighbour, and that target would become the selected one.
    if (list->currentItem() == row || row->isSelected()) {
        const QSignalBlocker quiet(list);
        list->selectionModel()->clear();
    }
    delete list->takeTopLevelItem(list->indexOfTopLevelItem(row));
}

void CTargetTrackingPanel::SelectRow(Card card, int key)
{
    if (QTreeWidgetItem* row = m_rows[card].value(key)) {
        m_lists[card]->setCurrentItem(row);
        m_lists[card]->scrollToItem(row);
    }
}

int CTargetTrackingPanel::RowCount(Card card) const
{
    return m_lists[card]->topLevelItemCount();
}

void CTargetTrackingPanel::ShowCard(Card card)
{
    m_tabs->setCurrentIndex(card);
}

}   // namespace targets
