#pragma once
// The vessel indicators of the status bar: which value each shows, its
// tooltip, and a sample text wide enough for any value it can show. The
// navigator module gives each one's text (NavigatorModule::IndicatorText).

#include <span>

namespace navigator {

enum NavIndicatorId : unsigned {
    kIndicatorCursorRangeBearing = 2310,
    kIndicatorCog = 2311,
    kIndicatorSog = 2312,
    kIndicatorBearing = 2313,
    kIndicatorRange = 2314,
    kIndicatorTimeToGo = 2315,
    kIndicatorXte = 2316,
    kIndicatorSpeed = 2317,
    kIndicatorEta = 2318,
};

struct CNavIndicator {
    unsigned id;
    const char* tooltip;
    const char* sample;   // sizes the pane
};

// In their order on the bar.
std::span<const CNavIndicator> NavIndicators();

}   // namespace navigator
