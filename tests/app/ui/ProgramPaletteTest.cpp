#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

#include "app/ui/Disclaimers.h"
#include "app/ui/InfoDialogs.h"
#include "app/ui/ProgramPalette.h"

namespace {

using app::CDisplayPalettes;

int g_argc = 1;
char g_arg0[] = "app_ui_ProgramPaletteTest";
char* g_argv[] = {g_arg0, nullptr};

class ProgramPaletteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // never destroyed
        (void)app;
        app::UseFusionStyle();
        s_colours = new app::CQtSystemColours;
        s_palettes.CaptureSystemColours(*s_colours);
        app::SetProgramPalettes(&s_palettes);
    }
    void TearDown() override { Select(CDisplayPalettes::kDay); }
    static void Select(int palette)
    {
        s_palettes.SetActive(palette);
        s_palettes.Apply(*s_colours, false);
        QCoreApplication::processEvents();   // palette changes reach widgets as events
    }
    static inline app::CQtSystemColours* s_colours = nullptr;
    static inline CDisplayPalettes s_palettes;
};

// The brightest channel of any pixel of the widget as it first paints.
int BrightestChannel(QWidget& w)
{
    const QImage image = w.grab().toImage();
    int brightest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            brightest = std::max({brightest, qRed(p), qGreen(p), qBlue(p)});
        }
    return brightest;
}

TEST_F(ProgramPaletteTest, NightWindowsStayBelowNightsBrightestColour)
{
    Select(CDisplayPalettes::kNight);
    int nightBrightest = 0;
    for (int e = 0; e < CDisplayPalettes::kElementCount; ++e) {
        const app::COLORREF c = s_palettes.GetColour(CDisplayPalettes::kNight, e);
        nightBrightest = std::max({nightBrightest, int(app::GetRValue(c)), int(app::GetGValue(c)),
                                   int(app::GetBValue(c))});
    }
    const int bound = nightBrightest + 10;   // the style's own shading

    app::CAboutDlg about(nullptr, QDateTime::currentDateTime());
    app::CTechSuppDLG support(nullptr);
    app::CBVDisclaimerDlg disclaimer;
    QMessageBox box(QMessageBox::Warning, "Brinevane", "Are you sure you want to exit?",
                    QMessageBox::Yes | QMessageBox::No);
    QMenu menu;
    menu.addAction("&Day")->setCheckable(true);
    menu.addAction("Dus&k");
    menu.addSeparator();
    menu.addAction("Disabled")->setEnabled(false);
    menu.setActiveAction(menu.actions().first());
    QMenuBar menuBar;
    menuBar.addMenu("&File");
    menuBar.addMenu("&View");
    QMdiArea area;
    area.resize(300, 200);
    QMdiSubWindow* sub = area.addSubWindow(new QLineEdit("Chart 1"));
    sub->setWindowTitle("Chart 1");
    sub->show();
    struct Named {
        const char* name;
        QWidget* widget;
    };
    const Named windows[] = {
        {"About", &about},     {"support", &support}, {"disclaimer", &disclaimer},
        {"message box", &box}, {"menu", &menu},       {"menu bar", &menuBar},
        {"MDI title bar", sub}};
    for (const Named& w : windows) {
        w.widget->adjustSize();
        EXPECT_LE(BrightestChannel(*w.widget), bound) << w.name;
    }
}

TEST_F(ProgramPaletteTest, DayGivesTheFirstPictureBack)
{
    app::CAboutDlg about(nullptr, QDateTime::fromSecsSinceEpoch(0));
    QMenu menu;
    menu.addAction("&Night");
    const QImage aboutBefore = about.grab().toImage(), menuBefore = menu.grab().toImage();
    Select(CDisplayPalettes::kDusk);
    EXPECT_NE(about.grab().toImage(), aboutBefore);
    Select(CDisplayPalettes::kNight);
    Select(CDisplayPalettes::kDay);
    EXPECT_EQ(about.grab().toImage(), aboutBefore);
    EXPECT_EQ(menu.grab().toImage(), menuBefore);
}

TEST_F(ProgramPaletteTest, IconsDimWithThePalette)
{
    QPixmap white(20, 20);
    white.fill(QColor(250, 240, 200));
    const QIcon icon(white);
    s_palettes.SetActive(CDisplayPalettes::kNight);
    const QIcon dimmed = DimIcon(icon, s_palettes);
    const QImage normal = dimmed.pixmap(20, 20).toImage();
    EXPECT_EQ(normal.pixelColor(5, 5), QColor(125, 120, 100));
    const QImage disabled = dimmed.pixmap(QSize(20, 20), QIcon::Disabled).toImage();
    EXPECT_LE(disabled.pixelColor(5, 5).red(), 64);
}

// A disabled button (the route panel's New, Reverse, Apply outside editing)
// must never paint as its enabled self: under Night the palette's disabled
// text and button text are one grey.
TEST_F(ProgramPaletteTest, DisabledButtonsLookDisabledInEveryPalette)
{
    for (int palette :
         {CDisplayPalettes::kDay, CDisplayPalettes::kDusk, CDisplayPalettes::kNight}) {
        Select(palette);
        QPushButton enabled("Reverse"), disabled("Reverse");
        disabled.setEnabled(false);
        QLineEdit edit("Route 1"), greyEdit("Route 1");
        greyEdit.setEnabled(false);
        for (QWidget* w : {static_cast<QWidget*>(&enabled), static_cast<QWidget*>(&disabled),
                           static_cast<QWidget*>(&edit), static_cast<QWidget*>(&greyEdit)})
            w->resize(90, 26);
        EXPECT_NE(enabled.grab().toImage(), disabled.grab().toImage()) << "palette " << palette;
        EXPECT_NE(edit.grab().toImage(), greyEdit.grab().toImage()) << "palette " << palette;
        // A colour well (a button showing its colour as a swatch) shows its
        // swatch grey when disabled, its colour when enabled.
        QPixmap swatch(32, 12);
        swatch.fill(QColor(0, 160, 0));
        QPushButton well, greyWell;
        for (QPushButton* w : {&well, &greyWell}) {
            w->setIcon(QIcon(swatch));
            w->setIconSize(swatch.size());
            w->resize(60, 26);
        }
        greyWell.setEnabled(false);
        const QImage wellShot = well.grab().toImage(), greyShot = greyWell.grab().toImage();
        const QColor onWell = wellShot.pixelColor(30, 13), offWell = greyShot.pixelColor(30, 13);
        EXPECT_GT(onWell.hsvSaturation(), 128) << "palette " << palette;
        EXPECT_LT(offWell.hsvSaturation(), 64)
            << "palette " << palette << ": " << onWell.name().toStdString() << " and "
            << offWell.name().toStdString();
        // The disabled text stands apart from the enabled text, not merely from the face.
        const QPalette p = QApplication::palette();
        const QColor on = p.color(QPalette::Active, QPalette::ButtonText);
        const QColor off = p.color(QPalette::Disabled, QPalette::ButtonText);
        EXPECT_GE(std::max({std::abs(on.red() - off.red()), std::abs(on.green() - off.green()),
                            std::abs(on.blue() - off.blue())}),
                  48)
            << "palette " << palette;
    }
}

// A disabled box that is ticked shows its tick in every palette: the
// picture of a ticked box differs clearly from that of a clear one (Dusk's
// and Night's disabled text, darkened for the tick, is their window's grey).
TEST_F(ProgramPaletteTest, DisabledTickedBoxesShowTheirTick)
{
    // How many pixels of two pictures of one size differ by more than a shade.
    const auto clearlyDifferent = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                if (std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))}) >= 40)
                    ++count;
            }
        return count;
    };
    for (int palette :
         {CDisplayPalettes::kDay, CDisplayPalettes::kDusk, CDisplayPalettes::kNight}) {
        Select(palette);
        for (bool radio : {false, true}) {
            std::unique_ptr<QAbstractButton> on, off;
            if (radio)
                on = std::make_unique<QRadioButton>("Day"),
                off = std::make_unique<QRadioButton>("Day");
            else
                on = std::make_unique<QCheckBox>("Auto configure ports"),
                off = std::make_unique<QCheckBox>("Auto configure ports");
            for (QAbstractButton* b : {on.get(), off.get()}) {
                b->setAutoExclusive(false);
                b->resize(200, 24);
                b->setEnabled(false);
            }
            on->setChecked(true);
            EXPECT_GE(clearlyDifferent(on->grab().toImage(), off->grab().toImage()), 6)
                << "palette " << palette << (radio ? " radio" : " check box");
        }
    }
}

// A slider shows its groove, its handle and its ticks in every palette: a
// good part of its picture stands clearly apart from the dialog behind it
// (Night's window, button and frame colours are all black, and the slider's
// edges, taken from the window colour, were lost in it).
TEST_F(ProgramPaletteTest, SlidersShowInEveryPalette)
{
    for (int palette :
         {CDisplayPalettes::kDay, CDisplayPalettes::kDusk, CDisplayPalettes::kNight}) {
        Select(palette);
        for (bool enabled : {true, false}) {
            QSlider slider(Qt::Horizontal);
            slider.setRange(0, 2);
            slider.setValue(0);   // at its start, no part of the groove filled
            slider.setTickPosition(QSlider::TicksBelow);
            slider.resize(300, 40);
            slider.setEnabled(enabled);
            const QImage image = slider.grab().toImage();
            const QColor window = slider.palette().color(QPalette::Window);
            int apart = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (std::max({std::abs(qRed(p) - window.red()),
                                  std::abs(qGreen(p) - window.green()),
                                  std::abs(qBlue(p) - window.blue())}) >= 24)
                        ++apart;
                }
            // The groove's two long edges alone are some 560 pixels; before,
            // Night showed 28 of the handle's corners.
            EXPECT_GE(apart, 500) << "palette " << palette << (enabled ? "" : " disabled");
        }
    }
}

}   // namespace
