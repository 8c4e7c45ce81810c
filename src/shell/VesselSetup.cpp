#include "shell/VesselSetup.h"

#include "app/Module.h"
#include "chart/ChartingModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "navigator/ui/VesselWindows.h"
#include "routes/PlanModule.h"
#include "shell/MainFrame.h"
#include "shell/RouteSetup.h"

namespace shell {

namespace {

constexpr const char* kVesselAltered = "Your vessel information has been altered.";

routes::CPlanModule* FindPlan(CMainFrame& frame)
{
    for (std::size_t i = 0; i < frame.Modules().size(); ++i)
        if (auto* plan = dynamic_cast<routes::CPlanModule*>(frame.Modules()[i]))
            return plan;
    return nullptr;
}

}   // namespace

std::unique_ptr<app::CModule> MakeVesselModule(CMainFrame& frame)
{
    auto vessel = std::make_unique<navigator::CVesselWindows>(
        frame.SettingsHome(), UserDataRoot() / "Vessel", *frame.Services().prompt);
    navigator::CVesselWindows* v = vessel.get();
    vessel->changed = [&frame, v] {
        if (routes::CPlanModule* plan = FindPlan(frame))
            plan->SetDeviationCard(v->Vessel().deviation);
        if (frame.Charting())
            frame.Charting()->RedrawAllChartViews();
    };
    // A change made while the log runs on a receiving GPS is a logbook event.
    vessel->particularsChanging = [&frame](const navigator::COwnVessel& before,
                                           const navigator::COwnVessel& after) {
        navigator::CNavigatorWindows* nav = frame.Navigator();
        if (nav && nav->Logbook().IsLogging() && nav->IsGpsReceiving() && before.IsDifferent(after))
            nav->Logbook().LogEvent(kVesselAltered, -1);
    };
    // The navigator joins after the vessel module: asked at each use.
    vessel->ownPosition = [&frame]() -> std::optional<geo::CPosition> {
        navigator::CNavigatorWindows* nav = frame.Navigator();
        return nav ? nav->OwnPosition() : std::nullopt;
    };
    return vessel;
}

}   // namespace shell
