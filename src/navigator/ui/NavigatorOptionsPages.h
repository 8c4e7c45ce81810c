#pragma once
// The navigator's "Autoscroll" and "Monitoring" pages over their models.

#include <functional>

#include "app/ui/PropertySheet.h"
#include "navigator/AutoscrollOptions.h"
#include "navigator/MonitoringOptions.h"

namespace app {
class CSpinEdit;
}
class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace navigator {

class CAutoscrollOptionsPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    // `moduleSelect` reads the charting module's best-chart switch, which
    // may change while the sheet is open.
    CAutoscrollOptionsPage(std::unique_ptr<navigator::CAutoscrollOptionsModel> model,
                           std::function<bool()> moduleSelect, QWidget* parent = nullptr);
    navigator::CAutoscrollOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<bool()> m_moduleSelect;
    QSlider* m_slider;
    QCheckBox* m_select;
    QCheckBox* m_resume;
    QLineEdit* m_checkTime;
    QLineEdit* m_resumeTime;
    QLabel* m_checkLabel;
    QLabel* m_checkUnit;
    QLabel* m_resumeUnit;
};

class CAutopilotMonitoringDlg : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CAutopilotMonitoringDlg(std::unique_ptr<navigator::CMonitoringOptionsModel> model,
                                     QWidget* parent = nullptr);
    navigator::CMonitoringOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QCheckBox* m_arrival;
    app::CSpinEdit* m_radius;
    QCheckBox* m_perpendicular;
    QCheckBox* m_advance;
    QCheckBox* m_limitOn;
    app::CSpinEdit* m_limit;
    QCheckBox* m_circles;
    QCheckBox* m_perpendiculars;
    QCheckBox* m_limits;
};

}   // namespace navigator
