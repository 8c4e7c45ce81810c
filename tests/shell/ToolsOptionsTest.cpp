// Tools Options on the real frame: a refused value changes nothing, an
// accepted one is the frame's at once and reaches the settings when the
// workspace is saved, and a stored value out of range is brought into range
// when read.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/MsgBar.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "app/Timer.h"
#include "app/ToolsOptions.h"
#include "app/WorkspaceManager.h"
#include "app/ui/PropertySheet.h"
#include "nmea/PortList.h"
#include "shell/MainFrame.h"

namespace {

int g_argc = 1;
char g_arg0[] = "shell_ToolsOptionsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

struct ToolsOptionsTest : ::testing::Test {
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    app::CTimer timerIds;
    brine_test::TempFolder folder;
    platform::CSettingsStore store{folder.Path() / "settings.conf"};

    shell::CFrameServices Services()
    {
        App();
        shell::CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.programFolder = brine_test::LinkedProgramFolder(folder / "program");
        s.audioFolder = s.programFolder / "System" / "Audio";
        s.settings = &store;
        s.showDisclaimer = [](QWidget*) { return true; };
        return s;
    }
    static app::CModelessPropertySheet* OpenSheet(shell::CMainFrame& frame)
    {
        frame.UpdateModuleCmdUI(true);
        frame.Action(app::cmd::kToolsOptions)->trigger();
        for (QWidget* w : frame.ModelessSheets())
            if (auto* sheet = qobject_cast<app::CModelessPropertySheet*>(w))
                return sheet;
        QCoreApplication::sendPostedEvents();
        for (QWidget* w : frame.ModelessSheets())
            if (auto* sheet = qobject_cast<app::CModelessPropertySheet*>(w))
                return sheet;
        return nullptr;
    }
    bool StoredPlaces(shell::CMainFrame& frame, long& places)
    {
        app::CRegistry registry(store);
        std::uint32_t dword = 0;
        const bool read = registry.OpenKeyForRead(frame.Workspace()->GetRegistryKey()) &&
                          registry.ReadDWord("DecimalPlaces", dword);
        if (read)
            places = static_cast<long>(dword);
        return read;
    }
};

TEST_F(ToolsOptionsTest, RefusedDecimalPlacesChangeNothingAndAcceptedOnesAreSavedWithTheWorkspace)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    ASSERT_GE(sheet->PageCount(), 2);
    EXPECT_EQ(sheet->Tabs()->tabText(0), "Workspace");
    EXPECT_EQ(sheet->Tabs()->tabText(1), "System");
    QStringList messages;
    sheet->SetMessageShower([&](const QString& m) { messages << m; });
    auto* places = sheet->Page(0)->findChild<QLineEdit*>("decimalPlaces");
    ASSERT_NE(places, nullptr);
    EXPECT_EQ(places->text(), "2");

    long stored = -1;
    const bool before = StoredPlaces(frame, stored);
    for (const char* bad : {"5", "255", "-1", "two"}) {
        places->setText(bad);
        EXPECT_FALSE(sheet->OnOk()) << bad;
        long now = -1;
        EXPECT_EQ(StoredPlaces(frame, now), before);
        EXPECT_EQ(now, stored);
    }
    ASSERT_EQ(messages.size(), 4);
    EXPECT_EQ(messages[0], "Decimal places run from 0 to 4");
    EXPECT_EQ(frame.DecimalPlaces(), 2);

    places->setText("3");
    EXPECT_TRUE(sheet->OnOk());
    EXPECT_EQ(frame.DecimalPlaces(), 3);
    // Applied, not yet written: the workspace holds what it held.
    long now = -1;
    EXPECT_EQ(StoredPlaces(frame, now), before);
    EXPECT_EQ(now, stored);
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Bridge"));
    ASSERT_TRUE(StoredPlaces(frame, stored));
    EXPECT_EQ(stored, 3);
    frame.TearDown();
}

// OK on the Workspace and System pages applies their values to the frame
// and writes nothing: not the frame's values, not "ReloadWorkspace", and a
// workspace set to save itself is not saved until the program closes.
TEST_F(ToolsOptionsTest, OkAppliesTheWorkspaceValuesWithoutWritingThem)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Bridge"));
    const std::string key = frame.Workspace()->GetRegistryKey();
    const auto written = [&](const std::string& subkey, const char* name) {
        app::CRegistry registry(store);
        bool value = false;
        return registry.OpenKeyForRead(subkey) && registry.ReadBool(name, value);
    };
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    QWidget* page = sheet->Page(0);
    auto* places = page->findChild<QLineEdit*>("decimalPlaces");
    auto* degMinSec = page->findChild<QAbstractButton*>("degMinSec");
    auto* list = page->findChild<QListWidget*>("workspaceList");
    auto* priority = sheet->Page(1)->findChild<QSlider*>("priorityBoost");
    ASSERT_TRUE(places && degMinSec && list && priority);
    ASSERT_EQ(list->count(), 4);
    places->setText("1");
    degMinSec->setChecked(true);
    // Reload documents, reload workspace, auto save, confirm closedown.
    const Qt::CheckState marks[] = {Qt::Unchecked, Qt::Unchecked, Qt::Checked, Qt::Unchecked};
    for (int i = 0; i < 4; ++i)
        list->item(i)->setCheckState(marks[i]);
    priority->setValue(1);
    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(frame.DecimalPlaces(), 1);
    EXPECT_TRUE(frame.DegMinSec());
    EXPECT_TRUE(frame.AutoSaveWorkspace());
    EXPECT_FALSE(frame.ReloadWorkspace());
    EXPECT_FALSE(frame.ConfirmClosedown());

    long storedPlaces = -1;
    ASSERT_TRUE(StoredPlaces(frame, storedPlaces));
    EXPECT_EQ(storedPlaces, 2);
    {
        app::CRegistry registry(store);
        ASSERT_TRUE(registry.OpenKeyForRead(key + "\\WorkSpace"));
        bool autoSave = true;
        EXPECT_TRUE(registry.ReadBool("AutoSaveWorkspace", autoSave));
        EXPECT_FALSE(autoSave);
        // Only the Workspace page's switches live below "WorkSpace".
        std::string misplaced;
        EXPECT_FALSE(registry.ReadString("DecimalPlaces", misplaced));
    }
    EXPECT_FALSE(written(frame.Workspace()->GetRoot(), "ReloadWorkspace"));

    // Saved with the workspace, each where it belongs.
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Bridge"));
    ASSERT_TRUE(StoredPlaces(frame, storedPlaces));
    EXPECT_EQ(storedPlaces, 1);
    {
        app::CRegistry registry(store);
        ASSERT_TRUE(registry.OpenKeyForRead(key));
        bool storedDegMinSec = false;
        std::uint32_t storedPriority = 0;
        EXPECT_TRUE(registry.ReadBool("DisplayDegMinSecPosition", storedDegMinSec));
        EXPECT_TRUE(storedDegMinSec);
        EXPECT_TRUE(registry.ReadDWord("ThreadPriority", storedPriority));
        EXPECT_EQ(storedPriority, 1U);
        registry.Close();
        ASSERT_TRUE(registry.OpenKeyForRead(key + "\\WorkSpace"));
        bool autoSave = false;
        EXPECT_TRUE(registry.ReadBool("AutoSaveWorkspace", autoSave));
        EXPECT_TRUE(autoSave);
        std::string misplaced;
        EXPECT_FALSE(registry.ReadString("DecimalPlaces", misplaced));
    }
    frame.TearDown();
}

// The sheet is captioned as its menu item names it, and the decimal places
// step by their arrows within 0 to 4, as Up and Down step them.
TEST_F(ToolsOptionsTest, CaptionAndDecimalPlacesArrows)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), "Tools Options");
    auto* edit = sheet->Page(0)->findChild<QAbstractButton*>("editColours");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), "&Edit");
    // The palette group's controls follow one another in this order, Tab included.
    {
        QStringList order;
        QWidget* w = sheet->Page(0)->findChild<QWidget*>("palette");
        for (int i = 0; w && i < 6; ++i, w = w->nextInFocusChain())
            order << w->objectName();
        EXPECT_EQ(order.join(' '), "palette palette1 palette2 editColours defaultColours "
                                   "applyToDesktop");
    }
    auto* places = sheet->Page(0)->findChild<QLineEdit*>("decimalPlaces");
    auto* up = sheet->Page(0)->findChild<QAbstractButton*>("decimalPlacesUp");
    auto* down = sheet->Page(0)->findChild<QAbstractButton*>("decimalPlacesDown");
    ASSERT_TRUE(places && up && down);
    // Beside the number, not in the Tab order.
    EXPECT_EQ(up->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(places->text(), "2");
    const QString seen[] = {"3", "4", "4"};
    for (const QString& want : seen) {
        QTest::mouseClick(up, Qt::LeftButton);
        EXPECT_EQ(places->text(), want);
    }
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(places->text(), "0");
    // A number typed out of range is brought into range by the first step.
    places->setText("9");
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(places->text(), "4");
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_TRUE(sheet->OnOk());
    EXPECT_EQ(frame.DecimalPlaces(), 4);
    frame.TearDown();
}

// Alt and a letter must reach one control: a letter used twice on a page
// (the sheet's own buttons count on every page) only moves the focus. The
// one shared letter is the Workspace page's "&Apply to desktop" beside the
// sheet's "&Apply", both given texts: the first Alt+A goes to one, the
// second to the other.
TEST_F(ToolsOptionsTest, EveryPageUsesEachMnemonicOnce)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    const QRegularExpression mnemonic("&([^&])");
    QStringList sheetKeys;
    for (auto* b : sheet->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (auto m = mnemonic.match(b->text()); m.hasMatch())
            sheetKeys << m.captured(1).toLower();
    for (int i = 0; i < sheet->PageCount(); ++i) {
        QStringList keys = sheetKeys;
        QStringList texts;
        for (auto* b : sheet->Page(i)->findChildren<QAbstractButton*>())
            texts << b->text();
        for (auto* l : sheet->Page(i)->findChildren<QLabel*>())
            texts << l->text();
        for (const QString& text : texts)
            if (auto m = mnemonic.match(text); m.hasMatch() && text != "&Apply to desktop")
                keys << m.captured(1).toLower();
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
    }
    EXPECT_TRUE(sheetKeys.contains("a")) << sheetKeys.join(' ').toStdString();
    frame.TearDown();
}

// "Audio alerts" is offered only where a sound output can play them.
TEST_F(ToolsOptionsTest, AudioAlertsNeedASoundOutput)
{
    struct Sound : app::CAlertSound {
        bool Play(const std::filesystem::path&) override { return true; }
        void Beep() override { }
    } sound;
    struct Desktop : app::CDesktop {
        bool wave = false;
        int ScreenBitsPerPixel() const override { return 24; }
        int ScreenWidth() const override { return 1280; }
        int ScreenHeight() const override { return 1024; }
        bool HasStaticSystemColours() const override { return true; }
        bool IsPrinterInstalled() const override { return false; }
        bool IsMousePresent() const override { return true; }
        bool AreMouseButtonsSwapped() const override { return false; }
        bool HasWaveDevice() const override { return wave; }
        bool PlaySoundFile(const std::filesystem::path&, bool) override { return false; }
        void StopSound() override { }
        void PumpMessages() override { }
    } desktop;
    for (const bool wave : {false, true}) {
        desktop.wave = wave;
        shell::CFrameServices services = Services();
        services.sound = &sound;
        services.desktop = &desktop;
        shell::CMainFrame frame(services);
        ASSERT_TRUE(frame.OnCreate());
        app::CModelessPropertySheet* sheet = OpenSheet(frame);
        ASSERT_NE(sheet, nullptr);
        auto* audio = sheet->findChild<QAbstractButton*>("audioAlerts");
        ASSERT_NE(audio, nullptr);
        EXPECT_EQ(audio->isEnabled(), wave);
        if (!wave)
            EXPECT_FALSE(audio->isChecked());
        frame.TearDown();
    }
}

// A changed device path moves its port at OK; the ports' group sends nobody to restart.
TEST_F(ToolsOptionsTest, TheSerialPortsAskForNoRestart)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    const QString com1 = QString::fromStdString(app::CSystemOptionsModel::PortField(0));
    QComboBox* port = sheet->findChild<QComboBox*>(com1);
    ASSERT_NE(port, nullptr);
    auto* group = qobject_cast<QGroupBox*>(port->parentWidget());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title().toStdString(), "Serial ports");
    frame.TearDown();
}

// Stored values as a workspace load takes them: decimal places out of range
// are brought into range; audio alerts stay off without a sound output.
TEST_F(ToolsOptionsTest, StoredDecimalPlacesOutOfRangeAreClampedOnLoad)
{
    // Kept as a DWORD read into a byte: 300 comes in as 44.
    for (const auto& [written, read] : {std::pair{200U, 4}, {300U, 4}, {4U, 4}, {0U, 0}}) {
        shell::CMainFrame frame(Services());
        ASSERT_TRUE(frame.OnCreate());
        {
            app::CRegistry registry(store);
            ASSERT_TRUE(registry.OpenKeyForWrite(frame.Workspace()->GetRegistryKey()));
            registry.WriteDWord("DecimalPlaces", written);
            registry.WriteBool("AudioAlerts", true);
        }
        frame.LoadWorkspaceValues();
        EXPECT_EQ(frame.DecimalPlaces(), read) << written;
        // The frame is given no desktop here: no sound output.
        EXPECT_FALSE(frame.AudioAlerts());
        frame.TearDown();
    }
}

// The two pages say what they offer in their own words: no access letter
// beyond the palette group's, and no label the pages do not have.
TEST_F(ToolsOptionsTest, ThePagesShowTheirOwnTexts)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    const auto texts = [](QWidget* page) {
        QStringList out;
        for (auto* b : page->findChildren<QAbstractButton*>())
            if (!b->text().isEmpty())
                out << b->text();
        for (auto* l : page->findChildren<QLabel*>())
            out << l->text();
        for (auto* g : page->findChildren<QGroupBox*>())
            out << g->title();
        out.sort();
        return out;
    };
    QStringList workspace = {"Palette",
                             "Da&y",
                             "Dus&k",
                             "Nig&ht",
                             "&Edit",
                             "Defaul&t",
                             "&Apply to desktop",
                             "Decimal places",
                             "Position Format",
                             "Degrees\u00B0 Mins' Secs.Secs",
                             "Degrees\u00B0 Mins.Mins'",
                             "Display side panel",
                             "Display status bar"};
    workspace.sort();
    EXPECT_EQ(texts(sheet->Page(0)).join(" | ").toStdString(), workspace.join(" | ").toStdString());
    auto* side = sheet->Page(0)->findChild<QComboBox*>("sidePanelAlignment");
    ASSERT_NE(side, nullptr);
    ASSERT_EQ(side->count(), 2);
    EXPECT_EQ(side->itemText(0), "Aligned Left");
    EXPECT_EQ(side->itemText(1), "Aligned Right");
    auto* list = sheet->Page(0)->findChild<QListWidget*>("workspaceList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "Reload documents when opening workspace");
    EXPECT_EQ(list->item(3)->text(), "Confirm exit");

    // The System page; its serial ports' group is this program's own.
    QStringList system;
    for (const QString& t : texts(sheet->Page(1)))
        if (!t.startsWith("CO") && t != "Serial ports")
            system << t;
    EXPECT_EQ(system.join(" | ").toStdString(),
              "Audio alerts | Auto configure ports (requires restart) | Full | None | "
              "Priority boost (requires restart)");
    frame.TearDown();
}

// "Auto configure ports" is offered while the frame has a serial port: after
// an Apply that clears every port's path there is none, and the box greys;
// a path applied again brings it back.
TEST_F(ToolsOptionsTest, AutoConfigurePortsFollowsTheAppliedPorts)
{
    const std::string key = "Software\\Quorwick\\Brinevane\\Ports";
    nmea::PortPaths paths;
    paths[0] = (folder.Path() / "gps").string();
    nmea::SavePortPaths(store, key, paths);
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    auto* autoConfigure = sheet->findChild<QAbstractButton*>("autoConfigurePorts");
    ASSERT_NE(autoConfigure, nullptr);
    EXPECT_TRUE(autoConfigure->isEnabled());
    for (int i = 0; i < app::kSerialPortCount; ++i) {
        auto* port = sheet->findChild<QComboBox*>(
            QString::fromStdString(app::CSystemOptionsModel::PortField(i)));
        ASSERT_NE(port, nullptr);
        port->setCurrentText(QString());
    }
    ASSERT_TRUE(sheet->OnApply());
    EXPECT_FALSE(autoConfigure->isEnabled()) << "no port left, yet the box is offered";
    sheet->findChild<QComboBox*>("com2")->setCurrentText(
        QString::fromStdString((folder.Path() / "log").string()));
    ASSERT_TRUE(sheet->OnApply());
    EXPECT_TRUE(autoConfigure->isEnabled());
    frame.TearDown();
}

}   // namespace
