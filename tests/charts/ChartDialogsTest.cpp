// What the raster chart dialogs list and do, on charts installed from fake
// media: "Open Chart" (find wrapping and matching case, charts the catalogue
// lacks), "Charts Available" ordered by scale, the notes of a panel and the
// jump to one, the notices' titles, and Custom Chart Management moving
// charts between the medium and the disk.

#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "support/InstallFixture.h"

#include "app/WaitStatus.h"
#include "charts/hcrf/ChartChoices.h"
#include "charts/hcrf/CustomChartList.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

using brine_test::Installation;

// Three charts catalogued from the update medium; installed from the chart
// medium when `express`.
void Install(Installation& in, bool express)
{
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    if (express) {
        ASSERT_TRUE(in.InstallCharts());
    }
    in.charting->BuildChartFolio();
}

TEST(ChartDialogs, OpenChartFindWrapsMatchesCaseAndNeedsACataloguedChart)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, true);
    COpenChartList list;
    list.Fill(in.charting->GetFolio());
    ASSERT_EQ(list.Rows().size(), 3u);
    EXPECT_EQ(list.Rows()[0].number, "RC1001");
    EXPECT_EQ(list.Rows()[2].description, "Chart RC3003");
    EXPECT_EQ(list.DescriptionLine(1), "Chart RC2002  (1:50000)");

    // From the row after the selected one, wrapping, either column.
    EXPECT_EQ(list.Find("rc", false, std::nullopt), 0u);
    EXPECT_EQ(list.Find("rc", false, 0u), 1u);
    EXPECT_EQ(list.Find("rc", false, 2u), 0u);   // the last selected: from the first row
    EXPECT_EQ(list.Find("2002", false, 1u), 1u);   // round every row back to itself
    EXPECT_EQ(list.Find("chart rc3", false, 0u), 2u);
    // Match case: the descriptions say "Chart", the numbers "RC".
    EXPECT_EQ(list.Find("chart", true, std::nullopt), std::nullopt);
    EXPECT_EQ(list.Find("rc", true, std::nullopt), std::nullopt);
    EXPECT_EQ(list.Find("Chart RC2", true, std::nullopt), 1u);
    EXPECT_EQ(list.Find("", false, std::nullopt), std::nullopt);
    EXPECT_EQ(list.Find("RC9", false, 1u), std::nullopt);

    const std::string path = list.ChosenPath(2);
    EXPECT_EQ(fs::path(path), in.arcs->ChartFilePath(true, "RC3003", "chr"));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(list.ChosenPath(7), "");

    // A chart the catalogue no longer holds cannot be chosen.
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    in.Cat().DeleteRecord();
    in.Cat().FlushIfOpen();
    EXPECT_EQ(list.ChosenPath(2), "");
    EXPECT_FALSE(list.ChosenPath(0).empty());
}

TEST(ChartDialogs, ChartsAvailableAreOrderedByScaleWithTheShownChartFound)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, true);
    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 400, 300};
    CHCRFDoc doc(in.charting.get(), in.arcs);
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC2002")));
    doc.RebuildFolio();

    const auto rows = ChartsAtPosition(doc.Folio(), geo::CPosition(50.7, -1.2));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].number, "RC3003");
    EXPECT_EQ(ScaleText(rows[0].scale), "1:12500");
    EXPECT_EQ(rows[1].number, "RC2002");
    EXPECT_EQ(rows[2].number, "RC1001");
    EXPECT_EQ(rows[2].description, "Chart RC1001");
    EXPECT_EQ(RowOfChart(rows, "rc2002", 0), 1u);
    EXPECT_EQ(RowOfChart(rows, "RC2002", 4), 1u);   // no such plan: its main chart
    EXPECT_EQ(RowOfChart(rows, "RC9999", 0), std::nullopt);
    // Only the overview reaches out there; nothing covers the open sea far off.
    const auto edge = ChartsAtPosition(doc.Folio(), geo::CPosition(50.95, -1.2));
    ASSERT_EQ(edge.size(), 1u);
    EXPECT_EQ(edge[0].number, "RC1001");
    EXPECT_TRUE(ChartsAtPosition(doc.Folio(), geo::CPosition(10.0, 10.0)).empty());
}

TEST(ChartDialogs, NotesNameTheirTypesAndGotoBringsTheNoteToTheMiddle)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, true);
    brine_test::FakeChartWindow window;
    window.client = geo::IntRect{0, 0, 200, 160};
    CHCRFDoc doc(in.charting.get(), in.arcs);
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    // The writer's notes: a note and a caution; the withdrawn "ZZ" record is left out.
    const auto lines = doc.NoteLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Note");
    EXPECT_EQ(lines[1].text, "Caution");

    const CNoteRecord& note = lines[1].note;
    ASSERT_TRUE(doc.GotoNote(note));
    EXPECT_EQ(doc.ActiveRaster(), CHCRFDoc::kHigh);
    EXPECT_EQ(doc.DisplayScale(), 1.0);
    geo::IntPoint client;
    doc.ChartToClientPoint({(note.x1 + note.x2) / 2, (note.y1 + note.y2) / 2}, client);
    EXPECT_NEAR(client.x, 100, 1);
    EXPECT_NEAR(client.y, 80, 1);

    // A type the table does not know is shown as it is stored.
    fs::remove(in.arcs->UpdateSourcePath("WK10_26") / "Misc" / "notetype.tab");
    CHCRFDoc again(in.charting.get(), in.arcs);
    ASSERT_TRUE(again.OpenChart(in.arcs->GetCataloguedChartPath("RC1001")));
    ASSERT_EQ(again.NoteLines().size(), 2u);
    EXPECT_EQ(again.NoteLines()[1].text, "CA");
}

TEST(ChartDialogs, NoticesAreListedAndTitledWithTheYearsCentury)
{
    brine_test::TempFolder dir;
    EXPECT_TRUE(ListNoticeFiles(dir.Path()).empty());
    EXPECT_TRUE(ListNoticeFiles(dir / "missing").empty());
    for (const char* name : {"26020002.txt", "96010001.TXT", "readme.doc"})
        std::ofstream(dir / name) << "SAMPLE\r\nCaf\xE9 wreck\r\n";
    fs::create_directories(dir / "folder.txt");
    EXPECT_EQ(ListNoticeFiles(dir.Path()),
              (std::vector<std::string>{"26020002.txt", "96010001.TXT"}));

    // Characters 4 to 8 of the name, then the year.
    EXPECT_EQ(NoticeTitle("26T00002.txt"), "NTM #:00002 2026");
    EXPECT_EQ(NoticeTitle("96010001.TXT"), "NTM #:10001 1996");
    EXPECT_EQ(NoticeTitle("94999999.txt"), "NTM #:99999 2094");
    // A short name gives what it holds, never part of its extension.
    EXPECT_EQ(NoticeTitle("95123.txt"), "NTM #:23 1995");
    EXPECT_EQ(NoticeTitle("951.txt"), "NTM #: 1995");
    EXPECT_EQ(NoticeTitle("9"), "NTM #: ");
    // Stored as Windows-1252, shown as UTF-8.
    EXPECT_EQ(ReadNoticeText(dir / "26020002.txt"), "SAMPLE\r\nCaf\xC3\xA9 wreck\r\n");
    EXPECT_EQ(ReadNoticeText(dir / "none.txt"), "");
}

TEST(ChartDialogs, CustomListFlipsSetsAllAndScrollsKeepingChoices)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, false);
    CCustomChartList list;
    list.Build(*in.arcs);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.EntryText(0), "0RC1001  ");
    EXPECT_EQ(list.Entry(1).date, "");
    EXPECT_EQ(list.Entry(1).id, "RC1");
    // Fewer than eight charts: the other rows are empty.
    EXPECT_EQ(list.Row(2).number, "RC3003");
    EXPECT_FALSE(list.Row(3).entry.has_value());
    EXPECT_FALSE(list.Row(7).entry.has_value());
    EXPECT_EQ(list.Details(std::nullopt), "No selection");
    EXPECT_EQ(list.Details(1u), "Chart RC2002 (1:50000)");

    // Flipping twice restores; an empty row's buttons do nothing.
    list.FlipChart(1);
    EXPECT_EQ(list.EntryText(1), "1RC2002  ");
    list.FlipUpdates(1);
    EXPECT_EQ(list.EntryText(1), "3RC2002  ");
    list.FlipChart(1);
    list.FlipChart(1);
    EXPECT_EQ(list.EntryText(1), "3RC2002  ");
    list.FlipChart(5);
    // Scrolling is limited to the list and keeps the choices made.
    list.ScrollPages(1);
    EXPECT_EQ(list.ScrollPosition(), 2);
    EXPECT_EQ(list.Row(0).number, "RC3003");
    list.FlipUpdates(0);
    list.ScrollLines(-5);
    EXPECT_EQ(list.ScrollPosition(), 0);
    EXPECT_TRUE(list.Row(1).chartOnDisk && list.Row(1).updatesOnDisk);
    EXPECT_TRUE(list.Row(2).updatesOnDisk && !list.Row(2).chartOnDisk);
    list.SetAll(CCustomChartList::kChartOnDisk, true);
    list.SetAll(CCustomChartList::kUpdatesOnDisk, false);
    EXPECT_EQ(list.EntryText(0), "1RC1001  ");
    EXPECT_EQ(list.EntryText(1), "1RC2002  ");
    EXPECT_EQ(list.EntryText(2), "1RC3003  ");
}

TEST(ChartDialogs, CustomApplyCopiesToTheDiskAndRelocatesBackToTheMedium)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, false);
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    CCustomChartList list;
    list.Build(*in.arcs);
    // Only the harbour chart comes to the disk: one medium prompt, one copy.
    list.FlipChart(2);
    in.ui.prompts.clear();
    in.ui.answers = {(dir / "RC1").string()};
    ASSERT_TRUE(list.Apply(*in.arcs));
    EXPECT_EQ(in.ui.prompts.size(), 1u);
    EXPECT_EQ(list.EntryText(2), "1RC3003  ");
    EXPECT_EQ(list.EntryText(0), "0RC1001  ");
    const fs::path chart = in.arcs->ChartFolder(true, "RC3003");
    EXPECT_TRUE(fs::exists(chart / "RC3003.chr"));
    EXPECT_FALSE(fs::exists(in.arcs->ChartFolder(true, "RC1001")));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_source, 1);

    // Back to the medium: the chart's folder and its group folder go, no
    // medium is asked for, and the record says so.
    list.FlipChart(2);
    in.ui.prompts.clear();
    ASSERT_TRUE(list.Apply(*in.arcs));
    EXPECT_TRUE(in.ui.prompts.empty());
    EXPECT_FALSE(fs::exists(chart));
    EXPECT_FALSE(fs::exists(chart.parent_path()));
    EXPECT_TRUE(fs::exists(in.arcs->ChartTree(true)));
    ASSERT_TRUE(in.Cat().SeekKey("RC3003"));
    EXPECT_EQ(in.Cat().m_source, 0);
    EXPECT_EQ(list.EntryText(2), "0RC3003  ");

    // A read-only catalogue is not relocated.
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), true));
    EXPECT_FALSE(in.arcs->RelocateCharts({{0, "RC3003"}}));
}

// What the wait state shows on the status bar.
struct StatusRecorder final : app::CWaitHost {
    void SetWaitCursor(bool) override { }
    std::optional<std::string> StatusText() const override { return text; }
    void SetStatusText(const std::string& t) override { text = t; }
    void ShowProgress(const std::string& t, int n) override
    {
        shown.push_back(text + " | " + t);
        ranges.push_back(n);
    }
    void StepProgress() override { ++steps; }
    void HideProgress() override { ++hidden; }
    std::string text = "Ready";
    std::vector<std::string> shown;
    std::vector<int> ranges;
    int steps = 0;
    int hidden = 0;
};

TEST(ChartDialogs, FolioBuildAndRelocationShowTheirProgressUnderTheWaitState)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    Install(in, false);
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));
    StatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    in.charting->BuildChartFolio();
    const int folioSteps = status.steps;
    EXPECT_TRUE(in.arcs->RelocateCharts({{0, "RC1001"}, {0, "RC2002"}}));
    app::CWaitStatus::SetStatusHost(nullptr);
    EXPECT_EQ(status.shown, (std::vector<std::string>{"Please Wait . . . | Building chart folio",
                                                      "Please Wait . . . | Relocating Charts"}));
    // The folio's progress runs over the chart catalogue's records, a step each.
    const long records = in.arcs->Catalogue().GetRecordCount();
    ASSERT_GT(records, 0);
    ASSERT_EQ(status.ranges.size(), 2u);
    EXPECT_EQ(status.ranges[0], records);
    EXPECT_EQ(folioSteps, records);
    EXPECT_EQ(status.steps - folioSteps, 2);
    EXPECT_EQ(status.hidden, 2);
    EXPECT_EQ(status.text, "Ready");
}

// Updates and Express show each stage's progress on the status bar beside
// their dialogs, and take it away again when the stage ends.
TEST(ChartDialogs, InstallationStagesShowTheirProgressOnTheStatusBar)
{
    brine_test::TempFolder dir;
    Installation in(dir.Path());
    in.MakeCharts(false);
    StatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    const bool seeded = in.SeedCatalogue();
    const int updateSteps = status.steps;
    const bool installed = in.InstallCharts();
    app::CWaitStatus::SetStatusHost(nullptr);
    ASSERT_TRUE(seeded && installed);
    EXPECT_EQ(status.shown, (std::vector<std::string>{"Please Wait . . . | Installing Update Data",
                                                      "Please Wait . . . | Building chart folio",
                                                      "Please Wait . . . | Processing Updates",
                                                      "Please Wait . . . | Processing Charts",
                                                      "Please Wait . . . | Processing Charts"}));
    EXPECT_GE(updateSteps, 3) << "a step per chart of the medium";
    EXPECT_EQ(status.steps - updateSteps, 6) << "a step per chart in each stage that has it";
    EXPECT_EQ(status.hidden, 5);
    EXPECT_EQ(status.text, "Ready");
}

}   // namespace
