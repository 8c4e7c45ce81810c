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

void Add(std::vector<app::CFieldError>& errors, std::optional<app::CFieldError> error)
{
    if (error)
        errors.push_back(std::move(*error));
}

}   // namespace

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
    m_line = p.Line().GetColours();
    m_waypoint = p.GetColours();
    m_values.palette = chart::ActivePaletteIndex();
    ReadColours();
}

void CRouteGeneralOptionsModel::ReadColours()
{
    const auto i = std::size_t(m_values.palette);
    m_values.lineColour = m_line[i];
    m_values.waypointColour = m_waypoint[i];
}

bool CRouteGeneralOptionsModel::FollowPalette(int palette)
{
    if (palette == m_values.palette || palette < 0 || palette > 2)
        return false;
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
    m_line[std::size_t(m_values.palette)] = m_values.lineColour;
    m_waypoint[std::size_t(m_values.palette)] = m_values.waypointColour;
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

CRouteMonitoringOptionsModel::CRouteMonitoringOptionsModel(CRouteModule& module) : m_module(module)
{
    const CRouteState& s = module.State();
    m_values.record = s.monitoring;
    m_values.arrivalCircles = s.overlays.arrivalCircles;
    m_values.perpendiculars = s.overlays.perpendiculars;
    m_values.deviationLimits = s.overlays.deviationLimits;
}

bool CRouteMonitoringOptionsModel::AutoAdvanceEnabled() const
{
    const CMonitoringRecord& r = m_values.record;
    return (r.arrivalCircleOn || r.perpendicularOn) && !m_module.IsEditMode() &&
           !m_module.IsLockedElsewhere() && m_module.State().waypoints.size() > 1;
}

void CRouteMonitoringOptionsModel::FollowRules()
{
    if (!AutoAdvanceEnabled())
        m_values.record.autoAdvance = false;
}

std::vector<app::CFieldError> CRouteMonitoringOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const CMonitoringRecord& r = m_values.record;
    if (r.arrivalCircleOn)
        Add(errors, app::CheckRange("arrivalRadius", "Arrival circle radii", r.arrivalRadiusNm,
                                    kLeastDistance, kGreatestDistance));
    if (r.deviationLimitOn)
        Add(errors, app::CheckRange("deviationLimit", "Limits of deviation", r.deviationLimitNm,
                                    kLeastDistance, kGreatestDistance));
    return errors;
}

void CRouteMonitoringOptionsModel::Apply()
{
    CRouteState& s = m_module.State();
    s.overlays.arrivalCircles = m_values.arrivalCircles;
    s.overlays.perpendiculars = m_values.perpendiculars;
    s.overlays.deviationLimits = m_values.deviationLimits;
    const bool wanted = m_values.record.autoAdvance;
    const bool before = s.monitoring.autoAdvance;
    s.monitoring = m_values.record;
    s.monitoring.autoAdvance = before;
    // The switch goes through the lock: refused, it stays as it was.
    if (wanted != before && !m_module.SetAutoAdvance(wanted))
        m_values.record.autoAdvance = before;
    m_module.DisplayChanged();
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
    m_module.State().greatCircle = m_values;
    m_module.DisplayChanged();
}

}   // namespace routes
