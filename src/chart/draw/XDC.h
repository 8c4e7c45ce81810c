#pragma once
// The drawing context all chart drawing goes through: selected pen, brush and
// font, text settings, raster operation, current position and the palette
// table of 8-bit blits, over a backend that does the drawing (Qt's painter in
// the program, a recorder in tests).
//
// Selections take and return values, so the guards below restore exactly
// what was selected before. A context without a backend draws nothing and
// answers false.

#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "chart/draw/DrawBackend.h"

namespace chart {

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

class CXDC {
public:
    CXDC() = default;
    explicit CXDC(std::unique_ptr<CDrawBackend> backend);
    virtual ~CXDC();
    CXDC(const CXDC&) = delete;
    CXDC& operator=(const CXDC&) = delete;

    bool IsAttached() const { return m_backend != nullptr; }
    // Replaces the backend and sends it the current selections.
    void Attach(std::unique_ptr<CDrawBackend> backend);
    std::unique_ptr<CDrawBackend> Detach();
    CDrawBackend* Backend() const { return m_backend.get(); }

    // ---- selections; each returns what was selected before ----
    Pen SelectPen(const Pen& pen);
    Pen SelectPen(COLORREF colour, PenStyle style = PenStyle::Solid, int width = 1);
    Brush SelectBrush(const Brush& brush);
    Brush SelectBrush(COLORREF colour) { return SelectBrush(Brush{BrushStyle::Solid, colour}); }
    Font SelectFont(const Font& font);
    // A stock pen replaces the pen, a stock brush the brush.
    void SelectStockObject(StockObject object);
    const Pen& GetCurrentPen() const { return m_pen; }
    const Brush& GetCurrentBrush() const { return m_brush; }
    const Font& GetCurrentFont() const { return m_font; }

    Rop2 SetROP2(Rop2 rop);
    Rop2 GetROP2() const { return m_rop; }
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_textColour; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return m_bkColour; }
    BkMode SetBkMode(BkMode mode);
    BkMode GetBkMode() const { return m_bkMode; }
    unsigned SetTextAlign(unsigned align);
    unsigned GetTextAlign() const { return m_textAlign; }
    ArcDirection SetArcDirection(ArcDirection direction);
    ArcDirection GetArcDirection() const { return m_arcDirection; }

    // The table 8-bit blits go through when they name none; not owned.
    void SetPalette(const CPaletteTable* table) { m_palette = table; }
    const CPaletteTable* GetPalette() const { return m_palette; }

    int GetDeviceCaps(DeviceCap cap) const;

    // ---- lines and shapes ----
    IntPoint MoveTo(int x, int y);
    IntPoint MoveTo(IntPoint p) { return MoveTo(p.x, p.y); }
    bool LineTo(int x, int y);
    bool LineTo(IntPoint p) { return LineTo(p.x, p.y); }
    IntPoint GetCurrentPosition() const { return m_position; }
    bool DrawLine(IntPoint from, int x, int y);
    bool DrawLine(int x1, int y1, int x2, int y2) { return DrawLine(IntPoint{x1, y1}, x2, y2); }
    // Dots every `spacing` pen widths; see the source for the stepping.
    bool DrawDottedLine(IntPoint from, int x, int y, int spacing, bool dotted);
    bool DrawDottedLine(int x1, int y1, int x2, int y2, int spacing, bool dotted)
    {
        return DrawDottedLine(IntPoint{x1, y1}, x2, y2, spacing, dotted);
    }
    bool Polyline(std::span<const IntPoint> points);
    bool Polygon(std::span<const IntPoint> points);
    // The polygon `shape` (about 0,0) at each of `places`.
    bool Polygons(std::span<const IntPoint> shape, std::span<const IntPoint> places);
    // Rings of `counts` points each, filled together: inner rings are holes.
    bool PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts);
    // Areas filled in order, each with its own solid colour and no outline,
    // its rings (the next `rings` of `ringSizes`) filled together as
    // PolyPolygon fills them. The selected pen and brush stay selected.
    bool FillAreas(std::span<const IntPoint> points, std::span<const int> ringSizes,
                   std::span<const AreaFill> areas);
    bool Rectangle(int left, int top, int right, int bottom);
    bool Rectangle(const IntRect& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
    bool Rectangles(std::span<const IntRect> rects);
    // Outline only: the rectangle with the null brush selected.
    bool DrawRectangle(const IntRect& rect);
    bool FrameRectangle(int left, int top, int right, int bottom)
    {
        return DrawRectangle(IntRect{left, top, right, bottom});
    }
    bool DrawFrameRect(const IntRect& rect, int spacing, bool dotted);
    bool Ellipse(int left, int top, int right, int bottom);
    bool Ellipse(const IntRect& r) { return Ellipse(r.left, r.top, r.right, r.bottom); }
    // The arc of the ellipse in the box from the start radial to the end
    // radial, in the context's arc direction (counter-clockwise by default).
    bool Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    bool Arc(const IntRect& box, IntPoint start, IntPoint end)
    {
        return Arc(box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
    }
    bool PatBlt(const IntRect& rect, PatOp op);

    // ---- text ----
    bool TextOut(int x, int y, std::string_view text);
    IntSize GetTextExtent(std::string_view text) const;

    // ---- pixels ----
    // The colour at a point of the memory this context draws into;
    // CLR_INVALID outside it or when the context draws into no memory.
    COLORREF GetPixel(int x, int y) const;
    CPixelView Memory() const;
    // Draws `sourceRect` of an 8-bit image into `dest` through `table` (or
    // the selected palette), converting and scaling to the nearest pixel in
    // one pass. Memory destinations are written directly.
    bool BlitIndexed(const CIndexedImage& image, const IntRect& sourceRect, const IntRect& dest,
                     const CPaletteTable* table = nullptr);
    // A plain copy of `width` by `height` pixels from (sx, sy) of `source`.
    bool BitBlt(int x, int y, int width, int height, const CXDC& source, int sx, int sy);
    // Scaled copy (nearest pixel) from `source`'s memory.
    bool StretchBlt(const IntRect& dest, const CXDC& source, const IntRect& sourceRect);
    bool DrawPixels(const CPixelView& source, const IntRect& sourceRect, const IntRect& dest);

    // ---- stamps ----
    // `draw` run once with this context's selections, drawing round the
    // point it is given, into a stamp over `box`. Empty when the backend
    // makes no memory backends or the raster operation is not a plain copy
    // (a stamp replaces what it covers).
    CSymbolStamp MakeStamp(const IntRect& box,
                           const std::function<void(CXDC&, IntPoint)>& draw) const;
    // The stamp put down with its box round each point.
    bool Stamp(const CSymbolStamp& stamp, std::span<const IntPoint> points);

protected:
    // Called before the context writes or reads the rows [top, bottom) of
    // its memory (unclipped; the whole memory as INT_MIN, INT_MAX). A buffer
    // whose rows are filled on demand fills them here.
    virtual void Reach(int /*top*/, int /*bottom*/) const { }

private:
    void SendState();
    // The rows a shape drawn with the selected pen may touch: its own rows
    // widened by the pen and a little smoothing.
    void ReachRows(int top, int bottom) const;
    void ReachPoints(std::span<const IntPoint> points) const;

    std::unique_ptr<CDrawBackend> m_backend;
    Pen m_pen{};
    Brush m_brush{};
    Font m_font{};
    Rop2 m_rop = Rop2::CopyPen;
    COLORREF m_textColour = 0;
    COLORREF m_bkColour = app::RGB(255, 255, 255);
    BkMode m_bkMode = BkMode::Opaque;
    unsigned m_textAlign = TA_LEFT | TA_TOP;
    ArcDirection m_arcDirection = ArcDirection::CounterClockwise;
    IntPoint m_position{};
    std::vector<IntPoint> m_dots;   // a dotted line's dots, handed over at once
    const CPaletteTable* m_palette = nullptr;
};

// Select-and-restore guards: the constructor selects, the destructor puts
// back what was selected before.
class CSelect {
public:
    virtual ~CSelect() = default;
};

class CSelStock final : public CSelect {
public:
    CSelStock(CXDC& dc, StockObject object);
    ~CSelStock() override;
    CSelStock(const CSelStock&) = delete;
    CSelStock& operator=(const CSelStock&) = delete;

private:
    CXDC& m_dc;
    bool m_isPen;
    Pen m_oldPen;
    Brush m_oldBrush;
};

class CSelPen final : public CSelect {
public:
    CSelPen(CXDC& dc, COLORREF colour, PenStyle style = PenStyle::Solid, int width = 1);
    CSelPen(CXDC& dc, const Pen& pen);
    ~CSelPen() override;
    CSelPen(const CSelPen&) = delete;
    CSelPen& operator=(const CSelPen&) = delete;

private:
    CXDC& m_dc;
    Pen m_old;
};

class CSelBrush final : public CSelect {
public:
    CSelBrush(CXDC& dc, COLORREF colour);
    CSelBrush(CXDC& dc, const Brush& brush);
    ~CSelBrush() override;
    CSelBrush(const CSelBrush&) = delete;
    CSelBrush& operator=(const CSelBrush&) = delete;

private:
    CXDC& m_dc;
    Brush m_old;
};

class CSelFont final : public CSelect {
public:
    CSelFont(CXDC& dc, const Font& font);
    ~CSelFont() override;
    CSelFont(const CSelFont&) = delete;
    CSelFont& operator=(const CSelFont&) = delete;

private:
    CXDC& m_dc;
    Font m_old;
};

}   // namespace chart
