#pragma once
// Tests that drive a tender store without tracking: the records of the
// tenders queued since the last call, moved onto the store's list as the
// navigator's pass would move them.

#include <memory>
#include <vector>

#include "targets/TenderTargetStore.h"

namespace brine_test {

inline std::vector<std::shared_ptr<targets::CTenderRecord>> JoinQueuedTenders(
    targets::CTenderTargetStore& store)
{
    navigator::CVesselList& list = store.Vessels();
    const std::size_t before = list.Vessels().size();
    list.AdoptQueued();
    std::vector<std::shared_ptr<targets::CTenderRecord>> joined;
    for (std::size_t i = before; i < list.Vessels().size(); ++i)
        joined.push_back(static_cast<const targets::CTenderVessel&>(*list.Vessels()[i]).record);
    return joined;
}

}   // namespace brine_test
