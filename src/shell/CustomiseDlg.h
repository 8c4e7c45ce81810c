#pragma once
// Tools > Customise: "Toolbars" (which bars show, a bar back to its own
// buttons, toolbars of the user's own made, renamed and deleted) and
// "Commands" (the thirteen command groups; a command added to a bar, taken
// off it, or moved along it) and "Menu" (the menu bar's menus, added to a bar
// as buttons that drop them down). The dialog edits a copy; the frame takes
// it on OK.

#include <QDialog>
#include <functional>
#include <map>

#include "app/ToolbarLayout.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace shell {

class CCustomiseDlg : public QDialog {
    Q_OBJECT
public:
    struct CBar {
        QString title;
        bool visible = true;
        std::vector<unsigned> defaults;
    };
    // `label` names a command; `bars` lists the toolbars in the same order
    // as `layout.bars`.
    CCustomiseDlg(app::CToolbarCustomisation layout, std::vector<CBar> bars,
                  std::vector<app::CCommandGroup> groups, std::function<QString(unsigned)> label,
                  QWidget* parent = nullptr, const std::vector<unsigned>& menuButtons = {});

    const app::CToolbarCustomisation& Layout() const { return m_layout; }
    bool Visible(std::size_t bar) const { return m_bars[bar].visible; }

    // The Commands page's actions (its buttons call them).
    void AddSelected();
    void AddSelectedMenu();   // the Menu page's button
    void RemoveSelected();
    void MoveSelected(int delta);
    void ResetSelectedBar();
    // The Toolbars page's New, Rename and Delete, after their name is asked;
    // false (with the reason) when the name is refused or the bar is the program's.
    bool NewBar(const QString& title, QString* refusal = nullptr);
    bool RenameSelectedBar(const QString& title, QString* refusal = nullptr);
    bool DeleteSelectedBar();
    QListWidget* Groups() const { return m_groups; }
    QListWidget* Commands() const { return m_commands; }
    QListWidget* BarButtons() const { return m_buttons; }
    QComboBox* BarCombo() const { return m_bar; }
    QListWidget* BarList() const { return m_barList; }
    QListWidget* Menus() const { return m_menus; }

private:
    void ShowGroup();
    void ShowBar();
    std::size_t CurrentBar() const;
    void FillBarLists();
    void UpdateBarButtons();
    void AskNewBar();
    void AskRenameBar();
    void AddToBar(unsigned id);

    app::CToolbarCustomisation m_layout;
    std::vector<CBar> m_bars;
    std::vector<app::CCommandGroup> m_groupList;
    std::function<QString(unsigned)> m_label;
    QListWidget* m_barList;
    QListWidget* m_groups;
    QListWidget* m_commands;
    QComboBox* m_bar;
    QListWidget* m_buttons;
    QListWidget* m_menus = nullptr;
    QLabel* m_menuBarName = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
};

}   // namespace shell
