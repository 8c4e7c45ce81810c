// Tools > Customise on the real frame: a command added to a toolbar and
// another moved show on the bar at once, are kept with the workspace, and a
// new frame on the same settings builds the bar that way again.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/Timer.h"
#include "shell/CustomiseDlg.h"
#include "shell/MainFrame.h"

namespace {

int g_argc = 1;
char g_arg0[] = "shell_CustomiseTest";
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

std::vector<unsigned> Buttons(QToolBar* bar)
{
    std::vector<unsigned> ids;
    for (QAction* a : bar->actions())
        ids.push_back(a->isSeparator() ? 0u : a->data().toUInt());
    return ids;
}

TEST(Customise, AButtonAddedIsShownKeptAndBuiltAgain)
{
    App();
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    app::CTimer timerIds;
    brine_test::TempFolder folder;
    platform::CSettingsStore store{folder.Path() / "settings.conf"};
    auto services = [&] {
        CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.programFolder = BinDir();
        s.audioFolder = BinDir() / "System" / "Audio";
        s.settings = &store;
        s.showDisclaimer = [](QWidget*) { return true; };
        return s;
    };
    std::vector<unsigned> customised;
    {
        CMainFrame frame(services());
        ASSERT_TRUE(frame.OnCreate());
        QToolBar* standard = frame.ToolBar(app::cmd::kBarStandard);
        ASSERT_NE(standard, nullptr);
        const std::vector<unsigned> before = Buttons(standard);
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<CCustomiseDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            // The Help group's About box, added after the standard bar's first button.
            auto groups = dlg->Groups()->findItems("Help", Qt::MatchExactly);
            ASSERT_EQ(groups.size(), 1);
            dlg->Groups()->setCurrentItem(groups.front());
            dlg->BarCombo()->setCurrentIndex(0);
            dlg->BarButtons()->setCurrentRow(0);
            dlg->AddSelected();
            dlg->MoveSelected(-1);   // now first
            dlg->accept();
        });
        frame.Action(app::cmd::kToolsCustomise)->trigger();
        customised = Buttons(standard);
        ASSERT_EQ(customised.size(), before.size() + 1);
        EXPECT_EQ(customised.front(), app::cmd::kAbout);
        store.Save();
        frame.TearDown();
    }
    CMainFrame again(services());
    ASSERT_TRUE(again.OnCreate());
    again.LoadToolbarButtons();
    EXPECT_EQ(Buttons(again.ToolBar(app::cmd::kBarStandard)), customised);
    again.TearDown();
}

}   // namespace
