// Tools > Options > Workspace in the program as it starts: the colour
// editor's result stays in the page until the sheet's OK.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "FirstStart.h"
#include "app/CommandIds.h"
#include "app/DisplayPaletteModule.h"
#include "app/ui/EditColorsDlg.h"
#include "app/ui/PropertySheet.h"
#include "shell/MainFrame.h"

namespace {

// Tools > Options, the sheet it opens.
app::CModelessPropertySheet* OpenSheet(shell::CMainFrame& frame)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frame.UpdateModuleCmdUI(true);
    frame.Action(app::cmd::kToolsOptions)->trigger();
    QCoreApplication::sendPostedEvents();
    // A sheet closed before is gone once its deletion has run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : frame.ModelessSheets())
        if (auto* sheet = qobject_cast<app::CModelessPropertySheet*>(w))
            return sheet;
    return nullptr;
}

// Edit works on the page's copy of the palettes: Cancel leaves the
// program's colours as they were, OK gives them the edited ones; Default
// puts the selected palette's built-in colours back in the copy.
TEST(ToolsOptionsColours, EditedColoursReachTheProgramOnlyThroughOk)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* module = brine_test::FindModule<app::CDisplayPaletteModule>(frame);
    ASSERT_NE(module, nullptr);
    constexpr int kNight = app::CDisplayPalettes::kNight;
    const app::COLORREF before = module->Palettes().GetColour(kNight, 0);
    // The editor's first element gets the grid's colour other than its own.
    const auto editOnce = [](QWidget* page) {
        QTimer::singleShot(0, [] {
            auto* editor = qobject_cast<app::CEditColorsDlg*>(QApplication::activeModalWidget());
            if (!editor)
                return;
            editor->Model().SetElement(0);
            editor->Model().ChooseCell(editor->Model().ElementColour() == app::RGB(255, 0, 0) ? 14
                                                                                              : 13);
            editor->accept();
        });
        page->findChild<QAbstractButton*>("editColours")->click();
    };
    app::CModelessPropertySheet* sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    QWidget* page = sheet->Page(0);
    auto* edit = page->findChild<QAbstractButton*>("editColours");
    auto* night = page->findChild<QAbstractButton*>("palette2");
    ASSERT_TRUE(edit && night);
    EXPECT_FALSE(edit->isEnabled()) << "Edit is for Dusk and Night";
    night->click();
    ASSERT_TRUE(edit->isEnabled());
    editOnce(page);
    sheet->OnCancel();
    EXPECT_EQ(module->Palettes().GetColour(kNight, 0), before);

    sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    page = sheet->Page(0);
    page->findChild<QAbstractButton*>("palette2")->click();
    editOnce(page);
    ASSERT_TRUE(sheet->OnOk());
    const app::COLORREF edited = module->Palettes().GetColour(kNight, 0);
    EXPECT_NE(edited, before);
    EXPECT_EQ(module->Palettes().GetActive(), kNight);

    sheet = OpenSheet(frame);
    ASSERT_NE(sheet, nullptr);
    page = sheet->Page(0);
    page->findChild<QAbstractButton*>("defaultColours")->click();
    EXPECT_EQ(module->Palettes().GetColour(kNight, 0), edited) << "Default changes the copy only";
    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(module->Palettes().GetColour(kNight, 0), before);
}

}   // namespace
