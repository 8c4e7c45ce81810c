// Reports of many pages over the sample generator's data, written to PDF and
// read back with poppler's tools: pdfinfo's page count is the measured one,
// every row is there in order, the last page ends with the last row, the
// total and "Page m of m", and every page repeats the headings.
#include "ReportSample.h"
#include "chartpoints/ui/ChartpointReport.h"
#include "db/DBChartPoint.h"
#include "db/DBRoute.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/LogReports.h"
#include "platform/Clock.h"
#include "routes/ui/RouteReports.h"

#include <QApplication>
#include <QTemporaryDir>

#include "../../support/ReportTestApp.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using brine_test::CommandOutput;

namespace fs = std::filesystem;

QApplication& App()
{
    return brine_test::ReportTestApp("long_report_test");
}

int PdfPages(const std::string& pdf)
{
    const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string PageText(const std::string& pdf, int page)
{
    const std::string n = std::to_string(page);
    return CommandOutput("pdftotext -layout -f " + n + " -l " + n + " '" + pdf + "' -");
}

// The request filled, laid out and written to `pdf`; the page count.
int WritePdf(report::CReportRequest request, const fs::path& folder, const std::string& pdf)
{
    std::string error;
    EXPECT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    request.folder = folder / "reports";
    const QSizeF page = report::DefinitionPageSize(request.definition);
    report::CRunProgress progress;
    auto filled = report::FillReport(std::move(request), page, {}, progress, error);
    EXPECT_TRUE(filled) << error;
    if (!filled)
        return -1;
    QString writeError;
    EXPECT_TRUE(report::WriteReportPdf(*filled->layout, QString::fromStdString(pdf), writeError))
        << writeError.toStdString();
    return filled->layout->PageCount();
}

// Keeps a picture of a page for a person to look at when BRINE_SHOTS_DIR names a folder.
void KeepPicture(const std::string& pdf, int page, const std::string& name)
{
    const char* shots = std::getenv("BRINE_SHOTS_DIR");
    if (!shots || !*shots)
        return;
    const std::string n = std::to_string(page);
    CommandOutput("pdftoppm -png -r 80 -singlefile -f " + n + " -l " + n + " '" + pdf + "' '" +
                  (fs::path(shots) / name).string() + "'");
}

TEST(LongReport, TwoHundredChartpointsOverManyPages)
{
    App();
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    std::string error;
    ASSERT_TRUE(report_sample::WriteChartpoints((folder / "Sound").string(), 200, error)) << error;
    db::CDBChartPoint table;
    table.SetFilePath((folder / "Sound").string());
    ASSERT_TRUE(table.Open());
    const std::string pdf = (folder / "ChartPnt.pdf").string();
    const int pages = WritePdf(chartpoints::ChartpointReport(table), folder, pdf);
    ASSERT_GE(pages, 4);
    EXPECT_EQ(PdfPages(pdf), pages);

    // Every mark once, in order, across the pages.
    const std::string all = CommandOutput("pdftotext -layout '" + pdf + "' -");
    std::size_t at = 0;
    for (int i = 1; i <= 200; ++i) {
        char mark[16];
        std::snprintf(mark, sizeof mark, "M%03d", i);
        const std::size_t found = all.find(mark, at);
        ASSERT_NE(found, std::string::npos) << mark << " missing or out of order";
        at = found + 1;
    }
    for (int page = 1; page <= pages; ++page) {
        const std::string text = PageText(pdf, page);
        EXPECT_NE(text.find("Latitude"), std::string::npos) << "no headings on page " << page;
        EXPECT_NE(text.find("Page " + std::to_string(page) + " of " + std::to_string(pages)),
                  std::string::npos)
            << text;
    }
    const std::string last = PageText(pdf, pages);
    EXPECT_NE(last.find("Mark 200"), std::string::npos) << last;
    EXPECT_NE(last.find("Total: 200"), std::string::npos) << last;
    EXPECT_EQ(PageText(pdf, 1).find("Total:"), std::string::npos);
    KeepPicture(pdf, 1, "long_chartpoints_first");
    KeepPicture(pdf, pages, "long_chartpoints_last");
    table.Close();
    EXPECT_TRUE(fs::is_empty(folder / "reports"));
}

TEST(LongReport, AVesselLogOfManyPassages)
{
    App();
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const std::string logPath = (folder / "Sound").string();
    std::string error;
    ASSERT_TRUE(report_sample::WriteLog(logPath, 6, error)) << error;

    platform::CSystemClock clock;
    navigator::CVesselLogbook log(clock, {});
    ASSERT_TRUE(log.Open(logPath));
    const std::uint32_t key = navigator::VesselLogKey(log);
    const std::vector<std::string> tables = navigator::VesselLogTables(log, key);
    ASSERT_FALSE(tables.empty());

    const std::string pdf = (folder / "VesselLog.pdf").string();
    const int pages = WritePdf(navigator::VesselLogReport(logPath, tables), folder, pdf);
    ASSERT_GE(pages, 4);
    EXPECT_EQ(PdfPages(pdf), pages);
    for (int page = 1; page <= pages; ++page)
        EXPECT_NE(PageText(pdf, page).find("Latitude"), std::string::npos)
            << "no headings on page " << page;
    const std::string last = PageText(pdf, pages);
    EXPECT_NE(last.find("passage 6"), std::string::npos) << last;
    EXPECT_NE(last.find("Page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos)
        << last;
    KeepPicture(pdf, 1, "long_vessellog_first");
    KeepPicture(pdf, pages, "long_vessellog_last");

    // Every passage's arrival, in order.
    const std::string all = CommandOutput("pdftotext -layout '" + pdf + "' -");
    std::size_t at = 0;
    for (int passage = 1; passage <= 6; ++passage) {
        const std::size_t found = all.find("passage " + std::to_string(passage) + ".", at);
        ASSERT_NE(found, std::string::npos) << "passage " << passage;
        at = found + 1;
    }
    // The log list: the one voyage.
    const std::string list = (folder / "Log.pdf").string();
    ASSERT_GE(WritePdf(navigator::LogListReport(logPath), folder, list), 1);
    EXPECT_NE(CommandOutput("pdftotext -layout '" + list + "' -").find("PS-SHUTTLE"),
              std::string::npos);
    log.Close(true);
    EXPECT_TRUE(fs::is_empty(folder / "reports"));
}

// The generator's three routes in both route lists: every route in order
// with its memo, the count at the end; the full list adds the first route's
// two shortened attachments and "<Unused>" in every empty slot.
TEST(LongReport, TheSampleRoutesInBothRouteLists)
{
    App();
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const std::string path = (folder / "Sound").string();
    std::string error;
    ASSERT_TRUE(report_sample::WriteRoutes(path, error)) << error;
    db::CDBRoute table;
    table.SetFilePath(path);
    ASSERT_TRUE(table.Open(true));
    ASSERT_EQ(table.GetRecordCount(), 3);

    for (const bool full : {true, false}) {
        const std::string pdf = (folder / (full ? "full.pdf" : "plain.pdf")).string();
        const int pages = WritePdf(
            routes::RouteListReport(table, full, folder.string(), folder.string()), folder, pdf);
        ASSERT_GE(pages, 1);
        EXPECT_EQ(PdfPages(pdf), pages);
        const std::string text = CommandOutput("pdftotext -layout '" + pdf + "' -");
        const std::size_t first = text.find("Admiralty Inlet-");   // the name may wrap
        const std::size_t second = text.find("Seattle to Kingston");
        const std::size_t third = text.find("Elliott Bay", second);
        ASSERT_NE(first, std::string::npos) << text;
        EXPECT_LT(first, second);
        EXPECT_NE(third, std::string::npos);
        EXPECT_NE(text.find("Total: 3"), std::string::npos) << text;
        std::size_t unused = 0;
        for (std::size_t at = text.find("<Unused>"); at != std::string::npos;
             at = text.find("<Unused>", at + 1))
            ++unused;
        EXPECT_EQ(unused, full ? 2u + 4u + 4u : 0u) << text;
        EXPECT_NE(text.find("SAMPLE. Keep clear"), std::string::npos) << text;
        // The first attachment by its name (shortened to 28 characters).
        EXPECT_EQ(text.find("Point Wilson light") != std::string::npos, full) << text;
        if (full)
            KeepPicture(pdf, 1, "routes_full");
    }
}

}   // namespace
