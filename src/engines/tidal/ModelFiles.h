#pragma once
// The two files of a tidal model.
//
// ".tid", text: line 1 "<tag> <rows> <columns>", line 2 "<longitude step>
// <latitude step> <west longitude> <north latitude>" (degrees, blank
// separated, '.' decimals). Row 0 is the northern edge, column 0 the western.
//
// ".dat", binary, little-endian:
//   "BVTM", u16 version (1 or 2), u16 0,
//   u32 rows, u32 columns, i32 first year, u32 years,
//   u32 constituent count n, [version 2: u32 station count s,]
//   n names of 8 bytes (zero-padded),
//   per cell, row by row: u8 quality, then for the height, the east stream and
//   the north stream n pairs of f32 amplitude and f32 phase (degrees, Greenwich,
//   UTC), then f32 mean height, f32 mean east, f32 mean north,
//   [version 2: f32 flood direction, f32 ebb turn (both degrees)];
//   [version 2: per station: u8 kind (0 tide, 1 stream), f64 latitude,
//   f64 longitude, u32 row and u32 column of the water cell it was put in,
//   then a cell record as above without the quality byte;]
//   u32 CRC-32 of every byte before it.
// Heights are metres from mean sea level, streams metres per second. The
// east and north constants of a stream give it along its flood axis; where
// it runs against the flood, the ebb turn (ebb direction less the flood's
// opposite) turns it onto the measured ebb direction. Version 1 files have
// no stations and an ebb turn of 0: every ebb runs opposite the flood.

#include "TidalCodes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tidal {

struct ModelHeader {
    int rows = 0, columns = 0;
    double lonStep = 0, latStep = 0, west = 0, north = 0;
};

// Cell qualities stored in the ".dat" file.
enum class CellQuality : std::uint8_t {
    Land = 0,
    Station = 1,   // a measured station's own constants
    Interpolated = 2,   // near stations
    Marginal = 3,   // beside land or far from stations
    Remote = 4,   // too far from any station to be used
};

struct Harmonic {
    float amplitude = 0, phase = 0;
};

struct ModelCell {
    CellQuality quality = CellQuality::Land;
    std::vector<Harmonic> height, east, north;   // one per constituent
    float meanHeight = 0, meanEast = 0, meanNorth = 0;
    float floodDirection = 0;   // degrees true, towards
    float ebbTurn = 0;   // degrees, -180..180
};

// A measured station at its own position, with its own constants: near it
// the model's answer is the station's.
struct ModelStation {
    enum class Kind : std::uint8_t { Tide = 0, Stream = 1 };
    Kind kind = Kind::Tide;
    double latitude = 0, longitude = 0;
    int row = 0, column = 0;   // the water cell it was put in
    ModelCell constants;   // quality unused
};

struct ModelData {
    int rows = 0, columns = 0;
    int firstYear = 0, years = 0;
    std::vector<std::string> constituents;
    std::vector<ModelCell> cells;   // rows x columns, row by row
    std::vector<ModelStation> stations;
};

inline constexpr int kMaxGridSide = 4096;
inline constexpr std::size_t kMaxConstituents = 64;
inline constexpr int kMaxYears = 1000;
inline constexpr std::size_t kMaxStations = 4096;

// Reads the ".tid" lines; kGood, kHeaderOpen or kHeaderRead.
Code ReadModelHeader(const std::filesystem::path& file, ModelHeader& header);
Code ParseModelHeader(const std::string& text, ModelHeader& header);
std::string FormatModelHeader(const ModelHeader& header);

// Reads and checks a ".dat" file; kGood, kDataOpen or kDataRead. Sizes are
// checked against the file's length before anything is allocated.
Code ReadModelData(const std::filesystem::path& file, ModelData& data);
Code ParseModelData(const std::uint8_t* bytes, std::size_t size, ModelData& data);
// Writes version 2.
std::vector<std::uint8_t> SerialiseModelData(const ModelData& data);
// The older layout (no stations, no ebb turns), kept for the tests of
// files written before.
std::vector<std::uint8_t> SerialiseModelDataVersion1(const ModelData& data);

// Writes both files, each through a locked temp file renamed into place
// (platform::WriteFileAtomically); false with a reason, no temp file left.
bool WriteModel(const std::filesystem::path& tidFile, const ModelHeader& header,
                const ModelData& data, std::string& error);

}   // namespace tidal
