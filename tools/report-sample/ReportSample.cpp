#include "ReportSample.h"
#include "SampleClock.h"

#include "db/DBChartPoint.h"
#include "db/DBRoute.h"
#include "geo/Position.h"
#include "navigator/VesselLogbook.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace report_sample {

namespace {

using namespace std::chrono;

struct Point {
    const char* name;
    double latitude;
    double longitude;
};

// The sample route's fairway, off the lights of USCG Light List vol. VI.
constexpr std::array<Point, 4> kPassage{{
    {"Point Wilson", 48.1530, -122.7370},
    {"Point No Point", 47.9140, -122.5120},
    {"West Point", 47.6620, -122.4520},
    {"Elliott Bay", 47.6080, -122.3650},
}};

constexpr std::array<const char*, 5> kAreas{"Admiralty Inlet", "Puget Sound", "Possession Sound",
                                            "Shilshole Bay", "Elliott Bay"};
constexpr std::array<const char*, 4> kKinds{"Buoy", "Light", "Beacon", "Anchorage"};

constexpr double kKnots = 9.0;

double Radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// A point `f` (0..1) of the way along the passage.
geo::CPosition AlongPassage(double f)
{
    const double legs = double(kPassage.size() - 1);
    const double at = std::clamp(f, 0.0, 1.0) * legs;
    const std::size_t leg = std::min(std::size_t(at), kPassage.size() - 2);
    const double t = at - double(leg);
    const Point& a = kPassage[leg];
    const Point& b = kPassage[leg + 1];
    return geo::CPosition(a.latitude + (b.latitude - a.latitude) * t,
                          a.longitude + (b.longitude - a.longitude) * t, 0.0, -1);
}

}   // namespace

navigator::COwnVessel SampleVessel()
{
    navigator::COwnVessel vessel;
    vessel.name = "SAMPLE SHUTTLE";
    vessel.speed = kKnots;
    vessel.length = 42.0;
    vessel.draft = 2.8;
    vessel.beam = 9.5;
    return vessel;
}

bool WriteChartpoints(const std::string& path, int count, std::string& error)
{
    db::CDBChartPoint table;
    table.SetFilePath(path);
    if (!table.Open() || !table.Lock()) {
        error = "cannot write " + path + ": " + table.GetMessage();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i + 1);
        table.ClearRecord();
        table.m_name = std::string("Mark ") + number + " " + kKinds[std::size_t(i) % kKinds.size()];
        table.m_ident = std::string("M") + number;
        // Strung along the fairway, set off a few cables to either side.
        const geo::CPosition on = AlongPassage(count > 1 ? double(i) / (count - 1) : 0.0);
        const double off = ((i % 5) - 2) * 0.004;
        table.m_position = geo::CPosition(on.GetLatitude() + off * 0.5, on.GetLongitude() + off,
                                          0.0, on.GetDatum());
        table.m_area = kAreas[std::size_t(i) * kAreas.size() / std::size_t(std::max(count, 1))];
        table.m_group = "SAMPLE";
        if (!table.AppendNew()) {
            error = "cannot append to " + path + ": " + table.GetMessage();
            return false;
        }
    }
    if (!table.FlushAndUnlock()) {
        error = "cannot write " + path + ": " + table.GetMessage();
        return false;
    }
    table.Close();
    return true;
}

bool WriteLog(const std::string& path, int passages, std::string& error)
{
    CSampleClock clock;
    sys_seconds t = sys_days{year{2024} / 6 / 1} + hours(16);
    clock.Set(t);
    // Event rows stand at the newest position, as the program's do.
    auto current = std::make_shared<navigator::CNavSnapshot>();
    auto place = [&current, &clock](const Point& p, sys_seconds at) {
        clock.Set(at);   // rows take the clock's time
        current = std::make_shared<navigator::CNavSnapshot>();
        current->position = geo::CPosition(p.latitude, p.longitude, 0.0, -1);
        current->positionAvailable = current->positionAcquired = true;
        current->fixTimeUtc = at;
    };
    navigator::CVesselLogServices services;
    services.currentSnapshot = [&current] { return current; };
    services.particulars = [] { return std::optional<navigator::COwnVessel>(SampleVessel()); };
    navigator::CVesselLogbook log(clock, std::move(services));
    if (!log.Open(path)) {
        error = "cannot write " + path;
        return false;
    }
    if (!log.StartVoyage("PS-SHUTTLE", "SAMPLE")) {
        error = "the voyage could not start";
        return false;
    }
    for (int passage = 0; passage < passages; ++passage) {
        const bool north = passage % 2 == 1;
        std::vector<Point> legs(kPassage.begin(), kPassage.end());
        if (north)
            std::reverse(legs.begin(), legs.end());
        place(legs.front(), t);
        log.LogEvent(std::string("SAMPLE - NOT FOR NAVIGATION. Departed ") + legs.front().name, -1);
        int step = 0;
        for (std::size_t leg = 0; leg + 1 < legs.size(); ++leg) {
            const Point& a = legs[leg];
            const Point& b = legs[leg + 1];
            // Plane sailing over these few miles.
            const double dn = (b.latitude - a.latitude) * 60.0;
            const double de = (b.longitude - a.longitude) * 60.0 * std::cos(Radians(a.latitude));
            double course = std::atan2(de, dn) * 180.0 / M_PI;
            if (course < 0)
                course += 360.0;
            const int steps = int(std::hypot(dn, de) / kKnots * 360.0);   // 10-second steps
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
                clock.Set(t);
                current = std::make_shared<navigator::CNavSnapshot>(s);
                log.WriteTrackPoint(s);
                if (step % 30 == 0)
                    log.WriteLogRecord(s);
                t += seconds(10);
            }
            log.LogEvent(std::string("Passed ") + b.name, -1);
        }
        clock.Set(t);
        place(legs.back(), t);
        log.LogEvent("Arrived " + std::string(legs.back().name) + ", passage " +
                         std::to_string(passage + 1) + ". SAMPLE",
                     -1);
        t += hours(1);   // alongside before the next passage
    }
    clock.Set(t);
    if (!log.EndVoyage() || !log.Close(true)) {
        error = "the log " + path + " could not be closed";
        return false;
    }
    return true;
}

namespace {

struct SampleRoute {
    const char* name;
    const char* from;
    const char* to;
    const char* memo;
    std::vector<Point> points;
    std::vector<const char*> attachments;
};

// Waypoints a few cables into the fairway off the lights of USCG Light List
// vol. VI and NOAA charts 18441, 18446 and 18449.
std::vector<SampleRoute> SampleRoutes()
{
    return {
        {"Admiralty Inlet-Seattle",
         "Port Townsend",
         "Seattle",
         "SAMPLE. Keep clear of the ferry lanes off Kingston and Edmonds; "
         "slack water at Admiralty Inlet an hour before the Seattle turn.",
         {{"Point Wilson", 48.1530, -122.7370},
          {"Marrowstone Point", 48.1000, -122.6400},
          {"Bush Point", 48.0300, -122.6450},
          {"Foulweather Bluff", 47.9700, -122.6000},
          {"Point No Point", 47.9140, -122.5120},
          {"Kingston", 47.8050, -122.4700},
          {"Apple Cove Point", 47.8000, -122.4400},
          {"Meadow Point", 47.6900, -122.4400},
          {"West Point", 47.6620, -122.4520},
          {"Magnolia Bluff", 47.6280, -122.4250},
          {"Duwamish Head", 47.6000, -122.3900},
          {"Elliott Bay", 47.6080, -122.3650}},
         {"/home/navigator/Charts/Pictures/Point Wilson light from the south.jpg",
          "/home/navigator/Notes/Admiralty Inlet tidal streams.txt"}},
        {"Seattle to Kingston",
         "Seattle",
         "Kingston",
         "SAMPLE. Ferry route; cross the traffic lanes at right angles.",
         {{"Elliott Bay", 47.6080, -122.3650},
          {"West Point", 47.6620, -122.4520},
          {"Apple Cove Point", 47.8000, -122.4400},
          {"Kingston", 47.7960, -122.4950}},
         {}},
        {"Elliott Bay",
         "",
         "",
         "",
         {{"Duwamish Head", 47.6000, -122.3900}, {"Alki Point", 47.5790, -122.4270}},
         {}},
    };
}

// A tug with a raft of logs from Point No Point to Tacoma, south of the
// sample passage: one straight leg down the main basin, west of Alki Point
// and into East Passage, then round Point Robinson and across to Browns
// Point into Commencement Bay, off Tacoma (NOAA charts 18441, 18448 and
// 18453). Every leg keeps at least two cables off the shore.
std::vector<SampleRoute> TowRoutes()
{
    return {
        {"Point No Point-Tacoma",
         "Point No Point",
         "Tacoma",
         "SAMPLE. Raft of logs in tow at a knot; keep clear of the ferry lanes off "
         "Kingston, Bainbridge and Fauntleroy.",
         {{"Point No Point", 47.9120, -122.4800},
          {"East Passage", 47.4788, -122.4290},
          {"Point Robinson", 47.3880, -122.3550},
          {"Browns Point", 47.3150, -122.4600},
          {"Tacoma Harbor", 47.2880, -122.4550}},
         {}},
    };
}

bool WriteRouteList(const std::string& path, const std::vector<SampleRoute>& list,
                    std::string& error)
{
    db::CDBRoute routes;
    routes.SetFilePath(path);
    if (!routes.Open(false, true)) {
        error = "cannot create " + path + ": " + routes.GetMessage();
        return false;
    }
    for (const SampleRoute& route : list) {
        routes.ClearRecord();
        routes.m_name = route.name;
        routes.m_ident = "SAMPLE";
        routes.m_from = route.from;
        routes.m_to = route.to;
        routes.m_note = route.memo;
        for (std::size_t i = 0; i < route.attachments.size(); ++i)
            routes.m_attachment[i] = route.attachments[i];
        if (!routes.AppendNew() || !routes.FlushIfOpen()) {
            error = std::string("cannot add the route ") + route.name + ": " + routes.GetMessage();
            return false;
        }
        for (const Point& p : route.points) {
            db::CDBRoutePoints& links = routes.Points();
            links.Waypoints().ClearRecord();
            links.Waypoints().m_name = p.name;
            // Datum 0xFFFF: WGS 84.
            links.Waypoints().m_position = geo::CPosition(p.latitude, p.longitude, 0.0, 0xFFFF);
            links.m_link = 0;
            if (!links.AppendPoint()) {
                error = std::string("cannot add the waypoint ") + p.name;
                return false;
            }
        }
    }
    if (!routes.Close()) {
        error = "cannot close " + path;
        return false;
    }
    return true;
}

}   // namespace

bool WriteRoutes(const std::string& path, std::string& error)
{
    return WriteRouteList(path, SampleRoutes(), error);
}

bool WriteTowRoute(const std::string& path, std::string& error)
{
    return WriteRouteList(path, TowRoutes(), error);
}

}   // namespace report_sample
