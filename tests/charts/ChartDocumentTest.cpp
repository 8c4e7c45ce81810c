// The raster chart document on installed fake charts: an inset the
// catalogue has no plan for gets no outline, a sub-panel without outline
// height gives no distance per pixel, the zoom steps, Zoom In from the panel
// under the middle, the colour classes, the service's catalogue answers
// for a chart it does not hold, and where a line toward a position beyond
// the chart heads.

#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "app/DisplayPalettes.h"
#include "app/Registry.h"
#include "chart/RangeBearing.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/hcrf/ARCSChartDoc.h"
#include "charts/hcrf/SeafarerChartDoc.h"
#include "charts/vector/BlankChartDoc.h"
#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"
#include "support/InstallFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
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

// A catalogue entry with no outline for the main panel: the chart opens on its first inset.
TEST(ChartDocument, AMainPanelWithoutOutlineOpensOnTheFirstInset)
{
    Installed chart([] {}, 1);
    const fs::path cat = chart.in.arcs->UpdateSourcePath("WK10_26") / "ChartCat" / "Chart.cat";
    std::string text = ReadAll(cat);
    ASSERT_EQ(text.substr(2, 6), "RC1001");
    // The entry's outline vertices, from the end of its header to their terminator, taken out;
    // the rest of the entry (plan index, terminated) moves up, and spaces after it keep every
    // later record where it was.
    constexpr std::size_t kHeader = 196;
    const std::string end = "\x0B\x0D\x0A";
    const std::size_t vertices = text.find(end, kHeader);
    ASSERT_NE(vertices, std::string::npos);
    ASSERT_GT(vertices, kHeader);
    const std::size_t entryEnd = text.find(end, vertices + end.size()) + end.size();
    text = text.substr(0, kHeader) + text.substr(vertices, entryEnd - vertices) +
           std::string(vertices - kHeader, ' ') + text.substr(entryEnd);
    WriteAll(cat, text);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OpenChart(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    EXPECT_TRUE(doc.Panels()[0].Outline().empty());
    EXPECT_FALSE(doc.Panels()[1].Outline().empty());
    EXPECT_EQ(doc.CurrentPanel(), 1u);
}

TEST(ChartDocument, APlanTheCatalogueListsMustReadForTheChartToOpen)
{
    Installed chart([] {}, 1);
    const fs::path planCat = chart.in.arcs->UpdateSourcePath("WK10_26") / "ChartCat" / "Plan.cat";
    const std::string plans = ReadAll(planCat);
    ASSERT_FALSE(plans.empty());
    const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
    auto opens = [&](bool withPlan) {
        CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
        doc.AttachWindow(&chart.window);
        if (!doc.OpenChart(path))
            return false;
        EXPECT_EQ(doc.Panels().size(), 2u);
        EXPECT_EQ(doc.Panels().size() == 2 && !doc.Panels()[1].Outline().empty(), withPlan);
        return true;
    };
    EXPECT_TRUE(opens(true));
    // The plan entry cut short: the inset's outline cannot be read.
    WriteAll(planCat, plans.substr(0, 40));
    EXPECT_FALSE(opens(false));
    // No plan catalogue at all.
    fs::remove(planCat);
    EXPECT_FALSE(opens(false));
    WriteAll(planCat, plans);
    EXPECT_TRUE(opens(true));
}

TEST(ChartDocument, VerifyingAnEncipheredChartLeavesItsTilesOutAndNeverFinishes)
{
    Installed chart([] {});
    const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
    // What the check posts for the chart as it stands and with its full-detail
    // tiles marked enciphered in the header's data-protection record.
    auto verify = [&](bool enciphered) {
        if (enciphered) {
            const fs::path hdr = chart.in.arcs->ChartFilePath(true, "RC1001", "hdr");
            std::string text = ReadAll(hdr);
            std::size_t at = 0;
            for (int i = 0; i < 3; ++i)
                at = text.find("\x0B\x0D\x0A", at) + 3;
            ASSERT_LT(at + 3, text.size());
            text[at + 3] = '1';
            WriteAll(hdr, text);
        }
        CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
        doc.AttachWindow(&chart.window);
        ASSERT_TRUE(doc.OpenChart(path));
        ASSERT_TRUE(doc.SetZoom(3, nullptr));
        ASSERT_TRUE(doc.CanVerify());
        doc.VerifyIntegrity();
        EXPECT_FALSE(doc.CanVerify());
        int index = -1, result = -1, lastChartProgress = 0;
        bool finished = false;
        for (int i = 0; i < 400 && result < 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            doc.Verifier().Queue().Drain([&](const app::CPostedMessage& m) {
                index = m.id == CChartVerifier::kIndexResult ? int(m.wParam) : index;
                result = m.id == CChartVerifier::kChartResult ? int(m.wParam) : result;
                if (m.id == CChartVerifier::kChartProgress)
                    lastChartProgress = int(m.wParam);
                finished = finished || m.id == CChartVerifier::kFinished;
            });
        }
        // Anything still to come arrives before the worker is joined.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        doc.Verifier().Queue().Drain([&](const app::CPostedMessage& m) {
            finished = finished || m.id == CChartVerifier::kFinished;
        });
        EXPECT_EQ(index, 1);
        EXPECT_EQ(result, enciphered ? 0 : 1);
        EXPECT_EQ(lastChartProgress, enciphered ? 0 : 100);
        EXPECT_EQ(finished, !enciphered);
        doc.EndVerification();
        EXPECT_TRUE(doc.CanVerify());
    };
    verify(false);
    verify(true);
}

TEST(ChartDocument, EachServiceOpensItsOwnKindOfChart)
{
    Installed chart([] {});
    CHCRFModule* arcs = chart.in.arcs;
    CHCRFModule* seafarer = nullptr;
    for (CHCRFModule* service : arcs->Shared().services)
        seafarer = service != arcs ? service : seafarer;
    ASSERT_NE(seafarer, nullptr);
    // A chart the catalogue holds is an ARCS chart; any other "chr" a Seafarer one.
    const auto catalogued =
        arcs->CreateChartDocFor(*chart.in.charting, arcs->GetCataloguedChartPath("RC1001"));
    ASSERT_NE(dynamic_cast<CARCSChartDoc*>(catalogued.get()), nullptr);
    EXPECT_EQ(catalogued->GetChartType(), chart::kChartARCS);
    EXPECT_EQ(catalogued->GetChartTypeName(), "ARCS");
    const auto other = arcs->CreateChartDocFor(
        *chart.in.charting, (chart.dir.Path() / "elsewhere" / "AUS4060.chr").string());
    ASSERT_NE(dynamic_cast<CSeafarerChartDoc*>(other.get()), nullptr);
    EXPECT_EQ(other->GetChartType(), chart::kChartSeafarer);
    EXPECT_EQ(other->GetChartTypeName(), "Seafarer");
    EXPECT_NE(dynamic_cast<CSeafarerChartDoc*>(seafarer->CreateChartDoc(*chart.in.charting).get()),
              nullptr);
}

// The world-chart rules belong to the document kind: the chart is installed
// through the fixture's one service, and each kind opens it there.
TEST(ChartDocument, ASeafarerWorldChartIsAUS4060WhereThereIsNo4000)
{
    Installed chart([] {}, 0, [](hcrftool::ChartParameters& p) { p.chartNumber = "AUS4060"; });
    CHCRFModule* service = chart.in.arcs;
    const std::string path = service->GetCataloguedChartPath("AUS4060");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(service->GetCataloguedChartPath("4000").empty());

    // The chart window the main frame would open: a document on the path.
    std::vector<std::string> opened;
    std::unique_ptr<CHCRFDoc> world;
    chart.in.charting->Services().openChart = [&](const std::string& p, bool, int) {
        opened.push_back(fs::path(p).stem().string());
        world = std::make_unique<CSeafarerChartDoc>(chart.in.charting.get(), service);
        world->AttachWindow(&chart.window);
        return world->OpenChart(p) ? world.get() : nullptr;
    };
    CSeafarerChartDoc seafarerDoc(chart.in.charting.get(), service);
    seafarerDoc.AttachWindow(&chart.window);
    ASSERT_TRUE(seafarerDoc.OpenChart(path));
    EXPECT_TRUE(seafarerDoc.IsWorldChart());
    EXPECT_EQ(seafarerDoc.OpenWorldChart(0, false), 1);
    EXPECT_EQ(opened, std::vector<std::string>{"AUS4060"});
    ASSERT_NE(world, nullptr);
    EXPECT_TRUE(world->IsWorldChart());

    // An ARCS chart's world chart is "4000" only.
    opened.clear();
    CARCSChartDoc arcsDoc(chart.in.charting.get(), service);
    arcsDoc.AttachWindow(&chart.window);
    ASSERT_TRUE(arcsDoc.OpenChart(path));
    EXPECT_FALSE(arcsDoc.IsWorldChart());
    EXPECT_EQ(arcsDoc.OpenWorldChart(0, false), 0);
    EXPECT_TRUE(opened.empty());
    chart.in.charting->Services().openChart = nullptr;
}

// The world chart's number is recognised without regard to case.
TEST(ChartDocument, ASeafarerWorldChartNumberInSmallLettersIsStillTheWorldChart)
{
    Installed chart([] {}, 0, [](hcrftool::ChartParameters& p) { p.chartNumber = "AUS4060"; });
    const std::string path = chart.in.arcs->GetCataloguedChartPath("AUS4060");
    ASSERT_FALSE(path.empty());
    // The chart's own header names it in small letters.
    const fs::path hdr = chart.in.arcs->ChartFilePath(true, "AUS4060", "hdr");
    std::string text = ReadAll(hdr);
    const std::size_t at = text.find("AUS4060");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 7, "aus4060");
    WriteAll(hdr, text);
    CSeafarerChartDoc seafarerDoc(chart.in.charting.get(), chart.in.arcs);
    seafarerDoc.AttachWindow(&chart.window);
    ASSERT_TRUE(seafarerDoc.OnOpenDocument(path));
    ASSERT_EQ(seafarerDoc.GetChartNumber(), "aus4060");
    EXPECT_TRUE(seafarerDoc.IsWorldChart());
    // What the navigator and the log ask of a raster chart: its kind text once loaded.
    EXPECT_TRUE(seafarerDoc.IsChartLoaded());
    EXPECT_EQ(seafarerDoc.GetKindText(), "Chart");
    CARCSChartDoc arcsDoc(chart.in.charting.get(), chart.in.arcs);
    arcsDoc.AttachWindow(&chart.window);
    ASSERT_TRUE(arcsDoc.OpenChart(path));
    EXPECT_FALSE(arcsDoc.IsWorldChart());
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

// A zoom to a rectangle leaves the saved scroll position as the last pan
// left it, so zooming out of it returns there; the pointer moving onto
// another panel's picture makes it current and redraws the view, once.
TEST(ChartDocument, ZoomToARectangleKeepsTheSavedScrollAndThePointerRedrawsOnANewPanel)
{
    Installed chart([] {}, 1);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);

    chart.window.client = geo::IntRect{0, 0, 60, 40};
    ASSERT_TRUE(doc.SetZoom(0, nullptr));
    ASSERT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    doc.PanHorizontal(50);
    doc.PanVertical(30);   // saves (50, 0)
    ASSERT_EQ(doc.ScrollPosition(), (geo::IntPoint{50, 30}));
    const geo::IntRect rect{10, 10, 30, 30};
    ASSERT_TRUE(doc.SetZoom(4, &rect));
    ASSERT_EQ(doc.ActiveRaster(), CHCRFDoc::kHigh);
    ASSERT_EQ(doc.DisplayScale(), 0.5);
    ASSERT_TRUE(doc.SetZoom(2, nullptr));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{50, 0}));

    chart.window.client = geo::IntRect{0, 0, 320, 240};
    ASSERT_TRUE(doc.SetZoom(0, nullptr));
    // The inset current, the pointer moves onto the main panel's picture.
    ASSERT_TRUE(doc.SelectPanel(1, false));
    geo::IntPoint inMain;
    doc.ChartToClientPoint({40, 360}, inMain);
    const auto moveTo = [&](geo::IntPoint p) {
        const int before = chart.window.viewRedraws;
        doc.OnMouseMove(p);
        return chart.window.viewRedraws - before;
    };
    EXPECT_EQ(moveTo(inMain), 1);
    EXPECT_EQ(doc.CurrentPanel(), 0u);
    EXPECT_EQ(moveTo({inMain.x + 1, inMain.y}), 0);
    EXPECT_EQ(doc.CurrentPanel(), 0u);
}

// The zoom goes with the window's placement as a resolution name and the
// scale; a restored chart takes the raster named and steps one level from
// it: in above 1.0, out at exactly 0.5.
TEST(ChartDocument, PlacementKeepsTheZoomAsResolutionAndLevel)
{
    Installed chart([] {});
    platform::CSettingsStore store(chart.dir / "placement.conf");
    const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
    struct Row {
        int zoomIns;   // from low resolution at 0.5
        const char* resolution;
        const char* level;
        int raster;
        double scale;
    };
    const Row rows[] = {{0, "Low Resolution", "0.5", CHCRFDoc::kLow, 0.5},
                        {1, "Low Resolution", "1.0", CHCRFDoc::kLow, 1.0},
                        {2, "High Resolution", "0.5", CHCRFDoc::kHigh, 0.5},
                        {3, "High Resolution", "1.0", CHCRFDoc::kHigh, 1.0},
                        {4, "High Resolution", "2.0", CHCRFDoc::kHigh, 2.0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.zoomIns);
        {
            CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
            doc.AttachWindow(&chart.window);
            ASSERT_TRUE(doc.OnOpenDocument(path));
            ASSERT_TRUE(doc.ZoomOut());
            for (int i = 0; i < r.zoomIns; ++i)
                ASSERT_TRUE(doc.ZoomIn());
            app::CRegistry reg(store);
            ASSERT_TRUE(reg.OpenKeyForWrite("Charts\\RC1001"));
            doc.SaveWindowPlacement(reg);
            EXPECT_EQ(store.GetString(reg.GetKeyPath(), "ZoomResolution"), r.resolution);
            EXPECT_EQ(store.GetString(reg.GetKeyPath(), "ZoomLevel"), r.level);
        }
        CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
        doc.AttachWindow(&chart.window);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        app::CRegistry reg(store);
        ASSERT_TRUE(reg.OpenKeyForRead("Charts\\RC1001"));
        doc.RestoreWindowPlacement(reg);
        EXPECT_EQ(doc.ActiveRaster(), r.raster);
        EXPECT_EQ(doc.DisplayScale(), r.scale);
    }
}

// Pans stop exactly at the tiles' edges and at 0; a scroll bar places the
// view by its share of the range; client and chart points convert through
// scroll, ratio and scale with truncation; a position off the chart has no
// datum shift and centring on it scrolls to the chart's corner.
TEST(ChartDocument, PansStopAtTheEdgesAndConversionsTruncate)
{
    Installed chart([] {});
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);   // 320 x 240
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_TRUE(doc.SetZoom(3, nullptr));   // full detail: 5 x 4 tiles, 640 x 512
    EXPECT_EQ(doc.PanHorizontal(-10000), 1);
    EXPECT_EQ(doc.PanVertical(-10000), 1);
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{0, 0}));
    EXPECT_EQ(doc.PanHorizontal(10000), 1);
    EXPECT_EQ(doc.PanVertical(10000), 1);
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{320, 272}));
    EXPECT_EQ(doc.PanHorizontal(7), 1);
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{320, 272}));
    EXPECT_EQ(doc.PanHorizontal(-7), 1);
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{313, 272}));
    EXPECT_EQ(doc.OnHScroll(50), 1);
    EXPECT_EQ(doc.ScrollPosition().x, 160);
    EXPECT_EQ(doc.OnHScroll(-1), 50);

    // Full detail at 0.5 in a smaller view, scrolled by (3, 5): chart = (scroll + client) / 0.5.
    chart.window.client = geo::IntRect{0, 0, 200, 100};
    ASSERT_TRUE(doc.SetZoom(2, nullptr));
    ASSERT_EQ(doc.DisplayScale(), 0.5);
    doc.PanHorizontal(-10000);
    doc.PanVertical(-10000);
    doc.PanHorizontal(3);
    doc.PanVertical(5);
    geo::IntPoint chartPoint, client;
    doc.ClientToChartPoint({10, 20}, chartPoint);
    EXPECT_EQ(chartPoint, (geo::IntPoint{26, 50}));
    doc.ChartToClientPoint({27, 51}, client);   // 13.5 - 3, 25.5 - 5
    EXPECT_EQ(client, (geo::IntPoint{10, 20}));
    // The overview at 1.0: each of its pixels is four chart points.
    ASSERT_TRUE(doc.SetZoom(0, nullptr));
    doc.ClientToChartPoint({10, 20}, chartPoint);
    EXPECT_EQ(chartPoint, (geo::IntPoint{40, 80}));
    doc.ChartToClientPoint({43, 83}, client);
    EXPECT_EQ(client, (geo::IntPoint{10, 20}));

    doc.PanHorizontal(30);
    const geo::CPosition nowhere(10.0, 10.0);
    geo::CPosition shifted;
    EXPECT_EQ(doc.ShiftToChartDatum(nowhere, shifted), chart::kShiftNotOnChart);
    EXPECT_EQ(doc.ShiftToPositionDatum(nowhere, shifted), chart::kShiftNotOnChart);
    EXPECT_TRUE(doc.CentreOnPosition(nowhere, false));
    EXPECT_EQ(doc.ScrollPosition(), (geo::IntPoint{0, 0}));
    geo::CPosition invalid(47.5, -122.5);
    invalid.Invalidate();
    EXPECT_FALSE(doc.CentreOnPosition(invalid, false));
}

// A full-detail raster that cannot be read leaves the overview active: the
// zoom fails with only the scale its mode sets, and nothing else changes.
TEST(ChartDocument, AZoomWhoseRasterFailsKeepsTheOverview)
{
    Installed chart([] {});
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    fs::remove(chart.in.arcs->ChartFilePath(true, "RC1001", "chr"));
    ASSERT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_FALSE(doc.ZoomIn());   // low 1.0 -> high 0.5
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_EQ(doc.DisplayScale(), 1.0);
    EXPECT_FALSE(doc.IsAtMaxZoom());
    ASSERT_TRUE(doc.ZoomOut());
    EXPECT_FALSE(doc.ZoomMax());   // the mode's scale 1.0, still the overview
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_EQ(doc.DisplayScale(), 1.0);
    EXPECT_FALSE(doc.HighRaster().IsLoaded());
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

// A plan at the chart's right edge showing a place at the chart's west end, as a harbour plan in a
// corner does: a measurement keeps to the panel it starts in (the main panel's line stops at the
// plan's edge rather than reading half the world round), and a finished one in the plan is drawn
// where it was made, through the plan's projection, not where the main panel shows that place.
TEST(ChartDocument, RangeAndBearingKeepsToThePanelItStartedIn)
{
    Installed chart(
        [] {}, 0,
        [](hcrftool::ChartParameters& p) {
            p.mainOutline = {{0, 0}, {320, 0}, {320, 400}, {0, 400}};
            p.plans.push_back({"PLAN W", 10000, 50.9, 50.5, -1.6, -1.4, 320, 0, 520, 400});
        });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);
    const auto client = [&](geo::IntPoint chartPoint) {
        geo::IntPoint c;
        doc.ChartToClientPoint(chartPoint, c);
        EXPECT_TRUE(doc.IsClientPointOnChart(c)) << c.x << "," << c.y;
        return c;
    };
    const geo::IntPoint mainA = client({250, 200}), mainB = client({300, 150});
    const geo::IntPoint planC = client({400, 200}), planD = client({450, 260});

    doc.OnMouseMove(mainA);
    ASSERT_EQ(doc.CurrentPanel(), 0u);
    chart::CRangeBearingOverlay across;
    across.Start(doc, mainA);
    EXPECT_TRUE(across.CanExtendTo(mainB));
    doc.OnMouseMove(planC);
    EXPECT_FALSE(across.CanExtendTo(planC)) << "the end left the main panel for the plan";

    ASSERT_EQ(doc.CurrentPanel(), 1u);
    chart::CRangeBearingOverlay inPlan;
    inPlan.Start(doc, planC);
    doc.OnMouseMove(planD);
    ASSERT_TRUE(inPlan.CanExtendTo(planD));
    inPlan.SetEnd(planD);
    inPlan.Finish(planD);
    geo::CPosition c, d;
    geo::IntPoint chartC, chartD;
    doc.ClientToChartPoint(planC, chartC);
    doc.ClientToChartPoint(planD, chartD);
    ASSERT_TRUE(doc.PointToPosition(chartC, c));
    ASSERT_TRUE(doc.PointToPosition(chartD, d));
    double range = 0, bearing = 0;
    ASSERT_TRUE(geo::RhumbRangeBearing(c, d, &range, &bearing, false));
    EXPECT_LT(range, 5.0);
    EXPECT_EQ(inPlan.Label(), chart::FormatRangeBearingLabel(range, bearing));
    // Drawn again from its positions, both ends come back where they were made.
    geo::IntPoint s, e;
    inPlan.ClientPoints(s, e);
    EXPECT_LE(std::abs(s.x - planC.x) + std::abs(s.y - planC.y), 2) << s.x << "," << s.y;
    EXPECT_LE(std::abs(e.x - planD.x) + std::abs(e.y - planD.y), 2) << e.x << "," << e.y;
}

// On a world chart the end may go into another panel: it takes that panel
// along, and is drawn again through that panel's projection.
TEST(ChartDocument, OnAWorldChartRangeAndBearingCrossesIntoAnotherPanel)
{
    Installed chart(
        [] {}, 0,
        [](hcrftool::ChartParameters& p) {
            p.chartNumber = "4000";
            p.mainOutline = {{0, 0}, {320, 0}, {320, 400}, {0, 400}};
            p.plans.push_back({"PLAN W", 10000, 50.9, 50.5, -1.6, -1.4, 320, 0, 520, 400});
        });
    CARCSChartDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("4000")));
    ASSERT_TRUE(doc.IsWorldChart());
    ASSERT_EQ(doc.Panels().size(), 2u);
    geo::IntPoint mainA, planD;
    doc.ChartToClientPoint({250, 200}, mainA);
    doc.ChartToClientPoint({450, 260}, planD);

    doc.OnMouseMove(mainA);
    ASSERT_EQ(doc.CurrentPanel(), 0u);
    chart::CRangeBearingOverlay across;
    across.Start(doc, mainA);
    const chart::CPanelId mainPanel = doc.GetCurrentPanelId();
    EXPECT_EQ(across.StartPanel(), mainPanel);
    doc.OnMouseMove(planD);
    ASSERT_EQ(doc.CurrentPanel(), 1u);
    EXPECT_TRUE(across.CanExtendTo(planD)) << "a world chart keeps no panel to the start";
    across.SetEnd(planD);
    across.Finish(planD);
    EXPECT_EQ(across.StartPanel(), mainPanel);
    EXPECT_EQ(across.EndPanel(), doc.GetCurrentPanelId());
    EXPECT_FALSE(across.EndPanel() == mainPanel);
    EXPECT_FALSE(across.Label().empty());
    geo::IntPoint s, e;
    across.ClientPoints(s, e);
    EXPECT_LE(std::abs(s.x - mainA.x) + std::abs(s.y - mainA.y), 2) << s.x << "," << s.y;
    EXPECT_LE(std::abs(e.x - planD.x) + std::abs(e.y - planD.y), 2) << e.x << "," << e.y;
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

namespace {

// The client point of a position on the document's view.
geo::IntPoint ClientPointOf(CHCRFDoc& doc, const geo::CPosition& position)
{
    geo::IntPoint point;
    EXPECT_TRUE(doc.PositionToPoint(position, point));
    doc.ChartToClientPoint(point, point);
    return point;
}

// Charts that open into windows of their own, as the main frame opens them.
struct Opener {
    struct Opened {
        std::unique_ptr<brine_test::FakeChartWindow> window;
        std::unique_ptr<CHCRFDoc> doc;
    };
    std::vector<Opened> opened;

    explicit Opener(brine_test::Installation& in)
    {
        in.charting->Services().openChart = [this, &in](const std::string& path, bool,
                                                        int state) -> chart::CChartDoc* {
            Opened o{
                std::make_unique<brine_test::FakeChartWindow>(geo::IntRect{0, 0, 320, 240}, state),
                std::make_unique<CHCRFDoc>(in.charting.get(), in.arcs)};
            o.window->doc = o.doc.get();
            o.doc->AttachWindow(o.window.get());
            if (!o.doc->OnOpenDocument(path))
                return nullptr;
            opened.push_back(std::move(o));
            return opened.back().doc.get();
        };
    }
};

}   // namespace

// Chart boundaries on a raster chart: the outlines of the other folio charts
// where they cross the view, a chart of larger scale in cyan, one of the same
// scale in magenta, and never the chart's own outline; the document's folio
// holds only the charts that overlap it.
TEST(ChartDocument, FolioBoxesOutlineTheOtherChartsByTheirScale)
{
    brine_test::TempFolder dir;
    brine_test::Installation in(dir.Path());
    struct Area {
        const char* number;
        long scale;
        double north, south, west, east;
    };
    const Area areas[] = {{"RC1001", 150000, 51.0, 50.4, -1.65, -0.75},
                          {"RC2002", 50000, 50.8, 50.6, -1.35, -1.05},
                          {"RC4004", 150000, 50.9, 50.5, -1.0, -0.1},
                          {"RC5005", 150000, 40.6, 40.0, -1.65, -0.75}};
    for (const Area& a : areas) {
        brine_test::FakeChart c;
        c.parameters.chartNumber = a.number;
        c.parameters.title = std::string("Chart ") + a.number;
        c.parameters.scale = a.scale;
        c.parameters.north = a.north;
        c.parameters.south = a.south;
        c.parameters.west = a.west;
        c.parameters.east = a.east;
        c.width = 520;
        c.height = 400;
        in.charts.push_back(c);
    }
    std::string error;
    ASSERT_TRUE(brine_test::MakeMedia(in.charts, dir / "work", dir / "RC1", "RC1", dir / "WK10_26",
                                      "WK10_26", "20260305", false, error))
        << error;
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    in.charting->BuildChartFolio();

    brine_test::FakeChartWindow window(geo::IntRect{0, 0, 320, 240});
    CHCRFDoc doc(in.charting.get(), in.arcs);
    window.doc = &doc;
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OnOpenDocument(in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_TRUE(doc.ZoomMax());
    // The view holds the approach chart's east side, the neighbour's west
    // edge and the overview's own east edge.
    ASSERT_TRUE(doc.CentreOnPosition(geo::CPosition(50.7, -0.95), false));

    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
    ASSERT_TRUE(doc.DrawFolioBoxes(dc));
    const auto& records = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
    const int approachEast = ClientPointOf(doc, geo::CPosition(50.7, -1.05)).x;
    const int approachNorth = ClientPointOf(doc, geo::CPosition(50.8, -1.2)).y;
    const int approachSouth = ClientPointOf(doc, geo::CPosition(50.6, -1.2)).y;
    const int neighbourWest = ClientPointOf(doc, geo::CPosition(50.7, -1.0)).x;
    const int ownEast = ClientPointOf(doc, geo::CPosition(50.7, -0.75)).x;
    ASSERT_LT(ownEast, 330) << "the overview's east edge is in view";
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    int cyan = 0, magenta = 0, eastSide = 0;
    for (const chart::DrawRecord& r : records) {
        ASSERT_EQ(r.op, chart::DrawOp::Line) << r.Describe();
        const geo::IntPoint a = r.points[0], b = r.points[1];
        EXPECT_FALSE(near(a.x, ownEast) && near(b.x, ownEast)) << "own outline: " << r.Describe();
        if (r.pen.colour == 0x00FFFF00) {
            ++cyan;
            const bool east = near(a.x, approachEast) && near(b.x, approachEast);
            eastSide += east ? 1 : 0;
            EXPECT_TRUE(east || (near(a.y, approachNorth) && near(b.y, approachNorth)) ||
                        (near(a.y, approachSouth) && near(b.y, approachSouth)))
                << "not on the approach chart's outline: " << r.Describe();
        } else if (r.pen.colour == 0x00FF00FF) {
            ++magenta;
            EXPECT_TRUE(near(a.x, neighbourWest) && near(b.x, neighbourWest))
                << "not on the neighbour's west edge: " << r.Describe();
        } else {
            ADD_FAILURE() << "pen of neither box colour: " << r.Describe();
        }
    }
    EXPECT_EQ(eastSide, 1);
    EXPECT_GE(cyan, 3) << "the approach chart's east side and the ends of its north and south";
    EXPECT_EQ(magenta, 1);

    // The document's folio holds the charts overlapping it: the far chart is
    // not among the overview's, the neighbour not among the approach chart's.
    const auto numbers = [](const CHCRFDoc& d) {
        std::vector<std::string> n;
        for (const chart::CFolioItem* item : d.Folio())
            n.push_back(item->fileName);
        std::sort(n.begin(), n.end());
        return n;
    };
    EXPECT_EQ(numbers(doc), (std::vector<std::string>{"RC1001", "RC2002", "RC4004"}));
    // The window outlives its document, whose destructor still reaches it.
    brine_test::FakeChartWindow approachWindow(geo::IntRect{0, 0, 320, 240});
    CHCRFDoc approach(in.charting.get(), in.arcs);
    approach.AttachWindow(&approachWindow);
    ASSERT_TRUE(approach.OnOpenDocument(in.arcs->GetCataloguedChartPath("RC2002")));
    EXPECT_EQ(numbers(approach), (std::vector<std::string>{"RC1001", "RC2002"}));
}

// Centring with the sub-panel choice on a chart whose two plans both hold a
// place: from either plan the one of the larger scale (smaller scale value)
// becomes current and holds the middle of the view; without the choice, or
// from the main panel, the current panel stays.
TEST(ChartDocument, CentringWithTheChoiceTakesTheLargestScalePlanThere)
{
    Installed chart(
        [] {}, 0,
        [](hcrftool::ChartParameters& p) {
            p.mainOutline = {{0, 0}, {520, 0}, {520, 200}, {0, 200}};
            p.plans.push_back({"PLAN A", 20000, 50.88, 50.80, -1.5, -1.2, 0, 200, 260, 400});
            p.plans.push_back({"PLAN B", 10000, 50.86, 50.82, -1.4, -1.3, 260, 200, 520, 400});
        });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 3u);
    ASSERT_TRUE(doc.ZoomMax());
    const geo::CPosition place(50.84, -1.35);
    const geo::IntRect planB = doc.Panels()[2].SubPanel(0).PixelBounds();
    const auto middleIn = [&](const geo::IntRect& r) {
        geo::IntPoint middle;
        doc.ClientToChartPoint({160, 120}, middle);
        return r.left <= middle.x && middle.x < r.right && r.top <= middle.y && middle.y < r.bottom;
    };

    ASSERT_TRUE(doc.SelectPanel(1, false));
    ASSERT_TRUE(doc.CentreOnPosition(place, false));
    EXPECT_EQ(doc.CurrentPanel(), 1u);
    ASSERT_TRUE(doc.CentreOnPosition(place, true));
    EXPECT_EQ(doc.CurrentPanel(), 2u);
    EXPECT_EQ(doc.GetScaleText(), "1:10000");
    EXPECT_TRUE(middleIn(planB)) << "the larger-scale plan's picture of the place is in the middle";

    ASSERT_TRUE(doc.SelectPanel(0, false));
    ASSERT_TRUE(doc.CentreOnPosition(place, true));
    EXPECT_EQ(doc.CurrentPanel(), 0u);
}

// Larger Scale answers true only once the chart it opened shows the largest
// scale at the position; Smaller Scale whenever a chart opened.
TEST(ChartDocument, LargerScaleSucceedsOnlyAtTheLargestScaleThere)
{
    brine_test::TempFolder dir;
    brine_test::Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    ASSERT_TRUE(in.InstallCharts());
    in.charting->BuildChartFolio();
    Opener opener(in);
    brine_test::FakeChartWindow window(geo::IntRect{0, 0, 320, 240});
    CHCRFDoc overview(in.charting.get(), in.arcs);
    window.doc = &overview;
    overview.AttachWindow(&window);
    ASSERT_TRUE(overview.OnOpenDocument(in.arcs->GetCataloguedChartPath("RC1001")));
    const geo::CPosition centre(50.7, -1.2);

    // The approach chart opens, but the harbour chart holds the place at a larger scale.
    EXPECT_FALSE(overview.OpenNextScaleChart(centre, 3));
    ASSERT_EQ(opener.opened.size(), 1u);
    CHCRFDoc& approach = *opener.opened[0].doc;
    EXPECT_EQ(approach.GetChartNumber(), "RC2002");
    EXPECT_TRUE(approach.OpenNextScaleChart(centre, 3));
    ASSERT_EQ(opener.opened.size(), 2u);
    CHCRFDoc& harbour = *opener.opened[1].doc;
    EXPECT_EQ(harbour.GetChartNumber(), "RC3003");
    EXPECT_FALSE(harbour.OpenNextScaleChart(centre, 3)) << "nothing larger to open";
    EXPECT_TRUE(harbour.OpenNextScaleChart(centre, 2));
    EXPECT_EQ(opener.opened.size(), 3u);
}

// The shift of a chart-datum position back to WGS 84: a position on the
// chart's own datum is shifted, one already labelled WGS 84 is only copied
// (status 3), one on an unknown datum too (status 2), one off the chart fails.
TEST(ChartDocument, ShiftToThePositionsDatumFollowsItsLabel)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    Installed chart([] {}, 0,
                    [](hcrftool::ChartParameters& p) {
                        p.wgs84ShiftLatSec = 2.5;
                        p.wgs84ShiftLonSec = -4.0;
                    });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    const std::uint16_t chartDatum = doc.GetDatumIndex();
    ASSERT_NE(chartDatum, geo::DatumIndexWGS84());
    const geo::CPosition onChart(50.7, -1.2, 0, std::int16_t(chartDatum));
    geo::CPosition out;
    ASSERT_EQ(doc.ShiftToPositionDatum(onChart, out), 0);
    EXPECT_EQ(out.GetDatum(), geo::DatumIndexWGS84());
    EXPECT_NEAR((out.GetLatitude() - 50.7) * 3600, 2.5, 3.0);

    const geo::CPosition labelledWgs84(50.7, -1.2, 0, std::int16_t(geo::DatumIndexWGS84()));
    EXPECT_EQ(doc.ShiftToPositionDatum(labelledWgs84, out), chart::kShiftChartWGS84);
    EXPECT_EQ(out, labelledWgs84);
    const geo::CPosition unknown(50.7, -1.2, 0, std::int16_t(geo::DatumIndexFallback()));
    EXPECT_EQ(doc.ShiftToPositionDatum(unknown, out), chart::kShiftNone);
    EXPECT_EQ(out, unknown);
    EXPECT_EQ(doc.ShiftToPositionDatum(geo::CPosition(10.0, 10.0), out), chart::kShiftNotOnChart);
}

// A chart whose plan shows a place the main panel shows too: a circle there
// is drawn on both pictures, each through its own projection; a track leg
// touches the chart when it crosses it with both ends off it, not when it
// passes by.
TEST(ChartDocument, CirclesOnEveryPictureOfThePlaceAndLegsThatTouch)
{
    Installed chart(
        [] {}, 0,
        [](hcrftool::ChartParameters& p) {
            p.mainOutline = {{0, 0}, {520, 0}, {520, 200}, {0, 200}};
            p.plans.push_back({"PLAN A", 10000, 50.88, 50.80, -1.5, -1.2, 0, 200, 520, 400});
        });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(doc.Panels().size(), 2u);

    const auto arcsDrawn = [&](const geo::CPosition& north, const geo::CPosition& south) {
        chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
        doc.DrawEllipse(dc, north, south);
        std::vector<geo::IntPoint> tops;
        for (const auto& r : static_cast<chart::CRecordingBackend*>(dc.Backend())->Records())
            if (r.op == chart::DrawOp::Arc)
                tops.push_back(r.points[2]);
        return tops;
    };
    // In the plan's area: two half-ellipses on each picture, at two places.
    const auto inPlan = arcsDrawn({50.845, -1.35}, {50.835, -1.35});
    ASSERT_EQ(inPlan.size(), 4u);
    EXPECT_NE(inPlan[0], inPlan[2]);
    // Elsewhere on the main panel only once.
    EXPECT_EQ(arcsDrawn({50.76, -1.35}, {50.75, -1.35}).size(), 2u);

    EXPECT_TRUE(doc.SegmentTouchesChart({50.85, -2.5}, {50.85, 0.5})) << "across the chart";
    EXPECT_TRUE(doc.SegmentTouchesChart({50.85, -1.3}, {52.0, -1.3})) << "from the chart out";
    EXPECT_FALSE(doc.SegmentTouchesChart({51.5, -2.5}, {51.5, 0.5})) << "north of the chart";
    const std::vector<geo::CPosition> across = {{50.85, -2.5}, {50.85, 0.5}, {52, 0}};
    EXPECT_TRUE(doc.PolygonTouchesChart(across));
    const std::vector<geo::CPosition> far = {{10, 10}, {10, 11}, {11, 11}};
    EXPECT_FALSE(doc.PolygonTouchesChart(far));
    EXPECT_FALSE(doc.PolygonTouchesChart(std::span(across).first(2))) << "two corners";
}

// The palette file's colour sections change only the tables and indexes they
// name: a file with Day sections alone leaves Dusk and Night, and every index
// it leaves out, as the document's tables were before it was read.
TEST(ChartDocument, ThePaletteFileSetsOnlyTheColoursItNames)
{
    Installed chart([] {});
    const fs::path palPath = chart.in.arcs->ChartFilePath(true, "RC1001", "pal");
    const std::string original = ReadAll(palPath);
    ASSERT_GT(original.size(), 48u);
    // Identifier record, one Day section (index 5, then index 6 twice: the
    // later wins), then the file's own code-table sections.
    std::string pal = original.substr(0, 48);
    const std::string entries = std::string("\x05\x0A\x14\x1E", 4) +
                                std::string("\x06\x01\x01\x01", 4) +
                                std::string("\x06\x28\x32\x3C", 4);
    pal += std::string("\x00\x01", 2) + char(8 + entries.size()) +
           std::string("\x00\x03\x00\x00\x00", 5) + entries;
    for (std::size_t at = 48; at + 8 <= original.size();) {
        const std::size_t length = std::uint8_t(original[at + 2]) | std::uint8_t(original[at + 3])
                                                                        << 8;
        ASSERT_GE(length, 8u);
        if (std::uint8_t(original[at]) == 0xFF)
            pal += original.substr(at, length);
        at += length;
    }
    WriteAll(palPath, pal);
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OpenChart(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    const chart::ColourTable& day = doc.GetPaletteColours(chart::kPaletteDay);
    EXPECT_EQ(day[5], 0xFF0A141Eu);
    EXPECT_EQ(day[6], 0xFF28323Cu);
    EXPECT_EQ(day[7], 0u);   // not named: as the base left it
    for (const int p : {chart::kPaletteDusk, chart::kPaletteNight}) {
        const chart::ColourTable& table = doc.GetPaletteColours(p);
        EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](auto c) { return c == 0; })) << p;
    }
}

// Damaged file sets: a file the open needs that is missing or cut short fails
// the open; a damaged full-detail raster fails only the zoom to it, which
// leaves the overview active; a notes file cut inside a record opens.
TEST(ChartDocument, DamagedChartFilesFailWhatNeedsThem)
{
    enum Damage { Remove, Cut, Flip };
    struct Row {
        const char* ext;
        Damage damage;
        std::size_t at;   // Cut: the length kept; Flip: the byte's offset
        bool opens;
        bool fullDetail;
    };
    const Row rows[] = {
        {"hdr", Remove, 0, false, false},       {"hdr", Cut, 120, false, false},
        {"pal", Remove, 0, false, false},       {"pal", Cut, 48, false, false},
        {"lor", Remove, 0, false, false},       {"loi", Remove, 0, false, false},
        {"lor", Cut, 40, false, false},         {"loi", Cut, 2, false, false},
        {"p00", Remove, 0, false, false},       {"n00", Remove, 0, false, false},
        {"n00", Cut, 48 + 26 + 10, true, true}, {"chr", Remove, 0, true, false},
        {"chi", Remove, 0, true, false},        {"chr", Cut, 40, true, false},
        {"chr", Flip, 10, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.ext) + " damage " + std::to_string(int(row.damage)));
        Installed chart([] {});
        const fs::path file = chart.in.arcs->ChartFilePath(true, "RC1001", row.ext);
        ASSERT_TRUE(fs::exists(file));
        if (row.damage == Remove) {
            fs::remove(file);
        } else if (row.damage == Cut) {
            fs::resize_file(file, row.at);
        } else {
            std::string bytes = ReadAll(file);
            bytes[row.at] = char(bytes[row.at] ^ 0xFF);
            WriteAll(file, bytes);
        }
        chart.in.ui.prompts.clear();
        CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
        doc.AttachWindow(&chart.window);
        ASSERT_EQ(doc.OpenChart(chart.in.arcs->GetCataloguedChartPath("RC1001")), row.opens);
        EXPECT_TRUE(chart.in.ui.prompts.empty());   // files on disk: no medium is asked for
        if (!row.opens)
            continue;
        EXPECT_EQ(doc.SetZoom(3, nullptr), row.fullDetail);
        EXPECT_EQ(doc.ActiveRaster(), row.fullDetail ? CHCRFDoc::kHigh : CHCRFDoc::kLow);
        EXPECT_TRUE(chart.in.ui.prompts.empty());
    }
}

// Where an open looks for the chart's files: a chart on its medium asks for
// that medium by its name and date; one delivered on update media ("UPDATE"
// in any case) asks for the medium its date field names, or its update
// medium when that is empty, and tests no date; cancelling the prompt fails
// the open with the prompt-cancelled flag set. A chart on the disk whose
// charts folder is gone fails without a prompt.
TEST(ChartDocument, AnOpenAsksForTheMediumTheCatalogueNames)
{
    struct Row {
        const char* chartCd;
        const char* chartDate;
        std::uint8_t source;
        bool giveChartMedium;   // at the first prompt; any further prompt is cancelled
        const char* named;   // in the first prompt; nullptr: no prompt at all
        bool opens;
    };
    const Row rows[] = {
        {"RC1", "19990101", 0, true, "RC1", false},   // the medium's date differs
        {"update", "RC1", 0, true, "RC1", true},   // no date tested
        {"Update", "", 0, false, "WK10_26", false},
        {"RC1", "", 1, false, nullptr, false},   // charts folder removed
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.chartCd) + " " + row.chartDate);
        Installed chart([] {});
        auto& in = chart.in;
        in.arcs->CloseCatalogue();
        ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
        ASSERT_TRUE(in.Cat().SeekKey("RC1001"));
        in.Cat().m_chcdid = row.chartCd;
        in.Cat().m_chcddop = row.chartDate;
        in.Cat().m_source = row.source;
        ASSERT_TRUE(in.Cat().Update());
        in.Cat().FlushIfOpen();
        in.arcs->CloseCatalogue();
        ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), true));
        const std::string path = in.arcs->GetCataloguedChartPath("RC1001");
        if (row.source & 1)
            fs::remove_all(in.arcs->ChartsFolder());
        fs::create_directories(chart.dir / "empty");
        in.charting->SetSourcePath((chart.dir / "empty").string());
        in.ui.prompts.clear();
        in.ui.messages.clear();
        in.ui.answers.clear();
        if (row.giveChartMedium)
            in.ui.answers = {(chart.dir / "RC1").string()};
        CHCRFDoc doc(in.charting.get(), in.arcs);
        doc.AttachWindow(&chart.window);
        EXPECT_EQ(doc.OpenChart(path), row.opens);
        if (!row.named) {
            EXPECT_TRUE(in.ui.prompts.empty());
            EXPECT_FALSE(doc.PromptCancelled());
            continue;
        }
        ASSERT_FALSE(in.ui.prompts.empty());
        EXPECT_NE(in.ui.prompts[0].find(row.named), std::string::npos) << in.ui.prompts[0];
        EXPECT_EQ(doc.PromptCancelled(), !row.opens);
        // Only a chart on its own medium has its date tested.
        const bool dated = std::string(row.chartDate) == "19990101";
        EXPECT_EQ(in.ui.messages.size(), dated ? 1u : 0u);
    }
}

// The outline's own pixels: a point is on the chart by the sub-panel's polygon
// test, whose bounding box leaves out its right and bottom columns and whose
// ray along the top edge crosses nothing. So of a rectangular outline the
// left edge below the top corner is on the chart and the other three edges
// and all four corners are not: the position pane stays empty there.
TEST(ChartDocument, OutlinePixelsOnTheChartAsThePolygonTestSays)
{
    Installed chart([] {}, 0,
                    [](hcrftool::ChartParameters& p) {
                        p.mainOutline = {{10, 20}, {310, 20}, {310, 380}, {10, 380}};
                    });
    CHCRFDoc doc(chart.in.charting.get(), chart.in.arcs);
    doc.AttachWindow(&chart.window);
    ASSERT_TRUE(doc.OnOpenDocument(chart.in.arcs->GetCataloguedChartPath("RC1001")));
    const struct {
        geo::IntPoint p;
        bool on;
    } points[] = {
        {{10, 20}, false},  {{310, 20}, false},  {{310, 380}, false}, {{10, 380}, false},
        {{150, 20}, false}, {{310, 200}, false}, {{150, 380}, false}, {{10, 200}, true},
        {{11, 21}, true},   {{309, 379}, true},  {{9, 200}, false},   {{150, 19}, false},
    };
    for (const auto& c : points)
        EXPECT_EQ(doc.IsChartPointOnChart(c.p), c.on) << c.p.x << "," << c.p.y;
}
