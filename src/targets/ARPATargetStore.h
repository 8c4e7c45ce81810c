#pragma once
// The ARPA radar's targets by number, and the TLL, TTM and TLB handlers that
// fill them. The handlers run on the device's worker thread under the target
// lock; a target seen for the first time goes into the new-target queue, which
// the user-interface thread empties on its pass (never the port thread adds
// to the target list).
//
// Interface for the rest of the program:
// - `ParseTargetSentence`: plugged into the ARPA device's message parser.
// - `TakeNewTargets`: the records created since the last call, oldest first.
// - `ClearSlot`: frees a number so its next report creates a new record.
// - `Reset`: empties every slot and the queue.
// Records are shared: the slot, the queue and the target list each hold one.

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "nmea/NMEAMessage.h"
#include "platform/Clock.h"
#include "targets/TargetRecord.h"

namespace targets {

class CARPATargetStore final : public nmea::CNMEATargetSentenceParser {
public:
    explicit CARPATargetStore(const platform::CClock& clock);

    // Validity span given to the values of records made from now on.
    void SetRefreshTime(std::chrono::seconds refresh);

    void ParseTargetSentence(int sentenceIndex, nmea::CNMEAMessage& message) override;

    std::vector<std::shared_ptr<CTargetRecord>> TakeNewTargets();
    std::shared_ptr<CTargetRecord> Slot(int number) const;
    int SlotCount() const;
    // Clears the record's slot when it still holds this record.
    void ClearSlot(const CTargetRecord& record);
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
    // The record of `number`, made (and queued) when its slot is empty.
    CTargetRecord& FindOrCreate(int number, bool& created);
    // What TLL and TTM share: the split, the number check (a bad number
    // refuses the line and gives null), the record and its name. Called
    // under the target lock.
    struct CReportItems {
        int number;
        int name;
    };
    CTargetRecord* BeginReport(nmea::CNMEAMessage& message, const char* fieldTypes,
                               const CReportItems& items, const nmea::CNMEAStamp& stamp);
    void ParseTLL(nmea::CNMEAMessage& message);
    void ParseTTM(nmea::CNMEAMessage& message);
    void ParseTLB(nmea::CNMEAMessage& message);

    const platform::CClock& m_clock;
    mutable std::mutex m_lock;   // the target lock: slots, queue, refresh time
    std::chrono::seconds m_refresh{5};
    std::vector<std::shared_ptr<CTargetRecord>> m_slots;
    std::vector<std::shared_ptr<CTargetRecord>> m_newTargets;
};

}   // namespace targets
