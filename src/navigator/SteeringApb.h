#pragma once
// The steering record as the autopilot's APB fields: position data valid,
// the cross-track error as it stands (the record already steers: negative =
// steer left), the alarm flags, the bearings true, the waypoint as destination
// and the bearing to it as the heading to steer.

#include "navigator/NavInterfaces.h"
#include "nmea/OutputSentences.h"

namespace navigator {

nmea::CApbFields ApbFromSteering(const CSteeringRecord& record);

}   // namespace navigator
