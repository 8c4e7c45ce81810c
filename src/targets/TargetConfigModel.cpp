#include "targets/TargetConfigModel.h"

namespace targets {

bool DiffersFromDefaults(const chart::CTargetProperties& properties)
{
    chart::CTargetProperties defaults;
    ResetToDefaults(defaults);
    return properties != defaults;
}

void ResetToDefaults(chart::CTargetProperties& properties)
{
    properties.SetDefaults();
    properties.saveTarget = false;
}

std::vector<app::CFieldError> CTargetConfigModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    if (auto e = app::CheckRange("pathDistance", "Projected path distance",
                                 m_values.projectedPathDistance, 0.0, 10000.0))
        errors.push_back(*e);
    return errors;
}

void CTargetConfigModel::Apply()
{
    if (!m_apply)
        return;
    // Copies: whoever is told may show the target again, replacing both.
    const ApplyTo apply = m_apply;
    const chart::CTargetProperties values = m_values;
    const bool clearPanic = m_clearPanic;
    m_clearPanic = false;
    apply(values, clearPanic);
}

void CTargetConfigModel::Show(const chart::CTargetProperties* properties, ApplyTo apply)
{
    m_clearPanic = false;
    if (properties == nullptr) {
        ResetToDefaults(m_values);
        m_apply = {};
        return;
    }
    m_values = *properties;
    m_apply = std::move(apply);
}

}   // namespace targets
