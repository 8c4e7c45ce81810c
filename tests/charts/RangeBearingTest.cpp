#include "chart/RangeBearing.h"

#include <gtest/gtest.h>

#include <GeographicLib/Rhumb.hpp>

#include "../support/FakeChartWindow.h"
#include "charts/vector/BlankChartDoc.h"

using geo::CPosition;
using geo::IntPoint;

namespace {

// A vector chart over a fixed extent, wrapping at 180 when asked.
class FixedDoc : public charts::CVectorChartDoc {
public:
    FixedDoc(CPosition nw, CPosition se, bool dateLine, geo::IntRect r)
        : m_nw(nw), m_se(se), m_rect(r)
    {
        SetCrossesDateLine(dateLine);
        SetWholeExtent(nw, se);
    }
    bool GetExtent(CPosition& nw, CPosition& se) const override
    {
        nw = m_nw;
        se = m_se;
        return true;
    }
    void GetVisibleRect(geo::IntRect& r) override { r = m_rect; }
    bool IsChartLoaded() const override { return true; }

private:
    CPosition m_nw, m_se;
    geo::IntRect m_rect;
};

}   // namespace

TEST(RangeBearing, LabelRows)
{
    struct Row {
        double range, bearing;
        const char* label;
    };
    const Row rows[] = {
        {12.34, 45, "12.3nm, 045\xC2\xB0, (225\xC2\xB0)"},
        {5, 270, "5.00nm, 270\xC2\xB0, (090\xC2\xB0)"},
        {150.4, 0, "150nm, 000\xC2\xB0, (180\xC2\xB0)"},
        {0, 0, "0.00nm, 000\xC2\xB0, (180\xC2\xB0)"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(chart::FormatRangeBearingLabel(r.range, r.bearing), r.label) << r.range;
}

TEST(RangeBearing, LinesAcrossTheDateLineAgainstGeographicLib)
{
    // 170 E to 170 W over 2000 x 2000 pixels, 10 degrees south to 10 north.
    FixedDoc doc(CPosition(10, 170), CPosition(-10, -170), true, {0, 0, 2000, 2000});
    brine_test::FakeChartWindow window({0, 0, 2000, 2000});
    doc.AttachWindow(&window);
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), false);
    struct Line {
        IntPoint from, to;
    };
    const Line lines[] = {
        {{900, 1000}, {1100, 1000}},   // due east across 180
        {{1100, 1000}, {900, 1000}},   // due west across 180
        {{500, 1800}, {1700, 200}},   // north-east across
        {{1999, 3}, {2, 1997}},   // corner to corner, westward
        {{400, 700}, {700, 1300}},   // not across
    };
    for (const Line& l : lines) {
        chart::CRangeBearingOverlay m;
        m.Start(doc, l.from);
        ASSERT_TRUE(m.CanExtendTo(l.to));
        m.SetEnd(l.to);
        const CPosition& a = m.StartPosition();
        const CPosition& b = m.EndPosition();
        double range = 0, bearing = 0;
        ASSERT_TRUE(chart::RangeBearingAsDrawn(a, b, l.from.x, l.to.x, &range, &bearing));
        double s12 = 0, azi12 = 0;
        rhumb.Inverse(a.GetLatitude(), a.GetLongitude(), b.GetLatitude(), b.GetLongitude(), s12,
                      azi12);
        EXPECT_NEAR(range, s12 / 1852.0, 1e-4) << l.from.x << "->" << l.to.x;
        EXPECT_NEAR(bearing, azi12 < 0 ? azi12 + 360 : azi12, 1e-6) << l.from.x << "->" << l.to.x;
        m.Finish(l.to);
        EXPECT_EQ(m.Label(), chart::FormatRangeBearingLabel(range, bearing));
        EXPECT_LT(range, 1800.0);   // a line on a 20-degree chart never reads the world round
    }
}

TEST(RangeBearing, AcrossAWorldChartTheLineReadsTheLongWay)
{
    brine_test::FakeChartWindow window({0, 0, 720, 360});
    charts::CBlankChartDoc world;
    window.doc = &world;
    world.AttachWindow(&window);
    ASSERT_TRUE(world.OnOpenDocument(""));
    chart::CRangeBearingOverlay m;
    m.Start(world, {10, 180});   // 175 W on the equator
    m.SetEnd({710, 180});   // 175 E, drawn eastward across the whole chart
    double range = 0, bearing = 0;
    ASSERT_TRUE(
        chart::RangeBearingAsDrawn(m.StartPosition(), m.EndPosition(), 10, 710, &range, &bearing));
    EXPECT_NEAR(bearing, 90.0, 1e-6);
    EXPECT_NEAR(range, 350 * 60.0 * 1.0018, 40.0);   // 350 degrees of the equator, not 10
    // A click without moving: a zero-length line.
    chart::CRangeBearingOverlay click;
    click.Start(world, {300, 100});
    click.Finish({300, 100});
    EXPECT_EQ(click.Label(), "0.00nm, 000\xC2\xB0, (180\xC2\xB0)");
}
