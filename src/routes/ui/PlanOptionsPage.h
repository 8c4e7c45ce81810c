#pragma once
// The "Plan" page of the Route Options sheet over its model: the calculation
// switches with the tidal time step, how the plan's tracks are drawn, the
// best-time search and the plan files folder.

#include "app/ui/PropertySheet.h"
#include "routes/PlanOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace routes {

class CPlanOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CPlanOptionsPage(std::unique_ptr<CPlanOptionsModel> model, QWidget* parent = nullptr);
    CPlanOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QCheckBox* m_variation;
    QCheckBox* m_deviation;
    QCheckBox* m_tides;
    QTimeEdit* m_interval;
    QCheckBox* m_overlays;
    QComboBox* m_width;
    QLabel *m_intervalLabel, *m_widthLabel, *m_colourLabel;
    QPushButton* m_well;
    QSpinBox* m_plans;
    QSpinBox* m_minutes;
    QLineEdit* m_folder;
};

}   // namespace routes
