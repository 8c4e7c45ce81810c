#pragma once
// Writes a complete raster chart set from an indexed picture: header, palette
// with colour and code-table sections, low- and high-resolution rasters with
// their indexes and check values, update tiles, panels with their polynomial
// transformations, notes, the lookup tables and the catalogue files.
//
// The encoding here is written on its own, from the file layouts, and shares
// no code with the readers in src/charts: the tests hold one against the other.

#include "ImageIO.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace hcrftool {

// An inset plan: a box of the chart's pixels that shows another area at its
// own scale.
struct PlanParameters {
    std::string title;
    long scale = 0;
    double north = 0, south = 0, west = 0, east = 0;   // what the box shows
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;   // the box, chart pixels
};

struct ChartParameters {
    std::string chartNumber = "TEST01";   // also the files' base name
    std::string title = "Generated test chart";
    std::string editionDate = "06122026";
    std::string editionField = "BRINEVAN";   // header columns 13-20, Chart.cat offset 10
    std::string chartCdName = "TESTCD01";   // Chart.cat offset 158
    std::string shortCode = "GEN";   // Chart.cat offset 42
    unsigned headerUpdate = 3;   // updates already in the "chr" raster
    double north = 50.9, south = 50.5, west = -1.6, east = -0.9;   // degrees, WGS 84
    long scale = 25000;
    unsigned lowResolutionRatio = 4;   // high-resolution pixels per low-resolution pixel
    std::vector<std::pair<unsigned, unsigned>> updateTiles;   // (column, row) replaced by updates
    unsigned subPanels = 1;   // of the main panel: 1 or 2 (side by side)
    unsigned insets = 0;   // inset panels, each a corner of the chart (when no plans)
    std::vector<PlanParameters> plans;   // inset plans of their own areas
    // The main panel's outline in chart pixels; empty: the whole picture.
    std::vector<std::pair<double, double>> mainOutline;
    unsigned notes = 2;   // note records per panel
    bool datumShift = true;   // blocks 3 and 4 and the shift fields
    double wgs84ShiftLatSec = 0.0, wgs84ShiftLonSec = 0.0;   // chart datum = WGS 84 - shift
    // When set, "chr" holds the picture and the update files bring this
    // picture's tiles wherever they differ (and at `updateTiles`).
    const IndexedImage* updatedPicture = nullptr;
    bool supportFiles = true;   // "Misc" and "ChartCat" beside the chart
};

struct CataloguePlan {
    unsigned number = 0;
    long scale = 0;
    std::string title;
    std::vector<std::pair<double, double>> outline;   // latitude, longitude
};

// One chart's entry in Chart.cat (and its plans' in Plan.cat).
struct CatalogueChart {
    std::string number, editionField, shortCode, title, chartCd;
    std::string updateNumber;   // nine digits
    long scale = 0;
    std::uint32_t rasterCrc = 0, indexCrc = 0;
    std::vector<std::pair<double, double>> outline;
    std::vector<CataloguePlan> plans;
};

// Everything a test needs to check the readers against the writer's intent.
struct WrittenChart {
    std::filesystem::path chartFile;   // the ".chr" file
    IndexedImage highResolution;   // padded to whole tiles
    IndexedImage lowResolution;   // padded to whole tiles
    unsigned highTilesAcross = 0, highTilesDown = 0, lowTilesAcross = 0, lowTilesDown = 0;
    std::uint32_t mergedRasterCrc = 0, mergedIndexCrc = 0;
    std::uint32_t rasterCrc = 0, indexCrc = 0;   // of "chr" and its index as written
    std::string catalogueUpdate;
    unsigned updatedTiles = 0;
    CatalogueChart catalogue;   // with the merged check values and update number
};

// Writes the chart set into `folder` (chart files there, lookup tables in
// "Misc", catalogues in "ChartCat"). False with a reason in `error`.
bool WriteChartSet(const IndexedImage& picture, const ChartParameters& parameters,
                   const std::filesystem::path& folder, WrittenChart& written, std::string& error);

// Chart.ptr, Chart.cat and Plan.cat of the charts, in this order, into `folder`.
bool WriteCatalogue(const std::filesystem::path& folder, const std::vector<CatalogueChart>& charts,
                    std::string& error);

// The lookup tables projcode.tab, verdat.tab and hordat.tab into `folder`.
bool WriteLookupTables(const std::filesystem::path& folder, std::string& error);

// The Mercator position of a high-resolution pixel of a chart written with
// `parameters` and `width` x `height` pixels, and the reverse.
std::pair<double, double> PixelToLatLon(const ChartParameters& parameters, unsigned width,
                                        unsigned height, double x, double y);
std::pair<double, double> LatLonToPixel(const ChartParameters& parameters, unsigned width,
                                        unsigned height, double lat, double lon);

}   // namespace hcrftool
