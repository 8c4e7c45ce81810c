#include "engines/vector/VChartStore.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "platform/Files.h"

namespace vengine {

namespace {

// ---------------------------------------------------------------- writing

void PutU8(std::string& s, std::uint8_t v)
{
    s.push_back(char(v));
}
void PutU16(std::string& s, std::uint16_t v)
{
    PutU8(s, std::uint8_t(v));
    PutU8(s, std::uint8_t(v >> 8));
}
void PutU32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        PutU8(s, std::uint8_t(v >> (8 * i)));
}
void SetU32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = char(std::uint8_t(v >> (8 * i)));
}
void PutVarint(std::string& s, std::int64_t v)
{
    auto z = std::uint64_t((v << 1) ^ (v >> 63));   // zig-zag: small magnitudes, few bytes
    while (z >= 0x80) {
        PutU8(s, std::uint8_t(z | 0x80));
        z >>= 7;
    }
    PutU8(s, std::uint8_t(z));
}

class CStringTable {
public:
    std::uint32_t Id(const std::string& text)
    {
        auto [it, added] = m_ids.emplace(text, std::uint32_t(m_texts.size()));
        if (added)
            m_texts.push_back(text);
        return it->second;
    }
    const std::vector<std::string>& Texts() const { return m_texts; }

private:
    std::map<std::string, std::uint32_t> m_ids;
    std::vector<std::string> m_texts;
};

bool Meets(const VBounds& a, const VBounds& b)
{
    return a.west <= b.east && b.west <= a.east && a.south <= b.north && b.south <= a.north;
}

VBounds ChartBounds(const VChartData& chart)
{
    bool any = false;
    VBounds all;
    for (const auto& f : chart.features) {
        if (f.parts.empty())
            continue;
        if (!any) {
            all = f.bounds;
            any = true;
            continue;
        }
        all.west = std::min(all.west, f.bounds.west);
        all.south = std::min(all.south, f.bounds.south);
        all.east = std::max(all.east, f.bounds.east);
        all.north = std::max(all.north, f.bounds.north);
    }
    return all;
}

// The grid cell range [first, last] covering [low, high] of a grid from
// `origin` over `span` units in `cells` steps.
std::pair<std::uint32_t, std::uint32_t> CellRange(std::int64_t low, std::int64_t high,
                                                  std::int64_t origin, std::int64_t span,
                                                  std::uint32_t cells)
{
    auto cell = [&](std::int64_t v) {
        if (span <= 0)
            return std::int64_t(0);
        std::int64_t c = (v - origin) * cells / (span + 1);
        return std::clamp<std::int64_t>(c, 0, cells - 1);
    };
    return {std::uint32_t(cell(low)), std::uint32_t(cell(high))};
}

// ---------------------------------------------------------------- reading

std::uint16_t GetU16(std::string_view b, std::size_t at)
{
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}
std::uint32_t GetU32(std::string_view b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(b[at + i])) << (8 * i);
    return v;
}
std::int32_t GetI32(std::string_view b, std::size_t at)
{
    return std::int32_t(GetU32(b, at));
}

bool GetVarint(std::string_view b, std::size_t& at, std::int64_t& out)
{
    std::uint64_t z = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at >= b.size())
            return false;
        auto byte = std::uint8_t(b[at++]);
        z |= std::uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            out = std::int64_t(z >> 1) ^ -std::int64_t(z & 1);
            return true;
        }
    }
    return false;
}

// Fixed part of a feature record: class u16, geometry u8, reserved u8,
// bounds 4 x i32, attribute count u32, part count u32.
constexpr std::size_t kRecordHead = 28;

// Section [off, off + size) lies inside a file of `total` bytes before its CRC.
bool Inside(std::uint64_t off, std::uint64_t size, std::uint64_t total)
{
    return off <= total - 4 && size <= total - 4 - off;
}

bool Fail(std::string* error, const char* what)
{
    if (error)
        *error = std::string("damaged vector chart file: ") + what;
    return false;
}

}   // namespace

std::string EncodeVChart(const VChartData& chart)
{
    CStringTable strings;
    std::vector<std::uint32_t> classIds;
    std::map<std::string, std::uint16_t> classIndex;
    std::string data;
    std::vector<std::uint32_t> dir;
    for (const auto& f : chart.features) {
        auto [it, added] = classIndex.emplace(f.objectClass, std::uint16_t(classIds.size()));
        if (added)
            classIds.push_back(strings.Id(f.objectClass));
        dir.push_back(std::uint32_t(data.size()));
        PutU16(data, it->second);
        PutU8(data, std::uint8_t(f.geom));
        PutU8(data, 0);
        PutU32(data, std::uint32_t(f.bounds.west));
        PutU32(data, std::uint32_t(f.bounds.south));
        PutU32(data, std::uint32_t(f.bounds.east));
        PutU32(data, std::uint32_t(f.bounds.north));
        PutU32(data, std::uint32_t(f.attributes.size()));
        PutU32(data, std::uint32_t(f.parts.size()));
        for (const auto& [key, value] : f.attributes) {
            PutU32(data, strings.Id(key));
            PutU32(data, strings.Id(value));
        }
        for (const auto& part : f.parts) {
            PutU32(data, std::uint32_t(part.points.size()) | (part.outer ? 0x80000000u : 0));
            VCoord last;
            for (const auto& p : part.points) {
                PutVarint(data, std::int64_t(p.lon) - last.lon);
                PutVarint(data, std::int64_t(p.lat) - last.lat);
                last = p;
            }
        }
    }

    // Grid index over all features' bounds.
    VBounds all = ChartBounds(chart);
    std::vector<std::vector<std::uint32_t>> cells(kGridSide * kGridSide);
    for (std::uint32_t i = 0; i < chart.features.size(); ++i) {
        const auto& f = chart.features[i];
        if (f.parts.empty())
            continue;
        auto [c0, c1] = CellRange(f.bounds.west, f.bounds.east, all.west,
                                  std::int64_t(all.east) - all.west, kGridSide);
        auto [r0, r1] = CellRange(f.bounds.south, f.bounds.north, all.south,
                                  std::int64_t(all.north) - all.south, kGridSide);
        for (auto r = r0; r <= r1; ++r)
            for (auto c = c0; c <= c1; ++c)
                cells[r * kGridSide + c].push_back(i);
    }

    std::string out(kStoreHeaderSize, '\0');
    std::memcpy(out.data(), kStoreMagic, 4);
    out[4] = char(kStoreVersion & 0xFF);
    out[5] = char(kStoreVersion >> 8);
    out[6] = char(chart.edition & 0xFF);
    out[7] = char(chart.edition >> 8);
    out[8] = char(chart.update & 0xFF);
    out[9] = char(chart.update >> 8);
    out.append(reinterpret_cast<const char*>(chart.info.bytes.data()), kInfoBlockSize);

    // Strings: offsets (count + 1) relative to the text bytes, then the bytes.
    SetU32(out, 16, std::uint32_t(out.size()));
    SetU32(out, 20, std::uint32_t(strings.Texts().size()));
    std::uint32_t at = 0;
    for (const auto& t : strings.Texts()) {
        PutU32(out, at);
        at += std::uint32_t(t.size());
    }
    PutU32(out, at);
    for (const auto& t : strings.Texts())
        out += t;

    SetU32(out, 48, std::uint32_t(out.size()));
    SetU32(out, 52, std::uint32_t(classIds.size()));
    for (auto id : classIds)
        PutU32(out, id);

    SetU32(out, 24, std::uint32_t(out.size()));
    SetU32(out, 28, std::uint32_t(dir.size()));
    for (auto d : dir)
        PutU32(out, d);
    SetU32(out, 32, std::uint32_t(out.size()));
    SetU32(out, 36, std::uint32_t(data.size()));
    out += data;

    std::size_t gridStart = out.size();
    SetU32(out, 40, std::uint32_t(gridStart));
    PutU32(out, std::uint32_t(all.west));
    PutU32(out, std::uint32_t(all.south));
    PutU32(out, std::uint32_t(all.east));
    PutU32(out, std::uint32_t(all.north));
    std::uint32_t n = 0;
    for (const auto& cell : cells) {
        PutU32(out, n);
        n += std::uint32_t(cell.size());
    }
    PutU32(out, n);
    for (const auto& cell : cells)
        for (auto i : cell)
            PutU32(out, i);
    SetU32(out, 44, std::uint32_t(out.size() - gridStart));

    // Each feature's smallest display scale, in directory order: drawing
    // reads it before anything of the record.
    SetU32(out, 56, std::uint32_t(out.size()));
    SetU32(out, 60, std::uint32_t(chart.features.size()));
    for (const auto& f : chart.features)
        PutU32(out, f.ScaleMinimum());

    SetU32(out, 12, std::uint32_t(out.size() + 4));
    auto crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data()), uInt(out.size()));
    PutU32(out, std::uint32_t(crc));
    return out;
}

bool WriteVChartFile(const std::filesystem::path& path, const VChartData& chart, std::string* error)
{
    std::string bytes = EncodeVChart(chart);
    if (bytes.size() > 0x7FFFFFFF) {
        if (error)
            *error = "the chart is too large for a vector chart file";
        return false;
    }
    return platform::WriteFileAtomically(path, bytes, error, 0644);
}

// ---------------------------------------------------------------- view

bool CVChartView::Attach(std::string_view b, std::string* error)
{
    *this = CVChartView();
    if (b.size() < kStoreHeaderSize + kInfoBlockSize + 4)
        return Fail(error, "too short");
    if (std::memcmp(b.data(), kStoreMagic, 4) != 0)
        return Fail(error, "not a vector chart file");
    m_version = GetU16(b, 4);
    if (m_version > kStoreVersion) {
        if (error)
            *error = "vector chart file of format " + std::to_string(m_version) +
                     ", written by a newer version of the program (this one reads formats " +
                     std::to_string(kOldestStoreVersion) + " to " + std::to_string(kStoreVersion) +
                     "); import the chart's cell again";
        return false;
    }
    if (m_version < kOldestStoreVersion)
        return Fail(error, "unknown format version");
    if (GetU32(b, 12) != b.size())
        return Fail(error, "length does not match the header");
    auto crc = crc32(0L, reinterpret_cast<const Bytef*>(b.data()), uInt(b.size() - 4));
    if (std::uint32_t(crc) != GetU32(b, b.size() - 4))
        return Fail(error, "checksum does not match");
    const std::uint64_t total = b.size();

    m_edition = GetU16(b, 6);
    m_update = GetU16(b, 8);
    std::memcpy(m_info.bytes.data(), b.data() + kStoreHeaderSize, kInfoBlockSize);

    m_stringsOff = GetU32(b, 16);
    m_stringCount = GetU32(b, 20);
    if (!Inside(m_stringsOff, (std::uint64_t(m_stringCount) + 1) * 4, total))
        return Fail(error, "string table out of range");
    m_stringBytesOff = m_stringsOff + (m_stringCount + 1) * 4;
    std::uint32_t prev = 0;
    for (std::uint32_t i = 0; i <= m_stringCount; ++i) {
        auto o = GetU32(b, m_stringsOff + 4 * std::size_t(i));
        if (o < prev || !Inside(m_stringBytesOff, o, total))
            return Fail(error, "string offsets out of range");
        prev = o;
    }

    m_classOff = GetU32(b, 48);
    m_classCount = GetU32(b, 52);
    if (!Inside(m_classOff, std::uint64_t(m_classCount) * 4, total))
        return Fail(error, "class table out of range");
    for (std::uint32_t i = 0; i < m_classCount; ++i)
        if (GetU32(b, m_classOff + 4 * std::size_t(i)) >= m_stringCount)
            return Fail(error, "class name out of range");

    m_dirOff = GetU32(b, 24);
    m_featureCount = GetU32(b, 28);
    m_dataOff = GetU32(b, 32);
    m_dataSize = GetU32(b, 36);
    if (!Inside(m_dirOff, std::uint64_t(m_featureCount) * 4, total) ||
        !Inside(m_dataOff, m_dataSize, total))
        return Fail(error, "feature section out of range");
    m_bytes = b;
    prev = 0;
    for (std::uint32_t i = 0; i < m_featureCount; ++i) {
        auto o = GetU32(b, m_dirOff + 4 * std::size_t(i));
        if (o < prev || o > m_dataSize || m_dataSize - o < kRecordHead)
            return Fail(error, "feature directory out of range");
        prev = o;
    }
    for (std::uint32_t i = 0; i < m_featureCount; ++i)
        if (!CheckFeature(i, error))
            return false;

    m_gridOff = GetU32(b, 40);
    m_gridSize = GetU32(b, 44);
    const std::uint64_t cells = std::uint64_t(kGridSide) * kGridSide;
    if (!Inside(m_gridOff, m_gridSize, total) || m_gridSize < 16 + (cells + 1) * 4)
        return Fail(error, "grid index out of range");
    m_gridBounds = {GetI32(b, m_gridOff), GetI32(b, m_gridOff + 4), GetI32(b, m_gridOff + 8),
                    GetI32(b, m_gridOff + 12)};
    const std::size_t starts = m_gridOff + 16;
    const std::uint64_t entries = (m_gridSize - 16 - (cells + 1) * 4) / 4;
    prev = 0;
    for (std::uint64_t c = 0; c <= cells; ++c) {
        auto s = GetU32(b, starts + 4 * c);
        if (s < prev || s > entries)
            return Fail(error, "grid cells out of range");
        prev = s;
    }
    const std::size_t list = starts + (cells + 1) * 4;
    std::vector<std::uint8_t> listed(m_featureCount);
    for (std::uint64_t e = 0; e < prev; ++e) {
        const auto i = GetU32(b, list + 4 * e);
        if (i >= m_featureCount)
            return Fail(error, "grid entry out of range");
        listed[i] = 1;
    }
    for (std::uint32_t i = 0; i < m_featureCount; ++i)
        if (listed[i])
            m_listed.push_back(i);

    if (m_version >= 2) {
        const std::uint32_t off = GetU32(b, 56);
        if (GetU32(b, 60) != m_featureCount || off == 0 ||
            !Inside(off, std::uint64_t(m_featureCount) * 4, total))
            return Fail(error, "scale table out of range");
        m_scaleMinOff = off;
    }
    return true;
}

std::string_view CVChartView::String(std::uint32_t id) const
{
    if (id >= m_stringCount)
        return {};
    auto from = GetU32(m_bytes, m_stringsOff + 4 * std::size_t(id));
    auto to = GetU32(m_bytes, m_stringsOff + 4 * (std::size_t(id) + 1));
    return m_bytes.substr(m_stringBytesOff + from, to - from);
}

std::string_view CVChartView::Record(std::size_t feature) const
{
    auto from = GetU32(m_bytes, m_dirOff + 4 * feature);
    auto to =
        feature + 1 < m_featureCount ? GetU32(m_bytes, m_dirOff + 4 * (feature + 1)) : m_dataSize;
    return m_bytes.substr(m_dataOff + from, to - from);
}

bool CVChartView::CheckFeature(std::size_t feature, std::string* error) const
{
    auto r = Record(feature);
    if (r.size() < kRecordHead)
        return Fail(error, "feature record too short");
    if (GetU16(r, 0) >= m_classCount || std::uint8_t(r[2]) > std::uint8_t(VGeom::Area))
        return Fail(error, "feature class out of range");
    std::uint64_t attrs = GetU32(r, 20), parts = GetU32(r, 24);
    std::size_t at = kRecordHead;
    if (attrs * 8 > r.size() - at)
        return Fail(error, "feature attributes out of range");
    for (std::uint64_t a = 0; a < attrs; ++a, at += 8)
        if (GetU32(r, at) >= m_stringCount || GetU32(r, at + 4) >= m_stringCount)
            return Fail(error, "attribute text out of range");
    for (std::uint64_t p = 0; p < parts; ++p) {
        if (r.size() - at < 4)
            return Fail(error, "feature part out of range");
        std::uint64_t n = GetU32(r, at) & 0x7FFFFFFF;
        at += 4;
        if (n * 2 > r.size() - at)
            return Fail(error, "feature coordinates out of range");
        std::int64_t lon = 0, lat = 0;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::int64_t dx, dy;
            if (!GetVarint(r, at, dx) || !GetVarint(r, at, dy))
                return Fail(error, "feature coordinates out of range");
            lon += dx;
            lat += dy;
            if (lon < INT32_MIN || lon > INT32_MAX || lat < INT32_MIN || lat > INT32_MAX)
                return Fail(error, "coordinate out of range");
        }
    }
    if (at != r.size())
        return Fail(error, "feature record length does not match");
    return true;
}

std::string_view CVChartView::ClassOf(std::size_t feature) const
{
    if (feature >= m_featureCount)
        return {};
    return String(GetU32(m_bytes, m_classOff + 4 * std::size_t(GetU16(Record(feature), 0))));
}

VBounds CVChartView::BoundsOf(std::size_t feature) const
{
    if (feature >= m_featureCount)
        return {};
    auto r = Record(feature);
    return {GetI32(r, 4), GetI32(r, 8), GetI32(r, 12), GetI32(r, 16)};
}

VGeom CVChartView::GeomOf(std::size_t feature) const
{
    return feature < m_featureCount ? VGeom(std::uint8_t(Record(feature)[2])) : VGeom::None;
}

std::uint32_t CVChartView::ScaleMinimumOf(std::size_t feature) const
{
    if (m_scaleMinOff == 0 || feature >= m_featureCount)
        return 0;
    return GetU32(m_bytes, m_scaleMinOff + 4 * feature);
}

bool CVChartView::ReadFeature(std::size_t feature, VFeature& out) const
{
    if (feature >= m_featureCount)
        return false;
    auto r = Record(feature);
    // Written over what `out` held, so a caller reading feature after feature
    // into one VFeature reuses its strings and point lists instead of
    // allocating them anew for each.
    out.objectClass.assign(ClassOf(feature));
    out.geom = GeomOf(feature);
    out.bounds = BoundsOf(feature);
    std::uint32_t attrs = GetU32(r, 20), parts = GetU32(r, 24);
    std::size_t at = kRecordHead;
    out.attributes.resize(attrs);
    for (auto& [name, value] : out.attributes) {
        name.assign(String(GetU32(r, at)));
        value.assign(String(GetU32(r, at + 4)));
        at += 8;
    }
    out.parts.resize(parts);
    for (auto& part : out.parts) {
        auto head = GetU32(r, at);
        at += 4;
        part.outer = (head & 0x80000000u) != 0;
        part.points.resize(head & 0x7FFFFFFF);
        std::int64_t lon = 0, lat = 0;
        for (auto& p : part.points) {
            std::int64_t dx = 0, dy = 0;
            GetVarint(r, at, dx);   // checked when the file was attached
            GetVarint(r, at, dy);
            lon += dx;
            lat += dy;
            p = {std::int32_t(lon), std::int32_t(lat)};
        }
    }
    return true;
}

std::vector<std::uint32_t> CVChartView::FeaturesIn(const VBounds& area, double displayScale) const
{
    std::vector<std::uint32_t> found;
    if (m_featureCount == 0 || !Meets(area, m_gridBounds))
        return found;
    // A feature hidden at this scale is passed over on one number of the
    // scale table, before its bounds are read.
    const bool byScale = m_scaleMinOff != 0 && displayScale > 0;
    auto shown = [&](std::uint32_t i) {
        if (!byScale)
            return true;
        const std::uint32_t least = GetU32(m_bytes, m_scaleMinOff + 4 * std::size_t(i));
        return least == 0 || displayScale <= double(least);
    };
    const auto& g = m_gridBounds;
    auto [c0, c1] = CellRange(std::max(area.west, g.west), std::min(area.east, g.east), g.west,
                              std::int64_t(g.east) - g.west, kGridSide);
    auto [r0, r1] = CellRange(std::max(area.south, g.south), std::min(area.north, g.north), g.south,
                              std::int64_t(g.north) - g.south, kGridSide);
    // An area over every cell (a whole chart in view) needs no walk through
    // the cells, where a large feature is listed in hundreds of them.
    if (c0 == 0 && r0 == 0 && c1 == kGridSide - 1 && r1 == kGridSide - 1) {
        for (auto i : m_listed)
            if (shown(i) && Meets(area, BoundsOf(i)))
                found.push_back(i);
        return found;
    }
    const std::size_t starts = m_gridOff + 16;
    const std::size_t list = starts + (std::size_t(kGridSide) * kGridSide + 1) * 4;
    // A large feature sits in many cells: each is looked at once.
    std::vector<std::uint8_t> seen(m_featureCount);
    for (auto r = r0; r <= r1; ++r)
        for (auto c = c0; c <= c1; ++c) {
            std::size_t cell = std::size_t(r) * kGridSide + c;
            auto from = GetU32(m_bytes, starts + 4 * cell);
            auto to = GetU32(m_bytes, starts + 4 * (cell + 1));
            for (auto e = from; e < to; ++e) {
                auto i = GetU32(m_bytes, list + 4 * std::size_t(e));
                if (seen[i])
                    continue;
                seen[i] = 1;
                if (shown(i) && Meets(area, BoundsOf(i)))
                    found.push_back(i);
            }
        }
    std::sort(found.begin(), found.end());
    return found;
}

bool CVChartView::ReadAll(VChartData& out) const
{
    out = VChartData();
    out.info = m_info;
    out.edition = m_edition;
    out.update = m_update;
    out.features.resize(m_featureCount);
    for (std::size_t i = 0; i < m_featureCount; ++i)
        if (!ReadFeature(i, out.features[i]))
            return false;
    return true;
}

// ---------------------------------------------------------------- mapped file

CVChartFile::~CVChartFile()
{
    if (m_map)
        ::munmap(m_map, m_size);
}

std::unique_ptr<CVChartFile> CVChartFile::Open(const std::filesystem::path& path,
                                               std::string* error)
{
    platform::CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        if (error)
            *error = "cannot open " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st { };
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = path.string() + " is not a readable file";
        return nullptr;
    }
    std::unique_ptr<CVChartFile> file(new CVChartFile());
    if (st.st_size < std::int64_t(kStoreHeaderSize) || st.st_size > 0x7FFFFFFF) {
        Fail(error, "length out of range");
        return nullptr;
    }
    file->m_size = std::size_t(st.st_size);
    void* map = ::mmap(nullptr, file->m_size, PROT_READ, MAP_PRIVATE, fd.Get(), 0);
    if (map == MAP_FAILED) {
        if (error)
            *error = "cannot map " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    file->m_map = map;
    std::string why;
    if (!file->m_view.Attach(std::string_view(static_cast<const char*>(map), file->m_size), &why)) {
        if (error)
            *error = path.filename().string() + ": " + why;
        return nullptr;
    }
    return file;
}

}   // namespace vengine
