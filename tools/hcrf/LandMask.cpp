#include "LandMask.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

namespace hcrftool {

namespace {

// Rows per grdlandmask run. Pixel rows are evenly spaced in Mercator
// northing, not in latitude; over 128 rows of the harbour and approach charts
// treating them as evenly spaced in latitude is off by well under a tenth of
// a pixel, and the grid's nodes are the rows. Where it is off by more (a
// band of a world chart spans tens of degrees), the band's grid gets nodes
// at a quarter of its closest rows' spacing and each row takes the nearest.
constexpr unsigned kBandRows = 128;
constexpr double kMostRowError = 0.1;   // pixels
// A GMT native grid file begins with a header of this many bytes.
constexpr std::size_t kNativeHeader = 892;

std::string Number(double value)
{
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

struct Band {
    unsigned first = 0, rows = 0;
    std::filesystem::path folder;
    unsigned nodes = 0;   // grid rows between the edge rows, one a pixel row when even
};

// The grid rows a band needs: its pixel rows while they lie evenly enough in
// latitude, else enough rows for the nearest to be within a quarter of a row.
unsigned BandNodes(const PixelGrid& grid, unsigned first, unsigned rows)
{
    const double north = grid.latitude(double(first) - 1.0);
    const double south = grid.latitude(double(first + rows));
    const double even = (north - south) / (rows + 1);
    double worst = 0.0, closest = even;
    for (unsigned r = 0; r < rows; ++r) {
        const double spacing =
            std::fabs(grid.latitude(double(first + r)) - grid.latitude(double(first + r) + 1.0));
        closest = std::min(closest, spacing);
        const double off = std::fabs(grid.latitude(double(first + r)) - (north - (r + 1) * even));
        worst = std::max(worst, spacing > 0 ? off / spacing : 0.0);
    }
    if (worst <= kMostRowError || !(closest > 0))
        return rows;
    return unsigned(std::ceil((north - south) / (closest / 2)));
}

// The grid's columns: one a pixel column between one more on each side, or,
// for a chart round the whole world, the world from 180 W to 180 E at twice
// the pixels' density (a step that divides 180 degrees, as gmt wants for a
// world grid), each pixel taking the nearest. gmt takes no region
// wider than 360 degrees, and one whose edges lie at the date line fills a
// row with land where a shoreline crosses it; the whole world has no edges.
struct Columns {
    double west = 0.0, east = 0.0;
    unsigned nodes = 0;   // between the edge columns
    bool world = false;
};

Columns GridColumns(const PixelGrid& grid)
{
    Columns c{grid.longitude(-1.0), grid.longitude(grid.width), grid.width, false};
    if (c.east - c.west > 350.0)
        c = {-180.0, 180.0, 2 * grid.width - 1, true};
    return c;
}

struct Run {
    std::filesystem::path workFolder;
    ~Run()
    {
        std::error_code ec;
        if (!workFolder.empty())
            std::filesystem::remove_all(workFolder, ec);
    }
};

// grdlandmask marks the nodes of a region's edge rows and columns as land
// whatever lies there, so every run covers one more node on each side and
// those are dropped.
pid_t Start(const PixelGrid& grid, const Columns& columns, char resolution, const Band& band)
{
    const std::string region = "-R" + Number(columns.west) + "/" + Number(columns.east) + "/" +
                               Number(grid.latitude(double(band.first + band.rows))) + "/" +
                               Number(grid.latitude(double(band.first) - 1.0));
    const std::string spacing =
        "-I" + std::to_string(columns.nodes + 2) + "+n/" + std::to_string(band.nodes + 2) + "+n";
    const std::string shore = std::string("-D") + resolution;
    // Round the whole world a river's lakes are narrower than a pixel and
    // would paint as coastline strokes across the land: GMT's "+l" leaves
    // them out and keeps the other lakes.
    const std::string lakes = columns.world ? "-A0+l" : "-A0";
    std::vector<std::string> words = {"gmt",   "grdlandmask",   region,
                                      spacing, shore,           "-N0/1/2/3/4",
                                      lakes,   "-Gband.grd=bb", "--GMT_HISTORY=false"};
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string folder = band.folder.string();
    const pid_t pid = fork();
    if (pid == 0) {
        // Each run in a folder of its own, so GMT's session files never meet.
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        execvp("gmt", argv.data());
        _exit(127);
    }
    return pid;
}

bool Collect(const PixelGrid& grid, const Columns& columns, const Band& band,
             std::vector<std::uint8_t>& levels, std::string& error)
{
    const std::filesystem::path file = band.folder / "band.grd";
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t across = columns.nodes + 2;
    const std::size_t cells = across * (band.nodes + 2);
    if (bytes.size() != kNativeHeader + cells) {
        error = "gmt grdlandmask wrote " + std::to_string(bytes.size()) + " bytes for rows " +
                std::to_string(band.first) + "+" + std::to_string(band.rows) + ", expected " +
                std::to_string(kNativeHeader + cells);
        return false;
    }
    // Rows come north first, as the chart's do; each pixel row takes the
    // grid row nearest its latitude (its own one when they are one a row).
    const double north = grid.latitude(double(band.first) - 1.0);
    const double south = grid.latitude(double(band.first + band.rows));
    const double step = (north - south) / (band.nodes + 1);
    std::vector<std::size_t> column(grid.width);
    const double step_across = (columns.east - columns.west) / (columns.nodes + 1);
    for (std::size_t x = 0; x < grid.width; ++x) {
        column[x] = x + 1;
        if (columns.world) {
            const double at = (grid.longitude(double(x)) - columns.west) / step_across;
            column[x] = std::size_t(std::clamp(std::lround(at), 0L, long(columns.nodes + 1)));
        }
    }
    for (std::size_t row = 0; row < band.rows; ++row) {
        std::size_t node = row + 1;
        if (band.nodes != band.rows) {
            const double at = (north - grid.latitude(double(band.first + row))) / step;
            node = std::size_t(std::clamp(std::lround(at), 1L, long(band.nodes)));
        }
        for (std::size_t x = 0; x < grid.width; ++x)
            levels[(band.first + row) * grid.width + x] =
                std::uint8_t(bytes[kNativeHeader + node * across + column[x]]);
    }
    return true;
}

}   // namespace

bool ComputeLandLevels(const PixelGrid& grid, char resolution, unsigned processes,
                       std::vector<std::uint8_t>& levels, std::string& error)
{
    if (grid.width < 1 || grid.height < 1) {
        error = "a land mask needs at least one pixel";
        return false;
    }
    Run run;
    std::error_code ec;
    char pattern[] = "/tmp/hcrf-landmask-XXXXXX";
    if (!mkdtemp(pattern)) {
        error = "cannot make a temporary folder for gmt";
        return false;
    }
    run.workFolder = pattern;

    std::vector<Band> bands;
    for (unsigned first = 0; first < grid.height; first += kBandRows) {
        const unsigned rows = std::min(kBandRows, grid.height - first);
        bands.push_back(
            {first, rows, run.workFolder / std::to_string(first), BandNodes(grid, first, rows)});
    }
    for (const auto& band : bands)
        std::filesystem::create_directory(band.folder, ec);

    levels.assign(std::size_t(grid.width) * grid.height, 0);
    const Columns columns = GridColumns(grid);
    std::map<pid_t, const Band*> running;
    std::size_t next = 0;
    bool ok = true;
    while (next < bands.size() || !running.empty()) {
        while (ok && next < bands.size() && running.size() < std::max(1u, processes)) {
            const pid_t pid = Start(grid, columns, resolution, bands[next]);
            if (pid < 0) {
                error = "cannot start gmt";
                ok = false;
                break;
            }
            running[pid] = &bands[next++];
        }
        if (running.empty())
            break;
        int status = 0;
        const pid_t done = waitpid(-1, &status, 0);
        if (done < 0) {
            error = "lost track of the gmt processes";
            return false;
        }
        const auto it = running.find(done);
        if (it == running.end())
            continue;
        const Band* band = it->second;
        running.erase(it);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            if (ok)
                error = WIFEXITED(status) && WEXITSTATUS(status) == 127
                            ? "gmt was not found: install the packages of scripts/deps.sh"
                            : "gmt grdlandmask failed";
            ok = false;
            continue;
        }
        if (ok && !Collect(grid, columns, *band, levels, error))
            ok = false;
    }
    return ok;
}

}   // namespace hcrftool
