#include "SampleCells.h"

#include <gdal.h>
#include <ogr_api.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "S57CellWriter.h"
#include "S57UpdateWriter.h"
#include "Shorelines.h"
#include "platform/LocaleFreeNumbers.h"

namespace vchart {

namespace fs = std::filesystem;

namespace {

struct CellPlan {
    const char* name;
    Region region;
    double step;   // the unit of the depth bands' widths, degrees of latitude
    char resolution;   // GSHHG: 'f' full, 'h' high, 'c' crude
    int scale;
    int usage;
    const char* title;
    bool marks;   // buoys, lights, caution area
    bool update;   // an update ".001": a buoy added, a sounding deleted, a light changed
    // SCAMIN of the soundings, buoys and lights (0: none, shown at every
    // scale). As on a real cell, soundings go first when the view is smaller
    // in scale than the cell, buoys later, lights last; land, coastline,
    // depth areas, contours and caution areas have none.
    int soundingScamin = 0;
    int buoyScamin = 0;
    int lightScamin = 0;
};

// Soundings of a navigational cell lie about this far apart on the chart at
// its own scale, metres (1 cm), as a surveyed chart's selection does.
constexpr double kSoundingSpacingOnChart = 0.01;

// The SCAMIN attribute when `scamin` is set.
Attributes WithScamin(Attributes attrs, int scamin)
{
    if (scamin > 0)
        attrs.emplace_back("SCAMIN", std::to_string(scamin));
    return attrs;
}

// Band of distance from land (in steps) and its depth range.
struct Band {
    double maxDistance;
    const char* drval1;
    const char* drval2;
};
// The widest band step, degrees of latitude (about 450 m): the overview's.
constexpr double kWidestBandStep = 0.004;

const Band kBands[] = {{1.5, "-2", "0"}, {4.5, "0", "5"}, {12.5, "5", "20"}, {1e9, "20", "100"}};

OGRGeometryH H(const Geometry& g)
{
    return static_cast<OGRGeometryH>(g.get());
}

// Multiplies every longitude by `factor`: distances measured after scaling by
// the cosine of the cell's middle latitude are about true on the ground.
void ScaleLongitudes(OGRGeometryH g, double factor)
{
    const int parts = OGR_G_GetGeometryCount(g);
    for (int i = 0; i < parts; ++i)
        ScaleLongitudes(OGR_G_GetGeometryRef(g, i), factor);
    for (int i = 0; i < OGR_G_GetPointCount(g); ++i)
        OGR_G_SetPoint_2D(g, i, OGR_G_GetX(g, i) * factor, OGR_G_GetY(g, i));
}

// Sea within `distance` (degrees of latitude) of the land, its outline eased
// so the depth bands keep few points.
Geometry NearLand(OGRGeometryH scaledLand, double distance, double cosLat, double step)
{
    Geometry buffer(OGR_G_Buffer(scaledLand, distance, 4));
    if (!buffer)
        return buffer;
    Geometry eased(OGR_G_SimplifyPreserveTopology(H(buffer), step * 0.3));
    if (!eased)
        return eased;
    ScaleLongitudes(H(eased), 1 / cosLat);
    return eased;
}

// Depth in metres at `steps` from land, within the band those steps fall in.
double DepthAt(double steps)
{
    if (steps < 4.5)
        return (steps - 1.5) / 3 * 5;
    if (steps < 12.5)
        return 5 + (steps - 4.5) / 8 * 15;
    return std::min(100.0, 20 + (steps - 12.5) * 2);
}

// A line of two points gets its middle too: an edge needs a point between
// its end nodes.
std::vector<LonLat> EdgeReady(std::vector<LonLat> line)
{
    if (line.size() == 2)
        line.insert(line.begin() + 1,
                    {(line[0].lon + line[1].lon) / 2, (line[0].lat + line[1].lat) / 2});
    return line;
}

std::vector<std::vector<LonLat>> LinesOf(OGRGeometryH g)
{
    std::vector<std::vector<LonLat>> out;
    if (!g)
        return out;
    const auto type = wkbFlatten(OGR_G_GetGeometryType(g));
    if (type == wkbLineString) {
        std::vector<LonLat> line;
        for (int i = 0; i < OGR_G_GetPointCount(g); ++i)
            line.push_back({OGR_G_GetX(g, i), OGR_G_GetY(g, i)});
        if (line.size() >= 2)
            out.push_back(EdgeReady(std::move(line)));
    } else if (type == wkbMultiLineString || type == wkbGeometryCollection) {
        for (int i = 0; i < OGR_G_GetGeometryCount(g); ++i) {
            auto parts = LinesOf(OGR_G_GetGeometryRef(g, i));
            out.insert(out.end(), parts.begin(), parts.end());
        }
    }
    return out;
}

bool MakeCell(const CellPlan& plan, const fs::path& folder, std::string& error)
{
    const Region& r = plan.region;
    Shorelines shore;
    // On the world cell a river's lakes are a fraction of a pixel wide: only
    // their shorelines would show, as dark strokes across the land.
    const bool riverLakes = plan.usage > 1;
    if (!ReadShorelines(r, plan.resolution, riverLakes, shore, error))
        return false;
    const double cosLat = std::cos((r.south + r.north) / 2 * M_PI / 180);
    Geometry scaledLand(OGR_G_Clone(H(shore.land)));
    ScaleLongitudes(H(scaledLand), cosLat);

    // Depth bands: sea within 1.5, 4.5 and 12.5 band steps of land, each
    // holding the nearer ones so the bands share their edges exactly. A band
    // step is never wider than the overview's: a small-scale cell's coarse
    // step would otherwise make whole sounds dry.
    const double bandStep = std::min(plan.step, kWidestBandStep);
    std::vector<Geometry> within;
    for (int b = 0; b < 3; ++b) {
        Geometry near =
            NearLand(H(scaledLand), kBands[b].maxDistance * bandStep, cosLat, plan.step);
        if (!near) {
            error = "cannot measure the sea near the land of " + std::string(plan.name);
            return false;
        }
        if (!within.empty())
            near.reset(OGR_G_Union(H(near), H(within.back())));
        within.push_back(std::move(near));
    }
    std::vector<std::vector<std::vector<Ring>>> bands;
    const double minArea = plan.step * plan.step * 0.01;
    for (int b = 0; b < 4; ++b) {
        Geometry band(b < 3 ? OGR_G_Intersection(H(shore.water), H(within[std::size_t(b)]))
                            : OGR_G_Clone(H(shore.water)));
        if (band && b > 0)
            band.reset(OGR_G_Difference(H(band), H(within[std::size_t(b - 1)])));
        if (!band) {
            error = "cannot cut the depth bands of " + std::string(plan.name);
            return false;
        }
        bands.push_back(PolygonsOf(band.get(), minArea));
    }

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
    const Ring cover = {{r.west, r.south},
                        {r.west, r.north},
                        {r.east, r.north},
                        {r.east, r.south},
                        {r.west, r.south}};
    bool ok = cell.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}) &&
              cell.Area("M_NSYS", {{cover}}, {{"MARSYS", "2"}});
    for (int b = 0; b < 4 && ok; ++b)
        for (const auto& polygon : bands[std::size_t(b)])
            ok = ok && cell.Area("DEPARE", {polygon},
                                 {{"DRVAL1", kBands[b].drval1}, {"DRVAL2", kBands[b].drval2}});
    for (const auto& polygon : PolygonsOf(shore.land.get(), 0))
        ok = ok && cell.Area("LNDARE", {polygon}, {});
    for (const auto& line : shore.coast)
        ok = ok && cell.Line("COALNE", EdgeReady(line), {});
    // Contours at the 5 and 20 metre edges, where they run through the sea.
    for (int b : {1, 2}) {
        Geometry edge(OGR_G_Boundary(H(within[std::size_t(b)])));
        Geometry wet(edge ? OGR_G_Intersection(H(edge), H(shore.water)) : nullptr);
        for (const auto& line : LinesOf(H(wet)))
            ok = ok && cell.Line("DEPCNT", line, {{"VALDCO", kBands[b].drval2}});
    }

    // Distance from land, in steps, of a sea position; negative on land.
    auto stepsFromLand = [&](LonLat p) {
        Geometry point(OGR_G_CreateGeometry(wkbPoint));
        OGR_G_SetPoint_2D(H(point), 0, p.lon, p.lat);
        if (!OGR_G_Contains(H(shore.water), H(point)))
            return -1.0;
        OGR_G_SetPoint_2D(H(point), 0, p.lon * cosLat, p.lat);
        return OGR_G_Distance(H(point), H(scaledLand)) / bandStep;
    };
    // Soundings on a lattice, deeper away from land: 1 cm apart at the
    // cell's scale on a navigational cell, nine across the world.
    const double spacing = plan.marks ? plan.scale * kSoundingSpacingOnChart / (60 * 1852.0)
                                      : std::min((r.east - r.west) * cosLat, r.north - r.south) / 9;
    std::vector<LonLat> points;
    std::vector<double> depths;
    int row = 0;
    for (double lat = r.south + spacing / 2; lat < r.north; lat += spacing, ++row) {
        int column = 0;
        for (double lon = r.west + spacing / cosLat / 2; lon < r.east;
             lon += spacing / cosLat, ++column) {
            const double steps = stepsFromLand({lon, lat});
            if (steps < 2)
                continue;
            points.push_back({lon, lat});
            depths.push_back(std::round((DepthAt(steps) + (row + column) % 5 * 0.1) * 10) / 10);
        }
    }
    int soundingNode = 0;
    if (!points.empty()) {
        ok = ok && cell.Soundings(points, depths, WithScamin({}, plan.soundingScamin));
        soundingNode = cell.LastPrimitiveId();
    }
    // What the update changes: the first light, the first sounding, and a
    // buoy where a ninth would go.
    int firstLight = 0;
    std::optional<LonLat> newBuoy;

    if (plan.marks) {
        // Buoys 3 to 6 steps off the shore, starboard (red in IALA B) and port
        // (green) in turn, the first such place along rows of the cell.
        int buoys = 0;
        const double markSpacing = (r.north - r.south) / 6;
        for (double lat = r.south + markSpacing / 2; lat < r.north && buoys < 8; lat += markSpacing)
            for (double x = r.west; x < r.east && buoys < 8; x += markSpacing / cosLat) {
                for (double lon = x; lon < std::min(r.east, x + markSpacing / cosLat);
                     lon += plan.step / 2 / cosLat) {
                    const double steps = stepsFromLand({lon, lat});
                    if (steps >= 3 && steps <= 6) {
                        const bool starboard = buoys % 2 == 0;
                        ok = ok && cell.Point("BOYLAT", {lon, lat},
                                              WithScamin({{"CATLAM", starboard ? "2" : "1"},
                                                          {"COLOUR", starboard ? "3" : "4"},
                                                          {"BOYSHP", starboard ? "2" : "1"}},
                                                         plan.buoyScamin));
                        ++buoys;
                        break;
                    }
                }
            }
        // The update's buoy: the first such place on the rows between.
        for (double lat = r.south + markSpacing; plan.update && lat < r.north && !newBuoy;
             lat += markSpacing)
            for (double lon = r.west; lon < r.east; lon += plan.step / 2 / cosLat)
                if (const double steps = stepsFromLand({lon, lat}); steps >= 3 && steps <= 6) {
                    newBuoy = LonLat{lon, lat};
                    break;
                }
        // Lights on the shoreline, spread along it, away from the cell's edge.
        std::vector<LonLat> shorePoints;
        const double margin = (r.north - r.south) / 20;
        for (const auto& line : shore.coast)
            for (const auto& p : line)
                if (p.lon > r.west + margin / cosLat && p.lon < r.east - margin / cosLat &&
                    p.lat > r.south + margin && p.lat < r.north - margin)
                    shorePoints.push_back(p);
        const std::size_t lights = std::min<std::size_t>(6, shorePoints.size());
        for (std::size_t i = 0; i < lights; ++i) {
            ok = ok && cell.Point("LIGHTS", shorePoints[(2 * i + 1) * shorePoints.size() / 12],
                                  WithScamin({{"COLOUR", "1"}, {"LITCHR", "2"}, {"SIGPER", "4"}},
                                             plan.lightScamin));
            if (i == 0)
                firstLight = cell.LastFeatureId();
        }
        const double mx = (r.west + r.east) / 2, my = (r.south + r.north) / 2;
        const double dx = (r.east - r.west) / 12, dy = (r.north - r.south) / 12;
        const Ring caution = {{mx - dx, my - dy},
                              {mx - dx, my + dy},
                              {mx + dx, my + dy},
                              {mx + dx, my - dy},
                              {mx - dx, my - dy}};
        ok = ok && cell.Area("CTNARE", {{caution}},
                             {{"INFORM", "Sample chart: shorelines from GSHHG, depths invented. "
                                         "Not for navigation."}});
    }
    const int lastFeature = cell.LastFeatureId(), lastPrimitive = cell.LastPrimitiveId();
    cell.Close();
    if (!ok) {
        error = "GDAL refused a feature of " + std::string(plan.name);
        return false;
    }
    if (!plan.update)
        return true;
    if (!soundingNode || !firstLight || !newBuoy) {
        error = std::string(plan.name) + " has no sounding, light or room for a buoy to update";
        return false;
    }
    UpdateHeader update;
    update.intendedUsage = plan.usage;
    update.comment = plan.title;
    CS57UpdateWriter writer;
    if (!writer.Begin(path.string(), update, error))
        return false;
    ok = writer.InsertPoint(
             "BOYLAT", lastFeature + 1, lastPrimitive + 1, *newBuoy,
             WithScamin({{"BOYSHP", "2"}, {"CATLAM", "2"}, {"COLOUR", "3"}}, plan.buoyScamin)) &&
         writer.DeleteSoundings(soundingNode, 1, 1, 1) &&
         writer.ChangeAttributes("LIGHTS", 1, firstLight, 1, {{"COLOUR", "3"}, {"SIGPER", "6"}});
    if (!ok) {
        error = "the update of " + std::string(plan.name) + " names an unknown class or attribute";
        return false;
    }
    return writer.Write((folder / (std::string(plan.name) + ".001")).string(), error);
}

}   // namespace

bool MakeSampleCells(const fs::path& folder, std::string& error)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    GDALAllRegister();
    // Name, area, band step, GSHHG resolution, scale, usage, title, marks,
    // update, then the SCAMIN of soundings, buoys and lights.
    const CellPlan cells[] = {
        {"LCWORLD",
         {-180.0, -80.0, 180.0, 84.0},
         0.5,
         'c',
         50000000,
         1,
         "SAMPLE WORLD - NOT FOR NAVIGATION",
         false,
         false},
        {"US2WA01M",
         {-123.2, 47.0, -122.0, 48.3},
         0.004,
         'h',
         350000,
         2,
         "SAMPLE - NOT FOR NAVIGATION - Puget Sound",
         true,
         false,
         349999,
         699999,
         1499999},
        {"US4WA02M",
         {-122.85, 47.75, -122.35, 48.2},
         0.0015,
         'f',
         80000,
         4,
         "SAMPLE - NOT FOR NAVIGATION - Admiralty Inlet",
         true,
         false,
         89999,
         259999,
         349999},
        {"US5WA03M",
         {-122.45, 47.56, -122.30, 47.66},
         0.0004,
         'f',
         20000,
         5,
         "SAMPLE - NOT FOR NAVIGATION - Seattle Harbour",
         true,
         true,
         29999,
         59999,
         89999},
    };
    for (const auto& plan : cells) {
        fs::remove(folder / (std::string(plan.name) + ".000"), ec);
        fs::remove(folder / (std::string(plan.name) + ".001"), ec);
        if (!MakeCell(plan, folder, error))
            return false;
    }
    return true;
}

}   // namespace vchart
