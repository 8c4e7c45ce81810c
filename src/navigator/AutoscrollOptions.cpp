#include "navigator/AutoscrollOptions.h"

#include <algorithm>

namespace navigator {

int AutoscrollSliderFromPercentage(int percentage)
{
    return std::clamp(percentage, 0, 100) / 5;
}

CAutoscrollOptionsModel::CAutoscrollOptionsModel(const CAutoscrollOptions& current, ApplyFn apply)
    : m_values(current), m_lastSelect(current.select), m_apply(std::move(apply))
{
    // Stored spans outside the controls' ranges open at the nearest allowed value.
    m_values.sliderPosition = std::clamp(m_values.sliderPosition, 0, kAutoscrollSliderMax);
    m_values.checkSeconds = std::clamp(m_values.checkSeconds, kCheckSecondsMin, kSpanSecondsMax);
    m_values.resumeSeconds = std::clamp(m_values.resumeSeconds, kResumeSecondsMin, kSpanSecondsMax);
}

bool CAutoscrollOptionsModel::FollowSelect(bool moduleSelect)
{
    if (moduleSelect == m_lastSelect)
        return false;
    m_values.select = m_lastSelect = moduleSelect;
    return true;
}

std::vector<app::CFieldError> CAutoscrollOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (auto e = app::CheckRange("edgeDistance", "Autoscroll distances (steps)",
                                 static_cast<long long>(m_values.sliderPosition), 0,
                                 kAutoscrollSliderMax))
        errors.push_back(*e);
    // A time is checked while its switch is on; off, it keeps its last good value.
    if (m_values.select &&
        (m_values.checkSeconds < kCheckSecondsMin || m_values.checkSeconds > kSpanSecondsMax))
        errors.push_back({"checkTime", "Check every runs from 00:00:01 to 23:59:59"});
    if (m_values.resume &&
        (m_values.resumeSeconds < kResumeSecondsMin || m_values.resumeSeconds > kSpanSecondsMax))
        errors.push_back({"resumeTime", "Resume after runs from 00:00:30 to 23:59:59"});
    return errors;
}

void CAutoscrollOptionsModel::Apply()
{
    m_lastSelect = m_values.select;
    // Only checked times reach the module; a switched-off one is brought into range.
    m_values.checkSeconds = std::clamp(m_values.checkSeconds, kCheckSecondsMin, kSpanSecondsMax);
    m_values.resumeSeconds = std::clamp(m_values.resumeSeconds, kResumeSecondsMin, kSpanSecondsMax);
    if (m_apply)
        m_apply(Percentage(), m_values.select, m_values.resume, m_values.checkSeconds,
                m_values.resumeSeconds);
}

}   // namespace navigator
