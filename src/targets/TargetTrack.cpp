#include "targets/TargetTrack.h"

#include <algorithm>

namespace targets {

std::size_t FirstFixToDraw(const std::vector<CTargetTrackFix>& track,
                           std::optional<std::chrono::seconds> limit)
{
    if (track.empty() || !limit)
        return 0;
    if (*limit <= std::chrono::seconds::zero())
        return track.size();
    // The first fix whose age (newest minus its time) is below the limit.
    const auto cut = track.back().time - *limit;
    const auto it =
        std::upper_bound(track.begin(), track.end(), cut,
                         [](const auto& t, const CTargetTrackFix& fix) { return t < fix.time; });
    return static_cast<std::size_t>(it - track.begin());
}

}   // namespace targets
