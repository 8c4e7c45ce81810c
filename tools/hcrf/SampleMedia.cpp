#include "SampleMedia.h"

#include "ChartSetWriter.h"
#include "LandMask.h"
#include "SampleArt.h"

#include <chrono>
#include <cmath>
#include <fstream>

namespace hcrftool {

namespace {

constexpr double kEarthRadius = 6378137.0;   // metres, WGS 84 semi-major axis
constexpr double kCentreLat = 47.605, kCentreLon = -122.385;   // Elliott Bay
constexpr int kMargin = 64;   // pixels from the raster's edge to the neatline
const char* const kChartMedium = "RCSAMPLE";
const char* const kChartMediumDate = "20260105";
const char* const kEdition = "SAMPLE01";   // header columns 13-20 and Chart.cat offset 10

struct PlanSpec {
    std::string title;
    long scale;
    double metresPerPixel;
    double lat, lon;   // centre
    unsigned width, height;   // the box, in the chart's pixels
    char shoreline;
};

struct SampleChart {
    std::string number, title;
    long scale;
    double metresPerPixel;
    unsigned width, height;
    char shoreline;   // GMT resolution letter
    bool withPlan;
    double lat = kCentreLat, lon = kCentreLon;   // centre
    bool world = false;   // the world chart, with a smaller cartouche
};

const PlanSpec kEagleHarbor = {
    "PLAN 1: EAGLE HARBOR", 20000, 2.0, 47.6205, -122.515, 1536, 1024, 'f'};

// The world chart, number 4000 as the chart services number theirs: all but
// a pixel and a quarter of longitude at each side over its width (the land
// grid, a pixel wider on each side, stays within the 360 degrees gmt takes),
// some 78 N to 78 S, from the crude shorelines at 39 km a pixel, so it costs
// a small part of the media's time.
constexpr unsigned kWorldWidth = 1024, kWorldHeight = 768;
const double kWorldMetresPerPixel = 2 * M_PI * kEarthRadius / (kWorldWidth + 2.5);

const SampleChart kCharts[] = {
    {"RC9001", "PUGET SOUND - ADMIRALTY INLET TO TACOMA", 350000, 35.0, 1792, 3584, 'h', false},
    {"RC9002", "SEATTLE AND APPROACHES", 50000, 5.0, 4096, 3072, 'h', true},
    {"RC9003", "ELLIOTT BAY AND SEATTLE HARBOR", 20000, 2.0, 4096, 2816, 'f', false},
    {"4000", "THE WORLD", 90000000, kWorldMetresPerPixel, kWorldWidth, kWorldHeight, 'c', false,
     0.0, 0.0, true},
};
const std::size_t kHarbour = 2;

double MercatorY(double latDeg)
{
    return std::log(std::tan(M_PI / 4 + latDeg * M_PI / 360.0));
}

double InverseMercator(double y)
{
    return (2 * std::atan(std::exp(y)) - M_PI / 2) * 180.0 / M_PI;
}

// Bounds of a Mercator raster of square pixels of `metresPerPixel` at the
// centre's latitude, centred on the given position.
void CentreBounds(double lat, double lon, double metresPerPixel, unsigned width, unsigned height,
                  double& north, double& south, double& west, double& east)
{
    const double lonSpan = width * metresPerPixel / (kEarthRadius * std::cos(lat * M_PI / 180.0));
    const double northingSpan = lonSpan * height / width;
    west = lon - lonSpan * 90.0 / M_PI;
    east = lon + lonSpan * 90.0 / M_PI;
    north = InverseMercator(MercatorY(lat) + northingSpan / 2);
    south = InverseMercator(MercatorY(lat) - northingSpan / 2);
}

// The chart's folder group: the first digits of its number, padded to five
// and cut to three ("RC9001" falls in "090").
std::string ChartGroup(const std::string& number)
{
    std::size_t i = 0;
    while (i < number.size() && !std::isdigit(static_cast<unsigned char>(number[i])))
        ++i;
    std::string digits;
    while (i < number.size() && std::isdigit(static_cast<unsigned char>(number[i])))
        digits += number[i++];
    if (digits.size() < 5)
        digits.insert(0, 5 - digits.size(), '0');
    return digits.substr(0, 3);
}

std::filesystem::path ChartFolder(const std::filesystem::path& medium, const std::string& number)
{
    return medium / "RasChts" / ChartGroup(number) / number;
}

bool WriteText(const std::filesystem::path& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

std::string Padded(const std::string& text, std::size_t width)
{
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

// The medium's descriptor: country, name, date, a further field, a number
// and the description, one record.
std::string Descriptor(const std::string& name, const std::string& date,
                       const std::string& description)
{
    return "GB" + Padded(name, 10) + Padded(date, 8) + Padded("SAMPLE", 10) + "    1" +
           Padded(description, 500) + "\x0B\x0D\x0A";
}

bool WriteSupport(const std::filesystem::path& medium, const std::string& name,
                  const std::string& date, const std::string& description,
                  const std::vector<std::pair<std::string, std::string>>& notices,
                  const std::vector<CatalogueChart>& catalogue, std::string& error)
{
    std::error_code ec;
    for (const char* sub : {"ChartCat", "Misc", "Temp_NM", "RasChts"})
        std::filesystem::create_directories(medium / sub, ec);
    if (!WriteText(medium / "ReadMe.cdv", Descriptor(name, date, description), error) ||
        !WriteLookupTables(medium / "Misc", error) ||
        !WriteCatalogue(medium / "ChartCat", catalogue, error))
        return false;
    for (const auto& [file, text] : notices)
        if (!WriteText(medium / "Temp_NM" / file, text, error))
            return false;
    return true;
}

std::string Thousands(long value)
{
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// Graduation step of the border: the smallest of these that spans 40 pixels.
double GraduationMinutes(double metresPerPixel)
{
    for (double minutes : {0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 30.0, 60.0, 300.0})
        if (minutes * 1852.0 / metresPerPixel >= 40.0)
            return minutes;
    return 600.0;
}

struct Drawn {
    ChartParameters parameters;
    IndexedImage picture;
};

bool LandPicture(const ChartParameters& p, unsigned width, unsigned height, double metresPerPixel,
                 char shoreline, unsigned processes, IndexedImage& picture, std::string& error)
{
    PixelGrid grid;
    grid.width = width;
    grid.height = height;
    grid.longitude = [&](double x) { return PixelToLatLon(p, width, height, x, 0).second; };
    grid.latitude = [&](double y) { return PixelToLatLon(p, width, height, 0, y).first; };
    std::vector<std::uint8_t> levels;
    if (!ComputeLandLevels(grid, shoreline, processes, levels, error))
        return false;
    picture =
        PaintLandAndWater(width, height, levels, metresPerPixel, metresPerPixel >= 20 ? 1.0 : 2.0);
    return true;
}

bool DrawChart(const SampleChart& chart, unsigned processes, Drawn& drawn, std::string& error)
{
    ChartParameters& p = drawn.parameters;
    p.chartNumber = chart.number;
    p.title = chart.title;
    p.editionDate = "05012026";
    p.editionField = kEdition;
    p.chartCdName = kChartMedium;
    p.shortCode = chart.world ? "WORLD" : "PUGET";
    p.headerUpdate = 0;
    p.scale = chart.scale;
    p.lowResolutionRatio = 4;
    // The harbour chart carries a note and a caution for the chart notes dialog.
    p.notes = chart.number == "RC9003" ? 2 : 0;
    // Drawn on WGS 84, as a real chart on WGS 84 is: zero shifts and the WGS 84
    // transformations, so the chart offers a datum shift (none required).
    p.datumShift = true;
    p.wgs84ShiftLatSec = p.wgs84ShiftLonSec = 0.0;
    p.supportFiles = false;
    CentreBounds(chart.lat, chart.lon, chart.metresPerPixel, chart.width, chart.height, p.north,
                 p.south, p.west, p.east);
    if (!LandPicture(p, chart.width, chart.height, chart.metresPerPixel, chart.shoreline, processes,
                     drawn.picture, error))
        return false;
    IndexedImage& picture = drawn.picture;
    ChartPen pen(picture);
    const int w = int(chart.width), h = int(chart.height);

    // The main panel is the neatline's rectangle, less the plan's corner.
    const double m = kMargin;
    p.mainOutline = {{m, m}, {w - m, m}, {w - m, h - m}, {m, h - m}};
    if (chart.withPlan) {
        const PlanSpec& plan = kEagleHarbor;
        const double x2 = w - m, y2 = h - m;
        const double x1 = x2 - plan.width, y1 = y2 - plan.height;
        ChartParameters q = p;
        CentreBounds(plan.lat, plan.lon, plan.metresPerPixel, plan.width, plan.height, q.north,
                     q.south, q.west, q.east);
        IndexedImage inset;
        if (!LandPicture(q, plan.width, plan.height, plan.metresPerPixel, plan.shoreline, processes,
                         inset, error))
            return false;
        for (unsigned y = 0; y < plan.height; ++y)
            std::copy_n(
                &inset.pixels[std::size_t(y) * plan.width], plan.width,
                &picture.pixels[std::size_t(y + unsigned(y1)) * picture.width + unsigned(x1)]);
        pen.Frame(int(x1), int(y1), int(x2), int(y2), 4, ChartPen::Colour::Ink);
        pen.TextBox(int(x1) + 16, int(y1) + 16,
                    {{plan.title, 4}, {"SCALE 1:" + Thousands(plan.scale), 3}}, 12);
        p.mainOutline = {{m, m}, {w - m, m}, {w - m, y1}, {x1, y1}, {x1, y2}, {m, h - m}};
        p.plans.push_back(
            {plan.title, plan.scale, q.north, q.south, q.west, q.east, x1, y1, x2, y2});
    }

    const double unit = GraduationMinutes(chart.metresPerPixel);
    pen.Border(
        kMargin, unit,
        [&](int y) { return PixelToLatLon(p, chart.width, chart.height, 0, y).first; },
        [&](int x) { return PixelToLatLon(p, chart.width, chart.height, x, 0).second; });
    const std::string warning = "SAMPLE - NOT FOR NAVIGATION";
    for (int y : {10, h - 10 - 7 * 4})
        pen.Text((w - int(warning.size()) * 24) / 2, y, warning, 4, ChartPen::Colour::Ink);
    if (chart.world) {
        // Over the Southern Ocean, clear of the continents.
        const std::vector<ChartPen::Line_> cartouche = {
            {chart.number + " " + chart.title, 3},
            {"SCALE 1:" + Thousands(chart.scale) + " AT THE EQUATOR", 2},
            {"MERCATOR - WGS 84 - GSHHG CRUDE (GMT)", 2},
            {warning, 3},
        };
        const auto [bw, bh] = ChartPen::TextBoxSize(cartouche, 12);
        pen.TextBox(w - kMargin - 24 - bw, h - kMargin - 24 - bh, cartouche, 12);
        return true;
    }
    const std::vector<ChartPen::Line_> cartouche = {
        {chart.number, 5},
        {chart.title, 4},
        {"SCALE 1:" + Thousands(chart.scale) + " AT LATITUDE 47 36N", 3},
        {"MERCATOR PROJECTION - WGS 84", 3},
        {std::string("SHORELINE: GSHHG ") + (chart.shoreline == 'f' ? "FULL" : "HIGH") +
             " RESOLUTION (GMT)",
         3},
        {"BLUE TINTS SHOW DISTANCE OFFSHORE, NOT DEPTH", 3},
        {warning, 5},
    };
    const auto [bw, bh] = ChartPen::TextBoxSize(cartouche, 20);
    (void)bh;
    pen.TextBox(w - kMargin - 24 - bw, kMargin + 24, cartouche, 20);
    return true;
}

// What update 1 of the harbour chart brings: a wreck and a light buoy.
IndexedImage UpdatedHarbour(const Drawn& harbour)
{
    IndexedImage updated = harbour.picture;
    ChartPen pen(updated);
    const ChartParameters& p = harbour.parameters;
    auto at = [&](double lat, double lon) {
        return LatLonToPixel(p, updated.width, updated.height, lat, lon);
    };
    const auto [wx, wy] = at(47.6080, -122.3690);
    pen.Line(wx - 40, wy, wx + 40, wy, 5, ChartPen::Colour::Magenta);
    for (double dx : {-20.0, 0.0, 20.0})
        pen.Line(wx + dx, wy - 18, wx + dx, wy + 18, 4, ChartPen::Colour::Magenta);
    pen.Ring(wx, wy, 56, 5, ChartPen::Colour::Magenta);
    pen.Text(int(wx) + 70, int(wy) - 10, "WK NEW 2026", 3, ChartPen::Colour::Magenta);
    const auto [lx, ly] = at(47.6000, -122.3950);
    pen.Disc(lx, ly, 14, ChartPen::Colour::Magenta);
    pen.Line(lx, ly, lx + 30, ly - 60, 6, ChartPen::Colour::Magenta);
    pen.Text(int(lx) + 40, int(ly) - 40, "FL G 4S", 3, ChartPen::Colour::Magenta);
    return updated;
}

// Update files that replace no tile: each file is just its check value.
bool WriteEmptyUpdate(const std::filesystem::path& folder, const std::string& number,
                      std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string crcOfNothing(4, '\0');
    return WriteText(folder / (number + ".upr"), crcOfNothing, error) &&
           WriteText(folder / (number + ".upi"), crcOfNothing, error);
}

bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(to.parent_path(), ec);
    std::filesystem::rename(from, to, ec);
    if (ec) {
        error = "cannot move " + from.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}   // namespace

bool WriteSampleMedia(const std::filesystem::path& folder, unsigned processes, std::ostream& log,
                      std::string& error)
{
    const auto started = std::chrono::steady_clock::now();
    const std::filesystem::path chartMedium = folder / "chart-medium";
    const std::filesystem::path update1 = folder / "update-1";
    const std::filesystem::path update2 = folder / "update-2";
    std::error_code ec;
    for (const auto& medium : {chartMedium, update1, update2}) {
        std::filesystem::remove_all(medium, ec);
        std::filesystem::create_directories(medium, ec);
        if (ec) {
            error = "cannot make " + medium.string() + ": " + ec.message();
            return false;
        }
    }

    std::vector<CatalogueChart> firstCatalogue, secondCatalogue;
    for (std::size_t i = 0; i < std::size(kCharts); ++i) {
        const SampleChart& chart = kCharts[i];
        Drawn drawn;
        if (!DrawChart(chart, processes, drawn, error))
            return false;
        IndexedImage updated;
        if (i == kHarbour) {
            updated = UpdatedHarbour(drawn);
            drawn.parameters.updatedPicture = &updated;
        }
        const std::filesystem::path chartFolder = ChartFolder(chartMedium, chart.number);
        std::filesystem::create_directories(chartFolder, ec);
        WrittenChart written;
        if (!WriteChartSet(drawn.picture, drawn.parameters, chartFolder, written, error))
            return false;

        // The chart medium carries no update files; update 1 brings none for
        // any chart, update 2 the harbour chart's.
        CatalogueChart base = written.catalogue;
        base.updateNumber = std::string(8, '0') + "0";
        base.rasterCrc = written.rasterCrc;
        base.indexCrc = written.indexCrc;
        firstCatalogue.push_back(base);
        secondCatalogue.push_back(i == kHarbour ? written.catalogue : base);
        const std::filesystem::path upr = chartFolder / (chart.number + ".upr");
        const std::filesystem::path upi = chartFolder / (chart.number + ".upi");
        if (i == kHarbour) {
            const auto target = ChartFolder(update2, chart.number);
            if (!MoveFile(upr, target / upr.filename(), error) ||
                !MoveFile(upi, target / upi.filename(), error))
                return false;
            log << chart.number << ": " << written.updatedTiles << " update tiles\n";
        } else {
            std::filesystem::remove(upr, ec);
            std::filesystem::remove(upi, ec);
            if (!WriteEmptyUpdate(ChartFolder(update2, chart.number), chart.number, error))
                return false;
        }
        if (!WriteEmptyUpdate(ChartFolder(update1, chart.number), chart.number, error))
            return false;
        log << chart.number << ": " << chart.width << " x " << chart.height << " pixels, "
            << written.highTilesAcross * written.highTilesDown << " tiles\n";
    }

    const std::string about =
        "Brinevane sample charts of Puget Sound and the world, made from GMT's GSHHG "
        "shorelines. Blue tints show distance offshore, not depth. SAMPLE - NOT FOR NAVIGATION.";
    // Notices are named year, "T" and a five-digit number (YYTNNNNN.txt):
    // the chart notices dialog titles them with characters 4 to 8 and the year.
    const std::string notice = "SAMPLE - NOT FOR NAVIGATION\r\nNo temporary or preliminary "
                               "notices are in force for the sample charts.\r\n";
    if (!WriteSupport(chartMedium, kChartMedium, kChartMediumDate, "Chart medium. " + about,
                      {{"26T00001.txt", notice}}, firstCatalogue, error) ||
        !WriteSupport(update1, "WK01_26", "20260105", "Update medium, week 1 2026. " + about,
                      {{"26T00001.txt", notice}}, firstCatalogue, error) ||
        !WriteSupport(update2, "WK02_26", "20260112", "Update medium, week 2 2026. " + about,
                      {{"26T00001.txt", notice},
                       {"26T00002.txt", "SAMPLE - NOT FOR NAVIGATION\r\nChart RC9003 update 1: "
                                        "a new wreck and a new light buoy in Elliott "
                                        "Bay.\r\n"}},
                      secondCatalogue, error))
        return false;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    log << "sample media written to " << folder.string() << " in " << int(seconds + 0.5) << " s\n";
    return true;
}

}   // namespace hcrftool
