// Printing a report through CUPS: a scheduler of the test's own (its own
// folders and socket, a queue whose backend writes each job to a file) takes
// the job, lpstat lists it completed, and the file it printed is the PDF of
// every row on the measured number of pages. Skipped when the CUPS programs
// are missing or the scheduler cannot start here.
#include "db/DBReportTable.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportRun.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t got; (got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    return out;
}

bool Have(const char* program)
{
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// A scheduler in `root`, listening on a socket there only; stopped with the object.
class PrivateScheduler {
public:
    explicit PrivateScheduler(const fs::path& root) : m_root(root) { }
    ~PrivateScheduler()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    fs::path Socket() const { return m_root / "cups.sock"; }
    fs::path Out() const { return m_root / "out"; }
    std::string Log() const
    {
        return CommandOutput("tail -n 20 '" + (m_root / "error_log").string() + "'");
    }

    bool Start()
    {
        for (const char* dir : {"conf", "state", "cache", "spool", "tmp", "out", "bin/backend"})
            fs::create_directories(m_root / dir);
        // The backends and filters run as another user: they must reach these.
        const auto open = fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all;
        const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(m_root, readable);
        fs::permissions(m_root / "bin", readable);
        fs::permissions(m_root / "bin/backend", readable);
        fs::permissions(m_root / "tmp", open);
        fs::permissions(m_root / "out", open);
        for (const char* part : {"filter", "daemon", "notifier", "cgi-bin", "monitor", "driver"})
            if (fs::exists(fs::path("/usr/lib/cups") / part))
                fs::create_directory_symlink(fs::path("/usr/lib/cups") / part,
                                             m_root / "bin" / part);
        const fs::path backend = m_root / "bin/backend/testfile";
        {
            std::ofstream out(backend);
            out << "#!/bin/sh\n"
                   "# Writes the job's data to the file the device URI names.\n"
                   "[ $# -eq 0 ] && { echo 'file testfile \"Unknown\" \"Test file\"'; exit 0; }\n"
                   "out=${DEVICE_URI#testfile:}\n"
                   "if [ $# -ge 6 ]; then cat \"$6\" > \"$out.part\"; else cat > \"$out.part\"; "
                   "fi\n"
                   "mv \"$out.part\" \"$out\"\n";
        }
        fs::permissions(backend, readable);
        {
            std::ofstream conf(m_root / "conf/cupsd.conf");
            conf << "Listen " << Socket().string() << "\n"
                 << "LogLevel info\nWebInterface No\nBrowsing No\n"
                    "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                    "</Policy>\n";
        }
        {
            std::ofstream files(m_root / "conf/cups-files.conf");
            files << "ServerRoot " << (m_root / "conf").string() << "\n"
                  << "StateDir " << (m_root / "state").string() << "\n"
                  << "CacheDir " << (m_root / "cache").string() << "\n"
                  << "RequestRoot " << (m_root / "spool").string() << "\n"
                  << "TempDir " << (m_root / "tmp").string() << "\n"
                  << "ServerBin " << (m_root / "bin").string() << "\n"
                  << "DataDir /usr/share/cups\n"
                  << "ErrorLog " << (m_root / "error_log").string() << "\n"
                  << "AccessLog " << (m_root / "access_log").string() << "\n"
                  << "PageLog " << (m_root / "page_log").string() << "\n";
        }
        m_pid = fork();
        if (m_pid == 0) {
            const std::string conf = (m_root / "conf/cupsd.conf").string();
            const std::string files = (m_root / "conf/cups-files.conf").string();
            execlp("cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
            _exit(127);
        }
        if (m_pid < 0)
            return false;
        setenv("CUPS_SERVER", Socket().c_str(), 1);
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;   // it ended: it cannot run here
                return false;
            }
            if (fs::exists(Socket()) &&
                CommandOutput("lpstat -r 2>&1").find("is running") != std::string::npos)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

private:
    fs::path m_root;
    pid_t m_pid = -1;
};

report::CReportRequest NumberedRows(int count)
{
    report::CReportRequest request;
    request.definition.titles = {"Chartpoint Report - Printed"};
    request.definition.columns = {{"Name", 2, report::Align::Left, "NAME"},
                                  {"Area", 1, report::Align::Left, "AREA"}};
    request.fields = db::ReportChartpointFields();
    request.makeTable = db::MakeReportTable;
    request.fill = [count](report::CReportSink& sink, std::string&) {
        for (int i = 0; i < count; ++i) {
            sink.Cell("NAME") = "Mark " + std::to_string(1000 + i);
            sink.Cell("AREA") = "Admiralty Inlet";
            if (!sink.Append())
                return false;
        }
        return true;
    };
    return request;
}

TEST(CupsPrint, AJobThroughTheSchedulerCompletesWithEveryRow)
{
    for (const char* program : {"cupsd", "lpadmin", "lpstat", "pdftotext", "pdfinfo"})
        if (!Have(program))
            GTEST_SKIP() << program << " is not installed";
    QTemporaryDir dir;
    PrivateScheduler cups(dir.path().toStdString());
    if (!cups.Start())
        GTEST_SKIP() << "the scheduler cannot run here:\n" << cups.Log();
    const fs::path printed = cups.Out() / "job.pdf";
    ASSERT_EQ(std::system(("lpadmin -p BrineTest -v 'testfile:" + printed.string() +
                           "' -E >/dev/null 2>&1 && lpadmin -d BrineTest >/dev/null 2>&1")
                              .c_str()),
              0)
        << cups.Log();

    static int argc = 1;
    static char name[] = "cups_print_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    (void)app;

    report::CRunProgress progress;
    std::string error;
    report::CReportRequest request = NumberedRows(150);
    request.folder = dir.filePath(QStringLiteral("reports")).toStdString();
    auto filled =
        report::FillReport(std::move(request), report::DefaultPageSize(), {}, progress, error);
    ASSERT_TRUE(filled) << error;
    const int pages = filled->layout->PageCount();
    ASSERT_GE(pages, 2);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QStringLiteral("BrineTest"));
    ASSERT_TRUE(printer.isValid());
    printer.setCopyCount(0);   // raised to one copy
    QString printError;
    ASSERT_TRUE(report::PrintReport(*filled->layout, printer, printError))
        << printError.toStdString();
    EXPECT_EQ(printer.copyCount(), 1);

    // The job is listed completed and its file is in place.
    std::string completed;
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < until) {
        completed = CommandOutput("lpstat -W completed -o BrineTest 2>&1");
        if (completed.find("BrineTest-") != std::string::npos && fs::exists(printed))
            break;
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_NE(completed.find("BrineTest-"), std::string::npos) << completed << cups.Log();
    ASSERT_TRUE(fs::exists(printed)) << cups.Log();

    const std::string info = CommandOutput("pdfinfo '" + printed.string() + "'");
    const std::size_t at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + at + 6), pages);
    const std::string text = CommandOutput("pdftotext -layout '" + printed.string() + "' -");
    std::size_t from = 0;
    for (int i = 0; i < 150; ++i) {
        const std::size_t found = text.find("Mark " + std::to_string(1000 + i), from);
        ASSERT_NE(found, std::string::npos) << "row " << i;
        from = found + 1;
    }
    EXPECT_NE(text.find("Page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos);
    filled.reset();
}

}   // namespace
