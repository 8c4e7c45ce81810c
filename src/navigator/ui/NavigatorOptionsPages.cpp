#include "navigator/ui/NavigatorOptionsPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "navigator/ui/TimeSpanEdit.h"

namespace navigator {

CAutoscrollOptionsPage::CAutoscrollOptionsPage(
    std::unique_ptr<navigator::CAutoscrollOptionsModel> model, std::function<bool()> moduleSelect,
    QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent), m_moduleSelect(std::move(moduleSelect))
{
    auto* distance = new QGroupBox(tr("% distance from center to edge of window"), this);
    m_slider = new QSlider(Qt::Horizontal, distance);
    m_slider->setObjectName("edgeDistance");
    m_slider->setRange(0, navigator::kAutoscrollSliderMax);
    m_slider->setTickInterval(2);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setPageStep(2);
    auto* minLabel = new QLabel(tr("&Min"), distance);
    minLabel->setBuddy(m_slider);
    auto* distanceRow = new QHBoxLayout(distance);
    distanceRow->addWidget(minLabel);
    distanceRow->addWidget(m_slider, 1);
    distanceRow->addWidget(new QLabel(tr("Max"), distance));

    auto* best = new QGroupBox(tr("Best Chart"), this);
    m_select = new QCheckBox(tr("&Select"), best);
    m_select->setObjectName("select");
    m_checkTime = MakeTimeSpanEdit("checkTime", best);
    m_checkLabel = new QLabel(tr("Check e&very"), best);
    m_checkLabel->setBuddy(m_checkTime);
    m_checkUnit = new QLabel(tr("Hrs:Mins:Secs"), best);
    m_resume = new QCheckBox(tr("&Resume after"), best);
    m_resume->setObjectName("resume");
    m_resumeTime = MakeTimeSpanEdit("resumeTime", best);
    m_resumeUnit = new QLabel(tr("&Hrs:Mins:Secs"), best);
    m_resumeUnit->setBuddy(m_resumeTime);
    auto* grid = new QGridLayout(best);
    grid->addWidget(m_select, 0, 0);
    grid->addWidget(m_checkLabel, 0, 1);
    grid->addWidget(m_checkTime, 0, 2);
    grid->addWidget(m_checkUnit, 0, 3);
    grid->addWidget(m_resume, 1, 0, 1, 2);
    grid->addWidget(m_resumeTime, 1, 2);
    grid->addWidget(m_resumeUnit, 1, 3);
    grid->setColumnStretch(4, 1);
    connect(m_select, &QCheckBox::clicked, this, [this](bool on) {
        M().Values().select = on;
        UpdateControls();
    });
    connect(m_resume, &QCheckBox::clicked, this, [this](bool on) {
        M().Values().resume = on;
        UpdateControls();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(distance);
    layout->addWidget(best);
    layout->addStretch(1);

    // "Select" follows the menu's best-chart switch while the sheet is open.
    auto* follow = new QTimer(this);
    follow->setInterval(500);
    connect(follow, &QTimer::timeout, this, [this] { UpdateControls(); });
    follow->start();
}

navigator::CAutoscrollOptionsModel& CAutoscrollOptionsPage::M() const
{
    return static_cast<navigator::CAutoscrollOptionsModel&>(Model());
}

void CAutoscrollOptionsPage::showEvent(QShowEvent* event)
{
    app::CXPropertyPage::showEvent(event);
    UpdateControls();
}

std::optional<app::CFieldError> CAutoscrollOptionsPage::ControlsToModel()
{
    navigator::CAutoscrollOptions& v = M().Values();
    v.sliderPosition = m_slider->value();
    v.select = m_select->isChecked();
    v.resume = m_resume->isChecked();
    const std::pair<QLineEdit*, long*> spans[] = {{m_checkTime, &v.checkSeconds},
                                                  {m_resumeTime, &v.resumeSeconds}};
    for (const auto& [edit, out] : spans) {
        // A switched-off time keeps its value; its text is not the user's to fix now.
        if ((edit == m_checkTime && !v.select) || (edit == m_resumeTime && !v.resume))
            continue;
        if (auto error = ReadTimeSpan(edit, *out))
            return error;
    }
    return std::nullopt;
}

void CAutoscrollOptionsPage::ModelToControls()
{
    const navigator::CAutoscrollOptions& v = M().Values();
    m_slider->setValue(v.sliderPosition);
    m_select->setChecked(v.select);
    m_resume->setChecked(v.resume);
    ShowTimeSpan(m_checkTime, v.checkSeconds);
    ShowTimeSpan(m_resumeTime, v.resumeSeconds);
}

void CAutoscrollOptionsPage::UpdateControls()
{
    // The best-chart switch may have been changed from the menu meanwhile.
    if (m_moduleSelect && M().FollowSelect(m_moduleSelect()))
        m_select->setChecked(M().Values().select);
    const bool check = M().CheckEnabled();
    m_checkLabel->setEnabled(check);
    m_checkTime->setEnabled(check);
    m_checkUnit->setEnabled(check);
    m_resumeTime->setEnabled(M().ResumeEnabled());
    m_resumeUnit->setEnabled(M().ResumeEnabled());
}

CAutopilotMonitoringDlg::CAutopilotMonitoringDlg(
    std::unique_ptr<navigator::CMonitoringOptionsModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* detection = new QGroupBox(tr("Waypoint Detection"), this);
    m_arrival = new QCheckBox(tr("Arrival Circle &Entry"), detection);
    m_arrival->setObjectName("arrivalCircleEntry");
    m_radius = new app::CSpinEdit("radius", detection);
    m_radius->SetSpin([this](const QString& text, bool up) {
        M().radiusText = text.toStdString();
        M().SpinRadius(up);
        return QString::fromStdString(M().radiusText);
    });
    auto* radiusLabel = new QLabel(tr("Radiu&s"), detection);
    radiusLabel->setBuddy(m_radius);
    m_perpendicular = new QCheckBox(tr("Passing Perpen&dicular"), detection);
    m_perpendicular->setObjectName("passingPerpendicular");
    m_advance = new QCheckBox(tr("A&utomatic leg advance"), detection);
    m_advance->setObjectName("autoAdvance");
    auto* grid = new QGridLayout(detection);
    grid->addWidget(m_arrival, 0, 0);
    grid->addWidget(radiusLabel, 0, 1);
    grid->addWidget(m_radius, 0, 2);
    grid->addWidget(new QLabel(tr("nm"), detection), 0, 3);
    grid->addWidget(m_perpendicular, 1, 0);
    grid->addWidget(m_advance, 2, 0);
    grid->setColumnStretch(4, 1);

    m_limitOn = new QCheckBox(tr("&Limit of Deviation from  Planned Route"), this);
    m_limitOn->setObjectName("limitOfDeviation");
    m_limit = new app::CSpinEdit("limit", this);
    m_limit->SetSpin([this](const QString& text, bool up) {
        M().limitText = text.toStdString();
        M().SpinLimit(up);
        return QString::fromStdString(M().limitText);
    });
    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(m_limitOn);
    limitRow->addWidget(m_limit);
    limitRow->addWidget(new QLabel(tr("nm"), this));
    limitRow->addStretch(1);

    auto* overlays = new QGroupBox(tr("Overlays"), this);
    m_circles = new QCheckBox(tr("Arrival c&ircles"), overlays);
    m_circles->setObjectName("arrivalCircles");
    m_perpendiculars = new QCheckBox(tr("Perpendicula&rs"), overlays);
    m_perpendiculars->setObjectName("perpendiculars");
    m_limits = new QCheckBox(tr("Limits of de&viation"), overlays);
    m_limits->setObjectName("limitsOfDeviation");
    auto* overlayRow = new QHBoxLayout(overlays);
    overlayRow->addWidget(m_circles);
    overlayRow->addWidget(m_perpendiculars);
    overlayRow->addWidget(m_limits);

    for (QCheckBox* box : {m_arrival, m_perpendicular, m_advance, m_limitOn}) {
        connect(box, &QCheckBox::clicked, this, [this] {
            auto& s = M().Settings();
            s.arrivalCircleEntryOn = m_arrival->isChecked();
            s.passingPerpendicularOn = m_perpendicular->isChecked();
            s.autoWptAdvanceOn = m_advance->isChecked();
            s.limitOfDeviationOn = m_limitOn->isChecked();
            M().Refresh();
            m_advance->setChecked(s.autoWptAdvanceOn);
            UpdateControls();
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(detection);
    layout->addLayout(limitRow);
    layout->addWidget(overlays);
    layout->addStretch(1);
}

navigator::CMonitoringOptionsModel& CAutopilotMonitoringDlg::M() const
{
    return static_cast<navigator::CMonitoringOptionsModel&>(Model());
}

std::optional<app::CFieldError> CAutopilotMonitoringDlg::ControlsToModel()
{
    auto& s = M().Settings();
    s.arrivalCircleEntryOn = m_arrival->isChecked();
    s.passingPerpendicularOn = m_perpendicular->isChecked();
    s.autoWptAdvanceOn = m_advance->isChecked();
    s.limitOfDeviationOn = m_limitOn->isChecked();
    M().Refresh();
    M().radiusText = m_radius->text().toStdString();
    M().limitText = m_limit->text().toStdString();
    auto& o = M().Overlays();
    o.arrivalCircles = m_circles->isChecked();
    o.perpendiculars = m_perpendiculars->isChecked();
    o.limitsOfDeviation = m_limits->isChecked();
    return std::nullopt;
}

void CAutopilotMonitoringDlg::ModelToControls()
{
    const auto& s = M().Settings();
    m_arrival->setChecked(s.arrivalCircleEntryOn);
    m_perpendicular->setChecked(s.passingPerpendicularOn);
    m_advance->setChecked(s.autoWptAdvanceOn);
    m_limitOn->setChecked(s.limitOfDeviationOn);
    m_radius->setText(QString::fromStdString(M().radiusText));
    m_limit->setText(QString::fromStdString(M().limitText));
    const auto& o = M().Overlays();
    m_circles->setChecked(o.arrivalCircles);
    m_perpendiculars->setChecked(o.perpendiculars);
    m_limits->setChecked(o.limitsOfDeviation);
}

void CAutopilotMonitoringDlg::UpdateControls()
{
    m_radius->setEnabled(M().RadiusEnabled());
    m_limit->setEnabled(M().LimitEnabled());
    m_advance->setEnabled(M().AutoAdvanceEnabled());
}

}   // namespace navigator
