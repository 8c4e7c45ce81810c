#include "targets/ui/ARPAOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "platform/LocaleFreeNumbers.h"

namespace targets {

namespace {

QTimeEdit* SpanEdit(const char* name, const char* format, QWidget* parent)
{
    auto* edit = new QTimeEdit(parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QString::fromLatin1(format));
    return edit;
}

QTime TimeOf(std::chrono::seconds s)
{
    const long long clamped = std::clamp<long long>(s.count(), 0, 24 * 3600 - 1);
    return QTime(0, 0).addSecs(static_cast<int>(clamped));
}

std::chrono::seconds SecondsOf(const QTime& t)
{
    return std::chrono::seconds(QTime(0, 0).secsTo(t));
}

QCheckBox* Check(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QString Fixed(double value, int places)
{
    return QString::fromStdString(platform::FormatC("%.*f", places, value));
}

std::optional<double> Number(const QLineEdit* edit)
{
    return platform::ParseDouble(edit->text().trimmed().toStdString());
}

// A spin edit whose arrows step its value by `step`, shown with `places` decimals.
app::CSpinEdit* SteppedEdit(const char* name, double (*step)(double, bool), int places,
                            QWidget* parent)
{
    auto* edit = new app::CSpinEdit(name, parent);
    edit->SetSpin([step, places](const QString& text, bool up) {
        const auto value = platform::ParseDouble(text.trimmed().toStdString());
        return value ? Fixed(step(*value, up), places) : text;
    });
    return edit;
}

}   // namespace

CARPAOptionsPage::CARPAOptionsPage(std::unique_ptr<CARPAOptionsModel> model,
                                   const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("arpaOptions");
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("arpaCards");
    tabs->addTab(MakeGeneralCard(), tr("General"));
    tabs->addTab(MakeTargetCard(), tr("Target"));
    tabs->addTab(MakeConfigurationCard(ports), tr("Configuration"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
}

CARPAOptionsModel& CARPAOptionsPage::M() const
{
    return static_cast<CARPAOptionsModel&>(Model());
}

QWidget* CARPAOptionsPage::MakeGeneralCard()
{
    auto* card = new QWidget(this);
    auto* form = new QFormLayout(card);
    m_maxTargets = new QLineEdit(card);
    m_maxTargets->setObjectName("maxTargets");
    form->addRow(tr("&Maximum targets visible:"), m_maxTargets);
    m_autoDelete = Check(tr("&Delete 'lost' targets automatically"), "autoDelete", card);
    form->addRow(m_autoDelete);
    m_autoDeleteLimit = SpanEdit("autoDeleteLimit", "H:mm", card);
    form->addRow(tr("Maximum &time out limit (Hrs:Mins):"), m_autoDeleteLimit);
    m_dangerous = SpanEdit("dangerousInterval", "H:mm", card);
    form->addRow(tr("Target considered dan&gerous (Hrs:Mins):"), m_dangerous);
    m_circles = Check(tr("Target &warning circles"), "warningCircles", card);
    form->addRow(m_circles);
    m_radius = SteppedEdit("radius", &StepWarningRadius, 2, card);
    form->addRow(tr("&Radius (nm):"), m_radius);
    m_overlaySize = new QComboBox(card);
    m_overlaySize->setObjectName("overlaySize");
    m_overlaySize->addItems({tr("Small"), tr("Medium"), tr("Large")});
    form->addRow(tr("&Overlay Size:"), m_overlaySize);
    connect(m_circles, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    return card;
}

QWidget* CARPAOptionsPage::MakeTargetCard()
{
    auto* card = new QWidget(this);
    auto* form = new QFormLayout(card);
    m_overlays = Check(tr("O&verlays"), "overlays", card);
    form->addRow(m_overlays);
    auto* texts = new QHBoxLayout();
    m_number = Check(tr("&Number"), "drawNumber", card);
    m_name = Check(tr("N&ame"), "drawName", card);
    m_label = Check(tr("&Label"), "drawLabel", card);
    texts->addWidget(m_number);
    texts->addWidget(m_name);
    texts->addWidget(m_label);
    form->addRow(tr("Text:"), texts);
    m_path = Check(tr("&Projected Path"), "projectedPath", card);
    m_pathDistance = SteppedEdit("pathDistance", &StepPathDistance, 1, card);
    form->addRow(m_path, m_pathDistance);
    m_track = Check(tr("&Track"), "track", card);
    form->addRow(m_track);
    m_markers = Check(tr("Position &markers"), "positionMarkers", card);
    form->addRow(m_markers);
    m_markerEvery = SpanEdit("markerEvery", "H:mm:ss", card);
    form->addRow(tr("Position marker &every (Hrs:Mins:Secs):"), m_markerEvery);
    m_limit = Check(tr("L&imit to previous (Hrs:Mins)"), "limitToPrevious", card);
    m_limitSpan = SpanEdit("limitSpan", "H:mm", card);
    form->addRow(m_limit, m_limitSpan);
    m_default = new QPushButton(tr("&Default"), card);
    m_default->setObjectName("default");
    form->addRow(m_default);
    for (QCheckBox* box :
         {m_overlays, m_number, m_name, m_label, m_path, m_track, m_markers, m_limit})
        connect(box, &QCheckBox::toggled, this, [this] {
            ControlsToModel();
            UpdateControls();
        });
    connect(m_default, &QPushButton::clicked, this, [this] {
        M().DefaultProperties();
        ModelToControls();
        UpdateControls();
    });
    return card;
}

QWidget* CARPAOptionsPage::MakeConfigurationCard(const nmea::CPortDirectory* ports)
{
    auto* card = new QWidget(this);
    auto* form = new QFormLayout(card);
    m_receive = new nmea::CPortCombo(ports, card);
    m_receive->setObjectName("receivePort");
    form->addRow(tr("&Receive:"), m_receive);
    m_validTime = new QLineEdit(card);
    m_validTime->setObjectName("validTime");
    form->addRow(tr("&Valid Sentence Time (Secs):"), m_validTime);
    return card;
}

void CARPAOptionsPage::ModelToControls()
{
    const CARPAModuleOptions& v = M().Values();
    const chart::CTargetProperties& p = v.properties;
    m_maxTargets->setText(QString::number(v.pass.maxTargets));
    m_autoDelete->setChecked(v.pass.autoDelete);
    m_autoDeleteLimit->setTime(TimeOf(v.pass.autoDeleteTimeLimit));
    m_dangerous->setTime(TimeOf(v.pass.targetDangerousInterval));
    m_circles->setChecked(v.pass.warningCircles);
    m_radius->setText(Fixed(v.pass.warningCircleRadiusNm, 2));
    m_overlaySize->setCurrentIndex(std::clamp(v.overlaySize, 0, 2));
    const QSignalBlocker b1(m_overlays), b2(m_number), b3(m_name), b4(m_label), b5(m_path),
        b6(m_track), b7(m_markers), b8(m_limit);
    m_overlays->setChecked(p.GetDraw());
    m_number->setChecked(p.drawNumber);
    m_name->setChecked(p.drawName);
    m_label->setChecked(p.drawLabel);
    m_path->setChecked(p.drawProjectedPath);
    m_pathDistance->setText(Fixed(p.projectedPathDistance, 1));
    m_track->setChecked(p.drawTrack);
    m_markers->setChecked(p.FixMarker().GetDraw());
    m_markerEvery->setTime(TimeOf(std::chrono::seconds(p.loggingPeriod.GetTotalSeconds())));
    m_limit->setChecked(p.limitTrackDisplay);
    m_limitSpan->setTime(TimeOf(std::chrono::seconds(p.trackTimeLimit.GetTotalSeconds())));
    m_receive->SelectPort(v.receivePort);
    m_validTime->setText(QString::number(v.refreshSeconds));
}

std::optional<app::CFieldError> CARPAOptionsPage::ControlsToModel()
{
    CARPAModuleOptions& v = M().Values();
    chart::CTargetProperties& p = v.properties;
    p.SetDraw(m_overlays->isChecked());
    p.drawNumber = m_number->isChecked();
    p.drawName = m_name->isChecked();
    p.drawLabel = m_label->isChecked();
    p.drawProjectedPath = m_path->isChecked();
    p.drawTrack = m_track->isChecked();
    p.FixMarker().SetDraw(m_markers->isChecked());
    p.limitTrackDisplay = m_limit->isChecked();
    p.loggingPeriod =
        app::CDateTimeSpanEx(static_cast<long>(SecondsOf(m_markerEvery->time()).count()));
    p.trackTimeLimit =
        app::CDateTimeSpanEx(static_cast<long>(SecondsOf(m_limitSpan->time()).count()));
    v.pass.autoDelete = m_autoDelete->isChecked();
    v.pass.autoDeleteTimeLimit = SecondsOf(m_autoDeleteLimit->time());
    v.pass.targetDangerousInterval = SecondsOf(m_dangerous->time());
    v.pass.warningCircles = m_circles->isChecked();
    v.overlaySize = m_overlaySize->currentIndex();
    v.receivePort = m_receive->SelectedPort();
    bool ok = false;
    const int maxTargets = m_maxTargets->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"maxTargets", "Maximum targets must be a whole number."};
    v.pass.maxTargets = maxTargets;
    const int valid = m_validTime->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"validTime", "Valid Sentence Time must be a whole number."};
    v.refreshSeconds = static_cast<std::uint8_t>(std::clamp(valid, 0, 255));
    if (valid < 1 || valid > 60)
        v.refreshSeconds = 0;   // refused by the range check
    const auto radius = Number(m_radius);
    if (!radius)
        return app::CFieldError{"radius", "Radius must be a number."};
    v.pass.warningCircleRadiusNm = *radius;
    const auto distance = Number(m_pathDistance);
    if (!distance)
        return app::CFieldError{"pathDistance", "Projected path distance must be a number."};
    p.projectedPathDistance = *distance;
    return std::nullopt;
}

void CARPAOptionsPage::UpdateControls()
{
    const bool overlays = m_overlays->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_number), static_cast<QWidget*>(m_name),
                       static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_path),
                       static_cast<QWidget*>(m_track)})
        w->setEnabled(overlays);
    m_pathDistance->setEnabled(overlays && m_path->isChecked());
    const bool track = overlays && m_track->isChecked();
    m_markers->setEnabled(track);
    m_limit->setEnabled(track);
    m_limitSpan->setEnabled(track && m_limit->isChecked());
    m_radius->setEnabled(m_circles->isChecked());
    m_default->setEnabled(M().PropertiesDiffer());
}

}   // namespace targets
