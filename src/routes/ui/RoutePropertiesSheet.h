#pragma once
// The "Route Properties" sheet: a "General" page with the current route's
// name, start and destination, and a "Waypoint" page with the name and
// position of a chosen waypoint (the one right-clicked on the chart), else
// of the current one. Both only show: the route panel edits. The sheet is
// modeless and follows the route while open.

#include "app/ui/PropertySheet.h"
#include "geo/Position.h"

#include <functional>

class QLineEdit;

namespace routes {

class CRouteModule;

class CRoutePropertiesSheet final : public app::CModelessPropertySheet {
    Q_OBJECT
public:
    // `format` gives the program's position format each time a position is
    // shown (none: the default format).
    CRoutePropertiesSheet(CRouteModule& module, std::function<geo::CPositionFormat()> format,
                          QWidget* parent);

    // The waypoint the Waypoint page shows (from 1); 0: the current one.
    void SetWaypoint(int index);
    // Both pages show the module again (a waypoint no longer there: the
    // current one), the position in the format in use now.
    void ShowRoute();

private:
    CRouteModule& m_module;
    std::function<geo::CPositionFormat()> m_positionFormat;
    int m_waypoint = 0;
    QLineEdit* m_name;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_waypointName;
    QLineEdit* m_latitude;
    QLineEdit* m_longitude;
};

}   // namespace routes
