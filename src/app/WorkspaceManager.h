#pragma once
// Workspaces: named sets of settings and window layout kept in the settings
// store below the program's root key.
//
//   <root>                          "Workspace1".."WorkspaceN" (the list),
//                                   "CurrentWorkspace", the frame's root values
//   <root>\<name>                   the workspace key (GetRegistryKey)
//   <root>\<name>\<module name>     each module's settings
//   <root>\<name>\WorkState_v1_1    window layout: "Bars" and "Frames", one
//                                   subkey per bar or child window, each with
//                                   a "ClassName" string
//
// The manager owns the sequence of opening and saving a workspace; the main
// frame does the window work through the CWorkspaceFrame hooks, so this logic
// runs and is tested without any window.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Module.h"
#include "platform/SettingsStore.h"

namespace app {

class CCommandTable;

// One stored bar or child window: its class name and its own values.
struct CWindowStateEntry {
    std::string className;
    std::vector<std::pair<std::string, platform::SettingValue>> values;
    bool operator==(const CWindowStateEntry&) const = default;
};

struct CControlBarInfo {
    unsigned id = 0;
    bool isCustomToolBar = false;   // a toolbar of the toolbar manager's own class
};

// What the main frame does when a workspace is opened, saved or left.
class CWorkspaceFrame {
public:
    virtual ~CWorkspaceFrame() = default;
    virtual void SuspendTimer(bool suspend) = 0;
    virtual void CloseWorkspaceWindows() = 0;
    virtual void LoadWorkspaceState() = 0;   // the frame's values, then every module's
    virtual void SaveWorkspaceState() = 0;
    virtual void UpdateWorkspaceToolBars() = 0;
    virtual void RestoreWindows() = 0;
    virtual bool IsFullScreen() const = 0;
    // Control-bar layout and MDI child windows as stored entries. The message
    // bar may appear in the capture; the manager never stores it.
    virtual std::vector<CWindowStateEntry> CaptureBarLayout() = 0;
    virtual void ApplyBarLayout(const std::vector<CWindowStateEntry>& bars) = 0;
    virtual std::vector<CWindowStateEntry> CaptureFrames() = 0;
    virtual void RestoreFrames(const std::vector<CWindowStateEntry>& frames) = 0;
    // The toolbars' buttons and the user's own toolbars, stored under the
    // workspace being saved (its key is current by then).
    virtual void SaveToolBars() { }
    virtual void DestroyControlBar(unsigned id) = 0;
    // The File > Workspace choosers; nothing when the user cancels.
    virtual std::optional<std::string> ChooseWorkspaceToOpen(
        const std::vector<std::string>& names) = 0;
    virtual std::optional<std::string> ChooseWorkspaceSaveName(
        const std::vector<std::string>& names) = 0;
};

// A node of the stored window layout: a key with named children.
class CWorkspaceStateNode {
public:
    CWorkspaceStateNode(platform::CSettingsStore& store, std::string key)
        : m_store(&store), m_key(std::move(key))
    { }
    const std::string& Key() const { return m_key; }
    std::optional<CWorkspaceStateNode> FindChild(std::string_view name) const;
    CWorkspaceStateNode CreateChild(std::string_view name);
    std::vector<CWindowStateEntry> ReadEntries() const;
    void WriteEntries(const std::vector<CWindowStateEntry>& entries, std::string_view prefix);

private:
    platform::CSettingsStore* m_store;
    std::string m_key;
};

class CWorkspaceManager : public CSettingsHome {
public:
    static constexpr std::string_view kDefaultWorkspace = "Default";
    static constexpr std::string_view kStateKey = "WorkState_v1_1";
    static constexpr std::string_view kOldStateKey = "WorkState_v1";
    // The first recent-workspace entry's text while the list is empty.
    static constexpr std::string_view kRecentWorkspacesText = "Recent Workspaces";

    // "Software\\<company>\\<product>", the root every workspace lies under.
    static std::string DefaultRoot();

    CWorkspaceManager(platform::CSettingsStore& store, CWorkspaceFrame& frame,
                      std::string root = DefaultRoot());

    platform::CSettingsStore& GetStore() const override { return m_store; }
    // The root, a backslash and the current workspace's name.
    std::string GetRegistryKey() const override;
    const std::string& GetRoot() const { return m_root; }
    const std::string& GetCurrentName() const { return m_current; }
    // The workspace last opened or saved, as remembered in the store.
    std::optional<std::string> GetLastWorkspace() const;

    std::vector<std::string> GetWorkspaceList() const;
    // Workspaces opened or saved, most recent first, at most nine.
    std::vector<std::string> GetRecentList() const;
    bool HasWorkspaces() const { return !GetWorkspaceList().empty(); }

    // While starting up, opening a workspace leaves the frame's timer, windows
    // and panels alone: the frame's start-up completes those itself.
    bool IsStartingUp() const { return m_startingUp; }
    void EndStartUp() { m_startingUp = false; }

    // Opens a listed workspace (false for an unknown name): its layout, then
    // the frame's and modules' settings, toolbars and, after start-up, windows.
    bool OpenWorkspace(std::string_view name);
    // Stores the layout under `name` (listing it when new) and makes it current,
    // then the frame's and modules' settings, then writes the store to disk.
    // False when the file could not be written.
    bool SaveWorkspace(std::string_view name);

    bool LoadFrames(const CWorkspaceStateNode* state);
    bool SaveFrames(CWorkspaceStateNode* state);
    bool LoadBarState(const CWorkspaceStateNode* state);
    bool SaveBarState(CWorkspaceStateNode* state);
    // Destroys the toolbars the user created (ids from 0xE820, except 0xE8FF).
    bool DestroyCustomToolBars(const std::vector<CControlBarInfo>& bars);

    // Start-up mending of every listed workspace's stored layout: the old state
    // key is moved to the current one, and message-bar entries are dropped.
    // A workspace that cannot be mended is left as it is; the reasons are
    // returned, one line each, for the log.
    std::vector<std::string> RepairWorkspaceStates();

    void RegisterCommands(CCommandTable& commands);

private:
    std::string WorkspaceKey(std::string_view name) const;
    std::vector<std::string> ReadNames(std::string_view valuePrefix) const;
    void WriteNames(std::string_view valuePrefix, const std::vector<std::string>& names);
    std::optional<std::string> FindListed(std::string_view name) const;
    void SetCurrent(std::string name);

    platform::CSettingsStore& m_store;
    CWorkspaceFrame& m_frame;
    std::string m_root;
    std::string m_current{kDefaultWorkspace};
    bool m_startingUp = true;
};

}   // namespace app
