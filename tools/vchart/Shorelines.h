#pragma once
// Land and water of a rectangle from GMT's GSHHG shorelines. GMT hands the
// shorelines out as pieces cut at its storage bins and at the rectangle; the
// pieces and the rectangle's edge are noded and turned into faces, and each
// face is land or water as GMT itself says for a point inside it.

#include <memory>
#include <string>
#include <vector>

#include "S57CellWriter.h"

namespace vchart {

struct GeometryDeleter {
    void operator()(void* g) const;
};
// An OGR geometry owned here.
using Geometry = std::unique_ptr<void, GeometryDeleter>;

struct Region {
    double west, south, east, north;
};

struct Shorelines {
    std::vector<std::vector<LonLat>> coast;   // the shorelines, pieces joined end to end
    Geometry land;   // multipolygon
    Geometry water;   // multipolygon: the rectangle less the land
};

// Reads the shorelines of `region` at GSHHG resolution `resolution` ('f', 'h',
// 'i', 'l', 'c'); lakes count as water, islands in them as land.
// Without river lakes, the lakes GMT draws along rivers are left out: shore,
// land and water are as if the river were not there.
bool ReadShorelines(const Region& region, char resolution, bool riverLakes, Shorelines& out,
                    std::string& error);

// The polygons of a polygon, multipolygon or collection, each as its rings
// (outer first); parts smaller than `minArea` square degrees are left out.
std::vector<std::vector<Ring>> PolygonsOf(void* geometry, double minArea);

}   // namespace vchart
