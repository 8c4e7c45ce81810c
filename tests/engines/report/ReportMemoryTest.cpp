// Report memory stays flat: child processes lay out, write to PDF and page
// through the preview of a 10,000-row and a 100,000-row vessel log; their
// peak resident sizes differ by less than 16 MB.

#include "db/DBLog.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"
#include "engines/report/ReportRun.h"
#include "navigator/ui/LogReports.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void WriteLog(const std::string& path, int rows)
{
    db::CDBLog log;
    log.SetFilePath(path);
    ASSERT_TRUE(log.Open());
    ASSERT_TRUE(log.Lock());
    for (int i = 0; i < rows; ++i) {
        log.ClearRecord();
        const int minute = i % (24 * 60);
        log.m_time = app::CDateTimeEx(2026, 1 + (i / (24 * 60 * 28)) % 12, 1 + (i / (24 * 60)) % 28,
                                      minute / 60, minute % 60, 0);
        log.m_position = geo::CPosition(47.6 + (i % 1000) * 0.0005, -122.4 - (i % 700) * 0.0005);
        log.m_cog = (i * 7) % 360;
        log.m_sog = 6.5;
        log.m_note = i % 50 == 0 ? "Course altered off Point No Point for traffic" : "";
        ASSERT_TRUE(log.AppendNew());
    }
    log.FlushAndUnlock();
}

// In a child: the whole report, then the peak resident size in kB (or -1).
long PeakInChild(const std::string& log, const std::string& folder)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        static int argc = 1;
        static char name[] = "report_memory_child";
        static char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        report::CRunProgress progress;
        std::string error;
        report::CReportRequest request = navigator::VesselLogReport(log, {log});
        request.folder = folder;
        report::ApplyReportDefinition(request, BRINE_REPORTS_DIR, error);
        auto filled = report::FillReport(std::move(request), report::DefaultPageSize(),
                                         std::stop_token(), progress, error);
        long peak = -1;
        if (filled) {
            QString pdfError;
            const QString pdf = QString::fromStdString(folder + "/log.pdf");
            const int pages = filled->layout->PageCount();
            if (report::WriteReportPdf(*filled->layout, pdf, pdfError)) {
                report::CReportPreview preview(std::move(filled->rows), std::move(filled->layout),
                                               nullptr, "log.pdf");
                preview.resize(800, 600);
                preview.show();
                for (int p = 0; p < pages; p += std::max(1, pages / 200)) {
                    preview.ShowPage(p);
                    QApplication::processEvents();
                }
                preview.ShowPage(pages - 1);
                QApplication::processEvents();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                peak = usage.ru_maxrss;
            }
        }
        (void)!write(fds[1], &peak, sizeof peak);
        _exit(0);
    }
    close(fds[1]);
    long peak = -1;
    if (read(fds[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return peak;
}

TEST(ReportMemory, TenTimesTheRowsCostsNoMoreMemory)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir dir;
    const std::string small = dir.filePath("00000001").toStdString();
    const std::string large = dir.filePath("00000002").toStdString();
    WriteLog(small, 10000);
    WriteLog(large, 100000);
    const long smallPeak = PeakInChild(small, dir.filePath("a").toStdString());
    const long largePeak = PeakInChild(large, dir.filePath("b").toStdString());
    ASSERT_GT(smallPeak, 0);
    ASSERT_GT(largePeak, 0);
    std::printf("peak RSS: 10,000 rows %ld kB, 100,000 rows %ld kB\n", smallPeak, largePeak);
    EXPECT_LT(largePeak - smallPeak, 16 * 1024);
}

}   // namespace
