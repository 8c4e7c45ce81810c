#pragma once
// What the chart core sees of one chart window: the frame with its state,
// message bar and placement, and the view inside it with its client area and
// redraw requests. The window layer implements it; tests give fakes, so the
// document and the charting module run without a window.

#include <cstdint>
#include <optional>
#include <string>

#include "geo/Clipping.h"

namespace app {
class CMsgBar;
}

namespace chart {

class CChartDoc;

// The frame's state, fixed when the window is made: the window id the main
// frame opened the chart with.
enum ChartFrameState : int {
    kFrameNormal = 0,
    kFrameAutoscroll = 1,   // the vessel's chart window
    kFramePrintPreview = 2,   // a copy made for a preview; left out of redraws
};

// Where a frame sits in its parent's client area. Show commands: 1 normal,
// 2 minimised, 3 maximised.
struct CWindowPlacement {
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 1;
    geo::IntPoint minPosition{-1, -1};
    geo::IntPoint maxPosition{-1, -1};
    geo::IntRect normal;
    bool operator==(const CWindowPlacement&) const = default;
};

class CChartWindow {
public:
    virtual ~CChartWindow() = default;

    virtual int GetState() const = 0;
    virtual CChartDoc* GetChartDoc() const = 0;
    // The frame's own message bar; null once it is gone.
    virtual app::CMsgBar* GetMsgBar() const = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // The view's client rectangle in the pixels the chart is drawn in.
    virtual geo::IntRect GetClientRect() const = 0;
    // The three redraw levels: chart and everything above it; the overlays
    // over the kept chart image; the dynamic layer only.
    virtual void InvalidateChart() = 0;
    virtual void InvalidateOverlays() = 0;
    virtual void InvalidateView() = 0;
    virtual void UpdateView() = 0;
    // The document's table of the active display palette goes into the
    // view's buffers, then everything is redrawn.
    virtual void SelectDisplayPalette() = 0;
    // The view forgets its range-and-bearing lines and position-fix
    // overlays (the document is closing).
    virtual void ClearViewOverlays() = 0;

    virtual CWindowPlacement GetPlacement() const = 0;
    virtual void SetPlacement(const CWindowPlacement& placement) = 0;
    virtual void ActivateFrame() = 0;
    // The mouse pointer in view client pixels when it is over the view.
    virtual std::optional<geo::IntPoint> GetCursorClientPoint() const = 0;
};

}   // namespace chart
