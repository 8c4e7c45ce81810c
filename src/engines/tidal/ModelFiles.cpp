#include "ModelFiles.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tidal {

namespace {

constexpr char kMagic[4] = {'B', 'V', 'T', 'M'};
constexpr std::uint16_t kVersion = 2;
constexpr std::size_t kNameWidth = 8;
constexpr std::size_t kFixedHeader = 4 + 2 + 2 + 4 * 5;   // magic to constituent count

// Bytes of one cell record (quality byte included) and one station record.
std::uint64_t CellBytes(std::uint16_t version, std::uint64_t n)
{
    return 1 + n * 3 * 8 + 3 * 4 + (version >= 2 ? 2 * 4 : 0);
}
std::uint64_t StationBytes(std::uint64_t n)
{
    return 1 + 2 * 8 + 2 * 4 + CellBytes(2, n) - 1;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
            ++j;
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

bool ToInt(const std::string& text, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ToDouble(const std::string& text, double& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

std::string Number(double value)
{
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t size) : p_(bytes), end_(bytes + size) { }
    bool Take(void* out, std::size_t n)
    {
        if (std::size_t(end_ - p_) < n)
            return false;
        std::memcpy(out, p_, n);
        p_ += n;
        return true;
    }
    std::uint32_t U32()
    {
        std::uint8_t b[4]{};
        ok_ = ok_ && Take(b, 4);
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
               std::uint32_t(b[3]) << 24;
    }
    std::uint16_t U16()
    {
        std::uint8_t b[2]{};
        ok_ = ok_ && Take(b, 2);
        return std::uint16_t(b[0] | b[1] << 8);
    }
    double F64()
    {
        const std::uint64_t low = U32();
        const std::uint64_t bits = low | std::uint64_t(U32()) << 32;
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    float F32()
    {
        const std::uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    std::uint8_t U8()
    {
        std::uint8_t b = 0;
        ok_ = ok_ && Take(&b, 1);
        return b;
    }
    bool ok() const { return ok_; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

void PutF32(std::vector<std::uint8_t>& out, float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

void PutF64(std::vector<std::uint8_t>& out, double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    PutU32(out, std::uint32_t(bits));
    PutU32(out, std::uint32_t(bits >> 32));
}

bool ReadSeries(Reader& in, std::vector<Harmonic>& series, std::size_t n)
{
    series.resize(n);
    for (Harmonic& h : series) {
        h.amplitude = in.F32();
        h.phase = in.F32();
        if (!std::isfinite(h.amplitude) || !std::isfinite(h.phase) || h.amplitude < 0)
            return false;
    }
    return true;
}

// A cell's series, means and (version 2) axis, after its quality byte.
bool ReadCellBody(Reader& in, ModelCell& c, std::size_t n, std::uint16_t version)
{
    if (!ReadSeries(in, c.height, n) || !ReadSeries(in, c.east, n) || !ReadSeries(in, c.north, n))
        return false;
    c.meanHeight = in.F32();
    c.meanEast = in.F32();
    c.meanNorth = in.F32();
    if (version >= 2) {
        c.floodDirection = in.F32();
        c.ebbTurn = in.F32();
    }
    return std::isfinite(c.meanHeight) && std::isfinite(c.meanEast) && std::isfinite(c.meanNorth) &&
           std::isfinite(c.floodDirection) && std::fabs(c.floodDirection) <= 360.0f &&
           std::fabs(c.ebbTurn) <= 180.0f;
}

void PutCellBody(std::vector<std::uint8_t>& out, const ModelCell& c, std::uint16_t version)
{
    for (const auto* series : {&c.height, &c.east, &c.north})
        for (const Harmonic& h : *series) {
            PutF32(out, h.amplitude);
            PutF32(out, h.phase);
        }
    PutF32(out, c.meanHeight);
    PutF32(out, c.meanEast);
    PutF32(out, c.meanNorth);
    if (version >= 2) {
        PutF32(out, c.floodDirection);
        PutF32(out, c.ebbTurn);
    }
}

std::vector<std::uint8_t> Serialise(const ModelData& data, std::uint16_t version)
{
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    out.push_back(std::uint8_t(version));
    out.push_back(0);
    out.push_back(0);
    out.push_back(0);
    PutU32(out, std::uint32_t(data.rows));
    PutU32(out, std::uint32_t(data.columns));
    PutU32(out, std::uint32_t(data.firstYear));
    PutU32(out, std::uint32_t(data.years));
    PutU32(out, std::uint32_t(data.constituents.size()));
    if (version >= 2)
        PutU32(out, std::uint32_t(data.stations.size()));
    for (const std::string& name : data.constituents) {
        char field[kNameWidth]{};
        std::memcpy(field, name.data(), std::min(name.size(), kNameWidth));
        out.insert(out.end(), field, field + kNameWidth);
    }
    for (const ModelCell& c : data.cells) {
        out.push_back(std::uint8_t(c.quality));
        PutCellBody(out, c, version);
    }
    if (version >= 2)
        for (const ModelStation& s : data.stations) {
            out.push_back(std::uint8_t(s.kind));
            PutF64(out, s.latitude);
            PutF64(out, s.longitude);
            PutU32(out, std::uint32_t(s.row));
            PutU32(out, std::uint32_t(s.column));
            PutCellBody(out, s.constants, version);
        }
    PutU32(out, std::uint32_t(crc32(0L, out.data(), uInt(out.size()))));
    return out;
}

}   // namespace

Code ParseModelHeader(const std::string& text, ModelHeader& header)
{
    std::istringstream in(text);
    std::string line1, line2;
    if (!std::getline(in, line1) || !std::getline(in, line2))
        return kHeaderRead;
    const auto f1 = Fields(line1), f2 = Fields(line2);
    ModelHeader h;
    if (f1.size() < 3 || f2.size() < 4 || !ToInt(f1[1], h.rows) || !ToInt(f1[2], h.columns) ||
        !ToDouble(f2[0], h.lonStep) || !ToDouble(f2[1], h.latStep) || !ToDouble(f2[2], h.west) ||
        !ToDouble(f2[3], h.north))
        return kHeaderRead;
    // A model needs at least one cell beyond its two-row, two-column margin.
    if (h.rows < 3 || h.columns < 3 || h.rows > kMaxGridSide || h.columns > kMaxGridSide ||
        !(h.lonStep > 0) || !(h.latStep > 0) || h.north > 90.0 ||
        h.north - (h.rows - 1) * h.latStep < -90.0 || h.west < -360.0 ||
        h.west + (h.columns - 1) * h.lonStep > 360.0)
        return kHeaderRead;
    header = h;
    return kGood;
}

Code ReadModelHeader(const std::filesystem::path& file, ModelHeader& header)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return kHeaderOpen;
    // Only the first two lines are read; a longer file does not matter.
    std::string text;
    std::string line;
    for (int i = 0; i < 2 && std::getline(in, line); ++i) {
        if (line.size() > 4096)
            return kHeaderRead;
        text += line + "\n";
    }
    return ParseModelHeader(text, header);
}

std::string FormatModelHeader(const ModelHeader& h)
{
    return "BVTIDE " + std::to_string(h.rows) + " " + std::to_string(h.columns) + "\n" +
           Number(h.lonStep) + " " + Number(h.latStep) + " " + Number(h.west) + " " +
           Number(h.north) + "\n";
}

Code ParseModelData(const std::uint8_t* bytes, std::size_t size, ModelData& data)
{
    if (size < kFixedHeader + 4)
        return kDataRead;
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i)
        stored |= std::uint32_t(bytes[size - 4 + i]) << (8 * i);
    if (stored != crc32(0L, bytes, uInt(size - 4)))
        return kDataRead;
    Reader in(bytes, size - 4);
    char magic[4];
    if (!in.Take(magic, 4) || std::memcmp(magic, kMagic, 4) != 0)
        return kDataRead;
    // Version 1 files, written before streams had their own ebb direction,
    // are still read: their ebbs run opposite the flood.
    const std::uint16_t version = in.U16();
    if (version < 1 || version > kVersion)
        return kDataRead;
    in.U16();
    const std::uint32_t rows = in.U32(), columns = in.U32();
    const std::int32_t firstYear = std::int32_t(in.U32());
    const std::uint32_t years = in.U32(), n = in.U32();
    const std::uint32_t stationCount = version >= 2 ? in.U32() : 0;
    if (!in.ok() || rows < 3 || columns < 3 || rows > kMaxGridSide || columns > kMaxGridSide ||
        years < 1 || years > kMaxYears || firstYear < 1 || firstYear > 9999 - int(years) + 1 ||
        n < 1 || n > kMaxConstituents || stationCount > kMaxStations)
        return kDataRead;
    // The length must be exactly what the header promises, before allocating.
    const std::uint64_t expected = kFixedHeader + (version >= 2 ? 4 : 0) +
                                   std::uint64_t(n) * kNameWidth +
                                   std::uint64_t(rows) * columns * CellBytes(version, n) +
                                   std::uint64_t(stationCount) * StationBytes(n) + 4;
    if (expected != size)
        return kDataRead;

    ModelData d;
    d.rows = int(rows);
    d.columns = int(columns);
    d.firstYear = firstYear;
    d.years = int(years);
    for (std::uint32_t i = 0; i < n; ++i) {
        char name[kNameWidth + 1]{};
        in.Take(name, kNameWidth);
        d.constituents.emplace_back(name);
    }
    d.cells.resize(std::size_t(rows) * columns);
    for (ModelCell& c : d.cells) {
        const std::uint8_t quality = in.U8();
        if (quality > std::uint8_t(CellQuality::Remote))
            return kDataRead;
        c.quality = CellQuality(quality);
        if (!ReadCellBody(in, c, n, version))
            return kDataRead;
    }
    d.stations.resize(stationCount);
    for (ModelStation& s : d.stations) {
        const std::uint8_t kind = in.U8();
        s.latitude = in.F64();
        s.longitude = in.F64();
        const std::uint32_t row = in.U32(), column = in.U32();
        if (kind > std::uint8_t(ModelStation::Kind::Stream) || !(std::fabs(s.latitude) <= 90.0) ||
            !(std::fabs(s.longitude) <= 360.0) || row >= rows || column >= columns)
            return kDataRead;
        s.kind = ModelStation::Kind(kind);
        s.row = int(row);
        s.column = int(column);
        s.constants.quality = CellQuality::Station;
        if (!ReadCellBody(in, s.constants, n, version))
            return kDataRead;
    }
    if (!in.ok())
        return kDataRead;
    data = std::move(d);
    return kGood;
}

Code ReadModelData(const std::filesystem::path& file, ModelData& data)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in)
        return kDataOpen;
    const std::streamoff length = in.tellg();
    const std::uint64_t largest =
        kFixedHeader + kMaxConstituents * kNameWidth +
        std::uint64_t(kMaxGridSide) * kMaxGridSide * CellBytes(kVersion, kMaxConstituents) +
        kMaxStations * StationBytes(kMaxConstituents) + 4 + 4;
    if (length < 0 || std::uint64_t(length) > largest)
        return kDataRead;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length))
        return kDataRead;
    return ParseModelData(bytes.data(), bytes.size(), data);
}

std::vector<std::uint8_t> SerialiseModelData(const ModelData& data)
{
    return Serialise(data, kVersion);
}

std::vector<std::uint8_t> SerialiseModelDataVersion1(const ModelData& data)
{
    return Serialise(data, 1);
}

}   // namespace tidal
