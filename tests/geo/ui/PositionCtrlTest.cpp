// The position entry field and the degree field offscreen: keys reach the
// model field by field, a refused change leaves the previous text and says
// why at the field, held arrows repeat on their timetable, the datum menu
// shows five at a time, and degree fields keep to their kind.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "geo/ui/DegrEdit.h"
#include "geo/ui/PositionCtrl.h"

namespace {

int g_argc = 1;
char g_arg0[] = "geo_ui_PositionCtrlTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

geo::CEntryPosition Solent()
{
    geo::CEntryPosition p;
    p.latitude = 50.5;
    p.longitude = -1.25;
    return p;
}

TEST(PositionCtrl, TypedMinutesOutOfRangeAreRefusedAtTheFieldAndTheTextStays)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    const QString shown = field.text();
    EXPECT_TRUE(shown.startsWith(QString::fromUtf8("50\u00B030'00N"))) << shown.toStdString();
    QSignalSpy refusals(&field, &geo::CPositionCtrl::refused);
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_Right);   // the latitude minutes
    QTest::keyClicks(&field, "75");
    QString before = field.text();
    QTest::keyClicks(&field, "00");   // 75.00 minutes
    ASSERT_GE(refusals.count(), 1);
    EXPECT_EQ(field.LastMessage(), "Minutes run from 0 to 59");
    EXPECT_EQ(refusals.last().at(0).toString(), "Minutes run from 0 to 59");
    EXPECT_FALSE(field.text().contains(QString::fromUtf8("75'00")));
    // A letter with no place in a position is not typed at all.
    before = field.text();
    QTest::keyClick(&field, Qt::Key_X);
    EXPECT_EQ(field.text(), before);
    // Undo walks back to the position shown.
    for (int i = 0; i < 16; ++i)
        QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field.text(), shown);
}

TEST(PositionCtrl, ArrowsSpinTheSelectedFieldAndRepeatWhileHeld)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    QTest::keyClick(&field, Qt::Key_Home);   // latitude degrees
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_TRUE(field.text().startsWith("51")) << field.text().toStdString();
    QTest::keyClick(&field, Qt::Key_Down);
    QTest::keyClick(&field, Qt::Key_Down);
    EXPECT_TRUE(field.text().startsWith("49"));

    field.StartSpin(true);   // as a held Up key: one step at once, then the timer
    EXPECT_TRUE(field.text().startsWith("50"));
    EXPECT_EQ(field.SpinInterval(), 300);
    QTest::qWait(300 * 11 + 200);
    EXPECT_EQ(field.SpinInterval(), 50);
    field.StopSpin();
    EXPECT_EQ(field.SpinInterval(), 0);
    // 1 + 11 slow steps and a few fast ones: past 62, refused beyond 90.
    EXPECT_GE(field.GetPosition()->latitude, 62.0);
    EXPECT_LE(field.GetPosition()->latitude, 90.0);
}

TEST(PositionCtrl, AHeldArrowButtonRepeatsAsAHeldKey)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    QTest::keyClick(&field, Qt::Key_Home);   // latitude degrees
    QAbstractButton* up = field.SpinButton(true);
    ASSERT_NE(up, nullptr);
    up->pressed();   // the button held down
    EXPECT_TRUE(field.text().startsWith("51")) << field.text().toStdString();
    EXPECT_EQ(field.SpinInterval(), 300);
    QTest::qWait(300 * 3 + 150);
    up->released();
    EXPECT_EQ(field.SpinInterval(), 0);
    EXPECT_GE(field.GetPosition()->latitude, 54.0);
    const double held = field.GetPosition()->latitude;
    QTest::qWait(400);
    EXPECT_EQ(field.GetPosition()->latitude, held);   // no step after the release
    // A click steps once, downwards on the lower arrow.
    QTest::mouseClick(field.SpinButton(false), Qt::LeftButton);
    EXPECT_EQ(field.GetPosition()->latitude, held - 1.0);
}

TEST(PositionCtrl, BackspaceDeleteAndCutBlankTheSelectedField)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    const QString shown = field.text();
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_Right);   // the latitude minutes, 30'00
    ASSERT_EQ(field.selectedText(), QString::fromUtf8("30'00"));
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_TRUE(field.text().startsWith(QString::fromUtf8("50\u00B0  '  N")))
        << field.text().toStdString();
    EXPECT_NEAR(field.GetPosition()->latitude, 50.0, 1e-9);
    QTest::keyClicks(&field, "1");   // typing fills the blanked field afresh
    EXPECT_NEAR(field.GetPosition()->latitude, 50.0 + 0.01 / 60.0, 1e-9);

    // Delete on the longitude degrees; Cut on the latitude degrees, with
    // the text on the clipboard.
    QTest::keyClick(&field, Qt::Key_Right);
    QTest::keyClick(&field, Qt::Key_Right);
    ASSERT_EQ(field.selectedText(), "001");
    QTest::keyClick(&field, Qt::Key_Delete);
    EXPECT_TRUE(field.text().contains(QString::fromUtf8("   \u00B015'00W")))
        << field.text().toStdString();
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "50");
    EXPECT_TRUE(field.text().startsWith(QString::fromUtf8("  \u00B0")));

    // All of it selected: back to the position shown.
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    EXPECT_EQ(field.text(), shown);
}

TEST(PositionCtrl, PasteThatDoesNotFitIsRefusedWhole)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    const QString before = field.text();
    QTest::keyClick(&field, Qt::Key_Home);
    QApplication::clipboard()->setText("9930");
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field.text(), before);
    EXPECT_FALSE(field.LastMessage().isEmpty());
}

TEST(PositionCtrl, DatumMenuShowsFiveAtATimeAndChoosingMakesItCurrent)
{
    App();
    geo::CPositionCtrl field;
    ASSERT_TRUE(field.SetFormat(QString::fromUtf8("DD\u00B0MM'MMN ddd\u00B0mm'mmE C")));
    std::vector<std::string> datums;
    for (int i = 0; i < 12; ++i)
        datums.push_back("Datum " + std::to_string(i) + (i == 3 ? " & Co" : ""));
    field.SetDatums(datums, 0);
    ASSERT_TRUE(field.SetPosition(Solent()));
    QMenu menu;
    field.FillDatumMenu(menu);
    const auto actions = menu.actions();
    ASSERT_EQ(actions.size(), 7);   // earlier, five datums, later
    EXPECT_FALSE(actions.front()->isEnabled());
    EXPECT_TRUE(actions.back()->isEnabled());
    EXPECT_EQ(actions[4]->text(), "Datum 3 && Co");
    actions[3]->trigger();
    EXPECT_EQ(field.GetPosition()->datum, 2);
    EXPECT_TRUE(field.text().endsWith("Datum 2"));
}

TEST(DegrEdit, EachKindKeepsToItsNumbers)
{
    App();
    geo::CDegrEdit deviation(geo::CDegrEdit::Kind::Deviation);
    QSignalSpy refusals(&deviation, &geo::CDegrEdit::refused);
    QTest::keyClicks(&deviation, "3.5w");
    EXPECT_EQ(deviation.text(), "3.5w");
    QTest::keyClick(&deviation, Qt::Key_Period);
    QTest::keyClick(&deviation, Qt::Key_X);
    EXPECT_EQ(deviation.text(), "3.5w");
    EXPECT_EQ(refusals.count(), 2);

    geo::CDegrEdit decimal(geo::CDegrEdit::Kind::SignedDecimal);
    QTest::keyClicks(&decimal, "-2.5E");
    EXPECT_EQ(decimal.text(), "-2.5");

    geo::CDegrEdit zone(geo::CDegrEdit::Kind::ZoneTime);
    QSignalSpy zoneRefusals(&zone, &geo::CDegrEdit::refused);
    QTest::keyClicks(&zone, "-12");
    EXPECT_EQ(zone.text(), "-1");
    EXPECT_EQ(zone.LastMessage(), "Zone time runs from -11 to +12 hours");
    zone.clear();
    QTest::keyClicks(&zone, "-11");
    EXPECT_EQ(zone.text(), "-11");
    zone.clear();
    QTest::keyClicks(&zone, "+12");
    EXPECT_EQ(zone.text(), "+12");
    zone.clear();
    QTest::keyClicks(&zone, "13");
    EXPECT_EQ(zone.text(), "1");
    EXPECT_GE(zoneRefusals.count(), 2);
}

}   // namespace
