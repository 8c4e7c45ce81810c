#pragma once
// The route side panel: the current route's name, start and destination,
// and two cards: General (the memo and the four attachments with Attach,
// View and Detach) and Waypoints (the list with each leg's type, distance
// and course, the leg type choice, Locked, Del, Nav and OpenDB). The buttons
// carry the Route commands; everything goes to the route module, which the
// panel follows through its change notices. What is typed or attached is
// kept in the panel until Apply.

#include "app/CommandIds.h"
#include "app/ui/SidePanel.h"
#include "geo/Position.h"
#include "routes/RouteServices.h"

#include <functional>
#include <string>

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
    static constexpr unsigned kBarId = app::cmd::kPanelRoute;

    CRoutePanel(routes::CRouteModule& module, QWidget* parent = nullptr);
    ~CRoutePanel() override;

    // app::CSidePanel
    void InitPanel() override;
    // Another module's card (the passage plan's) as a tab of its own.
    void AddCard(QWidget* card, const QString& title);
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
    // The waypoints card's OpenDB brings up the chartpoint list through this
    // (the chartpoints' window); the button is disabled while none is set.
    void SetChartpointListOpener(std::function<void()> open)
    {
        m_openChartpoints = std::move(open);
    }
    // View shows an attachment of the attachments folder through this (path,
    // whether it is the video).
    void SetAttachmentOpener(std::function<bool(const std::string&, bool)> open)
    {
        m_openAttachment = std::move(open);
    }
    // The waypoint list writes latitudes and longitudes in the workspace's
    // position format, read from `format` each time it is filled.
    void SetPositionFormat(std::function<geo::CPositionFormat()> format)
    {
        m_positionFormat = std::move(format);
    }
    // Refills the waypoint list from the module's current route.
    void FillList();
    // Attaches `path` to the slot selected in the General card as Attach
    // does: false, with a message, for the wrong kind of file.
    bool AttachFile(const std::string& path);
    static constexpr const char* kUnused = "<Unused>";

protected:
    // Del in the waypoint list: Route > Waypoint > Delete.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void OnAttach();
    void OnView();
    void OnDetach();
    // The selected slot's file in the attachments folder, empty for none.
    std::string SelectedAttachmentPath() const;
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
    QComboBox* m_attachments = nullptr;
    QPushButton* m_attach = nullptr;
    QPushButton* m_view = nullptr;
    QPushButton* m_detach = nullptr;
    std::function<bool(const std::string&, bool)> m_openAttachment;
    std::function<geo::CPositionFormat()> m_positionFormat;
    QCheckBox* m_locked = nullptr;
    QComboBox* m_legType = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_deleteWaypoint = nullptr;
    QPushButton* m_ownPosition = nullptr;
    QPushButton* m_openDb = nullptr;
    std::function<void()> m_openChartpoints;
    QPushButton* m_new = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_reverse = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_apply = nullptr;
};

}   // namespace routes
