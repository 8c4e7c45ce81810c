#pragma once
// The pages of the Route Options sheet without windows. Each page works on a
// copy of the module's values taken when the sheet opens; OK or Apply checks
// every page first, then stores the copies into the module and has every
// chart view draw again.
//   General:      how the selected route is drawn (line, symbols, labels,
//                 leg marks, distance-to-run ticks).
//   Paths:        the route database and attachments folders.
//   Monitoring:   waypoint detection, automatic advance, limit of deviation
//                 and the three monitoring overlays.
//   Great Circle: intercepts and the composite sailing's limiting latitudes.

#include "app/OptionPages.h"
#include "chart/overlays/OverlayServices.h"
#include "navigator/MonitoringOptions.h"
#include "routes/RouteSettings.h"

#include <memory>
#include <string>

namespace routes {

class CRouteModule;

// A folder field: refused when empty or when the path is a file; a folder
// that does not exist yet is accepted (applying makes it).
std::optional<app::CFieldError> CheckFolder(const std::string& field, const std::string& label,
                                            const std::string& folder);

// "Mark every" spun up or down, in nautical miles with one decimal: steps of
// 0.1, 1, 10 and 100 by the size of the value, never above 1000 when going
// up nor below 0.1 going down.
double SpinMarkInterval(double value, bool up);

struct CRouteGeneralOptions {
    bool drawRoute = true;
    int lineWidth = 1;   // 1..4 pixels
    int sizeMode = 0;   // 0 small, 1 medium, 2 large
    chart::CRouteDrawSettings draw;
    bool drawNumber = false, drawName = false, drawEta = false;
    int palette = 0;   // the palette the three colours belong to
    chart::COLORREF routeColour = 0;   // the selected route's labels
    chart::COLORREF lineColour = 0;
    chart::COLORREF waypointColour = 0;
};

class CRouteGeneralOptionsModel final : public app::COptionPageModel {
public:
    explicit CRouteGeneralOptionsModel(CRouteModule& module);
    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CRouteGeneralOptions& Values() { return m_values; }
    // The distance-to-run controls are live only while the route and its
    // ticks are both drawn.
    bool DistanceToRunEnabled() const
    {
        return m_values.drawRoute && m_values.draw.drawDistanceToRun;
    }
    // The display palette changed while the page is open: the wells show the
    // new palette's colours (those picked for the old one are kept for it).
    bool FollowPalette(int palette);

private:
    void ReadColours();

    CRouteModule& m_module;
    CRouteGeneralOptions m_values;
    chart::PaletteColours m_route{};
    chart::PaletteColours m_line{};
    chart::PaletteColours m_waypoint{};
};

struct CRoutePathOptions {
    std::string dataFolder;
    std::string attachmentsFolder;
};

class CRoutePathOptionsModel final : public app::COptionPageModel {
public:
    explicit CRoutePathOptionsModel(CRouteModule& module);
    std::string Title() const override { return "Paths"; }
    std::vector<app::CFieldError> Validate() const override;
    // A folder missing is made with its whole path.
    void Apply() override;

    CRoutePathOptions& Values() { return m_values; }

private:
    CRouteModule& m_module;
    CRoutePathOptions m_values;
};

// The "Monitoring" page is the navigator's (as the autopilot's options show
// it) over the route's record and overlays. Applying stores them; a change of
// automatic advance takes or gives the database lock first and, refused,
// keeps its former value on the page too. Advance is offered while the route
// has more than one waypoint and is edited neither here nor elsewhere.
std::unique_ptr<navigator::CMonitoringOptionsModel> MakeMonitoringOptionsModel(
    CRouteModule& module);

class CGreatCircleOptionsModel final : public app::COptionPageModel {
public:
    explicit CGreatCircleOptionsModel(CRouteModule& module);
    std::string Title() const override { return "Great Circle"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CGreatCircleRecord& Values() { return m_values; }

private:
    CRouteModule& m_module;
    CGreatCircleRecord m_values;
};

}   // namespace routes
