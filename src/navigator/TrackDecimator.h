#pragma once
// Thins a recorded track to what a view can show: a fix is kept when it
// falls in another cell of the view's pixel grid than the fix kept before
// it, when it starts a segment, or when a time mark falls on it; the newest
// fix is always kept. Dropped fixes lie within the cell of a kept one, so
// the thinned line stays within a pixel of the full one, and a day or a year
// of fixes a second costs what the screen shows, not what the file holds.
//
// Time marks fall as the track draws them: on the window's first fix, then
// on the first fix at or after the interval from the last mark.

#include <chrono>
#include <cstdint>
#include <vector>

#include "navigator/TrackFile.h"

namespace navigator {

// The view's pixel in degrees at the track's place; a step of 0 keeps every
// fix. Outside the box round the view (when one is given) the cells are
// kCoarse times larger, so zooming in on a long track keeps only what is near.
struct CPixelGrid {
    static constexpr double kCoarse = 64.0;
    double latitudeStep = 0.0;
    double longitudeStep = 0.0;
    bool boxed = false;
    double south = 0.0, north = 0.0, west = 0.0, east = 0.0;
    bool operator==(const CPixelGrid&) const = default;
    bool Inside(double latitude, double longitude) const
    {
        return !boxed ||
               (latitude >= south && latitude <= north && longitude >= west && longitude <= east);
    }
};

struct CKeptFix {
    CTrackFix fix;
    std::uint64_t index = 0;   // in the file
    bool timeMark = false;
    bool segmentStart = false;
};

class CTrackDecimator final : public CTrackReceiver {
public:
    CTrackDecimator(CPixelGrid grid, std::chrono::seconds markInterval);

    void Begin(std::uint64_t firstIndex) override;
    void Add(std::uint64_t index, const CTrackFix& fix) override;
    // Adds a fix that starts a new segment (the line is broken before it).
    void AddSegmentStart(std::uint64_t index, const CTrackFix& fix);

    // The kept fixes, the newest always among them.
    std::vector<CKeptFix> Result() const { return ResultFrom(0); }
    // The same from the `from`th kept fix on. The fixes before StableCount()
    // stay as they are whatever is added next; the newest after them may be
    // replaced by the next fix.
    std::vector<CKeptFix> ResultFrom(std::size_t from) const;
    std::size_t StableCount() const { return m_kept.size(); }
    std::uint64_t FirstIndex() const { return m_first; }
    std::uint64_t Seen() const { return m_seen; }

private:
    void Take(std::uint64_t index, const CTrackFix& fix, bool segmentStart);
    std::int64_t Cell(double value, double step) const;
    bool SameCell(const CTrackFix& a, const CTrackFix& b) const;

    CPixelGrid m_grid;
    std::chrono::seconds m_interval;
    std::vector<CKeptFix> m_kept;
    CKeptFix m_newest;
    bool m_haveNewest = false;
    bool m_newestKept = false;
    std::chrono::sys_seconds m_nextMark{};
    bool m_marking = false;
    std::uint64_t m_first = 0;
    std::uint64_t m_seen = 0;
};

}   // namespace navigator
