#pragma once
// Base of the chart-service modules the charting module owns: each service
// knows one family of charts, opens the files of its kind, adds its charts
// to the folio and keeps its own settings. The shell hands the charting
// module its list of services, so the chart display never depends on the
// chart kinds.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Module.h"
#include "chart/ChartDoc.h"
#include "chart/FolioItem.h"

namespace chart {

class CChartDoc;
class CChartingModule;

using Folio = std::vector<std::unique_ptr<CFolioItem>>;

class CChartModule : public app::CModule {
public:
    using app::CModule::CModule;

    virtual std::string GetName() const { return "Blank Chart"; }
    virtual void OnCataloguesOpened() { }
    virtual void OnCataloguesClosing() { }
    // The charts folder changed: the service's own folder lies below it.
    virtual void SetChartsFolder(const std::string& /*folder*/) { }
    // Adds this service's charts to the folio; the number of catalogue
    // records used. `recordRead`, when set, is called for each catalogue
    // record passed over, for the progress of the folio build.
    virtual int BuildFolio(Folio& /*folio*/, const std::function<void()>& /*recordRead*/)
    {
        return 0;
    }
    int BuildFolio(Folio& folio) { return BuildFolio(folio, {}); }
    // The records of the chart catalogue this service's folio is built from
    // (the raster services share one catalogue and answer alike); 0 without one.
    virtual long CatalogueRecordCount() { return 0; }
    virtual void RemoveFolioItems(Folio& /*folio*/) { }

    // Whether this service opens a file of the extension (no dot, any case;
    // empty for a new chart without a file).
    virtual bool OpensExtension(std::string_view /*extension*/) const { return false; }
    // The path the document opens for a file of this service (a new blank
    // chart opens without one).
    virtual std::string PathToOpen(const std::string& path) const { return path; }
    // A new, unopened document of this service's kind.
    virtual std::unique_ptr<CChartDoc> CreateChartDoc(CChartingModule& /*module*/)
    {
        return nullptr;
    }
    // A new document for the file at `path`; a service whose kinds differ by
    // chart (the raster services) decides here.
    virtual std::unique_ptr<CChartDoc> CreateChartDocFor(CChartingModule& module,
                                                         const std::string& /*path*/)
    {
        return CreateChartDoc(module);
    }

    // Whether the service has charts installed (the File choosers offer its kind).
    virtual bool HasInstalledCharts() { return false; }
    // A first start's installation from the sample media in `folder` (the
    // start option): the path of the chart to show, empty when this service
    // installed nothing.
    virtual std::string InstallSampleMedia(const std::string& /*folder*/) { return {}; }

    // The charting module that owns this service, set when it takes it over.
    void SetCharting(CChartingModule* charting) { m_charting = charting; }

protected:
    CChartingModule* m_charting = nullptr;
};

}   // namespace chart
