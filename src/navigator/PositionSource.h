#pragma once
// Where the own vessel's position comes from: the GPS fix record while
// received fixes keep coming, dead reckoning (DR) when they stop or when the
// user asks for it. Run on the user-interface thread by the navigation cycle:
// Refresh() on every monitor refresh, StepDeadReckoning() on every tick while
// DR runs. Ages and intervals run on the monotonic clock.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "geo/Position.h"
#include "navigator/NavSnapshot.h"
#include "nmea/NMEADataValue.h"
#include "nmea/NMEAFixRecord.h"
#include "platform/Clock.h"

namespace navigator {

// The last fix that dead reckoning advances: course and speed through the
// water, set and drift, and the course and speed over ground DR steers by.
struct CNavFix {
    CNavFix() { position.Invalidate(); }
    geo::CPosition position;
    double speed = 0.0;
    double course = 0.0;
    double set = 0.0;
    double drift = 0.0;
    double cog = 0.0;
    double sog = 0.0;

    // COG from COG, else heading; SOG from SOG, else speed through the water;
    // course from heading, else COG; speed from speed through the water, else
    // SOG; 0 with neither. Set and drift are kept.
    void Assign(const geo::CPosition& p, double cogIn, double sogIn, double headingIn,
                double stwIn);
};

// What the source tells its owner.
class CPositionSourceHost {
public:
    virtual ~CPositionSourceHost() = default;
    virtual void SetNmeaCaution(bool on) = 0;
    // On: shows the position-confirmation warning for `expiry`; off: hides it.
    virtual void SetConfirmationWarning(bool on, std::chrono::seconds expiry) = 0;
    // A logbook event (only while logging; the host knows) and the next fix type.
    virtual void LogEvent(const std::string& note, int eventType) = 0;
    virtual void SetNextFixType(int fixType) = 0;
    // Sets the track-point stamp back to "never" so the next tick writes one.
    virtual void ForceTrackPoint() = 0;
    // DR started or stopped: the panel retitles its tab and recolours.
    virtual void SourceChanged(bool deadReckoning) = 0;
    // The datum question: asked once, modal to the user but without stopping
    // the cycle; the answer comes back through CPositionSource::AnswerGpsConfiguration.
    virtual void AskGpsConfiguration() = 0;
    // Where the own vessel stands on the chart: a received fix, the log's
    // last place at a start, or where the user put it. DR starts there.
    virtual geo::CPosition OwnVesselPosition() const = 0;
};

struct CAcquisition {
    bool acquired = false;
    geo::CPosition position;   // valid when acquired
    PositionSourceKind source = PositionSourceKind::None;
    std::optional<std::chrono::system_clock::time_point> fixTimeUtc;
    // The instrument's UTC time of day of an NMEA fix, also when no date goes with it.
    std::optional<std::chrono::seconds> fixTimeOfDayUtc;
};

class CPositionSource {
public:
    using Duration = std::chrono::steady_clock::duration;
    using Time = std::chrono::steady_clock::time_point;

    static constexpr std::chrono::minutes kConfirmationInterval{5};
    static constexpr std::chrono::minutes kDatumWait{5};
    static constexpr std::chrono::seconds kConfirmationExpiry{10};

    // gpsValues: the GPS store (kValueCount values) for course, speeds and
    // heading. Everything given must outlive the source.
    CPositionSource(const platform::CClock& clock, nmea::CNMEAFixRecord& fixRecord,
                    const nmea::CNMEADataValue* gpsValues, CPositionSourceHost& host);

    // Another receive side (the GPS device once its port is up).
    void Rebind(nmea::CNMEAFixRecord& fixRecord, const nmea::CNMEADataValue* gpsValues)
    {
        m_record = &fixRecord;
        m_gps = gpsValues;
    }
    void SetDrDelay(std::chrono::seconds delay) { m_drDelay = delay; }
    std::chrono::seconds DrDelay() const { return m_drDelay; }

    // Position-data check and acquisition (monitor refresh).
    CAcquisition Refresh();
    // One DR step (the tick, while DR runs).
    void StepDeadReckoning();

    void SwitchToDeadReckoning(bool byUser);
    void ReturnToNmea(bool log);
    void StopDeadReckoning();
    void ConfirmPosition();
    // The dialog's OK while DR runs: confirmed now, with the grace period.
    void ConfirmWithGrace()
    {
        ConfirmPosition();
        m_grace = true;
    }
    void CheckPositionConfirmation();
    // NMEA input switched off or on: the datum wait starts again with the
    // next cycle and the wait for fixes before DR counts from now, as at a
    // start. Only input switched off lets the datum question be asked again
    // once input resumes; switched on, it stays answered.
    void InputSwitched(bool off)
    {
        m_lastGoodDatumTime.reset();
        if (off)
            m_gpsConfigurationAsked = false;
        m_lastNmeaFix = m_clock.Monotonic();
    }
    // The answers to the datum question.
    void AnswerGpsConfiguration(bool datumIsWgs84, bool timeIsGmt);
    // The confirmation to log, taken once: "User confirmed GPS ..." or empty.
    std::string TakeConfirmationNote();

    bool IsDrOn() const { return m_drOn; }
    bool IsNmeaLost() const { return m_nmeaLost; }
    bool IsDatumAssumed() const { return m_datumAssumed; }
    bool IsNmeaFixValid() const;
    const CNavFix& Fix() const { return m_fix; }
    CNavFix& Fix() { return m_fix; }
    // Seconds of travel DR has applied since it started (for checks).
    long DrSecondsApplied() const { return m_drSecondsApplied; }
    bool GmtFlag() const { return m_gmt; }
    bool Wgs84Flag() const { return m_wgs84; }

private:
    geo::CPosition PositionFromFix(const nmea::CNMEAFix& fix, Time now);
    double Item(int item) const;

    const platform::CClock& m_clock;
    nmea::CNMEAFixRecord* m_record;
    const nmea::CNMEADataValue* m_gps;
    CPositionSourceHost& m_host;
    std::chrono::seconds m_drDelay{60};

    CNavFix m_fix;
    bool m_drOn = false;
    bool m_drFirstStep = true;
    bool m_nmeaLost = false;
    bool m_logCautionOnce = false;
    bool m_grace = true;
    Time m_lastConfirmation;
    Duration m_drStartSpan{};
    Time m_drOrigin{};
    Time m_lastDrStep{};
    geo::CPosition m_drPosition;
    long m_drSecondsApplied = 0;
    Time m_lastNmeaFix;   // newest received fix, or the start
    std::uint64_t m_lastSequence = 0;
    // The hour of the last received fix, and the stamp the date item had
    // when a fix's hour went back (midnight): that date is no longer taken.
    std::optional<int> m_lastNmeaHour;
    std::optional<std::chrono::system_clock::time_point> m_staleDateStamp;

    // Datum handling.
    std::optional<Time> m_lastGoodDatumTime;   // the wait starts at the first refresh
    std::optional<nmea::CNMEAFix::CDatumItems> m_lastGoodDatum;
    bool m_datumAssumed = false;
    bool m_gpsConfigurationAsked = false;
    bool m_wgs84 = true;
    bool m_gmt = true;
    bool m_confirmationToLog = false;
};

// Whole seconds of an elapsed span, guarded against a difference a hair short
// of a whole second.
long WholeSeconds(std::chrono::steady_clock::duration elapsed);

}   // namespace navigator
