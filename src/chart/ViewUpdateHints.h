#pragma once
// What a chart view redraws for an update hint: the overlays over the kept
// chart image, the dynamic layer only (a moved object, the vessel's newest
// leg), or nothing. Overlays the view does not hold (no chartpoints or route
// shown) make most codes do nothing.

#include "app/UpdateHints.h"

namespace chart {

enum class HintRedraw { None, Overlays, DynamicOnly };

struct CHintOverlays {
    bool chartpoints = false;   // chartpoint overlays are shown and the list is not empty
    bool currentChartpoint = false;   // one of them is the current record's
    bool route = false;   // the selected route's overlays are shown
};

HintRedraw RedrawForHint(const app::CUpdateHint& hint, const CHintOverlays& overlays);

}   // namespace chart
