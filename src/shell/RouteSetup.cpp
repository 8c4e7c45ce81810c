#include "shell/RouteSetup.h"

#include "navigator/NavigatorModule.h"
#include "routes/ui/RouteWindows.h"
#include "shell/MainFrame.h"

#include <cstdlib>

namespace {

// Detaches the navigator from the route before the route goes: the
// navigator is created first and so outlives it.
class CProgramRoutes final : public CRouteWindows {
public:
    CProgramRoutes(CSettingsHome& settings, platform::CPrompt& prompt,
                   std::filesystem::path dataRoot, navigator::CNavigatorModule* nav)
        : CRouteWindows(settings, prompt, std::move(dataRoot)), m_navigator(nav)
    {
        if (m_navigator)
            m_navigator->SetRoute(&Views());
    }
    ~CProgramRoutes() override
    {
        if (m_navigator)
            m_navigator->SetRoute(nullptr);
    }

private:
    navigator::CNavigatorModule* m_navigator;
};

}   // namespace

std::filesystem::path UserDataRoot()
{
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    return base / "Quorwick" / "Brinevane";
}

std::unique_ptr<CModule> MakeRouteModule(CMainFrame& frame)
{
    navigator::CNavigatorModule* nav = nullptr;
    for (std::size_t i = 0; i < frame.Modules().size() && !nav; ++i)
        nav = dynamic_cast<navigator::CNavigatorModule*>(frame.Modules()[i]);
    return std::make_unique<CProgramRoutes>(frame.SettingsHome(), *frame.Services().prompt,
                                            UserDataRoot(), nav);
}
