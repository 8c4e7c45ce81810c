// The navigator's Autoscroll, Wind, NMEA and Monitoring pages in one sheet,
// offscreen: a refused time shows its message at its field and applies
// nothing, the sentence tree's ticks follow the rules, the enable rules
// follow the switches, and every page's keys are its own. The Monitoring
// page has no sheet of its own in the program yet; this is where it shows.
// With BRINE_SHOT_DIR set, each page is saved as a picture there.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/ui/OpenSaveDlgs.h"
#include "app/ui/SpinEdit.h"
#include "navigator/ui/NavigatorOptionsPages.h"
#include "nmea/NMEADevice.h"
#include "nmea/Port.h"
#include "nmea/ui/SentenceOptionsPages.h"

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_NavigatorOptionsPagesTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

struct TwoPorts : nmea::CPortDirectory {
    nmea::CPort com1{1};
    nmea::CPort com2{2};
    nmea::CPort* FindPort(std::uint8_t n) const override
    {
        return const_cast<nmea::CPort*>(n == 1 ? &com1 : n == 2 ? &com2 : nullptr);
    }
    std::uint8_t GetFirstPortNumber() const override { return 1; }
};

struct Applied {
    int scroll = 0, wind = 0, nmea = 0, monitor = 0;
    int percentage = -1;
    long check = 0;
    nmea::CNMEAOptions nmeaValues;
    navigator::CRouteMonitoringSettings monitorValues;
};

app::CModelessPropertySheet* MakeSheet(TwoPorts& ports, Applied& a, bool& moduleSelect)
{
    auto* sheet = new app::CModelessPropertySheet("Navigator Options");
    navigator::CAutoscrollOptions scroll;
    scroll.sliderPosition = 4;
    sheet->AddPage(
        new navigator::CAutoscrollOptionsPage(std::make_unique<navigator::CAutoscrollOptionsModel>(
                                                  scroll,
                                                  [&a](int pct, bool, bool, long check, long) {
                                                      ++a.scroll;
                                                      a.percentage = pct;
                                                      a.check = check;
                                                  }),
                                              [&moduleSelect] { return moduleSelect; }));
    nmea::CWindOptions wind;
    wind.receivePort = 2;
    sheet->AddPage(
        new nmea::CNavigatorWindOptions(std::make_unique<nmea::CWindOptionsModel>(
                                            wind, [&a](const auto&, const auto&) { ++a.wind; }),
                                        &ports));
    nmea::CNMEAOptions values;
    values.groups = {{"Global Positioning System ( GPS ) Sentences",
                      {{"RMC", "Recommended Minimum", true}, {"GGA", "Fix Data", false}}},
                     {"Wind Sentences", {{"MWV", "Wind Speed and Angle", true}}}};
    values.repeaterReceive = {{1, false}, {2, true}};
    sheet->AddPage(new nmea::CNMEASentenceOptions(
        std::make_unique<nmea::CNMEAOptionsModel>(values,
                                                  [&a](const auto& now, const auto&) {
                                                      ++a.nmea;
                                                      a.nmeaValues = now;
                                                  }),
        &ports));
    navigator::CRouteMonitoringSettings monitoring;
    sheet->AddPage(
        new navigator::CAutopilotMonitoringDlg(std::make_unique<navigator::CMonitoringOptionsModel>(
            monitoring, navigator::CMonitoringOverlays{}, true, [&a](const auto& s, const auto&) {
                ++a.monitor;
                a.monitorValues = s;
            })));
    return sheet;
}

TEST(NavigatorOptionsPages, RefusedTimeShowsAtItsFieldAndNothingApplies)
{
    App();
    TwoPorts ports;
    Applied a;
    bool moduleSelect = false;
    app::CModelessPropertySheet* sheet = MakeSheet(ports, a, moduleSelect);
    QStringList messages;
    sheet->SetMessageShower([&](const QString& m) { messages << m; });
    sheet->ShowModeless();

    app::CXPropertyPage* scrollPage = sheet->Page(0);
    auto* select = scrollPage->findChild<QCheckBox*>("select");
    auto* check = scrollPage->findChild<QLineEdit*>("checkTime");
    EXPECT_FALSE(check->isEnabled());   // "Check every" follows "Select"
    QTest::mouseClick(select, Qt::LeftButton);
    EXPECT_TRUE(check->isEnabled());
    EXPECT_EQ(check->text(), "00:00:10");

    sheet->Tabs()->setCurrentIndex(3);   // a refusal brings its own page forward
    check->setText("00:75:00");
    EXPECT_FALSE(sheet->OnApply());
    EXPECT_EQ(messages, QStringList{"Minutes run from 0 to 59"});
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
    EXPECT_EQ(sheet->focusWidget(), check);
    EXPECT_EQ(a.scroll + a.wind + a.nmea + a.monitor, 0);

    check->setText("00:01:30");
    scrollPage->findChild<QSlider*>("edgeDistance")->setValue(20);
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(a.percentage, 100);
    EXPECT_EQ(a.check, 90);
    // Every page applies, shown or not.
    EXPECT_EQ(a.wind, 1);
    EXPECT_EQ(a.nmea, 1);
    EXPECT_EQ(a.monitor, 1);

    auto* windTime = sheet->Page(1)->findChild<app::CSpinEdit*>("windValidTime");
    windTime->setText("60");
    QTest::keyClick(windTime, Qt::Key_Up);   // the spin stops at its top
    EXPECT_EQ(windTime->text(), "60");
    windTime->setText("61");
    messages.clear();
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(messages, QStringList{"Valid sentence times (seconds) run from 1 to 60"});
    EXPECT_EQ(a.scroll, 1);
    delete sheet;
}

TEST(NavigatorOptionsPages, SentenceTreeAndMonitoringRules)
{
    App();
    TwoPorts ports;
    Applied a;
    bool moduleSelect = false;
    app::CModelessPropertySheet* sheet = MakeSheet(ports, a, moduleSelect);
    sheet->ShowModeless();
    auto* page = static_cast<nmea::CNMEASentenceOptions*>(sheet->Page(2));
    QTreeWidget* tree = page->Tree();
    QTreeWidgetItem* gps = tree->topLevelItem(0);
    EXPECT_EQ(gps->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(gps->child(0)->text(0), "RMC - Recommended Minimum");
    gps->setCheckState(0, Qt::Checked);   // the user's click on the group's box
    EXPECT_EQ(gps->child(1)->checkState(0), Qt::Checked);
    gps->child(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(gps->checkState(0), Qt::PartiallyChecked);
    EXPECT_FALSE(page->findChild<QCheckBox*>("process")->isEnabled());
    sheet->Tabs()->setCurrentWidget(page);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    QTest::keyClick(sheet, Qt::Key_I, Qt::AltModifier);   // the page's key for the switch
    QTest::qWait(300);   // a key clicks a check box after its short press animation
    EXPECT_TRUE(page->findChild<QCheckBox*>("ignoreWarnings")->isChecked());

    auto* monitor = sheet->Page(3);
    auto* arrival = monitor->findChild<QCheckBox*>("arrivalCircleEntry");
    auto* advance = monitor->findChild<QCheckBox*>("autoAdvance");
    auto* radius = monitor->findChild<app::CSpinEdit*>("radius");
    sheet->Tabs()->setCurrentWidget(monitor);
    EXPECT_TRUE(radius->isEnabled());
    QTest::mouseClick(advance, Qt::LeftButton);
    EXPECT_TRUE(advance->isChecked());
    QTest::mouseClick(arrival, Qt::LeftButton);   // no detection left: no advance
    EXPECT_FALSE(radius->isEnabled());
    EXPECT_FALSE(advance->isEnabled());
    EXPECT_FALSE(advance->isChecked());
    QTest::mouseClick(arrival, Qt::LeftButton);
    radius->setText("1.00");
    QTest::keyClick(radius, Qt::Key_Down);
    EXPECT_EQ(radius->text(), "0.98");

    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(a.nmeaValues.groups[0].entries[0].enabled, false);
    EXPECT_EQ(a.nmeaValues.groups[0].entries[1].enabled, true);
    EXPECT_EQ(a.nmeaValues.repeaterReceive[1].ticked, true);
    EXPECT_DOUBLE_EQ(a.monitorValues.arrivalCircleRadius, 0.98);

    // Each page's keys are its own, and none is taken from the sheet's buttons.
    const QRegularExpression mnemonic("&([^&])");
    for (int i = 0; i < sheet->PageCount(); ++i) {
        QStringList keys{"o", "c", "a"};
        QStringList texts;
        for (auto* b : sheet->Page(i)->findChildren<QAbstractButton*>())
            texts << b->text();
        for (auto* l : sheet->Page(i)->findChildren<QLabel*>())
            texts << l->text();
        for (const QString& text : texts)
            if (auto m = mnemonic.match(text); m.hasMatch())
                keys << m.captured(1).toLower();
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
    }

    if (const char* dir = std::getenv("BRINE_SHOT_DIR")) {
        sheet->resize(560, 560);
        for (int i = 0; i < sheet->PageCount(); ++i) {
            sheet->Tabs()->setCurrentIndex(i);
            sheet->grab().save(QString("%1/navigator-%2.png").arg(dir).arg(i));
        }
    }
    delete sheet;
}

TEST(NavigatorOptionsPages, BestChartSwitchChangedFromTheMenuIsShown)
{
    App();
    TwoPorts ports;
    Applied a;
    bool moduleSelect = false;
    app::CModelessPropertySheet* sheet = MakeSheet(ports, a, moduleSelect);
    sheet->ShowModeless();
    sheet->Tabs()->setCurrentIndex(1);
    moduleSelect = true;   // switched on from the Navigator menu meanwhile
    sheet->Tabs()->setCurrentIndex(0);
    EXPECT_TRUE(sheet->Page(0)->findChild<QCheckBox*>("select")->isChecked());
    EXPECT_TRUE(sheet->Page(0)->findChild<QLineEdit*>("checkTime")->isEnabled());

    // Switched off again while the page stays on screen: the page follows
    // within its update pass, without being shown anew.
    moduleSelect = false;
    auto* select = sheet->Page(0)->findChild<QCheckBox*>("select");
    for (int waited = 0; select->isChecked() && waited < 3000; waited += 50)
        QTest::qWait(50);
    EXPECT_FALSE(select->isChecked());
    EXPECT_FALSE(sheet->Page(0)->findChild<QLineEdit*>("checkTime")->isEnabled());
    delete sheet;
}

// The replay file is browsed for among text files only: another kind is not
// listed, and a name typed without its extension is the text file's.
TEST(NavigatorOptionsPages, ReplayFileIsBrowsedAmongTextFiles)
{
    App();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"notes.txt", "notes.log"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("$GPTXT,01,01,02,text*00\r\n");
    }
    TwoPorts ports;
    Applied a;
    bool moduleSelect = false;
    app::CModelessPropertySheet* sheet = MakeSheet(ports, a, moduleSelect);
    sheet->ShowModeless();
    auto* page = sheet->Page(2);
    sheet->Tabs()->setCurrentWidget(page);
    page->findChild<QLineEdit*>("replayFile")->setText(folder.filePath("notes.txt"));

    QStringList types;
    QStringList listed;
    QTimer::singleShot(200, [&] {
        auto* open = qobject_cast<app::COpenFileDlg*>(QApplication::activeModalWidget());
        if (open == nullptr)
            return;
        for (int i = 0; i < open->TypeCombo()->count(); ++i)
            types << open->TypeCombo()->itemText(i);
        for (int i = 0; i < open->Files()->topLevelItemCount(); ++i)
            listed << open->Files()->topLevelItem(i)->text(0);
        open->NameEdit()->setText("notes");
        open->accept();
        if (open->isVisible())
            open->reject();
    });
    QPushButton* browse = nullptr;
    for (auto* b : page->findChildren<QPushButton*>())
        if (b->text() == "&Browse...")
            browse = b;
    ASSERT_NE(browse, nullptr);
    QTest::mouseClick(browse, Qt::LeftButton);

    EXPECT_EQ(types.join(" | ").toStdString(), "Text Files (*.txt)");
    EXPECT_FALSE(listed.contains("notes.log")) << listed.join(' ').toStdString();
    EXPECT_EQ(page->findChild<QLineEdit*>("replayFile")->text(), folder.filePath("notes.txt"));
    EXPECT_TRUE(page->findChild<QCheckBox*>("process")->isEnabled());
    // A typed name of another kind of file leaves "Process" off.
    auto* edit = page->findChild<QLineEdit*>("replayFile");
    edit->setText(folder.filePath("notes.log"));
    emit edit->textEdited(edit->text());
    EXPECT_FALSE(page->findChild<QCheckBox*>("process")->isEnabled());
    delete sheet;
}

}   // namespace
