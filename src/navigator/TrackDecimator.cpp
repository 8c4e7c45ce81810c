#include "navigator/TrackDecimator.h"

#include <algorithm>
#include <cmath>

namespace navigator {

CTrackDecimator::CTrackDecimator(CPixelGrid grid, std::chrono::seconds markInterval)
    : m_grid(grid), m_interval(markInterval)
{ }

void CTrackDecimator::Begin(std::uint64_t firstIndex)
{
    m_kept.clear();
    m_haveNewest = m_newestKept = m_marking = false;
    m_first = firstIndex;
}

std::int64_t CTrackDecimator::Cell(double value, double step) const
{
    return step > 0.0 ? static_cast<std::int64_t>(std::floor(value / step)) : 0;
}

bool CTrackDecimator::SameCell(const CTrackFix& a, const CTrackFix& b) const
{
    const bool fine =
        m_grid.Inside(a.latitude, a.longitude) || m_grid.Inside(b.latitude, b.longitude);
    const double k = fine ? 1.0 : CPixelGrid::kCoarse;
    return Cell(a.latitude, m_grid.latitudeStep * k) == Cell(b.latitude, m_grid.latitudeStep * k) &&
           Cell(a.longitude, m_grid.longitudeStep * k) ==
               Cell(b.longitude, m_grid.longitudeStep * k);
}

void CTrackDecimator::Add(std::uint64_t index, const CTrackFix& fix)
{
    Take(index, fix, false);
}

void CTrackDecimator::AddSegmentStart(std::uint64_t index, const CTrackFix& fix)
{
    Take(index, fix, true);
}

void CTrackDecimator::Take(std::uint64_t index, const CTrackFix& fix, bool segmentStart)
{
    ++m_seen;
    bool mark = false;
    if (!m_marking || fix.utc >= m_nextMark) {
        mark = true;
        m_marking = true;
        m_nextMark = fix.utc + m_interval;
    }
    bool keep = mark || segmentStart || m_kept.empty() || m_grid.latitudeStep <= 0.0 ||
                m_grid.longitudeStep <= 0.0;
    if (!keep)
        keep = !SameCell(fix, m_kept.back().fix);
    m_newest = CKeptFix{fix, index, mark, segmentStart};
    m_haveNewest = true;
    m_newestKept = keep;
    if (keep)
        m_kept.push_back(m_newest);
}

std::vector<CKeptFix> CTrackDecimator::ResultFrom(std::size_t from) const
{
    std::vector<CKeptFix> result(m_kept.begin() + std::ptrdiff_t(std::min(from, m_kept.size())),
                                 m_kept.end());
    if (m_haveNewest && !m_newestKept)
        result.push_back(m_newest);
    return result;
}

}   // namespace navigator
