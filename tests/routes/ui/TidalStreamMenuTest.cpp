// The chart view's right-click "Tidal stream" entry: offered only on the
// chart, where a tidal model covers the place, while tidal data is there and
// neither the atlas nor a stream window is open.

#include "routes/ui/TidalWindows.h"

#include "FakeChartWindow.h"
#include "TidalWindowsOnAModel.h"
#include "chart/ChartDoc.h"

#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "routes_ui_TidalStreamMenuTest";
char* g_argv[] = {g_arg0, nullptr};

// A thousandth of a degree a pixel from 47.7 N 122.5 W; on the chart above y = 100, in a
// window of its own.
class LoadedChart final : public chart::CChartDoc {
public:
    LoadedChart()
    {
        m_window.doc = this;
        AttachWindow(&m_window);
    }
    ~LoadedChart() override { AttachWindow(nullptr); }
    bool IsChartLoaded() const override { return true; }
    bool IsChartPointOnChart(geo::IntPoint p) override { return p.y < 100; }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position = geo::CPosition(47.7 - p.y / 1000.0, -122.5 + p.x / 1000.0);
        return true;
    }

private:
    brine_test::FakeChartWindow m_window{{0, 0, 400, 300}};
};

bool StreamEntryEnabled(routes::CTidalWindows& tides, chart::CChartView& view, geo::IntPoint p)
{
    QMenu menu;
    // The view tells whether the point lies on the chart, as its own menu does.
    tides.AddContextMenu(view, menu, p, chart::MenuSection::TidalStream,
                         view.Doc().IsClientPointOnChart(p));
    EXPECT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions().value(0)->text(), "&Tidal stream");
    return menu.actions().value(0)->isEnabled();
}

TEST(TidalStreamMenu, OfferedOnTheChartWhereAModelCoversThePlace)
{
    QApplication app(g_argc, g_argv);
    // The model covers 47.5 to 47.7 N, 122.5 to 122.3 W.
    brine_test::TidalWindowsOnAModel onModel(tidal::CellQuality::Station);
    ASSERT_TRUE(onModel.ready);
    routes::CTidalWindows& tides = onModel.tides;

    LoadedChart doc;
    chart::CChartView view(doc, nullptr);

    const geo::IntPoint covered{50, 50};   // 47.65 N 122.45 W
    const geo::IntPoint beyondModel{250, 50};   // 47.65 N 122.25 W
    const geo::IntPoint offChart{50, 120};   // 47.58 N 122.45 W, in the model
    ASSERT_TRUE(tides.Models().SelectModelAt(geo::CPosition(47.58, -122.45)));
    EXPECT_TRUE(StreamEntryEnabled(tides, view, covered));
    EXPECT_FALSE(StreamEntryEnabled(tides, view, beyondModel));
    EXPECT_FALSE(StreamEntryEnabled(tides, view, offChart));

    tides.OpenAtlas();
    EXPECT_FALSE(StreamEntryEnabled(tides, view, covered)) << "the atlas is open";
    tides.Terminate();
}

}   // namespace
