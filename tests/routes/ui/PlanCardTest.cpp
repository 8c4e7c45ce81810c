// The plan card: what it shows of the module, and which edits clear a worked
// plan (a changed field or mode does; a click on the mode already set does
// not); the 25 characters a text may have when the card is read.

#include "routes/ui/PlanCard.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "PlanFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <QApplication>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(PlanCard, ShowsTheModuleAndClearsAWorkedPlanOnlyOnAChange)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    plan.planName = std::string(40, 'N');
    plan.planUtc = 1899072000;
    plan.PlanSettings().vesselSpeed = 4.0;
    const std::vector<routes::PlanWaypoint> route = {
        {geo::CPosition(48.0, -123.0), 0.0, 10.0}, {geo::CPosition(48.1666667, -123.0), 0.0, 0.0}};
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);

    routes::CPlanCard card(plan, nullptr);
    int changes = 0;
    card.onChanged = [&changes] { ++changes; };
    auto* nameEdit = card.findChild<QLineEdit*>("PlanName");
    auto* depart = card.findChild<QRadioButton*>("PlanDepart");
    auto* arrive = card.findChild<QRadioButton*>("PlanArrive");
    auto* departTime = card.findChild<QDateTimeEdit*>("DepartTime");
    auto* arriveTime = card.findChild<QDateTimeEdit*>("ArriveTime");
    auto* speed = card.findChild<QDoubleSpinBox*>("PlanSpeed");
    ASSERT_TRUE(nameEdit && depart && arrive && departTime && arriveTime && speed);

    // Shown cut to 29 characters (more than the card takes back: see below);
    // the worked departure and arrival.
    EXPECT_EQ(nameEdit->text().size(), 29);
    nameEdit->setText("Inlet");
    EXPECT_EQ(departTime->dateTime().toSecsSinceEpoch(), 1899072000);
    EXPECT_EQ(arriveTime->dateTime().toSecsSinceEpoch(), 1899072000 + 9000);
    EXPECT_TRUE(depart->isChecked());
    EXPECT_TRUE(departTime->isEnabled());
    EXPECT_FALSE(arriveTime->isEnabled());

    // The mode already set: nothing happens.
    depart->click();
    EXPECT_TRUE(plan.IsCalculated());
    EXPECT_EQ(changes, 0);

    // To arrive for: the plan is cleared, the arrival time is the plan's.
    arrive->click();
    EXPECT_FALSE(plan.IsCalculated());
    EXPECT_EQ(plan.PlanSettings().mode, routes::PlanMode::ArriveFor);
    EXPECT_EQ(plan.planUtc, 1899072000 + 9000);
    EXPECT_FALSE(departTime->isEnabled());
    EXPECT_TRUE(arriveTime->isEnabled());
    EXPECT_EQ(changes, 1);

    // A typed speed goes into the module and clears the worked plan: no legs
    // of the old speed stay listed or drawn.
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(plan.IsPlanValid());
    ASSERT_TRUE(plan.GetWaypointTime(1));
    speed->setValue(5.0);
    EXPECT_DOUBLE_EQ(plan.PlanSettings().vesselSpeed, 5.0);
    EXPECT_FALSE(plan.IsCalculated());
    EXPECT_TRUE(plan.Plan().empty());
    EXPECT_FALSE(plan.GetWaypointTime(1));
    EXPECT_EQ(changes, 2);
    nameEdit->setText("Inlet");   // set by the program, not typed: not a change
    EXPECT_EQ(changes, 2);
    // So does a typed name or time.
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    nameEdit->setFocus();
    QTest::keyClick(nameEdit, Qt::Key_S);
    EXPECT_EQ(plan.planName, "Inlets");
    EXPECT_FALSE(plan.IsCalculated());
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    arriveTime->setDateTime(arriveTime->dateTime().addSecs(3600));
    EXPECT_FALSE(plan.IsCalculated());
    depart->click();
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(plan.IsPlanValid());

    // Report follows its command's state and opens the short form plan.
    auto* report = card.findChild<QPushButton*>("PlanReport");
    ASSERT_NE(report, nullptr);
    int reports = 0;
    card.onReport = [&reports] { ++reports; };
    card.UpdateButtons(true, false, false);
    EXPECT_FALSE(report->isEnabled());
    card.UpdateButtons(true, false, true);
    ASSERT_TRUE(report->isEnabled());
    report->click();
    EXPECT_EQ(reports, 1);

    // A time carrying seconds (the moment the card was first filled) is
    // taken to the second, and the card shows its seconds.
    depart->click();
    departTime->setDateTime(QDateTime::fromSecsSinceEpoch(1899072047));
    EXPECT_EQ(plan.planUtc, 1899072047);
    EXPECT_TRUE(departTime->text().contains(QStringLiteral(":47")))
        << departTime->text().toStdString();
    arrive->click();
    arriveTime->setDateTime(QDateTime::fromSecsSinceEpoch(1899075659));
    EXPECT_EQ(plan.planUtc, 1899075659);
}

TEST(PlanCard, TakesBackNoTextOfMoreThan25Characters)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    plan.from = std::string(27, 'F');
    plan.PlanSettings().vesselSpeed = 4.0;
    routes::CPlanCard card(plan, nullptr);
    auto* nameEdit = card.findChild<QLineEdit*>("PlanName");
    auto* fromEdit = card.findChild<QLineEdit*>("PlanFrom");
    auto* speed = card.findChild<QDoubleSpinBox*>("PlanSpeed");
    ASSERT_TRUE(nameEdit && fromEdit && speed);
    EXPECT_EQ(fromEdit->text().size(), 27);

    // The messages the card shows, answered as they come.
    QStringList said;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said << box->text();
            box->accept();
        }
    });
    answer.start(0);

    // The start of 27 characters the card was given is refused when the card
    // is read: a message, and the module keeps what it had.
    speed->setValue(6.0);
    EXPECT_EQ(said, QStringList{"Enter no more than 25 characters."});
    EXPECT_DOUBLE_EQ(plan.PlanSettings().vesselSpeed, 4.0);
    EXPECT_EQ(plan.from, std::string(27, 'F'));

    // Shortened to 25 (a longer text may still be cut down: at 26 it is
    // still refused), it is taken.
    fromEdit->setFocus();
    fromEdit->end(false);
    QTest::keyClick(fromEdit, Qt::Key_Backspace);
    EXPECT_EQ(said.size(), 2);
    QTest::keyClick(fromEdit, Qt::Key_Backspace);
    EXPECT_EQ(said.size(), 2);
    EXPECT_EQ(plan.from, std::string(25, 'F'));
    EXPECT_DOUBLE_EQ(plan.PlanSettings().vesselSpeed, 6.0);

    // Typing stops at 25 characters.
    nameEdit->setText(QString(24, 'n'));
    nameEdit->setFocus();
    QTest::keyClicks(nameEdit, "xyz");
    EXPECT_EQ(nameEdit->text(), QString(24, 'n') + "x");
    EXPECT_EQ(plan.planName, std::string(24, 'n') + "x");
}

// After a calculation the cards follow the module: a finished plan shows its
// worked arrival; an aborted one leaves the arrival the card showed, and
// only a new plan fills both times with the plan's.
TEST(PlanCard, AnAbortedCalculationLeavesTheOtherTimeAsItWas)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    plan.planUtc = 1899072000;
    plan.PlanSettings().vesselSpeed = 4.0;
    const std::vector<routes::PlanWaypoint> route = {
        {geo::CPosition(48.0, -123.0), 0.0, 10.0}, {geo::CPosition(48.1666667, -123.0), 0.0, 0.0}};
    routes::CPlanCard card(plan, nullptr);
    auto* departTime = card.findChild<QDateTimeEdit*>("DepartTime");
    auto* arriveTime = card.findChild<QDateTimeEdit*>("ArriveTime");
    ASSERT_TRUE(departTime && arriveTime);

    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    card.FollowPlan();
    EXPECT_EQ(departTime->dateTime().toSecsSinceEpoch(), 1899072000);
    EXPECT_EQ(arriveTime->dateTime().toSecsSinceEpoch(), 1899072000 + 9000);

    // Escape during the tidal legs of the next calculation.
    plan.PlanSettings().tidesOn = true;
    brine_test::FakeTides tides;
    brine_test::StopAfter escape(0);
    prompt.Expect(platform::PromptAnswer::Ok, "Plan calculation aborted by user.");
    EXPECT_NE(plan.Calculate(route, prompt, &tides, nullptr, &escape), 0);
    ASSERT_FALSE(plan.IsPlanValid());
    card.FollowPlan();
    EXPECT_EQ(departTime->dateTime().toSecsSinceEpoch(), 1899072000);
    EXPECT_EQ(arriveTime->dateTime().toSecsSinceEpoch(), 1899072000 + 9000)
        << "the aborted calculation took the arrival the card showed";

    card.ShowPlanFields();
    EXPECT_EQ(arriveTime->dateTime().toSecsSinceEpoch(), 1899072000);
}

}   // namespace
