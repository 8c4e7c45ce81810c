#include "Shorelines.h"

#include <ogr_api.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include <unistd.h>

#include "platform/LocaleFreeNumbers.h"

namespace vchart {

namespace fs = std::filesystem;

void GeometryDeleter::operator()(void* g) const
{
    OGR_G_DestroyGeometry(static_cast<OGRGeometryH>(g));
}

namespace {

// Positions on a 1e-7 degree lattice, so pieces GMT cut at a bin edge meet
// exactly where they join and the rectangle's corners match GMT's clip.
double Snap(double v)
{
    return std::round(v * 1e7) / 1e7;
}

using Key = std::pair<long long, long long>;
Key KeyOf(const LonLat& p)
{
    return {std::llround(p.lon * 1e7), std::llround(p.lat * 1e7)};
}

// GMT writes a history file into the folder it runs in whatever it is told:
// it runs in a temporary folder of its own.
bool RunCapture(const std::string& command, std::string& output)
{
    std::error_code ec;
    const fs::path folder =
        fs::temp_directory_path() / platform::FormatC("vchart-gmt-%d", int(::getpid()));
    fs::create_directories(folder, ec);
    FILE* pipe = ::popen(("cd '" + folder.string() + "' && " + command).c_str(), "r");
    if (!pipe)
        return false;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const bool ok = ::pclose(pipe) == 0;
    fs::remove_all(folder, ec);
    return ok;
}

std::string RegionOption(const Region& r)
{
    return platform::FormatC("-R%.7f/%.7f/%.7f/%.7f", r.west, r.east, r.south, r.north);
}

// The pieces of shoreline GMT gives for the region, each at least two points.
bool ReadPieces(const Region& region, char resolution, const std::string& lakes,
                std::vector<std::vector<LonLat>>& pieces, std::string& error)
{
    std::string text;
    const std::string command = "gmt coast " + RegionOption(region) + " -D" +
                                std::string(1, resolution) + lakes + " -M -W 2>/dev/null";
    if (!RunCapture(command, text)) {
        error = "gmt coast failed (install the packages of scripts/deps.sh)";
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    std::vector<LonLat> piece;
    auto flush = [&] {
        if (piece.size() >= 2)
            pieces.push_back(std::move(piece));
        piece.clear();
    };
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '>') {
            flush();
            continue;
        }
        const auto tab = line.find_first_of("\t ");
        if (tab == std::string::npos)
            continue;
        const auto lon = platform::ParseDouble(line.substr(0, tab));
        const auto lat = platform::ParseDouble(line.substr(line.find_first_not_of("\t ", tab)));
        if (!lon || !lat) {
            error = "gmt coast wrote a line that is not a position: " + line;
            return false;
        }
        const LonLat p{Snap(*lon), Snap(*lat)};
        if (piece.empty() || KeyOf(piece.back()) != KeyOf(p))
            piece.push_back(p);
    }
    flush();
    return true;
}

// Joins pieces whose ends meet into longer lines (one per shoreline where the
// rectangle does not cut it).
std::vector<std::vector<LonLat>> Chain(std::vector<std::vector<LonLat>> pieces)
{
    std::multimap<Key, std::size_t> byStart;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        byStart.emplace(KeyOf(pieces[i].front()), i);
    std::vector<bool> used(pieces.size(), false);
    auto takeFrom = [&](const Key& k) -> long {
        auto [lo, hi] = byStart.equal_range(k);
        for (auto it = lo; it != hi; ++it)
            if (!used[it->second])
                return long(it->second);
        return -1;
    };
    // Pieces nobody continues start a chain; closed loops are picked up after.
    std::set<Key> ends;
    for (const auto& p : pieces)
        ends.insert(KeyOf(p.back()));
    std::vector<std::vector<LonLat>> out;
    auto follow = [&](std::size_t first) {
        std::vector<LonLat> line = pieces[first];
        used[first] = true;
        for (long next = takeFrom(KeyOf(line.back())); next >= 0;
             next = takeFrom(KeyOf(line.back()))) {
            used[std::size_t(next)] = true;
            line.insert(line.end(), pieces[std::size_t(next)].begin() + 1,
                        pieces[std::size_t(next)].end());
        }
        out.push_back(std::move(line));
    };
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (!used[i] && !ends.count(KeyOf(pieces[i].front())))
            follow(i);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (!used[i])
            follow(i);
    return out;
}

Geometry LineOf(const std::vector<LonLat>& points)
{
    OGRGeometryH line = OGR_G_CreateGeometry(wkbLineString);
    for (const auto& p : points)
        OGR_G_AddPoint_2D(line, p.lon, p.lat);
    return Geometry(line);
}

// Land faces by GMT's own reading of a point inside each: 1 land, 0 water.
bool ClassifyFaces(const Region& region, char resolution, const std::string& lakes,
                   OGRGeometryH faces, std::vector<bool>& land, std::string& error)
{
    const int count = OGR_G_GetGeometryCount(faces);
    land.assign(std::size_t(count), false);
    const fs::path points =
        fs::temp_directory_path() / platform::FormatC("vchart-faces-%d.txt", int(::getpid()));
    {
        FILE* f = std::fopen(points.c_str(), "w");
        if (!f) {
            error = "cannot write " + points.string();
            return false;
        }
        for (int i = 0; i < count; ++i) {
            OGRGeometryH inside = OGR_G_PointOnSurface(OGR_G_GetGeometryRef(faces, i));
            if (!inside)
                continue;
            std::fputs(
                platform::FormatC("%.9f %.9f %d\n", OGR_G_GetX(inside, 0), OGR_G_GetY(inside, 0), i)
                    .c_str(),
                f);
            OGR_G_DestroyGeometry(inside);
        }
        std::fclose(f);
    }
    std::string text;
    // Kept: land and islands in lakes; skipped: ocean, lakes, ponds.
    const std::string command = "gmt select '" + points.string() + "' " + RegionOption(region) +
                                " -D" + std::string(1, resolution) + lakes +
                                " -Ns/k/s/k/s 2>/dev/null";
    const bool ran = RunCapture(command, text);
    fs::remove(points);
    if (!ran) {
        error = "gmt select failed";
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto space = line.find_last_of("\t ");
        if (line.empty() || line[0] == '>' || space == std::string::npos)
            continue;
        const auto id = platform::ParseDouble(line.substr(space + 1));
        if (id && *id >= 0 && *id < count)
            land[std::size_t(*id)] = true;
    }
    return true;
}

}   // namespace

std::vector<std::vector<Ring>> PolygonsOf(void* geometry, double minArea)
{
    std::vector<std::vector<Ring>> out;
    auto g = static_cast<OGRGeometryH>(geometry);
    if (!g)
        return out;
    const auto type = wkbFlatten(OGR_G_GetGeometryType(g));
    if (type == wkbPolygon) {
        if (OGR_G_Area(g) < minArea)
            return out;
        std::vector<Ring> rings;
        for (int r = 0; r < OGR_G_GetGeometryCount(g); ++r) {
            OGRGeometryH ring = OGR_G_GetGeometryRef(g, r);
            Ring points;
            for (int i = 0; i < OGR_G_GetPointCount(ring); ++i)
                points.push_back({OGR_G_GetX(ring, i), OGR_G_GetY(ring, i)});
            if (points.size() >= 4)
                rings.push_back(std::move(points));
            else if (r == 0)
                return out;
        }
        out.push_back(std::move(rings));
    } else if (type == wkbMultiPolygon || type == wkbGeometryCollection) {
        for (int i = 0; i < OGR_G_GetGeometryCount(g); ++i) {
            auto parts = PolygonsOf(OGR_G_GetGeometryRef(g, i), minArea);
            out.insert(out.end(), std::make_move_iterator(parts.begin()),
                       std::make_move_iterator(parts.end()));
        }
    }
    return out;
}

bool ReadShorelines(const Region& region, char resolution, bool riverLakes, Shorelines& out,
                    std::string& error)
{
    // GMT's "+l" keeps the lakes of level 2 and leaves out its river lakes.
    const std::string lakes = riverLakes ? "" : " -A0+l";
    std::vector<std::vector<LonLat>> pieces;
    if (!ReadPieces(region, resolution, lakes, pieces, error))
        return false;
    out.coast = Chain(pieces);

    const Region r{Snap(region.west), Snap(region.south), Snap(region.east), Snap(region.north)};
    Geometry edge = LineOf({{r.west, r.south},
                            {r.west, r.north},
                            {r.east, r.north},
                            {r.east, r.south},
                            {r.west, r.south}});
    Geometry lines(OGR_G_CreateGeometry(wkbMultiLineString));
    for (const auto& line : out.coast)
        OGR_G_AddGeometryDirectly(static_cast<OGRGeometryH>(lines.get()), LineOf(line).release());
    // The union nodes the shorelines with the rectangle's edge.
    Geometry noded(
        OGR_G_Union(static_cast<OGRGeometryH>(lines.get()), static_cast<OGRGeometryH>(edge.get())));
    Geometry faces(noded ? OGR_G_Polygonize(static_cast<OGRGeometryH>(noded.get())) : nullptr);
    if (!faces) {
        error = "the shorelines of the region do not form faces";
        return false;
    }
    std::vector<bool> isLand;
    auto* facesH = static_cast<OGRGeometryH>(faces.get());
    if (!ClassifyFaces(region, resolution, lakes, facesH, isLand, error))
        return false;
    Geometry land(OGR_G_CreateGeometry(wkbMultiPolygon));
    Geometry water(OGR_G_CreateGeometry(wkbMultiPolygon));
    for (int i = 0; i < OGR_G_GetGeometryCount(facesH); ++i) {
        OGRGeometryH face = OGR_G_Clone(OGR_G_GetGeometryRef(facesH, i));
        OGR_G_AddGeometryDirectly(
            static_cast<OGRGeometryH>(isLand[std::size_t(i)] ? land.get() : water.get()), face);
    }
    // Neighbouring faces of one kind become one polygon.
    auto join = [](Geometry& faces) {
        auto* h = static_cast<OGRGeometryH>(faces.get());
        return OGR_G_GetGeometryCount(h) == 0 ? std::move(faces) : Geometry(OGR_G_UnionCascaded(h));
    };
    out.land = join(land);
    out.water = join(water);
    if (!out.land || !out.water) {
        error = "the land and water of the region could not be joined";
        return false;
    }
    return true;
}

}   // namespace vchart
