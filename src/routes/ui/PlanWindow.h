#pragma once
// The "Passage Plan" window: the plan card (name, from and to, depart-at or
// arrive-for with their times, the estimated speed, Calc, Report and Best
// time), the calculation switches, and the worked plan one row per waypoint.

#include "routes/PlanModule.h"
#include "routes/ui/PlanCard.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace routes {

class CPlanWindow final : public QDialog {
    Q_OBJECT
public:
    CPlanWindow(routes::CPlanModule& plan, QWidget* parent);

    // The switches to the module; a change of a calculation switch clears
    // the plan. The card's fields are in the module already.
    void ReadSwitches();
    // Whether "Tidal Stream every" is ticked now (read back or not).
    bool IsTidesChecked() const;
    // Module to switches (after the options changed them).
    void ShowSwitches();
    // Module to card and table.
    void ShowPlan();
    void SetTidalAvailable(bool available, bool variationLoaded);

    routes::CPlanCard* Card() const { return m_card; }
    QTableWidget* Table() const { return m_table; }

    // The user changed a switch; it is in the module, and a plan worked
    // with the old one is cleared.
    std::function<void()> onSwitchesChanged;

private:
    routes::CPlanModule& m_plan;
    routes::CPlanCard* m_card;
    QCheckBox *m_tides, *m_variation, *m_deviation;
    QSpinBox* m_interval;
    QSpinBox* m_plans;
    QSpinBox* m_planInterval;
    QTableWidget* m_table;
    bool m_showing = false;   // the module's switches going onto the window
};

// "Departure time against Passage time": one bar per start time.
class CBestTimeDialog final : public QDialog {
    Q_OBJECT
public:
    CBestTimeDialog(const std::vector<std::int64_t>& starts,
                    const std::vector<std::int64_t>& passages, bool arrival, QWidget* parent);
    int BestIndex() const { return m_best; }
    // Bar widths in pixels for a plot `width` wide (what paint draws).
    std::vector<int> BarWidths(int width) const;
    bool UsedBest() const { return m_usedBest; }
    // The plot's frame: start times to its left, the axis caption, arrow and
    // figures below it.
    QRect PlotRect() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<std::int64_t> m_starts, m_passages;
    bool m_arrival;
    int m_best = 0;
    std::int64_t m_worst = 0, m_shortest = 0;
    bool m_differences = false;
    bool m_usedBest = false;
    QCheckBox* m_showDifferences;
    int m_top = 24;
};

// "Calculating , Please Wait": the search's progress.
class CPlanWaitDialog;

}   // namespace routes
