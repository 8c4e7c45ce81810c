#pragma once
// The tenders by channel, and the parser of the lines their units send:
//   $PABX,<serial>,RMC,hhmmss,A,ddmm.mmm,N,dddmm.mmm,W,sog,cog,ddmmyy,var,E
//   $PABX,<serial>,DBT,feet,f,metres,M,fathoms,F
//   $PABX,<serial>,MOVB
// The prefix and a serial of exactly four digits are checked, not skipped by
// count; fields split at commas; a checksum, when the line has one, must hold.
// RMC and DBT go through the instrument parsers into the tender's own values
// (positions as signed ddmm.mmm, north and east negative). A tender's first
// valid RMC creates its record and its chart object, which goes to the
// navigator's new-vessel queue (store lock, then queue lock) and joins the
// navigator's list on the user-interface thread's pass, never from the port
// thread; MOVB only marks the record, and the user-interface thread applies
// the mark to the tender's overlay.
//
// The parser runs on the poll thread and the simulation thread, under the
// store's lock; the user-interface thread clears slots and resets the store
// under the same lock.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "navigator/VesselList.h"
#include "platform/Clock.h"
#include "targets/TargetRecord.h"

namespace targets {

inline constexpr int kTenderChannels = 17;
// The longest line a tender unit sends, its "$" included and its line end not.
inline constexpr std::size_t kTenderLineMax = 82;

// One tender: the target record (its number is the 0-based channel) with the
// marks its parser and the user-interface thread share.
class CTenderRecord : public CTargetRecord {
public:
    CTenderRecord(int channel, const platform::CClock& clock, std::chrono::seconds refresh)
        : CTargetRecord(channel, clock, refresh, navigator::kVesselTender)
    { }
    int Channel() const { return Number(); }
    // "T" and the 1-based channel number: how the panel and the log name it.
    std::string Identifier() const { return "T" + std::to_string(Channel() + 1); }

    // The UTC time and date of the last RMC (items 91 and 97), while both are
    // valid and make a moment.
    std::optional<Clock::time_point> ReportedUtc() const;
    // That moment; `navigationUtc` (the navigation time) while there is none.
    Clock::time_point LastReportTime(Clock::time_point navigationUtc) const override;

    // Set by every accepted RMC or DBT; the timer pass clears it.
    std::atomic<bool> newData{false};
    // Set by MOVB; the user-interface thread takes it and sets the overlay's flag.
    std::atomic<bool> manOverboardReported{false};

    // Held by the parser while it writes one sentence's values and by a
    // reader that needs the values of one report together (CTender::Read).
    std::mutex& ReportLock() const { return m_reportLock; }

private:
    mutable std::mutex m_reportLock;
};

// A tender's chart object: the entry the navigator lists for its record.
struct CTenderVessel final : navigator::CChartVTSVessel {
    explicit CTenderVessel(std::shared_ptr<CTenderRecord> r) : record(std::move(r)) { }
    const navigator::CVessel& Vessel() const override { return *record; }
    const std::shared_ptr<CTenderRecord> record;
};

// The parts of a tender line; views into the line.
struct CTenderLine {
    std::string_view serial;   // four digits
    std::string_view kind;   // "RMC", "DBT", "MOVB" or anything else
    std::string_view sentence;   // from the kind to the end, checksum part included
};

// Checks a line's form: at most 82 characters, "$PABX," (either case), a
// four-digit serial, a kind, and a checksum that holds by the rule of every
// received sentence (nmea::NmeaChecksumOk) when there is one.
std::optional<CTenderLine> SplitTenderLine(std::string_view line);

class CTenderTargetStore {
public:
    explicit CTenderTargetStore(const platform::CClock& clock);

    // Validity span of the values of records made from now on.
    void SetRefreshTime(std::chrono::seconds refresh);
    // The navigator's "Ignore warning flags" (an RMC with status V then counts).
    void SetIgnoreWarningFlags(const std::atomic<bool>* option) { m_ignoreWarningFlags = option; }

    // One line for a 0-based channel; true when it was taken. A kind other
    // than RMC, DBT or MOVB is no error and stores nothing.
    bool ParseTargetLine(int channel, std::string_view line);

    // The navigator's list, where new tenders queue (until set, one of the store's own).
    void SetVesselList(std::shared_ptr<navigator::CVesselList> vessels);
    navigator::CVesselList& Vessels() const { return *m_vessels; }

    std::shared_ptr<CTenderRecord> Slot(int channel) const;
    // Clears the record's slot when it still holds this record.
    void ClearSlot(const CTenderRecord& record);
    // Gives every tender's values a new validity span.
    void ApplyRefreshTime(std::chrono::seconds refresh);
    // Empties every slot and drops tenders still queued.
    void Reset();

private:
    bool ParseRMC(int channel, std::string_view sentence);
    bool ParseDBT(int channel, std::string_view sentence);
    bool ParseMOVB(int channel);

    const platform::CClock& m_clock;
    const std::atomic<bool>* m_ignoreWarningFlags = nullptr;
    mutable std::mutex m_lock;   // slots, the list pointer, refresh time
    std::chrono::seconds m_refresh{5};
    std::vector<std::shared_ptr<CTenderRecord>> m_slots;
    std::shared_ptr<navigator::CVesselList> m_vessels;
};

}   // namespace targets
