#include "routes/RouteOptions.h"

#include "chart/overlays/OverlayProperties.h"
#include "routes/RouteModule.h"

#include <cmath>
#include <filesystem>

namespace routes {

namespace {

double OneDecimal(double v)
{
    return std::round(v * 10.0) / 10.0;
}

void Add(std::vector<app::CFieldError>& errors, std::optional<app::CFieldError> error)
{
    if (error)
        errors.push_back(std::move(*error));
}

}   // namespace

std::optional<app::CFieldError> CheckFolder(const std::string& field, const std::string& label,
                                            const std::string& folder)
{
    if (folder.empty())
        return app::CFieldError{field, label + ": a folder is needed."};
    std::error_code ec;
    const std::filesystem::path path(folder);
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec))
        return app::CFieldError{field, folder + " is a file, not a folder."};
    return std::nullopt;
}

double SpinMarkInterval(double value, bool up)
{
    const double v = OneDecimal(value);
    if (up) {
        if (v >= 1000)
            return v;
        if (v >= 100)
            return v + 100;
        if (v >= 10)
            return v + 10;
        if (v >= 1)
            return v + 1;
        return OneDecimal(v + 0.1);
    }
    if (v <= 0.1)
        return v;
    if (v >= 200)
        return v - 100;
    if (v >= 20)
        return v - 10;
    if (v >= 2)
        return v - 1;
    return OneDecimal(v - 0.1);
}

// ---- General ------------------------------------------------------------------------------

CRouteGeneralOptionsModel::CRouteGeneralOptionsModel(CRouteModule& module) : m_module(module)
{
    const chart::CWaypointProperties& p = module.Views().Properties();
    m_values.drawRoute = p.GetDraw();
    m_values.lineWidth = p.Line().GetWidth();
    m_values.sizeMode = p.GetSizeMode();
    m_values.draw = module.State().draw;
    m_values.drawNumber = p.drawNumber;
    m_values.drawName = p.drawName;
    m_values.drawEta = p.drawEta;
    m_route = p.Text().GetColours();
    m_line = p.Line().GetColours();
    m_waypoint = p.GetColours();
    m_values.palette = chart::ActivePaletteIndex();
    ReadColours();
}

void CRouteGeneralOptionsModel::ReadColours()
{
    const auto i = std::size_t(m_values.palette);
    m_values.routeColour = m_route[i];
    m_values.lineColour = m_line[i];
    m_values.waypointColour = m_waypoint[i];
}

bool CRouteGeneralOptionsModel::FollowPalette(int palette)
{
    if (palette == m_values.palette || palette < 0 || palette > 2)
        return false;
    m_route[std::size_t(m_values.palette)] = m_values.routeColour;
    m_line[std::size_t(m_values.palette)] = m_values.lineColour;
    m_waypoint[std::size_t(m_values.palette)] = m_values.waypointColour;
    m_values.palette = palette;
    ReadColours();
    return true;
}

std::vector<app::CFieldError> CRouteGeneralOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    Add(errors, app::CheckRange("lineWidth", "Line widths", (long long)m_values.lineWidth, 1,
                                chart::CLineProperties::kMaximumWidth));
    Add(errors,
        app::CheckRange("overlaySize", "Overlay sizes", (long long)m_values.sizeMode, 0, 2));
    // A mark every 0 nm would never get along the leg.
    Add(errors, app::CheckRange("markEvery", "Distance-to-run marks",
                                m_values.draw.distanceToRunInterval, 0.1, 1000.0));
    return errors;
}

void CRouteGeneralOptionsModel::Apply()
{
    chart::CWaypointProperties& p = m_module.Views().Properties();
    p.SetDraw(m_values.drawRoute);
    p.Line().SetDraw(m_values.drawRoute);
    p.Line().SetWidth(std::uint8_t(m_values.lineWidth));
    p.SetSizeMode(m_values.sizeMode);
    p.drawNumber = m_values.drawNumber;
    p.drawName = m_values.drawName;
    p.drawEta = m_values.drawEta;
    m_route[std::size_t(m_values.palette)] = m_values.routeColour;
    m_line[std::size_t(m_values.palette)] = m_values.lineColour;
    m_waypoint[std::size_t(m_values.palette)] = m_values.waypointColour;
    p.Text().SetColours(m_route);
    p.Line().SetColours(m_line);
    p.SetColours(m_waypoint);
    m_values.draw.distanceToRunInterval = OneDecimal(m_values.draw.distanceToRunInterval);
    m_module.State().draw = m_values.draw;
    m_module.DisplayChanged();
}

// ---- Paths --------------------------------------------------------------------------------

CRoutePathOptionsModel::CRoutePathOptionsModel(CRouteModule& module) : m_module(module)
{
    m_values.dataFolder = module.GetDataFolder();
    m_values.attachmentsFolder = module.AttachmentsFolder();
}

std::vector<app::CFieldError> CRoutePathOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    Add(errors, CheckFolder("databaseFolder", "Database folder", m_values.dataFolder));
    Add(errors, CheckFolder("attachmentsFolder", "Attachments folder", m_values.attachmentsFolder));
    return errors;
}

void CRoutePathOptionsModel::Apply()
{
    std::error_code ec;
    std::filesystem::create_directories(m_values.dataFolder, ec);
    std::filesystem::create_directories(m_values.attachmentsFolder, ec);
    m_module.SetDataFolder(m_values.dataFolder);
    m_module.SetAttachmentsFolder(m_values.attachmentsFolder);
}

// ---- Monitoring ---------------------------------------------------------------------------

std::unique_ptr<navigator::CMonitoringOptionsModel> MakeMonitoringOptionsModel(CRouteModule& module)
{
    const CRouteState& s = module.State();
    navigator::CMonitoringOverlays overlays;
    overlays.arrivalCircles = s.overlays.arrivalCircles;
    overlays.perpendiculars = s.overlays.perpendiculars;
    overlays.limitsOfDeviation = s.overlays.deviationLimits;
    const bool advanceCanBeHad =
        !module.IsEditMode() && !module.IsLockedElsewhere() && s.waypoints.size() > 1;
    // The page's own copy, reached by the apply function once made.
    auto page = std::make_shared<navigator::CMonitoringOptionsModel*>(nullptr);
    auto apply = [&module, page](const navigator::CRouteMonitoringSettings& wanted,
                                 const navigator::CMonitoringOverlays& shown) {
        CRouteState& st = module.State();
        st.overlays.arrivalCircles = shown.arrivalCircles;
        st.overlays.perpendiculars = shown.perpendiculars;
        st.overlays.deviationLimits = shown.limitsOfDeviation;
        const bool before = st.monitoring.autoAdvance;
        st.monitoring.TakeFromNavigator(wanted);
        st.monitoring.autoAdvance = before;
        // The switch goes through the lock: refused, it stays as it was.
        if (wanted.autoWptAdvanceOn != before && !module.SetAutoAdvance(wanted.autoWptAdvanceOn) &&
            *page)
            (*page)->Settings().autoWptAdvanceOn = before;
        module.DisplayChanged();
    };
    auto model = std::make_unique<navigator::CMonitoringOptionsModel>(
        s.monitoring.ForNavigator(), overlays, advanceCanBeHad, std::move(apply));
    *page = model.get();
    return model;
}

// ---- Great circle -------------------------------------------------------------------------

CGreatCircleOptionsModel::CGreatCircleOptionsModel(CRouteModule& module)
    : m_module(module), m_values(module.State().greatCircle)
{ }

std::vector<app::CFieldError> CGreatCircleOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const CGreatCircleRecord& r = m_values;
    Add(errors, app::CheckRange("intercept", "Intercepts", (long long)r.degreeIntercept, 1, 90));
    const auto limit = [&](const char* degField, const char* minField, const char* label,
                           int degrees, int minutes) {
        Add(errors,
            app::CheckRange(degField, std::string(label) + " degrees", (long long)degrees, 1, 90));
        Add(errors,
            app::CheckRange(minField, std::string(label) + " minutes", (long long)minutes, 0, 60));
        if (degrees * 60 + minutes > 90 * 60)
            errors.push_back({minField, std::string(label) + " lies beyond the pole."});
    };
    if (r.applyNorthLimit)
        limit("northDegrees", "northMinutes", "North limiting latitude", r.northDegrees,
              r.northMinutes);
    if (r.applySouthLimit)
        limit("southDegrees", "southMinutes", "South limiting latitude", r.southDegrees,
              r.southMinutes);
    return errors;
}

void CGreatCircleOptionsModel::Apply()
{
    m_values.DeriveLimits();
    m_module.ApplyGreatCircle(m_values);
}

}   // namespace routes
