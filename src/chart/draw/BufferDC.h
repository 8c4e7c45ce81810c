#pragma once
// Off-screen drawing: a `CBufferDC` is a context over its own block of RGB32
// pixels; a `CScreenBuffer` is the chart view's three of them (chart image,
// static overlays, dynamic overlays) in the order the view draws them.
//
// A buffer's "palette" is the table its 8-bit blits go through (the active
// display palette's chart colours); it is not owned. Copies between buffers
// are row copies of memory. Buffers start at the size of the view's screen
// in device pixels (640 x 480 when there is none) and grow, never shrink,
// when a view outgrows them.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "chart/draw/XDC.h"

namespace app {
class CDisplayPalettes;
}

namespace chart {

class CBufferDC final : public CXDC {
public:
    CBufferDC(const CPaletteTable* palette, int width, int height);
    ~CBufferDC() override;

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Makes the buffer at least this size; the old pixels keep their place
    // (new area black). The backend is made anew over the new memory, with
    // the same selections.
    void EnsureSize(int width, int height);

    void SetPalette(const CPaletteTable* palette) { CXDC::SetPalette(palette); }

    // Copies (right - left) x (bottom - top) pixels from (sx, sy) to
    // (left, top) of `dest`.
    bool BlitTo(CXDC& dest, int left, int top, int right, int bottom, int sx, int sy) const;

    // Prints `source` (a rectangle of this buffer) into `target` on the
    // printer context: the source is framed with a black line 4 pixels wide,
    // then scaled into the target's left, top and width, with a height that
    // keeps the picture's proportions on the printer's resolution.
    bool PrintTo(CXDC& printer, const IntRect& target, const IntRect& source);

    // Called with the rows (clamped to the buffer) before they are drawn on
    // or read; the screen buffer fills them there from the buffer below.
    void SetRowFiller(std::function<void(int top, int bottom)> filler)
    {
        m_filler = std::move(filler);
    }

protected:
    void Reach(int top, int bottom) const override;

private:
    void MakeBackend();

    std::function<void(int, int)> m_filler;

    std::vector<std::uint32_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
};

// The target height of a printout: target width x source height x the
// printer's vertical dots per inch over (source width x its horizontal dots
// per inch), truncated; computed in 64 bits. 0 for an empty source.
int PrintHeightFor(int targetWidth, const IntRect& source, int logPixelsX, int logPixelsY);

// The static and dynamic buffers are filled from the buffer below them on
// demand, in bands of rows: after `BeginStatic` the static picture is the
// chart buffer's until a static layer draws on some rows, which are then
// copied up first; `BeginDynamic` does the same for the dynamic picture over
// the static one. A layer that draws nothing costs no copy, and a vessel that
// moves costs a copy of the rows it covers. The shown picture is, per band,
// the highest buffer that holds it (`ShownRuns`); anything that reads a
// buffer's whole memory gets it complete.
class CScreenBuffer {
public:
    static constexpr int kBandRows = 16;
    struct Run {
        const CBufferDC* buffer;
        int top;
        int bottom;
    };

    // A size of 0 (or below) in either direction means no screen: 640 x 480.
    CScreenBuffer(const CPaletteTable* palette, int width, int height);
    ~CScreenBuffer();
    CScreenBuffer(const CScreenBuffer&) = delete;
    CScreenBuffer& operator=(const CScreenBuffer&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    CBufferDC& Chart() { return *m_chart; }
    CBufferDC& Static() { return *m_static; }
    CBufferDC& Dynamic() { return *m_dynamic; }

    // Grows all three buffers when the view is larger than they are.
    void EnsureSize(int width, int height);
    void SetPalette(const CPaletteTable* palette);
    // Fills the chart buffer with the active display palette's window colour.
    void ClearToWindowColour(const app::CDisplayPalettes& palettes);
    void ClearToColour(COLORREF colour);
    // Whole copies: the static picture becomes the chart, the dynamic one the
    // static picture, every row filled.
    void CopyChartToStatic();
    void CopyStaticToDynamic();
    // The static picture is the chart again (and so is the dynamic one), or
    // the dynamic picture is the static one again; rows are copied when
    // drawn on.
    void BeginStatic();
    void BeginDynamic();
    // The rows [top, bottom) of the shown picture as runs of bands, each with
    // the buffer that holds them, top to bottom.
    std::vector<Run> ShownRuns(int top, int bottom) const;
    // Fills the dynamic buffer's every row, so it holds the whole picture.
    void CompleteDynamic();
    bool BlitToScreen(CXDC& dest, int left, int top, int right, int bottom, int sx, int sy) const;
    bool PrintTo(CXDC& printer, const IntRect& target, const IntRect& source);

private:
    void FillStatic(int top, int bottom);
    void FillDynamic(int top, int bottom);
    void ResetBands();

    std::unique_ptr<CBufferDC> m_chart;
    std::unique_ptr<CBufferDC> m_static;
    std::unique_ptr<CBufferDC> m_dynamic;
    int m_width = 0;
    int m_height = 0;
    // Per band: the static buffer holds the static picture there; the
    // dynamic buffer holds the dynamic picture there.
    std::vector<std::uint8_t> m_staticBands;
    std::vector<std::uint8_t> m_dynamicBands;
};

}   // namespace chart
