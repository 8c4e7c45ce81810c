#pragma once
// The navigator's list of vessel chart objects and the queue new ones wait in.
// An instrument thread makes a vessel's object when the vessel first reports
// and queues it here (under its own target lock, then the queue lock); the
// user-interface thread's pass moves the queued objects onto the list, oldest
// first, and hands each to the module that owns its kind. Objects leave the
// list, and so are destroyed, on the user-interface thread only.
//
// Interface for the rest of the program:
// - `Queue`: any thread.
// - `AdoptQueued`, `DropQueued`, `Remove`, `SetOwner`, `Vessels`: the
//   user-interface thread.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "navigator/ChartVessel.h"

namespace navigator {

class CVesselList {
public:
    using Entry = std::shared_ptr<CChartVessel>;
    // Told of each object of its kind as it joins the list.
    using Owner = std::function<void(const Entry&)>;

    void Queue(Entry vessel);
    // Moves every queued object onto the list and tells its kind's owner;
    // returns how many joined.
    std::size_t AdoptQueued();
    // Forgets queued objects of a kind that have not joined yet.
    void DropQueued(VesselKind kind);
    std::size_t QueuedCount() const;
    void Remove(const CChartVessel& vessel);
    // An empty function: nobody is told.
    void SetOwner(VesselKind kind, Owner owner);

    // Oldest first.
    const std::vector<Entry>& Vessels() const { return m_vessels; }

private:
    mutable std::mutex m_queueLock;
    std::vector<Entry> m_queue;
    std::vector<Entry> m_vessels;
    std::vector<std::pair<VesselKind, Owner>> m_owners;
};

}   // namespace navigator
