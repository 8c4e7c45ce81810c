#pragma once
// Drawing a vector chart's features through the drawing layer: depth areas in
// four bands, land, coastline, contours, soundings, lights and buoys as simple
// symbols, other classes plain. Colours are indices into the document's 16
// colours, taken from the DC's current palette (Day, Dusk or Night).

#include <algorithm>
#include <cstdint>

#include "chart/draw/XDC.h"
#include "engines/vector/VChartStore.h"
#include "geo/Position.h"

namespace charts {

// The nominal size of a screen pixel, metres: display scales are worked out
// with it, as chart scales are for a standard display.
inline constexpr double kNominalPixelMetres = 0.00028;

// Degrees east from `west` to `east`, across the date line when the chart
// crosses it and `west` is not west of `east`.
inline double LongitudeSpan(double west, double east, bool crossesDateLine)
{
    return crossesDateLine && west >= east ? east - west + 360.0 : east - west;
}

// The vector base's linear mapping of positions to view pixels, computed once
// per drawing: the same arithmetic as CVectorChartDoc::PositionToPoint, so the
// chart and the overlays placed through it meet.
class CLinearProjection {
public:
    CLinearProjection(const geo::CPosition& northWest, const geo::CPosition& southEast,
                      const geo::IntRect& visible, bool crossesDateLine = false);
    bool IsValid() const { return m_valid; }
    // A coordinate in 1e-7 degree to a view point (a chart's every point goes
    // through here on every drawing, so it is kept inline).
    geo::IntPoint ToPoint(std::int32_t lonUnits, std::int32_t latUnits) const
    {
        const double lon = lonUnits * 1e-7, lat = latUnits * 1e-7;
        // Across the date line west longitudes go on past 180 (chosen
        // without a branch: points of both signs come mixed).
        const double d = lon - m_west + (m_wraps && lon < 0.0 ? 360.0 : 0.0);
        return {Pixel(m_left, d / m_lonSpan * m_width),
                Pixel(m_top, (m_north - lat) / m_latSpan * m_height)};
    }
    // The shown area in 1e-7 degree, for the grid index.
    vengine::VBounds Area() const;
    // The denominator of the scale shown: the ground a pixel spans north to
    // south over the nominal pixel; 0 when the projection is not valid.
    double DisplayScale() const;

private:
    // `origin` and the whole pixels of `offset` (toward zero), kept well
    // inside what the painters take: such points lie far off the view. The
    // offset is cut first so the whole pixels come from a plain conversion.
    static int Pixel(double origin, double offset)
    {
        const double whole = double(std::int64_t(std::clamp(offset, -4e6, 4e6)));
        return int(std::clamp(origin + whole, -1e6, 1e6));
    }

    bool m_valid = false;
    bool m_crosses = false;
    double m_north = 0, m_west = 0, m_south = 0, m_east = 0;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    // The spans in degrees east and south; the view runs across the date
    // line when `m_wraps`.
    bool m_wraps = false;
    double m_lonSpan = 0, m_latSpan = 0;
};

// Colour indices into the 16 vector colours.
enum VectorColour : int {
    kVcBlack = 0,
    kVcBlue = 1,
    kVcGreen = 2,
    kVcMediumBlue = 3,
    kVcRed = 4,
    kVcMagenta = 5,
    kVcBrown = 6,
    kVcWhite = 7,
    kVcGrey = 8,
    kVcPaleBlue = 9,
    kVcBrightGreen = 10,
    kVcCyan = 11,
    kVcRed2 = 12,
    kVcPurple = 13,
    kVcLand = 14,
    kVcWhite2 = 15
};

// The colour index of a depth area by its shallower limit (DRVAL1, metres):
// drying, 0 to 5, 5 to 20, deeper.
int DepthBandColour(double drval1);
// The first S-57 COLOUR code of a list such as "3,1" as a colour index.
int MarkColour(std::string_view colourList);

// Draws the features in view that are shown at 1:`displayScale` (a feature
// whose SCAMIN is smaller is left out; 0 draws every feature).
void DrawVectorChart(chart::CXDC& dc, const vengine::CVChartView& chart,
                     const CLinearProjection& projection, double displayScale);

}   // namespace charts
