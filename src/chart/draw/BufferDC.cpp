#include "chart/draw/BufferDC.h"

#include <algorithm>

#include "app/DisplayPalettes.h"
#include "chart/draw/Dib.h"
#include "chart/draw/PixelOps.h"
#include "chart/draw/RecordingBackend.h"

namespace chart {

namespace {
constexpr int kNoScreenWidth = 640;
constexpr int kNoScreenHeight = 480;
}   // namespace

CBufferDC::CBufferDC(const CPaletteTable* palette, int width, int height)
    : m_width(std::max(width, 1)), m_height(std::max(height, 1))
{
    m_pixels.assign(std::size_t(m_width) * std::size_t(m_height), 0xFF000000u);
    MakeBackend();
    CXDC::SetPalette(palette);
}

CBufferDC::~CBufferDC()
{
    // The backend may be painting on the memory: it goes first.
    Detach().reset();
}

void CBufferDC::MakeBackend()
{
    const CPixelView memory{m_pixels.data(), m_width, m_height, m_width};
    std::unique_ptr<CDrawBackend> backend;
    if (CDrawBackendFactory* factory = GetDrawBackendFactory())
        backend = factory->CreateForMemory(memory);
    if (!backend)
        backend = std::make_unique<CRecordingBackend>(memory);
    Attach(std::move(backend));
}

void CBufferDC::EnsureSize(int width, int height)
{
    if (width <= m_width && height <= m_height)
        return;
    const int newWidth = std::max(width, m_width), newHeight = std::max(height, m_height);
    Detach().reset();
    std::vector<std::uint32_t> grown(std::size_t(newWidth) * std::size_t(newHeight), 0xFF000000u);
    const CPixelView from{m_pixels.data(), m_width, m_height, m_width};
    const CPixelView to{grown.data(), newWidth, newHeight, newWidth};
    CopyPixels(from, 0, 0, to, 0, 0, m_width, m_height);
    m_pixels = std::move(grown);
    m_width = newWidth;
    m_height = newHeight;
    MakeBackend();
}

void CBufferDC::Reach(int top, int bottom) const
{
    if (!m_filler)
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_height);
    if (top < bottom)
        m_filler(top, bottom);
}

bool CBufferDC::BlitTo(CXDC& dest, int left, int top, int right, int bottom, int sx, int sy) const
{
    return dest.BitBlt(left, top, right - left, bottom - top, *this, sx, sy);
}

int PrintHeightFor(int targetWidth, const IntRect& source, int logPixelsX, int logPixelsY)
{
    const std::int64_t sourceWidth = std::int64_t(source.right) - source.left;
    const std::int64_t sourceHeight = std::int64_t(source.bottom) - source.top;
    const std::int64_t denominator = sourceWidth * logPixelsX;
    if (denominator <= 0 || sourceHeight <= 0 || targetWidth <= 0 || logPixelsY <= 0)
        return 0;
    const std::int64_t height = std::int64_t(targetWidth) * sourceHeight * logPixelsY / denominator;
    return static_cast<int>(std::min<std::int64_t>(height, 0x7FFFFFFF));
}

bool CBufferDC::PrintTo(CXDC& printer, const IntRect& target, const IntRect& source)
{
    // The picture is framed on the buffer itself, as the printout shows it.
    {
        CSelPen frame(*this, app::RGB(0, 0, 0), PenStyle::Solid, 4);
        DrawRectangle(source);
    }
    IntRect s{std::max(source.left, 0), std::max(source.top, 0), std::min(source.right, m_width),
              std::min(source.bottom, m_height)};
    if (s.right <= s.left || s.bottom <= s.top)
        return false;
    const int width = s.right - s.left, height = s.bottom - s.top;
    const CPixelView all = Memory();
    const CPixelView part{all.Row(s.top) + s.left, width, height, all.stride};
    std::optional<CDib> dib = BitmapToDIB(part);
    if (!dib)
        return false;
    const int printHeight =
        PrintHeightFor(target.right - target.left, s, printer.GetDeviceCaps(DeviceCap::LogPixelsX),
                       printer.GetDeviceCaps(DeviceCap::LogPixelsY));
    const IntRect t{target.left, target.top, target.right, target.top + printHeight};
    return PaintDIB(printer, t, &*dib, IntRect{0, 0, width, height}) > 0;
}

CScreenBuffer::CScreenBuffer(const CPaletteTable* palette, int width, int height)
{
    if (width <= 0 || height <= 0) {
        width = kNoScreenWidth;
        height = kNoScreenHeight;
    }
    m_width = width;
    m_height = height;
    m_chart = std::make_unique<CBufferDC>(palette, width, height);
    m_static = std::make_unique<CBufferDC>(palette, width, height);
    m_dynamic = std::make_unique<CBufferDC>(palette, width, height);
    m_static->SetRowFiller([this](int top, int bottom) { FillStatic(top, bottom); });
    m_dynamic->SetRowFiller([this](int top, int bottom) { FillDynamic(top, bottom); });
    ResetBands();
}

CScreenBuffer::~CScreenBuffer()
{
    m_dynamic.reset();
    m_static.reset();
    m_chart.reset();
}

void CScreenBuffer::EnsureSize(int width, int height)
{
    if (width <= m_width && height <= m_height)
        return;
    m_width = std::max(width, m_width);
    m_height = std::max(height, m_height);
    m_chart->EnsureSize(m_width, m_height);
    m_static->EnsureSize(m_width, m_height);
    m_dynamic->EnsureSize(m_width, m_height);
    ResetBands();
}

void CScreenBuffer::ResetBands()
{
    const std::size_t bands = std::size_t((m_height + kBandRows - 1) / kBandRows);
    m_staticBands.assign(bands, 0);
    m_dynamicBands.assign(bands, 0);
}

namespace {

// Copies whole bands [first, last) of rows between two buffers' memories.
void CopyBands(const CBufferDC& from, CBufferDC& to, int first, int last, int height)
{
    const int top = first * CScreenBuffer::kBandRows;
    const int bottom = std::min(last * CScreenBuffer::kBandRows, height);
    const CPixelView source = from.Backend()->Memory();
    const CPixelView dest = to.Backend()->Memory();
    from.Backend()->Flush();
    to.Backend()->Flush();
    CopyPixels(source, 0, top, dest, 0, top, std::min(source.width, dest.width), bottom - top);
}

}   // namespace

namespace {

// Marks the unfilled bands of `filled` that the rows [top, bottom) meet as
// filled, handing each run of them to `copy` (first band, band after the
// last); a run also ends where `sourceOf` names another source.
template <class SourceOf, class Copy>
void FillBands(std::vector<std::uint8_t>& filled, int top, int bottom, SourceOf sourceOf, Copy copy)
{
    const int last = (bottom + CScreenBuffer::kBandRows - 1) / CScreenBuffer::kBandRows;
    for (int band = top / CScreenBuffer::kBandRows; band < last;) {
        if (filled[std::size_t(band)]) {
            ++band;
            continue;
        }
        const auto source = sourceOf(band);
        int end = band;
        while (end < last && !filled[std::size_t(end)] && sourceOf(end) == source)
            filled[std::size_t(end++)] = 1;
        copy(source, band, end);
        band = end;
    }
}

}   // namespace

void CScreenBuffer::FillStatic(int top, int bottom)
{
    FillBands(
        m_staticBands, top, bottom, [](int) { return 0; },
        [this](int, int first, int last) {
            CopyBands(*m_chart, *m_static, first, last, m_height);
        });
}

void CScreenBuffer::FillDynamic(int top, int bottom)
{
    // Each band from the static buffer where that holds the static picture,
    // else from the chart buffer.
    FillBands(
        m_dynamicBands, top, bottom, [this](int band) { return m_staticBands[std::size_t(band)]; },
        [this](std::uint8_t fromStatic, int first, int last) {
            CopyBands(fromStatic ? *m_static : *m_chart, *m_dynamic, first, last, m_height);
        });
}

void CScreenBuffer::BeginStatic()
{
    std::fill(m_staticBands.begin(), m_staticBands.end(), 0);
    std::fill(m_dynamicBands.begin(), m_dynamicBands.end(), 0);
}

void CScreenBuffer::BeginDynamic()
{
    std::fill(m_dynamicBands.begin(), m_dynamicBands.end(), 0);
}

std::vector<CScreenBuffer::Run> CScreenBuffer::ShownRuns(int top, int bottom) const
{
    std::vector<Run> runs;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_height);
    for (int y = top; y < bottom;) {
        const std::size_t band = std::size_t(y / kBandRows);
        const CBufferDC* holder = m_dynamicBands[band]  ? m_dynamic.get()
                                  : m_staticBands[band] ? m_static.get()
                                                        : m_chart.get();
        const int end = std::min(int(band + 1) * kBandRows, bottom);
        if (!runs.empty() && runs.back().buffer == holder)
            runs.back().bottom = end;
        else
            runs.push_back({holder, y, end});
        y = end;
    }
    return runs;
}

void CScreenBuffer::CompleteDynamic()
{
    FillDynamic(0, m_height);
}

void CScreenBuffer::SetPalette(const CPaletteTable* palette)
{
    m_chart->SetPalette(palette);
    m_static->SetPalette(palette);
    m_dynamic->SetPalette(palette);
}

void CScreenBuffer::ClearToWindowColour(const app::CDisplayPalettes& palettes)
{
    ClearToColour(palettes.GetActiveSysColour(app::COLOR_WINDOW));
}

void CScreenBuffer::ClearToColour(COLORREF colour)
{
    m_chart->Backend()->Flush();
    FillPixels(m_chart->Memory(), IntRect{0, 0, m_width, m_height}, app::ColourToPixel(colour));
}

void CScreenBuffer::CopyChartToStatic()
{
    BeginStatic();
    FillStatic(0, m_height);
}

void CScreenBuffer::CopyStaticToDynamic()
{
    BeginDynamic();
    FillDynamic(0, m_height);
}

bool CScreenBuffer::BlitToScreen(CXDC& dest, int left, int top, int right, int bottom, int sx,
                                 int sy) const
{
    // The dynamic buffer's memory is read whole, which completes it.
    return m_dynamic->BlitTo(dest, left, top, right, bottom, sx, sy);
}

bool CScreenBuffer::PrintTo(CXDC& printer, const IntRect& target, const IntRect& source)
{
    return m_dynamic->PrintTo(printer, target, source);
}

}   // namespace chart
