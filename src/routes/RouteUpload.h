#pragma once
// Uploading a route as NMEA route ("RTE") and waypoint ("WPL") sentences.
// Every sentence is planned before the first goes, each waypoint's
// identifier made once and used in both its RTE and its WPL. The device
// stages a bounded number of sentences, so the plan is fed from the frame's
// timer as the staging drains; the caller holds the route in use until the
// last sentence has left or the upload failed.

#include "nmea/GPSDevice.h"
#include "routes/Waypoint.h"

#include <string>
#include <vector>

namespace routes {

// What the upload needs of the GPS device.
class CRouteTransmitter {
public:
    virtual ~CRouteTransmitter() = default;
    // The transmit side is open and its port connected.
    virtual bool CanTransmit() const = 0;
    // False when the staging is full (or the port closed meanwhile).
    virtual bool SendRoute(const std::string& total, const std::string& number,
                           const std::string& route, const std::string& waypoint,
                           bool checksum) = 0;
    virtual bool SendWaypoint(const nmea::CUploadPoint& point, bool checksum) = 0;
};

struct CUploadChoice {
    int routeMode = 1;   // 1 the route's name, 2 its number
    int routeNumber = 0;
    int waypointMode = 1;   // 0 ID, 1 name, 2 number, 3 number and name, 4 number and ID
    int firstWaypointNumber = 1;
    bool checksum = false;
};

// The route identifier: name or number, trailing blanks removed; an empty
// one becomes the route number.
std::string UploadRouteIdentifier(const CUploadChoice& choice, const std::string& routeName);
// The one identifier of the waypoint at 0-based position `i`, used by both
// sentences; an empty one becomes its ordinal (i + 1).
std::string UploadWaypointIdentifier(const CUploadChoice& choice, const CWaypoint& wp,
                                     std::size_t i);

class CRouteUpload {
public:
    enum class State { Sending, Done, Failed };

    CRouteUpload(const CUploadChoice& choice, const std::string& routeName,
                 const std::vector<CWaypoint>& waypoints);

    // One timer pass: sends what the staging takes. Failed when the port
    // cannot transmit.
    State Feed(CRouteTransmitter& tx);
    State GetState() const { return m_state; }
    std::size_t WaypointsSent() const { return m_next / 2; }
    std::size_t WaypointCount() const { return m_points.size(); }
    // "k of n sent"
    std::string Progress() const;

private:
    struct Planned {
        std::string number;
        std::string identifier;
        nmea::CUploadPoint point;
    };
    CUploadChoice m_choice;
    std::string m_route;
    std::string m_total;
    std::vector<Planned> m_points;
    std::size_t m_next = 0;   // sentences sent: RTE and WPL of each point in turn
    State m_state = State::Sending;
};

}   // namespace routes
