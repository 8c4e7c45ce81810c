#include "chart/draw/XDC.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "chart/draw/PixelOps.h"

namespace chart {

namespace {

CDrawBackendFactory* g_factory = nullptr;

bool IsEmptyRect(const IntRect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// Keeps `value` as the context's state, tells the backend (when there is one)
// and hands back the value it replaced.
template <typename T>
T Replace(T& state, T value, CDrawBackend* backend, void (CDrawBackend::*tell)(T))
{
    const T old = std::exchange(state, value);
    if (backend)
        (backend->*tell)(value);
    return old;
}

}   // namespace

void SetDrawBackendFactory(CDrawBackendFactory* factory)
{
    g_factory = factory;
}
CDrawBackendFactory* GetDrawBackendFactory()
{
    return g_factory;
}

CXDC::CXDC(std::unique_ptr<CDrawBackend> backend)
{
    Attach(std::move(backend));
}

CXDC::~CXDC() = default;

void CXDC::Attach(std::unique_ptr<CDrawBackend> backend)
{
    m_backend = std::move(backend);
    SendState();
}

std::unique_ptr<CDrawBackend> CXDC::Detach()
{
    return std::move(m_backend);
}

void CXDC::SendState()
{
    if (!m_backend)
        return;
    m_backend->SetPen(m_pen);
    m_backend->SetBrush(m_brush);
    m_backend->SetFont(m_font);
    m_backend->SetRop2(m_rop);
    m_backend->SetTextColour(m_textColour);
    m_backend->SetBkColour(m_bkColour);
    m_backend->SetBkMode(m_bkMode);
    m_backend->SetTextAlign(m_textAlign);
}

Pen CXDC::SelectPen(const Pen& pen)
{
    Pen old = m_pen;
    m_pen = pen;
    if (m_backend && !(old == pen))
        m_backend->SetPen(pen);
    return old;
}

Pen CXDC::SelectPen(COLORREF colour, PenStyle style, int width)
{
    return SelectPen(Pen{style, width, colour});
}

Brush CXDC::SelectBrush(const Brush& brush)
{
    Brush old = m_brush;
    m_brush = brush;
    if (m_backend && !(old == brush))
        m_backend->SetBrush(brush);
    return old;
}

Font CXDC::SelectFont(const Font& font)
{
    Font old = m_font;
    m_font = font;
    if (m_backend && !(old == font))
        m_backend->SetFont(font);
    return old;
}

void CXDC::SelectStockObject(StockObject object)
{
    using app::RGB;
    switch (object) {
    case StockObject::WhiteBrush: SelectBrush(RGB(255, 255, 255)); break;
    case StockObject::LightGrayBrush: SelectBrush(RGB(192, 192, 192)); break;
    case StockObject::GrayBrush: SelectBrush(RGB(128, 128, 128)); break;
    case StockObject::DarkGrayBrush: SelectBrush(RGB(64, 64, 64)); break;
    case StockObject::BlackBrush: SelectBrush(RGB(0, 0, 0)); break;
    case StockObject::NullBrush: SelectBrush(Brush{BrushStyle::Hollow, 0}); break;
    case StockObject::WhitePen: SelectPen(RGB(255, 255, 255)); break;
    case StockObject::BlackPen: SelectPen(RGB(0, 0, 0)); break;
    case StockObject::NullPen: SelectPen(Pen{PenStyle::Null, 1, 0}); break;
    }
}

Rop2 CXDC::SetROP2(Rop2 rop)
{
    return Replace(m_rop, rop, m_backend.get(), &CDrawBackend::SetRop2);
}

COLORREF CXDC::SetTextColor(COLORREF colour)
{
    return Replace(m_textColour, colour, m_backend.get(), &CDrawBackend::SetTextColour);
}

COLORREF CXDC::SetBkColor(COLORREF colour)
{
    return Replace(m_bkColour, colour, m_backend.get(), &CDrawBackend::SetBkColour);
}

BkMode CXDC::SetBkMode(BkMode mode)
{
    return Replace(m_bkMode, mode, m_backend.get(), &CDrawBackend::SetBkMode);
}

unsigned CXDC::SetTextAlign(unsigned align)
{
    return Replace(m_textAlign, align, m_backend.get(), &CDrawBackend::SetTextAlign);
}

ArcDirection CXDC::SetArcDirection(ArcDirection direction)
{
    return std::exchange(m_arcDirection, direction);
}

int CXDC::GetDeviceCaps(DeviceCap cap) const
{
    return m_backend ? m_backend->GetDeviceCaps(cap) : 0;
}

void CXDC::ReachRows(int top, int bottom) const
{
    const int margin = std::max(m_pen.width, 1) + 2;
    Reach(top - margin, bottom + margin + 1);
}

void CXDC::ReachPoints(std::span<const IntPoint> points) const
{
    if (points.empty())
        return;
    const auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                                 [](IntPoint a, IntPoint b) { return a.y < b.y; });
    ReachRows(low->y, high->y);
}

IntPoint CXDC::MoveTo(int x, int y)
{
    const IntPoint old = m_position;
    m_position = {x, y};
    return old;
}

bool CXDC::LineTo(int x, int y)
{
    const IntPoint from = m_position;
    m_position = {x, y};
    if (!m_backend)
        return false;
    ReachRows(std::min(from.y, y), std::max(from.y, y));
    m_backend->Line(from, m_position);
    return true;
}

bool CXDC::DrawLine(IntPoint from, int x, int y)
{
    MoveTo(from);
    return LineTo(x, y);
}

bool CXDC::DrawDottedLine(IntPoint a, int bx, int by, int spacing, bool dotted)
{
    // The step is the spacing in pen widths, kept to a byte as the stored
    // settings always were; a step of 0 would never advance, so it draws the
    // line plain.
    const unsigned penWidth = static_cast<unsigned>(std::max(m_pen.width, 1));
    const int step = static_cast<int>((static_cast<unsigned>(spacing) * penWidth) & 0xFFu);
    if (!dotted || step == 0)
        return DrawLine(a, bx, by);
    if (!m_backend)
        return false;
    // The dots go to the backend in one batch: a route leg has hundreds.
    m_dots.clear();
    if (a.x == bx) {
        for (int y = std::min(a.y, by); y <= std::max(a.y, by); y += step)
            m_dots.push_back({a.x, y});
    } else if (a.y == by) {
        for (int x = std::min(a.x, bx); x <= std::max(a.x, bx); x += step)
            m_dots.push_back({x, a.y});
    } else {
        const double dx = double(bx) - a.x;
        const double dy = double(by) - a.y;
        const double angle = std::atan(std::fabs(dy) / std::fabs(dx));
        const double xStep = step * std::cos(angle) * (dx < 0 ? -1 : 1);
        const double yStep = step * std::sin(angle) * (dy < 0 ? -1 : 1);
        const int minX = std::min(a.x, bx), maxX = std::max(a.x, bx);
        const int minY = std::min(a.y, by), maxY = std::max(a.y, by);
        double x = a.x, y = a.y;
        for (;;) {
            const int ix = static_cast<int>(x), iy = static_cast<int>(y);
            if (ix < minX || ix > maxX || iy < minY || iy > maxY)
                break;
            m_dots.push_back({ix, iy});
            x += xStep;
            y += yStep;
        }
    }
    const IntPoint reach = m_pen.width > 1 ? IntPoint{0, 0}
                           : a.x == bx     ? IntPoint{0, 1}
                                           : IntPoint{1, 0};
    ReachPoints(m_dots);
    m_backend->Dots(m_dots, reach);
    // Where the last dot's own line would have left the position.
    if (!m_dots.empty())
        m_position = {m_dots.back().x + reach.x, m_dots.back().y + reach.y};
    return true;
}

bool CXDC::Polyline(std::span<const IntPoint> points)
{
    if (!m_backend)
        return false;
    ReachPoints(points);
    m_backend->Polyline(points);
    return true;
}

bool CXDC::Polygon(std::span<const IntPoint> points)
{
    if (!m_backend)
        return false;
    ReachPoints(points);
    m_backend->Polygon(points);
    return true;
}

bool CXDC::PolyPolygon(std::span<const IntPoint> points, std::span<const int> counts)
{
    if (!m_backend)
        return false;
    std::size_t total = 0;
    for (int n : counts) {
        if (n < 0)
            return false;
        total += std::size_t(n);
    }
    if (total > points.size())
        return false;
    ReachPoints(points.first(total));
    m_backend->PolyPolygon(points, counts);
    return true;
}

bool CXDC::FillAreas(std::span<const IntPoint> points, std::span<const int> ringSizes,
                     std::span<const AreaFill> areas)
{
    if (!m_backend)
        return false;
    std::size_t rings = 0, total = 0;
    for (const AreaFill& a : areas)
        rings += a.rings;
    if (rings > ringSizes.size())
        return false;
    for (int n : ringSizes.first(rings)) {
        if (n < 0)
            return false;
        total += std::size_t(n);
    }
    if (total > points.size())
        return false;
    if (areas.empty())
        return true;
    // No pen: the areas reach only their own rows.
    const auto [low, high] =
        std::minmax_element(points.begin(), points.begin() + std::ptrdiff_t(total),
                            [](IntPoint a, IntPoint b) { return a.y < b.y; });
    if (total > 0)
        Reach(low->y, high->y + 1);
    m_backend->FillAreas(points.first(total), ringSizes.first(rings), areas);
    m_backend->SetPen(m_pen);
    m_backend->SetBrush(m_brush);
    return true;
}

bool CXDC::Rectangle(int left, int top, int right, int bottom)
{
    if (!m_backend)
        return false;
    ReachRows(std::min(top, bottom), std::max(top, bottom));
    m_backend->Rectangle(IntRect{left, top, right, bottom});
    return true;
}

bool CXDC::Polygons(std::span<const IntPoint> shape, std::span<const IntPoint> places)
{
    if (!m_backend)
        return false;
    if (!shape.empty() && !places.empty()) {
        const auto [low, high] = std::minmax_element(
            shape.begin(), shape.end(), [](IntPoint a, IntPoint b) { return a.y < b.y; });
        const auto [first, last] = std::minmax_element(
            places.begin(), places.end(), [](IntPoint a, IntPoint b) { return a.y < b.y; });
        ReachRows(first->y + low->y, last->y + high->y);
    }
    m_backend->Polygons(shape, places);
    return true;
}

bool CXDC::Rectangles(std::span<const IntRect> rects)
{
    if (!m_backend)
        return false;
    for (const IntRect& r : rects)
        ReachRows(std::min(r.top, r.bottom), std::max(r.top, r.bottom));
    m_backend->Rectangles(rects);
    return true;
}

bool CXDC::DrawRectangle(const IntRect& rect)
{
    CSelStock hollow(*this, StockObject::NullBrush);
    return Rectangle(rect);
}

bool CXDC::DrawFrameRect(const IntRect& r, int spacing, bool dotted)
{
    if (!dotted)
        return DrawRectangle(r);
    bool ok = DrawDottedLine(r.left, r.top, r.right, r.top, spacing, true);
    ok = DrawDottedLine(r.right, r.top, r.right, r.bottom, spacing, true) && ok;
    ok = DrawDottedLine(r.right, r.bottom, r.left, r.bottom, spacing, true) && ok;
    ok = DrawDottedLine(r.left, r.bottom, r.left, r.top, spacing, true) && ok;
    return ok;
}

bool CXDC::Ellipse(int left, int top, int right, int bottom)
{
    if (!m_backend)
        return false;
    ReachRows(std::min(top, bottom), std::max(top, bottom));
    m_backend->Ellipse(IntRect{left, top, right, bottom});
    return true;
}

bool CXDC::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    if (!m_backend)
        return false;
    ReachRows(std::min(top, bottom), std::max(top, bottom));
    m_backend->Arc(IntRect{left, top, right, bottom}, IntPoint{xStart, yStart},
                   IntPoint{xEnd, yEnd}, m_arcDirection);
    return true;
}

bool CXDC::PatBlt(const IntRect& rect, PatOp op)
{
    if (!m_backend || IsEmptyRect(rect))
        return false;
    Reach(std::min(rect.top, rect.bottom), std::max(rect.top, rect.bottom));
    m_backend->PatBlt(rect, op);
    return true;
}

bool CXDC::TextOut(int x, int y, std::string_view text)
{
    if (!m_backend)
        return false;
    // Any alignment keeps the text within its height of the point; turned
    // text within its length.
    const IntSize extent = m_backend->GetTextExtent(text);
    const int reach = (m_font.escapement % 3600 != 0 ? extent.cx : 0) + extent.cy + 2;
    Reach(y - reach, y + reach + 1);
    m_backend->TextOut(IntPoint{x, y}, text);
    return true;
}

IntSize CXDC::GetTextExtent(std::string_view text) const
{
    return m_backend ? m_backend->GetTextExtent(text) : IntSize{};
}

CPixelView CXDC::Memory() const
{
    Reach(INT_MIN, INT_MAX);
    return m_backend ? m_backend->Memory() : CPixelView{};
}

COLORREF CXDC::GetPixel(int x, int y) const
{
    const CPixelView memory = Memory();
    if (!memory.IsValid() || x < 0 || y < 0 || x >= memory.width || y >= memory.height)
        return CLR_INVALID;
    Reach(y, y + 1);
    m_backend->Flush();
    return app::PixelToColour(memory.Row(y)[x]);
}

bool CXDC::BlitIndexed(const CIndexedImage& image, const IntRect& sourceRect, const IntRect& dest,
                       const CPaletteTable* table)
{
    if (!table)
        table = m_palette;
    if (!m_backend || !table || !image.bits || IsEmptyRect(sourceRect) || IsEmptyRect(dest))
        return false;
    Reach(std::min(dest.top, dest.bottom), std::max(dest.top, dest.bottom));
    const CPixelView memory = m_backend->Memory();
    if (memory.IsValid()) {
        m_backend->Flush();
        BlitIndexedToRGB32(image, sourceRect, memory, dest, *table);
        return true;
    }
    // A window or printer: convert into a scratch image of the destination's
    // size, then hand that over unscaled.
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    std::vector<std::uint32_t> scratch(std::size_t(w) * std::size_t(h), 0xFF000000u);
    const CPixelView view{scratch.data(), w, h, w};
    BlitIndexedToRGB32(image, sourceRect, view, IntRect{0, 0, w, h}, *table);
    m_backend->DrawPixels(view, IntRect{0, 0, w, h}, dest);
    return true;
}

bool CXDC::BitBlt(int x, int y, int width, int height, const CXDC& source, int sx, int sy)
{
    const CPixelView from = source.Memory();
    if (!m_backend || !from.IsValid() || width <= 0 || height <= 0)
        return false;
    source.m_backend->Flush();
    Reach(y, y + height);
    const CPixelView to = m_backend->Memory();
    if (to.IsValid()) {
        m_backend->Flush();
        CopyPixels(from, sx, sy, to, x, y, width, height);
        return true;
    }
    m_backend->DrawPixels(from, IntRect{sx, sy, sx + width, sy + height},
                          IntRect{x, y, x + width, y + height});
    return true;
}

bool CXDC::StretchBlt(const IntRect& dest, const CXDC& source, const IntRect& sourceRect)
{
    const CPixelView from = source.Memory();
    if (!from.IsValid())
        return false;
    source.m_backend->Flush();
    return DrawPixels(from, sourceRect, dest);
}

bool CXDC::DrawPixels(const CPixelView& source, const IntRect& sourceRect, const IntRect& dest)
{
    if (!m_backend || !source.IsValid() || IsEmptyRect(sourceRect) || IsEmptyRect(dest))
        return false;
    Reach(std::min(dest.top, dest.bottom), std::max(dest.top, dest.bottom));
    const CPixelView to = m_backend->Memory();
    if (to.IsValid()) {
        m_backend->Flush();
        StretchPixels(source, sourceRect, to, dest);
        return true;
    }
    m_backend->DrawPixels(source, sourceRect, dest);
    return true;
}

CSelStock::CSelStock(CXDC& dc, StockObject object)
    : m_dc(dc), m_isPen(object == StockObject::WhitePen || object == StockObject::BlackPen ||
                        object == StockObject::NullPen),
      m_oldPen(dc.GetCurrentPen()), m_oldBrush(dc.GetCurrentBrush())
{
    dc.SelectStockObject(object);
}

CSelStock::~CSelStock()
{
    if (m_isPen)
        m_dc.SelectPen(m_oldPen);
    else
        m_dc.SelectBrush(m_oldBrush);
}

CSelPen::CSelPen(CXDC& dc, COLORREF colour, PenStyle style, int width)
    : m_dc(dc), m_old(dc.SelectPen(colour, style, width))
{ }
CSelPen::CSelPen(CXDC& dc, const Pen& pen) : m_dc(dc), m_old(dc.SelectPen(pen)) { }
CSelPen::~CSelPen()
{
    m_dc.SelectPen(m_old);
}

CSelBrush::CSelBrush(CXDC& dc, COLORREF colour) : m_dc(dc), m_old(dc.SelectBrush(colour)) { }
CSelBrush::CSelBrush(CXDC& dc, const Brush& brush) : m_dc(dc), m_old(dc.SelectBrush(brush)) { }
CSelBrush::~CSelBrush()
{
    m_dc.SelectBrush(m_old);
}

CSelFont::CSelFont(CXDC& dc, const Font& font) : m_dc(dc), m_old(dc.SelectFont(font)) { }
CSelFont::~CSelFont()
{
    m_dc.SelectFont(m_old);
}

CSymbolStamp CXDC::MakeStamp(const IntRect& box,
                             const std::function<void(CXDC&, IntPoint)>& draw) const
{
    if (!m_backend || m_rop != Rop2::CopyPen || IsEmptyRect(box))
        return {};
    const int width = box.right - box.left, height = box.bottom - box.top;
    std::vector<std::uint32_t> black(std::size_t(width) * std::size_t(height), 0xFF000000u);
    std::vector<std::uint32_t> white(black.size(), 0xFFFFFFFFu);
    const CPixelView onBlack{black.data(), width, height, width};
    const CPixelView onWhite{white.data(), width, height, width};
    for (const CPixelView& ground : {onBlack, onWhite}) {
        std::unique_ptr<CDrawBackend> backend = m_backend->CreateForMemory(ground);
        if (!backend)
            return {};
        CXDC dc;
        dc.m_pen = m_pen;
        dc.m_brush = m_brush;
        dc.m_font = m_font;
        dc.m_textColour = m_textColour;
        dc.m_bkColour = m_bkColour;
        dc.m_bkMode = m_bkMode;
        dc.m_textAlign = m_textAlign;
        dc.m_arcDirection = m_arcDirection;
        dc.m_palette = m_palette;
        dc.Attach(std::move(backend));
        draw(dc, IntPoint{-box.left, -box.top});
        dc.Detach().reset();   // its painting ends, every pixel written
    }
    return StampFromTwoGrounds(box, onBlack, onWhite);
}

bool CXDC::Stamp(const CSymbolStamp& stamp, std::span<const IntPoint> points)
{
    if (!m_backend || stamp.IsEmpty())
        return false;
    if (!points.empty()) {
        const auto [first, last] = std::minmax_element(
            points.begin(), points.end(), [](IntPoint a, IntPoint b) { return a.y < b.y; });
        Reach(first->y + stamp.box.top, last->y + stamp.box.bottom);
    }
    m_backend->Stamp(stamp, points);
    return true;
}

}   // namespace chart
