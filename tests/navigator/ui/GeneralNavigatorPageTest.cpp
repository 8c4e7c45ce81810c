// The "General" page of Navigator Options, offscreen: it shows the values it
// was given, Past track off greys every track control, the heading length
// steps by its spin, a colour well edits the palette in use and reloads when
// the palette changes, and OK hands back what the controls say.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include "app/DisplayPalettes.h"
#include "app/ui/PropertySheet.h"
#include "app/ui/SpinEdit.h"
#include "navigator/ui/GeneralNavigatorPage.h"

using namespace navigator;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_name[] = "navigator_ui_GeneralNavigatorPageTest";
char* g_argv[] = {g_name, nullptr};

struct Fixture {
    Fixture()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
        app::SetProgramPalettes(&palettes);
        CGeneralNavigatorValues v;
        v.headingLength = 9.9;
        v.vectorTime = 6min;
        v.lineWidth = 3;
        v.markerSize = 1;
        v.markInterval = 15min;
        v.trackLimit = 2h;
        v.trackColours = {0x000000, 0xFFFFFF, 0x808080};
        sheet = new app::CModelessPropertySheet("Navigator Options");
        page = new CGeneralNavigatorPage(std::make_unique<CGeneralNavigatorOptionsModel>(
                                             v, 4,
                                             [this](const CGeneralNavigatorValues& now) {
                                                 applied = now;
                                                 ++applies;
                                             }),
                                         sheet);
        sheet->AddPage(page);
    }
    ~Fixture()
    {
        delete sheet;
        app::SetProgramPalettes(nullptr);
    }
    template <class T>
    T* Child(const char* name)
    {
        T* child = page->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    app::CDisplayPalettes palettes;
    app::CModelessPropertySheet* sheet = nullptr;
    CGeneralNavigatorPage* page = nullptr;
    CGeneralNavigatorValues applied;
    int applies = 0;
};

}   // namespace

TEST(GeneralNavigatorPage, ShowsItsValuesAndPastTrackGreysTheTrack)
{
    Fixture f;
    EXPECT_EQ(f.Child<app::CSpinEdit>("headingLength")->text(), "9.9");
    EXPECT_EQ(f.Child<QTimeEdit>("vectorTime")->time(), QTime(0, 6));
    EXPECT_EQ(f.Child<QComboBox>("lineWidth")->count(), 4);
    EXPECT_EQ(f.Child<QComboBox>("lineWidth")->currentIndex(), 2);
    EXPECT_EQ(f.Child<QComboBox>("markerSize")->currentText(), "Medium");
    EXPECT_EQ(f.Child<QTimeEdit>("markInterval")->time(), QTime(0, 15));
    EXPECT_TRUE(f.Child<QComboBox>("lineWidth")->isEnabled());
    EXPECT_FALSE(f.Child<QTimeEdit>("markInterval")->isEnabled());   // time marks off

    f.Child<QCheckBox>("pastTrack")->click();
    for (const char* name :
         {"lineWidth", "trackColour", "positionMarkers", "markerSize", "markerColour", "fixLabels",
          "timeMarks", "markInterval", "limitTrack", "trackLimit", "textColour"})
        EXPECT_FALSE(f.Child<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(f.Child<QCheckBox>("headingIndicator")->isEnabled());
    f.Child<QCheckBox>("pastTrack")->click();
    f.Child<QCheckBox>("timeMarks")->click();
    EXPECT_TRUE(f.Child<QTimeEdit>("markInterval")->isEnabled());
    EXPECT_TRUE(f.Child<QPushButton>("textColour")->isEnabled());

    f.Child<QCheckBox>("headingIndicator")->click();
    EXPECT_FALSE(f.Child<app::CSpinEdit>("headingLength")->isEnabled());
    f.Child<QCheckBox>("headingIndicator")->click();
}

TEST(GeneralNavigatorPage, SpinWellsAndOkHandBackTheControls)
{
    Fixture f;
    f.sheet->show();
    auto* length = f.Child<app::CSpinEdit>("headingLength");
    length->setFocus();
    QTest::keyClick(length, Qt::Key_Up);
    EXPECT_EQ(length->text(), "10.9");

    // Night in use: the track well sets Night's colour only.
    f.page->SetChooser([](chart::COLORREF, const QString&) { return app::RGB(200, 0, 200); });
    f.palettes.SetActive(app::CDisplayPalettes::kNight);
    QTest::qWait(400);   // the page looks at the palette four times a second
    EXPECT_EQ(f.page->Palette(), app::CDisplayPalettes::kNight);
    f.Child<QPushButton>("trackColour")->click();

    f.Child<QComboBox>("lineWidth")->setCurrentIndex(0);
    f.Child<QCheckBox>("limitTrack")->click();
    f.Child<QTimeEdit>("trackLimit")->setTime(QTime(1, 30));
    f.Child<QTimeEdit>("vectorTime")->setTime(QTime(0, 0));   // held to its least, 0:01
    ASSERT_TRUE(f.sheet->OnApply());
    ASSERT_EQ(f.applies, 1);
    EXPECT_DOUBLE_EQ(f.applied.headingLength, 10.9);
    EXPECT_EQ(f.applied.vectorTime, 1min);
    EXPECT_EQ(f.applied.lineWidth, 1);
    EXPECT_TRUE(f.applied.limitTrack);
    EXPECT_EQ(f.applied.trackLimit, 90min);
    EXPECT_EQ(f.applied.trackColours[2], app::RGB(200, 0, 200));
    EXPECT_EQ(f.applied.trackColours[0], chart::COLORREF(0x000000));
    EXPECT_EQ(f.applied.trackColours[1], chart::COLORREF(0xFFFFFF));
}

// A comma typed as the decimal mark (German and many other keyboards) is the
// point, as in Vessel Options: "1,5" is a heading line of 1.5 nm.
TEST(GeneralNavigatorPage, ACommaTypedInANumberIsTheDecimalPoint)
{
    Fixture f;
    f.sheet->show();
    auto* length = f.Child<app::CSpinEdit>("headingLength");
    length->setFocus();
    length->selectAll();
    QTest::keyClicks(length, "1,5");
    ASSERT_EQ(length->text(), "1.5");   // else the page's check would ask in a message box
    ASSERT_TRUE(f.sheet->OnApply());
    ASSERT_EQ(f.applies, 1);
    EXPECT_DOUBLE_EQ(f.applied.headingLength, 1.5);
}

// The spans carry "Hrs:Mins" behind them, the wells stand under "Colours".
TEST(GeneralNavigatorPage, LabelsNameTheirControls)
{
    Fixture f;
    QStringList texts;
    for (QLabel* label : f.page->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts.count("Hrs:Mins"), 3) << texts.join('|').toStdString();
    for (const char* text : {"nm", "Line width", "Colours", "Track", "Overlay Size",
                             "Position marker colour", "every", "Text colour"})
        EXPECT_TRUE(texts.contains(text)) << text;
    EXPECT_FALSE(texts.contains("(Hrs:Mins)"));
}
