#include "nmea/AutopilotModule.h"

#include <cmath>

#include "app/Registry.h"
#include "geo/NavMaths.h"

namespace nmea {

std::size_t ChooseStartingLeg(const std::vector<geo::CPosition>& waypoints,
                              const geo::CPosition& own, const CRouteMonitoring& monitoring)
{
    if (waypoints.size() < 2)
        return 0;
    std::size_t index = 0;
    while (index + 1 < waypoints.size()) {
        double range = 0, bearing = 0;
        geo::RhumbRangeBearing(own, waypoints[index], &range, &bearing, true);
        if (monitoring.arrivalCircle && range <= monitoring.arrivalRadiusNm) {
            ++index;
            continue;
        }
        if (!monitoring.passingPerpendicular)
            break;
        double legRange = 0, legBearing = 0;
        geo::RhumbRangeBearing(waypoints[index], waypoints[index + 1], &legRange, &legBearing,
                               true);
        geo::CPosition ahead, behind;
        geo::PositionAtRangeBearing(waypoints[index], 1.0, legBearing, &ahead);
        geo::PositionAtRangeBearing(waypoints[index], 1.0, std::fmod(legBearing + 180.0, 360.0),
                                    &behind);
        double toAhead = 0, toBehind = 0, unused = 0;
        geo::RhumbRangeBearing(own, ahead, &toAhead, &unused, true);
        geo::RhumbRangeBearing(own, behind, &toBehind, &unused, true);
        if (toAhead > toBehind)
            break;
        ++index;   // the perpendicular is behind the vessel
    }
    return index;
}

CAutopilotModule::CAutopilotModule(app::CSettingsHome& settings, CPortDirectory& ports,
                                   platform::CPrompt& prompt)
    : app::CModule(settings), m_ports(ports), m_prompt(prompt)
{
    SetModuleName("Navigator\\Autopilot");
    m_config.transmitPort = 1;
    m_device = std::make_unique<CAutopilotDevice>(ports, m_config, [this] {
        return m_on && m_navigator != nullptr && m_navigator->HasPositionData();
    });
    // The device lets its transmit side go itself; support reads off at once.
    m_device->SetFailureHandler([this] {
        m_on = false;
        m_outputFailed = true;
    });
}

void CAutopilotModule::OnTimerPass()
{
    if (m_outputFailed.exchange(false) && m_route != nullptr)
        m_route->GiveInUseHold();
}

void CAutopilotModule::SetNavigator(CSteeringNavigator* navigator)
{
    if (navigator != m_navigator) {
        m_device->CloseTransmit();
        m_on = false;
    }
    m_navigator = navigator;
}

CAutopilotModule::~CAutopilotModule()
{
    m_device->CloseAll();
}

bool CAutopilotModule::Initialise()
{
    const bool result = app::CModule::Initialise();
    m_config.SetSentences({{"APB", "Heading/Track Controller ( Autopilot ) Sentence \"B\"", true}});
    m_config.SetTalkers({"EC", "II"});
    return result;
}

bool CAutopilotModule::Terminate()
{
    m_device->CloseAll();
    m_config.SetTalkers({});
    m_config.SetSentences({});
    return app::CModule::Terminate();
}

void CAutopilotModule::LoadSettings()
{
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, false)) {
        std::uint8_t port = m_config.transmitPort;
        if (registry.ReadByte("TransmitCOMPort", port))
            m_config.transmitPort = port;
        double rate = m_device->GetOutputRate();
        if (registry.ReadDouble("OutputRate", rate))
            m_device->SetOutputRate(rate);
        registry.Close();
    }
    if (OpenSettings(registry, false, "NMEASentences")) {
        m_config.LoadSentenceFlags(registry);
        registry.Close();
    }
    m_config.transmitPort = ResolveStoredPort(m_ports, m_config.transmitPort);
}

void CAutopilotModule::SaveSettings()
{
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, true)) {
        registry.WriteByte("TransmitCOMPort", m_config.transmitPort);
        registry.WriteDouble("OutputRate", m_device->GetOutputRate());
        registry.Close();
    }
    if (OpenSettings(registry, true, "NMEASentences")) {
        m_config.SaveSentenceFlags(registry);
        registry.Close();
    }
}

CCommandState CAutopilotModule::OnUpdateAutopilotSwitch() const
{
    CCommandState state;
    state.checked = m_on;
    state.enabled = m_config.transmitPort != 0 && m_route != nullptr && m_navigator != nullptr &&
                    m_navigator->IsVoyageUnderway() && !m_route->IsBusy() &&
                    !m_route->CurrentRouteWaypoints().empty();
    return state;
}

void CAutopilotModule::OnAutopilotSwitch()
{
    if (!OnUpdateAutopilotSwitch().enabled && !m_on)
        return;
    m_on = !m_on;
    Switch(true);
}

void CAutopilotModule::ChooseLegToSteer()
{
    if (m_route == nullptr || m_navigator == nullptr)
        return;
    CRouteMonitoring monitoring = m_route->GetMonitoring();
    monitoring.passingPerpendicular = true;
    if (!monitoring.automaticLegAdvance) {
        monitoring.automaticLegAdvance = true;
        m_route->TakeInUseHold();
    }
    m_route->SetMonitoring(monitoring);
    const auto waypoints = m_route->CurrentRouteWaypoints();
    const auto own = m_navigator->SteeringStartPosition();
    if (waypoints.size() >= 2 && own) {
        m_route->SetActiveWaypoint(ChooseStartingLeg(waypoints, *own, monitoring));
        m_navigator->ResetLegTime();
    }
}

void CAutopilotModule::ApplyOptions(std::uint8_t port, bool on, double rateSeconds)
{
    m_device->SetOutputRate(rateSeconds);
    if (port != m_config.transmitPort) {
        m_device->CloseTransmit();
        m_config.transmitPort = port;
        if (m_on && port != 0 && !m_device->OpenTransmit())
            m_config.transmitPort = 0;
    }
    if (on != m_on) {
        m_on = on;
        ApplySwitch();
    }
}

void CAutopilotModule::ApplySwitch()
{
    Switch(false);
}

void CAutopilotModule::Switch(bool chooseLeg)
{
    if (m_on) {
        const auto answer =
            m_prompt.Ask("Please Confirm switching Autopilot on", "",
                         platform::PromptIcon::Question, platform::PromptButtons::OkCancel);
        if (answer != platform::PromptAnswer::Ok) {
            m_on = false;
            return;
        }
    }
    if (m_route != nullptr) {
        if (m_on)
            m_route->TakeInUseHold();
        else
            m_route->GiveInUseHold();
    }
    if (!m_on) {
        m_device->CloseTransmit();
        if (m_navigator != nullptr)
            m_navigator->SetSteeringReference(std::nullopt);
        return;
    }
    // The navigation cycle kept composing while the question was open, for
    // the route's current waypoint: a sentence from before the leg is chosen
    // must never reach the autopilot, so the first one out is composed after.
    m_device->ForgetSentence();
    if (chooseLeg)
        ChooseLegToSteer();
    if (m_navigator != nullptr && m_route != nullptr && m_route->HasCurrentWaypoint())
        m_navigator->SetSteeringReference(m_navigator->SteeringStartPosition());
    m_device->OpenTransmit();
    m_device->Poke();
}

}   // namespace nmea
