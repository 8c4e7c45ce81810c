#include "targets/TargetPick.h"

namespace targets {

CTargetPick PickTarget(const CTargetPickInputs& in)
{
    CTargetPick pick;
    const auto arpaHits = [&](const CTargetRecord* record) {
        return record != nullptr && in.arpaHits && in.arpaHits(record);
    };
    const auto tenderHits = [&](int channel) {
        return channel >= 0 && in.tenderHits && in.tenderHits(channel);
    };
    const auto tenderOf = [&](const navigator::CChartVessel* vessel) -> const CTender* {
        if (in.tenders != nullptr)
            for (const CTender& t : *in.tenders)
                if (t.vessel.get() == vessel)
                    return &t;
        return nullptr;
    };
    if (arpaHits(in.currentArpa)) {
        pick.arpa = in.currentArpa;
        return pick;
    }
    if (tenderHits(in.currentTender)) {
        pick.tender = in.currentTender;
        return pick;
    }
    if (in.vessels == nullptr)
        return pick;
    for (const auto& vessel : *in.vessels) {
        if (vessel->Kind() == navigator::kVesselArpa) {
            const auto* target = dynamic_cast<const CTrackedTarget*>(vessel.get());
            if (target != nullptr && arpaHits(target->record.get())) {
                pick.arpa = target->record.get();
                return pick;
            }
        } else if (vessel->Kind() == navigator::kVesselTender) {
            const CTender* tender = tenderOf(vessel.get());
            if (tender != nullptr && tenderHits(tender->Channel())) {
                pick.tender = tender->Channel();
                return pick;
            }
        }
    }
    return pick;
}

}   // namespace targets
