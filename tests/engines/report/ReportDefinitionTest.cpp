// Report definition files: every shipped file reads against its report's
// fields and formulas; "X.rpt" and "X" are one report; a user's copy wins;
// a missing or bad definition refuses the run with the file and line named.
#include "chartpoints/ui/ChartpointReport.h"
#include "db/DBChartPoint.h"
#include "db/DBReportTable.h"
#include "db/DBRoute.h"
#include "engines/report/ReportDefinitionFile.h"
#include "engines/report/ReportRun.h"
#include "navigator/ui/LogReports.h"
#include "routes/RouteViews.h"
#include "routes/ui/RouteReports.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// Each test gets a user data folder of its own.
struct UserData {
    QTemporaryDir dir;
    UserData() { setenv("XDG_DATA_HOME", dir.path().toLocal8Bit().constData(), 1); }
    fs::path Reports() const
    {
        const fs::path folder = report::UserReportsFolder();
        fs::create_directories(folder);
        return folder;
    }
};

std::map<std::string, std::string> PlanFormulas(bool memos)
{
    std::map<std::string, std::string> f;
    for (const char* name : {"Vessel", "Estimated_Speed", "Calc_Date", "Calc_Time", "Plan_Name",
                             "From", "To", "Tides", "Variation", "Deviation"})
        f[name] = "x";
    if (memos)
        f["RouteMemo"] = "x";
    return f;
}

TEST(ReportDefinition, EveryShippedFileReadsAgainstItsReport)
{
    UserData user;
    db::CDBChartPoint points;
    db::CDBRoute routeTable;
    routes::CRouteState route;
    std::vector<report::CReportRequest> requests{
        chartpoints::ChartpointReport(points),
        navigator::VesselLogReport("Voyage", {}),
        navigator::LogListReport("Voyage"),
        routes::WaypointListReport(route, "Routes", "A", "B"),
        routes::RouteListReport(routeTable, false, "Routes", "Attachments"),
        routes::RouteListReport(routeTable, true, "Routes", "Attachments")};
    for (const char* plan : {"PssgPln", "PlnCstm1", "PlnCstm2", "PlnIntl1", "PlnIntl2"}) {
        report::CReportRequest request;
        request.name = plan;
        request.fields = db::ReportPlanFields();
        request.formulas = PlanFormulas(std::string(plan).back() == '2');
        requests.push_back(request);
    }
    for (const char* list : {"ChartFolio", "FullChartFolio"}) {
        report::CReportRequest request;
        request.name = list;
        request.fields = db::ReportChartFolioFields();
        requests.push_back(request);
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(BRINE_REPORTS_DIR))
        files += entry.path().extension() == ".rpt";
    EXPECT_EQ(files, requests.size());
    for (report::CReportRequest& request : requests) {
        std::string error;
        EXPECT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error))
            << request.name << ": " << error;
        EXPECT_FALSE(request.definition.columns.empty()) << request.name;
    }
}

TEST(ReportDefinition, NamesWithAndWithoutExtensionAreOneReport)
{
    UserData user;
    EXPECT_EQ(report::ReportBaseName("PlnCstm1.rpt"), "PlnCstm1");
    EXPECT_EQ(report::ReportBaseName("PssgPln"), "PssgPln");
    EXPECT_EQ(report::FindReportDefinition("PlnCstm1.rpt", BRINE_REPORTS_DIR),
              report::FindReportDefinition("PlnCstm1", BRINE_REPORTS_DIR));
    EXPECT_FALSE(report::FindReportDefinition("PssgPln", BRINE_REPORTS_DIR).empty());
}

TEST(ReportDefinition, AUserCopyWinsAndMissingOrBadOnesAreNamed)
{
    UserData user;
    const auto& fields = db::ReportChartpointFields();
    const std::map<std::string, std::string> formulas{{"File_name", "Sample"}};
    {
        std::ofstream out(user.Reports() / "ChartPnt.rpt");
        out << "page a4 landscape\ntitle Our own {File_name} list\ncolumn NAME 1 left wrap Name\n";
    }
    report::CReportDefinition def;
    std::string error;
    ASSERT_TRUE(
        report::LoadReportDefinition("ChartPnt", BRINE_REPORTS_DIR, fields, formulas, def, error))
        << error;
    EXPECT_TRUE(def.landscape);
    EXPECT_EQ(def.paper, report::PaperSize::A4);
    ASSERT_EQ(def.columns.size(), 1u);
    ASSERT_EQ(def.titleParts.size(), 1u);
    EXPECT_EQ(def.titleParts[0].front().text, "Our own Sample list");

    EXPECT_FALSE(report::LoadReportDefinition("NoSuch.rpt", BRINE_REPORTS_DIR, fields, formulas,
                                              def, error));
    EXPECT_NE(error.find("NoSuch.rpt"), std::string::npos) << error;

    {
        std::ofstream out(user.Reports() / "ChartPnt.rpt");
        out << "# a comment\n\ncolumn NAME 1 left wrap Name\ncolumn DEPTH 1 left wrap Depth\n";
    }
    EXPECT_FALSE(
        report::LoadReportDefinition("ChartPnt", BRINE_REPORTS_DIR, fields, formulas, def, error));
    EXPECT_NE(error.find("ChartPnt.rpt"), std::string::npos) << error;
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
    EXPECT_NE(error.find("DEPTH"), std::string::npos) << error;
}

TEST(ReportDefinition, RefusalsNameTheLineAndWhatWasNotKnown)
{
    const auto& fields = db::ReportRouteFields();
    const std::map<std::string, std::string> formulas{{"Route_Name", "R"}};
    const std::pair<const char*, const char*> cases[] = {
        {"colour red\n", "line 1: unknown keyword \"colour\""},
        {"column NAME 1 left wrap N\ntitle {Nobody}\n", "line 2: unknown formula or field"},
        {"column NAME 0 left wrap N\n", "line 1: column width"},
        {"column NAME 1 middle wrap N\n", "line 1: unknown alignment"},
        {"column NAME 1 left wrap N\ntotal sum DIST\n", "line 2: field \"DIST\" is not a column"},
        {"page a5 portrait\ncolumn NAME 1 left wrap N\n", "line 1: unknown paper"},
        {"title {Route_Name\ncolumn NAME 1 left wrap N\n", "line 1: a \"{\" without"},
        {"# nothing\n", "the report has no columns"},
        {"column NAME 1 left wrap N\nlastrow blank DIST\n",
         "line 2: field \"DIST\" is not a column"},
        {"column NAME 1 left wrap N\nlastrow empty NAME\n", "line 2: expected blank"},
    };
    for (const auto& [text, expected] : cases) {
        report::CReportDefinition def;
        std::string error;
        EXPECT_FALSE(report::ParseReportDefinition(text, fields, formulas, def, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
    }
    // Field placeholders wait for the first row; sums and last values name their column.
    report::CReportDefinition def;
    std::string error;
    ASSERT_TRUE(report::ParseReportDefinition(
        "title From {NAME} on {Route_Name}\r\ncolumn NAME 2 left nowrap Waypoint\r\n"
        "column DIST 1 right wrap Distance\r\ntotal count\r\ntotal sum DIST\r\n",
        fields, formulas, def, error))
        << error;
    ASSERT_EQ(def.titleParts[0].size(), 3u);
    EXPECT_EQ(def.titleParts[0][0].text, "From ");
    EXPECT_TRUE(def.titleParts[0][1].field);
    EXPECT_EQ(def.titleParts[0][2].text, " on R");
    EXPECT_FALSE(def.columns[0].wrap);
    EXPECT_TRUE(def.rowCountTotal);
    ASSERT_EQ(def.totals.size(), 1u);
    EXPECT_EQ(def.totals[0].column, 1u);
}

}   // namespace
