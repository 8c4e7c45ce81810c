// The atlas over a chart view: a paint that finds the grid stale leaves the
// predictions to just after it, where they run under the wait state, and a
// code that stops the grid shows its text once, with the stop icon.

#include "routes/ui/TidalWindows.h"

#include "AnsweredBoxes.h"
#include "FakeChartWindow.h"
#include "TidalWindowsOnAModel.h"
#include "WaitStatusRecorder.h"
#include "chart/ChartDoc.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "routes_ui_TidalAtlasWindowTest";
char* g_argv[] = {g_arg0, nullptr};

// A thousandth of a degree a pixel from 47.7 N 122.5 W, all of it chart.
class LoadedChart final : public chart::CChartDoc {
public:
    LoadedChart()
    {
        m_window.doc = this;
        AttachWindow(&m_window);
    }
    ~LoadedChart() override { AttachWindow(nullptr); }
    bool IsChartLoaded() const override { return true; }
    bool IsChartPointOnChart(geo::IntPoint) override { return true; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        if (p.x < noPositionLeftOf)
            return false;
        position = geo::CPosition(47.7 - p.y / 1000.0, -122.5 + p.x / 1000.0);
        return true;
    }
    void GetVisibleRect(geo::IntRect& rect) override { rect = {0, 0, 400, 300}; }

    // Points left of this x have no position (a picture with a gap).
    int noPositionLeftOf = 0;

private:
    brine_test::FakeChartWindow m_window{{0, 0, 400, 300}};
};

using Boxes = brine_test::AnsweredBoxes;

TEST(TidalAtlasWindow, GridWorkedOutAfterThePaintUnderTheWaitStateAndAStopSaidOnce)
{
    QApplication app(g_argc, g_argv);
    brine_test::TidalWindowsOnAModel onModel(tidal::CellQuality::Station);
    ASSERT_TRUE(onModel.ready);
    routes::CTidalWindows& tides = onModel.tides;
    LoadedChart doc;
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);

    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    tides.OpenAtlas();
    ASSERT_TRUE(tides.AtlasWindow());
    // The model's years do not reach back to 1990: the library answers 13.
    tides.AtlasWindow()->SetUtc(631152000);   // 1990-01-01 00:00 UTC

    // A visible rectangle whose top-left corner has no position has no
    // extent: no grid is worked out and nothing is drawn.
    doc.noPositionLeftOf = 1;
    view.grab();
    Boxes::Run(200);
    EXPECT_TRUE(status.texts.empty()) << "a grid was worked out without a visible extent";
    doc.noPositionLeftOf = 0;
    view.InvalidateOverlays();

    // The paint itself predicts nothing and leaves the status bar alone.
    view.grab();
    EXPECT_TRUE(status.texts.empty());
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);

    Boxes boxes;
    Boxes::Run(500);
    EXPECT_EQ(status.texts, (std::vector<std::string>{app::kPleaseWaitText, "Ready"}));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].first, "Tidal model calculation: Unknown error");
    EXPECT_EQ(boxes.seen[0].second, QMessageBox::Critical);

    // Repaints of the same grid say nothing more.
    view.grab();
    Boxes::Run(200);
    EXPECT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(status.texts.size(), 2u);

    app::CWaitStatus::SetStatusHost(nullptr);
    tides.Terminate();
}

}   // namespace

namespace {

// The stream window over the same view: its result text comes in a stop box
// just after the paint that read it, once per change of time or place; a
// code with no usable stream keeps the last stream in the fields.
TEST(TidalStreamWindow, AResultTextIsSaidOncePerTimeInAStopBox)
{
    QApplication app(g_argc, g_argv);
    // Interpolated cells: every stream is to be used with caution (-1).
    brine_test::TidalWindowsOnAModel onModel(tidal::CellQuality::Interpolated);
    ASSERT_TRUE(onModel.ready);
    routes::CTidalWindows& tides = onModel.tides;
    LoadedChart doc;
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);

    Boxes boxes;
    ASSERT_TRUE(tides.OpenStream(view, geo::CPosition(47.65, -122.45)));
    routes::CTidalStreamWindow* window = tides.StreamWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(boxes.seen.empty()) << "the opening itself says nothing before the view draws";
    const QString rate = window->RateText();
    EXPECT_FALSE(rate.isEmpty());

    view.grab();
    Boxes::Run(300);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].first.startsWith("Tidal calculation results to be used with caution"))
        << boxes.seen[0].first.toStdString();
    EXPECT_EQ(boxes.seen[0].second, QMessageBox::Critical);
    view.grab();
    Boxes::Run(200);
    EXPECT_EQ(boxes.seen.size(), 1u) << "a repaint at the same time and place says it again";

    // A time outside the model's years: its text once, the fields kept.
    window->SetUtc(631152000);   // 1990-01-01 00:00 UTC
    window->onApplied();
    view.grab();
    Boxes::Run(300);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1].first, "Tidal model calculation: Unknown error");
    EXPECT_EQ(window->RateText(), rate);
    view.grab();
    Boxes::Run(200);
    EXPECT_EQ(boxes.seen.size(), 2u);
    window->reject();
    Boxes::Run(50);
    tides.Terminate();
}

}   // namespace
