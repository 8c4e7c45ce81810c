#include "targets/TrackPixels.h"

#include <algorithm>

namespace targets {

void CTrackPixels::Clear()
{
    m_entries.clear();
    m_fixes = 0;
    m_lastPlaced = false;
}

void CTrackPixels::Add(std::optional<geo::IntPoint> at, bool newSegment, bool onChart)
{
    const std::size_t index = m_fixes++;
    if (!at) {
        m_lastPlaced = false;
        return;
    }
    const bool joined = m_lastPlaced && !newSegment;
    if (m_lastPlaced && m_entries.back().at == *at && m_entries.back().onChart == onChart) {
        // Drawn over the fix before exactly; a joined one still is a line of no length.
        m_entries.back().lastFix = index;
        m_entries.back().dot = m_entries.back().dot || joined;
        return;
    }
    m_entries.push_back(CTrackPixel{*at, index, index, joined, false, onChart});
    m_lastPlaced = true;
}

std::size_t CTrackPixels::FirstEntryFrom(std::size_t fix) const
{
    const auto it = std::partition_point(m_entries.begin(), m_entries.end(),
                                         [&](const CTrackPixel& e) { return e.lastFix < fix; });
    return static_cast<std::size_t>(it - m_entries.begin());
}

std::optional<geo::IntPoint> CTrackPixels::Newest() const
{
    if (!m_lastPlaced)
        return std::nullopt;
    return m_entries.back().at;
}

}   // namespace targets
