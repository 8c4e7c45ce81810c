#pragma once
// The Route database toolbar's two pickers: the routes of the database and
// the current route's waypoints, each showing the current one. The action
// makes one combo box per toolbar it is put on (the user's own bars too);
// choosing an entry makes that route or waypoint current. The owner refills
// them after each change of the route and detaches them before it goes.

#include <QWidgetAction>

class QComboBox;

namespace routes {

class CRouteModule;

class CRouteComboAction final : public QWidgetAction {
    Q_OBJECT
public:
    enum class Kind { Route, Waypoint };
    CRouteComboAction(CRouteModule& module, Kind kind, QObject* parent);

    Kind GetKind() const { return m_kind; }
    // Every combo shows the module's routes (or waypoints) again.
    void Refill();
    // Every combo only marks the current entry again.
    void ShowCurrent();
    // Drops down the list of the first combo on a visible toolbar.
    void OpenList();
    // The module goes: the combos are emptied and choose nothing any more.
    void Detach();

protected:
    QWidget* createWidget(QWidget* parent) override;

private:
    void Fill(QComboBox& combo);
    void SetCurrent(QComboBox& combo);
    void Choose(int index);
    CRouteModule* m_module;
    Kind m_kind;
};

}   // namespace routes
