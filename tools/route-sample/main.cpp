// route-sample: the sample route, Admiralty Inlet to Seattle.
//
//   route-sample write <path>      writes the route database <path> (no extension)
//   route-sample install <built> <routes-folder> <settings-file>
//       copies the built database into the routes folder unless a database of
//       that name is there already, and makes it the initial route database of
//       the default workspace when that names none yet. Nothing is overwritten.
//
// Waypoints lie in charted water off the lights that mark the passage; the
// light positions are those of the USCG Light List, volume VI, and NOAA chart
// 18441 (Puget Sound, northern part), each waypoint set off a few cables into
// the fairway.

#include "app/Registry.h"
#include "db/DBRoute.h"
#include "platform/SettingsStore.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct SamplePoint {
    const char* name;
    const char* ident;
    double latitude;
    double longitude;
};

// North to south: out of Admiralty Inlet past Point No Point and West Point
// into Elliott Bay, with the turns that keep every leg in the fairway. Every
// leg and a line 150 m either side of it lie in water on GMT's full-resolution
// shoreline, the one the sample charts are drawn from (routes_SampleRouteGmtTest).
constexpr SamplePoint kPoints[] = {
    {"Point Wilson", "PTWIL", 48.1530, -122.7370},
    {"Marrowstone Point", "MARRO", 48.1000, -122.6400},
    {"Bush Point", "BUSHP", 48.0300, -122.6450},
    {"Foulweather Bluff", "FOULW", 47.9700, -122.6000},
    {"Point No Point", "PTNOP", 47.9140, -122.5120},
    {"Apple Cove Point", "APPLE", 47.8000, -122.4400},
    {"Meadow Point", "MEADP", 47.6900, -122.4400},
    {"West Point", "WESTP", 47.6620, -122.4520},
    {"Magnolia Bluff", "MAGNO", 47.6280, -122.4250},
    {"Elliott Bay", "ELBAY", 47.6080, -122.3650},
};

constexpr const char* kRouteName = "Admiralty Inlet-Seattle";
constexpr const char* kWorkspaceRouteKey = "Software\\Quorwick\\Brinevane\\Default\\Route";

int Write(const std::string& path)
{
    db::CDBRoute routes;
    routes.SetFilePath(path);
    if (!routes.Open(false, true)) {
        std::cerr << "route-sample: cannot create " << path << "\n";
        return 1;
    }
    routes.ClearRecord();
    routes.m_name = kRouteName;
    routes.m_ident = "SAMPLE";
    routes.m_from = "Admiralty Inlet";
    routes.m_to = "Seattle";
    routes.m_note =
        "Sample route; waypoints off the lights of USCG Light List vol. VI, NOAA chart 18441.";
    if (!routes.AppendNew() || !routes.FlushIfOpen()) {
        std::cerr << "route-sample: cannot add the route\n";
        return 1;
    }
    for (const SamplePoint& p : kPoints) {
        db::CDBRoutePoints& links = routes.Points();
        links.Waypoints().ClearRecord();
        links.Waypoints().m_name = p.name;
        links.Waypoints().m_ident = p.ident;
        // Datum 0xFFFF: WGS 84.
        links.Waypoints().m_position = geo::CPosition(p.latitude, p.longitude, 0.0, 0xFFFF);
        links.m_link = 0;
        if (!links.AppendPoint()) {
            std::cerr << "route-sample: cannot add " << p.name << "\n";
            return 1;
        }
    }
    return routes.Close() ? 0 : 1;
}

int Install(const fs::path& built, const fs::path& folder, const fs::path& settingsFile)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string title = built.filename().string();
    if (!fs::exists(folder / (title + ".dbf"))) {
        for (const auto& entry : fs::directory_iterator(built.parent_path(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(title + ".", 0) != 0)
                continue;
            fs::copy(entry.path(), folder / name,
                     fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
            if (ec) {
                std::cerr << "route-sample: cannot copy " << name << ": " << ec.message() << "\n";
                return 1;
            }
        }
    }
    platform::CSettingsStore store(settingsFile);
    if (store.Load() != platform::LoadStatus::Ok) {
        std::cerr << "route-sample: settings not read; the sample is not made the initial route\n";
        return 0;
    }
    app::CRegistry key(store);
    std::string current;
    if (key.OpenKeyForRead(kWorkspaceRouteKey) && key.ReadString("InitialDatabase", current) &&
        !current.empty())
        return 0;
    key.Close();
    if (!key.OpenKeyForWrite(kWorkspaceRouteKey) || !key.WriteString("InitialDatabase", title) ||
        !store.Save()) {
        std::cerr << "route-sample: cannot write " << settingsFile << "\n";
        return 1;
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "write" && argc == 3)
        return Write(argv[2]);
    if (verb == "install" && argc == 5)
        return Install(argv[2], argv[3], argv[4]);
    std::cerr << "usage: route-sample write <path> | install <built> <routes-folder> <settings>\n";
    return 2;
}
