#include "chart/draw/RecordingBackend.h"

#include <cstdio>
#include <cstdlib>

#include "chart/draw/PixelOps.h"

namespace chart {

namespace {

const char* OpName(DrawOp op)
{
    switch (op) {
    case DrawOp::Line: return "Line";
    case DrawOp::Polyline: return "Polyline";
    case DrawOp::Rectangle: return "Rectangle";
    case DrawOp::Polygon: return "Polygon";
    case DrawOp::PolyPolygon: return "PolyPolygon";
    case DrawOp::Ellipse: return "Ellipse";
    case DrawOp::Arc: return "Arc";
    case DrawOp::Text: return "Text";
    case DrawOp::PatBlt: return "PatBlt";
    case DrawOp::Pixels: return "Pixels";
    }
    return "?";
}

// Bytes of UTF-8 text that start a character.
int CharacterCount(std::string_view text)
{
    int n = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

}   // namespace

std::string DrawRecord::Describe() const
{
    std::string s = OpName(op);
    char buf[64];
    for (const IntPoint& p : points) {
        std::snprintf(buf, sizeof buf, " (%d,%d)", p.x, p.y);
        s += buf;
    }
    std::snprintf(buf, sizeof buf, " pen %d %d %06X brush %d %06X rop %s", int(pen.style),
                  pen.width, unsigned(pen.colour), int(brush.style), unsigned(brush.colour),
                  rop == Rop2::CopyPen ? "copy" : "notxor");
    s += buf;
    if (op == DrawOp::Text)
        s += " \"" + text + "\"";
    return s;
}

IntSize CRecordingBackend::TextExtentFor(const Font& font, std::string_view text)
{
    const int height = font.height == 0 ? 16 : std::abs(font.height);
    const int charWidth = std::max(1, height / 2);
    return IntSize{charWidth * CharacterCount(text), height};
}

DrawRecord& CRecordingBackend::Add(DrawOp op)
{
    DrawRecord& r = m_records.emplace_back();
    r.op = op;
    r.pen = m_pen;
    r.brush = m_brush;
    r.rop = m_rop;
    r.font = m_font;
    r.textColour = m_textColour;
    r.bkColour = m_bkColour;
    r.bkMode = m_bkMode;
    r.textAlign = m_textAlign;
    return r;
}

void CRecordingBackend::Line(IntPoint from, IntPoint to)
{
    Add(DrawOp::Line).points = {from, to};
}

void CRecordingBackend::Polyline(std::span<const IntPoint> points)
{
    Add(DrawOp::Polyline).points.assign(points.begin(), points.end());
}

void CRecordingBackend::Rectangle(const IntRect& r)
{
    Add(DrawOp::Rectangle).points = {{r.left, r.top}, {r.right, r.bottom}};
}

void CRecordingBackend::Polygon(std::span<const IntPoint> points)
{
    Add(DrawOp::Polygon).points.assign(points.begin(), points.end());
}

void CRecordingBackend::PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts)
{
    auto& record = Add(DrawOp::PolyPolygon);
    record.points.assign(points.begin(), points.end());
    record.counts.assign(counts.begin(), counts.end());
}

void CRecordingBackend::Ellipse(const IntRect& r)
{
    Add(DrawOp::Ellipse).points = {{r.left, r.top}, {r.right, r.bottom}};
}

void CRecordingBackend::Arc(const IntRect& r, IntPoint start, IntPoint end, ArcDirection direction)
{
    DrawRecord& rec = Add(DrawOp::Arc);
    rec.points = {{r.left, r.top}, {r.right, r.bottom}, start, end};
    rec.direction = direction;
}

void CRecordingBackend::TextOut(IntPoint at, std::string_view text)
{
    DrawRecord& rec = Add(DrawOp::Text);
    rec.points = {at};
    rec.text = std::string(text);
}

IntSize CRecordingBackend::GetTextExtent(std::string_view text)
{
    return TextExtentFor(m_font, text);
}

void CRecordingBackend::PatBlt(const IntRect& r, PatOp op)
{
    DrawRecord& rec = Add(DrawOp::PatBlt);
    rec.points = {{r.left, r.top}, {r.right, r.bottom}};
    rec.patOp = op;
    if (!m_memory.IsValid())
        return;
    // Buffers without a painter still show fills, so pixel reads see them.
    switch (op) {
    case PatOp::PatCopy: FillPixels(m_memory, r, app::ColourToPixel(m_brush.colour)); break;
    case PatOp::PatInvert: XorPixels(m_memory, r, app::ColourToPixel(m_brush.colour)); break;
    case PatOp::DstInvert: XorPixels(m_memory, r, 0x00FFFFFFu); break;
    case PatOp::Blackness: FillPixels(m_memory, r, 0xFF000000u); break;
    case PatOp::Whiteness: FillPixels(m_memory, r, 0xFFFFFFFFu); break;
    }
}

void CRecordingBackend::DrawPixels(const CPixelView& source, const IntRect& sourceRect,
                                   const IntRect& dest)
{
    Add(DrawOp::Pixels).points = {{sourceRect.left, sourceRect.top},
                                  {sourceRect.right, sourceRect.bottom},
                                  {dest.left, dest.top},
                                  {dest.right, dest.bottom}};
    if (m_memory.IsValid())
        StretchPixels(source, sourceRect, m_memory, dest);
}

int CRecordingBackend::GetDeviceCaps(DeviceCap cap) const
{
    switch (cap) {
    case DeviceCap::HorzRes: return m_memory.width;
    case DeviceCap::VertRes: return m_memory.height;
    case DeviceCap::LogPixelsX:
    case DeviceCap::LogPixelsY: return m_dpi;
    }
    return 0;
}

}   // namespace chart
