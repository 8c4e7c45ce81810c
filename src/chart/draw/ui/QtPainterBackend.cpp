#include "chart/draw/ui/QtPainterBackend.h"

#include "chart/draw/ui/TextWidthCache.h"

#include "chart/draw/ThinLines.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygon>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace chart {

namespace {

QRect ToQRect(const IntRect& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QPolygon ToQPolygon(std::span<const IntPoint> points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const IntPoint& p : points)
        polygon << QPoint(p.x, p.y);
    return polygon;
}

Qt::PenStyle ToQtStyle(PenStyle style)
{
    switch (style) {
    case PenStyle::Solid: return Qt::SolidLine;
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Null: return Qt::NoPen;
    }
    return Qt::SolidLine;
}

// The screen's logical resolution, which logical font heights are given in.
int ScreenDpi(bool vertical)
{
    if (qGuiApp)
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return qRound(vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX());
    return 96;
}

}   // namespace

QColor ToQColor(COLORREF c)
{
    return QColor(int(app::GetRValue(c)), int(app::GetGValue(c)), int(app::GetBValue(c)));
}

COLORREF FromQColor(const QColor& c)
{
    return app::RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

QFont CQtPainterBackend::MapFont(const Font& font)
{
    QFont q;
    const QString face = QString::fromStdString(font.face);
    if (face.compare("Arial", Qt::CaseInsensitive) == 0) {
        q = QFont(QStringLiteral("Sans Serif"));
        q.setStyleHint(QFont::SansSerif);
    } else if (face.compare("Courier New", Qt::CaseInsensitive) == 0) {
        q = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    } else if (face.compare("System", Qt::CaseInsensitive) == 0) {
        q = QGuiApplication::font();
        q.setBold(true);
    } else if (face.isEmpty() || face.compare("MS Sans Serif", Qt::CaseInsensitive) == 0) {
        q = QGuiApplication::font();
    } else {
        q = QFont(face);
    }
    // A negative height is the characters' height; a positive one the cell's,
    // of which the characters take about seven eighths.
    if (font.height < 0)
        q.setPixelSize(-font.height);
    else if (font.height > 0)
        q.setPixelSize(std::max(1, font.height * 7 / 8));
    if (font.weight >= 600)
        q.setBold(true);
    q.setItalic(font.italic);
    q.setUnderline(font.underline);
    return q;
}

CQtPainterBackend::CQtPainterBackend(const CPixelView& memory) : m_memory(memory)
{
    m_image =
        std::make_unique<QImage>(reinterpret_cast<uchar*>(memory.bits), memory.width, memory.height,
                                 qsizetype(memory.stride) * 4, QImage::Format_RGB32);
    m_ownPainter = std::make_unique<QPainter>(m_image.get());
    m_painter = m_ownPainter.get();
    m_dpiX = ScreenDpi(false);
    m_dpiY = ScreenDpi(true);
    Prepare();
}

CQtPainterBackend::CQtPainterBackend(QPainter& painter) : m_painter(&painter)
{
    if (const QPaintDevice* device = painter.device()) {
        m_dpiX = device->logicalDpiX();
        m_dpiY = device->logicalDpiY();
    }
    Prepare();
}

CQtPainterBackend::~CQtPainterBackend()
{
    if (m_deviceClip)
        m_painter->setClipping(false);
    if (m_ownPainter)
        m_ownPainter->end();
}

void CQtPainterBackend::Prepare()
{
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Qt's raster painter writes one-pixel lines straight into the pixels
    // only under a clip rectangle; with none it sends every pixel through its
    // span filling, several times slower. A clip of the whole device changes
    // no pixel. Painters with a clip or a transform of their own keep them.
    const QPaintDevice* device = m_painter->device();
    const QPaintEngine* engine = m_painter->paintEngine();
    if (m_painter->isActive() && device && engine && engine->type() == QPaintEngine::Raster &&
        !m_painter->hasClipping() && m_painter->combinedTransform().type() == QTransform::TxNone) {
        m_painter->setClipRect(QRect(0, 0, device->width(), device->height()));
        m_deviceClip = true;
    }
}

bool CQtPainterBackend::Clipped() const
{
    if (!m_painter->hasClipping())
        return false;
    // The whole-device clip set above clips nothing.
    return !(m_deviceClip && m_painter->clipBoundingRect().toAlignedRect().contains(
                                 QRect(0, 0, m_memory.width, m_memory.height)));
}

void CQtPainterBackend::SetPen(const Pen& pen)
{
    m_qpen = QPen(ToQColor(pen.colour), std::max(pen.width, 1), ToQtStyle(pen.style));
    // One-pixel lines leave out their end pixel; wide ones end round.
    m_qpen.setCapStyle(pen.width > 1 ? Qt::RoundCap : Qt::FlatCap);
    m_qpen.setJoinStyle(Qt::RoundJoin);
    m_painter->setPen(m_qpen);
}

void CQtPainterBackend::SetBrush(const Brush& brush)
{
    m_qbrush =
        brush.style == BrushStyle::Hollow ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.colour));
    m_painter->setBrush(m_qbrush);
}

void CQtPainterBackend::SetFont(const Font& font)
{
    const MappedFont* mapped = nullptr;
    for (const auto& m : m_mapped)
        if (m && m->font == font)
            mapped = &*m;
    if (!mapped) {
        auto& slot = m_mapped[m_nextMapped];
        m_nextMapped = (m_nextMapped + 1) % m_mapped.size();
        slot = MappedFont{font, MapFont(font)};
        mapped = &*slot;
    }
    m_qfontEscapement = font.escapement;
    if (m_fontInUse == font)
        return;   // the painter has it already
    m_fontInUse = font;
    m_qfont = mapped->qfont;
    m_metrics.reset();
    m_widthKey.reset();
    m_painter->setFont(m_qfont);
}

const QFontMetrics& CQtPainterBackend::Metrics()
{
    if (!m_metrics)
        m_metrics.emplace(m_qfont, m_painter->device());
    return *m_metrics;
}

int CQtPainterBackend::TextWidth(std::string_view text)
{
    if (!m_widthKey) {
        const QPaintDevice* device = m_painter->device();
        m_widthKey = CTextWidthCache::FontKey(m_qfont, device ? device->logicalDpiX() : 0,
                                              device ? device->logicalDpiY() : 0);
    }
    return CTextWidthCache::Width(*m_widthKey, Metrics(), text);
}

void CQtPainterBackend::SetRop2(Rop2 rop)
{
    m_mode = rop == Rop2::NotXorPen ? QPainter::RasterOp_NotSourceXorDestination
                                    : QPainter::CompositionMode_SourceOver;
    m_painter->setCompositionMode(m_mode);
}

const std::vector<QRect>& CQtPainterBackend::DotSpans(int width)
{
    if (m_dotWidth == width)
        return m_dotSpans;
    // Qt's own dot of this pen, drawn once aside and read back as rows of
    // pixels round the point.
    const int half = width + 2;
    QImage stamp(2 * half + 1, 2 * half + 1, QImage::Format_ARGB32);
    stamp.fill(Qt::transparent);
    {
        QPainter p(&stamp);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.drawPoint(half, half);
    }
    m_dotSpans.clear();
    for (int y = 0; y < stamp.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        for (int x = 0; x < stamp.width();) {
            if (qAlpha(row[x]) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < stamp.width() && qAlpha(row[x]) != 0)
                ++x;
            m_dotSpans.emplace_back(start - half, y - half, x - start, 1);
        }
    }
    m_dotWidth = width;
    return m_dotSpans;
}

void CQtPainterBackend::Line(IntPoint from, IntPoint to)
{
    if (from == to) {
        // A line leaves out its end pixel, so a one-pixel pen draws nothing;
        // a wide pen still draws its dot (the dotted lines of wide pens are
        // made of such dots).
        if (m_painter->pen().widthF() <= 1.0 || m_painter->pen().style() == Qt::NoPen)
            return;
        // Stroking a dot is slow and a dotted route leg has hundreds: a
        // plain pen's dot is filled from the rows of pixels Qt's own covers.
        if (PlainPen()) {
            for (const QRect& span : DotSpans(m_qpen.width()))
                m_painter->fillRect(span.translated(from.x, from.y), m_qpen.color());
            return;
        }
        m_painter->drawPoint(from.x, from.y);
        return;
    }
    m_painter->drawLine(from.x, from.y, to.x, to.y);
}

bool CQtPainterBackend::PlainPen() const
{
    return m_mode == QPainter::CompositionMode_SourceOver &&
           !m_painter->testRenderHint(QPainter::Antialiasing) &&
           m_painter->transform().type() == QTransform::TxNone && m_qpen.color().alpha() == 255 &&
           m_qpen.style() == Qt::SolidLine && m_painter->pen() == m_qpen;
}

void CQtPainterBackend::Dots(std::span<const IntPoint> points, IntPoint reach)
{
    if (!m_ownPainter || !m_memory.IsValid() || !PlainPen() || Clipped() ||
        m_painter->combinedTransform().type() != QTransform::TxNone) {
        CDrawBackend::Dots(points, reach);
        return;
    }
    const std::uint32_t colour = m_qpen.color().rgb();
    const auto fillRow = [this, colour](int y, int left, int right) {
        if (y < 0 || y >= m_memory.height)
            return;
        left = std::max(left, 0);
        right = std::min(right, m_memory.width - 1);
        std::uint32_t* row = m_memory.Row(y);
        for (int x = left; x <= right; ++x)
            row[x] = colour;
    };
    if (reach.x != 0 || reach.y != 0) {
        // A one-pixel pen's dot, as its one-pixel line draws it.
        if (m_qpen.width() <= 1)
            for (const IntPoint& p : points)
                fillRow(p.y, p.x, p.x);
        else
            CDrawBackend::Dots(points, reach);
        return;
    }
    if (m_qpen.width() <= 1)
        return;   // a one-pixel line of no length draws nothing
    const std::vector<QRect>& spans = DotSpans(m_qpen.width());
    for (const IntPoint& p : points)
        for (const QRect& span : spans)
            for (int y = span.top(); y <= span.bottom(); ++y)
                fillRow(p.y + y, p.x + span.left(), p.x + span.right());
}

void CQtPainterBackend::Polyline(std::span<const IntPoint> points)
{
    if (points.size() < 2)
        return;
    IntRect clip;
    const CPixelView pixels = ThinLinePixels(clip);
    if (pixels.IsValid())
        DrawThinLines(pixels, clip, points, false, app::ColourToPixel(FromQColor(m_qpen.color())));
    else
        m_painter->drawPolyline(ToQPolygon(points));
}

void CQtPainterBackend::Rectangle(const IntRect& r)
{
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return;
    m_painter->drawRect(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
}

void CQtPainterBackend::Rectangles(std::span<const IntRect> rects)
{
    // An opaque one-pixel outline round an opaque fill is two solid fills,
    // which the painter does far faster than it strokes an outline.
    const bool fills = m_mode == QPainter::CompositionMode_SourceOver &&
                       m_qpen.style() == Qt::SolidLine && m_qpen.width() == 1 &&
                       m_qpen.color().alpha() == 255 && m_qbrush.style() == Qt::SolidPattern &&
                       m_qbrush.color().alpha() == 255 && m_painter->transform().isIdentity();
    if (!fills) {
        CDrawBackend::Rectangles(rects);
        return;
    }
    const QColor outline = m_qpen.color(), inside = m_qbrush.color();
    for (const IntRect& r : rects) {
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (w < 1 || h < 1)
            continue;
        m_painter->fillRect(r.left, r.top, w, h, outline);
        if (w > 2 && h > 2)
            m_painter->fillRect(r.left + 1, r.top + 1, w - 2, h - 2, inside);
    }
}

void CQtPainterBackend::Polygon(std::span<const IntPoint> points)
{
    if (points.size() >= 2)
        m_painter->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
}

const CSymbolStamp* CQtPainterBackend::StampOf(std::span<const IntPoint> shape)
{
    // Opaque solid colours drawn over, nothing transformed: else no stamp.
    const bool opaque = m_qbrush.style() == Qt::NoBrush ||
                        (m_qbrush.style() == Qt::SolidPattern && m_qbrush.color().alpha() == 255);
    if (shape.size() < 2 || m_mode != QPainter::CompositionMode_SourceOver ||
        m_qpen.style() != Qt::SolidLine || m_qpen.color().alpha() != 255 || !opaque ||
        !m_painter->transform().isIdentity() || m_painter->device()->devicePixelRatio() != 1.0)
        return nullptr;
    std::vector<int> corners;
    corners.reserve(shape.size() * 2);
    for (const IntPoint& p : shape) {
        corners.push_back(p.x);
        corners.push_back(p.y);
    }
    StampKey key{std::move(corners), m_qpen.color().rgba(), m_qpen.width(),
                 m_qbrush.style() == Qt::NoBrush ? QRgb(0) : m_qbrush.color().rgba()};
    if (const auto it = m_stamps.find(key); it != m_stamps.end())
        return &it->second;
    if (m_stamps.size() >= 512)
        m_stamps.clear();
    const QPolygon polygon = ToQPolygon(shape);
    const int margin = m_qpen.width() + 2;
    const QRect box = polygon.boundingRect().adjusted(-margin, -margin, margin, margin);
    CSymbolStamp stamp;
    stamp.box = {box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    stamp.pixels.assign(std::size_t(box.width()) * std::size_t(box.height()), 0u);
    {
        QImage image(reinterpret_cast<uchar*>(stamp.pixels.data()), box.width(), box.height(),
                     qsizetype(box.width()) * 4, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(m_qpen);
        painter.setBrush(m_qbrush);
        painter.translate(-box.left(), -box.top());
        painter.drawPolygon(polygon, Qt::OddEvenFill);
    }
    return &m_stamps.emplace(std::move(key), std::move(stamp)).first->second;
}

void CQtPainterBackend::Polygons(std::span<const IntPoint> shape, std::span<const IntPoint> places)
{
    const CSymbolStamp* stamp = places.empty() ? nullptr : StampOf(shape);
    if (stamp == nullptr)
        CDrawBackend::Polygons(shape, places);
    else
        Stamp(*stamp, places);
}

void CQtPainterBackend::PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts)
{
    // Outlines only, of a plain one-pixel pen: the lines into the pixels,
    // one ring closed as a polygon is, several each as drawn, as a path of
    // them is stroked.
    IntRect clip;
    const CPixelView pixels = m_qbrush.style() == Qt::NoBrush ? ThinLinePixels(clip) : CPixelView{};
    if (pixels.IsValid()) {
        const std::uint32_t pixel = app::ColourToPixel(FromQColor(m_qpen.color()));
        std::size_t at = 0;
        for (int n : counts) {
            if (n >= 2 && at + std::size_t(n) <= points.size())
                DrawThinLines(pixels, clip, points.subspan(at, std::size_t(n)), counts.size() == 1,
                              pixel);
            at += std::size_t(n);
        }
        return;
    }
    // One ring is a polygon; several are one path, filled odd-even so inner
    // rings are holes, built from the points as they are.
    if (counts.size() == 1) {
        if (counts[0] >= 2 && std::size_t(counts[0]) <= points.size())
            m_painter->drawPolygon(ToQPolygon(points.first(std::size_t(counts[0]))),
                                   Qt::OddEvenFill);
        return;
    }
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.reserve(int(points.size()));
    std::size_t at = 0;
    for (int n : counts) {
        if (n >= 2 && at + std::size_t(n) <= points.size()) {
            path.moveTo(points[at].x, points[at].y);
            for (std::size_t i = at + 1; i < at + std::size_t(n); ++i)
                path.lineTo(points[i].x, points[i].y);
        }
        at += std::size_t(n);
    }
    m_painter->drawPath(path);
}

CPixelView CQtPainterBackend::ThinLinePixels(IntRect& clip) const
{
    // Only on the program's own memory: on a window's or someone else's
    // painter a line is the painter's own.
    if (!m_memory.IsValid() || m_qpen.style() != Qt::SolidLine || m_qpen.width() > 1 ||
        m_qpen.color().alpha() != 255)
        return {};
    return PlainPixels(clip);
}

CPixelView CQtPainterBackend::PlainPixels(IntRect& clip) const
{
    QPaintDevice* device = m_painter->device();
    const QPaintEngine* engine = m_painter->paintEngine();
    if (!m_painter->isActive() || !device || !engine || engine->type() != QPaintEngine::Raster ||
        m_mode != QPainter::CompositionMode_SourceOver ||
        m_painter->testRenderHint(QPainter::Antialiasing) ||
        m_painter->combinedTransform().type() != QTransform::TxNone ||
        device->devicePixelRatio() != 1.0)
        return {};
    CPixelView pixels = m_memory;
    if (!pixels.IsValid()) {
        // Someone else's painter on an image of its own (not shared, so the
        // painter and we write the same pixels).
        if (device->devType() != QInternal::Image)
            return {};
        auto* image = static_cast<QImage*>(device);
        if (image->format() != QImage::Format_RGB32 || !image->isDetached())
            return {};
        pixels =
            CPixelView{reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(image->constBits())),
                       image->width(), image->height(), image->bytesPerLine() / 4};
    }
    QRect allowed(0, 0, pixels.width, pixels.height);
    if (m_painter->hasClipping()) {
        const QRegion region = m_painter->clipRegion();
        if (region.rectCount() > 1)
            return {};
        allowed &= region.boundingRect();
    }
    clip = {allowed.left(), allowed.top(), allowed.left() + allowed.width(),
            allowed.top() + allowed.height()};
    return pixels;
}

void CQtPainterBackend::FillAreas(std::span<const IntPoint> points, std::span<const int> ringSizes,
                                  std::span<const AreaFill> areas)
{
    IntRect clip;
    const CPixelView pixels = PlainPixels(clip);
    if (!pixels.IsValid() || !m_areaFiller.Fill(pixels, clip, points, ringSizes, areas))
        CDrawBackend::FillAreas(points, ringSizes, areas);
}

void CQtPainterBackend::Ellipse(const IntRect& r)
{
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return;
    m_painter->drawEllipse(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
}

void CQtPainterBackend::Arc(const IntRect& box, IntPoint start, IntPoint end,
                            ArcDirection direction)
{
    // Drawn as a polyline so that the ends lie exactly where the radials
    // through `start` and `end` cross the ellipse, whatever its proportions.
    const double a = (box.right - box.left - 1) / 2.0, b = (box.bottom - box.top - 1) / 2.0;
    if (a < 0 || b < 0)
        return;
    const double cx = box.left + a, cy = box.top + b;
    // Angles counter-clockwise with y up, then the ellipse's own parameter
    // of the point on each radial.
    auto parameter = [&](IntPoint p) {
        const double theta = std::atan2(-(p.y - cy), p.x - cx);
        return std::atan2(a * std::sin(theta), b * std::cos(theta));
    };
    const double t0 = parameter(start);
    double t1 = parameter(end);
    constexpr double kTurn = 2 * std::numbers::pi;
    if (direction == ArcDirection::CounterClockwise) {
        while (t1 <= t0)
            t1 += kTurn;
    } else {
        while (t1 >= t0)
            t1 -= kTurn;
    }
    const double sweep = t1 - t0;
    const int steps = std::clamp(int(std::fabs(sweep) * std::max(a, b) / 2.0) + 1, 4, 4096);
    std::vector<QPointF> points;
    points.reserve(std::size_t(steps) + 1);
    for (int i = 0; i <= steps; ++i) {
        const double t = t0 + sweep * i / steps;
        points.emplace_back(std::round(cx + a * std::cos(t)), std::round(cy - b * std::sin(t)));
    }
    m_painter->drawPolyline(points.data(), int(points.size()));
}

void CQtPainterBackend::TextOut(IntPoint at, std::string_view text)
{
    const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const QFontMetrics& metrics = Metrics();
    // The width is measured only when the placement or the background needs it.
    const bool needsWidth = (m_textAlign & TA_CENTER) == TA_CENTER || (m_textAlign & TA_RIGHT) ||
                            m_bkMode == BkMode::Opaque;
    const int width = needsWidth ? TextWidth(text) : 0;
    int dx = 0, dy = 0;
    if ((m_textAlign & TA_CENTER) == TA_CENTER)
        dx = -width / 2;
    else if (m_textAlign & TA_RIGHT)
        dx = -width;
    if ((m_textAlign & TA_BASELINE) == TA_BASELINE)
        dy = 0;
    else if (m_textAlign & TA_BOTTOM)
        dy = -metrics.descent();
    else
        dy = metrics.ascent();
    if (m_qfontEscapement != 0) {
        m_painter->save();
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_painter->translate(at.x, at.y);
        m_painter->rotate(-m_qfontEscapement / 10.0);
        if (m_bkMode == BkMode::Opaque)
            m_painter->fillRect(QRect(dx, dy - metrics.ascent(), width, metrics.height()),
                                ToQColor(m_bkColour));
        m_painter->setPen(ToQColor(m_textColour));
        m_painter->drawText(QPoint(dx, dy), s);
        m_painter->restore();
        return;
    }
    // Level text: no transform to save and undo, only the pen and the mode.
    if (m_mode != QPainter::CompositionMode_SourceOver)
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_bkMode == BkMode::Opaque)
        m_painter->fillRect(QRect(at.x + dx, at.y + dy - metrics.ascent(), width, metrics.height()),
                            ToQColor(m_bkColour));
    m_painter->setPen(ToQColor(m_textColour));
    // Drawn from its layout made once: the top left is the baseline less the ascent.
    TextWidth(text);   // makes the font key
    m_painter->drawStaticText(QPoint(at.x + dx, at.y + dy - metrics.ascent()),
                              CTextWidthCache::Layout(*m_widthKey, m_qfont, text));
    m_painter->setPen(m_qpen);
    if (m_mode != QPainter::CompositionMode_SourceOver)
        m_painter->setCompositionMode(m_mode);
}

IntSize CQtPainterBackend::GetTextExtent(std::string_view text)
{
    return IntSize{TextWidth(text), Metrics().height()};
}

void CQtPainterBackend::PatBlt(const IntRect& rect, PatOp op)
{
    const QRect r = ToQRect(rect);
    m_painter->save();
    switch (op) {
    case PatOp::PatCopy:
        m_painter->setCompositionMode(QPainter::CompositionMode_Source);
        m_painter->fillRect(r,
                            m_qbrush.style() == Qt::NoBrush ? QBrush(Qt::transparent) : m_qbrush);
        break;
    case PatOp::PatInvert:
        m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter->fillRect(r, m_qbrush.color());
        break;
    case PatOp::DstInvert:
        m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter->fillRect(r, Qt::black);
        break;
    case PatOp::Blackness:
        m_painter->setCompositionMode(QPainter::CompositionMode_Source);
        m_painter->fillRect(r, Qt::black);
        break;
    case PatOp::Whiteness:
        m_painter->setCompositionMode(QPainter::CompositionMode_Source);
        m_painter->fillRect(r, Qt::white);
        break;
    }
    m_painter->restore();
}

void CQtPainterBackend::DrawPixels(const CPixelView& source, const IntRect& sourceRect,
                                   const IntRect& dest)
{
    // A view of the memory, not a copy...
    const QImage image(reinterpret_cast<const uchar*>(source.bits), source.width, source.height,
                       qsizetype(source.stride) * 4, QImage::Format_RGB32);
    m_painter->save();
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // ... except on a device that keeps what it is given to play back later
    // (a print preview's pages, a recorded picture): it gets its own pixels,
    // since the memory is reused or freed long before the playback.
    const QPaintDevice* device = m_painter->device();
    const int type = device ? device->devType() : 0;
    if (type == QInternal::Printer || type == QInternal::Picture)
        m_painter->drawImage(ToQRect(dest), image.copy(ToQRect(sourceRect)));
    else
        m_painter->drawImage(ToQRect(dest), image, ToQRect(sourceRect));
    m_painter->restore();
}

void CQtPainterBackend::Stamp(const CSymbolStamp& stamp, std::span<const IntPoint> points)
{
    if (stamp.IsEmpty())
        return;
    if (m_ownPainter && m_memory.IsValid() && m_mode == QPainter::CompositionMode_SourceOver &&
        !m_painter->hasClipping() && m_painter->combinedTransform().type() == QTransform::TxNone) {
        StampInto(m_memory, stamp, points);
        return;
    }
    const QImage image(reinterpret_cast<const uchar*>(stamp.pixels.data()), stamp.Width(),
                       stamp.Height(), qsizetype(stamp.Width()) * 4,
                       QImage::Format_ARGB32_Premultiplied);
    for (const IntPoint& p : points)
        m_painter->drawImage(QPoint(p.x + stamp.box.left, p.y + stamp.box.top), image);
}

std::unique_ptr<CDrawBackend> CQtPainterBackend::CreateForMemory(const CPixelView& memory) const
{
    if (!m_ownPainter || !m_memory.IsValid())
        return nullptr;
    auto backend = std::make_unique<CQtPainterBackend>(memory);
    backend->m_dpiX = m_dpiX;
    backend->m_dpiY = m_dpiY;
    return backend;
}

int CQtPainterBackend::GetDeviceCaps(DeviceCap cap) const
{
    const QPaintDevice* device = m_painter->device();
    switch (cap) {
    case DeviceCap::HorzRes: return device ? device->width() : 0;
    case DeviceCap::VertRes: return device ? device->height() : 0;
    case DeviceCap::LogPixelsX: return m_dpiX;
    case DeviceCap::LogPixelsY: return m_dpiY;
    }
    return 0;
}

std::unique_ptr<CDrawBackend> CQtBackendFactory::CreateForMemory(const CPixelView& memory)
{
    return std::make_unique<CQtPainterBackend>(memory);
}

}   // namespace chart
