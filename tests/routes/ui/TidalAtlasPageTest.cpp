// The "Tidal Atlas" options page offscreen: its groups hold the controls they
// name, and spacing and arrow length move only by their spin steps, never by
// typing. The tidal windows' time row: Apply waits for Apply Immediately to
// be off, and then nothing is applied until Apply; times end on 18 January
// 2038. The stream window keeps its last stream when a later time has none.
// Both time edits write the user's short date and time.

#include "routes/ui/TidalAtlasOptionsPage.h"
#include "routes/ui/TidalStreamWindow.h"
#include "routes/ui/TidalTimeWindow.h"

#include "AnsweredBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

// One application for every check, left to the process's end: destroying it
// after the tests' statics would pull Qt down under them.
QApplication& App()
{
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// The page over the first start's settings, filled as the sheet fills it.
struct PageFixture : ::testing::Test {
    std::unique_ptr<routes::CTidalAtlasOptionsPage> page;

    void SetUp() override
    {
        App();
        routes::CTidalAtlasOptions values;
        page = std::make_unique<routes::CTidalAtlasOptionsPage>(
            std::make_unique<routes::CTidalAtlasOptionsModel>(values, nullptr), nullptr);
        page->ModelToControls();
        page->show();
    }
    QGroupBox* Group(const QString& title) const
    {
        for (QGroupBox* g : page->findChildren<QGroupBox*>())
            if (g->title() == title)
                return g;
        return nullptr;
    }
};

TEST_F(PageFixture, EachGroupHoldsItsControls)
{
    QStringList titles;
    for (QGroupBox* g : page->findChildren<QGroupBox*>())
        titles << g->title();
    EXPECT_EQ(titles, QStringList({"Start Time", "Spacing", "Overlays", "Arrows", "Labels"}));

    auto checkBoxes = [](QGroupBox* g) {
        QStringList texts;
        if (g)
            for (QCheckBox* c : g->findChildren<QCheckBox*>())
                texts << c->text();
        return texts;
    };
    EXPECT_EQ(checkBoxes(Group("Overlays")), QStringList({"Limit lines"}));
    EXPECT_EQ(checkBoxes(Group("Labels")), QStringList({"Height", "Speed"}));
    ASSERT_TRUE(Group("Arrows"));
    EXPECT_TRUE(Group("Arrows")->findChild<QSpinBox*>("VectorLength"));
    ASSERT_TRUE(Group("Spacing"));
    EXPECT_TRUE(Group("Spacing")->findChild<QDoubleSpinBox*>("Spacing"));
}

TEST_F(PageFixture, SpacingAndLengthMoveOnlyByTheirSteps)
{
    auto* spacing = page->findChild<QDoubleSpinBox*>("Spacing");
    auto* length = page->findChild<QSpinBox*>("VectorLength");
    ASSERT_TRUE(spacing && length);
    // User defined spacing, so its spin is enabled.
    for (QWidget* w : Group("Spacing")->findChildren<QWidget*>())
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text() == "&User defined")
            b->click();
    ASSERT_TRUE(spacing->isEnabled());
    EXPECT_EQ(spacing->value(), 12.0);
    EXPECT_EQ(length->value(), 20);

    // Typed digits change nothing.
    spacing->setFocus();
    QTest::keyClick(spacing, Qt::Key_End);
    QTest::keyClicks(spacing, "7");
    QTest::keyClick(spacing, Qt::Key_Home);
    QTest::keyClicks(spacing, "3");
    EXPECT_EQ(spacing->value(), 12.0);
    length->setFocus();
    QTest::keyClick(length, Qt::Key_Home);
    QTest::keyClicks(length, "9");
    EXPECT_EQ(length->value(), 20);

    // The arrow keys still step by the page's rules: 12 + 1, 20 + 5.
    QTest::keyClick(spacing, Qt::Key_Up);
    EXPECT_EQ(spacing->value(), 13.0);
    QTest::keyClick(length, Qt::Key_Up);
    EXPECT_EQ(length->value(), 25);
}

// The windows' time and the page's start time take 1 January 1970 to
// 18 January 2038 23:59:59, and no time outside.
TEST_F(PageFixture, TimesRunFrom1970To18January2038)
{
    const QDateTime first(QDate(1970, 1, 1), QTime(0, 0, 0));
    const QDateTime last(QDate(2038, 1, 18), QTime(23, 59, 59));
    routes::CTidalTimeWindow window("Tidal Atlas", nullptr);
    auto* start = page->findChild<QDateTimeEdit*>("StartTime");
    ASSERT_TRUE(start);
    for (QDateTimeEdit* edit : {window.TimeEdit(), start}) {
        EXPECT_EQ(edit->minimumDateTime(), first);
        EXPECT_EQ(edit->maximumDateTime(), last);
        edit->setDateTime(QDateTime(QDate(2040, 6, 1), QTime(12, 0, 0)));
        EXPECT_EQ(edit->dateTime(), last);
    }
}

TEST(TidalTimeRow, ApplyWaitsForApplyImmediatelyOff)
{
    App();
    routes::CTidalTimeWindow window("Tidal Atlas", nullptr);
    int applied = 0;
    window.onApplied = [&applied] { ++applied; };
    window.SetUtc(1796083200);   // 2026-12-01 00:00 UTC
    auto* immediately = window.findChild<QCheckBox*>();
    ASSERT_TRUE(immediately);
    EXPECT_EQ(immediately->text(), "Apply &Immediately");
    EXPECT_TRUE(immediately->isChecked());
    EXPECT_FALSE(window.ApplyButton()->isEnabled());

    // On: each change applies at once.
    window.TimeEdit()->setDateTime(window.TimeEdit()->dateTime().addSecs(3600));
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(window.AppliedUtc(), 1796083200 + 3600);

    // Off: a change waits for Apply.
    immediately->click();
    EXPECT_TRUE(window.ApplyButton()->isEnabled());
    window.TimeEdit()->setDateTime(window.TimeEdit()->dateTime().addSecs(3600));
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(window.AppliedUtc(), 1796083200 + 3600);
    window.ApplyButton()->click();
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(window.AppliedUtc(), 1796083200 + 7200);
}

TEST(TidalStreamFields, AResultTextComesInAStopBoxAndAnErrorLeavesTheLastStream)
{
    App();
    brine_test::AnsweredBoxes boxes;
    routes::CTidalStreamWindow window(geo::CPosition(48.02, -122.98), nullptr);
    routes::TidalStreamReading good;
    good.code = -1;
    good.usable = true;
    good.rateText = "1.0";
    good.directionText = "90";
    good.heightText = "1.3";
    good.message =
        "Tidal calculation results to be used with caution because of proximity of land:";
    window.Show(good);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].first.toStdString(), good.message);
    EXPECT_EQ(boxes.seen[0].second, QMessageBox::Critical);
    EXPECT_EQ(window.RateText(), "1.0");
    EXPECT_TRUE(window.isEnabled());

    routes::TidalStreamReading late;
    late.code = 13;
    late.message = "Tidal model calculation: Unknown error";
    window.Show(late);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1].first.toStdString(), late.message);
    EXPECT_EQ(window.RateText(), "1.0");
    EXPECT_EQ(window.DirectionText(), "90");
    EXPECT_EQ(window.HeightText(), "1.3");

    // A good stream fills the fields without a word.
    good.code = 0;
    good.rateText = "2.5";
    good.message.clear();
    window.Show(good);
    EXPECT_EQ(window.RateText(), "2.5");
    EXPECT_EQ(boxes.seen.size(), 2u);
}

}   // namespace

namespace {

// The atlas page's start time and the tidal window's time, as a German and a
// C-locale user see 1 December 2026 at 14:05.
QStringList TidalTimeTexts()
{
    routes::CTidalAtlasOptions values;
    routes::CTidalAtlasOptionsPage page(
        std::make_unique<routes::CTidalAtlasOptionsModel>(values, nullptr), nullptr);
    routes::CTidalTimeWindow window("Tidal Atlas", nullptr);
    QStringList texts;
    for (QDateTimeEdit* edit : {page.findChild<QDateTimeEdit*>("StartTime"), window.TimeEdit()}) {
        if (!edit)
            return {};
        edit->setDateTime(QDateTime(QDate(2026, 12, 1), QTime(14, 5, 9)));
        texts << edit->text();
    }
    return texts;
}

}   // namespace

TEST(TidalTimeRow, TimesFollowTheUsersDateAndTimeForm)
{
    App();
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(std::setlocale(LC_ALL, "C"));
    EXPECT_EQ(TidalTimeTexts(), QStringList({"12/01/2026 14:05", "12/01/2026 14:05"}));
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (german) {
        EXPECT_EQ(TidalTimeTexts(), QStringList({"01.12.2026 14:05", "01.12.2026 14:05"}));
    }
    std::setlocale(LC_ALL, before.c_str());
    if (!german)
        GTEST_SKIP() << "no de_DE.UTF-8 locale for the German form";
}
