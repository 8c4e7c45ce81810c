#include "chart/ChartViewPipeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "../support/FakeChartWindow.h"
#include "chart/ChartDoc.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/RecordingBackend.h"

using chart::CChartViewPipeline;
using chart::DynamicLayer;
using chart::StaticLayer;

namespace {

struct CountingDoc : chart::CChartDoc {
    int chartDraws = 0, gridDraws = 0, folioDraws = 0, dragDraws = 0;
    bool opens = true;
    bool OpenChart(const std::string&) override { return opens; }
    int DrawChart(chart::CXDC&) override { return ++chartDraws; }
    bool DrawGrid(chart::CXDC&) override { return ++gridDraws > 0; }
    bool DrawFolioBoxes(chart::CXDC&) override { return ++folioDraws > 0; }
    void DrawDragRect(chart::CXDC&) override { ++dragDraws; }
};

// A layer that notes when it draws, in a log shared by all layers.
struct LoggingLayer : chart::CLayerSource {
    LoggingLayer(std::string n, std::vector<std::string>& log, bool on = true)
        : name(std::move(n)), log(log), on(on)
    { }
    bool IsOn() const override { return on; }
    void Draw(chart::CChartDoc&, chart::CXDC&) override
    {
        if (throws)
            throw std::runtime_error("layer failed");
        log.push_back(name);
    }
    std::string name;
    std::vector<std::string>& log;
    bool on;
    bool throws = false;
};

// A target layer whose targets are the given keys; it notes each target it
// draws, whole or one at a time.
struct TargetLayer : chart::CTargetLayerSource {
    TargetLayer(std::string n, std::vector<int> own, std::vector<std::string>& log)
        : name(std::move(n)), keys(std::move(own)), log(log)
    { }
    bool IsOn() const override { return on; }
    void Draw(chart::CChartDoc&, chart::CXDC&) override
    {
        ++passes;
        for (int k : keys)
            log.push_back(name + std::to_string(k));
    }
    void BeginPass() override { ++passes; }
    bool DrawTarget(chart::CChartDoc&, chart::CXDC&, const void* key) override
    {
        for (const int& k : keys)
            if (&kKeys[k] == key) {
                log.push_back(name + std::to_string(k));
                return true;
            }
        return false;
    }
    static inline const int kKeys[8] = {};
    std::string name;
    std::vector<int> keys;
    std::vector<std::string>& log;
    bool on = true;
    int passes = 0;
};

struct PipelineTest : ::testing::Test {
    PipelineTest()
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        EXPECT_TRUE(doc.OnOpenDocument("x"));
    }
    brine_test::FakeChartWindow window{{0, 0, 64, 48}};
    CountingDoc doc;
    chart::CScreenBuffer buffers{nullptr, 64, 48};
    CChartViewPipeline pipeline{doc, nullptr};
    std::vector<std::string> log;
};

}   // namespace

TEST_F(PipelineTest, ThreeRedrawLevelsByCallCounts)
{
    LoggingLayer chartpoints("chartpoints", log), vessel("vessel", log);
    pipeline.SetSource(StaticLayer::Chartpoints, &chartpoints);
    pipeline.SetSource(DynamicLayer::OwnVessel, &vessel);
    struct Step {
        const char* what;
        void (CChartViewPipeline::*request)();
        int chart, statics, dynamics;
    };
    const Step steps[] = {
        {"first paint draws everything", nullptr, 1, 1, 1},
        {"a bare repaint: the dynamic layers only", nullptr, 1, 1, 2},
        {"overlays: static and dynamic", &CChartViewPipeline::InvalidateOverlays, 1, 2, 3},
        {"chart: all three", &CChartViewPipeline::InvalidateChart, 2, 3, 4},
    };
    for (const Step& s : steps) {
        if (s.request)
            (pipeline.*s.request)();
        ASSERT_TRUE(pipeline.Render(buffers)) << s.what;
        EXPECT_EQ(doc.chartDraws, s.chart) << s.what;
        EXPECT_EQ(std::count(log.begin(), log.end(), "chartpoints"), s.statics) << s.what;
        EXPECT_EQ(std::count(log.begin(), log.end(), "vessel"), s.dynamics) << s.what;
        EXPECT_FALSE(pipeline.IsChartDirty() || pipeline.AreOverlaysDirty());
    }
}

TEST_F(PipelineTest, LayerOrderAndSwitches)
{
    std::vector<std::unique_ptr<LoggingLayer>> layers;
    for (int i = 0; i < chart::kStaticLayerCount; ++i) {
        layers.push_back(std::make_unique<LoggingLayer>("s" + std::to_string(i), log, i != 5));
        pipeline.SetSource(static_cast<StaticLayer>(i), layers.back().get());
    }
    for (int i = 0; i < chart::kDynamicLayerCount; ++i) {
        layers.push_back(std::make_unique<LoggingLayer>("d" + std::to_string(i), log, i != 2));
        pipeline.SetSource(static_cast<DynamicLayer>(i), layers.back().get());
    }
    ASSERT_TRUE(pipeline.Render(buffers));
    // Folio boxes, grid and range and bearing are the view's own layers;
    // layer s5 and d2 are switched off.
    EXPECT_EQ(log, (std::vector<std::string>{"s0", "s3", "s4", "s6", "s7", "s8", "s9", "s11", "s12",
                                             "d0", "d1", "d3", "d4", "d5", "d6", "d7"}));
    EXPECT_EQ(doc.folioDraws, 1);   // on by default
    EXPECT_EQ(doc.gridDraws, 0);   // off by default
    EXPECT_EQ(doc.dragDraws, 0);
    pipeline.SetDragging(true);
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(doc.dragDraws, 1);
}

// Radar targets and tenders are drawn in the order the vessel list gives,
// whatever their kind: a later vessel lies over an earlier one.
TEST_F(PipelineTest, TargetsOfBothKindsInTheVesselListsOrder)
{
    TargetLayer arpa("a", {1, 3}, log), tenders("t", {0, 2, 4}, log);
    pipeline.SetSource(DynamicLayer::Targets, &arpa);
    pipeline.SetSource(DynamicLayer::TenderTargets, &tenders);
    // Without an order each layer draws its own in turn.
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "a3", "t0", "t2", "t4"}));

    std::vector<int> order = {2, 1, 0, 5, 4, 3};   // 5 is a vessel neither layer draws
    pipeline.SetTargetOrder([&order](std::vector<const void*>& keys) {
        for (int k : order)
            keys.push_back(&TargetLayer::kKeys[k]);
    });
    log.clear();
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(log, (std::vector<std::string>{"t2", "a1", "t0", "t4", "a3"}));
    EXPECT_EQ(arpa.passes, 2);
    EXPECT_EQ(tenders.passes, 2);

    // A layer switched off draws none of its targets; the other keeps the order.
    arpa.on = false;
    log.clear();
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(log, (std::vector<std::string>{"t2", "t0", "t4"}));
    arpa.on = true;
    // Tenders alone, and a layer that can only draw as a whole, in turn.
    pipeline.SetSource(DynamicLayer::Targets, nullptr);
    log.clear();
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(log, (std::vector<std::string>{"t2", "t0", "t4"}));
    LoggingLayer whole("w", log);
    pipeline.SetSource(DynamicLayer::Targets, &whole);
    log.clear();
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_EQ(log, (std::vector<std::string>{"w", "t0", "t2", "t4"}));
}

TEST_F(PipelineTest, APaintThatCannotDrawKeepsTheFlags)
{
    LoggingLayer broken("broken", log);
    broken.throws = true;
    pipeline.SetSource(StaticLayer::Route, &broken);
    EXPECT_FALSE(pipeline.Render(buffers));
    EXPECT_TRUE(pipeline.IsChartDirty());
    EXPECT_TRUE(pipeline.AreOverlaysDirty());
    broken.throws = false;
    EXPECT_TRUE(pipeline.Render(buffers));
    EXPECT_FALSE(pipeline.IsChartDirty());

    CountingDoc closed;   // never opened: nothing is drawn
    CChartViewPipeline idle(closed, nullptr);
    EXPECT_FALSE(idle.Render(buffers));
    EXPECT_EQ(closed.chartDraws, 0);
    EXPECT_TRUE(idle.IsChartDirty());
}

TEST_F(PipelineTest, APaintInsideAnotherViewsPaintReturnsAtOnce)
{
    // A second view of the same chart, painted from inside the first one's paint.
    CChartViewPipeline other{doc, nullptr};
    chart::CScreenBuffer otherBuffers{nullptr, 64, 48};
    struct Nested : chart::CLayerSource {
        CChartViewPipeline* inner = nullptr;
        chart::CScreenBuffer* buffers = nullptr;
        bool drawn = true;
        bool IsOn() const override { return true; }
        void Draw(chart::CChartDoc&, chart::CXDC&) override { drawn = inner->Render(*buffers); }
    } nested;
    nested.inner = &other;
    nested.buffers = &otherBuffers;
    pipeline.SetSource(DynamicLayer::OwnVessel, &nested);
    ASSERT_TRUE(pipeline.Render(buffers));
    EXPECT_FALSE(nested.drawn);
    EXPECT_EQ(doc.chartDraws, 1);
    EXPECT_TRUE(other.IsChartDirty());   // left for its own next paint
    // Once the first paint is over the second view paints.
    EXPECT_TRUE(other.Render(otherBuffers));
    EXPECT_FALSE(other.IsChartDirty());
}

TEST_F(PipelineTest, PaletteOneIsDuskTwoNightAnyOtherDay)
{
    const auto* day = &doc.GetPaletteColours(chart::kPaletteDay);
    EXPECT_EQ(&doc.GetPaletteColours(1), &doc.GetPaletteColours(chart::kPaletteDusk));
    EXPECT_EQ(&doc.GetPaletteColours(2), &doc.GetPaletteColours(chart::kPaletteNight));
    EXPECT_NE(&doc.GetPaletteColours(1), day);
    EXPECT_NE(&doc.GetPaletteColours(2), day);
    for (int other : {-1, 3, 7, 255})
        EXPECT_EQ(&doc.GetPaletteColours(other), day) << other;
}

TEST(ReferenceCounters, StopAtZeroAndAtTheTop)
{
    std::array<std::uint16_t, 3> c{};
    chart::CReferenceCounters::Count(c, true, true, true, false);   // uncount from 0
    EXPECT_EQ(c, (std::array<std::uint16_t, 3>{0, 0, 0}));
    chart::CReferenceCounters::Count(c, true, false, true, true);
    chart::CReferenceCounters::Count(c, true, false, true, true);
    chart::CReferenceCounters::Count(c, true, false, false, false);
    EXPECT_EQ(c, (std::array<std::uint16_t, 3>{1, 0, 2}));
    c[0] = UINT16_MAX;
    chart::CReferenceCounters::Count(c, true, false, false, true);
    EXPECT_EQ(c[0], UINT16_MAX);
}
