#include "routes/PlanRows.h"

#include "app/DateTimeEx.h"
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "routes/LegTypes.h"
#include "routes/PlanModule.h"
#include "routes/RouteViews.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace routes {

namespace {

app::CDateTimeEx LocalTime(std::int64_t utc)
{
    app::CDateTimeEx local;
    local = static_cast<std::time_t>(utc);
    return local;
}

}   // namespace

std::string PlanElapsedText(std::int64_t seconds)
{
    const std::int64_t minutes = (seconds + 30) / 60;
    char text[32];
    std::snprintf(text, sizeof text, "%03lld:%02lld:%02lld",
                  static_cast<long long>(minutes / (24 * 60)),
                  static_cast<long long>(minutes / 60 % 24), static_cast<long long>(minutes % 60));
    return text;
}

std::string PlanPassageText(std::int64_t seconds)
{
    const std::int64_t minutes = seconds / 60;
    char text[40];
    std::snprintf(text, sizeof text, "%3lldd %02lldh %02lldm",
                  static_cast<long long>(minutes / (24 * 60)),
                  static_cast<long long>(minutes / 60 % 24), static_cast<long long>(minutes % 60));
    return text;
}

std::string PlanMagneticText(double degrees)
{
    return app::FormatDouble(std::fabs(degrees), 1, 0) + (degrees > 0 ? "E" : "W");
}

std::vector<std::vector<std::string>> PlanRows(const CPlanModule& plan, const CRouteState& state,
                                               const geo::CPositionFormat& format)
{
    std::vector<std::vector<std::string>> rows;
    const CPlanList& legs = plan.Plan();
    const std::int64_t first = legs.empty() ? 0 : legs.front().utc;
    for (std::size_t i = 0; i < state.waypoints.size() && i < legs.size(); ++i) {
        const CWaypoint& w = state.waypoints[i];
        const CLegData& leg = legs[i];
        const app::CDateTimeEx local = LocalTime(leg.utc);
        rows.push_back({w.m_name,
                        w.m_id,
                        w.m_position.FormatLatitude(format),
                        w.m_position.FormatLongitude(format),
                        w.m_position.GetDatumName(),
                        LegTypeText(w.m_legType),
                        leg.timeValid ? local.FormatTime(false) : std::string(),
                        leg.timeValid ? local.FormatDate(false) : std::string(),
                        w.m_zoneTime,
                        PlanPassageText(leg.passageSeconds),
                        PlanElapsedText(leg.utc - first),
                        app::FormatBearing(leg.set),
                        PlanMagneticText(leg.variation),
                        PlanMagneticText(leg.deviation),
                        app::FormatBearing(leg.course),
                        app::FormatBearing(leg.courseToSteer),
                        app::FormatBearing(leg.magneticCourse),
                        app::FormatBearing(leg.compassCourse),
                        app::FormatDistance(leg.distance),
                        app::FormatDistance(leg.distanceRun),
                        app::FormatDistance(leg.distanceToGo),
                        app::FormatDouble(leg.drift, 2, 0),
                        w.m_memo});
    }
    return rows;
}

}   // namespace routes
