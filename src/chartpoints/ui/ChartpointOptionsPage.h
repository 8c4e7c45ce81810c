#pragma once
// The "General" page of the Chartpoint Options sheet over its model.

#include "app/ui/PropertySheet.h"
#include "chartpoints/ChartpointOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace chartpoints {

class CChartpointGeneralOptions final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CChartpointGeneralOptions(std::unique_ptr<chartpoints::CChartpointOptionsModel> model,
                                       QWidget* parent = nullptr);
    chartpoints::CChartpointOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    void ShowWells();
    void PickColour(bool symbol);

    QCheckBox* m_overlays;
    QPushButton* m_symbolWell;
    QLabel* m_textLabel;
    QPushButton* m_textWell;
    QCheckBox* m_id;
    QCheckBox* m_name;
    QLabel* m_sizeLabel;
    QComboBox* m_size;
    QLineEdit* m_dataFolder;
    QLineEdit* m_attachmentsFolder;
};

}   // namespace chartpoints
