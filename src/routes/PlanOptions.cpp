#include "routes/PlanOptions.h"

#include "chart/overlays/OverlayProperties.h"
#include "routes/PlanModule.h"
#include "routes/RouteOptions.h"

#include <algorithm>
#include <filesystem>

#include <unistd.h>

namespace routes {

namespace {

constexpr std::int64_t kShortestTidalStep = 60;   // 0:01
constexpr std::int64_t kLongestTidalStep = 23 * 3600 + 59 * 60;   // 23:59

// A folder there is, or one that can be made: its nearest existing parent is
// a folder the program may write in.
bool CanHaveFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::path at = std::filesystem::absolute(folder, ec);
    if (ec)
        return false;
    while (!std::filesystem::exists(at, ec)) {
        if (!at.has_relative_path())
            return false;
        at = at.parent_path();
    }
    if (at == std::filesystem::absolute(folder, ec))
        return true;
    return std::filesystem::is_directory(at, ec) && ::access(at.c_str(), W_OK) == 0;
}

}   // namespace

int SpinBestTimeMinutes(int value, bool up)
{
    const int step = up ? (value >= 60 ? 10 : 1) : (value >= 70 ? -10 : -1);
    return std::clamp(value + step, 1, 3600);
}

CPlanOptionsModel::CPlanOptionsModel(CPlanModule& plan, bool magneticModelLoaded,
                                     bool tidalDataAvailable, std::function<void()> applied)
    : m_plan(plan), m_magnetic(magneticModelLoaded), m_tidal(tidalDataAvailable),
      m_applied(std::move(applied))
{
    const CPlanSettings& s = plan.PlanSettings();
    m_values.variation = m_magnetic && s.variationOn;
    m_values.deviation = s.deviationOn;
    m_values.tides = m_tidal && s.tidesOn;
    m_values.tidalIntervalSeconds = s.tidalIntervalSeconds;
    m_values.bestTimePlans = s.bestTimePlans;
    m_values.bestTimeMinutes = int(s.bestTimeIntervalSeconds / 60);
    const chart::CLineProperties& line = plan.LineProperties();
    m_values.overlays = line.GetDraw();
    m_values.lineWidth = line.GetWidth();
    m_colours = line.GetColours();
    m_values.palette = chart::ActivePaletteIndex();
    m_values.lineColour = m_colours[std::size_t(m_values.palette)];
    m_values.folder = plan.GetDataFolder();
}

bool CPlanOptionsModel::FollowPalette(int palette)
{
    if (palette == m_values.palette || palette < 0 || palette > 2)
        return false;
    m_colours[std::size_t(m_values.palette)] = m_values.lineColour;
    m_values.palette = palette;
    m_values.lineColour = m_colours[std::size_t(palette)];
    return true;
}

std::vector<app::CFieldError> CPlanOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const auto add = [&errors](std::optional<app::CFieldError> e) {
        if (e)
            errors.push_back(std::move(*e));
    };
    if (IntervalEnabled() && (m_values.tidalIntervalSeconds < kShortestTidalStep ||
                              m_values.tidalIntervalSeconds > kLongestTidalStep))
        errors.push_back(
            {"tidalInterval", "The tidal stream step must lie between 0:01 and 23:59."});
    add(app::CheckRange("lineWidth", "Line widths", (long long)m_values.lineWidth, 1,
                        chart::CLineProperties::kMaximumWidth));
    add(app::CheckRange("bestTimePlans", "Plans", (long long)m_values.bestTimePlans, 2, 12));
    add(app::CheckRange("bestTimeMinutes", "Minutes between plans",
                        (long long)m_values.bestTimeMinutes, 1, 3600));
    if (auto bad = CheckFolder("planFolder", "Folder", m_values.folder))
        errors.push_back(std::move(*bad));
    else if (!CanHaveFolder(m_values.folder))
        errors.push_back({"planFolder", m_values.folder + " cannot be made."});
    return errors;
}

void CPlanOptionsModel::Apply()
{
    CPlanSettings& s = m_plan.PlanSettings();
    const bool variation = m_magnetic && m_values.variation;
    const bool tides = m_tidal && m_values.tides;
    // The page's step is stored whether or not the edit is offered: it shows
    // the stored one until the tidal stream is ticked.
    const std::int64_t step = m_values.tidalIntervalSeconds;
    if (variation != s.variationOn || m_values.deviation != s.deviationOn || tides != s.tidesOn ||
        step != s.tidalIntervalSeconds)
        m_plan.ClearPlan();
    s.variationOn = variation;
    s.deviationOn = m_values.deviation;
    s.tidesOn = tides;
    s.tidalIntervalSeconds = step;

    chart::CLineProperties& line = m_plan.LineProperties();
    line.SetDraw(m_values.overlays);
    line.SetWidth(std::uint8_t(m_values.lineWidth));
    m_colours[std::size_t(m_values.palette)] = m_values.lineColour;
    line.SetColours(m_colours);

    std::error_code ec;
    std::filesystem::create_directories(m_values.folder, ec);
    m_plan.SetDataFolder(m_values.folder);

    s.bestTimePlans = m_values.bestTimePlans;
    s.bestTimeIntervalSeconds = std::int64_t(m_values.bestTimeMinutes) * 60;
    if (m_applied)
        m_applied();
}

}   // namespace routes
