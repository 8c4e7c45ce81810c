// The own vessel and targets on a blank chart: symbols, heading line, vector
// and minute marks, projected paths and labels, the updates from radar
// values checked against GeographicLib, and bad values of every kind.

#include "chart/overlays/OverlayTarget.h"

#include <GeographicLib/Rhumb.hpp>

#include <chrono>
#include <cmath>
#include <limits>

#include "OverlayTestSupport.h"
#include "chart/ChartingModule.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OwnVesselLayer.h"

using namespace overlay_test;
using app::COLORREF;
using chart::COverlayOwnVessel;
using chart::COverlayTarget;
using chart::COverlayTenderTarget;
using chart::COwnVesselValues;

namespace {

constexpr double kMetresPerNm = 1852.0;
constexpr COLORREF kVesselColour = app::RGB(200, 0, 0);
constexpr COLORREF kVectorColour = app::RGB(0, 0, 200);
constexpr double kUnset = geo::kUnsetValue;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kDrawBudgetMs = 20.0;   // instrumented builds run many times slower
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr double kDrawBudgetMs = 20.0;
#else
constexpr double kDrawBudgetMs = 1.0;
#endif
#else
constexpr double kDrawBudgetMs = 1.0;
#endif

// About 28 metres a pixel round 50.25 N, 0.8 W.
Chart CloseChart()
{
    return Chart(CPosition(50.3, -0.9), CPosition(50.2, -0.7));
}

const CPosition kOwn(50.25, -0.8);

// A chart that covers nothing north of 50.5 N.
class NorthernLimitChart : public charts::CBlankChartDoc {
public:
    bool IsPositionOnChart(const CPosition& p) const override
    {
        return p.GetLatitude() < 50.5 && CBlankChartDoc::IsPositionOnChart(p);
    }
};

// An own vessel with its symbol, heading line and vector in colours of their own.
struct OwnVessel {
    explicit OwnVessel(Chart& chart)
    {
        overlay.SetOwner(chart.doc.get());
        overlay.Style().vessel.SetColours({kVesselColour, kVesselColour, kVesselColour});
        overlay.Style().vector.SetColours({kVectorColour, kVectorColour, kVectorColour});
        overlay.Style().trackLineWidth = 3;
        values.position = kOwn;
    }
    void Draw(Recorder& rec)
    {
        overlay.SetValues(values);
        overlay.Draw(rec.dc);
    }
    COverlayOwnVessel overlay;
    COwnVesselValues values;
};

// Lines drawn in a colour, by pen width.
std::vector<int> WidthsIn(const Recorder& rec, COLORREF colour)
{
    std::vector<int> widths;
    for (const DrawRecord& r : rec.Of(DrawOp::Line)) {
        if (r.pen.colour == colour)
            widths.push_back(r.pen.width);
    }
    return widths;
}

double RhumbDistanceNm(const CPosition& a, const CPosition& b)
{
    double s = 0, azi = 0;
    GeographicLib::Rhumb::WGS84().Inverse(a.GetLatitude(), a.GetLongitude(), b.GetLatitude(),
                                          b.GetLongitude(), s, azi);
    return s / kMetresPerNm;
}

// The best of three runs, so a moment the scheduler takes the core away
// does not count against the code.
template <class F>
double Milliseconds(F&& f)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

}   // namespace

TEST(OwnVessel, VectorOfTenAndAHalfMinutesGetsTenMarks)
{
    Chart chart = CloseChart();
    Recorder rec;
    OwnVessel own(chart);
    own.overlay.Style().headingMarker.SetDraw(false);
    own.values.courseOverGround = 45.0;
    own.values.speedOverGround = 10.0;
    own.values.vectorTimeDays = 10.5 / 1440.0;
    own.Draw(rec);
    ASSERT_TRUE(own.overlay.DrawsVector());
    // The vector itself and the arrowhead's two strokes at width 3, then the
    // ten ticks: the first and seventh major.
    std::vector<int> widths = WidthsIn(rec, kVectorColour);
    ASSERT_EQ(widths.size(), 13u);
    EXPECT_EQ(std::vector<int>(widths.begin(), widths.begin() + 1), std::vector<int>{3});
    const std::vector<int> ticks(widths.begin() + 1, widths.begin() + 11);
    EXPECT_EQ(ticks, (std::vector<int>{2, 1, 1, 1, 1, 1, 2, 1, 1, 1}));
    // No speed: no vector and no marks.
    rec.Clear();
    own.values.speedOverGround = 0.0;
    own.Draw(rec);
    EXPECT_FALSE(own.overlay.DrawsVector());
    EXPECT_TRUE(WidthsIn(rec, kVectorColour).empty());
    // A course over ground of exactly 360 is no direction for the symbol's
    // cross line, but the vector is drawn on it: north, with six marks.
    rec.Clear();
    own.values.courseOverGround = 360.0;
    own.values.speedOverGround = 10.0;
    own.values.vectorTimeDays = 6.0 / 1440.0;
    own.Draw(rec);
    EXPECT_FALSE(own.overlay.HasDirection());
    ASSERT_TRUE(own.overlay.DrawsVector());
    const IntPoint at = chart.ClientPoint(kOwn);
    bool north = false;
    for (const DrawRecord& r : rec.Of(DrawOp::Line))
        if (r.pen.colour == kVectorColour && r.pen.width == 3 && r.points[0] == at)
            north = r.points[1].x == at.x && r.points[1].y < at.y;
    EXPECT_TRUE(north);
    EXPECT_EQ(WidthsIn(rec, kVectorColour).size(), 1u + 6u + 2u);   // line, six ticks, head
}

TEST(OwnVessel, DirectionFromHeadingElseCourse)
{
    struct Row {
        double heading, course;
        bool hasDirection;
        double direction;
        bool headingLine;
    };
    for (const Row& r : {Row{360.0, kUnset, true, 0.0, true}, Row{361.0, 90.0, true, 90.0, false},
                         Row{kNaN, 270.0, true, 270.0, false}, Row{kUnset, kUnset, false, 0, false},
                         Row{-1.0, 360.0, false, 0, false}, Row{359.9, 10.0, true, 359.9, true}}) {
        Chart chart = CloseChart();
        Recorder rec;
        OwnVessel own(chart);
        own.values.heading = r.heading;
        own.values.courseOverGround = r.course;
        own.Draw(rec);
        EXPECT_EQ(own.overlay.HasDirection(), r.hasDirection) << r.heading << " " << r.course;
        EXPECT_EQ(own.overlay.DrawsHeadingLine(), r.headingLine) << r.heading;
        if (r.hasDirection)
            EXPECT_DOUBLE_EQ(own.overlay.GetDirection(), r.direction) << r.heading;
        // Circles of 12 and 6 (large), and the cross line when there is a direction.
        const IntPoint at = chart.ClientPoint(kOwn);
        const auto circles = rec.Of(DrawOp::Ellipse);
        ASSERT_GE(circles.size(), 2u);
        EXPECT_EQ(circles[0].points[0], (IntPoint{at.x - 12, at.y - 12}));
        EXPECT_EQ(circles[1].points[0], (IntPoint{at.x - 6, at.y - 6}));
        const std::vector<int> symbolLines = WidthsIn(rec, kVesselColour);
        EXPECT_EQ(symbolLines.size(), r.hasDirection ? 1u : 0u);
        if (r.heading == 360.0) {
            const auto cross = rec.Of(DrawOp::Line).front();
            EXPECT_EQ(cross.points[0], (IntPoint{at.x - 24, at.y}));   // across a north heading
        }
    }
}

TEST(OwnVessel, WarningCircleAndVisibility)
{
    Chart chart = CloseChart();
    Recorder rec;
    OwnVessel own(chart);
    own.values.warningCircles = true;
    own.values.warningCirclesRadius = 0.5;
    own.Draw(rec);
    // The circle through the points half a mile north and south: two arcs.
    EXPECT_EQ(rec.Of(DrawOp::Arc).size(), 2u);
    rec.Clear();
    own.values.shown = false;
    own.Draw(rec);
    EXPECT_TRUE(rec.Records().empty());
    own.values.shown = true;
    own.values.position.Invalidate();
    own.Draw(rec);
    EXPECT_TRUE(rec.Records().empty());
}

TEST(OwnVessel, BadValuesDrawNothingFromThemAndEndQuickly)
{
    Chart chart = CloseChart();
    Recorder rec;
    OwnVessel own(chart);
    own.overlay.Style().headingMarker.SetColours({kVectorColour, kVectorColour, kVectorColour});
    const double bad[] = {kNaN, kInf, -kInf, kUnset, 0.0, 1e-9, -1e-9, 1e300, 45.0};
    double worst = 0;
    for (double heading : bad) {
        for (double course : bad) {
            for (double speed : bad) {
                for (double length : {kNaN, 0.0, 1e-9, 1.0}) {
                    rec.Clear();
                    own.values.heading = heading;
                    own.values.courseOverGround = course;
                    own.values.speedOverGround = speed;
                    own.values.headingMarkSpeed = speed;
                    own.values.headingLineLength = length;
                    own.values.vectorTimeDays = length == 1.0 ? 6.0 / 1440.0 : length;
                    worst = std::max(worst, Milliseconds([&] {
                                         rec.Clear();
                                         own.Draw(rec);
                                     }));
                    const bool headingOk = chart::IsUsableDirection(heading);
                    const bool courseOk = chart::IsUsableDirection(course);
                    const bool speedOk = std::isfinite(speed) && speed != kUnset && speed > 0;
                    if (!headingOk)
                        EXPECT_FALSE(own.overlay.DrawsHeadingLine()) << heading;
                    if (!courseOk || !speedOk)
                        EXPECT_FALSE(own.overlay.DrawsVector()) << course << " " << speed;
                    if (!speedOk || length != 1.0)
                        EXPECT_LE(WidthsIn(rec, kVectorColour).size(),
                                  6u);   // lines and heads only
                    EXPECT_LE(rec.Records().size(), 2u * chart::COverlayVessel::kMaxTimeMarks + 20);
                }
            }
        }
    }
    EXPECT_LT(worst, kDrawBudgetMs);
}

TEST(OwnVessel, MinuteMarksAreBoundedHoweverCloseTheyFall)
{
    // About 1.1 m a pixel: a 0.3 kn target on a 10 nm path asks 2,000 marks
    // 18 pixels apart; at 0.01 kn they are under a pixel apart and still drawn,
    // the first 1,000 of them.
    Chart chart(CPosition(50.002, -0.8), CPosition(50.0, -0.796), 800, 400);
    Recorder rec;
    FakeTracking tracking;
    auto record = std::make_unique<FakeTarget>();
    COverlayTarget target(std::move(record), &tracking);
    target.SetOwner(chart.doc.get());
    const CPosition from(50.001, -0.798);
    double metres = 0;
    ASSERT_TRUE(chart.doc->GetMetresPerPixel(metres));
    for (double speed : {0.3, 0.01}) {
        rec.Clear();
        double ms = Milliseconds([&] {
            rec.Clear();
            target.DrawTimeMarks(rec.dc, from, CPosition(50.001 + 10.0 / 60, -0.798), speed);
        });
        const std::size_t marks = rec.Of(DrawOp::Polygon).size();
        EXPECT_EQ(marks, std::size_t(chart::COverlayVessel::kMaxTimeMarks)) << speed;
        EXPECT_LT(ms, 10 * kDrawBudgetMs);
    }
}

TEST(Target, PositionFromRangeAndBearingIsTheRhumbDirectSolution)
{
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTarget target(std::move(owned), &tracking);
    struct Row {
        double range, bearing;
        const char* ref;
        double ownCourse, trueBearing;
    };
    for (const Row& r : {Row{2.5, 45.0, "T", kUnset, 45.0}, Row{11.0, 300.0, "T", 10.0, 300.0},
                         Row{6.0, 60.0, "R", 30.0, 90.0}, Row{6.0, 350.0, "r", 20.0, 10.0},
                         Row{0.4, 180.0, "R", 360.0, 180.0}}) {
        record.Report(r.range, r.bearing, r.ref, 123.0, "T", 7.5);
        ASSERT_TRUE(target.UpdateFromNMEA(kOwn, r.ownCourse)) << r.bearing;
        const chart::CTargetMotion m = target.GetMotion();
        double lat = 0, lon = 0;
        GeographicLib::Rhumb::WGS84().Direct(kOwn.GetLatitude(), kOwn.GetLongitude(), r.trueBearing,
                                             r.range * kMetresPerNm, lat, lon);
        EXPECT_LT(RhumbDistanceNm(m.position, CPosition(lat, lon)), 1e-4 + 1e-7 * r.range)
            << r.bearing << r.ref;
        EXPECT_DOUBLE_EQ(m.bearing, r.trueBearing);
        EXPECT_DOUBLE_EQ(m.course, 123.0);
        EXPECT_DOUBLE_EQ(m.speed, 7.5);
    }
}

TEST(Target, UnusableReportsAreSkippedAndKeepTheLastPosition)
{
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTarget target(std::move(owned), &tracking);
    record.Report(3.0, 90.0, "T", 10.0, "T", 5.0);
    ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    const CPosition last = target.GetMotion().position;

    CPosition noOwn(50, 0);
    noOwn.Invalidate();
    EXPECT_FALSE(target.UpdateFromNMEA(noOwn, 0.0));
    const double bad[] = {kNaN, kInf, -kInf, kUnset, -1.0};
    for (double v : bad) {
        record.Report(v, 90.0, "T", 10.0, "T", 5.0);
        EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0)) << "range " << v;
        if (v != -1.0) {
            record.Report(3.0, v, "T", 10.0, "T", 5.0);
            EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0)) << "bearing " << v;
        }
        // A relative bearing needs the own course over ground.
        record.Report(3.0, 90.0, "R", 10.0, "T", 5.0);
        EXPECT_FALSE(target.UpdateFromNMEA(kOwn, v)) << "course over ground " << v;
    }
    record.Report(3.0, 90.0, "T", 10.0, "T", 5.0, "?");   // a key the radar module does not know
    EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0));
    record.values.speed.Reset();
    record.Report(3.0, 95.0, "T", 10.0, "T", 5.0);
    record.values.speed.Reset();
    EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0));
    EXPECT_EQ(target.GetMotion().position, last);

    // A bad course or speed leaves them unset: no projected path from them.
    for (double v : bad) {
        record.Report(3.0, 90.0, "T", v, "T", v);
        ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
        EXPECT_FALSE(chart::IsUsableDirection(target.GetMotion().course) &&
                     std::isfinite(target.GetMotion().speed))
            << v;
    }
}

// Each of the seven values a report is made of must be set and younger than
// its span; the position values play no part.
TEST(Target, EveryReportValueMustBeValid)
{
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTarget target(std::move(owned), &tracking);
    chart::CTargetValues& v = record.values;
    const std::pair<const char*, nmea::CNMEADataValue*> seven[] = {
        {"speed", &v.speed},     {"range", &v.range},
        {"bearing", &v.bearing}, {"bearing reference", &v.bearingReference},
        {"course", &v.course},   {"course reference", &v.courseReference},
        {"key", &v.key}};
    record.Report(3.0, 90.0, "T", 10.0, "T", 5.0);
    ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    const CPosition last = target.GetMotion().position;
    for (const auto& [name, value] : seven) {
        record.Report(4.0, 180.0, "T", 10.0, "T", 5.0);
        value->Reset();
        EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0)) << name << " never set";
        record.Report(4.0, 180.0, "T", 10.0, "T", 5.0);
        value->SetValiditySpan(std::chrono::seconds(0));
        EXPECT_FALSE(target.UpdateFromNMEA(kOwn, 0.0)) << name << " older than its span";
        value->SetValiditySpan(std::chrono::minutes(1));
        EXPECT_EQ(target.GetMotion().position, last) << name;
    }
    record.Report(4.0, 180.0, "T", 10.0, "T", 5.0);
    v.latitude.Reset();
    v.longitude.Reset();
    EXPECT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    EXPECT_NE(target.GetMotion().position, last);
}

TEST(Target, MotionFromTheValueStorePositions)
{
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTenderTarget tender(std::move(owned), &tracking);
    // Signed ddmm.mmm with north and east negative: 50 15.000 N, 0 48.000 W.
    record.values.latitude.SetDouble(-5015.0);
    record.values.longitude.SetDouble(48.0);
    ASSERT_TRUE(tender.UpdateMotion(1000));
    EXPECT_NEAR(tender.GetMotion().position.GetLatitude(), 50.25, 1e-12);
    EXPECT_NEAR(tender.GetMotion().position.GetLongitude(), -0.8, 1e-12);
    EXPECT_EQ(tender.GetMotion().speed, kUnset);
    // 0.1 nm north in the same second: range and course, no speed.
    record.values.latitude.SetDouble(-5015.1);
    ASSERT_TRUE(tender.UpdateMotion(1000));
    EXPECT_NEAR(tender.GetMotion().course, 0.0, 1e-9);
    EXPECT_EQ(tender.GetMotion().speed, kUnset);
    // Another 0.1 minute of latitude in 36 s: 10 knots (a minute of latitude
    // is 1.001 nm at 50 N).
    record.values.latitude.SetDouble(-5015.2);
    ASSERT_TRUE(tender.UpdateMotion(1036));
    EXPECT_NEAR(tender.GetMotion().speed, 10.01, 0.001);
    // Values that are not positions change nothing.
    const chart::CTargetMotion before = tender.GetMotion();
    for (double v : {kNaN, kInf, 9999.0}) {
        record.values.latitude.SetDouble(v);
        EXPECT_FALSE(tender.UpdateMotion(2000)) << v;
    }
    EXPECT_EQ(tender.GetMotion().position, before.position);
}

TEST(Target, SymbolPathAndLabels)
{
    Chart chart = CloseChart();
    chart.doc = std::make_unique<NorthernLimitChart>();
    chart.window.doc = chart.doc.get();
    chart.doc->AttachWindow(&chart.window);
    ASSERT_TRUE(chart.doc->OnOpenDocument(""));
    ASSERT_TRUE(chart.doc->SetViewExtent(CPosition(50.3, -0.9), CPosition(50.2, -0.7)));
    Recorder rec;
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTarget target(std::move(owned), &tracking);
    target.SetOwner(chart.doc.get());
    record.Report(1.0, 90.0, "T", 0.0, "T", 12.0);
    ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    target.Properties().drawProjectedPath = true;
    target.Properties().projectedPathDistance = 1.0;
    target.Properties().drawName = target.Properties().drawNumber = target.Properties().drawLabel =
        true;
    record.number = 7;
    record.label = "Ferry";
    target.Draw(rec.dc);
    // An empty name leaves the number (upper left) and the label (below).
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"7", "Ferry"}));
    ASSERT_TRUE(target.DrawsProjectedPath());
    // Symbol plus the five minute marks of a mile at 12 knots (1st major).
    const auto polygons = rec.Of(DrawOp::Polygon);
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[1].brush.style, chart::BrushStyle::Solid);
    EXPECT_EQ(polygons[2].brush.style, chart::BrushStyle::Hollow);
    // Off the chart: nothing at all, labels included.
    rec.Clear();
    record.Report(20.0, 0.0, "T", 0.0, "T", 12.0);
    ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    target.Draw(rec.dc);
    EXPECT_TRUE(rec.Records().empty());
}

TEST(Target, TenderDepthLabel)
{
    Chart chart = CloseChart();
    Recorder rec;
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTenderTarget tender(std::move(owned), &tracking);
    tender.SetOwner(chart.doc.get());
    chart::CTargetMotion m;
    m.position = kOwn;
    tender.SetMotion(m);
    record.name = "Tender 1";
    record.idText = "T1";
    tender.Properties().drawDepth = true;
    record.depth = 12.345;
    tender.Draw(rec.dc);
    ASSERT_EQ(rec.Texts(), std::vector<std::string>{"12.3"});
    const IntPoint at = chart.ClientPoint(kOwn);
    EXPECT_EQ(rec.Of(DrawOp::Text)[0].points[0].y, at.y + 12 - 6);   // below
    rec.Clear();
    record.depth = kUnset;
    tender.Draw(rec.dc);
    EXPECT_TRUE(rec.Texts().empty());
}

TEST(Target, CurrentTargetCountChangesOnlyOnAChange)
{
    FakeTracking tracking;
    COverlayTenderTarget a(std::make_unique<FakeTarget>(), &tracking);
    COverlayTenderTarget b(std::make_unique<FakeTarget>(), &tracking);
    a.SetManOverboard(true);
    a.SetManOverboard(true);
    EXPECT_EQ(tracking.count.Get(), 1);
    b.SetCurrentTarget(true);
    EXPECT_EQ(tracking.count.Get(), 2);
    a.SetManOverboard(false);
    a.SetManOverboard(false);
    b.SetCurrentTarget(false);
    EXPECT_EQ(tracking.count.Get(), 0);
    tracking.count.Decrease();
    EXPECT_EQ(tracking.count.Get(), 0);
}

TEST(Target, BadValuesInEveryCombinationEndQuicklyAndDrawNothingFromThem)
{
    Chart chart = CloseChart();
    Recorder rec;
    FakeTracking tracking;
    auto owned = std::make_unique<FakeTarget>();
    FakeTarget& record = *owned;
    COverlayTarget target(std::move(owned), &tracking);
    target.SetOwner(chart.doc.get());
    target.Properties().drawProjectedPath = true;
    target.Properties().projectedPathDistance = 1.0;
    const double values[] = {kNaN, kInf, kUnset, 0.0, 1e-9, 2.0};
    double worst = 0;
    for (double range : values) {
        for (double bearing : values) {
            for (double course : values) {
                for (double speed : values) {
                    for (double heading : values) {
                        chart::CTargetMotion start;
                        start.position = kOwn;
                        target.SetMotion(start);
                        record.Report(range, bearing, "R", course, "T", speed);
                        bool updated = false;
                        rec.Clear();
                        worst = std::max(worst, Milliseconds([&] {
                                             rec.Clear();
                                             target.SetMotion(start);
                                             updated = target.UpdateFromNMEA(kOwn, heading);
                                             target.Draw(rec.dc);
                                         }));
                        const bool usable = std::isfinite(range) && range != kUnset &&
                                            std::isfinite(bearing) && bearing != kUnset &&
                                            chart::IsUsableDirection(heading);
                        EXPECT_EQ(updated, usable) << range << " " << bearing << " " << heading;
                        if (!usable)
                            EXPECT_EQ(target.GetMotion().position, kOwn);
                        const bool pathOk = usable && chart::IsUsableDirection(course);
                        EXPECT_EQ(target.DrawsProjectedPath(), pathOk) << course;
                        const bool marksOk = pathOk && speed >= 2.0;
                        if (!marksOk)   // the symbol and, with a path, its line and head
                            EXPECT_LE(rec.Records().size(), 4u) << course << " " << speed;
                    }
                }
            }
        }
    }
    EXPECT_LT(worst, kDrawBudgetMs);

    // Distance-to-run intervals: clamped, so a leg always ends with a bounded count.
    for (double interval : {kNaN, kInf, -kInf, kUnset, 0.0, 1e-9, -2.0}) {
        double toRun = 10.0, carried = 0.0;
        std::vector<chart::DistanceMark> marks;
        const double ms = Milliseconds([&] {
            toRun = 10.0;
            carried = 0.0;
            marks.clear();
            chart::WalkLegDistanceMarks(kOwn, CPosition(50.25, -0.54), interval, toRun, carried,
                                        marks);
        });
        EXPECT_LE(marks.size(), std::size_t(chart::COverlayLine::kMaxDistanceMarks)) << interval;
        EXPECT_LT(ms, kDrawBudgetMs) << interval;
        EXPECT_TRUE(std::isfinite(toRun) && std::isfinite(carried)) << interval;
    }
}

TEST(OwnVesselLayer, DrawsWhatTheNavigatorGivesAtEachPaint)
{
    Chart chart = CloseChart();
    Recorder rec;
    bool known = false;
    CPosition where = kOwn;
    chart::COwnVesselLayer layer([&](COwnVesselValues& v) {
        v.position = where;
        v.heading = 90.0;
        return known;
    });
    EXPECT_TRUE(layer.IsOn());
    layer.Draw(*chart.doc, rec.dc);
    EXPECT_TRUE(rec.Records().empty());   // no position from the navigator yet
    known = true;
    layer.Draw(*chart.doc, rec.dc);
    ASSERT_FALSE(rec.Of(DrawOp::Ellipse).empty());
    EXPECT_EQ(rec.Of(DrawOp::Ellipse)[0].points[0].x, chart.ClientPoint(kOwn).x - 12);
    // The next paint follows the vessel.
    rec.Clear();
    where = CPosition(50.26, -0.78);
    layer.Draw(*chart.doc, rec.dc);
    EXPECT_EQ(rec.Of(DrawOp::Ellipse)[0].points[0].x, chart.ClientPoint(where).x - 12);
    layer.Style().vessel.SetDraw(false);
    EXPECT_FALSE(layer.IsOn());
}

// The target symbol in its colour while up to date and in dimmed red once
// not; the course line three symbol-lengths long on the course; the warning
// circle in dimmed red; the focus box round the symbol when selected.
TEST(Target, SymbolColourCourseLineCircleAndFocusBox)
{
    // The radar target under test, its record and tracking module, on a chart.
    struct Setup {
        Setup() : target(std::unique_ptr<FakeTarget>(record), &tracking)
        {
            target.SetOwner(chart.doc.get());
        }
        Chart chart = CloseChart();
        FakeTracking tracking;
        FakeTarget* record = new FakeTarget;   // owned by the target
        COverlayTarget target;
    } setup;
    Chart& chart = setup.chart;
    FakeTracking& tracking = setup.tracking;
    FakeTarget& record = *setup.record;
    COverlayTarget& target = setup.target;
    Recorder rec;
    const COLORREF symbolColour = app::RGB(1, 2, 3);
    target.Properties().SetColours({symbolColour, symbolColour, symbolColour});
    record.Report(1.0, 0.0, "T", 90.0, "T", 0.0);
    ASSERT_TRUE(target.UpdateFromNMEA(kOwn, 0.0));
    record.courseLine = true;
    const COLORREF red = chart::DimForActivePalette(app::RGB(255, 0, 0));
    for (const std::int32_t size : {0, 2}) {
        target.SetSizeMode(size);
        rec.Clear();
        target.Draw(rec.dc);
        const auto polygons = rec.Of(DrawOp::Polygon);
        ASSERT_EQ(polygons.size(), 1u);
        EXPECT_EQ(polygons[0].pen.colour, symbolColour);
        EXPECT_EQ(polygons[0].pen.width, 1);
        EXPECT_EQ(polygons[0].brush.colour, app::RGB(255, 255, 255));
        const IntPoint at = chart.ClientPoint(target.GetPosition());
        const auto lines = rec.Of(DrawOp::Line);
        ASSERT_EQ(lines.size(), 1u);
        const int length = 3 * target.ScaleSize(12);   // 36 small, 72 large
        EXPECT_EQ(lines[0].points, (std::vector<IntPoint>{at, {at.x + length, at.y}})) << size;
    }
    // Out of date, selected and with warning circles.
    record.state = false;
    target.SetSelected(true);
    tracking.warningCircles = true;
    target.SetSizeMode(0);
    rec.Clear();
    target.Draw(rec.dc);
    EXPECT_EQ(rec.Of(DrawOp::Polygon).at(0).pen.colour, red);
    const auto arcs = rec.Of(DrawOp::Arc);
    ASSERT_FALSE(arcs.empty());
    for (const DrawRecord& r : arcs)
        EXPECT_EQ(r.pen.colour, red);
    const auto frames = rec.Of(DrawOp::Rectangle);
    ASSERT_FALSE(frames.empty());
    const IntPoint at = chart.ClientPoint(target.GetPosition());
    const chart::CChartSettings defaults;
    const int w = defaults.FocusBoxWidth();
    EXPECT_EQ(frames.back().points[0], (IntPoint{at.x - 6 - w, at.y - 6 - w}));
    EXPECT_EQ(target.GetDisplayName(), "ARPA Target");
}
