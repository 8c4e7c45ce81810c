#pragma once
// Small S-57 cells for the tests, written through GDAL's S-57 writer near
// Seattle: a depth area with a hole, a coastline, a buoy and soundings shown
// from 1:21999 on.

#include <filesystem>
#include <string>

namespace vtest {

// Writes "<folder>/<stem>.000"; false when GDAL refused. `buoyFeature`, when
// given, receives the buoy's feature record number, for an update to name.
bool WriteSampleCell(const std::filesystem::path& folder, const std::string& stem,
                     int* buoyFeature = nullptr);

// The bytes of a vector chart file of the current format as the first format
// wrote them: without the table of the features' smallest display scales.
std::string AsFirstFormat(const std::string& bytes);
// The bytes of a vector chart file with their CRC-32 (the last four bytes)
// made to match the rest again.
std::string Resealed(std::string bytes);

}   // namespace vtest
