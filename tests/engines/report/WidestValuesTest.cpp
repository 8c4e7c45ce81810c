// Every column of every shipped report holds the widest value its field
// takes: each report is printed to PDF with one row of widest values (on A4
// and on Letter where the paper follows the locale) and read back with
// pdftotext's word boxes. A value cut with an ellipsis, run into the next
// column, drawn past its own column's edge or broken inside a word across
// two lines fails; only a path, one long word, may break where it must.
#include "app/DateLocale.h"
#include "app/DateTimeEx.h"
#include "db/DBReportTable.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "geo/DatumInfo.h"
#include "geo/Position.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QTemporaryDir>

#include "../../support/ReportTestApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using brine_test::CommandOutput;
namespace fs = std::filesystem;

// A user's text filling its field: words of ordinary length up to `width`
// characters, the widest capitals first.
std::string TextOfWidth(std::size_t width)
{
    static const char* words[] = {"WARMWATER", "Mooring", "Wharf",
                                  "Approach",  "Harbour", "Mainway"};
    std::string text;
    for (std::size_t i = 0; text.size() < width; ++i) {
        if (!text.empty())
            text += ' ';
        text += words[i % std::size(words)];
    }
    text.resize(width);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// A path of `width` characters, one word: it may only break across lines.
std::string PathOfWidth(std::size_t width)
{
    std::string path = "/media/cdrom/charts/";
    while (path.size() < width)
        path += "W";
    path.resize(width);
    return path;
}

// A text's width in the reports' own font.
double Advance(const std::string& text)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    return QFontMetricsF(font).horizontalAdvance(QString::fromStdString(text));
}

// The widest of `texts` in the reports' own font.
std::string Widest(const std::vector<std::string>& texts)
{
    return *std::max_element(texts.begin(), texts.end(),
                             [](const auto& a, const auto& b) { return Advance(a) < Advance(b); });
}

// Latitudes and longitudes as the reports format them, in both hemispheres,
// with every digit place at its widest digit and in every form Tools >
// Options offers (decimal minutes or seconds, 0 to 4 decimals): the widest
// one a user meets (in the reports' font an N is wider than an S, a W than
// an E).
std::string WidestPosition(bool latitude)
{
    // Degrees, minutes and seconds of 8s, of 0s and of 9s, north and south or
    // east and west.
    const double degrees[][3] = {{88, 80, 89}, {178, 170, 179}};
    const double minutes[] = {58 + 58.8888 / 60, 50.0, 59 + 59.0 / 60};
    std::vector<std::string> texts;
    for (int i = 0; i < 3; ++i)
        for (const double sign : {1.0, -1.0}) {
            const double value = sign * (degrees[latitude ? 0 : 1][i] + minutes[i] / 60);
            const geo::CPosition p(latitude ? value : 0.0, latitude ? 0.0 : value);
            for (std::uint8_t places = 0; places <= 4; ++places)
                for (const bool seconds : {false, true}) {
                    const geo::CPositionFormat format{places, seconds};
                    texts.push_back(latitude ? p.FormatLatitude(format)
                                             : p.FormatLongitude(format));
                }
        }
    return Widest(texts);
}

// The words of `value` that a wrapped cell printed in pieces over several
// lines, given the cell's words as read back; none when the pieces do not
// make up the value.
std::optional<std::vector<std::string>> BrokenWords(const std::string& value,
                                                    const std::string& printed)
{
    std::istringstream wanted(value), got(printed);
    std::vector<std::string> broken;
    std::string word, piece;
    while (wanted >> word) {
        std::string joined;
        int pieces = 0;
        while (joined.size() < word.size() && got >> piece) {
            joined += piece;
            ++pieces;
        }
        if (joined != word)
            return std::nullopt;
        if (pieces > 1)
            broken.push_back(word);
    }
    if (got >> piece)
        return std::nullopt;
    return broken;
}

// The widest name of the shipped datum table (the datum columns print the
// position's datum by name).
std::string WidestDatumName()
{
    EXPECT_TRUE(geo::CDatumInfo::LoadTable(fs::path(BRINE_DATUMS_FILE).parent_path()));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < geo::CDatumInfo::RowCount(); ++i)
        names.push_back(geo::CDatumInfo::GetName(static_cast<std::uint16_t>(i)));
    EXPECT_GT(names.size(), 10u) << "datum table not read";
    return names.empty() ? std::string() : Widest(names);
}

// Paths are one word as long as their field: they break where they must.
bool IsPath(const std::string& field)
{
    return field.find("PATH") != std::string::npos || field.rfind("ATTACH", 0) == 0;
}

// The widest printed form of each formatted field; a field not named here
// is text the user types, as long as its field.
using Values = std::map<std::string, std::string>;

Values FormattedWidest()
{
    // Positions as the reports format them; dates and times as the fills
    // write them in a locale with a twelve-hour clock.
    const std::string latitude = WidestPosition(true);
    const std::string longitude = WidestPosition(false);
    app::CDateLocale twelveHours;
    twelveHours.dateFormat = "%m/%d/%Y";
    twelveHours.timeFormat = "%r";
    const app::CDateTimeEx late(2026, 12, 31, 23, 59, 59);
    const std::string date = late.FormatDate(false, twelveHours);
    const std::string time = late.FormatTime(false, twelveHours);
    const std::string minutes = late.FormatTime(true, twelveHours);
    return {
        {"LAT", latitude},
        {"LNG", longitude},
        {"LATITUDE", latitude},
        {"LONGITUDE", longitude},
        {"DATE", date},
        {"DSHIFT", WidestDatumName()},
        {"DATUMSHIFT", WidestDatumName()},
        // The chart list's CD dates, rewritten to day/month/year.
        {"CHCDDOP", "28/08/2028"},
        {"UPCDDOP", "28/08/2028"},
        {"STARTDATE", date},
        {"ENDDATE", date},
        // The plan's times carry seconds; the log's times and its list's do not.
        {"TIME", time},
        {"STARTTIME", minutes},
        {"ENDTIME", minutes},
        // Three-digit courses, the plan's time spans at three digits of days.
        {"COURSE", "359"},
        {"SET", "359"},
        {"TRUECRSE", "359"},
        {"MAGCRSE", "359"},
        {"COMPCRSE", "359"},
        {"COG", "359"},
        {"SOG", "102.5"},
        {"ELAPSEDTME", "999:23:59"},
        {"PASSAGETME", "999d 23h 59m"},
        // Variation and deviation: two digits and the wider of E and W.
        {"VARIATION", "15.1W"},
        {"DEVIATION", "15.1W"},
        // Distances: whole miles from 100 on, five digits for a voyage round the world.
        {"DISTANCE", "21600"},
        {"TOTAL", "21600"},
        {"TOGO", "21600"},
        {"DIST", "21600"},
        {"LINK", "GC"},
        {"SCALE", "Sheet of Plans"},
        // Attachment paths are shortened to 28 characters before they are stored.
        {"ATTACH1", PathOfWidth(28)},
        {"ATTACH2", PathOfWidth(28)},
        {"ATTACH3", PathOfWidth(28)},
        {"ATTACH4", PathOfWidth(28)},
        {"CHCDPATH", PathOfWidth(254)},
        {"UPCDPATH", PathOfWidth(254)},
    };
}

struct Report {
    const char* name;
    std::vector<report::ReportField> fields;
    Values own;   // values of this report's fields that differ from the common ones
};

std::vector<Report> ShippedReports()
{
    std::vector<Report> reports{
        {"ChartPnt", db::ReportChartpointFields(), {}},
        {"VesselLog",
         db::ReportLogFields(),
         {{"TYPE", "Tender Target"}, {"TIME", FormattedWidest().at("STARTTIME")}}},
        {"Log", db::ReportVesselLogFields(), {}},
        {"WaypointList", db::ReportRouteFields(), {{"TYPE", "GC"}}},
        {"RouteDbList", db::ReportRouteListFields(), {}},
        {"FullRouteDbList", db::ReportRouteListFields(), {}},
        {"ChartFolio", db::ReportChartFolioFields(), {}},
        {"FullChartFolio", db::ReportChartFolioFields(), {}},
    };
    for (const char* plan : {"PssgPln", "PlnCstm1", "PlnCstm2", "PlnIntl1", "PlnIntl2"})
        reports.push_back({plan, db::ReportPlanFields(), {}});
    return reports;
}

// Every "{Name}" of a definition file that is not a field: a formula, given "x".
std::map<std::string, std::string> Formulas(const fs::path& file,
                                            const std::vector<report::ReportField>& fields)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string body = text.str();
    std::map<std::string, std::string> formulas;
    static const std::regex placeholder(R"(\{([^}]*)\})");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        if (std::none_of(fields.begin(), fields.end(),
                         [&](const report::ReportField& f) { return name == f.name; }))
            formulas[name] = "x";
    }
    return formulas;
}

struct Word {
    double xMin, yMin, xMax, yMax;
    std::string text;
    bool operator<(const Word& o) const
    {
        return std::tie(yMin, xMin, text) < std::tie(o.yMin, o.xMin, o.text);
    }
};

std::string Unescape(std::string s)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += 1)
            s.replace(at, std::string(from).size(), to);
    return s;
}

// The words of a one-page PDF with their boxes in points.
std::set<Word> Words(const std::string& pdf)
{
    const std::string html = CommandOutput("pdftotext -bbox '" + pdf + "' -");
    static const std::regex word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::set<Word> words;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word);
         it != std::sregex_iterator(); ++it) {
        const auto round = [](const std::string& v) { return std::round(std::stod(v) * 10) / 10; };
        words.insert({round((*it)[1]), round((*it)[2]), round((*it)[3]), round((*it)[4]),
                      Unescape((*it)[5])});
    }
    return words;
}

std::string Simplified(const std::string& text)
{
    std::istringstream in(text);
    std::string word, out;
    while (in >> word)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

std::string WithoutBlanks(std::string text)
{
    std::erase_if(text, [](unsigned char c) { return std::isspace(c) != 0; });
    return text;
}

// Prints `request` with `rows` rows of `values` on paper `page`; the PDF's words.
std::set<Word> Print(report::CReportRequest request, const Values& values, int rows, QSizeF page,
                     const fs::path& folder, const std::string& pdf)
{
    request.folder = folder;
    request.makeTable = db::MakeReportTable;
    request.fill = [values, rows](report::CReportSink& sink, std::string&) {
        for (int i = 0; i < rows; ++i) {
            for (const auto& [field, value] : values)
                sink.Cell(field) = value;
            if (!sink.Append())
                return false;
        }
        return true;
    };
    report::CRunProgress progress;
    std::string error;
    auto filled = report::FillReport(std::move(request), page, {}, progress, error);
    EXPECT_TRUE(filled) << error;
    if (!filled)
        return {};
    EXPECT_EQ(filled->layout->PageCount(), 1);
    QString writeError;
    EXPECT_TRUE(report::WriteReportPdf(*filled->layout, QString::fromStdString(pdf), writeError))
        << writeError.toStdString();
    return Words(pdf);
}

std::vector<QSizeF> Papers(const report::CReportDefinition& def)
{
    if (def.paper != report::PaperSize::Locale)
        return {report::DefinitionPageSize(def)};
    std::vector<QSizeF> papers;
    for (const QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::Letter}) {
        const QSizeF size = QPageSize(id).size(QPageSize::Point);
        papers.push_back(def.landscape ? size.transposed() : size);
    }
    return papers;
}

TEST(WidestValues, EveryColumnOfEveryShippedReportHoldsItsWidestValue)
{
    brine_test::ReportTestApp("widest_values_test");
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const std::vector<Report> reports = ShippedReports();
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(BRINE_REPORTS_DIR))
        files += entry.path().extension() == ".rpt";
    EXPECT_EQ(files, reports.size()) << "a shipped report the test does not print";

    for (const Report& shipped : reports) {
        // The row: the formatted fields' widest forms, texts as long as their fields.
        Values values;
        const Values formatted = FormattedWidest();
        for (const report::ReportField& f : shipped.fields) {
            if (f.type == 'N')
                continue;
            if (auto own = shipped.own.find(f.name); own != shipped.own.end())
                values[f.name] = own->second;
            else if (auto known = formatted.find(f.name); known != formatted.end())
                values[f.name] = known->second;
            else
                values[f.name] = TextOfWidth(f.type == 'M' ? 200 : std::size_t(f.width));
        }
        report::CReportRequest request;
        request.name = shipped.name;
        request.fields = shipped.fields;
        request.formulas = Formulas(
            fs::path(BRINE_REPORTS_DIR) / (std::string(shipped.name) + ".rpt"), shipped.fields);
        std::string error;
        ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error))
            << shipped.name << ": " << error;
        // Only the row's own words differ between a page with it and one
        // without: totals repeat a column's value in that column's box, and
        // the footer's date could turn over between the two.
        report::CReportDefinition& def = request.definition;
        def.totals.clear();
        def.rowCountTotal = false;
        def.blankOnLastRow.clear();
        def.footerDate = false;

        double shares = 0;
        for (const report::CReportColumn& c : def.columns)
            shares += c.width;
        for (const QSizeF page : Papers(def)) {
            const std::string paper = std::to_string(int(page.width()));
            SCOPED_TRACE(std::string(shipped.name) + " on paper " + paper + " pt wide");
            const std::string base = (folder / (std::string(shipped.name) + paper)).string();
            const std::set<Word> empty = Print(request, values, 0, page, folder, base + "-0.pdf");
            const std::set<Word> full = Print(request, values, 1, page, folder, base + "-1.pdf");
            ASSERT_FALSE(full.empty()) << "no words read back";
            if (const char* shots = std::getenv("BRINE_SHOTS_DIR"); shots && *shots)
                CommandOutput(
                    "pdftoppm -png -r 100 -singlefile '" + base + "-1.pdf' '" +
                    (fs::path(shots) / ("widest_" + std::string(shipped.name) + paper)).string() +
                    "'");
            std::vector<Word> row;
            std::set_difference(full.begin(), full.end(), empty.begin(), empty.end(),
                                std::back_inserter(row));

            double x = def.margin;
            const double unit = (page.width() - 2 * def.margin) / shares;
            std::vector<bool> claimed(row.size(), false);
            const report::CReportColumn* before = nullptr;
            for (const report::CReportColumn& column : def.columns) {
                const double left = x, right = x + column.width * unit;
                x = right;
                // The room for text: the cell's pads, and more space after a
                // right-aligned column before one that is not.
                const bool afterRight = before && before->align == report::Align::Right &&
                                        column.align != report::Align::Right;
                const double room = right - left - 4 - (afterRight ? 8 : 0);
                before = &column;
                std::string printed;
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const Word& w = row[i];
                    const double centre = (w.xMin + w.xMax) / 2;
                    if (centre < left || centre >= right)
                        continue;
                    claimed[i] = true;
                    EXPECT_GE(w.xMin, left - 0.5)
                        << column.field << ": \"" << w.text << "\" starts left of its column";
                    EXPECT_LE(w.xMax, right + 0.5)
                        << column.field << ": \"" << w.text << "\" runs past its column";
                    printed += (printed.empty() ? "" : " ") + w.text;
                }
                const std::string& value = values[column.field];
                if (column.wrap && IsPath(column.field))
                    EXPECT_EQ(WithoutBlanks(printed), WithoutBlanks(value))
                        << column.field << " (wrapped) printed as \"" << printed << "\"";
                else if (column.wrap) {
                    // Lines break between words; a typed word wider than the
                    // whole column is the only one that may break inside.
                    const auto broken = BrokenWords(value, printed);
                    ASSERT_TRUE(broken)
                        << column.field << ": \"" << value << "\" printed as \"" << printed << "\"";
                    const bool typed = !FormattedWidest().contains(column.field);
                    for (const std::string& word : *broken)
                        EXPECT_TRUE(typed && Advance(word) > room - 0.5)
                            << column.field << ": \"" << word << "\" broken across lines in "
                            << room << " pt";
                } else
                    EXPECT_EQ(printed, Simplified(value))
                        << column.field << " (one line, " << (right - left) << " pt)";
            }
            for (std::size_t i = 0; i < row.size(); ++i)
                EXPECT_TRUE(claimed[i]) << "\"" << row[i].text << "\" outside every column";
        }
    }
}

}   // namespace
