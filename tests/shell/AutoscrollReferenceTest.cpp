// The navigator's following chart is forgotten when its document closes in
// the following window: nothing reaches the closed chart afterwards, and the
// next attach takes another following window when there is one.

#include <gtest/gtest.h>

#include <memory>

#include "../support/FakeChartWindow.h"
#include "../support/TempFolder.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "shell/AutoscrollWindowHost.h"

namespace {

struct Home : app::CSettingsHome {
    explicit Home(platform::CSettingsStore& s) : store(s) { }
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\Follow"; }
    platform::CSettingsStore& store;
};

// A chart that opens, holds every position outside its autoscroll area and
// counts the re-centrings asked of it.
class CountingDoc : public chart::CChartDoc {
public:
    using CChartDoc::CChartDoc;
    bool OpenChart(const std::string&) override { return true; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool IsInAutoscrollArea(const geo::CPosition&) override { return false; }
    bool CentreOnPosition(const geo::CPosition&, bool) override
    {
        ++centred;
        return true;
    }
    int centred = 0;
};

}   // namespace

TEST(AutoscrollReference, AClosedFollowingChartIsForgotten)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    Home home(store);
    chart::CChartingModule charting(home, chart::CChartingServices{});
    brine_test::FakeChartWindow firstWindow({0, 0, 100, 100}, chart::kFrameAutoscroll);
    brine_test::FakeChartWindow secondWindow({0, 0, 100, 100}, chart::kFrameAutoscroll);
    CountingDoc first(&charting), second(&charting);
    firstWindow.doc = &first;
    secondWindow.doc = &second;
    first.AttachWindow(&firstWindow);
    second.AttachWindow(&secondWindow);
    ASSERT_TRUE(first.OnOpenDocument("a"));

    int opened = 0;
    shell::CAutoscrollWindowHost host(charting, [&opened](const std::string&, int) {
        ++opened;
        return nullptr;
    });
    geo::CPosition none;
    none.Invalidate();
    ASSERT_TRUE(host.AttachAutoscrollWindow(none));
    EXPECT_TRUE(host.HasAutoscrollWindow());
    host.AutoscrollToPosition(geo::CPosition(50, 5));
    EXPECT_EQ(first.centred, 1);

    first.OnCloseDocument();
    EXPECT_FALSE(host.HasAutoscrollWindow());
    host.AutoscrollToPosition(geo::CPosition(50, 5));
    EXPECT_EQ(first.centred, 1);

    // The next attach takes the following window open by then, without
    // opening one of its own.
    ASSERT_TRUE(second.OnOpenDocument("b"));
    ASSERT_TRUE(host.AttachAutoscrollWindow(none));
    EXPECT_TRUE(host.HasAutoscrollWindow());
    EXPECT_EQ(opened, 0);
    host.AutoscrollToPosition(geo::CPosition(50, 5));
    EXPECT_EQ(first.centred, 1);
    EXPECT_EQ(second.centred, 1);
    second.OnCloseDocument();
    EXPECT_FALSE(host.HasAutoscrollWindow());
}
