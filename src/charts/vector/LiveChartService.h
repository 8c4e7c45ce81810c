#pragma once
// The chart service of the vector charts: files ".b" in its folder (the
// charts folder plus "LIVECHART"), the folio "LC.FOL" there, and rebuilding
// the folio from the S-57 cells copied into the folder.

#include <filesystem>
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
    using CChartModule::CChartModule;

    std::string GetName() const override { return "Livechart"; }
    void SetChartsFolder(const std::string& folder) override;
    bool OpensExtension(std::string_view extension) const override;
    std::unique_ptr<chart::CChartDoc> CreateChartDoc(chart::CChartingModule& module) override;
    int BuildFolio(chart::Folio& folio) override;
    void RemoveFolioItems(chart::Folio& folio) override;

    std::filesystem::path Folder() const { return GetDataFolder(); }
    // Whether Update Folio has anything to work on: ".b" files or cells.
    bool HasChartsOrCells() const;
    vengine::FolioUpdateResult UpdateFolio(const vengine::FolioProgress& progress,
                                           std::stop_token stop);
    // The folio message for a result: "Folio Updated OK: ..." or "Update Folio failed".
    static std::string UpdateMessage(const vengine::FolioUpdateResult& result);
};

}   // namespace charts
