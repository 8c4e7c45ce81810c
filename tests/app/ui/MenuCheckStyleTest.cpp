// Menus with checkable entries that have pictures, as the Window menu's open
// windows: the active entry shows its tick beside the picture, not hidden
// under it; a menu without pictures and a combo box's list are drawn as the
// base style draws them.

#include "app/ui/MenuCheckStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_MenuCheckStyleTest";
char* g_argv[] = {g_arg0, nullptr};

// Pixels of one entry's row within columns [left, right).
struct RowCount {
    int dark = 0;   // a tick's strokes
    int red = 0;   // the picture
};

RowCount Count(const QImage& image, const QRect& row, int left, int right)
{
    RowCount n;
    for (int y = row.top() + 2; y < row.bottom() - 1; ++y)
        for (int x = left; x < right && x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++n.red;
            else if (c.lightness() < 90)
                ++n.dark;
        }
    return n;
}

class MenuCheckStyleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // never destroyed
        (void)app;
    }
};

TEST_F(MenuCheckStyleTest, ActiveWindowIsTickedBesideItsPicture)
{
    app::CMenuCheckStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QMenu menu;
    menu.setStyle(&style);
    menu.addAction(QStringLiteral("Close"));
    menu.addSeparator();
    QAction* other = menu.addAction(QIcon(red), QStringLiteral("&1 Blank Chart"));
    QAction* active = menu.addAction(QIcon(red), QStringLiteral("&2 Chartpoint Database"));
    for (QAction* a : {other, active})
        a->setCheckable(true);
    active->setChecked(true);
    const QImage image = menu.grab().toImage();

    // The tick column, then the picture column, then the text.
    const QRect otherRow = menu.actionGeometry(other);
    const QRect activeRow = menu.actionGeometry(active);
    const RowCount activeTick = Count(image, activeRow, 0, 24);
    const RowCount otherTick = Count(image, otherRow, 0, 24);
    EXPECT_EQ(activeTick.red, 0);
    EXPECT_GT(activeTick.dark, otherTick.dark + 8);
    EXPECT_EQ(Count(image, activeRow, 24, 48).red, 16 * 16);   // the whole picture
    EXPECT_EQ(Count(image, otherRow, 24, 48).red, Count(image, activeRow, 24, 48).red);
    // The text after both columns: no picture there.
    EXPECT_EQ(Count(image, activeRow, 48, image.width()).red, 0);
    EXPECT_GT(Count(image, activeRow, 48, image.width()).dark, 0);
}

TEST_F(MenuCheckStyleTest, MenusWithoutPicturesLookAsTheBaseDrawsThem)
{
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    app::CMenuCheckStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    const auto draw = [](QStyle* s) {
        QMenu menu;
        menu.setStyle(s);
        QAction* a = menu.addAction(QStringLiteral("Tile"));
        a->setCheckable(true);
        a->setChecked(true);
        menu.addAction(QStringLiteral("Cascade"));
        return menu.grab().toImage();
    };
    EXPECT_EQ(draw(&style), draw(fusion));

    // A combo box's list draws its entries as checkable menu entries with
    // pictures, yet shows no ticks: its entries keep the base's size.
    QComboBox combo;
    QStyleOptionMenuItem entry;
    entry.initFrom(&combo);
    entry.menuItemType = QStyleOptionMenuItem::Normal;
    entry.checkType = QStyleOptionMenuItem::NonExclusive;
    entry.menuHasCheckableItems = true;
    entry.maxIconWidth = 20;
    entry.text = QStringLiteral("001 Point Wilson");
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_MenuItem, &entry, QSize(120, 16), &combo),
              fusion->sizeFromContents(QStyle::CT_MenuItem, &entry, QSize(120, 16), &combo));
    delete fusion;
}

}   // namespace
