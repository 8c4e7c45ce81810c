#pragma once
// An installation for the chart service tests: a charting module with both
// raster services over a charts folder, prompts answered from a script, and
// fake media made beside it.

#include "FakeMedia.h"

#include "chart/ChartingModule.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace brine_test {

struct TestHome : app::CSettingsHome {
    platform::CSettingsStore* store = nullptr;
    platform::CSettingsStore& GetStore() const override { return *store; }
    std::string GetRegistryKey() const override { return "W"; }
};

// Each progress step is recorded as (chart, charts).
using ProgressSteps = std::vector<std::pair<std::size_t, std::size_t>>;

class ScriptedProgress final : public charts::hcrf::CInstallProgress {
public:
    ScriptedProgress(std::function<bool()> cancel, std::vector<std::string>* events,
                     ProgressSteps& steps)
        : m_cancel(std::move(cancel)), m_events(events), m_steps(steps)
    { }
    void SetText(std::string_view, std::string_view, std::string_view) override { }
    void SetProgress(std::size_t chart, std::size_t charts, std::uint64_t, std::uint64_t) override
    {
        m_steps.emplace_back(chart, charts);
    }
    bool IsCancelled() override { return m_cancel && m_cancel(); }
    void Pump() override { }
    void Animate(bool on) override { m_events->push_back(on ? "animate on" : "animate off"); }

private:
    std::function<bool()> m_cancel;
    std::vector<std::string>* m_events;
    ProgressSteps& m_steps;
};

// Answers medium prompts from a script: each entry a folder to choose, or
// empty for Cancel. Messages are recorded and answered OK.
class ScriptedMediaUi final : public charts::hcrf::CMediaUi {
public:
    platform::PromptAnswer Message(std::string_view text, platform::PromptIcon,
                                   platform::PromptButtons) override
    {
        messages.emplace_back(text);
        return platform::PromptAnswer::Ok;
    }
    charts::hcrf::MediumAnswer AskForMedium(std::string_view text, std::string_view,
                                            std::string& folder) override
    {
        prompts.emplace_back(text);
        events.emplace_back("prompt");
        if (answers.empty())
            return charts::hcrf::MediumAnswer::Cancel;
        folder = answers.front();
        answers.pop_front();
        return folder.empty() ? charts::hcrf::MediumAnswer::Cancel
                              : charts::hcrf::MediumAnswer::ChooseFolder;
    }
    std::unique_ptr<charts::hcrf::CInstallProgress> OpenProgress(std::string_view title) override
    {
        opened.emplace_back(title);
        events.push_back("open " + std::string(title));
        if (onOpenProgress)
            onOpenProgress(title);
        return std::make_unique<ScriptedProgress>(cancelAfter, &events, progressSteps);
    }
    std::deque<std::string> answers;
    std::vector<std::string> messages, prompts;
    // The titles of the progress dialogs opened, in their order.
    std::vector<std::string> opened;
    // Progress dialogs opened, prompts and the copying animation, in turn.
    std::vector<std::string> events;
    std::function<bool()> cancelAfter;
    std::function<void(std::string_view)> onOpenProgress;
    ProgressSteps progressSteps;
};

// The charts folder is root/charts, the media root/RC1 and root/WK10_26.
struct Installation {
    std::filesystem::path root;
    platform::CSettingsStore store;
    TestHome home;
    ScriptedMediaUi ui;
    std::unique_ptr<chart::CChartingModule> charting;
    charts::hcrf::CHCRFModule* arcs = nullptr;
    std::vector<FakeChart> charts;
    bool holdSet = false;
    int holdChanges = 0;

    explicit Installation(std::filesystem::path folder)
        : root(std::move(folder)), store(root / "s.conf")
    {
        home.store = &store;
        auto shared = std::make_shared<charts::hcrf::CHCRFShared>();
        shared->host.ui = &ui;
        shared->host.setNavigatorHold = [this](bool on) {
            holdSet = on;
            ++holdChanges;
        };
        chart::CChartingServices services;
        services.defaultChartsFolder = (root / "charts").string();
        auto a = std::make_unique<charts::hcrf::CARCSModule>(home, shared);
        arcs = a.get();
        services.chartServices.push_back(std::move(a));
        services.chartServices.push_back(
            std::make_unique<charts::hcrf::CSeafarerModule>(home, shared));
        charting = std::make_unique<chart::CChartingModule>(home, std::move(services));
        EXPECT_TRUE(charting->Initialise());
    }

    // Three charts nested round one centre: 1:150,000, 1:50,000, 1:12,500.
    void MakeCharts(bool withUpdates, unsigned width = 520, unsigned height = 400)
    {
        const char* numbers[] = {"RC1001", "RC2002", "RC3003"};
        const long scales[] = {150000, 50000, 12500};
        const double half[] = {0.3, 0.1, 0.03};
        for (int i = 0; i < 3; ++i) {
            FakeChart c;
            c.parameters.chartNumber = numbers[i];
            c.parameters.title = std::string("Chart ") + numbers[i];
            c.parameters.north = 50.7 + half[i];
            c.parameters.south = 50.7 - half[i];
            c.parameters.west = -1.2 - half[i] * 1.5;
            c.parameters.east = -1.2 + half[i] * 1.5;
            c.parameters.scale = scales[i];
            c.parameters.updateTiles = {{1, 1}};
            c.width = width;
            c.height = height;
            charts.push_back(c);
        }
        std::string error;
        ASSERT_TRUE(MakeMedia(charts, root / "work", root / "RC1", "RC1", root / "WK10_26",
                              "WK10_26", "20260305", withUpdates, error))
            << error;
    }

    // Updates from the first update medium, its prompt answered by choosing
    // the medium's folder: the catalogue is seeded with the three charts.
    [[nodiscard]] bool SeedCatalogue()
    {
        ui.answers = {(root / "WK10_26").string()};
        return arcs->RunManaged(&charts::hcrf::CHCRFModule::OnUpdates, true);
    }

    // Express, the chart medium chosen by its folder.
    [[nodiscard]] bool InstallCharts()
    {
        ui.answers = {(root / "RC1").string()};
        return arcs->RunManaged(&charts::hcrf::CHCRFModule::OnExpress, false);
    }

    db::CDBARCSCat& Cat() { return arcs->Catalogue(); }
};

// Runs the verification of a document's full-detail raster to its end (five
// seconds at most): the index and chart results, -1 for one not reported.
inline std::pair<int, int> VerifyToEnd(charts::hcrf::CHCRFDoc& doc)
{
    using charts::hcrf::CChartVerifier;
    doc.Verifier().Start(doc.HighRaster(), doc.TileLock());
    int index = -1, chart = -1;
    bool finished = false;
    for (int i = 0; i < 1000 && !finished; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        doc.Verifier().Queue().Drain([&](const app::CPostedMessage& m) {
            if (m.id == CChartVerifier::kIndexResult)
                index = int(m.wParam);
            if (m.id == CChartVerifier::kChartResult)
                chart = int(m.wParam);
            finished = finished || m.id == CChartVerifier::kFinished;
        });
    }
    doc.Verifier().Stop();
    return {index, chart};
}

}   // namespace brine_test
