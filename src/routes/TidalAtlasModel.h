#pragma once
// What the tidal atlas and the tidal stream window show, without a window:
// the grid of predicted arrows over a view's visible extent at one time, and
// the stream at one clicked position. Both keep their last answer and work
// again only when the extent, the time or the settings change, so a repaint
// costs no predictions.

#include "geo/Position.h"
#include "routes/TidalModule.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace routes {

struct TidalArrow {
    geo::CPosition position;
    double direction = 0;   // degrees true, towards
    double knots = 0;
    double height = 0;   // metres from mean sea level
    int style = 0;   // 0 station, 1 interpolated (blue), 2 beside land (red)
};

int ArrowStyleForCode(int code);

// The grid steps (degrees) for a visible extent, as the atlas chooses them.
struct AtlasSteps {
    double lat = 0, lon = 0;
};
AtlasSteps ChooseAtlasSteps(const CTidalDisplaySettings& settings, double north, double south,
                            double west, double east);

inline constexpr int kAtlasMaxPointsPerSide = 100;

class CTidalAtlasModel {
public:
    explicit CTidalAtlasModel(CTidalModule& tides) : m_tides(tides) { }

    struct Result {
        std::vector<TidalArrow> arrows;
        int stopCode = 0;   // a code that ended the grid early (1, 2, 5, 6, 13), else 0
        std::string stopText;   // its text, for the window's status line
        AtlasSteps steps;
        int points = 0;   // grid points visited
    };

    // The grid over the extent at `utc`. `onChart` tells whether a point lies
    // on the chart. Worked again only when something it depends on changed.
    const Result& Compute(const geo::CPosition& northWest, const geo::CPosition& southEast,
                          std::int64_t utc,
                          const std::function<bool(const geo::CPosition&)>& onChart);
    // Whether Compute would give the kept answer without predicting.
    bool IsCurrent(const geo::CPosition& northWest, const geo::CPosition& southEast,
                   std::int64_t utc) const;
    // The last answer worked out.
    const Result& Last() const { return m_result; }
    void Invalidate() { m_valid = false; }
    int Computations() const { return m_computations; }

private:
    CTidalModule& m_tides;
    Result m_result;
    bool m_valid = false;
    double m_key[5] = {};
    std::int64_t m_keyTime = 0;
    double m_keySpacing = 0;
    bool m_keyAutomatic = true;
    int m_computations = 0;
};

// The stream at one place and time, with its texts.
struct TidalStreamReading {
    int code = 0;
    bool usable = false;   // codes -2..0: the arrow is drawn
    double knots = 0, direction = 0, height = 0;
    std::string rateText, directionText, heightText;
    std::string message;   // the code's text (empty for 0), for the status line
};

TidalStreamReading ReadTidalStream(CTidalModelModule& models, const geo::CPosition& where,
                                   std::int64_t utc);

}   // namespace routes
