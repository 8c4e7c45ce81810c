#pragma once
// Leg types in their three spellings, converted in one place:
//   the route's link table stores 0 rhumb line, 1 great circle;
//   a waypoint in memory holds 0 rhumb line, 1 great circle, 2 great circle
//   drawn as intermediate waypoints (stored as 0: the leg itself is rhumb);
//   the chart overlays draw chart::LegType 1 rhumb line, 2 great circle.

#include "chart/overlays/OverlayServices.h"

#include <cstdint>

namespace routes {

enum WaypointLeg : std::uint32_t {
    kLegRhumb = 0,
    kLegGreatCircle = 1,
    kLegGreatCircleWaypoints = 2,
};

// What the link table stores for a waypoint's leg type.
std::uint8_t LinkFromWaypointLeg(std::uint32_t leg);
// A stored link value as a waypoint's leg type (anything but 1 is rhumb).
std::uint32_t WaypointLegFromLink(int link);
chart::LegType OverlayLegFromLink(int link);
std::uint8_t LinkFromOverlayLeg(chart::LegType leg);
// "GC" for any great-circle type, "Rh" for a rhumb line.
const char* LegTypeText(std::uint32_t leg);

}   // namespace routes
