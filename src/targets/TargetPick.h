#pragma once
// Which target a point on the chart picks when radar targets and tenders lie
// over each other: the current radar target, then the current tender, then
// every radar target or tender on the navigator's list, oldest first. The
// first whose drawn symbol takes the point wins; the chart's clicks and its
// Properties both go by it.

#include <functional>
#include <optional>
#include <vector>

#include "navigator/VesselList.h"
#include "targets/TenderTracking.h"
#include "targets/TrackedTarget.h"

namespace targets {

struct CTargetPick {
    const CTargetRecord* arpa = nullptr;
    std::optional<int> tender;   // its channel
    explicit operator bool() const { return arpa != nullptr || tender.has_value(); }
};

struct CTargetPickInputs {
    const CTargetRecord* currentArpa = nullptr;
    int currentTender = -1;   // channel; -1: none
    const std::vector<navigator::CVesselList::Entry>* vessels = nullptr;
    const std::vector<CTender>* tenders = nullptr;
    // Whether a target's symbol, as drawn, takes the point.
    std::function<bool(const CTargetRecord*)> arpaHits;
    std::function<bool(int channel)> tenderHits;
};

CTargetPick PickTarget(const CTargetPickInputs& in);

}   // namespace targets
