#include "shell/CustomiseDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace shell {

CCustomiseDlg::CCustomiseDlg(app::CToolbarCustomisation layout, std::vector<CBar> bars,
                             std::vector<app::CCommandGroup> groups,
                             std::function<QString(unsigned)> label, QWidget* parent,
                             const std::vector<unsigned>& menuButtons)
    : QDialog(parent), m_layout(std::move(layout)), m_bars(std::move(bars)),
      m_groupList(std::move(groups)), m_label(std::move(label))
{
    setWindowTitle(tr("Customize"));
    auto* tabs = new QTabWidget(this);

    // Toolbars: shown or hidden, and back to their own buttons.
    auto* barsPage = new QWidget;
    m_barList = new QListWidget(barsPage);
    m_barList->setObjectName("toolbars");
    for (const CBar& bar : m_bars) {
        auto* item = new QListWidgetItem(bar.title, m_barList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(bar.visible ? Qt::Checked : Qt::Unchecked);
    }
    connect(m_barList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        m_bars[static_cast<std::size_t>(m_barList->row(item))].visible =
            item->checkState() == Qt::Checked;
    });
    m_barList->setCurrentRow(0);
    auto* barsLabel = new QLabel(tr("&Toolbars"), barsPage);
    barsLabel->setBuddy(m_barList);
    auto* reset = new QPushButton(tr("R&eset"), barsPage);
    connect(reset, &QPushButton::clicked, this, [this] { ResetSelectedBar(); });
    auto* newBar = new QPushButton(tr("&New..."), barsPage);
    newBar->setObjectName("newBar");
    m_rename = new QPushButton(tr("Rena&me..."), barsPage);
    m_rename->setObjectName("renameBar");
    m_delete = new QPushButton(tr("&Delete"), barsPage);
    m_delete->setObjectName("deleteBar");
    connect(newBar, &QPushButton::clicked, this, [this] { AskNewBar(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { AskRenameBar(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { DeleteSelectedBar(); });
    connect(m_barList, &QListWidget::currentRowChanged, this, [this] { UpdateBarButtons(); });
    auto* barButtons = new QVBoxLayout;
    for (QPushButton* b : {reset, newBar, m_rename, m_delete})
        barButtons->addWidget(b);
    barButtons->addStretch(1);
    auto* barsLayout = new QGridLayout(barsPage);
    barsLayout->addWidget(barsLabel, 0, 0);
    barsLayout->addWidget(m_barList, 1, 0, 2, 1);
    barsLayout->addLayout(barButtons, 1, 1);
    tabs->addTab(barsPage, tr("Toolbars"));

    // Commands: a group's commands on the left, a toolbar's buttons on the right.
    auto* commandsPage = new QWidget;
    m_groups = new QListWidget(commandsPage);
    m_groups->setObjectName("groups");
    for (const app::CCommandGroup& g : m_groupList)
        m_groups->addItem(QString::fromStdString(g.name));
    m_commands = new QListWidget(commandsPage);
    m_commands->setObjectName("commands");
    m_bar = new QComboBox(commandsPage);
    m_bar->setObjectName("bar");
    for (const CBar& bar : m_bars)
        m_bar->addItem(bar.title);
    m_buttons = new QListWidget(commandsPage);
    m_buttons->setObjectName("buttons");
    auto* groupsLabel = new QLabel(tr("&Categories"), commandsPage);
    groupsLabel->setBuddy(m_groups);
    auto* commandsLabel = new QLabel(tr("Co&mmands"), commandsPage);
    commandsLabel->setBuddy(m_commands);
    auto* barLabel = new QLabel(tr("Tool&bar"), commandsPage);
    barLabel->setBuddy(m_bar);
    auto* add = new QPushButton(tr("&Add >"), commandsPage);
    auto* remove = new QPushButton(tr("< &Remove"), commandsPage);
    auto* up = new QPushButton(tr("Move &Up"), commandsPage);
    auto* down = new QPushButton(tr("Move &Down"), commandsPage);
    connect(add, &QPushButton::clicked, this, [this] { AddSelected(); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(m_groups, &QListWidget::currentRowChanged, this, [this] { ShowGroup(); });
    connect(m_bar, &QComboBox::currentIndexChanged, this, [this] { ShowBar(); });
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    for (QPushButton* b : {add, remove, up, down})
        middle->addWidget(b);
    middle->addStretch(1);
    auto* grid = new QGridLayout(commandsPage);
    grid->addWidget(groupsLabel, 0, 0);
    grid->addWidget(m_groups, 1, 0);
    grid->addWidget(commandsLabel, 0, 1);
    grid->addWidget(m_commands, 1, 1);
    grid->addLayout(middle, 1, 2);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(barLabel);
    barRow->addWidget(m_bar, 1);
    grid->addLayout(barRow, 0, 3);
    grid->addWidget(m_buttons, 1, 3);
    tabs->addTab(commandsPage, tr("Commands"));

    // Menu: the menu bar's menus, each of which a toolbar may carry as a
    // button that drops the menu down; added to the toolbar the Commands
    // page shows.
    auto* menuPage = new QWidget;
    m_menus = new QListWidget(menuPage);
    m_menus->setObjectName("menus");
    for (unsigned id : menuButtons) {
        auto* item = new QListWidgetItem(m_label(id), m_menus);
        item->setData(Qt::UserRole, id);
    }
    m_menus->setCurrentRow(0);
    auto* menusLabel = new QLabel(tr("&Menus"), menuPage);
    menusLabel->setBuddy(m_menus);
    m_menuBarName = new QLabel(menuPage);
    auto* addMenu = new QPushButton(tr("&Add to Toolbar"), menuPage);
    addMenu->setObjectName("addMenu");
    connect(addMenu, &QPushButton::clicked, this, [this] { AddSelectedMenu(); });
    connect(m_bar, &QComboBox::currentTextChanged, m_menuBarName,
            [this](const QString& bar) { m_menuBarName->setText(tr("Toolbar: %1").arg(bar)); });
    auto* menuGrid = new QGridLayout(menuPage);
    menuGrid->addWidget(menusLabel, 0, 0);
    menuGrid->addWidget(m_menus, 1, 0, 3, 1);
    menuGrid->addWidget(m_menuBarName, 1, 1);
    menuGrid->addWidget(addMenu, 2, 1);
    menuGrid->setRowStretch(3, 1);
    tabs->addTab(menuPage, tr("Menu"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(tabs, 1);
    outer->addWidget(buttons);
    resize(760, 440);
    m_groups->setCurrentRow(0);
    m_menuBarName->setText(tr("Toolbar: %1").arg(m_bar->currentText()));
    ShowBar();
    UpdateBarButtons();
}

void CCustomiseDlg::FillBarLists()
{
    const int listRow = m_barList->currentRow();
    const int comboRow = m_bar->currentIndex();
    const QSignalBlocker blockList(m_barList);
    const QSignalBlocker blockCombo(m_bar);
    m_barList->clear();
    m_bar->clear();
    for (const CBar& bar : m_bars) {
        auto* item = new QListWidgetItem(bar.title, m_barList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(bar.visible ? Qt::Checked : Qt::Unchecked);
        m_bar->addItem(bar.title);
    }
    const int last = static_cast<int>(m_bars.size()) - 1;
    m_barList->setCurrentRow(std::min(listRow, last));
    m_bar->setCurrentIndex(std::min(std::max(comboRow, 0), last));
}

void CCustomiseDlg::UpdateBarButtons()
{
    const int row = m_barList->currentRow();
    const bool own = row >= 0 && row < static_cast<int>(m_layout.bars.size()) &&
                     app::IsUserToolbar(m_layout.bars[static_cast<std::size_t>(row)].id);
    m_rename->setEnabled(own);
    m_delete->setEnabled(own);
}

bool CCustomiseDlg::NewBar(const QString& title, QString* refusal)
{
    std::string why;
    const std::optional<std::size_t> added = m_layout.AddUserBar(title.toStdString(), &why);
    if (!added) {
        if (refusal)
            *refusal = QString::fromStdString(why);
        return false;
    }
    m_bars.push_back({QString::fromStdString(m_layout.bars[*added].title), true, {}});
    FillBarLists();
    m_barList->setCurrentRow(static_cast<int>(*added));
    m_bar->setCurrentIndex(static_cast<int>(*added));
    ShowBar();
    UpdateBarButtons();
    return true;
}

bool CCustomiseDlg::RenameSelectedBar(const QString& title, QString* refusal)
{
    const int row = m_barList->currentRow();
    std::string why;
    if (row < 0 ||
        !m_layout.RenameUserBar(static_cast<std::size_t>(row), title.toStdString(), &why)) {
        if (refusal)
            *refusal = QString::fromStdString(why);
        return false;
    }
    m_bars[static_cast<std::size_t>(row)].title =
        QString::fromStdString(m_layout.bars[static_cast<std::size_t>(row)].title);
    FillBarLists();
    return true;
}

bool CCustomiseDlg::DeleteSelectedBar()
{
    const int row = m_barList->currentRow();
    if (row < 0 || !m_layout.DeleteUserBar(static_cast<std::size_t>(row)))
        return false;
    m_bars.erase(m_bars.begin() + row);
    FillBarLists();
    ShowBar();
    UpdateBarButtons();
    return true;
}

void CCustomiseDlg::AskNewBar()
{
    bool ok = false;
    const QString title = QInputDialog::getText(this, tr("New Toolbar"), tr("Toolbar &name:"),
                                                QLineEdit::Normal, QString(), &ok);
    QString refusal;
    if (ok && !NewBar(title, &refusal))
        QMessageBox::warning(this, tr("New Toolbar"), refusal);
}

void CCustomiseDlg::AskRenameBar()
{
    const int row = m_barList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_bars.size()))
        return;
    bool ok = false;
    const QString title =
        QInputDialog::getText(this, tr("Rename Toolbar"), tr("Toolbar &name:"), QLineEdit::Normal,
                              m_bars[static_cast<std::size_t>(row)].title, &ok);
    QString refusal;
    if (ok && !RenameSelectedBar(title, &refusal))
        QMessageBox::warning(this, tr("Rename Toolbar"), refusal);
}

std::size_t CCustomiseDlg::CurrentBar() const
{
    return static_cast<std::size_t>(std::max(0, m_bar->currentIndex()));
}

void CCustomiseDlg::ShowGroup()
{
    m_commands->clear();
    const int g = m_groups->currentRow();
    if (g < 0 || g >= static_cast<int>(m_groupList.size()))
        return;
    for (unsigned id : m_groupList[static_cast<std::size_t>(g)].buttons) {
        auto* item = new QListWidgetItem(id == 0 ? tr("(separator)") : m_label(id), m_commands);
        item->setData(Qt::UserRole, id);
    }
    m_commands->setCurrentRow(0);
}

void CCustomiseDlg::ShowBar()
{
    const int row = m_buttons->currentRow();
    m_buttons->clear();
    if (CurrentBar() >= m_layout.bars.size())
        return;
    for (unsigned id : m_layout.bars[CurrentBar()].buttons) {
        auto* item = new QListWidgetItem(id == 0 ? tr("(separator)") : m_label(id), m_buttons);
        item->setData(Qt::UserRole, id);
    }
    m_buttons->setCurrentRow(std::min(row, m_buttons->count() - 1));
}

void CCustomiseDlg::AddSelected()
{
    if (const QListWidgetItem* command = m_commands->currentItem())
        AddToBar(command->data(Qt::UserRole).toUInt());
}

void CCustomiseDlg::AddSelectedMenu()
{
    if (const QListWidgetItem* menu = m_menus->currentItem())
        AddToBar(menu->data(Qt::UserRole).toUInt());
}

void CCustomiseDlg::AddToBar(unsigned id)
{
    // After the selected button, or at the end.
    const int at = m_buttons->currentRow() < 0 ? m_buttons->count() : m_buttons->currentRow() + 1;
    if (m_layout.Add(CurrentBar(), id, static_cast<std::size_t>(at))) {
        ShowBar();
        m_buttons->setCurrentRow(at);
    }
}

void CCustomiseDlg::RemoveSelected()
{
    const int row = m_buttons->currentRow();
    if (row >= 0 && m_layout.Remove(CurrentBar(), static_cast<std::size_t>(row)))
        ShowBar();
}

void CCustomiseDlg::MoveSelected(int delta)
{
    const int row = m_buttons->currentRow();
    if (row >= 0 && m_layout.Move(CurrentBar(), static_cast<std::size_t>(row), delta)) {
        ShowBar();
        m_buttons->setCurrentRow(row + delta);
    }
}

void CCustomiseDlg::ResetSelectedBar()
{
    const int row = m_barList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_bars.size()))
        return;
    m_layout.bars[static_cast<std::size_t>(row)].buttons =
        m_bars[static_cast<std::size_t>(row)].defaults;
    ShowBar();
}

}   // namespace shell
