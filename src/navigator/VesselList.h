#pragma once
// The navigator's list of vessel chart objects and the queue new ones wait in.
// An instrument thread makes a vessel's object when the vessel first reports
// and queues it here (under its own target lock, then the queue lock); the
// user-interface thread's pass moves the queued objects onto the list, oldest
// first, and hands each to the module that owns its kind. Objects leave the
// list, and so are destroyed, on the user-interface thread only.
//
// The modules that own a kind of vessel (radar targets, tenders) are called
// through the list too: the navigator's timer pass runs their passes after
// new vessels joined (radar targets before tenders), tells them when the own
// fix stops or starts being real, and has them drop every target when the
// vessel log closes. The list outlives the modules, which take themselves
// off it.
//
// The list also carries the navigator's hold flag, so that the target modules
// (which may outlive the navigator) can read it: while it is raised the
// navigator's pass and the target modules' passes leave out their periodic
// work. It is raised around work the passes must not cut into (a device side
// opening or closing, a change of position source, a medium prompt) and
// counts raises, so a hold inside another does not end the outer one.
//
// Interface for the rest of the program:
// - `Queue`: any thread.
// - `AdoptQueued`, `DropQueued`, `Remove`, `SetOwner`, `Vessels`,
//   `SetTargetModule`, `RunTargetPasses`, `CheckTargetAges`, `ResetTargets`:
//   the user-interface thread.
// - `RaiseHold`, `LowerHold`, `IsHeld`: any thread.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "navigator/ChartVessel.h"

namespace navigator {

// What the navigator asks of a target module.
class CTargetModuleCalls {
public:
    virtual ~CTargetModuleCalls() = default;
    // The module's timer pass, after the new vessels joined the list.
    virtual void TargetPass() = 0;
    // Dead reckoning began (false) or a real fix came back (true).
    virtual void CheckTargetAges(bool ownFixReal) = 0;
    // Every target of the module leaves the list (and is destroyed) and its
    // slots are emptied under its lock; targets still queued are dropped.
    virtual void ResetTargets() = 0;
    // The program is closing: a simulation of the module's targets stops
    // before any instrument closes. Default: there is none.
    virtual void StopSimulation() { }
};

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

    // Null takes the kind's module off.
    void SetTargetModule(VesselKind kind, CTargetModuleCalls* module);
    void RunTargetPasses();
    void CheckTargetAges(bool ownFixReal);
    // Every module drops its targets; what no module took off goes too.
    void ResetTargets();
    void StopTargetSimulations();

    // Each raise is ended by one lower; a lower without a raise does nothing.
    void RaiseHold() { ++m_holds; }
    void LowerHold();
    bool IsHeld() const { return m_holds.load() > 0; }

private:
    std::atomic<int> m_holds{0};
    mutable std::mutex m_queueLock;
    std::vector<Entry> m_queue;
    std::vector<Entry> m_vessels;
    std::vector<std::pair<VesselKind, Owner>> m_owners;
    std::vector<std::pair<VesselKind, CTargetModuleCalls*>> m_modules;   // by kind
};

}   // namespace navigator
