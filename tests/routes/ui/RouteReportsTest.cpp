#include "routes/ui/RouteReports.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "routes/RouteViews.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "route_reports_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the other statics at exit can crash.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t got = 0;
        while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    return out;
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
    EXPECT_NE(text.find("Waypoint List Report - Puget Sound Routes"), std::string::npos) << text;
    EXPECT_NE(text.find("From: Port Townsend"), std::string::npos);
    EXPECT_LT(text.find("Point Wilson"), text.find("Point No Point"));
    EXPECT_LT(text.find("Point No Point"), text.find("Elliott Bay"));
}

}   // namespace
