#include "navigator/NavIndicators.h"

namespace navigator {

namespace {

constexpr CNavIndicator kIndicators[] = {
    {kIndicatorCursorRangeBearing, "Vessel to Cursor Range and Bearing",
     "9999nm, 000\u00b0, (000\u00b0)"},
    {kIndicatorCog, "Vessel Course Over Ground (COG) in \u00b0T", " 000"},
    {kIndicatorSog, "Vessel Speed Over Ground (SOG) in Knots", "00.0"},
    {kIndicatorSpeed, "Vessel Speed in Knots", "00.0"},
    {kIndicatorXte, "Vessel Cross Track Error to Waypoint in nm", "<<< 0.00 >>>"},
    {kIndicatorBearing, "Vessel Bearing to Waypoint in \u00b0T", "000"},
    {kIndicatorRange, "Vessel Range to Waypoint in nm", "9999+"},
    {kIndicatorTimeToGo, "Vessel Time-To-Go to Waypoint", "000 00:00:00"},
    {kIndicatorEta, "Vessel Estimated Time of Arrival to Waypoint ( ddd hh:mm:ss )",
     "00/00/0000 00:00:00"},
};

}   // namespace

std::span<const CNavIndicator> NavIndicators()
{
    return kIndicators;
}

}   // namespace navigator
