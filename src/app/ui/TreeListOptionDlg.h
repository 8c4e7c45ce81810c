#pragma once
// "Select Option": a small tree of headings and options; the caller reads
// the chosen option's id. With one item only it answers at once without a
// window. Only a leaf that is not a heading can be chosen.

#include <QDialog>
#include <string>
#include <vector>

#include "app/FileChoosers.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace app {

class CTreeListOptionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTreeListOptionDlg(QWidget* parent = nullptr);

    void AddTextItem(const std::string& text, int level, int image, int id);
    void AddItems(const std::vector<app::CChooserItem>& items);
    void SetCaption(const QString& caption) { m_caption = caption; }
    void SetExpand(bool expand) { m_expand = expand; }
    void SetRoot(const QString& text, int image);
    int ItemCount() const { return static_cast<int>(m_items.size()); }

    // Shows the tree (unless there is one option) and returns the chosen id,
    // 0 when cancelled or nothing could be chosen.
    int Choose();
    int Result() const { return m_result; }
    QTreeWidget* Tree() const { return m_tree; }
    QPushButton* OkButton() const { return m_ok; }
    // Why the picked item cannot be chosen (hidden when it can).
    QLabel* WhyLabel() const { return m_why; }
    // Builds the tree from the items added (Choose does it; tests call it).
    void Build();

private:
    void SelectionChanged();
    bool Selectable(const QTreeWidgetItem* item) const;

    std::vector<app::CChooserItem> m_items;
    QString m_caption;
    QString m_rootText;
    int m_rootImage = 0;
    bool m_hasRoot = false;
    bool m_expand = false;
    int m_result = 0;
    QTreeWidget* m_tree;
    QPushButton* m_ok;
    QLabel* m_why;
};

}   // namespace app
