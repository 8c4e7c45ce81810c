#pragma once
// The program's drawing backend: Qt's painter, on an image that views a
// buffer's own memory, on a window or on a printer. Lines, outlines and text
// are drawn without antialiasing, a line leaves out its end pixel and a
// rectangle's outline lies inside its right and bottom edges, as the chart
// code expects of its device context.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "chart/draw/DrawBackend.h"

namespace chart {

class CQtPainterBackend final : public CDrawBackend {
public:
    // Paints on RGB32 memory (kept alive by the caller) until destroyed.
    explicit CQtPainterBackend(const CPixelView& memory);
    // Paints with a painter someone else owns (a paint event, a printer).
    explicit CQtPainterBackend(QPainter& painter);
    ~CQtPainterBackend() override;

    // The desktop font a stored face name stands for, at the logical height.
    static QFont MapFont(const Font& font);

    QPainter& Painter() { return *m_painter; }

    void SetPen(const Pen& pen) override;
    void SetBrush(const Brush& brush) override;
    void SetFont(const Font& font) override;
    void SetRop2(Rop2 rop) override;
    void SetTextColour(COLORREF colour) override { m_textColour = colour; }
    void SetBkColour(COLORREF colour) override { m_bkColour = colour; }
    void SetBkMode(BkMode mode) override { m_bkMode = mode; }
    void SetTextAlign(unsigned align) override { m_textAlign = align; }

    void Line(IntPoint from, IntPoint to) override;
    // On the program's own memory, a solid opaque one-pixel pen's lines go
    // straight into the pixels when the fills do (see FillAreas), as
    // DrawThinLines draws them; so do the outlines PolyPolygon draws with no
    // brush.
    void Polyline(std::span<const IntPoint> points) override;
    // On the program's own memory with a plain opaque pen and nothing in the
    // way (no clip, transform or raster operation) the dots are written into
    // the pixels directly; otherwise drawn one by one.
    void Dots(std::span<const IntPoint> points, IntPoint reach) override;
    void Rectangle(const IntRect& rect) override;
    void Rectangles(std::span<const IntRect> rects) override;
    void Polygon(std::span<const IntPoint> points) override;
    void Polygons(std::span<const IntPoint> shape, std::span<const IntPoint> places) override;
    void PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts) override;
    // Into the pixels, row by row, when the painter paints an RGB32 image
    // (its own memory or someone else's image) with nothing in the way (no
    // transform, antialiasing or raster operation; a clip only when it is a
    // rectangle); otherwise one PolyPolygon after another.
    void FillAreas(std::span<const IntPoint> points, std::span<const int> ringSizes,
                   std::span<const AreaFill> areas) override;
    void Ellipse(const IntRect& box) override;
    void Arc(const IntRect& box, IntPoint start, IntPoint end, ArcDirection direction) override;
    void TextOut(IntPoint at, std::string_view text) override;
    IntSize GetTextExtent(std::string_view text) override;
    void PatBlt(const IntRect& rect, PatOp op) override;
    void DrawPixels(const CPixelView& source, const IntRect& sourceRect,
                    const IntRect& dest) override;
    int GetDeviceCaps(DeviceCap cap) const override;
    CPixelView Memory() const override { return m_memory; }
    // On the program's own memory with nothing in the way (no clip,
    // transform or composition) the stamp's pixels are copied in; otherwise
    // the painter draws its picture at each point.
    void Stamp(const CSymbolStamp& stamp, std::span<const IntPoint> points) override;
    // Only a backend on memory makes them: a window's or printer's painter
    // draws every symbol itself, at its own resolution.
    std::unique_ptr<CDrawBackend> CreateForMemory(const CPixelView& memory) const override;

private:
    // The rows of pixels, round the point, of a dot of a pen this wide.
    const std::vector<QRect>& DotSpans(int width);
    // A plain opaque pen as selected, no antialiasing, transform or other
    // composition: its dots may be filled from DotSpans.
    bool PlainPen() const;
    void Prepare();
    // A clip that leaves out some of the memory's pixels is in force.
    bool Clipped() const;
    // The RGB32 pixels the painter paints and the rectangle of them it may
    // paint, when the pixels may be written directly as it would write them;
    // an empty view when not.
    CPixelView PlainPixels(IntRect& clip) const;
    // The same for lines, on the program's own memory only, when the pen is
    // a solid opaque one-pixel pen.
    CPixelView ThinLinePixels(IntRect& clip) const;

    CPixelView m_memory;
    std::unique_ptr<QImage> m_image;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr;
    bool m_deviceClip = false;   // Prepare set a clip of the whole device
    QPen m_qpen;
    std::vector<QRect> m_dotSpans;
    int m_dotWidth = 0;
    QBrush m_qbrush;
    QFont m_qfont;
    int m_qfontEscapement = 0;
    // The last two fonts mapped (labels select one font and put the old one
    // back, once per label) and the metrics of the one in use.
    struct MappedFont {
        Font font;
        QFont qfont;
    };
    std::array<std::optional<MappedFont>, 2> m_mapped;
    std::size_t m_nextMapped = 0;
    std::optional<Font> m_fontInUse;
    std::optional<QFontMetrics> m_metrics;
    const QFontMetrics& Metrics();
    // The font in use on this device, as the width table names it.
    std::optional<std::string> m_widthKey;
    int TextWidth(std::string_view text);
    // Polygons painted once and laid down again at other places, as symbol
    // stamps are: a shape with one pen and brush is the same pixels wherever
    // it goes, and stroking a wide pen is what costs. Kept between calls
    // (marks and symbols keep their shape from paint to paint), dropped
    // wholesale past a few hundred.
    struct StampKey {
        std::vector<int> shape;   // x, y, x, y...
        QRgb pen;
        int penWidth;
        QRgb brush;   // 0 for none
        bool operator<(const StampKey& other) const
        {
            return std::tie(shape, pen, penWidth, brush) <
                   std::tie(other.shape, other.pen, other.penWidth, other.brush);
        }
    };
    const CSymbolStamp* StampOf(std::span<const IntPoint> shape);
    std::map<StampKey, CSymbolStamp> m_stamps;
    CAreaFiller m_areaFiller;
    QPainter::CompositionMode m_mode = QPainter::CompositionMode_SourceOver;
    COLORREF m_textColour = 0;
    COLORREF m_bkColour = 0xFFFFFF;
    BkMode m_bkMode = BkMode::Opaque;
    unsigned m_textAlign = 0;
    int m_dpiX = 96;
    int m_dpiY = 96;
};

// Installed at start-up: every off-screen buffer paints with Qt.
class CQtBackendFactory final : public CDrawBackendFactory {
public:
    std::unique_ptr<CDrawBackend> CreateForMemory(const CPixelView& memory) override;
};

QColor ToQColor(COLORREF colour);
COLORREF FromQColor(const QColor& colour);

}   // namespace chart
