// A report run's order and its failures, over a job whose printer and output
// are fakes: each step that fails stops the run, closes the report table
// (its files are gone when CloseReport runs, and CloseReport runs once),
// returns false, and tells the failure once, or nothing when the user
// cancelled. Printing is closed before Run returns; a preview keeps its rows
// until its window goes. "X.rpt" and "X" are one report; a user's copy of a
// definition wins.
#include "engines/report/ReportJob.h"
#include "db/DBReportTable.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stop_token>

namespace {

namespace fs = std::filesystem;
using report::ReportOutput;

std::size_t FilesIn(const fs::path& folder)
{
    std::error_code ec;
    std::size_t n = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
}

class FakeJob final : public report::CReportJob {
public:
    enum class Fail { None, NoPrinter, PrinterCancelled, FillStopped, Output };

    FakeJob(fs::path reports, Fail fail)
        : report::CReportJob(BRINE_REPORTS_DIR), reports(std::move(reports)), fail(fail)
    { }

    fs::path reports;
    Fail fail;
    std::vector<std::string> steps;
    std::vector<std::string> told;
    int closed = 0;
    std::size_t filesAtClose = 0;
    std::size_t filesAtOutput = 0;
    std::string title;
    std::unique_ptr<report::CFilledReport> window;   // a preview's rows

protected:
    bool ReadDefinition(report::CReportRequest& request, std::string& error) override
    {
        steps.push_back("definition " + request.name);
        const bool read = report::CReportJob::ReadDefinition(request, error);
        if (read && !request.definition.titleParts.empty())
            title = request.definition.titleParts.front().front().text;
        return read;
    }
    bool SelectPrinter(std::string& error) override
    {
        steps.push_back("printer");
        if (fail == Fail::NoPrinter)
            error = "No printer is available";
        return fail != Fail::NoPrinter && fail != Fail::PrinterCancelled;
    }
    std::unique_ptr<report::CFilledReport> Fill(report::CReportRequest request,
                                                std::string& error) override
    {
        steps.push_back("fill");
        if (fail != Fail::FillStopped)
            return report::CReportJob::Fill(std::move(request), error);
        std::stop_source stop;
        stop.request_stop();
        report::CRunProgress progress;
        return report::FillReport(std::move(request), report::DefaultPageSize(), stop.get_token(),
                                  progress, error);
    }
    bool Output(std::unique_ptr<report::CFilledReport>& filled, ReportOutput output,
                std::string& error) override
    {
        steps.push_back("output");
        filesAtOutput = FilesIn(reports);
        if (fail == Fail::Output) {
            error = "The printer BrineTest could not be started";
            return false;
        }
        if (output == ReportOutput::Preview)
            window = std::move(filled);
        return true;
    }
    void Tell(const std::string& message) override { told.push_back(message); }
    void CloseReport() override
    {
        ++closed;
        filesAtClose = FilesIn(reports);
    }
};

class ReportJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "report_job_test";
        static char* argv[] = {name, nullptr};
        static auto* app = new QApplication(argc, argv);
        (void)app;
        setenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit().constData(), 1);
    }
    fs::path Reports() const { return dir.filePath(QStringLiteral("reports")).toStdString(); }
    report::CReportRequest Request(const std::string& name, bool failingFill = false) const
    {
        report::CReportRequest request;
        request.name = name;
        request.fields = db::ReportChartpointFields();
        request.makeTable = db::MakeReportTable;
        request.formulas = {{"File_name", "Sound"}};
        request.folder = Reports();
        request.fill = [failingFill](report::CReportSink& sink, std::string& error) {
            for (int i = 0; i < 100; ++i) {
                sink.Cell("NAME") = "Mark " + std::to_string(i);
                if (!sink.Append())
                    return false;
                if (failingFill && i == 40) {
                    error = "The chartpoint table could not be read";
                    return false;
                }
            }
            return true;
        };
        return request;
    }

    QTemporaryDir dir;
};

TEST_F(ReportJobTest, EachFailingStepStopsClosesOnceAndTellsOnlyWhatFailed)
{
    struct Case {
        const char* what;
        std::string name;
        FakeJob::Fail fail;
        bool failingFill;
        ReportOutput output;
        std::vector<std::string> steps;
        const char* told;   // a piece of the one message, or null for none
        const char* heading = nullptr;   // an engine step's first line
    };
    const std::vector<Case> cases{
        {"missing definition",
         "NoSuch.rpt",
         FakeJob::Fail::None,
         false,
         ReportOutput::Print,
         {"definition NoSuch"},
         "NoSuch.rpt",
         "Error 1 trying to display/print report :\n"},
        {"no printer",
         "ChartPnt",
         FakeJob::Fail::NoPrinter,
         false,
         ReportOutput::Print,
         {"definition ChartPnt", "fill", "printer"},
         "No printer"},
        {"printer selection failed quietly",
         "ChartPnt",
         FakeJob::Fail::PrinterCancelled,
         false,
         ReportOutput::Print,
         {"definition ChartPnt", "fill", "printer"},
         nullptr},
        {"fill failed",
         "ChartPnt",
         FakeJob::Fail::None,
         true,
         ReportOutput::Pdf,
         {"definition ChartPnt", "fill"},
         "could not be read",
         "Error 2 trying to display/print report :\n"},
        {"fill stopped",
         "ChartPnt",
         FakeJob::Fail::FillStopped,
         false,
         ReportOutput::Preview,
         {"definition ChartPnt", "fill"},
         nullptr},
        {"output failed",
         "ChartPnt",
         FakeJob::Fail::Output,
         false,
         ReportOutput::Print,
         {"definition ChartPnt", "fill", "printer", "output"},
         "could not be started",
         "Error 3 trying to display/print report :\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeJob job(Reports(), c.fail);
        EXPECT_FALSE(job.Run(Request(c.name, c.failingFill), c.output));
        EXPECT_EQ(job.steps, c.steps);
        EXPECT_EQ(job.closed, 1);
        EXPECT_EQ(job.filesAtClose, 0u);
        if (c.told) {
            ASSERT_EQ(job.told.size(), 1u);
            EXPECT_NE(job.told[0].find(c.told), std::string::npos) << job.told[0];
            if (c.heading) {
                // The heading, then the report's path on its own line.
                EXPECT_EQ(job.told[0].rfind(c.heading, 0), 0u) << job.told[0];
                const std::string path = job.told[0].substr(std::string(c.heading).size());
                EXPECT_NE(path.find(".rpt\n"), std::string::npos) << job.told[0];
            } else {
                EXPECT_EQ(job.told[0].find("trying to display"), std::string::npos);
            }
        } else {
            EXPECT_TRUE(job.told.empty());
        }
        EXPECT_EQ(FilesIn(Reports()), 0u);
    }
}

TEST_F(ReportJobTest, PrintingClosesBeforeReturningAndAPreviewKeepsItsRows)
{
    FakeJob print(Reports(), FakeJob::Fail::None);
    ASSERT_TRUE(print.Run(Request("ChartPnt.rpt"), ReportOutput::Print));
    EXPECT_EQ(print.steps,
              (std::vector<std::string>{"definition ChartPnt", "fill", "printer", "output"}));
    EXPECT_GT(print.filesAtOutput, 0u);   // the table was there to print from
    EXPECT_EQ(print.closed, 1);
    EXPECT_EQ(print.filesAtClose, 0u);
    EXPECT_TRUE(print.told.empty());

    FakeJob preview(Reports(), FakeJob::Fail::None);
    ASSERT_TRUE(preview.Run(Request("ChartPnt"), ReportOutput::Preview));
    EXPECT_EQ(preview.steps, (std::vector<std::string>{"definition ChartPnt", "fill", "output"}));
    EXPECT_EQ(preview.closed, 0);
    ASSERT_TRUE(preview.window);
    EXPECT_EQ(preview.window->rows->Count(), 100u);
    EXPECT_GT(FilesIn(Reports()), 0u);
    preview.window.reset();   // the window closed
    EXPECT_EQ(FilesIn(Reports()), 0u);
}

TEST_F(ReportJobTest, AUserCopyWinsAndABadOneIsNamedWithItsLine)
{
    const fs::path user =
        dir.filePath(QStringLiteral("data/Quorwick/Brinevane/Reports")).toStdString();
    fs::create_directories(user);
    {
        std::ofstream out(user / "ChartPnt.rpt");
        out << "title Harbour marks {File_name}\ncolumn NAME 1 left wrap Name\n";
    }
    FakeJob own(Reports(), FakeJob::Fail::None);
    ASSERT_TRUE(own.Run(Request("ChartPnt"), ReportOutput::Pdf));
    EXPECT_EQ(own.title, "Harbour marks Sound");
    {
        std::ofstream out(user / "ChartPnt.rpt");
        out << "column NAME 1 left wrap Name\ncolour red\n";
    }
    FakeJob bad(Reports(), FakeJob::Fail::None);
    EXPECT_FALSE(bad.Run(Request("ChartPnt"), ReportOutput::Pdf));
    ASSERT_EQ(bad.told.size(), 1u);
    EXPECT_NE(bad.told[0].find("ChartPnt.rpt"), std::string::npos) << bad.told[0];
    EXPECT_NE(bad.told[0].find("line 2"), std::string::npos) << bad.told[0];
    EXPECT_EQ(bad.closed, 1);
    EXPECT_EQ(bad.steps, (std::vector<std::string>{"definition ChartPnt"}));
}

}   // namespace
