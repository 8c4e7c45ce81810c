#include "charts/ui/ChartListReport.h"

#include "app/StringUtils.h"
#include "charts/hcrf/HCRFModule.h"
#include "db/DBARCSCat.h"
#include "db/DBReportTable.h"
#include "db/DBTextTable.h"
#include "engines/report/ReportDefinitionFile.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace charts {

namespace fs = std::filesystem;

std::string ChartScaleText(std::int32_t scale, const QLocale& locale)
{
    if (scale == 0)
        return "Sheet of Plans";
    return "1:" + locale.toString(static_cast<qlonglong>(scale)).toStdString();
}

std::string ChartListDate(std::string_view date)
{
    const bool eightDigits =
        date.size() == 8 &&
        std::all_of(date.begin(), date.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!eightDigits)
        return std::string(date);
    return std::string(date.substr(6, 2)) + "/" + std::string(date.substr(4, 2)) + "/" +
           std::string(date.substr(0, 4));
}

bool ReadChartFolio(const fs::path& folder, const CChartListSources& sources, const QLocale& locale,
                    std::vector<std::vector<std::string>>& rows, std::string& error)
{
    rows.clear();
    std::error_code ec;
    if (!fs::exists(db::ResolveNoCase(folder / "Cat.dbf"), ec))
        return true;   // nothing installed: an empty list
    db::CDBARCSCat cat;
    cat.SetName("Cat");
    cat.SetFolder(folder.string());
    if (!cat.Open(true)) {
        error = "The chart catalogue in " + folder.string() + " could not be opened";
        return false;
    }
    // Bit 0 of SOURCE says where the chart files are, bit 1 the update files.
    auto place = [&](bool onDisk) {
        return app::CompactPath(onDisk ? sources.chartsFolder : sources.chartMedium, 30);
    };
    for (bool more = cat.GoTop(); more; more = cat.SkipForward()) {
        const bool updateChart = platform::EqualNoCaseAscii(cat.m_chcdid, "UPDATE");
        const std::string chartDate = updateChart ? cat.m_chcddop : ChartListDate(cat.m_chcddop);
        // In the order of the chart folio report fields.
        rows.push_back({std::to_string(cat.m_ho), hcrf::CHCRFModule::GetServiceName(cat.m_ho),
                        cat.m_no, cat.m_desc, ChartScaleText(cat.m_scale, locale),
                        ChartListDate(cat.m_upcddop), cat.m_upcdid, chartDate, cat.m_chcdid,
                        place((cat.m_source & 1) != 0), place((cat.m_source & 2) != 0)});
    }
    cat.Close();
    return true;
}

namespace {

int FolioField(std::string_view name)
{
    const std::vector<db::ReportField>& fields = db::ReportChartFolioFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (name == fields[i].name)
            return int(i);
    return -1;
}

// Rows of every folio field cut down to the named fields, in that order.
std::vector<std::vector<std::string>> Project(std::vector<std::vector<std::string>> rows,
                                              const std::vector<std::string>& fields)
{
    std::vector<int> index;
    for (const std::string& f : fields)
        index.push_back(FolioField(f));
    for (std::vector<std::string>& row : rows) {
        std::vector<std::string> cut;
        for (int i : index)
            cut.push_back(i >= 0 && std::size_t(i) < row.size() ? row[std::size_t(i)] : "");
        row = std::move(cut);
    }
    return rows;
}

}   // namespace

bool ReadChartList(const fs::path& folder, bool fullDetails, const CChartListSources& sources,
                   const QLocale& locale, std::vector<std::vector<std::string>>& rows,
                   std::string& error)
{
    std::vector<std::vector<std::string>> folio;
    if (!ReadChartFolio(folder, sources, locale, folio, error)) {
        rows.clear();
        return false;
    }
    const std::vector<std::string> plain{"CHARTNO", "CHARTDSRPT", "SCALE", "CHCDID", "UPCDID"};
    const std::vector<std::string> full{"HONAME",  "CHARTNO", "CHARTDSRPT", "SCALE",    "CHCDID",
                                        "CHCDDOP", "UPCDID",  "UPCDDOP",    "CHCDPATH", "UPCDPATH"};
    rows = Project(std::move(folio), fullDetails ? full : plain);
    return true;
}

const char* ChartListReportName(bool fullDetails)
{
    return fullDetails ? "FullChartFolio" : "ChartFolio";
}

bool MakeChartListReport(bool fullDetails, const fs::path& reportsFolder,
                         std::vector<std::vector<std::string>> folioRows,
                         report::CReportDefinition& definition,
                         std::unique_ptr<report::CReportRows>& rows, std::string& error)
{
    definition = {};
    if (!report::LoadReportDefinition(ChartListReportName(fullDetails), reportsFolder,
                                      db::ReportChartFolioFields(), {}, definition, error))
        return false;
    // Title fields come from the first chart, as a report table's first row gives them.
    if (!definition.titleParts.empty()) {
        definition.titles.clear();
        for (const auto& parts : definition.titleParts) {
            std::string line;
            for (const report::CTitlePart& part : parts) {
                if (!part.field) {
                    line += part.text;
                    continue;
                }
                const int i = FolioField(part.text);
                if (!folioRows.empty() && i >= 0 && std::size_t(i) < folioRows.front().size())
                    line += folioRows.front()[std::size_t(i)];
            }
            definition.titles.push_back(std::move(line));
        }
    }
    std::vector<std::string> fields;
    for (const report::CReportColumn& column : definition.columns)
        fields.push_back(column.field);
    rows = std::make_unique<report::CVectorRows>(Project(std::move(folioRows), fields));
    return true;
}

}   // namespace charts
