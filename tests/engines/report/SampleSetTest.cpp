// The whole sample set, written by one run of the sample tool, printed to
// PDF in every report and both custom plan pairs, and read back with
// poppler's tools: titles, formula values, every row in order, totals, the
// values printed in their fixed forms, and pdfinfo's page count against the
// measured one. Local times are read under TZ=Pacific/Auckland.
#include "SampleSet.h"
#include "ReportSample.h"
#include "chartpoints/ui/ChartpointReport.h"
#include "charts/ui/ChartListReport.h"
#include "db/DBChartPoint.h"
#include "db/DBLog.h"
#include "db/DBReportTable.h"
#include "db/DBRoute.h"
#include "db/DBVesselLog.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "geo/DatumInfo.h"
#include "navigator/VesselFiles.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/LogReports.h"
#include "platform/Clock.h"
#include "routes/PlanModule.h"
#include "routes/RouteViews.h"
#include "routes/ui/RouteReports.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>

#include "../../support/FileSettingsHome.h"
#include "../../support/ReportTestApp.h"
#include "../../support/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using brine_test::CommandOutput;
namespace fs = std::filesystem;

struct Printed {
    int measured = -1;   // pages the layout counted
    int pdfPages = -2;   // pages pdfinfo finds
    std::string text;   // pdftotext -layout of the whole file
};

Printed ReadBack(const std::string& pdf, int measured)
{
    Printed p;
    p.measured = measured;
    const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
    if (const std::size_t at = info.find("Pages:"); at != std::string::npos)
        p.pdfPages = std::atoi(info.c_str() + at + 6);
    p.text = CommandOutput("pdftotext -layout '" + pdf + "' -");
    return p;
}

// Keeps pictures of the first and last pages for a person to look at, when
// BRINE_SHOTS_DIR names a folder.
void KeepPictures(const std::string& pdf, int pages, const std::string& name)
{
    const char* shots = std::getenv("BRINE_SHOTS_DIR");
    if (!shots || !*shots)
        return;
    for (const int page : {1, pages}) {
        const std::string n = std::to_string(page);
        CommandOutput("pdftoppm -png -r 80 -singlefile -f " + n + " -l " + n + " '" + pdf + "' '" +
                      (fs::path(shots) / (name + "_" + n)).string() + "'");
    }
}

// The sample plan of a route, its module and settings together; the module's folder (its
// "Plans") is the settings file's, the test's own.
struct SamplePlan {
    explicit SamplePlan(const fs::path& settingsFile)
        : settings(settingsFile), plan(settings, settingsFile.parent_path().string())
    { }

    brine_test::FileSettingsHome settings;
    brine_test::ScriptedPrompt prompt;
    routes::CPlanModule plan;

    bool Calculate(const routes::CRouteState& state)
    {
        plan.Initialise();
        return report_sample::CalculateSamplePlan(plan, state, prompt) == routes::kPlanDone;
    }

    bool CalculateTow(const routes::CRouteState& state)
    {
        plan.Initialise();
        return report_sample::CalculateTowPlan(plan, state, prompt) == routes::kPlanDone;
    }
};

class SampleSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("TZ", "Pacific/Auckland", 1);
        tzset();
        setenv("LC_ALL", "C", 1);   // short dates month first: 09/17/06
        brine_test::ReportTestApp("sample_set_test");
        const char* bin = std::getenv("BRINE_BIN_DIR");
        geo::CDatumInfo::LoadTable(bin ? bin : ".");
        s_dir = new QTemporaryDir;
        s_set = fs::path(s_dir->path().toStdString()) / "set";
        const std::string run = std::string(BRINE_REPORT_SAMPLE) + " set '" + s_set.string() +
                                "' '" + BRINE_NMEA_CAPTURES + "' 2>&1; echo rc=$?";
        s_generator = CommandOutput(run);
    }
    static void TearDownTestSuite() { delete s_dir; }

    // The request filled, laid out on its definition's paper and written to PDF.
    Printed Print(report::CReportRequest request, const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
        request.folder = Folder() / "reports";
        report::CRunProgress progress;
        const QSizeF page = report::DefinitionPageSize(request.definition);
        auto filled = report::FillReport(std::move(request), page, {}, progress, error);
        EXPECT_TRUE(filled) << name << ": " << error;
        if (!filled)
            return {};
        return Write(*filled->layout, name);
    }

    Printed Write(const report::CReportLayout& layout, const std::string& name)
    {
        const std::string pdf = (Folder() / (name + ".pdf")).string();
        QString error;
        EXPECT_TRUE(report::WriteReportPdf(layout, QString::fromStdString(pdf), error))
            << error.toStdString();
        KeepPictures(pdf, layout.PageCount(), "set_" + name);
        Printed p = ReadBack(pdf, layout.PageCount());
        // Nothing is cut: no cell shortened with an ellipsis.
        EXPECT_EQ(p.text.find("\u2026"), std::string::npos) << name << ":\n" << p.text;
        return p;
    }

    // The logbooks of the log's own vessel, as the program lists them with the log open.
    static std::vector<std::string> LogTables(const std::string& logPath)
    {
        platform::CSystemClock clock;
        navigator::CVesselLogbook log(clock, {});
        EXPECT_TRUE(log.Open(logPath));
        std::vector<std::string> tables =
            navigator::VesselLogTables(log, navigator::VesselLogKey(log));
        log.Close(true);
        return tables;
    }

    // The route `name` of the set's route database `part` as the route
    // module reads it, with `waypoints` waypoints.
    static bool SetRoute(const char* part, const std::string& name, std::size_t waypoints,
                         routes::CRouteState& state)
    {
        std::string error;
        const bool read = report_sample::ReadRoute(Set(part).string(), name,
                                                   Folder() / "route.conf", state, error);
        EXPECT_TRUE(read) << error;
        EXPECT_EQ(state.waypoints.size(), waypoints) << name;
        return read && state.waypoints.size() == waypoints;
    }

    // The set's first route: 12 waypoints.
    static bool FirstRoute(routes::CRouteState& state)
    {
        return SetRoute(report_sample::kSetRoutes, "Admiralty Inlet-Seattle", 12, state);
    }

    static fs::path Folder() { return s_set.parent_path(); }
    static fs::path Set(const char* part) { return s_set / part; }

    static QTemporaryDir* s_dir;
    static fs::path s_set;
    static std::string s_generator;
};

QTemporaryDir* SampleSetTest::s_dir = nullptr;
fs::path SampleSetTest::s_set;
std::string SampleSetTest::s_generator;

// Each of `texts` found in `text`, each after the one before.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& texts)
{
    std::size_t at = 0;
    for (const std::string& t : texts) {
        const std::size_t found = text.find(t, at);
        ASSERT_NE(found, std::string::npos) << "\"" << t << "\" missing or out of order in\n"
                                            << text;
        at = found + t.size();
    }
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The line of `text` holding `what`, empty when none.
std::string LineWith(const std::string& text, const std::string& what)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.find(what) != std::string::npos)
            return line;
    return {};
}

// The blank-separated words of `line`.
std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The words of `line` after its first word `word`.
std::vector<std::string> WordsAfter(const std::string& line, const std::string& word)
{
    const std::vector<std::string> words = Words(line);
    const auto at = std::find(words.begin(), words.end(), word);
    return at == words.end() ? std::vector<std::string>() : std::vector(at + 1, words.end());
}

// The rows of the logbooks `tables`, read back.
long RowCount(const std::vector<std::string>& tables)
{
    long rows = 0;
    for (const std::string& path : tables) {
        db::CDBLog log;
        log.SetFilePath(path);
        if (log.Open(true))
            rows += log.GetRecordCount();
    }
    return rows;
}

// Every byte of the log: its index and the files of its companion folder.
std::string LogBytes(const std::string& logPath)
{
    std::vector<fs::path> files{logPath + ".dbf", logPath + ".mdx"};
    for (const auto& entry : fs::recursive_directory_iterator(logPath + ".X"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string bytes;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        bytes += file.string() + "\n" + std::string(std::istreambuf_iterator<char>(in), {});
    }
    return bytes;
}

TEST_F(SampleSetTest, TheGeneratorWritesEveryPart)
{
    ASSERT_NE(s_generator.find("rc=0"), std::string::npos) << s_generator;
    for (const char* part : {report_sample::kSetChartpoints, report_sample::kSetRoutes,
                             report_sample::kSetLog, report_sample::kSetPlan})
        EXPECT_TRUE(fs::exists(Set(part).string() + ".dbf")) << part;
    for (const char* part : {report_sample::kSetTowRoutes, report_sample::kSetTowPlan})
        EXPECT_TRUE(fs::exists(Set(part).string() + ".dbf")) << part;
    EXPECT_TRUE(fs::exists(Set(report_sample::kSetCharts) / "Cat.dbf"));
}

// Every own-vessel row of a sample log has its particulars file beside its
// logbook and track, as the program writes one for each own row it starts:
// the log the build installs (the sample passage) and the set's recorded log.
TEST_F(SampleSetTest, EveryOwnRowOfTheSampleLogsHasItsParticulars)
{
    const fs::path passage = Folder() / "sample-logs" / "PugetSound";
    fs::create_directories(passage.parent_path());
    const std::string run =
        std::string(BRINE_REPORT_SAMPLE) + " log '" + passage.string() + "' 1 2>&1; echo rc=$?";
    const std::string written = CommandOutput(run);
    ASSERT_NE(written.find("rc=0"), std::string::npos) << written;
    for (const fs::path& log : {passage, Set(report_sample::kSetLog)}) {
        db::CDBVesselLog index;
        index.SetFilePath(log.string());
        ASSERT_TRUE(index.Open(true)) << log;
        int ownRows = 0;
        for (bool more = index.GoTop(); more; more = index.SkipForward()) {
            if (index.m_vesselType != navigator::kVesselOwn)
                continue;
            ++ownRows;
            char name[16];
            std::snprintf(name, sizeof name, "%08ld.hdr", index.GetId());
            navigator::COwnVessel vessel;
            EXPECT_EQ(navigator::ReadVesselHeader(log.string() + ".X/" + name, vessel),
                      navigator::HeaderRead::Read)
                << log << " row " << index.GetId();
            EXPECT_NE(vessel.name.find("SAMPLE"), std::string::npos) << vessel.name;
        }
        EXPECT_GT(ownRows, 0) << log;
    }
}

TEST_F(SampleSetTest, ChartpointReport)
{
    db::CDBChartPoint table;
    table.SetFilePath(Set(report_sample::kSetChartpoints).string());
    ASSERT_TRUE(table.Open(true));
    const Printed p = Print(chartpoints::ChartpointReport(table), "chartpoints");
    EXPECT_GE(p.measured, 4);
    EXPECT_EQ(p.pdfPages, p.measured);
    // The file named whole at its end (a long path gives way in its middle folders).
    std::vector<std::string> rows{"Chartpoint Report", "set/Chartpoints/PugetSound", "Latitude"};
    for (int i = 1; i <= 200; ++i) {
        char mark[16];
        std::snprintf(mark, sizeof mark, "M%03d", i);
        rows.emplace_back(mark);
    }
    rows.emplace_back("Total: 200");
    rows.push_back("Page " + std::to_string(p.measured) + " of " + std::to_string(p.measured));
    ExpectInOrder(p.text, rows);
}

// The installed chart list, plain under en_GB and with full details under
// de_DE: the four catalogued charts in number order, the scales grouped as
// each locale groups them, the sheet of plans named.
TEST_F(SampleSetTest, ChartListsInTwoLocales)
{
    const charts::CChartListSources sources{"/media/cdrom", "/home/navigator/Charts"};
    for (const bool full : {false, true}) {
        const QLocale locale = full ? QLocale(QLocale::German, QLocale::Germany)
                                    : QLocale(QLocale::English, QLocale::UnitedKingdom);
        std::vector<std::vector<std::string>> folio;
        std::string error;
        ASSERT_TRUE(
            charts::ReadChartFolio(Set(report_sample::kSetCharts), sources, locale, folio, error))
            << error;
        report::CReportDefinition definition;
        std::unique_ptr<report::CReportRows> rows;
        ASSERT_TRUE(charts::MakeChartListReport(full, BRINE_REPORTS_DIR, std::move(folio),
                                                definition, rows, error))
            << error;
        report::CReportLayout layout(definition, *rows, report::DefinitionPageSize(definition));
        ASSERT_TRUE(layout.Paginate());
        const Printed p = Write(layout, full ? "charts_full" : "charts");
        EXPECT_EQ(p.pdfPages, p.measured);
        const std::string scale = full ? "1:50.000" : "1:50,000";
        ExpectInOrder(p.text, {full ? "Installed Chart List ( Full Details ) Report"
                                    : "Installed Chart List Report",
                               "RC9001", full ? "1:350.000" : "1:350,000", "RC9002", scale,
                               "RC9003", "RC9004", "Sheet of Plans", "Total: 4"});
        if (full) {   // the chart medium's date of publication
            EXPECT_NE(p.text.find("05/01/2026"), std::string::npos) << p.text;
        }
    }
}

// Both route lists, then the first route's waypoint list: every waypoint in
// order, the last one's empty leg printed "000" and "0.00".
TEST_F(SampleSetTest, RouteListsAndTheWaypointList)
{
    db::CDBRoute table;
    table.SetFilePath(Set(report_sample::kSetRoutes).string());
    ASSERT_TRUE(table.Open(true));
    for (const bool full : {true, false}) {
        const Printed p = Print(routes::RouteListReport(table, full, "/home/navigator/Routes",
                                                        "/home/navigator/Attach"),
                                full ? "routes_full" : "routes");
        EXPECT_EQ(p.pdfPages, p.measured);
        ExpectInOrder(p.text, {full ? "Route List ( Full Details ) Report" : "Route List Report",
                               "File: PugetSound", "Admiralty Inlet-", "SAMPLE. Keep clear",
                               "Seattle to Kingston", "Elliott Bay", "Total: 3"});
        // Two attachments and two unused slots, then four unused for each of the others.
        EXPECT_EQ(Count(p.text, "<Unused>"), full ? 10u : 0u) << p.text;
    }
    table.Close();

    routes::CRouteState state;
    ASSERT_TRUE(FirstRoute(state));
    const Printed p =
        Print(routes::WaypointListReport(state, Set(report_sample::kSetRoutes).string(),
                                         "Port Townsend", "Seattle"),
              "waypoints");
    EXPECT_EQ(p.pdfPages, p.measured);
    std::vector<std::string> rows{"Waypoint List Report", "Route: Admiralty Inlet-Seattle",
                                  "File: PugetSound", "From: Port Townsend", "To: Seattle"};
    for (const routes::CWaypoint& w : state.waypoints)
        rows.push_back(w.m_name);
    rows.emplace_back("Total: 12");
    ExpectInOrder(p.text, rows);
    EXPECT_EQ(Count(p.text, "WGS 84"), 12u) << p.text;
    // Elliott Bay, its position, WGS 84, Rh, then course and distance.
    EXPECT_EQ(WordsAfter(LineWith(p.text, "Elliott Bay"), "84"),
              (std::vector<std::string>{"Rh", "000", "0.00"}))
        << p.text;
}

// The plan of the first route in the standard report and in both custom
// pairs: the header values as typed (a quote prints as a quote), every
// waypoint in order, 30 minutes elapsed at the second, deviation 2.5E from
// the card, variation off 0.0W; the pairs differ only in their titles.
TEST_F(SampleSetTest, PassagePlanAndBothCustomPairs)
{
    routes::CRouteState state;
    ASSERT_TRUE(FirstRoute(state));
    SamplePlan sample(Folder() / "plan.conf");
    ASSERT_TRUE(sample.Calculate(state));
    const routes::CPlanModule& plan = sample.plan;

    // The generator's plan table holds the same rows.
    db::CDBReportTable written(db::ReportPlanFields());
    written.SetFilePath(Set(report_sample::kSetPlan).string());
    ASSERT_TRUE(written.Open(true));
    const auto rows = routes::PlanRows(plan, state);
    ASSERT_EQ(written.GetRecordCount(), long(rows.size()));
    written.GoTop();
    for (std::size_t r = 0; r < rows.size(); ++r, written.SkipForward())
        for (const char* field : {"NAME", "ELAPSEDTME", "PASSAGETME", "DEVIATION", "TOGO"}) {
            const auto f = std::size_t(written.FieldIndex(field));
            EXPECT_EQ(written.m_cells[f], rows[r][f]) << field << " row " << r;
        }
    written.Close();

    std::vector<std::string> names;   // first words: narrow columns wrap the names
    for (const routes::CWaypoint& w : state.waypoints)
        names.push_back(w.m_name.substr(0, w.m_name.find(' ')));
    const std::string memo = "Keep clear of the ferry lanes off Kingston";
    struct Form {
        routes::PlanReportKind kind;
        const char* pair;
        const char* title;
    };
    using K = routes::PlanReportKind;
    for (const Form& form :
         {Form{K::Standard, "", "Passage Plan Report"},
          Form{K::Custom, "PlnCstm", "Custom Plan Report"},
          Form{K::CustomWithMemos, "PlnCstm", "Custom Plan ( With memos ) Report"},
          Form{K::Custom, "PlnIntl", "International Plan Report"},
          Form{K::CustomWithMemos, "PlnIntl", "International Plan ( With memos ) Report"}}) {
        const std::string name = routes::PlanReportName(form.kind, form.pair);
        const Printed p =
            Print(routes::PassagePlanReport(plan, state, form.kind, name, "Sound Sampler", memo),
                  "plan_" + name);
        EXPECT_EQ(p.pdfPages, p.measured) << name;
        std::vector<std::string> expected{form.title, "Plan: Inlet to Seattle \"on the ebb\"",
                                          "Vessel: Sound Sampler", "From: Port Townsend",
                                          "To: Seattle"};
        if (form.kind == K::CustomWithMemos)
            expected.push_back("Route memo: " + memo);
        else
            expected.emplace_back("Estimated speed: 10.0 kn");
        if (form.kind == K::Standard)
            expected.insert(expected.end(), {"Tides [Off]", "Variation [Off]", "Deviation [On]"});
        expected.insert(expected.end(), names.begin(), names.end());
        // The last waypoint: its total and nothing to go (no leg after it), then
        // the total distance as the last value of its column.
        if (form.kind != K::CustomWithMemos)
            expected.insert(expected.end(), {"40.2", "0.00", "40.2", "Page 1 of 1"});
        ExpectInOrder(p.text, expected);
        EXPECT_EQ(p.text.find("-0.00"), std::string::npos) << p.text;
        if (form.kind == K::Standard) {
            const std::string second = LineWith(p.text, "Marrowstone");
            EXPECT_NE(second.find("000:00:30"), std::string::npos) << second;
            EXPECT_NE(second.find("2.5E"), std::string::npos) << second;
            EXPECT_NE(second.find("0.0W"), std::string::npos) << second;
            EXPECT_NE(LineWith(p.text, "Point Wilson").find("0d 00h 30m"), std::string::npos);
        }
    }
    // On Letter, the paper of a US locale and narrower than A4, the names'
    // words still print whole ("Marrowstone", "Foulweather").
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const Printed letter =
        Print(routes::PassagePlanReport(plan, state, K::Standard, "", "Sound Sampler", memo),
              "plan_letter");
    QLocale::setDefault(locale);
    EXPECT_EQ(letter.pdfPages, letter.measured);
    ExpectInOrder(letter.text, names);
}

// The log tow's plan, calculated by the plan module at the tow's speed: its
// first leg, down the main basin to East Passage, takes a day and more. The
// passage time prints with its days ("  1d 02h 05m", two blanks first) in the
// written plan table and in the standard and short plan reports, the
// elapsed time at the leg's end in days, hours and minutes.
TEST_F(SampleSetTest, TheTowPlanPrintsPassageTimesOverADay)
{
    routes::CRouteState state;
    ASSERT_TRUE(SetRoute(report_sample::kSetTowRoutes, "Point No Point-Tacoma", 5, state));
    SamplePlan sample(Folder() / "tow.conf");
    ASSERT_TRUE(sample.CalculateTow(state));
    const auto rows = routes::PlanRows(sample.plan, state);
    ASSERT_EQ(rows.size(), 5u);

    db::CDBReportTable written(db::ReportPlanFields());
    written.SetFilePath(Set(report_sample::kSetTowPlan).string());
    ASSERT_TRUE(written.Open(true));
    ASSERT_EQ(written.GetRecordCount(), 5);
    written.GoTop();
    const auto passage = std::size_t(written.FieldIndex("PASSAGETME"));
    const auto latitude = std::size_t(written.FieldIndex("LATITUDE"));
    EXPECT_EQ(written.m_cells[passage], "  1d 02h 05m");
    EXPECT_EQ(written.m_cells[passage], rows[0][passage]);
    written.Close();
    // Each waypoint's row found by its latitude (narrow columns wrap the names).
    std::vector<std::string> latitudes;
    for (const auto& row : rows)
        latitudes.push_back(row[latitude]);

    using K = routes::PlanReportKind;
    for (const K kind : {K::Standard, K::Custom}) {
        const std::string name = routes::PlanReportName(kind, "PlnCstm");
        const Printed p =
            Print(routes::PassagePlanReport(sample.plan, state, kind, name, "Sound Sampler", ""),
                  "tow_" + name);
        EXPECT_EQ(p.pdfPages, p.measured) << name;
        std::vector<std::string> expected{"Plan: Log raft to Tacoma", "From: Point No Point",
                                          "To: Tacoma", "Estimated speed: 1.0 kn"};
        expected.insert(expected.end(), latitudes.begin(), latitudes.end());
        ExpectInOrder(p.text, expected);
        EXPECT_NE(LineWith(p.text, latitudes[0]).find("  1d 02h 05m"), std::string::npos) << p.text;
        if (kind == K::Standard) {
            EXPECT_NE(LineWith(p.text, latitudes[1]).find("001:02:05"), std::string::npos)
                << p.text;
        }
    }
}

// The vessel log from the captures and the log list: local times under
// Pacific/Auckland (23:30 UTC prints on the next day), event rows before any
// fix print no position, an unset course prints blank, the voyage still
// under way ends "Unknown".
TEST_F(SampleSetTest, VesselLogAndLogList)
{
    const std::string logPath = Set(report_sample::kSetLog).string();
    const std::string logBefore = LogBytes(logPath);
    const std::vector<std::string> tables = LogTables(logPath);
    ASSERT_EQ(tables.size(), 7u);

    const Printed p = Print(navigator::VesselLogReport(logPath, tables), "vessellog");
    EXPECT_GE(p.measured, 4);
    EXPECT_EQ(p.pdfPages, p.measured);
    ExpectInOrder(p.text,
                  {"Vessel Log Report", "Log: ", "End of capture-06", "End of capture-06/2",
                   "Moored, receiver off.", "End of capture-08/2", "End of capture-08",
                   "End of capture-03", "End of capture-07", "End of capture-01",
                   "Total: " + std::to_string(RowCount(tables)),
                   "Page " + std::to_string(p.measured) + " of " + std::to_string(p.measured)});
    EXPECT_EQ(Count(p.text, "Receiver on. SAMPLE"), 7u);
    // Written before the receiver had a position: the row has no place, not 00°00.00'N.
    const std::string switchedOn = LineWith(p.text, "Receiver on. SAMPLE");
    EXPECT_EQ(switchedOn.find("\u00B0"), std::string::npos) << switchedOn;
    EXPECT_EQ(p.text.find("00\u00B000.00'N"), std::string::npos);
    // Every logbook row has its line, starting with its local date.
    long dated = 0;
    std::istringstream lines(p.text);
    for (std::string line; std::getline(lines, line);)
        dated += line.size() > 9 && line[2] == '/' && line[5] == '/' && line[8] == ' ';
    EXPECT_EQ(dated, RowCount(tables));
    // Moored at 23:30 UTC on 16 September 2006: 11:30 on the 17th in New Zealand.
    const std::string moored = LineWith(p.text, "Moored, receiver off.");
    ASSERT_GE(Words(moored).size(), 2u) << p.text;
    EXPECT_EQ(Words(moored)[0], "09/17/06") << moored;
    EXPECT_EQ(Words(moored)[1], "11:30") << moored;
    // No position, datum, course or speed before the first fix, nor with the
    // receiver off: date and time, then the type and the note.
    for (const std::string& row : {LineWith(p.text, "Receiver on. SAMPLE"), moored}) {
        const std::vector<std::string> words = Words(row);
        ASSERT_GE(words.size(), 4u) << row;
        EXPECT_EQ(words[2], "EPFS") << row;
    }
    // The second recording of capture 08 is logged at its first RMC, whose
    // course and speed over ground (221.16, 30.324) follow the datum.
    EXPECT_EQ(WordsAfter(LineWith(p.text, "55°46.83'N"), "84"),
              (std::vector<std::string>{"221", "30.3", "EPFS"}))
        << p.text;

    const Printed list = Print(navigator::LogListReport(logPath), "loglist");
    EXPECT_EQ(list.pdfPages, list.measured);
    // Voyage, start date and time, end date and time.
    ExpectInOrder(list.text, {"Log Report", "capture-06", "09/17/06", "07:41", "capture-06/2",
                              "09/17/06", "11:30", "capture-08/2", "capture-01", "03/12/19",
                              "23:51", "Unknown", "Total: 7"});
    EXPECT_EQ(Count(list.text, "Unknown"), 1u) << list.text;
    EXPECT_EQ(LogBytes(logPath), logBefore);
    EXPECT_TRUE(fs::is_empty(Folder() / "reports"));

    // Cancelled as the first rows are written: nothing printed, no report
    // files left, the log as it was.
    report::CReportRequest request = navigator::VesselLogReport(logPath, tables);
    std::string error;
    ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    request.folder = Folder() / "reports";
    std::stop_source cancel;
    cancel.request_stop();
    report::CRunProgress progress;
    EXPECT_FALSE(report::FillReport(std::move(request), report::DefaultPageSize(),
                                    cancel.get_token(), progress, error));
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_TRUE(fs::is_empty(Folder() / "reports"));
    EXPECT_EQ(LogBytes(logPath), logBefore);
}

// Under a German locale dates are "17.09.2006": the vessel log's and the
// plan's date columns hold them whole (Write finds no ellipsis anywhere).
TEST_F(SampleSetTest, GermanDatesFitTheirColumns)
{
    const std::string before = std::setlocale(LC_TIME, nullptr);
    if (!std::setlocale(LC_TIME, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    const std::string logPath = Set(report_sample::kSetLog).string();
    const std::vector<std::string> tables = LogTables(logPath);
    const Printed log = Print(navigator::VesselLogReport(logPath, tables), "vessellog_de");
    EXPECT_EQ(Words(LineWith(log.text, "Moored, receiver off."))[0], "17.09.2006") << log.text;
    EXPECT_NE(Print(navigator::LogListReport(logPath), "loglist_de").text.find("17.09.2006"),
              std::string::npos);

    routes::CRouteState state;
    ASSERT_TRUE(FirstRoute(state));
    SamplePlan sample(Folder() / "plan.conf");
    ASSERT_TRUE(sample.Calculate(state));
    for (const auto kind : {routes::PlanReportKind::Standard, routes::PlanReportKind::Custom}) {
        const Printed plan = Print(
            routes::PassagePlanReport(sample.plan, state, kind,
                                      routes::PlanReportName(kind, "PlnCstm"), "Sound Sampler", ""),
            "plan_de_" + std::to_string(int(kind)));
        EXPECT_EQ(Count(plan.text, "02.06.2024"), 12u) << plan.text;   // 04:00 NZST on 2 June
    }
    std::setlocale(LC_TIME, before.c_str());
}

}   // namespace
