#pragma once
// A chart window without a window: the client rectangle, state, message bar
// and placement a chart document asks for, and counters of the redraws it
// requests.

#include <optional>
#include <string>

#include "app/MsgBar.h"
#include "chart/ChartWindow.h"

namespace brine_test {

class FakeChartWindow final : public chart::CChartWindow {
public:
    explicit FakeChartWindow(geo::IntRect client = {0, 0, 800, 400},
                             int state = chart::kFrameNormal)
        : client(client), state(state)
    { }

    int GetState() const override { return state; }
    chart::CChartDoc* GetChartDoc() const override { return doc; }
    app::CMsgBar* GetMsgBar() const override { return msgBar; }
    void SetTitle(const std::string& t) override { title = t; }
    geo::IntRect GetClientRect() const override { return client; }
    void InvalidateChart() override { ++chartRedraws; }
    void InvalidateOverlays() override { ++overlayRedraws; }
    void InvalidateView() override { ++viewRedraws; }
    void UpdateView() override { }
    void SelectDisplayPalette() override { ++paletteSelects; }
    void ClearViewOverlays() override
    {
        if (throwOnClear)
            throw 1;
    }
    chart::CWindowPlacement GetPlacement() const override { return placement; }
    void SetPlacement(const chart::CWindowPlacement& p) override { placement = p; }
    void ActivateFrame() override { }
    std::optional<geo::IntPoint> GetCursorClientPoint() const override { return cursor; }

    geo::IntRect client;
    int state;
    chart::CChartDoc* doc = nullptr;
    app::CMsgBar* msgBar = nullptr;
    std::string title;
    chart::CWindowPlacement placement;
    std::optional<geo::IntPoint> cursor;
    bool throwOnClear = false;
    int chartRedraws = 0;
    int overlayRedraws = 0;
    int viewRedraws = 0;
    int paletteSelects = 0;
};

}   // namespace brine_test
