#include "shell/TenderSetup.h"

#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "navigator/NavigatorModule.h"
#include "navigator/TrackRecord.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "shell/LocalTimeText.h"
#include "shell/MainFrame.h"
#include "shell/NavigatorTargetRows.h"
#include "targets/ui/TenderWindows.h"

namespace shell {

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

std::unique_ptr<app::CModule> MakeTenderModule(CMainFrame& frame, const platform::CClock& clock,
                                               nmea::CPortDirectory& ports)
{
    auto tenders = std::make_unique<targets::CTenderWindows>(frame.SettingsHome(), clock, ports);
    // The navigator's pass runs tender tracking's; a closing log drops the tenders.
    if (navigator::CNavigatorWindows* nav = frame.Navigator())
        tenders->SetVesselList(nav->Vessels());
    tenders->ownSituation = [&frame, &clock] {
        targets::COwnSituation own;
        if (auto* nav = FindModule<navigator::CNavigatorModule>(frame)) {
            const auto snap = nav->Snapshot();
            own.navigationUtc = navigator::NavigationUtc(snap.get(), clock.UtcNow());
            if (snap->positionAvailable && snap->position.IsValid())
                own.position = targets::CTargetPosition{snap->position.GetLatitude(),
                                                        snap->position.GetLongitude()};
        }
        if (auto* vessel = FindModule<navigator::CVesselModule>(frame)) {
            own.vesselCircle = vessel->WarningCircles();
            own.vesselRadius = vessel->WarningCirclesRadius();
        }
        return own;
    };
    tenders->positionFormat = [&frame] {
        return geo::CPositionFormat{static_cast<std::uint8_t>(frame.DecimalPlaces()),
                                    frame.DegMinSec()};
    };
    tenders->goToPosition = [&frame](const targets::CTargetPosition& p) {
        return frame.GoToPosition(geo::CPosition(p.latitude, p.longitude, 0.0));
    };
    tenders->chartCentre = [&frame]() -> std::optional<targets::CTargetPosition> {
        chart::CChartDoc* doc = frame.Charting() ? frame.Charting()->GetActiveChartDoc() : nullptr;
        geo::CPosition centre;
        if (doc == nullptr || !doc->GetCentrePosition(centre) || !centre.IsValid())
            return std::nullopt;
        return targets::CTargetPosition{centre.GetLatitude(), centre.GetLongitude()};
    };
    tenders->localTime = LocalDateTimeText;
    // Each tender tracked has its row in the vessel log.
    tenders->KeepLogRows(std::make_unique<CNavigatorTargetRows>(frame));
    tenders->showFixProperties = [&frame](const targets::CTenderFix& f) {
        navigator::CNavigatorWindows* nav = frame.Navigator();
        if (!nav)
            return;
        navigator::CTrackFix fix;
        fix.latitude = f.position.latitude;
        fix.longitude = f.position.longitude;
        fix.cog = f.course;
        fix.sog = f.speed;
        fix.depth = f.depth;
        fix.utc = std::chrono::floor<std::chrono::seconds>(f.utc);
        fix.fixType = navigator::kFixTenderTarget;
        nav->ShowPositionMarker(fix);
    };
    return tenders;
}

}   // namespace shell
