#include "nmea/NMEAData.h"

namespace nmea {

void CNMEAData::Reset()
{
    position = geo::CPosition();   // 0, 0, altitude 0, default datum, valid
    positionFlag = 1;
    numbers.fill(0.0);
    ResetNumbers();
    entries.fill({});
    for (auto& text : firstTexts)
        text.clear();
    for (auto& text : secondTexts)
        text.clear();
    flags.fill(0);
}

void CNMEAData::ResetNumbers()
{
    furtherNumbers.fill(kNoValue);
    changed = 1;
}

void CNavData::Reset()
{
    for (std::size_t i = 1; i < positions.size(); ++i)
        positions[i].Invalidate();
    numbers.fill(kNoValue);
}

void CRadarData::Reset()
{
    numbers.fill(0.0);
    flag = 0;
}

}   // namespace nmea
