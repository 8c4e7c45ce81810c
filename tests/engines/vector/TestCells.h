#pragma once
// Small S-57 cells for the tests, written through GDAL's S-57 writer near
// Seattle: a depth area with a hole, a coastline, a buoy and soundings.

#include <filesystem>
#include <string>

namespace vtest {

// Writes "<folder>/<stem>.000"; false when GDAL refused. `buoyFeature`, when
// given, receives the buoy's feature record number, for an update to name.
bool WriteSampleCell(const std::filesystem::path& folder, const std::string& stem,
                     int* buoyFeature = nullptr);

}   // namespace vtest
