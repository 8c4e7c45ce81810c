#include "chart/ViewUpdateHints.h"

namespace chart {

HintRedraw RedrawForHint(const app::CUpdateHint& hint, const CHintOverlays& overlays)
{
    namespace cp = app::chartpoint_hint;
    namespace wp = app::waypoint_hint;
    switch (hint.object) {
    case app::HintObject::Waypoint:
        switch (hint.code) {
        case wp::kClear:
        case wp::kRebuild: return HintRedraw::Overlays;
        case wp::kCurrentChanged:
        case wp::kInserted:
        case wp::kDeleted: return overlays.route ? HintRedraw::Overlays : HintRedraw::None;
        case wp::kMoved: return overlays.route ? HintRedraw::DynamicOnly : HintRedraw::None;
        default: return HintRedraw::None;
        }
    case app::HintObject::Chartpoint:
        switch (hint.code) {
        case cp::kClear:
        case cp::kRebuild: return HintRedraw::Overlays;
        case cp::kNone: return HintRedraw::None;
        case cp::kMoved: return overlays.chartpoints ? HintRedraw::DynamicOnly : HintRedraw::None;
        case cp::kInserted: return HintRedraw::Overlays;
        default:   // deleted, or the current record changed
            return overlays.chartpoints && overlays.currentChartpoint ? HintRedraw::Overlays
                                                                      : HintRedraw::None;
        }
    case app::HintObject::Vessel:
        // A logged fix adds its overlay for the next redraw; a move draws the
        // newest leg over the kept image.
        return hint.code == app::vessel_hint::kMoved ? HintRedraw::DynamicOnly : HintRedraw::None;
    }
    return HintRedraw::None;
}

}   // namespace chart
