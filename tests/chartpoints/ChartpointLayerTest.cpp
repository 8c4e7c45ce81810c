// A chart view's chartpoint layer kept by the module's hints, drawn through
// the recording backend on a blank chart over Puget Sound.
#include "chartpoints/ChartpointLayer.h"
#include "chartpoints/ChartpointModule.h"

#include "geo/DatumInfo.h"

#include "../chart/overlays/OverlayTestSupport.h"
#include "ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace chartpoints;
using overlay_test::Chart;
using overlay_test::Recorder;
using platform::PromptAnswer;

namespace {

TEST(ChartpointLayer, BuiltAtOpenAndKeptByEveryHint)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    module.SetUi(&panel);
    module.Properties().drawId = true;
    module.Properties().drawName = true;

    // Admiralty Inlet to Seattle in 800 x 400 pixels.
    Chart chart(geo::CPosition(48.2, -122.9), geo::CPosition(47.5, -122.2));
    int invalidations = 0;
    CChartpointViewLayer layer(*chart.doc, module.Properties(), [&] { ++invalidations; });
    module.AddListener(&layer);
    // The view's chartpoint counters follow the marks on the chart.
    chart::CChartViewPipeline pipeline(*chart.doc, nullptr);
    layer.SetReferenceCounting(&pipeline);
    const auto onChart = [&pipeline] { return pipeline.Counters().chartpoints[0]; };

    const auto add = [&](const char* id, const char* name, double lat, double lon) {
        module.OnNew();
        panel.edited = module.Current();
        panel.edited.m_id = id;
        panel.edited.m_name = name;
        panel.edited.m_position = geo::CPosition(lat, lon, 0.0, geo::DatumIndexWGS84());
        panel.modified = true;
        ASSERT_TRUE(module.OnApply());
    };
    ASSERT_TRUE(module.OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    module.OnEdit();
    add("PWL", "Point Wilson", 48.1442, -122.7545);
    add("PNP", "Point No Point", 47.9120, -122.5262);
    add("WPT", "West Point", 47.6619, -122.4355);
    EXPECT_EQ(layer.Count(), 3u);
    EXPECT_EQ(onChart(), 3);

    // Reopened: built once from the table, the current mark selected.
    module.CloseDatabase(true);
    ASSERT_TRUE(module.OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    EXPECT_EQ(layer.Count(), 3u);
    ASSERT_NE(layer.Selected(), nullptr);
    module.OnEdit();

    // A paint draws from the list alone: with the table closed behind the
    // layer's back every mark and label still draws.
    module.Table().Close();
    Recorder rec;
    layer.StaticSource().Draw(*chart.doc, rec.dc);
    std::vector<std::string> texts = rec.Texts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"CPPNP Point No Point", "CPWPT West Point"}));
    // The current mark reads its name, then its ID, without the prefix.
    Recorder current;
    layer.CurrentSource().Draw(*chart.doc, current.dc);
    EXPECT_EQ(current.Texts(), (std::vector<std::string>{"Point Wilson PWL"}));
    EXPECT_EQ(rec.Of(chart::DrawOp::Ellipse).size() + current.Of(chart::DrawOp::Ellipse).size(),
              3u);
    ASSERT_TRUE(module.Table().Open());
    module.Table().GoTop();
    module.NotifyCurrentChanged();

    // The mark under a point is found; a move rewrites only that mark.
    const long first = module.Table().GetRecNo();
    const geo::IntPoint at = chart.ClientPoint(geo::CPosition(48.1442, -122.7545));
    EXPECT_EQ(layer.FindAt(at), first);
    EXPECT_EQ(layer.FindAt({at.x + 40, at.y + 40}), std::nullopt);
    const int before = invalidations;
    ASSERT_TRUE(module.MoveCurrentTo(geo::CPosition(48.10, -122.70, 0.0, geo::DatumIndexWGS84())));
    EXPECT_GT(invalidations, before);
    EXPECT_NEAR(layer.Find(first)->GetPosition().GetLatitude(), 48.10, 1e-9);
    EXPECT_EQ(layer.FindAt(at), std::nullopt);
    EXPECT_TRUE(panel.locked);

    // Delete removes one, New appends one.
    prompt.Expect(PromptAnswer::Yes);
    module.OnDelete();
    EXPECT_EQ(layer.Count(), 2u);
    EXPECT_EQ(onChart(), 2);
    EXPECT_EQ(layer.Find(first), nullptr);
    module.AddChartpointAt(geo::CPosition(47.5763, -122.4208, 0.0, geo::DatumIndexWGS84()));
    EXPECT_EQ(layer.Count(), 3u);
    EXPECT_EQ(layer.Selected(), layer.Find(module.Table().GetRecNo()));

    // Hidden: nothing is found, nothing is on.
    module.OnShowHide();
    EXPECT_FALSE(layer.StaticSource().IsOn());
    EXPECT_EQ(layer.FindAt(chart.ClientPoint(geo::CPosition(47.5763, -122.4208))), std::nullopt);

    module.CloseDatabase(true);
    EXPECT_EQ(layer.Count(), 3u);   // a quiet close tells no one
    module.OpenDatabase({});
    EXPECT_EQ(layer.Count(), 0u);
    EXPECT_EQ(onChart(), 0);
    module.RemoveListener(&layer);
}

TEST(ChartpointLayer, TheCurrentMarksLabelIsItsNameThenItsId)
{
    chart::CChartpointProperties props;
    chart::COverlayChartpoint cp;
    cp.name = "West Point";
    cp.idText = "WPT";
    props.drawName = props.drawId = true;
    EXPECT_EQ(CChartpointViewLayer::CurrentLabel(props, cp), "West Point WPT");
    props.drawName = false;
    EXPECT_EQ(CChartpointViewLayer::CurrentLabel(props, cp), "WPT");
    props.drawName = true;
    props.drawId = false;
    EXPECT_EQ(CChartpointViewLayer::CurrentLabel(props, cp), "West Point");
    // An empty name leaves no blank before the ID; an empty ID adds nothing.
    props.drawId = true;
    cp.name.clear();
    EXPECT_EQ(CChartpointViewLayer::CurrentLabel(props, cp), "WPT");
    cp.name = "West Point";
    cp.idText.clear();
    EXPECT_EQ(CChartpointViewLayer::CurrentLabel(props, cp), "West Point");
}

}   // namespace
