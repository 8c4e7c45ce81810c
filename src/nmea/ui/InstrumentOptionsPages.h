#pragma once
// The navigator's instrument pages "GPS" and "Autopilot" over their models,
// and the port combo box they share: "Off", each serial port with the device
// path it stands for, then "Network".

#include <QComboBox>

#include "app/ui/PropertySheet.h"
#include "nmea/InstrumentOptions.h"

class QCheckBox;
class QLineEdit;
namespace app {
class CSpinEdit;
}
namespace nmea {
class CPortDirectory;
}

namespace nmea {

class CPortCombo : public QComboBox {
    Q_OBJECT
public:
    CPortCombo(const nmea::CPortDirectory* ports, QWidget* parent = nullptr);
    // Selects the entry of that port number, or "Off" when there is none.
    void SelectPort(std::uint8_t number);
    std::uint8_t SelectedPort() const;
};

// The spin step of a "Valid Sentence Time" field: one second up or down
// within 1 to 60; text that is no number starts again at 5.
QString StepValidSeconds(const QString& text, bool up);

class COptionsGPS : public app::CXPropertyPage {
    Q_OBJECT
public:
    COptionsGPS(std::unique_ptr<nmea::CGPSOptionsModel> model, const nmea::CPortDirectory* ports,
                QWidget* parent = nullptr);
    nmea::CGPSOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    CPortCombo* m_receive;
    CPortCombo* m_transmit;
    QLineEdit* m_drDelay;
    app::CSpinEdit* m_validTime;
};

class COptionsAutopilot : public app::CXPropertyPage {
    Q_OBJECT
public:
    COptionsAutopilot(std::unique_ptr<nmea::CAutopilotOptionsModel> model,
                      const nmea::CPortDirectory* ports, QWidget* parent = nullptr);
    nmea::CAutopilotOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    CPortCombo* m_port;
    QCheckBox* m_transmit;
    app::CSpinEdit* m_rate;
};

}   // namespace nmea
