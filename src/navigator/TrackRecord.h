#pragma once
// One point of a recorded track as its ".trc" file holds it: 85 bytes,
// little-endian, no padding and no header, so record n starts at (n-1) x 85
// and another station can read a file while it grows. Times are UTC, taken
// as the source gave them and never passed through local time (which would
// store the autumn's repeated hour twice).
//
// Also the position-fix type codes that track records, logbook rows and fix
// markers share, with their texts and track labels.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace navigator {

inline constexpr std::size_t kTrackRecordSize = 85;
// What a record stores for a course, speed, heading or depth not known.
inline constexpr double kUnsetTrackValue = -99.99;
// WGS 84 in the datum table.
inline constexpr std::uint16_t kTrackDatumWgs84 = 0xFFFF;

// Position-fix type codes.
enum FixType : std::int32_t {
    kFixVisual = 1,
    kFixRadar = 2,
    kFixAstro = 3,
    kFixEpfs = 4,
    kFixUserDr = 5,
    kFixUserEp = 6,
    kFixSystemDr = 7,
    kFixSystemEp = 8,
    kFixArpaTarget = 9,
    kFixTenderTarget = 10,
    kFixManual = 11,
};

struct CTrackFix {
    double latitude = 0.0;   // degrees, north positive
    double longitude = 0.0;   // degrees, east positive
    double altitude = 0.0;
    std::uint16_t datum = kTrackDatumWgs84;
    double cog = kUnsetTrackValue;
    double sog = kUnsetTrackValue;
    double heading = kUnsetTrackValue;
    double speed = kUnsetTrackValue;
    double depth = kUnsetTrackValue;
    std::chrono::sys_seconds utc{};
    std::int32_t fixType = 0;   // the file keeps the low three bytes

    bool operator==(const CTrackFix&) const = default;
};

using TrackRecordBytes = std::array<unsigned char, kTrackRecordSize>;

// The record of a fix. A time outside the years 0-9999 is written as the
// nearest one that fits, since the field has four year digits.
TrackRecordBytes EncodeTrackRecord(const CTrackFix& fix);
// False when the record's date or time characters are no valid UTC date and
// time; the other fields are filled all the same.
bool DecodeTrackRecord(const unsigned char* record, CTrackFix& fix);

// "VF", "Radar", ..., "Unknown" for a code no table row names.
std::string GetFixTypeText(int code);
// The one- or two-letter label a track draws beside a fix, and whether the
// fix is an estimate (drawn in the estimated label style).
struct CFixLabel {
    std::string text;
    bool estimated = true;
};
CFixLabel GetFixLabel(int code);

}   // namespace navigator
