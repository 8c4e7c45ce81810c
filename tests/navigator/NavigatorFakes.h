#pragma once
// Doubles for the navigator tests: a GPS receive side on a real parser, a
// vessel log that records, a route of plain waypoints, a steering output, a
// chart side.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "navigator/NavigatorModule.h"
#include "platform/SettingsStore.h"

namespace navtest {

class FakeGps final : public navigator::CGpsReceiver {
public:
    explicit FakeGps(const platform::CClock& clock) : parser(clock, 5) { }
    nmea::CNMEAMessageParser& Parser() override { return parser; }
    bool IsReceiving() const override { return receiving; }
    bool IsAvailable() const override { return available; }
    nmea::CNMEAGPSParser parser;
    bool receiving = true;
    bool available = true;
};

class FakeLog : public navigator::CVesselLog {
public:
    bool IsLogging() const override { return logging; }
    void LogEvent(const std::string& note, int eventType) override
    {
        events.push_back({note, eventType});
        fixTypes.push_back(nextFixType);
    }
    void SetNextFixType(int fixType) override { nextFixType = fixType; }
    bool WriteLogRecord(const navigator::CNavSnapshot&) override
    {
        ++rows;
        return true;
    }
    bool WriteTrackPoint(const navigator::CNavSnapshot&) override
    {
        ++points;
        return true;
    }
    bool HasOwnRow() const override { return ownRow; }
    bool HasOwnTrack() const override { return ownTrack; }
    void EndOwnRow() override
    {
        ++rowsEnded;
        ownRow = false;
    }
    int Count(const std::string& note) const
    {
        int n = 0;
        for (const auto& e : events)
            n += e.first == note ? 1 : 0;
        return n;
    }
    bool logging = false;
    std::vector<std::pair<std::string, int>> events;
    std::vector<int> fixTypes;   // the next fix type as each event was logged
    int nextFixType = 0;
    int rows = 0;
    int points = 0;
    bool ownRow = true;
    bool ownTrack = false;
    int rowsEnded = 0;
};

class FakeRoute final : public navigator::CActiveRoute {
public:
    bool HasRoute() const override { return !points.empty(); }
    std::string Name() const override { return name; }
    int WaypointCount() const override { return static_cast<int>(points.size()); }
    int ActiveIndex() const override { return points.empty() ? 0 : active; }
    navigator::CRouteWaypoint Waypoint(int index) const override
    {
        return points.at(static_cast<std::size_t>(index - 1));
    }
    bool SelectWaypoint(int index) override
    {
        if (index < 1 || index > WaypointCount())
            return false;
        active = index;
        return true;
    }
    navigator::CRouteMonitoringSettings Settings() const override { return settings; }

    void Add(double lat, double lon, std::string wpName = {})
    {
        points.push_back({geo::CPosition(lat, lon), std::move(wpName)});
    }
    std::string name = " Passage ";
    std::vector<navigator::CRouteWaypoint> points;
    int active = 1;
    navigator::CRouteMonitoringSettings settings;
};

class FakeSteering final : public navigator::CSteeringOutput {
public:
    bool IsSteeringOn() const override { return on; }
    void Send(const navigator::CSteeringRecord& record) override { sent.push_back(record); }
    bool on = false;
    std::vector<navigator::CSteeringRecord> sent;
};

// A chart side that counts its calls; the active chart's datum-shift status as set.
class FakeCharts final : public navigator::CNavChartHost {
public:
    std::optional<geo::CPosition> ConvertToAutoscrollDatum(const geo::CPosition& p) override
    {
        if (convertFails)
            return std::nullopt;
        return p;
    }
    void AutoscrollToPosition(const geo::CPosition&) override { ++scrolls; }
    void AutoscrollStep(const geo::CPosition&) override { ++steps; }
    bool BestChartCheck(const geo::CPosition&) override
    {
        ++checks;
        return true;
    }
    bool IsVesselVisible(const geo::CPosition&) override { return visible; }
    void RedrawViews() override { ++redraws; }
    bool AttachAutoscrollWindow(const geo::CPosition& vessel) override
    {
        ++attaches;
        attachedAt = vessel;
        attached = true;
        return true;
    }
    void ReleaseAutoscrollWindow() override
    {
        ++releases;
        attached = false;
    }
    bool HasAutoscrollWindow() override { return attached; }
    void ClearLargerScaleMessage() override { ++largerScaleCleared; }
    int ActiveChartDatumShift(const geo::CPosition& vessel, std::string& kind) override
    {
        shiftAsked.push_back(vessel);
        kind = chartKind;
        return shiftStatus;
    }
    int shiftStatus = 4;
    std::string chartKind;
    std::vector<geo::CPosition> shiftAsked;
    bool convertFails = false;
    bool visible = true;
    bool attached = false;
    geo::CPosition attachedAt;
    int scrolls = 0, steps = 0, checks = 0, redraws = 0, attaches = 0, releases = 0;
    int largerScaleCleared = 0;
};

// Settings in a temporary file, empty.
class MemorySettings final : public app::CSettingsHome {
public:
    MemorySettings() : m_store(std::filesystem::temp_directory_path() / "brine-nav-test.conf") { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "$" + body + "*" + checksum.
inline std::string Sentence(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + body + tail;
}

// An RMC at a position in degrees, with course and speed.
inline std::string Rmc(double lat, double lon, double sog, double cog,
                       const char* time = "120000.00")
{
    const double alat = std::fabs(lat), alon = std::fabs(lon);
    char body[160];
    std::snprintf(body, sizeof body, "GPRMC,%s,A,%02d%09.6f,%c,%03d%09.6f,%c,%.1f,%.1f,071226,,",
                  time, static_cast<int>(alat), (alat - static_cast<int>(alat)) * 60,
                  lat < 0 ? 'S' : 'N', static_cast<int>(alon), (alon - static_cast<int>(alon)) * 60,
                  lon < 0 ? 'W' : 'E', sog, cog);
    return Sentence(body);
}

}   // namespace navtest
