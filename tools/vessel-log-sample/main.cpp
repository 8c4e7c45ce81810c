// vessel-log-sample: a sample vessel log, a passage from Admiralty Inlet to
// Seattle along the sample route, "SAMPLE - NOT FOR NAVIGATION".
//
//   vessel-log-sample write <path>   writes the log <path> (no extension): the
//                                    index, its logbook rows every 5 minutes
//                                    and its track points every 10 seconds
//
// The passage runs at 9 knots between the sample route's waypoints (off the
// lights of USCG Light List vol. VI), on 1 June 2024 from 16:00 UTC.

#include <cmath>
#include <iostream>
#include <memory>
#include <string>

#include "navigator/VesselLogbook.h"
#include "platform/Clock.h"

namespace {

using namespace std::chrono;

struct Waypoint {
    const char* name;
    double latitude;
    double longitude;
};

constexpr Waypoint kPassage[] = {
    {"Point Wilson", 48.1530, -122.7370},
    {"Point No Point", 47.9140, -122.5120},
    {"West Point", 47.6620, -122.4520},
    {"Elliott Bay", 47.6080, -122.3650},
};

constexpr double kKnots = 9.0;

class PassageClock final : public platform::CClock {
public:
    steady_clock::time_point Monotonic() const override
    {
        return steady_clock::time_point(now.time_since_epoch());
    }
    system_clock::time_point UtcNow() const override { return now; }
    system_clock::time_point now;
};

double Radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

int Write(const std::string& path)
{
    PassageClock clock;
    const sys_seconds start = sys_days{year{2024} / 6 / 1} + hours(16);
    clock.now = start;
    // Event rows stand at the newest position, as the program's do.
    auto current = std::make_shared<navigator::CNavSnapshot>();
    auto place = [&current](const geo::CPosition& p, sys_seconds t) {
        current = std::make_shared<navigator::CNavSnapshot>();
        current->position = p;
        current->positionAvailable = current->positionAcquired = true;
        current->fixTimeUtc = t;
    };
    navigator::CVesselLogServices services;
    services.currentSnapshot = [&current] { return current; };
    navigator::CVesselLogbook log(clock, std::move(services));
    if (!log.Open(path)) {
        std::cerr << "vessel-log-sample: cannot write " << path << "\n";
        return 1;
    }
    if (!log.StartVoyage("PS-0601", "SAMPLE")) {
        std::cerr << "vessel-log-sample: the voyage could not start\n";
        return 1;
    }
    place(geo::CPosition(kPassage[0].latitude, kPassage[0].longitude, 0.0, -1), start);
    log.LogEvent("SAMPLE - NOT FOR NAVIGATION. Departed " + std::string(kPassage[0].name), -1);
    sys_seconds t = start;
    int step = 0;
    for (std::size_t leg = 0; leg + 1 < std::size(kPassage); ++leg) {
        const Waypoint& a = kPassage[leg];
        const Waypoint& b = kPassage[leg + 1];
        // Plane sailing over these few miles.
        const double north = (b.latitude - a.latitude) * 60.0;
        const double east = (b.longitude - a.longitude) * 60.0 * std::cos(Radians(a.latitude));
        const double miles = std::hypot(north, east);
        double course = std::atan2(east, north) * 180.0 / M_PI;
        if (course < 0)
            course += 360.0;
        const int steps = int(miles / kKnots * 360.0);   // 10-second steps
        for (int i = 0; i < steps; ++i, ++step) {
            const double f = double(i) / steps;
            navigator::CNavSnapshot s;
            s.position = geo::CPosition(a.latitude + (b.latitude - a.latitude) * f,
                                        a.longitude + (b.longitude - a.longitude) * f, 0.0, -1);
            s.fixTimeUtc = t;
            s.cog = course;
            s.sog = kKnots;
            s.heading = course;
            s.speedThroughWater = kKnots;
            s.positionAvailable = s.positionAcquired = true;
            clock.now = t;
            current = std::make_shared<navigator::CNavSnapshot>(s);
            log.WriteTrackPoint(s);
            if (step % 30 == 0)
                log.WriteLogRecord(s);
            t += seconds(10);
        }
        log.LogEvent("Passed " + std::string(b.name), -1);
    }
    clock.now = t;
    const Waypoint& last = kPassage[std::size(kPassage) - 1];
    place(geo::CPosition(last.latitude, last.longitude, 0.0, -1), t);
    log.LogEvent("Arrived Elliott Bay. SAMPLE - NOT FOR NAVIGATION", -1);
    if (!log.EndVoyage() || !log.Close(true)) {
        std::cerr << "vessel-log-sample: the log could not be closed\n";
        return 1;
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "write")
        return Write(argv[2]);
    std::cerr << "usage: vessel-log-sample write <path>\n";
    return 2;
}
