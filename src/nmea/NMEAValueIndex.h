#pragma once
// The value index: the fixed numbering of the 155 instrument data items under
// which every parser store and every target vessel keeps its time-stamped
// values. Readers (monitor panel, navigation cycle, chart objects, target
// lists) address values by these numbers, so they never change.
//
// Positions are stored as the sentence's own signed ddmm.mmm number: latitude
// negative for north, longitude negative for east. Letters (units, references,
// statuses) are stored as integers holding the character code, except the
// reference-target flags, which are bytes 1 or 0.

#include <string_view>

namespace nmea {

inline constexpr int kValueCount = 155;

// How an item is written and read on its CNMEADataValue.
enum class ValueKind { None, Double, Int, Byte, String };

struct CNMEAItemInfo {
    std::string_view name;   // empty for items no sentence writes
    ValueKind kind = ValueKind::None;
};

// Name and kind of an item; an item outside 0..154 answers an empty entry.
const CNMEAItemInfo& NmeaItemInfo(int item);

namespace item {
inline constexpr int SpeedThroughWaterKnots = 1;
inline constexpr int HeadingMagnetic = 5;
inline constexpr int DepthFeet = 8;
inline constexpr int WindAngle = 10;
inline constexpr int DepthMetres = 11;
inline constexpr int WindSpeed = 12;
inline constexpr int WindSpeedUnit = 13;
inline constexpr int WindReference = 14;
inline constexpr int WindStatus = 15;
inline constexpr int BearingToWaypointTrue = 43;
inline constexpr int BearingToWaypointMagnetic = 44;
inline constexpr int BearingToWaypointTrueDeadReckoning = 45;
inline constexpr int BearingToWaypointMagneticDeadReckoning = 46;
inline constexpr int RangeToWaypoint = 47;
inline constexpr int DistanceToWaypointDeadReckoning = 48;
inline constexpr int CourseOverGroundTrue = 49;
inline constexpr int CourseOverGroundMagnetic = 50;
inline constexpr int SpeedOverGroundKnots = 51;
inline constexpr int ClosingVelocity = 52;
inline constexpr int TimeToGo = 53;
inline constexpr int CrossTrackError = 54;
inline constexpr int BearingWaypointToWaypointTrue = 55;
inline constexpr int BearingWaypointToWaypointMagnetic = 56;
inline constexpr int Latitude = 58;
inline constexpr int Longitude = 59;
inline constexpr int DepthFathoms = 64;
inline constexpr int MagneticVariation = 67;
inline constexpr int HeadingTrue = 69;
inline constexpr int SpeedThroughWaterKmh = 70;
inline constexpr int SpeedOverGroundKmh = 71;
inline constexpr int WindDirectionMagneticUnit = 76;
inline constexpr int WindDirectionMagnetic = 77;
inline constexpr int WindSpeedMsUnit = 78;
inline constexpr int WindSpeedMs = 79;
inline constexpr int WaypointTime = 80;
inline constexpr int WaypointLatitude = 81;
inline constexpr int WaypointLongitude = 82;
inline constexpr int BearingToWaypointTrueGreatCircle = 83;
inline constexpr int BearingToWaypointTrueRhumb = 84;
inline constexpr int BearingToWaypointMagneticGreatCircle = 85;
inline constexpr int BearingToWaypointMagneticRhumb = 86;
inline constexpr int DistanceToWaypointGreatCircle = 87;
inline constexpr int DistanceToWaypointRhumb = 88;
inline constexpr int BearingOriginToDestinationTrue = 89;
inline constexpr int BearingOriginToDestinationMagnetic = 90;
inline constexpr int PositionTime = 91;
inline constexpr int LoranLatitude = 92;
inline constexpr int LoranLongitude = 93;
inline constexpr int TimeDifferenceA = 94;
inline constexpr int TimeDifferenceB = 95;
inline constexpr int Date = 97;
inline constexpr int LocalDatum = 99;
inline constexpr int DatumLatitudeOffset = 100;
inline constexpr int DatumLongitudeOffset = 101;
inline constexpr int ReferenceDatum = 102;
inline constexpr int OwnHeading = 103;
inline constexpr int OwnHeadingStatus = 104;
inline constexpr int OwnCourseReference = 106;
inline constexpr int OwnCourse = 107;
inline constexpr int OwnSpeedReference = 108;
inline constexpr int OwnSpeed = 109;
inline constexpr int OwnSet = 110;
inline constexpr int OwnSpeedUnit = 111;
inline constexpr int RadarOrigin1Range = 112;   // 112..122: the eleven RSD numbers in order
inline constexpr int RadarRangeScale = 122;
inline constexpr int RadarRangeUnit = 123;
inline constexpr int RadarDisplayRotation = 124;
inline constexpr int TllTargetNumber = 125;
inline constexpr int TllTargetLatitude = 126;
inline constexpr int TllTargetLongitude = 128;
inline constexpr int TllTargetName = 130;
inline constexpr int TllTime = 131;
inline constexpr int TllTargetStatus = 132;
inline constexpr int TllReferenceTarget = 133;
inline constexpr int TtmTargetNumber = 134;
inline constexpr int TtmTargetDistance = 135;
inline constexpr int TtmTargetBearing = 136;
inline constexpr int TtmBearingReference = 137;
inline constexpr int TtmTargetSpeed = 138;
inline constexpr int TtmTargetCourse = 139;
inline constexpr int TtmCourseReference = 140;
inline constexpr int TtmClosestApproach = 141;
inline constexpr int TtmTimeToClosestApproach = 142;
inline constexpr int TtmUnit = 143;
inline constexpr int TtmTargetName = 144;
inline constexpr int TtmTargetStatus = 145;
inline constexpr int TtmReferenceTarget = 146;
inline constexpr int TtmTime = 147;
inline constexpr int TtmAcquisitionType = 148;
inline constexpr int ZdaTime = 149;
inline constexpr int ZdaDay = 150;
inline constexpr int ZdaMonth = 151;
inline constexpr int ZdaYear = 152;
inline constexpr int ZdaZoneHours = 153;
inline constexpr int ZdaZoneMinutes = 154;
}   // namespace item

}   // namespace nmea
