#pragma once
// The route side panel: the current route's name, start and destination,
// and two cards: General (the memo) and Waypoints (the list with each leg's
// type, distance and course, the leg type choice, Locked, Del and Nav). The
// buttons carry the Route commands; everything goes to the route module,
// which the panel follows through its change notices.

#include "app/ui/SidePanel.h"
#include "routes/RouteServices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace routes {
class CRouteModule;
}

namespace routes {

class CRoutePanel final : public app::CSidePanel, public routes::CRouteListener {
    Q_OBJECT
public:
    static constexpr unsigned kBarId = 259;

    CRoutePanel(routes::CRouteModule& module, QWidget* parent = nullptr);
    ~CRoutePanel() override;

    // app::CSidePanel
    void InitPanel() override;
    void UpdatePanelControls(app::CCommandTable& commands, bool disableIfNoHandler) override;
    QString GetTitle() const override { return QStringLiteral("Route"); }

    // routes::CRouteListener
    void OnRouteChange(int hint) override;

    // The waypoints card's Locked box: an unlocked waypoint may be dragged.
    bool IsWaypointLocked() const;
    void SetWaypointLocked(bool locked);
    bool IsModified() const;
    // Apply: the name, start and destination written to the route.
    bool SaveEdits();
    // Fills the panel from the module's current route.
    void Refresh();

private:
    void FillList();
    void ShowLegType();
    void OnLegTypeChosen(int index);

    routes::CRouteModule& m_module;
    bool m_modified = false;
    QLabel* m_title = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QCheckBox* m_locked = nullptr;
    QComboBox* m_legType = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_deleteWaypoint = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_reverse = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_apply = nullptr;
};

}   // namespace routes
