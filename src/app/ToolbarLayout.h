#pragma once
// What Tools > Customise edits: the buttons of each toolbar (command ids, 0 a
// separator), the toolbars the user made, and the command groups buttons are
// taken from. Kept with the workspace, under its "WorkSpace\ToolBars" key: one
// value per toolbar, and the user's toolbars listed with their names.

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
    std::string title;   // kept for the user's toolbars; the program's are named in code
    bool operator==(const CToolbarButtons&) const = default;
};

// The user's toolbars take ids from here, one apart, at most kMaxUserToolbars.
inline constexpr unsigned kFirstUserToolbarId = 59600;
inline constexpr unsigned kMaxUserToolbars = 32;
inline constexpr std::size_t kMaxToolbarTitle = 64;
inline bool IsUserToolbar(unsigned id)
{
    return id >= kFirstUserToolbarId && id < kFirstUserToolbarId + kMaxUserToolbars;
}

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

    // A new, empty toolbar of the user's named `title` (spaces at the ends
    // dropped), at the end; its index. None, with the reason in `refusal`,
    // when the name is empty, too long or another bar's (case ignored), or
    // when there are kMaxUserToolbars already.
    std::optional<std::size_t> AddUserBar(const std::string& title, std::string* refusal = nullptr);
    // Only the user's toolbars are renamed or deleted; the same rules for the name.
    bool RenameUserBar(std::size_t bar, const std::string& title, std::string* refusal = nullptr);
    bool DeleteUserBar(std::size_t bar);

private:
    std::optional<std::string> CheckTitle(const std::string& title, std::size_t except,
                                          std::string* refusal) const;
};

// "57600,57601,0,2035"; read back only when every id is a number that
// `known` accepts (0 always), else none, so a damaged value changes nothing.
std::string ButtonsText(const std::vector<unsigned>& buttons);
std::optional<std::vector<unsigned>> ParseButtonsText(const std::string& text,
                                                      const std::function<bool(unsigned)>& known);

// Writes every bar's buttons, and the list and names of the user's toolbars.
bool SaveToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        const std::vector<CToolbarButtons>& bars);
// The user's toolbars stored with the workspace, with their names and
// buttons; an entry whose id, name or buttons are damaged is left out.
std::vector<CToolbarButtons> LoadUserToolbars(platform::CSettingsStore& store,
                                              const std::string& workspaceKey,
                                              const std::function<bool(unsigned)>& known);
// The stored buttons of the toolbars listed in `bars` replace theirs.
void LoadToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        std::vector<CToolbarButtons>& bars,
                        const std::function<bool(unsigned)>& known);

}   // namespace app
