// A tender's "Target Properties", offscreen, over tracking fed by parsed
// lines: defaults and empty, disabled fields with no tender; one tender's
// facts and display properties; Apply gives that tender alone the page's
// properties and "Clear Panic" clears its panic; the sheet follows a new
// current tender without being raised, the Summary follows the tender's state
// each pass, and a tender removed (or replaced on its channel) empties both
// pages so that Apply changes nothing. The tender module keeps applied
// options at once; switched off, its pass leaves the tenders as they were,
// and "Go To Selected" stays offered for a silent current tender.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <map>

#include "FakeClock.h"
#include "FakePort.h"
#include "FileSettingsHome.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "targets/TenderRows.h"
#include "targets/ui/TenderPropertySheet.h"
#include "targets/ui/TenderWindows.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TenderPropertySheetTest";
char* g_argv[] = {g_arg0, nullptr};

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

struct TenderSheetTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
    }
    brine_test::FakeClock clock;
    NoPorts ports;
    CTenderTracking tracking{clock, ports};
    int applied = 0;
    CTenderPropertySheet sheet{tracking, nullptr, [this] { ++applied; }};

    TenderSheetTest()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
        const char* names[] = {"Red boat", "Blue boat", "Rescue"};
        for (int i = 0; i < 3; ++i) {
            tracking.Settings().channels[std::size_t(i)].valid = true;
            tracking.Settings().channels[std::size_t(i)].name = names[i];
        }
    }
    ~TenderSheetTest() override { sheet.Close(); }

    void Report(int channel, const char* serial)
    {
        ASSERT_TRUE(tracking.Store().ParseTargetLine(
            channel, std::string("$PABX,") + serial +
                         ",RMC,150000,A,4736.000,N,12224.000,W,3.0,90.0,071226,,"));
    }
    void Pass()
    {
        tracking.OnTimer({});
        sheet.Refresh();
    }
    CTargetConfigurationPage& Configuration() { return *sheet.Sheet().Configuration(); }
    QString Summary(int field) { return sheet.Sheet().Summary()->Text(field); }
    template <class T>
    T* Field(const char* name)
    {
        return Configuration().findChild<T*>(name);
    }
    bool Apply() { return sheet.Sheet().Sheet()->OnApply(); }
};

// The module over a transceiver on a fake port, the own vessel 2 nm south of
// the tender on the first channel; both circles 0.5 nm.
struct TenderWindowsTest : TenderSheetTest {
    brine_test::TempFolder folder;
    brine_test::FileSettingsHome home{folder.Path() / "settings.conf"};
    brine_test::FakePorts fakePorts;
    CTenderWindows windows{home, clock, fakePorts};
    app::CCommandTable commands;
    COwnSituation own;

    TenderWindowsTest()
    {
        fakePorts.Add(1);
        windows.LoadSettings();
        windows.RegisterCommands(commands);
        CTenderSettings& s = windows.Tracking().Settings();
        s.receivePort = 1;
        s.channels[0].valid = true;
        s.warningCircles = true;
        s.warningCirclesRadius = 0.5;
        own.position = CTargetPosition{47.6, -122.4};
        own.vesselCircle = true;
        own.vesselRadius = 0.5;
        windows.ownSituation = [this] { return own; };
    }
    ~TenderWindowsTest() override { windows.Terminate(); }

    // The tender on the first channel, 2 nm north of the own vessel.
    void ReportFirst()
    {
        ASSERT_TRUE(windows.Tracking().Store().ParseTargetLine(
            0, "$PABX,0001,RMC,150000,A,4738.000,N,12224.000,W,3.0,90.0,071226,,"));
    }
};

}   // namespace

TEST_F(TenderSheetTest, NoTenderShowsDefaultsEmptyAndDisabled)
{
    sheet.Show(-1);
    ASSERT_TRUE(sheet.Sheet().IsOpen());
    EXPECT_EQ(sheet.Sheet().Sheet()->windowTitle(), "Target Properties");
    EXPECT_EQ(Field<QLineEdit>("pathDistance")->text(), "10.0");
    EXPECT_FALSE(Field<QCheckBox>("overlays")->isEnabled());
    EXPECT_FALSE(Field<QPushButton>("clearPanic")->isEnabled());
    for (int i = 0; i < kTenderSummaryFields; ++i)
        EXPECT_TRUE(Summary(i).isEmpty()) << i;
    EXPECT_TRUE(Apply());
    EXPECT_EQ(applied, 0);
}

// The text switches are the radar target page's, "Depth" in place of
// "Label"; every switch, label and button of the page has an access key of
// its own, so Alt and the letter always works the control it names.
TEST_F(TenderSheetTest, ConfigurationSwitchesAndTheirAccessKeys)
{
    sheet.Show(-1);
    EXPECT_EQ(Field<QCheckBox>("drawNumber")->text(), "N&umber");
    EXPECT_EQ(Field<QCheckBox>("drawName")->text(), "&Name");
    EXPECT_EQ(Field<QCheckBox>("drawDepth")->text(), "Dept&h");
    EXPECT_EQ(Field<QPushButton>("default")->text(), "&Default");
    EXPECT_EQ(Field<QPushButton>("clearPanic")->text(), "&Clear Panic");
    QStringList texts;
    for (const QAbstractButton* b : Configuration().findChildren<QAbstractButton*>())
        texts << b->text();
    for (const QLabel* l : Configuration().findChildren<QLabel*>())
        texts << l->text();
    std::map<QChar, QString> keys;
    for (const QString& text : texts) {
        const auto at = text.indexOf('&');
        if (at < 0 || at + 1 >= text.size())
            continue;
        const QChar key = text[at + 1].toLower();
        EXPECT_EQ(keys.count(key), 0u) << text.toStdString() << " and " << keys[key].toStdString();
        keys[key] = text;
    }
    EXPECT_GE(keys.size(), 10u);
}

TEST_F(TenderSheetTest, ApplyGivesOneTenderItsPropertiesAndClearsItsPanic)
{
    Report(0, "0001");
    Report(2, "0003");
    ASSERT_TRUE(tracking.Store().ParseTargetLine(2, "$PABX,0003,MOVB"));
    Pass();
    ASSERT_TRUE(tracking.Find(2)->manOverboard);

    sheet.Show(0);
    EXPECT_EQ(Summary(0), "A");
    EXPECT_EQ(Summary(1), "Red boat");
    EXPECT_EQ(Summary(2), "Non-Dangerous");
    EXPECT_TRUE(Field<QCheckBox>("overlays")->isEnabled());
    EXPECT_FALSE(Field<QPushButton>("clearPanic")->isEnabled());   // not in panic

    const bool numbered = tracking.Find(0)->properties.drawNumber;
    Field<QCheckBox>("drawNumber")->setChecked(!numbered);
    Field<QCheckBox>("saveTargets")->setChecked(true);
    ASSERT_TRUE(Apply());
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(tracking.Find(0)->properties.drawNumber, !numbered);
    EXPECT_TRUE(tracking.Find(0)->properties.saveTarget);
    EXPECT_EQ(tracking.Find(2)->properties.drawNumber, numbered);
    EXPECT_FALSE(tracking.Find(2)->properties.saveTarget);

    // The tender in panic: "Clear Panic" is offered and acts at Apply.
    sheet.Show(2);
    EXPECT_EQ(Summary(2), "'Panic Button' Activated");
    ASSERT_TRUE(Field<QPushButton>("clearPanic")->isEnabled());
    Field<QPushButton>("clearPanic")->click();
    EXPECT_TRUE(tracking.Find(2)->manOverboard);   // nothing until Apply
    ASSERT_TRUE(Apply());
    EXPECT_FALSE(tracking.Find(2)->manOverboard);
    EXPECT_EQ(tracking.ManOverboardCount(), 0);
    Pass();
    EXPECT_EQ(Summary(2), "Non-Dangerous");
}

TEST_F(TenderSheetTest, FollowsTheCurrentTenderAndEmptiesWhenItGoes)
{
    Report(0, "0001");
    Report(1, "0002");
    Pass();
    sheet.Follow(1);   // closed: nothing opens
    EXPECT_FALSE(sheet.Sheet().IsOpen());

    sheet.Show(0);
    sheet.Follow(1);
    EXPECT_EQ(sheet.Shown(), 1);
    EXPECT_EQ(Summary(1), "Blue boat");
    sheet.Follow(-1);   // no current tender: the shown one stays
    EXPECT_EQ(Summary(1), "Blue boat");

    // Silent past the dangerous interval: the next pass says so.
    clock.Advance(tracking.Settings().dangerousInterval + 1s);
    Pass();
    EXPECT_EQ(Summary(2), "Dangerous");

    // Removed, then a new tender on its channel: the pages stay empty and
    // an Apply begun on the old tender does not reach the newcomer.
    Field<QCheckBox>("drawName")->setChecked(!Field<QCheckBox>("drawName")->isChecked());
    tracking.Remove(1);
    Report(1, "0002");
    Pass();
    ASSERT_NE(tracking.Find(1), nullptr);
    EXPECT_EQ(sheet.Shown(), -1);
    EXPECT_TRUE(Summary(1).isEmpty());
    EXPECT_FALSE(Field<QCheckBox>("overlays")->isEnabled());
    const chart::CTargetProperties before = tracking.Find(1)->properties;
    EXPECT_TRUE(Apply());
    EXPECT_FALSE(tracking.Find(1)->properties != before);
    EXPECT_EQ(applied, 0);
}

// The vessel log's rows of tenders: one starts when the tender is tracked
// and is shown as "Target Captured"; removal ends it with the last report.
struct Rows : CTargetLogRows {
    std::vector<std::pair<int, int>> started;   // kind, channel
    std::vector<std::pair<long, std::chrono::system_clock::time_point>> ended;
    std::chrono::system_clock::time_point start{};
    std::optional<CRow> StartRow(int kind, int number, const std::string&) override
    {
        started.emplace_back(kind, number);
        return CRow{long(started.size()) + 40, start};
    }
    void EndRow(long row, std::chrono::system_clock::time_point last) override
    {
        ended.emplace_back(row, last);
    }
};

TEST_F(TenderSheetTest, CapturedFromTheLogRowAndClearPanicFollowsThePanicWhileOpen)
{
    Rows rows;
    rows.start = clock.UtcNow() - 90s;
    tracking.SetLogRows(&rows);
    CTenderPropertySheet local{
        tracking, nullptr, {}, [](std::chrono::system_clock::time_point t) {
            return std::to_string(
                std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count());
        }};
    Report(0, "0001");
    Pass();
    ASSERT_EQ(rows.started, (std::vector<std::pair<int, int>>{{4, 0}}));
    local.Show(0);
    const auto captured =
        std::chrono::duration_cast<std::chrono::seconds>(rows.start.time_since_epoch()).count();
    EXPECT_EQ(local.Sheet().Summary()->Text(3).toStdString(), std::to_string(captured));
    auto* clearPanic = local.Sheet().Configuration()->findChild<QPushButton*>("clearPanic");
    ASSERT_NE(clearPanic, nullptr);
    EXPECT_FALSE(clearPanic->isEnabled());

    // The panic comes while the sheet is open: offered at the next pass.
    ASSERT_TRUE(tracking.Store().ParseTargetLine(0, "$PABX,0001,MOVB"));
    tracking.OnTimer({});
    local.Refresh();
    EXPECT_TRUE(clearPanic->isEnabled());
    // Cleared elsewhere ("Reset MOB"): no longer offered.
    tracking.SetManOverboard(0, false);
    local.Refresh();
    EXPECT_FALSE(clearPanic->isEnabled());

    const auto lastReport = tracking.Find(0)->lastReport;
    tracking.Remove(0);
    ASSERT_EQ(rows.ended.size(), 1u);
    EXPECT_EQ(rows.ended[0].first, 41);
    EXPECT_EQ(rows.ended[0].second, lastReport);
    local.Close();
    tracking.SetLogRows(nullptr);
}

// Options applied are kept at once: a new start finds the channels, serials,
// port and display properties as they were set, with no workspace saved.
TEST(TenderWindows, AppliedOptionsAreThereAtTheNextStart)
{
    brine_test::TempFolder folder;
    brine_test::FileSettingsHome home(folder.Path() / "settings.conf");
    brine_test::FakeClock clock;
    NoPorts ports;
    {
        CTenderWindows windows(home, clock, ports);
        windows.LoadSettings();
        CTenderOptions options = TenderOptionsOf(windows.Tracking(), {47.6, -122.4});
        options.settings.channels[0].valid = true;
        options.settings.channels[0].serial = "0001";
        options.settings.channels[0].name = "Red boat";
        options.settings.channelDuration = std::chrono::seconds(1);
        options.properties.drawNumber = true;
        windows.ApplyOptions(options);
        windows.Terminate();
    }
    CTenderWindows again(home, clock, ports);
    again.LoadSettings();
    const CTenderSettings& s = again.Tracking().Settings();
    EXPECT_TRUE(s.channels[0].valid);
    EXPECT_EQ(s.channels[0].serial, "0001");
    EXPECT_EQ(s.channels[0].name, "Red boat");
    EXPECT_EQ(s.channelDuration, std::chrono::seconds(1));
    EXPECT_TRUE(again.Tracking().Properties().drawNumber);
    again.Terminate();
}

// "Current Target > Save" is shown disabled and ticked by the current
// tender's own "Save Target" (set on its Configuration page).
TEST(TenderWindows, SaveIsTickedByTheCurrentTendersSaveTarget)
{
    brine_test::TempFolder folder;
    brine_test::FileSettingsHome home(folder.Path() / "settings.conf");
    brine_test::FakeClock clock;
    clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
    NoPorts ports;
    CTenderWindows windows(home, clock, ports);
    windows.LoadSettings();
    app::CCommandTable commands;
    windows.RegisterCommands(commands);
    auto state = commands.Update(app::cmd::kTenderSave);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.check, 0);   // no current tender

    windows.Tracking().Settings().channels[1].valid = true;
    ASSERT_TRUE(windows.Tracking().Store().ParseTargetLine(
        1, "$PABX,0002,RMC,150000,A,4736.000,N,12224.000,W,3.0,90.0,071226,,"));
    windows.Pass();
    windows.SetCurrent(1);
    EXPECT_EQ(commands.Update(app::cmd::kTenderSave).check, 0);
    windows.Tracking().Find(1)->properties.saveTarget = true;
    state = commands.Update(app::cmd::kTenderSave);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.check, 1);
    // Its action flips the current tender's setting, and the tick follows.
    windows.ToggleSaveTarget();
    EXPECT_FALSE(windows.Tracking().Find(1)->properties.saveTarget);
    EXPECT_EQ(commands.Update(app::cmd::kTenderSave).check, 0);
    windows.ToggleSaveTarget();
    EXPECT_EQ(commands.Update(app::cmd::kTenderSave).check, 1);

    // "Reset MOB" is offered only while the current tender is in man-overboard
    // state, and clears it.
    EXPECT_FALSE(commands.Update(app::cmd::kTenderResetMob).enabled);
    ASSERT_TRUE(windows.Tracking().Store().ParseTargetLine(1, "$PABX,0002,MOVB"));
    windows.Pass();
    EXPECT_TRUE(commands.Update(app::cmd::kTenderResetMob).enabled);
    commands.Execute(app::cmd::kTenderResetMob);
    EXPECT_FALSE(windows.Tracking().Find(1)->manOverboard);
    EXPECT_EQ(windows.Tracking().ManOverboardCount(), 0);
    EXPECT_FALSE(commands.Update(app::cmd::kTenderResetMob).enabled);
    windows.Terminate();
}

// Switched off (and not simulating), the module's pass leaves every tender as
// it was; "Go To Selected" stays offered for a current tender that went
// silent and goes to where it was last seen.

TEST_F(TenderWindowsTest, SwitchedOffThePassLeavesTheTendersAsTheyWere)
{
    windows.ToggleActive();
    ASSERT_TRUE(windows.Tracking().IsActive());
    ReportFirst();
    windows.Pass();
    const CTender* t = windows.Tracking().Find(0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->reporting);
    EXPECT_TRUE(t->outOfRange);
    EXPECT_FALSE(t->insideCircle);
    ASSERT_EQ(t->track.size(), 1u);

    // Off: silent past the dangerous interval, the own vessel beside it.
    windows.ToggleActive();
    ASSERT_FALSE(windows.Tracking().IsActive());
    ASSERT_FALSE(windows.Tracking().IsChecking());
    clock.Advance(windows.Tracking().Settings().dangerousInterval + 30s);
    own.position = CTargetPosition{47.0 + 38.1 / 60.0, -122.4};
    for (int i = 0; i < 3; ++i)
        windows.Pass();
    t = windows.Tracking().Find(0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->reporting);
    EXPECT_TRUE(t->outOfRange);
    EXPECT_FALSE(t->insideCircle);
    EXPECT_EQ(windows.Tracking().OutOfRangeCount(), 1);
    EXPECT_EQ(windows.Tracking().InsideCount(), 0);

    // On again: checked, from where it was last seen.
    windows.ToggleActive();
    ASSERT_TRUE(windows.Tracking().IsChecking());
    windows.Pass();
    EXPECT_FALSE(t->reporting);
    EXPECT_FALSE(t->outOfRange);
    EXPECT_TRUE(t->insideCircle);
}

TEST_F(TenderWindowsTest, GoToSelectedStaysOfferedForASilentTender)
{
    std::optional<CTargetPosition> went;
    windows.goToPosition = [&](const CTargetPosition& p) {
        went = p;
        return true;
    };
    EXPECT_FALSE(commands.Update(app::cmd::kTenderGoToSelected).enabled);   // no current tender
    windows.ToggleActive();
    ReportFirst();
    windows.Pass();
    windows.SetCurrent(0);
    EXPECT_TRUE(commands.Update(app::cmd::kTenderGoToSelected).enabled);
    // Its report is out of date after the refresh time; it is still the current tender.
    clock.Advance(10s);
    windows.Pass();
    ASSERT_FALSE(windows.Tracking().Find(0)->Position());
    EXPECT_TRUE(commands.Update(app::cmd::kTenderGoToSelected).enabled);
    ASSERT_TRUE(commands.Execute(app::cmd::kTenderGoToSelected));
    ASSERT_TRUE(went);
    EXPECT_NEAR(went->latitude, 47.0 + 38.0 / 60.0, 1e-9);
    EXPECT_NEAR(went->longitude, -(122.0 + 24.0 / 60.0), 1e-9);
}

// "Current Target > View" opens the tender target list window on the current
// tender (or none), is ticked while it is open, closes it when chosen again,
// and a window closed by itself clears the module's hold on it. A tender made
// current later is shown in the open window.
TEST_F(TenderWindowsTest, ViewOpensClosesAndFollowsTheCurrentTender)
{
    EXPECT_TRUE(commands.Update(app::cmd::kTenderView).enabled);
    EXPECT_EQ(commands.Update(app::cmd::kTenderView).check, 0);
    commands.Execute(app::cmd::kTenderView);
    ASSERT_NE(windows.LogWindow(), nullptr);
    EXPECT_EQ(windows.LogWindow()->windowTitle(), "Tender Target Log : ");
    EXPECT_EQ(commands.Update(app::cmd::kTenderView).check, 1);
    commands.Execute(app::cmd::kTenderView);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.LogWindow(), nullptr);
    EXPECT_EQ(commands.Update(app::cmd::kTenderView).check, 0);

    ReportFirst();
    windows.Pass();
    windows.SetCurrent(0);
    commands.Execute(app::cmd::kTenderView);
    ASSERT_NE(windows.LogWindow(), nullptr);
    EXPECT_EQ(windows.LogWindow()->windowTitle(), "Tender Target Log : Target ID T1 - Tender 1");
    windows.LogWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.LogWindow(), nullptr);
    EXPECT_EQ(commands.Update(app::cmd::kTenderView).check, 0);

    commands.Execute(app::cmd::kTenderView);
    ASSERT_NE(windows.LogWindow(), nullptr);
    windows.SetCurrent(-1);
    EXPECT_EQ(windows.LogWindow()->windowTitle(), "Tender Target Log : ");
    windows.SetCurrent(0);
    EXPECT_EQ(windows.LogWindow()->windowTitle(), "Tender Target Log : Target ID T1 - Tender 1");
}
