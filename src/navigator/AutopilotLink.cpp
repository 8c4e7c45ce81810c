#include "navigator/AutopilotLink.h"

#include "navigator/NavigatorModule.h"
#include "navigator/SteeringApb.h"

namespace navigator {

CAutopilotLink::CAutopilotLink(CNavigatorModule& navigator, nmea::CAutopilotModule& autopilot)
    : m_navigator(navigator), m_autopilot(autopilot)
{
    m_navigator.SetSteering(this);
    m_autopilot.SetNavigator(this);
}

CAutopilotLink::~CAutopilotLink()
{
    m_autopilot.SetNavigator(nullptr);
    m_navigator.SetSteering(nullptr);
}

bool CAutopilotLink::IsSteeringOn() const
{
    return m_autopilot.IsAutopilotOn();
}

void CAutopilotLink::Send(const CSteeringRecord& record)
{
    const nmea::CApbFields fields = ApbFromSteering(record);
    nmea::CAutopilotDevice& device = m_autopilot.Device();
    device.SetTransmitEnabled(fields.statusValid);
    if (fields.statusValid)
        device.BuildAPBSentence(fields, true);
    device.Poke();
}

bool CAutopilotLink::IsVoyageUnderway() const
{
    return m_navigator.Logbook().IsVoyageRunning();
}

bool CAutopilotLink::HasPositionData() const
{
    return m_navigator.HasPositionData();
}

std::optional<geo::CPosition> CAutopilotLink::SteeringStartPosition() const
{
    const auto snapshot = m_navigator.Snapshot();
    if (!snapshot || !snapshot->positionAvailable || !snapshot->position.IsValid())
        return std::nullopt;
    return snapshot->position;
}

void CAutopilotLink::SetSteeringReference(const std::optional<geo::CPosition>& position)
{
    m_navigator.Monitor().SetSteeringReference(position);
}

}   // namespace navigator
