#include "SampleArt.h"

#include "BitmapFont.h"
#include "LandMask.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hcrftool {

std::vector<Rgb> SamplePalette()
{
    return {
        {255, 255, 255},   // open water
        {222, 238, 250},   // far
        {190, 220, 244},   // mid
        {156, 200, 236},   // near
        {242, 224, 168},   // land
        {176, 214, 238},   // lake
        {28, 28, 36},   // ink on water
        {28, 28, 36},   // ink on land
        {120, 150, 180},   // tint edge
        {200, 0, 140},   // magenta on water
        {252, 252, 248},   // paper on water
        {252, 252, 248},   // paper on land
        {200, 0, 140},   // magenta on land
    };
}

bool IsLandPaint(std::uint8_t paint)
{
    return paint == LandFill || paint == InkLand || paint == PaperLand || paint == MagentaLand;
}

namespace {

// One line of the distance transform (Felzenszwalb and Huttenlocher): the
// lower envelope of parabolas rooted at each sample's squared distance.
void Distance1D(const float* f, float* d, std::size_t n, std::vector<std::size_t>& v,
                std::vector<double>& z)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr double kFar = std::numeric_limits<double>::infinity();
    std::size_t k = 0;
    v[0] = 0;
    z[0] = -kFar;
    z[1] = kFar;
    for (std::size_t q = 1; q < n; ++q) {
        if (f[q] == kInf)
            continue;
        if (f[v[0]] == kInf) {   // no parabola yet
            v[0] = q;
            continue;
        }
        double s;
        for (;;) {
            const double p = double(v[k]), r = double(q);
            s = ((double(f[q]) + r * r) - (double(f[v[k]]) + p * p)) / (2.0 * (r - p));
            if (s > z[k] || k == 0)
                break;
            --k;
        }
        if (s <= z[k]) {   // k == 0 and the new parabola is lower everywhere
            v[0] = q;
            continue;
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = kFar;
    }
    if (f[v[0]] == kInf) {
        std::fill(d, d + n, kInf);
        return;
    }
    k = 0;
    for (std::size_t q = 0; q < n; ++q) {
        while (z[k + 1] < double(q))
            ++k;
        const float dq = float(q) - float(v[k]);
        d[q] = dq * dq + f[v[k]];
    }
}

}   // namespace

std::vector<float> DistanceTo(unsigned width, unsigned height,
                              const std::function<bool(std::size_t)>& feature)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const std::size_t n = std::size_t(width) * height;
    std::vector<float> grid(n);
    for (std::size_t i = 0; i < n; ++i)
        grid[i] = feature(i) ? 0.0f : kInf;
    const std::size_t longest = std::max(width, height);
    std::vector<float> in(longest), out(longest);
    std::vector<double> z(longest + 1);
    std::vector<std::size_t> v(longest);
    for (unsigned x = 0; x < width; ++x) {
        for (unsigned y = 0; y < height; ++y)
            in[y] = grid[std::size_t(y) * width + x];
        Distance1D(in.data(), out.data(), height, v, z);
        for (unsigned y = 0; y < height; ++y)
            grid[std::size_t(y) * width + x] = out[y];
    }
    for (unsigned y = 0; y < height; ++y) {
        float* row = &grid[std::size_t(y) * width];
        std::copy_n(row, width, in.data());
        Distance1D(in.data(), row, width, v, z);
    }
    for (float& d : grid)
        d = d == kInf ? 1e9f : std::sqrt(d);
    return grid;
}

IndexedImage PaintLandAndWater(unsigned width, unsigned height,
                               const std::vector<std::uint8_t>& levels, double metresPerPixel,
                               double coastPixels)
{
    IndexedImage image;
    image.width = width;
    image.height = height;
    image.palette = SamplePalette();
    image.pixels.resize(std::size_t(width) * height);
    const auto offshore =
        DistanceTo(width, height, [&](std::size_t i) { return IsLandLevel(levels[i]); });
    const auto inland =
        DistanceTo(width, height, [&](std::size_t i) { return !IsLandLevel(levels[i]); });
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        std::uint8_t paint;
        if (IsLandLevel(levels[i])) {
            paint = inland[i] <= coastPixels ? InkLand : LandFill;
        } else if (levels[i] != Ocean) {
            paint = LakeFill;
        } else {
            const double metres = offshore[i] * metresPerPixel;
            paint = metres < 150    ? NearWater
                    : metres < 400  ? MidWater
                    : metres < 1000 ? FarWater
                                    : OpenWater;
        }
        image.pixels[i] = paint;
    }
    // A thin line where one tint meets the next.
    auto tint = [](std::uint8_t p) { return p <= NearWater; };
    for (unsigned y = 0; y + 1 < height; ++y)
        for (unsigned x = 0; x + 1 < width; ++x) {
            std::uint8_t& p = image.pixels[std::size_t(y) * width + x];
            const std::uint8_t right = image.pixels[std::size_t(y) * width + x + 1];
            const std::uint8_t below = image.pixels[std::size_t(y + 1) * width + x];
            if (tint(p) && ((tint(right) && right > p) || (tint(below) && below > p)))
                p = TintEdge;
        }
    return image;
}

std::uint8_t ChartPen::PaintAt(int x, int y, Colour colour) const
{
    const bool land = IsLandPaint(m_image.At(unsigned(x), unsigned(y)));
    switch (colour) {
    case Colour::Ink: return land ? InkLand : InkWater;
    case Colour::Paper: return land ? PaperLand : PaperWater;
    case Colour::Magenta: return land ? MagentaLand : MagentaWater;
    }
    return InkWater;
}

void ChartPen::Dot(int x, int y, Colour colour)
{
    if (x < 0 || y < 0 || x >= int(m_image.width) || y >= int(m_image.height))
        return;
    m_image.pixels[std::size_t(y) * m_image.width + unsigned(x)] = PaintAt(x, y, colour);
}

void ChartPen::Fill(int x1, int y1, int x2, int y2, Colour colour)
{
    for (int y = std::max(0, y1); y < std::min(int(m_image.height), y2); ++y)
        for (int x = std::max(0, x1); x < std::min(int(m_image.width), x2); ++x)
            Dot(x, y, colour);
}

void ChartPen::Frame(int x1, int y1, int x2, int y2, int thickness, Colour colour)
{
    Fill(x1, y1, x2, y1 + thickness, colour);
    Fill(x1, y2 - thickness, x2, y2, colour);
    Fill(x1, y1, x1 + thickness, y2, colour);
    Fill(x2 - thickness, y1, x2, y2, colour);
}

void ChartPen::Disc(double cx, double cy, double radius, Colour colour)
{
    Ring(cx, cy, radius / 2, radius, colour);
}

void ChartPen::Ring(double cx, double cy, double radius, double thickness, Colour colour)
{
    const int r = int(std::ceil(radius + thickness));
    for (int y = int(cy) - r; y <= int(cy) + r; ++y)
        for (int x = int(cx) - r; x <= int(cx) + r; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            if (std::fabs(d - radius) <= thickness / 2)
                Dot(x, y, colour);
        }
}

void ChartPen::Line(double x1, double y1, double x2, double y2, double thickness, Colour colour)
{
    const double length = std::hypot(x2 - x1, y2 - y1);
    const int steps = std::max(1, int(std::ceil(length * 2)));
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        Disc(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t, thickness / 2, colour);
    }
}

void ChartPen::Text(int x, int y, const std::string& text, int scale, Colour colour)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto glyph = Glyph(text[i]);
        const int gx = x + int(i) * kGlyphAdvance * scale;
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < kGlyphWidth; ++col)
                if (glyph[std::size_t(row)] & (1u << (kGlyphWidth - 1 - col)))
                    Fill(gx + col * scale, y + row * scale, gx + (col + 1) * scale,
                         y + (row + 1) * scale, colour);
    }
}

void ChartPen::Border(int margin, double unitMinutes, const std::function<double(int y)>& latitude,
                      const std::function<double(int x)>& longitude)
{
    const int w = int(m_image.width), h = int(m_image.height);
    constexpr int kStrip = 20;
    // Paper outside the strip.
    const int paper = margin - kStrip;
    Fill(0, 0, w, paper, Colour::Paper);
    Fill(0, h - paper, w, h, Colour::Paper);
    Fill(0, 0, paper, h, Colour::Paper);
    Fill(w - paper, 0, w, h, Colour::Paper);
    // The strip: outer line, alternating units, neatline.
    auto unitParity = [&](double degrees) {
        return (long long)std::floor(degrees * 60.0 / unitMinutes) % 2 != 0;
    };
    for (int y = paper; y < h - paper; ++y) {
        const bool ink = unitParity(latitude(y));
        for (int d = paper; d < margin; ++d) {
            const bool line = d < paper + 2 || d >= margin - 2;
            const Colour c = line || ink ? Colour::Ink : Colour::Paper;
            if (y < margin || y >= h - margin) {
                if (d == paper || d == paper + 1) {
                    Dot(d, y, Colour::Ink);
                    Dot(w - 1 - d, y, Colour::Ink);
                }
                continue;
            }
            Dot(d, y, c);
            Dot(w - 1 - d, y, c);
        }
    }
    for (int x = paper; x < w - paper; ++x) {
        const bool ink = unitParity(longitude(x));
        for (int d = paper; d < margin; ++d) {
            const bool line = d < paper + 2 || d >= margin - 2;
            const Colour c = line || ink ? Colour::Ink : Colour::Paper;
            if (x < margin || x >= w - margin) {
                if (d == paper || d == paper + 1) {
                    Dot(x, d, Colour::Ink);
                    Dot(x, h - 1 - d, Colour::Ink);
                }
                continue;
            }
            Dot(x, d, c);
            Dot(x, h - 1 - d, c);
        }
    }
}

std::pair<int, int> ChartPen::TextBoxSize(const std::vector<Line_>& lines, int padding)
{
    int width = 0, height = 0;
    for (const auto& line : lines) {
        width = std::max(width, TextWidth(line.text, line.scale));
        height += (kGlyphHeight + 4) * line.scale;
    }
    return {width + 2 * padding, height + 2 * padding};
}

std::pair<int, int> ChartPen::TextBox(int x, int y, const std::vector<Line_>& lines, int padding)
{
    const auto [w, h] = TextBoxSize(lines, padding);
    Fill(x, y, x + w, y + h, Colour::Paper);
    Frame(x, y, x + w, y + h, 3, Colour::Ink);
    int ty = y + padding + 2;
    for (const auto& line : lines) {
        Text(x + (w - TextWidth(line.text, line.scale)) / 2, ty, line.text, line.scale,
             Colour::Ink);
        ty += (kGlyphHeight + 4) * line.scale;
    }
    return {w, h};
}

}   // namespace hcrftool
