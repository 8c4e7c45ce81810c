#pragma once
// The "ARPA" page of the Target Options sheet: the General, Target, Display
// and Configuration cards over the ARPA options model. The Target card has
// the five colour wells of the palette in use. The Display card lists the
// targets in display order, marks the first MaxTargets (those drawn), moves
// the selected one up or down, and follows targets as they come and go.

#include "app/ui/PropertySheet.h"
#include "targets/ARPAOptionsModel.h"
#include "targets/ui/TargetPropertiesFields.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTreeWidget;
namespace app {
class CSpinEdit;
}
namespace nmea {
class CPortCombo;
class CPortDirectory;
}   // namespace nmea

namespace targets {

class CTargetColourWells;

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
    QWidget* MakeDisplayCard();
    // The Display card's rows from the model's order, `select` selected.
    void FillDisplayList(int select);
    void MoveDisplayRow(bool up);
    QWidget* MakeConfigurationCard(const nmea::CPortDirectory* ports);

    // General
    app::CSpinEdit* m_maxTargets = nullptr;
    QCheckBox* m_autoDelete = nullptr;
    QTimeEdit* m_autoDeleteLimit = nullptr;
    QTimeEdit* m_dangerous = nullptr;
    QCheckBox* m_circles = nullptr;
    app::CSpinEdit* m_radius = nullptr;
    QComboBox* m_overlaySize = nullptr;
    QComboBox* m_lineWidth = nullptr;
    // Display
    QTreeWidget* m_order = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    // Target
    CTargetPropertiesFields* m_target = nullptr;
    CTargetColourWells* m_wells = nullptr;
    // Configuration
    nmea::CPortCombo* m_receive = nullptr;
    app::CSpinEdit* m_validTime = nullptr;
};

}   // namespace targets
