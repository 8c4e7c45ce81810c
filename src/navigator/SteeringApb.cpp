#include "navigator/SteeringApb.h"

namespace navigator {

nmea::CApbFields ApbFromSteering(const CSteeringRecord& record)
{
    nmea::CApbFields f;
    f.statusValid = true;
    f.crossTrackNm = record.crossTrackError;
    f.arrivalEntered = record.arrivalCircleEntered;
    f.perpendicularPassed = record.perpendicularPassed;
    f.bearingOriginToDestination = record.bearingOriginToDestination;
    f.destination = record.waypointId;
    f.bearingToDestination = record.bearingToDestination;
    f.headingToSteer = record.bearingToDestination;
    return f;
}

}   // namespace navigator
