// Editing routes through the module over a real route database: each change
// read back from a fresh open of the files, a crashed route's links put
// right on disk, copies and reversals that leave their source alone, and
// temporary databases that are the module's own.

#include "../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "platform/Files.h"
#include "routes/PlanModule.h"
#include "routes/PlanRows.h"
#include "routes/RouteModule.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <random>

using namespace routes;
using platform::PromptAnswer;
namespace fs = std::filesystem;
namespace cmd = app::cmd;

namespace {

struct StoredLink {
    long order;
    int link;
    std::string name;
    double lat, lon;
    std::string ident;
};

// The route's links as the files hold them, in ORDER, read by a table of our own.
std::vector<StoredLink> ReadStored(const fs::path& path, int routeOrdinal = 1)
{
    std::vector<StoredLink> out;
    db::CDBRoute table;
    table.SetFilePath(path.string());
    if (!table.Open(true) || !table.GoOrdinal(routeOrdinal))
        return out;
    db::CDBRoutePoints& links = table.Points();
    links.SelectTag("T_ORDER");
    const long count = links.IsEmpty() ? 0 : links.GetRecordCount();
    if (count > 0)
        links.GoTop();
    for (long n = 0; n < count; ++n) {
        const db::CDBWaypoint& w = links.Waypoints();
        out.push_back({links.m_order, links.m_link, w.m_name, w.m_position.GetLatitude(),
                       w.m_position.GetLongitude(), w.m_ident});
        if (links.IsLast())
            break;
        links.SkipForward();
    }
    return out;
}

std::string StoredName(const fs::path& path, int routeOrdinal)
{
    db::CDBRoute table;
    table.SetFilePath(path.string());
    if (!table.Open(true) || !table.GoOrdinal(routeOrdinal))
        return {};
    return table.m_name;
}

class RouteEditingTest : public ::testing::Test {
protected:
    RouteEditingTest() : settings(dir.Path()), module(settings, prompt, dir.Path())
    {
        EXPECT_TRUE(module.Initialise());
        module.SetStationLink(&station);
        path = fs::path(module.GetDataFolder()) / "edits";
    }
    ~RouteEditingTest() override { module.Terminate(); }

    // A database opened in edit mode with a new, empty route.
    void StartNewRoute()
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.Close();
        ASSERT_TRUE(module.OpenDatabase(path.string()));
        module.OnEdit();
        ASSERT_TRUE(module.IsEditMode());
        ASSERT_TRUE(module.NewRoute());
    }

    // Puget Sound, a cable or so apart: where users put waypoints.
    void AddFour()
    {
        ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(48.15, -122.75)));
        ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.92, -122.53)));
        ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.66, -122.45)));
        ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.61, -122.36)));
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings;
    brine_test::ScriptedPrompt prompt;
    brine_test::RecordingStation station;
    CRouteModule module;
    fs::path path;
};

}   // namespace

TEST_F(RouteEditingTest, WaypointsAddedOnTheChartAreStoredInClickOrder)
{
    StartNewRoute();
    AddFour();
    const std::vector<StoredLink> stored = ReadStored(path);
    ASSERT_EQ(stored.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(stored[std::size_t(i)].order, i + 1);
    EXPECT_DOUBLE_EQ(stored[0].lat, 48.15);
    EXPECT_DOUBLE_EQ(stored[3].lon, -122.36);
    EXPECT_EQ(module.State().activeIndex, 4);

    // Selected, waypoint 2 gets one added before it and one inserted after it.
    ASSERT_TRUE(module.SelectWaypoint(2));
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(48.0, -122.6)));
    EXPECT_EQ(module.State().activeIndex, 3);   // the old waypoint 2 stays current
    ASSERT_TRUE(module.InsertWaypointAfterCurrent(geo::CPosition(47.8, -122.5)));
    const std::vector<StoredLink> after = ReadStored(path);
    ASSERT_EQ(after.size(), 6u);
    EXPECT_DOUBLE_EQ(after[1].lat, 48.0);
    EXPECT_DOUBLE_EQ(after[2].lat, 47.92);
    EXPECT_DOUBLE_EQ(after[3].lat, 47.8);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(after[std::size_t(i)].order, i + 1);
    // The other stations are told of each stored change.
    EXPECT_GE(std::count_if(station.posts.begin(), station.posts.end(),
                            [](const std::string& p) { return p.rfind("3:15:", 0) == 0; }),
              6);
}

// A chartpoint added to the route keeps its memo in the waypoint table, the
// route reads it back, and the plan prints it in its row's memo column.
TEST_F(RouteEditingTest, AWaypointsMemoAndAttachmentsAreStoredReadAndPrintedInThePlan)
{
    StartNewRoute();
    AddFour();
    ASSERT_TRUE(module.SelectWaypoint(2));
    chartpoints::CChartpoint buoy(geo::CPosition(47.8, -122.5));
    buoy.m_name = "Bell buoy";
    buoy.m_memo = "Keep 2 cables off: shoal to the west";
    buoy.m_attachments[0] = "BellBuoy.jpg";
    buoy.m_attachments[3] = "Approach.avi";
    ASSERT_TRUE(module.InsertWaypointAfterCurrent(CWaypoint(buoy)));

    db::CDBRoute table;
    table.SetFilePath(path.string());
    ASSERT_TRUE(table.Open(true));
    ASSERT_TRUE(table.GoOrdinal(1));
    db::CDBRoutePoints& links = table.Points();
    links.SelectTag("T_ORDER");
    ASSERT_TRUE(links.GoOrdinal(3));
    EXPECT_EQ(links.Waypoints().m_name, "Bell buoy");
    EXPECT_EQ(links.Waypoints().m_memo[0], buoy.m_memo);
    EXPECT_EQ(links.Waypoints().m_attachment[0], "BellBuoy.jpg");
    EXPECT_EQ(links.Waypoints().m_attachment[3], "Approach.avi");
    table.Close();

    const std::vector<CWaypoint>& read = module.State().waypoints;
    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(read[2].m_memo, buoy.m_memo);
    EXPECT_EQ(read[2].m_attachments, buoy.m_attachments);
    EXPECT_TRUE(read[1].m_memo.empty());

    CPlanModule plan(settings, dir.Path().string());
    ASSERT_EQ(plan.Calculate(PlanWaypointsOf(module.State()), prompt, nullptr, nullptr, nullptr),
              kPlanDone);
    const auto rows = PlanRows(plan, module.State());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2].back(), buoy.m_memo);
    EXPECT_EQ(rows[1].back(), "");
}

// A waypoint double-clicked on the chart: its copy is appended as the new
// last waypoint, and the current waypoint stays current.
TEST_F(RouteEditingTest, ACopyOfAWaypointIsAppendedLast)
{
    StartNewRoute();
    AddFour();
    ASSERT_TRUE(module.SelectWaypoint(2));
    ASSERT_TRUE(module.AppendCopyOfWaypoint(3));
    const std::vector<StoredLink> after = ReadStored(path);
    ASSERT_EQ(after.size(), 5u);
    const double lats[] = {48.15, 47.92, 47.66, 47.61, 47.66};
    for (int i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(after[std::size_t(i)].lat, lats[i]) << i;
        EXPECT_EQ(after[std::size_t(i)].order, i + 1);
    }
    EXPECT_EQ(module.State().activeIndex, 2);
    EXPECT_EQ(module.State().waypoints.size(), 5u);
    EXPECT_FALSE(module.AppendCopyOfWaypoint(6)) << "no such waypoint";
}

TEST_F(RouteEditingTest, DragsAndDeletesOnlyWhileEditableAndConfirmed)
{
    StartNewRoute();
    AddFour();
    // A drag is announced to every window of the route as notice 8 alone.
    struct Told final : routes::CRouteListener {
        void OnRouteChange(int hint) override { hints.push_back(hint); }
        std::vector<int> hints;
    } told;
    module.AddListener(&told);
    ASSERT_TRUE(module.MoveWaypoint(2, geo::CPosition(47.95, -122.55)));
    module.RemoveListener(&told);
    EXPECT_EQ(told.hints, std::vector<int>{8});
    EXPECT_DOUBLE_EQ(ReadStored(path)[1].lat, 47.95);

    // No: nothing goes. Yes: the next waypoint takes the place.
    ASSERT_TRUE(module.SelectWaypoint(2));
    prompt.Expect(PromptAnswer::No, "delete this waypoint");
    EXPECT_FALSE(module.DeleteCurrentWaypoint());
    EXPECT_EQ(ReadStored(path).size(), 4u);
    prompt.Expect(PromptAnswer::Yes, "delete this waypoint");
    ASSERT_TRUE(module.DeleteCurrentWaypoint());
    std::vector<StoredLink> stored = ReadStored(path);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_DOUBLE_EQ(stored[1].lat, 47.66);
    EXPECT_EQ(stored[2].order, 3);
    EXPECT_EQ(module.State().activeIndex, 2);
    // The last one deleted: the new last is current.
    ASSERT_TRUE(module.SelectWaypoint(3));
    prompt.Expect(PromptAnswer::Yes);
    ASSERT_TRUE(module.DeleteCurrentWaypoint());
    EXPECT_EQ(module.State().activeIndex, 2);

    // Out of edit mode a drag or an add writes nothing.
    module.OnEdit();
    ASSERT_FALSE(module.IsEditMode());
    EXPECT_FALSE(module.MoveWaypoint(1, geo::CPosition(47.0, -122.0)));
    EXPECT_FALSE(module.AddWaypointAt(geo::CPosition(47.0, -122.0)));
    EXPECT_DOUBLE_EQ(ReadStored(path)[0].lat, 48.15);
    // Nor while anything holds the route.
    module.OnEdit();
    module.Views().TakeInUseHold();
    EXPECT_FALSE(module.MoveWaypoint(1, geo::CPosition(47.0, -122.0)));
    EXPECT_FALSE(module.CommandState(cmd::kWaypointDelete).enabled);
    module.Views().GiveInUseHold();
    EXPECT_TRUE(module.CommandState(cmd::kWaypointDelete).enabled);
}

TEST_F(RouteEditingTest, CopyAndReverseMakeRoutesOfTheirOwn)
{
    StartNewRoute();
    AddFour();
    ASSERT_TRUE(module.SaveRouteTexts("Admiralty Inlet to Elliott", "Port Townsend", "Seattle"));
    ASSERT_TRUE(module.SelectWaypoint(2));
    ASSERT_TRUE(module.SetLegType(kLegGreatCircle));
    std::vector<StoredLink> source = ReadStored(path, 1);
    ASSERT_TRUE(module.CopyRoute(false));
    EXPECT_EQ(module.RouteOrdinal(), 2);   // the copy is current
    ASSERT_TRUE(module.SelectRoute(1));
    EXPECT_EQ(module.RouteOrdinal(), 1);
    ASSERT_TRUE(module.CopyRoute(true));
    EXPECT_EQ(module.RouteCount(), 3);
    // Names cut to the field's 25 characters; start and destination exchanged.
    EXPECT_EQ(StoredName(path, 2), "Copy of Admiralty Inlet t");
    EXPECT_EQ(StoredName(path, 3), "Reverse of Admiralty Inle");
    EXPECT_EQ(module.RouteTexts().from, "Seattle");
    EXPECT_EQ(module.RouteTexts().to, "Port Townsend");

    const std::vector<StoredLink> copy = ReadStored(path, 2);
    const std::vector<StoredLink> reversed = ReadStored(path, 3);
    ASSERT_EQ(copy.size(), 4u);
    ASSERT_EQ(reversed.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(copy[i].name, source[i].name);
        EXPECT_EQ(copy[i].link, source[i].link);
        EXPECT_DOUBLE_EQ(reversed[i].lat, source[3 - i].lat);
        EXPECT_EQ(reversed[i].ident, std::to_string(i + 1));
    }
    // The great-circle leg 2-3 is leg 2-3 of the reversed route too, starting there.
    EXPECT_EQ(reversed[1].link, 1);
    EXPECT_EQ(reversed[3].link, 0);
    // The source keeps its own waypoints' IDs.
    EXPECT_EQ(ReadStored(path, 1)[0].ident, source[0].ident);
}

TEST(ReversedWaypoints, AgreesWithAPlainListForRandomRoutes)
{
    std::mt19937 rng(27);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t n = 1 + rng() % 12;
        std::vector<CWaypoint> points(n);
        for (std::size_t i = 0; i < n; ++i) {
            points[i].m_name = "W" + std::to_string(i);
            points[i].m_legType = rng() % 2;
        }
        const std::vector<CWaypoint> out = ReversedWaypoints(points);
        ASSERT_EQ(out.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(out[i].m_name, points[n - 1 - i].m_name);
            EXPECT_EQ(out[i].m_id, std::to_string(i + 1));
        }
        // Leg k of the reversal joins the same two points as leg n-2-k.
        for (std::size_t k = 0; k + 1 < n; ++k)
            EXPECT_EQ(out[k].m_legType, points[n - 2 - k].m_legType);
        EXPECT_EQ(out[n - 1].m_legType, kLegRhumb);
    }
}

TEST_F(RouteEditingTest, GreatCircleWaypointsAreNamedAndFollowTheLegStart)
{
    StartNewRoute();
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(50.0, -12.3)));
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(52.0, 8.7)));
    ASSERT_TRUE(module.SelectWaypoint(1));
    module.State().greatCircle.wholeDegrees = true;
    ASSERT_TRUE(module.SetLegType(kLegGreatCircleWaypoints));
    const std::vector<StoredLink> stored = ReadStored(path);
    ASSERT_GE(stored.size(), 5u);
    EXPECT_EQ(stored[0].link, 0);   // the leg itself is stored rhumb
    EXPECT_EQ(stored[1].name, "GC 1.1");
    EXPECT_DOUBLE_EQ(stored[1].lon, -8.0);   // 12.3 W gives 8 W first
    EXPECT_DOUBLE_EQ(stored[2].lon, -3.0);
    EXPECT_EQ(stored.back().name, "");
    EXPECT_DOUBLE_EQ(stored.back().lon, 8.7);
}

TEST_F(RouteEditingTest, CrashedLinksAreRenumberedOnDisk)
{
    StartNewRoute();
    AddFour();
    module.OnEdit();
    module.CloseDatabase();
    {
        // The crash: ORDER left with a gap and a repeat, one waypoint gone.
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.GoTop();
        db::CDBRoutePoints& links = table.Points();
        const long orders[] = {7, 3, 3, 12};
        for (long rec = 1; rec <= 4; ++rec) {
            links.GoRecord(rec);
            links.m_order = orders[rec - 1];
            ASSERT_TRUE(links.Update());
        }
        auto& wpts = links.Waypoints();
        wpts.SelectUniqueTag();
        ASSERT_TRUE(wpts.Seek(std::to_string(links.m_pointId)));   // record 4's waypoint
        ASSERT_TRUE(wpts.CDBPoint::DeleteRecord());
        ASSERT_TRUE(table.FlushIfOpen());
        table.Close();
    }
    prompt.Expect(PromptAnswer::Ok, "missing");
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    ASSERT_EQ(module.Views().WaypointCount(), 3);
    const std::vector<StoredLink> stored = ReadStored(path);
    ASSERT_EQ(stored.size(), 3u);
    // (ORDER, record): record 2 (3), record 3 (3), record 1 (7).
    EXPECT_DOUBLE_EQ(stored[0].lat, 47.92);
    EXPECT_DOUBLE_EQ(stored[1].lat, 47.66);
    EXPECT_DOUBLE_EQ(stored[2].lat, 48.15);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stored[std::size_t(i)].order, i + 1);
}

TEST_F(RouteEditingTest, TemporaryDatabasesAreTheModulesOwn)
{
    // Another station's temporary database in the shared folder.
    const fs::path other = fs::path(module.GetDataFolder()) / "~dOTHER.dbf";
    std::ofstream(other) << "x";
    ASSERT_TRUE(module.OpenDatabase({}));   // a fresh start with nothing named
    const std::string name = module.Database().GetName();
    EXPECT_EQ(name.rfind("~d", 0), 0u);
    EXPECT_TRUE(module.CloseDatabase());
    EXPECT_TRUE(fs::exists(other));
    EXPECT_FALSE(fs::exists(fs::path(module.GetDataFolder()) / (name + ".dbf")));

    // An empty one a killed program left (nobody holds its placeholder)
    // goes at the next open.
    const fs::path dead = fs::path(module.GetDataFolder()) / "~d6B15E3";
    std::ofstream(dead.string() + ".tmp") << "";
    std::ofstream(dead.string() + ".dbf") << "";
    ASSERT_TRUE(module.OpenDatabase({}));
    EXPECT_FALSE(fs::exists(dead.string() + ".tmp"));
    EXPECT_FALSE(fs::exists(dead.string() + ".dbf"));
    EXPECT_TRUE(module.CloseDatabase());

    // An unreadable database: its message, a fresh temporary one, the file untouched.
    const fs::path bad = fs::path(module.GetDataFolder()) / "broken.dbf";
    std::ofstream(bad, std::ios::binary) << "not a table at all";
    const auto size = fs::file_size(bad);
    prompt.Expect(PromptAnswer::Ok, "Unable to open Route database");
    EXPECT_TRUE(module.OpenDatabase((fs::path(module.GetDataFolder()) / "broken").string()));
    EXPECT_EQ(module.Database().GetName().rfind("~d", 0), 0u);
    EXPECT_EQ(fs::file_size(bad), size);
}

TEST_F(RouteEditingTest, SaveAsMovesATemporaryAndCopiesAPermanentDatabase)
{
    std::string asked;
    std::optional<std::string> answer;
    module.SetFileDialogs({}, [&](const std::string& folder, const std::string& proposed) {
        asked = proposed;
        EXPECT_EQ(folder, module.GetDataFolder());
        return answer;
    });
    ASSERT_TRUE(module.OpenDatabase({}));
    const fs::path temp = fs::path(module.Database().GetFilePath());
    module.OnEdit();
    ASSERT_TRUE(module.NewRoute());
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.9, -122.5)));
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.7, -122.45)));

    // Cancel in the dialog: nothing moves.
    EXPECT_FALSE(module.OnSaveDatabaseAs());
    EXPECT_TRUE(module.IsTempDatabase());
    // A temporary database moves to its name; its own files go.
    answer = (fs::path(module.GetDataFolder()) / "Passage.dbf").string();
    ASSERT_TRUE(module.OnSaveDatabaseAs());
    EXPECT_EQ(asked, "");
    EXPECT_EQ(module.Database().GetName(), "Passage");
    EXPECT_FALSE(fs::exists(temp.string() + ".dbf"));
    EXPECT_EQ(ReadStored(fs::path(module.GetDataFolder()) / "Passage").size(), 2u);
    EXPECT_EQ(module.Views().WaypointCount(), 2);

    // Onto its own path: flushed, no copy.
    answer = (fs::path(module.GetDataFolder()) / "Passage.dbf").string();
    EXPECT_TRUE(module.OnSaveDatabaseAs());
    EXPECT_EQ(asked, "Passage.dbf");
    // A permanent database is copied; the copy is what stays open, out of edit mode.
    answer = (fs::path(module.GetDataFolder()) / "Spare.dbf").string();
    ASSERT_TRUE(module.OnSaveDatabaseAs());
    EXPECT_EQ(module.Database().GetName(), "Spare");
    EXPECT_FALSE(module.IsEditMode());
    EXPECT_EQ(ReadStored(fs::path(module.GetDataFolder()) / "Passage").size(), 2u);
    EXPECT_EQ(ReadStored(fs::path(module.GetDataFolder()) / "Spare").size(), 2u);
}

// The program told to end at a logout: the filled temporary database is closed without a
// question and stays, its placeholder free, for the next start to keep.
TEST_F(RouteEditingTest, AnUnattendedCloseKeepsAFilledTemporaryDatabase)
{
    ASSERT_TRUE(module.OpenDatabase({}));
    const std::string temp = module.Database().GetFilePath();
    module.OnEdit();
    ASSERT_TRUE(module.NewRoute());
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(47.9, -122.5)));
    module.PrepareUnattendedClose();
    module.Terminate();
    EXPECT_FALSE(module.Database().IsOpen());
    EXPECT_TRUE(prompt.AskedPrompts().empty());
    EXPECT_EQ(ReadStored(temp).size(), 1u);
    EXPECT_TRUE(platform::LockUnheldFile(temp + ".tmp").has_value());
}

TEST_F(RouteEditingTest, ANewDatabaseOverAFilledTemporaryOneAsksFirst)
{
    module.SetFileDialogs(
        {}, [](const std::string&, const std::string&) { return std::optional<std::string>(); });
    ASSERT_TRUE(module.OpenDatabase({}));
    const std::string first = module.Database().GetName();
    module.OnEdit();
    ASSERT_TRUE(module.NewRoute());
    // Cancel keeps it open; No lets it go.
    prompt.Expect(PromptAnswer::Cancel, "Save Route database?");
    EXPECT_FALSE(module.OnNewDatabase());
    EXPECT_EQ(module.Database().GetName(), first);
    // Return in the question presses Cancel.
    ASSERT_FALSE(prompt.AskedPrompts().empty());
    EXPECT_EQ(prompt.AskedPrompts().back().defaultAnswer, PromptAnswer::Cancel);
    EXPECT_EQ(prompt.AskedPrompts().back().icon, platform::PromptIcon::Question);
    prompt.Expect(PromptAnswer::No, "Save Route database?");
    EXPECT_TRUE(module.OnNewDatabase());
    EXPECT_NE(module.Database().GetName(), first);
    EXPECT_FALSE(fs::exists(fs::path(module.GetDataFolder()) / (first + ".dbf")));
}

// View > Refresh reads the route again where it stands: a change another station stored shows.
TEST_F(RouteEditingTest, RefreshShowsWhatAnotherStationStored)
{
    StartNewRoute();
    AddFour();
    CRouteTexts texts = module.RouteTexts();
    texts.name = "Admiralty Inlet";
    ASSERT_TRUE(module.SaveRoute(texts));
    module.OnEdit();   // out of edit mode: the database free for the other station
    ASSERT_FALSE(module.IsEditMode());

    brine_test::TempFolder otherHome;
    brine_test::FolderSettings otherSettings(otherHome.Path());
    brine_test::ScriptedPrompt otherPrompt;
    CRouteModule other(otherSettings, otherPrompt, dir.Path());
    ASSERT_TRUE(other.Initialise());
    ASSERT_TRUE(other.OpenDatabase(path.string()));
    other.OnEdit();
    ASSERT_TRUE(other.IsEditMode());
    CRouteTexts changed = other.RouteTexts();
    ASSERT_EQ(changed.name, "Admiralty Inlet");
    changed.name = "Possession Sound";
    ASSERT_TRUE(other.SaveRoute(changed));
    other.OnEdit();
    other.Terminate();

    module.OnRefresh();
    EXPECT_EQ(module.RouteTexts().name, "Possession Sound");
    EXPECT_EQ(module.Views().WaypointCount(), 4);
}
