#pragma once
// The 37 harmonic constituents the tidal models carry, with the astronomy
// that turns them into a prediction: each constituent's speed, its
// equilibrium argument V0+u at 1 January 00:00 UTC of a year and its node
// factor f for that year (u and f taken at the middle of the year, the way
// published harmonic tables store them). Angles are degrees.

#include <array>
#include <optional>
#include <string_view>

namespace tidal {

inline constexpr std::size_t kConstituentCount = 37;

// Index of a constituent by its name ("M2", "K1", "LAM2"...), case-insensitive.
std::optional<std::size_t> FindConstituent(std::string_view name);
std::string_view ConstituentName(std::size_t index);

// Degrees per mean solar hour.
double ConstituentSpeed(std::size_t index);

struct YearArguments {
    std::array<double, kConstituentCount> equilibrium{};   // V0+u, degrees in [0, 360)
    std::array<double, kConstituentCount> nodeFactor{};   // f
};

// The arguments of every constituent for one Gregorian year.
YearArguments ArgumentsForYear(int year);

}   // namespace tidal
