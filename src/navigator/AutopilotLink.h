#pragma once
// Joins the navigator and the autopilot both ways: the monitor model hands
// its steering record to the autopilot device as the newest "$ECAPB"
// sentence, and the autopilot asks the navigator whether a voyage is under
// way and position data exists, and sets its steering reference.

#include "navigator/NavInterfaces.h"
#include "nmea/AutopilotModule.h"

namespace navigator {

class CNavigatorModule;

class CAutopilotLink final : public CSteeringOutput, public nmea::CSteeringNavigator {
public:
    // Plugs itself into both; the destructor takes it out again (the
    // autopilot closes its output first).
    CAutopilotLink(CNavigatorModule& navigator, nmea::CAutopilotModule& autopilot);
    ~CAutopilotLink() override;
    CAutopilotLink(const CAutopilotLink&) = delete;
    CAutopilotLink& operator=(const CAutopilotLink&) = delete;

    // CSteeringOutput
    bool IsSteeringOn() const override;
    void Send(const CSteeringRecord& record) override;

    // nmea::CSteeringNavigator
    bool IsVoyageUnderway() const override;
    bool HasPositionData() const override;
    std::optional<geo::CPosition> SteeringStartPosition() const override;
    void SetSteeringReference(const std::optional<geo::CPosition>& position) override;
    void ResetLegTime() override { }   // time to go comes from range and speed: no leg clock

private:
    CNavigatorModule& m_navigator;
    nmea::CAutopilotModule& m_autopilot;
};

}   // namespace navigator
