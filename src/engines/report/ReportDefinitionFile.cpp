#include "engines/report/ReportDefinitionFile.h"

#include "platform/Ascii.h"
#include "platform/LocaleFreeNumbers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace report {

namespace fs = std::filesystem;

namespace {

// The next blank-separated word of `rest`, taken off it.
std::string_view NextWord(std::string_view& rest)
{
    const std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    return word;
}

std::string_view Trim(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

bool Is(std::string_view word, std::string_view keyword)
{
    return platform::EqualNoCaseAscii(word, keyword);
}

class CParser {
public:
    CParser(const std::vector<ReportField>& fields,
            const std::map<std::string, std::string>& formulas, CReportDefinition& out)
        : m_fields(fields), m_formulas(formulas), m_out(out)
    { }

    bool Line(int number, std::string_view line, std::string& error)
    {
        m_line = number;
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            return true;
        std::string_view rest = line;
        const std::string_view keyword = NextWord(rest);
        if (Is(keyword, "page"))
            return Page(rest, error);
        if (Is(keyword, "margin"))
            return Margin(rest, error);
        if (Is(keyword, "title"))
            return Title(Trim(rest), error);
        if (Is(keyword, "column"))
            return Column(rest, error);
        if (Is(keyword, "total"))
            return Total(rest, error);
        if (Is(keyword, "footer"))
            return Footer(rest, error);
        if (Is(keyword, "lastrow"))
            return LastRow(rest, error);
        return Fail(error, "unknown keyword \"" + std::string(keyword) + "\"");
    }

    bool Finish(std::string& error)
    {
        if (m_out.columns.empty())
            return Fail(error, "the report has no columns");
        return true;
    }

private:
    bool Fail(std::string& error, const std::string& what) const
    {
        error = "line " + std::to_string(m_line) + ": " + what;
        return false;
    }

    const ReportField* FindField(std::string_view name) const
    {
        for (const ReportField& f : m_fields)
            if (Is(name, f.name))
                return &f;
        return nullptr;
    }

    std::ptrdiff_t ColumnOf(std::string_view field) const
    {
        for (std::size_t c = 0; c < m_out.columns.size(); ++c)
            if (Is(field, m_out.columns[c].field))
                return static_cast<std::ptrdiff_t>(c);
        return -1;
    }

    bool Page(std::string_view rest, std::string& error)
    {
        const std::string_view size = NextWord(rest);
        const std::string_view turn = NextWord(rest);
        if (Is(size, "locale"))
            m_out.paper = PaperSize::Locale;
        else if (Is(size, "a4"))
            m_out.paper = PaperSize::A4;
        else if (Is(size, "letter"))
            m_out.paper = PaperSize::Letter;
        else
            return Fail(error, "unknown paper \"" + std::string(size) + "\"");
        if (Is(turn, "landscape"))
            m_out.landscape = true;
        else if (Is(turn, "portrait"))
            m_out.landscape = false;
        else
            return Fail(error, "unknown orientation \"" + std::string(turn) + "\"");
        if (!Trim(rest).empty())
            return Fail(error, "unexpected \"" + std::string(Trim(rest)) + "\"");
        return true;
    }

    bool Margin(std::string_view rest, std::string& error)
    {
        const std::optional<double> points = platform::ParseDouble(Trim(rest));
        if (!points || *points < 0 || *points > 144)
            return Fail(error, "margin must be 0 to 144 points");
        m_out.margin = *points;
        return true;
    }

    // Placeholders: {Name} a formula, {FIELD} a field of the first row.
    bool Title(std::string_view text, std::string& error)
    {
        if (m_out.titleParts.size() >= 8)
            return Fail(error, "at most 8 title lines");
        std::vector<CTitlePart> parts;
        std::string literal;
        while (!text.empty()) {
            const std::size_t open = text.find('{');
            if (open == std::string_view::npos) {
                literal += text;
                break;
            }
            literal += text.substr(0, open);
            const std::size_t close = text.find('}', open);
            if (close == std::string_view::npos)
                return Fail(error, "a \"{\" without its \"}\"");
            const std::string name(text.substr(open + 1, close - open - 1));
            text.remove_prefix(close + 1);
            if (const auto formula = m_formulas.find(name); formula != m_formulas.end()) {
                literal += formula->second;   // a value is data: never read as a placeholder
            } else if (const ReportField* field = FindField(name)) {
                parts.push_back({literal, false});
                literal.clear();
                parts.push_back({field->name, true});
            } else {
                return Fail(error, "unknown formula or field \"" + name + "\"");
            }
        }
        parts.push_back({literal, false});
        m_out.titleParts.push_back(std::move(parts));
        return true;
    }

    bool Column(std::string_view rest, std::string& error)
    {
        if (m_out.columns.size() >= 40)
            return Fail(error, "at most 40 columns");
        const std::string_view field = NextWord(rest);
        const ReportField* known = FindField(field);
        if (!known)
            return Fail(error, "unknown field \"" + std::string(field) + "\"");
        CReportColumn column;
        column.field = known->name;
        const std::string_view width = NextWord(rest);
        const std::optional<double> share = platform::ParseDouble(width);
        if (!share || *share <= 0 || *share > 100)
            return Fail(error, "column width must be a share above 0 up to 100, not \"" +
                                   std::string(width) + "\"");
        column.width = *share;
        const std::string_view align = NextWord(rest);
        if (Is(align, "left"))
            column.align = Align::Left;
        else if (Is(align, "right"))
            column.align = Align::Right;
        else if (Is(align, "centre") || Is(align, "center"))
            column.align = Align::Centre;
        else
            return Fail(error, "unknown alignment \"" + std::string(align) + "\"");
        const std::string_view wrap = NextWord(rest);
        if (Is(wrap, "wrap"))
            column.wrap = true;
        else if (Is(wrap, "nowrap"))
            column.wrap = false;
        else
            return Fail(error, "expected wrap or nowrap, not \"" + std::string(wrap) + "\"");
        column.heading = std::string(Trim(rest));
        m_out.columns.push_back(std::move(column));
        return true;
    }

    bool Total(std::string_view rest, std::string& error)
    {
        const std::string_view kind = NextWord(rest);
        if (Is(kind, "count")) {
            m_out.rowCountTotal = true;
            return true;
        }
        if (!Is(kind, "sum") && !Is(kind, "last"))
            return Fail(error, "unknown total \"" + std::string(kind) + "\"");
        const std::string_view field = NextWord(rest);
        if (!FindField(field))
            return Fail(error, "unknown field \"" + std::string(field) + "\"");
        const std::ptrdiff_t column = ColumnOf(field);
        if (column < 0)
            return Fail(error, "field \"" + std::string(field) + "\" is not a column");
        m_out.totals.push_back({Is(kind, "sum") ? CReportTotal::Sum : CReportTotal::Last,
                                static_cast<std::size_t>(column)});
        return true;
    }

    // "lastrow blank FIELD ...": those columns are empty on the last row.
    bool LastRow(std::string_view rest, std::string& error)
    {
        const std::string_view what = NextWord(rest);
        if (!Is(what, "blank"))
            return Fail(error, "expected blank, not \"" + std::string(what) + "\"");
        std::string_view field = NextWord(rest);
        if (field.empty())
            return Fail(error, "no field to leave blank");
        for (; !field.empty(); field = NextWord(rest)) {
            const std::ptrdiff_t column = ColumnOf(field);
            if (column < 0)
                return Fail(error, "field \"" + std::string(field) + "\" is not a column");
            m_out.blankOnLastRow.push_back(static_cast<std::size_t>(column));
        }
        return true;
    }

    bool Footer(std::string_view rest, std::string& error)
    {
        const std::string_view what = NextWord(rest);
        if (Is(what, "date"))
            m_out.footerDate = true;
        else if (Is(what, "nodate"))
            m_out.footerDate = false;
        else
            return Fail(error, "unknown footer \"" + std::string(what) + "\"");
        return true;
    }

    const std::vector<ReportField>& m_fields;
    const std::map<std::string, std::string>& m_formulas;
    CReportDefinition& m_out;
    int m_line = 0;
};

}   // namespace

std::string ReportBaseName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        name = name.substr(0, dot);
    return std::string(name);
}

fs::path UserReportsFolder()
{
    // $XDG_DATA_HOME when it names a folder, else ~/.local/share.
    fs::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = fs::path(home) / ".local" / "share";
    return data.empty() ? fs::path() : data / "Quorwick" / "Brinevane" / "Reports";
}

fs::path FindReportDefinition(std::string_view name, const fs::path& systemFolder)
{
    const std::string file = ReportBaseName(name) + ".rpt";
    std::error_code ec;
    for (const fs::path& folder : {UserReportsFolder(), systemFolder})
        if (!folder.empty() && fs::is_regular_file(folder / file, ec))
            return folder / file;
    return {};
}

bool ParseReportDefinition(std::string_view text, const std::vector<ReportField>& fields,
                           const std::map<std::string, std::string>& formulas,
                           CReportDefinition& out, std::string& error)
{
    out = CReportDefinition();
    out.rowCountTotal = false;
    CParser parser(fields, formulas, out);
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!parser.Line(number, line, error))
            return false;
    }
    return parser.Finish(error);
}

bool LoadReportDefinition(std::string_view name, const fs::path& systemFolder,
                          const std::vector<ReportField>& fields,
                          const std::map<std::string, std::string>& formulas,
                          CReportDefinition& out, std::string& error)
{
    const fs::path path = FindReportDefinition(name, systemFolder);
    if (path.empty()) {
        error = "The report definition " + ReportBaseName(name) + ".rpt is in neither " +
                UserReportsFolder().string() + " nor " + systemFolder.string() + ".";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in.is_open())
        text << in.rdbuf();
    if (!in.is_open() || in.bad()) {
        error = "The report definition " + path.string() + " could not be read.";
        return false;
    }
    std::string problem;
    if (!ParseReportDefinition(text.str(), fields, formulas, out, problem)) {
        error = "The report definition " + path.string() + " is refused: " + problem + ".";
        return false;
    }
    return true;
}

}   // namespace report
