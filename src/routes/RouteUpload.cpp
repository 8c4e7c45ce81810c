#include "routes/RouteUpload.h"

#include "nmea/OutputSentences.h"

namespace routes {

namespace {

std::string TrimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

}   // namespace

std::string UploadRouteIdentifier(const CUploadChoice& choice, const std::string& routeName)
{
    std::string text;
    if (choice.routeMode == 1)
        text = routeName;
    else if (choice.routeMode == 2)
        text = std::to_string(choice.routeNumber);
    text = TrimRight(text);
    return text.empty() ? std::to_string(choice.routeNumber) : text;
}

std::string UploadWaypointIdentifier(const CUploadChoice& choice, const CWaypoint& wp,
                                     std::size_t i)
{
    const int number = choice.firstWaypointNumber + int(i);
    // An unnamed waypoint is its ordinal in both sentences (the device's own
    // fallback, number + 1, would differ from the route sentence's).
    if ((choice.waypointMode == 0 && TrimRight(wp.m_id).empty()) ||
        (choice.waypointMode == 1 && TrimRight(wp.m_name).empty()))
        return std::to_string(i + 1);
    const auto text = nmea::WaypointIdentifier(choice.waypointMode, wp.m_id, wp.m_name, number);
    return text ? *text : std::to_string(i + 1);
}

CRouteUpload::CRouteUpload(const CUploadChoice& choice, const std::string& routeName,
                           const std::vector<CWaypoint>& waypoints)
    : m_choice(choice), m_route(UploadRouteIdentifier(choice, routeName)),
      m_total(std::to_string(waypoints.size()))
{
    m_points.reserve(waypoints.size());
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        Planned p;
        p.number = std::to_string(i + 1);
        p.identifier = UploadWaypointIdentifier(choice, waypoints[i], i);
        p.point.latitudeDeg = waypoints[i].m_position.GetLatitude();
        p.point.longitudeDeg = waypoints[i].m_position.GetLongitude();
        // Sent under the one identifier: the device names it by "name".
        p.point.name = p.identifier;
        p.point.id = p.identifier;
        m_points.push_back(std::move(p));
    }
    if (m_points.empty())
        m_state = State::Done;
}

CRouteUpload::State CRouteUpload::Feed(CRouteTransmitter& tx)
{
    if (m_state != State::Sending)
        return m_state;
    if (!tx.CanTransmit())
        return m_state = State::Failed;
    while (m_next < m_points.size() * 2) {
        const Planned& p = m_points[m_next / 2];
        const bool sent = m_next % 2 == 0 ? tx.SendRoute(m_total, p.number, m_route, p.identifier,
                                                         m_choice.checksum)
                                          : tx.SendWaypoint(p.point, m_choice.checksum);
        if (!sent)
            return m_state = tx.CanTransmit() ? State::Sending : State::Failed;
        ++m_next;
    }
    return m_state = State::Done;
}

std::string CRouteUpload::Progress() const
{
    return std::to_string(WaypointsSent()) + " of " + std::to_string(m_points.size()) + " sent";
}

}   // namespace routes
