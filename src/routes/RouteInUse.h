#pragma once
// Who uses the current route: automatic waypoint advance, the autopilot and
// an upload each hold it once at most. The count is the number of holders,
// so a repeated take or a release without a take can neither wrap nor go
// below zero. While anything holds the route, nothing may change it.

#include <bitset>
#include <string>

namespace routes {

enum class RouteHolder { Advance = 0, Autopilot = 1, Upload = 2 };

class CRouteInUse {
public:
    void Take(RouteHolder holder) { m_holders.set(Bit(holder)); }
    void Give(RouteHolder holder) { m_holders.reset(Bit(holder)); }
    bool Holds(RouteHolder holder) const { return m_holders.test(Bit(holder)); }
    int Count() const { return int(m_holders.count()); }
    bool InUse() const { return m_holders.any(); }
    // "automatic leg advance, the autopilot" for a message saying why editing is off.
    std::string Describe() const;
    // Why a grey route command is grey while the route is held: the holders,
    // and where automatic leg advance is switched off when it is one.
    std::string WhyHeld() const;

private:
    static std::size_t Bit(RouteHolder h) { return std::size_t(h); }
    std::bitset<3> m_holders;
};

}   // namespace routes
