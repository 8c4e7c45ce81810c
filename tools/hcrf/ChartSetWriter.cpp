#include "ChartSetWriter.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

namespace hcrftool {

namespace {

constexpr unsigned kTile = 128;
const std::string kEnd = "\x0B\x0D\x0A";

using Bytes = std::vector<std::uint8_t>;

// ---- text records --------------------------------------------------------

void Put(std::string& record, std::size_t column, std::size_t width, const std::string& text)
{
    if (record.size() < column + width)
        record.resize(column + width, ' ');
    for (std::size_t i = 0; i < width; ++i)
        record[column + i] = i < text.size() ? text[i] : ' ';
}

std::string Digits(unsigned long long value, int width)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*llu", width, value);
    return text;
}

// Sign, whole degrees, thousandths of a minute: "+50" "30000" for 50 30.0 N.
std::string Coordinate(double degrees, int degreeDigits)
{
    const char sign = degrees < 0 ? '-' : '+';
    long long thousandths = std::llround(std::fabs(degrees) * 60000.0);
    const long long whole = thousandths / 60000;
    thousandths %= 60000;
    char text[32];
    std::snprintf(text, sizeof text, "%c%0*lld%05lld", sign, degreeDigits, whole, thousandths);
    return text;
}

unsigned InsetCount(const ChartParameters& p)
{
    return p.plans.empty() ? p.insets : unsigned(p.plans.size());
}

std::string IdentifierRecord(const ChartParameters& p, unsigned insets)
{
    std::string r(45, ' ');
    Put(r, 0, 3, "HCR");
    Put(r, 3, 2, "01");
    Put(r, 5, 8, p.chartNumber);
    Put(r, 13, 8, p.editionField);
    Put(r, 21, 8, p.editionDate);
    Put(r, 29, 2, Digits(insets, 2));
    Put(r, 31, 5, "  1.0");
    Put(r, 36, 2, "00");
    return r + kEnd;
}

void PutLE16(Bytes& out, unsigned v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void PutLE32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint32_t Crc(const Bytes& bytes)
{
    return std::uint32_t(crc32(0, bytes.data(), uInt(bytes.size())));
}

bool WriteFile(const std::filesystem::path& path, const void* data, std::size_t size,
               std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes, std::string& error)
{
    return WriteFile(path, bytes.data(), bytes.size(), error);
}

bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error)
{
    return WriteFile(path, text.data(), text.size(), error);
}

// ---- pictures ------------------------------------------------------------

IndexedImage PadToTiles(const IndexedImage& in)
{
    IndexedImage out;
    out.palette = in.palette;
    out.width = (in.width + kTile - 1) / kTile * kTile;
    out.height = (in.height + kTile - 1) / kTile * kTile;
    out.pixels.assign(std::size_t(out.width) * out.height, 0);
    for (unsigned y = 0; y < in.height; ++y)
        std::copy_n(&in.pixels[std::size_t(y) * in.width], in.width,
                    &out.pixels[std::size_t(y) * out.width]);
    return out;
}

IndexedImage Reduce(const IndexedImage& in, unsigned ratio)
{
    IndexedImage out;
    out.palette = in.palette;
    out.width = (in.width + ratio - 1) / ratio;
    out.height = (in.height + ratio - 1) / ratio;
    out.pixels.resize(std::size_t(out.width) * out.height);
    for (unsigned y = 0; y < out.height; ++y)
        for (unsigned x = 0; x < out.width; ++x)
            out.pixels[std::size_t(y) * out.width + x] = in.At(x * ratio, y * ratio);
    return out;
}

std::array<std::uint8_t, kTile * kTile> TileOf(const IndexedImage& image, unsigned column,
                                               unsigned row)
{
    std::array<std::uint8_t, kTile * kTile> tile{};
    for (unsigned y = 0; y < kTile; ++y)
        std::copy_n(&image.pixels[std::size_t(row * kTile + y) * image.width + column * kTile],
                    kTile, &tile[std::size_t(y) * kTile]);
    return tile;
}

// ---- run-length encoding -------------------------------------------------

// The writer's own choice of 256 codes: one row-repeat code, a one-pixel code
// and a run code per colour, then the most frequent "run followed by a pixel"
// and "two literal pixels" pairs of the picture in whatever codes remain.
class Encoder {
public:
    Encoder(const IndexedImage& image, unsigned colours, bool reversed)
    {
        m_single.fill(-1);
        m_run.fill(-1);
        m_run5.assign(65536, -1);
        m_pair3.assign(65536, -1);
        std::vector<std::array<std::uint8_t, 5>> entries;
        entries.push_back({7, 0, 0, 0, 0});
        m_repeat = 0;
        for (unsigned c = 0; c < colours; ++c) {
            m_single[c] = int(entries.size());
            entries.push_back({1, std::uint8_t(c), 1, 0, 0});
        }
        for (unsigned c = 0; c < colours && entries.size() < 256; ++c) {
            m_run[c] = int(entries.size());
            entries.push_back({2, std::uint8_t(c), 0, 0, 0});
        }
        // Pair frequencies over the picture, counted the way Encode walks rows.
        std::map<unsigned, unsigned> runThen, pairs;
        for (unsigned y = 0; y < image.height; ++y) {
            const std::uint8_t* row = &image.pixels[std::size_t(y) * image.width];
            for (unsigned x = 0; x < image.width;) {
                unsigned n = 1;
                while (x + n < image.width && row[x + n] == row[x])
                    ++n;
                if (x + n < image.width) {
                    if (n >= 2)
                        ++runThen[row[x] << 8 | row[x + n]];
                    else
                        ++pairs[row[x] << 8 | row[x + 1]];
                }
                x += n;
            }
        }
        auto best = [](const std::map<unsigned, unsigned>& counts) {
            std::vector<std::pair<unsigned, unsigned>> v(counts.begin(), counts.end());
            std::stable_sort(v.begin(), v.end(),
                             [](auto& a, auto& b) { return a.second > b.second; });
            return v;
        };
        const auto bestRunThen = best(runThen), bestPairs = best(pairs);
        for (std::size_t i = 0;
             entries.size() < 256 && (i < bestRunThen.size() || i < bestPairs.size()); ++i) {
            if (i < bestRunThen.size() && entries.size() < 256 &&
                m_run[bestRunThen[i].first >> 8] >= 0) {
                m_run5[bestRunThen[i].first] = int(entries.size());
                entries.push_back({5, std::uint8_t(bestRunThen[i].first >> 8),
                                   std::uint8_t(bestRunThen[i].first), 0, 0});
            }
            if (i < bestPairs.size() && entries.size() < 256) {
                m_pair3[bestPairs[i].first] = int(entries.size());
                entries.push_back({3, std::uint8_t(bestPairs[i].first >> 8),
                                   std::uint8_t(bestPairs[i].first), 0, 0});
            }
        }
        // Codes past the used ones stay invalid (operation 0).
        entries.resize(256, {0, 0, 0, 0, 0});
        // The low-resolution table numbers its codes backwards, so a reader
        // that used the wrong table would not decode.
        for (std::size_t i = 0; i < 256; ++i)
            m_codeOf[i] = std::uint8_t(reversed ? 255 - i : i);
        m_entries.resize(256);
        for (std::size_t i = 0; i < 256; ++i)
            m_entries[m_codeOf[i]] = entries[i];
    }

    // The "pal" section body: 256 entries at their stored lengths.
    Bytes TableBody() const
    {
        static const unsigned kLength[8] = {1, 4, 2, 3, 5, 3, 4, 1};
        Bytes body;
        for (const auto& e : m_entries)
            body.insert(body.end(), e.begin(), e.begin() + (e[0] < 8 ? kLength[e[0]] : 1));
        return body;
    }

    Bytes Encode(const std::array<std::uint8_t, kTile * kTile>& tile) const
    {
        Bytes out;
        for (unsigned y = 0; y < kTile;) {
            const std::uint8_t* row = &tile[std::size_t(y) * kTile];
            if (y > 0) {
                unsigned same = 0;
                while (y + same < kTile && same < 255 &&
                       std::equal(row - kTile, row, &tile[std::size_t(y + same) * kTile]))
                    ++same;
                if (same > 0) {
                    out.push_back(Code(m_repeat));
                    out.push_back(std::uint8_t(same));
                    y += same;
                    continue;
                }
            }
            EncodeRow(row, out);
            ++y;
        }
        return out;
    }

private:
    std::uint8_t Code(int entry) const { return m_codeOf[std::size_t(entry)]; }

    static void RunLength(unsigned n, Bytes& out)
    {
        if (n >= 2 && n <= 129) {
            out.push_back(std::uint8_t(257 - n));
        } else {
            out.push_back(std::uint8_t(n >> 8));
            out.push_back(std::uint8_t(n));
        }
    }

    void EncodeRow(const std::uint8_t* row, Bytes& out) const
    {
        for (unsigned x = 0; x < kTile;) {
            const std::uint8_t c = row[x];
            unsigned n = 1;
            while (x + n < kTile && row[x + n] == c)
                ++n;
            if (n >= 2 && m_run[c] >= 0) {
                const int five = x + n < kTile ? m_run5[c << 8 | row[x + n]] : -1;
                out.push_back(Code(five >= 0 ? five : m_run[c]));
                RunLength(n, out);
                x += n + (five >= 0 ? 1 : 0);
            } else if (n == 1 && x + 1 < kTile && m_pair3[c << 8 | row[x + 1]] >= 0) {
                out.push_back(Code(m_pair3[c << 8 | row[x + 1]]));
                x += 2;
            } else {
                out.push_back(Code(m_single[c]));
                ++x;
            }
        }
    }

    std::vector<std::array<std::uint8_t, 5>> m_entries;
    std::array<std::uint8_t, 256> m_codeOf{};
    std::array<int, 256> m_single{}, m_run{};
    std::vector<int> m_run5, m_pair3;
    int m_repeat = 0;
};

struct EncodedRaster {
    std::vector<Bytes> tiles;   // in tile order
    Bytes raster;   // tiles then check value
    Bytes index;   // entries then check value
    std::uint32_t rasterCrc = 0, indexCrc = 0;
};

void IndexEntry(Bytes& index, unsigned tile, std::size_t length, std::uint32_t offset)
{
    index.push_back(std::uint8_t(tile >> 8));
    index.push_back(std::uint8_t(tile));
    PutLE16(index, unsigned(length));
    PutLE32(index, offset);
}

// Raster and index from tiles in order; the check values cover the bytes
// before them.
void Assemble(EncodedRaster& r)
{
    r.raster.clear();
    r.index.clear();
    for (unsigned n = 0; n < r.tiles.size(); ++n) {
        IndexEntry(r.index, n, r.tiles[n].size(), std::uint32_t(r.raster.size()));
        r.raster.insert(r.raster.end(), r.tiles[n].begin(), r.tiles[n].end());
    }
    r.rasterCrc = Crc(r.raster);
    r.indexCrc = Crc(r.index);
    PutLE32(r.raster, r.rasterCrc);
    PutLE32(r.index, r.indexCrc);
}

EncodedRaster EncodeRaster(const IndexedImage& image, const Encoder& encoder)
{
    EncodedRaster r;
    for (unsigned row = 0; row < image.height / kTile; ++row)
        for (unsigned column = 0; column < image.width / kTile; ++column)
            r.tiles.push_back(
                encoder.Encode(TileOf(image, column, row)));   // at most 16384 + 2 bytes
    Assemble(r);
    return r;
}

// ---- polynomials ---------------------------------------------------------

struct Sample {
    double p, q, first, second;
};

// Least-squares fit of the block's cubic (first output) and quintic-in-q
// (second output) polynomials, solved on scaled inputs for conditioning.
bool Fit(const std::vector<Sample>& samples, std::array<double, 10>& a, std::array<double, 12>& b)
{
    static const int kPowers[12][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2},
                                       {3, 0}, {2, 1}, {1, 2}, {0, 3}, {0, 4}, {0, 5}};
    double scale = 1.0;
    for (const auto& s : samples)
        scale = std::max({scale, std::fabs(s.p), std::fabs(s.q)});
    auto solve = [&](int terms, bool second, double* out) {
        std::vector<double> m(std::size_t(terms * (terms + 1)), 0.0);
        for (const auto& s : samples) {
            double basis[12];
            for (int k = 0; k < terms; ++k)
                basis[k] =
                    std::pow(s.p / scale, kPowers[k][0]) * std::pow(s.q / scale, kPowers[k][1]);
            const double y = second ? s.second : s.first;
            for (int i = 0; i < terms; ++i) {
                for (int j = 0; j < terms; ++j)
                    m[std::size_t(i * (terms + 1) + j)] += basis[i] * basis[j];
                m[std::size_t(i * (terms + 1) + terms)] += basis[i] * y;
            }
        }
        for (int col = 0; col < terms; ++col) {
            int pivot = col;
            for (int r = col + 1; r < terms; ++r)
                if (std::fabs(m[std::size_t(r * (terms + 1) + col)]) >
                    std::fabs(m[std::size_t(pivot * (terms + 1) + col)]))
                    pivot = r;
            if (std::fabs(m[std::size_t(pivot * (terms + 1) + col)]) < 1e-300)
                return false;
            for (int k = 0; k <= terms; ++k)
                std::swap(m[std::size_t(col * (terms + 1) + k)],
                          m[std::size_t(pivot * (terms + 1) + k)]);
            for (int r = 0; r < terms; ++r) {
                if (r == col)
                    continue;
                const double f =
                    m[std::size_t(r * (terms + 1) + col)] / m[std::size_t(col * (terms + 1) + col)];
                for (int k = col; k <= terms; ++k)
                    m[std::size_t(r * (terms + 1) + k)] -=
                        f * m[std::size_t(col * (terms + 1) + k)];
            }
        }
        for (int k = 0; k < terms; ++k)
            out[k] = m[std::size_t(k * (terms + 1) + terms)] / m[std::size_t(k * (terms + 1) + k)] /
                     std::pow(scale, kPowers[k][0] + kPowers[k][1]);
        return true;
    };
    return solve(10, false, a.data()) && solve(12, true, b.data());
}

std::string Number23(double v)
{
    // printf's "%23.15E", written with to_chars so the locale has no say.
    char buf[40];
    char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 15).ptr;
    std::string text(buf, static_cast<std::size_t>(end - buf));
    for (char& c : text)
        c = c == 'e' ? 'E' : c;
    if (text.size() < 23)
        text.insert(0, 23 - text.size(), ' ');
    return text.substr(0, 23);
}

double MercatorY(double latDeg)
{
    const double lat = latDeg * M_PI / 180.0;
    return std::log(std::tan(M_PI / 4 + lat / 2));
}

// A transformation block: input origin, output offsets, coefficients.
std::string Block(double x0, double y0, double e0, double f0, const std::vector<Sample>& samples)
{
    std::array<double, 10> a{};
    std::array<double, 12> b{};
    Fit(samples, a, b);
    std::string text = Number23(x0) + Number23(y0) + Number23(e0) + Number23(f0);
    for (double v : a)
        text += Number23(v);
    for (double v : b)
        text += Number23(v);
    return text + kEnd;
}

// A panel's projection: the area `p` names drawn over `width` x `height`
// pixels whose top-left corner is chart pixel (ox, oy).
struct Geometry {
    const ChartParameters& p;
    unsigned width, height;
    double ox = 0, oy = 0;

    std::pair<double, double> ToPixel(double lat, double lon) const
    {
        const auto [x, y] = LatLonToPixel(p, width, height, lat, lon);
        return {x + ox, y + oy};
    }
    std::pair<double, double> ToPosition(double x, double y) const
    {
        return PixelToLatLon(p, width, height, x - ox, y - oy);
    }
};

// Position (chart datum) to pixel and back, the chart's own projection.
std::vector<Sample> PositionSamples(const Geometry& g, double x0, double y0, double e0, double f0,
                                    double latShiftSec, double lonShiftSec)
{
    std::vector<Sample> samples;
    const double padLat = (g.p.north - g.p.south) * 0.05, padLon = (g.p.east - g.p.west) * 0.05;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) {
            const double lat = g.p.south - padLat + (g.p.north - g.p.south + 2 * padLat) * i / 20.0;
            const double lon = g.p.west - padLon + (g.p.east - g.p.west + 2 * padLon) * j / 20.0;
            const auto [x, y] = g.ToPixel(lat - latShiftSec / 3600.0, lon - lonShiftSec / 3600.0);
            samples.push_back({lon * 3600 - x0, lat * 3600 - y0, x - e0, y - f0});
        }
    return samples;
}

std::vector<Sample> PixelSamples(const Geometry& g, double x0, double y0, double e0, double f0,
                                 double latShiftSec, double lonShiftSec)
{
    std::vector<Sample> samples;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) {
            const double x = g.ox - 0.05 * g.width + 1.1 * g.width * j / 20.0;
            const double y = g.oy - 0.05 * g.height + 1.1 * g.height * i / 20.0;
            const auto [lat, lon] = g.ToPosition(x, y);
            samples.push_back(
                {x - x0, y - y0, (lon * 3600 + lonShiftSec) - e0, (lat * 3600 + latShiftSec) - f0});
        }
    return samples;
}

std::string OutlineRecord(const std::vector<std::pair<double, double>>& points)
{
    std::string text;
    for (const auto& [lat, lon] : points)
        text += Coordinate(lat, 2) + Coordinate(lon, 3);
    return text + kEnd;
}

// The outline of a pixel rectangle as positions, clockwise from the north-west.
std::vector<std::pair<double, double>> RectOutline(const Geometry& g, double x1, double y1,
                                                   double x2, double y2)
{
    std::vector<std::pair<double, double>> points;
    for (const auto& [x, y] : {std::pair{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}})
        points.push_back(g.ToPosition(x, y));
    return points;
}

std::string SubPanelRecords(const Geometry& g, unsigned count, const std::string& name,
                            const std::vector<std::pair<double, double>>& outline)
{
    const ChartParameters& p = g.p;
    std::string first(239, ' ');
    Put(first, 0, 1, " ");
    Put(first, 1, 1, Digits(count, 1));
    Put(first, 2, 100, name);
    Put(first, 102, 2, "ME");
    Put(first, 159, 8, Digits(std::uint64_t(p.scale), 8));
    // Charts name WGS 84 "WGD"; a chart drawn on a shifted datum says OSGB 36.
    const bool shifted = p.datumShift && (p.wgs84ShiftLatSec != 0.0 || p.wgs84ShiftLonSec != 0.0);
    Put(first, 215, 3, shifted ? "OGB" : "WGD");
    Put(first, 219, 1, "1");
    Put(first, 220, 2, "LA");
    Put(first, 222, 1, "1");
    Put(first, 223, 2, "MS");
    if (p.datumShift) {
        Put(first, 225, 7, Digits(std::uint64_t(std::llround(std::fabs(p.wgs84ShiftLatSec))), 7));
        Put(first, 232, 7, Digits(std::uint64_t(std::llround(std::fabs(p.wgs84ShiftLonSec))), 7));
    } else {
        Put(first, 225, 7, "9999999");
        Put(first, 232, 7, "9999999");
    }
    const double cLat = (p.north + p.south) / 2 * 3600, cLon = (p.east + p.west) / 2 * 3600;
    const double cx = g.ox + g.width / 2.0, cy = g.oy + g.height / 2.0;
    std::string text = first + kEnd;
    text += Block(cLon, cLat, cx, cy, PositionSamples(g, cLon, cLat, cx, cy, 0, 0));
    text += Block(cx, cy, cLon, cLat, PixelSamples(g, cx, cy, cLon, cLat, 0, 0));
    if (p.datumShift) {
        text +=
            Block(cLon, cLat, cx, cy,
                  PositionSamples(g, cLon, cLat, cx, cy, p.wgs84ShiftLatSec, p.wgs84ShiftLonSec));
        text += Block(cx, cy, cLon, cLat,
                      PixelSamples(g, cx, cy, cLon, cLat, p.wgs84ShiftLatSec, p.wgs84ShiftLonSec));
    } else {
        text += std::string(598, ' ') + kEnd + std::string(598, ' ') + kEnd;
    }
    const std::string outlineText = OutlineRecord(outline);
    return text + outlineText + outlineText;
}

std::string NotesFile(const ChartParameters& p, const Geometry& g, unsigned panel)
{
    std::string text = IdentifierRecord(p, InsetCount(p));
    for (unsigned i = 0; i < p.notes; ++i) {
        const unsigned x1 = (40 + 97 * i + 13 * panel) % std::max(1u, g.width);
        const unsigned y1 = (60 + 71 * i) % std::max(1u, g.height);
        const unsigned x2 = std::min(g.width, x1 + 30), y2 = std::min(g.height, y1 + 20);
        std::string r(23, ' ');
        Put(r, 0, 5, Digits(x1, 5));
        Put(r, 5, 5, Digits(y2, 5));
        Put(r, 10, 5, Digits(x2, 5));
        Put(r, 15, 5, Digits(y1, 5));
        Put(r, 20, 2, i % 2 ? "CA" : "NT");
        Put(r, 22, 1, i % 2 ? "1" : "0");
        text += r + kEnd;
        if (i == 0) {
            // A withdrawn note, kept in the file as type ZZ.
            Put(r, 20, 2, "ZZ");
            text += r + kEnd;
        }
    }
    return text;
}

std::string LookupTable(const std::vector<std::pair<std::string, std::string>>& rows)
{
    std::string text = "TAB01";
    for (const auto& [key, value] : rows) {
        std::string r(33, ' ');
        Put(r, 0, 3, key);
        Put(r, 3, 30, value);
        text += r + kEnd;
    }
    return text;
}

}   // namespace

std::pair<double, double> PixelToLatLon(const ChartParameters& p, unsigned width, unsigned height,
                                        double x, double y)
{
    const double lon = p.west + (p.east - p.west) * x / width;
    const double top = MercatorY(p.north), bottom = MercatorY(p.south);
    const double m = top - (top - bottom) * y / height;
    const double lat = (2 * std::atan(std::exp(m)) - M_PI / 2) * 180.0 / M_PI;
    return {lat, lon};
}

std::pair<double, double> LatLonToPixel(const ChartParameters& p, unsigned width, unsigned height,
                                        double lat, double lon)
{
    const double x = (lon - p.west) / (p.east - p.west) * width;
    const double top = MercatorY(p.north), bottom = MercatorY(p.south);
    const double y = (top - MercatorY(lat)) / (top - bottom) * height;
    return {x, y};
}

bool WriteChartSet(const IndexedImage& picture, const ChartParameters& p,
                   const std::filesystem::path& folder, WrittenChart& written, std::string& error)
{
    if (picture.width == 0 || picture.height == 0 || picture.palette.empty() ||
        picture.palette.size() > 255) {
        error = "the picture needs 1 to 255 colours and a size";
        return false;
    }
    if (p.chartNumber.empty() || p.chartNumber.size() > 8 || p.lowResolutionRatio == 0 ||
        p.subPanels < 1 || p.subPanels > 2 || InsetCount(p) > 9 || !(p.north > p.south) ||
        !(p.east > p.west)) {
        error = "chart number of 1-8 characters, a low-resolution ratio, 1 or 2 sub-panels, "
                "at most 9 insets and a north-east above the south-west are needed";
        return false;
    }
    if (p.updatedPicture &&
        (p.updatedPicture->width != picture.width || p.updatedPicture->height != picture.height ||
         p.updatedPicture->palette.size() != picture.palette.size())) {
        error = "the updated picture must match the picture's size and colours";
        return false;
    }
    written = {};
    written.highResolution = PadToTiles(p.updatedPicture ? *p.updatedPicture : picture);
    written.lowResolution = PadToTiles(Reduce(picture, p.lowResolutionRatio));
    const IndexedImage& high = written.highResolution;
    const IndexedImage& low = written.lowResolution;
    written.highTilesAcross = high.width / kTile;
    written.highTilesDown = high.height / kTile;
    written.lowTilesAcross = low.width / kTile;
    written.lowTilesDown = low.height / kTile;
    if (written.highTilesAcross > 999 || written.highTilesDown > 999 ||
        written.lowTilesAcross > 99 || written.lowTilesDown > 99) {
        error = "the picture is too large for the header's tile counts";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path base = folder / p.chartNumber;
    auto file = [&](const char* ext) { return std::filesystem::path(base.string() + "." + ext); };
    written.chartFile = file("chr");

    const unsigned colours = unsigned(picture.palette.size());
    const IndexedImage older = p.updatedPicture ? PadToTiles(picture) : IndexedImage{};
    const Encoder highEncoder(p.updatedPicture ? older : high, colours, false);
    const Encoder lowEncoder(low, colours, true);
    EncodedRaster highRaster = EncodeRaster(high, highEncoder);
    const EncodedRaster lowRaster = EncodeRaster(low, lowEncoder);

    // Updates: the "chr" file holds an older drawing of each updated tile (all
    // colour 0, or the picture's when an updated picture is given); "upr" and
    // "upi" bring the merged picture's tiles.
    const EncodedRaster merged = highRaster;
    std::vector<unsigned> updated;
    std::vector<Bytes> olderTiles;
    if (p.updatedPicture) {
        olderTiles = EncodeRaster(older, highEncoder).tiles;
        for (unsigned n = 0; n < olderTiles.size(); ++n)
            if (TileOf(older, n % written.highTilesAcross, n / written.highTilesAcross) !=
                TileOf(high, n % written.highTilesAcross, n / written.highTilesAcross))
                updated.push_back(n);
    }
    for (const auto& [column, row] : p.updateTiles) {
        if (column >= written.highTilesAcross || row >= written.highTilesDown) {
            error = "update tile " + std::to_string(column) + "," + std::to_string(row) +
                    " lies outside the chart";
            return false;
        }
        updated.push_back(row * written.highTilesAcross + column);
    }
    std::sort(updated.begin(), updated.end());
    updated.erase(std::unique(updated.begin(), updated.end()), updated.end());
    Bytes upr, upi;
    for (unsigned n : updated) {
        IndexEntry(upi, n, highRaster.tiles[n].size(), std::uint32_t(upr.size()));
        upr.insert(upr.end(), highRaster.tiles[n].begin(), highRaster.tiles[n].end());
        highRaster.tiles[n] = p.updatedPicture
                                  ? olderTiles[n]
                                  : highEncoder.Encode(std::array<std::uint8_t, kTile * kTile>{});
    }
    PutLE32(upr, Crc(upr));
    PutLE32(upi, Crc(upi));
    Assemble(highRaster);
    written.mergedRasterCrc = merged.rasterCrc;
    written.mergedIndexCrc = merged.indexCrc;
    written.rasterCrc = highRaster.rasterCrc;
    written.indexCrc = highRaster.indexCrc;
    written.updatedTiles = unsigned(updated.size());
    const unsigned catalogueUpdate = p.headerUpdate + (updated.empty() ? 0 : 1);
    written.catalogueUpdate = Digits(catalogueUpdate, 9);

    // Header.
    std::string general(150, ' ');
    Put(general, 0, 9, Digits(p.headerUpdate, 9));
    Put(general, 9, 100, p.title);
    Put(general, 109, 5, "00001");
    Put(general, 114, 2, "EN");
    Put(general, 116, 2, "UK");
    Put(general, 118, 3, Digits(1, 3));
    Put(general, 121, 4, Digits(p.lowResolutionRatio, 4));
    Put(general, 125, 3, Digits(written.highTilesAcross, 3));
    Put(general, 128, 3, Digits(written.highTilesDown, 3));
    Put(general, 131, 2, Digits(written.lowTilesAcross, 2));
    Put(general, 133, 2, Digits(written.lowTilesDown, 2));
    Put(general, 135, 5, Digits(picture.width % 100000, 5));
    Put(general, 140, 5, Digits(picture.height % 100000, 5));
    Put(general, 145, 5, "  1.0");
    const std::string header = IdentifierRecord(p, InsetCount(p)) + general + kEnd +
                               "GENERATED CHART" + kEnd + std::string("000000") +
                               std::string(14, ' ') + kEnd;

    // Palette: Day, Dusk and Night colours, then both code tables.
    Bytes pal;
    const std::string id = IdentifierRecord(p, InsetCount(p));
    pal.insert(pal.end(), id.begin(), id.end());
    for (int type = 1; type <= 3; ++type) {
        pal.push_back(0);
        pal.push_back(std::uint8_t(type));
        PutLE16(pal, 8 + 4 * colours);
        PutLE16(pal, colours);
        PutLE16(pal, 0);
        const int dim = type == 1 ? 1 : type == 2 ? 2 : 4;
        for (unsigned i = 0; i < colours; ++i) {
            const Rgb c = picture.palette[i];
            pal.insert(pal.end(), {std::uint8_t(i), std::uint8_t(c.r / dim),
                                   std::uint8_t(c.g / dim), std::uint8_t(c.b / dim)});
        }
    }
    for (int type = 1; type <= 2; ++type) {
        const Bytes body = (type == 1 ? lowEncoder : highEncoder).TableBody();
        pal.push_back(0xFF);
        pal.push_back(std::uint8_t(type));
        PutLE16(pal, unsigned(8 + body.size()));
        PutLE16(pal, 256);
        PutLE16(pal, 0);
        pal.insert(pal.end(), body.begin(), body.end());
    }

    if (!WriteFile(file("hdr"), header, error) || !WriteFile(file("pal"), pal, error) ||
        !WriteFile(file("lor"), lowRaster.raster, error) ||
        !WriteFile(file("loi"), lowRaster.index, error) ||
        !WriteFile(file("chr"), highRaster.raster, error) ||
        !WriteFile(file("chi"), highRaster.index, error) || !WriteFile(file("upr"), upr, error) ||
        !WriteFile(file("upi"), upi, error))
        return false;

    // Panels: the main panel, split side by side into sub-panels, and insets
    // over corners of the chart or plans of their own areas.
    const Geometry g{p, picture.width, picture.height};
    const double w = picture.width, h = picture.height;
    std::vector<std::vector<std::pair<double, double>>> panelOutlines;
    {
        std::string text = id;
        if (!p.mainOutline.empty()) {
            std::vector<std::pair<double, double>> outline;
            for (const auto& [x, y] : p.mainOutline)
                outline.push_back(g.ToPosition(x, y));
            text += SubPanelRecords(g, 1, p.title, outline);
            panelOutlines.push_back(outline);
        } else {
            for (unsigned s = 0; s < p.subPanels; ++s) {
                const double x1 = w * s / p.subPanels, x2 = w * (s + 1) / p.subPanels;
                text += SubPanelRecords(
                    g, p.subPanels,
                    p.title + (p.subPanels > 1 ? " part " + std::to_string(s + 1) : ""),
                    RectOutline(g, x1, 0, x2, h));
            }
            panelOutlines.push_back(RectOutline(g, 0, 0, w, h));
        }
        if (!WriteFile(file("p00"), text, error) ||
            !WriteFile(file("n00"), NotesFile(p, g, 0), error))
            return false;
    }
    CatalogueChart& entry = written.catalogue;
    for (unsigned i = 1; i <= InsetCount(p); ++i) {
        std::string text;
        if (p.plans.empty()) {
            // Inset i: a quarter of the chart, corners in turn.
            const double x1 = (i % 2) ? w / 2 : 0, y1 = ((i / 2) % 2) ? h / 2 : 0;
            const auto outline = RectOutline(g, x1, y1, x1 + w / 2, y1 + h / 2);
            panelOutlines.push_back(outline);
            text = id + SubPanelRecords(g, 1, "Inset " + std::to_string(i), outline);
            entry.plans.push_back({i, p.scale / 2, "Inset " + std::to_string(i), outline});
        } else {
            const PlanParameters& plan = p.plans[i - 1];
            ChartParameters q = p;
            q.north = plan.north, q.south = plan.south, q.west = plan.west, q.east = plan.east;
            q.scale = plan.scale;
            const Geometry planGeometry{q, unsigned(std::lround(plan.x2 - plan.x1)),
                                        unsigned(std::lround(plan.y2 - plan.y1)), plan.x1, plan.y1};
            const auto outline = RectOutline(planGeometry, plan.x1, plan.y1, plan.x2, plan.y2);
            panelOutlines.push_back(outline);
            text = id + SubPanelRecords(planGeometry, 1, plan.title, outline);
            entry.plans.push_back({i, plan.scale, plan.title, outline});
        }
        const std::string number = Digits(i, 2);
        if (!WriteFile(file(("p" + number).c_str()), text, error) ||
            !WriteFile(file(("n" + number).c_str()), NotesFile(p, g, i), error))
            return false;
    }

    entry.number = p.chartNumber;
    entry.editionField = p.editionField;
    entry.shortCode = p.shortCode;
    entry.title = p.title;
    entry.chartCd = p.chartCdName;
    entry.updateNumber = written.catalogueUpdate;
    entry.scale = p.scale;
    entry.rasterCrc = written.mergedRasterCrc;
    entry.indexCrc = written.mergedIndexCrc;
    entry.outline = panelOutlines[0];
    if (!p.supportFiles)
        return true;
    std::filesystem::create_directories(folder / "Misc", ec);
    std::filesystem::create_directories(folder / "ChartCat", ec);
    if (!WriteLookupTables(folder / "Misc", error) ||
        !WriteCatalogue(folder / "ChartCat", {entry}, error))
        return false;
    return true;
}

bool WriteLookupTables(const std::filesystem::path& folder, std::string& error)
{
    return WriteFile(folder / "projcode.tab",
                     LookupTable({{"ME", "Mercator"}, {"TM", "Transverse Mercator"}}), error) &&
           WriteFile(folder / "verdat.tab",
                     LookupTable({{"LA", "Lowest Astronomical Tide"}, {"MS", "Mean Sea Level"}}),
                     error) &&
           WriteFile(folder / "hordat.tab",
                     LookupTable(
                         {{"WGD", "World Geodetic System 1984"}, {"OGB", "Ordnance Survey 1936"}}),
                     error) &&
           WriteFile(folder / "notetype.tab",
                     LookupTable({{"NT", "Note"}, {"CA", "Caution"}, {"DI", "Diagram"}}), error);
}

bool WriteCatalogue(const std::filesystem::path& folder, const std::vector<CatalogueChart>& charts,
                    std::string& error)
{
    // Plan.cat first, since Chart.cat holds the plans' offsets.
    std::string plans, catalogue, pointers;
    for (const CatalogueChart& chart : charts) {
        if (chart.number.empty() || chart.number.size() > 8 || chart.plans.size() > 99) {
            error = "a catalogue entry needs a chart number of 1-8 characters and at most 99 plans";
            return false;
        }
        std::vector<std::size_t> planOffsets;
        for (const CataloguePlan& plan : chart.plans) {
            planOffsets.push_back(plans.size());
            std::string r(129, ' ');
            Put(r, 0, 2, "PL");
            Put(r, 2, 8, chart.number);
            Put(r, 10, 8, chart.editionField);
            Put(r, 18, 2, Digits(plan.number, 2));
            Put(r, 20, 8, Digits(std::uint64_t(plan.scale), 8));
            Put(r, 28, 1, "1");
            Put(r, 29, 100, plan.title);
            plans += r + kEnd + OutlineRecord(plan.outline);
        }
        std::string entry(193, ' ');
        Put(entry, 0, 2, "CH");
        Put(entry, 2, 8, chart.number);
        Put(entry, 10, 8, chart.editionField);
        Put(entry, 42, 5, chart.shortCode);
        Put(entry, 47, 100, chart.title);
        Put(entry, 147, 9, chart.updateNumber);
        Put(entry, 156, 2, Digits(chart.plans.size(), 2));
        Put(entry, 158, 10, chart.chartCd);
        Put(entry, 168, 8, Digits(std::uint64_t(chart.scale), 8));
        Put(entry, 176, 1, "1");
        char check[20];
        std::snprintf(check, sizeof check, "%08X", chart.rasterCrc);
        Put(entry, 177, 8, check);
        std::snprintf(check, sizeof check, "%08X", chart.indexCrc);
        Put(entry, 185, 8, check);
        std::string pointer(15, ' ');
        Put(pointer, 0, 8, chart.number);
        Put(pointer, 8, 7, Digits(catalogue.size(), 7));
        pointers += pointer + kEnd;
        catalogue += entry + kEnd + OutlineRecord(chart.outline);
        for (std::size_t i = 0; i < chart.plans.size(); ++i)
            catalogue += Digits(chart.plans[i].number, 2) + Digits(planOffsets[i], 7);
        // The plan index and items end the entry's third record; a fourth,
        // empty, lets a reader that walks the file pass three terminators
        // after the header line to reach the next entry.
        catalogue += kEnd + kEnd;
    }
    return WriteFile(folder / "Plan.cat", plans, error) &&
           WriteFile(folder / "Chart.cat", catalogue, error) &&
           WriteFile(folder / "Chart.ptr", pointers, error);
}

}   // namespace hcrftool
