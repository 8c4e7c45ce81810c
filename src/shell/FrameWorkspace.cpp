#include "shell/FrameWorkspace.h"

#include <QInputDialog>
#include <QToolBar>

#include "app/Registry.h"
#include "app/ui/FullScreenMode.h"
#include "app/ui/SidePanel.h"
#include "app/ui/XStatusBar.h"
#include "shell/MainFrame.h"

namespace shell {

namespace {

std::string ValueText(const app::CWindowStateEntry& e, std::string_view name)
{
    for (const auto& [n, v] : e.values) {
        if (n == name && v.type == static_cast<std::uint32_t>(platform::SettingType::String))
            return v.data;
    }
    return {};
}

app::CWindowStateEntry BarEntry(const char* className, unsigned id, bool visible)
{
    app::CWindowStateEntry e;
    e.className = className;
    e.values.emplace_back("BarID", platform::SettingValue::FromString(std::to_string(id)));
    e.values.emplace_back("Visible",
                          platform::SettingValue::FromString(visible ? "True" : "False"));
    return e;
}

}   // namespace

void CFrameWorkspace::SuspendTimer(bool suspend)
{
    m_frame.SuspendTimer(suspend);
}

void CFrameWorkspace::CloseWorkspaceWindows()
{
    m_frame.LeaveWorkspace();
}

bool CFrameWorkspace::IsFullScreen() const
{
    return m_frame.FullScreen() && m_frame.FullScreen()->IsActive();
}

void CFrameWorkspace::LoadWorkspaceState()
{
    m_frame.LoadWorkspaceValues();
}

void CFrameWorkspace::UpdateWorkspaceToolBars()
{
    m_frame.UpdateWorkspaceToolBars();
}

void CFrameWorkspace::RestoreWindows()
{
    m_frame.RestoreWindows();
}

void CFrameWorkspace::SaveWorkspaceState()
{
    m_frame.SaveWorkspaceValues();
}

std::vector<app::CWindowStateEntry> CFrameWorkspace::CaptureBarLayout()
{
    std::vector<app::CWindowStateEntry> bars;
    for (const auto& [id, bar] : m_frame.ToolBars())
        bars.push_back(BarEntry("CCustomToolBarEx", id, !bar->isHidden()));
    if (app::CXStatusBar* status = m_frame.StatusBar())
        bars.push_back(BarEntry("CXStatusBar", 0xE801, !status->isHidden()));
    if (app::CSidePanel* panel = m_frame.ActiveSidePanel()) {
        app::CWindowStateEntry e = BarEntry("CSidePanel", panel->BarId(), !panel->isHidden());
        e.values.emplace_back("Right", platform::SettingValue::FromString(
                                           panel->IsRightAligned() ? "True" : "False"));
        bars.push_back(std::move(e));
    }
    // Geometry, toolbars and docks (floating ones too) as Qt keeps them,
    // beside the readable entries above; applied last, so it has the last word.
    app::CWindowStateEntry layout;
    layout.className = "CFrameLayout";
    layout.values.emplace_back("State", platform::SettingValue::FromBinary(m_frame.SaveLayout()));
    bars.push_back(std::move(layout));
    return bars;
}

void CFrameWorkspace::ApplyBarLayout(const std::vector<app::CWindowStateEntry>& bars)
{
    // The user's toolbars exist before the layout that places them is applied.
    m_frame.LoadUserToolbars();
    for (const app::CWindowStateEntry& e : bars) {
        const bool visible = ValueText(e, "Visible") != "False";
        const unsigned id =
            static_cast<unsigned>(std::strtoul(ValueText(e, "BarID").c_str(), nullptr, 10));
        if (e.className == "CCustomToolBarEx") {
            if (QToolBar* bar = m_frame.ToolBar(id))
                bar->setVisible(visible);
        } else if (e.className == "CXStatusBar") {
            if (m_frame.StatusBar())
                m_frame.StatusBar()->setVisible(visible);
        } else if (e.className == "CFrameLayout") {
            for (const auto& [name, value] : e.values) {
                if (name == "State" &&
                    value.type == static_cast<std::uint32_t>(platform::SettingType::Binary))
                    m_frame.RestoreLayout(value.data);
            }
        } else if (e.className == "CSidePanel") {
            if (app::CSidePanel* panel = m_frame.ActiveSidePanel()) {
                panel->SetAlignment(ValueText(e, "Right") != "False");
                panel->setVisible(visible);
            }
        }
    }
}

void CFrameWorkspace::SaveToolBars()
{
    m_frame.SaveWorkspaceToolbars();
}

void CFrameWorkspace::DestroyControlBar(unsigned id)
{
    if (QToolBar* bar = m_frame.ToolBar(id))
        bar->hide();
}

std::optional<std::string> CFrameWorkspace::ChooseWorkspaceToOpen(
    const std::vector<std::string>& names)
{
    QStringList items;
    for (const auto& n : names)
        items << QString::fromStdString(n);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(&m_frame, "Open Workspace", "Workspace:", items, 0, false, &ok);
    if (!ok || chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

std::optional<std::string> CFrameWorkspace::ChooseWorkspaceSaveName(
    const std::vector<std::string>& names)
{
    bool ok = false;
    const QString current = names.empty() ? QString() : QString::fromStdString(names.front());
    const QString name = QInputDialog::getText(&m_frame, "Save Workspace As",
                                               "Workspace name:", QLineEdit::Normal, current, &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

}   // namespace shell
