#include "chart/ChartingModule.h"

#include <gtest/gtest.h>

#include <map>

#include "../support/FakeChartWindow.h"
#include "../support/FakeClock.h"
#include "../support/TempFolder.h"
#include "app/Registry.h"
#include "chart/ChartDoc.h"
#include "chart/PositionFixRuns.h"
#include "geo/DatumInfo.h"

using brine_test::FakeChartWindow;
using chart::CChartDoc;
using chart::CChartingModule;
using geo::CPosition;
using geo::IntPoint;

namespace {

struct Home : app::CSettingsHome {
    explicit Home(platform::CSettingsStore& s) : store(s) { }
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\WS"; }
    platform::CSettingsStore& store;
};

struct NullSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override { }
};

// A chart whose points are its positions: x = longitude, y = latitude, over
// a visible rectangle the test sets.
class TestDoc : public CChartDoc {
public:
    using CChartDoc::CChartDoc;
    bool opens = true;
    bool shift = false;
    std::map<std::string, std::string> parts;
    geo::IntRect visible{0, 0, 100, 100};

    bool OpenChart(const std::string&) override { return opens; }
    bool HasDatumShift() const override { return shift; }
    std::string GetChartNumber() override { return parts["number"]; }
    std::string GetDepthUnits() override { return parts["units"]; }
    std::string GetScaleText() override { return parts["scale"]; }
    std::string GetChartTitle() override { return parts["title"]; }
    std::uint16_t GetDatumIndex() const override { return datum; }
    void GetVisibleRect(geo::IntRect& r) override { r = visible; }
    bool PositionToPoint(const CPosition& p, IntPoint& pt) override
    {
        pt = {static_cast<int>(p.GetLongitude()), static_cast<int>(p.GetLatitude())};
        return true;
    }
    bool PointToPosition(IntPoint pt, CPosition& p) override
    {
        return p.Set(pt.y, pt.x, 0, 0xFFFF);
    }
    bool IsChartPointOnChart(IntPoint p) override { return p.x >= 0 && p.x < 100; }
    bool IsPositionOnChart(const CPosition& p) const override
    {
        return p.GetLongitude() > 0 && p.GetLongitude() < 10;
    }
    std::uint16_t datum = geo::kNoDatumIndex;
};

class ChartingModuleTest : public ::testing::Test {
protected:
    ChartingModuleTest()
    {
        store.Load();
        services.frameMsgBar = &bar;
        services.programFolder = dir.Path().string();
        services.defaultChartsFolder = (dir / "Charts").string();
        services.screenFacts = [] { return std::array<int, 3>{1000, 1000, 32}; };
    }

    CChartingModule& Module()
    {
        if (!module) {
            module = std::make_unique<CChartingModule>(home, std::move(services));
            EXPECT_TRUE(module->Initialise());
        }
        return *module;
    }

    // A chart opened in its own fake window.
    TestDoc& Open(const std::string& path, int state = chart::kFrameNormal)
    {
        auto& w = windows.emplace_back(
            std::make_unique<FakeChartWindow>(geo::IntRect{0, 0, 100, 100}, state));
        auto& d = docs.emplace_back(std::make_unique<TestDoc>(&Module()));
        w->doc = d.get();
        d->AttachWindow(w.get());
        EXPECT_TRUE(d->OnOpenDocument(path));
        return *d;
    }

    brine_test::TempFolder dir;
    platform::CSettingsStore store{dir / "settings.conf"};
    Home home{store};
    brine_test::FakeClock clock;
    NullSound sound;
    app::CMsgBar bar{clock, sound, {}};
    chart::CChartingServices services;
    std::unique_ptr<CChartingModule> module;
    std::vector<std::unique_ptr<FakeChartWindow>> windows;
    std::vector<std::unique_ptr<TestDoc>> docs;
};

bool IsActive(const app::CMsgBar& bar, std::string_view text)
{
    for (const auto& m : bar.Messages()) {
        if (m->text == text)
            return m->activeCount > 0;
    }
    return false;
}

}   // namespace

TEST(ChartDocTitle, PartsAutoscrollAndEmptyParts)
{
    struct Row {
        std::map<std::string, std::string> parts;
        bool withDatum;
        int state;
        std::string expected;   // "@" stands for the datum's name
    };
    const Row rows[] = {
        {{}, false, 0, "Chart"},
        {{{"number", "2182A"}, {"units", "metres"}, {"title", "North Sea"}},
         true,
         0,
         "Chart - 2182A - @ - METRES - North Sea"},
        {{{"scale", "1:50000"}}, false, 1, "[Autoscroll] - Chart - 1:50000"},
        {{{"title", "Blank"}}, true, 2, "[Print Preview] - Chart - @ - Blank"},
    };
    const char* bin = std::getenv("BRINE_BIN_DIR");
    for (const Row& row : rows) {
        // Without a datum table the datum part is empty.
        if (row.withDatum)
            ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
        FakeChartWindow window({0, 0, 10, 10}, row.state);
        TestDoc doc;
        doc.SetName("Chart");
        doc.parts = row.parts;
        doc.datum = geo::DatumIndexWGS84();
        doc.AttachWindow(&window);
        doc.SetTitle();
        std::string expected = row.expected;
        if (const auto at = expected.find('@'); at != std::string::npos)
            expected.replace(at, 1, geo::CDatumInfo::GetName(doc.datum));
        EXPECT_EQ(window.title, expected);
        geo::CDatumInfo::FreeTable();
    }
}

TEST(ChartDocAutoscroll, AreaIsTheCentredPercentOfTheVisibleRectangle)
{
    struct Row {
        int percent;
        std::vector<std::pair<IntPoint, bool>> points;
        geo::IntRect visible{0, 0, 100, 100};
    };
    const Row rows[] = {
        {100, {{{0, 0}, true}, {{99, 99}, true}, {{100, 50}, false}}},
        {50, {{{25, 25}, true}, {{74, 74}, true}, {{75, 75}, false}, {{24, 50}, false}}},
        {0, {{{50, 50}, false}, {{49, 49}, false}, {{0, 0}, false}}},
        // Odd sides: halving them must not leave the middle pixel inside.
        {0, {{{50, 50}, false}, {{49, 49}, false}}, {0, 0, 101, 101}},
        {100, {{{100, 100}, true}, {{101, 50}, false}}, {0, 0, 101, 101}},
    };
    for (const Row& row : rows) {
        brine_test::TempFolder dir;
        platform::CSettingsStore store(dir / "s.conf");
        Home home(store);
        chart::CChartingServices services;
        services.autoscrollAreaPercent = [p = row.percent] { return p; };
        CChartingModule module(home, std::move(services));
        TestDoc doc(&module);
        doc.visible = row.visible;
        for (const auto& [pt, inside] : row.points)
            EXPECT_EQ(doc.IsInAutoscrollArea(CPosition(pt.y, pt.x)), inside)
                << row.percent << "% at " << pt.x << "," << pt.y;
    }
}

TEST(PositionFixRuns, StretchesOnTheChartWithTheirNeighbours)
{
    // On the chart: longitude 0..10. A leg touches the chart when its ends
    // lie on opposite sides of it.
    const chart::PositionTest onChart = [](const CPosition& p) {
        return p.GetLongitude() > 0 && p.GetLongitude() < 10;
    };
    const chart::SegmentTest touches = [](const CPosition& a, const CPosition& b) {
        return (a.GetLongitude() <= 0) != (b.GetLongitude() <= 0) ||
               (a.GetLongitude() >= 10) != (b.GetLongitude() >= 10);
    };
    struct Row {
        std::vector<double> lons;
        std::vector<chart::CFixRunPoint> expected;
    };
    const Row rows[] = {
        {{}, {}},
        {{2, 4, 6}, {{0, true}, {1, false}, {2, false}}},
        // Off, in, in, out: the stretch starts at the fix before and ends at the one after.
        {{-5, 2, 4, 15, 20}, {{0, true}, {1, false}, {2, false}, {3, false}}},
        // A leg straight across the chart with both ends off it.
        {{-5, 20, 25}, {{0, true}, {1, false}}},
        // Two separate stretches.
        {{5, 20, 30, 6}, {{0, true}, {1, false}, {2, true}, {3, false}}},
        // Never near the chart.
        {{20, 30, 40}, {}},
    };
    for (const Row& row : rows) {
        std::vector<CPosition> fixes;
        for (double lon : row.lons)
            fixes.emplace_back(50.0, lon);
        EXPECT_EQ(chart::BuildPositionFixRuns(fixes, onChart, touches), row.expected)
            << row.lons.size();
    }
}

TEST_F(ChartingModuleTest, OpenRegistersMessagesAndFailureRaisesTheLoadMessage)
{
    app::CMsgBar frameBar{clock, sound, {}};
    FakeChartWindow window;
    window.msgBar = &frameBar;
    TestDoc doc(&Module());
    window.doc = &doc;
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OnOpenDocument(""));
    EXPECT_EQ(doc.GetPathName(), (dir.Path() / "BlankChart").string());
    EXPECT_TRUE(IsActive(frameBar, "No datum shift available"));
    EXPECT_EQ(frameBar.Messages().size(), 4u);
    EXPECT_EQ(Module().GetFirstChartFrame(), &window);
    doc.OnCloseDocument();
    EXPECT_TRUE(frameBar.Messages().empty());
    EXPECT_EQ(Module().GetFirstChartFrame(), nullptr);

    // Failures: the main frame's message, except when suppressed, when
    // the vessel's chart window is being opened, or when the user cancelled
    // the prompt for the chart's medium.
    struct Row {
        bool suppress;
        int windowId;
        bool message;
        bool cancelled = false;
    };
    for (const Row row : {Row{false, 0, true}, Row{true, 0, false}, Row{false, 1, false},
                          Row{false, 0, false, true}}) {
        bar.SetMessageActive(Module().LoadFailureMessage(), 0, false);
        TestDoc failing(&Module());
        failing.opens = false;
        failing.PromptCancelledFlag() = row.cancelled;
        failing.SetSuppressFailureMessage(row.suppress);
        Module().SetOpeningWindowId(row.windowId);
        EXPECT_FALSE(failing.OnOpenDocument("x.chr"));
        EXPECT_EQ(IsActive(bar, chart::kUnableToLoadChart), row.message);
        EXPECT_FALSE(failing.IsLoaded());
    }
}

// The four messages an open chart keeps in its frame's bar, by handle: their
// texts, priorities and whether they start switched on; the failure notice
// goes off again after ten seconds.
TEST_F(ChartingModuleTest, OpenRegistersTheFrameMessagesByHandleAndTheFailureTimesOut)
{
    for (const bool shift : {false, true}) {
        app::CMsgBar frameBar{clock, sound, {}};
        FakeChartWindow window;
        window.msgBar = &frameBar;
        TestDoc doc(&Module());
        doc.shift = shift;
        window.doc = &doc;
        doc.AttachWindow(&window);
        ASSERT_TRUE(doc.OnOpenDocument("a.b"));
        struct Expected {
            app::MsgHandle handle;
            const char* text;
            int priority;
            bool active;
        };
        const char* noReference =
            "One or more screen objects cannot be accurately referenced to this chart";
        const Expected expected[] = {
            {doc.DatumMismatchMessage(), "DATUM MISMATCH (VP):  GPS datum is not WGS84.", 15000,
             false},
            {doc.NoReferenceMessage(0), noReference, 14000, false},
            {doc.NoReferenceMessage(1), noReference, 15000, false},
            {doc.NoShiftMessage(), "No datum shift available", 46000, !shift},
        };
        for (const Expected& e : expected) {
            ASSERT_NE(e.handle, nullptr) << e.text;
            EXPECT_EQ(e.handle->text, e.text);
            EXPECT_EQ(e.handle->priority, e.priority) << e.text;
            EXPECT_EQ(e.handle->activeCount > 0, e.active) << e.text << " shift " << shift;
        }
        doc.OnCloseDocument();
    }

    TestDoc failing(&Module());
    failing.opens = false;
    EXPECT_FALSE(failing.OnOpenDocument("x.chr"));
    ASSERT_TRUE(IsActive(bar, chart::kUnableToLoadChart));
    clock.Advance(std::chrono::seconds(9));
    bar.OnTimer();
    EXPECT_TRUE(IsActive(bar, chart::kUnableToLoadChart));
    clock.Advance(std::chrono::seconds(2));
    bar.OnTimer();
    EXPECT_FALSE(IsActive(bar, chart::kUnableToLoadChart));
}

TEST_F(ChartingModuleTest, FrameListOrderAndCloseThatThrowsLeavesNoFrameListed)
{
    TestDoc& a = Open("a.b");
    TestDoc& b = Open("b.b");
    Open("c.b", chart::kFramePrintPreview);
    EXPECT_EQ(Module().GetChartFrameByIndex(0), nullptr);
    EXPECT_EQ(Module().GetChartFrameByIndex(3), windows[0].get());   // least recently active
    EXPECT_EQ(Module().GetChartFrameByIndex(4), nullptr);
    Module().BringChartFrameToFront(windows[0].get());
    EXPECT_EQ(Module().GetFirstChartFrame(), windows[0].get());
    EXPECT_EQ(Module().FindChartDocInState(chart::kFrameNormal), &a);
    EXPECT_EQ(Module().CountChartFramesInState(chart::kFrameNormal), 2);

    // Redraws skip the print-preview copy.
    Module().RedrawAllChartViews();
    Module().RefreshAllChartViews();
    Module().InvalidateAllChartViews();
    EXPECT_EQ(windows[2]->chartRedraws + windows[2]->overlayRedraws + windows[2]->viewRedraws, 0);
    EXPECT_EQ(windows[1]->chartRedraws, 1);
    EXPECT_EQ(windows[1]->overlayRedraws, 1);

    windows[1]->throwOnClear = true;
    b.OnCloseDocument();
    EXPECT_EQ(Module().CountChartFramesInState(chart::kFrameNormal), 1);

    // A window close that forgets to unlist its frame must not loop.
    int closes = 0;
    Module().Services().closeDocument = [&closes](CChartDoc*) { ++closes; };
    Module().CloseAllChartDocs();
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(Module().GetFirstChartFrame(), nullptr);
}

// Pan steps are clamped as loaded; a focus box width out of range is drawn within 1 to 4, is
// written back as it was the first time and as the width in use after that.
TEST_F(ChartingModuleTest, SettingsAreClampedWhenLoaded)
{
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test\\WS\\Chart"));
    reg.WriteDWord("FocusBoxLineWidth", 7);
    reg.WriteDWord("SmallPanStep", 0);
    reg.WriteDWord("MaxCharts", 5);
    reg.WriteString("DrawLatLongGrid", "true");
    reg.Close();
    Module().LoadSettings();
    EXPECT_EQ(Module().ChartSettings().FocusBoxWidth(), 4);
    EXPECT_EQ(Module().ChartSettings().smallPanStep, 1);
    EXPECT_EQ(Module().ChartSettings().largePanStep, 200);
    EXPECT_EQ(Module().ChartSettings().maxCharts, 5);
    EXPECT_TRUE(Module().ChartSettings().drawLatLongGrid);
    const auto stored = [&] {
        app::CRegistry r(store);
        std::uint32_t width = 99;
        EXPECT_TRUE(r.OpenKeyForRead("Software\\Test\\WS\\Chart"));
        r.ReadDWord("FocusBoxLineWidth", width);
        return width;
    };
    Module().SaveSettings();
    EXPECT_EQ(stored(), 7u) << "written back as it was";
    EXPECT_EQ(Module().ChartSettings().focusBoxLineWidth, 4);
    Module().SaveSettings();
    EXPECT_EQ(stored(), 4u);

    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test\\WS\\Chart"));
    reg.WriteDWord("FocusBoxLineWidth", 0);
    reg.Close();
    Module().LoadSettings();
    EXPECT_EQ(Module().ChartSettings().FocusBoxWidth(), 1);
    Module().SaveSettings();
    EXPECT_EQ(stored(), 0u);
    EXPECT_EQ(Module().ChartSettings().focusBoxLineWidth, 1);
}

TEST_F(ChartingModuleTest, BufferEstimateIsSixtyFourBit)
{
    Module().Services().screenFacts = [] { return std::array<int, 3>{16384, 16384, 32}; };
    EXPECT_EQ(Module().EstimateChartBufferSize(), 7730941132u);
    Module().Services().screenFacts = [] { return std::array<int, 3>{1024, 768, 24}; };
    EXPECT_EQ(Module().EstimateChartBufferSize(), 16986931u);
}

TEST_F(ChartingModuleTest, ReopensTheHighestNumbersFirstAndStopsOnLowMemory)
{
    std::vector<std::string> opened;
    services.openChart = [&](const std::string& path, bool, int) -> CChartDoc* {
        opened.push_back(path);
        TestDoc& d = Open(path);
        return &d;
    };
    std::uint64_t memory = 1ull << 40;
    services.availableMemory = [&memory] { return memory; };
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test\\WS\\Chart\\LastOpened"));
    reg.WriteDWord("ChartsOpen", 5);
    for (int i = 1; i <= 5; ++i)
        reg.WriteString("Chart" + std::to_string(i), "c" + std::to_string(i) + ".b");
    reg.Close();
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test\\WS\\Chart\\LastOpened\\Chart2"));
    reg.WriteLong("NormalLeftPosition", 40);
    reg.WriteDWord("NormalWidth", 300);
    reg.Close();

    Module().RestoreOpenCharts();   // MaxCharts 3
    EXPECT_EQ(opened, (std::vector<std::string>{"c3.b", "c2.b", "c1.b"}));
    // Chart2's placement came back; the values it lacks kept the frame's own.
    EXPECT_EQ(windows[1]->placement.normal, (geo::IntRect{40, 0, 340, 0}));
    EXPECT_EQ(windows[1]->placement.showCmd, 1u);

    // The save writes the most recently active chart as number 1.
    Module().SaveOpenCharts();
    std::string first;
    ASSERT_TRUE(reg.OpenKeyForRead("Software\\Test\\WS\\Chart\\LastOpened"));
    EXPECT_TRUE(reg.ReadString("Chart1", first));
    EXPECT_EQ(first, "c1.b");
    EXPECT_FALSE(reg.ReadString("Chart4", first));
    reg.Close();

    opened.clear();
    memory = Module().EstimateChartBufferSize();   // not greater: nothing opens
    Module().RestoreOpenCharts();
    EXPECT_TRUE(opened.empty());
}

TEST_F(ChartingModuleTest, CursorPositionTextOnlyOverTheChart)
{
    Open("a.b");
    EXPECT_EQ(Module().GetCursorPositionText(), "");
    windows[0]->cursor = IntPoint{5, 20};
    EXPECT_EQ(Module().GetCursorPositionText(), "20\xC2\xB0"
                                                "00.00'N 005\xC2\xB0"
                                                "00.00'E");
    windows[0]->cursor = IntPoint{150, 20};   // outside the view
    EXPECT_EQ(Module().GetCursorPositionText(), "");
}

// Every sender and every view read the hint codes from one header; each hint redraws the part of
// the view it touches, in every chart window but a print preview.
TEST(ViewUpdateHints, EachCodeRedrawsWhatItTouches)
{
    using app::HintObject;
    using chart::HintRedraw;
    namespace cp = app::chartpoint_hint;
    namespace wp = app::waypoint_hint;
    const chart::CHintOverlays none{}, shown{true, true, true};
    struct Row {
        HintObject object;
        int code;
        HintRedraw withNone, withShown;
    };
    const Row rows[] = {
        {HintObject::Chartpoint, cp::kClear, HintRedraw::Overlays, HintRedraw::Overlays},
        {HintObject::Chartpoint, cp::kRebuild, HintRedraw::Overlays, HintRedraw::Overlays},
        {HintObject::Chartpoint, cp::kNone, HintRedraw::None, HintRedraw::None},
        {HintObject::Chartpoint, cp::kDeleted, HintRedraw::None, HintRedraw::Overlays},
        {HintObject::Chartpoint, cp::kMoved, HintRedraw::None, HintRedraw::DynamicOnly},
        {HintObject::Chartpoint, cp::kInserted, HintRedraw::Overlays, HintRedraw::Overlays},
        {HintObject::Chartpoint, 9, HintRedraw::None, HintRedraw::Overlays},   // current changed
        {HintObject::Waypoint, wp::kClear, HintRedraw::Overlays, HintRedraw::Overlays},
        {HintObject::Waypoint, wp::kCurrentChanged, HintRedraw::None, HintRedraw::Overlays},
        {HintObject::Waypoint, wp::kNone, HintRedraw::None, HintRedraw::None},
        {HintObject::Waypoint, wp::kDeleted, HintRedraw::None, HintRedraw::Overlays},
        {HintObject::Waypoint, wp::kMoved, HintRedraw::None, HintRedraw::DynamicOnly},
        {HintObject::Waypoint, 3, HintRedraw::None, HintRedraw::None},
        {HintObject::Vessel, app::vessel_hint::kFixLogged, HintRedraw::None, HintRedraw::None},
        {HintObject::Vessel, app::vessel_hint::kMoved, HintRedraw::DynamicOnly,
         HintRedraw::DynamicOnly},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(chart::RedrawForHint({r.object, r.code}, none), r.withNone)
            << static_cast<int>(r.object) << " " << r.code;
        EXPECT_EQ(chart::RedrawForHint({r.object, r.code}, shown), r.withShown)
            << static_cast<int>(r.object) << " " << r.code;
    }
}

TEST_F(ChartingModuleTest, UpdateHintsReachEveryChartWindowButAPrintPreview)
{
    Open("a.tst");
    Open("b.tst", chart::kFramePrintPreview);
    for (auto& w : windows)
        w->overlayRedraws = w->viewRedraws = 0;
    Module().UpdateAllChartDocs({app::HintObject::Vessel, app::vessel_hint::kMoved});
    Module().UpdateAllChartDocs({app::HintObject::Chartpoint, app::chartpoint_hint::kRebuild});
    Module().UpdateAllChartDocs({app::HintObject::Waypoint, app::waypoint_hint::kNone});
    EXPECT_EQ(windows[0]->viewRedraws, 1);
    EXPECT_EQ(windows[0]->overlayRedraws, 1);
    EXPECT_EQ(windows[1]->viewRedraws + windows[1]->overlayRedraws, 0);
}

namespace {

// A chart service that notes each step the charting module takes it through.
class RecordingService : public chart::CChartModule {
public:
    RecordingService(app::CSettingsHome& home, std::string name, std::vector<std::string>& log)
        : chart::CChartModule(home), m_name(std::move(name)), m_log(log)
    { }
    bool Initialise() override
    {
        m_log.push_back(m_name + " initialised");
        return true;
    }
    bool Terminate() override
    {
        m_log.push_back(m_name + " terminated");
        return true;
    }
    void OnCataloguesOpened() override { m_log.push_back(m_name + " catalogues opened"); }
    void OnCataloguesClosing() override { m_log.push_back(m_name + " catalogues closing"); }

protected:
    std::string m_name;
    std::vector<std::string>& m_log;
};

// A chart service that notes the folio build's steps: its catalogue's record
// count and how many of them its build uses are given.
class FolioRecordingService : public RecordingService {
public:
    FolioRecordingService(app::CSettingsHome& home, std::string name, std::vector<std::string>& log,
                          long records, int used)
        : RecordingService(home, std::move(name), log), m_records(records), m_used(used)
    { }
    long CatalogueRecordCount() override { return m_records; }
    int BuildFolio(chart::Folio&, const std::function<void()>&) override
    {
        m_log.push_back(m_name + " builds");
        return m_used;
    }
    void RemoveFolioItems(chart::Folio&) override { m_log.push_back(m_name + " removes"); }

private:
    long m_records;
    int m_used;
};

}   // namespace

// Every service hears that the catalogues are open once all of them started,
// and that they close before any of them ends (the services end newest first).
TEST_F(ChartingModuleTest, ServicesHearOfTheCataloguesBetweenTheirStartAndEnd)
{
    std::vector<std::string> log;
    for (const char* name : {"ARCS", "Seafarer", "Livechart"})
        services.chartServices.push_back(std::make_unique<RecordingService>(home, name, log));
    Module();
    EXPECT_EQ(log, (std::vector<std::string>{"ARCS initialised", "Seafarer initialised",
                                             "Livechart initialised", "ARCS catalogues opened",
                                             "Seafarer catalogues opened",
                                             "Livechart catalogues opened"}));
    log.clear();
    Module().Terminate();
    EXPECT_EQ(log,
              (std::vector<std::string>{"ARCS catalogues closing", "Seafarer catalogues closing",
                                        "Livechart catalogues closing", "Livechart terminated",
                                        "Seafarer terminated", "ARCS terminated"}));
}

// The folio build clears the services' items newest service first, opens the
// vector charts' own folio, then builds the raster services' from their shared
// catalogue: the second only while the first left records of it unvisited.
TEST_F(ChartingModuleTest, FolioBuildOpensTheVectorFolioBeforeTheCatalogueServices)
{
    struct Row {
        int arcsUsed;
        std::vector<std::string> built;
    };
    const Row rows[] = {
        {3, {"Livechart builds", "ARCS builds"}},
        {2, {"Livechart builds", "ARCS builds", "Seafarer builds"}},
    };
    std::vector<std::string> log;   // outlives each row's module
    for (const Row& r : rows) {
        module.reset();
        services = chart::CChartingServices{};
        services.frameMsgBar = &bar;
        services.programFolder = dir.Path().string();
        services.defaultChartsFolder = (dir / "Charts").string();
        services.chartServices.push_back(
            std::make_unique<FolioRecordingService>(home, "ARCS", log, 3, r.arcsUsed));
        services.chartServices.push_back(
            std::make_unique<FolioRecordingService>(home, "Seafarer", log, 3, 3 - r.arcsUsed));
        services.chartServices.push_back(
            std::make_unique<FolioRecordingService>(home, "Livechart", log, 0, 0));
        Module();
        log.clear();
        Module().BuildChartFolio();
        std::vector<std::string> expected{"Livechart removes", "Seafarer removes", "ARCS removes"};
        expected.insert(expected.end(), r.built.begin(), r.built.end());
        EXPECT_EQ(log, expected) << r.arcsUsed;
    }
    module.reset();
}

namespace {

// Print-preview copies are never saved as open charts and are left out of the
// palette change; with no chart windows the redraws reach nothing; the folio
// offers only the charts that may be opened.
TEST_F(ChartingModuleTest, PreviewCopiesAreNeitherSavedNorRepaintedAndTheFolioOffersOpenable)
{
    EXPECT_EQ(Module().GetFirstChartFrame(), nullptr);
    Module().RedrawAllChartViews();
    Module().RefreshAllChartViews();
    Module().ApplyDisplayPaletteToCharts();
    EXPECT_EQ(Module().FindChartDocInState(chart::kFrameNormal), nullptr);

    Open("older.b");
    Open("preview.b", chart::kFramePrintPreview);
    Open("newest.b");
    Module().ApplyDisplayPaletteToCharts();
    EXPECT_EQ(windows[0]->paletteSelects, 1);
    EXPECT_EQ(windows[1]->paletteSelects, 0);
    EXPECT_EQ(windows[2]->paletteSelects, 1);

    Module().SaveOpenCharts();
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForRead("Software\\Test\\WS\\Chart\\LastOpened"));
    std::uint32_t count = 0;
    std::string first, second, third;
    EXPECT_TRUE(reg.ReadDWord("ChartsOpen", count));
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(reg.ReadString("Chart1", first));
    EXPECT_TRUE(reg.ReadString("Chart2", second));
    EXPECT_FALSE(reg.ReadString("Chart3", third));
    reg.Close();
    EXPECT_NE(first.find("newest.b"), std::string::npos) << first;
    EXPECT_NE(second.find("older.b"), std::string::npos) << second;

    auto offered = std::make_unique<chart::CFolioItem>();
    offered->fileName = "open.b";
    auto hidden = std::make_unique<chart::CFolioItem>();
    hidden->fileName = "hidden.b";
    hidden->notOffered = true;
    const chart::CFolioItem* shown = offered.get();
    Module().GetFolio().push_back(std::move(hidden));
    std::vector<const chart::CFolioItem*> items;
    EXPECT_FALSE(Module().GetFolioItems(items));
    Module().GetFolio().push_back(std::move(offered));
    EXPECT_TRUE(Module().GetFolioItems(items));
    EXPECT_EQ(items, (std::vector<const chart::CFolioItem*>{shown}));

    // A folio chart holds a point of its outline, or of its second outline
    // when it has one.
    chart::CFolioItem item;
    item.outline = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    item.outlineBounds = geo::IntRect{0, 0, 10, 10};
    EXPECT_TRUE(item.ContainsPoint({5, 5}));
    EXPECT_FALSE(item.ContainsPoint({25, 5}));
    item.secondOutline = {{20, 0}, {30, 0}, {30, 10}, {20, 10}};
    item.secondBounds = geo::IntRect{20, 0, 30, 10};
    EXPECT_TRUE(item.ContainsPoint({25, 5}));
    EXPECT_FALSE(item.ContainsPoint({15, 5}));
}

}   // namespace
