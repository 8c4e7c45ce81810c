#pragma once
// Models of the navigator's "Wind" and "NMEA" pages. The NMEA page holds the
// sentence selection of every instrument module as a tree (one group per
// module), the repeater's ports, the replay file and the "Ignore warning
// flags" switch.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "nmea/NMEADevice.h"

namespace nmea {

struct CWindOptions {
    std::uint8_t receivePort = 0;
    int validSentenceSeconds = 5;
    bool operator==(const CWindOptions&) const = default;
};

class CWindOptionsModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const CWindOptions& now, const CWindOptions& before)>;
    CWindOptionsModel(const CWindOptions& current, ApplyFn apply);

    std::string Title() const override { return "Wind"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    CWindOptions& Values() { return m_values; }

private:
    CWindOptions m_values;
    CWindOptions m_applied;
    ApplyFn m_apply;
};

// A group's tick: all of its sentences, none, or some.
enum class GroupCheck : std::uint8_t { Unchecked, Checked, Mixed };

struct CSentenceGroup {
    std::string title;
    SentenceList entries;
    bool operator==(const CSentenceGroup&) const = default;
};

GroupCheck GroupState(const CSentenceGroup& group);
// A click on the group: every sentence takes the group's new tick (a mixed
// or clear group becomes ticked, a ticked one clear).
void FlipGroup(CSentenceGroup& group);

struct CRepeaterPortTick {
    std::uint8_t number = 0;
    bool ticked = false;
    bool operator==(const CRepeaterPortTick&) const = default;
};

struct CNMEAOptions {
    std::vector<CSentenceGroup> groups;
    std::vector<CRepeaterPortTick> repeaterReceive;
    std::uint8_t repeaterTransmit = 0;
    bool ignoreWarnings = false;
    std::string replayFile;
    bool process = false;
    bool operator==(const CNMEAOptions&) const = default;
};

class CNMEAOptionsModel : public app::COptionPageModel {
public:
    // `now` comes back with the repeater's transmit port in use ("Off" when
    // the chosen one would not open).
    using ApplyFn = std::function<void(CNMEAOptions& now, const CNMEAOptions& before)>;
    using ExistsFn = std::function<bool(const std::string&)>;
    // `exists` tells whether a file is there; the program's looks at the disk.
    CNMEAOptionsModel(const CNMEAOptions& current, ApplyFn apply, ExistsFn exists = {});

    std::string Title() const override { return "NMEA"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    CNMEAOptions& Values() { return m_values; }

    // "Process" may be ticked only for a text file (name ending in "txt")
    // that exists.
    bool ProcessEnabled() const;
    // A typed name: a file that is not there clears "Process".
    void SetReplayFile(const std::string& name);
    void FlipItem(std::size_t group, std::size_t entry);

private:
    CNMEAOptions m_values;
    CNMEAOptions m_applied;
    ApplyFn m_apply;
    ExistsFn m_exists;
};

}   // namespace nmea
