#pragma once
// Values the drawing context works with: pens, brushes, fonts, raster
// operations, the 256-entry tables that 8-bit chart images are drawn through,
// and views of pixel memory. Plain values: selecting one into a context
// copies it, so nothing is created or deleted per selection.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Colour.h"
#include "geo/Clipping.h"

namespace chart {

using app::COLORREF;
using geo::IntPoint;
using geo::IntRect;

struct IntSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const IntSize&) const = default;
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Null };

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;   // pixels; 0 draws as 1
    COLORREF colour = 0;
    bool operator==(const Pen&) const = default;
};

enum class BrushStyle { Solid, Hollow };

struct Brush {
    BrushStyle style = BrushStyle::Solid;
    COLORREF colour = app::RGB(255, 255, 255);
    bool operator==(const Brush&) const = default;
};

enum class StockObject {
    WhiteBrush,
    LightGrayBrush,
    GrayBrush,
    DarkGrayBrush,
    BlackBrush,
    NullBrush,
    WhitePen,
    BlackPen,
    NullPen,
};

// Logical font. The face names the program stores ("Arial", "MS Sans Serif",
// "Courier New", "System") are mapped by the backend to the desktop's sans,
// interface, monospace and bold interface fonts.
struct Font {
    std::string face = "MS Sans Serif";
    int height = 0;   // pixels; negative = character height, 0 = the backend's default
    int weight = 400;   // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    int escapement = 0;   // tenths of a degree, counter-clockwise from the x axis
    bool operator==(const Font&) const = default;
};

// Text alignment flags (combine one horizontal and one vertical).
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;

enum class BkMode { Transparent, Opaque };
enum class Rop2 { CopyPen, NotXorPen };
enum class ArcDirection { CounterClockwise, Clockwise };

// Pattern raster operations over a rectangle.
enum class PatOp { PatCopy, PatInvert, DstInvert, Blackness, Whiteness };

// Device capabilities asked of a context.
enum class DeviceCap { HorzRes, VertRes, LogPixelsX, LogPixelsY };

// 256 RGB32 pixels (0xFFRRGGBB): what each 8-bit index is drawn as.
using CPaletteTable = std::array<std::uint32_t, 256>;

// Rows of 8-bit indexes. A bottom-up image has `bits` at its top row and a
// negative stride.
struct CIndexedImage {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;   // bytes from one row to the next one down
};

// Rows of RGB32 pixels, top row first.
struct CPixelView {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;   // pixels from one row to the next
    bool IsValid() const { return bits && width > 0 && height > 0; }
    std::uint32_t* Row(int y) const { return bits + y * stride; }
};

}   // namespace chart
