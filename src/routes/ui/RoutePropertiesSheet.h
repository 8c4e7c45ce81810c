#pragma once
// The "Route Properties" sheet: a "General" page with the current route's
// name, start and destination, and a "Waypoint" page with the name and
// position of a chosen waypoint (the one right-clicked on the chart), else
// of the current one. Both only show: the route panel edits. The sheet is
// modeless and follows the route while open.

#include "app/ui/PropertySheet.h"

class QLineEdit;

namespace routes {

class CRouteModule;

class CRoutePropertiesSheet final : public app::CModelessPropertySheet {
    Q_OBJECT
public:
    CRoutePropertiesSheet(CRouteModule& module, QWidget* parent);

    // The waypoint the Waypoint page shows (from 1); 0: the current one.
    void SetWaypoint(int index);
    // Both pages show the module again (a waypoint no longer there: the current one).
    void ShowRoute();

private:
    CRouteModule& m_module;
    int m_waypoint = 0;
    QLineEdit* m_name;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_waypointName;
    QLineEdit* m_latitude;
    QLineEdit* m_longitude;
};

}   // namespace routes
