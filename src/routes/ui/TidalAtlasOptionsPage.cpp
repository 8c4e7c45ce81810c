#include "routes/ui/TidalAtlasOptionsPage.h"

#include "app/ui/DateTimeEdits.h"
#include "routes/ui/TidalTimeWindow.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace routes {

namespace {

// The spacing spin steps as the page's rules say, not by a fixed amount.
// Spacing and length change only by their spin buttons or the arrow keys,
// which keep them on these steps: their text cannot be typed over.
class CSpacingSpin final : public QDoubleSpinBox {
public:
    explicit CSpacingSpin(QWidget* parent) : QDoubleSpinBox(parent)
    {
        lineEdit()->setReadOnly(true);
    }
    void stepBy(int steps) override
    {
        double v = value();
        for (int i = 0; i < std::abs(steps); ++i)
            v = steps > 0 ? routes::SpacingStepUp(v) : routes::SpacingStepDown(v);
        setValue(v);
    }
};

class CLengthSpin final : public QSpinBox {
public:
    explicit CLengthSpin(QWidget* parent) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
    void stepBy(int steps) override
    {
        int v = value();
        for (int i = 0; i < std::abs(steps); ++i)
            v = routes::VectorLengthStep(v, steps > 0);
        setValue(v);
    }
};

}   // namespace

CTidalAtlasOptionsPage::CTidalAtlasOptionsPage(
    std::unique_ptr<routes::CTidalAtlasOptionsModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* start = new QGroupBox("Start Time", this);
    auto* startGrid = new QGridLayout(start);
    m_now = new QRadioButton("Use current", start);
    m_plan = new QRadioButton("Use start time from current plan", start);
    m_user = new QRadioButton("User defined", start);
    m_start = new QDateTimeEdit(start);
    m_start->setObjectName("StartTime");
    m_start->setCalendarPopup(true);
    app::UseLocaleDateTime(m_start, true);
    m_start->setDateTimeRange(EarliestTidalTime(), LatestTidalTime());
    startGrid->addWidget(m_now, 0, 0);
    startGrid->addWidget(m_plan, 1, 0);
    startGrid->addWidget(m_user, 2, 0);
    startGrid->addWidget(m_start, 2, 1);
    layout->addWidget(start);

    auto* spacing = new QGroupBox("Spacing", this);
    auto* spacingGrid = new QGridLayout(spacing);
    m_automatic = new QRadioButton("Au&tomatic", spacing);
    m_userSpacing = new QRadioButton("&User defined", spacing);
    auto* spacingSpin = new CSpacingSpin(spacing);
    spacingSpin->setObjectName("Spacing");
    spacingSpin->setDecimals(1);
    spacingSpin->setRange(routes::CTidalDisplaySettings::kMinSpacing, 510.0);
    spacingSpin->setSuffix(" nm");
    m_spacing = spacingSpin;
    spacingGrid->addWidget(m_automatic, 0, 0);
    spacingGrid->addWidget(m_userSpacing, 1, 0);
    spacingGrid->addWidget(m_spacing, 1, 1);
    layout->addWidget(spacing);

    auto* overlays = new QGroupBox("Overlays", this);
    auto* overlayBox = new QVBoxLayout(overlays);
    m_limitLines = new QCheckBox("Limit lines", overlays);
    overlayBox->addWidget(m_limitLines);
    layout->addWidget(overlays);

    auto* arrows = new QGroupBox("Arrows", this);
    auto* arrowRow = new QHBoxLayout(arrows);
    auto* length = new CLengthSpin(arrows);
    length->setObjectName("VectorLength");
    length->setRange(routes::CTidalDisplaySettings::kMinVectorLength,
                     routes::CTidalDisplaySettings::kMaxVectorLength);
    length->setSuffix(" pixel/knots");
    m_length = length;
    arrowRow->addWidget(new QLabel("Length", arrows));
    arrowRow->addWidget(m_length, 1);
    layout->addWidget(arrows);

    auto* labels = new QGroupBox("Labels", this);
    auto* labelRow = new QHBoxLayout(labels);
    m_height = new QCheckBox("Height", labels);
    m_speed = new QCheckBox("Speed", labels);
    labelRow->addWidget(m_height);
    labelRow->addWidget(m_speed);
    labelRow->addStretch();
    layout->addWidget(labels);

    layout->addStretch();

    for (QRadioButton* b : {m_now, m_plan, m_user, m_automatic, m_userSpacing})
        connect(b, &QRadioButton::toggled, this, [this] { UpdateControls(); });
}

routes::CTidalAtlasOptionsModel& CTidalAtlasOptionsPage::Values() const
{
    return static_cast<routes::CTidalAtlasOptionsModel&>(Model());
}

void CTidalAtlasOptionsPage::ModelToControls()
{
    const auto& v = Values().values;
    (v.display.startTimeMethod == 1   ? m_plan
     : v.display.startTimeMethod == 2 ? m_user
                                      : m_now)
        ->setChecked(true);
    const auto& t = v.display.startTime;
    if (t.IsValid())
        m_start->setDateTime(QDateTime(QDate(t.GetYear(), t.GetMonth(), t.GetDay()),
                                       QTime(t.GetHour(), t.GetMinute(), t.GetSecond())));
    (v.display.automaticSpacing ? m_automatic : m_userSpacing)->setChecked(true);
    static_cast<QDoubleSpinBox*>(m_spacing)->setValue(v.display.spacing);
    static_cast<QSpinBox*>(m_length)->setValue(v.display.vectorLength);
    m_limitLines->setChecked(v.limitLines);
    m_speed->setChecked(v.display.rateAndDirection);
    m_height->setChecked(v.display.elevation);
    UpdateControls();
}

std::optional<app::CFieldError> CTidalAtlasOptionsPage::ControlsToModel()
{
    auto& v = Values().values;
    v.display.startTimeMethod = m_plan->isChecked() ? 1 : m_user->isChecked() ? 2 : 0;
    const QDateTime t = m_start->dateTime();
    v.display.startTime = app::CDateTimeEx(t.date().year(), t.date().month(), t.date().day(),
                                           t.time().hour(), t.time().minute(), t.time().second());
    v.display.automaticSpacing = m_automatic->isChecked();
    v.display.spacing = static_cast<QDoubleSpinBox*>(m_spacing)->value();
    v.display.vectorLength = static_cast<QSpinBox*>(m_length)->value();
    v.limitLines = m_limitLines->isChecked();
    v.display.rateAndDirection = m_speed->isChecked();
    v.display.elevation = m_height->isChecked();
    return std::nullopt;
}

void CTidalAtlasOptionsPage::UpdateControls()
{
    m_start->setEnabled(m_user->isChecked());
    m_spacing->setEnabled(m_userSpacing->isChecked());
}

}   // namespace routes
