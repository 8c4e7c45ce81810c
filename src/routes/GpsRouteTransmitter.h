#pragma once
// The GPS device as the route upload sends through it: each waypoint
// sentence carries the identifier the upload planned (sent by "name").

#include "nmea/GPSDevice.h"
#include "routes/RouteUpload.h"

namespace routes {

class CGpsRouteTransmitter final : public CRouteTransmitter {
public:
    explicit CGpsRouteTransmitter(nmea::CGPSDevice& gps) : m_gps(gps) { }
    bool CanTransmit() const override { return m_gps.CanTransmitNow(); }
    bool SendRoute(const std::string& total, const std::string& number, const std::string& route,
                   const std::string& waypoint, bool checksum) override
    {
        return m_gps.SendRoute(total, number, "c", route, waypoint, checksum);
    }
    bool SendWaypoint(const nmea::CUploadPoint& point, bool checksum) override
    {
        return m_gps.SendWaypoint(point, 1, 0, checksum);
    }

private:
    nmea::CGPSDevice& m_gps;
};

}   // namespace routes
