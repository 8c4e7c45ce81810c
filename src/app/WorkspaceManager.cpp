#include "app/WorkspaceManager.h"

#include <exception>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "app/StringUtils.h"
#include "app/Version.h"
#include "app/WaitStatus.h"

namespace app {

namespace {

constexpr std::string_view kListValue = "Workspace";   // followed by 1, 2, ...
constexpr std::string_view kRecentValue = "RecentWorkspace";
constexpr std::size_t kMaxRecent = app::cmd::kRecentWorkspaces.Count();
constexpr std::string_view kCurrentValue = "CurrentWorkspace";
constexpr std::string_view kClassName = "ClassName";
constexpr std::string_view kBars = "Bars";
constexpr std::string_view kFrames = "Frames";
constexpr std::string_view kMessageBarClass = "CMsgBar";

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ToLower(a) == ToLower(b);
}

bool IsMessageBar(const CWindowStateEntry& e)
{
    return EqualNoCase(e.className, kMessageBarClass);
}

// A name is one key below the root: empty text or a backslash would point
// at the root itself or into another workspace.
bool IsUsableName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

std::string JoinKey(std::string_view parent, std::string_view child)
{
    return AddBackslash(parent) + std::string(child);
}

}   // namespace

// ---- Stored layout nodes ---------------------------------------------------------

std::optional<CWorkspaceStateNode> CWorkspaceStateNode::FindChild(std::string_view name) const
{
    std::string key = JoinKey(m_key, name);
    if (!m_store->KeyExists(key))
        return std::nullopt;
    return CWorkspaceStateNode(*m_store, std::move(key));
}

CWorkspaceStateNode CWorkspaceStateNode::CreateChild(std::string_view name)
{
    std::string key = JoinKey(m_key, name);
    m_store->CreateKey(key);
    return CWorkspaceStateNode(*m_store, std::move(key));
}

std::vector<CWindowStateEntry> CWorkspaceStateNode::ReadEntries() const
{
    std::vector<CWindowStateEntry> entries;
    for (const std::string& sub : m_store->SubKeys(m_key)) {
        const std::string key = JoinKey(m_key, sub);
        CWindowStateEntry e;
        for (const std::string& name : m_store->ValueNames(key)) {
            std::optional<platform::SettingValue> v = m_store->GetValue(key, name);
            if (!v)
                continue;
            if (EqualNoCase(name, kClassName) &&
                v->type == std::uint32_t(platform::SettingType::String))
                e.className = v->data;
            else
                e.values.emplace_back(name, std::move(*v));
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

void CWorkspaceStateNode::WriteEntries(const std::vector<CWindowStateEntry>& entries,
                                       std::string_view prefix)
{
    // Replace, not merge: entries of windows closed since the last save must go.
    for (const std::string& sub : m_store->SubKeys(m_key))
        m_store->DeleteTree(JoinKey(m_key, sub));
    int n = 0;
    for (const CWindowStateEntry& e : entries) {
        const std::string key = JoinKey(m_key, std::string(prefix) + IntToString(n++));
        m_store->CreateKey(key);
        m_store->SetString(key, kClassName, e.className);
        for (const auto& [name, value] : e.values)
            m_store->SetValue(key, name, value);
    }
}

// ---- Manager -------------------------------------------------------------------

std::string CWorkspaceManager::DefaultRoot()
{
    return "Software\\" + std::string(version::kSettingsCompany) + "\\" +
           std::string(version::kProductName);
}

CWorkspaceManager::CWorkspaceManager(platform::CSettingsStore& store, CWorkspaceFrame& frame,
                                     std::string root)
    : m_store(store), m_frame(frame), m_root(std::move(root))
{ }

std::string CWorkspaceManager::GetRegistryKey() const
{
    return WorkspaceKey(m_current);
}

std::string CWorkspaceManager::WorkspaceKey(std::string_view name) const
{
    return AddBackslash(m_root) + std::string(name);
}

std::optional<std::string> CWorkspaceManager::GetLastWorkspace() const
{
    std::optional<std::string> name = m_store.GetString(m_root, kCurrentValue);
    if (!name || name->empty())
        return std::nullopt;
    return name;
}

std::vector<std::string> CWorkspaceManager::ReadNames(std::string_view valuePrefix) const
{
    std::vector<std::string> names;
    for (int i = 1;; ++i) {
        std::optional<std::string> name =
            m_store.GetString(m_root, std::string(valuePrefix) + IntToString(i));
        if (!name)
            break;
        if (!name->empty())
            names.push_back(std::move(*name));
    }
    return names;
}

void CWorkspaceManager::WriteNames(std::string_view valuePrefix,
                                   const std::vector<std::string>& names)
{
    int i = 1;
    for (const std::string& name : names)
        m_store.SetString(m_root, std::string(valuePrefix) + IntToString(i++), name);
    // A shorter list must not leave an old tail that reads back as listed.
    while (m_store.DeleteValue(m_root, std::string(valuePrefix) + IntToString(i++))) { }
}

std::vector<std::string> CWorkspaceManager::GetWorkspaceList() const
{
    return ReadNames(kListValue);
}

std::vector<std::string> CWorkspaceManager::GetRecentList() const
{
    std::vector<std::string> recent = ReadNames(kRecentValue);
    if (recent.size() > kMaxRecent)
        recent.resize(kMaxRecent);
    return recent;
}

std::optional<std::string> CWorkspaceManager::FindListed(std::string_view name) const
{
    for (std::string& listed : GetWorkspaceList())
        if (EqualNoCase(listed, name))
            return std::move(listed);
    return std::nullopt;
}

void CWorkspaceManager::SetCurrent(std::string name)
{
    m_current = std::move(name);
    m_store.SetString(m_root, kCurrentValue, m_current);
    std::vector<std::string> recent = GetRecentList();
    std::erase_if(recent, [&](const std::string& r) { return EqualNoCase(r, m_current); });
    recent.insert(recent.begin(), m_current);
    if (recent.size() > kMaxRecent)
        recent.resize(kMaxRecent);
    WriteNames(kRecentValue, recent);
}

bool CWorkspaceManager::OpenWorkspace(std::string_view name)
{
    // The timer resumes however the open ends, a hook's exception included:
    // a frame left suspended would never navigate again.
    struct Resume {
        CWorkspaceFrame* frame;
        ~Resume()
        {
            if (frame)
                frame->SuspendTimer(false);
        }
    } resume{m_startingUp ? nullptr : &m_frame};
    if (!m_startingUp) {
        m_frame.SuspendTimer(true);
        m_frame.CloseWorkspaceWindows();
    }
    bool opened = false;
    if (std::optional<std::string> listed = FindListed(name); listed && IsUsableName(*listed)) {
        SetCurrent(std::move(*listed));
        const CWorkspaceStateNode workspace(m_store, GetRegistryKey());
        if (const std::optional<CWorkspaceStateNode> state = workspace.FindChild(kStateKey)) {
            LoadBarState(&*state);
            LoadFrames(&*state);
        }
        opened = true;
    }
    if (opened) {
        m_frame.LoadWorkspaceState();
        m_frame.UpdateWorkspaceToolBars();
        if (!m_startingUp)
            m_frame.RestoreWindows();
    }
    return opened;
}

bool CWorkspaceManager::SaveWorkspace(std::string_view name)
{
    if (!IsUsableName(name))
        return false;
    std::vector<std::string> names = GetWorkspaceList();
    std::string stored(name);
    if (std::optional<std::string> listed = FindListed(name)) {
        stored = *listed;
    } else {
        names.push_back(stored);
        WriteNames(kListValue, names);
    }
    SetCurrent(stored);

    CWorkspaceStateNode workspace(m_store, GetRegistryKey());
    m_store.CreateKey(workspace.Key());
    CWorkspaceStateNode state = workspace.CreateChild(kStateKey);
    SaveBarState(&state);
    SaveFrames(&state);

    m_frame.SaveWorkspaceState();
    return m_store.Save();
}

bool CWorkspaceManager::LoadFrames(const CWorkspaceStateNode* state)
{
    if (!state)
        return false;
    const std::optional<CWorkspaceStateNode> frames = state->FindChild(kFrames);
    if (!frames)
        return false;
    m_frame.RestoreFrames(frames->ReadEntries());
    return true;
}

bool CWorkspaceManager::SaveFrames(CWorkspaceStateNode* state)
{
    if (!state)
        return false;
    state->CreateChild(kFrames).WriteEntries(m_frame.CaptureFrames(), "Frame");
    return true;
}

bool CWorkspaceManager::LoadBarState(const CWorkspaceStateNode* state)
{
    if (!state)
        return false;
    const std::optional<CWorkspaceStateNode> bars = state->FindChild(kBars);
    if (!bars)
        return false;
    std::vector<CWindowStateEntry> entries = bars->ReadEntries();
    std::erase_if(entries, IsMessageBar);
    m_frame.ApplyBarLayout(entries);
    return true;
}

bool CWorkspaceManager::SaveBarState(CWorkspaceStateNode* state)
{
    if (!state)
        return false;
    // The message bar shows itself when a message arrives; a stored place for
    // it would bring it back empty in the next session.
    std::vector<CWindowStateEntry> bars = m_frame.CaptureBarLayout();
    std::erase_if(bars, IsMessageBar);
    state->CreateChild(kBars).WriteEntries(bars, "Bar");
    // The toolbars' contents go with the layout that places them: a workspace
    // saved under a new name brings the user's toolbars back when opened.
    m_frame.SaveToolBars();
    return true;
}

bool CWorkspaceManager::DestroyCustomToolBars(const std::vector<CControlBarInfo>& bars)
{
    for (const CControlBarInfo& bar : bars)
        if (bar.isCustomToolBar && bar.id >= 0xE820 && bar.id != 0xE8FF)
            m_frame.DestroyControlBar(bar.id);
    return true;
}

std::vector<std::string> CWorkspaceManager::RepairWorkspaceStates()
{
    std::vector<std::string> problems;
    for (const std::string& name : GetWorkspaceList()) {
        if (!IsUsableName(name)) {
            problems.push_back("Workspace \"" + name +
                               "\" left as it is: its name is not a single key");
            continue;
        }
        const std::string base = WorkspaceKey(name);
        const std::string oldState = JoinKey(base, kOldStateKey);
        const std::string state = JoinKey(base, kStateKey);
        const auto skip = [&](std::string_view why) {
            problems.push_back("Workspace \"" + name + "\" left as it is: " + std::string(why));
        };
        try {
            CRegistry registry(m_store);
            if (registry.OpenKeyForRead(oldState) && !registry.MoveKeyTree(state)) {
                skip("its old window layout could not be moved");
                continue;
            }
            registry.Close();
            // Every message-bar entry goes, not only the first one found.
            std::string found;
            while (registry.FindKeyWithValue(state, kClassName, kMessageBarClass, found)) {
                if (EqualNoCase(found, state)) {
                    skip("its window layout itself is marked as the message bar");
                    break;
                }
                if (!m_store.DeleteTree(found)) {
                    skip("a message-bar entry could not be removed");
                    break;
                }
            }
        } catch (const std::exception& e) {
            skip(e.what());
        } catch (...) {
            skip("the settings store refused the change");
        }
    }
    return problems;
}

void CWorkspaceManager::RegisterCommands(CCommandTable& commands)
{
    commands.Add(
        this, app::cmd::kWorkspaceOpen,
        [this](unsigned) {
            if (std::optional<std::string> name = m_frame.ChooseWorkspaceToOpen(GetWorkspaceList()))
                OpenWorkspace(*name);
        },
        [this](CCmdUI& ui) { ui.Enable(HasWorkspaces()); });
    commands.Add(
        this, app::cmd::kWorkspaceSave,
        [this](unsigned) {
            const app::CWaitStatus wait;
            SaveWorkspace(m_current);
        },
        // Save needs a workspace that was opened or saved under its name.
        [this](CCmdUI& ui) {
            ui.Enable(!m_frame.IsFullScreen() && FindListed(m_current).has_value());
        });
    commands.Add(
        this, app::cmd::kWorkspaceSaveAs,
        [this](unsigned) {
            if (std::optional<std::string> name =
                    m_frame.ChooseWorkspaceSaveName(GetWorkspaceList())) {
                const app::CWaitStatus wait;
                SaveWorkspace(*name);
            }
        },
        [this](CCmdUI& ui) { ui.Enable(!m_frame.IsFullScreen()); });
    commands.Add(
        this, app::cmd::kRecentWorkspaces.first, app::cmd::kRecentWorkspaces.last,
        [this](unsigned id) {
            const std::vector<std::string> recent = GetRecentList();
            if (id - app::cmd::kRecentWorkspaces.first < recent.size())
                OpenWorkspace(recent[id - app::cmd::kRecentWorkspaces.first]);
        },
        [this](CCmdUI& ui) {
            const std::vector<std::string> recent = GetRecentList();
            const std::size_t n = ui.GetID() - app::cmd::kRecentWorkspaces.first;
            ui.Enable(n < recent.size());
            if (n < recent.size())
                ui.SetText("&" + IntToString(static_cast<int>(n) + 1) + " " + recent[n]);
            else if (n == 0)
                // An empty list shows as one grey entry naming it.
                ui.SetText(std::string(kRecentWorkspacesText));
        });
}

}   // namespace app
