#pragma once
// What a drawing context forwards to. The program draws with Qt's painter on
// images and windows; tests use the recording backend, which logs each call
// with the pen, brush and raster operation in force.
//
// The context keeps the selected objects and the current position; it tells
// the backend whenever one changes, so the backend never has to ask. Points
// and rectangles are device pixels; rectangles exclude their right and bottom
// edges, as the chart code has always drawn them.

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "chart/draw/AreaFill.h"
#include "chart/draw/DrawTypes.h"
#include "chart/draw/SymbolStamp.h"

namespace chart {

class CDrawBackend {
public:
    virtual ~CDrawBackend() = default;

    virtual void SetPen(const Pen& pen) = 0;
    virtual void SetBrush(const Brush& brush) = 0;
    virtual void SetFont(const Font& font) = 0;
    virtual void SetRop2(Rop2 rop) = 0;
    virtual void SetTextColour(COLORREF colour) = 0;
    virtual void SetBkColour(COLORREF colour) = 0;
    virtual void SetBkMode(BkMode mode) = 0;
    virtual void SetTextAlign(unsigned align) = 0;

    // A line from `from` to `to`, the end pixel left out.
    virtual void Line(IntPoint from, IntPoint to) = 0;
    virtual void Polyline(std::span<const IntPoint> points) = 0;
    // A dot of the pen at each point (the dots of a dotted line), each the
    // line from the point to the point moved by `reach`: one pixel long for a
    // one-pixel pen (its end left out: the point's pixel), of no length for
    // a wider pen (its round dot).
    virtual void Dots(std::span<const IntPoint> points, IntPoint reach)
    {
        for (const IntPoint& p : points)
            Line(p, IntPoint{p.x + reach.x, p.y + reach.y});
    }
    // Outline with the pen, inside filled with the brush.
    virtual void Rectangle(const IntRect& rect) = 0;
    // Many rectangles with one pen and brush, in order (fix markers).
    virtual void Rectangles(std::span<const IntRect> rects)
    {
        for (const IntRect& r : rects)
            Rectangle(r);
    }
    virtual void Polygon(std::span<const IntPoint> points) = 0;
    // One polygon (`shape`, about 0,0) drawn at each of `places` in order,
    // with one pen and brush (the marks along a projected path).
    virtual void Polygons(std::span<const IntPoint> shape, std::span<const IntPoint> places)
    {
        std::vector<IntPoint> moved(shape.size());
        for (const IntPoint& at : places) {
            for (std::size_t i = 0; i < shape.size(); ++i)
                moved[i] = {shape[i].x + at.x, shape[i].y + at.y};
            Polygon(moved);
        }
    }
    // Several rings filled as one shape (alternate filling, so inner rings are
    // holes), each outlined; `counts` gives the rings' point counts in order.
    virtual void PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts) = 0;
    // Areas each filled with its own solid colour and no outline, in order;
    // each takes its rings' sizes from `ringSizes` in turn (the context has
    // checked them against the points). Here each is a PolyPolygon with its
    // brush and the null pen; the context selects its own pen and brush
    // again afterwards.
    virtual void FillAreas(std::span<const IntPoint> points, std::span<const int> ringSizes,
                           std::span<const AreaFill> areas)
    {
        SetPen(Pen{PenStyle::Null, 1, 0});
        std::size_t ring = 0, at = 0;
        for (const AreaFill& area : areas) {
            const auto sizes = ringSizes.subspan(ring, area.rings);
            std::size_t n = 0;
            for (int size : sizes)
                n += std::size_t(size);
            SetBrush(Brush{BrushStyle::Solid, area.colour});
            PolyPolygon(points.subspan(at, n), sizes);
            ring += area.rings;
            at += n;
        }
    }
    virtual void Ellipse(const IntRect& box) = 0;
    // The part of the ellipse in `box` from where the radial from its centre
    // through `start` crosses it to where the radial through `end` does.
    virtual void Arc(const IntRect& box, IntPoint start, IntPoint end, ArcDirection direction) = 0;
    // UTF-8 text at the reference point the alignment flags name.
    virtual void TextOut(IntPoint at, std::string_view text) = 0;
    virtual IntSize GetTextExtent(std::string_view text) = 0;
    virtual void PatBlt(const IntRect& rect, PatOp op) = 0;
    // Scales `source` (a part of RGB32 memory) into `dest`, nearest pixel.
    virtual void DrawPixels(const CPixelView& source, const IntRect& sourceRect,
                            const IntRect& dest) = 0;
    virtual int GetDeviceCaps(DeviceCap cap) const = 0;
    // The stamp put down at each point; on memory its pixels are copied in.
    virtual void Stamp(const CSymbolStamp& stamp, std::span<const IntPoint> points)
    {
        Flush();
        StampInto(Memory(), stamp, points);
    }
    // A backend of the same kind and resolution drawing into `memory`, for
    // drawings made once and then stamped; none when this one makes none.
    virtual std::unique_ptr<CDrawBackend> CreateForMemory(const CPixelView& /*memory*/) const
    {
        return nullptr;
    }

    // The RGB32 memory this backend draws into, when it draws into memory the
    // context may write directly (copies, indexed blits, pixel reads).
    virtual CPixelView Memory() const { return {}; }
    // Called before the context writes that memory itself, so drawing the
    // backend has queued lands first.
    virtual void Flush() { }
};

// Makes the backend for a block of RGB32 memory (the off-screen buffers).
// The window layer installs Qt's at start-up; without one, buffers record.
class CDrawBackendFactory {
public:
    virtual ~CDrawBackendFactory() = default;
    virtual std::unique_ptr<CDrawBackend> CreateForMemory(const CPixelView& memory) = 0;
};

void SetDrawBackendFactory(CDrawBackendFactory* factory);   // not owned; nullptr removes it
CDrawBackendFactory* GetDrawBackendFactory();

}   // namespace chart
