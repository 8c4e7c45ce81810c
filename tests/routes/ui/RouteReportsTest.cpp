#include "routes/ui/RouteReports.h"
#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "db/DBRoute.h"
#include "engines/report/ReportDefinitionFile.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "routes/PlanModule.h"
#include "routes/RouteViews.h"

#include <QApplication>
#include <QTemporaryDir>

#include "ReportTestApp.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

namespace {

using brine_test::CommandOutput;

QApplication& App()
{
    return brine_test::ReportTestApp("route_reports_test");
}

TEST(RouteReports, PlanValuesPrintInTheirFixedForms)
{
    using namespace routes;
    EXPECT_EQ(PlanPassageText(((24 + 2) * 60 + 5) * 60), "  1d 02h 05m");
    EXPECT_EQ(PlanPassageText(5 * 3600 + 30 * 60), "  0d 05h 30m");
    EXPECT_EQ(PlanElapsedText(29 * 60 + 40), "000:00:30");   // to the nearest minute
    EXPECT_EQ(PlanElapsedText(0), "000:00:00");
    EXPECT_EQ(PlanElapsedText(((24 + 5) * 60 + 30) * 60), "001:05:30");
    EXPECT_EQ(PlanMagneticText(2.5), "2.5E");
    EXPECT_EQ(PlanMagneticText(-3.0), "3.0W");
    EXPECT_EQ(PlanMagneticText(0.0), "0.0W");
}

// Admiralty Inlet to Seattle in three waypoints: each leg's course and
// distance on its row, "000" and "0.00" at the last waypoint.
TEST(RouteReports, WaypointListEndsWithAnEmptyLeg)
{
    App();
    routes::CRouteState state;
    state.hasRoute = true;
    state.name = "Inlet to Seattle";
    const std::array<std::pair<const char*, geo::CPosition>, 3> points{
        {{"Point Wilson", geo::CPosition(48.1450, -122.7550)},
         {"Point No Point", geo::CPosition(47.9120, -122.5260)},
         {"Elliott Bay", geo::CPosition(47.6050, -122.3550)}}};
    for (const auto& [name, position] : points) {
        routes::CWaypoint w(position);
        w.m_name = name;
        state.waypoints.push_back(w);
    }
    QTemporaryDir dir;
    report::CReportRequest request = routes::WaypointListReport(
        state, dir.filePath("Puget Sound Routes").toStdString(), "Port Townsend", "Seattle");
    request.folder = dir.filePath("reports").toStdString();
    std::string definitionError;
    ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, definitionError))
        << definitionError;
    report::CRunProgress progress;
    std::string error;
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    ASSERT_TRUE(filled) << error;
    ASSERT_EQ(filled->rows->Count(), 3u);
    std::vector<std::string> cells;
    filled->rows->Row(2, cells);
    // Waypoint, Latitude, Longitude, Datum, Leg, Course, Distance
    EXPECT_EQ(cells[0], "Elliott Bay");
    EXPECT_EQ(cells[5], "000");
    EXPECT_EQ(cells[6], "0.00");
    filled->rows->Row(0, cells);
    EXPECT_NE(cells[5], "000");
    EXPECT_NE(cells[6], "0.00");

    const QString pdf = dir.filePath("WaypointList.pdf");
    QString pdfError;
    ASSERT_TRUE(report::WriteReportPdf(*filled->layout, pdf, pdfError));
    const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
    EXPECT_NE(text.find("Waypoint List Report"), std::string::npos) << text;
    EXPECT_NE(text.find("Route: Inlet to Seattle"), std::string::npos) << text;
    EXPECT_NE(text.find("From: Port Townsend"), std::string::npos);
    EXPECT_LT(text.find("Point Wilson"), text.find("Point No Point"));
    EXPECT_LT(text.find("Point No Point"), text.find("Elliott Bay"));
}

// The full route list: a route with two attachments prints them shortened,
// and "<Unused>" in the two empty slots; the plain list leaves them out.
TEST(RouteReports, RouteListShowsUnusedAttachmentSlots)
{
    App();
    QTemporaryDir dir;
    db::CDBRoute table;
    table.SetFilePath(dir.filePath("Puget").toStdString());
    ASSERT_TRUE(table.Open());
    table.ClearRecord();
    table.m_name = "Admiralty Inlet";
    table.m_from = "Port Townsend";
    table.m_to = "Seattle";
    table.m_note = "Ferry lanes off Edmonds";
    table.m_attachment[0] = "/home/mate/Charts/Pictures/Point Wilson light from the south.jpg";
    table.m_attachment[1] = "/home/mate/notes.txt";
    ASSERT_TRUE(table.AppendNew());

    for (const bool full : {true, false}) {
        report::CReportRequest request =
            routes::RouteListReport(table, full, "/home/mate/Routes", "/home/mate");
        // The route module's folders, wherever the table itself was opened from.
        EXPECT_EQ(request.formulas["Route Path"], "/home/mate/Routes");
        EXPECT_EQ(request.formulas["Attach Path"], "/home/mate");
        request.folder = dir.filePath(full ? "full" : "plain").toStdString();
        std::string error;
        ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
        report::CRunProgress progress;
        auto filled = report::FillReport(std::move(request), report::DefaultPageSize(true),
                                         std::stop_token(), progress, error);
        ASSERT_TRUE(filled) << error;
        const QString pdf = dir.filePath(full ? "full.pdf" : "plain.pdf");
        QString pdfError;
        ASSERT_TRUE(report::WriteReportPdf(*filled->layout, pdf, pdfError));
        const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
        EXPECT_NE(text.find("Admiralty Inlet"), std::string::npos) << text;
        std::size_t unused = 0;
        for (std::size_t at = text.find("<Unused>"); at != std::string::npos;
             at = text.find("<Unused>", at + 1))
            ++unused;
        EXPECT_EQ(unused, full ? 2u : 0u) << text;
        if (full) {
            EXPECT_NE(text.find("notes.txt"), std::string::npos) << text;
            EXPECT_EQ(text.find("from the south.jpg"), std::string::npos);   // shortened
            EXPECT_NE(text.find("Ferry lanes off Edmonds"), std::string::npos);
        }
    }
}

routes::CRouteState SampleRoute()
{
    routes::CRouteState state;
    state.hasRoute = true;
    state.name = "Inlet to Seattle";
    const std::array<std::pair<const char*, geo::CPosition>, 3> points{
        {{"Point Wilson", geo::CPosition(48.1450, -122.7550)},
         {"Point No Point", geo::CPosition(47.9120, -122.5260)},
         {"Elliott Bay", geo::CPosition(47.6050, -122.3550)}}};
    for (const auto& [name, position] : points) {
        routes::CWaypoint w(position);
        w.m_name = name;
        w.m_memo = std::string("Memo of ") + name;
        state.waypoints.push_back(w);
    }
    return state;
}

std::string PlanPdfText(routes::PlanReportKind kind, const std::string& planName,
                        const geo::CPositionFormat& format = {})
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    const routes::CRouteState state = SampleRoute();
    plan.planUtc = 1780000000;
    plan.planName = planName;
    plan.from = "Port Townsend";
    plan.to = "Seattle";
    plan.PlanSettings().vesselSpeed = 6.0;
    EXPECT_EQ(plan.Calculate(routes::PlanWaypointsOf(state), prompt, nullptr, nullptr, nullptr), 0);
    report::CReportRequest request =
        routes::PassagePlanReport(plan, state, kind, routes::PlanReportName(kind, "PlnCstm"),
                                  "Brine Lady", "Keep clear of the ferry lanes", format);
    request.folder = (dir.Path() / "reports").string();
    std::string error;
    EXPECT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    report::CRunProgress progress;
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(true),
                                     std::stop_token(), progress, error);
    if (!filled)
        return "fill failed: " + error;
    const QString pdf = QString::fromStdString((dir.Path() / "plan.pdf").string());
    QString pdfError;
    if (!report::WriteReportPdf(*filled->layout, pdf, pdfError))
        return "pdf failed";
    // A picture of the first page for a person to look at, when asked for.
    if (const char* shots = std::getenv("BRINE_SHOTS_DIR"); shots && *shots)
        CommandOutput("pdftoppm -png -r 80 -singlefile -f 1 -l 1 '" + pdf.toStdString() + "' '" +
                      shots + "/plan_" + std::to_string(int(kind)) + "'");
    return CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
}

// The plan's header values print as typed (a quote is data, a brace is not a
// placeholder); every waypoint has its row; the custom pair differs only in
// file, title and the memos.
TEST(RouteReports, PassagePlanAndTheCustomPair)
{
    App();
    const std::string standard =
        PlanPdfText(routes::PlanReportKind::Standard, "Inlet \"north\" {Vessel}");
    EXPECT_NE(standard.find("Passage Plan Report"), std::string::npos) << standard;
    EXPECT_NE(standard.find("Plan: Inlet \"north\" {Vessel}"), std::string::npos) << standard;
    EXPECT_NE(standard.find("Vessel: Brine Lady"), std::string::npos);
    EXPECT_NE(standard.find("[Off]"), std::string::npos) << standard;
    EXPECT_NE(standard.find("000:00:00"), std::string::npos);
    EXPECT_NE(standard.find("0.0W"), std::string::npos);
    EXPECT_LT(standard.find("Point Wilson"), standard.find("Elliott Bay"));
    EXPECT_NE(standard.find("48\u00B008.70'N"), std::string::npos) << standard;

    // Positions in the form chosen in Tools > Options, four decimals of
    // seconds, print whole in every plan.
    for (const auto kind : {routes::PlanReportKind::Standard, routes::PlanReportKind::Custom,
                            routes::PlanReportKind::CustomWithMemos}) {
        const std::string seconds = PlanPdfText(kind, "Inlet", {4, true});
        EXPECT_NE(seconds.find("48\u00B008'42.0000N"), std::string::npos) << seconds;
        EXPECT_NE(seconds.find("122\u00B045'18.0000W"), std::string::npos) << seconds;
    }

    const std::string custom = PlanPdfText(routes::PlanReportKind::Custom, "Inlet");
    EXPECT_NE(custom.find("Custom Plan Report"), std::string::npos) << custom;
    EXPECT_EQ(custom.find("Memo of Point Wilson"), std::string::npos);
    const std::string memos = PlanPdfText(routes::PlanReportKind::CustomWithMemos, "Inlet");
    EXPECT_NE(memos.find("Custom Plan ( With memos ) Report"), std::string::npos) << memos;
    EXPECT_NE(memos.find("Keep clear of the ferry lanes"), std::string::npos);
    EXPECT_NE(memos.find("Memo of Point Wilson"), std::string::npos);
    // The right-aligned distance and the memo after it stand apart as two
    // columns, in the headings and in every row.
    for (const char* memo : {"Memo\n", "Memo of Point Wilson", "Memo of Elliott Bay"}) {
        const std::size_t at = memos.find(memo);
        ASSERT_NE(at, std::string::npos) << memo;
        ASSERT_GE(at, 2u);
        EXPECT_EQ(memos.substr(at - 2, 2), "  ") << memos;
    }
}

// The destination has no leg after it: its row leaves the leg's passage,
// course and distance blank rather than print "000" (a course of north) and
// zeros; the first row keeps them, and the destination keeps its total and
// distance to go.
TEST(RouteReports, ThePlansDestinationRowHasNoLeg)
{
    App();
    for (const auto kind : {routes::PlanReportKind::Standard, routes::PlanReportKind::Custom,
                            routes::PlanReportKind::CustomWithMemos}) {
        const std::string text = PlanPdfText(kind, "Inlet");
        const auto lineOf = [&](const char* name) {
            const std::size_t at = text.find(name);
            if (at == std::string::npos)
                return std::string();
            const std::size_t start = text.rfind('\n', at) + 1;
            return text.substr(start, text.find('\n', at) - start);
        };
        const auto words = [](const std::string& line) {
            std::vector<std::string> out;
            std::istringstream in(line);
            for (std::string w; in >> w;)
                out.push_back(w);
            return out;
        };
        const std::string first = lineOf("Point Wilson"), last = lineOf("Elliott Bay");
        ASSERT_FALSE(first.empty() || last.empty()) << text;
        EXPECT_NE(first.find("0d "), std::string::npos) << first;
        EXPECT_EQ(last.find("0d 00h 00m"), std::string::npos) << last;
        const std::vector<std::string> w = words(last);
        EXPECT_EQ(std::count(w.begin(), w.end(), "000"), 0) << last;
        // Only the distance to go is 0.00 at the destination.
        EXPECT_LE(std::count(w.begin(), w.end(), "0.00"), 1) << last;
    }
}

}   // namespace
