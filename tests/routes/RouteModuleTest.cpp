// The route module over a real route database in a test folder: reading the
// current route in ORDER, a crashed route's missing waypoint named, settings
// reaching the views, the lock and the station notices.

#include "routes/RouteModule.h"
#include "../chartpoints/ChartpointFakes.h"
#include "../db/OuterTools.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/Registry.h"
#include "db/DBRoute.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using namespace routes;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class RouteModuleTest : public ::testing::Test {
protected:
    RouteModuleTest() : settings(dir.Path()), module(settings, prompt, dir.Path())
    {
        EXPECT_TRUE(module.Initialise());
        module.SetStationLink(&station);
        module.SetClock([this] { return now; });
    }
    ~RouteModuleTest() override { module.Terminate(); }

    // A route of named points written straight into the tables.
    void WriteRoute(const fs::path& path, const std::vector<std::string>& names)
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Admiralty Inlet";
        ASSERT_TRUE(table.AppendNew());
        ASSERT_TRUE(table.FlushIfOpen());
        double lat = 48.1;
        for (const std::string& name : names) {
            auto& links = table.Points();
            links.Waypoints().ClearRecord();
            links.Waypoints().m_name = name;
            links.Waypoints().m_position = geo::CPosition(lat, -122.6, 0.0, -1);
            links.m_link = name == "Point No Point" ? 1 : 0;
            ASSERT_TRUE(links.AppendPoint());
            lat -= 0.1;
        }
        table.Close();
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings;
    brine_test::ScriptedPrompt prompt;
    brine_test::RecordingStation station;
    CRouteLockAttempt::Clock::time_point now = CRouteLockAttempt::Clock::time_point{} + 50s;
    CRouteModule module;
};

}   // namespace

TEST_F(RouteModuleTest, ReadsTheRouteInOrderForEveryView)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "sample";
    WriteRoute(path, {"Point Wilson", "Point No Point", "West Point", "Elliott Bay"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    CRouteViews& views = module.Views();
    EXPECT_TRUE(views.HasRoute());
    EXPECT_EQ(views.Name(), "Admiralty Inlet");
    ASSERT_EQ(views.WaypointCount(), 4);
    EXPECT_EQ(views.Waypoint(1).name, "Point Wilson");
    EXPECT_EQ(views.Waypoint(4).name, "Elliott Bay");
    EXPECT_EQ(views.ActiveIndex(), 1);
    EXPECT_EQ(module.State().waypoints[1].m_legType, kLegGreatCircle);
    EXPECT_EQ(module.State().waypoints[0].m_legType, kLegRhumb);
    EXPECT_TRUE(module.RepairMessages().empty());
    EXPECT_TRUE(fs::is_directory(dir.Path() / "Attach"));
}

TEST_F(RouteModuleTest, LinkToAMissingWaypointIsLeftOutAndNamed)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "crashed";
    WriteRoute(path, {"Point Wilson", "Point No Point", "West Point"});
    {
        // The crash: the middle waypoint's record gone, its link left.
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.GoTop();
        auto& wpts = table.Points().Waypoints();
        wpts.SelectUniqueTag();
        ASSERT_TRUE(wpts.Seek("2"));
        ASSERT_TRUE(wpts.CDBPoint::DeleteRecord());
        ASSERT_TRUE(wpts.FlushIfOpen());
        table.Close();
    }
    prompt.Expect(platform::PromptAnswer::Ok, "Waypoint 2 (link 2) is missing");
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_EQ(module.Views().WaypointCount(), 2);
    EXPECT_EQ(module.Views().Waypoint(2).name, "West Point");
    ASSERT_EQ(module.RepairMessages().size(), 1u);
    EXPECT_NE(module.RepairMessages()[0].find("Waypoint 2"), std::string::npos);
}

// An older route database opens with its routes taken over; what came over
// doubtful (a waypoint out of range) or not at all (a waypoint file missing)
// is named to the user as the open ends, not only when it fails.
TEST_F(RouteModuleTest, OlderDatabaseOpensAndNamesTheRowsItCouldNotTrust)
{
    const fs::path folder = module.GetDataFolder();
    const std::string script = R"(
import sys, os, dbf
folder = sys.argv[1]
w = dbf.Table(os.path.join(folder, 'legs.dbf'), 'NAME C(25); LAT C(12); LNG C(12)', dbf_type='db3')
w.open(dbf.READ_WRITE)
w.append(('Start', '47.6', '-122.4'))
w.append(('Far north', '95.5', '-122.4'))
w.close()
os.rename(os.path.join(folder, 'legs.dbf'), os.path.join(folder, 'legs.wpt'))
r = dbf.Table(os.path.join(folder, 'older.dbf'), 'NAME C(25); WAYPTDB C(40)', dbf_type='db3')
r.open(dbf.READ_WRITE)
r.append(('Sound', 'legs.wpt'))
r.append(('Lost', 'gone.wpt'))
r.close()
os.rename(os.path.join(folder, 'older.dbf'), os.path.join(folder, 'older.rdb'))
)";
    ASSERT_EQ(brine_test::Python(folder, script, folder.string()), "");
    prompt.Expect(platform::PromptAnswer::Ok,
                  "Row 2 of " + (folder / "legs.wpt").string() +
                      " was not taken over: the position is out of range.");
    ASSERT_TRUE(module.OpenDatabase((folder / "older.rdb").string()));
    ASSERT_EQ(prompt.AskedPrompts().size(), 1u);
    EXPECT_NE(prompt.AskedPrompts()[0].text.find("gone.wpt"), std::string::npos)
        << prompt.AskedPrompts()[0].text;
    EXPECT_EQ(prompt.AskedPrompts()[0].icon, platform::PromptIcon::Exclamation);
    EXPECT_EQ(module.Views().Name(), "Sound");
    // The waypoint off the earth stayed behind: no leg to it to fail.
    EXPECT_EQ(module.Views().WaypointCount(), 1);

    // Opened again, the database taken over before has nothing more to say.
    ASSERT_TRUE(module.OpenDatabase((folder / "older.rdb").string()));
    EXPECT_EQ(prompt.AskedPrompts().size(), 1u);
}

TEST_F(RouteModuleTest, StoredSettingsReachTheViewsAndHoldersSurviveAReload)
{
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(module.GetSettingsKey("Monitoring")));
        key.WriteBool("AutoWptAdvanceOn", true);
        key.WriteBool("ArrivalCircleEntryOn", true);
        key.WriteDouble("ArrivalCircleRadius", 0.3);
        app::CRegistry gc(settings.GetStore());
        ASSERT_TRUE(gc.OpenKeyForWrite(module.GetSettingsKey("GreatCircle")));
        gc.WriteDWord("DegreeIntercept", 0);
    }
    module.Views().TakeInUseHold();   // the autopilot is on
    module.LoadSettings();
    EXPECT_EQ(module.State().inUse.Count(), 2);   // not reset under the autopilot
    module.LoadSettings();
    EXPECT_EQ(module.State().inUse.Count(), 2);
    EXPECT_DOUBLE_EQ(module.Views().Settings().arrivalCircleRadius, 0.3);
    EXPECT_TRUE(module.Views().GetMonitoring().arrivalCircle);
    EXPECT_DOUBLE_EQ(module.Views().GreatCircleSettings().degreeIntercept, 1.0);
    EXPECT_FALSE(module.CanEdit());   // no database, and the route is in use
}

// A workspace that never stored the route's drawing switches: the leg marks
// off, and "Mark every" at 10 miles once they are switched on.
TEST_F(RouteModuleTest, DrawingSwitchesStartAtTheirDefaults)
{
    module.LoadSettings();
    const chart::CRouteDrawSettings& draw = module.Views().DrawSettings();
    EXPECT_FALSE(draw.drawLegArrow);
    EXPECT_FALSE(draw.drawCourseAndSMG);
    EXPECT_FALSE(draw.drawDistanceToRun);
    EXPECT_FALSE(draw.applyToEntireRoute);
    EXPECT_DOUBLE_EQ(draw.distanceToRunInterval, 10.0);
}

TEST_F(RouteModuleTest, EditLocksAndTellsTheStations)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_TRUE(module.CanEdit());
    const std::size_t before = station.posts.size();
    module.OnEdit();
    EXPECT_TRUE(module.IsEditMode());
    ASSERT_EQ(station.posts.size(), before + 1);
    EXPECT_EQ(station.posts.back().substr(0, 5), "3:13:");
    module.OnEdit();
    EXPECT_FALSE(module.IsEditMode());
    EXPECT_EQ(station.posts.back().substr(0, 5), "3:14:");
}

TEST_F(RouteModuleTest, NoticesAboutOtherNamesOrTooShortAreIgnored)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    module.OnNetworkMessage("", "127.0.0.2");
    module.OnNetworkMessage(std::string(1, char(13)), "127.0.0.2");
    module.OnNetworkMessage(std::string(1, char(13)) + "other", "127.0.0.2");
    // Our own name, but nobody else holds the table: not locked elsewhere.
    module.OnNetworkMessage(std::string(1, char(13)) + module.Database().GetName(), "127.0.0.2");
    EXPECT_FALSE(module.IsLockedElsewhere());
    EXPECT_TRUE(module.CanEdit());
}

// A station that sends its notices as C strings ends the name with a zero
// byte; the name is still ours, in any letter case.
TEST_F(RouteModuleTest, LockNoticesWithATerminatingZeroOrAnotherCaseAreHonoured)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    std::string upper = module.Database().GetName();
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    db::CDBRoute other;
    other.SetFilePath(path.string());
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(other.Lock());
    module.OnNetworkMessage(std::string(1, char(13)) + upper + std::string(1, '\0'), "127.0.0.2");
    EXPECT_TRUE(module.IsLockedElsewhere());
    EXPECT_EQ(module.LockHolder(), "127.0.0.2");
    ASSERT_TRUE(other.FlushAndUnlock());
    module.OnNetworkMessage(std::string(1, char(14)) + upper + std::string(1, '\0'), "127.0.0.2");
    EXPECT_FALSE(module.IsLockedElsewhere());
    other.Close();
}

// Another station that holds the database announces a change: as notice 15
// of our kind, and as 17 to 19 of kind 4 (a station of another kind sends
// those). Each reads the route again; kind 4 with 15 and unknown kinds do not.
TEST_F(RouteModuleTest, ChangeNoticesOfBothKindsReadTheRouteAgain)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_EQ(module.State().waypoints.size(), 2u);
    const std::string name = module.Database().GetName();

    // The other station: its own handle on the tables, holding the lock.
    db::CDBRoute other;
    other.SetFilePath(path.string());
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(other.GoTop());
    ASSERT_TRUE(other.Lock());
    ASSERT_TRUE(module.Database().IsLockedElsewhere());
    const auto addPoint = [&](const std::string& point) {
        other.Points().Waypoints().ClearRecord();
        other.Points().Waypoints().m_name = point;
        other.Points().Waypoints().m_position = geo::CPosition(47.6, -122.4, 0.0, -1);
        ASSERT_TRUE(other.Points().AppendPoint());
        ASSERT_TRUE(other.FlushIfOpen());
    };

    addPoint("Alki Point");
    module.OnNetworkMessage(std::string(1, char(15)) + name, "127.0.0.2", 4);
    module.OnNetworkMessage(std::string(1, char(17)) + name, "127.0.0.2", 5);
    EXPECT_EQ(module.State().waypoints.size(), 2u) << "a notice of no kind of ours was taken";
    module.OnNetworkMessage(std::string(1, char(17)) + name, "127.0.0.2", 4);
    EXPECT_EQ(module.State().waypoints.size(), 3u);

    addPoint("Duwamish Head");
    module.OnNetworkMessage(std::string(1, char(15)) + name, "127.0.0.2");
    EXPECT_EQ(module.State().waypoints.size(), 4u);
    other.Close();
}

// A settings load only reads the database's name; the restore of the workspace's windows opens
// it, at the route's first waypoint.
TEST_F(RouteModuleTest, WorkspaceRestoreOpensTheInitialDatabaseAtItsFirstWaypoint)
{
    WriteRoute(fs::path(module.GetDataFolder()) / "Sample", {"Point Wilson", "Point No Point"});
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(module.GetSettingsKey()));
        key.WriteString("InitialDatabase", "Sample");
    }
    module.LoadSettings();
    EXPECT_FALSE(module.IsDatabaseOpen()) << "opened by the settings load, before the disclaimer";
    ASSERT_TRUE(module.OpenInitialDatabase());
    ASSERT_TRUE(module.IsDatabaseOpen());
    EXPECT_EQ(module.Views().WaypointCount(), 2);
    EXPECT_EQ(module.Views().ActiveIndex(), 1);
    EXPECT_EQ(module.Views().Waypoint(1).name, "Point Wilson");
}

// The restore of a workspace's windows opens the database the settings name when none is open,
// once: the name is then forgotten, and with none a new temporary database opens; one still open
// is kept.
TEST_F(RouteModuleTest, WorkspaceRestoreOpensTheNamedDatabaseOnceOrATemporaryOne)
{
    WriteRoute(fs::path(module.GetDataFolder()) / "Sample", {"Point Wilson", "Point No Point"});
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(module.GetSettingsKey()));
        key.WriteString("InitialDatabase", "Sample");
    }
    module.LoadSettings();
    ASSERT_TRUE(module.OpenInitialDatabase());
    EXPECT_EQ(fs::path(module.Database().GetName()).stem(), "Sample");
    ASSERT_TRUE(module.CloseDatabase());
    ASSERT_TRUE(module.OpenInitialDatabase());
    EXPECT_TRUE(module.IsTempDatabase()) << "the name is taken once";
    const std::string temporary = module.Database().GetName();
    ASSERT_TRUE(module.OpenInitialDatabase());
    EXPECT_EQ(module.Database().GetName(), temporary) << "the open database is kept";
}

// The place to open at next time is the current route and waypoint of a
// permanent database; a temporary one ("~d", in either case) is never named.
TEST_F(RouteModuleTest, SavedStartPlaceIsKeptForPermanentDatabasesOnly)
{
    const fs::path folder = module.GetDataFolder();
    WriteRoute(folder / "Sample", {"Point Wilson", "Point No Point"});
    WriteRoute(folder / "Sample", {"Marrowstone", "Bush Point", "Lagoon Point"});
    WriteRoute(folder / "~DKEPT", {"Point Wilson", "Point No Point"});
    const auto saved = [this] {
        module.SaveSettings();
        app::CRegistry key(settings.GetStore());
        EXPECT_TRUE(key.OpenKeyForRead(module.GetSettingsKey()));
        std::string name = "unread";
        long route = 0, waypoint = 0;
        key.ReadString("InitialDatabase", name);
        key.ReadLong("InitialRecord", route);
        key.ReadLong("InitialWaypointRecord", waypoint);
        return std::tuple(name, route, waypoint);
    };

    ASSERT_TRUE(module.OpenDatabase((folder / "Sample").string()));
    ASSERT_TRUE(module.SelectRoute(2));
    ASSERT_TRUE(module.SelectWaypoint(3));
    EXPECT_EQ(saved(), std::tuple(std::string("Sample"), 2L, 3L));

    ASSERT_TRUE(module.OpenDatabase((folder / "~DKEPT").string()));
    ASSERT_TRUE(module.IsTempDatabase());
    ASSERT_TRUE(module.SelectWaypoint(2));
    EXPECT_EQ(saved(), std::tuple(std::string(), 1L, 1L));
}

// The three monitoring pens are kept under their kinds' names, written
// deviation limits first, then arrival circles, then perpendiculars.
TEST_F(RouteModuleTest, MonitoringPensAreWrittenInTheirOwnOrder)
{
    module.SaveSettings();
    std::vector<std::string> pens;
    for (const std::string& key : settings.GetStore().SubKeys(module.GetSettingsKey()))
        if (key == "CrossTrackLimits" || key == "ArrivalCircle" || key == "WaypointPerpendicular")
            pens.push_back(key);
    EXPECT_EQ(pens, (std::vector<std::string>{"CrossTrackLimits", "ArrivalCircle",
                                              "WaypointPerpendicular"}));
}

namespace {

class StagingTransmitter final : public CRouteTransmitter {
public:
    bool CanTransmit() const override { return open; }
    bool SendRoute(const std::string&, const std::string&, const std::string&, const std::string&,
                   bool) override
    {
        return Take();
    }
    bool SendWaypoint(const nmea::CUploadPoint&, bool) override { return Take(); }
    bool Take()
    {
        if (!open || staged >= 500)
            return false;
        ++staged;
        ++sent;
        return true;
    }
    bool open = true;
    int staged = 0;
    int sent = 0;
};

}   // namespace

TEST_F(RouteModuleTest, UploadHoldsTheRouteUntilTheLastSentenceLeaves)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "upload";
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("W" + std::to_string(i));
    WriteRoute(path, names);
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    StagingTransmitter tx;
    ASSERT_TRUE(module.StartUpload(CUploadChoice{}, tx));
    EXPECT_TRUE(module.IsUploading());
    EXPECT_FALSE(module.CanEdit());
    EXPECT_EQ(module.UploadProgress(), "250 of 300 sent");
    tx.staged = 0;
    module.OnTimer(app::TimerCadence::EveryPass);
    EXPECT_FALSE(module.IsUploading());
    EXPECT_EQ(tx.sent, 600);
    EXPECT_EQ(module.State().inUse.Count(), 0);
    EXPECT_TRUE(module.CanEdit());

    // A port lost mid-way: the route is freed and the message counts.
    prompt.Expect(platform::PromptAnswer::Ok, "250 of 300 sent");
    StagingTransmitter cut;
    ASSERT_TRUE(module.StartUpload(CUploadChoice{}, cut));
    cut.open = false;
    module.OnTimer(app::TimerCadence::EveryPass);
    EXPECT_FALSE(module.IsUploading());
    EXPECT_EQ(module.State().inUse.Count(), 0);
}

TEST_F(RouteModuleTest, UploadOfARouteWithoutWaypointsSendsNothingAndSucceeds)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "empty";
    WriteRoute(path, {});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_TRUE(module.State().hasRoute);
    StagingTransmitter tx;
    tx.open = false;   // nothing goes out, so the port does not matter
    EXPECT_TRUE(module.StartUpload(CUploadChoice{}, tx));
    EXPECT_FALSE(module.IsUploading());
    EXPECT_TRUE(module.LastUploadSent());
    EXPECT_EQ(tx.sent, 0);
    EXPECT_EQ(module.State().inUse.Count(), 0);
}

namespace {

std::size_t ChangeNotices(const std::vector<std::string>& posts, const std::string& name)
{
    return std::size_t(std::count(posts.begin(), posts.end(), "3:15:" + name));
}

}   // namespace

// Opening, choosing another route, dragging a waypoint and closing for
// another database each tell the other stations the database changed;
// choosing a waypoint and a quiet close do not.
TEST_F(RouteModuleTest, RouteChangesAndTheCloseAreSentAsChangeNotices)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    WriteRoute(path, {"Alki Point", "Duwamish Head"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    const std::string name = module.Database().GetName();
    EXPECT_EQ(ChangeNotices(station.posts, name), 1u) << "open";
    ASSERT_TRUE(module.SelectRoute(2));
    EXPECT_EQ(ChangeNotices(station.posts, name), 2u) << "route chosen";
    ASSERT_TRUE(module.SelectWaypoint(2));
    EXPECT_EQ(ChangeNotices(station.posts, name), 2u) << "a waypoint chosen is no change";
    module.OnEdit();
    ASSERT_TRUE(module.MoveWaypoint(1, geo::CPosition(47.5, -122.4, 0.0, -1)));
    EXPECT_EQ(ChangeNotices(station.posts, name), 3u) << "drag";
    module.OnEdit();
    const fs::path next = fs::path(module.GetDataFolder()) / "next";
    WriteRoute(next, {"Point Wilson"});
    ASSERT_TRUE(module.OpenDatabase(next.string()));
    EXPECT_EQ(ChangeNotices(station.posts, name), 4u) << "closed for another";
    EXPECT_EQ(ChangeNotices(station.posts, "next"), 1u) << "the other opened";
    ASSERT_TRUE(module.CloseDatabase(true));
    EXPECT_EQ(ChangeNotices(station.posts, "next"), 1u) << "a quiet close";
    station.running = false;
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    EXPECT_EQ(ChangeNotices(station.posts, name), 4u) << "sent with the network off";
}

// View > Refresh reads the route again where it is and tells the stations;
// following another station's change is not told again, or the stations
// that follow it would answer each other without end.
TEST_F(RouteModuleTest, RefreshTellsTheStationsButFollowingAChangeDoesNot)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "shared";
    WriteRoute(path, {"Point Wilson", "West Point"});
    WriteRoute(path, {"Alki Point", "Duwamish Head"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_TRUE(module.SelectRoute(2));
    ASSERT_TRUE(module.SelectWaypoint(2));
    const std::string name = module.Database().GetName();
    const std::size_t before = ChangeNotices(station.posts, name);
    module.OnRefresh();
    EXPECT_EQ(module.RouteOrdinal(), 2);
    EXPECT_EQ(module.State().activeIndex, 2);
    EXPECT_EQ(ChangeNotices(station.posts, name), before + 1);

    db::CDBRoute other;
    other.SetFilePath(path.string());
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(other.Lock());
    module.OnNetworkMessage(std::string(1, char(15)) + name, "127.0.0.2");
    EXPECT_EQ(module.RouteOrdinal(), 2);
    EXPECT_EQ(ChangeNotices(station.posts, name), before + 1);
}

// A temporary database keeps no position: View > Refresh goes back to its
// first route and waypoint, but not while the route is held.
TEST_F(RouteModuleTest, RefreshOfATemporaryDatabaseGoesToTheFirstRoute)
{
    const fs::path path = fs::path(module.GetDataFolder()) / "~dscratch";
    WriteRoute(path, {"Point Wilson", "West Point"});
    WriteRoute(path, {"Alki Point", "Duwamish Head"});
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_TRUE(module.IsTempDatabase());
    ASSERT_TRUE(module.SelectRoute(2));
    ASSERT_TRUE(module.SelectWaypoint(2));
    module.Views().TakeInUseHold();   // the autopilot steers this route
    module.OnRefresh();
    EXPECT_EQ(module.RouteOrdinal(), 2);
    EXPECT_EQ(module.State().activeIndex, 2);
    module.Views().GiveInUseHold();
    module.OnRefresh();
    EXPECT_EQ(module.RouteOrdinal(), 1);
    EXPECT_EQ(module.State().activeIndex, 1);
    EXPECT_EQ(module.State().waypoints.front().m_name, "Point Wilson");
}
