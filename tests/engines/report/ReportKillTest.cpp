// A report run killed with SIGKILL while it writes its rows: the vessel log
// it reads is byte for byte as before, nothing is left beside it, and the
// dead run's report folder is removed at the next start.

#include "db/DBLog.h"
#include "engines/report/ReportFiles.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"
#include "navigator/ui/LogReports.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

void WriteLog(const std::string& path, int rows)
{
    db::CDBLog log;
    log.SetFilePath(path);
    ASSERT_TRUE(log.Open());
    ASSERT_TRUE(log.Lock());
    for (int i = 0; i < rows; ++i) {
        log.ClearRecord();
        const int minute = i % (24 * 60);
        log.m_time = app::CDateTimeEx(2026, 5, 1 + i / (24 * 60), minute / 60, minute % 60, 0);
        log.m_position = geo::CPosition(48.15 - i * 0.00002, -122.75 + i * 0.00001);
        log.m_cog = 150;
        log.m_sog = 6.5;
        log.m_note = i % 100 == 0 ? "Abeam Point No Point" : "";
        ASSERT_TRUE(log.AppendNew());
    }
    log.FlushAndUnlock();
}

// In a child: the report over the log, telling the parent once a quarter of
// the rows are written, then waiting to be killed.
[[noreturn]] void RunReportInChild(const std::string& log, int rows, int tell)
{
    static int argc = 1;
    static char name[] = "report_kill_child";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    report::CRunProgress progress;
    std::jthread watcher([&progress, rows, tell](std::stop_token stop) {
        while (!stop.stop_requested() && progress.done.load() < std::size_t(rows / 4))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const char byte = 1;
        (void)!write(tell, &byte, 1);
    });
    std::string error;
    report::CReportRequest request = navigator::VesselLogReport(log, {log});
    request.folder = report::ProcessReportFolder().string();
    report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error);
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    // Finished before the kill came: the report stays open until it does.
    for (;;)
        pause();
}

// In a child: the report over the log written as a PDF to `pdf` again and
// again, telling the parent once the first write is under way.
[[noreturn]] void WritePdfForeverInChild(const std::string& log, const std::string& pdf, int tell)
{
    static int argc = 1;
    static char name[] = "report_pdf_kill_child";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = navigator::VesselLogReport(log, {log});
    request.folder = report::ProcessReportFolder().string();
    report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error);
    auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                     std::stop_token(), progress, error);
    const char byte = 1;
    (void)!write(tell, &byte, 1);
    QString writeError;
    for (;;)
        if (!filled ||
            !report::WriteReportPdf(*filled->layout, QString::fromStdString(pdf), writeError))
            _exit(2);
}

TEST(ReportKill, KilledMidReportLeavesTheLogAsItWas)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir dir;
    setenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit().constData(), 1);
    const fs::path user = dir.filePath("Logs").toStdString();
    fs::create_directories(user);
    const int rows = 40000;
    const std::string log = (user / "00000001").string();
    WriteLog(log, rows);
    const auto before = Snapshot(user);
    ASSERT_FALSE(before.empty());

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        RunReportInChild(log, rows, fds[1]);
    }
    close(fds[1]);
    char byte = 0;
    ASSERT_EQ(read(fds[0], &byte, 1), 1);   // rows are being written
    close(fds[0]);
    const fs::path folder = report::ReportCacheRoot() / std::to_string(child);
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_FALSE(fs::is_empty(folder));   // the report table, part written
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(Snapshot(user), before);   // same names, same bytes, nothing new
    EXPECT_EQ(report::RemoveDeadReportFolders(), 1);
    EXPECT_FALSE(fs::exists(folder));
}

// Save As PDF killed at random moments, over and over: the folder holds the
// PDF whole (as the last finished write left it) or nothing, never a part
// file of a write cut short.
TEST(ReportKill, KilledPdfWritesLeaveTheFileWholeOrAbsentAndNothingElse)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir dir;
    setenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit().constData(), 1);
    const fs::path user = dir.filePath("Logs").toStdString();
    const fs::path out = dir.filePath("Reports").toStdString();
    fs::create_directories(user);
    fs::create_directories(out);
    const std::string log = (user / "00000001").string();
    WriteLog(log, 3000);
    const std::string pdf = (out / "passage.pdf").string();
    std::mt19937 random(1208);
    int whole = 0;
    for (int round = 0; round < 8; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            WritePdfForeverInChild(log, pdf, fds[1]);
        }
        close(fds[1]);
        char byte = 0;
        ASSERT_EQ(read(fds[0], &byte, 1), 1);
        close(fds[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own";
        for (const auto& [name, bytes] : Snapshot(out)) {
            ASSERT_EQ(name, "passage.pdf") << "left by a write the kill cut short";
            EXPECT_NE(bytes.rfind("%%EOF"), std::string::npos) << "the PDF is cut short";
            ++whole;
        }
        report::RemoveDeadReportFolders();
    }
    std::printf("%d of 8 kills found a whole PDF in place\n", whole);
}

}   // namespace
