#pragma once
// Where a radar target is and how it moves, worked out from its record and
// the own ship. A TLL position wins; without one the TTM range and bearing
// are laid off from the own position. Relative bearings turn true with the
// own heading (never the course over ground): without a heading the target
// has no new position and stays where it was drawn last. A relative course
// and speed are the target's motion relative to the own ship, so the own
// course and speed over ground are added to give its true motion.

#include <optional>

#include "nmea/NMEADataValue.h"
#include "targets/TargetRecord.h"

namespace targets {

// What the own ship gives target positions; every member may be missing.
struct COwnShip {
    std::optional<CTargetPosition> position;
    std::optional<double> heading;   // degrees true
    std::optional<double> courseOverGround;   // degrees true
    std::optional<double> speedOverGround;   // knots
};

// The heading that turns relative bearings true: the navigator's when it is a
// usable direction, else the radar's own-ship heading (OSD, status "A").
std::optional<double> HeadingForTargets(double navigatorHeading,
                                        const nmea::CNMEADataValue& radarHeading,
                                        const nmea::CNMEADataValue& radarHeadingStatus);

// One moment of a target: its position, and what is known of its motion and
// of its range and true bearing from the own ship.
struct CTargetFix {
    CTargetPosition position;
    std::optional<double> course;   // degrees true
    std::optional<double> speedKnots;
    std::optional<double> rangeNm;
    std::optional<double> bearing;   // degrees true, from the own ship
};

// Nothing when neither a valid TLL position nor a usable TTM range and
// bearing (with the own position, and the heading when relative) is there.
std::optional<CTargetFix> TargetFixNow(const CTargetRecord& record, const COwnShip& own);

// The true motion of a target reported relative to the own ship: the sum of
// the two velocity vectors. Course in degrees true, speeds in knots.
struct CMotion {
    double course = 0.0;
    double speedKnots = 0.0;
};
CMotion TrueMotionFromRelative(const CMotion& relative, const CMotion& own);

// A bearing folded into [0, 360).
double FoldDegrees(double degrees);

}   // namespace targets
