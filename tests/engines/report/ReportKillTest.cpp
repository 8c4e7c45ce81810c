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
#include <functional>
#include <map>
#include <memory>
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

// In a child: the vessel log report over `log`, filled in the process's own
// report folder; the child's application lives as long as the child.
std::unique_ptr<report::CFilledReport> FillInChild(const std::string& log,
                                                   report::CRunProgress& progress)
{
    static int argc = 1;
    static char name[] = "report_kill_child";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    std::string error;
    report::CReportRequest request = navigator::VesselLogReport(log, {log});
    request.folder = report::ProcessReportFolder().string();
    report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error);
    return report::FillReport(std::move(request), report::DefaultPageSize(), std::stop_token(),
                              progress, error);
}

void Tell(int fd)
{
    const char byte = 1;
    (void)!write(fd, &byte, 1);
}

// Forks a child running `body` with the write end of a pipe and returns once
// the child has written to it (-1 when it never does).
pid_t ForkAndWaitForWord(const std::function<void(int tell)>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        body(fds[1]);
        _exit(2);
    }
    close(fds[1]);
    char byte = 0;
    const bool told = child > 0 && read(fds[0], &byte, 1) == 1;
    close(fds[0]);
    return told ? child : -1;
}

// Whether the child died of the SIGKILL sent now, not on its own.
bool Killed(pid_t child)
{
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status);
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

    // The report is killed once a quarter of its rows are written.
    const pid_t child = ForkAndWaitForWord([&](int tell) {
        report::CRunProgress progress;
        std::jthread watcher([&progress, rows, tell](std::stop_token stop) {
            while (!stop.stop_requested() && progress.done.load() < std::size_t(rows / 4))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            Tell(tell);
        });
        const auto filled = FillInChild(log, progress);
        // Finished before the kill came: the report stays open until it does.
        for (;;)
            pause();
    });
    ASSERT_GT(child, 0);
    const fs::path folder = report::ReportCacheRoot() / std::to_string(child);
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_FALSE(fs::is_empty(folder));   // the report table, part written
    ASSERT_TRUE(Killed(child));

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
        // Written again and again once filled: every kill falls inside a write.
        const pid_t child = ForkAndWaitForWord([&](int tell) {
            report::CRunProgress progress;
            const auto filled = FillInChild(log, progress);
            Tell(tell);
            QString error;
            while (filled &&
                   report::WriteReportPdf(*filled->layout, QString::fromStdString(pdf), error)) { }
        });
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        ASSERT_TRUE(Killed(child)) << "the writer failed on its own";
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
