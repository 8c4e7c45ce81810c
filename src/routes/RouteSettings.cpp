#include "routes/RouteSettings.h"

#include "app/Registry.h"

#include <algorithm>
#include <cmath>

namespace routes {

namespace {

// Whole degrees and minutes of a limit latitude; out-of-range stored values
// are brought back onto 0..90 degrees first.
void SplitLimit(double limit, std::uint8_t& degrees, std::uint8_t& minutes)
{
    if (!std::isfinite(limit))
        limit = 45.0;
    limit = std::clamp(std::fabs(limit), 0.0, 90.0);
    int whole = int(limit);
    int mins = int(std::lround((limit - whole) * 60.0));
    if (mins >= 60) {
        ++whole;
        mins -= 60;
    }
    degrees = std::uint8_t(whole);
    minutes = std::uint8_t(mins);
}

bool FinitePositive(double value)
{
    return std::isfinite(value) && value > 0;
}

}   // namespace

void CGreatCircleRecord::Load(const app::CRegistry& key)
{
    key.ReadBool("WholeDegrees", wholeDegrees);
    key.ReadBool("ApplyNorthLimitLatitude", applyNorthLimit);
    key.ReadBool("ApplySouthLimitLatitude", applySouthLimit);
    std::uint32_t intercept = degreeIntercept;
    if (key.ReadDWord("DegreeIntercept", intercept))
        degreeIntercept = std::uint8_t(std::clamp<std::uint32_t>(intercept, 1, 90));
    double value = 0;
    if (key.ReadDouble("NorthLimitLatitude", value) && std::isfinite(value))
        northLimit = std::clamp(std::fabs(value), 0.0, 90.0);
    if (key.ReadDouble("SouthLimitLatitude", value) && std::isfinite(value))
        southLimit = std::clamp(std::fabs(value), 0.0, 90.0);
    DeriveDegrees();
}

void CGreatCircleRecord::Save(app::CRegistry& key) const
{
    key.WriteBool("WholeDegrees", wholeDegrees);
    key.WriteBool("ApplyNorthLimitLatitude", applyNorthLimit);
    key.WriteBool("ApplySouthLimitLatitude", applySouthLimit);
    key.WriteDWord("DegreeIntercept", degreeIntercept);
    key.WriteDouble("NorthLimitLatitude", northLimit);
    key.WriteDouble("SouthLimitLatitude", southLimit);
}

void CGreatCircleRecord::DeriveDegrees()
{
    SplitLimit(northLimit, northDegrees, northMinutes);
    SplitLimit(southLimit, southDegrees, southMinutes);
}

void CGreatCircleRecord::DeriveLimits()
{
    northLimit = std::min(90.0, northDegrees + northMinutes * (1.0 / 60.0));
    southLimit = std::min(90.0, southDegrees + southMinutes * (1.0 / 60.0));
}

bool CGreatCircleRecord::DiffersFrom(const CGreatCircleRecord& o) const
{
    return degreeIntercept != o.degreeIntercept || northDegrees != o.northDegrees ||
           southDegrees != o.southDegrees || northMinutes != o.northMinutes ||
           southMinutes != o.southMinutes || wholeDegrees != o.wholeDegrees ||
           applyNorthLimit != o.applyNorthLimit || applySouthLimit != o.applySouthLimit;
}

chart::CGreatCircleSettings CGreatCircleRecord::ForChart() const
{
    chart::CGreatCircleSettings out;
    out.degreeIntercept = std::max<std::uint8_t>(1, degreeIntercept);
    out.wholeDegrees = wholeDegrees;
    out.northLimit = northLimit;
    out.southLimit = southLimit;
    out.applyNorthLimit = applyNorthLimit;
    out.applySouthLimit = applySouthLimit;
    return out;
}

void CMonitoringRecord::Load(const app::CRegistry& key)
{
    key.ReadBool("AutoWptAdvanceOn", autoAdvance);
    key.ReadBool("ArrivalCircleEntryOn", arrivalCircleOn);
    double value = 0;
    if (key.ReadDouble("ArrivalCircleRadius", value) && FinitePositive(value))
        arrivalRadiusNm = value;
    key.ReadBool("PassingPerpendicularOn", perpendicularOn);
    key.ReadBool("LimitOfDeviationOn", deviationLimitOn);
    if (key.ReadDouble("LimitOfDeviation", value) && FinitePositive(value))
        deviationLimitNm = value;
}

void CMonitoringRecord::Save(app::CRegistry& key) const
{
    key.WriteBool("AutoWptAdvanceOn", autoAdvance);
    key.WriteBool("ArrivalCircleEntryOn", arrivalCircleOn);
    key.WriteDouble("ArrivalCircleRadius", arrivalRadiusNm);
    key.WriteBool("PassingPerpendicularOn", perpendicularOn);
    key.WriteBool("LimitOfDeviationOn", deviationLimitOn);
    key.WriteDouble("LimitOfDeviation", deviationLimitNm);
}

navigator::CRouteMonitoringSettings CMonitoringRecord::ForNavigator() const
{
    navigator::CRouteMonitoringSettings out;
    out.autoWptAdvanceOn = autoAdvance;
    out.arrivalCircleEntryOn = arrivalCircleOn;
    out.arrivalCircleRadius = arrivalRadiusNm;
    out.passingPerpendicularOn = perpendicularOn;
    out.limitOfDeviationOn = deviationLimitOn;
    out.limitOfDeviation = deviationLimitNm;
    return out;
}

void CMonitoringRecord::TakeFromNavigator(const navigator::CRouteMonitoringSettings& in)
{
    autoAdvance = in.autoWptAdvanceOn;
    arrivalCircleOn = in.arrivalCircleEntryOn;
    arrivalRadiusNm = in.arrivalCircleRadius;
    perpendicularOn = in.passingPerpendicularOn;
    deviationLimitOn = in.limitOfDeviationOn;
    deviationLimitNm = in.limitOfDeviation;
}

nmea::CRouteMonitoring CMonitoringRecord::ForAutopilot() const
{
    nmea::CRouteMonitoring out;
    out.arrivalCircle = arrivalCircleOn;
    out.arrivalRadiusNm = arrivalRadiusNm;
    out.passingPerpendicular = perpendicularOn;
    out.automaticLegAdvance = autoAdvance;
    return out;
}

void CMonitoringRecord::TakeFromAutopilot(const nmea::CRouteMonitoring& m)
{
    arrivalCircleOn = m.arrivalCircle;
    if (FinitePositive(m.arrivalRadiusNm))
        arrivalRadiusNm = m.arrivalRadiusNm;
    perpendicularOn = m.passingPerpendicular;
    autoAdvance = m.automaticLegAdvance;
}

}   // namespace routes
