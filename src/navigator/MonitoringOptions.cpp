#include "navigator/MonitoringOptions.h"

#include <algorithm>
#include <cmath>

#include "app/StringUtils.h"

namespace navigator {

namespace {

constexpr double kLeast = 0.02;
constexpr double kSpinTop = 5.0;
// Typed values may go past the spin's top; beyond this a circle or a limit
// would no longer tell anything about the route.
constexpr double kMost = 10.0;

double RoundHundredth(double v)
{
    return std::round(v * 100.0) / 100.0;
}

double ReadNm(const std::string& text)
{
    bool bad = false;
    const double v = app::StringToDoubleChecked(app::TrimBlanks(text), bad);
    return bad ? std::nan("") : v;
}

}   // namespace

double StepArrivalRadius(double nm, bool up)
{
    if (!std::isfinite(nm))
        return 0.1;
    if (up)
        return nm < kSpinTop ? RoundHundredth(nm + (nm >= 1.0 ? 0.1 : 0.02)) : nm;
    return nm > kLeast ? std::max(kLeast, RoundHundredth(nm - (nm >= 1.1 ? 0.1 : 0.02))) : nm;
}

double StepDeviationLimit(double nm, bool up)
{
    if (!std::isfinite(nm))
        return 0.1;
    if (up)
        return StepArrivalRadius(nm, true);
    return nm > kLeast ? std::max(kLeast, RoundHundredth(nm - (nm <= 1.0 ? 0.02 : 0.1))) : nm;
}

CMonitoringOptionsModel::CMonitoringOptionsModel(const CRouteMonitoringSettings& settings,
                                                 const CMonitoringOverlays& overlays,
                                                 bool routeAllowsAdvance, ApplyFn apply)
    : radiusText(app::FormatDouble(settings.arrivalCircleRadius, 2, 0)),
      limitText(app::FormatDouble(settings.limitOfDeviation, 2, 0)), m_settings(settings),
      m_overlays(overlays), m_routeAllowsAdvance(routeAllowsAdvance), m_apply(std::move(apply))
{
    Refresh();
}

bool CMonitoringOptionsModel::AutoAdvanceEnabled() const
{
    return (m_settings.arrivalCircleEntryOn || m_settings.passingPerpendicularOn) &&
           m_routeAllowsAdvance;
}

void CMonitoringOptionsModel::Refresh()
{
    if (!AutoAdvanceEnabled())
        m_settings.autoWptAdvanceOn = false;
}

void CMonitoringOptionsModel::SpinRadius(bool up)
{
    const double v = ReadNm(radiusText);
    radiusText = app::FormatDouble(
        StepArrivalRadius(std::isfinite(v) ? std::clamp(v, kLeast, kMost) : 0.1, up), 2, 0);
}

void CMonitoringOptionsModel::SpinLimit(bool up)
{
    const double v = ReadNm(limitText);
    limitText = app::FormatDouble(
        StepDeviationLimit(std::isfinite(v) ? std::clamp(v, kLeast, kMost) : 0.1, up), 2, 0);
}

std::vector<app::CFieldError> CMonitoringOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (auto e = app::CheckRange("radius", "Arrival radii (nm)", ReadNm(radiusText), kLeast, kMost))
        errors.push_back(*e);
    if (auto e =
            app::CheckRange("limit", "Limits of deviation (nm)", ReadNm(limitText), kLeast, kMost))
        errors.push_back(*e);
    return errors;
}

CRouteMonitoringSettings CMonitoringOptionsModel::Result() const
{
    CRouteMonitoringSettings s = m_settings;
    s.arrivalCircleRadius = ReadNm(radiusText);
    s.limitOfDeviation = ReadNm(limitText);
    return s;
}

void CMonitoringOptionsModel::Apply()
{
    if (m_apply)
        m_apply(Result(), m_overlays);
}

}   // namespace navigator
