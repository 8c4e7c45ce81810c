#include "routes/ui/PlanCard.h"

#include "app/ui/DateTimeEdits.h"

#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

namespace routes {

namespace {

// The card takes back at most 25 characters of a name, start or destination,
// but shows up to 29 of the module's.
constexpr int kMostTextTaken = 25;
constexpr int kMostTextShown = 29;

// Typing stops at 25 characters; a longer text the card was given may still
// be shortened.
class CTextLimit final : public QValidator {
public:
    explicit CTextLimit(QLineEdit* edit) : QValidator(edit), m_edit(edit) { }
    State validate(QString& input, int&) const override
    {
        return input.size() <= kMostTextTaken || input.size() < m_edit->text().size() ? Acceptable
                                                                                      : Invalid;
    }

private:
    QLineEdit* m_edit;
};

QDateTimeEdit* TimeEdit(QWidget* parent, const char* name)
{
    auto* edit = new QDateTimeEdit(parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    // The locale's date and time, seconds included: a plan starts at the
    // second the card says.
    app::UseLocaleDateTime(edit, false);
    // The controls reach to the end of 9998, not 2038.
    edit->setDateTimeRange(QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0)),
                           QDateTime(QDate(9998, 12, 31), QTime(23, 59, 59)));
    return edit;
}

QDateTime Local(std::int64_t utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).toLocalTime();
}

}   // namespace

CPlanCard::CPlanCard(CPlanModule& plan, QWidget* parent) : QWidget(parent), m_plan(plan)
{
    setObjectName("PlanCard");
    auto* grid = new QGridLayout(this);
    auto text = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setValidator(new CTextLimit(e));
        return e;
    };
    m_name = text("PlanName");
    m_from = text("PlanFrom");
    m_to = text("PlanTo");
    grid->addWidget(new QLabel("Name", this), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 3);
    grid->addWidget(new QLabel("From", this), 1, 0);
    grid->addWidget(m_from, 1, 1);
    grid->addWidget(new QLabel("To", this), 1, 2);
    grid->addWidget(m_to, 1, 3);
    m_depart = new QRadioButton("To depart at", this);
    m_depart->setObjectName("PlanDepart");
    m_arrive = new QRadioButton("To arrive for", this);
    m_arrive->setObjectName("PlanArrive");
    m_departTime = TimeEdit(this, "DepartTime");
    m_arriveTime = TimeEdit(this, "ArriveTime");
    grid->addWidget(m_depart, 2, 0);
    grid->addWidget(m_departTime, 2, 1, 1, 3);
    grid->addWidget(m_arrive, 3, 0);
    grid->addWidget(m_arriveTime, 3, 1, 1, 3);
    m_speed = new QDoubleSpinBox(this);
    m_speed->setObjectName("PlanSpeed");
    m_speed->setDecimals(1);
    // A speed of 0 (the own vessel's at rest) shows as it is; Calc stays off
    // until a speed above 0 is typed.
    m_speed->setRange(0.0, 99.9);
    m_speed->setSuffix(" kn");
    grid->addWidget(new QLabel("Speed", this), 4, 0);
    grid->addWidget(m_speed, 4, 1);
    // No mnemonics: the panel's Alt+letters belong to the top menus.
    auto* buttons = new QHBoxLayout;
    m_calc = new QPushButton("Calc", this);
    m_calc->setObjectName("PlanCalc");
    m_report = new QPushButton("Report", this);
    m_report->setObjectName("PlanReport");
    m_report->setToolTip("Open short form plan");
    m_report->setEnabled(false);   // until a plan is calculated
    m_best = new QPushButton("Best time", this);
    m_best->setObjectName("PlanBestTime");
    // Return in a field must not start a calculation.
    for (QPushButton* b : {m_calc, m_report, m_best})
        b->setAutoDefault(false);
    buttons->addWidget(m_calc);
    buttons->addWidget(m_report);
    buttons->addWidget(m_best);
    buttons->addStretch();
    grid->addLayout(buttons, 5, 0, 1, 4);
    grid->setRowStretch(6, 1);

    for (QLineEdit* e : {m_name, m_from, m_to})
        connect(e, &QLineEdit::textEdited, this, &CPlanCard::FieldChanged);
    for (QDateTimeEdit* e : {m_departTime, m_arriveTime})
        connect(e, &QDateTimeEdit::dateTimeChanged, this, &CPlanCard::FieldChanged);
    connect(m_speed, &QDoubleSpinBox::valueChanged, this, &CPlanCard::FieldChanged);
    // A click that does not change the mode does nothing.
    connect(m_depart, &QRadioButton::toggled, this, [this](bool) {
        const PlanMode mode = m_depart->isChecked() ? PlanMode::DepartAt : PlanMode::ArriveFor;
        if (mode != m_plan.PlanSettings().mode)
            FieldChanged();
    });
    connect(m_calc, &QPushButton::clicked, this, [this] {
        if (onCalculate)
            onCalculate();
    });
    connect(m_best, &QPushButton::clicked, this, [this] {
        if (onBestTime)
            onBestTime();
    });
    connect(m_report, &QPushButton::clicked, this, [this] {
        if (onReport)
            onReport();
    });
    ShowPlanFields();
}

void CPlanCard::ShowPlanFields()
{
    ShowFields(true);
}

void CPlanCard::FollowPlan()
{
    ShowFields(false);
}

void CPlanCard::ShowFields(bool bothTimes)
{
    m_showing = true;
    const QSignalBlocker a(m_departTime), b(m_arriveTime), c(m_speed), d(m_depart), e(m_arrive);
    const auto cut = [](const std::string& s) {
        return QString::fromStdString(s).trimmed().left(kMostTextShown);
    };
    m_name->setText(cut(m_plan.planName));
    m_from->setText(cut(m_plan.from));
    m_to->setText(cut(m_plan.to));
    const bool depart = m_plan.PlanSettings().mode == PlanMode::DepartAt;
    (depart ? m_depart : m_arrive)->setChecked(true);
    m_departTime->setEnabled(depart);
    m_arriveTime->setEnabled(!depart);
    const CPlanList& plan = m_plan.Plan();
    if (m_plan.IsPlanValid() && !plan.empty()) {
        m_departTime->setDateTime(Local(plan.front().utc));
        m_arriveTime->setDateTime(Local(plan.back().utc));
    } else {
        (depart ? m_departTime : m_arriveTime)->setDateTime(Local(m_plan.planUtc));
        if (bothTimes)
            (depart ? m_arriveTime : m_departTime)->setDateTime(Local(m_plan.planUtc));
    }
    m_speed->setValue(m_plan.PlanSettings().vesselSpeed);
    m_showing = false;
}

bool CPlanCard::ReadPlanFields()
{
    for (QLineEdit* e : {m_name, m_from, m_to})
        if (e->text().size() > kMostTextTaken) {
            QMessageBox::warning(this, tr("Plan"),
                                 tr("Enter no more than %1 characters.").arg(kMostTextTaken));
            e->setFocus();
            return false;
        }
    auto& s = m_plan.PlanSettings();
    m_plan.planName = m_name->text().trimmed().toStdString();
    m_plan.from = m_from->text().trimmed().toStdString();
    m_plan.to = m_to->text().trimmed().toStdString();
    s.mode = m_depart->isChecked() ? PlanMode::DepartAt : PlanMode::ArriveFor;
    m_plan.planUtc =
        (s.mode == PlanMode::DepartAt ? m_departTime : m_arriveTime)->dateTime().toSecsSinceEpoch();
    s.vesselSpeed = m_speed->value();
    return true;
}

void CPlanCard::UpdateButtons(bool canCalculate, bool canBestTime, bool canReport)
{
    m_calc->setEnabled(canCalculate);
    m_best->setEnabled(canBestTime);
    m_report->setEnabled(canReport);
}

void CPlanCard::FieldChanged()
{
    if (m_showing)
        return;
    const bool depart = m_depart->isChecked();
    m_departTime->setEnabled(depart);
    m_arriveTime->setEnabled(!depart);
    // Whatever the card now says, a worked plan no longer answers it.
    const bool wasValid = m_plan.IsPlanValid();
    if (!ReadPlanFields())
        return;
    if (wasValid)
        m_plan.ClearPlan();
    m_plan.SetCardModified();
    if (onChanged)
        onChanged();
}

}   // namespace routes
