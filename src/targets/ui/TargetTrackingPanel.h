#pragma once
// The "Target Tracking" side panel: a caption and two cards, "ARPA" and
// "Tender", each a list with one row per target. Rows are found by the
// target's key (an ARPA number or a tender's channel), written whole from
// the row texts core makes, and selecting a row makes its target current.
// The "ARPA" card's "&Open" is shown, never offered; its "&Delete" is the
// ARPA module's "Current Target > Delete", enabled as that command is.

#include <QHash>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/ui/SidePanel.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace targets {

class CTargetTrackingPanel : public app::CSidePanel {
    Q_OBJECT
public:
    static constexpr unsigned kBarId = app::cmd::kPanelTargetTracking;
    enum Card { kArpa = 0, kTender = 1 };
    static constexpr int kArpaLocalTimeColumn = 2;

    explicit CTargetTrackingPanel(QWidget* parent = nullptr);

    void InitPanel() override;
    void UpdatePanelControls(app::CCommandTable& commands, bool disableIfNoHandler) override;
    QString GetTitle() const override { return tr("Target Tracking"); }

    void SetHeaders(Card card, const std::vector<std::string>& headers);
    // Finds the row of `key`, appends one when there is none, and writes it.
    void UpdateRow(Card card, int key, const std::vector<std::string>& texts);
    void RemoveRow(Card card, int key);
    // Writes cells from `firstColumn` on of the row of `key`; nothing when it has none.
    void UpdateCells(Card card, int key, int firstColumn, const std::vector<std::string>& texts);
    void SelectRow(Card card, int key);
    int RowCount(Card card) const;
    void ShowCard(Card card);
    QTreeWidget* List(Card card) const { return m_lists[card]; }

    // Told when the user selects a row (-1: the selection was cleared).
    std::function<void(Card, int key)> selected;

private:
    QTreeWidget* m_lists[2] = {nullptr, nullptr};
    // Each card's rows by key, so a pass rewriting every row finds each at once.
    QHash<int, QTreeWidgetItem*> m_rows[2];
    QTabWidget* m_tabs = nullptr;
    QLabel* m_caption = nullptr;
    QPushButton* m_delete = nullptr;
    app::CCommandTable* m_commands = nullptr;   // the frame's, told at each update
};

}   // namespace targets
