#pragma once
// The own vessel's particulars: name, speed, length, draft, beam and the
// sixteen-point compass deviation card, with the comparisons the vessel
// options need and the deviation the passage plan applies to a heading.

#include <array>
#include <string>

namespace navigator {

inline constexpr int kDeviationPoints = 16;
inline constexpr double kDeviationStep = 22.5;   // degrees between card entries

struct COwnVessel {
    std::string name;
    double speed = 1.0;   // knots
    int number = 0;   // a target's number; 0 for the own vessel
    std::string headerTag;   // its first four bytes head the ".hdr" record
    double length = 1.0;   // metres
    double draft = 1.0;
    double beam = 1.0;
    // Degrees, east positive, for compass headings 0, 22.5 ... 337.5.
    std::array<double, kDeviationPoints> deviation{};

    void Reset();
    // Name, speed, number, particulars and card; the header tag stays.
    void CopyFrom(const COwnVessel& other);
    // Every copied value exactly equal (the tag is not compared).
    bool IsEqual(const COwnVessel& other) const;
    bool IsDifferent(const COwnVessel& other) const { return !IsEqual(other); }

    // The deviation for a compass heading, interpolated linearly between the
    // two card entries around it (337.5 to 360 runs back to the 0 entry).
    double DeviationAt(double compassHeading) const;
};

// The same interpolation over a bare card, for callers that hold only it.
double DeviationAt(const std::array<double, kDeviationPoints>& card, double compassHeading);

}   // namespace navigator
