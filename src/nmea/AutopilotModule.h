#pragma once
// The autopilot module: autopilot support switched on and off by the user,
// the "$ECAPB" sentence, its port and output rate. It reaches the route
// being steered and the navigator through two small interfaces; while the
// program has no route module the switch command stays disabled.

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "app/Module.h"
#include "geo/Position.h"
#include "nmea/AutopilotDevice.h"
#include "nmea/InstrumentConfig.h"
#include "platform/Prompt.h"

namespace nmea {

// The route monitoring settings the autopilot reads and changes.
struct CRouteMonitoring {
    bool arrivalCircle = false;   // arrival-circle detection
    double arrivalRadiusNm = 0;
    bool passingPerpendicular = false;   // perpendicular detection
    bool automaticLegAdvance = false;
};

// What the autopilot needs of the route module.
class CRouteSteering {
public:
    virtual ~CRouteSteering() = default;
    virtual bool IsBusy() const = 0;   // either of its busy states
    virtual std::vector<geo::CPosition> CurrentRouteWaypoints() const = 0;
    virtual CRouteMonitoring GetMonitoring() const = 0;
    virtual void SetMonitoring(const CRouteMonitoring& monitoring) = 0;
    virtual void TakeInUseHold() = 0;
    virtual void GiveInUseHold() = 0;
    virtual bool HasCurrentWaypoint() const = 0;
    virtual void SetActiveWaypoint(std::size_t index) = 0;
};

// What the autopilot needs of the navigator.
class CSteeringNavigator {
public:
    virtual ~CSteeringNavigator() = default;
    virtual bool IsVoyageUnderway() const = 0;
    // GPS input open and running, or dead reckoning.
    virtual bool HasPositionData() const = 0;
    // The own position on the active chart's datum when a chart is open.
    virtual std::optional<geo::CPosition> SteeringStartPosition() const = 0;
    virtual void SetSteeringReference(const std::optional<geo::CPosition>& position) = 0;
    virtual void ResetLegTime() = 0;
};

// The waypoint to steer for first: past those whose arrival circle the
// vessel is already in or whose perpendicular it has passed.
std::size_t ChooseStartingLeg(const std::vector<geo::CPosition>& waypoints,
                              const geo::CPosition& own, const CRouteMonitoring& monitoring);

struct CCommandState {
    bool enabled = false;
    bool checked = false;
};

class CAutopilotModule : public app::CModule {
public:
    CAutopilotModule(app::CSettingsHome& settings, CPortDirectory& ports,
                     platform::CPrompt& prompt);
    ~CAutopilotModule() override;

    // Both may be absent: then the switch stays disabled.
    void SetRoute(CRouteSteering* route) { m_route = route; }
    // Taking the navigator away switches autopilot support off first: the
    // output thread asks it whether position data exists.
    void SetNavigator(CSteeringNavigator* navigator);

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;

    // "Switch Autopilot support ON or OFF". Switching on chooses the leg to
    // steer before anything is sent.
    CCommandState OnUpdateAutopilotSwitch() const;
    void OnAutopilotSwitch();
    // Applies the on flag as it stands (confirmation, route hold, output),
    // keeping the route's current waypoint.
    void ApplySwitch();
    // The Autopilot page applied: the rate, then the transmit side reopened
    // only when the port changed (back to "Off" when it will not open), then
    // the switch when it changed.
    void ApplyOptions(std::uint8_t port, bool on, double rateSeconds);

    // On the user-interface thread at every timer pass: after the output
    // thread failed, the route gets back the hold steering took.
    void OnTimerPass();

    bool IsAutopilotOn() const { return m_on; }
    CAutopilotDevice& Device() { return *m_device; }
    CInstrumentConfig& Config() { return m_config; }

private:
    void Switch(bool chooseLeg);
    // Steering needs perpendicular detection and leg advance; the waypoint
    // to steer for first is the one the vessel has not yet passed.
    void ChooseLegToSteer();

    CPortDirectory& m_ports;
    platform::CPrompt& m_prompt;
    CRouteSteering* m_route = nullptr;
    CSteeringNavigator* m_navigator = nullptr;
    CInstrumentConfig m_config;
    std::atomic<bool> m_on{false};
    std::atomic<bool> m_outputFailed{false};   // set by the output thread, cleared by the timer
    std::unique_ptr<CAutopilotDevice> m_device;
};

}   // namespace nmea
