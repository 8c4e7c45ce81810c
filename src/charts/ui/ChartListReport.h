#pragma once
// The installed chart list, plain and with full details, read from the chart
// catalogue through a read-only handle of its own, so the charting module's
// catalogue position and tag are untouched.

#include "engines/report/ReportLayout.h"

#include <QLocale>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace charts {

// Where a chart's files come from: its medium, or the charts folder on disk.
struct CChartListSources {
    std::string chartMedium;
    std::string chartsFolder;
};

report::CReportDefinition ChartListDefinition(bool fullDetails);

// "Sheet of Plans" for 0, else "1:" and the scale grouped as the locale groups it.
std::string ChartScaleText(std::int32_t scale, const QLocale& locale);
// YYYYMMDD as DD/MM/YYYY; any other text unchanged, so nothing is read out of range.
std::string ChartListDate(std::string_view date);

// One row per catalogued chart in chart-number order. False with a message
// when the catalogue in `folder` cannot be opened; no catalogue is no rows.
bool ReadChartList(const std::filesystem::path& folder, bool fullDetails,
                   const CChartListSources& sources, const QLocale& locale,
                   std::vector<std::vector<std::string>>& rows, std::string& error);

}   // namespace charts
