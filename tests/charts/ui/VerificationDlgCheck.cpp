// "Chart Verification" over an installed chart, offscreen: a passed check, a failed one with the
// reinstall hint, a check cancelled in the index, and the chart closing under an open dialog.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include "../support/InstallFixture.h"
#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "charts/hcrf/ARCSChartDoc.h"
#include "charts/ui/VerificationDialog.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

int g_argc = 1;
char g_name[] = "charts_VerificationDlg";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

// One chart installed from its medium; the dialog the program shows is made here too.
struct Installed {
    brine_test::TempFolder dir;
    brine_test::Installation in{dir.Path()};
    brine_test::FakeChartWindow window;
    QPointer<charts::CChartVerificationDlg> dialog;

    Installed()
    {
        in.charts.clear();
        brine_test::FakeChart c;
        c.parameters.chartNumber = "RC1001";
        c.width = 520;
        c.height = 400;
        in.charts.push_back(c);
        std::string error;
        EXPECT_TRUE(brine_test::MakeMedia(in.charts, dir / "work", dir / "RC1", "RC1",
                                          dir / "WK10_26", "WK10_26", "20260305", false, error))
            << error;
        in.ui.answers = {(dir / "WK10_26").string()};
        EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
        in.ui.answers = {(dir / "RC1").string()};
        EXPECT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
        window.client = geo::IntRect{0, 0, 320, 240};
        in.arcs->Shared().host.showVerification = [this](CHCRFDoc& doc) {
            dialog = new charts::CChartVerificationDlg(doc, nullptr);
            dialog->show();
        };
    }

    std::unique_ptr<CARCSChartDoc> Open()
    {
        auto doc = std::make_unique<CARCSChartDoc>(in.charting.get(), in.arcs);
        doc->AttachWindow(&window);
        EXPECT_TRUE(doc->OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
        EXPECT_TRUE(doc->SetZoom(3, nullptr));   // the full-detail raster in memory
        return doc;
    }

    std::string Text(const char* name) const
    {
        auto* label = dialog ? dialog->findChild<QLabel*>(name) : nullptr;
        return label ? label->text().toStdString() : "(none)";
    }
    QPushButton* Button(const char* text) const
    {
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    bool HintShown() const
    {
        auto* hint = dialog->findChild<QLabel*>("ReinstallHint");
        return hint && !hint->isHidden();
    }
    // Events until the OK button is enabled, or about two seconds.
    void UntilFinished() const
    {
        for (int i = 0; i < 400 && dialog && !Button("&OK")->isEnabled(); ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        QApplication::processEvents();
    }
};

}   // namespace

TEST(VerificationDlg, PassedFailedWithTheHintAndCanVerifyAgainOnceClosed)
{
    App();
    Installed chart;
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "a damaged tile" : "as installed");
        if (damaged) {
            // One byte of the raster's first tile turned over.
            const std::string path = chart.in.arcs->GetCataloguedChartPath("RC1001");
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(0, std::ios::end);
            const auto size = static_cast<std::streamoff>(file.tellg());
            ASSERT_GT(size, 400);
            file.seekg(size / 2);
            char byte = 0;
            file.get(byte);
            file.seekp(size / 2);
            file.put(static_cast<char>(byte ^ 0x5A));
        }
        auto doc = chart.Open();
        ASSERT_TRUE(doc->CanVerify());
        doc->VerifyIntegrity();
        ASSERT_NE(chart.dialog, nullptr);
        EXPECT_EQ(chart.dialog->windowTitle().toStdString(), "Chart Verification");
        EXPECT_FALSE(doc->CanVerify());
        chart.UntilFinished();
        const std::string result = damaged ? "Failed" : "Passed";
        EXPECT_EQ(chart.Text("IndexResult"), "Passed");
        EXPECT_EQ(chart.Text("ChartResult"), result);
        EXPECT_EQ(chart.HintShown(), damaged);
        EXPECT_FALSE(chart.Button("&Cancel")->isEnabled());
        EXPECT_TRUE(chart.Button("&OK")->isEnabled());
        EXPECT_EQ(chart.dialog->findChildren<QProgressBar*>().size(), 2);
        for (auto* bar : chart.dialog->findChildren<QProgressBar*>())
            EXPECT_EQ(std::pair(bar->minimum(), bar->maximum()), std::pair(0, 100));
        chart.Button("&OK")->click();
        QApplication::processEvents();
        EXPECT_TRUE(chart.dialog.isNull() || chart.dialog->isHidden());
        EXPECT_TRUE(doc->CanVerify());
    }
}

TEST(VerificationDlg, CancelInTheIndexShowsNoResultAndClosingTheChartClosesTheDialog)
{
    App();
    Installed chart;
    auto doc = chart.Open();
    // The worker waits for the tile lock at the index's first byte while Cancel is pressed; the
    // lock is let go from another thread once the press has asked the check to stop.
    std::mutex& lock = doc->TileLock();
    std::atomic<bool> locked{false};
    std::thread holder([&] {
        std::lock_guard guard(lock);
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    while (!locked)
        std::this_thread::yield();
    doc->VerifyIntegrity();
    ASSERT_NE(chart.dialog, nullptr);
    EXPECT_TRUE(chart.Button("&Cancel")->isEnabled());
    EXPECT_FALSE(chart.Button("&OK")->isEnabled());
    chart.Button("&Cancel")->click();
    holder.join();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(chart.Text("IndexResult"), "");
    EXPECT_EQ(chart.Text("ChartResult"), "");
    EXPECT_FALSE(chart.HintShown());
    EXPECT_FALSE(chart.Button("&Cancel")->isEnabled());
    EXPECT_TRUE(chart.Button("&OK")->isEnabled());
    chart.Button("&OK")->click();
    QApplication::processEvents();
    EXPECT_TRUE(chart.dialog.isNull() || chart.dialog->isHidden());
    EXPECT_TRUE(doc->CanVerify());

    // A check open when its chart closes goes with it.
    doc->VerifyIntegrity();
    chart.UntilFinished();
    ASSERT_NE(chart.dialog, nullptr);
    doc->OnCloseDocument();
    doc.reset();
    QApplication::processEvents();
    EXPECT_TRUE(chart.dialog.isNull() || chart.dialog->isHidden());
}
