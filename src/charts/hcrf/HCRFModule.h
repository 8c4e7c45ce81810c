#pragma once
// The raster chart-service modules: the base CHCRFModule with the folder
// rules of the chart trees on disk and on chart media, the catalogue table
// both services share, folio building, finding chart media and installing
// from them; CARCSModule and CSeafarerModule fill in the services' names,
// codes and label forms.
//
// Chart media are folders: the charting module's "SourcePath" is a medium's
// root, and a medium is present when that root holds a readable ReadMe.cdv.
// On a medium the root is itself the chart tree ("RasChts", "ChartCat",
// "Misc", "Temp_NM"); on disk the trees are <charts>/HCRF/<CC>/ChartCD and
// .../UpdateCD. Names on media are matched without case.

#include "chart/ChartModule.h"
#include "charts/hcrf/CdIdentifier.h"
#include "charts/hcrf/ChartCatalogue.h"
#include "charts/hcrf/MediaUi.h"
#include "db/DBARCSCat.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace charts::hcrf {

class CHCRFDoc;
class CHCRFModule;

// What the program gives both services.
struct CHCRFHost {
    // The navigator's hold flag: its periodic work waits while a prompt is up.
    std::function<void(bool)> setNavigatorHold;
    CMediaUi* ui = nullptr;
    // Shows the verification dialog of a document whose check has started.
    std::function<void(CHCRFDoc&)> showVerification;
    // The chart dialogs: the charts at a position, the current panel's notes,
    // the notices to mariners, and Custom Chart Management of a service.
    std::function<void(CHCRFDoc&, const geo::CPosition&)> showChartsAtPosition;
    std::function<void(CHCRFDoc&)> showNotes;
    std::function<void(CHCRFDoc&)> showNotices;
    std::function<void(CHCRFModule&)> showCustom;
    // Delivers the window events waiting for the user-interface thread.
    std::function<void()> pumpMessages;
};

// State both service modules share: the catalogue table and the host.
struct CHCRFShared {
    db::CDBARCSCat catalogue;
    bool startupDone = false;
    CHCRFHost host;
    // The window layer's answers and pages, owned here when the program made them.
    std::unique_ptr<CMediaUi> ownedUi;
    std::vector<std::shared_ptr<app::CModuleUi>> ownedPages;
    std::vector<CHCRFModule*> services;
};

// One work item: requested location flags and a chart number.
struct CWorkItem {
    std::uint8_t flags = 0;
    std::string number;
};

struct CFolioChart : chart::CFolioItem {
    const CHCRFModule* service = nullptr;
    std::int32_t scale = 0;
    unsigned panel = 0;   // 0 the main chart, i an inset plan
    std::vector<geo::CPosition> positions;
    bool ContainsPosition(const geo::CPosition& position) const;
};

class CHCRFModule : public chart::CChartModule {
public:
    CHCRFModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared, int chartKind,
                std::uint32_t office, std::string country);
    ~CHCRFModule() override;

    // ---- Service operations -----------------------------------------------
    std::string GetName() const override { return "HCRF"; }
    virtual std::string GetUpdateLabelKey(std::string_view label) const;
    virtual std::string GetLatestUpdateLabel() const { return {}; }
    virtual std::string GetUpdatePrefix() const { return {}; }
    virtual bool IsServiceChart(std::string_view /*number*/) const { return false; }
    virtual bool IsServiceUpdate(const CCDIdentifier& id) const;
    virtual std::string NormaliseCdName(std::string_view name) const { return std::string(name); }

    // ---- Module ------------------------------------------------------------
    bool Initialise() override;
    // The service's key (workspace\Chart\HCRF\<name>) holds no values: load
    // opens it for reading, save creates it, and both close it again.
    void LoadSettings() override;
    void SaveSettings() override;
    void SetChartsFolder(const std::string& folder) override;
    using chart::CChartModule::BuildFolio;
    int BuildFolio(chart::Folio& folio, const std::function<void()>& recordRead) override;
    long CatalogueRecordCount() override;
    void RemoveFolioItems(chart::Folio& folio) override;
    // The service's page of the Chart Management Options sheet, when the
    // window layer gave one.
    app::CModuleUi* Ui() override { return m_ui; }
    void SetUi(app::CModuleUi* ui) { m_ui = ui; }
    bool OpensExtension(std::string_view extension) const override;
    std::unique_ptr<chart::CChartDoc> CreateChartDoc(chart::CChartingModule& module) override;
    std::unique_ptr<chart::CChartDoc> CreateChartDocFor(chart::CChartingModule& module,
                                                        const std::string& path) override;

    int ChartKind() const { return m_chartKind; }
    std::uint32_t Office() const { return m_office; }
    const std::string& Country() const { return m_country; }
    CHCRFShared& Shared() const { return *m_shared; }
    db::CDBARCSCat& Catalogue() const { return m_shared->catalogue; }
    static std::string GetServiceName(std::uint32_t office);

    // ---- Catalogue ---------------------------------------------------------
    bool OpenCatalogue(const std::filesystem::path& folder, bool readOnly);
    void CloseCatalogue();
    // The chart's "chr" where its record says its files are; empty when not catalogued.
    std::string GetCataloguedChartPath(const std::string& number);
    // Whether the catalogue holds the chart of the path's name as an ARCS
    // chart; false when it does not hold it at all.
    bool IsChartInCatalogue(const std::string& path);
    // Deletes the whole raster chart system on disk: the module folder with
    // the catalogue and every installed chart and update, then the folder
    // again with an empty catalogue made in it and reopened read-only.
    bool DeleteChartSystem();

    // ---- Folders -----------------------------------------------------------
    std::filesystem::path ChartsFolder() const;
    std::filesystem::path ModuleFolder() const;   // <charts>/HCRF, holds "Cat"
    std::filesystem::path ServiceDir() const;   // <charts>/HCRF/<CC>
    std::filesystem::path SourcePath() const;   // the medium root
    // The chart tree and update tree on disk or on the medium.
    std::filesystem::path ChartTree(bool onDisk) const;
    std::filesystem::path UpdateTree(bool onDisk) const;
    static std::filesystem::path ChartDir(const std::string& number);   // RasChts/GGG/NAME
    std::filesystem::path ChartFolder(bool onDisk, const std::string& number) const;
    std::filesystem::path ChartUpdateFolder(bool onDisk, const std::string& number) const;
    std::filesystem::path ChartFilePath(bool onDisk, const std::string& number,
                                        std::string_view extension) const;
    std::filesystem::path ChartUpdateFilePath(bool onDisk, const std::string& number,
                                              std::string_view extension) const;
    // The installed copy of an update medium on disk.
    std::filesystem::path UpdateSourcePath(const std::string& name) const;
    // The newest update folder name with the service's prefix, or empty.
    std::string FindChartFile(const std::string& baseLabel) const;
    bool IsNewerUpdateLabel(std::string_view label, std::string_view other) const;

    // ---- Chart media -------------------------------------------------------
    // The medium at the source path, when one is there.
    bool ReadMediumIdentifier(CCDIdentifier& id) const;
    bool IsMediumPresent() const;
    // The medium at the source path when it is a chart or update medium of
    // this service: another service's medium of the same name is not taken.
    bool ReadFromDrive(CCDIdentifier& id) const;
    // Waits for any update medium of the service; false on Cancel.
    bool WaitForUpdateCD(CCDIdentifier& id);
    // Waits for the named medium (date tested for chart media when given);
    // `cancelled` is cleared at the start and set on Cancel.
    bool WaitForCD(const std::string& name, const std::string& date, bool* cancelled = nullptr);
    // One prompt for a named medium; false on Cancel. Choose Folder... sets
    // the source path and answers true.
    bool PromptInsertCD(const std::string& name, const std::string& date);

    // ---- Installation (ChartInstall.cpp) -------------------------------------
    bool OnUpdates();
    bool OnExpress();
    // Custom Chart Management of this service's charts.
    bool OnCustom();
    // Removes from the disk what the work items no longer want there: chart
    // files (bit 0) and update files (bit 1), each folder with its group
    // folder when that becomes empty; the records lose those bits. Copies
    // towards the disk are left to ProcessCharts.
    bool RelocateCharts(const std::vector<CWorkItem>& items);
    bool ProcessUpdateCD();
    bool ProcessCharts(const std::vector<CWorkItem>& items);
    // Removes the update copies no record names; `names` (lower case) when
    // the caller knows them, else the catalogue's.
    bool ScanChartFolders(const std::vector<std::string>* names = nullptr);
    bool CollectUpdateCdNames(std::vector<std::string>& names);
    // Updates needs a source folder that exists and charts of the service in
    // the catalogue; Express and Custom... also a catalogue that is not empty.
    bool CanUpdate() const;
    bool CanInstall();
    // The File choosers offer raster charts while the shared catalogue holds
    // any chart (a catalogue not open counts as empty).
    bool HasInstalledCharts() override { return !Catalogue().IsEmpty(); }
    // Runs an operation as the management page does: chart windows of both
    // services closed, the catalogue writable around it and read-only after,
    // the folio rebuilt after Updates.
    bool RunManaged(bool (CHCRFModule::*operation)(), bool rebuildFolio);
    // The first start with the sample media: when the catalogue holds no
    // chart, installs the first update medium and the chart medium found
    // below `sampleFolder` and answers the overview chart's path.
    std::string InstallSampleMedia(const std::string& sampleFolder) override;

protected:
    CMediaUi* MediaUi() const { return m_shared->host.ui; }
    chart::CChartingModule* Charting() const { return m_charting; }

private:
    friend class CChartInstaller;
    // Refreshes the current record from an entry read from an update copy;
    // true when a field changed.
    bool RefreshRecord(const CARCSCatEntry& entry, const std::string& chartCd,
                       const std::string& updateCd, const std::string& chartDate,
                       const std::string& updateDate, std::uint8_t flags);

    std::shared_ptr<CHCRFShared> m_shared;
    app::CModuleUi* m_ui = nullptr;
    int m_chartKind;
    std::uint32_t m_office;
    std::string m_country;
};

class CARCSModule final : public CHCRFModule {
public:
    CARCSModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared);
    std::string GetName() const override { return "ARCS"; }
    std::string GetUpdateLabelKey(std::string_view label) const override;
    std::string GetLatestUpdateLabel() const override { return FindChartFile("00_95"); }
    std::string GetUpdatePrefix() const override { return "Wk"; }
    bool IsServiceChart(std::string_view number) const override;
    bool IsServiceUpdate(const CCDIdentifier& id) const override;
    // The service's test chart "NP762E": a chart on a medium labelled TEST1_C
    // to TEST4_C, an update on one labelled TEST1_U to TEST4_U (the label of
    // the source folder's volume; any case).
    bool IsArcsTestChartC(std::string_view text) const { return IsTestChart(text, 'C'); }
    bool IsArcsTestChartU(std::string_view text) const { return IsTestChart(text, 'U'); }

private:
    bool IsTestChart(std::string_view text, char kind) const;
};

class CSeafarerModule final : public CHCRFModule {
public:
    CSeafarerModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared);
    std::string GetName() const override { return "Seafarer"; }
    std::string GetUpdateLabelKey(std::string_view label) const override;
    std::string GetLatestUpdateLabel() const override { return FindChartFile("jan95"); }
    std::string GetUpdatePrefix() const override { return "Up"; }
    bool IsServiceChart(std::string_view number) const override;
    bool IsServiceUpdate(const CCDIdentifier& id) const override;
    std::string NormaliseCdName(std::string_view name) const override;
};

// Splits an outline at the 180-degree meridian into eastern and western lists.
void SplitOutlineAt180(std::vector<geo::CPosition>& east, std::vector<geo::CPosition>& west);

}   // namespace charts::hcrf
