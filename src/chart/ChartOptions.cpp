#include "chart/ChartOptions.h"

#include <algorithm>

namespace chart {

int StepSmallPan(int small, int large, bool up)
{
    const int step = up ? (small >= 20 ? 5 : 1) : (small >= 25 ? -5 : -1);
    const int next = small + step;
    if (next > large || next < 1 || next > 200)
        return small;
    return next;
}

int StepLargePan(int small, int large, bool up)
{
    const int step = up ? (large >= 20 ? 10 : 1) : (large >= 30 ? -10 : -1);
    const int next = large + step;
    if (next < small || next < 10 || next > 1000)
        return large;
    return next;
}

CDisplayOptionsModel::CDisplayOptionsModel(const CDisplayOptions& current, ApplyFn apply)
    : m_values(current), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CDisplayOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    auto check = [&](const char* field, const char* label, int v, int low, int high) {
        if (auto e = app::CheckRange(field, label, static_cast<long long>(v), low, high))
            errors.push_back(*e);
    };
    check("maxCharts", "Maximum chart windows", m_values.maxCharts, 1, 255);
    check("smallPan", "Small pan steps (pixels)", m_values.smallPanStep, 1, 200);
    check("largePan", "Large pan steps (pixels)", m_values.largePanStep, 10, 1000);
    check("lineWidth", "Line widths (pixels)", m_values.lineWidth, 1, 4);
    return errors;
}

void CDisplayOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values);
}

COverlayOptionsModel::COverlayOptionsModel(const COverlayOptions& current, int activePalette,
                                           ApplyFn apply)
    : m_values(current), m_palette(std::clamp(activePalette, 0, 2)), m_apply(std::move(apply))
{
    m_values.focusBoxLineWidth = std::clamp(m_values.focusBoxLineWidth, 1, kFocusBoxWidths);
}

bool COverlayOptionsModel::FollowPalette(int palette)
{
    palette = std::clamp(palette, 0, 2);
    if (palette == m_palette)
        return false;
    m_palette = palette;
    return true;
}

std::uint32_t COverlayOptionsModel::FocusColour() const
{
    return m_values.focusBoxColour[static_cast<std::size_t>(m_palette)];
}

void COverlayOptionsModel::SetFocusColour(std::uint32_t colour)
{
    m_values.focusBoxColour[static_cast<std::size_t>(m_palette)] = colour & 0xFFFFFFu;
}

std::vector<app::CFieldError> COverlayOptionsModel::Validate() const
{
    if (auto e =
            app::CheckRange("focusWidth", "Focus box line widths",
                            static_cast<long long>(m_values.focusBoxLineWidth), 1, kFocusBoxWidths))
        return {*e};
    return {};
}

void COverlayOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values);
}

CChartFoldersModel::CChartFoldersModel(const CChartFolders& current, ApplyFn apply)
    : m_values(current), m_applied(current), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CChartFoldersModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    auto check = [&](const char* field, const char* label, const std::string& folder) {
        if (folder.empty() || folder.front() != '/' || folder.find('\n') != std::string::npos)
            errors.push_back({field, std::string(label) + " must be a full folder path"});
    };
    check("chartsFolder", "The chart folder", m_values.chartsFolder);
    check("sourceFolder", "The external chart source", m_values.sourceFolder);
    return errors;
}

void CChartFoldersModel::Apply()
{
    // Reloading closes every chart: only a changed folder does it.
    if (m_values != m_applied && m_apply)
        m_apply(m_values);
    m_applied = m_values;
}

}   // namespace chart
