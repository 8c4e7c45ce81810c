#pragma once
// What the raster chart dialogs list and choose, without their windows:
// the installed charts of the folio to open by number (with a find that
// wraps), the charts covering a position ordered by scale, and the notices
// files that came with the charts.

#include "chart/ChartModule.h"
#include "geo/Position.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace charts::hcrf {

struct CFolioChart;

// One row of "Open Chart": an offered raster chart (or inset plan) of the folio.
struct COpenChartRow {
    std::string number;
    std::string description;
    const CFolioChart* item = nullptr;
};

class COpenChartList {
public:
    // One row per raster folio item that is offered, in folio order.
    void Fill(const chart::Folio& folio);
    const std::vector<COpenChartRow>& Rows() const { return m_rows; }

    // Searches from the row after `selected` (the first row when none or the
    // last is selected), wrapping once round every row, for `text` in either
    // column; without `matchCase` letters match either case. Nothing for an
    // empty text or one that occurs nowhere.
    std::optional<std::size_t> Find(std::string_view text, bool matchCase,
                                    std::optional<std::size_t> selected) const;
    // The description line: the row's description and its scale.
    std::string DescriptionLine(std::size_t row) const;
    // The chart file of the row's chart when the catalogue holds it; empty
    // when it does not (the chart cannot be chosen).
    std::string ChosenPath(std::size_t row) const;

private:
    std::vector<COpenChartRow> m_rows;
};

// One row of "Charts Available".
struct CChartAtPosition {
    std::string number;
    unsigned plan = 0;   // 0 the main chart, else the inset plan
    std::int32_t scale = 0;
    std::string description;
    const CFolioChart* item = nullptr;
};

// The offered raster charts of `folio` that cover `position`, largest scale
// (smallest scale number) first; equal scales keep their folio order.
std::vector<CChartAtPosition> ChartsAtPosition(const std::vector<const chart::CFolioItem*>& folio,
                                               const geo::CPosition& position);
// "1:" and the scale number.
std::string ScaleText(std::int32_t scale);
// The row of the chart `number` and its panel `plan`, else its main chart's, else none.
std::optional<std::size_t> RowOfChart(const std::vector<CChartAtPosition>& rows,
                                      std::string_view number, unsigned plan);

// The "*.txt" files of a notices folder by name; none when it is missing.
std::vector<std::string> ListNoticeFiles(const std::filesystem::path& folder);
// "NTM #:", the name's characters 4 to 8 (the notice's number), a blank and
// the year of its first two characters with the century of the 95 rule.
// A name shorter than 8 characters before its extension gives what it holds.
std::string NoticeTitle(std::string_view fileName);
// A notice's text as stored (Windows-1252) in UTF-8; empty when unreadable.
std::string ReadNoticeText(const std::filesystem::path& file);

}   // namespace charts::hcrf
