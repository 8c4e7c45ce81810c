#pragma once
// "Target Properties": the property sheet of one tender. Configuration
// edits the tender's own display properties (Apply gives them to it, and
// "&Clear Panic" clears its panic); Summary shows its channel, name, state
// and capture. The sheet follows tracking: the current tender is shown while
// it is open, a removed tender empties the pages, the Summary is rewritten
// each pass.

#include <functional>
#include <memory>

#include "targets/TenderRows.h"
#include "targets/TenderTracking.h"
#include "targets/ui/TargetPropertySheet.h"

namespace targets {

class CTenderPropertySheet final {
public:
    // `applied` runs after Apply changed a tender (redraw, messages).
    // `local` writes the time a tender was captured (its vessel-log row).
    CTenderPropertySheet(CTenderTracking& tracking, QWidget* window, std::function<void()> applied,
                         LocalTimeText local = {});

    // Opens the sheet (or raises it) showing the tender on `channel`; -1: none.
    void Show(int channel);
    // The current tender changed: shown while the sheet is open.
    void Follow(int channel);
    // The tender's properties changed elsewhere: its Configuration again.
    void Reload(int channel);
    // After a pass: the Summary again; a tender gone empties both pages.
    void Refresh();
    void Close() { m_sheet.Close(); }
    CTargetPropertySheet& Sheet() { return m_sheet; }
    int Shown() const { return m_channel; }

private:
    // The shown tender while it is the one first shown (not a newcomer on its channel).
    CTender* Tender() const;
    void Point(int channel);
    void ShowConfiguration();
    void ShowSummary();

    CTenderTracking& m_tracking;
    CTargetPropertySheet m_sheet;
    std::function<void()> m_applied;
    LocalTimeText m_local;
    int m_channel = -1;
    // The shown tender's record: a weak reference, so that a tender adopted
    // later on the same channel (a new record, perhaps at the old address
    // once freed) is never taken for it.
    std::weak_ptr<CTenderRecord> m_record;
};

}   // namespace targets
