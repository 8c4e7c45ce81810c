#include "charts/ui/ChartListReport.h"

#include "db/DBARCSCat.h"
#include "engines/report/ReportOutput.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using charts::ChartListDate;
using charts::ChartScaleText;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "chartlist_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the other statics at exit can crash.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

struct Chart {
    const char* no;
    const char* desc;
    std::int32_t scale;
    const char* chcdid;
    const char* chcddop;
    const char* upcddop;
    std::uint8_t source;
};

void WriteCatalogue(const fs::path& folder, const std::vector<Chart>& charts)
{
    db::CDBARCSCat cat;
    cat.SetName("Cat");
    cat.SetFolder(folder.string());
    ASSERT_TRUE(cat.Open(false));
    for (const Chart& chart : charts) {
        cat.ClearRecord();
        cat.m_no = chart.no;
        cat.m_desc = chart.desc;
        cat.m_scale = chart.scale;
        cat.m_chcdid = chart.chcdid;
        cat.m_chcddop = chart.chcddop;
        cat.m_upcdid = "Wk01_07";
        cat.m_upcddop = chart.upcddop;
        cat.m_source = chart.source;
        ASSERT_TRUE(cat.AppendNew());
    }
    cat.Close();
}

TEST(ChartListReport, ScalesAndDatesAsPrinted)
{
    App();
    EXPECT_EQ(ChartScaleText(0, QLocale(QLocale::English, QLocale::UnitedKingdom)),
              "Sheet of Plans");
    EXPECT_EQ(ChartScaleText(50000, QLocale(QLocale::English, QLocale::UnitedKingdom)), "1:50,000");
    EXPECT_EQ(ChartScaleText(50000, QLocale(QLocale::German, QLocale::Germany)), "1:50.000");
    EXPECT_EQ(ChartListDate("19991231"), "31/12/1999");
    // Anything but eight digits prints as it stands, never cut out of range.
    for (const char* odd : {"", "1999123", "31/12/99", "1999-12-31"})
        EXPECT_EQ(ChartListDate(odd), odd);
}

// Rows come in chart-number order; chart files follow bit 0 of SOURCE and
// update files bit 1; an update medium's chart date is copied unchanged.
TEST(ChartListReport, RowsFromTheCatalogueAndToPdf)
{
    App();
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    WriteCatalogue(folder, {{"4360", "Port Townsend", 25000, "ARCS 2", "20070105", "", 1},
                            {"2531", "Puget Sound Sheet", 0, "update", "05/01/07", "20070112", 2},
                            {"3000", "Admiralty Inlet", 50000, "ARCS 1", "19991231", "x", 3}});
    const charts::CChartListSources sources{"/media/cdrom", "/home/nav/Charts"};
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    std::vector<std::vector<std::string>> rows;
    std::string error;
    ASSERT_TRUE(charts::ReadChartList(folder, true, sources, british, rows, error)) << error;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], "2531");
    EXPECT_EQ(rows[1][1], "3000");
    EXPECT_EQ(rows[2][1], "4360");
    EXPECT_EQ(rows[0][3], "Sheet of Plans");
    EXPECT_EQ(rows[0][5], "05/01/07");   // an update medium's date as it stands
    EXPECT_EQ(rows[0][7], "12/01/2007");
    EXPECT_EQ(rows[0][8], "/media/cdrom");   // bit 0 clear: chart files on the medium
    EXPECT_EQ(rows[0][9], "/home/nav/Charts");   // bit 1 set: updates on disk
    EXPECT_EQ(rows[2][8], "/home/nav/Charts");
    EXPECT_EQ(rows[2][9], "/media/cdrom");
    EXPECT_EQ(rows[1][3], "1:50,000");
    EXPECT_EQ(rows[1][5], "31/12/1999");
    EXPECT_EQ(rows[1][7], "x");
    EXPECT_EQ(rows[1][0], "ARCS - United Kingdom Hydrographic Office");

    std::vector<std::vector<std::string>> plain;
    ASSERT_TRUE(charts::ReadChartList(folder, false, sources, british, plain, error));
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(plain[1], (std::vector<std::string>{"3000", "Admiralty Inlet", "1:50,000", "ARCS 1",
                                                  "Wk01_07"}));

    // The shipped definitions lay the lists out (no user copy here).
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    std::vector<std::vector<std::string>> folio;
    ASSERT_TRUE(charts::ReadChartFolio(folder, sources, british, folio, error));
    report::CReportDefinition definition;
    std::unique_ptr<report::CReportRows> source;
    ASSERT_TRUE(
        charts::MakeChartListReport(false, BRINE_REPORTS_DIR, folio, definition, source, error))
        << error;
    ASSERT_EQ(source->Count(), 3u);
    std::vector<std::string> cells;
    source->Row(1, cells);
    EXPECT_EQ(cells, plain[1]);
    report::CReportDefinition fullDefinition;
    std::unique_ptr<report::CReportRows> fullSource;
    ASSERT_TRUE(charts::MakeChartListReport(true, BRINE_REPORTS_DIR, folio, fullDefinition,
                                            fullSource, error))
        << error;
    EXPECT_TRUE(fullDefinition.landscape);
    fullSource->Row(0, cells);
    EXPECT_EQ(cells, rows[0]);
    report::CReportLayout layout(definition, *source, report::DefaultPageSize());
    ASSERT_TRUE(layout.Paginate());
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    QString pdfError;
    ASSERT_TRUE(report::WriteReportPdf(layout, pdf, pdfError)) << pdfError.toStdString();
    std::string text;
    if (FILE* pipe = popen(("pdftotext -layout '" + pdf.toStdString() + "' -").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (std::size_t got; (got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            text.append(buffer.data(), got);
        pclose(pipe);
    }
    const std::size_t first = text.find("2531"), second = text.find("3000"),
                      third = text.find("4360");
    ASSERT_NE(third, std::string::npos) << text;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    for (const char* expected :
         {"Installed Chart List Report", "Sheet of Plans", "1:50,000", "Total: 3", "Page 1 of 1"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

TEST(ChartListReport, NoCatalogueIsAnEmptyList)
{
    App();
    QTemporaryDir dir;
    std::vector<std::vector<std::string>> rows{{"stale"}};
    std::string error;
    EXPECT_TRUE(charts::ReadChartList(dir.path().toStdString(), false, {}, QLocale(), rows, error));
    EXPECT_TRUE(rows.empty());
}

}   // namespace
