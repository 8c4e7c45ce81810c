#include "navigator/OwnVessel.h"

#include <algorithm>
#include <cmath>

namespace navigator {

void COwnVessel::Reset()
{
    name.clear();
    speed = 1.0;
    number = 0;
    length = draft = beam = 1.0;
    deviation.fill(0.0);
}

void COwnVessel::CopyFrom(const COwnVessel& other)
{
    name = other.name;
    speed = other.speed;
    number = other.number;
    length = other.length;
    draft = other.draft;
    beam = other.beam;
    deviation = other.deviation;
}

bool COwnVessel::IsEqual(const COwnVessel& other) const
{
    return name == other.name && number == other.number && speed == other.speed &&
           length == other.length && draft == other.draft && beam == other.beam &&
           deviation == other.deviation;
}

double COwnVessel::DeviationAt(double compassHeading) const
{
    return navigator::DeviationAt(deviation, compassHeading);
}

double DeviationAt(const std::array<double, kDeviationPoints>& card, double compassHeading)
{
    if (!std::isfinite(compassHeading))
        return 0.0;
    double h = std::fmod(compassHeading, 360.0);
    if (h < 0.0)
        h += 360.0;
    // fmod of a value just below 0 can round up to exactly 360.
    if (h >= 360.0)
        h = 0.0;
    const int i = std::min(kDeviationPoints - 1, static_cast<int>(h / kDeviationStep));
    const double from = card[static_cast<std::size_t>(i)];
    const double to = card[static_cast<std::size_t>((i + 1) % kDeviationPoints)];
    return from + (to - from) * (h - i * kDeviationStep) / kDeviationStep;
}

}   // namespace navigator
