#pragma once
// The program's version block. On the original platform these texts came from
// the executable's version resource; here they are fixed when the program is built.

#include <string>
#include <string_view>

namespace version {

inline constexpr std::string_view kCompanyName = "Quorwick Ltd";
inline constexpr std::string_view kProductName = "Brinevane";
inline constexpr std::string_view kLegalCopyright = "Copyright (C) 2026 Quorwick Ltd";
// The settings root uses the short company name, as the settings folder does.
inline constexpr std::string_view kSettingsCompany = "Quorwick";
// The credits the hidden credits window shows.
inline constexpr std::string_view kSpecialBuild =
    "Brinevane for Linux\n"
    "Written by the Quorwick Ltd navigation team.\n"
    "Sample charts drawn from the GSHHG shorelines (GMT).\n"
    "Magnetic variation from the International Geomagnetic Reference Field.";

std::string ProductVersion();   // "major.minor.patch" of this build

}   // namespace version
