#include "engines/vector/Folio.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/Files.h"

namespace vengine {

namespace {

void PutI32(std::string& s, std::int32_t value)
{
    auto v = std::uint32_t(value);
    for (int i = 0; i < 4; ++i)
        s.push_back(char(std::uint8_t(v >> (8 * i))));
}

std::int32_t GetI32(std::string_view b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(b[at + i])) << (8 * i);
    return std::int32_t(v);
}

// Just inside 180 degrees: a crossing record cut at the meridian.
constexpr std::int64_t kNearMeridian = 1799999999;
constexpr std::int64_t kFullCircle = 3600000000;

}   // namespace

std::string EncodeFolio(const std::vector<FolioRecord>& records)
{
    std::string out;
    out.reserve(records.size() * kFolioRecordSize);
    for (const auto& r : records) {
        std::string name = r.name.substr(0, kFolioNameWidth - 1);
        name.resize(kFolioNameWidth, '\0');
        out += name;
        PutI32(out, r.west);
        PutI32(out, r.south);
        PutI32(out, r.east);
        PutI32(out, r.north);
        PutI32(out, r.scale);
        out.push_back('\0');
        out.push_back(r.inUse ? '\1' : '\0');
        out.append(2, '\0');
    }
    return out;
}

std::vector<FolioRecord> DecodeFolio(std::string_view bytes)
{
    std::vector<FolioRecord> records;
    for (std::size_t at = 0; bytes.size() - at >= kFolioRecordSize; at += kFolioRecordSize) {
        FolioRecord r;
        auto name = bytes.substr(at, kFolioNameWidth);
        r.name = std::string(name.substr(0, name.find('\0')));
        r.west = GetI32(bytes, at + 16);
        r.south = GetI32(bytes, at + 20);
        r.east = GetI32(bytes, at + 24);
        r.north = GetI32(bytes, at + 28);
        r.scale = GetI32(bytes, at + 32);
        r.inUse = bytes[at + 37] != 0;
        records.push_back(std::move(r));
    }
    return records;
}

std::optional<std::vector<FolioRecord>> ReadFolio(const std::filesystem::path& folder)
{
    auto path = platform::FindNoCase(folder, kFolioName);
    if (!path)
        return std::nullopt;
    std::ifstream in(*path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodeFolio(bytes);
}

std::optional<std::size_t> FindBestChart(const std::vector<FolioRecord>& records,
                                         const FolioQuery& query,
                                         const std::function<bool(const FolioRecord&)>& allowed)
{
    const bool queryCrosses = query.lonB < query.lonA;
    std::int32_t threshold = query.threshold;
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        if (!r.inUse || (allowed && !allowed(r)))
            continue;
        std::int64_t west = r.west, east = r.east;
        std::int64_t a = query.lonA, b = query.lonB;
        const bool recordCrosses = east < west;
        if (recordCrosses && !queryCrosses) {
            // Cut at the meridian on A's side.
            if (a < 0)
                west = -kNearMeridian;
            else
                east = kNearMeridian;
        } else if (!recordCrosses && queryCrosses) {
            continue;
        } else if (recordCrosses && queryCrosses) {
            // Both cross: measure east of the meridian past 180 degrees.
            east += kFullCircle;
            b += kFullCircle;
            if (a < 0)
                a += kFullCircle;
        }
        const bool covers = west < a && a < east && west < b && b < east &&
                            r.south < query.latHigh && query.latHigh < r.north &&
                            r.south < query.latLow && query.latLow < r.north;
        const bool scaleOk =
            threshold == 0 || r.scale < threshold || (query.samePositions && r.scale <= threshold);
        if (covers && scaleOk) {
            best = i;
            threshold = r.scale;
        }
    }
    return best;
}

}   // namespace vengine
