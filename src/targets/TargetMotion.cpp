#include "targets/TargetMotion.h"

#include <cmath>
#include <numbers>

#include "geo/NavMaths.h"
#include "geo/Position.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace item = nmea::item;

namespace {

bool IsDirection(double degrees)
{
    return std::isfinite(degrees) && degrees >= 0.0 && degrees <= 360.0;
}

std::optional<double> ValidDouble(const nmea::CNMEADataValue& value)
{
    if (!value.IsValid())
        return std::nullopt;
    const double v = value.GetDouble();
    if (!std::isfinite(v) || v == geo::kUnsetValue)
        return std::nullopt;
    return v;
}

std::optional<char> ValidLetter(const nmea::CNMEADataValue& value)
{
    if (!value.IsValid())
        return std::nullopt;
    const int code = value.GetInt();
    if (code <= 0 || code > 127)
        return std::nullopt;
    return static_cast<char>(code);
}

bool IsRelative(std::optional<char> reference)
{
    return reference && (*reference == 'R' || *reference == 'r');
}

// The TTM range in nautical miles and bearing in degrees true.
std::optional<std::pair<double, double>> ReportedRangeBearing(const CTargetRecord& record,
                                                              const COwnShip& own)
{
    const auto distance = ValidDouble(record.Value(item::TtmTargetDistance));
    const auto range = record.DistanceNm();
    auto bearing = ValidDouble(record.Value(item::TtmTargetBearing));
    if (!distance || !range || !bearing || *distance < 0.0 || !IsDirection(*bearing))
        return std::nullopt;
    if (IsRelative(ValidLetter(record.Value(item::TtmBearingReference)))) {
        if (!own.heading)
            return std::nullopt;
        bearing = *bearing + *own.heading;
    }
    return std::make_pair(*range, FoldDegrees(*bearing));
}

// The end of a geodesic on the WGS 84 ellipsoid (Vincenty's direct
// solution): a radar's range and bearing run along the geodesic, and over a
// few miles a rhumb line already strays by a metre at mid latitudes.
std::optional<CTargetPosition> LayOff(const CTargetPosition& from, double rangeNm, double bearing)
{
    if (rangeNm < 1e-5)
        return from;
    constexpr double kA = 6378137.0;
    constexpr double kF = 1.0 / 298.257223563;
    constexpr double kB = (1.0 - kF) * kA;
    constexpr double kRad = std::numbers::pi / 180.0;
    const double s = rangeNm * 1852.0;
    const double alpha1 = bearing * kRad;
    const double sinAlpha1 = std::sin(alpha1), cosAlpha1 = std::cos(alpha1);
    const double tanU1 = (1.0 - kF) * std::tan(from.latitude * kRad);
    const double cosU1 = 1.0 / std::sqrt(1.0 + tanU1 * tanU1), sinU1 = tanU1 * cosU1;
    const double sigma1 = std::atan2(tanU1, cosAlpha1);
    const double sinAlpha = cosU1 * sinAlpha1;
    const double cos2Alpha = 1.0 - sinAlpha * sinAlpha;
    const double u2 = cos2Alpha * (kA * kA - kB * kB) / (kB * kB);
    const double a = 1.0 + u2 / 16384.0 * (4096.0 + u2 * (-768.0 + u2 * (320.0 - 175.0 * u2)));
    const double b = u2 / 1024.0 * (256.0 + u2 * (-128.0 + u2 * (74.0 - 47.0 * u2)));
    double sigma = s / (kB * a);
    double cos2SigmaM = 0.0, sinSigma = 0.0, cosSigma = 0.0;
    for (int i = 0; i < 100; ++i) {
        cos2SigmaM = std::cos(2.0 * sigma1 + sigma);
        sinSigma = std::sin(sigma);
        cosSigma = std::cos(sigma);
        const double deltaSigma =
            b * sinSigma *
            (cos2SigmaM + b / 4.0 *
                              (cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM) -
                               b / 6.0 * cos2SigmaM * (-3.0 + 4.0 * sinSigma * sinSigma) *
                                   (-3.0 + 4.0 * cos2SigmaM * cos2SigmaM)));
        const double next = s / (kB * a) + deltaSigma;
        const bool settled = std::abs(next - sigma) < 1e-13;
        sigma = next;
        if (settled)
            break;
    }
    cos2SigmaM = std::cos(2.0 * sigma1 + sigma);
    sinSigma = std::sin(sigma);
    cosSigma = std::cos(sigma);
    const double x = sinU1 * sinSigma - cosU1 * cosSigma * cosAlpha1;
    const double lat = std::atan2(sinU1 * cosSigma + cosU1 * sinSigma * cosAlpha1,
                                  (1.0 - kF) * std::sqrt(sinAlpha * sinAlpha + x * x));
    const double lambda =
        std::atan2(sinSigma * sinAlpha1, cosU1 * cosSigma - sinU1 * sinSigma * cosAlpha1);
    const double c = kF / 16.0 * cos2Alpha * (4.0 + kF * (4.0 - 3.0 * cos2Alpha));
    const double l =
        lambda -
        (1.0 - c) * kF * sinAlpha *
            (sigma +
             c * sinSigma * (cos2SigmaM + c * cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM)));
    const CTargetPosition end{lat / kRad, geo::NormaliseLongitude(from.longitude + l / kRad)};
    if (!std::isfinite(end.latitude) || !std::isfinite(end.longitude))
        return std::nullopt;
    return end;
}

void FillMotion(const CTargetRecord& record, const COwnShip& own, CTargetFix& fix)
{
    const auto course = ValidDouble(record.Value(item::TtmTargetCourse));
    const auto speed = record.SpeedKnots();
    if (!course || !speed || !IsDirection(*course) || *speed < 0.0)
        return;
    if (!IsRelative(ValidLetter(record.Value(item::TtmCourseReference)))) {
        fix.course = FoldDegrees(*course);
        fix.speedKnots = *speed;
        return;
    }
    if (!own.courseOverGround || !own.speedOverGround)
        return;
    const CMotion motion =
        TrueMotionFromRelative({*course, *speed}, {*own.courseOverGround, *own.speedOverGround});
    fix.course = motion.course;
    fix.speedKnots = motion.speedKnots;
}

}   // namespace

double FoldDegrees(double degrees)
{
    double d = std::fmod(degrees, 360.0);
    if (d < 0.0)
        d += 360.0;
    return d >= 360.0 ? 0.0 : d;
}

std::optional<double> HeadingForTargets(double navigatorHeading,
                                        const nmea::CNMEADataValue& radarHeading,
                                        const nmea::CNMEADataValue& radarHeadingStatus)
{
    if (IsDirection(navigatorHeading))
        return FoldDegrees(navigatorHeading);
    const auto status = ValidLetter(radarHeadingStatus);
    const auto heading = ValidDouble(radarHeading);
    if (status && (*status == 'A' || *status == 'a') && heading && IsDirection(*heading))
        return FoldDegrees(*heading);
    return std::nullopt;
}

CMotion TrueMotionFromRelative(const CMotion& relative, const CMotion& own)
{
    constexpr double kRad = std::numbers::pi / 180.0;
    const double east = relative.speedKnots * std::sin(relative.course * kRad) +
                        own.speedKnots * std::sin(own.course * kRad);
    const double north = relative.speedKnots * std::cos(relative.course * kRad) +
                         own.speedKnots * std::cos(own.course * kRad);
    CMotion motion;
    motion.speedKnots = std::hypot(east, north);
    motion.course = motion.speedKnots > 1e-9 ? FoldDegrees(std::atan2(east, north) / kRad) : 0.0;
    return motion;
}

std::optional<CTargetFix> TargetFixNow(const CTargetRecord& record, const COwnShip& own)
{
    CTargetFix fix;
    const auto reported = ReportedRangeBearing(record, own);
    if (const auto tll = record.ReportedPosition()) {
        fix.position = *tll;
        if (reported) {
            fix.rangeNm = reported->first;
            fix.bearing = reported->second;
        } else if (own.position) {
            double range = 0.0, bearing = 0.0;
            if (geo::RhumbRangeBearing(
                    geo::CPosition(own.position->latitude, own.position->longitude),
                    geo::CPosition(tll->latitude, tll->longitude), &range, &bearing, true)) {
                fix.rangeNm = range;
                fix.bearing = bearing;
            }
        }
    } else {
        if (!reported || !own.position)
            return std::nullopt;
        const auto position = LayOff(*own.position, reported->first, reported->second);
        if (!position)
            return std::nullopt;
        fix.position = *position;
        fix.rangeNm = reported->first;
        fix.bearing = reported->second;
    }
    FillMotion(record, own, fix);
    return fix;
}

}   // namespace targets
