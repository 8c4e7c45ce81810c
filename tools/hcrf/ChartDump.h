#pragma once
// Text dump of a raster chart set through the chart readers, and one decoded
// tile as a PNG.

#include <filesystem>
#include <ostream>
#include <string>

namespace hcrftool {

struct DumpOptions {
    bool tiles = true;   // list every index entry
    bool codeTables = true;   // list all 256 entries of both code tables
    int tileColumn = -1, tileRow = -1;
    bool tileLowResolution = false;
    std::filesystem::path png;   // where the chosen tile goes
};

// Returns the process exit status: 0 when every file read and every tile decoded.
int DumpChart(const std::filesystem::path& chartFile, const DumpOptions& options,
              std::ostream& out);

}   // namespace hcrftool
