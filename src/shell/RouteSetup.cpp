#include "shell/RouteSetup.h"

#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "routes/RouteModule.h"
#include "routes/ui/PlanWindows.h"
#include "routes/ui/TidalWindows.h"
#include "shell/MainFrame.h"

#include <cstdlib>

namespace shell {

namespace {

// Detaches the navigator from the route before the route goes: the
// navigator is created first and so outlives it.
class CProgramRoutes final : public routes::CRouteModule {
public:
    CProgramRoutes(app::CSettingsHome& settings, platform::CPrompt& prompt,
                   std::filesystem::path dataRoot, navigator::CNavigatorModule* nav)
        : CRouteModule(settings, prompt, std::move(dataRoot)), m_navigator(nav)
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

std::unique_ptr<app::CModule> MakeRouteModule(CMainFrame& frame)
{
    navigator::CNavigatorModule* nav = nullptr;
    for (std::size_t i = 0; i < frame.Modules().size() && !nav; ++i)
        nav = dynamic_cast<navigator::CNavigatorModule*>(frame.Modules()[i]);
    return std::make_unique<CProgramRoutes>(frame.SettingsHome(), *frame.Services().prompt,
                                            UserDataRoot(), nav);
}

namespace {

template <class T>
T* FindModule(CMainFrame& frame)
{
    for (std::size_t i = 0; i < frame.Modules().size(); ++i)
        if (auto* found = dynamic_cast<T*>(frame.Modules()[i]))
            return found;
    return nullptr;
}

}   // namespace

std::unique_ptr<app::CModule> MakeTidalModule(CMainFrame& frame)
{
    auto tides = std::make_unique<routes::CTidalWindows>(frame.SettingsHome(),
                                                         frame.Services().programFolder.string());
    tides->planDeparture = [&frame]() -> std::optional<std::int64_t> {
        const auto* plan = FindModule<routes::CPlanModule>(frame);
        if (!plan)
            return std::nullopt;
        if (plan->IsCalculated() && !plan->Plan().empty())
            return plan->Plan().front().utc;
        if (plan->PlanSettings().mode == routes::PlanMode::DepartAt)
            return plan->planUtc;
        return std::nullopt;
    };
    return tides;
}

std::unique_ptr<app::CModule> MakePlanModule(CMainFrame& frame)
{
    routes::CPlanWindows::Links links;
    links.routes = [&frame] { return FindModule<routes::CRouteModule>(frame); };
    links.tides = [&frame] { return FindModule<routes::CTidalModule>(frame); };
    links.geomag = [&frame] { return frame.Geomag(); };
    links.vessel = [&frame]() -> const navigator::COwnVessel* {
        const auto* vessels = FindModule<navigator::CVesselModule>(frame);
        return vessels ? &vessels->Vessel() : nullptr;
    };
    // The route's waypoint labels show the plan's times.
    if (auto* route = FindModule<routes::CRouteModule>(frame))
        route->Views().SetWaypointTimes([&frame](std::size_t index) {
            const auto* plan = FindModule<routes::CPlanModule>(frame);
            return plan ? plan->GetWaypointTime(index) : std::nullopt;
        });
    return std::make_unique<routes::CPlanWindows>(frame.SettingsHome(),
                                                  frame.Services().programFolder.string(),
                                                  *frame.Services().prompt, std::move(links));
}

std::string ModuleVersionsText(CMainFrame& frame)
{
    std::string text;
    if (auto* tides = FindModule<routes::CTidalModule>(frame))
        text += "Tidal-model library: " + tides->Models().GetVersionText() + "\n";
    return text;
}

}   // namespace shell
