#include "engines/report/ReportLayout.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include "../../support/ReportTestApp.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using brine_test::CommandOutput;

using report::CReportDefinition;
using report::CReportLayout;
using report::CVectorRows;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "report_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the other statics at exit can crash.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

CReportDefinition ChartListDefinition()
{
    CReportDefinition def;
    def.titles = {"Installed Chart List", "Sample area"};
    def.columns = {{"Chart", 1.0, report::Align::Left},
                   {"Title", 4.0, report::Align::Left},
                   {"Scale", 1.3, report::Align::Right}};
    return def;
}

std::vector<std::vector<std::string>> ChartRows(int count)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({"GB" + std::to_string(1000 + i),
                        "Admiralty Inlet part " + std::to_string(i),
                        "1:" + std::to_string(20000 + i)});
    return rows;
}

std::size_t Occurrences(const std::string& text, const std::string& word)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

// Every row lands on exactly one page, in order; the headings and the page
// footer come on every page, the total once at the end; pdfinfo counts the
// pages the layout measured.
TEST(ReportLayout, PdfHoldsEveryRowInOrderWithHeadingsOnEachPage)
{
    App();
    CVectorRows rows(ChartRows(300));
    CReportLayout layout(ChartListDefinition(), rows, report::DefaultPageSize());
    ASSERT_TRUE(layout.Paginate());
    ASSERT_GT(layout.PageCount(), 3);
    EXPECT_EQ(layout.PageOfRow(0), 0);
    EXPECT_EQ(layout.PageOfRow(299), layout.PageCount() - 1);
    EXPECT_EQ(layout.PageOfRow(300), -1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("charts.pdf"));
    QString error;
    ASSERT_TRUE(report::WriteReportPdf(layout, path, error)) << error.toStdString();
    const std::string quoted = "'" + path.toStdString() + "'";
    const std::string info = CommandOutput("pdfinfo " + quoted);
    const std::size_t pagesAt = info.find("Pages:");
    ASSERT_NE(pagesAt, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pagesAt + 6)), layout.PageCount());
    const std::string text = CommandOutput("pdftotext -layout " + quoted + " -");
    EXPECT_EQ(Occurrences(text, "Installed Chart List"), std::size_t(layout.PageCount()));
    EXPECT_EQ(Occurrences(text, "Title"), std::size_t(layout.PageCount()));
    EXPECT_NE(text.find("Page 1 of " + std::to_string(layout.PageCount())), std::string::npos);
    EXPECT_NE(text.find("Page " + std::to_string(layout.PageCount()) + " of"), std::string::npos);
    std::size_t at = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string number = "GB" + std::to_string(1000 + i);
        const std::size_t found = text.find(number, at);
        ASSERT_NE(found, std::string::npos) << number << " missing or out of order";
        EXPECT_NE(text.find("1:" + std::to_string(20000 + i), found), std::string::npos);
        at = found + 1;
    }
    EXPECT_EQ(Occurrences(text, "Total: 300"), 1u);
}

// A cell longer than its column wraps onto more lines instead of being cut;
// an empty table still prints its headings and a zero total.
TEST(ReportLayout, LongCellsWrapAndEmptyTablesPrint)
{
    App();
    const std::string longTitle =
        "Puget Sound northern part Admiralty Inlet Port Townsend Marrowstone Point Foulweather "
        "Bluff Point No Point Possession Sound Everett Elliott Bay Seattle Harbour";
    CVectorRows rows({{"GB1001", longTitle, "1:50000"}});
    CReportLayout layout(ChartListDefinition(), rows, report::DefaultPageSize());
    ASSERT_TRUE(layout.Paginate());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    QString error;
    ASSERT_TRUE(report::WriteReportPdf(layout, path, error));
    std::string text = CommandOutput("pdftotext '" + path.toStdString() + "' -");
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    for (const char* word : {"Puget", "Foulweather", "Elliott", "Harbour"})
        EXPECT_NE(text.find(word), std::string::npos) << word;

    // A landscape report goes out as the paper turned, and its words stay whole.
    CReportDefinition wide = ChartListDefinition();
    wide.landscape = true;
    CReportLayout turned(wide, rows, report::DefaultPageSize(true));
    ASSERT_TRUE(turned.Paginate());
    ASSERT_TRUE(report::WriteReportPdf(turned, path, error));
    const std::string info = CommandOutput("pdfinfo '" + path.toStdString() + "'");
    EXPECT_NE(info.find("842 x 595"), std::string::npos) << info;
    EXPECT_NE(CommandOutput("pdftotext '" + path.toStdString() + "' -").find("Marrowstone"),
              std::string::npos);

    CVectorRows none({});
    CReportLayout empty(ChartListDefinition(), none, report::DefaultPageSize());
    ASSERT_TRUE(empty.Paginate());
    EXPECT_EQ(empty.PageCount(), 1);
    ASSERT_TRUE(report::WriteReportPdf(empty, path, error));
    const std::string emptyText = CommandOutput("pdftotext -layout '" + path.toStdString() + "' -");
    EXPECT_NE(emptyText.find("Total: 0"), std::string::npos);
    EXPECT_NE(emptyText.find("Scale"), std::string::npos);
}

// A PDF that cannot be written says why and leaves an older file whole;
// a cancelled measuring pass leaves no pages.
TEST(ReportLayout, FailuresAreReportedAndLoseNothing)
{
    App();
    CVectorRows rows(ChartRows(200));
    CReportLayout layout(ChartListDefinition(), rows, report::DefaultPageSize());
    EXPECT_FALSE(layout.Paginate([] { return true; }));
    EXPECT_EQ(layout.PageCount(), 0);
    ASSERT_TRUE(layout.Paginate());

    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(report::WriteReportPdf(layout, dir.filePath("no/such/folder/x.pdf"), error));
    EXPECT_FALSE(error.isEmpty());

    const QString old = dir.filePath(QStringLiteral("old.pdf"));
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("older report");
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    error.clear();
    const bool wrote = report::WriteReportPdf(layout, old, error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!wrote) {   // root writes anywhere; otherwise the old file must be whole
        EXPECT_FALSE(error.isEmpty());
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("older report"));
    }
}

// The preview pages with its keys, shows "Page n of m", and its search goes
// to the page of the row found, wrapping round to the first match.
TEST(ReportPreview, PagesKeysAndSearch)
{
    App();
    auto* preview = new report::CReportPreview(
        ChartListDefinition(), std::make_unique<CVectorRows>(ChartRows(300)), nullptr, "x.pdf");
    preview->show();
    preview->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
    // The keys go to the page itself, where the scroll area would take them.
    QWidget* page = preview->findChild<QWidget*>(QStringLiteral("ReportPage"));
    ASSERT_NE(page, nullptr);
    page->setFocus();
    const int pages = preview->PageCount();
    ASSERT_GT(pages, 3);
    auto* label = preview->findChild<QLabel*>(QStringLiteral("ReportPageNumber"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Page 1 of %1").arg(pages));
    QTest::keyClick(page, Qt::Key_PageDown);
    QTest::keyClick(page, Qt::Key_PageDown);
    EXPECT_EQ(preview->Page(), 2);
    EXPECT_EQ(label->text(), QStringLiteral("Page 3 of %1").arg(pages));
    QTest::keyClick(page, Qt::Key_End);
    QTest::keyClick(page, Qt::Key_PageDown);   // stays on the last page
    EXPECT_EQ(preview->Page(), pages - 1);
    QTest::keyClick(page, Qt::Key_Home);
    EXPECT_EQ(preview->Page(), 0);

    EXPECT_TRUE(preview->Find(QStringLiteral("gb1299")));
    EXPECT_EQ(preview->Page(), pages - 1);
    EXPECT_TRUE(preview->Find(QStringLiteral("GB1000")));   // wraps round
    EXPECT_EQ(preview->Page(), 0);
    EXPECT_FALSE(preview->Find(QStringLiteral("Nowhere")));

    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(preview->SaveAsPdf(dir.filePath("saved.pdf"), error));
    EXPECT_NE(CommandOutput("pdftotext '" + dir.filePath("saved.pdf").toStdString() + "' -")
                  .find("GB1299"),
              std::string::npos);
    delete preview;
}

// A landscape page in a window narrower than the page is shown whole across
// the window until the user zooms; after that the window's size leaves the
// zoom alone.
TEST(ReportPreview, AWidePageFitsTheWindowUntilTheUserZooms)
{
    App();
    CReportDefinition definition = ChartListDefinition();
    definition.landscape = true;
    auto* preview = new report::CReportPreview(
        definition, std::make_unique<CVectorRows>(ChartRows(40)), nullptr, "x.pdf");
    preview->resize(700, 600);
    preview->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    QWidget* page = preview->findChild<QWidget*>(QStringLiteral("ReportPage"));
    auto* scroll = preview->findChild<QScrollArea*>();
    ASSERT_NE(page, nullptr);
    ASSERT_NE(scroll, nullptr);
    EXPECT_LE(page->width(), scroll->viewport()->width());
    EXPECT_GT(page->width(), scroll->viewport()->width() * 3 / 4);   // not shrunk beyond need

    QAction* zoomIn = nullptr;
    for (QAction* action : preview->findChildren<QAction*>())
        if (action->text() == QStringLiteral("Zoom In"))
            zoomIn = action;
    ASSERT_NE(zoomIn, nullptr);
    zoomIn->trigger();
    const int zoomed = page->width();
    EXPECT_GT(zoomed, scroll->viewport()->width());
    preview->resize(500, 600);
    QApplication::processEvents();
    EXPECT_EQ(page->width(), zoomed);
    delete preview;
}

}   // namespace
