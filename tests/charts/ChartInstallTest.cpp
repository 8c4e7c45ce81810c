// Installation from fake chart media with scripted prompts: the update pass
// seeding an empty catalogue, Express with the chart medium found through
// Choose Folder..., Cancel and a failed copy leaving no partial chart, a
// second update medium bringing update tiles, and the documents opened from
// what was installed (drawn, zoomed, verified).

#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "support/FakeMedia.h"

#include "chart/ChartingModule.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/hcrf/ChartCopy.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

struct Home : CSettingsHome {
    platform::CSettingsStore* store = nullptr;
    platform::CSettingsStore& GetStore() const override { return *store; }
    std::string GetRegistryKey() const override { return "W"; }
};

class ScriptedProgress final : public CInstallProgress {
public:
    explicit ScriptedProgress(std::function<bool()> cancel) : m_cancel(std::move(cancel)) { }
    void SetText(std::string_view number, std::string_view, std::string_view) override
    {
        texts.emplace_back(number);
    }
    void SetProgress(std::size_t, std::size_t, std::uint64_t, std::uint64_t) override { }
    bool IsCancelled() override { return m_cancel && m_cancel(); }
    void Pump() override { }
    std::vector<std::string> texts;

private:
    std::function<bool()> m_cancel;
};

// Answers medium prompts from a script: each entry a folder to choose, or
// empty for Cancel. Messages are recorded and answered OK.
class ScriptedMediaUi final : public CMediaUi {
public:
    platform::PromptAnswer Message(std::string_view text, platform::PromptIcon,
                                   platform::PromptButtons) override
    {
        messages.emplace_back(text);
        return platform::PromptAnswer::Ok;
    }
    MediumAnswer AskForMedium(std::string_view text, std::string_view, std::string& folder) override
    {
        prompts.emplace_back(text);
        if (answers.empty())
            return MediumAnswer::Cancel;
        folder = answers.front();
        answers.pop_front();
        return folder.empty() ? MediumAnswer::Cancel : MediumAnswer::ChooseFolder;
    }
    std::unique_ptr<CInstallProgress> OpenProgress(std::string_view) override
    {
        return std::make_unique<ScriptedProgress>(cancelAfter);
    }
    std::deque<std::string> answers;
    std::vector<std::string> messages, prompts;
    std::function<bool()> cancelAfter;
};

struct Installation {
    brine_test::TempFolder dir;
    platform::CSettingsStore store{dir / "s.conf"};
    Home home;
    ScriptedMediaUi ui;
    std::unique_ptr<chart::CChartingModule> charting;
    CHCRFModule* arcs = nullptr;
    std::vector<brine_test::FakeChart> charts;
    bool holdSet = false;
    int holdChanges = 0;

    Installation()
    {
        home.store = &store;
        auto shared = std::make_shared<CHCRFShared>();
        shared->host.ui = &ui;
        shared->host.setNavigatorHold = [this](bool on) {
            holdSet = on;
            ++holdChanges;
        };
        chart::CChartingServices services;
        services.defaultChartsFolder = (dir / "charts").string();
        auto a = std::make_unique<CARCSModule>(home, shared);
        arcs = a.get();
        services.chartServices.push_back(std::move(a));
        services.chartServices.push_back(std::make_unique<CSeafarerModule>(home, shared));
        charting = std::make_unique<chart::CChartingModule>(home, std::move(services));
        EXPECT_TRUE(charting->Initialise());
    }

    void MakeCharts(bool withUpdates)
    {
        const char* numbers[] = {"RC1001", "RC2002", "RC3003"};
        const long scales[] = {150000, 50000, 12500};
        const double inset[] = {0.3, 0.1, 0.03};
        for (int i = 0; i < 3; ++i) {
            brine_test::FakeChart c;
            c.parameters.chartNumber = numbers[i];
            c.parameters.title = std::string("Chart ") + numbers[i];
            c.parameters.north = 50.7 + inset[i];
            c.parameters.south = 50.7 - inset[i];
            c.parameters.west = -1.2 - inset[i] * 1.5;
            c.parameters.east = -1.2 + inset[i] * 1.5;
            c.parameters.scale = scales[i];
            c.parameters.updateTiles = {{1, 1}};
            c.width = 520;
            c.height = 400;
            charts.push_back(c);
        }
        std::string error;
        ASSERT_TRUE(brine_test::MakeMedia(charts, dir / "work", dir / "RC1", "RC1", dir / "WK10_26",
                                          "WK10_26", "20260305", withUpdates, error))
            << error;
    }

    db::CDBARCSCat& Cat() { return arcs->Catalogue(); }
};

TEST(ChartInstall, UpdatesSeedThenExpressInstallsThroughChooseFolder)
{
    Installation in;
    in.MakeCharts(false);
    // Fresh settings: no medium at the source path; the update prompt is
    // answered by choosing the update medium's folder.
    in.ui.answers = {(in.dir / "WK10_26").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    EXPECT_FALSE(in.holdSet);
    EXPECT_GE(in.holdChanges, 2);
    ASSERT_TRUE(in.Cat().IsOpen());
    EXPECT_TRUE(in.Cat().IsReadOnly());
    EXPECT_EQ(in.Cat().GetRecordCount(), 3);
    ASSERT_TRUE(in.Cat().SeekKey("rc2002"));
    EXPECT_EQ(in.Cat().m_source, 0);
    EXPECT_EQ(in.Cat().m_ho, 0u);
    EXPECT_EQ(in.Cat().m_upcdid, "WK10_26");
    EXPECT_EQ(in.Cat().m_chcdid, "RC1");
    EXPECT_EQ(in.Cat().m_scale, 50000);
    EXPECT_TRUE(fs::exists(in.arcs->UpdateSourcePath("WK10_26") / "ReadMe.cdv"));
    EXPECT_EQ(in.arcs->GetLatestUpdateLabel(), "WK10_26");

    // Express: the chart medium is asked for and chosen by folder.
    in.ui.answers = {(in.dir / "RC1").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n)) << n;
        EXPECT_EQ(in.Cat().m_source, 3) << n;
        EXPECT_EQ(in.Cat().m_chcddop, "20260101");
        EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, n, "chr"))) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, n))));
    }
    // Copies keep the medium's time, so a rerun copies nothing.
    const fs::path chr = in.arcs->ChartFilePath(true, "RC1001", "chr");
    const fs::path source = in.dir / "RC1" / "RasChts" / "010" / "RC1001" / "RC1001.chr";
    EXPECT_EQ(fs::last_write_time(chr), fs::last_write_time(source));
}

TEST(ChartInstall, CancelAndFailureLeaveNoPartialChartAndNoRecordClaimingIt)
{
    Installation in;
    in.MakeCharts(false);
    in.ui.answers = {(in.dir / "WK10_26").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));

    // Cancel pressed during the first chart copy.
    in.ui.answers = {(in.dir / "RC1").string()};
    const std::string chartMedium = (in.dir / "RC1").string();
    in.ui.cancelAfter = [&] { return in.charting->GetSourcePath() == chartMedium; };
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    in.ui.cancelAfter = nullptr;
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n));
        if (in.Cat().m_source & 1)
            EXPECT_TRUE(fs::exists(in.arcs->ChartFilePath(true, n, "hdr"))) << n;
        else
            EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, n))) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, n)))) << n;
    }
    // The page's frame reopened the catalogue read-only after the cancel.
    EXPECT_TRUE(in.Cat().IsReadOnly());

    // A chart folder missing from the medium fails that chart only.
    fs::remove_all(in.dir / "RC1" / "RasChts" / "020");
    in.ui.answers = {chartMedium};
    in.ui.messages.clear();
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    ASSERT_TRUE(in.Cat().SeekKey("RC2002"));
    EXPECT_EQ(in.Cat().m_source & 1, 0);
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_source, 3);
    EXPECT_FALSE(in.ui.messages.empty());
}

TEST(ChartInstall, CancelledMediumPromptEndsWithFalse)
{
    Installation in;
    in.MakeCharts(false);
    in.ui.answers = {""};
    EXPECT_FALSE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    EXPECT_EQ(in.Cat().GetRecordCount(), 0);
    EXPECT_FALSE(in.arcs->PromptInsertCD("RC1", "20260101"));
    EXPECT_FALSE(in.holdSet);
}

TEST(ChartInstall, SecondUpdateMediumBringsUpdateTilesAndDocumentsVerify)
{
    Installation in;
    in.MakeCharts(false);
    in.ui.answers = {(in.dir / "WK10_26").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    in.ui.answers = {(in.dir / "RC1").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    // The second update medium carries the update files.
    std::vector<brine_test::FakeChart> again = in.charts;
    std::string error;
    ASSERT_TRUE(brine_test::MakeMedia(again, in.dir / "work2", in.dir / "RC1b", "RC1",
                                      in.dir / "WK11_26", "WK11_26", "20260312", true, error));
    in.ui.answers = {(in.dir / "WK11_26").string()};
    in.charting->SetSourcePath((in.dir / "RC1").string());
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_upcdid, "WK11_26");
    EXPECT_EQ(in.Cat().m_source, 3);
    EXPECT_TRUE(fs::exists(in.arcs->ChartUpdateFilePath(true, "RC3003", "upr")));
    // The older update copy is gone; the chart tree stays.
    EXPECT_FALSE(fs::exists(in.arcs->UpdateSourcePath("WK10_26")));
    EXPECT_TRUE(fs::exists(in.arcs->UpdateTree(true) / "RasChts"));

    // Open the harbour chart: low resolution first, full detail merges the updates.
    CHCRFDoc doc(in.charting.get(), in.arcs);
    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 400, 300};
    doc.AttachWindow(&window);
    const std::string path = in.arcs->GetCataloguedChartPath("RC3003");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(doc.OpenChart(path));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kLow);
    EXPECT_FALSE(doc.CanVerify());
    ASSERT_TRUE(doc.SetZoom(3, nullptr));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kHigh);
    EXPECT_EQ(doc.UpdatedTiles(), std::vector<std::string>{"001001"});
    EXPECT_TRUE(doc.CanVerify());

    // Drawing decodes each visible tile once; a second paint decodes nothing.
    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
    chart::CPaletteTable palette{};
    dc.SetPalette(&palette);
    EXPECT_GT(doc.DrawChart(dc), 0);
    const auto decodes = doc.Cache().Decodes();
    doc.DrawChart(dc);
    EXPECT_EQ(doc.Cache().Decodes(), decodes);

    // Verification: passed against the catalogue's values.
    auto verify = [&doc] {
        doc.Verifier().Start(doc.HighRaster(), doc.TileLock());
        int index = -1, chartResult = -1;
        bool finished = false;
        for (int i = 0; i < 500 && !finished; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            doc.Verifier().Queue().Drain([&](const app::CPostedMessage& m) {
                if (m.id == CChartVerifier::kIndexResult)
                    index = int(m.wParam);
                if (m.id == CChartVerifier::kChartResult)
                    chartResult = int(m.wParam);
                if (m.id == CChartVerifier::kFinished)
                    finished = true;
            });
        }
        doc.Verifier().Stop();
        return std::pair{index, chartResult};
    };
    EXPECT_EQ(verify(), (std::pair{1, 1}));

    // A corrupted tile in the installed raster fails the chart check.
    const fs::path chr = in.arcs->ChartFilePath(true, "RC3003", "chr");
    {
        std::fstream f(chr, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(10);
        f.put('\x5A');
    }
    CHCRFDoc corrupt(in.charting.get(), in.arcs);
    ASSERT_TRUE(corrupt.OpenChart(path));
    ASSERT_TRUE(corrupt.SetZoom(3, nullptr));
    corrupt.Verifier().Start(corrupt.HighRaster(), corrupt.TileLock());
    int chartResult = -1;
    for (int i = 0; i < 500 && chartResult < 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        corrupt.Verifier().Queue().Drain([&](const app::CPostedMessage& m) {
            if (m.id == CChartVerifier::kChartResult)
                chartResult = int(m.wParam);
        });
    }
    EXPECT_EQ(chartResult, 0);
}

TEST(ChartInstall, LargerScaleFindsTheNextChartInTheFolio)
{
    Installation in;
    in.MakeCharts(false);
    in.ui.answers = {(in.dir / "WK10_26").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnUpdates, true));
    in.ui.answers = {(in.dir / "RC1").string()};
    ASSERT_TRUE(in.arcs->RunManaged(&CHCRFModule::OnExpress, false));
    in.charting->BuildChartFolio();
    EXPECT_EQ(in.charting->GetFolio().size(), 3u);
    CHCRFDoc doc(in.charting.get(), in.arcs);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    doc.RebuildFolio();
    const geo::CPosition centre(50.7, -1.2);
    const CFolioChart* next = doc.FindFolioChart(centre, 3);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->fileName, "RC2002");
    EXPECT_EQ(doc.FindFolioChart(centre, 2), nullptr);
}

}   // namespace
