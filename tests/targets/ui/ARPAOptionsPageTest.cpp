// The ARPA options page's Display card over two targets from a TTM feed:
// the first MaxTargets rows are marked as drawn, UP and DOWN follow the
// selected row, and the order applied is the one the chart draws; the
// General card's Line Width reaches the targets' track line. An open Display
// card follows targets as they come and go; the Target card's colour wells
// edit the palette in use and reach the module on apply; the whole-number
// fields spin within their ranges. A lost target's row says "Lost" while
// the other rows are rewritten; the Target card greys only what its
// switches give, and the warning-circle radius is always offered.
#include "targets/ui/ARPAOptionsPage.h"

#include "ARPARig.h"
#include "app/DisplayPalettes.h"
#include "app/ui/SpinEdit.h"
#include "targets/ui/TargetColourWells.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_ARPAOptionsPageTest";
char* g_argv[] = {g_arg0, nullptr};

// The page open on its Display card over a module that took `reports`,
// with the program's palettes in place.
struct OpenPage {
    app::CDisplayPalettes palettes;
    brine_test::ARPARig<targets::CARPAModule> rig;
    std::unique_ptr<targets::CARPAOptionsPage> page;
    QTabWidget* tabs = nullptr;
    QTreeWidget* list = nullptr;

    explicit OpenPage(const std::vector<std::string>& reports)
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
        app::SetProgramPalettes(&palettes);
        EXPECT_TRUE(rig.Receive(reports));
        rig.Pass();
        page = std::make_unique<targets::CARPAOptionsPage>(
            std::make_unique<targets::CARPAOptionsModel>(rig.module, [](const std::string&) {}),
            &rig.ports);
        page->ModelToControls();
        page->show();
        tabs = page->findChild<QTabWidget*>("arpaCards");
        list = page->findChild<QTreeWidget*>("displayOrder");
        if (tabs != nullptr)
            tabs->setCurrentIndex(2);
    }
    ~OpenPage()
    {
        page.reset();
        app::SetProgramPalettes(nullptr);
    }
};

TEST(ARPAOptionsPage, DisplayOrderChoosesTheTargetsDrawnAndLineWidthTheTrack)
{
    static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
    (void)app;
    brine_test::ARPARig<targets::CARPAModule> rig;
    auto options = rig.module.GetOptions();
    options.pass.maxTargets = 1;
    rig.module.ApplyOptions(options);
    ASSERT_TRUE(rig.Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A",
                             "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A"}));
    rig.Pass();
    ASSERT_NE(rig.Target(1), nullptr);
    ASSERT_NE(rig.Target(2), nullptr);
    EXPECT_TRUE(rig.module.IsShown(*rig.Target(1)));
    EXPECT_FALSE(rig.module.IsShown(*rig.Target(2)));

    targets::CARPAOptionsPage page(
        std::make_unique<targets::CARPAOptionsModel>(rig.module, [](const std::string&) {}),
        &rig.ports);
    page.ModelToControls();
    page.show();
    auto* tabs = page.findChild<QTabWidget*>("arpaCards");
    auto* list = page.findChild<QTreeWidget*>("displayOrder");
    auto* up = page.findChild<QPushButton*>("up");
    auto* down = page.findChild<QPushButton*>("down");
    ASSERT_TRUE(tabs && list && up && down);
    ASSERT_EQ(tabs->tabText(2), "Display");
    tabs->setCurrentIndex(2);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const auto row = [list](int r) {
        QTreeWidgetItem* item = list->topLevelItem(r);
        return item->text(1).toStdString() + " " + item->text(2).toStdString() +
               (item->data(0, Qt::UserRole).toBool() ? " drawn" : "");
    };
    EXPECT_EQ(row(0), "1 ONE drawn");
    EXPECT_EQ(row(1), "2 TWO");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "Tracking");

    // The first row selected from the start: only DOWN.
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    // TWO up: it takes the first place, and the mark with it.
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());
    up->click();
    EXPECT_EQ(row(0), "2 TWO drawn");
    EXPECT_EQ(row(1), "1 ONE");
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));

    // MaxTargets typed on the General card marks as many when the card shows again.
    tabs->setCurrentIndex(0);
    page.findChild<QLineEdit*>("maxTargets")->setText("2");
    tabs->setCurrentIndex(2);
    EXPECT_EQ(row(1), "1 ONE drawn");
    tabs->setCurrentIndex(0);
    page.findChild<QLineEdit*>("maxTargets")->setText("1");

    auto* width = page.findChild<QComboBox*>("lineWidth");
    ASSERT_NE(width, nullptr);
    ASSERT_EQ(width->count(), 4);
    width->setCurrentIndex(2);
    ASSERT_FALSE(page.ControlsToModel());
    page.Model().Apply();
    EXPECT_TRUE(rig.module.IsShown(*rig.Target(2)));
    EXPECT_FALSE(rig.module.IsShown(*rig.Target(1)));
    EXPECT_EQ(rig.Target(2)->displayOrder, 1);
    EXPECT_EQ(rig.module.Properties().Line().GetWidth(), 3);
}

TEST(ARPAOptionsPage, OpenPageFollowsTargetsAndItsWellsAndSpinsEditTheOptions)
{
    OpenPage open({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A"});
    auto& rig = open.rig;
    auto& page = *open.page;
    auto* tabs = open.tabs;
    auto* list = open.list;
    ASSERT_TRUE(tabs && list);
    app::CDisplayPalettes& palettes = open.palettes;
    ASSERT_EQ(list->topLevelItemCount(), 1);

    // A target that comes while the card is open gets its row at the end;
    // one lost has its status written; a removed one loses its row and the
    // rows after it move up.
    ASSERT_TRUE(rig.Receive({"RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A",
                             "RATTM,03,2.0,180.0,T,10.0,045.0,T,,,N,THREE,T,,,A"}));
    rig.Pass();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(2)->text(2), "THREE");
    EXPECT_EQ(list->topLevelItem(2)->text(0), "3");
    list->setCurrentItem(list->topLevelItem(2));
    ASSERT_TRUE(rig.Receive({"RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,L,,,A"}));
    rig.Pass();
    EXPECT_EQ(list->topLevelItem(1)->text(3), "Lost");
    rig.module.RemoveTarget(*rig.Target(1)->record);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "TWO");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "2");
    EXPECT_EQ(list->currentItem(), list->topLevelItem(1));   // THREE stays selected

    // The Target card: five wells for the palette in use, greyed by their switches.
    tabs->setCurrentIndex(1);
    auto* wells = page.findChild<targets::CTargetColourWells*>();
    ASSERT_NE(wells, nullptr);
    constexpr chart::COLORREF kMagenta = app::RGB(200, 0, 200);
    wells->SetChooser([&](chart::COLORREF, const QString&) { return kMagenta; });
    using targets::TargetColour;
    auto* track = page.findChild<QCheckBox*>("track");
    ASSERT_NE(track, nullptr);
    if (!track->isChecked())
        track->click();
    EXPECT_TRUE(wells->Well(TargetColour::Track)->isEnabled());
    track->click();
    EXPECT_FALSE(wells->Well(TargetColour::Track)->isEnabled());
    EXPECT_FALSE(wells->Well(TargetColour::Marker)->isEnabled());
    EXPECT_FALSE(page.findChild<QLabel*>("markerSizeLabel")->isEnabled());
    track->click();
    palettes.SetActive(app::CDisplayPalettes::kNight);
    wells->Refresh();
    const chart::CTargetProperties before = rig.module.Properties();
    wells->Well(TargetColour::Symbol)->click();
    ASSERT_FALSE(page.ControlsToModel());
    page.Model().Apply();
    EXPECT_EQ(rig.module.Properties().GetColours()[2], kMagenta);
    EXPECT_EQ(rig.module.Properties().GetColours()[0], before.GetColours()[0]);
    EXPECT_EQ(rig.module.TargetProperties(*rig.Target(3)).GetColours()[2], kMagenta);

    // Spins: Maximum targets 1 to 100, Valid Sentence Time 1 to 60.
    auto* maxTargets = page.findChild<app::CSpinEdit*>("maxTargets");
    auto* validTime = page.findChild<app::CSpinEdit*>("validTime");
    ASSERT_TRUE(maxTargets && validTime);
    maxTargets->setText("100");
    maxTargets->Spin(true);
    EXPECT_EQ(maxTargets->text(), "100");
    maxTargets->setText("1");
    maxTargets->Spin(false);
    EXPECT_EQ(maxTargets->text(), "1");
    maxTargets->Spin(true);
    EXPECT_EQ(maxTargets->text(), "2");
    validTime->setText("60");
    validTime->Spin(true);
    EXPECT_EQ(validTime->text(), "60");
    validTime->Spin(false);
    EXPECT_EQ(validTime->text(), "59");
    auto* port = page.findChild<QGroupBox*>("communicationsPort");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->title(), "Communications port");
    EXPECT_NE(page.findChild<QComboBox*>("lineWidth")->itemIcon(0).isNull(), true);
}

TEST(ARPAOptionsPage, ALostRowStaysLostAndOnlyTheSwitchesGivenGrey)
{
    OpenPage open({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A",
                   "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A"});
    auto& rig = open.rig;
    auto& page = *open.page;
    auto* tabs = open.tabs;
    auto* list = open.list;
    ASSERT_TRUE(tabs && list);
    ASSERT_TRUE(rig.Receive({"RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,L,,,A"}));
    rig.Pass();
    ASSERT_EQ(list->topLevelItem(1)->text(3), "Lost");
    // TWO's values outlive their lifetime while ONE goes on reporting: each
    // report rewrites ONE's row, TWO's keeps the text it was last given.
    for (int s = 0; s < 8; ++s) {
        ASSERT_TRUE(rig.Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A"}));
        rig.Pass();
    }
    EXPECT_EQ(list->topLevelItem(0)->text(3), "Tracking");
    EXPECT_EQ(list->topLevelItem(1)->text(3), "Lost");
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(2);
    list->setCurrentItem(list->topLevelItem(1));
    page.findChild<QPushButton*>("up")->click();
    EXPECT_EQ(list->topLevelItem(0)->text(2), "TWO");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "Lost");

    // General card: the radius is offered with the warning circles off.
    tabs->setCurrentIndex(0);
    auto* circles = page.findChild<QCheckBox*>("warningCircles");
    circles->setChecked(false);
    page.UpdateControls();
    EXPECT_TRUE(page.findChild<app::CSpinEdit*>("radius")->isEnabled());

    // Target card, overlays and projected path off: the "Text" label, the
    // texts and the text well go grey; the symbol and path wells, the
    // projected path and the track stay offered.
    tabs->setCurrentIndex(1);
    // A span goes into the copy as it changes: "&Default" is offered at once.
    auto* byDefault = page.findChild<QPushButton*>("default");
    ASSERT_FALSE(byDefault->isEnabled());
    page.findChild<QTimeEdit*>("markerEvery")->setTime(QTime(0, 1, 0));
    EXPECT_EQ(page.M().Values().properties.loggingPeriod.GetTotalSeconds(), 60);
    EXPECT_TRUE(byDefault->isEnabled());
    byDefault->click();
    EXPECT_FALSE(byDefault->isEnabled());
    auto* overlays = page.findChild<QCheckBox*>("overlays");
    auto* path = page.findChild<QCheckBox*>("projectedPath");
    if (path->isChecked())
        path->click();
    if (!overlays->isChecked())
        overlays->click();
    const auto textLabel = [&page] {
        const auto* text = page.findChild<QLabel*>("textLabel");
        return text == nullptr ? "none" : text->isEnabled() ? "enabled" : "grey";
    };
    EXPECT_STREQ(textLabel(), "enabled");
    overlays->click();
    ASSERT_FALSE(overlays->isChecked());
    EXPECT_STREQ(textLabel(), "grey");
    EXPECT_FALSE(page.findChild<QCheckBox*>("drawName")->isEnabled());
    EXPECT_TRUE(path->isEnabled());
    EXPECT_TRUE(page.findChild<QCheckBox*>("track")->isEnabled());
    auto* wells = page.findChild<targets::CTargetColourWells*>();
    using targets::TargetColour;
    EXPECT_TRUE(wells->Well(TargetColour::Symbol)->isEnabled());
    EXPECT_TRUE(wells->Well(TargetColour::Path)->isEnabled());
    EXPECT_FALSE(wells->Well(TargetColour::Text)->isEnabled());
    EXPECT_FALSE(wells->Well(TargetColour::Track)->isEnabled());
}

}   // namespace
