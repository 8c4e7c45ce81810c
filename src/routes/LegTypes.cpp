#include "routes/LegTypes.h"

namespace routes {

std::uint8_t LinkFromWaypointLeg(std::uint32_t leg)
{
    return leg == kLegGreatCircle ? 1 : 0;
}

std::uint32_t WaypointLegFromLink(int link)
{
    return link == 1 ? kLegGreatCircle : kLegRhumb;
}

chart::LegType OverlayLegFromLink(int link)
{
    return link == 1 ? chart::LegType::GreatCircle : chart::LegType::RhumbLine;
}

std::uint8_t LinkFromOverlayLeg(chart::LegType leg)
{
    return leg == chart::LegType::GreatCircle ? 1 : 0;
}

const char* LegTypeText(std::uint32_t leg)
{
    return leg != kLegRhumb ? "GC" : "Rh";
}

}   // namespace routes
