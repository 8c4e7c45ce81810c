#include "navigator/PositionSource.h"

#include <cmath>

#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"
#include "navigator/NavInterfaces.h"
#include "navigator/NavTexts.h"
#include "nmea/NMEAConvert.h"
#include "nmea/NMEAValueIndex.h"

namespace navigator {

namespace item = nmea::item;
using namespace std::chrono_literals;

long WholeSeconds(std::chrono::steady_clock::duration elapsed)
{
    const double seconds = std::chrono::duration<double>(elapsed).count();
    return static_cast<long>(std::floor(seconds + 5.787037037037037e-6));
}

void CNavFix::Assign(const geo::CPosition& p, double cogIn, double sogIn, double headingIn,
                     double stwIn)
{
    auto pick = [](double first, double second) {
        return IsSet(first) ? first : (IsSet(second) ? second : 0.0);
    };
    position = p;
    cog = pick(cogIn, headingIn);
    sog = pick(sogIn, stwIn);
    course = pick(headingIn, cogIn);
    speed = pick(stwIn, sogIn);
}

namespace {

std::uint16_t DatumFromCode(const std::string& code)
{
    if (geo::CDatumInfo::RowCount() == 0 || code.empty())
        return geo::kNoDatumIndex;
    return geo::CDatumInfo::FindByCode2(code);
}

// hhmmss.ss and ddmmyy to a UTC time point.
std::optional<std::chrono::system_clock::time_point> UtcFromNmea(double time, double date)
{
    const nmea::CNMEATimeOfDay t = nmea::NmeaTimeToHMS(time);
    const nmea::CNMEADate d = nmea::NmeaDateToDMY(date);
    const std::chrono::year_month_day ymd{std::chrono::year(d.year),
                                          std::chrono::month(static_cast<unsigned>(d.month)),
                                          std::chrono::day(static_cast<unsigned>(d.day))};
    if (!ymd.ok())
        return std::nullopt;
    return std::chrono::sys_days(ymd) + std::chrono::hours(t.hours) +
           std::chrono::minutes(t.minutes) + std::chrono::seconds(t.seconds);
}

}   // namespace

CPositionSource::CPositionSource(const platform::CClock& clock, nmea::CNMEAFixRecord& fixRecord,
                                 const nmea::CNMEADataValue* gpsValues, CPositionSourceHost& host)
    : m_clock(clock), m_record(&fixRecord), m_gps(gpsValues), m_host(host)
{
    m_lastConfirmation = clock.Monotonic();
    m_lastNmeaFix = clock.Monotonic();
    m_drPosition.Invalidate();
}

double CPositionSource::Item(int index) const
{
    if (m_gps == nullptr || !m_gps[index].IsValid())
        return nmea::kNoValue;
    return m_gps[index].GetDouble();
}

bool CPositionSource::IsNmeaFixValid() const
{
    return m_record->IsNmeaFixValid(m_clock.Monotonic());
}

CAcquisition CPositionSource::Refresh()
{
    const Time now = m_clock.Monotonic();
    if (!m_lastGoodDatumTime)
        m_lastGoodDatumTime = now;

    const nmea::CNMEAFix fix = m_record->Read();
    const bool nmeaValid =
        fix.sequence != 0 && fix.source == nmea::FixSource::NMEA && m_record->IsNmeaFixValid(now);
    if (fix.sequence != 0 && fix.source == nmea::FixSource::NMEA &&
        fix.sequence != m_lastSequence) {
        m_lastSequence = fix.sequence;
        m_lastNmeaFix = fix.monotonic;
    }

    // Position-data check: valid received data ends any DR, the user's too.
    if (nmeaValid && m_nmeaLost)
        ReturnToNmea(true);

    CAcquisition result;
    if (m_drOn)
        CheckPositionConfirmation();

    if (nmeaValid) {
        result.position = PositionFromFix(fix, now);
        result.source = PositionSourceKind::NMEA;
    } else if (m_drOn) {
        if (fix.sequence == 0 || fix.source != nmea::FixSource::DR)
            return result;   // the first step has not run yet
        result.position = PositionFromFix(fix, now);
        result.source = PositionSourceKind::DR;
    } else {
        if (now - m_lastNmeaFix >= m_drDelay)
            SwitchToDeadReckoning(false);
        return result;
    }
    result.acquired = result.position.IsValid();
    if (fix.source == nmea::FixSource::DR) {
        result.fixTimeUtc = fix.utc;
    } else if (fix.utcTime) {
        const nmea::CNMEATimeOfDay t = nmea::NmeaTimeToHMS(*fix.utcTime);
        result.fixTimeOfDayUtc = std::chrono::hours(t.hours) + std::chrono::minutes(t.minutes) +
                                 std::chrono::seconds(t.seconds);
        // Past midnight the date the instrument sent earlier is yesterday's:
        // a fresh one is awaited before the fix has a date again.
        if (m_lastNmeaHour && t.hours < *m_lastNmeaHour && m_gps != nullptr)
            m_staleDateStamp = m_gps[item::Date].GetUtcStamp();
        m_lastNmeaHour = t.hours;
        double date = fix.date.value_or(nmea::kNoValue);
        if (!fix.date && m_gps != nullptr && m_gps[item::Date].IsValid() &&
            (!m_staleDateStamp || m_gps[item::Date].GetUtcStamp() != m_staleDateStamp))
            date = m_gps[item::Date].GetDouble();
        if (date != nmea::kNoValue)
            result.fixTimeUtc = UtcFromNmea(*fix.utcTime, date);
    }
    if (result.acquired && !m_drOn) {
        m_fix.Assign(result.position, Item(item::CourseOverGroundTrue),
                     Item(item::SpeedOverGroundKnots), Item(item::HeadingTrue),
                     Item(item::SpeedThroughWaterKnots));
    }
    return result;
}

// The fix's position in its local datum, moved by the offsets into the
// reference datum; the datum items are the fix's own, the last good ones for
// five minutes, then an assumed WGS 84 (asking the user once).
geo::CPosition CPositionSource::PositionFromFix(const nmea::CNMEAFix& fix, Time now)
{
    nmea::CNMEAFix::CDatumItems datum;
    if (fix.source == nmea::FixSource::DR) {
        if (fix.datum)
            datum = *fix.datum;
        if (m_logCautionOnce) {
            m_logCautionOnce = false;
            m_host.LogEvent("CAUTION. NMEA not received. Position calculation transferred to DR.",
                            -1);
        }
        m_lastGoodDatumTime = now;
    } else if (fix.datum) {
        datum = *fix.datum;
        m_lastGoodDatum = datum;
        m_lastGoodDatumTime = now;
        m_datumAssumed = false;
    } else if (now - *m_lastGoodDatumTime >= kDatumWait) {
        if (!m_gpsConfigurationAsked) {
            // Nothing is confirmed until the user says so with OK.
            m_gpsConfigurationAsked = true;
            m_wgs84 = false;
            m_gmt = false;
            m_host.AskGpsConfiguration();
        }
        m_datumAssumed = true;
    } else if (m_lastGoodDatum) {
        datum = *m_lastGoodDatum;
    }
    geo::CPosition p;
    const std::uint16_t local = DatumFromCode(datum.localCode);
    if (!p.Set(fix.latitude, fix.longitude, 0.0, local)) {
        p.Invalidate();
        return p;
    }
    p.OffsetMinutes(datum.latitudeOffset, datum.longitudeOffset,
                    DatumFromCode(datum.referenceCode));
    return p;
}

void CPositionSource::SwitchToDeadReckoning(bool byUser)
{
    const Time now = m_clock.Monotonic();
    m_nmeaLost = true;
    m_drStartSpan = byUser ? Duration{} : Duration(m_drDelay);
    m_drOrigin = byUser ? now : m_lastNmeaFix;
    m_drOn = true;
    m_drFirstStep = true;
    m_drSecondsApplied = 0;
    m_host.SetNmeaCaution(true);
    m_host.SourceChanged(true);
    if (!byUser) {
        m_host.SetNextFixType(kEventEpfs);
        m_host.LogEvent("EPFS reception lost.", kEventEpfs);
        m_host.ForceTrackPoint();
    } else {
        m_grace = false;
        m_lastConfirmation = now;
    }
    m_logCautionOnce = !byUser;
    // The fix in hand no longer counts: a user's DR lasts until the next
    // received fix, not only until this refresh.
    m_record->InvalidateNmeaFix();
}

void CPositionSource::ReturnToNmea(bool log)
{
    ConfirmPosition();
    m_nmeaLost = false;
    m_grace = true;
    m_host.SetNmeaCaution(false);
    StopDeadReckoning();
    if (log) {
        m_host.SetNextFixType(kEventEpfs);
        m_host.LogEvent("EPFS reception re-established", kEventEpfs);
    }
}

void CPositionSource::StopDeadReckoning()
{
    if (!m_drOn)
        return;
    m_drOn = false;
    m_host.SourceChanged(false);
}

void CPositionSource::ConfirmPosition()
{
    m_lastConfirmation = m_clock.Monotonic();
    m_host.SetConfirmationWarning(false, {});
}

void CPositionSource::CheckPositionConfirmation()
{
    const Time now = m_clock.Monotonic();
    if (m_grace) {
        if (now - m_lastConfirmation >= kConfirmationInterval)
            m_grace = false;
        else
            return;
    }
    if (now - m_lastConfirmation >= kConfirmationInterval) {
        m_lastConfirmation = now;
        m_host.SetConfirmationWarning(true, kConfirmationExpiry);
    }
}

// Advances the DR position by whole seconds of SOG on COG. The step stamp
// moves by the seconds used, not to now, so the part second carries into the
// next step and DR keeps pace with the clock whatever the cycle length.
void CPositionSource::StepDeadReckoning()
{
    if (!m_drOn)
        return;
    const Time now = m_clock.Monotonic();
    long seconds = 0;
    if (m_drFirstStep) {
        // From the vessel on the chart, not the fix: after a start with the
        // GPS silent the fix is empty while the vessel stands where the log
        // last had it.
        m_drPosition = m_host.OwnVesselPosition();
        seconds = WholeSeconds(m_drStartSpan);
        m_lastDrStep = m_drOrigin + std::chrono::seconds(seconds);
        if (m_lastDrStep > now)
            m_lastDrStep = now;
        m_drFirstStep = false;
    } else {
        seconds = WholeSeconds(now - m_lastDrStep);
        if (seconds < 1)
            return;
        m_lastDrStep += std::chrono::seconds(seconds);
    }
    m_drSecondsApplied += seconds;
    if (m_drPosition.IsValid() && seconds > 0 && m_fix.sog > 0) {
        geo::CPosition moved = m_drPosition;
        if (geo::PositionAtRangeBearingEx(m_drPosition, m_fix.sog, static_cast<double>(seconds),
                                          m_fix.cog, &moved))
            m_drPosition = moved;
    }
    m_fix.position = m_drPosition;
    if (!m_drPosition.IsValid())
        return;

    nmea::CNMEAFix fix;
    fix.latitude = m_drPosition.GetLatitude();
    fix.longitude = m_drPosition.GetLongitude();
    const std::string code = geo::CDatumInfo::RowCount() != 0
                                 ? geo::CDatumInfo::GetCode2(m_drPosition.GetDatum())
                                 : std::string();
    fix.datum = nmea::CNMEAFix::CDatumItems{code, 0.0, 0.0, code};
    fix.monotonic = now;
    fix.utc = m_clock.UtcNow();
    fix.source = nmea::FixSource::DR;
    m_record->WriteUnlessNmeaValid(std::move(fix), now);
}

void CPositionSource::AnswerGpsConfiguration(bool datumIsWgs84, bool timeIsGmt)
{
    m_wgs84 = datumIsWgs84;
    m_gmt = timeIsGmt;
    m_confirmationToLog = true;
    m_host.ForceTrackPoint();
}

std::string CPositionSource::TakeConfirmationNote()
{
    if (!m_confirmationToLog)
        return {};
    m_confirmationToLog = false;
    return m_wgs84 ? "User confirmed GPS set to WGS84" : "User confirmed GPS not set to WGS84";
}

}   // namespace navigator
