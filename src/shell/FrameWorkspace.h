#pragma once
// The main frame's side of workspaces: what opening, saving and leaving a
// workspace does to the frame's windows and settings. The stored layout is
// the toolbars, the status bar and the side panel.

#include <optional>
#include <string>
#include <vector>

#include "app/WorkspaceManager.h"

namespace shell {

class CMainFrame;

class CFrameWorkspace final : public app::CWorkspaceFrame {
public:
    explicit CFrameWorkspace(CMainFrame& frame) : m_frame(frame) { }

    void SuspendTimer(bool suspend) override;
    void CloseWorkspaceWindows() override;
    void LoadWorkspaceState() override;
    void SaveWorkspaceState() override;
    void UpdateWorkspaceToolBars() override;
    void RestoreWindows() override;
    bool IsFullScreen() const override;
    std::vector<app::CWindowStateEntry> CaptureBarLayout() override;
    void ApplyBarLayout(const std::vector<app::CWindowStateEntry>& bars) override;
    std::vector<app::CWindowStateEntry> CaptureFrames() override { return {}; }
    void RestoreFrames(const std::vector<app::CWindowStateEntry>&) override { }
    void SaveToolBars() override;
    void DestroyControlBar(unsigned id) override;
    std::optional<std::string> ChooseWorkspaceToOpen(
        const std::vector<std::string>& names) override;
    std::optional<std::string> ChooseWorkspaceSaveName(
        const std::vector<std::string>& names) override;

private:
    CMainFrame& m_frame;
};

}   // namespace shell
