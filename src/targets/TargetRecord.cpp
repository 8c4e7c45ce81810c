#include "targets/TargetRecord.h"

#include <cmath>

#include "nmea/NMEAConvert.h"

namespace targets {

namespace item = nmea::item;

CTargetPosition StoredPairToPosition(double storedLatitude, double storedLongitude)
{
    // The stores keep north and east negative; degrees keep them positive.
    return {-nmea::NmeaDegMinToDegrees(storedLatitude),
            -nmea::NmeaDegMinToDegrees(storedLongitude)};
}

void PositionToStoredPair(const CTargetPosition& position, double& storedLatitude,
                          double& storedLongitude)
{
    storedLatitude = -nmea::DegreesToNmeaDegMin(position.latitude);
    storedLongitude = -nmea::DegreesToNmeaDegMin(position.longitude);
}

std::optional<double> ConvertToNauticalUnits(char unit, double value)
{
    switch (unit) {
    case 'K':
    case 'k': return value * 1000.0 / 1852.0;
    case 'S':
    case 's': return value * 1609.3 / 1852.0;
    case 'N':
    case 'n': return value;
    default: return std::nullopt;
    }
}

CTargetRecord::CTargetRecord(int number, const platform::CClock& clock,
                             std::chrono::seconds refresh, navigator::VesselKind kind)
    : navigator::CVessel(kind), m_number(number)
{
    for (auto& value : m_values) {
        value.SetClock(clock);
        value.SetValiditySpan(refresh);
    }
}

std::string CTargetRecord::Name() const
{
    std::lock_guard lock(m_textLock);
    return m_name;
}

void CTargetRecord::SetName(std::string name)
{
    std::lock_guard lock(m_textLock);
    m_name = std::move(name);
}

std::string CTargetRecord::Label() const
{
    std::lock_guard lock(m_textLock);
    return m_label;
}

void CTargetRecord::SetLabel(std::string label)
{
    std::lock_guard lock(m_textLock);
    m_label = std::move(label);
}

std::optional<int> CTargetRecord::ValidCode(int itemNumber) const
{
    const auto& value = Value(itemNumber);
    if (!value.IsValid())
        return std::nullopt;
    return value.GetInt();
}

std::string CTargetRecord::StatusText() const
{
    auto code = ValidCode(item::TtmTargetStatus);
    if (!code)
        code = ValidCode(item::TllTargetStatus);
    if (!code || *code <= 0 || *code > 127)
        return {};
    return std::string(1, static_cast<char>(*code));
}

bool CTargetRecord::IsLost() const
{
    const std::string status = StatusText();
    return status == "L" || status == "l";
}

bool CTargetRecord::IsReferenceTarget() const
{
    if (Value(item::TtmReferenceTarget).IsValid())
        return Value(item::TtmReferenceTarget).GetByte() != 0;
    if (Value(item::TllReferenceTarget).IsValid())
        return Value(item::TllReferenceTarget).GetByte() != 0;
    return false;
}

namespace {

// The unit letters a track fix takes: "K", "S" or "N" exactly as sent.
bool IsFixUnit(std::optional<int> unit)
{
    return unit && (*unit == 'K' || *unit == 'S' || *unit == 'N');
}

}   // namespace

std::optional<double> CTargetRecord::InReportUnits(int itemNumber, bool upperCaseOnly) const
{
    const auto unit = ValidCode(item::TtmUnit);
    if (!unit || !Value(itemNumber).IsValid() || (upperCaseOnly && !IsFixUnit(unit)))
        return std::nullopt;
    if (*unit <= 0 || *unit > 127)
        return std::nullopt;
    return ConvertToNauticalUnits(static_cast<char>(*unit), Value(itemNumber).GetDouble());
}

std::optional<double> CTargetRecord::SpeedKnots() const
{
    return InReportUnits(item::TtmTargetSpeed, false);
}

std::optional<double> CTargetRecord::ClosestApproachNm() const
{
    return InReportUnits(item::TtmClosestApproach, false);
}

std::optional<double> CTargetRecord::FixSpeedKnots() const
{
    return InReportUnits(item::TtmTargetSpeed, true);
}

std::optional<double> CTargetRecord::FixClosestApproachNm() const
{
    return InReportUnits(item::TtmClosestApproach, true);
}

std::optional<double> CTargetRecord::DistanceNm() const
{
    return InReportUnits(item::TtmTargetDistance, false);
}

std::optional<CTargetPosition> CTargetRecord::ReportedPosition() const
{
    const auto& lat = Value(item::TllTargetLatitude);
    const auto& lon = Value(item::TllTargetLongitude);
    if (!lat.IsValid() || !lon.IsValid())
        return std::nullopt;
    return StoredPairToPosition(lat.GetDouble(), lon.GetDouble());
}

CTargetRecord::Clock::time_point CTargetRecord::LastReportTime(
    Clock::time_point navigationUtc) const
{
    const nmea::CNMEADataValue* reported = nullptr;
    if (Value(item::TtmTime).IsValid())
        reported = &Value(item::TtmTime);
    else if (Value(item::TllTime).IsValid())
        reported = &Value(item::TllTime);
    if (reported == nullptr)
        return navigationUtc;
    const auto hms = nmea::NmeaTimeToHMS(reported->GetDouble());
    using namespace std::chrono;
    const auto day = floor<days>(navigationUtc);
    auto result = day + hours(hms.hours) + minutes(hms.minutes) + seconds(hms.seconds);
    // A report time is never far from now: take the day that brings it nearest.
    if (result - navigationUtc > hours(12))
        result -= days(1);
    else if (navigationUtc - result > hours(12))
        result += days(1);
    return time_point_cast<Clock::duration>(result);
}

}   // namespace targets
