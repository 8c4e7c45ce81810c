#pragma once
// The update hints every module sends the chart windows when a chartpoint,
// a route's waypoint or the own vessel changes, and that every chart view
// reads: the kind of object and the code of what happened to it. One list,
// so a sender and the views can never disagree on a number.

#include <cstdint>

namespace app {

enum class HintObject : std::uint8_t {
    Chartpoint,   // the chartpoint table's current record
    Waypoint,   // the selected route's current waypoint
    Vessel,   // the own vessel's track and fixes
};

// Chartpoint codes; any code not listed means "the current record changed".
namespace chartpoint_hint {
inline constexpr int kClear = 0;
inline constexpr int kRebuild = 1;
inline constexpr int kNone = 3;
inline constexpr int kDeleted = 4;
inline constexpr int kMoved = 5;
inline constexpr int kInserted = 6;
}   // namespace chartpoint_hint

// Waypoint codes; any other code does nothing.
namespace waypoint_hint {
inline constexpr int kClear = 0;
inline constexpr int kRebuild = 1;
inline constexpr int kCurrentChanged = 4;
inline constexpr int kNone = 5;
inline constexpr int kInserted = 6;
inline constexpr int kDeleted = 7;
inline constexpr int kMoved = 8;
}   // namespace waypoint_hint

// Own-vessel codes.
namespace vessel_hint {
inline constexpr int kFixLogged = 0;
inline constexpr int kMoved = 1;
}   // namespace vessel_hint

struct CUpdateHint {
    HintObject object = HintObject::Vessel;
    int code = 0;
    bool operator==(const CUpdateHint&) const = default;
};

}   // namespace app
