#pragma once
// The chart service of the vector charts: files ".b" in its folder (the
// charts folder plus "LIVECHART"), the folio "LC.FOL" there, and rebuilding
// the folio from the S-57 cells copied into the folder.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "chart/ChartModule.h"
#include "engines/vector/Folio.h"
#include "engines/vector/FolioUpdate.h"

namespace charts {

// A folio item of a vector chart: its file name and scale.
struct CLiveChartFolioItem : chart::CFolioItem {
    std::int32_t scale = 0;
    // The same chart as the folio record: equal scales and names.
    bool Matches(const vengine::FolioRecord& record) const;
};

class CLiveChartService : public chart::CChartModule {
public:
    // Its settings live under the workspace's "Chart\LIVECHART" key.
    explicit CLiveChartService(app::CSettingsHome& home);

    std::string GetName() const override { return "Livechart"; }
    // The folder "LIVECHART" of the program folder, where an older
    // installation kept the charts, moves to the chart folder while that is
    // empty; its folio is deleted there, so the next update rebuilds it.
    bool Initialise() override;
    void SetChartsFolder(const std::string& folder) override;
    bool OpensExtension(std::string_view extension) const override;
    std::unique_ptr<chart::CChartDoc> CreateChartDoc(chart::CChartingModule& module) override;
    using chart::CChartModule::BuildFolio;
    int BuildFolio(chart::Folio& folio, const std::function<void()>& recordRead) override;
    void RemoveFolioItems(chart::Folio& folio) override;

    // The program's windows for this service (its management page), if any.
    void SetUi(std::shared_ptr<app::CModuleUi> ui) { m_ui = std::move(ui); }
    app::CModuleUi* Ui() override { return m_ui.get(); }

    std::filesystem::path Folder() const { return GetDataFolder(); }
    // The chart file of the folio's largest-scale chart holding the position;
    // none without a folio or a chart there.
    std::optional<std::filesystem::path> LargestScaleChartAt(const geo::CPosition& position) const;
    // The folder the Chart Options page names: created when missing and
    // kept in the settings. False (the folder unchanged) when it cannot be made.
    bool SetFolder(const std::string& folder);
    // "ChartsFolder": a stored folder wins over the one below the charts folder.
    void LoadSettings() override;
    void SaveSettings() override;
    // A first start's sample cells: the S-57 cells at the top of `folder`
    // (with their updates) are copied into a chart folder holding neither
    // charts nor cells, the folio is updated, and the path of the overview
    // (the smallest-scale chart but the world chart) is returned.
    std::string InstallSampleMedia(const std::string& folder) override;
    // Whether Update Folio has anything to work on: ".b" files or cells.
    bool HasChartsOrCells() const;
    vengine::FolioUpdateResult UpdateFolio(const vengine::FolioProgress& progress,
                                           std::stop_token stop);
    // The folio message for a result: "Folio Updated OK: ..." with the number
    // of charts in the rebuilt folio, or "Update Folio failed".
    static std::string UpdateMessage(const vengine::FolioUpdateResult& result);

    // The disclaimer shown when a vector chart opens and the user has not
    // agreed to it in this run. The program's windows say how to show it
    // (given the flag a refusal clears) and how to cancel it while it is up.
    struct DisclaimerHost {
        std::function<void(bool* accepted)> show;
        std::function<void()> cancel;
    };
    void SetDisclaimerHost(DisclaimerHost host) { m_disclaimer = std::move(host); }
    bool DisclaimerAccepted() const { return m_accepted; }
    // A vector chart opened: the disclaimer comes up when not agreed to yet;
    // true when it was shown now.
    bool ChartOpened();
    // A vector chart closed; when none is left, a disclaimer still up is
    // cancelled (declined), so the next chart shows it again.
    void ChartClosed();
    int OpenCharts() const { return m_openCharts; }
    // Lets a chart document reach this service while it exists, whichever
    // of the two goes first at the end of the program.
    std::weak_ptr<CLiveChartService*> Handle() const { return m_self; }

private:
    std::shared_ptr<CLiveChartService*> m_self = std::make_shared<CLiveChartService*>(this);
    std::shared_ptr<app::CModuleUi> m_ui;
    DisclaimerHost m_disclaimer;
    bool m_accepted = false;
    int m_openCharts = 0;
};

}   // namespace charts
