#pragma once
// Land and water per chart pixel from GMT's shorelines: `gmt grdlandmask`
// runs on bands of pixel rows whose grid nodes lie at the pixels' positions,
// or, where the rows or the columns cannot be one a node (a world chart),
// close enough that each pixel takes its nearest node.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hcrftool {

// GMT's shoreline levels as grdlandmask numbers them.
enum LandLevel : std::uint8_t { Ocean = 0, Land = 1, Lake = 2, IslandInLake = 3, Pond = 4 };

inline bool IsLandLevel(std::uint8_t level)
{
    return level == Land || level == IslandInLake;
}

// Where each pixel lies: the longitude of column x (same for every row) and
// the latitude of row y, both at the pixel's own chart point; asked also one
// pixel beyond each edge.
struct PixelGrid {
    unsigned width = 0, height = 0;
    std::function<double(double x)> longitude;
    std::function<double(double y)> latitude;
};

// Fills `levels` (width x height, rows top first) with the shoreline level at
// each pixel. `resolution` is GMT's letter: 'f' full, 'h' high. At most
// `processes` gmt processes run at once. False with a reason when gmt is
// missing or fails.
bool ComputeLandLevels(const PixelGrid& grid, char resolution, unsigned processes,
                       std::vector<std::uint8_t>& levels, std::string& error);

}   // namespace hcrftool
