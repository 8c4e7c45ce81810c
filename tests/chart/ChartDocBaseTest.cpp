// What the chart document base does for a chart kind that leaves an operation
// to it: its answers as a document without a chart, the datum-shift contract,
// the conversions to client points, the resolution text, the centre, the
// zoom and pan helpers, the placement values and the colour tables.

#include <gtest/gtest.h>

#include <functional>

#include "../support/FakeChartWindow.h"
#include "../support/TempFolder.h"
#include "app/DisplayPalettes.h"
#include "app/Registry.h"
#include "app/WaitStatus.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/overlays/ChartObject.h"
#include "geo/DatumInfo.h"

using brine_test::FakeChartWindow;
using chart::CChartDoc;
using geo::CPosition;
using geo::IntPoint;
using geo::IntRect;

namespace {

// A kind that only places positions: x = longitude x 10, y = -latitude x 10,
// on the chart between longitudes 0 and 10; a client point is its chart point
// moved by (+3, +4). Each position appears twice, the second time 1000 to the
// east, as on a world chart that repeats.
class PlacingDoc : public CChartDoc {
public:
    using CChartDoc::CChartDoc;
    IntRect visible{0, -100, 100, 0};
    double metresPerPixel = -1;
    bool loaded = true;
    int zoomIns = 0;
    int zoomLimit = 0;
    std::vector<int> pans;   // horizontal steps as they are, vertical ones x 1000

    bool IsChartLoaded() const override { return loaded; }
    bool GetMetresPerPixel(double& m) override
    {
        m = metresPerPixel;
        return metresPerPixel >= 0;
    }
    void GetVisibleRect(IntRect& r) override { r = visible; }
    void ChartToClientPoint(const IntPoint& in, IntPoint& out) override
    {
        out = {in.x + 3, in.y + 4};
    }
    void ClientToChartPoint(IntPoint in, IntPoint& out) const override
    {
        out = {in.x - 3, in.y - 4};
    }
    bool PositionToPoint(const CPosition& p, IntPoint& out) override
    {
        out = {int(p.GetLongitude() * 10), int(-p.GetLatitude() * 10)};
        return true;
    }
    bool PointToPosition(IntPoint pt, CPosition& p) override
    {
        return p.Set(-pt.y / 10.0, pt.x / 10.0, 0, geo::kNoDatumIndex);
    }
    bool PositionToPoints(const CPosition& p, chart::PointList& points) override
    {
        IntPoint pt;
        PositionToPoint(p, pt);
        points.push_back(pt);
        points.push_back({pt.x + 1000, pt.y});
        return true;
    }
    bool IsChartPointOnChart(IntPoint p) override { return p.x >= 0 && p.x <= 100; }
    bool IsPositionOnChart(const CPosition& p) const override
    {
        return p.GetLongitude() >= 0 && p.GetLongitude() <= 10;
    }
    bool ZoomIn() override { return zoomIns++ < zoomLimit; }
    int PanHorizontal(int step) override
    {
        pans.push_back(step);
        return 0;
    }
    int PanVertical(int step) override
    {
        pans.push_back(step * 1000);
        return 0;
    }
};

}   // namespace

TEST(ChartDocBase, AnswersAsADocumentWithoutAChart)
{
    CChartDoc doc;
    const CPosition p(50, 5);
    std::string text;
    EXPECT_EQ(doc.GetChartType(), chart::kChartBase);
    EXPECT_FALSE(doc.HasLargerScaleChartAt(p) || doc.HasSmallerScaleChartAt(p));
    EXPECT_FALSE(doc.CanShowChartsForVessel() || doc.CanShowChartsForCursor());
    EXPECT_FALSE(doc.HasInformationMenu() || doc.LoadChart() || doc.OpenChart("x"));
    EXPECT_FALSE(doc.GetIssueDate(text) || doc.GetUpdateDate(text));
    EXPECT_EQ(doc.OpenWorldChart(1, true), 0);
    EXPECT_FALSE(doc.SetZoomLevel(3, true) || doc.ZoomToRect(0, 0, 9, 9) || doc.ZoomFull());
    EXPECT_FALSE(doc.IsAtMaxZoom() || doc.IsAtMinZoom() || doc.ZoomIn() || doc.ZoomOut());
    EXPECT_TRUE(doc.OnViewSize(640, 480));
    EXPECT_FALSE(doc.CentreOnPosition(p, true));
    EXPECT_EQ(doc.OnHScroll(5), -1);
    EXPECT_EQ(doc.OnVScroll(5), -1);
    EXPECT_EQ(doc.PanHorizontal(10) + doc.PanVertical(-10), 0);
    EXPECT_FALSE(doc.UsesScrollBars());
    CChartDoc other;
    EXPECT_TRUE(doc.TakeOverViewState(other));
    EXPECT_EQ(doc.GetDatumIndex(), geo::DatumIndexChart());
    for (const std::string& empty :
         {doc.GetChartTitle(), doc.GetChartNumber(), doc.GetChartTypeName(),
          doc.GetHorizontalDatum(), doc.GetHeightDatum(), doc.GetDepthDatum(), doc.GetDepthUnits(),
          doc.GetHeightUnits(), doc.GetScaleText(), doc.GetBuoyage(), doc.GetCautionaryNotes(),
          doc.GetExtentText(), doc.GetKindText(), doc.GetProjection()})
        EXPECT_EQ(empty, "");
    EXPECT_EQ(doc.GetIssueDateLabel(), "Issue Date");
    EXPECT_EQ(doc.GetUpdateDateLabel(), "Updated");
    const std::vector<CPosition> outline{p, CPosition(51, 6)};
    EXPECT_TRUE(doc.PolygonTouchesChart(outline));
    EXPECT_TRUE(doc.SegmentTouchesChart(p, outline[1]));
    CPosition nw, se;
    EXPECT_FALSE(doc.GetExtent(nw, se));
    IntRect rect{1, 2, 3, 4};
    doc.GetVisibleRect(rect);
    EXPECT_EQ(rect, (IntRect{1, 2, 3, 4}));
    double metres = 7;
    EXPECT_FALSE(doc.GetMetresPerPixel(metres));
    EXPECT_FALSE(doc.IsWorldChart() || doc.IsChartLoaded() || doc.CanVerify());
    EXPECT_FALSE(doc.HasDatumShift() || doc.CanShowLargerScale() || doc.CanShowSmallerScale());
    EXPECT_FALSE(doc.IsColourInFirstClass(app::RGB(1, 2, 3)) ||
                 doc.IsColourInSecondClass(app::RGB(1, 2, 3)));

    // Points: client and chart points are the same; the base places nothing.
    IntPoint out{9, 9};
    doc.ClientToChartPoint({12, -5}, out);
    EXPECT_EQ(out, (IntPoint{12, -5}));
    IntPoint same{7, 8};
    doc.ChartToClientPoint(same, same);
    EXPECT_EQ(same, (IntPoint{7, 8}));
    chart::PointList points;
    EXPECT_FALSE(doc.PositionToPoint(p, out) || doc.PointToPosition({1, 1}, nw));
    EXPECT_FALSE(doc.PositionToPoints(p, points) || doc.ChartPositionToClientPoints(p, points));
    EXPECT_FALSE(doc.IsChartPointOnChart({0, 0}) || doc.IsPositionOnChart(p));
    EXPECT_TRUE(points.empty());

    // The drag rectangle starts empty at the point pressed.
    doc.BeginDrag({40, -7}, false);
    EXPECT_EQ(doc.DragRect(), (IntRect{40, -7, 40, -7}));
}

TEST(ChartDocBase, DatumShiftsCopyThePositionAndFailOffTheChart)
{
    PlacingDoc doc;
    const CPosition on(50.5, 5.25, 12.0, 7), off(50.5, 20.0, 3.0, 7);
    CPosition out;
    EXPECT_EQ(doc.ShiftToChartDatum(on, out), chart::kShiftNone);
    EXPECT_EQ(out, on);
    EXPECT_EQ(doc.ShiftToPositionDatum(on, out), chart::kShiftNone);
    EXPECT_EQ(out, on);
    EXPECT_EQ(doc.ShiftToChartDatum(off, out), chart::kShiftNotOnChart);
    EXPECT_EQ(out, off);   // copied there too
    EXPECT_EQ(doc.ShiftToPositionDatum(off, out), chart::kShiftNotOnChart);
    EXPECT_EQ(out, off);

    // Client points: every point the position appears at, each converted;
    // a position that does not shift gives none.
    chart::PointList points{{-1, -1}};
    EXPECT_TRUE(doc.ChartPositionToClientPoints(on, points));
    EXPECT_EQ(points, (chart::PointList{{-1, -1}, {55, -501}, {1055, -501}}));
    EXPECT_TRUE(doc.PositionToClientPoints(on, points));
    EXPECT_EQ(points, (chart::PointList{{55, -501}, {1055, -501}}));
    EXPECT_FALSE(doc.PositionToClientPoints(off, points));
    EXPECT_TRUE(points.empty());
}

TEST(ChartDocBase, ResolutionTextHasFewerDecimalsForLargerFigures)
{
    struct Row {
        double metres;
        const char* text;
    };
    const Row rows[] = {{1234.6, "1235"},   {1000, "1000"},  {999.96, "1000.0"}, {100, "100.0"},
                        {99.996, "100.00"}, {7.981, "7.98"}, {0, "0.00"}};
    for (const Row& row : rows) {
        PlacingDoc doc;
        doc.metresPerPixel = row.metres;
        std::string text;
        double metres = 0;
        EXPECT_TRUE(doc.GetResolutionText(text, metres)) << row.metres;
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(metres, row.metres);
    }
    // "Error" when the chart is not loaded or has no figure.
    PlacingDoc unloaded;
    unloaded.loaded = false;
    unloaded.metresPerPixel = 5;
    PlacingDoc noFigure;
    for (PlacingDoc* doc : {&unloaded, &noFigure}) {
        std::string text = "x";
        double metres = 0;
        EXPECT_FALSE(doc->GetResolutionText(text, metres));
        EXPECT_EQ(text, "Error");
    }
}

TEST(ChartDocBase, CentreOfTheVisibleRectangleRoundsTowardsZero)
{
    PlacingDoc doc;
    CPosition centre;
    doc.visible = {0, -101, 101, 0};   // (50.5, -50.5) goes to (50, -50)
    ASSERT_TRUE(doc.GetCentrePosition(centre));
    EXPECT_DOUBLE_EQ(centre.GetLongitude(), 5.0);
    EXPECT_DOUBLE_EQ(centre.GetLatitude(), 5.0);
    doc.visible = {-5, 0, 0, 0};   // -2.5 goes to -2, not -3
    ASSERT_FALSE(doc.GetCentrePosition(centre));   // west of the chart
    EXPECT_DOUBLE_EQ(centre.GetLongitude(), -0.2);
}

TEST(ChartDocBase, ZoomMaxZoomsInUntilTheChartRefuses)
{
    PlacingDoc never;
    EXPECT_TRUE(never.ZoomMax());
    EXPECT_EQ(never.zoomIns, 1);
    PlacingDoc three;
    three.zoomLimit = 3;
    EXPECT_TRUE(three.ZoomMax());
    EXPECT_EQ(three.zoomIns, 4);
}

TEST(ChartDocBase, VisibilityIsJudgedInTheViewsClientRectangle)
{
    FakeChartWindow window({0, -200, 80, 0});
    PlacingDoc doc;
    doc.AttachWindow(&window);
    // Client (55, -501) is below the window, (1055, -501) right of it.
    EXPECT_FALSE(doc.IsPositionVisible(CPosition(50.5, 5.25)));
    // Client (53, -96): inside; its repeat is not, and only one needs to be.
    EXPECT_TRUE(doc.IsPositionVisible(CPosition(10.0, 5.0)));
    CPosition invalid(10.0, 5.0);
    invalid.Invalidate();
    EXPECT_FALSE(doc.IsPositionVisible(invalid));
    EXPECT_FALSE(doc.IsPositionVisible(CPosition(10.0, 11.0)));   // not on the chart

    // A client point: in the client rectangle, and on the chart once taken
    // back to a chart point (x 0..100 there, so client 3..103).
    EXPECT_TRUE(doc.IsClientPointOnChart({3, -10}));
    EXPECT_FALSE(doc.IsClientPointOnChart({2, -10}));
    EXPECT_FALSE(doc.IsClientPointOnChart({80, -10}));   // the right edge is outside
    EXPECT_FALSE(doc.IsClientPointOnChart({50, 0}));   // so is the bottom one
}

TEST(ChartDocBase, PansUseTheChartingModulesSmallAndLargeSteps)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    struct Home : app::CSettingsHome {
        explicit Home(platform::CSettingsStore& s) : store(s) { }
        platform::CSettingsStore& GetStore() const override { return store; }
        std::string GetRegistryKey() const override { return "Software\\Test\\Pan"; }
        platform::CSettingsStore& store;
    } home(store);
    chart::CChartingModule module(home, chart::CChartingServices{});
    module.ChartSettings().smallPanStep = 17;
    module.ChartSettings().largePanStep = 230;
    PlacingDoc doc(&module);
    doc.PanUp();
    doc.PanDown();
    doc.PanLeft();
    doc.PanRight();
    doc.PanUpLarge();
    doc.PanDownLarge();
    doc.PanLeftLarge();
    doc.PanRightLarge();
    EXPECT_EQ(doc.pans, (std::vector<int>{-17000, 17000, -17, 17, -230000, 230000, -230, 230}));
}

TEST(ChartDocBase, PlacementIsWrittenInItsFormsAndReadBack)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    FakeChartWindow window({0, -100, 100, 0});
    window.placement = {2, 3, {-4, -5}, {6, 7}, {10, 20, 650, 500}};
    PlacingDoc doc;
    doc.AttachWindow(&window);
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Charts\\A"));
    doc.SaveWindowPlacement(reg);
    const std::string key = reg.GetKeyPath();
    reg.Close();
    // Flags, show command, width and height are DWORDs; the rest is text.
    EXPECT_EQ(store.GetDword(key, "Flags"), 2u);
    EXPECT_EQ(store.GetDword(key, "Show"), 3u);
    EXPECT_EQ(store.GetDword(key, "NormalWidth"), 640u);
    EXPECT_EQ(store.GetDword(key, "NormalHeight"), 480u);
    EXPECT_EQ(store.GetString(key, "MinimisedXPosition"), "-4");
    EXPECT_EQ(store.GetString(key, "MinimisedYPosition"), "-5");
    EXPECT_EQ(store.GetString(key, "MaximisedXPosition"), "6");
    EXPECT_EQ(store.GetString(key, "MaximisedYPosition"), "7");
    EXPECT_EQ(store.GetString(key, "NormalLeftPosition"), "10");
    EXPECT_EQ(store.GetString(key, "NormalTopPosition"), "20");
    // The centre of the view: chart point (50, -50).
    ASSERT_TRUE(store.GetString(key, "CentrePositionLatitude"));
    EXPECT_DOUBLE_EQ(std::stod(*store.GetString(key, "CentrePositionLatitude")), 5.0);
    EXPECT_DOUBLE_EQ(std::stod(*store.GetString(key, "CentrePositionLongitude")), 5.0);
    EXPECT_EQ(store.GetString(key, "CentrePositionDatum"),
              geo::CDatumInfo::GetName(geo::DatumIndexWGS84()));

    // Read back into another window: the placement and the reference
    // position (altitude 0, the datum found by its name).
    store.SetValue(key, "CentrePositionLatitude", platform::SettingValue::FromString("-33.5"));
    const std::string other = geo::CDatumInfo::GetName(geo::DatumIndexFallback());
    if (!other.empty())
        store.SetValue(key, "CentrePositionDatum", platform::SettingValue::FromString(other));
    FakeChartWindow second;
    PlacingDoc back;
    back.AttachWindow(&second);
    ASSERT_TRUE(reg.OpenKeyForRead("Charts\\A"));
    back.RestoreWindowPlacement(reg);
    reg.Close();
    EXPECT_EQ(second.placement, window.placement);
    const CPosition& ref = back.GetReferencePosition();
    EXPECT_DOUBLE_EQ(ref.GetLatitude(), -33.5);
    EXPECT_DOUBLE_EQ(ref.GetLongitude(), 5.0);
    EXPECT_EQ(ref.GetAltitude(), 0.0);
    EXPECT_EQ(ref.GetDatum(), other.empty() ? geo::DatumIndexWGS84() : geo::DatumIndexFallback());
    geo::CDatumInfo::FreeTable();
}

TEST(ChartDocBase, ColourTablesAreZeroedAndDimmedFromDay)
{
    class Coloured : public PlacingDoc {
    public:
        void Paint(int palette, std::size_t i, std::uint32_t pixel) { Colours(palette)[i] = pixel; }
    };
    Coloured doc;
    doc.Paint(chart::kPaletteDay, 0, 0xFF123456);
    doc.Paint(chart::kPaletteNight, 1, 0xFFFFFFFF);
    EXPECT_TRUE(doc.CreatePalettes());
    for (int palette : {0, 1, 2})
        for (std::uint32_t pixel : doc.GetPaletteColours(palette))
            ASSERT_EQ(pixel, 0u) << palette;

    doc.Paint(chart::kPaletteDay, 0, app::ColourToPixel(app::RGB(200, 100, 40)));
    doc.Paint(chart::kPaletteDusk, 0, 1);
    doc.Paint(chart::kPaletteNight, 0, 2);
    // The active display palette's table: Dusk for 1, Night for 2, Day otherwise.
    EXPECT_EQ(doc.GetPaletteColours(1)[0], 1u);
    EXPECT_EQ(doc.GetPaletteColours(2)[0], 2u);
    EXPECT_EQ(doc.GetPaletteColours(0)[0], doc.GetPaletteColours(7)[0]);
    EXPECT_EQ(doc.GetPaletteColours(-1)[0], doc.GetPaletteColours(0)[0]);

    chart::ColourTable dusk{}, night{};
    doc.BuildDimmedPalette(dusk, 25);
    doc.BuildDimmedPalette(night, 50);
    EXPECT_EQ(app::PixelToColour(dusk[0]), app::RGB(150, 75, 30));
    EXPECT_EQ(app::PixelToColour(night[0]), app::RGB(100, 50, 20));
    EXPECT_EQ(app::PixelToColour(night[1]), app::RGB(0, 0, 0));
}

TEST(ChartDocBase, ChartObjectsDrawOnlyWhenTheirPositionIsOnTheChart)
{
    class Recorded : public chart::CChartObject {
    public:
        using CChartObject::CChartObject;
        void DrawOn(chart::CXDC&, IntPoint at, int argument) override
        {
            calls.emplace_back(at, argument);
        }
        // Moves without taking the new screen point.
        void MoveQuietly(const CPosition& p) { m_position = p; }
        std::vector<std::pair<IntPoint, int>> calls;
    };
    PlacingDoc doc;
    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
    Recorded object(&doc);
    object.SetPosition(CPosition(10.0, 5.0));
    // Moved after its screen point was taken: drawing takes the point anew.
    object.MoveQuietly(CPosition(20.0, 7.0));
    doc.DrawChartObject(dc, object, 3);
    ASSERT_EQ(object.calls.size(), 1u);
    EXPECT_EQ(object.calls[0].first, (IntPoint{73, -196}));
    EXPECT_EQ(object.calls[0].second, 3);
    object.MoveQuietly(CPosition(20.0, 17.0));
    doc.DrawChartObject(dc, object, 3);
    EXPECT_EQ(object.calls.size(), 1u);
}

// The folio, the fix runs and the pans are built under the wait state: the
// hourglass shows while they run.
TEST(ChartDocBase, FolioFixRunsAndPansShowTheWaitCursor)
{
    struct Cursor : app::CWaitHost {
        void SetWaitCursor(bool on) override { shown += on ? 1 : 0; }
        std::optional<std::string> StatusText() const override { return std::nullopt; }
        void SetStatusText(const std::string&) override { }
        int shown = 0;
    } cursor;
    app::CWaitStatus::SetCursorHost(&cursor);
    PlacingDoc doc;
    const std::function<void()> steps[] = {[&] { doc.ClearFolio(); }, [&] { doc.RebuildFolio(); },
                                           [&] { doc.BuildPositionFixOverlays(); },
                                           [&] { doc.PanUp(); }, [&] { doc.PanRightLarge(); }};
    for (const auto& step : steps) {
        const int before = cursor.shown;
        step();
        EXPECT_EQ(cursor.shown, before + 1) << &step - steps;
    }
    app::CWaitStatus::SetCursorHost(nullptr);
}
