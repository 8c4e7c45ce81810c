// The colour editor dialog offscreen: a click on the sample picks its
// element, the grid's arrows and clicks recolour it in the copy, Cancel is
// the default, and the caller sees nothing of a cancelled edit.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/EditColorsDlg.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_EditColorsDlgTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

TEST(EditColorsDlg, SampleClickPicksTheElementAndTheGridRecoloursTheCopy)
{
    App();
    app::CDisplayPalettes palettes;
    palettes.ExpandDefaults(app::CDisplayPalettes::kNight);
    const app::CDisplayPalettes before = palettes;
    app::CEditColorsDlg dlg(palettes, app::CDisplayPalettes::kNight);
    dlg.show();
    EXPECT_EQ(dlg.ElementCombo()->count(), app::CDisplayPalettes::kElementCount);
    // The scroll bar of the sample (element 17), 4 pixels in from the panel's edge.
    QTest::mouseClick(dlg.Sample(), Qt::LeftButton, {}, QPoint(4 + 250, 4 + 120));
    EXPECT_EQ(dlg.ElementCombo()->currentIndex(), 17);
    EXPECT_EQ(dlg.Model().Element(), 17);
    // A grid click: cell 13 (pure red) at column 3, row 2.
    QTest::mouseClick(dlg.Grid(), Qt::LeftButton, {}, QPoint(20 + 3 * 35 + 5, 25 + 2 * 35 + 5));
    EXPECT_EQ(dlg.Palettes().GetColour(app::CDisplayPalettes::kNight, 17), app::RGB(255, 0, 0));
    QTest::keyClick(dlg.Grid(), Qt::Key_Right);
    EXPECT_EQ(dlg.Palettes().GetColour(app::CDisplayPalettes::kNight, 17), app::RGB(0, 255, 0));
    EXPECT_EQ(palettes, before);   // the caller's palettes are not the dialog's

    auto* cancel = dlg.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (auto* b : dlg.findChildren<QPushButton*>())
        if (b->text() == "&Cancel")
            cancel = b;
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(cancel->isDefault());
    if (const char* dir = std::getenv("BRINE_SHOT_DIR"))
        dlg.grab().save(QString("%1/edit-colours.png").arg(dir));
}

}   // namespace
