#pragma once
// The sample S-57 cells of Puget Sound made at build time: land and coastline
// from GMT's GSHHG shorelines clipped to each cell, depth areas as bands of
// distance from the shore, contours at their edges, soundings growing with
// that distance, lateral buoys (IALA B) and lights on the shore, and a
// caution area. Depths are invented: the cells say so and are titled as
// samples not for navigation.

#include <filesystem>
#include <string>

namespace vchart {

// Writes LCWORLD.000, US2WA01M.000 (Puget Sound), US4WA02M.000 (Admiralty
// Inlet) and US5WA03M.000 (Seattle harbour) into `folder`.
bool MakeSampleCells(const std::filesystem::path& folder, std::string& error);

}   // namespace vchart
