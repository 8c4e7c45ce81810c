// The navigator's "Position Logging" page in its sheet, offscreen, over a
// real navigator and GPS module: spans from one second to six hours (0 and
// past 6 h refused, nothing applied), OK reaching both modules and their
// stored settings, a missing folder made with every level, the cycle taking
// the new track interval at its next tick, Cancel leaving everything as it
// was. And the voyage dialog's fields.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "FakeClock.h"
#include "FileSettingsHome.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "navigator/LoggingOptions.h"
#include "navigator/ui/LoggingOptionsPage.h"
#include "navigator/ui/VoyageDlg.h"
#include "nmea/GPSModule.h"

using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_LoggingOptionsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

struct NoPorts : nmea::CPortDirectory {
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

// The navigator and the GPS module on settings of their own, and the sheet
// with the page as the program builds it.
struct Rig {
    brine_test::TempFolder tmp;
    brine_test::FileSettingsHome settings{tmp / "settings.conf"};
    brine_test::FakeClock clock;
    navtest::FakeGps receiver{clock};
    NoPorts ports;
    nmea::CGPSModule gps{settings, ports, clock, nullptr, [] { return 2; }};
    navigator::CNavigatorModule nav{settings, clock, &receiver};
    // The sheet deletes itself once closed; the pointer then reads null.
    QPointer<app::CModelessPropertySheet> sheet;
    QStringList messages;
    std::string failure;

    Rig()
    {
        App();
        std::filesystem::create_directories(tmp / "Logs");
        nav.Logbook().SetFolder(tmp / "Logs");
        OpenSheet();
    }
    ~Rig() { delete sheet; }

    void OpenSheet()
    {
        delete sheet;
        sheet = new app::CModelessPropertySheet("Navigator Options");
        sheet->AddPage(new navigator::CLoggingOptions(
            std::make_unique<navigator::CLoggingOptionsModel>(
                navigator::CurrentLoggingValues(nav, gps),
                [this](const navigator::CLoggingValues& v) {
                    failure = navigator::ApplyLoggingValues(nav, gps, v);
                }),
            [this] { return nav.Logbook().IsLogging(); }));
        sheet->SetMessageShower([this](const QString& m) { messages << m; });
        sheet->ShowModeless();
    }
    QLineEdit* Edit(const char* name) const { return sheet->findChild<QLineEdit*>(name); }
    QCheckBox* Save() const { return sheet->findChild<QCheckBox*>("saveToLogbook"); }
    // One second of navigation: a fix, the timer pass, the panel's messages.
    void Tick(int second)
    {
        clock.Advance(1s);
        char time[16];
        std::snprintf(time, sizeof time, "12%02d%02d.00", second / 60 % 60, second % 60);
        receiver.parser.ParseLine(navtest::Rmc(47.6, -122.4, 8.0, 300.0, time));
        nav.NavigationTimerPass();
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    }
};

TEST(LoggingOptionsPage, SpansRunFromOneSecondToSixHours)
{
    Rig r;
    EXPECT_EQ(r.sheet->Tabs()->tabText(0), "Position Logging");
    EXPECT_EQ(r.Edit("trackTime")->text(), "00:05:00");
    // A new user logs a row every minute, the GPS module's own default.
    EXPECT_EQ(r.Edit("logTime")->text(), "00:01:00");
    EXPECT_FALSE(r.Save()->isChecked());
    EXPECT_EQ(r.Edit("logFolder")->text().toStdString(), (r.tmp / "Logs").string());

    struct Refused {
        const char* field;
        const char* text;
        const char* message;
    };
    for (const Refused& c :
         {Refused{"trackTime", "00:00:00", "Position marker every runs from 00:00:01 to 06:00:00"},
          Refused{"trackTime", "06:00:01", "Position marker every runs from 00:00:01 to 06:00:00"},
          Refused{"logTime", "0:00:00", "Log position every runs from 00:00:01 to 06:00:00"},
          Refused{"logTime", "00:61:00", "Minutes run from 0 to 59"}}) {
        r.OpenSheet();
        r.messages.clear();
        r.Edit(c.field)->setText(c.text);
        EXPECT_FALSE(r.sheet->OnOk()) << c.text;
        EXPECT_EQ(r.messages, QStringList{c.message}) << c.text;
        EXPECT_EQ(r.sheet->focusWidget(), r.Edit(c.field)) << c.text;
        EXPECT_EQ(r.nav.TrackInterval(), 300s) << c.text;
        EXPECT_FALSE(std::filesystem::exists(r.tmp / "settings.conf")) << c.text;
    }

    // Both ends are taken; they reach the navigator, the GPS module and the
    // stored settings, which fresh modules read back.
    r.Edit("trackTime")->setText("06:00:00");
    r.Edit("logTime")->setText("00:00:01");
    ASSERT_TRUE(r.sheet->OnApply());
    EXPECT_EQ(r.nav.TrackInterval(), 6h);
    EXPECT_EQ(r.nav.LoggingPeriod(), 1s);
    EXPECT_EQ(r.gps.GetLoggingPeriod().GetTotalSeconds(), 1);
    NoPorts ports;
    nmea::CGPSModule gps(r.settings, ports, r.clock, nullptr, [] { return 2; });
    gps.LoadSettings();
    EXPECT_EQ(gps.GetLoggingPeriod().GetTotalSeconds(), 1);
    navtest::FakeGps receiver(r.clock);
    navigator::CNavigatorModule nav(r.settings, r.clock, &receiver);
    nav.LoadSettings();
    EXPECT_EQ(nav.TrackInterval(), 6h);
    EXPECT_EQ(nav.LoggingPeriod(), 1s);
}

TEST(LoggingOptionsPage, OkMakesTheFolderAndTheNextTickUsesTheInterval)
{
    Rig r;
    navtest::FakeLog log;
    log.logging = true;
    r.nav.SetVesselLog(&log);
    r.nav.SetLogging(true);
    r.OpenSheet();
    EXPECT_TRUE(r.Save()->isChecked());
    r.Tick(0);
    ASSERT_EQ(log.points, 1);   // the first tick writes; the next is 5 minutes away

    const std::filesystem::path folder = r.tmp / "Voyages" / "2026" / "Puget Sound";
    r.Edit("trackTime")->setText("00:00:10");
    r.Edit("logTime")->setText("00:02:00");
    r.Edit("logFolder")->setText(QString::fromStdString(folder.string() + "/"));
    ASSERT_TRUE(r.sheet->OnOk());
    EXPECT_TRUE(r.failure.empty()) << r.failure;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(r.nav.Logbook().Folder(), folder);

    // Every whole 10 s of navigation, from the point already written.
    for (int s = 1; s <= 22; ++s) {
        r.Tick(s);
        EXPECT_EQ(log.points, 1 + (s >= 10) + (s >= 20)) << s;
    }

    // The box switches logging off; everything is stored for the next start.
    r.OpenSheet();
    r.Save()->click();
    ASSERT_FALSE(r.Save()->isChecked());
    ASSERT_TRUE(r.sheet->OnOk());
    EXPECT_FALSE(r.nav.Logbook().IsLogging());
    navtest::FakeGps receiver(r.clock);
    navigator::CNavigatorModule nav(r.settings, r.clock, &receiver);
    nav.LoadSettings();
    EXPECT_EQ(nav.TrackInterval(), 10s);
    EXPECT_EQ(nav.LoggingPeriod(), 2min);
    EXPECT_EQ(nav.Logbook().Folder(), folder);
    EXPECT_FALSE(nav.Logbook().IsLogging());
}

// The page's texts: the two spans' labels carry no key, the check box's
// key is its own (not the sheet's OK, Cancel or Apply), and the folder is
// named by its group alone.
TEST(LoggingOptionsPage, TextsAndTheOneKey)
{
    Rig r;
    QStringList texts;
    for (auto* label : r.sheet->Page(0)->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    EXPECT_EQ(texts, (QStringList{"Position marker every", "Hrs:Mins:Secs", "Log position every",
                                  "Hrs:Mins:Secs"}));
    QStringList groups;
    for (auto* group : r.sheet->Page(0)->findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{"General", "Database folder"}));
    EXPECT_EQ(r.Save()->text(), "&Save to logbook");
}

TEST(LoggingOptionsPage, CancelChangesNothing)
{
    Rig r;
    const navigator::CLoggingValues before = navigator::CurrentLoggingValues(r.nav, r.gps);
    r.Edit("trackTime")->setText("00:00:10");
    r.Edit("logTime")->setText("00:00:20");
    r.Save()->click();
    r.Edit("logFolder")->setText(QString::fromStdString((r.tmp / "Elsewhere").string()));
    r.sheet->OnCancel();
    EXPECT_EQ(navigator::CurrentLoggingValues(r.nav, r.gps), before);
    EXPECT_FALSE(std::filesystem::exists(r.tmp / "Elsewhere"));
    EXPECT_FALSE(std::filesystem::exists(r.tmp / "settings.conf"));
}

TEST(LoggingOptionsPage, TheFolderMustBeOneThatCanBeMade)
{
    Rig r;
    std::ofstream(r.tmp / "afile") << "x";
    std::vector<std::pair<std::string, std::string>> cases{
        {"", "Database folder: a folder is needed."},
        {"Logs/here", "Database folder: give the whole path, from \"/\"."},
        {(r.tmp / "afile").string(), (r.tmp / "afile").string() + " is a file, not a folder."}};
    // A folder that cannot be written (root writes anywhere).
    if (::geteuid() != 0) {
        std::filesystem::create_directories(r.tmp / "locked");
        ::chmod((r.tmp / "locked").c_str(), 0555);
        cases.push_back({(r.tmp / "locked" / "a").string(),
                         (r.tmp / "locked" / "a").string() + " cannot be made there: " +
                             (r.tmp / "locked").string() + " cannot be written."});
    }
    for (const auto& [text, message] : cases) {
        r.messages.clear();
        r.Edit("logFolder")->setText(QString::fromStdString(text));
        EXPECT_FALSE(r.sheet->OnApply()) << text;
        EXPECT_EQ(r.messages, QStringList{QString::fromStdString(message)}) << text;
        EXPECT_EQ(r.nav.Logbook().Folder(), r.tmp / "Logs");
    }
    ::chmod((r.tmp / "locked").c_str(), 0755);
}

// A folder under a file cannot be made. Typed in, the sheet applies the
// rest and says so; the log's own folder left as it was holds nothing up.
TEST(LoggingOptionsPage, AFolderThatCannotBeMadeIsSaidAndChangesNothing)
{
    Rig r;
    std::ofstream(r.tmp / "afile") << "x";
    r.nav.Logbook().SetFolder(r.tmp / "afile" / "Logs");
    r.OpenSheet();
    r.Edit("trackTime")->setText("00:00:30");
    ASSERT_TRUE(r.sheet->OnApply());
    EXPECT_TRUE(r.failure.empty()) << r.failure;
    EXPECT_EQ(r.nav.TrackInterval(), 30s);

    r.Edit("logFolder")->setText(QString::fromStdString((r.tmp / "afile" / "Other").string()));
    ASSERT_TRUE(r.sheet->OnApply());
    EXPECT_EQ(r.failure, "The log folder " + (r.tmp / "afile" / "Other").string() +
                             " could not be made; new logs stay in " +
                             (r.tmp / "afile" / "Logs").string() + ".");
    EXPECT_EQ(r.nav.Logbook().Folder(), r.tmp / "afile" / "Logs");
}

TEST(LoggingOptionsPage, TakesLoggingSwitchedFromTheMenuWhenShownAgain)
{
    Rig r;
    r.nav.SetLogging(true);   // "Turn Logging ON or OFF" while the sheet is open
    r.sheet->hide();
    r.sheet->show();
    EXPECT_TRUE(r.Save()->isChecked());
    ASSERT_TRUE(r.sheet->OnOk());
    EXPECT_TRUE(r.nav.Logbook().IsLogging());
}

// The sheet stays open on the page while the menu switches logging: the tick
// follows, and OK straight after the switch keeps it (it must not undo the menu).
TEST(LoggingOptionsPage, FollowsTheMenuWhileOpen)
{
    {
        Rig r;
        r.nav.SetLogging(true);   // "Turn Logging ON or OFF" with the sheet open
        ASSERT_TRUE(r.sheet->OnOk());
        EXPECT_TRUE(r.nav.Logbook().IsLogging());
    }
    {
        Rig r;
        r.nav.SetLogging(true);
        EXPECT_TRUE(QTest::qWaitFor([&] { return r.Save()->isChecked(); }, 3000));
        r.nav.SetLogging(false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !r.Save()->isChecked(); }, 3000));
        // The user's own tick still counts when the menu did nothing since.
        r.Save()->click();
        ASSERT_TRUE(r.sheet->OnOk());
        EXPECT_TRUE(r.nav.Logbook().IsLogging());
    }
}

TEST(VoyageDlg, EndShowsTheRunningVoyageAndStartTakesTwentyCharacters)
{
    App();
    navigator::CVoyageDlg::CTexts end;
    end.start = false;
    end.voyageId = "PS-0712";
    end.watchOfficer = "M. Lund";
    navigator::CVoyageDlg ending(end);
    EXPECT_EQ(ending.VoyageEdit()->text(), "PS-0712");
    EXPECT_EQ(ending.OfficerEdit()->text(), "M. Lund");
    EXPECT_FALSE(ending.VoyageEdit()->isEnabled());
    EXPECT_FALSE(ending.OfficerEdit()->isEnabled());
    for (QLabel* label : ending.findChildren<QLabel*>())
        if (label->buddy() == ending.VoyageEdit() || label->buddy() == ending.OfficerEdit())
            EXPECT_FALSE(label->isEnabled()) << label->text().toStdString();

    navigator::CVoyageDlg starting(navigator::CVoyageDlg::CTexts{});
    EXPECT_TRUE(starting.VoyageEdit()->isEnabled());
    QTest::keyClicks(starting.VoyageEdit(), "ADMIRALTY-INLET-0712-NORTH");
    EXPECT_EQ(starting.VoyageId(), "ADMIRALTY-INLET-0712");
    QTest::keyClicks(starting.OfficerEdit(), "Watch Officer Of The Day");
    EXPECT_EQ(starting.WatchOfficer().size(), 20);
}

// Both buttons answer to their Alt letters.
TEST(VoyageDlg, ButtonsHaveTheirAccessKeys)
{
    App();
    navigator::CVoyageDlg dialog(navigator::CVoyageDlg::CTexts{});
    QStringList texts;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        texts << button->text();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"&Cancel", "&OK"}));
}

}   // namespace
