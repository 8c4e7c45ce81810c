#pragma once
// The "Plan" page of the Route Options sheet without windows: the switches a
// passage plan is calculated with, the tidal time step, the best-time search,
// how the plan's tracks are drawn and the plan files folder. It works on a
// copy of the plan module's values; applying stores them, and a change of
// anything a worked plan depends on clears the plan.

#include "app/OptionPages.h"
#include "chart/overlays/OverlayServices.h"

#include <cstdint>
#include <functional>
#include <string>

namespace routes {

class CPlanModule;

// The best-time "Mins" spun up or down: steps of 1, but 10 upward from 60
// and downward from 70, held to 1-3600.
int SpinBestTimeMinutes(int value, bool up);

struct CPlanOptions {
    bool variation = false;
    bool deviation = false;
    bool tides = false;
    std::int64_t tidalIntervalSeconds = 3600;   // 0:01 to 23:59
    bool overlays = true;   // the plan's tracks drawn
    int lineWidth = 2;   // 1..4 pixels
    int palette = 0;   // the palette the colour belongs to
    chart::COLORREF lineColour = 0;
    int bestTimePlans = 6;   // 2..12
    int bestTimeMinutes = 60;   // 1..3600
    std::string folder;
};

class CPlanOptionsModel final : public app::COptionPageModel {
public:
    // Variation is offered only while the magnetic model is loaded and the
    // tidal stream only while tidal data is available; otherwise each shows
    // unchecked and is stored off. `applied` runs after every apply (the
    // chart views and plan windows show the result).
    CPlanOptionsModel(CPlanModule& plan, bool magneticModelLoaded, bool tidalDataAvailable,
                      std::function<void()> applied);
    std::string Title() const override { return "Plan"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CPlanOptions& Values() { return m_values; }
    bool VariationEnabled() const { return m_magnetic; }
    bool TidesEnabled() const { return m_tidal; }
    bool IntervalEnabled() const { return m_tidal && m_values.tides; }
    bool LineEnabled() const { return m_values.overlays; }
    // The display palette changed while the page is open: the well shows the
    // new palette's colour (the one picked for the old palette is kept for it).
    bool FollowPalette(int palette);

private:
    CPlanModule& m_plan;
    bool m_magnetic;
    bool m_tidal;
    std::function<void()> m_applied;
    CPlanOptions m_values;
    chart::PaletteColours m_colours{};
};

}   // namespace routes
