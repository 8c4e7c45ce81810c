#include "routes/PlanTypes.h"

namespace routes {

void CLegTrack::Append(const geo::CPosition& where)
{
    Add(std::make_unique<chart::COverlayPositionFix>(where, chart::COverlayPositionFix::NoFixTime(),
                                                     nullptr));
}

void CLegTrack::MarkStart()
{
    if (!IsEmpty())
        m_fixes.front()->segmentStart = true;
}

}   // namespace routes
