#include "routes/ui/PlanOptionsPage.h"

#include "chart/overlays/OverlayProperties.h"
#include "chart/ui/OptionPageControls.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace routes {

using chart::FollowDisplayPalette;
using chart::MakeCheck;
using chart::MakeFolderRow;
using chart::MakeWell;
using chart::PaintWell;
using chart::PickColour;

namespace {

// "Mins" steps by 10 above an hour.
class CMinutesSpin final : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override
    {
        int v = value();
        for (int i = 0; i < std::abs(steps); ++i)
            v = SpinBestTimeMinutes(v, steps > 0);
        setValue(v);
    }
};

// The number of plans: the arrows keep to 2-12, but a typed number is taken
// as it is and checked when the sheet is applied, with a message.
class CPlanCountSpin final : public QSpinBox {
public:
    explicit CPlanCountSpin(QWidget* parent) : QSpinBox(parent)
    {
        setObjectName("bestTimePlans");
        setLocale(QLocale::c());
        setRange(0, 99);
    }
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, kLeast, kMost)); }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled arrows = StepNone;
        if (value() < kMost)
            arrows |= StepUpEnabled;
        if (value() > kLeast)
            arrows |= StepDownEnabled;
        return arrows;
    }

private:
    static constexpr int kLeast = 2;
    static constexpr int kMost = 12;
};

}   // namespace

CPlanOptionsPage::CPlanOptionsPage(std::unique_ptr<CPlanOptionsModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("PlanOptions");
    auto* calc = new QGroupBox(tr("Calculate with"), this);
    auto* calcGrid = new QGridLayout(calc);
    m_variation = MakeCheck(tr("Variation"), "variation", calc);
    m_deviation = MakeCheck(tr("Deviation"), "deviation", calc);
    m_tides = MakeCheck(tr("Tidal Stream every"), "tides", calc);
    m_interval = new QTimeEdit(calc);
    m_interval->setObjectName("tidalInterval");
    m_interval->setDisplayFormat(QStringLiteral("HH:mm"));
    m_interval->setTimeRange(QTime(0, 1), QTime(23, 59));
    calcGrid->addWidget(m_variation, 0, 0);
    calcGrid->addWidget(m_deviation, 1, 0);
    calcGrid->addWidget(m_tides, 2, 0);
    calcGrid->addWidget(m_interval, 2, 1);
    m_intervalLabel = new QLabel(tr("Hrs:Mins"), calc);
    calcGrid->addWidget(m_intervalLabel, 2, 2);
    calcGrid->setColumnStretch(3, 1);

    auto* look = new QGroupBox(tr("Plan tracks"), this);
    auto* lookGrid = new QGridLayout(look);
    m_overlays = MakeCheck(tr("Overlays"), "overlays", look);
    m_width = new QComboBox(look);
    m_width->setObjectName("lineWidth");
    for (int w = 1; w <= chart::CLineProperties::kMaximumWidth; ++w)
        m_width->addItem(QString::number(w));
    m_widthLabel = new QLabel(tr("Line width"), look);
    m_widthLabel->setBuddy(m_width);
    m_well = MakeWell("lineColour", tr("Line colour"), look);
    m_colourLabel = new QLabel(tr("Line colour"), look);
    m_colourLabel->setBuddy(m_well);
    lookGrid->addWidget(m_overlays, 0, 0, 1, 2);
    lookGrid->addWidget(m_widthLabel, 1, 0);
    lookGrid->addWidget(m_width, 1, 1);
    lookGrid->addWidget(m_colourLabel, 2, 0);
    lookGrid->addWidget(m_well, 2, 1);
    lookGrid->setColumnStretch(2, 1);

    auto* best = new QGroupBox(tr("Best time"), this);
    auto* bestGrid = new QGridLayout(best);
    m_plans = new CPlanCountSpin(best);
    auto* plansLabel = new QLabel(tr("Calculate"), best);
    plansLabel->setBuddy(m_plans);
    m_minutes = new CMinutesSpin(best);
    m_minutes->setObjectName("bestTimeMinutes");
    m_minutes->setLocale(QLocale::c());
    m_minutes->setRange(1, 3600);
    auto* minutesLabel = new QLabel(tr("Mins"), best);
    minutesLabel->setBuddy(m_minutes);
    bestGrid->addWidget(plansLabel, 0, 0);
    bestGrid->addWidget(m_plans, 0, 1);
    bestGrid->addWidget(new QLabel(tr("plan(s) every"), best), 0, 2);
    bestGrid->addWidget(m_minutes, 0, 3);
    bestGrid->addWidget(minutesLabel, 0, 4);
    bestGrid->setColumnStretch(5, 1);

    auto* files = new QGroupBox(tr("Plan files"), this);
    auto* form = new QFormLayout(files);
    m_folder =
        MakeFolderRow(form, tr("Folder"), "planFolder", tr("Select Plan files folder"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calc);
    layout->addWidget(look);
    layout->addWidget(best);
    layout->addWidget(files);
    layout->addStretch(1);

    for (QCheckBox* box : {m_tides, m_overlays})
        connect(box, &QCheckBox::clicked, this, [this] {
            M().Values().tides = m_tides->isChecked();
            M().Values().overlays = m_overlays->isChecked();
            UpdateControls();
        });
    connect(m_well, &QPushButton::clicked, this, [this] {
        if (PickColour(this, tr("Line colour"), M().Values().lineColour))
            PaintWell(m_well, M().Values().lineColour);
    });
    FollowDisplayPalette(
        this, [this](int palette) { return M().FollowPalette(palette); },
        [this] { PaintWell(m_well, M().Values().lineColour); });
}

CPlanOptionsModel& CPlanOptionsPage::M() const
{
    return static_cast<CPlanOptionsModel&>(Model());
}

std::optional<app::CFieldError> CPlanOptionsPage::ControlsToModel()
{
    CPlanOptions& v = M().Values();
    v.variation = m_variation->isChecked();
    v.deviation = m_deviation->isChecked();
    v.tides = m_tides->isChecked();
    v.tidalIntervalSeconds = m_interval->time().msecsSinceStartOfDay() / 1000;
    v.overlays = m_overlays->isChecked();
    v.lineWidth = m_width->currentIndex() + 1;
    v.bestTimePlans = m_plans->value();
    v.bestTimeMinutes = m_minutes->value();
    v.folder = m_folder->text().trimmed().toStdString();
    return std::nullopt;
}

void CPlanOptionsPage::ModelToControls()
{
    const CPlanOptions& v = M().Values();
    m_variation->setChecked(v.variation);
    m_deviation->setChecked(v.deviation);
    m_tides->setChecked(v.tides);
    m_interval->setTime(QTime(0, 0).addSecs(int(v.tidalIntervalSeconds)));
    m_overlays->setChecked(v.overlays);
    m_width->setCurrentIndex(v.lineWidth - 1);
    m_plans->setValue(v.bestTimePlans);
    m_minutes->setValue(v.bestTimeMinutes);
    m_folder->setText(QString::fromStdString(v.folder));
    PaintWell(m_well, v.lineColour);
    UpdateControls();
}

void CPlanOptionsPage::UpdateControls()
{
    m_variation->setEnabled(M().VariationEnabled());
    m_tides->setEnabled(M().TidesEnabled());
    m_interval->setEnabled(M().IntervalEnabled());
    m_intervalLabel->setEnabled(M().IntervalEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{m_width, m_widthLabel, m_well, m_colourLabel})
        w->setEnabled(M().LineEnabled());
}

}   // namespace routes
