#pragma once
// The "ARPA" page of the Target Options sheet: the General, Target and
// Configuration cards over the ARPA options model.

#include "app/ui/PropertySheet.h"
#include "targets/ARPAOptionsModel.h"
#include "targets/ui/TargetPropertiesFields.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTimeEdit;
namespace app {
class CSpinEdit;
}
namespace nmea {
class CPortCombo;
class CPortDirectory;
}   // namespace nmea

namespace targets {

class CARPAOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CARPAOptionsPage(std::unique_ptr<CARPAOptionsModel> model, const nmea::CPortDirectory* ports,
                     QWidget* parent = nullptr);
    CARPAOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QWidget* MakeGeneralCard();
    QWidget* MakeTargetCard();
    QWidget* MakeConfigurationCard(const nmea::CPortDirectory* ports);

    // General
    QLineEdit* m_maxTargets = nullptr;
    QCheckBox* m_autoDelete = nullptr;
    QTimeEdit* m_autoDeleteLimit = nullptr;
    QTimeEdit* m_dangerous = nullptr;
    QCheckBox* m_circles = nullptr;
    app::CSpinEdit* m_radius = nullptr;
    QComboBox* m_overlaySize = nullptr;
    // Target
    CTargetPropertiesFields* m_target = nullptr;
    // Configuration
    nmea::CPortCombo* m_receive = nullptr;
    QLineEdit* m_validTime = nullptr;
};

}   // namespace targets
