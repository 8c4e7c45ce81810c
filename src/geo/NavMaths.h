#pragma once
// Navigation maths on the WGS 84 ellipsoid: number helpers, unit and angle
// conversions, integer micro-degree positions and the sailings (rhumb line,
// position at range and bearing, ellipsoidal great circle). Distances are in
// nautical miles, angles in degrees (bearings true, 0 to 360 clockwise).
//
// The constants are the program's own (pi as 3.14159265359, the degree/radian
// factors, the zero-difference substitute) so that every screen and file shows
// the numbers the program has always shown.

#include <cstdint>
#include <optional>

#include "geo/Position.h"

namespace geo {

// Ellipsoid, nautical miles.
inline constexpr double kFlattening = 0.003352810664747;
inline constexpr double kEquatorialRadiusNm = 3443.918466523;
inline constexpr double kPi = 3.14159265359;
// The value that stands for "not set" in stored and received numbers.
inline constexpr double kUnsetValue = 1.7976931348623157e308;

// An integer position in micro-degrees (x = longitude, y = latitude), or a
// point in pixels: the clipping code uses both.
struct IntPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const IntPoint&) const = default;
};

// ---- numbers and comparison ----
std::int64_t FtoI64(double v);   // truncation toward zero; 0 when not representable
double TruncateToZero(double v);
std::int32_t RoundToInt(double v);   // halves round toward zero
inline double DegToRad(double v)
{
    return v * 0.01745329251994;
}
inline double RadToDeg(double v)
{
    return v * 57.29577951308;
}
void SplitNibbles(std::uint8_t value, std::uint8_t* high, std::uint8_t* low);
bool IsEqualDbl(double a, double b);   // |a - b| < 1e-12
bool IsLessDbl(double a, double b);
bool IsGreaterDbl(double a, double b);
inline bool IsNonNegative(double v)
{
    return v >= 0;
}
inline bool IsNonPositive(double v)
{
    return v <= 0;
}
// NaN, infinities and the unset value.
bool IsUnsetOrNotFinite(double v);

// ---- units ----
inline double MetresToNauticalMiles(double m)
{
    return m * 0.0005399568034557236;
}
inline double NauticalMilesToMetres(double nm)
{
    return nm * 1852.0;
}
inline double StatuteMilesToMetres(double mi)
{
    return mi * 1609.3;
}
inline double KilometresToMetres(double km)
{
    return km * 1000.0;
}
inline double FathomsToMetres(double f)
{
    return f * 1.8288;
}
inline double FeetToMetres(double ft)
{
    return ft * 0.3048;
}
inline double MicroDegreesToDegrees(std::int32_t v)
{
    return v * 1e-6;
}
inline double SpeedTimeToDistance(double knots, double seconds)
{
    return knots * seconds * 0.0002777777777777778;
}

// ---- integer positions ----
std::int32_t DegreesToMicroDegrees(double degrees);   // truncated toward zero, saturated
IntPoint MakeIntPosition(double first, double second);
IntPoint PositionToIntPosition(const CPosition& p);
CPosition IntPositionToPosition(IntPoint p);

// ---- angles ----
// Folds into [0, 360). NaN, infinities and the unset value come back unchanged
// (so "unset" stays unset) rather than being folded.
double NormaliseAngle360(double a);
double AddAngles(double a, double b);
double SubtractAngles(double a, double b);
// One fold by 360 into [-180, 180]; 180 and -180 stay.
double NormaliseLongitude(double a);
// The same fold in place; true when it changed d (the shorter way crosses the
// 180-degree meridian).
bool WrapLongitudeDifference(double* d);
// Folds any finite longitude into [-180, 180) however many turns away it is.
double FoldLongitude(double a);

// ---- ellipsoid helpers ----
double MeridionalParts(double latitude);   // minutes, >= 0
double DiffMeridionalParts(double lat1, double lat2);
double MeridianArc(double latitude);   // nm, >= 0
double MeridianArcDifference(double lat1, double lat2);
// The latitude whose meridian arc is |arc|, with the sign of arc; none for an
// arc beyond the pole's or one that is not a number.
std::optional<double> LatitudeFromMeridianArc(double arc);
double ParallelRadius(double latitude);   // nm
void ReciprocalBearings(double t, double* b1, double* b2);
double SelectBearing(double lat1, double lon1, double lat2, double lon2, double dLon, bool wrapped,
                     double b1, double b2);

// ---- sailings ----
// Rhumb-line range and bearing. With crossMeridian180 the shorter way round is
// taken. False (range and bearing 0) only for coordinates that are not numbers.
bool RhumbRangeBearing(const CPosition& from, const CPosition& to, double* range, double* bearing,
                       bool crossMeridian180);
// The end of a rhumb line of `range` nm at `bearing` from (lat, lon). False, with
// the start returned, for a range below 1e-5 or above 99999.9 nm, for one that
// would pass the pole, or for inputs that are not numbers.
bool PositionFromRangeBearing(double lat, double lon, double range, double bearing, double* outLat,
                              double* outLon);
bool PositionAtRangeBearing(const CPosition& from, double range, double bearing, CPosition* out);
bool PositionAtRangeBearingEx(const CPosition& from, double speed, double seconds, double bearing,
                              CPosition* out);
// Ellipsoidal great-circle range and initial bearing (closed form on reduced
// latitudes). Coincident ends give 0 and 0; antipodal ends a defined answer.
bool GreatCircleRangeBearing(const CPosition& from, const CPosition& to, double* range,
                             double* initialBearing);

// Settings that drive drawing loops are clamped where they are read, so that a
// stored 0 or a damaged value cannot stall a loop.
double ClampDegreeIntercept(double degrees);   // great-circle step, (0, 180]
double ClampDistanceToRunInterval(double nm);   // distance-to-run marks

}   // namespace geo
