#include "nmea/NMEAValueIndex.h"

#include <array>

namespace nmea {
namespace {

using K = ValueKind;

struct Row {
    int item;
    CNMEAItemInfo info;
};

constexpr Row kRows[] = {
    {1, {"SpeedThroughWaterKnots", K::Double}},
    {5, {"HeadingMagnetic", K::Double}},
    {8, {"DepthFeet", K::Double}},
    {10, {"WindAngle", K::Double}},
    {11, {"DepthMetres", K::Double}},
    {12, {"WindSpeed", K::Double}},
    {13, {"WindSpeedUnit", K::Int}},
    {14, {"WindReference", K::Int}},
    {15, {"WindStatus", K::Int}},
    {43, {"BearingToWaypointTrue", K::Double}},
    {44, {"BearingToWaypointMagnetic", K::Double}},
    {45, {"BearingToWaypointTrueDeadReckoning", K::Double}},
    {46, {"BearingToWaypointMagneticDeadReckoning", K::Double}},
    {47, {"RangeToWaypoint", K::Double}},
    {48, {"DistanceToWaypointDeadReckoning", K::Double}},
    {49, {"CourseOverGroundTrue", K::Double}},
    {50, {"CourseOverGroundMagnetic", K::Double}},
    {51, {"SpeedOverGroundKnots", K::Double}},
    {52, {"ClosingVelocity", K::Double}},
    {53, {"TimeToGo", K::Double}},
    {54, {"CrossTrackError", K::Double}},
    {55, {"BearingWaypointToWaypointTrue", K::Double}},
    {56, {"BearingWaypointToWaypointMagnetic", K::Double}},
    {58, {"Latitude", K::Double}},
    {59, {"Longitude", K::Double}},
    {64, {"DepthFathoms", K::Double}},
    {67, {"MagneticVariation", K::Double}},
    {69, {"HeadingTrue", K::Double}},
    {70, {"SpeedThroughWaterKmh", K::Double}},
    {71, {"SpeedOverGroundKmh", K::Double}},
    {76, {"WindDirectionMagneticUnit", K::Int}},
    {77, {"WindDirectionMagnetic", K::Double}},
    {78, {"WindSpeedMsUnit", K::Int}},
    {79, {"WindSpeedMs", K::Double}},
    {80, {"WaypointTime", K::Double}},
    {81, {"WaypointLatitude", K::Double}},
    {82, {"WaypointLongitude", K::Double}},
    {83, {"BearingToWaypointTrueGreatCircle", K::Double}},
    {84, {"BearingToWaypointTrueRhumb", K::Double}},
    {85, {"BearingToWaypointMagneticGreatCircle", K::Double}},
    {86, {"BearingToWaypointMagneticRhumb", K::Double}},
    {87, {"DistanceToWaypointGreatCircle", K::Double}},
    {88, {"DistanceToWaypointRhumb", K::Double}},
    {89, {"BearingOriginToDestinationTrue", K::Double}},
    {90, {"BearingOriginToDestinationMagnetic", K::Double}},
    {91, {"PositionTime", K::Double}},
    {92, {"LoranLatitude", K::Double}},
    {93, {"LoranLongitude", K::Double}},
    {94, {"TimeDifferenceA", K::Double}},
    {95, {"TimeDifferenceB", K::Double}},
    {97, {"Date", K::Double}},
    {99, {"LocalDatum", K::String}},
    {100, {"DatumLatitudeOffset", K::Double}},
    {101, {"DatumLongitudeOffset", K::Double}},
    {102, {"ReferenceDatum", K::String}},
    {103, {"OwnHeading", K::Double}},
    {104, {"OwnHeadingStatus", K::Int}},
    {106, {"OwnCourseReference", K::Int}},
    {107, {"OwnCourse", K::Double}},
    {108, {"OwnSpeedReference", K::Int}},
    {109, {"OwnSpeed", K::Double}},
    {110, {"OwnSet", K::Double}},
    {111, {"OwnSpeedUnit", K::Int}},
    {112, {"RadarOrigin1Range", K::Double}},
    {113, {"RadarOrigin1Bearing", K::Double}},
    {114, {"RadarRangeMarker1", K::Double}},
    {115, {"RadarBearingLine1", K::Double}},
    {116, {"RadarOrigin2Range", K::Double}},
    {117, {"RadarOrigin2Bearing", K::Double}},
    {118, {"RadarRangeMarker2", K::Double}},
    {119, {"RadarBearingLine2", K::Double}},
    {120, {"RadarCursorRange", K::Double}},
    {121, {"RadarCursorBearing", K::Double}},
    {122, {"RadarRangeScale", K::Double}},
    {123, {"RadarRangeUnit", K::Int}},
    {124, {"RadarDisplayRotation", K::Int}},
    {125, {"TllTargetNumber", K::Int}},
    {126, {"TllTargetLatitude", K::Double}},
    {128, {"TllTargetLongitude", K::Double}},
    {130, {"TllTargetName", K::String}},
    {131, {"TllTime", K::Double}},
    {132, {"TllTargetStatus", K::Int}},
    {133, {"TllReferenceTarget", K::Byte}},
    {134, {"TtmTargetNumber", K::Int}},
    {135, {"TtmTargetDistance", K::Double}},
    {136, {"TtmTargetBearing", K::Double}},
    {137, {"TtmBearingReference", K::Int}},
    {138, {"TtmTargetSpeed", K::Double}},
    {139, {"TtmTargetCourse", K::Double}},
    {140, {"TtmCourseReference", K::Int}},
    {141, {"TtmClosestApproach", K::Double}},
    {142, {"TtmTimeToClosestApproach", K::Double}},
    {143, {"TtmUnit", K::Int}},
    {144, {"TtmTargetName", K::String}},
    {145, {"TtmTargetStatus", K::Int}},
    {146, {"TtmReferenceTarget", K::Byte}},
    {147, {"TtmTime", K::Double}},
    {148, {"TtmAcquisitionType", K::Int}},
    {149, {"ZdaTime", K::Double}},
    {150, {"ZdaDay", K::Int}},
    {151, {"ZdaMonth", K::Int}},
    {152, {"ZdaYear", K::Int}},
    {153, {"ZdaZoneHours", K::Int}},
    {154, {"ZdaZoneMinutes", K::Int}},
};

constexpr std::array<CNMEAItemInfo, kValueCount> BuildTable()
{
    std::array<CNMEAItemInfo, kValueCount> table{};
    for (const Row& row : kRows)
        table[static_cast<std::size_t>(row.item)] = row.info;
    return table;
}

constexpr std::array<CNMEAItemInfo, kValueCount> kTable = BuildTable();
constexpr CNMEAItemInfo kNone{};

}   // namespace

const CNMEAItemInfo& NmeaItemInfo(int item)
{
    if (item < 0 || item >= kValueCount)
        return kNone;
    return kTable[static_cast<std::size_t>(item)];
}

}   // namespace nmea
