#pragma once
// The ARPA radar's targets by number, and the TLL, TTM and TLB handlers that
// fill them. The handlers run on the device's worker thread under the target
// lock; a number seen for the first time gets a target chart object, which
// goes into the navigator's new-vessel queue (target lock, then queue lock).
// The user-interface thread's pass moves it onto the navigator's list; the
// port thread never adds to the list.
//
// Interface for the rest of the program:
// - `ParseTargetSentence`: plugged into the ARPA device's message parser.
// - `SetVesselList`: the navigator's list (until then, one of the store's own).
// - `ClearSlot`: frees a number so its next report creates a new target.
// - `Remove`: frees the number and takes the target off the navigator's list.
// - `Reset`: empties every slot and drops targets still queued.
// Objects are shared by the slot, the queue and the lists; every call that
// lets one go runs on the user-interface thread, so objects die there.

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "navigator/VesselList.h"
#include "nmea/NMEAMessage.h"
#include "platform/Clock.h"
#include "targets/TrackedTarget.h"

namespace targets {

class CARPATargetStore final : public nmea::CNMEATargetSentenceParser {
public:
    explicit CARPATargetStore(const platform::CClock& clock);

    // Validity span given to the values of records made from now on.
    void SetRefreshTime(std::chrono::seconds refresh);

    void ParseTargetSentence(int sentenceIndex, nmea::CNMEAMessage& message) override;

    void SetVesselList(std::shared_ptr<navigator::CVesselList> vessels);
    navigator::CVesselList& Vessels() const { return *m_vessels; }

    // The record, and the target, in a number's slot.
    std::shared_ptr<CTargetRecord> Slot(int number) const;
    std::shared_ptr<CTrackedTarget> Target(int number) const;
    int SlotCount() const;
    // Clears the record's slot when it still holds this record's target.
    void ClearSlot(const CTargetRecord& record);
    void Remove(const CTrackedTarget& target);
    void Reset();
    // Runs `read` under the target lock: no handler is halfway through a
    // report meanwhile, so the values read belong together.
    template <class F>
    void WithTargetLock(F read) const
    {
        std::lock_guard lock(m_lock);
        read();
    }

private:
    // The record of `number`; its target is made (and queued) when the slot is empty.
    CTargetRecord& FindOrCreate(int number, bool& created);
    // What TLL and TTM share: the split, the number check (a bad number
    // refuses the line and gives null), the record and its name. A report
    // of a lost target ("L") makes no new target: it gives null when the
    // number has none. Called under the target lock.
    struct CReportItems {
        int number;
        int name;
        int statusField;   // the status letter's place among the line's letters
    };
    CTargetRecord* BeginReport(nmea::CNMEAMessage& message, const char* fieldTypes,
                               const CReportItems& items, const nmea::CNMEAStamp& stamp);
    void ParseTLL(nmea::CNMEAMessage& message);
    void ParseTTM(nmea::CNMEAMessage& message);
    void ParseTLB(nmea::CNMEAMessage& message);

    const platform::CClock& m_clock;
    mutable std::mutex m_lock;   // the target lock: slots, the list pointer, refresh time
    std::chrono::seconds m_refresh{5};
    std::vector<std::shared_ptr<CTrackedTarget>> m_slots;
    std::shared_ptr<navigator::CVesselList> m_vessels;
};

}   // namespace targets
