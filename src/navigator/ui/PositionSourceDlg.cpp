#include "navigator/ui/PositionSourceDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "geo/ui/PositionCtrl.h"

namespace navigator {

namespace {

// Numbers in the fields are read and written with a point, whatever the locale.
double ReadNumber(const QLineEdit* edit)
{
    const std::string text = edit->text().trimmed().toStdString();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value) ? value
                                                                                         : 0.0;
}

QString Number(double value, int decimals)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return QString::fromLatin1(buffer);
}

QString Bearing(double value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%03ld", std::lround(value) % 360);
    return QString::fromLatin1(buffer);
}

}   // namespace

CPositionSourceDlg::CPositionSourceDlg(const CStart& start, QWidget* parent)
    : QDialog(parent), m_positionAvailable(start.positionAvailable)
{
    setWindowTitle(QStringLiteral("Position Source"));
    auto* layout = new QVBoxLayout(this);
    m_sourceText = new QLabel(
        QString::fromStdString(navigator::SourceText(start.gpsReceiving && start.gpsAvailable,
                                                     start.drRunning || start.fromChart)),
        this);
    m_sourceText->setObjectName("sourceText");
    layout->addWidget(m_sourceText);
    m_nmea = new QRadioButton(QStringLiteral("&NMEA"), this);
    m_dr = new QRadioButton(QStringLiteral("&Dead Reckoning"), this);
    m_off = new QRadioButton(QStringLiteral("O&ff"), this);
    for (QRadioButton* r : {m_nmea, m_dr, m_off})
        layout->addWidget(r);
    // NMEA can be chosen again after Off (the receive side closed) as long as
    // the GPS has a port; never while DR runs or for a position set on the chart.
    m_nmea->setEnabled(!start.drRunning && !start.fromChart && start.gpsAvailable);
    (start.drRunning || start.fromChart ? m_dr : (start.gpsReceiving ? m_nmea : m_off))
        ->setChecked(true);

    auto* drGroup = new QGroupBox(QStringLiteral("Dead Reckoning"), this);
    auto* form = new QFormLayout(drGroup);
    const navigator::CPositionSourceChoice& v = start.values;
    m_course = new QLineEdit(Bearing(v.course), drGroup);
    m_course->setMaxLength(3);
    m_speed = new QLineEdit(Number(v.speed, 0), drGroup);
    m_speed->setMaxLength(6);
    m_set = new QLineEdit(Bearing(v.set), drGroup);
    m_set->setMaxLength(3);
    m_drift = new QLineEdit(Number(v.drift, 0), drGroup);
    m_drift->setMaxLength(6);
    m_cog = new QLineEdit(drGroup);
    m_cog->setReadOnly(true);
    m_cog->setMaxLength(3);
    m_sog = new QLineEdit(drGroup);
    m_sog->setReadOnly(true);
    m_sog->setMaxLength(10);
    m_lastCourse = m_course->text().toStdString();
    m_lastSet = m_set->text().toStdString();
    const QString degrees = QString(QChar(0x00B0)) + "T";
    form->addRow("Course (" + degrees + ")", m_course);
    form->addRow(QStringLiteral("Speed (kts)"), m_speed);
    form->addRow("Set (" + degrees + ")", m_set);
    form->addRow(QStringLiteral("Drift (kts)"), m_drift);
    form->addRow("COG (" + degrees + ")", m_cog);
    form->addRow(QStringLiteral("SOG (kts)"), m_sog);
    layout->addWidget(drGroup);

    auto* posGroup = new QGroupBox(QStringLiteral("Vessel Position"), this);
    auto* posForm = new QFormLayout(posGroup);
    const geo::CPosition p = v.position.value_or(geo::CPosition());
    m_datum = p.GetDatum();
    // Typed field by field, each checked as it changes (Up and Down spin a field).
    m_position = new geo::CPositionCtrl(posGroup);
    m_position->setObjectName("position");
    if (start.positionTemplate.empty() ||
        !m_position->SetFormat(QString::fromStdString(start.positionTemplate)))
        m_position->SetFormat(QString::fromUtf8("DD\u00B0MM.MMM'N ddd\u00B0mm.mmm'E"));
    geo::CEntryPosition shown;
    shown.latitude = p.GetLatitude();
    shown.longitude = p.GetLongitude();
    m_position->SetPosition(shown);
    m_fixType = new QComboBox(posGroup);
    m_fixType->addItems({"Visual", "DR", "EP", "Radar", "Astro"});
    m_useChart = new QCheckBox(QStringLiteral("Use Chart"), posGroup);
    posForm->addRow(QStringLiteral("Position"), m_position);
    posForm->addRow(QStringLiteral("Fix"), m_fixType);
    posForm->addRow(m_useChart);
    layout->addWidget(posGroup);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        CheckBearing(m_course, m_lastCourse);
        CheckBearing(m_set, m_lastSet);
        Recompute();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QRadioButton* r : {m_nmea, m_dr, m_off})
        connect(r, &QRadioButton::toggled, this, [this] { UpdateControls(); });
    connect(m_useChart, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    connect(m_course, &QLineEdit::editingFinished, this, [this] {
        CheckBearing(m_course, m_lastCourse);
        Recompute();
    });
    connect(m_set, &QLineEdit::editingFinished, this, [this] {
        CheckBearing(m_set, m_lastSet);
        Recompute();
    });
    connect(m_speed, &QLineEdit::textChanged, this, [this] { Recompute(); });
    connect(m_drift, &QLineEdit::textChanged, this, [this] { Recompute(); });
    Recompute();
    UpdateControls();
}

void CPositionSourceDlg::CheckBearing(QLineEdit* edit, std::string& lastAccepted)
{
    lastAccepted = navigator::AcceptBearingText(edit->text().toStdString(), lastAccepted);
    edit->setText(QString::fromStdString(lastAccepted));
}

void CPositionSourceDlg::Recompute()
{
    const navigator::CGroundVector v = navigator::CombineCourseAndSet(
        ReadNumber(m_course), ReadNumber(m_speed), ReadNumber(m_set), ReadNumber(m_drift));
    m_cog->setText(Bearing(v.cog));
    m_sog->setText(Number(v.sog, 1));
}

void CPositionSourceDlg::UpdateControls()
{
    const bool dr = m_dr->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_course), static_cast<QWidget*>(m_speed),
                       static_cast<QWidget*>(m_set), static_cast<QWidget*>(m_drift),
                       static_cast<QWidget*>(m_cog), static_cast<QWidget*>(m_sog)})
        w->setEnabled(dr);
    m_useChart->setEnabled(dr && m_positionAvailable);
    const bool typed = dr && !m_useChart->isChecked();
    m_position->setEnabled(typed);
    m_fixType->setEnabled(typed);
}

navigator::CPositionSourceChoice CPositionSourceDlg::Choice() const
{
    navigator::CPositionSourceChoice c;
    c.source = m_dr->isChecked()    ? navigator::SourceChoice::DeadReckoning
               : m_off->isChecked() ? navigator::SourceChoice::Off
                                    : navigator::SourceChoice::NMEA;
    c.course = ReadNumber(m_course);
    c.speed = ReadNumber(m_speed);
    c.set = ReadNumber(m_set);
    c.drift = ReadNumber(m_drift);
    if (c.source == navigator::SourceChoice::DeadReckoning && !m_useChart->isChecked()) {
        geo::CPosition p;
        const std::optional<geo::CEntryPosition> typed = m_position->GetPosition();
        if (typed && p.Set(typed->latitude, typed->longitude, 0.0, m_datum))
            c.position = p;
    }
    c.fixTypeText = m_fixType->currentText().toStdString();
    return c;
}

}   // namespace navigator
