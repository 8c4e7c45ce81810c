#include "shell/TargetsSetup.h"

#include "navigator/NavSnapshot.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/NMEAValueIndex.h"
#include "nmea/ui/InstrumentsWindows.h"
#include "shell/MainFrame.h"
#include "shell/NavigatorTargetRows.h"
#include "targets/ui/ARPAPanelRows.h"
#include "targets/ui/ARPAWindows.h"
#include "targets/ui/TenderWindows.h"

namespace {

std::optional<double> Known(double v)
{
    if (v == nmea::kNoValue || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The own vessel of the navigator's last cycle, as the targets need it.
targets::CNavigationState NavigationFrom(const navigator::CNavSnapshot& s,
                                         const targets::CARPAModule& arpa,
                                         const platform::CClock& clock)
{
    namespace item = nmea::item;
    targets::CNavigationState nav;
    if (s.position.IsValid())
        nav.own.position =
            targets::CTargetPosition{s.position.GetLatitude(), s.position.GetLongitude()};
    nav.own.heading = targets::HeadingForTargets(s.heading, arpa.Parser().Value(item::OwnHeading),
                                                 arpa.Parser().Value(item::OwnHeadingStatus));
    nav.own.courseOverGround = Known(s.cog);
    nav.own.speedOverGround = Known(s.sog);
    nav.navigatorHeading = s.heading;
    nav.ownFixReal = s.source != navigator::PositionSourceKind::DR;
    nav.utc = navigator::NavigationUtc(&s, clock.UtcNow());
    nav.cycle = s.cycle;
    return nav;
}

}   // namespace

namespace shell {

std::unique_ptr<app::CModule> MakeARPAModule(CMainFrame& frame,
                                             nmea::CInstrumentsWindows& instruments,
                                             const platform::CClock& clock)
{
    auto arpa = std::make_unique<targets::CARPAWindows>(frame.SettingsHome(), instruments.Ports(),
                                                        clock, frame.MsgBar(), &frame);
    targets::CARPAWindows* module = arpa.get();
    // New targets join the navigator's vessel list on its pass.
    if (navigator::CNavigatorWindows* nav = frame.Navigator())
        arpa->SetVesselList(nav->Vessels());
    CMainFrame* f = &frame;
    const platform::CClock* time = &clock;
    arpa->SetNavigation([f, module, time] {
        navigator::CNavigatorWindows* nav = f->Navigator();
        if (nav == nullptr)
            return targets::CNavigationState{};
        return NavigationFrom(*nav->Snapshot(), *module, *time);
    });
    // The "ARPA" card of the Target Tracking panel, which tender tracking makes.
    const auto tenders = [f]() -> targets::CTenderWindows* {
        for (std::size_t i = 0; i < f->Modules().size(); ++i)
            if (auto* found = dynamic_cast<targets::CTenderWindows*>(f->Modules()[i]))
                return found;
        return nullptr;
    };
    // Positions and times are written as the tender windows write them.
    arpa->positionFormat = [tenders] {
        targets::CTenderWindows* t = tenders();
        return t && t->positionFormat ? t->positionFormat() : geo::CPositionFormat{};
    };
    arpa->localTime = [tenders](std::chrono::system_clock::time_point utc) {
        targets::CTenderWindows* t = tenders();
        return t && t->localTime ? t->localTime(utc) : std::string();
    };
    auto rows = std::make_unique<targets::CARPAPanelRows>(
        *module,
        [tenders]() -> targets::CTargetTrackingPanel* {
            targets::CTenderWindows* t = tenders();
            return t ? t->Panel() : nullptr;
        },
        arpa->positionFormat, arpa->localTime);
    // Rows are the card's own keys (one per target object, not per number).
    targets::CARPAPanelRows* arpaRows = rows.get();
    arpa->KeepObserver(std::move(rows));
    // The panel's hit test answers the chart for radar targets and tenders together.
    if (targets::CTenderWindows* t = tenders()) {
        t->arpaWindows = [f]() -> targets::CARPAWindows* {
            for (std::size_t i = 0; i < f->Modules().size(); ++i)
                if (auto* found = dynamic_cast<targets::CARPAWindows*>(f->Modules()[i]))
                    return found;
            return nullptr;
        };
        arpa->LeaveChartToPanel();
    }
    if (targets::CTenderWindows* t = tenders())
        t->arpaRowSelected = [f, arpaRows](int key) {
            // The rows live as long as the ARPA module that keeps them.
            for (std::size_t i = 0; i < f->Modules().size(); ++i)
                if (dynamic_cast<targets::CARPAWindows*>(f->Modules()[i]) != nullptr)
                    arpaRows->RowSelected(key);
        };
    // Tender tracking adds its page to the Target Options sheet.
    arpa->SetExtraOptionPages([f](QWidget* sheet) {
        std::vector<app::CXPropertyPage*> pages;
        for (std::size_t i = 0; i < f->Modules().size(); ++i)
            if (auto* tenders = dynamic_cast<targets::CTenderWindows*>(f->Modules()[i]))
                pages.push_back(tenders->MakeOptionsPage(sheet));
        return pages;
    });
    arpa->KeepLogRows(std::make_unique<CNavigatorTargetRows>(frame));
    // A radar target's track marker shows in the own track's "Position Marker Properties".
    arpa->showFixProperties = [f](const targets::CTargetTrackFix& t) {
        navigator::CNavigatorWindows* nav = f->Navigator();
        if (!nav)
            return;
        navigator::CTrackFix fix;
        fix.latitude = t.position.latitude;
        fix.longitude = t.position.longitude;
        fix.cog = t.course.value_or(navigator::kUnsetTrackValue);
        fix.sog = t.speedKnots.value_or(navigator::kUnsetTrackValue);
        fix.utc = std::chrono::floor<std::chrono::seconds>(t.time);
        fix.fixType = navigator::kFixArpaTarget;
        nav->ShowPositionMarker(fix);
    };
    arpa->SetGoTo([f](const targets::CTargetPosition& p) {
        f->GoToPosition(geo::CPosition(p.latitude, p.longitude));
    });
    // The radar's sentences are switched on the navigator's NMEA page, found
    // anew each time: the navigator outlives this module.
    if (navigator::CNavigatorWindows* nav = frame.Navigator()) {
        const auto arpaModule = [f]() -> targets::CARPAWindows* {
            for (std::size_t i = 0; i < f->Modules().size(); ++i)
                if (auto* found = dynamic_cast<targets::CARPAWindows*>(f->Modules()[i]))
                    return found;
            return nullptr;
        };
        nav->AddSentenceSource({"Automated Radar Plotting Aid ( ARPA ) Sentences",
                                [arpaModule]() -> nmea::CInstrumentConfig* {
                                    targets::CARPAWindows* found = arpaModule();
                                    return found ? &found->Config() : nullptr;
                                },
                                [arpaModule] {
                                    if (targets::CARPAWindows* found = arpaModule())
                                        found->SaveSettings();
                                }});
    }
    return arpa;
}

}   // namespace shell
