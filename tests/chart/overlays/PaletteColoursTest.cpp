// The colours things are drawn in under each display palette (Day, Dusk,
// Night), read from the recording backend: a finished range and bearing
// measurement through the chart view's layers, and the label of every
// overlay family that draws one.

#include <gtest/gtest.h>

#include "../../support/TempFolder.h"
#include "OverlayTestSupport.h"
#include "app/DisplayPalettes.h"
#include "chart/ChartViewPipeline.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayVessel.h"
#include "chart/overlays/SelectedRoute.h"
#include "chart/overlays/TidalVector.h"
#include "platform/SettingsStore.h"

using namespace overlay_test;
using app::CDisplayPalettes;
using app::COLORREF;
using app::RGB;

namespace {

constexpr int kPalettes[] = {CDisplayPalettes::kDay, CDisplayPalettes::kDusk,
                             CDisplayPalettes::kNight};
const char* const kNames[] = {"Day", "Dusk", "Night"};

// Three label colours no two palettes share, so a palette read as another
// shows.
constexpr chart::PaletteColours kLabelColours{RGB(200, 10, 10), RGB(10, 150, 10), RGB(10, 10, 90)};

// The program's palettes with one active, put back to none afterwards.
struct ActivePalette {
    explicit ActivePalette(int palette)
    {
        palettes.SetActive(palette);
        app::SetProgramPalettes(&palettes);
    }
    ~ActivePalette() { app::SetProgramPalettes(nullptr); }
    CDisplayPalettes palettes;
};

struct Home : app::CSettingsHome {
    explicit Home(platform::CSettingsStore& s) : store(s) { }
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\WS"; }
    platform::CSettingsStore& store;
};

std::vector<COLORREF> TextColours(const std::vector<DrawRecord>& records)
{
    std::vector<COLORREF> out;
    for (const DrawRecord& r : records)
        if (r.op == DrawOp::Text)
            out.push_back(r.textColour);
    return out;
}

}   // namespace

TEST(PaletteColours, FinishedMeasurementLineBoxAndText)
{
    // Line and range arc black by day, white at dusk and night; the label
    // box yellow under every palette; its text black.
    struct Row {
        COLORREF line, box, text;
    };
    const Row rows[] = {
        {RGB(0, 0, 0), RGB(255, 255, 0), RGB(0, 0, 0)},
        {RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 0, 0)},
        {RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 0, 0)},
    };
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    Home home(store);
    for (int palette : kPalettes) {
        ActivePalette active(palette);
        chart::CChartingServices services;
        services.palettes = &active.palettes;
        chart::CChartingModule module(home, std::move(services));
        Chart chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));
        chart::CChartViewPipeline pipeline(*chart.doc, &module);
        auto m = std::make_unique<chart::CRangeBearingOverlay>();
        m->Start(*chart.doc, {100, 100});
        m->SetEnd({400, 250});
        m->Finish({400, 250});
        ASSERT_FALSE(m->Label().empty());
        const std::string label = m->Label();
        pipeline.Measurements().push_back(std::move(m));
        chart::CScreenBuffer buffers(nullptr, 800, 400);
        ASSERT_TRUE(pipeline.Render(buffers));
        const auto& records =
            static_cast<chart::CRecordingBackend*>(buffers.Static().Backend())->Records();
        const Row& want = rows[palette];
        int lines = 0, arcs = 0, boxes = 0, texts = 0;
        for (const DrawRecord& r : records) {
            if (r.op == DrawOp::Arc) {
                ++arcs;
                EXPECT_EQ(r.pen.colour, want.line) << kNames[palette] << " " << r.Describe();
            } else if (r.op == DrawOp::Line && r.points[0] == IntPoint{100, 100}) {
                ++lines;
                EXPECT_EQ(r.pen.colour, want.line) << kNames[palette] << " " << r.Describe();
            } else if (r.op == DrawOp::Rectangle) {
                ++boxes;
                EXPECT_EQ(r.brush.colour, want.box) << kNames[palette] << " " << r.Describe();
                EXPECT_EQ(r.pen.colour, RGB(0, 0, 0)) << kNames[palette];
            } else if (r.op == DrawOp::Text && r.text == label) {
                ++texts;
                EXPECT_EQ(r.textColour, want.text) << kNames[palette];
            }
        }
        EXPECT_EQ(arcs, 1) << kNames[palette];
        EXPECT_EQ(lines, 1) << kNames[palette];
        EXPECT_EQ(boxes, 1) << kNames[palette];
        EXPECT_EQ(texts, 1) << kNames[palette];
    }
}

TEST(PaletteColours, EachOverlayFamilysLabelTakesItsPalettesColour)
{
    for (int palette : kPalettes) {
        ActivePalette active(palette);
        const COLORREF want = kLabelColours[static_cast<std::size_t>(palette)];
        const char* name = kNames[palette];
        Chart chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));

        // Chartpoints: the id label above each symbol.
        {
            Recorder rec;
            chart::CChartpointProperties props;
            props.drawId = true;
            props.Text().SetColours(kLabelColours);
            chart::CChartpointList layer(chart.doc.get(), &props);
            auto cp = std::make_unique<chart::COverlayChartpoint>();
            cp->SetPosition(CPosition(50.25, -0.5));
            cp->idText = "4";
            layer.Overlays().Add(std::move(cp));
            layer.Draw(rec.dc);
            EXPECT_EQ(TextColours(rec.Records()), std::vector<COLORREF>{want})
                << name << " chartpoint";
        }
        // The selected route: waypoint labels, the leg's course text and the
        // arrival time.
        {
            Recorder rec;
            FakeRoute route;
            route.waypoints.drawNumber = route.waypoints.drawEta = true;
            route.waypoints.Text().SetColours(kLabelColours);
            route.draw.drawCourseAndSMG = true;
            route.arrivals[1] = app::CDateTimeEx(2026, 5, 9, 14, 35, 0);
            chart::CSelectedRoute selected(chart.doc.get(), &route);
            for (int i = 1; i <= 2; ++i) {
                auto wp = std::make_unique<chart::COverlayWaypoint>();
                wp->SetPositionAndId(CPosition(50.25, -0.9 + 0.1 * i), 100 + i);
                wp->number = i;
                wp->legType = static_cast<std::int32_t>(chart::LegType::RhumbLine);
                selected.Waypoints().Add(std::move(wp));
            }
            selected.Draw(rec.dc);
            const auto colours = TextColours(rec.Records());
            EXPECT_EQ(colours.size(), 4u) << name << " route";   // W1, course, W2, arrival
            for (COLORREF c : colours)
                EXPECT_EQ(c, want) << name << " route";
        }
        // A line's course text and boxed label.
        {
            Recorder rec;
            FakeRoute route;
            route.waypoints.Text().SetColours(kLabelColours);
            chart::COverlayLine line;
            line.SetOwner(chart.doc.get());
            line.SetRouteSource(&route);
            line.drawCourse = true;
            line.SetLabel(true, "Leg 1");
            line.DrawLegMarks(rec.dc, 90.0, {200, 200});
            EXPECT_EQ(TextColours(rec.Records()), (std::vector<COLORREF>{want, want}))
                << name << " line";
        }
        // An ARPA target's name, number and label; a tender's name and depth.
        {
            Recorder rec;
            FakeTracking tracking;
            auto owned = std::make_unique<FakeTarget>();
            FakeTarget& record = *owned;
            chart::COverlayTarget target(std::move(owned), &tracking);
            target.SetOwner(chart.doc.get());
            target.Properties().Text().SetColours(kLabelColours);
            target.Properties().drawName = target.Properties().drawNumber =
                target.Properties().drawLabel = true;
            record.name = "Pilot";
            record.number = 3;
            record.label = "Ferry";
            chart::CTargetMotion m;
            m.position = CPosition(50.25, -0.5);
            target.SetMotion(m);
            target.Draw(rec.dc);
            EXPECT_EQ(TextColours(rec.Records()), (std::vector<COLORREF>{want, want, want}))
                << name << " target";
        }
        {
            Recorder rec;
            FakeTracking tracking;
            auto owned = std::make_unique<FakeTarget>();
            FakeTarget& record = *owned;
            chart::COverlayTenderTarget tender(std::move(owned), &tracking);
            tender.SetOwner(chart.doc.get());
            tender.Properties().Text().SetColours(kLabelColours);
            tender.Properties().drawName = tender.Properties().drawDepth = true;
            record.name = "Tender 1";
            record.depth = 12.3;
            chart::CTargetMotion m;
            m.position = CPosition(50.25, -0.5);
            tender.SetMotion(m);
            tender.Draw(rec.dc);
            EXPECT_EQ(TextColours(rec.Records()), (std::vector<COLORREF>{want, want}))
                << name << " tender";
        }
        // A tidal stream's rate label: black by day, white at dusk, grey at
        // night (its own table, not the properties').
        {
            const COLORREF tidal[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(175, 175, 175)};
            FakeTides tides;
            std::vector<std::uint32_t> pixels(800 * 400, 0xFFFF00FFu);
            chart::CXDC dc(std::make_unique<chart::CRecordingBackend>(
                chart::CPixelView{pixels.data(), 800, 400, 800}));
            chart::CTidalVector arrow(chart.doc.get(), &tides);
            arrow.SetVector(CPosition(50.25, -0.5), 45.0, 1.25, 2.04, 0.0);
            arrow.DrawOnChart(&dc, chart::kTidalBoxedLabel);
            const auto& records = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
            EXPECT_EQ(TextColours(records), std::vector<COLORREF>{tidal[palette]})
                << name << " tidal";
        }
    }
}

// A selected marker's focus box and the own vessel's symbol take the colour
// of the palette in use.
TEST(PaletteColours, FocusBoxAndOwnVesselSymbol)
{
    const chart::CChartSettings defaults;
    const COLORREF vessel[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255)};
    for (int palette : kPalettes) {
        ActivePalette active(palette);
        Chart chart;
        Recorder rec;
        chart::COverlayWaypoint wp;
        wp.SetOwner(chart.doc.get());
        wp.SetScreenPoint({100, 100});
        wp.SetSelected(true);
        wp.Draw(rec.dc);
        const auto frames = rec.Of(DrawOp::Rectangle);
        ASSERT_EQ(frames.size(), 1u) << kNames[palette];
        EXPECT_EQ(frames[0].pen.colour, defaults.focusBoxColour[palette]) << kNames[palette];
        EXPECT_EQ(frames[0].pen.style, chart::PenStyle::Solid);

        rec.Clear();
        chart::COverlayOwnVessel own;
        own.SetOwner(chart.doc.get());
        chart::COwnVesselValues values;
        values.position = CPosition(10.0, 10.0);
        own.SetValues(values);
        own.Draw(rec.dc);
        const auto circles = rec.Of(DrawOp::Ellipse);
        ASSERT_EQ(circles.size(), 2u) << kNames[palette];
        for (const DrawRecord& r : circles)
            EXPECT_EQ(r.pen.colour, vessel[palette]) << kNames[palette];
        // Large by default: circles of 12 and 6 pixels round the point.
        const IntPoint at = chart.ClientPoint(values.position);
        EXPECT_EQ(circles[0].points[0], (IntPoint{at.x - 12, at.y - 12}));
        EXPECT_EQ(circles[1].points[0], (IntPoint{at.x - 6, at.y - 6}));
    }
}
