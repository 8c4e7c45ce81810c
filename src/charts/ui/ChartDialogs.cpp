#include "charts/ui/ChartDialogs.h"

#include "charts/hcrf/HCRFModule.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace charts {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QTreeWidget* MakeTable(const QStringList& columns, const char* name)
{
    auto* table = new QTreeWidget;
    table->setObjectName(name);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setHeaderLabels(columns);
    // Every column keeps its fitted width; the last is not stretched to the edge.
    table->header()->setStretchLastSection(false);
    return table;
}

// Each column as wide as its widest text plus `margin` pixels.
void FitColumns(QTreeWidget* table, int margin)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        table->resizeColumnToContents(c);
        table->setColumnWidth(c, table->columnWidth(c) + margin);
    }
}

// The dialog width that shows every column without a horizontal scroll bar:
// the columns plus the frames and margins of the dialog and its group box.
int TableWidth(QTreeWidget* table)
{
    int width = 80;
    for (int c = 0; c < table->columnCount(); ++c)
        width += table->columnWidth(c);
    return width;
}

}   // namespace

// ---- Open Chart ----------------------------------------------------------------------

COpenArcsDlg::COpenArcsDlg(const chart::Folio& folio, QWidget* parent) : QDialog(parent)
{
    setObjectName("OpenChart");
    setWindowTitle("Open Chart");
    m_list.Fill(folio);
    m_table = MakeTable({"Chart", "Description"}, "Charts");
    for (const auto& row : m_list.Rows())
        new QTreeWidgetItem(m_table, {Q(row.number), Q(row.description)});
    FitColumns(m_table, 20);
    m_find = new QLineEdit;
    m_find->setObjectName("FindText");
    m_findButton = new QPushButton("&Find");
    m_findButton->setObjectName("Find");
    m_findButton->setEnabled(false);
    m_findButton->setAutoDefault(false);
    m_matchCase = new QCheckBox("&Match case");
    m_matchCase->setObjectName("MatchCase");
    m_description = new QLineEdit;
    m_description->setObjectName("Description");
    m_description->setReadOnly(true);
    auto* ok = new QPushButton("&OK");
    auto* cancel = new QPushButton("&Cancel");
    ok->setDefault(true);
    cancel->setAutoDefault(false);

    auto* select = new QGroupBox("Select chart");
    auto* selectLayout = new QVBoxLayout(select);
    selectLayout->addWidget(m_table);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(m_find, 1);
    findRow->addWidget(m_findButton);
    findRow->addWidget(m_matchCase);
    selectLayout->addLayout(findRow);
    auto* details = new QGroupBox("Description");
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->addWidget(m_description);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(select, 1);
    layout->addWidget(details);
    layout->addLayout(buttons);
    resize(std::max(420, TableWidth(m_table)), 420);

    connect(m_find, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_findButton->setEnabled(!text.isEmpty()); });
    connect(m_findButton, &QPushButton::clicked, this, &COpenArcsDlg::Find);
    connect(m_table, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto row = SelectedRow();
        m_description->setText(row ? Q(m_list.DescriptionLine(*row)) : QString());
    });
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(ok, &QPushButton::clicked, this, &COpenArcsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (!m_list.Rows().empty())
        SelectRow(0);
    // A chart is usually opened by typing its number.
    m_find->setFocus();
}

std::optional<std::size_t> COpenArcsDlg::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_table->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const int row = m_table->indexOfTopLevelItem(selected.front());
    return row < 0 ? std::nullopt : std::optional<std::size_t>(std::size_t(row));
}

void COpenArcsDlg::SelectRow(std::size_t row)
{
    if (QTreeWidgetItem* item = m_table->topLevelItem(int(row))) {
        m_table->setCurrentItem(item);
        item->setSelected(true);
        m_table->scrollToItem(item);
    }
}

void COpenArcsDlg::Find()
{
    const auto hit =
        m_list.Find(m_find->text().toStdString(), m_matchCase->isChecked(), SelectedRow());
    if (hit)
        SelectRow(*hit);
}

void COpenArcsDlg::accept()
{
    // A chart the catalogue does not hold leaves the dialog open.
    const auto row = SelectedRow();
    const std::string path = row ? m_list.ChosenPath(*row) : std::string{};
    if (path.empty())
        return;
    m_path = path;
    QDialog::accept();
}

// ---- Charts Available ----------------------------------------------------------------

CChartListDlg::CChartListDlg(charts::hcrf::CHCRFDoc& doc, const geo::CPosition& position,
                             QWidget* parent)
    : QDialog(parent), m_rows(charts::hcrf::ChartsAtPosition(doc.Folio(), position)),
      m_roomForNew(doc.CanOpenChartWindow())
{
    setObjectName("ChartsAvailable");
    setWindowTitle("Charts Available");
    m_table = MakeTable({"Chart", "Plan", "Scale", "Description"}, "Charts");
    for (const auto& row : m_rows)
        new QTreeWidgetItem(m_table, {Q(row.number), QString::number(row.plan),
                                      Q(charts::hcrf::ScaleText(row.scale)), Q(row.description)});
    FitColumns(m_table, 0);
    m_new = new QPushButton("&New");
    m_open = new QPushButton("&Open");
    auto* cancel = new QPushButton("&Cancel");
    m_open->setDefault(true);
    m_new->setAutoDefault(false);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_new);
    buttons->addWidget(m_open);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(std::max(420, TableWidth(m_table)), 300);

    auto end = [this](int result) {
        const QList<QTreeWidgetItem*> selected = m_table->selectedItems();
        if (selected.isEmpty())
            return;
        m_chosen = std::size_t(m_table->indexOfTopLevelItem(selected.front()));
        done(result);
    };
    connect(m_table, &QTreeWidget::itemSelectionChanged, this, &CChartListDlg::UpdateButtons);
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, [end] { end(kOpen); });
    connect(m_new, &QPushButton::clicked, this, [this, end] {
        if (m_roomForNew)
            end(kNew);
    });
    connect(m_open, &QPushButton::clicked, this, [end] { end(kOpen); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    const auto shown =
        charts::hcrf::RowOfChart(m_rows, doc.Record().number, unsigned(doc.CurrentPanel()));
    if (QTreeWidgetItem* item = shown ? m_table->topLevelItem(int(*shown)) : nullptr) {
        m_table->setCurrentItem(item);
        item->setSelected(true);
    }
    m_table->setFocus();
    UpdateButtons();
}

void CChartListDlg::UpdateButtons()
{
    const bool selected = !m_table->selectedItems().isEmpty();
    m_open->setEnabled(selected);
    m_new->setEnabled(selected && m_roomForNew);
}

const charts::hcrf::CChartAtPosition* CChartListDlg::Chosen() const
{
    return m_chosen && *m_chosen < m_rows.size() ? &m_rows[*m_chosen] : nullptr;
}

void RunChartsAtPosition(charts::hcrf::CHCRFDoc& doc, const geo::CPosition& position,
                         QWidget* parent)
{
    CChartListDlg dialog(doc, position, parent);
    const int result = dialog.exec();
    const charts::hcrf::CChartAtPosition* chosen = dialog.Chosen();
    if ((result == CChartListDlg::kNew || result == CChartListDlg::kOpen) && chosen && chosen->item)
        doc.OpenChartAtPosition(*chosen->item, position, result == CChartListDlg::kNew);
}

// ---- Chart Notes ---------------------------------------------------------------------

CNotesDialog::CNotesDialog(charts::hcrf::CHCRFDoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_lines(doc.NoteLines())
{
    setObjectName("ChartNotes");
    setWindowTitle("Chart Notes");
    m_list = new QListWidget;
    m_list->setObjectName("Notes");
    for (const auto& line : m_lines)
        m_list->addItem(Q(line.text));
    m_goto = new QPushButton("&Goto");
    m_goto->setEnabled(false);
    auto* close = new QPushButton("&Close");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_goto);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(320, 260);
    // Goto follows the line picked, not the list's cursor: the list takes a
    // cursor on its first line as it gets the keyboard, with nothing picked.
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_goto->setEnabled(SelectedRow() >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CNotesDialog::GotoSelected);
    connect(m_goto, &QPushButton::clicked, this, &CNotesDialog::GotoSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

int CNotesDialog::SelectedRow() const
{
    const QList<QListWidgetItem*> picked = m_list->selectedItems();
    return picked.isEmpty() ? -1 : m_list->row(picked.front());
}

void CNotesDialog::GotoSelected()
{
    const int row = SelectedRow();
    if (row >= 0 && std::size_t(row) < m_lines.size())
        m_doc.GotoNote(m_lines[std::size_t(row)].note);
}

// ---- Notices to mariners -------------------------------------------------------------

CAddNtmDialog::CAddNtmDialog(charts::hcrf::CHCRFDoc& doc, QWidget* parent)
    : QDialog(parent), m_folder(doc.NoticesFolder())
{
    setObjectName("Notices");
    setWindowTitle("Temporary and Preliminary Notices To Mariners");
    m_list = new QListWidget;
    m_list->setObjectName("NoticeFiles");
    for (const std::string& name : charts::hcrf::ListNoticeFiles(m_folder))
        m_list->addItem(Q(name));
    m_title = new QLabel;
    m_title->setObjectName("NoticeTitle");
    m_text = new QPlainTextEdit;
    m_text->setObjectName("NoticeText");
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* done = new QPushButton("&Done");
    auto* right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_text, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list);
    top->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(640, 360);
    // A notice is shown when a file is picked, not when the list takes its
    // keyboard cursor on the first line.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> picked = m_list->selectedItems();
        if (!picked.isEmpty())
            ShowNotice(picked.front()->text());
    });
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

void CAddNtmDialog::ShowNotice(const QString& name)
{
    if (name.isEmpty())
        return;
    const std::string file = name.toStdString();
    m_title->setText(Q(charts::hcrf::NoticeTitle(file)));
    m_text->setPlainText(Q(charts::hcrf::ReadNoticeText(m_folder / file)));
}

}   // namespace charts
