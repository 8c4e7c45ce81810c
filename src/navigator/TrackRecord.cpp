#include "navigator/TrackRecord.h"

#include <algorithm>
#include <bit>

namespace navigator {

namespace {

using namespace std::chrono;

void PutU32(unsigned char* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutDouble(unsigned char* at, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::uint32_t GetU32(const unsigned char* at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t{at[i]} << (8 * i);
    return v;
}

double GetDouble(const unsigned char* at)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= std::uint64_t{at[i]} << (8 * i);
    return std::bit_cast<double>(bits);
}

void PutDigits(unsigned char* at, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        at[i] = static_cast<unsigned char>('0' + value % 10);
        value /= 10;
    }
}

// -1 when a character is not a digit.
int GetDigits(const unsigned char* at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (at[i] < '0' || at[i] > '9')
            return -1;
        value = value * 10 + (at[i] - '0');
    }
    return value;
}

constexpr std::size_t kLatitude = 0, kLongitude = 8, kAltitude = 16, kDatum = 24, kCog = 28,
                      kSog = 36, kHeading = 44, kSpeed = 52, kDepth = 60, kDate = 68, kTime = 76,
                      kType = 82;

}   // namespace

TrackRecordBytes EncodeTrackRecord(const CTrackFix& fix)
{
    TrackRecordBytes r{};
    PutDouble(&r[kLatitude], fix.latitude);
    PutDouble(&r[kLongitude], fix.longitude);
    PutDouble(&r[kAltitude], fix.altitude);
    // The datum index goes out sign-extended: WGS 84 (0xFFFF) is FF FF FF FF.
    PutU32(&r[kDatum],
           static_cast<std::uint32_t>(std::int32_t{static_cast<std::int16_t>(fix.datum)}));
    PutDouble(&r[kCog], fix.cog);
    PutDouble(&r[kSog], fix.sog);
    PutDouble(&r[kHeading], fix.heading);
    PutDouble(&r[kSpeed], fix.speed);
    PutDouble(&r[kDepth], fix.depth);

    constexpr sys_days kFirst = sys_days{year{0} / January / 1};
    constexpr sys_days kLast = sys_days{year{9999} / December / 31};
    const sys_seconds t =
        std::clamp(fix.utc, sys_seconds{kFirst}, sys_seconds{kLast} + hours(24) - seconds(1));
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> hms{t - day};
    PutDigits(&r[kDate], static_cast<int>(ymd.year()), 4);
    PutDigits(&r[kDate + 4], static_cast<int>(static_cast<unsigned>(ymd.month())), 2);
    PutDigits(&r[kDate + 6], static_cast<int>(static_cast<unsigned>(ymd.day())), 2);
    PutDigits(&r[kTime], static_cast<int>(hms.hours().count()), 2);
    PutDigits(&r[kTime + 2], static_cast<int>(hms.minutes().count()), 2);
    PutDigits(&r[kTime + 4], static_cast<int>(hms.seconds().count()), 2);

    const auto type = static_cast<std::uint32_t>(fix.fixType);
    r[kType] = static_cast<unsigned char>(type);
    r[kType + 1] = static_cast<unsigned char>(type >> 8);
    r[kType + 2] = static_cast<unsigned char>(type >> 16);
    return r;
}

bool DecodeTrackRecord(const unsigned char* r, CTrackFix& fix)
{
    fix.latitude = GetDouble(&r[kLatitude]);
    fix.longitude = GetDouble(&r[kLongitude]);
    fix.altitude = GetDouble(&r[kAltitude]);
    fix.datum = static_cast<std::uint16_t>(GetU32(&r[kDatum]) & 0xFFFF);
    fix.cog = GetDouble(&r[kCog]);
    fix.sog = GetDouble(&r[kSog]);
    fix.heading = GetDouble(&r[kHeading]);
    fix.speed = GetDouble(&r[kSpeed]);
    fix.depth = GetDouble(&r[kDepth]);
    fix.fixType =
        static_cast<std::int32_t>(std::uint32_t{r[kType]} | std::uint32_t{r[kType + 1]} << 8 |
                                  std::uint32_t{r[kType + 2]} << 16);
    const int y = GetDigits(&r[kDate], 4), mo = GetDigits(&r[kDate + 4], 2),
              d = GetDigits(&r[kDate + 6], 2);
    const int h = GetDigits(&r[kTime], 2), mi = GetDigits(&r[kTime + 2], 2),
              s = GetDigits(&r[kTime + 4], 2);
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)},
                             day{static_cast<unsigned>(d)}};
    if (y < 0 || mo < 0 || d < 0 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59 ||
        !ymd.ok()) {
        fix.utc = sys_seconds{};
        return false;
    }
    fix.utc = sys_days{ymd} + hours(h) + minutes(mi) + seconds(s);
    return true;
}

std::string GetFixTypeText(int code)
{
    switch (code) {
    case kFixVisual: return "VF";
    case kFixRadar: return "Radar";
    case kFixAstro: return "Astro";
    case kFixEpfs: return "EPFS";
    case kFixUserDr: return "USER DR";
    case kFixUserEp: return "USER EP";
    case kFixSystemDr: return "SYS DR";
    case kFixSystemEp: return "SYS EP";
    case kFixArpaTarget: return "ARPA Target";
    case kFixTenderTarget: return "Tender Target";
    case kFixManual: return "Manual";
    default: return "Unknown";
    }
}

CFixLabel GetFixLabel(int code)
{
    switch (code) {
    case kFixVisual: return {"V", false};
    case kFixRadar: return {"R", false};
    case kFixAstro: return {"A", false};
    case kFixEpfs: return {"G", false};
    case kFixUserDr:
    case kFixSystemDr: return {"DR", true};
    case kFixUserEp:
    case kFixSystemEp: return {"EP", true};
    default: return {"", true};
    }
}

}   // namespace navigator
