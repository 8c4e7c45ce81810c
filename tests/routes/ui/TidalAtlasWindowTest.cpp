// The atlas over a chart view: a paint that finds the grid stale leaves the
// predictions to just after it, where they run under the wait state, and a
// code that stops the grid shows its text once, with the stop icon.

#include "routes/ui/TidalWindows.h"

#include "ChartpointFakes.h"
#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "TestModels.h"
#include "WaitStatusRecorder.h"
#include "chart/ChartDoc.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

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
        position = geo::CPosition(47.7 - p.y / 1000.0, -122.5 + p.x / 1000.0);
        return true;
    }

private:
    brine_test::FakeChartWindow m_window{{0, 0, 400, 300}};
};

// Answers each message box with OK, from a timer that also runs inside a
// box's own event loop, and keeps its text and icon.
struct Boxes {
    std::vector<std::pair<QString, QMessageBox::Icon>> seen;
    QTimer answer;
    Boxes()
    {
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.emplace_back(box->text(), box->icon());
                box->accept();
            }
        });
        answer.start(10);
    }
    static void Run(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

TEST(TidalAtlasWindow, GridWorkedOutAfterThePaintUnderTheWaitStateAndAStopSaidOnce)
{
    QApplication app(g_argc, g_argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    const auto folder = dir.Path() / "Tides";
    std::filesystem::create_directories(folder);
    // 20 x 20 cells of a hundredth of a degree from 47.7 N 122.5 W, 2000-2099.
    const auto model = tidaltest::BlankModel(20, 20, tidal::CellQuality::Station);
    tidaltest::Write(folder, "Sound", tidaltest::HeaderFor(model, 47.7, -122.5, 0.01), model);
    routes::CTidalWindows tides(settings, dir.Path().string());
    ASSERT_TRUE(tides.Initialise());
    ASSERT_TRUE(tides.CheckAvailability());
    LoadedChart doc;
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);

    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    tides.OpenAtlas();
    ASSERT_TRUE(tides.AtlasWindow());
    // The model's years do not reach back to 1990: the library answers 13.
    tides.AtlasWindow()->SetUtc(631152000);   // 1990-01-01 00:00 UTC

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
