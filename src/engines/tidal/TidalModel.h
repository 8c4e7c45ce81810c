#pragma once
// One loaded tidal model: its grid of complex harmonic constants, its
// measured stations and the astronomy of the years it covers. A prediction
// sums the constituents of the four cells around a position at one instant
// and blends the four answers bilinearly (each stream first turned onto its
// cell's ebb direction when it ebbs). Within kStationReachKm of measured
// stations their own sums weigh in by inverse distance, growing without
// bound towards a station, so at a station's own position the answer is the
// station's, even where its cell is land. The cosines of the last instant are
// kept, so a grid of positions at one time costs one set of them.

#include "Constituents.h"
#include "ModelFiles.h"

#include <vector>

namespace tidal {

struct Prediction {
    double height = 0;   // metres above mean sea level
    double east = 0;   // stream, metres per second
    double north = 0;
};

// Within this distance of a station its own sum weighs in; within
// kAtStationKm of a stream station the answer counts as the station's (code 0).
inline constexpr double kStationReachKm = 1.5;
inline constexpr double kAtStationKm = 0.5;
// A position this close to a station is the station's own, whatever its cell.
inline constexpr double kOwnPositionKm = 0.1;

class CTidalModel {
public:
    // Takes a checked model; kUnknownConstituent when a name is not ours.
    Code Load(const ModelHeader& header, const ModelData& data);

    const ModelHeader& header() const { return header_; }
    int firstYear() const { return firstYear_; }
    int lastYear() const { return firstYear_ + int(years_.size()) - 1; }

    // Position in degrees; time as seconds since 1970-01-01 00:00 UTC.
    // Returns the code; `out` is written only for codes -3..0.
    Code Predict(double lat, double lon, long long unixSeconds, Prediction& out);

private:
    struct Series {
        std::vector<double> re, im;   // amplitude x cos/sin(phase), one per constituent
    };
    struct Cell {
        CellQuality quality;
        Series height, east, north;
        double meanHeight, meanEast, meanNorth;
        double floodEast, floodNorth;   // unit vector along the flood
        double turnCos, turnSin;   // the ebb turn
    };
    struct Station {
        bool stream;
        double lat, lon;
        std::size_t cell;   // index of the water cell it was put in
        Cell constants;
    };
    bool PrepareInstant(long long unixSeconds);
    // The cell's sum at the prepared instant, its ebb turned.
    Prediction Sum(const Cell& c) const;

    std::vector<Station> stations_;
    ModelHeader header_;
    int firstYear_ = 0;
    std::vector<YearArguments> years_;
    std::vector<std::size_t> index_;   // constituent of each stored column
    std::vector<Cell> cells_;
    // The instant whose terms are cached: f cos(arg), f sin(arg) per column.
    long long cachedInstant_ = 0;
    bool cacheValid_ = false;
    std::vector<double> cosTerm_, sinTerm_;
};

// Seconds since 1970-01-01 00:00 UTC of a civil UTC time; false when a field
// is out of range.
bool UtcSeconds(int year, int month, int day, int hour, int minute, int second, long long& out);

}   // namespace tidal
