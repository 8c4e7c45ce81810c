#pragma once
// The texts a vector chart's information block stands for: datums, depth
// units, buoyage, orientation and projection, and the chart's notes cleaned
// for one line of text.

#include <cstdint>
#include <string>
#include <string_view>

namespace vengine {
class CChartInfoBlock;
}

namespace charts {

// Height and depth datum codes (S-57 vertical and sounding datums).
std::string DatumLevelText(int code);
// 1 metres, 2 feet, 3 fathoms, 4 the block's own text; else empty.
std::string DepthUnitsText(int code, std::string_view ownText);
// 1 IALA A ... 8 SIGNI; else empty.
std::string BuoyageText(int code);

struct ChartOrientation {
    bool crossesDateLine = false;
    std::string orientation;   // "North up", "North up,crossing Date Line", "Polar"
    std::string projection;   // "UT Mercator", "North pole", "South pole"
};
ChartOrientation OrientationFromFlags(std::uint8_t flags);

// The datum table's index for the block's horizontal datum: S-57's code at
// 38 (or the code at 39 when 38 is 0 or 255) mapped by the datum's name;
// anything unknown gives the fallback datum.
std::uint16_t DatumIndexFromCodes(int code38, int code39);

// Every control character a blank, runs of blanks one, no blank in front.
std::string CleanNotes(std::string_view notes);

// "1:<scale>", empty for 0.
std::string ScaleText(std::int32_t scale);

}   // namespace charts
