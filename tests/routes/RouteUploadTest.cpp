// Route upload on a fake transmitter: one identifier per waypoint in both
// sentences, numbering, a staging of 500 fed pass by pass, a port lost
// mid-way reported as "k of n sent".

#include "routes/RouteUpload.h"
#include "nmea/OutputSentences.h"

#include <gtest/gtest.h>

using namespace routes;

namespace {

class FakeTransmitter final : public CRouteTransmitter {
public:
    bool CanTransmit() const override { return open; }
    bool SendRoute(const std::string& total, const std::string& number, const std::string& route,
                   const std::string& waypoint, bool) override
    {
        if (!Room())
            return false;
        lines.push_back(nmea::ComposeRte(total, number, "c", route, waypoint));
        return true;
    }
    bool SendWaypoint(const nmea::CUploadPoint& p, bool) override
    {
        if (!Room())
            return false;
        lines.push_back(nmea::ComposeWpl(p.latitudeDeg, p.longitudeDeg, p.name, 2));
        return true;
    }
    bool Room()
    {
        if (!open || staged >= 500)
            return false;
        ++staged;
        return true;
    }
    bool open = true;
    std::size_t staged = 0;
    std::vector<std::string> lines;
};

std::vector<CWaypoint> Route(std::size_t n)
{
    std::vector<CWaypoint> out;
    for (std::size_t i = 0; i < n; ++i) {
        CWaypoint wp(geo::CPosition(48.15 - 0.0005 * double(i), -122.74, 0, 0xFFFF));
        wp.m_name = i == 1 ? "" : "WP" + std::to_string(i + 1);
        wp.m_id = "ID" + std::to_string(i + 1);
        out.push_back(wp);
    }
    return out;
}

}   // namespace

TEST(RouteUploadPlan, UnnamedWaypointIsItsOrdinalInBothSentences)
{
    FakeTransmitter tx;
    CRouteUpload upload(CUploadChoice{}, "Admiralty Inlet  ", Route(3));
    ASSERT_EQ(upload.Feed(tx), CRouteUpload::State::Done);
    ASSERT_EQ(tx.lines.size(), 6u);
    EXPECT_EQ(tx.lines[0], "$ECRTE,3,1,c,Admiralty Inlet,WP1");
    EXPECT_EQ(tx.lines[2], "$ECRTE,3,2,c,Admiralty Inlet,2");
    EXPECT_NE(tx.lines[3].find(",2"), std::string::npos);
    EXPECT_EQ(tx.lines[3].substr(tx.lines[3].rfind(',') + 1), "2");
    EXPECT_EQ(upload.Progress(), "3 of 3 sent");
}

TEST(RouteUploadPlan, NumberingFromTenWithNames)
{
    CUploadChoice choice;
    choice.waypointMode = 3;
    choice.firstWaypointNumber = 10;
    const auto route = Route(3);
    EXPECT_EQ(UploadWaypointIdentifier(choice, route[0], 0), "10 WP1");
    EXPECT_EQ(UploadWaypointIdentifier(choice, route[1], 1), "11");
    choice.routeMode = 2;
    choice.routeNumber = 7;
    EXPECT_EQ(UploadRouteIdentifier(choice, "Ignored"), "7");
    choice.routeMode = 1;
    EXPECT_EQ(UploadRouteIdentifier(choice, "   "), "7");
}

TEST(RouteUploadFeed, ThousandWaypointsPassTheStagingAndALostPortCounts)
{
    FakeTransmitter tx;
    CRouteUpload upload(CUploadChoice{}, "Long", Route(1000));
    int passes = 0;
    while (upload.Feed(tx) == CRouteUpload::State::Sending && passes < 100) {
        ++passes;
        tx.staged = 0;   // the port drained between timer passes
    }
    EXPECT_EQ(upload.GetState(), CRouteUpload::State::Done);
    EXPECT_EQ(passes, 3);   // 2,000 sentences through a staging of 500
    EXPECT_EQ(tx.lines.size(), 2000u);

    FakeTransmitter lost;
    CRouteUpload cut(CUploadChoice{}, "Long", Route(1000));
    EXPECT_EQ(cut.Feed(lost), CRouteUpload::State::Sending);
    lost.open = false;
    EXPECT_EQ(cut.Feed(lost), CRouteUpload::State::Failed);
    EXPECT_EQ(cut.Progress(), "250 of 1000 sent");
}
