#pragma once
// A backend that draws nothing and logs every output call with the pen,
// brush, raster operation and text settings in force, so tests check chart
// geometry without pixels. Text metrics are fixed (no font is asked), so
// layouts come out the same on every machine.
//
// It may also be given RGB32 memory to stand for (the off-screen buffers
// record into their own memory when no painter is installed): copies and
// 8-bit blits then land there, and pixel reads see them.

#include <string>
#include <vector>

#include "chart/draw/DrawBackend.h"

namespace chart {

enum class DrawOp {
    Line,
    Polyline,
    Rectangle,
    Polygon,
    PolyPolygon,
    Ellipse,
    Arc,
    Text,
    PatBlt,
    Pixels
};

struct DrawRecord {
    DrawOp op;
    std::vector<IntPoint> points;   // Line: from, to. Rectangle, Ellipse, PatBlt, Pixels:
                                    // top-left and bottom-right (exclusive). Arc: the box's
                                    // corners, then start and end. Text: the reference point.
    Pen pen;
    Brush brush;
    Rop2 rop = Rop2::CopyPen;
    ArcDirection direction = ArcDirection::CounterClockwise;   // Arc only
    PatOp patOp = PatOp::PatCopy;   // PatBlt only
    std::string text;   // Text only
    std::vector<int> counts;   // PolyPolygon only: the rings' point counts
    Font font;
    COLORREF textColour = 0;
    COLORREF bkColour = 0;
    BkMode bkMode = BkMode::Opaque;
    unsigned textAlign = 0;

    // One line for failure messages: "Line (1,2)-(3,4) pen 0 1 000000 rop copy".
    std::string Describe() const;
};

class CRecordingBackend : public CDrawBackend {
public:
    // Fixed metrics: every character is half the font's pixel height wide
    // (at least 1), a line is the pixel height high; height 0 counts as 16.
    static IntSize TextExtentFor(const Font& font, std::string_view text);

    CRecordingBackend() = default;
    explicit CRecordingBackend(const CPixelView& memory, int dpi = 96)
        : m_memory(memory), m_dpi(dpi)
    { }

    const std::vector<DrawRecord>& Records() const { return m_records; }
    std::vector<DrawRecord> TakeRecords() { return std::move(m_records); }
    void Clear() { m_records.clear(); }

    void SetPen(const Pen& pen) override { m_pen = pen; }
    void SetBrush(const Brush& brush) override { m_brush = brush; }
    void SetFont(const Font& font) override { m_font = font; }
    void SetRop2(Rop2 rop) override { m_rop = rop; }
    void SetTextColour(COLORREF colour) override { m_textColour = colour; }
    void SetBkColour(COLORREF colour) override { m_bkColour = colour; }
    void SetBkMode(BkMode mode) override { m_bkMode = mode; }
    void SetTextAlign(unsigned align) override { m_textAlign = align; }

    void Line(IntPoint from, IntPoint to) override;
    void Polyline(std::span<const IntPoint> points) override;
    void Rectangle(const IntRect& rect) override;
    void Polygon(std::span<const IntPoint> points) override;
    void PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts) override;
    void Ellipse(const IntRect& box) override;
    void Arc(const IntRect& box, IntPoint start, IntPoint end, ArcDirection direction) override;
    void TextOut(IntPoint at, std::string_view text) override;
    IntSize GetTextExtent(std::string_view text) override;
    void PatBlt(const IntRect& rect, PatOp op) override;
    void DrawPixels(const CPixelView& source, const IntRect& sourceRect,
                    const IntRect& dest) override;
    int GetDeviceCaps(DeviceCap cap) const override;
    CPixelView Memory() const override { return m_memory; }

private:
    DrawRecord& Add(DrawOp op);

    std::vector<DrawRecord> m_records;
    CPixelView m_memory;
    int m_dpi = 96;
    Pen m_pen;
    Brush m_brush;
    Font m_font;
    Rop2 m_rop = Rop2::CopyPen;
    COLORREF m_textColour = 0;
    COLORREF m_bkColour = 0;
    BkMode m_bkMode = BkMode::Opaque;
    unsigned m_textAlign = 0;
};

}   // namespace chart
