#pragma once
// The "Monitoring" page: how the route monitor detects a waypoint (arrival
// circle, passing the perpendicular, leg advance), the limit of deviation
// from the planned route, and which of these the charts draw.

#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "navigator/NavInterfaces.h"

namespace navigator {

// One spin step of the arrival radius and of the deviation limit (nm).
double StepArrivalRadius(double nm, bool up);
double StepDeviationLimit(double nm, bool up);

struct CMonitoringOverlays {
    bool arrivalCircles = false;
    bool perpendiculars = false;
    bool limitsOfDeviation = false;
    bool operator==(const CMonitoringOverlays&) const = default;
};

class CMonitoringOptionsModel : public app::COptionPageModel {
public:
    using ApplyFn =
        std::function<void(const CRouteMonitoringSettings&, const CMonitoringOverlays&)>;
    // `routeAllowsAdvance`: the route module is idle and its route has more
    // than one waypoint, so an automatic leg advance has somewhere to go.
    CMonitoringOptionsModel(const CRouteMonitoringSettings& settings,
                            const CMonitoringOverlays& overlays, bool routeAllowsAdvance,
                            ApplyFn apply);

    std::string Title() const override { return "Monitoring"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CRouteMonitoringSettings& Settings() { return m_settings; }
    CMonitoringOverlays& Overlays() { return m_overlays; }
    std::string radiusText;
    std::string limitText;

    bool RadiusEnabled() const { return m_settings.arrivalCircleEntryOn; }
    bool LimitEnabled() const { return m_settings.limitOfDeviationOn; }
    bool AutoAdvanceEnabled() const;
    // After a switch changed: a leg advance that cannot happen is cleared.
    void Refresh();
    void SpinRadius(bool up);
    void SpinLimit(bool up);
    // The settings with the two texts read in (only after Validate passed).
    CRouteMonitoringSettings Result() const;

private:
    CRouteMonitoringSettings m_settings;
    CMonitoringOverlays m_overlays;
    bool m_routeAllowsAdvance;
    ApplyFn m_apply;
};

}   // namespace navigator
