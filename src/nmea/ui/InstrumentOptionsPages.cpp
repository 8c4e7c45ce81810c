#include "nmea/ui/InstrumentOptionsPages.h"

#include <algorithm>

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "nmea/NMEADevice.h"
#include "nmea/Port.h"

namespace nmea {

CPortCombo::CPortCombo(const nmea::CPortDirectory* ports, QWidget* parent) : QComboBox(parent)
{
    addItem(tr("Off"), 0);
    if (!ports)
        return;
    for (int n = 1; n <= nmea::CPort::kLastSerialPort; ++n) {
        const auto number = static_cast<std::uint8_t>(n);
        if (ports->FindPort(number))
            addItem(QString::fromStdString(nmea::CPort::PortName(number)), n);
    }
    if (ports->FindPort(nmea::CPort::kNetworkPort))
        addItem(tr("Network"), nmea::CPort::kNetworkPort);
}

void CPortCombo::SelectPort(std::uint8_t number)
{
    const int index = findData(static_cast<int>(number));
    setCurrentIndex(index < 0 ? 0 : index);
}

std::uint8_t CPortCombo::SelectedPort() const
{
    return static_cast<std::uint8_t>(currentData().toInt());
}

QString StepValidSeconds(const QString& text, bool up)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return QString::number(std::clamp(ok ? v + (up ? 1 : -1) : 5, 1, 60));
}

namespace {

QLineEdit* NumberEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    return edit;
}

// "m:ss" or a plain number of seconds, read locale-free; -1 when neither.
int ReadMinutesSeconds(const QString& text)
{
    const QStringList parts = text.trimmed().split(':');
    bool okM = true, okS = false;
    int minutes = 0;
    int seconds = 0;
    if (parts.size() == 2) {
        minutes = parts[0].toInt(&okM);
        seconds = parts[1].toInt(&okS);
        okS = okS && seconds >= 0 && seconds < 60;
    } else if (parts.size() == 1) {
        seconds = parts[0].toInt(&okS);
    }
    return okM && okS && minutes >= 0 ? minutes * 60 + seconds : -1;
}

}   // namespace

COptionsGPS::COptionsGPS(std::unique_ptr<nmea::CGPSOptionsModel> model,
                         const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* portsBox = new QGroupBox(tr("Communications port"), this);
    m_receive = new CPortCombo(ports, portsBox);
    m_receive->setObjectName("receivePort");
    m_transmit = new CPortCombo(ports, portsBox);
    m_transmit->setObjectName("transmitPort");
    auto* portsForm = new QFormLayout(portsBox);
    portsForm->addRow(tr("&Receive"), m_receive);
    portsForm->addRow(tr("&Transmit"), m_transmit);

    auto* drBox = new QGroupBox(tr("Elapse time for DR to initiate after failure"), this);
    m_drDelay = NumberEdit("drDelay", drBox);
    auto* drForm = new QFormLayout(drBox);
    drForm->addRow(tr("&Mins:Secs"), m_drDelay);

    m_validTime = new app::CSpinEdit("validTime", this);
    m_validTime->SetSpin(StepValidSeconds);
    auto* validRow = new QHBoxLayout;
    auto* validLabel = new QLabel(tr("&Valid Sentence Time"), this);
    validLabel->setBuddy(m_validTime);
    validRow->addWidget(validLabel);
    validRow->addWidget(m_validTime);
    validRow->addWidget(new QLabel(tr("Secs"), this));
    validRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portsBox);
    layout->addWidget(drBox);
    layout->addLayout(validRow);
    layout->addStretch(1);
}

nmea::CGPSOptionsModel& COptionsGPS::M() const
{
    return static_cast<nmea::CGPSOptionsModel&>(Model());
}

std::optional<app::CFieldError> COptionsGPS::ControlsToModel()
{
    nmea::CGPSOptions& v = M().Values();
    v.receivePort = m_receive->SelectedPort();
    v.transmitPort = m_transmit->SelectedPort();
    const int dr = ReadMinutesSeconds(m_drDelay->text());
    if (dr < 0)
        return app::CFieldError{"drDelay", "Enter the delay as minutes:seconds, such as 1:30"};
    v.drDelaySeconds = dr;
    bool ok = false;
    const int valid = m_validTime->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"validTime",
                                "Valid sentence time must be a whole number of seconds"};
    v.validSentenceSeconds = valid;
    return std::nullopt;
}

void COptionsGPS::ModelToControls()
{
    const nmea::CGPSOptions& v = M().Values();
    m_receive->SelectPort(v.receivePort);
    m_transmit->SelectPort(v.transmitPort);
    m_drDelay->setText(
        QString("%1:%2").arg(v.drDelaySeconds / 60).arg(v.drDelaySeconds % 60, 2, 10, QChar('0')));
    m_validTime->setText(QString::number(v.validSentenceSeconds));
}

COptionsAutopilot::COptionsAutopilot(std::unique_ptr<nmea::CAutopilotOptionsModel> model,
                                     const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* portsBox = new QGroupBox(tr("Communications port"), this);
    m_port = new CPortCombo(ports, portsBox);
    m_port->setObjectName("transmitPort");
    auto* portsForm = new QFormLayout(portsBox);
    portsForm->addRow(tr("T&ransmit"), m_port);

    m_transmit = new QCheckBox(tr("&Transmit"), this);
    m_transmit->setObjectName("transmit");
    // Up, Down, the wheel or the arrows step the rate as the model's spin rule says.
    m_rate = new app::CSpinEdit("rate", this);
    m_rate->SetSpin([this](const QString& text, bool up) {
        M().Values().rateText = text.toStdString();
        M().Spin(up);
        return QString::fromStdString(M().Values().rateText);
    });
    auto* every = new QLabel(tr("&every"), this);
    every->setBuddy(m_rate);
    auto* row = new QHBoxLayout;
    row->addWidget(m_transmit);
    row->addWidget(every);
    row->addWidget(m_rate);
    row->addWidget(new QLabel(tr("second(s)"), this));
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portsBox);
    layout->addLayout(row);
    layout->addStretch(1);
}

nmea::CAutopilotOptionsModel& COptionsAutopilot::M() const
{
    return static_cast<nmea::CAutopilotOptionsModel&>(Model());
}

std::optional<app::CFieldError> COptionsAutopilot::ControlsToModel()
{
    nmea::CAutopilotOptions& v = M().Values();
    v.transmitPort = m_port->SelectedPort();
    v.transmit = m_transmit->isChecked();
    v.rateText = m_rate->text().toStdString();
    return std::nullopt;
}

void COptionsAutopilot::ModelToControls()
{
    const nmea::CAutopilotOptions& v = M().Values();
    m_port->SelectPort(v.transmitPort);
    m_transmit->setChecked(v.transmit);
    m_rate->setText(QString::fromStdString(v.rateText));
}

void COptionsAutopilot::UpdateControls()
{
    m_transmit->setEnabled(M().SwitchEnabled() || M().Values().transmit);
}

}   // namespace nmea
