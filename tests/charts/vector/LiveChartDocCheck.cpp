// The vector chart document: its information texts, opening a ".b" made from
// a cell, and its drawing recorded where overlays are placed.
#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "../../support/FakeChartWindow.h"
#include "ChildProcess.h"
#include "FileSettingsHome.h"
#include "S57CellWriter.h"
#include "TempFolder.h"
#include "TestCells.h"
#include "chart/ChartingModule.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/vector/LiveChartDoc.h"
#include "charts/vector/LiveChartDraw.h"
#include "charts/vector/LiveChartFolderModel.h"
#include "charts/vector/LiveChartInfo.h"
#include "charts/vector/LiveChartService.h"
#include "engines/vector/Folio.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"
#include "geo/DatumInfo.h"
#include "platform/Files.h"
#include "platform/SettingsStore.h"

using namespace charts;
using brine_test::FakeChartWindow;
using brine_test::TempFolder;

TEST(LiveChartInfo, BlockDecoding)
{
    struct FlagRow {
        std::uint8_t flags;
        bool crosses;
        const char* orientation;
        const char* projection;
    };
    for (const auto& row :
         {FlagRow{0, false, "North up", "UT Mercator"},
          FlagRow{1, true, "North up,crossing Date Line", "UT Mercator"},
          FlagRow{6, false, "Polar", "North pole"}, FlagRow{12, false, "Polar", "South pole"},
          FlagRow{7, true, "Polar", "North pole"}, FlagRow{13, true, "Polar", "South pole"}}) {
        auto o = OrientationFromFlags(row.flags);
        EXPECT_EQ(o.crossesDateLine, row.crosses) << int(row.flags);
        EXPECT_EQ(o.orientation, row.orientation) << int(row.flags);
        EXPECT_EQ(o.projection, row.projection) << int(row.flags);
    }
    // S-57 HDAT 2 is WGS 84; 255 at 38 falls back to the code at 39; unknown
    // codes give the fallback datum.
    EXPECT_EQ(DatumIndexFromCodes(2, 0), geo::DatumIndexWGS84());
    EXPECT_EQ(DatumIndexFromCodes(255, 2), geo::DatumIndexWGS84());
    EXPECT_EQ(DatumIndexFromCodes(0, 2), geo::DatumIndexWGS84());
    EXPECT_EQ(DatumIndexFromCodes(200, 2), geo::DatumIndexFallback());
    EXPECT_EQ(DatumLevelText(0), "Unspecified");
    EXPECT_EQ(DatumLevelText(12), "MLLW - Mean Lower Low Water");
    EXPECT_EQ(DatumLevelText(23), "LAT - Lowest Astronomical Tide");
    EXPECT_EQ(DatumLevelText(99), "");
    EXPECT_EQ(DepthUnitsText(0, "x"), "");
    EXPECT_EQ(DepthUnitsText(1, "x"), "metres");
    EXPECT_EQ(DepthUnitsText(4, "fm and ft"), "fm and ft");
    EXPECT_EQ(BuoyageText(2), "IALA B");
    EXPECT_EQ(BuoyageText(9), "");
    EXPECT_EQ(CleanNotes("\r\n  Caution:\tsubmarine\x01\x02 cable\n\n area.  "),
              "Caution: submarine cable area. ");
    EXPECT_EQ(ScaleText(0), "");
    EXPECT_EQ(ScaleText(20000), "1:20000");
}

namespace {

// The sample cell `name` written, imported and stored as "<name>.b" in `folder`.
// The cell "<name>.000" of `folder` imported and stored beside it as "<name>.b".
bool StoreCell(const std::filesystem::path& folder, const std::string& name)
{
    vengine::VChartData chart;
    return vengine::ImportS57Cell((folder / (name + ".000")).string(), true, chart).ok &&
           vengine::WriteVChartFile(folder / (name + ".b"), chart, nullptr);
}

bool WriteSampleChart(const std::filesystem::path& folder, const std::string& name)
{
    return vtest::WriteSampleCell(folder, name) && StoreCell(folder, name);
}

struct OpenLive {
    explicit OpenLive(const std::filesystem::path& path) : window(geo::IntRect{0, 0, 800, 600})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        opened = doc.OnOpenDocument(path.string());
    }
    FakeChartWindow window;
    CLiveChartDoc doc;
    bool opened = false;
};

}   // namespace

TEST(LiveChartDoc, OpensTheStoreShowsItsTextsAndDrawsWhereOverlaysGo)
{
    TempFolder dir;
    ASSERT_TRUE(vtest::WriteSampleCell(dir.Path(), "US5WA99M"));
    vengine::VChartData chart;
    ASSERT_TRUE(vengine::ImportS57Cell((dir / "US5WA99M.000").string(), true, chart).ok);
    ASSERT_TRUE(vengine::WriteVChartFile(dir / "US5WA99M.b", chart, nullptr));

    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    OpenLive live(dir / "US5WA99M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    auto& doc = live.doc;
    EXPECT_EQ(doc.GetChartType(), chart::kChartLivechart);
    EXPECT_EQ(doc.GetChartNumber(), "US5WA99M");
    EXPECT_EQ(doc.GetScaleText(), "1:20000");
    EXPECT_EQ(doc.GetHorizontalDatum(), "WGS 84");
    EXPECT_EQ(doc.GetDepthDatum(), "MLLW - Mean Lower Low Water");
    EXPECT_EQ(doc.GetBuoyage(), "IALA B");
    EXPECT_EQ(doc.GetDepthUnits(), "metres");
    EXPECT_EQ(doc.GetChartTitle(), "SAMPLE - NOT FOR NAVIGATION");
    EXPECT_FALSE(doc.IsWorldChart());

    // The buoy drawn by the chart and an overlay placed at its position meet.
    auto backend = std::make_unique<chart::CRecordingBackend>();
    auto* recorder = backend.get();
    chart::CXDC dc(std::move(backend));
    ASSERT_EQ(doc.DrawChart(dc), 1);
    geo::IntPoint overlay;
    ASSERT_TRUE(doc.PositionToPoint(geo::CPosition(47.6012345, -122.3912345), overlay));
    bool met = false;
    int areas = 0;
    for (const auto& r : recorder->Records()) {
        if (r.op == chart::DrawOp::Ellipse && r.points.size() == 2) {
            const int cx = (r.points[0].x + r.points[1].x) / 2;
            const int cy = (r.points[0].y + r.points[1].y) / 2;
            met |= std::abs(cx - overlay.x) <= 1 && std::abs(cy - overlay.y) <= 1;
        }
        areas += r.op == chart::DrawOp::PolyPolygon;
    }
    EXPECT_TRUE(met);

    // A window narrower than 37 pixels still has the chart drawn in it.
    live.window.client = geo::IntRect{0, 0, 20, 300};
    auto narrowBackend = std::make_unique<chart::CRecordingBackend>();
    auto* narrow = narrowBackend.get();
    chart::CXDC narrowDc(std::move(narrowBackend));
    ASSERT_EQ(doc.DrawChart(narrowDc), 1);
    EXPECT_TRUE(std::any_of(narrow->Records().begin(), narrow->Records().end(),
                            [](const auto& r) { return r.op == chart::DrawOp::PolyPolygon; }));
    live.window.client = geo::IntRect{0, 0, 800, 600};
    EXPECT_GE(areas, 1);   // the depth area with its hole

    // A damaged file opens to a message.
    std::string bytes = vengine::EncodeVChart(chart);
    std::ofstream(dir / "BAD.b", std::ios::binary) << bytes.substr(0, bytes.size() - 9);
    OpenLive bad(dir / "BAD.b");
    EXPECT_FALSE(bad.opened);
    EXPECT_NE(bad.doc.OpenError().find("damaged"), std::string::npos) << bad.doc.OpenError();
}

// "Chart boundaries" on a vector chart: the folio's other charts are outlined
// where they cross the view, one of larger scale in cyan, one of smaller scale
// in magenta (also across the 180-degree meridian's other side); the chart's
// own outline and a record not in use are not drawn.
TEST(LiveChartDoc, FolioBoxesOutlineTheOtherChartsByTheirScale)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA99M"));
    ASSERT_GT(vengine::UpdateFolio(dir.Path(), {}, {}).recordsWritten, 0);
    OpenLive live(dir / "US5WA99M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    CLiveChartDoc& doc = live.doc;
    geo::CPosition nw, se;
    ASSERT_TRUE(doc.GetExtent(nw, se));
    const auto units = [](double degrees) { return vengine::DegreesToUnits(degrees); };
    const double midLat = (nw.GetLatitude() + se.GetLatitude()) / 2;
    const double midLon = (nw.GetLongitude() + se.GetLongitude()) / 2;
    const double dLat = (nw.GetLatitude() - se.GetLatitude()) / 8;
    const double dLon = (se.GetLongitude() - nw.GetLongitude()) / 8;
    auto records = *vengine::ReadFolio(dir.Path());
    ASSERT_EQ(records.size(), 1u);
    // A harbour plan in the middle of the view, an approach chart over its
    // west half, and an unused record over its east half.
    records.push_back({"HARBOUR", units(midLon - dLon), units(midLat - dLat), units(midLon + dLon),
                       units(midLat + dLat), 5000, true});
    records.push_back({"APPROACH", units(nw.GetLongitude() - 1), units(midLat - 2 * dLat),
                       units(midLon - 2 * dLon), units(midLat + 2 * dLat), 80000, true});
    records.push_back({"UNUSED", units(midLon + 2 * dLon), units(midLat - dLat),
                       units(se.GetLongitude() - dLon), units(midLat + dLat), 1000, false});
    std::ofstream(dir / "LC.FOL", std::ios::binary | std::ios::trunc)
        << vengine::EncodeFolio(records);

    auto backend = std::make_unique<chart::CRecordingBackend>();
    auto* recorder = backend.get();
    chart::CXDC dc(std::move(backend));
    ASSERT_TRUE(doc.DrawFolioBoxes(dc));
    std::vector<std::pair<geo::IntPoint, geo::IntPoint>> cyan, magenta;
    for (const auto& r : recorder->Records()) {
        if (r.op != chart::DrawOp::Line || r.points.size() != 2)
            continue;
        if (r.pen.colour == 0x00FFFF00)
            cyan.emplace_back(r.points[0], r.points[1]);
        else if (r.pen.colour == 0x00FF00FF)
            magenta.emplace_back(r.points[0], r.points[1]);
        else
            ADD_FAILURE() << r.Describe();
    }
    const auto near = [](geo::IntPoint a, geo::IntPoint b) {
        return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
    };
    // The harbour plan's four sides, at its corners.
    geo::IntPoint corner;
    ASSERT_TRUE(doc.PositionToPoint(geo::CPosition(midLat + dLat, midLon - dLon), corner));
    ASSERT_EQ(cyan.size(), 4u);
    EXPECT_TRUE(std::any_of(cyan.begin(), cyan.end(), [&](const auto& line) {
        return near(line.first, corner) || near(line.second, corner);
    }));
    // The approach chart: its east side and the parts of its north and south
    // sides inside the view, its west side off the view.
    EXPECT_EQ(magenta.size(), 3u);
    ASSERT_TRUE(doc.PositionToPoint(geo::CPosition(midLat, midLon - 2 * dLon), corner));
    for (const auto& line : magenta)
        EXPECT_LE(std::max(line.first.x, line.second.x), corner.x + 1);
}

TEST(LiveChartService, FolioItemsAndTheUpdateMessage)
{
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    CLiveChartService service(home);
    service.SetChartsFolder(dir.Path().string());
    EXPECT_EQ(service.Folder(), dir / "LIVECHART");
    EXPECT_TRUE(service.OpensExtension("B"));
    EXPECT_FALSE(service.HasChartsOrCells());   // Update Folio stays disabled
    ASSERT_TRUE(vtest::WriteSampleCell(service.Folder(), "US5WA01M"));
    ASSERT_TRUE(vtest::WriteSampleCell(service.Folder(), "US4WA02M"));
    EXPECT_TRUE(service.HasChartsOrCells());
    auto result = service.UpdateFolio({}, {});
    EXPECT_EQ(CLiveChartService::UpdateMessage(result),
              "Folio Updated OK: 2 files were added to the folio file");
    // The folio file is rebuilt each time: again with nothing new, the same
    // two; with a third cell, three.
    EXPECT_EQ(CLiveChartService::UpdateMessage(service.UpdateFolio({}, {})),
              "Folio Updated OK: 2 files were added to the folio file");
    ASSERT_TRUE(vtest::WriteSampleCell(service.Folder(), "US3WA03M"));
    EXPECT_EQ(CLiveChartService::UpdateMessage(service.UpdateFolio({}, {})),
              "Folio Updated OK: 3 files were added to the folio file");
    std::filesystem::remove(service.Folder() / "US3WA03M.b");
    std::filesystem::remove(service.Folder() / "US3WA03M.000");
    ASSERT_GT(service.UpdateFolio({}, {}).recordsWritten, 0);
    chart::Folio folio;
    EXPECT_EQ(service.BuildFolio(folio), 2);
    ASSERT_EQ(folio.size(), 2u);
    auto* item = dynamic_cast<CLiveChartFolioItem*>(folio[0].get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->chartKind, chart::kChartLivechart);
    EXPECT_EQ(item->fileName, "US4WA02M.b");
    EXPECT_TRUE(item->Matches({"US4WA02M", 0, 0, 0, 0, 20000, true}));
    EXPECT_FALSE(item->Matches({"US4WA02M", 0, 0, 0, 0, 50000, true}));
    service.RemoveFolioItems(folio);
    EXPECT_TRUE(folio.empty());

    vengine::FolioUpdateResult r;
    r.recordsWritten = 1;
    EXPECT_EQ(CLiveChartService::UpdateMessage(r),
              "Folio Updated OK: one file added to the folio file");
    for (const int failed : {0, -1, -4}) {
        r.recordsWritten = failed;
        EXPECT_EQ(CLiveChartService::UpdateMessage(r), "Update Folio failed") << failed;
    }
}

// Charts an older installation kept in the program folder's "LIVECHART" move
// into the chart folder at start while that is empty, their folio deleted for
// the next update to rebuild; a chart folder already holding charts keeps them.
TEST(LiveChartService, AnOlderInstallationsChartsMoveIntoAnEmptyChartFolder)
{
    namespace fs = std::filesystem;
    for (const bool filled : {false, true}) {
        TempFolder dir;
        brine_test::FileSettingsHome home(dir / "s.conf");
        const fs::path old = dir / "program" / "LIVECHART";
        const fs::path folder = dir / "Charts" / "LIVECHART";
        fs::create_directories(old);
        std::ofstream(old / "US5WA01M.b") << "chart";
        std::ofstream(old / "lc.fol") << "folio";
        if (filled) {
            fs::create_directories(folder);
            std::ofstream(folder / "US4WA02M.b") << "the user's";
        }
        chart::CChartingServices services;
        services.programFolder = (dir / "program").string();
        services.defaultChartsFolder = (dir / "Charts").string();
        services.chartServices.push_back(std::make_unique<CLiveChartService>(home));
        chart::CChartingModule charting{home, std::move(services)};
        ASSERT_TRUE(charting.Initialise());
        EXPECT_EQ(fs::exists(folder / "US5WA01M.b"), !filled) << filled;
        EXPECT_FALSE(fs::exists(folder / "lc.fol")) << filled;
        EXPECT_EQ(fs::exists(old), filled) << filled;
        EXPECT_EQ(fs::exists(folder / "US4WA02M.b"), filled) << filled;
    }
}

// A folio update killed while it writes a chart store or the folio leaves
// its temp file in the chart folder; the next start's folio build takes it
// away. A write still going on (its temp file locked) and other files stay.
TEST(LiveChartService, FolioBuildClearsWhatAKilledUpdateLeft)
{
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    CLiveChartService service(home);
    service.SetChartsFolder(dir.Path().string());
    for (const char* name : {"US5WA01M", "US4WA02M", "US3WA03M"})
        ASSERT_TRUE(vtest::WriteSampleCell(service.Folder(), name));
    const auto leftovers = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(service.Folder()))
            if (entry.path().filename().string().find(".tmp-") != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    };
    const auto startUpdate = [&] {
        for (const auto& cell : vengine::FindCells(service.Folder()))
            std::filesystem::last_write_time(cell, std::filesystem::file_time_type::clock::now());
        return brine_test::ForkChild([&] {
            return vengine::UpdateFolio(service.Folder(), {}, {}).recordsWritten > 0 ? 0 : 1;
        });
    };
    // One whole update, timed on this machine as loaded as it is now: the
    // kills fall within that time.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(brine_test::WaitChild(startUpdate()), 0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    std::mt19937 random(8);
    for (int round = 0; round < 200 && leftovers().empty(); ++round) {
        const pid_t child = startUpdate();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (span + 1)));
        ::kill(child, SIGKILL);
        brine_test::WaitChild(child);
    }
    ASSERT_FALSE(leftovers().empty()) << "no kill fell inside a write";
    auto live = platform::CreateLockedTempFile(service.Folder(), "US9WA09M.b.tmp-");
    ASSERT_TRUE(live);
    std::ofstream(service.Folder() / "notes.txt.tmp-a1b2c3") << "the user's";

    chart::Folio folio;
    service.BuildFolio(folio);
    const auto left = leftovers();
    EXPECT_EQ(left.size(), 2u) << "a killed update's temp file stays";
    EXPECT_TRUE(std::filesystem::exists(live->path)) << "a write under way lost its temp file";
    EXPECT_TRUE(std::filesystem::exists(service.Folder() / "notes.txt.tmp-a1b2c3"));
}

TEST(LiveChartService, DisclaimerOncePerRunUnlessDeclined)
{
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    CLiveChartService service(home);
    // The "dialog": its flag, whether it is up, and how often it came up.
    bool* flag = nullptr;
    bool up = false;
    int shown = 0;
    service.SetDisclaimerHost({[&](bool* accepted) {
                                   flag = accepted;
                                   up = true;
                                   ++shown;
                               },
                               [&] {
                                   if (up && flag)
                                       *flag = false;   // a cancel declines
                                   up = false;
                               }});
    EXPECT_TRUE(service.ChartOpened());
    EXPECT_EQ(shown, 1);
    ASSERT_NE(flag, nullptr);
    EXPECT_TRUE(*flag);   // set while it shows; agreeing keeps it
    up = false;   // agreed
    EXPECT_FALSE(service.ChartOpened());   // once per run
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(service.OpenCharts(), 2);

    // Declined: the flag cleared, the next chart asks again.
    *flag = false;
    service.ChartClosed();
    service.ChartClosed();
    EXPECT_EQ(service.OpenCharts(), 0);
    EXPECT_TRUE(service.ChartOpened());
    EXPECT_EQ(shown, 2);
    // The last vector chart closes while it is still up: cancelled, and the
    // next chart shows it again.
    service.ChartClosed();
    EXPECT_FALSE(up);
    EXPECT_FALSE(service.DisclaimerAccepted());
    EXPECT_TRUE(service.ChartOpened());
    EXPECT_EQ(shown, 3);
    service.ChartClosed();
    service.ChartClosed();   // never below none
    EXPECT_EQ(service.OpenCharts(), 0);
}

TEST(LiveChartDoc, EachDocumentKeepsItsOwnChartAndView)
{
    TempFolder dir;
    for (const char* name : {"US5WA98M", "US5WA99M"})
        ASSERT_TRUE(WriteSampleChart(dir.Path(), name));
    // Two windows on one chart and a third on another.
    OpenLive a(dir / "US5WA98M.b");
    OpenLive b(dir / "US5WA98M.b");
    OpenLive c(dir / "US5WA99M.b");
    ASSERT_TRUE(a.opened && b.opened && c.opened);
    geo::CPosition nw0, se0;
    ASSERT_TRUE(b.doc.GetExtent(nw0, se0));

    // Zooming one changes its own view only.
    ASSERT_TRUE(a.doc.ZoomIn());
    ASSERT_TRUE(a.doc.ZoomIn());
    geo::CPosition nw, se;
    ASSERT_TRUE(a.doc.GetExtent(nw, se));
    EXPECT_LT(se.GetLongitude() - nw.GetLongitude(), (se0.GetLongitude() - nw0.GetLongitude()) / 2);
    geo::CPosition bnw, bse;
    ASSERT_TRUE(b.doc.GetExtent(bnw, bse));
    EXPECT_EQ(bnw.GetLatitude(), nw0.GetLatitude());
    EXPECT_EQ(bse.GetLongitude(), se0.GetLongitude());
    // The zoomed view's corner lies at a corner there and well inside the other view.
    geo::IntPoint pa, pb;
    ASSERT_TRUE(a.doc.PositionToPoint(nw, pa));
    ASSERT_TRUE(b.doc.PositionToPoint(nw, pb));
    EXPECT_LE(std::abs(pa.x) + std::abs(pa.y), 2);
    EXPECT_GT(pb.x, 100);
    EXPECT_GT(pb.y, 50);
    // Each document keeps its own file and texts.
    EXPECT_EQ(a.doc.GetChartNumber(), "US5WA98M");
    EXPECT_EQ(c.doc.GetChartNumber(), "US5WA99M");
    EXPECT_NE(a.doc.File(), b.doc.File());
}

// A second window on a chart (the one that follows the vessel) takes over
// the first's view by showing the first's whole chart; its own view stays.
TEST(LiveChartDoc, TakingOverAViewShowsTheOtherDocumentsWholeChart)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA98M"));
    OpenLive a(dir / "US5WA98M.b");
    OpenLive b(dir / "US5WA98M.b");
    ASSERT_TRUE(a.opened && b.opened);
    auto extent = [](CLiveChartDoc& d) {
        geo::CPosition nw, se;
        EXPECT_TRUE(d.GetExtent(nw, se));
        return std::array{nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()};
    };
    auto whole = [](CLiveChartDoc& d) {
        return d.IsWestEdgeInView() && d.IsNorthEdgeInView() && d.IsEastEdgeInView() &&
               d.IsSouthEdgeInView();
    };
    ASSERT_TRUE(b.doc.ZoomIn());
    const auto ownView = extent(b.doc);
    ASSERT_TRUE(a.doc.ZoomIn());
    ASSERT_TRUE(a.doc.ZoomIn());
    ASSERT_FALSE(whole(a.doc));
    EXPECT_TRUE(b.doc.TakeOverViewState(a.doc));
    EXPECT_TRUE(whole(a.doc));
    EXPECT_EQ(extent(b.doc), ownView) << "the taking document keeps its view";
    ASSERT_TRUE(b.doc.ZoomFull());
    EXPECT_EQ(extent(a.doc), extent(b.doc)) << "the whole chart, as Full shows it";
}

// A vector chart counts as loaded only while the folio file lies in its
// folder: without it the chart is neither drawn nor zoomed, and the chart's
// range text is empty.
TEST(LiveChartDoc, LoadedOnlyWithTheFolioInItsFolder)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA98M"));
    std::filesystem::remove(dir / "LC.FOL");
    OpenLive live(dir / "US5WA98M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    EXPECT_FALSE(live.doc.IsChartLoaded());
    EXPECT_EQ(live.doc.GetExtentText(), "");
    const std::string folio = vengine::EncodeFolio({{"US5WA98M", 0, 0, 1, 1, 20000}});
    std::ofstream(dir / "lc.fol", std::ios::binary) << folio;
    EXPECT_TRUE(live.doc.IsChartLoaded()) << "the folio's name in small letters";
    EXPECT_NE(live.doc.GetExtentText(), "");
    std::filesystem::remove(dir / "lc.fol");
    std::ofstream(dir / "LC.FOL", std::ios::binary) << folio;
    EXPECT_TRUE(live.doc.IsChartLoaded());
    std::filesystem::remove(dir / "LC.FOL");
    EXPECT_FALSE(live.doc.IsChartLoaded());
    // A chart that did not open is not loaded, folio or none.
    std::ofstream(dir / "LC.FOL", std::ios::binary) << folio;
    OpenLive bad(dir / "NONE.b");
    EXPECT_FALSE(bad.opened);
    EXPECT_FALSE(bad.doc.IsChartLoaded());
}

TEST(LiveChartService, ChartFolderSettingAndFirstStartSamples)
{
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");

    // The sample folder: two cells, one the world chart, and a file that is no cell.
    const std::filesystem::path samples = dir / "samples";
    std::filesystem::create_directories(samples);
    ASSERT_TRUE(vtest::WriteSampleCell(samples, "LCWORLD"));
    ASSERT_TRUE(vtest::WriteSampleCell(samples, "US5WA01M"));
    std::ofstream(samples / "README.txt") << "not a cell";

    {
        CLiveChartService service(home);
        service.SetChartsFolder(dir.Path().string());
        const std::string overview = service.InstallSampleMedia(samples.string());
        EXPECT_EQ(overview, (service.Folder() / "US5WA01M.b").string());
        EXPECT_TRUE(std::filesystem::exists(service.Folder() / "LCWORLD.b"));
        EXPECT_FALSE(std::filesystem::exists(service.Folder() / "README.txt"));
        // The folder now holds charts: a second start installs nothing.
        EXPECT_EQ(service.InstallSampleMedia(samples.string()), "");

        // A folder named on the Chart Options page is made and kept.
        EXPECT_FALSE(service.SetFolder(""));
        EXPECT_TRUE(service.SetFolder((dir / "mine" / "vector").string()));
        EXPECT_TRUE(std::filesystem::is_directory(dir / "mine" / "vector"));
        EXPECT_FALSE(service.HasChartsOrCells());
    }
    CLiveChartService later(home);
    later.SetChartsFolder(dir.Path().string());
    EXPECT_EQ(later.Folder(), dir / "LIVECHART");
    later.LoadSettings();
    EXPECT_EQ(later.Folder(), dir / "mine" / "vector");

    // The page's model: full paths of folders only; every apply hands the
    // folder on, changed or not.
    std::vector<std::string> applied;
    CLiveChartFolderModel model(later.Folder().string(),
                                [&applied](const std::string& f) { applied.push_back(f); });
    model.Apply();
    EXPECT_EQ(applied, std::vector<std::string>{later.Folder().string()});   // unchanged
    applied.clear();
    for (const std::string& bad :
         std::vector<std::string>{"", "relative/charts", (samples / "README.txt").string()}) {
        model.Folder() = bad;
        EXPECT_EQ(model.Validate().size(), 1u) << bad;
    }
    model.Folder() = (dir / "other").string();
    EXPECT_TRUE(model.Validate().empty());
    model.Apply();
    model.Apply();
    EXPECT_EQ(applied, std::vector<std::string>(2, (dir / "other").string()));
}

TEST(LiveChartDoc, ZoomStopsAtEightTimesTheChartScaleAndAtTheWholeChart)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA99M"));
    OpenLive live(dir / "US5WA99M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    auto& doc = live.doc;
    auto metresPerPixel = [&doc] {
        double metres = 0;
        EXPECT_TRUE(doc.GetMetresPerPixel(metres));
        return metres;
    };
    auto extent = [&doc] {
        geo::CPosition nw, se;
        EXPECT_TRUE(doc.GetExtent(nw, se));
        return std::array{nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()};
    };

    // 1:20000 on a 0.28 mm pixel is 5.6 m; eight times over, 0.7 m a pixel.
    EXPECT_FALSE(doc.IsAtMaxZoom());
    EXPECT_TRUE(doc.ZoomMax());
    EXPECT_NEAR(metresPerPixel(), 0.7, 1e-6);
    EXPECT_TRUE(doc.IsAtMaxZoom());
    const auto atLimit = extent();
    EXPECT_FALSE(doc.ZoomIn());
    EXPECT_EQ(extent(), atLimit);
    // A small zoom rectangle goes to the place at the limit, not past it.
    ASSERT_TRUE(doc.ZoomToRect(100, 100, 104, 103));
    EXPECT_NEAR(metresPerPixel(), 0.7, 1e-6);
    EXPECT_TRUE(doc.IsAtMaxZoom());

    // Zoom Out with no smaller-scale chart stops with the whole chart filling
    // the view, and then says so.
    int steps = 0;
    while (!doc.IsAtMinZoom() && steps < 40) {
        ASSERT_TRUE(doc.ZoomOut());
        ++steps;
    }
    ASSERT_TRUE(doc.IsAtMinZoom()) << steps << " zoom-outs";
    geo::CPosition wholeNw, wholeSe;
    ASSERT_TRUE(doc.GetWholeExtent(wholeNw, wholeSe));
    const auto shown = extent();
    const double wholeLat = wholeNw.GetLatitude() - wholeSe.GetLatitude();
    const double wholeLon = wholeSe.GetLongitude() - wholeNw.GetLongitude();
    const bool fillsHeight = std::abs((shown[0] - shown[2]) - wholeLat) < 1e-9;
    const bool fillsWidth = std::abs((shown[3] - shown[1]) - wholeLon) < 1e-9;
    EXPECT_TRUE(fillsHeight || fillsWidth);
    EXPECT_FALSE(doc.IsAtMaxZoom());
    // Full, from close in, shows the same: all of the chart.
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomFull());
    EXPECT_EQ(extent(), shown);

    // A smaller-scale chart in the folio covering this one keeps Zoom Out open.
    vengine::FolioRecord overview{"US2WA99M",
                                  vengine::DegreesToUnits(wholeNw.GetLongitude()) - 100000,
                                  vengine::DegreesToUnits(wholeSe.GetLatitude()) - 100000,
                                  vengine::DegreesToUnits(wholeSe.GetLongitude()) + 100000,
                                  vengine::DegreesToUnits(wholeNw.GetLatitude()) + 100000,
                                  350000};
    std::ofstream(dir / "LC.FOL", std::ios::binary) << vengine::EncodeFolio({overview});
    OpenLive again(dir / "US5WA99M.b");
    ASSERT_TRUE(again.opened);
    while (again.doc.ZoomIn()) { }
    for (int i = 0; i < 40; ++i)
        again.doc.ZoomOut();
    EXPECT_FALSE(again.doc.IsAtMinZoom());

    // The chart NZ23 never gives way to a smaller-scale chart:
    // Zoom Out stops at its whole chart with the same overview in the folio.
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "nz23"));
    OpenLive nz23(dir / "nz23.b");
    ASSERT_TRUE(nz23.opened);
    ASSERT_EQ(nz23.doc.GetChartNumber(), "NZ23");
    for (int i = 0; i < 40 && !nz23.doc.IsAtMinZoom(); ++i)
        ASSERT_TRUE(nz23.doc.ZoomOut());
    EXPECT_TRUE(nz23.doc.IsAtMinZoom());
}

namespace {

// A window following the vessel on the harbour chart, its folio also holding
// an overview round Puget Sound (the same sample cell under another name);
// the charts the document opens are kept here with their windows.
struct FollowingHarbour {
    FollowingHarbour()
    {
        for (const char* name : {"US5WA99M", "US2WA98M"})
            EXPECT_TRUE(WriteSampleChart(dir.Path(), name));
        using vengine::DegreesToUnits;
        std::ofstream(dir / "LC.FOL", std::ios::binary)
            << vengine::EncodeFolio({{"US5WA99M", DegreesToUnits(-122.45), DegreesToUnits(47.55),
                                      DegreesToUnits(-122.3), DegreesToUnits(47.65), 20000},
                                     {"US2WA98M", DegreesToUnits(-123.2), DegreesToUnits(47.0),
                                      DegreesToUnits(-122.0), DegreesToUnits(48.3), 350000}});
        charting.Services().openChart = [this](const std::string& path, bool replace,
                                               int state) -> chart::CChartDoc* {
            auto w = std::make_unique<FakeChartWindow>(newWindow, state);
            auto d = std::make_unique<CLiveChartDoc>(&charting);
            w->doc = d.get();
            d->AttachWindow(w.get());
            if (!d->OnOpenDocument(path))
                return nullptr;
            replaced.push_back(replace);
            windows.push_back(std::move(w));
            docs.push_back(std::move(d));
            return docs.back().get();
        };
        // The vessel may move over the middle fifth of the view each way.
        charting.Services().autoscrollAreaPercent = [] { return 20; };
        window.doc = &doc;
        doc.AttachWindow(&window);
        EXPECT_TRUE(doc.OnOpenDocument((dir / "US5WA99M.b").string()));
        EXPECT_TRUE(doc.ZoomIn());
    }
    std::array<double, 4> Extent(chart::CChartDoc& d) const
    {
        geo::CPosition nw, se;
        EXPECT_TRUE(d.GetExtent(nw, se));
        return {nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()};
    }

    TempFolder dir;
    brine_test::FileSettingsHome home{dir / "s.conf"};
    chart::CChartingModule charting{home, chart::CChartingServices{}};
    FakeChartWindow window{geo::IntRect{0, 0, 800, 600}, chart::kFrameAutoscroll};
    CLiveChartDoc doc{&charting};
    // The client area of the windows the charts opened get.
    geo::IntRect newWindow{0, 0, 800, 600};
    std::vector<std::unique_ptr<FakeChartWindow>> windows;
    std::vector<std::unique_ptr<CLiveChartDoc>> docs;
    std::vector<bool> replaced;
};

}   // namespace

// On its chart the following window keeps the vessel in view; off it the
// folio's largest-scale chart covering a view of the same size round the
// vessel takes the window's place; with no chart there the view follows on.
TEST(LiveChartDoc, AutoscrollMovesToTheFoliosChartCoveringTheView)
{
    FollowingHarbour f;
    // The whole chart in view and more: only the overview covers such a view,
    // but the vessel is on this chart, which stays.
    ASSERT_TRUE(f.doc.ZoomFull());
    EXPECT_EQ(f.doc.AutoscrollToPosition(geo::CPosition(47.6, -122.38)), nullptr);
    EXPECT_TRUE(f.docs.empty());
    ASSERT_TRUE(f.doc.ZoomIn());

    // Inside the view, away from its middle: the view moves, the chart stays.
    const geo::CPosition edge(47.61, -122.39);
    ASSERT_FALSE(f.doc.IsInAutoscrollArea(edge));
    ASSERT_TRUE(f.doc.IsPositionOnChart(edge));
    EXPECT_EQ(f.doc.AutoscrollToPosition(edge), nullptr);
    EXPECT_TRUE(f.docs.empty());
    EXPECT_TRUE(f.doc.IsInAutoscrollArea(edge));

    const auto before = f.Extent(f.doc);
    const geo::CPosition north(47.70, -122.38);
    chart::CChartDoc* next = f.doc.AutoscrollToPosition(north);
    ASSERT_EQ(f.docs.size(), 1u);
    ASSERT_EQ(next, f.docs[0].get());
    EXPECT_EQ(next->GetChartNumber(), "US2WA98M");
    EXPECT_TRUE(f.replaced[0]);
    EXPECT_EQ(f.windows[0]->GetState(), chart::kFrameAutoscroll);
    const auto after = f.Extent(*next);
    // The same view size, give or take a mile's width at the new latitude.
    EXPECT_NEAR((after[0] - after[2]) / (before[0] - before[2]), 1.0, 0.01);
    EXPECT_NEAR((after[3] - after[1]) / (before[3] - before[1]), 1.0, 0.01);
    EXPECT_NEAR((after[0] + after[2]) / 2, 47.70, 1e-9) << "the vessel in the middle";
    EXPECT_NEAR((after[1] + after[3]) / 2, -122.38, 1e-9);

    // Past every chart of the folio the view moves with the vessel.
    const geo::CPosition away(49.0, -121.0);
    EXPECT_EQ(f.docs[0]->AutoscrollToPosition(away), nullptr);
    EXPECT_EQ(f.docs.size(), 1u);
    const auto followed = f.Extent(*f.docs[0]);
    EXPECT_NEAR((followed[0] + followed[2]) / 2, 49.0, 1e-9);
}

// A view that fits on the chart: as soon as the view round the vessel runs
// past the chart's edge, the chart covering such a view takes over, so the
// water ahead is never shown blank while the vessel is still on the chart.
TEST(LiveChartDoc, AutoscrollLeavesOnceTheViewRunsPastTheChartsEdge)
{
    FollowingHarbour f;
    ASSERT_TRUE(f.doc.ZoomIn());
    ASSERT_TRUE(f.doc.ZoomIn());
    const auto view = f.Extent(f.doc);
    const double halfLat = (view[0] - view[2]) / 2;
    const geo::CPosition middle((view[0] + view[2]) / 2, (view[1] + view[3]) / 2);
    ASSERT_TRUE(f.doc.IsPositionOnChart(middle));
    // The chart's north and south edges through the view's middle.
    auto edge = [&](double towards) {
        double on = middle.GetLatitude(), off = on + towards;
        EXPECT_FALSE(f.doc.IsPositionOnChart(geo::CPosition(off, middle.GetLongitude())));
        for (int i = 0; i < 50; ++i) {
            const double mid = (on + off) / 2;
            (f.doc.IsPositionOnChart(geo::CPosition(mid, middle.GetLongitude())) ? on : off) = mid;
        }
        return on;
    };
    const double north = edge(1.0), south = edge(-1.0);
    ASSERT_LT(4 * halfLat, north - south) << "the view must fit on the chart with room";

    // On the chart, half a view's height short of its north edge.
    const geo::CPosition nearEdge(north - halfLat / 2, middle.GetLongitude());
    ASSERT_TRUE(f.doc.IsPositionOnChart(nearEdge));
    // With best chart selection on, the chart holding the vessel stays the
    // best one up to its edge: no other chart takes over, however often asked.
    ASSERT_TRUE(f.charting.IsAutoscrollOn());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.doc.AutoscrollToPosition(nearEdge), nullptr);
    EXPECT_TRUE(f.docs.empty());

    // With it off the chart covering a view of this size round the vessel is
    // chosen. In the middle the chart stays.
    f.charting.SetAutoscroll(false);
    EXPECT_EQ(f.doc.AutoscrollToPosition(middle), nullptr);
    EXPECT_TRUE(f.docs.empty());
    // Near the edge the view round the vessel runs past it, and the overview
    // takes over.
    chart::CChartDoc* next = f.doc.AutoscrollToPosition(nearEdge);
    ASSERT_EQ(f.docs.size(), 1u);
    ASSERT_EQ(next, f.docs[0].get());
    EXPECT_EQ(next->GetChartNumber(), "US2WA98M");
    const auto after = f.Extent(*next);
    EXPECT_NEAR((after[0] - after[2]) / 2, halfLat, halfLat * 0.01) << "the same view size";
    EXPECT_NEAR((after[0] + after[2]) / 2, nearEdge.GetLatitude(), 1e-9);
}

// A pan step moves the view by the step's pixels; once an edge of the chart is
// in view no step goes further toward it.
TEST(LiveChartDoc, PanningStopsAtTheChartsEdgeInView)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA99M"));
    OpenLive live(dir / "US5WA99M.b");
    ASSERT_TRUE(live.opened);
    CLiveChartDoc& doc = live.doc;
    auto middle = [&doc] {
        geo::CPosition nw, se;
        EXPECT_TRUE(doc.GetExtent(nw, se));
        return std::array<double, 3>{(nw.GetLatitude() + se.GetLatitude()) / 2,
                                     (nw.GetLongitude() + se.GetLongitude()) / 2,
                                     (se.GetLongitude() - nw.GetLongitude()) / 800};
    };
    // The whole chart in view: every edge is, and nothing moves.
    ASSERT_TRUE(doc.ZoomFull());
    const auto whole = middle();
    EXPECT_EQ(doc.PanHorizontal(-40), 0);
    EXPECT_EQ(doc.PanHorizontal(40), 0);
    EXPECT_EQ(doc.PanVertical(-40), 0);
    EXPECT_EQ(doc.PanVertical(40), 0);
    EXPECT_NEAR(middle()[1], whole[1], 1e-9);
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());
    // Zoomed in: a step west moves the middle the step's pixels west.
    const auto before = middle();
    EXPECT_EQ(doc.PanHorizontal(-40), 1);
    EXPECT_NEAR(middle()[1], before[1] - 40 * before[2], before[2] * 2);
    EXPECT_NEAR(middle()[0], before[0], 1e-6);
    // Westward until the chart's west edge is in view, then no further.
    int steps = 0;
    while (doc.PanHorizontal(-40) == 1 && ++steps < 200) { }
    EXPECT_LT(steps, 200);
    EXPECT_TRUE(doc.IsWestEdgeInView());
    const auto stopped = middle();
    EXPECT_EQ(doc.PanHorizontal(-40), 0);
    EXPECT_NEAR(middle()[1], stopped[1], 1e-9);
    EXPECT_EQ(doc.PanHorizontal(40), 1) << "away from the edge it moves again";
}

// Without a chart file the view still pans and centres over the world: a
// step moves it by the step's pixels, it stops at the world's edges, and at
// another latitude it keeps its scale, its width following the latitude.
TEST(LiveChartDoc, WithoutAChartFileTheViewPansAndCentresOverTheWorld)
{
    FakeChartWindow window(geo::IntRect{0, 0, 800, 400});
    CLiveChartDoc doc;
    window.doc = &doc;
    doc.AttachWindow(&window);
    auto extent = [&doc] {
        geo::CPosition nw, se;
        EXPECT_TRUE(doc.GetExtent(nw, se));
        return std::array<double, 4>{nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(),
                                     se.GetLongitude()};
    };
    auto expect = [&extent](std::array<double, 4> want, const char* what) {
        const auto got = extent();
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(got[i], want[i], 1e-9) << what << " " << i;
    };
    // 90 by 45 degrees on the equator over 800 by 400 pixels.
    ASSERT_TRUE(doc.SetViewExtent(geo::CPosition(22.5, -45.0), geo::CPosition(-22.5, 45.0)));
    EXPECT_EQ(doc.PanHorizontal(-100), 1);
    expect({22.5, -56.25, -22.5, 33.75}, "left by 100 px");
    EXPECT_EQ(doc.PanHorizontal(-10000), 1);
    expect({22.5, -180, -22.5, -90}, "stops at 180 W");
    EXPECT_EQ(doc.PanVertical(-10000), 1);
    const double wide = 90.0 / std::cos(67.5 * M_PI / 180.0);
    expect({90, -180, 45, -180 + wide}, "stops at the pole, as high and wider");
    EXPECT_TRUE(doc.CentreOnPosition(geo::CPosition(0.0, 0.0), false));
    expect({22.5, -45, -22.5, 45}, "centred on 0, 0");
    EXPECT_FALSE(doc.CentreOnPosition(geo::CPosition(0.0, 0.0), false)) << "already there";
}

// Centring on a position off the chart opens the folio's chart covering it in
// this window's place, or, asked to stay, moves the view on this chart; with
// no chart there nothing moves.
TEST(LiveChartDoc, CentringOffTheChartMovesToACoveringFolioChart)
{
    FollowingHarbour f;
    const auto before = f.Extent(f.doc);
    EXPECT_FALSE(f.doc.CentreOnPosition(geo::CPosition(10.0, 10.0), false));
    EXPECT_EQ(f.Extent(f.doc), before);
    EXPECT_TRUE(f.docs.empty());

    const geo::CPosition north(47.70, -122.38);
    EXPECT_TRUE(f.doc.CentreOnPosition(north, true));
    EXPECT_TRUE(f.docs.empty());
    EXPECT_NEAR((f.Extent(f.doc)[0] + f.Extent(f.doc)[2]) / 2, 47.70, 1e-9);

    EXPECT_TRUE(f.doc.CentreOnPosition(geo::CPosition(47.72, -122.5), false));
    ASSERT_EQ(f.docs.size(), 1u);
    EXPECT_EQ(f.docs[0]->GetChartNumber(), "US2WA98M");
    EXPECT_TRUE(f.replaced[0]);
    const auto shown = f.Extent(*f.docs[0]);
    EXPECT_NEAR((shown[0] + shown[2]) / 2, 47.72, 1e-9);
    EXPECT_NEAR((shown[1] + shown[3]) / 2, -122.5, 1e-9);
}

// A chart opened from outside the chart folder (File Open of any ".b") finds
// the charts round it in the chart folder's folio, and opens them from the
// chart folder, as every chart does. A folio and charts beside the file it
// was opened from are not read.
TEST(LiveChartDoc, AChartOpenedFromElsewhereUsesTheChartFolder)
{
    namespace fs = std::filesystem;
    using vengine::DegreesToUnits;
    const std::string folio =
        vengine::EncodeFolio({{"US5WA99M", DegreesToUnits(-122.45), DegreesToUnits(47.55),
                               DegreesToUnits(-122.3), DegreesToUnits(47.65), 20000},
                              {"US2WA98M", DegreesToUnits(-123.2), DegreesToUnits(47.0),
                               DegreesToUnits(-122.0), DegreesToUnits(48.3), 350000}});
    for (const bool folioBesideIt : {false, true}) {
        TempFolder dir;
        brine_test::FileSettingsHome home(dir / "s.conf");
        chart::CChartingServices services;
        services.chartServices.push_back(std::make_unique<CLiveChartService>(home));
        chart::CChartingModule charting{home, std::move(services)};
        auto& service = dynamic_cast<CLiveChartService&>(*charting.ChartServices()[0]);
        service.SetChartsFolder(dir.Path().string());
        const fs::path folder = service.Folder();
        for (const char* name : {"US5WA99M", "US2WA98M"})
            ASSERT_TRUE(WriteSampleChart(folder, name));
        std::ofstream(folder / "LC.FOL", std::ios::binary) << folio;
        const fs::path elsewhere = dir / "elsewhere";
        fs::create_directories(elsewhere);
        fs::copy_file(folder / "US5WA99M.b", elsewhere / "US5WA99M.b");
        if (folioBesideIt) {
            fs::copy_file(folder / "US2WA98M.b", elsewhere / "US2WA98M.b");
            fs::copy_file(folder / "LC.FOL", elsewhere / "LC.FOL");
        }

        std::vector<std::unique_ptr<FakeChartWindow>> windows;
        std::vector<std::unique_ptr<CLiveChartDoc>> docs;
        charting.Services().openChart = [&](const std::string& path, bool,
                                            int state) -> chart::CChartDoc* {
            auto w = std::make_unique<FakeChartWindow>(geo::IntRect{0, 0, 800, 600}, state);
            auto d = std::make_unique<CLiveChartDoc>(&charting);
            w->doc = d.get();
            d->AttachWindow(w.get());
            if (!d->OnOpenDocument(path))
                return nullptr;
            windows.push_back(std::move(w));
            docs.push_back(std::move(d));
            return docs.back().get();
        };
        auto openElsewhere = [&](FakeChartWindow& window, CLiveChartDoc& doc) {
            window.doc = &doc;
            doc.AttachWindow(&window);
            return doc.OnOpenDocument((elsewhere / "US5WA99M.b").string());
        };

        // Zooming out past the whole chart opens the overview of the chart folder.
        FakeChartWindow window{geo::IntRect{0, 0, 800, 600}};
        CLiveChartDoc doc{&charting};
        ASSERT_TRUE(openElsewhere(window, doc)) << doc.OpenError();
        EXPECT_TRUE(doc.IsChartLoaded()) << folioBesideIt;
        EXPECT_FALSE(doc.IsAtMinZoom()) << "a smaller-scale chart lies in the chart folder";
        for (int i = 0; i < 30 && docs.empty(); ++i)
            ASSERT_TRUE(doc.ZoomOut());
        ASSERT_EQ(docs.size(), 1u) << folioBesideIt;
        EXPECT_EQ(docs[0]->GetPathName(), (folder / "US2WA98M.b").string());

        // A vessel off the chart: the covering chart comes from the chart folder.
        FakeChartWindow following{geo::IntRect{0, 0, 800, 600}, chart::kFrameAutoscroll};
        CLiveChartDoc followed{&charting};
        ASSERT_TRUE(openElsewhere(following, followed));
        ASSERT_TRUE(followed.ZoomIn());
        ASSERT_NE(followed.AutoscrollToPosition(geo::CPosition(47.70, -122.38)), nullptr);
        ASSERT_EQ(docs.size(), 2u);
        EXPECT_EQ(docs[1]->GetPathName(), (folder / "US2WA98M.b").string());

        // Without the chart folder's folio the chart is not loaded, whatever
        // lies beside its file.
        fs::remove(folder / "LC.FOL");
        EXPECT_FALSE(doc.IsChartLoaded()) << folioBesideIt;
    }
}

// Zooming in on an overview past its most overscaled view hands over to the
// larger-scale chart under the view's middle; that chart shows at most all of
// itself, round the same middle, not the overview's far wider view.
TEST(LiveChartDoc, ALargerScaleChartTakingOverAZoomShowsNoMoreThanItself)
{
    TempFolder dir;
    ASSERT_TRUE(WriteSampleChart(dir.Path(), "US5WA99M"));
    {
        vchart::CellHeader header;
        header.scale = 3000000;
        vchart::CS57CellWriter w;
        ASSERT_TRUE(w.Create((dir / "US1WA97M.000").string(), header));
        const vchart::Ring cover = {
            {-123.5, 46.5}, {-123.5, 48.5}, {-121.5, 48.5}, {-121.5, 46.5}, {-123.5, 46.5}};
        ASSERT_TRUE(w.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}));
        ASSERT_TRUE(w.Close());
        ASSERT_TRUE(StoreCell(dir.Path(), "US1WA97M"));
    }
    using vengine::DegreesToUnits;
    std::ofstream(dir / "LC.FOL", std::ios::binary)
        << vengine::EncodeFolio({{"US1WA97M", DegreesToUnits(-123.5), DegreesToUnits(46.5),
                                  DegreesToUnits(-121.5), DegreesToUnits(48.5), 3000000},
                                 {"US5WA99M", DegreesToUnits(-122.45), DegreesToUnits(47.55),
                                  DegreesToUnits(-122.3), DegreesToUnits(47.65), 20000}});
    brine_test::FileSettingsHome home{dir / "s.conf"};
    chart::CChartingModule charting{home, chart::CChartingServices{}};
    std::vector<std::unique_ptr<FakeChartWindow>> windows;
    std::vector<std::unique_ptr<CLiveChartDoc>> docs;
    charting.Services().openChart = [&](const std::string& path, bool,
                                        int state) -> chart::CChartDoc* {
        auto w = std::make_unique<FakeChartWindow>(geo::IntRect{0, 0, 800, 600}, state);
        auto d = std::make_unique<CLiveChartDoc>(&charting);
        w->doc = d.get();
        d->AttachWindow(w.get());
        if (!d->OnOpenDocument(path))
            return nullptr;
        windows.push_back(std::move(w));
        docs.push_back(std::move(d));
        return docs.back().get();
    };
    FakeChartWindow window{geo::IntRect{0, 0, 800, 600}};
    CLiveChartDoc overview{&charting};
    window.doc = &overview;
    overview.AttachWindow(&window);
    ASSERT_TRUE(overview.OnOpenDocument((dir / "US1WA97M.b").string()));
    const geo::CPosition middle(47.6, -122.375);
    ASSERT_TRUE(overview.CentreOnPosition(middle, true));
    for (int i = 0; i < 40 && docs.empty() && overview.ZoomIn(); ++i) { }
    ASSERT_EQ(docs.size(), 1u);
    CLiveChartDoc& harbour = *docs[0];
    EXPECT_EQ(harbour.GetChartNumber(), "US5WA99M");
    geo::CPosition nw, se, wholeNw, wholeSe;
    ASSERT_TRUE(harbour.GetExtent(nw, se));
    ASSERT_TRUE(harbour.GetWholeExtent(wholeNw, wholeSe));
    const double lat = nw.GetLatitude() - se.GetLatitude();
    const double lon = se.GetLongitude() - nw.GetLongitude();
    const double wholeLat = wholeNw.GetLatitude() - wholeSe.GetLatitude();
    const double wholeLon = wholeSe.GetLongitude() - wholeNw.GetLongitude();
    // The whole chart with the window's spare width or height beside it.
    EXPECT_TRUE(lat <= wholeLat + 1e-9 || lon <= wholeLon + 1e-9) << lat << " x " << lon;
    EXPECT_TRUE(harbour.IsPositionVisible(middle));
}

// A chart opened in a small window that is then made larger (the first
// chart is maximised as it opens) fills the larger window: the middle of what
// was shown stays in the middle, and no strip of the view is left blank.
TEST(LiveChartDoc, AWindowMadeLargerIsFilledRoundTheMiddle)
{
    FollowingHarbour f;
    geo::CPosition nw, se;
    ASSERT_TRUE(f.doc.GetExtent(nw, se));
    const geo::CPosition middle((nw.GetLatitude() + se.GetLatitude()) / 2,
                                (nw.GetLongitude() + se.GetLongitude()) / 2);
    f.window.client = geo::IntRect{0, 0, 1600, 400};
    EXPECT_TRUE(f.doc.OnViewSize(1600, 400));
    geo::IntRect visible;
    f.doc.GetVisibleRect(visible);
    EXPECT_EQ(visible, (geo::IntRect{0, 0, 1600, 400}));
    geo::IntPoint p;
    ASSERT_TRUE(f.doc.PositionToPoint(middle, p));
    EXPECT_NEAR(p.x, 800, 2);
    EXPECT_NEAR(p.y, 200, 2);
}

// A folio chart opened in a window of other proportions than the old one
// fills it round the area's middle: the position centred on, or the vessel
// followed, is in the middle of the new window.
TEST(LiveChartDoc, AFolioChartOpenedFillsItsWindowRoundTheAreasMiddle)
{
    FollowingHarbour f;
    f.newWindow = geo::IntRect{0, 0, 400, 600};
    const geo::CPosition position(47.72, -122.5);
    EXPECT_TRUE(f.doc.CentreOnPosition(position, false));
    ASSERT_EQ(f.docs.size(), 1u);
    geo::IntPoint p;
    ASSERT_TRUE(f.docs[0]->PositionToPoint(position, p));
    EXPECT_NEAR(p.x, 200, 2);
    EXPECT_NEAR(p.y, 300, 2);
}

// World Chart on a vector chart opens the folder's vector world chart in the
// window's place, showing all of it; without one there is nothing to open.
TEST(LiveChartDoc, WorldChartOpensTheFoldersVectorWorldChart)
{
    FollowingHarbour f;
    f.window.state = chart::kFrameNormal;
    EXPECT_EQ(f.doc.OpenWorldChart(1, true), 0);
    EXPECT_TRUE(f.docs.empty());

    ASSERT_TRUE(WriteSampleChart(f.dir.Path(), "LCWORLD"));
    {
        // The number as a chart may pad it, " LCWorld": still the world chart.
        std::ifstream in(f.dir / "LCWORLD.b", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        const auto at = bytes.find(std::string("LCWORLD\0", 8));
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, 8, " LCWorld");
        std::ofstream(f.dir / "LCWORLD.b", std::ios::binary) << vtest::Resealed(bytes);
    }
    EXPECT_EQ(f.doc.OpenWorldChart(1, true), 1);
    ASSERT_EQ(f.docs.size(), 1u);
    CLiveChartDoc& world = *f.docs[0];
    EXPECT_EQ(world.GetChartNumber(), "LCWorld");
    EXPECT_TRUE(world.IsWorldChart());
    EXPECT_EQ(world.GetPathName(), (f.dir / "LCWORLD.b").string());
    EXPECT_TRUE(f.replaced[0]);
    EXPECT_EQ(f.windows[0]->GetState(), chart::kFrameNormal);
    geo::CPosition nw, se, wholeNw, wholeSe;
    ASSERT_TRUE(world.GetExtent(nw, se));
    ASSERT_TRUE(world.GetWholeExtent(wholeNw, wholeSe));
    EXPECT_GE(nw.GetLatitude(), wholeNw.GetLatitude() - 1e-9);
    EXPECT_LE(se.GetLatitude(), wholeSe.GetLatitude() + 1e-9);
    EXPECT_LE(nw.GetLongitude(), wholeNw.GetLongitude() + 1e-9);
    EXPECT_GE(se.GetLongitude(), wholeSe.GetLongitude() - 1e-9);
}

// A world chart, 180 W to 180 E and 80 S to 84 N, is shown whole by Full
// Chart: every longitude across the window's width, in the largest rectangle
// of its proportions (a degree across cos(2 N) of one up) at the bottom left.
TEST(LiveChartDoc, FullChartShowsAWorldChartFromTheDateLineToTheDateLine)
{
    TempFolder dir;
    {
        vchart::CS57CellWriter w;
        ASSERT_TRUE(w.Create((dir / "LCWORLD.000").string(), vchart::CellHeader{}));
        const vchart::Ring world = {{-180, -80}, {-180, 84}, {180, 84}, {180, -80}, {-180, -80}};
        const vchart::Ring land = {{-10, 40}, {-10, 50}, {10, 50}, {10, 40}, {-10, 40}};
        ASSERT_TRUE(w.Area("M_COVR", {{world}}, {{"CATCOV", "1"}}) &&
                    w.Area("LNDARE", {{land}}, {}));
        ASSERT_TRUE(w.Close());
    }
    ASSERT_TRUE(StoreCell(dir.Path(), "LCWORLD"));
    OpenLive live(dir / "LCWORLD.b");
    ASSERT_TRUE(live.opened);
    EXPECT_TRUE(live.doc.IsWorldChart());
    ASSERT_TRUE(live.doc.ZoomIn());
    ASSERT_TRUE(live.doc.ZoomFull());
    for (int outs = 0; outs < 2; ++outs) {
        geo::CPosition nw, se;
        ASSERT_TRUE(live.doc.GetExtent(nw, se));
        EXPECT_NEAR(nw.GetLongitude(), -180.0, 1e-6) << outs;
        EXPECT_NEAR(se.GetLongitude(), 180.0, 1e-6) << outs;
        EXPECT_NEAR(nw.GetLatitude(), 84.0, 1e-6) << outs;
        EXPECT_NEAR(se.GetLatitude(), -80.0, 1e-6) << outs;
        geo::IntRect r;
        live.doc.GetVisibleRect(r);
        const int height = int(800 * 164 / (360 * std::cos(2 * M_PI / 180)));
        EXPECT_EQ(r, (geo::IntRect{0, 600 - height, 800, 600})) << outs;
        EXPECT_TRUE(live.doc.IsAtMinZoom()) << "Zoom Out greys with all of it in view";
        // Zooming out from all of it leaves it as it is.
        live.doc.ZoomOut();
    }
}

namespace {

// A cell round 48 N: a depth area one mile square and a coastline running a
// mile on a true bearing of 045 from its middle, stored as "<name>.b".
constexpr double kSquareLat = 48.0, kSquareLon = -122.45;
const double kMileLat = 1.0 / 60.0;
const double kMileLon = 1.0 / 60.0 / std::cos(kSquareLat * M_PI / 180.0);

bool WriteMileSquareChart(const std::filesystem::path& folder, const std::string& name)
{
    using vchart::LonLat;
    vchart::CS57CellWriter w;
    if (!w.Create((folder / (name + ".000")).string(), vchart::CellHeader{}))
        return false;
    const vchart::Ring cover = {
        {-122.6, 47.9}, {-122.6, 48.1}, {-122.3, 48.1}, {-122.3, 47.9}, {-122.6, 47.9}};
    const double w0 = kSquareLon - kMileLon / 2, e0 = kSquareLon + kMileLon / 2;
    const double s0 = kSquareLat - kMileLat / 2, n0 = kSquareLat + kMileLat / 2;
    const vchart::Ring square = {{w0, s0}, {w0, n0}, {e0, n0}, {e0, s0}, {w0, s0}};
    const double d = std::sqrt(0.5);
    const bool ok = w.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}) &&
                    w.Area("DEPARE", {{square}}, {{"DRVAL1", "10"}, {"DRVAL2", "20"}}) &&
                    w.Line("COALNE",
                           {{kSquareLon, kSquareLat},
                            {kSquareLon + kMileLon * d / 2, kSquareLat + kMileLat * d / 2},
                            {kSquareLon + kMileLon * d, kSquareLat + kMileLat * d}},
                           {});
    return w.Close() && ok && StoreCell(folder, name);
}

bool Near(geo::IntPoint a, geo::IntPoint b)
{
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
}

}   // namespace

// At 48 N a mile is as long across the screen as up, and a line of true
// bearing 045 is drawn at 045; overlays placed by position meet what the
// chart draws there. The same holds after zooming, panning and Full.
TEST(LiveChartDoc, AMileIsAsLongAcrossAsUpAndBearingsReadTrue)
{
    TempFolder dir;
    ASSERT_TRUE(WriteMileSquareChart(dir.Path(), "US5WA97M"));
    OpenLive live(dir / "US5WA97M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    CLiveChartDoc& doc = live.doc;
    const geo::CPosition middle(kSquareLat, kSquareLon);
    doc.CentreOnPosition(middle, true);
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());

    auto check = [&](const char* view) {
        SCOPED_TRACE(view);
        geo::IntPoint nw, se, from, to;
        ASSERT_TRUE(doc.PositionToPoint(
            geo::CPosition(kSquareLat + kMileLat / 2, kSquareLon - kMileLon / 2), nw));
        ASSERT_TRUE(doc.PositionToPoint(
            geo::CPosition(kSquareLat - kMileLat / 2, kSquareLon + kMileLon / 2), se));
        const double across = se.x - nw.x, up = se.y - nw.y;
        ASSERT_GT(up, 40) << "a mile of some size";
        EXPECT_NEAR(across / up, 1.0, 0.02) << across << " by " << up << " pixels";

        // What the chart draws: the square at those corners, the line at 045.
        auto backend = std::make_unique<chart::CRecordingBackend>();
        auto* recorder = backend.get();
        chart::CXDC dc(std::move(backend));
        ASSERT_EQ(doc.DrawChart(dc), 1);
        ASSERT_TRUE(doc.PositionToPoint(middle, from));
        bool squareMet = false, lineMet = false;
        for (const auto& r : recorder->Records()) {
            if (r.op == chart::DrawOp::PolyPolygon || r.op == chart::DrawOp::Polygon) {
                bool a = false, b = false;
                for (const geo::IntPoint& p : r.points) {
                    a |= Near(p, nw);
                    b |= Near(p, se);
                }
                squareMet |= a && b;
            }
            if (r.op == chart::DrawOp::Polyline && r.points.size() >= 2 &&
                Near(r.points.front(), from)) {
                lineMet = true;
                to = r.points.back();
                const double bearing = std::atan2(to.x - from.x, from.y - to.y) * 180.0 / M_PI;
                EXPECT_NEAR(bearing, 45.0, 1.0);
            }
        }
        EXPECT_TRUE(squareMet) << "the drawn square is not where overlays put its corners";
        EXPECT_TRUE(lineMet) << "no line drawn from the square's middle";
    };
    check("zoomed in");
    doc.PanVertical(-120);
    doc.PanHorizontal(90);
    check("panned");
    geo::IntPoint a, b;
    ASSERT_TRUE(
        doc.PositionToPoint(geo::CPosition(kSquareLat + kMileLat, kSquareLon - kMileLon), a));
    ASSERT_TRUE(
        doc.PositionToPoint(geo::CPosition(kSquareLat - kMileLat, kSquareLon + kMileLon), b));
    ASSERT_TRUE(doc.ZoomToRect(a.x, a.y, b.x, b.y));
    check("zoom rectangle");
    ASSERT_TRUE(doc.ZoomFull());
    doc.CentreOnPosition(middle, true);
    ASSERT_TRUE(doc.ZoomIn());
    ASSERT_TRUE(doc.ZoomIn());
    check("full, then zoomed in again");
}

namespace {

// A cell whose buoys, light and soundings carry SCAMIN as a real cell's do:
// buoys in a row along 47.6 N, each shown down to its own scale.
constexpr double kRowLat = 47.6;
constexpr double kRowLon[] = {-122.385, -122.38, -122.375, -122.37, -122.365};
const char* const kBuoyScamin[] = {nullptr, "21999", "44999", "89999", "349999"};

bool WriteScaminChart(const std::filesystem::path& folder, const std::string& name)
{
    vchart::CS57CellWriter w;
    if (!w.Create((folder / (name + ".000")).string(), vchart::CellHeader{}))
        return false;
    const vchart::Ring cover = {
        {-123.0, 47.0}, {-123.0, 48.2}, {-121.8, 48.2}, {-121.8, 47.0}, {-123.0, 47.0}};
    bool ok = w.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}) &&
              w.Area("DEPARE", {{cover}}, {{"DRVAL1", "20"}, {"DRVAL2", "100"}});
    for (std::size_t i = 0; i < std::size(kRowLon); ++i) {
        vchart::Attributes attrs = {{"COLOUR", "3"}};
        if (kBuoyScamin[i])
            attrs.emplace_back("SCAMIN", kBuoyScamin[i]);
        ok = ok && w.Point("BOYLAT", {kRowLon[i], kRowLat}, attrs);
    }
    ok = ok && w.Point("LIGHTS", {-122.375, 47.605}, {{"COLOUR", "1"}, {"SCAMIN", "179999"}}) &&
         w.Soundings({{-122.378, 47.602}, {-122.372, 47.598}}, {12.5, 18.2}, {{"SCAMIN", "21999"}});
    return w.Close() && ok && StoreCell(folder, name);
}

struct DrawnMarks {
    std::vector<int> buoys;   // indices into kRowLon
    int lights = 0;
    int soundings = 0;
};

DrawnMarks MarksIn(const chart::CRecordingBackend& recorder, CLiveChartDoc& doc)
{
    DrawnMarks drawn;
    for (const auto& r : recorder.Records()) {
        if (r.op == chart::DrawOp::Ellipse && r.points.size() == 2 &&
            r.points[1].x - r.points[0].x == 11)
            for (std::size_t i = 0; i < std::size(kRowLon); ++i) {
                geo::IntPoint at;
                if (doc.PositionToPoint(geo::CPosition(kRowLat, kRowLon[i]), at) &&
                    Near({r.points[0].x + 5, r.points[0].y + 5}, at))
                    drawn.buoys.push_back(int(i));
            }
        drawn.lights += r.op == chart::DrawOp::Polygon && r.points.size() == 3;
        drawn.soundings += r.op == chart::DrawOp::Text;
    }
    return drawn;
}

}   // namespace

// Each feature is drawn while the view's scale is its SCAMIN or larger, and
// left out at smaller scales.
TEST(LiveChartDoc, FeaturesAreDrawnDownToTheirSmallestScaleOnly)
{
    TempFolder dir;
    ASSERT_TRUE(WriteScaminChart(dir.Path(), "US4WA96M"));
    OpenLive live(dir / "US4WA96M.b");
    ASSERT_TRUE(live.opened) << live.doc.OpenError();
    CLiveChartDoc& doc = live.doc;
    const double cosLat = std::cos(kRowLat * M_PI / 180);

    auto showAt = [&](double scale) {
        // 800 by 600 pixels of 0.28 mm at 1:scale, round the row's middle.
        const double halfLat = scale * kNominalPixelMetres * 300 / (60 * 1852.0);
        const double halfLon = halfLat * 800 / 600 / cosLat;
        ASSERT_TRUE(doc.SetViewExtent(geo::CPosition(kRowLat + halfLat, kRowLon[2] - halfLon),
                                      geo::CPosition(kRowLat - halfLat, kRowLon[2] + halfLon)));
        double metres = 0;
        ASSERT_TRUE(doc.GetMetresPerPixel(metres));
        ASSERT_NEAR(metres / kNominalPixelMetres / scale, 1.0, 0.01);
    };
    auto draw = [&] {
        auto backend = std::make_unique<chart::CRecordingBackend>();
        auto* recorder = backend.get();
        chart::CXDC dc(std::move(backend));
        EXPECT_EQ(doc.DrawChart(dc), 1);
        return MarksIn(*recorder, doc);
    };

    struct Row {
        double scale;
        std::vector<int> buoys;
        int lights, soundings;
    };
    const Row rows[] = {
        {15000, {0, 1, 2, 3, 4}, 1, 2}, {21500, {0, 1, 2, 3, 4}, 1, 2},
        {22500, {0, 2, 3, 4}, 1, 0},    {44000, {0, 2, 3, 4}, 1, 0},
        {46000, {0, 3, 4}, 1, 0},       {170000, {0, 4}, 1, 0},
        {190000, {0, 4}, 0, 0},         {360000, {0}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("1:" + std::to_string(int(row.scale)));
        showAt(row.scale);
        const DrawnMarks drawn = draw();
        EXPECT_EQ(drawn.buoys, row.buoys);
        EXPECT_EQ(drawn.lights, row.lights);
        EXPECT_EQ(drawn.soundings, row.soundings);
    }
}
