#pragma once
// The chartpoint panel's position: shown in the chosen datum and read back.
// A position shown in a chart's datum keeps the very shift it was shown
// with, and reading it back takes that shift off again, so Apply stores the
// right position whatever chart is active by then.

#include "geo/Position.h"

#include <optional>
#include <string>
#include <string_view>

namespace chartpoints {

class CPanelPosition {
public:
    // Shows `stored` unshifted (its own datum or WGS 84).
    void Show(const geo::CPosition& stored);
    // Shows `stored` as the chart put it into its datum (`shown`).
    void ShowShifted(const geo::CPosition& stored, const geo::CPosition& shown);
    const geo::CPosition& Shown() const { return m_shown; }
    // The stored position for what the panel now holds: the shift shown
    // with is taken off, the datum stays the stored one.
    geo::CPosition Back(double shownLatitude, double shownLongitude) const;

private:
    geo::CPosition m_stored;
    geo::CPosition m_shown;
    double m_dLat = 0.0;
    double m_dLon = 0.0;
};

// "47 54.720 N" and "122 31.572 W": degrees, minutes with three decimals, hemisphere.
std::string LatitudeText(double degrees);
std::string LongitudeText(double degrees);
// Reads degrees [minutes [seconds]] with an optional hemisphere letter, or
// signed decimal degrees; blanks, degree signs and quotes separate the parts.
// None for text that is no angle or lies outside +-90 (+-180).
std::optional<double> ParseAngle(std::string_view text, bool latitude);

}   // namespace chartpoints
