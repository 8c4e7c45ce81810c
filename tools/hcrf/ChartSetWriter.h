#pragma once
// Writes a complete raster chart set from an indexed picture: header, palette
// with colour and code-table sections, low- and high-resolution rasters with
// their indexes and check values, update tiles, panels with their polynomial
// transformations, notes, the lookup tables and the catalogue files.
//
// The encoding here is written on its own, from the file layouts, and shares
// no code with the readers in src/charts: the tests hold one against the other.

#include "ImageIO.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace hcrftool {

struct ChartParameters {
    std::string chartNumber = "TEST01";   // also the files' base name
    std::string title = "Generated test chart";
    std::string editionDate = "06122026";
    unsigned headerUpdate = 3;   // updates already in the "chr" raster
    double north = 50.9, south = 50.5, west = -1.6, east = -0.9;   // degrees, WGS 84
    long scale = 25000;
    unsigned lowResolutionRatio = 4;   // high-resolution pixels per low-resolution pixel
    std::vector<std::pair<unsigned, unsigned>> updateTiles;   // (column, row) replaced by updates
    unsigned subPanels = 1;   // of the main panel: 1 or 2 (side by side)
    unsigned insets = 0;   // inset panels, each a corner of the chart
    unsigned notes = 2;   // note records per panel
    bool datumShift = true;   // blocks 3 and 4 and the shift fields
    double wgs84ShiftLatSec = 0.0, wgs84ShiftLonSec = 0.0;   // chart datum = WGS 84 - shift
};

// Everything a test needs to check the readers against the writer's intent.
struct WrittenChart {
    std::filesystem::path chartFile;   // the ".chr" file
    IndexedImage highResolution;   // padded to whole tiles
    IndexedImage lowResolution;   // padded to whole tiles
    unsigned highTilesAcross = 0, highTilesDown = 0, lowTilesAcross = 0, lowTilesDown = 0;
    std::uint32_t mergedRasterCrc = 0, mergedIndexCrc = 0;
    std::string catalogueUpdate;
};

// Writes the chart set into `folder` (chart files there, lookup tables in
// "Misc", catalogues in "ChartCat"). False with a reason in `error`.
bool WriteChartSet(const IndexedImage& picture, const ChartParameters& parameters,
                   const std::filesystem::path& folder, WrittenChart& written, std::string& error);

// The Mercator position of a high-resolution pixel of a chart written with
// `parameters` and `width` x `height` pixels, and the reverse.
std::pair<double, double> PixelToLatLon(const ChartParameters& parameters, unsigned width,
                                        unsigned height, double x, double y);
std::pair<double, double> LatLonToPixel(const ChartParameters& parameters, unsigned width,
                                        unsigned height, double lat, double lon);

}   // namespace hcrftool
