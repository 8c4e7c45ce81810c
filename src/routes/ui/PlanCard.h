#pragma once
// The "Plan" card: the passage plan's name, start and destination, the
// depart-at or arrive-for time, the estimated speed, and Calc, Report and
// Best time. The route panel carries one and the Passage Plan window one;
// every change is read into the plan module at once, clears a calculated
// plan, and the other cards show it (CPlanWindows keeps them in step).

#include "routes/PlanModule.h"

#include <QWidget>

#include <functional>

class QDateTimeEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace routes {

class CPlanCard final : public QWidget {
    Q_OBJECT
public:
    CPlanCard(CPlanModule& plan, QWidget* parent);

    // Module to card: texts trimmed and cut to 29 characters, both times the
    // plan's, or the worked departure and arrival of a calculated plan.
    void ShowPlanFields();
    // The card following the module after a change or a calculation: texts,
    // mode, speed and the mode's time as ShowPlanFields shows them; the other
    // time shows where a calculated plan ends (or starts), and keeps what it
    // showed while there is none (an aborted calculation, a cleared plan).
    void FollowPlan();
    // Card to module: name, from, to, mode, the time by the mode, speed.
    // A text over the 25 characters the card takes is refused with a
    // message, and nothing is read.
    bool ReadPlanFields();
    // Calc, Best time and Report follow the commands' states.
    void UpdateButtons(bool canCalculate, bool canBestTime, bool canReport);

    std::function<void()> onCalculate;
    std::function<void()> onBestTime;
    // Report: the short form of the plan in a preview.
    std::function<void()> onReport;
    // A field changed and went into the module.
    std::function<void()> onChanged;

private:
    void FieldChanged();
    void ShowFields(bool bothTimes);

    CPlanModule& m_plan;
    QLineEdit *m_name, *m_from, *m_to;
    QRadioButton *m_depart, *m_arrive;
    QDateTimeEdit *m_departTime, *m_arriveTime;
    QDoubleSpinBox* m_speed;
    QPushButton *m_calc, *m_report, *m_best;
    bool m_showing = false;
};

}   // namespace routes
