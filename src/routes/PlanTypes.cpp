#include "routes/PlanTypes.h"

#include "app/DateTimeEx.h"

namespace routes {

void CLegTrack::Append(const geo::CPosition& where, std::int64_t utc)
{
    // Days since 30 December 1899, the date type's count, in UTC.
    const app::CDateTimeEx when(double(utc) / 86400.0 + 25569.0);
    Add(std::make_unique<chart::COverlayPositionFix>(where, when, nullptr));
}

void CLegTrack::MarkStart()
{
    if (!IsEmpty())
        m_fixes.front()->segmentStart = true;
}

}   // namespace routes
