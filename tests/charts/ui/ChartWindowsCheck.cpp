// The chart information texts and the "Chart Info" panel over the sample
// harbour cell (imported with its update) and a blank chart: every text from
// the document, nothing without one, and the active chart followed at the
// next update pass. The vector charts' disclaimer and management page.
#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include "../../support/FakeChartWindow.h"
#include "FileSettingsHome.h"
#include "TempFolder.h"
#include "app/CommandTable.h"
#include "app/ui/PropertySheet.h"
#include "chart/ChartInfoTexts.h"
#include "chart/ui/ChartInfoPanel.h"
#include "charts/ui/LiveChartDisclaimer.h"
#include "charts/ui/LiveChartPages.h"
#include "charts/ui/MediaDialogs.h"
#include "charts/vector/BlankChartDoc.h"
#include "charts/vector/LiveChartDoc.h"
#include "charts/vector/LiveChartService.h"
#include "engines/vector/Disclaimer.h"
#include "engines/vector/FolioUpdate.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"
#include "geo/DatumInfo.h"
#include "platform/SettingsStore.h"

using brine_test::FakeChartWindow;
using brine_test::TempFolder;

namespace {

int g_argc = 1;
char g_name[] = "charts_ChartInfoPanel";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

// The harbour cell with its update, imported with its folder's folio and
// opened in an 800 x 600 window.
struct Harbour {
    Harbour() : window(geo::IntRect{0, 0, 800, 600})
    {
        const char* bin = std::getenv("BRINE_BIN_DIR");
        geo::CDatumInfo::LoadTable(bin ? bin : ".");
        const std::filesystem::path cell =
            std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / "US5WA03M.000";
        vengine::VChartData chart;
        if (!vengine::ImportS57Cell(cell.string(), true, chart).ok ||
            !vengine::WriteVChartFile(dir / "US5WA03M.b", chart, nullptr) ||
            vengine::UpdateFolio(dir.Path(), {}, {}).recordsWritten <= 0)
            return;
        window.doc = &doc;
        doc.AttachWindow(&window);
        opened = doc.OnOpenDocument((dir / "US5WA03M.b").string());
    }
    TempFolder dir;
    FakeChartWindow window;
    charts::CLiveChartDoc doc;
    bool opened = false;
};

}   // namespace

TEST(ChartInfoTexts, NoDocumentGivesEmptyTextsAndPlainLabels)
{
    const chart::CChartInfoTexts t = chart::ChartInfoTextsOf(nullptr);
    EXPECT_EQ(t, chart::CChartInfoTexts{});
    EXPECT_EQ(t.issueLabel, "Issue date");
    EXPECT_EQ(t.updatedLabel, "Updated");
    EXPECT_TRUE(t.chartNumber.empty() && t.cautions.empty() && t.title.empty());
}

TEST(ChartInfoTexts, VectorChartShowsItsBlockAndNotes)
{
    Harbour h;
    ASSERT_TRUE(h.opened) << h.doc.OpenError();
    const chart::CChartInfoTexts t = chart::ChartInfoTextsOf(&h.doc);
    EXPECT_EQ(t.chartNumber, "US5WA03M");
    EXPECT_EQ(t.manufacturer, "LIVECHART");
    EXPECT_EQ(t.title, "SAMPLE - NOT FOR NAVIGATION - Seattle Harbour");
    EXPECT_EQ(t.horizontalDatum, "WGS 84");
    EXPECT_EQ(t.depthDatum, "MLLW - Mean Lower Low Water");
    EXPECT_EQ(t.buoyage, "IALA B");
    EXPECT_EQ(t.depthUnits, "metres");
    EXPECT_EQ(t.scale.rfind("1:", 0), 0u) << t.scale;
    EXPECT_EQ(t.issueLabel, "Issue Date");
    EXPECT_FALSE(t.issueDate.empty());
    // The range is kept right-aligned by the document; the panel drops the blanks.
    ASSERT_FALSE(t.northSouthRange.empty());
    EXPECT_NE(t.northSouthRange.front(), ' ');
    EXPECT_NE(h.doc.GetExtentText(), t.northSouthRange);
    EXPECT_EQ(t.northSouthRange.substr(t.northSouthRange.size() - 2), "nm");
    EXPECT_NE(t.displayResolution.find("m/pixel"), std::string::npos) << t.displayResolution;
    // The caution area's text, on one clean line.
    EXPECT_NE(t.cautions.find("depths invented"), std::string::npos) << t.cautions;
    EXPECT_EQ(t.cautions.find('\n'), std::string::npos);
}

TEST(ChartInfoPanel, FollowsTheActiveChartAndShowsNothingWithout)
{
    App();
    Harbour h;
    ASSERT_TRUE(h.opened) << h.doc.OpenError();
    charts::CBlankChartDoc blank;
    FakeChartWindow blankWindow(geo::IntRect{0, 0, 800, 600});
    blankWindow.doc = &blank;
    blank.AttachWindow(&blankWindow);
    ASSERT_TRUE(blank.OnOpenDocument(""));

    chart::CChartDoc* active = &h.doc;
    QMainWindow frame;
    auto* panel = new chart::CChartInfoPanel([&active] { return active; }, &frame);
    ASSERT_TRUE(panel->Create(chart::CChartInfoPanel::kBarId, &frame));
    EXPECT_EQ(panel->windowTitle(), "Chart Info");
    EXPECT_TRUE(panel->isHidden());
    app::CCommandTable commands;

    // Hidden, it reads nothing.
    panel->UpdatePanelControls(commands, false);
    EXPECT_EQ(panel->ChartDoc(), nullptr);
    EXPECT_EQ(panel->ValueText("chartNumber"), "");

    panel->show();
    panel->UpdatePanelControls(commands, false);
    EXPECT_EQ(panel->ChartDoc(), &h.doc);
    EXPECT_EQ(panel->ValueText("chartNumber"), "US5WA03M");
    EXPECT_EQ(panel->ValueText("horizontalDatum"), "WGS 84");
    EXPECT_EQ(panel->ValueText("depthDatum"), "MLLW - Mean Lower Low Water");
    EXPECT_EQ(panel->ValueText("buoyage"), "IALA B");
    EXPECT_EQ(panel->ValueText("title"), "SAMPLE - NOT FOR NAVIGATION - Seattle Harbour");
    EXPECT_TRUE(panel->ValueText("cautions").contains("depths invented"));
    // The title line is drawn in the caption colours.
    auto* title = panel->findChild<QLabel*>("title");
    ASSERT_NE(title, nullptr);
    const QImage line = title->grab().toImage();
    EXPECT_EQ(line.pixelColor(1, 1), title->palette().color(QPalette::Highlight));
    EXPECT_NE(title->palette().color(QPalette::Highlight),
              panel->palette().color(QPalette::Window));

    // Another chart becomes active: every text changes at the next pass.
    active = &blank;
    panel->UpdatePanelControls(commands, false);
    EXPECT_EQ(panel->ValueText("chartNumber"), QString::fromStdString(blank.GetChartNumber()));
    EXPECT_EQ(panel->ValueText("buoyage"), "");
    EXPECT_EQ(panel->ValueText("cautions"), "");
    EXPECT_EQ(panel->ValueText("title"), "Blank World Chart");

    // No chart at all: everything empty.
    active = nullptr;
    panel->UpdatePanelControls(commands, false);
    for (const char* name :
         {"chartNumber", "manufacturer", "issueDate", "updated", "depthUnits", "horizontalDatum",
          "scale", "northSouthRange", "displayResolution", "cautions", "title"})
        EXPECT_EQ(panel->ValueText(name), "") << name;
    EXPECT_EQ(panel->ValueText("issueLabel"), "Issue date");
}

TEST(LiveChartDisclaimer, DecliningClosesTheChartsACancelDoesNot)
{
    App();
    // Each carriage return and each line feed is a line break of its own.
    EXPECT_EQ(charts::CLCDisclaimerDlg::BoxText("a\r\nb\rc\nd"), "a\n\nb\nc\nd");
    const std::string text = vengine::DisclaimerText();
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), vengine::kDisclaimerLimit);

    int closed = 0;
    bool accepted = true;
    auto* dlg = new charts::CLCDisclaimerDlg([&closed] { ++closed; });
    dlg->SetResultFlag(&accepted);
    dlg->Open();
    EXPECT_TRUE(dlg->findChild<QPlainTextEdit*>()->toPlainText().contains("Quorwick Ltd"));
    // The text line names the provider of the vector charts.
    const auto labels = dlg->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](const QLabel* l) { return l->text() == "Livechart Limited"; }));
    dlg->reject();   // "I do not agree"
    EXPECT_FALSE(accepted);
    EXPECT_EQ(closed, 1);

    accepted = true;
    auto* second = new charts::CLCDisclaimerDlg([&closed] { ++closed; });
    second->SetResultFlag(&accepted);
    second->Open();
    second->Cancel();   // the last vector chart went first
    EXPECT_FALSE(accepted);
    EXPECT_EQ(closed, 1);

    accepted = true;
    auto* third = new charts::CLCDisclaimerDlg([&closed] { ++closed; });
    third->SetResultFlag(&accepted);
    third->Open();
    third->accept();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(closed, 1);
    QApplication::processEvents();   // the closed dialogs delete themselves
}

TEST(LiveChartManagementPage, UpdateFolioNeedsChartsOrCells)
{
    App();
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    charts::CLiveChartService service(home);
    service.SetChartsFolder(dir.Path().string());
    int updates = 0;
    charts::CLiveChartManagementPage page(service, [&updates] { ++updates; });
    auto* button = page.findChild<QPushButton*>("UpdateFolio");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "&Update Folio");
    EXPECT_FALSE(button->isEnabled());   // an empty folder
    // In the "Management" group, the text "Update the Folio" and then the button.
    auto* box = page.findChild<QGroupBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->title(), "Management");
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    ASSERT_NE(grid, nullptr);
    auto* text = qobject_cast<QLabel*>(grid->itemAtPosition(0, 0)->widget());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "Update the Folio");
    EXPECT_EQ(grid->itemAtPosition(0, 1)->widget(), button);

    std::filesystem::copy_file(std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / "US5WA03M.000",
                               service.Folder() / "US5WA03M.000");
    page.UpdateButtons();
    EXPECT_TRUE(button->isEnabled());   // a cell to import
    button->click();
    EXPECT_EQ(updates, 1);
}

// What the sample harbour's update touches, counted in a chart.
struct UpdatedParts {
    int buoys = 0;
    std::size_t soundings = 0;
    int redLightsEverySixSeconds = 0;
};

UpdatedParts Count(const vengine::VChartData& chart)
{
    UpdatedParts n;
    for (const auto& f : chart.features) {
        if (f.objectClass == "BOYLAT")
            ++n.buoys;
        if (f.objectClass == "SOUNDG")
            for (const auto& part : f.parts)
                n.soundings += part.points.size();
        const std::string* colour = f.Attribute("COLOUR");
        const std::string* period = f.Attribute("SIGPER");
        if (f.objectClass == "LIGHTS" && colour && *colour == "3" && period && *period == "6")
            ++n.redLightsEverySixSeconds;
    }
    return n;
}

TEST(LiveChartService, FirstStartInstallsTheHarbourWithItsUpdateApplied)
{
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    charts::CLiveChartService service(home);
    service.SetChartsFolder(dir.Path().string());
    EXPECT_EQ(service.InstallSampleMedia(BRINE_SAMPLE_CELLS_DIR),
              (service.Folder() / "US2WA01M.b").string());
    EXPECT_TRUE(std::filesystem::exists(service.Folder() / "US5WA03M.001"));

    std::string error;
    const auto installed = vengine::CVChartFile::Open(service.Folder() / "US5WA03M.b", &error);
    ASSERT_TRUE(installed) << error;
    EXPECT_EQ(installed->View().Update(), 1);
    vengine::VChartData updated, base;
    ASSERT_TRUE(installed->View().ReadAll(updated));
    ASSERT_TRUE(
        vengine::ImportS57Cell(
            (std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / "US5WA03M.000").string(), false, base)
            .ok);
    // A buoy added, a sounding deleted, a light changed to red every 6 s.
    const UpdatedParts before = Count(base), after = Count(updated);
    EXPECT_EQ(after.buoys, before.buoys + 1);
    EXPECT_EQ(after.soundings + 1, before.soundings);
    EXPECT_EQ(before.redLightsEverySixSeconds, 0);
    EXPECT_EQ(after.redLightsEverySixSeconds, 1);
}

// The page hands its folder on at every OK or Apply of the sheet, changed or
// not; a folder refused hands nothing on.
TEST(LiveChartFolderPage, ShowsTheFolderAndHandsItOnAtEachApply)
{
    App();
    TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    charts::CLiveChartService service(home);
    service.SetChartsFolder(dir.Path().string());
    std::vector<std::string> changed;
    charts::CLiveChartPagesUi ui(
        service, [] {}, [&changed](const std::string& f) { changed.push_back(f); });
    const auto pages = ui.ChartOptionPages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].title, "LIVECHART");

    auto* sheet = new app::CModelessPropertySheet("Chart Options");
    QStringList refusals;
    sheet->SetMessageShower([&refusals](const QString& m) { refusals << m; });
    sheet->AddPage(pages[0].create(sheet));
    auto* edit = sheet->findChild<QLineEdit*>("liveChartFolder");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), service.Folder().string());
    const std::string same = service.Folder().string();
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(changed, std::vector<std::string>{same}) << "the folder as it was";
    edit->setText("charts");   // not a full path: refused, nothing handed on
    EXPECT_FALSE(sheet->OnApply());
    EXPECT_EQ(refusals.size(), 1);
    EXPECT_EQ(changed.size(), 1u);
    edit->setText(QString::fromStdString((dir / "elsewhere").string()));
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(changed, (std::vector<std::string>{same, (dir / "elsewhere").string()}));
    delete sheet;
}

// While the management sheet holds the main window, the installation's
// progress window belongs to the sheet, so its Cancel can be used; with no
// sheet open it belongs to the main window.
TEST(MediaDialogs, ProgressOverTheManagementSheetBelongsToTheSheet)
{
    App();
    QWidget frame;
    frame.show();
    auto* sheet = new QDialog(&frame);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    charts::CQtMediaUi ui(&frame);
    {
        const auto progress = ui.OpenProgress("Processing Charts");
        EXPECT_NE(sheet->findChild<QDialog*>("InstallProgress"), nullptr);
    }
    delete sheet;
    const auto progress = ui.OpenProgress("Processing Charts");
    EXPECT_NE(frame.findChild<QDialog*>("InstallProgress"), nullptr);
}

// The progress dialog shortens its paths to 33 characters by leaving out
// middle folders; a medium prompt is a message box titled as every other one
// of the program, with the information icon, OK, Cancel and Choose Folder....
TEST(MediaDialogs, ProgressShortensPathsByFoldersAndThePromptIsTitledAsTheProgram)
{
    App();
    QWidget frame;
    charts::CQtMediaUi ui(&frame);
    {
        const auto progress = ui.OpenProgress("Processing Charts");
        progress->SetText("RC1001", "/media/cdrom/RasChts/010/RC1001",
                          "/home/mate/charts/HCRF/GB/ChartCD/RasChts/010/RC1001");
        QStringList texts;
        for (auto* label : frame.findChild<QDialog*>("InstallProgress")->findChildren<QLabel*>())
            texts << label->text();
        EXPECT_TRUE(texts.contains("RC1001"));
        EXPECT_TRUE(texts.contains("/media/cdrom/RasChts/010/RC1001")) << "33 or fewer: as it is";
        EXPECT_TRUE(texts.contains("/.../ChartCD/RasChts/010/RC1001"))
            << texts.join(" | ").toStdString();
    }

    QString title, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (auto* button : box->buttons())
            buttons << button->text();
        box->button(QMessageBox::Cancel)->click();
    });
    poll.start(20);
    std::string folder;
    EXPECT_EQ(ui.AskForMedium("Please insert CD RC1 in drive /media/cdrom\n Press OK when ready",
                              "RC1", folder),
              charts::hcrf::MediumAnswer::Cancel);
    EXPECT_EQ(title.toStdString(), "Brinevane");
    EXPECT_EQ(text.toStdString(),
              "Please insert CD RC1 in drive /media/cdrom\n Press OK when ready");
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons.size(), 3);
    EXPECT_TRUE(buttons.contains("C&hoose Folder...")) << buttons.join(" | ").toStdString();
}

// The progress dialog opens "FileCopy.avi" of the video folder and plays it
// while asked to, over and over; without the file it plays nothing.
TEST(MediaDialogs, ProgressPlaysTheCopyingAnimationOfTheVideoFolder)
{
    App();
    TempFolder dir;
    QWidget frame;
    charts::CQtMediaUi ui(&frame);
    ui.SetVideoFolder(dir.Path() / "Video");
    {
        const auto progress = ui.OpenProgress("Processing Charts");
        auto* dialog = frame.findChild<charts::CInstallProgressDlg*>("InstallProgress");
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->AnimationOpened());
        progress->Animate(true);
        EXPECT_FALSE(dialog->AnimationPlaying());
    }
    std::filesystem::create_directories(dir.Path() / "Video");
    const std::string make = std::string(std::getenv("BRINE_BIN_DIR")) + "/avi-make " +
                             (dir.Path() / "Video" / "FileCopy.avi").string() + " 64 48 5 10";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const auto progress = ui.OpenProgress("Processing Charts");
    auto* dialog = frame.findChild<charts::CInstallProgressDlg*>("InstallProgress");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->AnimationOpened());
    EXPECT_FALSE(dialog->AnimationPlaying()) << "still until asked";
    progress->Animate(true);
    EXPECT_TRUE(dialog->AnimationPlaying());
    auto* picture = dialog->findChild<QLabel*>("Animation");
    ASSERT_NE(picture, nullptr);
    for (int i = 0; i < 200 && picture->pixmap().isNull(); ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(picture->pixmap().isNull()) << "a frame shown";
    progress->Animate(false);
    EXPECT_FALSE(dialog->AnimationPlaying());
}
