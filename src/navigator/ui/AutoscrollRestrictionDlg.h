#pragma once
// "Charts restricted by Autoscroll": the navigator's restriction list, one
// row per chart (number, type, description). Remove takes the selected
// charts off the list and keeps the others in their order; Cancel changes
// nothing.

#include <QDialog>
#include <vector>

#include "navigator/AutoscrollRestrictions.h"

namespace app {
class CListCtrlEx;
}
class QPushButton;

namespace navigator {

class CAutoscrollRestrictionDlg final : public QDialog {
    Q_OBJECT
public:
    CAutoscrollRestrictionDlg(std::vector<navigator::CRestrictedChart> charts,
                              QWidget* parent = nullptr);

    // The list Remove leaves; the charts as given until then.
    const std::vector<navigator::CRestrictedChart>& Kept() const { return m_kept; }

    app::CListCtrlEx* List() const { return m_list; }
    QPushButton* SelectAllButton() const { return m_selectAll; }
    QPushButton* SelectNoneButton() const { return m_selectNone; }
    QPushButton* RemoveButton() const { return m_remove; }

private:
    void ReadSelection();
    void UpdateButtons();
    void OnRemove();

    std::vector<navigator::CRestrictedChart> m_charts;
    std::vector<navigator::CRestrictedChart> m_kept;
    navigator::CRestrictionSelection m_selection;
    app::CListCtrlEx* m_list;
    QPushButton* m_selectAll;
    QPushButton* m_selectNone;
    QPushButton* m_remove;
};

}   // namespace navigator
