#pragma once
// The sample chart media: a chart medium with three charts of Puget Sound
// nested round Elliott Bay and the world chart "4000", and two update media,
// the first with the catalogue, the second with update tiles for the harbour
// chart.

#include <filesystem>
#include <ostream>
#include <string>

namespace hcrftool {

// Writes "chart-medium", "update-1" and "update-2" into `folder`, replacing
// what they held. At most `processes` gmt processes run at once. False with a
// reason in `error`; progress lines go to `log`.
bool WriteSampleMedia(const std::filesystem::path& folder, unsigned processes, std::ostream& log,
                      std::string& error);

}   // namespace hcrftool
