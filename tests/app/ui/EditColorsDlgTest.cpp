// The colour editor dialog offscreen: a click on the sample picks its
// element, the grid's arrows and clicks recolour it in the copy, Cancel is
// the default, and the caller sees nothing of a cancelled edit.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
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
    QTest::mouseClick(dlg.Sample(), Qt::LeftButton, {}, QPoint(4 + 214, 4 + 120));
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

// The sample in its own colours: the scroll bar's arrow buttons stand at
// (210, 78) and (210, 152), 17 pixels square, on the scroll bar, and
// "Window" and "Text" are two labels of the window text.
TEST(EditColorsDlg, SampleArrowsStandOnTheScrollBar)
{
    App();
    app::CDisplayPalettes palettes;
    const int dusk = app::CDisplayPalettes::kDusk;
    palettes.SetColour(dusk, 17, app::RGB(255, 0, 0));   // scroll bar
    palettes.SetColour(dusk, 18, app::RGB(0, 255, 0));   // window
    app::CEditColorsDlg dlg(palettes, dusk);
    dlg.show();
    const QImage image = dlg.Sample()->grab().toImage();
    for (const app::CSampleRect& r : {app::kSampleArrowUp, app::kSampleArrowDown}) {
        int red = 0, green = 0;
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x) {
                const QRgb c = image.pixel(x, y);
                red += c == qRgb(255, 0, 0);
                green += c == qRgb(0, 255, 0);
            }
        EXPECT_GT(red, r.width * r.height / 2) << r.x << "," << r.y;
        EXPECT_EQ(green, 0) << r.x << "," << r.y;
    }
    int labels = 0;
    for (const app::CSamplePart& part : app::SampleLayout())
        if (part.element == 20) {
            EXPECT_TRUE(part.text == std::string("Window") || part.text == std::string("Text"));
            ++labels;
        }
    EXPECT_EQ(labels, 2);
}

// A click beside every element keeps the element, and the grid takes the
// focus with the element's colour selected; the dialog's only texts besides
// its buttons and groups are the element label and the palette's name.
TEST(EditColorsDlg, ClickOffTheSampleKeepsTheElementAndFocusesTheGrid)
{
    App();
    app::CDisplayPalettes palettes;
    app::CEditColorsDlg dlg(palettes, app::CDisplayPalettes::kNight);
    dlg.show();
    dlg.ElementCombo()->setCurrentIndex(5);   // Button Highlight: 160, 160, 164 at night
    dlg.ElementCombo()->setFocus();
    QTest::mouseClick(dlg.Sample(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(dlg.Model().Element(), 5);
    EXPECT_EQ(dlg.ElementCombo()->currentIndex(), 5);
    EXPECT_EQ(dlg.focusWidget(), dlg.Grid());
    EXPECT_EQ(dlg.Model().SelectedCell(), 11);
    QStringList texts;
    for (auto* label : dlg.findChildren<QLabel*>())
        texts << label->text();
    texts.sort();
    EXPECT_EQ(texts, QStringList({"Night palette", "Screen Element"}));
}

// The grid's cells stand at (20 + 35 x column, 25 + 35 x row), 25 pixels
// square, and the selection is a one-pixel rectangle two pixels outside the
// selected cell on every side, the panel's colour inverted.
TEST(EditColorsDlg, GridSelectionMarkIsTwoPixelsOutsideTheCell)
{
    App();
    app::CDisplayPalettes palettes;
    palettes.SetColour(app::CDisplayPalettes::kDay, 4, app::RGB(200, 200, 200));   // panel
    palettes.SetColour(app::CDisplayPalettes::kDusk, 0, app::kStaticColours[7]);   // cell 7
    app::CEditColorsDlg dlg(palettes, app::CDisplayPalettes::kDusk);
    dlg.show();
    ASSERT_EQ(dlg.Model().SelectedCell(), 7);
    const QImage image = dlg.Grid()->grab().toImage();
    const int left = 20 + 2 * 35, top = 25 + 35, right = left + 24, bottom = top + 24;
    const QRgb panel = qRgb(200, 200, 200), mark = qRgb(55, 55, 55);
    const int mid = top + 12;
    // Along the middle row: panel, mark, panel gap, then the cell; and mirrored.
    EXPECT_EQ(image.pixel(left - 3, mid), panel);
    EXPECT_EQ(image.pixel(left - 2, mid), mark);
    EXPECT_EQ(image.pixel(left - 1, mid), panel);
    EXPECT_EQ(image.pixel(right + 1, mid), panel);
    EXPECT_EQ(image.pixel(right + 2, mid), mark);
    EXPECT_EQ(image.pixel(right + 3, mid), panel);
    const int centre = left + 12;
    EXPECT_EQ(image.pixel(centre, top - 3), panel);
    EXPECT_EQ(image.pixel(centre, top - 2), mark);
    EXPECT_EQ(image.pixel(centre, top - 1), panel);
    EXPECT_EQ(image.pixel(centre, bottom + 1), panel);
    EXPECT_EQ(image.pixel(centre, bottom + 2), mark);
    EXPECT_EQ(image.pixel(centre, bottom + 3), panel);
    EXPECT_EQ(image.pixel(centre, mid), QColor(192, 192, 192).rgb());   // the cell's colour
}

// An element of a colour the grid lacks starts with no cell selected; an
// arrow key then chooses the first cell rather than a cell off the grid.
TEST(EditColorsDlg, ArrowWithoutASelectionChoosesTheFirstCell)
{
    App();
    app::CDisplayPalettes palettes;
    palettes.SetColour(app::CDisplayPalettes::kDusk, 0, app::RGB(1, 2, 3));
    app::CEditColorsDlg dlg(palettes, app::CDisplayPalettes::kDusk);
    dlg.show();
    ASSERT_EQ(dlg.Model().SelectedCell(), app::CPaletteEditorModel::kNoCell);
    QTest::keyClick(dlg.Grid(), Qt::Key_Down);
    EXPECT_EQ(dlg.Model().SelectedCell(), 0);
    EXPECT_EQ(dlg.Palettes().GetColour(app::CDisplayPalettes::kDusk, 0), app::RGB(0, 0, 0));
    QTest::keyClick(dlg.Grid(), Qt::Key_Left);   // column 0: no move
    EXPECT_EQ(dlg.Model().SelectedCell(), 0);
}

}   // namespace
