#include "app/ToolsOptions.h"

#include <algorithm>
#include <utility>

namespace app {

std::uint8_t ClampDecimalPlaces(long long stored)
{
    return static_cast<std::uint8_t>(std::clamp<long long>(stored, 0, kMaxDecimalPlaces));
}

CWorkspaceOptionsModel::CWorkspaceOptionsModel(const CWorkspaceOptions& current, ApplyFn apply)
    : m_values(current), m_apply(std::move(apply))
{ }

std::vector<CFieldError> CWorkspaceOptionsModel::Validate() const
{
    std::vector<CFieldError> errors;
    if (auto e = CheckRange("palette", "Palettes", static_cast<long long>(m_values.palette), 0, 2))
        errors.push_back(*e);
    if (auto e = CheckRange("decimalPlaces", "Decimal places",
                            static_cast<long long>(m_values.decimalPlaces), 0, kMaxDecimalPlaces))
        errors.push_back(*e);
    return errors;
}

void CWorkspaceOptionsModel::Apply()
{
    CWorkspaceOptions applied = m_values;
    // Only a Dusk or Night palette goes on the desktop.
    if (!PaletteEditable())
        applied.applyToDesktop = false;
    if (m_apply)
        m_apply(applied);
}

CSystemOptionsModel::CSystemOptionsModel(const CSystemOptions& current, bool hasAudio,
                                         PortsFn hasSerialPorts, ApplyFn apply)
    : m_values(current), m_hasAudio(hasAudio), m_hasSerialPorts(std::move(hasSerialPorts)),
      m_apply(std::move(apply))
{
    if (!m_hasAudio)
        m_values.audioAlerts = false;
}

std::vector<CFieldError> CSystemOptionsModel::Validate() const
{
    std::vector<CFieldError> errors;
    if (auto e = CheckRange("priorityBoost", "Priority boosts",
                            static_cast<long long>(m_values.priorityBoost), 0, 2))
        errors.push_back(*e);
    for (int i = 0; i < kSerialPortCount; ++i) {
        const std::string& path = m_values.portPaths[static_cast<std::size_t>(i)];
        // A port is either unused or a device path; any absolute path is
        // accepted, present or not, since adapters come and go.
        if (!path.empty() && (path.front() != '/' || path.find('\n') != std::string::npos))
            errors.push_back({PortField(i), "COM" + std::to_string(i + 1) +
                                                " must be a device path such as /dev/ttyUSB0"});
    }
    return errors;
}

void CSystemOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values);
}

}   // namespace app
