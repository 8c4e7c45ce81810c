// The raster chart document on installed fake charts: an inset the
// catalogue has no plan for gets no outline, a sub-panel without outline
// height gives no distance per pixel, the zoom steps, Zoom In from the panel
// under the middle, the colour classes, the service's catalogue answers
// for a chart it does not hold, and where a line toward a position beyond
// the chart heads.

#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "app/DisplayPalettes.h"
#include "charts/vector/BlankChartDoc.h"
#include "support/InstallFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

struct Installed {
    brine_test::TempFolder dir;
    brine_test::Installation in{dir.Path()};
    brine_test::FakeChartWindow window;

    // The charts made, then `prepare` run on the media, then installed.
    // `shape` may give the chart plans of its own areas and the main panel's outline.
    template <class Prepare>
    explicit Installed(Prepare prepare, unsigned insets = 0,
                       const std::function<void(hcrftool::ChartParameters&)>& shape = {})
    {
        in.charts.clear();
        brine_test::FakeChart c;
        c.parameters.chartNumber = "RC1001";
        c.parameters.insets = insets;
        c.width = 520;
        c.height = 400;
        if (shape)
            shape(c.parameters);
        in.charts.push_back(c);
        std::string error;
        EXPECT_TRUE(brine_test::MakeMedia(in.charts, dir / "work", dir / "RC1", "RC1",
                                          dir / "WK10_26", "WK10_26", "20260305", false, error))
            << error;
        prepare();
        in.ui.answers = {(dir / "WK10_26").string()};
        EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
        in.ui.answers = {(dir / "RC1").string()};
        EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
        window.client = geo::IntRect{0, 0, 320, 240};
    }
};

TEST(ChartDocument, InsetBeyondTheCataloguesPlansHasNoOutline)
{
    // The chart has one inset panel, but the installed catalogue entry lists no plan.
    Installed chart([] {}, 1);
    const fs::path cat = chart.in.arcs->UpdateSourcePath("WK10_26") / "ChartCat" / "Chart.cat";
    std::string text = ReadAll(cat);
    ASSERT_EQ(text.substr(156, 2), "01");
    text.replace(156, 2, "00");
    WriteAll(cat, text);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OpenChart(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    EXPECT_FALSE(doc.Panels()[0].Outline().empty());
    EXPECT_TRUE(doc.Panels()[1].Outline().empty());
}

TEST(ChartDocument, SubPanelWithoutOutlineHeightGivesNoDistancePerPixel)
{
    Installed chart([] {});
    // Every outline point of the main sub-panel moved to one latitude.
    const fs::path p00 = chart.in.arcs->ChartFilePath(true, "RC1001", "p00");
    std::string text = ReadAll(p00);
    const std::string end = "\x0B\x0D\x0A";
    std::vector<std::size_t> starts{0};
    for (std::size_t at = text.find(end); at != std::string::npos; at = text.find(end, at + 3))
        starts.push_back(at + 3);
    ASSERT_GT(starts.size(), 7u);
    const std::size_t outline = starts[6];
    const std::string latitude = text.substr(outline, 8);
    for (std::size_t at = outline; at + 17 <= text.size() && text.compare(at, 3, end) != 0;
         at += 17)
        text.replace(at, 8, latitude);
    WriteAll(p00, text);

    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_TRUE(doc.IsChartLoaded());
    std::string resolution = "x";
    double metres = 0;
    EXPECT_FALSE(doc.GetResolutionText(resolution, metres));
    EXPECT_EQ(resolution, "");
}

TEST(ChartDocument, ZoomStepsAndCatalogueAnswersForUnknownCharts)
{
    Installed chart([] {});
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
    ASSERT_TRUE(doc.OnOpenDocument(path));
    std::string resolution;
    double metres = 0;
    EXPECT_TRUE(doc.GetResolutionText(resolution, metres));
    EXPECT_GT(metres, 0);
    // low 1.0 -> zoom out low 0.5; in: low 1.0, high 0.5, 1.0, 2.0; a sixth changes nothing.
    EXPECT_TRUE(doc.ZoomOut());
    EXPECT_TRUE(doc.IsAtMinZoom());
    const std::pair<int, double> steps[] = {{CHCRFDoc::kLow, 1.0},
                                            {CHCRFDoc::kHigh, 0.5},
                                            {CHCRFDoc::kHigh, 1.0},
                                            {CHCRFDoc::kHigh, 2.0}};
    for (const auto& [raster, scale] : steps) {
        EXPECT_TRUE(doc.ZoomIn());
        EXPECT_EQ(doc.ActiveRaster(), raster);
        EXPECT_EQ(doc.DisplayScale(), scale);
    }
    EXPECT_FALSE(doc.ZoomIn());
    EXPECT_TRUE(doc.IsAtMaxZoom());

    // Zooming keeps the place under the middle of the view there, within a
    // few of the new scale's pixels.
    auto middle = [&doc, &chart] {
        geo::IntPoint point;
        doc.ClientToChartPoint({chart.window.client.right / 2, chart.window.client.bottom / 2},
                               point);
        geo::CPosition position;
        EXPECT_TRUE(doc.PointToPosition(point, position));
        return position;
    };
    auto expectKept = [&](const geo::CPosition& before, const char* what) {
        const geo::CPosition after = middle();
        double metres = 0;
        ASSERT_TRUE(doc.GetMetresPerPixel(metres));
        const double tolerance = 3 * metres / 1852.0 / 60.0;
        EXPECT_NEAR(after.GetLatitude(), before.GetLatitude(), tolerance) << what;
        EXPECT_NEAR(after.GetLongitude(), before.GetLongitude(), tolerance * 2) << what;
    };
    doc.PanHorizontal(200);
    doc.PanVertical(150);
    geo::CPosition before = middle();
    ASSERT_TRUE(doc.ZoomOut());   // high 1.0
    expectKept(before, "zoom out");
    doc.PanHorizontal(-60);
    before = middle();
    ASSERT_TRUE(doc.ZoomIn());   // high 2.0
    expectKept(before, "zoom in");
    before = middle();
    ASSERT_TRUE(doc.ZoomToRect(140, 100, 180, 140));
    expectKept(before, "zoom rectangle about the middle");

    // The catalogue's record after a failed seek is not taken for the chart.
    EXPECT_TRUE(chart.in.arcs->IsChartInCatalogue(path));
    EXPECT_FALSE(chart.in.arcs->IsChartInCatalogue("/x/ZZ9999.chr"));
    auto unknown = chart.in.arcs->CreateChartDocFor(*chart.in.charting, "/x/ZZ9999.chr");
    EXPECT_EQ(unknown->GetChartType(), chart::kChartSeafarer);
    auto known = chart.in.arcs->CreateChartDocFor(*chart.in.charting, path);
    EXPECT_EQ(known->GetChartType(), chart::kChartARCS);
    EXPECT_FALSE(unknown->OpenChart("/x/ZZ9999.chr"));
}

// Zoom In starts from the panel under the middle of the view, whichever
// panel was current; the colour classes are those of the active palette.
TEST(ChartDocument, ZoomInTakesThePanelUnderTheMiddleAndColourClassesFollowThePalette)
{
    Installed chart([] {}, 1);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    ASSERT_GT(doc.Panels()[1].SubPanelCount(), 0u);
    // A place of the main panel outside the inset (top right).
    const geo::IntRect inset = doc.Panels()[1].SubPanel(0).PixelBounds();
    ASSERT_GT(inset.left, 150);
    ASSERT_LT(inset.bottom, 250);
    geo::CPosition middle;
    ASSERT_TRUE(doc.PointToPosition({100, 300}, middle));
    // Full detail, the view smaller than the chart; that place in the middle
    // of the view while the inset is current.
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.SelectPanel(1, false));
    ASSERT_TRUE(doc.CentreOnPosition(middle, false));
    ASSERT_EQ(doc.CurrentPanel(), 1u);
    ASSERT_TRUE(doc.ZoomIn());
    EXPECT_EQ(doc.CurrentPanel(), 0u);

    app::CDisplayPalettes palettes;
    chart.in.charting->Services().palettes = &palettes;
    struct Row {
        int palette;
        app::COLORREF colour;
        bool first, second;
    };
    const Row rows[] = {
        {app::CDisplayPalettes::kDay, 0x74AB62, true, false},
        {app::CDisplayPalettes::kDay, 0x7F7FE0, true, false},
        {app::CDisplayPalettes::kDay, 0xFFFFFF, false, true},
        {app::CDisplayPalettes::kDay, 0xD9BE3C, false, true},
        {app::CDisplayPalettes::kDay, 0x5396B9, false, false},   // entry 8: neither
        {app::CDisplayPalettes::kDusk, 0x638051, true, false},
        {app::CDisplayPalettes::kDusk, 0xFFFFFF, false, false},   // Day's water, not Dusk's
        {app::CDisplayPalettes::kNight, 0x071518, true, false},
        {app::CDisplayPalettes::kNight, 0x120903, false, true},
    };
    for (const Row& r : rows) {
        palettes.SetActive(r.palette);
        EXPECT_EQ(doc.IsColourInFirstClass(r.colour), r.first) << r.palette << " " << r.colour;
        EXPECT_EQ(doc.IsColourInSecondClass(r.colour), r.second) << r.palette << " " << r.colour;
    }
    chart.in.charting->Services().palettes = nullptr;
}

// A plan of a harbour that the main panel also covers, drawn in the chart's lower half: zoomed
// into, it stays the plan at the middle of the view, not the main panel's picture of that place.
TEST(ChartDocument, ZoomingIntoAPlanKeepsThePlanInTheMiddle)
{
    Installed chart(
        [] {}, 0,
        [](hcrftool::ChartParameters& p) {
            // The chart spans 50.5 to 50.9 N; its main panel is the upper half of the picture, the
            // plan (50.80 to 50.88 N, 1.5 to 1.2 W, inside the main panel's area) the lower half.
            p.mainOutline = {{0, 0}, {520, 0}, {520, 200}, {0, 200}};
            p.plans.push_back({"PLAN A", 10000, 50.88, 50.80, -1.5, -1.2, 0, 200, 520, 400});
        });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    const geo::IntRect plan = doc.Panels()[1].SubPanel(0).PixelBounds();
    const auto middleInPlan = [&] {
        geo::IntPoint middle;
        doc.ClientToChartPoint({160, 120}, middle);
        return plan.left <= middle.x && middle.x < plan.right && plan.top <= middle.y &&
               middle.y < plan.bottom;
    };
    const auto positionInMiddle = [&] {
        geo::IntPoint middle;
        doc.ClientToChartPoint({160, 120}, middle);
        return doc.Panels()[1].SubPanel(0).PointToPosition(middle);
    };
    // Full detail on the plan, its top left corner at the view's.
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.SelectPanel(1, false));
    ASSERT_TRUE(middleInPlan());
    const auto before = positionInMiddle();
    ASSERT_TRUE(before);

    ASSERT_TRUE(doc.ZoomIn());
    EXPECT_EQ(doc.CurrentPanel(), 1u);
    EXPECT_TRUE(middleInPlan()) << "Zoom In left the plan for the main panel's picture";
    const auto after = positionInMiddle();
    ASSERT_TRUE(after);
    EXPECT_NEAR(after->GetLatitude(), before->GetLatitude(), 0.001);
    EXPECT_NEAR(after->GetLongitude(), before->GetLongitude(), 0.001);

    // The same place centred again with the plan current, as a zoom rectangle does.
    ASSERT_TRUE(doc.CentreOnPosition(*before, false));
    EXPECT_TRUE(middleInPlan());
}

// A second window on the chart (the one that follows the vessel) starts at the first's zoom.
TEST(ChartDocument, ViewStateIsTakenOverFromTheSameChart)
{
    Installed chart([] {});
    const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
    CHCRFDoc first(chart.in.charting.get(), chart.in.arcs);
    first.AttachWindow(&chart.window);
    ASSERT_TRUE(first.OnOpenDocument(path));
    ASSERT_TRUE(first.ZoomIn());
    ASSERT_TRUE(first.ZoomIn());   // full detail at 1.0
    first.PanHorizontal(40);
    first.PanVertical(30);
    ASSERT_EQ(first.ActiveRaster(), CHCRFDoc::kHigh);

    brine_test::FakeChartWindow secondWindow;
    secondWindow.client = chart.window.client;
    CHCRFDoc second(chart.in.charting.get(), chart.in.arcs);
    second.AttachWindow(&secondWindow);
    ASSERT_TRUE(second.OnOpenDocument(path));
    ASSERT_EQ(second.ActiveRaster(), CHCRFDoc::kLow);
    ASSERT_TRUE(second.TakeOverViewState(first));
    EXPECT_EQ(second.ActiveRaster(), CHCRFDoc::kHigh);
    EXPECT_EQ(second.DisplayScale(), first.DisplayScale());
    EXPECT_EQ(second.ScrollPosition(), first.ScrollPosition());
    EXPECT_EQ(second.CurrentPanel(), first.CurrentPanel());
    // The same position lands on the same pixel in both views.
    geo::CPosition middle;
    ASSERT_TRUE(first.PointToPosition({160, 120}, middle));
    geo::IntPoint a, b;
    ASSERT_TRUE(first.PositionToPoint(middle, a));
    ASSERT_TRUE(second.PositionToPoint(middle, b));
    EXPECT_EQ(a, b);
    // Only a raster chart's state is taken.
    charts::CBlankChartDoc blank;
    EXPECT_FALSE(second.TakeOverViewState(blank));
    EXPECT_FALSE(second.TakeOverViewState(second));
}

// The window that follows the vessel: with best-chart selection on it moves
// to the folio's best chart at the vessel, in its own window's place and
// state; with selection off the chart stays while the vessel is on it, and
// selection comes on once the vessel has left it.
TEST(ChartDocument, AutoscrollMovesToTheBestChartAtTheVessel)
{
    brine_test::TempFolder dir;
    brine_test::Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    in.charting->BuildChartFolio();
    struct Opened {
        std::unique_ptr<brine_test::FakeChartWindow> window;
        std::unique_ptr<CHCRFDoc> doc;
        bool replace;
    };
    std::vector<Opened> opened;
    in.charting->Services().openChart = [&](const std::string& path, bool replace,
                                            int state) -> chart::CChartDoc* {
        Opened o{std::make_unique<brine_test::FakeChartWindow>(geo::IntRect{0, 0, 320, 240}, state),
                 std::make_unique<CHCRFDoc>(in.charting.get(), in.arcs), replace};
        o.window->doc = o.doc.get();
        o.doc->AttachWindow(o.window.get());
        if (!o.doc->OnOpenDocument(path))
            return nullptr;
        opened.push_back(std::move(o));
        return opened.back().doc.get();
    };
    brine_test::FakeChartWindow window(geo::IntRect{0, 0, 320, 240}, chart::kFrameAutoscroll);
    CHCRFDoc harbour(in.charting.get(), in.arcs);
    window.doc = &harbour;
    harbour.AttachWindow(&window);
    ASSERT_TRUE(harbour.OnOpenDocument(in.arcs->GetCataloguedChartPath("RC3003")));
    ASSERT_TRUE(in.charting->IsAutoscrollOn());

    // On the harbour chart, its best, it stays, the vessel kept in the middle.
    const geo::CPosition inside(50.72, -1.2);
    EXPECT_EQ(harbour.AutoscrollToPosition(inside), nullptr);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(harbour.IsInAutoscrollArea(inside));

    // North of it: the approach chart takes the window's place, vessel in view.
    const geo::CPosition north(50.76, -1.2);
    ASSERT_FALSE(harbour.IsPositionOnChart(north));
    chart::CChartDoc* approach = harbour.AutoscrollToPosition(north);
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_EQ(approach, opened[0].doc.get());
    EXPECT_EQ(approach->GetChartNumber(), "RC2002");
    EXPECT_TRUE(opened[0].replace);
    EXPECT_EQ(opened[0].window->GetState(), chart::kFrameAutoscroll);
    EXPECT_TRUE(approach->IsPositionVisible(north));

    // Selection off: the approach chart stays, also over the harbour chart.
    in.charting->SetAutoscroll(false);
    EXPECT_EQ(approach->AutoscrollToPosition(inside), nullptr);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(approach->IsPositionVisible(inside));
    EXPECT_FALSE(in.charting->IsAutoscrollOn());
    // Past it, selection comes on, and the next step finds the overview.
    const geo::CPosition beyond(50.85, -1.2);
    EXPECT_EQ(approach->AutoscrollToPosition(beyond), nullptr);
    EXPECT_TRUE(in.charting->IsAutoscrollOn());
    chart::CChartDoc* overview = approach->AutoscrollToPosition(beyond);
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->GetChartNumber(), "RC1001");
    EXPECT_TRUE(overview->IsPositionVisible(beyond));
    // Off every chart nothing opens.
    EXPECT_EQ(overview->AutoscrollToPosition(geo::CPosition(10.0, 10.0)), nullptr);
    EXPECT_EQ(opened.size(), 2u);
}

}   // namespace

// A line toward a position beyond a chart with an inset still has somewhere
// to head for: the main panel's projection carried past the chart's edge, so
// a track leaving the chart is drawn to its edge. A position on the chart
// keeps its own point.
TEST(ChartDocument, ALineTowardAPositionBeyondTheChartHeadsPastItsEdge)
{
    Installed chart([] {}, 1);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    geo::CPosition northWest, southEast;
    ASSERT_TRUE(doc.GetExtent(northWest, southEast));
    const double height = northWest.GetLatitude() - southEast.GetLatitude();
    const geo::CPosition beyond(northWest.GetLatitude() + height / 2,
                                (northWest.GetLongitude() + southEast.GetLongitude()) / 2);
    ASSERT_FALSE(doc.IsPositionOnChart(beyond));
    geo::IntPoint at;
    bool onChart = true;
    ASSERT_TRUE(doc.PositionToLinePoint(beyond, at, &onChart));
    EXPECT_FALSE(onChart);
    geo::IntPoint top;
    doc.ChartToClientPoint({0, 0}, top);
    EXPECT_LT(at.y, top.y) << "north of the chart lies above its top edge";

    const geo::CPosition middle((northWest.GetLatitude() + southEast.GetLatitude()) / 2,
                                beyond.GetLongitude());
    chart::PointList points;
    ASSERT_TRUE(doc.PositionToClientPoints(middle, points));
    ASSERT_TRUE(doc.PositionToLinePoint(middle, at, &onChart));
    EXPECT_TRUE(onChart);
    EXPECT_EQ(at, points.front());
}
