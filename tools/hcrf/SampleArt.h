#pragma once
// The look of the sample charts: land and water from shoreline levels, water
// tinted by distance offshore, a coastline, a graduated border, lettering and
// symbols. Every paint has a land form and a water form of the same colour,
// so a pixel's palette index always tells whether GMT put it on land.

#include "ImageIO.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hcrftool {

enum Paint : std::uint8_t {
    OpenWater = 0,   // beyond 1000 m offshore
    FarWater = 1,   // 400 - 1000 m
    MidWater = 2,   // 150 - 400 m
    NearWater = 3,   // under 150 m
    LandFill = 4,
    LakeFill = 5,   // lakes and ponds: inland water, no tints
    InkWater = 6,
    InkLand = 7,
    TintEdge = 8,   // the line between two tints
    MagentaWater = 9,
    PaperWater = 10,
    PaperLand = 11,
    MagentaLand = 12,
};

// The Day colours of the paints, index by index.
std::vector<Rgb> SamplePalette();

bool IsLandPaint(std::uint8_t paint);

// Land, water tints by distance offshore, tint edges and a coastline of
// `coastPixels` width on the land side. `levels` are GMT's shoreline levels.
IndexedImage PaintLandAndWater(unsigned width, unsigned height,
                               const std::vector<std::uint8_t>& levels, double metresPerPixel,
                               double coastPixels);

// Drawing that keeps each pixel's land or water class.
class ChartPen {
public:
    explicit ChartPen(IndexedImage& image) : m_image(image) { }

    enum class Colour { Ink, Paper, Magenta };

    void Dot(int x, int y, Colour colour);
    void Fill(int x1, int y1, int x2, int y2, Colour colour);   // [x1, x2) x [y1, y2)
    void Frame(int x1, int y1, int x2, int y2, int thickness, Colour colour);
    void Disc(double cx, double cy, double radius, Colour colour);
    void Ring(double cx, double cy, double radius, double thickness, Colour colour);
    void Line(double x1, double y1, double x2, double y2, double thickness, Colour colour);
    void Text(int x, int y, const std::string& text, int scale, Colour colour);

    // The border between the raster's edge and the neatline `margin` pixels
    // in: paper, with a strip of alternating ink and paper, one change per
    // `unitMinutes` of latitude (sides) or longitude (top and bottom).
    void Border(int margin, double unitMinutes, const std::function<double(int y)>& latitude,
                const std::function<double(int x)>& longitude);

    struct Line_ {
        std::string text;
        int scale = 3;
    };
    // A paper box with an ink frame holding lines of text; returns its size.
    std::pair<int, int> TextBox(int x, int y, const std::vector<Line_>& lines, int padding);
    static std::pair<int, int> TextBoxSize(const std::vector<Line_>& lines, int padding);

private:
    std::uint8_t PaintAt(int x, int y, Colour colour) const;
    IndexedImage& m_image;
};

// Euclidean distance in pixels from each pixel to the nearest pixel for
// which `feature` is true; a large value when there is none.
std::vector<float> DistanceTo(unsigned width, unsigned height,
                              const std::function<bool(std::size_t)>& feature);

}   // namespace hcrftool
