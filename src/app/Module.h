#pragma once
// Base of every functional unit of the program: charting, chartpoints,
// routes, vessel, navigator and its instruments, tides, chart services.
//
// A module is created by the main frame or by another module, initialised
// once, asked to load and save its settings under the current workspace,
// asked to update its commands on idle, ticked by the frame's timer, and
// terminated before it is deleted. The frame knows modules only through the
// hooks below: it walks its module list for their commands, close questions,
// posted messages, timer work, side panels and option pages, so a new module
// joins the program without a change to the frame. Its name is also its settings subkey below
// the workspace key; a sub-module's name is its owner's name, a backslash and
// its own word ("Navigator\\GPS"), so its settings nest under its owner's.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Prompt.h"
#include "platform/SettingsStore.h"

namespace app {
class CModuleUi;
}

namespace app {

class CCommandTable;
class CModule;
class CModuleList;
class CRegistry;
struct CPostedMessage;

// The steps an owner takes its modules through, reported as they happen to
// the one observer set (diagnostics and tests; none by default).
enum class ModuleStep { Created, Initialised, SettingsLoaded, SettingsSaved, Terminated };
using ModuleStepObserver = std::function<void(ModuleStep, const CModule&)>;
void SetModuleStepObserver(ModuleStepObserver observer);
void ReportModuleStep(ModuleStep step, const CModule& module);

// Which part of the frame's timer pass a module is called for.
enum class TimerCadence {
    EveryPass,   // every pass of the frame's timer (twice a second)
    EverySecond,   // the navigator's cadence
    EveryTenSeconds,   // slow housekeeping (memory and disk messages)
};

// Where settings live: the store and the key of the current workspace. The
// workspace manager is the program's one; tests give their own.
class CSettingsHome {
public:
    virtual ~CSettingsHome() = default;
    virtual platform::CSettingsStore& GetStore() const = 0;
    virtual std::string GetRegistryKey() const = 0;
};

class CModule {
public:
    explicit CModule(CSettingsHome& settings) : m_settings(&settings) { }
    virtual ~CModule() = default;
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    virtual void SetDataFolder(std::string folder) { m_dataFolder = std::move(folder); }
    virtual std::string GetDataFolder() const { return m_dataFolder; }

    // Called once by the owner right after construction; false from a module
    // of the main frame stops the program's start.
    virtual bool Initialise() { return true; }
    // Called once before deletion, owners in reverse order of creation.
    virtual bool Terminate() { return true; }
    virtual void LoadSettings() { }
    virtual void SaveSettings() { }
    // The program's start, before its workspace is reopened: the module
    // takes the values a new workspace starts with; a workspace reopened then
    // reads its settings over them, a start without one keeps them.
    virtual void SetWorkspaceDefaults() { }
    // Re-tests an outside resource the module depends on.
    virtual bool CheckAvailability() { return true; }
    // Sets the enabled and checked state of the module's panel or toolbar controls.
    virtual void OnUpdateCmdUI(CCommandTable& /*commands*/, bool /*disableIfNoHandler*/) { }

    // The owner's hooks, each called for every module in creation order.
    //
    // Registers the module's menu and toolbar commands, with the module as
    // their owner; called once after Initialise, and the owner drops them
    // before Terminate. Commands registered here win over the frame's own.
    virtual void RegisterCommands(CCommandTable& /*commands*/) { }
    // Asked when the program closes, before anything is torn down (an offer
    // to save a temporary database). Cancel stops the close; any other
    // answer lets it go on.
    virtual platform::PromptAnswer QueryClose(platform::CPrompt& /*prompt*/)
    {
        return platform::PromptAnswer::Ok;
    }
    // The program is told to end with nobody there to answer (a logout or a
    // shutdown): QueryClose is not asked, and the close that follows keeps a
    // temporary database with records as it is, closed, for the next start
    // to offer, where QueryClose would have offered to save it.
    virtual void PrepareUnattendedClose() { }
    // Closes the windows that belong to one workspace (on close and when
    // another workspace is opened).
    virtual void CloseWorkspaceWindows() { }
    // The close goes ahead: stop work that must not outlive the windows.
    // Runs before settings are stored; Terminate follows later.
    virtual void ShutDown() { }
    // Every message posted to the owner's queue, after the owner's own handling.
    virtual void OnPostedMessage(const app::CPostedMessage& /*message*/) { }
    // The module's part of the owner's timer pass.
    virtual void OnTimer(TimerCadence /*cadence*/) { }
    // View > Refresh: start again what may have stalled and read again what
    // another station may have changed.
    virtual void OnRefresh() { }
    // The module's window side (side panels, option pages); null for a
    // module without windows. See app/ui/ModuleUi.h.
    virtual app::CModuleUi* Ui() { return nullptr; }
    // Links to the owner's other modules, made once every module of the
    // owner exists with its side panels, so a module need not be created
    // after the ones it works with. Unlinked again before any of them is
    // terminated; unlinking a module that was never linked does nothing.
    virtual void LinkModules(const CModuleList& /*modules*/) { }
    virtual void UnlinkModules() { }

    const std::string& GetModuleName() const { return m_moduleName; }

    // The module's key: the workspace key, the module name, then `subkey` when given.
    std::string GetSettingsKey(std::string_view subkey = {}) const;
    // Opens `registry` on that key for writing (creating it) or for reading.
    bool OpenSettings(CRegistry& registry, bool forWrite, std::string_view subkey = {}) const;

    CSettingsHome& Settings() const { return *m_settings; }

protected:
    void SetModuleName(std::string name) { m_moduleName = std::move(name); }
    // A sub-module's name: this module's name, a backslash and `word`.
    std::string SubModuleName(std::string_view word) const;

private:
    CSettingsHome* m_settings;
    std::string m_moduleName;
    std::string m_dataFolder;
};

// Base of the modules that own a working mode with a side panel or toolbar.
class CModeModule : public CModule {
public:
    using CModule::CModule;
};

// The modules one owner creates, kept in creation order. Settings load and
// save in that order; termination and deletion run in reverse.
class CModuleList {
public:
    CModuleList() = default;
    ~CModuleList();
    CModuleList(const CModuleList&) = delete;
    CModuleList& operator=(const CModuleList&) = delete;

    // Initialises the module and keeps it. A module whose initialisation fails
    // is not kept (it is deleted here) and false is returned.
    bool Add(std::unique_ptr<CModule> module);

    void LoadSettings();
    void SaveSettings();
    // Newest first: `before` (when given) runs, then the module is
    // terminated, then deleted.
    void TerminateAll(const std::function<void(CModule&)>& before = {});

    std::size_t size() const { return m_modules.size(); }
    CModule* operator[](std::size_t i) const { return m_modules[i].get(); }
    // Calls `f` for each module in creation order.
    template <typename F>
    void ForEach(F&& f) const
    {
        for (const auto& m : m_modules)
            f(*m);
    }

private:
    std::vector<std::unique_ptr<CModule>> m_modules;
};

}   // namespace app
