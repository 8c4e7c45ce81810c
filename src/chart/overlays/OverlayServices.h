#pragma once
// What the overlays read from the modules that own them: the display palette
// in force, the route module's drawing settings and arrival times, the tidal
// settings, and the leg types of waypoints. Each owner module implements the
// small interfaces below; tests hand in fakes.

#include <array>
#include <cstdint>

#include "app/Colour.h"

namespace app {
class CDateTimeEx;
}

namespace chart {

using app::COLORREF;

// One colour for each display palette: Day, Dusk, Night.
using PaletteColours = std::array<COLORREF, 3>;

// The default colour of every overlay kind that sets none of its own (orange).
inline constexpr COLORREF kDefaultOverlayColour = 0x7FFF;

// The active display palette of the program (Day when none is installed).
int ActivePaletteIndex();
// The entry of `colours` for the active palette.
COLORREF ActiveColour(const PaletteColours& colours);
// A colour dimmed for the active palette (a quarter at dusk, half at night).
COLORREF DimForActivePalette(COLORREF colour);

// Waypoint leg types as the waypoint records store them.
enum class LegType : std::int32_t { RhumbLine = 1, GreatCircle = 2 };
// The route table stores 1 for a great-circle leg and 0 for a rhumb line.
LegType LegTypeFromRouteTable(int code);

// The route module's great-circle planning settings.
struct CGreatCircleSettings {
    double degreeIntercept = 1.0;   // longitude step between drawn points
    bool wholeDegrees = false;
    double northLimit = 90.0;
    double southLimit = -90.0;
    bool applyNorthLimit = false;
    bool applySouthLimit = false;
};

// The route module's switches for drawing the selected route.
struct CRouteDrawSettings {
    bool drawLegArrow = false;
    bool drawCourseAndSMG = false;
    bool drawDistanceToRun = false;
    bool applyToEntireRoute = false;
    double distanceToRunInterval = 10.0;   // nautical miles, "Mark every"
};

class CWaypointProperties;

// The route module as the route drawing sees it.
class CRouteOverlaySource {
public:
    virtual ~CRouteOverlaySource() = default;
    virtual const CGreatCircleSettings& GreatCircleSettings() const = 0;
    virtual const CRouteDrawSettings& DrawSettings() const = 0;
    virtual const CWaypointProperties& WaypointProperties() const = 0;
    // Both the route table and the route-point table stand on records.
    virtual bool AreRouteTablesPositioned() const = 0;
    // The arrival time at the waypoint with this index (number - 1).
    virtual bool GetArrivalTime(int index, app::CDateTimeEx& when) const = 0;
};

// The tidal module's arrow settings.
struct CTidalSettings {
    int arrowScale = 10;   // drawn length x scale x 0.1
    double capDistance = 1.0;   // nm; the arrow is no longer than this distance north
    bool showRate = false;
    bool showHeight = false;
};

class CTidalSettingsSource {
public:
    virtual ~CTidalSettingsSource() = default;
    virtual CTidalSettings GetTidalSettings() const = 0;
};

}   // namespace chart
