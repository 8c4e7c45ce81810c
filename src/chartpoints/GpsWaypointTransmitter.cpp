#include "chartpoints/GpsWaypointTransmitter.h"

namespace chartpoints {

namespace {

std::string PortName(std::uint8_t port)
{
    return port == 255 ? std::string("network port") : "port COM" + std::to_string(port);
}

}   // namespace

bool CGpsWaypointTransmitter::CanTransmit() const
{
    nmea::CGPSDevice* gps = m_device ? m_device() : nullptr;
    return gps != nullptr && gps->GetTransmitPort() != 0;
}

bool CGpsWaypointTransmitter::Send(const nmea::CUploadPoint& point, int namingMode, int number,
                                   bool checksum)
{
    m_failure.clear();
    nmea::CGPSDevice* gps = m_device ? m_device() : nullptr;
    if (gps == nullptr || gps->GetTransmitPort() == 0) {
        m_failure = "no GPS transmit port is set";
        return false;
    }
    if (!gps->IsTransmitOpen() && !gps->OpenTransmit()) {
        m_failure = "the GPS transmit " + PortName(gps->GetTransmitPort()) + " cannot be opened";
        return false;
    }
    if (gps->SendWaypoint(point, namingMode, number, checksum))
        return true;
    if (!gps->CanTransmitNow())
        m_failure = "the GPS transmit " + PortName(gps->GetTransmitPort()) + " is not connected";
    else if (namingMode < 0 || namingMode > 4)
        m_failure = "the waypoint identifier mode is unknown";
    // else: the staging queue is full; the caller waits for room.
    return false;
}

bool CGpsWaypointTransmitter::WaitForRoom(std::chrono::milliseconds limit)
{
    nmea::CGPSDevice* gps = m_device ? m_device() : nullptr;
    return gps != nullptr && gps->WaitForStagingRoom(limit);
}

}   // namespace chartpoints
