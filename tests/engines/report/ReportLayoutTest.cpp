#include "engines/report/ReportLayout.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPaintEngine>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include "../../support/ReportTestApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
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

// A page as drawn: each text line with its box, and the rules across the page
// (the one under the headings and the one over the footer). One unit is one
// point, as the layout draws.
class CPageRecorder final : public QPaintDevice {
public:
    struct Text {
        QString text;
        QRectF box;
    };

    explicit CPageRecorder(QSizeF page) : m_page(page) { }
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<Text>& Texts() const { return m_engine.texts; }
    const std::vector<double>& Rules() const { return m_engine.rules; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return int(m_page.width());
        case PdmHeight: return int(m_page.height());
        case PdmWidthMM: return int(m_page.width() * 25.4 / 72);
        case PdmHeightMM: return int(m_page.height() * 25.4 / 72);
        case PdmNumColors: return 256;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 72;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    struct Engine final : QPaintEngine {
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) { }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override { }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
        void drawPath(const QPainterPath&) override { }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
        void drawLines(const QLineF* lines, int count) override
        {
            for (int i = 0; i < count; ++i)
                if (lines[i].y1() == lines[i].y2())
                    rules.push_back(lines[i].y1());
        }
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            texts.push_back({item.text(), QRectF(p.x(), p.y() - item.ascent(), item.width(),
                                                 item.ascent() + item.descent())});
        }
        Type type() const override { return QPaintEngine::User; }

        std::vector<Text> texts;
        std::vector<double> rules;
    };

    QSizeF m_page;
    mutable Engine m_engine;
};

struct DrawnRow {
    int page;
    QRectF box;   // every line of every cell of the row
};

// The rows of a report as its pages draw them, by the text of their first
// cell ("GB..."), and the total line's page; each row found inside its page's
// body (between the rule under the headings and the rule over the footer) and
// on one page only, else the test fails.
struct DrawnReport {
    std::map<std::string, DrawnRow> rows;
    int totalPage = -1;
};

DrawnReport DrawReport(const CReportLayout& layout, std::size_t count)
{
    DrawnReport drawn;
    for (int page = 0; page < layout.PageCount(); ++page) {
        CPageRecorder recorder(layout.PageSize());
        {
            QPainter painter(&recorder);
            layout.DrawPage(painter, page);
        }
        std::vector<double> rules = recorder.Rules();
        EXPECT_EQ(rules.size(), 2u) << "page " << page;
        if (rules.size() < 2)
            continue;
        std::sort(rules.begin(), rules.end());
        const double bodyTop = rules.front(), bodyBottom = rules.back();
        std::map<std::string, QRectF> onPage;
        // Lines of a row start at its first cell's line (the cells are
        // drawn in order, a row's first cell first).
        std::string current;
        for (const auto& text : recorder.Texts()) {
            const std::string line = text.text.toStdString();
            if (line.rfind("Total:", 0) == 0) {
                EXPECT_EQ(drawn.totalPage, -1) << "a second total line on page " << page;
                drawn.totalPage = page;
                EXPECT_GE(text.box.top(), bodyTop);
                EXPECT_LE(text.box.bottom(), bodyBottom) << "the total line runs into the footer";
                continue;
            }
            // The footer's date may come as more than one piece of text.
            const bool footer = text.text.startsWith(QStringLiteral("Page ")) ||
                                layout.DateText().contains(text.text.trimmed());
            if (line.rfind("GB", 0) == 0) {
                current = line;
                EXPECT_EQ(onPage.count(line), 0u) << line << " twice on page " << page;
                onPage[line] = text.box;
            } else if (!current.empty() && !footer) {
                onPage[current] |= text.box;
            }
        }
        for (const auto& [name, box] : onPage) {
            EXPECT_GE(box.top(), bodyTop) << name << " over the headings on page " << page;
            EXPECT_LE(box.bottom(), bodyBottom)
                << name << " runs past the body into the footer of page " << page;
            const auto [at, fresh] = drawn.rows.insert({name, {page, box}});
            EXPECT_TRUE(fresh) << name << " drawn on page " << at->second.page << " and " << page;
        }
    }
    EXPECT_EQ(drawn.rows.size(), count);
    return drawn;
}

// How often each row's chart number is in the text of each page of the PDF.
std::map<std::string, std::vector<int>> PdfRowPages(const std::string& pdf, int pages)
{
    std::map<std::string, std::vector<int>> found;
    for (int page = 1; page <= pages; ++page) {
        const std::string n = std::to_string(page);
        const std::string text =
            CommandOutput("pdftotext -layout -f " + n + " -l " + n + " '" + pdf + "' -");
        for (std::size_t at = text.find("GB"); at != std::string::npos;
             at = text.find("GB", at + 1))
            found[text.substr(at, 6)].push_back(page - 1);
    }
    return found;
}

int PdfPages(const std::string& pdf)
{
    const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// Reports whose rows overflow a page by one row (a single line, or a row
// wrapped to several lines that would fit only as one) and by exactly a
// page: every row is drawn once, on one page, inside the body, the page
// count is what the rows need, and the PDF holds each row once, on the page
// the layout drew it on. A report without totals ends with its last row: no
// page of headings alone.
TEST(ReportLayout, RowsThatOverflowAPageMoveWholeToTheNext)
{
    App();
    // Rows a full page holds, from a long report's first page.
    std::size_t perPage = 0;
    {
        CVectorRows rows(ChartRows(200));
        CReportLayout layout(ChartListDefinition(), rows, report::DefaultPageSize());
        ASSERT_TRUE(layout.Paginate());
        const DrawnReport drawn = DrawReport(layout, 200);
        perPage = std::size_t(std::count_if(drawn.rows.begin(), drawn.rows.end(),
                                            [](const auto& row) { return row.second.page == 0; }));
        ASSERT_GT(perPage, 10u);
    }

    std::vector<std::vector<std::string>> tall = ChartRows(int(perPage) + 1);
    tall.back()[1] = "Admiralty Inlet, Port Townsend, Marrowstone Point, Foulweather Bluff, "
                     "Point No Point, Possession Sound, Everett, Elliott Bay and the harbour";
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> rows;
        bool total;
        int pages;   // -1: two or three, as the total line fits after the rows
    };
    const Case cases[] = {
        {"one row over", ChartRows(int(perPage) + 1), true, 2},
        {"a wrapped row over", tall, true, 2},
        {"one row over, no totals", ChartRows(int(perPage) + 1), false, 2},
        {"a page over", ChartRows(2 * int(perPage)), true, -1},
        {"a page over, no totals", ChartRows(2 * int(perPage)), false, 2},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CReportDefinition def = ChartListDefinition();
        def.rowCountTotal = c.total;
        CVectorRows rows(c.rows);
        CReportLayout layout(def, rows, report::DefaultPageSize());
        ASSERT_TRUE(layout.Paginate());
        if (c.pages > 0) {
            EXPECT_EQ(layout.PageCount(), c.pages);
        } else {
            EXPECT_TRUE(layout.PageCount() == 2 || layout.PageCount() == 3) << layout.PageCount();
        }
        const DrawnReport drawn = DrawReport(layout, c.rows.size());
        // Page one is full, the rows after it on page two.
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const auto row = drawn.rows.find(c.rows[i][0]);
            ASSERT_NE(row, drawn.rows.end()) << c.rows[i][0];
            EXPECT_EQ(row->second.page, i < perPage ? 0 : 1) << c.rows[i][0];
            EXPECT_EQ(layout.PageOfRow(i), row->second.page) << c.rows[i][0];
        }
        EXPECT_EQ(drawn.totalPage, c.total ? layout.PageCount() - 1 : -1);
        // Every page carries a row or the total line.
        for (int page = 0; page < layout.PageCount(); ++page) {
            const bool used = page == drawn.totalPage ||
                              std::any_of(drawn.rows.begin(), drawn.rows.end(),
                                          [&](const auto& row) { return row.second.page == page; });
            EXPECT_TRUE(used) << "page " << page << " holds no row";
        }

        const std::string pdf = dir.filePath(QStringLiteral("rows.pdf")).toStdString();
        QString error;
        ASSERT_TRUE(report::WriteReportPdf(layout, QString::fromStdString(pdf), error))
            << error.toStdString();
        EXPECT_EQ(PdfPages(pdf), layout.PageCount());
        const auto inPdf = PdfRowPages(pdf, layout.PageCount());
        EXPECT_EQ(inPdf.size(), c.rows.size());
        for (const auto& [name, pages] : inPdf) {
            ASSERT_EQ(pages.size(), 1u) << name << " is in the PDF " << pages.size() << " times";
            const auto row = drawn.rows.find(name);
            ASSERT_NE(row, drawn.rows.end()) << name;
            EXPECT_EQ(pages[0], row->second.page) << name;
        }
    }
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
