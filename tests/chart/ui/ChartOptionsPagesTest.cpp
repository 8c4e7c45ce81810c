// The chart option pages offscreen: the pan steps spin by their rule from
// the keyboard, the focus box colour follows a palette switch while the
// sheet is open, a refused value applies nothing, and each page's keys are
// its own. With BRINE_SHOT_DIR set, each page is saved as a picture there.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "../../support/TempFolder.h"
#include "app/Module.h"
#include "app/ui/PropertySheet.h"
#include "app/ui/SpinEdit.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartOptionsPages.h"
#include "chart/ui/OptionPageControls.h"

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_ChartOptionsPagesTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

void ExpectOwnKeys(app::CModelessPropertySheet& sheet)
{
    // The sheet's own buttons, with their letters as the sheet shows them.
    QStringList buttons;
    for (const char* name : {"sheetOk", "sheetCancel", "sheetApply"}) {
        const auto* button = sheet.findChild<QAbstractButton*>(name);
        buttons << (button ? button->text() : QString());
    }
    EXPECT_EQ(buttons, (QStringList{"&OK", "&Cancel", "&Apply"}));
    const QRegularExpression mnemonic("&([^&])");
    for (int i = 0; i < sheet.PageCount(); ++i) {
        QStringList keys{"o", "c", "a"};   // the sheet's OK, Cancel, Apply
        QStringList texts;
        for (auto* b : sheet.Page(i)->findChildren<QAbstractButton*>())
            texts << b->text();
        for (auto* l : sheet.Page(i)->findChildren<QLabel*>())
            texts << l->text();
        for (const QString& text : texts)
            if (auto m = mnemonic.match(text); m.hasMatch())
                keys << m.captured(1).toLower();
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
    }
}

TEST(ChartOptionsPages, PanSpinsRefusalAndPaletteFollow)
{
    App();
    chart::CDisplayOptions applied;
    int displayApplies = 0;
    chart::COverlayOptions overlaysApplied;
    int palette = 2;
    auto* sheet = new app::CModelessPropertySheet("Chart Options");
    sheet->AddPage(new chart::CDisplayOptionsPage(std::make_unique<chart::CDisplayOptionsModel>(
        chart::CDisplayOptions{3, 19, 30, 1}, [&](const chart::CDisplayOptions& v) {
            ++displayApplies;
            applied = v;
        })));
    chart::COverlayOptions overlays;
    overlays.focusBoxColour = {0x000000, 0xFFFFFF, 0x0000FF};
    sheet->AddPage(new chart::CViewDisplayPage(
        std::make_unique<chart::COverlayOptionsModel>(
            overlays, palette, [&](const chart::COverlayOptions& v) { overlaysApplied = v; }),
        [&palette] { return palette; }));
    QStringList messages;
    sheet->SetMessageShower([&](const QString& m) { messages << m; });
    sheet->ShowModeless();
    ExpectOwnKeys(*sheet);

    auto* small = sheet->Page(0)->findChild<app::CSpinEdit*>("smallPan");
    auto* large = sheet->Page(0)->findChild<app::CSpinEdit*>("largePan");
    QTest::keyClick(small, Qt::Key_Up);
    EXPECT_EQ(small->text(), "20");
    QTest::keyClick(small, Qt::Key_Up);
    EXPECT_EQ(small->text(), "25");
    QTest::keyClick(small, Qt::Key_Up);
    QTest::keyClick(small, Qt::Key_Up);
    EXPECT_EQ(small->text(), "30");   // up to the large step, never past it
    QTest::keyClick(small, Qt::Key_Up);
    EXPECT_EQ(small->text(), "30");
    QTest::keyClick(large, Qt::Key_Down);
    EXPECT_EQ(large->text(), "30");   // would fall below the small step

    auto* maxCharts = sheet->Page(0)->findChild<app::CSpinEdit*>("maxCharts");
    maxCharts->setText("0");
    EXPECT_FALSE(sheet->OnApply());
    EXPECT_EQ(messages, QStringList{"Maximum chart windows run from 1 to 255"});
    EXPECT_EQ(displayApplies, 0);
    EXPECT_EQ(overlaysApplied, chart::COverlayOptions{});   // nothing of the other page either
    maxCharts->setText("7");

    auto* grid = sheet->Page(1)->findChild<QCheckBox*>("latLongGrid");
    grid->setChecked(true);
    sheet->Page(1)->findChild<QComboBox*>("focusWidth")->setCurrentIndex(0);
    palette = 0;   // Day chosen while the sheet is open: the page takes it
    sheet->Page(1)->UpdateControls();
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(applied.maxCharts, 7);
    EXPECT_EQ(applied.smallPanStep, 30);
    EXPECT_TRUE(overlaysApplied.latLongGrid);
    EXPECT_EQ(overlaysApplied.focusBoxLineWidth, 1);
    EXPECT_EQ(overlaysApplied.focusBoxColour[2], 0x0000FFu);

    if (const char* dir = std::getenv("BRINE_SHOT_DIR")) {
        sheet->resize(480, 420);
        for (int i = 0; i < sheet->PageCount(); ++i) {
            sheet->Tabs()->setCurrentIndex(i);
            sheet->grab().save(QString("%1/chart-%2.png").arg(dir).arg(i));
        }
    }
    delete sheet;
}

TEST(ChartOptionsPages, ManagementReloadsOnlyForAChangedFolder)
{
    App();
    int reloads = 0;
    chart::CChartFolders seen;
    auto* sheet = new app::CModelessPropertySheet("Chart Management Options");
    sheet->AddPage(new chart::CChartManagementPage(std::make_unique<chart::CChartFoldersModel>(
        chart::CChartFolders{"/data/charts", "/media/cdrom"}, [&](const chart::CChartFolders& v) {
            ++reloads;
            seen = v;
        })));
    sheet->ShowModeless();
    ExpectOwnKeys(*sheet);
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(reloads, 0);
    sheet->Page(0)->findChild<QLineEdit*>("chartsFolder")->setText("/data/other");
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(seen.chartsFolder, "/data/other");
    delete sheet;
}

struct TestHome : app::CSettingsHome {
    explicit TestHome(platform::CSettingsStore& s) : store(s) { }
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\WS"; }
    platform::CSettingsStore& store;
};

// Chart > Management... holds the program's window until its sheet closes;
// Chart > Options... leaves it free. F1 on any page of either asks for help.
TEST(ChartOptionsPages, ManagementSheetIsModalAndOptionsSheetModeless)
{
    App();
    brine_test::TempFolder dir;
    platform::CSettingsStore store{dir / "settings.conf"};
    store.Load();
    TestHome home{store};
    chart::CChartingModule module(home, {});
    QWidget frame;
    frame.show();
    int helps = 0;
    auto help = [&helps] { ++helps; };
    // F1 from a control of every page in turn.
    auto pressF1OnEachPage = [](app::CModelessPropertySheet& sheet) {
        sheet.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&sheet));
        for (int i = 0; i < sheet.PageCount(); ++i) {
            sheet.Tabs()->setCurrentIndex(i);
            QWidget* control = sheet.Page(i)->findChild<QWidget*>();
            QTest::keyClick(control ? control : sheet.Page(i), Qt::Key_F1);
        }
        return sheet.PageCount();
    };
    chart::OpenChartManagementSheet(module, &frame, nullptr, help);
    auto* management = frame.findChild<app::CModelessPropertySheet*>("chartManagement");
    ASSERT_NE(management, nullptr);
    EXPECT_EQ(management->windowTitle(), "Chart Management Options");
    EXPECT_TRUE(management->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), management);
    EXPECT_EQ(helps, 0);
    EXPECT_EQ(pressF1OnEachPage(*management), 1);
    EXPECT_EQ(helps, 1);
    delete management;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    helps = 0;
    chart::OpenChartOptionsSheet(module, nullptr, &frame, nullptr, help);
    auto* options = frame.findChild<app::CModelessPropertySheet*>("chartOptions");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->windowTitle(), "Chart Options");
    EXPECT_FALSE(options->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(helps, 0);
    EXPECT_EQ(pressF1OnEachPage(*options), 2);
    EXPECT_EQ(helps, 2);
    delete options;
}

// A colour well shows its colour while it can be used and not once disabled
// (the chartpoint, route and plan pages grey theirs while their overlays are off).
TEST(OptionPageControls, ADisabledWellLosesItsColour)
{
    App();
    QWidget page;
    QPushButton* well = chart::MakeWell("well", "Symbol colour", &page);
    well->resize(48, 24);
    chart::PaintWell(well, app::RGB(255, 0, 0));
    page.show();
    // Pixels of a strong colour (the style shades the well's face).
    const auto reds = [&] {
        const QImage image = well->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y).hsvSaturation() > 100 ? 1 : 0;
        return count;
    };
    EXPECT_GT(reds(), 200);
    well->setEnabled(false);
    EXPECT_EQ(reds(), 0);
    well->setEnabled(true);
    EXPECT_GT(reds(), 200);
}

}   // namespace
