#pragma once
// The sounds the program plays for its alarms and message-bar warnings: each
// is a wave file in the program's Audio folder named after the sound. The
// build writes one file for every name below (tools/alert-sounds), so a name
// added here without a sound of its own fails the build rather than beeping.

#include <array>
#include <filesystem>
#include <string_view>

namespace app::sounds {

inline constexpr std::string_view kArrivalCircle = "Warning, arrival circle entered";
inline constexpr std::string_view kPerpendicular = "Warning, perpendicular passed";
inline constexpr std::string_view kMultipleArrivals = "Warning, multiple waypoint arrival alerts";
inline constexpr std::string_view kTenderPanic = "Alert, tender tracking panic button activated";

inline constexpr std::array kAll{kArrivalCircle, kPerpendicular, kMultipleArrivals, kTenderPanic};

// The wave file of a sound: the folder, then the name with its extension (if
// any) replaced by "wav".
inline std::filesystem::path WaveFile(const std::filesystem::path& audioFolder,
                                      std::string_view soundName)
{
    return (audioFolder / std::filesystem::path(soundName)).replace_extension("wav");
}

}   // namespace app::sounds
