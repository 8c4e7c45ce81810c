// Display properties through the settings store: round trips of every
// class, defaults without a key, width clamps and the target comparison.

#include "chart/overlays/OverlayProperties.h"

#include <gtest/gtest.h>

#include "../../support/TempFolder.h"
#include "app/Module.h"
#include "app/Registry.h"

using namespace chart;

namespace {

constexpr const char* kWorkspace = "Software\\Quorwick\\Brinevane\\Default";

class TestSettings final : public app::CSettingsHome {
public:
    TestSettings() : m_store(m_folder / "settings.conf") { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return kWorkspace; }

private:
    brine_test::TempFolder m_folder;
    mutable platform::CSettingsStore m_store;
};

std::string KeyOf(const std::string& base)
{
    return std::string(kWorkspace) + "\\" + base + "\\OverlayProperties";
}

constexpr PaletteColours kOdd{app::RGB(1, 2, 3), app::RGB(4, 5, 6), app::RGB(7, 8, 9)};

}   // namespace

TEST(OverlayProperties, EveryClassRoundTrips)
{
    TestSettings home;
    auto roundTrip = [&](CPointProperties& saved, CPointProperties& loaded, const char* base) {
        saved.SetBaseKey(base);
        loaded.SetBaseKey(base);
        saved.Save(home);
        loaded.Load(home);
    };
    {
        CChartpointProperties a, b;
        a.SetDraw(false);
        a.drawId = a.drawName = true;
        a.SetColours(kOdd);
        a.SetSizeMode(kSizeLarge);
        a.Text().SetColours(kOdd);
        roundTrip(a, b, "Chartpoint");
        EXPECT_TRUE(a == b);
        EXPECT_TRUE(b.drawId && b.drawName);
        EXPECT_EQ(b.Text().GetColours(), kOdd);
    }
    {
        CWaypointProperties a, b;
        a.drawNumber = a.drawName = a.drawEta = true;
        a.SetSizeMode(kSizeMedium);
        a.Line().SetWidth(4);
        a.Line().SetDraw(false);
        a.Line().SetColours(kOdd);
        roundTrip(a, b, "Route");
        EXPECT_TRUE(a == b);
        EXPECT_TRUE(b.drawNumber && b.drawName && b.drawEta);
        EXPECT_TRUE(a.Line() == b.Line());
        EXPECT_EQ(b.Line().GetWidth(), 4);
    }
    {
        CPositionFixProperties a, b;
        a.SetDraw(true);
        a.drawFixTimeAndSource = true;
        a.SetSizeMode(kSizeLarge);
        a.Line().SetWidth(3);
        roundTrip(a, b, "Navigator");
        EXPECT_TRUE(a == b);
        EXPECT_TRUE(b.drawFixTimeAndSource);
        EXPECT_TRUE(a.Line() == b.Line());
    }
    {
        CVesselProperties a, b;
        a.SetColours(kOdd);
        a.SetSizeMode(kSizeSmall);
        roundTrip(a, b, "Vessel");
        EXPECT_TRUE(a == b);
    }
    {
        CTargetProperties a, b;
        a.SetDraw(false);
        a.drawName = a.drawNumber = a.drawLabel = a.drawDepth = true;
        a.drawTrack = false;
        a.drawProjectedPath = a.limitTrackDisplay = true;
        a.projectedPathDistance = 2.75;
        a.projectedPathColours = kOdd;
        a.loggingPeriod = app::CDateTimeSpanEx(0, 0, 7, 30);
        a.trackTimeLimit = app::CDateTimeSpanEx(1, 2, 0, 0);
        a.SetColours(kOdd);
        a.Line().SetWidth(2);
        a.Text().SetColours(kOdd);
        a.FixMarker().SetDraw(true);
        a.FixMarker().SetSizeMode(kSizeMedium);
        roundTrip(a, b, "ARPA");
        EXPECT_FALSE(a != b);
        EXPECT_TRUE(CTargetProperties() != b);
        // The assignment copies everything the comparison looks at.
        CTargetProperties c;
        c = a;
        EXPECT_FALSE(c != a);
    }
}

TEST(OverlayProperties, LineWidthsClampAndKindsKeepTheirKeys)
{
    TestSettings home;
    app::CRegistry reg(home.GetStore());
    struct Row {
        std::uint32_t stored, loaded;
    };
    for (const Row& r : {Row{0, 1}, Row{1, 1}, Row{4, 4}, Row{9, 4}, Row{70000, 4}}) {
        ASSERT_TRUE(reg.OpenKeyForWrite(KeyOf("Nav")));
        reg.WriteDWord("LineWidth", r.stored);
        reg.Close();
        CLineProperties line(kLineVesselTrack);
        line.SetBaseKey("Nav");
        line.Load(home);
        EXPECT_EQ(line.GetWidth(), r.loaded) << r.stored;
    }
    // Two kinds one module keeps apart under their own base keys.
    CLineProperties heading(kLineHeadingMarker), vector(kLineSpeedAndDirectionVector);
    heading.SetBaseKey("Vessel\\HeadingMarker");
    vector.SetBaseKey("Vessel\\SpeedAndDirectionVector");
    heading.SetWidth(2);
    vector.SetWidth(3);
    heading.Save(home);
    vector.Save(home);
    CLineProperties h2(kLineHeadingMarker), v2(kLineSpeedAndDirectionVector);
    h2.SetBaseKey("Vessel\\HeadingMarker");
    v2.SetBaseKey("Vessel\\SpeedAndDirectionVector");
    h2.Load(home);
    v2.Load(home);
    EXPECT_EQ(h2.GetWidth(), 2);
    EXPECT_EQ(v2.GetWidth(), 3);
    // The target line keeps its draw flag under "DrawVesselTrack" in its own key.
    CTargetProperties target;
    target.SetBaseKey("ARPA");
    target.Line().SetDraw(false);
    target.Save(home);
    ASSERT_TRUE(reg.OpenKeyForRead(KeyOf("ARPA")));
    bool draw = true;
    EXPECT_TRUE(reg.ReadBool("DrawVesselTrack", draw));
    EXPECT_FALSE(draw);
    reg.Close();
}

TEST(OverlayProperties, DefaultsWithoutAKeyAndDamagedSizes)
{
    TestSettings home;
    CVesselProperties vessel;
    CChartpointProperties chartpoint;
    vessel.SetBaseKey("Vessel");
    chartpoint.SetBaseKey("Chartpoint");
    vessel.Load(home);
    chartpoint.Load(home);
    EXPECT_EQ(vessel.GetSizeMode(), kSizeLarge);
    EXPECT_EQ(chartpoint.GetSizeMode(), kSizeSmall);
    EXPECT_EQ(chartpoint.GetColours(),
              (PaletteColours{app::RGB(0, 127, 255), app::RGB(0, 127, 255), app::RGB(0, 0, 127)}));
    EXPECT_EQ(chartpoint.GetLabelPrefix(), "CP");
    EXPECT_EQ(CWaypointProperties().GetLabelPrefix(), "W");
    EXPECT_EQ(CWaypointProperties().Line().GetWidth(), 3);
    EXPECT_FALSE(CPositionFixProperties().GetDraw());
    EXPECT_FALSE(CARPAPositionFixProperties().GetDraw());
    EXPECT_EQ(CTargetProperties().Line().GetWidth(), 3);
    EXPECT_EQ(CTargetProperties().loggingPeriod.GetTotalSeconds(), 180);

    // A size outside 0..2 indexes nothing: small.
    app::CRegistry reg(home.GetStore());
    ASSERT_TRUE(reg.OpenKeyForWrite(KeyOf("Vessel")));
    reg.WriteDWord("OverlaySize", 7);
    reg.Close();
    vessel.Load(home);
    EXPECT_EQ(vessel.GetSizeMode(), kSizeSmall);

    // The line kinds' names and stored defaults come from one table.
    const char* names[] = {"SelectedRoute", "AlternativeRoute",      "VesselTrack",
                           "PlannedTrack",  "HeadingMarker",         "SpeedAndDirectionVector",
                           "ArrivalCircle", "WaypointPerpendicular", "CrossTrackLimits",
                           "TargetLine"};
    for (int kind = 0; kind < kLineKindCount; ++kind) {
        const CLineProperties line(kind);
        EXPECT_EQ(line.GetKeyName(), names[kind]);
        EXPECT_EQ(line.GetWidth(), 1);
        EXPECT_EQ(line.GetPatternFlag(), kind == 0 || kind == 1 || kind == 9) << kind;
    }
    EXPECT_EQ(CLineProperties(10).GetKeyName(), "");
    EXPECT_EQ(CLineProperties(kLineArrivalCircle).GetDrawValueName(), "");
    EXPECT_EQ(COvrlyTextProperties().GetFont().face, "Arial");
}

TEST(OverlayProperties, SetDefaultsPutsBackTheSwitchesAndWhatTheKindOwns)
{
    CChartpointProperties chartpoint;
    chartpoint.drawId = chartpoint.drawName = true;
    chartpoint.SetColours(kOdd);
    chartpoint.Text().SetColours(kOdd);
    chartpoint.SetDefaults();
    EXPECT_TRUE(chartpoint == CChartpointProperties());
    EXPECT_FALSE(chartpoint.drawId || chartpoint.drawName);
    EXPECT_TRUE(chartpoint.Text() == CChartpointProperties().Text());

    CWaypointProperties waypoint;
    waypoint.drawNumber = waypoint.drawName = waypoint.drawEta = true;
    waypoint.Line().SetWidth(1);
    waypoint.Line().SetDraw(false);
    waypoint.Text().SetColours(kOdd);
    waypoint.SetDefaults();
    EXPECT_FALSE(waypoint.drawNumber || waypoint.drawName || waypoint.drawEta);
    EXPECT_TRUE(waypoint.Line() == CWaypointProperties().Line());
    EXPECT_EQ(waypoint.Line().GetWidth(), 3);
    EXPECT_TRUE(waypoint.Text() == CWaypointProperties().Text());

    CPositionFixProperties fix;
    fix.drawFixTimeAndSource = true;
    fix.Line().SetWidth(4);
    fix.Text().SetDraw(false);
    fix.SetDefaults();
    EXPECT_FALSE(fix.drawFixTimeAndSource);
    EXPECT_EQ(fix.Line().GetWidth(), 2);
    EXPECT_TRUE(fix.Text() == CPositionFixProperties().Text());

    CTargetProperties target;
    target.drawTrack = false;
    target.drawName = target.limitTrackDisplay = true;
    target.FixMarker().SetDraw(true);
    target.SetDefaults();
    EXPECT_FALSE(target != CTargetProperties());
    EXPECT_TRUE(target.drawTrack);
}

// Each class writes its values in one order under its key, its own first and
// then those of what it owns (line, text, target fix marker): flags as
// "True"/"False", widths and sizes as numbers, colours, distance and spans
// as text.
TEST(OverlayProperties, EachClassStoresItsValuesInOrderAndByType)
{
    TestSettings home;
    const auto names = [&](CPointProperties& p, const std::string& base) {
        p.SetBaseKey(base);
        p.Save(home);
        return home.GetStore().ValueNames(KeyOf(base));
    };
    using Names = std::vector<std::string>;
    CChartpointProperties chartpoint;
    EXPECT_EQ(names(chartpoint, "C"), (Names{"DrawChartpoints", "DrawID", "DrawName", "Chartpoint",
                                             "OverlaySize", "TextLabel"}));
    CWaypointProperties waypoint;
    EXPECT_EQ(names(waypoint, "W"),
              (Names{"DrawNumber", "DrawName", "DrawETA", "RouteWaypoint", "OverlaySize",
                     "DrawSelectedRoute", "LineWidth", "SelectedRoute", "TextLabel"}));
    CPositionFixProperties fix;
    EXPECT_EQ(names(fix, "F"),
              (Names{"DrawPositionMarker", "DrawFixTimeAndSource", "PositionMarker", "OverlaySize",
                     "DrawVesselTrack", "LineWidth", "VesselTrack", "TextLabel"}));
    CARPAPositionFixProperties marker;
    EXPECT_EQ(names(marker, "M"), (Names{"DrawPositionMarker", "PositionMarker", "OverlaySize"}));
    CTargetProperties target;
    EXPECT_EQ(names(target, "T"), (Names{"DrawOverlays",
                                         "DrawNumber",
                                         "DrawName",
                                         "DrawLabel",
                                         "DrawDepth",
                                         "DrawTrack",
                                         "DrawProjectPath",
                                         "LimitTrackDisplay",
                                         "ProjectedPathColour",
                                         "ProjectedPathDistance",
                                         "LoggingPeriod",
                                         "TrackTimeLimit",
                                         "Target",
                                         "DrawVesselTrack",
                                         "LineWidth",
                                         "TargetLine",
                                         "TextLabel",
                                         "DrawPositionMarker",
                                         "PositionMarker",
                                         "OverlaySize"}));
    CVesselProperties vessel;
    EXPECT_EQ(names(vessel, "V"), (Names{"OwnVessel", "OverlaySize"}));
    COvrlyTextProperties text;
    EXPECT_EQ(names(text, "X"), (Names{"TextLabel"}));
    CLineProperties circle(kLineArrivalCircle);
    EXPECT_EQ(names(circle, "L"), (Names{"", "LineWidth", "ArrivalCircle"}));

    const platform::CSettingsStore& store = home.GetStore();
    const std::string t = KeyOf("T");
    EXPECT_EQ(store.GetString(t, "DrawOverlays"), "True");
    EXPECT_EQ(store.GetString(t, "DrawNumber"), "False");
    EXPECT_EQ(store.GetDword(t, "LineWidth"), 3u);
    EXPECT_EQ(store.GetDword(t, "OverlaySize"), 0u);
    EXPECT_TRUE(store.GetString(t, "Target").has_value());
    EXPECT_TRUE(store.GetString(t, "ProjectedPathColour").has_value());
    EXPECT_TRUE(store.GetString(t, "ProjectedPathDistance").has_value());
    EXPECT_TRUE(store.GetString(t, "LoggingPeriod").has_value());
    EXPECT_TRUE(store.GetString(t, "TrackTimeLimit").has_value());
    EXPECT_EQ(store.GetString(KeyOf("L"), ""), "True");
    EXPECT_EQ(store.GetDword(KeyOf("V"), "OverlaySize"), 2u);
}

// The defaults of every class, colour by colour, and the labels' font.
TEST(OverlayProperties, DefaultsOfEveryClass)
{
    const COLORREF orange = 0x7FFF;
    const PaletteColours orangeAll{orange, orange, orange};
    const PaletteColours green{app::RGB(0, 255, 0), app::RGB(0, 255, 0), app::RGB(0, 127, 0)};
    const PaletteColours red{app::RGB(255, 0, 0), app::RGB(255, 0, 0), app::RGB(127, 0, 0)};
    const PaletteColours black{app::RGB(0, 0, 0), app::RGB(255, 255, 255), app::RGB(175, 175, 175)};
    const PaletteColours lines[] = {
        red,   orangeAll,
        black, {app::RGB(0, 127, 255), app::RGB(0, 127, 255), app::RGB(0, 0, 127)},
        black, black,
        red,   red,
        red,   green};
    for (int kind = 0; kind < kLineKindCount; ++kind) {
        CLineProperties line(kind);
        EXPECT_EQ(line.GetColours(), lines[kind]) << kind;
        EXPECT_EQ(line.GetDefaultColours(), lines[kind]) << kind;
        EXPECT_TRUE(line.GetDraw()) << kind;
        EXPECT_EQ(line.GetSizeMode(), kSizeSmall) << kind;
        EXPECT_EQ(line.GetMinimumWidth(), 1) << kind;
        EXPECT_EQ(line.GetMaximumWidth(), 4) << kind;
    }
    EXPECT_EQ(CLineProperties(9).GetDrawValueName(), "DrawVesselTrack");
    EXPECT_EQ(CLineProperties(4).GetDrawValueName(), "DrawHeadingMark");
    EXPECT_EQ(CLineProperties(5).GetDrawValueName(), "DrawSpeedVect");

    const COvrlyTextProperties text;
    EXPECT_EQ(text.GetColours(), orangeAll);
    EXPECT_TRUE(text.GetDraw());
    EXPECT_EQ(text.GetFont().height, 12);
    EXPECT_EQ(text.GetFont().weight, 400);
    EXPECT_EQ(text.GetKeyName(), "TextLabel");

    const CWaypointProperties waypoint;
    EXPECT_EQ(waypoint.GetColours(), orangeAll);
    EXPECT_EQ(waypoint.Line().GetKind(), kLineSelectedRoute);
    const CPositionFixProperties fix;
    EXPECT_EQ(fix.GetColours(), orangeAll);
    EXPECT_FALSE(fix.drawFixTimeAndSource);
    EXPECT_EQ(fix.Line().GetKind(), kLineVesselTrack);
    EXPECT_EQ(CARPAPositionFixProperties().GetColours(), green);

    const CTargetProperties target;
    EXPECT_EQ(target.GetColours(), green);
    EXPECT_TRUE(target.GetDraw());
    EXPECT_FALSE(target.drawName || target.drawNumber || target.drawLabel || target.drawDepth ||
                 target.drawProjectedPath || target.limitTrackDisplay);
    EXPECT_TRUE(target.drawTrack);
    EXPECT_EQ(target.projectedPathDistance, 10.0);
    EXPECT_EQ(target.projectedPathColours, green);
    EXPECT_EQ(target.trackTimeLimit.GetTotalSeconds(), 600);
    EXPECT_EQ(target.Line().GetKind(), kLineTargetLine);
    EXPECT_FALSE(target.FixMarker().GetDraw());
    EXPECT_EQ(target.Text().GetColours(), orangeAll);

    const CVesselProperties vessel;
    EXPECT_EQ(vessel.GetColours(), (PaletteColours{app::RGB(0, 0, 0), app::RGB(255, 255, 255),
                                                   app::RGB(255, 255, 255)}));
    EXPECT_EQ(vessel.GetSizeMode(), kSizeLarge);
}

// The key is the workspace key, the base key and "OverlayProperties", each
// joined by one backslash whether or not the base key ends in one.
TEST(OverlayProperties, RegistryPathJoinsWithOneBackslash)
{
    TestSettings home;
    CVesselProperties vessel;
    vessel.SetBaseKey("Vessel");
    EXPECT_EQ(vessel.GetRegistryPath(home), KeyOf("Vessel"));
    vessel.SetBaseKey("Vessel\\");
    EXPECT_EQ(vessel.GetRegistryPath(home), KeyOf("Vessel"));
    CTargetProperties target;
    target.SetBaseKey("Navigator\\Radar\\ARPA");
    EXPECT_EQ(target.Line().GetBaseKey(), "Navigator\\Radar\\ARPA");
    EXPECT_EQ(target.FixMarker().GetBaseKey(), "Navigator\\Radar\\ARPA");
    EXPECT_EQ(target.Text().GetRegistryPath(home), KeyOf("Navigator\\Radar\\ARPA"));
}
