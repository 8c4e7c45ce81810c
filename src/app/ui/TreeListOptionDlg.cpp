#include "app/ui/TreeListOptionDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kWhyRole = Qt::UserRole + 2;

// Pictures for the chooser's kinds, from the style's standard icons.
QIcon ImageIcon(const QStyle* style, int image)
{
    switch (image) {
    case app::kImageChart: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case app::kImageRoute: return style->standardIcon(QStyle::SP_ArrowRight);
    case app::kImagePlan: return style->standardIcon(QStyle::SP_FileDialogListView);
    case app::kImageChartpoint: return style->standardIcon(QStyle::SP_DialogYesButton);
    case app::kImageLog: return style->standardIcon(QStyle::SP_FileDialogInfoView);
    case app::kImageReport: return style->standardIcon(QStyle::SP_FileIcon);
    case app::kImageDatabase: return style->standardIcon(QStyle::SP_DriveHDIcon);
    case app::kHeadingImage: return style->standardIcon(QStyle::SP_DirClosedIcon);
    default: return style->standardIcon(QStyle::SP_FileIcon);
    }
}

}   // namespace

CTreeListOptionDlg::CTreeListOptionDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Select Option"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("options");
    m_tree->setHeaderHidden(true);
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        QTreeWidgetItem* item = m_tree->currentItem();
        m_result = Selectable(item) ? item->data(0, kIdRole).toInt() : 0;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { SelectionChanged(); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_ok->isEnabled())
            m_ok->click();
    });
    m_why = new QLabel(this);
    m_why->setObjectName("why");
    m_why->setWordWrap(true);
    m_why->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_why);
    layout->addWidget(buttons);
    resize(320, 360);
}

void CTreeListOptionDlg::AddTextItem(const std::string& text, int level, int image, int id)
{
    m_items.push_back({level, text, image, id, {}});
}

void CTreeListOptionDlg::AddItems(const std::vector<app::CChooserItem>& items)
{
    m_items.insert(m_items.end(), items.begin(), items.end());
}

void CTreeListOptionDlg::SetRoot(const QString& text, int image)
{
    m_hasRoot = true;
    m_rootText = text;
    m_rootImage = image;
}

bool CTreeListOptionDlg::Selectable(const QTreeWidgetItem* item) const
{
    return item && item->childCount() == 0 &&
           item->data(0, kImageRole).toInt() != app::kHeadingImage &&
           item->data(0, kIdRole).toInt() != 0;
}

void CTreeListOptionDlg::SelectionChanged()
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    // OK takes a leaf that is not a heading; an id of 0 there answers 0.
    m_ok->setEnabled(item && item->childCount() == 0 &&
                     item->data(0, kImageRole).toInt() != app::kHeadingImage);
    const QString why = item ? item->data(0, kWhyRole).toString() : QString();
    m_why->setText(why);
    m_why->setVisible(!why.isEmpty());
}

void CTreeListOptionDlg::Build()
{
    if (!m_caption.isEmpty())
        setWindowTitle(m_caption);
    m_tree->clear();
    QTreeWidgetItem* root = nullptr;
    if (m_hasRoot) {
        root = new QTreeWidgetItem(m_tree, {m_rootText});
        root->setIcon(0, ImageIcon(style(), m_rootImage));
        root->setData(0, kImageRole, app::kHeadingImage);
    }
    // Each item hangs under the most recent item of the level above.
    std::vector<QTreeWidgetItem*> lastAtLevel;
    std::vector<QTreeWidgetItem*> topLevel;
    QTreeWidgetItem* firstChoice = nullptr;
    for (const app::CChooserItem& it : m_items) {
        const auto level = static_cast<std::size_t>(std::max(0, it.level));
        QTreeWidgetItem* parent =
            level == 0 ? root : (level <= lastAtLevel.size() ? lastAtLevel[level - 1] : nullptr);
        auto* item = parent ? new QTreeWidgetItem(parent, {QString::fromStdString(it.text)})
                            : new QTreeWidgetItem(m_tree, {QString::fromStdString(it.text)});
        item->setIcon(0, ImageIcon(style(), it.image));
        item->setData(0, kIdRole, it.id);
        item->setData(0, kImageRole, it.image);
        if (!it.why.empty())
            item->setData(0, kWhyRole, QString::fromStdString(it.why));
        lastAtLevel.resize(level + 1);
        lastAtLevel[level] = item;
        if (level == 0)
            topLevel.push_back(item);
    }
    // Only the top level opens: the root (which holds the top level) and each
    // top-level item; deeper items stay closed.
    if (root)
        root->setExpanded(true);
    if (m_expand) {
        for (QTreeWidgetItem* top : topLevel)
            top->setExpanded(true);
    }
    // The first option that can be chosen is selected, so Return chooses it.
    for (QTreeWidgetItemIterator it(m_tree); *it && !firstChoice; ++it)
        if (Selectable(*it))
            firstChoice = *it;
    m_tree->setCurrentItem(firstChoice);
    SelectionChanged();
}

int CTreeListOptionDlg::Choose()
{
    m_result = 0;
    // Nothing added: nothing to ask.
    if (m_items.empty())
        return 0;
    // A single item needs no asking: its id is the answer, no window shows.
    // Two or more (a heading and one option under it included) are shown.
    if (m_items.size() == 1) {
        m_result = m_items.front().id;
        return m_result;
    }
    Build();
    return exec() == QDialog::Accepted ? m_result : 0;
}

}   // namespace app
