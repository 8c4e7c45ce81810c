#pragma once
// The main frame's own values of a workspace: how positions are shown,
// sound, thread priority, the active side panel, the range-and-bearing bar's
// place, reloading and saving of the workspace, and the recent-file list.
// Kept in core so the rules (defaults, clamps, what is skipped when a key is
// missing) run without a window.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/SettingsStore.h"

namespace app {

struct CFrameSettings {
    static constexpr std::size_t kRecentFiles = 4;
    // Characters a recent file's name may take on the File menu.
    static constexpr std::size_t kRecentDisplayLength = 30;

    std::uint8_t decimalPlaces = 2;   // 0..4
    bool audioAlerts = true;   // forced off without sound output
    std::uint32_t threadPriority = 0;   // 0 normal
    bool autoConfigurePorts = true;
    bool degMinSec = false;
    std::string operationalMode;   // title of the active side panel
    std::pair<int, int> rangeBearingPoint{10, 10};
    bool reloadDocs = true;
    bool autoSaveWorkspace = false;
    bool confirmClosedown = true;
    std::array<std::string, kRecentFiles> recentFiles;

    // Reads the values under the workspace key; a key or subkey that does not
    // open leaves the values below it as they are. Values out of range are
    // clamped as they are read. False when the workspace key did not open.
    bool Load(platform::CSettingsStore& store, const std::string& workspaceKey,
              bool hasSoundOutput);
    // Writes every value, all four recent files included (empty ones as
    // empty text). False when the workspace key could not be written.
    bool Save(platform::CSettingsStore& store, const std::string& workspaceKey) const;

    // Puts a path at the head of the recent-file list (once, any case).
    void AddRecentFile(const std::string& path);
};

// A recent file's name as the File menu shows it, in at most `maxLength`
// characters: the whole path when it fits; else the root, "..." and as many
// of the last folders as fit before the file name; else the file name alone,
// however long (a name is never cut).
std::string RecentFileDisplayName(std::string_view path,
                                  std::size_t maxLength = CFrameSettings::kRecentDisplayLength);

// Sets the calling thread's priority: -2 lowest to 2 highest, 0 normal, as a
// step of five nice levels each. Threads the program starts later take the
// nice value of the thread that starts them, so the user-interface thread's
// value reaches every worker started after it. Raising it needs a privilege
// most users do not have; then the thread stays as it is and the text
// returned says so with the system's reason (empty when it was set).
std::string ApplyThreadPriority(std::int32_t priority);

// The width template of the position indicators: "DD°MMN  ddd°mmE", with
// seconds when asked, and the decimal places inserted before the hemisphere
// letter. UTF-8.
std::string GetPositionTemplate(std::uint8_t decimalPlaces, bool degMinSec);

}   // namespace app
