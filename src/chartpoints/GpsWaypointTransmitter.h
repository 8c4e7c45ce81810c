#pragma once
// The GPS device as the chartpoint upload sends through it. The GPS transmit
// side is opened by the first waypoint when its port is set but not yet open;
// a full staging queue is waited on, a bounded time, as the port drains it.

#include "chartpoints/ChartpointServices.h"

#include <functional>

namespace chartpoints {

class CGpsWaypointTransmitter final : public CWaypointTransmitter {
public:
    // `device` gives the GPS device, none while the navigator has none.
    explicit CGpsWaypointTransmitter(std::function<nmea::CGPSDevice*()> device)
        : m_device(std::move(device))
    { }

    bool Send(const nmea::CUploadPoint& point, int namingMode, int number, bool checksum) override;
    bool CanTransmit() const override;
    bool WaitForRoom(std::chrono::milliseconds limit) override;
    std::string LastFailure() const override { return m_failure; }

private:
    std::function<nmea::CGPSDevice*()> m_device;
    std::string m_failure;
};

}   // namespace chartpoints
