#pragma once
// What one navigation cycle knows about the own vessel, published whole. The
// cycle builds a new snapshot and swaps it in under a lock; the panel, its
// cards, the status-bar indicators, the steering output and the own-vessel
// overlay read only snapshots, so none of them can see the position of one
// fix with the course or time of another.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "geo/Position.h"
#include "nmea/NMEAData.h"

namespace navigator {

enum class PositionSourceKind : std::uint8_t { None, NMEA, DR };

// A position no source has given: invalid, so nothing takes it for 0/0.
inline geo::CPosition UnknownPosition()
{
    geo::CPosition p;
    p.Invalidate();
    return p;
}

struct CNavSnapshot {
    // The vessel position in the datum of its source; invalid when none.
    geo::CPosition position = UnknownPosition();
    bool positionAvailable = false;   // a position (NMEA or DR) has been shown since start
    bool positionAcquired = false;   // this cycle took a position
    PositionSourceKind source = PositionSourceKind::None;
    // UTC of the fix as the instrument gave it (time and date); absent when unknown.
    std::optional<std::chrono::system_clock::time_point> fixTimeUtc;
    // The UTC time of day of this cycle's NMEA fix when no date came with it
    // (GLL, GGA): the monitor shows the time, not an older fix's.
    std::optional<std::chrono::seconds> fixTimeOfDayUtc;
    // Course and speed over ground, heading, speed through the water, depth in
    // metres; nmea::kNoValue when unset.
    double cog = nmea::kNoValue;
    double sog = nmea::kNoValue;
    double heading = nmea::kNoValue;
    double speedThroughWater = nmea::kNoValue;
    double depthMetres = nmea::kNoValue;
    std::uint64_t cycle = 0;
};

// The navigation time: the instrument's UTC of the fix while this cycle took
// one, else `computerUtc`. A cycle that took no position carries the last
// fix's time on, which is past (reception lost) or ahead of the clock (a
// replay run fast), so it does not count.
inline std::chrono::system_clock::time_point NavigationUtc(
    const CNavSnapshot* snapshot, std::chrono::system_clock::time_point computerUtc)
{
    if (snapshot && snapshot->positionAcquired && snapshot->fixTimeUtc)
        return *snapshot->fixTimeUtc;
    return computerUtc;
}

class CNavSnapshotHolder {
public:
    CNavSnapshotHolder() : m_current(std::make_shared<const CNavSnapshot>()) { }

    void Publish(std::shared_ptr<const CNavSnapshot> snapshot)
    {
        std::lock_guard lock(m_lock);
        m_current = std::move(snapshot);
    }
    // Never null.
    std::shared_ptr<const CNavSnapshot> Get() const
    {
        std::lock_guard lock(m_lock);
        return m_current;
    }

private:
    mutable std::mutex m_lock;
    std::shared_ptr<const CNavSnapshot> m_current;
};

}   // namespace navigator
