#include "navigator/ui/LogChooserDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/WaitStatus.h"
#include "navigator/LogChooser.h"
#include "navigator/ui/LogLeafIcons.h"

namespace navigator {

namespace {

enum Role : int { kKind = Qt::UserRole, kVessel, kAppend, kFilled };
enum Kind : int { kFile = 1, kGroup = 2, kLeaf = 3 };

}   // namespace

CLogChooserDlg::CLogChooserDlg(const std::filesystem::path& folder, bool appendToLog,
                               QWidget* parent)
    : QDialog(parent), m_folder(folder)
{
    setObjectName(QStringLiteral("LogChooser"));
    setWindowTitle(tr("Open Log Database"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* shown = new QLineEdit(QString::fromStdString(folder.string()), this);
    shown->setObjectName(QStringLiteral("LogFolder"));
    shown->setReadOnly(true);
    form->addRow(tr("Folder"), shown);
    // Vessel logs, or older logs that are converted into one when opened.
    m_types = new QComboBox(this);
    m_types->setObjectName(QStringLiteral("LogTypes"));
    m_types->addItem(tr("Log DB (*.dbf)"), QStringLiteral("dbf"));
    m_types->addItem(tr("Old Log DB (*.log)"), QStringLiteral("log"));
    auto* typeLabel = new QLabel(tr("Files of &type"), this);
    typeLabel->setBuddy(m_types);
    layout->addLayout(form);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("LogTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    layout->addWidget(m_tree, 1);
    auto* typeForm = new QFormLayout;
    typeForm->addRow(typeLabel, m_types);
    layout->addLayout(typeForm);
    connect(m_types, &QComboBox::currentIndexChanged, this, [this] { FillFiles(); });
    m_append = new QCheckBox(tr("&Append to current log"), this);
    m_append->setChecked(appendToLog);
    layout->addWidget(m_append);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Open)->setText(tr("&Open"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLogChooserDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, kKind).toInt() == kFile)
            FillLog(item);
    });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { accept(); });
    auto* open = buttons->button(QDialogButtonBox::Open);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [open](QTreeWidgetItem* item) { open->setEnabled(item != nullptr); });
    open->setEnabled(false);
    // Tab goes down the dialog: the folder, the logs, their type, the check box, the buttons.
    setTabOrder(shown, m_tree);
    setTabOrder(m_tree, m_types);
    setTabOrder(m_types, m_append);
    FillFiles();
    resize(520, 380);
}

void CLogChooserDlg::FillFiles()
{
    const app::CWaitStatus wait;
    m_tree->clear();
    const std::string extension = m_types->currentData().toString().toStdString();
    for (const auto& file : navigator::ListLogFiles(m_folder, extension)) {
        auto* node = new QTreeWidgetItem(m_tree, {QString::fromStdString(file.stem().string())});
        node->setData(0, kKind, kFile);
        node->setData(0, Qt::UserRole + 10, QString::fromStdString(file.string()));
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
}

void CLogChooserDlg::FillLog(QTreeWidgetItem* fileNode)
{
    if (fileNode->data(0, kFilled).toBool())
        return;
    fileNode->setData(0, kFilled, true);
    const app::CWaitStatus wait;
    const std::filesystem::path file =
        fileNode->data(0, Qt::UserRole + 10).toString().toStdString();
    for (const navigator::CLogGroup& group : navigator::ReadLogTree(file)) {
        auto* node = new QTreeWidgetItem(fileNode, {QString::fromStdString(group.name)});
        node->setData(0, kKind, kGroup);
        node->setData(0, kVessel, group.vesselId);
        node->setIcon(0, navigator::LogLeafIcon(navigator::kLeafGroup));
        for (const navigator::CLogLeaf& leaf : group.leaves) {
            auto* item = new QTreeWidgetItem(node, {QString::fromStdString(leaf.description)});
            item->setData(0, kKind, kLeaf);
            item->setData(0, kAppend, leaf.appendNo);
            item->setData(0, kVessel, group.vesselId);
            // The picture says what the append holds; the tooltip says it in words.
            item->setIcon(0, navigator::LogLeafIcon(leaf.image));
            item->setToolTip(0, item->text(0) + QStringLiteral("\n") +
                                    navigator::LogLeafMeaning(leaf.image));
        }
        node->setExpanded(true);
    }
    if (fileNode->childCount() == 0)
        fileNode->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CLogChooserDlg::accept()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item)
        return;
    m_choice = {};
    m_choice.appendToLog = m_append->isChecked();
    const int kind = item->data(0, kKind).toInt();
    // A file node opens the whole log; a group its vessel; a leaf one append.
    QTreeWidgetItem* fileNode = item;
    while (fileNode->parent())
        fileNode = fileNode->parent();
    m_choice.log = fileNode->data(0, Qt::UserRole + 10).toString().toStdString();
    if (kind != kFile && item->data(0, kVessel).toUInt() != 0) {
        m_choice.vesselChosen = true;
        m_choice.vesselId = item->data(0, kVessel).toUInt();
        m_choice.appendNo = kind == kLeaf ? item->data(0, kAppend).toUInt() : 0;
    }
    QDialog::accept();
}

}   // namespace navigator
