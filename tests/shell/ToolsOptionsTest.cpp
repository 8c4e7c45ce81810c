// Tools Options on the real frame: a refused value stores nothing, an
// accepted one reaches the settings, and a stored value out of range is
// brought into range when read.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/Registry.h"
#include "app/Timer.h"
#include "app/ToolsOptions.h"
#include "app/WorkspaceManager.h"
#include "app/ui/PropertySheet.h"
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

std::filesystem::path BinDir()
{
    const char* dir = std::getenv("BRINE_BIN_DIR");
    return dir ? dir : std::filesystem::current_path();
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
        s.programFolder = BinDir();
        s.audioFolder = BinDir() / "System" / "Audio";
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
        return registry.OpenKeyForRead(frame.Workspace()->GetRegistryKey() + "\\WorkSpace") &&
               registry.ReadLong("DecimalPlaces", places);
    }
};

TEST_F(ToolsOptionsTest, RefusedDecimalPlacesStoreNothingAndAcceptedOnesAreStored)
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
    ASSERT_TRUE(StoredPlaces(frame, stored));
    EXPECT_EQ(stored, 3);
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
// (the sheet's own buttons count on every page) only moves the focus.
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
            if (auto m = mnemonic.match(text); m.hasMatch())
                keys << m.captured(1).toLower();
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(unique.size(), keys.size()) << i << ": " << keys.join(' ').toStdString();
    }
    frame.TearDown();
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

TEST_F(ToolsOptionsTest, StoredDecimalPlacesOutOfRangeAreClampedOnLoad)
{
    for (const auto& [written, read] : {std::pair{200L, 4}, {-3L, 0}, {4L, 4}, {0L, 0}}) {
        shell::CMainFrame frame(Services());
        ASSERT_TRUE(frame.OnCreate());
        {
            app::CRegistry registry(store);
            ASSERT_TRUE(
                registry.OpenKeyForWrite(frame.Workspace()->GetRegistryKey() + "\\WorkSpace"));
            registry.WriteLong("DecimalPlaces", written);
        }
        frame.LoadWorkspaceValues();
        EXPECT_EQ(frame.DecimalPlaces(), read) << written;
        frame.TearDown();
    }
}

}   // namespace
