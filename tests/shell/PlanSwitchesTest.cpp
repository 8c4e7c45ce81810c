// The Passage Plan window's switches in the program as a new user starts it
// with the sample route: a plan worked with one set of switches offers its
// Report; ticking another switch clears that plan at once, so Report greys
// on both plan cards until the plan is worked again with the switch shown.
#include "FirstStart.h"
#include "app/CommandIds.h"
#include "routes/PlanModule.h"
#include "routes/ui/PlanWindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// Waits on the real event loop, idle passes included, until `done` or 5 s.
bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 5000)
            return false;
        QTest::qWait(20);
    }
    return true;
}

TEST(PlanSwitches, ASwitchChangedAfterTheCalculationClearsThePlan)
{
    brine_test::FirstStartProgram program(false, true);
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* plan = brine_test::FindModule<routes::CPlanModule>(frame);
    ASSERT_NE(plan, nullptr);

    // Route > Plan > Calculate as the idle pass leaves it: the plan window
    // opens with the plan worked for the sample route.
    ASSERT_TRUE(WaitFor([&] { return frame.Action(app::cmd::kPlanCalculate)->isEnabled(); }));
    frame.Action(app::cmd::kPlanCalculate)->trigger();
    auto* window = frame.findChild<routes::CPlanWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    ASSERT_TRUE(plan->IsCalculated());
    ASSERT_GT(window->Table()->rowCount(), 1);
    QCheckBox* deviation = nullptr;
    for (QCheckBox* box : window->findChildren<QCheckBox*>())
        if (box->text() == "Deviation")
            deviation = box;
    ASSERT_NE(deviation, nullptr);
    ASSERT_TRUE(deviation->isEnabled());
    const bool deviationBefore = deviation->isChecked();
    // Both plan cards: the window's and the route panel's.
    const QList<QPushButton*> reports = frame.findChildren<QPushButton*>("PlanReport");
    ASSERT_EQ(reports.size(), 2);
    const auto reportOffered = [&] {
        return std::all_of(reports.begin(), reports.end(),
                           [](QPushButton* b) { return b->isEnabled(); });
    };
    const auto reportGrey = [&] {
        return std::none_of(reports.begin(), reports.end(),
                            [](QPushButton* b) { return b->isEnabled(); });
    };
    ASSERT_TRUE(WaitFor(reportOffered)) << "Report not offered for the worked plan";

    // The user ticks Deviation: the plan worked without it is gone.
    QTest::mouseClick(deviation, Qt::LeftButton, {}, QPoint(6, deviation->height() / 2));
    ASSERT_NE(deviation->isChecked(), deviationBefore);
    EXPECT_FALSE(plan->IsCalculated());
    EXPECT_EQ(plan->PlanSettings().deviationOn, deviation->isChecked());
    EXPECT_EQ(window->Table()->rowCount(), 0);
    EXPECT_TRUE(WaitFor(reportGrey)) << "Report still offers a plan worked without the switch";

    // Calc works it again with the switch as shown, and Report comes back.
    window->Card()->findChild<QPushButton*>("PlanCalc")->click();
    EXPECT_TRUE(plan->IsCalculated());
    EXPECT_GT(window->Table()->rowCount(), 1);
    EXPECT_TRUE(WaitFor(reportOffered));

    // Switches the options sheet shows on the window are the module's own:
    // showing them clears nothing.
    window->ShowSwitches();
    EXPECT_TRUE(plan->IsCalculated());
    window->close();
}

}   // namespace
