#pragma once
// What Tools > Customise edits: the buttons of each toolbar (command ids, 0 a
// separator) and the command groups buttons are taken from. Kept with the
// workspace, under its "WorkSpace\ToolBars" key, one value per toolbar.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class CSettingsStore;
}

namespace app {

struct CToolbarButtons {
    unsigned id = 0;
    std::vector<unsigned> buttons;
    bool operator==(const CToolbarButtons&) const = default;
};

struct CCommandGroup {
    std::string name;
    std::vector<unsigned> buttons;
};

// The thirteen groups of the Commands page, each with only the commands
// `available` says this build has; separators that would stand at an end or
// next to another are dropped, and a group left empty is not listed.
std::vector<CCommandGroup> CustomiseGroups(const std::function<bool(unsigned)>& available);

class CToolbarCustomisation {
public:
    std::vector<CToolbarButtons> bars;

    // A command goes in once per bar (separators any number of times).
    bool Add(std::size_t bar, unsigned id, std::size_t at);
    bool Remove(std::size_t bar, std::size_t index);
    // One place earlier (delta -1) or later (+1); false at an end.
    bool Move(std::size_t bar, std::size_t index, int delta);
};

// "57600,57601,0,2035"; read back only when every id is a number that
// `known` accepts (0 always), else none, so a damaged value changes nothing.
std::string ButtonsText(const std::vector<unsigned>& buttons);
std::optional<std::vector<unsigned>> ParseButtonsText(const std::string& text,
                                                      const std::function<bool(unsigned)>& known);

bool SaveToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        const std::vector<CToolbarButtons>& bars);
// The stored buttons of the toolbars listed in `bars` replace theirs.
void LoadToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        std::vector<CToolbarButtons>& bars,
                        const std::function<bool(unsigned)>& known);

}   // namespace app
