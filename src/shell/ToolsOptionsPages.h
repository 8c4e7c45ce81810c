#pragma once
// The Tools Options pages "Workspace" and "System" over their models.

#include "app/ToolsOptions.h"
#include "app/ui/PropertySheet.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace shell {

class CApplicationOptionsDlg : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CApplicationOptionsDlg(std::unique_ptr<app::CWorkspaceOptionsModel> model,
                                    QWidget* parent = nullptr);
    app::CWorkspaceOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One step of the decimal places within their range (Up and Down, the arrows).
    void StepDecimalPlaces(int by);

    QButtonGroup* m_palette;
    QCheckBox* m_applyToDesktop;
    QPushButton* m_edit;
    QPushButton* m_default;
    QLineEdit* m_decimalPlaces;
    QButtonGroup* m_format;
    QCheckBox* m_sidePanel;
    QComboBox* m_sidePanelSide;
    QCheckBox* m_statusBar;
    QListWidget* m_workspace;
};

class CSystemOptionsDlg : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CSystemOptionsDlg(std::unique_ptr<app::CSystemOptionsModel> model,
                               QWidget* parent = nullptr);
    app::CSystemOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QCheckBox* m_audio;
    QCheckBox* m_autoConfigure;
    QSlider* m_priority;
    std::vector<QComboBox*> m_ports;
};

}   // namespace shell
