#include "geo/NavMaths.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace geo {

namespace {

constexpr double kF = kFlattening;
constexpr double kA = kEquatorialRadiusNm;
constexpr double kE2 = (2.0 - kF) * kF;
constexpr double kE4 = kE2 * kE2;
constexpr double kE6 = kE4 * kE2;
// Substitute for a zero difference of meridional parts before dividing by it.
constexpr double kZeroDmp = 1.1920928955078125e-07;

bool Finite(double v)
{
    return std::isfinite(v);
}

// Coordinates the sailings accept: a latitude on the globe and a longitude at
// most a turn either way (the unset value and NaN are neither).
bool FiniteLatLon(double lat, double lon)
{
    return std::fabs(lat) <= 90.0 && std::fabs(lon) <= 360.0;
}

// Latitudes close enough that the ratio of meridian-arc to meridional-parts
// difference may be taken as the radius of the middle parallel: that
// approximation errs by about (dLat tan lat)^2 / 24, kept below 1e-9 here.
bool NearParallel(double lat1, double lat2)
{
    const double c = std::cos(DegToRad(0.5 * (lat1 + lat2)));
    return std::fabs(lat2 - lat1) < 1e-2 * c * c;
}

struct RhumbResult {
    double range = 0;
    double bearing = 0;
};

// The rhumb line between two coordinate pairs. With `crossMeridian180` the
// longitude difference is folded once to the shorter way; without it the
// difference is taken as it is, however many turns it holds.
RhumbResult Rhumb(double lat1, double lon1, double lat2, double lon2, bool crossMeridian180)
{
    RhumbResult r;
    double dLat = lat2 - lat1;
    double dLon = lon2 - lon1;
    const bool wrapped = crossMeridian180 && WrapLongitudeDifference(&dLon);
    if (dLat == 0.0) {
        const bool east = (lon1 < lon2 && !wrapped) || (lon1 >= lon2 && wrapped);
        r.bearing = east ? 90.0 : 270.0;
        r.range = std::fabs(DegToRad(dLon) * ParallelRadius(lat1));
        return r;
    }
    double dmp = DiffMeridionalParts(lat1, lat2);
    if (dmp == 0.0)
        dmp = kZeroDmp;
    double b1 = 0, b2 = 0;
    ReciprocalBearings(dLon * 60.0 / dmp, &b1, &b2);
    r.bearing = SelectBearing(lat1, lon1, lat2, lon2, dLon, wrapped, b1, b2);
    // The range is the meridian-arc difference over the cosine of the bearing.
    // Written as hypot(dM, q dLon), with q = dM / (meridional parts difference
    // in radians), it is the same number, but stays exact for nearly east-west
    // legs, where the cosine and dM both vanish and their quotient is all
    // rounding (a leg 1e-10 degree off a parallel came out 2.5% short). For
    // such legs q is taken at its limit, the radius of the middle parallel.
    const double dM = MeridianArcDifference(lat1, lat2);
    const double q = NearParallel(lat1, lat2) ? ParallelRadius(0.5 * (lat1 + lat2))
                                              : std::fabs(dM / DegToRad(dmp / 60.0));
    r.range = std::hypot(dM, q * DegToRad(dLon));
    return r;
}

// Derivative of MeridianArc with respect to the latitude in radians, from the
// same series, so that Newton's method converges on the series' own inverse.
double MeridianArcSlope(double phi)
{
    return kA * (1.0 - kE2 / 4.0 - 0.046875 * kE4 -
                 2.0 * (0.375 * kE2 + 0.09375 * kE4) * std::cos(2 * phi) +
                 4.0 * 0.05859375 * kE4 * std::cos(4 * phi));
}

double MeridianArcRad(double phi)
{
    return kA * (phi - kE2 * phi / 4.0 - 0.375 * kE2 * std::sin(2 * phi) - 0.046875 * kE4 * phi -
                 0.09375 * kE4 * std::sin(2 * phi) + 0.05859375 * kE4 * std::sin(4 * phi));
}

}   // namespace

// ---------------------------------------------------------------- numbers

std::int64_t FtoI64(double v)
{
    if (!(std::fabs(v) < 9.2e18))
        return 0;
    return static_cast<std::int64_t>(v);
}

double TruncateToZero(double v)
{
    return v >= 0 ? std::floor(v) : std::ceil(v);
}

std::int32_t RoundToInt(double v)
{
    if (v == 0.0 || !(std::fabs(v) < 2147483647.0))
        return 0;
    const double whole = std::trunc(v);
    auto result = static_cast<std::int32_t>(whole);
    if (std::fabs(v - whole) > 0.5)
        result += v > 0 ? 1 : -1;
    return result;
}

void SplitNibbles(std::uint8_t value, std::uint8_t* high, std::uint8_t* low)
{
    *high = static_cast<std::uint8_t>(value >> 4);
    *low = static_cast<std::uint8_t>(value & 15);
}

bool IsEqualDbl(double a, double b)
{
    return std::fabs(a - b) < 1e-12;
}
bool IsLessDbl(double a, double b)
{
    return a < b && !IsEqualDbl(a, b);
}
bool IsGreaterDbl(double a, double b)
{
    return a > b && !IsEqualDbl(a, b);
}

bool IsUnsetOrNotFinite(double v)
{
    return !Finite(v) || std::fabs(v) >= kUnsetValue;
}

// ---------------------------------------------------------------- integer positions

std::int32_t DegreesToMicroDegrees(double degrees)
{
    const double micro = degrees * 1e6;
    if (!(micro == micro))
        return 0;
    if (micro >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (micro <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(FtoI64(micro));
}

IntPoint MakeIntPosition(double first, double second)
{
    return {DegreesToMicroDegrees(first), DegreesToMicroDegrees(second)};
}

IntPoint PositionToIntPosition(const CPosition& p)
{
    return MakeIntPosition(p.GetLongitude(), p.GetLatitude());
}

CPosition IntPositionToPosition(IntPoint p)
{
    return CPosition(p.y * 1e-6, p.x * 1e-6, 0.0, -1);
}

// ---------------------------------------------------------------- angles

double NormaliseAngle360(double a)
{
    if (IsUnsetOrNotFinite(a))
        return a;
    double r = std::fmod(a, 360.0);
    if (r < 0)
        r += 360.0;
    if (r >= 360.0)   // a tiny negative remainder plus 360 rounds to 360
        r = 0.0;
    return r;
}

double AddAngles(double a, double b)
{
    return NormaliseAngle360(a + b);
}
double SubtractAngles(double a, double b)
{
    return NormaliseAngle360(a - b);
}

double NormaliseLongitude(double a)
{
    if (a > 180.0)
        return a - 360.0;
    if (a < -180.0)
        return a + 360.0;
    return a;
}

bool WrapLongitudeDifference(double* d)
{
    const double folded = NormaliseLongitude(*d);
    const bool changed = folded != *d;
    *d = folded;
    return changed;
}

double FoldLongitude(double a)
{
    if (a >= -180.0 && a <= 180.0)
        return a;
    if (!Finite(a))
        return a;
    double r = std::fmod(a + 180.0, 360.0);
    if (r < 0)
        r += 360.0;
    return r - 180.0;
}

// ---------------------------------------------------------------- ellipsoid helpers

double MeridionalParts(double latitude)
{
    const double phi = DegToRad(std::fabs(latitude));
    const double s = std::sin(phi);
    const double s3 = s * s * s;
    const double series = kE2 * s + kE4 * s3 / 3.0 + kE6 * s3 * s * s / 5.0;
    return (std::log(std::tan(kPi / 4.0 + phi / 2.0)) - series) * 10800.0 / kPi;
}

double DiffMeridionalParts(double lat1, double lat2)
{
    const double m1 = MeridionalParts(lat1);
    const double m2 = MeridionalParts(lat2);
    const bool sameSide = (lat1 >= 0 && lat2 >= 0) || (lat1 <= 0 && lat2 <= 0);
    const double magnitude = sameSide ? std::fabs(m2 - m1) : m1 + m2;
    return lat1 < lat2 ? magnitude : -magnitude;
}

double MeridianArc(double latitude)
{
    return MeridianArcRad(DegToRad(std::fabs(latitude)));
}

double MeridianArcDifference(double lat1, double lat2)
{
    const double m1 = MeridianArc(lat1);
    const double m2 = MeridianArc(lat2);
    const bool sameSide = (lat1 >= 0 && lat2 >= 0) || (lat1 <= 0 && lat2 <= 0);
    return sameSide ? m1 - m2 : m1 + m2;
}

std::optional<double> LatitudeFromMeridianArc(double arc)
{
    const double target = std::fabs(arc);
    const double top = DegToRad(90.0);
    const double poleArc = MeridianArcRad(top);
    if (!(target <= poleArc + 1e-6))
        return std::nullopt;   // beyond the pole, or not a number
    if (target >= poleArc)
        return std::copysign(90.0, arc);
    // Newton's method kept inside a shrinking bracket; the arc grows with the
    // latitude, so the bracket always holds the root and the loop is bounded.
    double lo = 0.0, hi = top;
    double phi = target / poleArc * top;
    for (int i = 0; i < 60; ++i) {
        const double f = MeridianArcRad(phi) - target;
        if (f == 0.0)
            break;
        if (f < 0)
            lo = phi;
        else
            hi = phi;
        double next = phi - f / MeridianArcSlope(phi);
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (std::fabs(next - phi) < 1e-16)
            break;
        phi = next;
    }
    // Back to degrees by dividing by the factor MeridianArc multiplied by: the
    // two rounded factors are not exact inverses (their product is 1 - 2.3e-13),
    // and that much offset in the latitude swamps the meridional-parts
    // difference of a nearly east-west line.
    return std::copysign(phi / 0.01745329251994, arc);
}

double ParallelRadius(double latitude)
{
    // The radius of the parallel at a geodetic latitude, a cos(phi) over
    // sqrt(1 - e^2 sin^2 phi). (The form a b / sqrt(a^2 tan^2 phi + b^2) holds
    // for a geocentric latitude only; given a geodetic one it agrees on the
    // equator but makes every other parallel too short: two degrees of
    // longitude at 45 degrees north come out 84.86 nm instead of 85.15, a
    // third of a percent, and half a percent at 60 degrees.)
    const double phi = DegToRad(latitude);
    const double s = std::sin(phi);
    return kA * std::cos(phi) / std::sqrt(1.0 - kE2 * s * s);
}

void ReciprocalBearings(double t, double* b1, double* b2)
{
    double first = RadToDeg(std::atan(t));
    if (first < 0)
        first += 180.0;
    double second = first + 180.0;
    if (second == 360.0)
        second = 0.0;
    *b1 = first;
    *b2 = second;
}

double SelectBearing(double lat1, double lon1, double lat2, double lon2, double dLon, bool wrapped,
                     double b1, double b2)
{
    if (dLon == 0.0)
        return lat1 < lat2 ? b1 : b2;
    // A difference of exactly +180 is never a folded one, so the way is east
    // and b1 (from the tangent of the way east) holds the bearing whichever
    // latitude is greater.
    if (dLon == 180.0)
        return b1;
    if (lon1 < lon2)
        return wrapped ? b2 : b1;
    return wrapped ? b1 : b2;
}

// ---------------------------------------------------------------- sailings

namespace {

struct LegEnds {
    double lat1, lon1, lat2, lon2;
};

// The ends of a leg when there is one to work out. An end that is not a
// finite position gives nothing with *valid false; the same place gives
// nothing with *valid true, since only the coordinates count: a different
// datum or altitude does not make a leg.
std::optional<LegEnds> EndsOfLeg(const CPosition& from, const CPosition& to, bool* valid)
{
    const LegEnds e{from.GetLatitude(), from.GetLongitude(), to.GetLatitude(), to.GetLongitude()};
    *valid = FiniteLatLon(e.lat1, e.lon1) && FiniteLatLon(e.lat2, e.lon2);
    if (!*valid || (e.lat1 == e.lat2 && e.lon1 == e.lon2))
        return std::nullopt;
    return e;
}

}   // namespace

bool RhumbRangeBearing(const CPosition& from, const CPosition& to, double* range, double* bearing,
                       bool crossMeridian180)
{
    *range = 0.0;
    *bearing = 0.0;
    bool valid = false;
    const auto ends = EndsOfLeg(from, to, &valid);
    if (!ends) {
        // The same place named twice (another datum, altitude or valid flag)
        // is a parallel of no length, sailed west as every parallel with no
        // way east is.
        if (valid && from != to)
            *bearing = 270.0;
        return valid;
    }
    const auto [lat1, lon1, lat2, lon2] = *ends;
    const RhumbResult r = Rhumb(lat1, lon1, lat2, lon2, crossMeridian180);
    *range = r.range;
    *bearing = r.bearing;
    return true;
}

bool PositionFromRangeBearing(double lat0, double lon0, double range, double bearing,
                              double* outLat, double* outLon)
{
    *outLat = lat0;
    *outLon = lon0;
    const double R = std::fabs(range);
    if (!(R >= 1e-5 && R <= 99999.9) || !FiniteLatLon(lat0, lon0) || !Finite(bearing))
        return false;

    const double sinB = std::sin(DegToRad(bearing));
    const double northing = std::cos(DegToRad(bearing)) * R;
    // Due east or west, or so close to it that the northing is below a tenth of
    // a millimetre: a parallel sailing.
    if (bearing == 90.0 || bearing == 270.0 || std::fabs(northing) < 5e-8) {
        const double radius = ParallelRadius(lat0);
        if (!(radius > 1e-9))
            return false;   // at the pole no parallel is left to sail
        *outLon = FoldLongitude(lon0 + std::copysign(RadToDeg(R / radius), sinB));
        return true;
    }

    // The meridian arc from the equator, signed like the latitude: the end's
    // arc is the start's plus the northing, and a line whose end arc lies
    // beyond the pole's would have to pass the pole, where a rhumb line ends.
    const double arc0 = std::copysign(MeridianArc(lat0), lat0);
    const auto lat = LatitudeFromMeridianArc(arc0 + northing);
    if (!lat)
        return false;
    // Sailing along a meridian: the longitude stays (the cosine of a rounded
    // 180 degrees leaves a sine of 2e-13, not worth a longitude).
    const bool alongMeridian = std::fabs(sinB) < 1e-9;
    double dLon = 0.0;
    if (alongMeridian) {
        dLon = 0.0;
    } else if (std::fabs(*lat) == 90.0 || std::fabs(lat0) == 90.0) {
        return false;   // a slanting line never reaches or leaves the pole
    } else if (NearParallel(lat0, *lat)) {
        // Nearly east or west the meridional-parts difference is a difference
        // of two almost equal numbers; the departure over the radius of the
        // middle parallel is the same longitude, and the limit the inverse
        // (Rhumb) takes for the same legs.
        dLon = RadToDeg(R * sinB / ParallelRadius(0.5 * (lat0 + *lat)));
    } else {
        dLon = std::tan(DegToRad(bearing)) * DiffMeridionalParts(lat0, *lat) / 60.0;
    }
    *outLat = *lat;
    *outLon = FoldLongitude(lon0 + dLon);
    return true;
}

bool PositionAtRangeBearing(const CPosition& from, double range, double bearing, CPosition* out)
{
    double lat = 0, lon = 0;
    const bool ok = PositionFromRangeBearing(from.GetLatitude(), from.GetLongitude(), range,
                                             NormaliseAngle360(bearing), &lat, &lon);
    if (!out->Set(lat, lon, from.GetAltitude(), from.GetDatum()))
        return false;
    return ok;
}

bool PositionAtRangeBearingEx(const CPosition& from, double speed, double seconds, double bearing,
                              CPosition* out)
{
    double lat = 0, lon = 0;
    const bool ok =
        PositionFromRangeBearing(from.GetLatitude(), from.GetLongitude(),
                                 SpeedTimeToDistance(speed, seconds), bearing, &lat, &lon);
    if (!out->Set(lat, lon, from.GetAltitude(), from.GetDatum()))
        return false;
    return ok;
}

bool GreatCircleRangeBearing(const CPosition& from, const CPosition& to, double* range,
                             double* initialBearing)
{
    *range = 0.0;
    *initialBearing = 0.0;
    bool valid = false;
    const auto ends = EndsOfLeg(from, to, &valid);
    if (!ends)
        return valid;
    const auto [lat1, lon1, lat2, lon2] = *ends;

    double dLon = lon2 - lon1;
    const bool wrapped = WrapLongitudeDifference(&dLon);
    const double L = DegToRad(dLon);
    const double beta1 = std::atan((1.0 - kF) * std::tan(DegToRad(lat1)));
    const double beta2 = std::atan((1.0 - kF) * std::tan(DegToRad(lat2)));
    const double sb1 = std::sin(beta1), cb1 = std::cos(beta1);
    const double sb2 = std::sin(beta2), cb2 = std::cos(beta2);
    const double cosL = std::cos(L);

    // The arc from the sine and cosine together: the arc cosine alone has no
    // resolution near 0 (legs under about 5e-5 nm came out as 0) nor near pi.
    const double sinSigma = std::hypot(cb2 * std::sin(L), cb1 * sb2 - sb1 * cb2 * cosL);
    const double cosSigma = sb1 * sb2 + cb1 * cb2 * cosL;
    const double sigma = std::atan2(sinSigma, cosSigma);
    if (sigma == 0.0)
        return true;   // the same place written two ways (e.g. 180 and -180)

    double b1 = 0, b2 = 0;
    ReciprocalBearings(std::sin(L) / (std::tan(beta2) * cb1 - cosL * sb1), &b1, &b2);
    const double bearing = SelectBearing(lat1, lon1, lat2, lon2, dLon, wrapped, b1, b2);
    *initialBearing = std::isnan(bearing) ? 0.0 : bearing;

    const double diff = sb1 - sb2, sum = sb1 + sb2;
    // 1 - cos and 1 + cos as squared half-angle sines and cosines, which keep
    // their precision where the plain differences cancel. Each flattening term
    // vanishes with its numerator; at the antipode the second denominator is 0
    // too, and the term's limit there is taken as 0.
    const double oneMinusCos = 2.0 * std::pow(std::sin(0.5 * sigma), 2);
    const double onePlusCos = 2.0 * std::pow(std::cos(0.5 * sigma), 2);
    const double t1 = oneMinusCos > 0 ? diff * diff * (sinSigma + sigma) / oneMinusCos : 0.0;
    const double t2 = onePlusCos > 0 ? sum * sum * (sigma - sinSigma) / onePlusCos : 0.0;
    *range = kA * (sigma - (kF / 4.0) * (t1 + t2));
    return true;
}

double ClampDegreeIntercept(double degrees)
{
    if (!(degrees > 0.0))
        return 5.0;   // 0, negative or not a number: the program's default step
    return std::clamp(degrees, 0.01, 180.0);
}

double ClampDistanceToRunInterval(double nm)
{
    if (!(nm > 0.0) || !Finite(nm))
        return 10.0;
    return std::clamp(nm, 0.1, 10000.0);
}

}   // namespace geo
