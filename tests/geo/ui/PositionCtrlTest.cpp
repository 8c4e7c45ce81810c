// The position entry field and the degree field offscreen: keys reach the
// model field by field, a refused change leaves the previous text and hands
// the reason to the owner, held arrows repeat on their timetable, the datum
// menu shows five at a time, and degree fields keep to their kind.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
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

// Shown in an active window with the keyboard focus, as a field the user works in.
void Focus(QWidget& field)
{
    field.show();
    field.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    ASSERT_TRUE(field.hasFocus());
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

// A held key's repeat reaching the field as a plain release and press of one
// time stamp (as on a busy machine) keeps the spin on its timetable; a real
// let-go stops it without a further step, and the next press steps at once.
TEST(PositionCtrl, AHeldKeysRepeatSeenAsReleaseAndPressKeepsTheSpinGoing)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    ASSERT_TRUE(field.SetPosition(Solent()));
    QTest::keyClick(&field, Qt::Key_Home);   // latitude degrees, 50
    auto send = [&field](QEvent::Type type, quint64 time) {
        QKeyEvent event(type, Qt::Key_Up, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(&field, &event);
    };
    auto degrees = [&field] { return field.text().left(2).toStdString(); };
    send(QEvent::KeyPress, 1000);
    EXPECT_EQ(degrees(), "51");
    send(QEvent::KeyRelease, 1040);
    send(QEvent::KeyPress, 1040);   // the repeat: no step of its own
    EXPECT_EQ(degrees(), "51");
    EXPECT_EQ(field.SpinInterval(), 300);
    QTest::qWait(400);
    EXPECT_EQ(degrees(), "52");
    send(QEvent::KeyRelease, 1500);   // let go
    QTest::qWait(400);
    EXPECT_EQ(field.SpinInterval(), 0);
    EXPECT_EQ(degrees(), "52");
    send(QEvent::KeyPress, 2000);
    EXPECT_EQ(degrees(), "53");
    send(QEvent::KeyRelease, 2010);
}

TEST(PositionCtrl, AHeldArrowButtonRepeatsAsAHeldKey)
{
    App();
    geo::CPositionCtrl field;
    ASSERT_TRUE(field.SetPosition(Solent()));
    Focus(field);
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
    EXPECT_EQ(deviation.text(), "3.5W");
    QTest::keyClick(&deviation, Qt::Key_Period);
    QTest::keyClick(&deviation, Qt::Key_X);
    EXPECT_EQ(deviation.text(), "3.5W");
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
    QTest::keyClicks(&zone, "+12");   // digits and '-' only: the '+' is refused
    EXPECT_EQ(zone.text(), "12");
    zone.clear();
    QTest::keyClicks(&zone, "13");
    EXPECT_EQ(zone.text(), "1");
    EXPECT_GE(zoneRefusals.count(), 2);
}

TEST(PositionCtrl, OnlyDigitsMinusAndHemispheresAreTypedAndRefusalsAreSilent)
{
    App();
    geo::CPositionCtrl field;
    field.show();
    geo::CEntryPosition high = Solent();
    high.altitude = 12.0;
    ASSERT_TRUE(field.SetPosition(high));
    QSignalSpy refusals(&field, &geo::CPositionCtrl::refused);
    QTest::keyClick(&field, Qt::Key_End);   // the altitude
    QTest::keyClicks(&field, "-");
    EXPECT_DOUBLE_EQ(field.GetPosition()->altitude, -12.0);
    // '+' has no place in a typed position, not even in the altitude.
    const QString before = field.text();
    QTest::keyClicks(&field, "+");
    EXPECT_EQ(field.text(), before);
    EXPECT_DOUBLE_EQ(field.GetPosition()->altitude, -12.0);
    EXPECT_EQ(refusals.count(), 0);

    // A refused character leaves the text and shows nothing over the field.
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_Right);   // the latitude minutes
    QTest::keyClicks(&field, "7500");
    EXPECT_EQ(refusals.count(), 1);
    EXPECT_FALSE(field.text().contains(QString::fromUtf8("75'00")));
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST(PositionCtrl, AReadOnlyFieldTakesNoDatumChoiceTypingOrSpin)
{
    App();
    geo::CPositionCtrl field;
    ASSERT_TRUE(field.SetFormat(QString::fromUtf8("DD\u00B0MM'MMN ddd\u00B0mm'mmE C")));
    field.SetDatums({"WGS 84", "OSGB 36", "ED 50"}, 0);
    ASSERT_TRUE(field.SetPosition(Solent()));
    field.setReadOnly(true);
    field.show();
    const QString before = field.text();
    QMenu menu;
    field.FillDatumMenu(menu);
    ASSERT_EQ(menu.actions().size(), 5);   // earlier, three datums, later
    menu.actions()[2]->trigger();
    EXPECT_EQ(field.GetPosition()->datum, 0);
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClicks(&field, "12");
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.text(), before);
    // Nor does it cut, copy, paste or undo.
    QApplication::clipboard()->setText("kept");
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field.text(), before);
}

TEST(PositionCtrl, TheArrowsShareOneSquareAndSpinOnlyAFocusedField)
{
    App();
    geo::CPositionCtrl field;
    ASSERT_TRUE(field.SetPosition(Solent()));
    field.resize(field.sizeHint());
    field.show();
    const int side = field.height();
    const QRect up = field.SpinButton(true)->geometry();
    const QRect down = field.SpinButton(false)->geometry();
    // One square of the field's height at the right: up above, down below.
    EXPECT_EQ(up.left(), down.left());
    EXPECT_EQ(up.width(), side);
    EXPECT_EQ(down.width(), side);
    EXPECT_EQ(up.top(), 0);
    EXPECT_EQ(up.bottom() + 1, down.top());
    EXPECT_EQ(down.bottom() + 1, side);
    EXPECT_EQ(up.right() + 1, field.width());
    EXPECT_EQ(field.textMargins().right(), side);
    EXPECT_FALSE(field.DatumButton()->isVisible());

    // In a window where another field has the focus, a click on an arrow
    // only focuses the position field; the next click spins.
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* inWindow = new geo::CPositionCtrl(&window);
    ASSERT_TRUE(inWindow->SetPosition(Solent()));
    inWindow->setGeometry(0, 40, inWindow->sizeHint().width(), inWindow->sizeHint().height());
    Focus(window);
    other->setFocus();
    const QString before = inWindow->text();
    QAbstractButton* arrow = inWindow->SpinButton(true);
    QTest::mouseMove(arrow, arrow->rect().center());
    QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->rect().center());
    EXPECT_TRUE(inWindow->hasFocus());
    EXPECT_EQ(inWindow->text(), before);
    QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->rect().center());
    EXPECT_NE(inWindow->text(), before);

    // A datum field adds a further square at the right for the datum button.
    ASSERT_TRUE(field.SetFormat(QString::fromUtf8("DD\u00B0MM'MMN ddd\u00B0mm'mmE C")));
    field.SetDatums({"WGS 84", "OSGB 36"}, 0);
    field.resize(field.sizeHint());
    EXPECT_TRUE(field.DatumButton()->isVisible());
    EXPECT_EQ(field.textMargins().right(), 2 * field.height());
    EXPECT_EQ(field.DatumButton()->geometry().right() + 1, field.width());
    EXPECT_EQ(field.SpinButton(true)->geometry().right() + 1,
              field.DatumButton()->geometry().left());
}

TEST(DegrEdit, ADeviationSideLetterGoesToTheEnd)
{
    App();
    geo::CDegrEdit deviation(geo::CDegrEdit::Kind::Deviation);
    QTest::keyClicks(&deviation, "3.5");
    deviation.setCursorPosition(1);
    QTest::keyClicks(&deviation, "W");
    EXPECT_EQ(deviation.text(), "3.5W");
    deviation.setCursorPosition(0);
    QTest::keyClicks(&deviation, "e");   // the other side replaces it, upper-cased
    EXPECT_EQ(deviation.text(), "3.5E");
    QTest::keyClicks(&deviation, "1");   // nothing follows the side letter
    EXPECT_EQ(deviation.text(), "3.5E");
    deviation.clear();
    QTest::keyClicks(&deviation, "-2w");
    EXPECT_EQ(deviation.text(), "-2W");
}

}   // namespace

// A read-only field is shown, not worked in: the keys it is sent go on to the
// window that holds it (a dialog's arrows, Return and Escape pass over it).
TEST(PositionCtrl, AReadOnlyFieldPassesItsKeysToTheWindowHoldingIt)
{
    App();
    struct Holder : QWidget {
        QList<int> keys;
        void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
    } holder;
    auto* field = new geo::CPositionCtrl(&holder);
    ASSERT_TRUE(field->SetPosition(Solent()));
    field->setReadOnly(true);
    holder.show();
    const QString before = field->text();
    for (const int key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Return,
                          Qt::Key_Escape, Qt::Key_Delete, Qt::Key_5})
        QTest::keyClick(field, Qt::Key(key));
    EXPECT_EQ(holder.keys, (QList<int>{Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                                       Qt::Key_Return, Qt::Key_Escape, Qt::Key_Delete, Qt::Key_5}));
    EXPECT_EQ(field->text(), before);
    // Editable again, the same keys are its own.
    field->setReadOnly(false);
    holder.keys.clear();
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Right);
    EXPECT_TRUE(holder.keys.isEmpty());
}

// The datum menu lists the datums in the list's order, where the datum of the
// position shown stands last; choosing walks that order.
TEST(PositionCtrl, TheDatumMenuListsTheShownDatumLast)
{
    App();
    geo::CPositionCtrl field;
    ASSERT_TRUE(field.SetFormat(QString::fromUtf8("DD\u00B0MM'MMN ddd\u00B0mm'mmE C")));
    field.SetDatums({"WGS 84", "OSGB 36", "ED 50"}, 0);
    geo::CEntryPosition shown = Solent();
    shown.datum = 0;
    ASSERT_TRUE(field.SetPosition(shown));
    QMenu menu;
    field.FillDatumMenu(menu);
    const auto actions = menu.actions();
    ASSERT_EQ(actions.size(), 5);   // earlier, three datums, later
    EXPECT_EQ(actions[1]->text(), "OSGB 36");
    EXPECT_EQ(actions[2]->text(), "ED 50");
    EXPECT_EQ(actions[3]->text(), "WGS 84");
    EXPECT_TRUE(actions[3]->isChecked());
    actions[1]->trigger();
    EXPECT_EQ(field.GetPosition()->datum, 1);
    EXPECT_TRUE(field.text().endsWith("OSGB 36"));
}
