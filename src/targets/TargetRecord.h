#pragma once
// One radar target as the radar reports it: its 155 time-stamped values (the
// same item numbering as every instrument store), name, label and the flags
// the timer pass and the sentence handlers share.
//
// Sentence handlers write values on the device thread while the user-interface
// thread reads them; each value has its own lock, name and label share one,
// and the flags are atomics.

#include <array>
#include <atomic>
#include <chrono>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>

#include "navigator/ChartVessel.h"
#include "nmea/NMEADataValue.h"
#include "nmea/NMEAValueIndex.h"
#include "platform/Clock.h"

namespace targets {

// Radar target numbers run 0 to 99; anything else is dropped at intake.
inline constexpr int kMaxTargetNumber = 99;

// Signed degrees, north and east positive.
struct CTargetPosition {
    double latitude = 0.0;
    double longitude = 0.0;
};

// The stored pair (items 126/128: signed ddmm.mmm, north and east negative,
// as every instrument store keeps positions) to degrees and back. These are
// the only conversions between the two forms.
CTargetPosition StoredPairToPosition(double storedLatitude, double storedLongitude);
void PositionToStoredPair(const CTargetPosition& position, double& storedLatitude,
                          double& storedLongitude);

// A distance or speed in kilometres (K), statute miles (S) or nautical miles
// (N, upper or lower case) to nautical miles; nothing for any other letter.
std::optional<double> ConvertToNauticalUnits(char unit, double value);

// The record's `live` flag (the vessel's) is set when it joins the
// navigator's list and cleared when the target is reported lost.
class CTargetRecord : public navigator::CVessel {
public:
    using Clock = std::chrono::system_clock;

    // Every value is stamped by `clock` and counts as valid for `refresh`.
    CTargetRecord(int number, const platform::CClock& clock, std::chrono::seconds refresh,
                  navigator::VesselKind kind = navigator::kVesselArpa);

    int Number() const { return m_number; }

    nmea::CNMEADataValue& Value(int item) { return m_values.at(static_cast<std::size_t>(item)); }
    const nmea::CNMEADataValue& Value(int item) const
    {
        return m_values.at(static_cast<std::size_t>(item));
    }

    std::string Name() const;
    void SetName(std::string name);
    std::string Label() const;
    void SetLabel(std::string label);

    // The TTM status letter while valid, else the TLL one, else empty.
    std::string StatusText() const;
    // True when the status text is "L" (either case).
    bool IsLost() const;
    // TTM reference flag while valid, else TLL's, else false.
    bool IsReferenceTarget() const;
    // Speed (item 138) in knots by the unit letter of item 143, read in
    // either case.
    std::optional<double> SpeedKnots() const;
    // Closest point of approach (item 141) in nautical miles.
    std::optional<double> ClosestApproachNm() const;
    // The speed and closest approach a track fix records: as above, but only
    // an upper-case "K", "S" or "N" names their unit.
    std::optional<double> FixSpeedKnots() const;
    std::optional<double> FixClosestApproachNm() const;
    // Target distance (item 135) in nautical miles.
    std::optional<double> DistanceNm() const;
    // The TLL position while both halves are valid.
    std::optional<CTargetPosition> ReportedPosition() const;

    // The time of the last report (TTM time, else TLL time) dated on the day
    // nearest `navigationUtc` (the navigation time), so 23:59:58 seen at
    // 00:00:03 is yesterday. With no valid report time it is `navigationUtc`
    // itself.
    virtual Clock::time_point LastReportTime(Clock::time_point navigationUtc) const;

    // Set while the position counts as up to date (reported on a real own fix
    // and younger than the dangerous interval).
    std::atomic<bool> current{false};
    // Set by the TLL and TTM handlers; cleared by the timer pass.
    std::atomic<bool> tllUpdated{false};
    std::atomic<bool> ttmUpdated{false};
    // What the target's list rows are written from, taken by the timer pass
    // when it has them written: its TTM when one came since the last pass,
    // else its TLL when one came, else nothing (the cells stay empty).
    enum class RowSource : std::uint8_t { None, Tracked, Position };
    RowSource rowSource = RowSource::None;
    RowSource ReportedSource() const
    {
        return ttmUpdated ? RowSource::Tracked : tllUpdated ? RowSource::Position : RowSource::None;
    }

private:
    std::optional<int> ValidCode(int item) const;
    // An item in the report's unit (item 143, "K", "S" or "N" in either case,
    // or in upper case only) in nautical units; nothing while either is
    // invalid or the letter is another.
    std::optional<double> InReportUnits(int item, bool upperCaseOnly) const;

    const int m_number;
    std::array<nmea::CNMEADataValue, nmea::kValueCount> m_values;
    mutable std::mutex m_textLock;
    std::string m_name;
    std::string m_label;
};

// The entry of `entries` (each with a `record`) that stands for the vessel
// `key`; null when none does.
template <class Entries>
auto FindByVessel(const Entries& entries, const void* key) -> decltype(&*std::begin(entries))
{
    for (const auto& entry : entries)
        if (static_cast<const navigator::CVessel*>(entry.record.get()) == key)
            return &entry;
    return nullptr;
}

}   // namespace targets
