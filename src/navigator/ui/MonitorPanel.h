#pragma once
// The navigator's "Monitor" side panel: status line, position in large type,
// datum shift, the active route's name, leg and waypoint, and four cards
// ("NMEA" / "DR", "to Wpt", "Plan", "Wind"). It shows what the navigator's
// monitor model computed and forwards the user's choices; the rules live in
// the model. The panel pumps the navigator's panel queue (0x501 to 0x508).

#include <QPointer>
#include <map>

#include <functional>
#include <memory>

#include "app/CommandIds.h"
#include "app/ui/SidePanel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTabWidget;
class QDialog;
namespace app {
class CPostedMessagePump;
}

namespace navigator {
class CNavigatorModule;
}

namespace navigator {

class CMonitorPanel final : public app::CSidePanel {
    Q_OBJECT
public:
    static constexpr unsigned kBarId = app::cmd::kPanelMonitor;

    CMonitorPanel(navigator::CNavigatorModule& navigator, QWidget* parent = nullptr);
    ~CMonitorPanel() override;

    void InitPanel() override;
    void DestroyPanel() override;
    QString GetTitle() const override { return QStringLiteral("Monitor"); }
    // Each idle pass: "Auto" shows the route's automatic advance also while
    // no position refreshes the panel (a first start switches it on).
    void UpdatePanelControls(app::CCommandTable& commands, bool disableIfNoHandler) override;
    // The fixed colours of the position boxes and arrows, dimmed for the
    // active display palette.
    void OnSysColourChange() override;

    // Copies the model's texts into the controls.
    void RefreshFromModel();
    // The route module's automatic waypoint advance behind "Auto": `set`
    // switches it (false when refused), `isOn` reads it, `canSwitch` says
    // whether it may be switched now. Without them the box stays disabled.
    void SetAutoSwitch(std::function<bool(bool)> set, std::function<bool()> isOn,
                       std::function<bool()> canSwitch);
    // The text of a named value ("status", "latitude", "cog", "tab", ...), as shown.
    QString ValueText(const QString& name) const;

private:
    QLabel* AddValue(QWidget* card, const QString& name, const QString& label, const QString& unit,
                     int row, int column = 0);
    void ShowAlarms();
    void ApplyFixedColours();
    // "Auto" and the waypoint controls enabled as the route allows.
    void UpdateRouteControls();

    navigator::CNavigatorModule& m_nav;
    std::function<bool(bool)> m_setAuto;
    std::function<bool()> m_isAutoOn;
    std::function<bool()> m_canSwitchAuto;
    std::unique_ptr<app::CPostedMessagePump> m_pump;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_latitude = nullptr;
    QLabel* m_longitude = nullptr;
    QLabel* m_datumShift = nullptr;
    QLineEdit* m_routeName = nullptr;
    QLineEdit* m_leg = nullptr;
    QLineEdit* m_waypoint = nullptr;
    QCheckBox* m_auto = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QComboBox* m_source = nullptr;
    QLabel* m_leftArrow = nullptr;
    QLabel* m_rightArrow = nullptr;
    QPointer<QDialog> m_alarmDialog;
    QTreeWidget* m_alarmList = nullptr;
    bool m_drColours = false;   // the position boxes show dead reckoning
    bool m_datumAlert = false;   // the chart has no datum shift: white on red
    QString m_appliedColours;   // the style last set on the position boxes
    std::map<QString, QLabel*> m_values;   // the value boxes by name, as AddValue made them
    bool m_tornDown = false;
};

}   // namespace navigator
