#include "navigator/VesselList.h"

#include <algorithm>

namespace navigator {

void CVesselList::Queue(Entry vessel)
{
    std::lock_guard lock(m_queueLock);
    m_queue.push_back(std::move(vessel));
}

std::size_t CVesselList::AdoptQueued()
{
    std::vector<Entry> taken;
    {
        std::lock_guard lock(m_queueLock);
        taken.swap(m_queue);
    }
    for (const Entry& vessel : taken) {
        m_vessels.push_back(vessel);
        for (const auto& [kind, owner] : m_owners)
            if (kind == vessel->Kind() && owner)
                owner(vessel);
    }
    return taken.size();
}

void CVesselList::DropQueued(VesselKind kind)
{
    std::vector<Entry> dropped;
    std::lock_guard lock(m_queueLock);
    std::erase_if(m_queue, [&](const Entry& v) {
        if (v->Kind() != kind)
            return false;
        dropped.push_back(v);
        return true;
    });
}

std::size_t CVesselList::QueuedCount() const
{
    std::lock_guard lock(m_queueLock);
    return m_queue.size();
}

void CVesselList::Remove(const CChartVessel& vessel)
{
    std::erase_if(m_vessels, [&](const Entry& v) { return v.get() == &vessel; });
}

void CVesselList::SetOwner(VesselKind kind, Owner owner)
{
    for (auto& entry : m_owners)
        if (entry.first == kind) {
            entry.second = std::move(owner);
            return;
        }
    m_owners.emplace_back(kind, std::move(owner));
}

void CVesselList::SetTargetModule(VesselKind kind, CTargetModuleCalls* module)
{
    std::erase_if(m_modules, [&](const auto& entry) { return entry.first == kind; });
    if (module != nullptr)
        m_modules.emplace_back(kind, module);
    std::stable_sort(m_modules.begin(), m_modules.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

void CVesselList::RunTargetPasses()
{
    // A pass may take its module off (it never adds one): go over a copy.
    const auto modules = m_modules;
    for (const auto& [kind, module] : modules)
        module->TargetPass();
}

void CVesselList::CheckTargetAges(bool ownFixReal)
{
    const auto modules = m_modules;
    for (const auto& [kind, module] : modules)
        module->CheckTargetAges(ownFixReal);
}

void CVesselList::StopTargetSimulations()
{
    const auto modules = m_modules;
    for (const auto& [kind, module] : modules)
        module->StopSimulation();
}

void CVesselList::ResetTargets()
{
    const auto modules = m_modules;
    for (const auto& [kind, module] : modules)
        module->ResetTargets();
    // The queue is left alone: a target queued after a module's reset belongs
    // to a slot that module filled again, and must still join.
    m_vessels.clear();
}

void CVesselList::LowerHold()
{
    int holds = m_holds.load();
    while (holds > 0 && !m_holds.compare_exchange_weak(holds, holds - 1)) { }
}

}   // namespace navigator
