#pragma once
// The route module's two settings records as stored under "Route": the
// great-circle planning record ("GreatCircle") and the route monitoring
// record ("Monitoring"), with what the chart, navigator and autopilot read
// derived from them, so all three views follow the same stored values.

#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayServices.h"
#include "navigator/NavInterfaces.h"
#include "nmea/AutopilotModule.h"

#include <cstdint>

namespace app {
class CRegistry;
}

namespace routes {

struct CGreatCircleRecord {
    std::uint8_t degreeIntercept = 5;   // 1..90 degrees of longitude
    std::uint8_t northDegrees = 45;
    std::uint8_t southDegrees = 45;
    std::uint8_t northMinutes = 0;
    std::uint8_t southMinutes = 0;
    double northLimit = 45.0;   // degrees north
    double southLimit = 45.0;   // degrees south, a positive number
    bool wholeDegrees = false;
    bool applyNorthLimit = false;
    bool applySouthLimit = false;

    // Reads what is stored, keeping the defaults for what is absent; the
    // intercept is kept within 1..90 (0 would never advance along a leg).
    void Load(const app::CRegistry& key);
    void Save(app::CRegistry& key) const;
    // The degree and minute fields from the doubles (after a load).
    void DeriveDegrees();
    // The doubles from the degree and minute fields (after the page).
    void DeriveLimits();
    // The page's fields differ (the doubles are not compared).
    bool DiffersFrom(const CGreatCircleRecord& other) const;

    // As the chart draws it: the south limit stays the positive number the
    // limit test expects.
    chart::CGreatCircleSettings ForChart() const;
};

struct CMonitoringRecord {
    bool autoAdvance = false;
    bool arrivalCircleOn = false;
    double arrivalRadiusNm = 0.1;
    bool perpendicularOn = true;
    bool deviationLimitOn = false;
    double deviationLimitNm = 0.1;

    void Load(const app::CRegistry& key);
    void Save(app::CRegistry& key) const;

    navigator::CRouteMonitoringSettings ForNavigator() const;
    nmea::CRouteMonitoring ForAutopilot() const;
    // What the autopilot changed, taken back (the other fields stay).
    void TakeFromAutopilot(const nmea::CRouteMonitoring& monitoring);
};

// What the chart shows of the monitoring: arrival circles round the
// waypoints, perpendiculars across the legs' ends and the limits of deviation
// beside the legs, each with its switch and its stored pen.
struct CMonitoringOverlays {
    bool arrivalCircles = false;   // "DrawWaypointArrivalCircles"
    bool perpendiculars = false;   // "DrawWaypointPerpendiculars"
    bool deviationLimits = false;   // "DrawDeviationLimits"
    chart::CLineProperties arrivalLine{chart::kLineArrivalCircle};
    chart::CLineProperties perpendicularLine{chart::kLineWaypointPerpendicular};
    chart::CLineProperties limitLine{chart::kLineCrossTrackLimits};
};

}   // namespace routes
