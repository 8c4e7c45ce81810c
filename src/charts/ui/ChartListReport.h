#pragma once
// The installed chart list, plain and with full details, read from the chart
// catalogue through a read-only handle of its own, so the charting module's
// catalogue position and tag are untouched.

#include "engines/report/ReportLayout.h"

#include <QLocale>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace charts {

// Where a chart's files come from: its medium, or the charts folder on disk.
struct CChartListSources {
    std::string chartMedium;
    std::string chartsFolder;
};

// "Sheet of Plans" for 0, else "1:" and the scale grouped as the locale groups it.
std::string ChartScaleText(std::int32_t scale, const QLocale& locale);
// YYYYMMDD as DD/MM/YYYY; any other text unchanged, so nothing is read out of range.
std::string ChartListDate(std::string_view date);

// One row per catalogued chart in chart-number order, every field of the
// chart folio report table (db::ReportChartFolioFields) in its order. False
// with a message when the catalogue in `folder` cannot be opened; no
// catalogue is no rows.
bool ReadChartFolio(const std::filesystem::path& folder, const CChartListSources& sources,
                    const QLocale& locale, std::vector<std::vector<std::string>>& rows,
                    std::string& error);

// "ChartFolio", or "FullChartFolio" with full details.
const char* ChartListReportName(bool fullDetails);
// The list as its definition file lays it out (the user's copy first, then
// `reportsFolder`): the definition, and rows holding its columns' fields.
// False with the file and line named when the definition is missing or bad.
bool MakeChartListReport(bool fullDetails, const std::filesystem::path& reportsFolder,
                         std::vector<std::vector<std::string>> folioRows,
                         report::CReportDefinition& definition,
                         std::unique_ptr<report::CReportRows>& rows, std::string& error);

// ReadChartFolio's rows cut to the shipped lists' fields: chart number,
// title, scale, chart and update medium; with full details the service name
// first and the dates and file places after each medium.
bool ReadChartList(const std::filesystem::path& folder, bool fullDetails,
                   const CChartListSources& sources, const QLocale& locale,
                   std::vector<std::vector<std::string>>& rows, std::string& error);

}   // namespace charts
