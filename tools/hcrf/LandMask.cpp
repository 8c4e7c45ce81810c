#include "LandMask.h"

#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>

namespace hcrftool {

namespace {

// Rows per grdlandmask run. Pixel rows are evenly spaced in Mercator
// northing, not in latitude; over 128 rows of the sample charts treating them
// as evenly spaced in latitude is off by well under a tenth of a pixel.
constexpr unsigned kBandRows = 128;
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
};

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
pid_t Start(const PixelGrid& grid, char resolution, const Band& band)
{
    const std::string region = "-R" + Number(grid.longitude(-1.0)) + "/" +
                               Number(grid.longitude(grid.width)) + "/" +
                               Number(grid.latitude(double(band.first + band.rows))) + "/" +
                               Number(grid.latitude(double(band.first) - 1.0));
    const std::string spacing =
        "-I" + std::to_string(grid.width + 2) + "+n/" + std::to_string(band.rows + 2) + "+n";
    const std::string shore = std::string("-D") + resolution;
    std::vector<std::string> words = {"gmt",   "grdlandmask",   region,
                                      spacing, shore,           "-N0/1/2/3/4",
                                      "-A0",   "-Gband.grd=bb", "--GMT_HISTORY=false"};
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

bool Collect(const PixelGrid& grid, const Band& band, std::vector<std::uint8_t>& levels,
             std::string& error)
{
    const std::filesystem::path file = band.folder / "band.grd";
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t across = grid.width + 2;
    const std::size_t cells = across * (band.rows + 2);
    if (bytes.size() != kNativeHeader + cells) {
        error = "gmt grdlandmask wrote " + std::to_string(bytes.size()) + " bytes for rows " +
                std::to_string(band.first) + "+" + std::to_string(band.rows) + ", expected " +
                std::to_string(kNativeHeader + cells);
        return false;
    }
    // Rows come north first, as the chart's do.
    for (std::size_t row = 0; row < band.rows; ++row)
        for (std::size_t x = 0; x < grid.width; ++x)
            levels[(band.first + row) * grid.width + x] =
                std::uint8_t(bytes[kNativeHeader + (row + 1) * across + x + 1]);
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
        bands.push_back({first, rows, run.workFolder / std::to_string(first)});
    }
    for (const auto& band : bands)
        std::filesystem::create_directory(band.folder, ec);

    levels.assign(std::size_t(grid.width) * grid.height, 0);
    std::map<pid_t, const Band*> running;
    std::size_t next = 0;
    bool ok = true;
    while (next < bands.size() || !running.empty()) {
        while (ok && next < bands.size() && running.size() < std::max(1u, processes)) {
            const pid_t pid = Start(grid, resolution, bands[next]);
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
        if (ok && !Collect(grid, *band, levels, error))
            ok = false;
    }
    return ok;
}

}   // namespace hcrftool
