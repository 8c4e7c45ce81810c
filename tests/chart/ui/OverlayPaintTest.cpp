// The overlays drawn on real pixels through the painter backend over a blank
// chart: own vessel, two targets with projected paths and labels, a route
// with leg marks and distance to run, chartpoints and a tidal arrow. With
// BRINE_SHOT_DIR set the picture is saved there as overlays.png for review.

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "../../support/FakeChartWindow.h"
#include "app/DateTimeEx.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chart/overlays/OverlayTarget.h"
#include "chart/overlays/SelectedRoute.h"
#include "chart/overlays/TidalVector.h"
#include "charts/vector/BlankChartDoc.h"
#include "geo/NavMaths.h"

using geo::CPosition;
using geo::IntPoint;

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_OverlayPaintTest";
char* g_argv[] = {g_arg0, nullptr};

constexpr int kWidth = 1200;
constexpr int kHeight = 600;
constexpr std::uint32_t kWater = 0xFFC8DCF0u;   // pale blue sea
constexpr std::uint32_t kLand = 0xFFF0E0B0u;   // buff land

// A harbour approach: the blank chart's grid over sea and a stretch of
// coast; the sea is the colour class tidal arrows are drawn over.
class HarbourChart : public charts::CBlankChartDoc {
public:
    bool IsColourInSecondClass(app::COLORREF c) const override
    {
        return c == app::PixelToColour(kWater);
    }
    bool IsColourInFirstClass(app::COLORREF c) const override
    {
        return c == app::PixelToColour(kLand);
    }
};

class Route : public chart::CRouteOverlaySource {
public:
    const chart::CGreatCircleSettings& GreatCircleSettings() const override { return gc; }
    const chart::CRouteDrawSettings& DrawSettings() const override { return draw; }
    const chart::CWaypointProperties& WaypointProperties() const override { return props; }
    bool AreRouteTablesPositioned() const override { return true; }
    bool GetArrivalTime(int index, app::CDateTimeEx& when) const override
    {
        when = app::CDateTimeEx(2026, 12, 7, 9 + index, 15, 0);
        return true;
    }
    chart::CGreatCircleSettings gc;
    chart::CRouteDrawSettings draw;
    chart::CWaypointProperties props;
};

class Tides : public chart::CTidalSettingsSource {
public:
    chart::CTidalSettings GetTidalSettings() const override
    {
        chart::CTidalSettings s;
        s.arrowScale = 20;
        s.capDistance = 5.0;
        s.showRate = true;
        return s;
    }
};

class Record : public chart::CTargetVessel {
public:
    bool IsShown() const override { return true; }
    bool GetState() const override { return true; }
    bool DrawCourseLine() const override { return false; }
    std::string GetName() const override { return name; }
    int GetNumber() const override { return number; }
    std::string GetLabel() const override { return label; }
    std::string GetIdText() const override { return {}; }
    double GetDepth() const override { return geo::kUnsetValue; }
    const chart::CTargetValues& Values() const override { return values; }
    std::string name, label;
    int number = 0;
    chart::CTargetValues values;
};

class Tracking : public chart::CTargetTracking {
public:
    bool IsKnownTargetKey(char) const override { return true; }
    bool WarningCircles() const override { return false; }
    double WarningCirclesRadius() const override { return 0.5; }
    chart::CCurrentTargetCount& CurrentTargets() override { return count; }
    chart::CCurrentTargetCount count;
};

CPosition At(const CPosition& from, double nm, double bearing)
{
    CPosition out;
    EXPECT_TRUE(geo::PositionAtRangeBearing(from, nm, bearing, &out));
    return out;
}

int CountPixels(const QImage& image, QRgb colour, const QRect& area)
{
    int n = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            n += (image.pixel(x, y) | 0xFF000000u) == (colour | 0xFF000000u);
    return n;
}

std::unique_ptr<chart::COverlayTarget> MakeTarget(chart::CChartDoc* doc, Tracking& tracking,
                                                  const char* name, int number, const char* label,
                                                  const CPosition& at, double course, double speed)
{
    auto record = std::make_unique<Record>();
    record->name = name;
    record->number = number;
    record->label = label;
    auto target = std::make_unique<chart::COverlayTarget>(std::move(record), &tracking);
    target->SetOwner(doc);
    target->SetSizeMode(1);
    chart::CTargetMotion m;
    m.position = at;
    m.course = course;
    m.speed = speed;
    target->SetMotion(m);
    auto& p = target->Properties();
    p.drawName = p.drawNumber = p.drawLabel = p.drawProjectedPath = true;
    p.projectedPathDistance = 1.0;
    return target;
}

}   // namespace

TEST(OverlayPaint, HarbourSceneOnRealPixels)
{
    static QGuiApplication* app = [] {
        static QGuiApplication instance(g_argc, g_argv);
        return &instance;
    }();
    (void)app;

    brine_test::FakeChartWindow window(geo::IntRect{0, 0, kWidth, kHeight});
    HarbourChart doc;
    window.doc = &doc;
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OnOpenDocument(""));
    // 50 39' N to 50 48' N, as wide as the window's shape takes with a mile
    // as long across as up.
    const double halfLon = 0.075 * kWidth / kHeight / std::cos(50.725 * M_PI / 180);
    ASSERT_TRUE(
        doc.SetViewExtent(CPosition(50.80, -1.3 - halfLon), CPosition(50.65, -1.3 + halfLon)));

    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(kWater));
    {
        // The coast: land north of a ragged line across the top of the view.
        QPainter painter(&image);
        QPolygon coast;
        coast << QPoint(0, 0) << QPoint(kWidth, 0) << QPoint(kWidth, 90) << QPoint(900, 120)
              << QPoint(700, 80) << QPoint(480, 130) << QPoint(250, 90) << QPoint(0, 110);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgb(kLand));
        painter.drawPolygon(coast);
    }
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(image.bits()), kWidth, kHeight,
                                   image.bytesPerLine() / 4};
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));
    doc.DrawGrid(dc);

    // Tidal arrow first: it samples the chart under it.
    Tides tides;
    chart::CTidalVector tide(&doc, &tides);
    tide.SetVector(CPosition(50.675, -1.21), 65.0, 2.4, 1.8, 0.0);
    tide.DrawOnChart(&dc, chart::kTidalDraw);

    chart::CChartpointProperties cpProps;
    cpProps.drawId = cpProps.drawName = true;
    cpProps.SetSizeMode(1);
    cpProps.Text().SetColours({0x000000, 0x000000, 0x000000});
    chart::CChartpointList chartpoints(&doc, &cpProps);
    const struct {
        CPosition p;
        const char *id, *name;
    } points[] = {{CPosition(50.775, -1.42), "1", "Outer Spit"},
                  {CPosition(50.755, -1.19), "2", "Harbour Mouth"},
                  {CPosition(50.668, -1.38), "3", "Wreck"},
                  {CPosition(50.705, -1.33), "4", "Anchorage"}};
    for (const auto& pt : points) {
        auto cp = std::make_unique<chart::COverlayChartpoint>();
        cp->SetPosition(pt.p);
        cp->idText = pt.id;
        cp->name = pt.name;
        chartpoints.Overlays().Add(std::move(cp));
    }
    chartpoints.Draw(dc);

    Route route;
    route.draw = {true, true, true, true, 1.0};
    route.props.Line().SetWidth(2);
    route.props.drawNumber = route.props.drawName = route.props.drawEta = true;
    route.props.Text().SetColours({0x000000, 0x000000, 0x000000});
    chart::CSelectedRoute selected(&doc, &route);
    const CPosition w1(50.655, -1.47);
    const CPosition w2 = At(w1, 2.0, 60.0), w3 = At(w2, 3.0, 45.0), w4 = At(w3, 3.5, 80.0);
    const CPosition wps[] = {w1, w2, w3, w4};
    const char* names[] = {"Start", "Bar", "Channel", "Harbour"};
    for (int i = 0; i < 4; ++i) {
        auto wp = std::make_unique<chart::COverlayWaypoint>();
        wp->SetPositionAndId(wps[i], 10 + i);
        wp->number = i + 1;
        wp->name = names[i];
        wp->legType = static_cast<std::int32_t>(chart::LegType::RhumbLine);
        wp->SetSelected(i == 0);
        selected.Waypoints().Add(std::move(wp));
    }
    selected.Draw(dc);

    Tracking tracking;
    auto ferry =
        MakeTarget(&doc, tracking, "Ferry", 3, "Pilot boarding", At(w3, 1.6, 300.0), 200.0, 14.0);
    auto fisher = MakeTarget(&doc, tracking, "Fisher", 7, "", At(w4, 1.5, 160.0), 290.0, 6.0);
    ferry->Properties().Text().SetColours({0x000000, 0x000000, 0x000000});
    fisher->Properties().Text().SetColours({0x000000, 0x000000, 0x000000});
    ferry->Draw(dc);
    fisher->Draw(dc);

    chart::COverlayOwnVessel own;
    own.SetOwner(&doc);
    chart::COwnVesselValues v;
    v.position = At(w2, 0.6, 135.0);
    v.heading = 52.0;
    v.courseOverGround = 44.0;
    v.speedOverGround = 11.0;
    v.headingMarkSpeed = 11.0;
    v.headingLineLength = 0.8;
    v.vectorTimeDays = 6.0 / 1440.0;
    v.warningCircles = true;
    v.warningCirclesRadius = 0.5;
    own.SetValues(v);
    own.Draw(dc);
    dc.Attach(nullptr);   // the painter lets go of the image

    if (const char* dir = std::getenv("BRINE_SHOT_DIR")) {
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(image.save(QString::fromStdString(std::string(dir) + "/overlays.png")));
    }

    // What landed on the pixels, each in its own colour near its own place.
    chart::PointList at;
    auto near = [&](const CPosition& p, int r) {
        EXPECT_TRUE(doc.PositionToClientPoints(p, at));
        return QRect(at[0].x - r, at[0].y - r, 2 * r + 1, 2 * r + 1);
    };
    EXPECT_GT(CountPixels(image, 0x000000, near(v.position, 30)), 40);   // own vessel
    EXPECT_GT(CountPixels(image, 0x00FF00, near(ferry->GetPosition(), 12)), 10);   // target symbol
    EXPECT_GT(CountPixels(image, qRgb(255, 0, 0), near(w3, 80)), 20);   // route legs
    EXPECT_GT(CountPixels(image, qRgb(0, 127, 255), near(points[1].p, 14)), 20);   // chartpoint
    EXPECT_GT(CountPixels(image, 0x000000,
                          QRect(tide.GetBounds().left, tide.GetBounds().top,
                                tide.GetBounds().right - tide.GetBounds().left,
                                tide.GetBounds().bottom - tide.GetBounds().top)),
              5);   // tidal arrow
    EXPECT_GT(CountPixels(image, qRgb(255, 127, 0), QRect(0, 0, kWidth, kHeight)),
              20);   // leg marks
    doc.OnCloseDocument();
}
