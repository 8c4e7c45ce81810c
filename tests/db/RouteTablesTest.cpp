// Route databases: routes, their link tables and waypoint tables.
#include "db/DBRoute.h"

#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace db;

namespace {

// The route's points as "ORDER:name" in route order, read through the link table.
std::vector<std::string> PointList(CDBRoutePoints& links)
{
    std::vector<std::string> out;
    links.SelectTag("T_ORDER");
    for (bool ok = links.GoTop(); ok; ok = links.SkipForward())
        out.push_back(std::to_string(links.m_order) + ":" + links.Waypoints().m_name);
    return out;
}

std::vector<std::string> Expected(const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < names.size(); ++i)
        out.push_back(std::to_string(i + 1) + ":" + names[i]);
    return out;
}

bool AddPoint(CDBRoutePoints& links, const std::string& name)
{
    links.Waypoints().ClearRecord();
    links.Waypoints().m_name = name;
    links.Waypoints().m_position = geo::CPosition(50.0, -1.0, 0.0, -1);
    links.m_link = 1;
    return links.AppendPoint();
}

class RouteTables : public ::testing::Test {
protected:
    RouteTables() { routes.SetFilePath(dir / "routes"); }
    bool AddRoute(const std::string& name)
    {
        routes.ClearRecord();
        routes.m_name = name;
        return routes.AppendNew() && routes.FlushIfOpen();
    }
    brine_test::TempFolder dir;
    CDBRoute routes;
};

}   // namespace

TEST_F(RouteTables, NewRouteGetsFreshLinkAndWaypointTables)
{
    fs::create_directories(dir / "routes.X/00000001");
    std::ofstream(dir / "routes.X/00000001/stale.txt") << "left by a deleted route";
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Solent"));
    EXPECT_EQ(routes.GetId(), 1);
    EXPECT_FALSE(fs::exists(dir / "routes.X/00000001/stale.txt"));
    EXPECT_TRUE(fs::exists(dir / "routes.X/00000001.dbf"));
    EXPECT_TRUE(fs::exists(dir / "routes.X/00000001/00000001.dbf"));
    EXPECT_TRUE(fs::exists(dir / "routes.X/00000001/00000001.X/MEMOS.dbf"));
    ASSERT_TRUE(AddPoint(routes.Points(), "Needles"));
    EXPECT_EQ(routes.Points().m_link, 1);

    // Attachments in slots 1 and 3 only; emptying slot 1 deletes its record.
    routes.m_attachment[1] = "/a/one.pdf";
    routes.m_attachment[3] = "/a/three.pdf";
    ASSERT_TRUE(routes.Update() && routes.FlushIfOpen() && routes.Attachments().FlushIfOpen());
    auto attachmentTypes = [&] {
        dbase::CDbaseEngine engine;
        auto t = engine.Open((dir / "routes.X/ATTCHMTS").string());
        std::string types;
        for (int rc = t->Top(); rc == 0; rc = t->Skip(1))
            types +=
                std::string(t->Deleted() ? "*" : "") + std::string(t->Field("TYPE")->Bytes()) + " ";
        t->Close();
        return types;
    };
    EXPECT_EQ(attachmentTypes(), "001 003 ");
    routes.m_attachment[1].clear();
    ASSERT_TRUE(routes.Update() && routes.FlushIfOpen() && routes.Attachments().FlushIfOpen());
    EXPECT_EQ(attachmentTypes(), "*001 003 ");

    // Moving to a route shows its first point; a route without points leaves
    // the link table open and empty.
    ASSERT_TRUE(AddRoute("Empty"));
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(routes.m_name, "Solent");
    EXPECT_EQ(routes.Points().Waypoints().m_name, "Needles");
    ASSERT_TRUE(routes.SkipForward());
    EXPECT_EQ(routes.m_name, "Empty");
    EXPECT_TRUE(routes.Points().IsOpen());
    EXPECT_TRUE(routes.Points().IsEmpty());

    // Deleting a route takes its link and waypoint files away.
    ASSERT_TRUE(routes.GoTop());
    ASSERT_TRUE(routes.DeleteRecord());
    EXPECT_FALSE(fs::exists(dir / "routes.X/00000001.dbf"));
    EXPECT_FALSE(fs::exists(dir / "routes.X/00000001"));
}

TEST_F(RouteTables, OrderStaysOneToNOverRandomEdits)
{
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Random"));
    CDBRoutePoints& links = routes.Points();

    // The case that renumbering while walking the tag got wrong.
    std::vector<std::string> model;
    for (int i = 1; i <= 5; ++i) {
        model.push_back("P" + std::to_string(i));
        ASSERT_TRUE(AddPoint(links, model.back()));
    }
    ASSERT_TRUE(links.ReverseOrder());
    std::reverse(model.begin(), model.end());
    ASSERT_TRUE(AddPoint(links, "N"));
    ASSERT_TRUE(links.InsertAtOrder(2));
    model.insert(model.begin() + 1, "N");
    ASSERT_EQ(PointList(links), Expected(model));

    std::mt19937 rng(20240611);
    int serial = 0;
    for (int step = 0; step < 150; ++step) {
        const int op = int(rng() % 4);
        if (op == 0 || model.empty()) {
            const std::string name = "A" + std::to_string(++serial);
            ASSERT_TRUE(AddPoint(links, name));
            model.push_back(name);
        } else if (op == 1) {
            const std::string name = "I" + std::to_string(++serial);
            ASSERT_TRUE(AddPoint(links, name));
            const long n = long(rng() % (model.size() + 1)) + 1;
            ASSERT_TRUE(links.InsertAtOrder(n));
            model.insert(model.begin() + (n - 1), name);
        } else if (op == 2) {
            const long n = long(rng() % model.size()) + 1;
            ASSERT_TRUE(links.GoOrdinal(n));
            ASSERT_EQ(links.Waypoints().m_name, model[size_t(n - 1)]);
            ASSERT_TRUE(links.DeleteRecord());
            model.erase(model.begin() + (n - 1));
        } else {
            const long n = long(rng() % model.size()) + 1;
            ASSERT_TRUE(links.GoOrdinal(n));
            ASSERT_TRUE(links.ReverseOrder());
            std::reverse(model.begin(), model.end());
            EXPECT_EQ(links.GetOrdinal(), n);
        }
        ASSERT_EQ(PointList(links), Expected(model)) << "step " << step << " op " << op;
    }
    // Deleted links took their waypoints along.
    EXPECT_EQ(links.Waypoints().GetRecordCount(), long(model.size()));
}

TEST_F(RouteTables, LinkFindsItsPointByIdAndAFailedLinkTakesThePointBack)
{
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Ids"));
    CDBRoutePoints& links = routes.Points();
    // A waypoint without a link puts the two tables' ids out of step.
    links.Waypoints().ClearRecord();
    links.Waypoints().m_name = "Unlinked";
    ASSERT_TRUE(links.Waypoints().AppendNew());
    ASSERT_TRUE(AddPoint(links, "Linked"));
    EXPECT_EQ(links.GetId(), 1);
    EXPECT_EQ(links.m_pointId, 2);
    ASSERT_TRUE(links.GoTop());
    EXPECT_EQ(links.Waypoints().m_name, "Linked");

    // Another handle holds the link table: the append fails and the new
    // waypoint goes again.
    CDBRoutePoints::SharedEngine().lockWaitMs = 50;
    dbase::CDbaseEngine& engine = CDBRoutePoints::SharedEngine();
    auto other = engine.Open((dir / "routes.X/00000001").string());
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->Lock(), 0);
    EXPECT_FALSE(AddPoint(links, "Refused"));
    other->Unlock();
    other->Close();
    CDBRoutePoints::SharedEngine().lockWaitMs = 2000;
    EXPECT_EQ(links.Waypoints().GetRecordCount(), 2);
    EXPECT_EQ(PointList(links), (std::vector<std::string>{"1:Linked"}));
}

TEST_F(RouteTables, CopyAndMoveTakeEveryRouteAlong)
{
    ASSERT_TRUE(routes.Open());
    for (const char* name : {"One", "Two", "Three"}) {
        ASSERT_TRUE(AddRoute(name));
        ASSERT_TRUE(AddPoint(routes.Points(), std::string(name) + " start"));
        ASSERT_TRUE(AddPoint(routes.Points(), std::string(name) + " end"));
    }
    ASSERT_TRUE(routes.GoTop());
    ASSERT_TRUE(routes.DeleteRecord());
    ASSERT_TRUE(routes.CopyTo(dir / "copy/Routes"));
    for (const char* f :
         {"copy/Routes.dbf", "copy/Routes.X/ATTCHMTS.dbf", "copy/Routes.X/00000002.dbf",
          "copy/Routes.X/00000002/00000002.dbf", "copy/Routes.X/00000003/00000003.dbf"})
        EXPECT_TRUE(fs::exists(dir / f)) << f;
    EXPECT_FALSE(fs::exists(dir / "copy/Routes.X/00000001.dbf"));

    // A pushed position brings back both the route and its point.
    ASSERT_TRUE(routes.GoBottom());
    ASSERT_TRUE(routes.Points().SkipForward());
    routes.PushPosition();
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(routes.m_name, "Two");
    ASSERT_TRUE(routes.PopPosition());
    EXPECT_EQ(routes.m_name, "Three");
    EXPECT_EQ(routes.Points().Waypoints().m_name, "Three end");

    ASSERT_TRUE(routes.MoveTo(dir / "moved"));
    EXPECT_FALSE(fs::exists(dir / "routes.X"));
    ASSERT_TRUE(routes.GoBottom());
    EXPECT_EQ(routes.m_name, "Three");
    EXPECT_EQ(PointList(routes.Points()),
              (std::vector<std::string>{"1:Three start", "2:Three end"}));
}

// No open empties a route database or keeps it from being written: a caller's
// read-only and recreate requests are not passed on to its tables.
TEST_F(RouteTables, OpenNeverRecreatesNorOpensReadOnly)
{
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Kept"));
    ASSERT_TRUE(AddPoint(routes.Points(), "Kept start"));
    ASSERT_TRUE(routes.Close());

    ASSERT_TRUE(routes.Open(true, true));
    EXPECT_FALSE(routes.IsReadOnly());
    ASSERT_EQ(routes.GetRecordCount(), 1);
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(PointList(routes.Points()), (std::vector<std::string>{"1:Kept start"}));
    ASSERT_TRUE(AddPoint(routes.Points(), "Kept end"));
    ASSERT_TRUE(AddRoute("Added"));
    EXPECT_EQ(routes.GetRecordCount(), 2);
    ASSERT_TRUE(routes.Close());

    CDBRoutePoints links;
    links.SetFilePath(dir / "routes.X/00000001");
    ASSERT_TRUE(links.Open(true, true));
    EXPECT_FALSE(links.IsReadOnly());
    EXPECT_EQ(PointList(links), (std::vector<std::string>{"1:Kept start", "2:Kept end"}));
}

// A link of another kind than 0 does not own its point: deleting it leaves
// the waypoint. A link whose waypoint is gone leaves the waypoint members
// as they were. Attachment records of a slot beyond 3 are
// not loaded into any slot.
TEST_F(RouteTables, LinksOfAnotherKindKeepTheirPointAndStrayRecordsAreSkipped)
{
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Kinds"));
    CDBRoutePoints& links = routes.Points();
    EXPECT_EQ(links.GetLastOrder(), 0);
    ASSERT_TRUE(links.ReverseOrder());   // nothing to reverse
    EXPECT_TRUE(links.IsEmpty());
    for (const char* name : {"A", "B", "C", "D"})
        ASSERT_TRUE(AddPoint(links, name));
    EXPECT_EQ(links.GetLastOrder(), 4);

    ASSERT_TRUE(links.GoOrdinal(2));
    links.m_type = 1;
    ASSERT_TRUE(links.Update() && links.FlushIfOpen());
    ASSERT_TRUE(links.GoOrdinal(2));
    ASSERT_EQ(links.m_type, 1);
    ASSERT_TRUE(links.DeleteRecord());
    EXPECT_EQ(PointList(links), (std::vector<std::string>{"1:A", "2:C", "3:D"}));
    EXPECT_EQ(links.Waypoints().GetRecordCount(), 4);   // B stays in the waypoint table

    ASSERT_TRUE(links.GoOrdinal(2));
    ASSERT_TRUE(links.DeleteRecord());   // C, of kind 0, goes with its link
    EXPECT_EQ(PointList(links), (std::vector<std::string>{"1:A", "2:D"}));
    EXPECT_EQ(links.Waypoints().GetRecordCount(), 3);

    // D's waypoint marked deleted behind the link's back.
    ASSERT_TRUE(links.GoOrdinal(2));
    ASSERT_EQ(links.Waypoints().m_name, "D");
    ASSERT_TRUE(links.Waypoints().DeleteRecord() && links.Waypoints().FlushIfOpen());
    ASSERT_TRUE(links.GoTop());
    ASSERT_EQ(links.Waypoints().m_name, "A");
    ASSERT_TRUE(links.SkipForward());   // the move lands on the link all the same
    EXPECT_EQ(links.m_order, 2);
    EXPECT_EQ(links.Waypoints().m_name, "A");

    // Slot 7 written by some other program, and slot 2 of the route.
    CDBAttachments& attachments = routes.Attachments();
    attachments.m_masterId = routes.GetId();
    attachments.m_slot = 7;
    attachments.m_data = "/stray.pdf";
    ASSERT_TRUE(attachments.AppendNew() && attachments.FlushIfOpen());
    routes.m_attachment[2] = "/two.pdf";
    ASSERT_TRUE(routes.Update() && routes.FlushIfOpen() && attachments.FlushIfOpen());
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(routes.m_attachment[0], "");
    EXPECT_EQ(routes.m_attachment[1], "");
    EXPECT_EQ(routes.m_attachment[2], "/two.pdf");
    EXPECT_EQ(routes.m_attachment[3], "");
}

// Packing reaches the attachments, the open link table with its waypoints,
// then the routes; deleting the files takes the companion folder along.
TEST_F(RouteTables, PackAndDeleteFilesReachEveryTable)
{
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(AddRoute("Gone"));
    routes.m_attachment[0] = "/gone.pdf";
    ASSERT_TRUE(routes.Update() && routes.FlushIfOpen());
    ASSERT_TRUE(AddRoute("Kept"));
    for (const char* name : {"A", "B", "C"})
        ASSERT_TRUE(AddPoint(routes.Points(), name));
    ASSERT_TRUE(routes.Points().GoOrdinal(2));
    ASSERT_TRUE(routes.Points().DeleteRecord());
    ASSERT_TRUE(routes.GoTop());
    ASSERT_TRUE(routes.DeleteRecord());
    ASSERT_TRUE(routes.GoTop());
    ASSERT_EQ(routes.m_name, "Kept");

    ASSERT_TRUE(routes.Pack());
    auto physical = [&](const fs::path& table) {
        dbase::CDbaseEngine engine;
        auto t = engine.Open(table.string());
        const long n = t ? t->RecordCount() : -1;
        if (t)
            t->Close();
        return n;
    };
    EXPECT_EQ(physical(dir / "routes.X/ATTCHMTS"), 0);
    EXPECT_EQ(physical(dir / "routes.X/00000002"), 2);
    EXPECT_EQ(physical(dir / "routes.X/00000002/00000002"), 2);
    EXPECT_EQ(physical(dir / "routes"), 1);
    EXPECT_EQ(PointList(routes.Points()), (std::vector<std::string>{"1:A", "2:C"}));

    ASSERT_TRUE(routes.Close());
    EXPECT_FALSE(routes.Points().IsOpen());
    EXPECT_FALSE(routes.Attachments().IsOpen());
    ASSERT_TRUE(routes.DeleteFiles());
    EXPECT_FALSE(fs::exists(dir / "routes.X"));
    EXPECT_FALSE(fs::exists(dir / "routes.dbf"));
}
