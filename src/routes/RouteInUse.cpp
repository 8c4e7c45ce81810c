#include "routes/RouteInUse.h"

namespace routes {

std::string CRouteInUse::Describe() const
{
    static const char* const kNames[] = {"automatic leg advance", "the autopilot", "an upload"};
    std::string out;
    for (std::size_t i = 0; i < m_holders.size(); ++i) {
        if (!m_holders.test(i))
            continue;
        if (!out.empty())
            out += ", ";
        out += kNames[i];
    }
    return out;
}

std::string CRouteInUse::WhyHeld() const
{
    if (!InUse())
        return {};
    std::string why = "The route is held by " + Describe();
    if (Holds(RouteHolder::Advance))
        why += " (Route > Options > Monitoring)";
    return why + ": it cannot be changed meanwhile.";
}

}   // namespace routes
