#pragma once
// What the route module tells the windows that show its route: a change
// notice with its code after every change of route or waypoint.

namespace routes {

// Change notice codes, as the chart views and the panel receive them.
enum RouteHint : int {
    kHintClosed = 0,   // database closed
    kHintRoute = 1,   // route changed or read again
    kHintAdded = 2,   // route added (New, Copy, Reverse)
    kHintDeleted = 3,   // route deleted
    kHintSelected = 4,   // waypoint selected
    kHintWritten = 5,   // waypoint or route written
    kHintInserted = 6,   // waypoint inserted
    kHintDeleting = 7,   // waypoint about to be deleted
    kHintDragged = 8,   // waypoint moved on the chart
    kHintDisplay = 9,   // only how the route is shown changed
    kHintLegs = 10,   // the legs' ranges and bearings changed (great-circle settings)
};

class CRouteListener {
public:
    virtual ~CRouteListener() = default;
    virtual void OnRouteChange(int hint) = 0;
};

}   // namespace routes
