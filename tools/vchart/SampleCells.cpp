#include "SampleCells.h"

#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include <cpl_string.h>

#include "S57CellWriter.h"
#include "platform/LocaleFreeNumbers.h"

namespace vchart {

namespace fs = std::filesystem;

namespace {

struct CellPlan {
    const char* name;
    double west, south, east, north;
    double step;   // grid spacing, degrees
    char resolution;   // GSHHG: 'f' full, 'h' high
    int scale;
    int usage;
    const char* title;
    bool marks;   // buoys, lights, caution area
};

// Band of distance from land (grid pixels) and its depth range.
struct Band {
    double maxDistance;
    const char* drval1;
    const char* drval2;
};
const Band kBands[] = {{1.5, "-2", "0"}, {4.5, "0", "5"}, {12.5, "5", "20"}, {1e9, "20", "100"}};

struct DatasetCloser {
    void operator()(void* ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

std::vector<Ring> RingsOf(OGRGeometryH polygon)
{
    std::vector<Ring> rings;
    for (int r = 0; r < OGR_G_GetGeometryCount(polygon); ++r) {
        OGRGeometryH ring = OGR_G_GetGeometryRef(polygon, r);
        Ring out;
        for (int i = 0; i < OGR_G_GetPointCount(ring); ++i)
            out.push_back({OGR_G_GetX(ring, i), OGR_G_GetY(ring, i)});
        if (out.size() >= 4)
            rings.push_back(std::move(out));
    }
    return rings;
}

// Polygons of each band value of `bands`, simplified to about a grid step.
std::vector<std::vector<std::vector<Ring>>> Polygonize(GDALDatasetH bands, int count, double step)
{
    std::vector<std::vector<std::vector<Ring>>> byValue{std::size_t(count)};
    GDALDriverH memory = GDALGetDriverByName("Memory");
    Dataset out(GDALCreate(memory, "", 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayerH layer = GDALDatasetCreateLayer(out.get(), "bands", nullptr, wkbPolygon, nullptr);
    OGRFieldDefnH field = OGR_Fld_Create("band", OFTInteger);
    OGR_L_CreateField(layer, field, TRUE);
    OGR_Fld_Destroy(field);
    GDALRasterBandH band = GDALGetRasterBand(bands, 1);
    if (GDALPolygonize(band, nullptr, layer, 0, nullptr, nullptr, nullptr) != CE_None)
        return byValue;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        const int value = OGR_F_GetFieldAsInteger(f, 0);
        OGRGeometryH simple = OGR_G_SimplifyPreserveTopology(OGR_F_GetGeometryRef(f), step * 0.7);
        if (simple && value >= 0 && value < count &&
            wkbFlatten(OGR_G_GetGeometryType(simple)) == wkbPolygon) {
            auto rings = RingsOf(simple);
            if (!rings.empty())
                byValue[std::size_t(value)].push_back(std::move(rings));
        }
        if (simple)
            OGR_G_DestroyGeometry(simple);
        OGR_F_Destroy(f);
    }
    return byValue;
}

bool RunGmtLandMask(const CellPlan& plan, const fs::path& grid, std::string& error)
{
    const std::string command =
        platform::FormatC("gmt grdlandmask --GMT_HISTORY=false -R%.6f/%.6f/%.6f/%.6f -I%.6f -D%c "
                          "-N0/1/0/1/0 -G'%s' 2>/dev/null",
                          plan.west, plan.east, plan.south, plan.north, plan.step, plan.resolution,
                          grid.string().c_str());
    if (std::system(command.c_str()) != 0) {
        error = "gmt grdlandmask failed (install the packages of scripts/deps.sh)";
        return false;
    }
    return true;
}

bool MakeCell(const CellPlan& plan, const fs::path& folder, std::string& error)
{
    const fs::path grid = folder / (std::string(plan.name) + ".mask.nc");
    if (!RunGmtLandMask(plan, grid, error))
        return false;
    Dataset mask(GDALOpen(grid.c_str(), GA_ReadOnly));
    fs::remove(grid);
    if (!mask) {
        error = "cannot read the land mask of " + std::string(plan.name);
        return false;
    }
    const int w = GDALGetRasterXSize(mask.get()), h = GDALGetRasterYSize(mask.get());
    double geo[6];
    GDALGetGeoTransform(mask.get(), geo);
    std::vector<float> land(std::size_t(w) * std::size_t(h));
    if (GDALRasterIO(GDALGetRasterBand(mask.get(), 1), GF_Read, 0, 0, w, h, land.data(), w, h,
                     GDT_Float32, 0, 0) != CE_None) {
        error = "cannot read the land mask";
        return false;
    }
    // Distance from land in grid pixels, then the band of each pixel.
    GDALDriverH memory = GDALGetDriverByName("MEM");
    Dataset work(GDALCreate(memory, "", w, h, 2, GDT_Float32, nullptr));
    GDALSetGeoTransform(work.get(), geo);
    GDALRasterBandH landBand = GDALGetRasterBand(work.get(), 1);
    bool io = GDALRasterIO(landBand, GF_Write, 0, 0, w, h, land.data(), w, h, GDT_Float32, 0, 0) ==
              CE_None;
    char** proximity = CSLSetNameValue(nullptr, "VALUES", "1");
    proximity = CSLSetNameValue(proximity, "DISTUNITS", "PIXEL");
    GDALComputeProximity(landBand, GDALGetRasterBand(work.get(), 2), proximity, nullptr, nullptr);
    CSLDestroy(proximity);
    std::vector<float> distance(land.size());
    io = io && GDALRasterIO(GDALGetRasterBand(work.get(), 2), GF_Read, 0, 0, w, h, distance.data(),
                            w, h, GDT_Float32, 0, 0) == CE_None;
    std::vector<std::uint8_t> bandOf(land.size());
    for (std::size_t i = 0; i < land.size(); ++i) {
        std::uint8_t b = 0;   // land
        if (land[i] < 0.5f) {
            b = 1;
            while (b < 4 && distance[i] > kBands[b - 1].maxDistance)
                ++b;
        }
        bandOf[i] = b;
    }
    Dataset bands(GDALCreate(memory, "", w, h, 1, GDT_Byte, nullptr));
    GDALSetGeoTransform(bands.get(), geo);
    io = io && GDALRasterIO(GDALGetRasterBand(bands.get(), 1), GF_Write, 0, 0, w, h, bandOf.data(),
                            w, h, GDT_Byte, 0, 0) == CE_None;
    if (!io) {
        error = "cannot work on the land mask of " + std::string(plan.name);
        return false;
    }
    auto polygons = Polygonize(bands.get(), 5, plan.step);

    CellHeader header;
    header.scale = plan.scale;
    header.intendedUsage = plan.usage;
    header.comment = plan.title;
    CS57CellWriter cell;
    const fs::path path = folder / (std::string(plan.name) + ".000");
    if (!cell.Create(path.string(), header)) {
        error = "GDAL could not create " + path.string();
        return false;
    }
    const Ring cover = {{plan.west, plan.south},
                        {plan.west, plan.north},
                        {plan.east, plan.north},
                        {plan.east, plan.south},
                        {plan.west, plan.south}};
    bool ok = cell.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}) &&
              cell.Area("M_NSYS", {{cover}}, {{"MARSYS", "2"}});
    for (int b = 1; b <= 4 && ok; ++b)
        for (const auto& polygon : polygons[std::size_t(b)])
            ok = ok &&
                 cell.Area("DEPARE", {polygon},
                           {{"DRVAL1", kBands[b - 1].drval1}, {"DRVAL2", kBands[b - 1].drval2}});
    for (const auto& polygon : polygons[0]) {
        ok = ok && cell.Area("LNDARE", {polygon}, {});
        for (const auto& ring : polygon)
            ok = ok && cell.Line("COALNE", ring, {});
    }
    // Contours at the 5 and 20 metre edges: the outer rings of those bands.
    for (int b : {3, 4})
        for (const auto& polygon : polygons[std::size_t(b)])
            ok = ok && cell.Line("DEPCNT", polygon[0], {{"VALDCO", kBands[b - 1].drval1}});

    // Soundings on a sparse lattice of water pixels, deeper away from land.
    const int spacing = std::max(8, std::min(w, h) / 9);
    std::vector<LonLat> points;
    std::vector<double> depths;
    auto lonOf = [&](int x) { return geo[0] + (x + 0.5) * geo[1]; };
    auto latOf = [&](int y) { return geo[3] + (y + 0.5) * geo[5]; };
    for (int y = spacing / 2; y < h; y += spacing)
        for (int x = spacing / 2; x < w; x += spacing) {
            const std::size_t i = std::size_t(y) * std::size_t(w) + std::size_t(x);
            if (land[i] >= 0.5f || distance[i] < 2)
                continue;
            points.push_back({lonOf(x), latOf(y)});
            depths.push_back(std::round(std::min(150.0, distance[i] * 1.8 + (x + y) % 5) * 10) /
                             10);
        }
    if (!points.empty())
        ok = ok && cell.Soundings(points, depths);

    if (plan.marks) {
        // Buoys in the 0-5 m band, starboard (red in IALA B) and port (green)
        // in turn; lights on land pixels at the shore.
        int buoys = 0, lights = 0;
        const int markSpacing = std::max(12, std::min(w, h) / 6);
        for (int y = markSpacing / 2; y < h; y += markSpacing)
            for (int x = markSpacing / 3; x < w; x += markSpacing) {
                // The first pixel 3 to 6 pixels off the shore along the row.
                for (int sx = x; sx < std::min(w, x + markSpacing) && buoys < 8; ++sx) {
                    const std::size_t j = std::size_t(y) * std::size_t(w) + std::size_t(sx);
                    if (land[j] < 0.5f && distance[j] >= 3.0f && distance[j] <= 6.0f) {
                        const bool starboard = buoys % 2 == 0;
                        ok = ok && cell.Point("BOYLAT", {lonOf(sx), latOf(y)},
                                              {{"CATLAM", starboard ? "2" : "1"},
                                               {"COLOUR", starboard ? "3" : "4"},
                                               {"BOYSHP", starboard ? "2" : "1"}});
                        ++buoys;
                        break;
                    }
                }
                // The first land pixel before water along the row from here.
                for (int sx = x; sx + 1 < std::min(w, x + markSpacing) && lights < 6; ++sx) {
                    const std::size_t j = std::size_t(y) * std::size_t(w) + std::size_t(sx);
                    if (land[j] >= 0.5f && land[j + 1] < 0.5f) {
                        ok = ok && cell.Point("LIGHTS", {lonOf(sx), latOf(y)},
                                              {{"COLOUR", "1"}, {"LITCHR", "2"}, {"SIGPER", "4"}});
                        ++lights;
                        break;
                    }
                }
            }
        const double mx = (plan.west + plan.east) / 2, my = (plan.south + plan.north) / 2;
        const double dx = (plan.east - plan.west) / 12, dy = (plan.north - plan.south) / 12;
        const Ring caution = {{mx - dx, my - dy},
                              {mx - dx, my + dy},
                              {mx + dx, my + dy},
                              {mx + dx, my - dy},
                              {mx - dx, my - dy}};
        ok = ok && cell.Area("CTNARE", {{caution}},
                             {{"INFORM", "Sample chart: shorelines from GSHHG, depths invented. "
                                         "Not for navigation."}});
    }
    cell.Close();
    if (!ok)
        error = "GDAL refused a feature of " + std::string(plan.name);
    return ok;
}

}   // namespace

bool MakeSampleCells(const fs::path& folder, std::string& error)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    GDALAllRegister();
    const CellPlan cells[] = {
        {"LCWORLD", -180.0, -80.0, 180.0, 84.0, 0.5, 'h', 50000000, 1,
         "SAMPLE WORLD - NOT FOR NAVIGATION", false},
        {"US2WA01M", -123.2, 47.0, -122.0, 48.3, 0.004, 'h', 350000, 2,
         "SAMPLE - NOT FOR NAVIGATION - Puget Sound", true},
        {"US4WA02M", -122.85, 47.75, -122.35, 48.2, 0.0015, 'f', 80000, 4,
         "SAMPLE - NOT FOR NAVIGATION - Admiralty Inlet", true},
        {"US5WA03M", -122.45, 47.56, -122.30, 47.66, 0.0004, 'f', 20000, 5,
         "SAMPLE - NOT FOR NAVIGATION - Seattle Harbour", true},
    };
    for (const auto& plan : cells) {
        fs::remove(folder / (std::string(plan.name) + ".000"), ec);
        if (!MakeCell(plan, folder, error))
            return false;
    }
    return true;
}

}   // namespace vchart
