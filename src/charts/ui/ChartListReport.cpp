#include "charts/ui/ChartListReport.h"

#include "app/StringUtils.h"
#include "charts/hcrf/HCRFModule.h"
#include "db/DBARCSCat.h"
#include "db/DBTextTable.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace charts {

namespace fs = std::filesystem;

report::CReportDefinition ChartListDefinition(bool fullDetails)
{
    report::CReportDefinition def;
    using report::Align;
    if (fullDetails) {
        def.titles = {"Installed Chart List ( Full Details ) Report"};
        def.landscape = true;
        def.columns = {{"Service", 1.6, Align::Left},     {"Chart", 0.9, Align::Left},
                       {"Title", 3.0, Align::Left},       {"Scale", 1.2, Align::Right},
                       {"Chart CD", 1.0, Align::Left},    {"Chart CD Date", 1.0, Align::Left},
                       {"Update CD", 1.0, Align::Left},   {"Update CD Date", 1.0, Align::Left},
                       {"Chart Files", 1.4, Align::Left}, {"Update Files", 1.4, Align::Left}};
    } else {
        def.titles = {"Installed Chart List Report"};
        def.columns = {{"Chart", 1.0, Align::Left},
                       {"Title", 4.0, Align::Left},
                       {"Scale", 1.3, Align::Right},
                       {"Chart CD", 1.2, Align::Left},
                       {"Update CD", 1.2, Align::Left}};
    }
    return def;
}

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

bool ReadChartList(const fs::path& folder, bool fullDetails, const CChartListSources& sources,
                   const QLocale& locale, std::vector<std::vector<std::string>>& rows,
                   std::string& error)
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
        const std::string scale = ChartScaleText(cat.m_scale, locale);
        if (!fullDetails) {
            rows.push_back({cat.m_no, cat.m_desc, scale, cat.m_chcdid, cat.m_upcdid});
            continue;
        }
        const bool updateChart = platform::EqualNoCaseAscii(cat.m_chcdid, "UPDATE");
        const std::string chartDate = updateChart ? cat.m_chcddop : ChartListDate(cat.m_chcddop);
        rows.push_back({hcrf::CHCRFModule::GetServiceName(cat.m_ho), cat.m_no, cat.m_desc, scale,
                        cat.m_chcdid, chartDate, cat.m_upcdid, ChartListDate(cat.m_upcddop),
                        place((cat.m_source & 1) != 0), place((cat.m_source & 2) != 0)});
    }
    cat.Close();
    return true;
}

}   // namespace charts
