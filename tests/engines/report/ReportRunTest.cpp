#include "engines/report/ReportRun.h"
#include "db/DBLog.h"
#include "db/DBReportTable.h"
#include "db/DBVesselLog.h"
#include "engines/report/ReportFiles.h"
#include "engines/report/ReportOutput.h"
#include "navigator/ui/LogReports.h"

#include <QApplication>
#include <QTemporaryDir>

#include "../../support/ReportTestApp.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using brine_test::CommandOutput;

namespace fs = std::filesystem;

QApplication& App()
{
    return brine_test::ReportTestApp("report_run_test");
}

std::size_t FilesIn(const fs::path& folder)
{
    std::error_code ec;
    std::size_t n = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
}

report::CReportRequest NumberedRows(int count)
{
    report::CReportRequest request;
    request.definition.titles = {"Chartpoint Report - Sample"};
    request.definition.columns = {{"Name", 2, report::Align::Left, "NAME"},
                                  {"Area", 1, report::Align::Left, "AREA"}};
    request.fields = db::ReportChartpointFields();
    request.makeTable = db::MakeReportTable;
    request.fill = [count](report::CReportSink& sink, std::string&) {
        sink.Expect(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            sink.Cell("NAME") = "Point " + std::to_string(i);
            sink.Cell("AREA") = "Admiralty Inlet";
            if (!sink.Append())
                return false;
        }
        return true;
    };
    return request;
}

TEST(ReportRun, RowsComeBackInOrderAndTheTableGoesWithTheReport)
{
    App();
    QTemporaryDir dir;
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = NumberedRows(300);
    request.folder = dir.path().toStdString();
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    ASSERT_TRUE(filled) << error;
    EXPECT_TRUE(fs::exists(filled->rows->TablePath()));
    EXPECT_EQ(filled->rows->TablePath().filename().string().substr(0, 2), "~r");
    ASSERT_EQ(filled->rows->Count(), 300u);
    std::vector<std::string> cells;
    filled->rows->Row(0, cells);
    EXPECT_EQ(cells, (std::vector<std::string>{"Point 0", "Admiralty Inlet"}));
    filled->rows->Row(299, cells);
    EXPECT_EQ(cells[0], "Point 299");
    EXPECT_GT(filled->layout->PageCount(), 3);

    const QString pdf = dir.filePath("ChartPnt.pdf");
    QString pdfError;
    ASSERT_TRUE(report::WriteReportPdf(*filled->layout, pdf, pdfError)) << pdfError.toStdString();
    const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
    EXPECT_NE(text.find("Point 0"), std::string::npos);
    EXPECT_NE(text.find("Point 299"), std::string::npos);
    EXPECT_LT(text.find("Point 10 "), text.find("Point 200"));
    const std::string info = CommandOutput("pdfinfo '" + pdf.toStdString() + "'");
    const std::size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + pages + 6), filled->layout->PageCount());

    filled.reset();
    EXPECT_EQ(FilesIn(dir.path().toStdString()), 1u);   // only the PDF is left
}

TEST(ReportRun, AStoppedOrFailedFillLeavesNoFiles)
{
    App();
    QTemporaryDir dir;
    std::stop_source stop;
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = NumberedRows(5000);
    request.folder = dir.path().toStdString();
    auto fill = request.fill;
    request.fill = [&](report::CReportSink& sink, std::string& message) {
        stop.request_stop();   // as Cancel does while rows are written
        return fill(sink, message);
    };
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(report::FillReport(std::move(request), report::DefaultPageSize(), stop.get_token(),
                                    progress, error));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_LE(progress.done.load(), 64u);
    EXPECT_EQ(FilesIn(dir.path().toStdString()), 0u);

    report::CReportRequest failing = NumberedRows(10);
    failing.folder = dir.path().toStdString();
    failing.fill = [](report::CReportSink&, std::string& message) {
        message = "The log could not be read.";
        return false;
    };
    EXPECT_FALSE(report::FillReport(std::move(failing), report::DefaultPageSize(),
                                    std::stop_token(), progress, error));
    EXPECT_EQ(error, "The log could not be read.");
    EXPECT_EQ(FilesIn(dir.path().toStdString()), 0u);

    // A request nobody gave a table to is refused by name, not run.
    report::CReportRequest tableless = NumberedRows(10);
    tableless.name = "ChartPnt";
    tableless.folder = dir.path().toStdString();
    tableless.makeTable = nullptr;
    EXPECT_FALSE(report::FillReport(std::move(tableless), report::DefaultPageSize(),
                                    std::stop_token(), progress, error));
    EXPECT_NE(error.find("\"ChartPnt\""), std::string::npos) << error;
    EXPECT_EQ(FilesIn(dir.path().toStdString()), 0u);
}

// Cancel while the pages are measured: the run ends soon after, with no
// pages and no report files left.
TEST(ReportRun, AStopWhilePagesAreMeasuredEndsTheRunSoon)
{
    App();
    QTemporaryDir dir;
    std::stop_source stop;
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = NumberedRows(50000);
    request.folder = dir.path().toStdString();
    std::atomic<std::chrono::steady_clock::time_point> stopped{};
    std::jthread canceller([&](std::stop_token done) {
        while (!done.stop_requested() && progress.pages.load() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stopped = std::chrono::steady_clock::now();
        stop.request_stop();   // as Cancel does while pages are counted
    });
    EXPECT_FALSE(report::FillReport(std::move(request), report::DefaultPageSize(), stop.get_token(),
                                    progress, error));
    const auto returned = std::chrono::steady_clock::now();
    canceller.request_stop();
    canceller.join();
    EXPECT_TRUE(progress.measuring.load());
    EXPECT_LT(returned - stopped.load(), std::chrono::milliseconds(200));
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(FilesIn(dir.path().toStdString()), 0u);
}

TEST(ReportRun, TempNamesRemoveOnlyTheirOwnFiles)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    std::FILE* other = std::fopen((folder / "user.tmp").c_str(), "w");
    std::fclose(other);
    {
        report::CReportTempName unused;   // never taken: removes nothing
    }
    report::CReportTempName name;
    std::string error;
    ASSERT_TRUE(name.Take(folder, error));
    std::fclose(std::fopen((name.Base().string() + ".dbf").c_str(), "w"));
    std::fclose(std::fopen((name.Base().string() + ".mdx").c_str(), "w"));
    name.Remove();
    EXPECT_EQ(FilesIn(folder), 1u);
    EXPECT_TRUE(fs::exists(folder / "user.tmp"));
}

TEST(ReportRun, FoldersOfEndedProcessesAreRemoved)
{
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    fs::create_directories(root / std::to_string(child));
    fs::create_directories(root / std::to_string(getpid()));
    fs::create_directories(root / "notes");
    EXPECT_EQ(report::RemoveDeadReportFolders(root), 1);
    EXPECT_FALSE(fs::exists(root / std::to_string(child)));
    EXPECT_TRUE(fs::exists(root / std::to_string(getpid())));
    EXPECT_TRUE(fs::exists(root / "notes"));
}

// A logbook written in UTC prints in local time; unset course and speed print blank.
TEST(ReportRun, VesselLogPrintsLocalTimesAndBlankUnsetValues)
{
    App();
    setenv("TZ", "Pacific/Auckland", 1);
    tzset();
    QTemporaryDir dir;
    const std::string logPath = dir.filePath("00000001").toStdString();
    {
        db::CDBLog log;
        log.SetFilePath(logPath);
        ASSERT_TRUE(log.Open());
        log.ClearRecord();
        log.m_time = app::CDateTimeEx(2026, 6, 1, 23, 30, 0);   // winter: UTC+12
        log.m_position = geo::CPosition(48.1, -122.6);
        log.m_cog = -99.99;
        log.m_sog = -99.99;
        log.m_note = "Off Point No Point";
        ASSERT_TRUE(log.AppendNew());
        log.m_time = app::CDateTimeEx(2026, 6, 2, 0, 30, 0);
        log.m_cog = 45.2;
        log.m_sog = 6.3;
        log.m_note.clear();
        ASSERT_TRUE(log.AppendNew());
    }
    const fs::path logBytes = logPath + ".dbf";
    const auto sizeBefore = fs::file_size(logBytes);

    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request =
        navigator::VesselLogReport(dir.filePath("Voyage").toStdString(), {logPath});
    request.folder = dir.filePath("reports").toStdString();
    ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    ASSERT_TRUE(filled) << error;
    ASSERT_EQ(filled->rows->Count(), 2u);
    std::vector<std::string> cells;
    filled->rows->Row(0, cells);
    // Date, Time, Latitude, Longitude, Datum, COG, SOG, Type, Note
    EXPECT_EQ(cells[1].substr(0, 5), "11:30") << cells[1];
    EXPECT_NE(cells[0].find("02"), std::string::npos) << cells[0];   // the next local day
    EXPECT_EQ(cells[5], "");
    EXPECT_EQ(cells[6], "");
    EXPECT_EQ(cells[8], "Off Point No Point");
    filled->rows->Row(1, cells);
    EXPECT_EQ(cells[5], "045");
    EXPECT_EQ(cells[6], "6.3");
    EXPECT_EQ(fs::file_size(logBytes), sizeBefore);   // read only
    filled.reset();
    EXPECT_EQ(FilesIn(dir.filePath("reports").toStdString()), 0u);
}

// An older log taken over may hold its rows out of time order, and a row
// may be marked deleted: the report prints by date and time, without it.
TEST(ReportRun, VesselLogPrintsInTimeOrderWithoutDeletedRows)
{
    App();
    setenv("TZ", "UTC", 1);
    tzset();
    QTemporaryDir dir;
    const std::string logPath = dir.filePath("00000002").toStdString();
    {
        db::CDBLog log;
        log.SetFilePath(logPath);
        ASSERT_TRUE(log.Open());
        const std::pair<app::CDateTimeEx, const char*> rows[] = {
            {app::CDateTimeEx(2026, 6, 2, 9, 0, 0), "third"},
            {app::CDateTimeEx(2026, 6, 1, 23, 15, 0), "second"},
            {app::CDateTimeEx(2026, 6, 2, 7, 0, 0), "struck out"},
            {app::CDateTimeEx(2026, 6, 1, 8, 45, 0), "first"},
        };
        for (const auto& [when, note] : rows) {
            log.ClearRecord();
            log.m_time = when;
            log.m_position = geo::CPosition(48.1, -122.6);
            log.m_note = note;
            ASSERT_TRUE(log.AppendNew());
        }
        ASSERT_TRUE(log.GoRecord(3));
        ASSERT_TRUE(log.DeleteRecord());
        ASSERT_TRUE(log.FlushIfOpen());
    }
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request =
        navigator::VesselLogReport(dir.filePath("Voyage").toStdString(), {logPath});
    request.folder = dir.filePath("reports").toStdString();
    ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    ASSERT_TRUE(filled) << error;
    std::vector<std::string> notes;
    std::vector<std::string> cells;
    for (std::size_t r = 0; r < filled->rows->Count(); ++r) {
        filled->rows->Row(r, cells);
        notes.push_back(cells[8]);
    }
    EXPECT_EQ(notes, (std::vector<std::string>{"first", "second", "third"}));
}

// The log list: a voyage still under way has no end yet and prints
// "Unknown" for it, with no time.
TEST(ReportRun, LogListPrintsUnknownForAVoyageNotEnded)
{
    App();
    setenv("TZ", "America/Los_Angeles", 1);
    tzset();
    QTemporaryDir dir;
    const std::string indexPath = dir.filePath("Voyage").toStdString();
    {
        db::CDBVesselLog index;
        index.SetFilePath(indexPath);
        ASSERT_TRUE(index.OpenIndex());
        index.ClearRecord();
        index.m_vesselId = 1;
        index.m_appendNo = 1;
        index.m_targetName = "Brine Lady";
        index.m_voyageId = "Townsend - Seattle";
        index.m_start = app::CDateTimeEx(2026, 6, 1, 15, 0, 0);
        index.m_end = app::CDateTimeEx(2026, 6, 1, 21, 5, 0);
        ASSERT_TRUE(index.AppendNew());
        index.ClearRecord();   // the end stays unset
        index.m_vesselId = 1;
        index.m_appendNo = 2;
        index.m_targetName = "Brine Lady";
        index.m_voyageId = "Seattle - Kingston";
        index.m_start = app::CDateTimeEx(2026, 6, 2, 16, 0, 0);
        ASSERT_TRUE(index.AppendNew());
    }
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = navigator::LogListReport(indexPath);
    request.folder = dir.filePath("reports").toStdString();
    ASSERT_TRUE(report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error)) << error;
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(true),
                                     std::stop_token(), progress, error);
    ASSERT_TRUE(filled) << error;
    ASSERT_EQ(filled->rows->Count(), 2u);
    std::vector<std::string> cells;
    // Vessel Type, Vessel, Voyage, Officer, Start Date, Start Time, End Date, End Time
    filled->rows->Row(0, cells);
    EXPECT_EQ(cells[5].substr(0, 5), "08:00") << cells[5];   // PDT
    EXPECT_NE(cells[6], "Unknown");
    EXPECT_EQ(cells[7].substr(0, 5), "14:05") << cells[7];
    filled->rows->Row(1, cells);
    EXPECT_EQ(cells[2], "Seattle - Kingston");
    EXPECT_EQ(cells[6], "Unknown");
    EXPECT_EQ(cells[7], "");
    const QString pdf = dir.filePath("Log.pdf");
    QString pdfError;
    ASSERT_TRUE(report::WriteReportPdf(*filled->layout, pdf, pdfError));
    const std::string text = CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -");
    EXPECT_NE(text.find("Unknown"), std::string::npos) << text;
    EXPECT_LT(text.find("Townsend - Seattle"), text.find("Seattle - Kingston")) << text;
}

}   // namespace
