#pragma once
// What a report looks like: paper, title lines, columns and totals. Plain
// data without Qt, so definition files can be read (and fuzzed) by builds
// without the print engine.

#include <cstddef>
#include <string>
#include <vector>

namespace report {

enum class Align { Left, Right, Centre };

struct CReportColumn {
    std::string heading;
    double width = 1.0;   // share of the printable width, relative to the other columns
    Align align = Align::Left;
    std::string field;   // the report table's field shown, when rows come from one
    bool wrap = true;   // else one line, narrowed to fit or cut with an ellipsis
};

// A column's figure on the total line: the sum of its numbers, or its last value.
struct CReportTotal {
    enum Kind { Sum, Last } kind = Sum;
    std::size_t column = 0;
};

// A piece of a title line: text, or a field of the report's first row.
struct CTitlePart {
    std::string text;
    bool field = false;
};

enum class PaperSize { Locale, A4, Letter };

struct CReportDefinition {
    std::vector<std::string> titles;   // the first is drawn larger
    // When set, the titles are made from these once the rows are known.
    std::vector<std::vector<CTitlePart>> titleParts;
    std::vector<CReportColumn> columns;
    bool rowCountTotal = true;   // "Total: n" under the last row
    std::vector<CReportTotal> totals;
    // Columns left empty on the last row: a route's destination has no leg
    // after it, so a plan's leg columns say nothing there.
    std::vector<std::size_t> blankOnLastRow;
    bool landscape = false;
    PaperSize paper = PaperSize::Locale;
    double margin = 36.0;   // points on every side
    bool footerDate = true;
};

}   // namespace report
