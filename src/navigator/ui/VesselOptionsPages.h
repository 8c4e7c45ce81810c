#pragma once
// The three pages of "Vessel Options": "General" (particulars and the folder
// of the vessel files), "Deviation" (the compass deviation card, sixteen
// headings in two columns) and "Overlays" (symbol size, the three colours of
// the current display palette, the own-vessel circle).

#include <array>
#include <memory>

#include "app/ui/PropertySheet.h"
#include "navigator/VesselOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace app {
class CSpinEdit;
}

namespace navigator {

class CVesselGeneralPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CVesselGeneralPage(std::unique_ptr<CVesselGeneralModel> model,
                                QWidget* parent = nullptr);
    CVesselGeneralModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_length;
    QLineEdit* m_draft;
    QLineEdit* m_beam;
    QLineEdit* m_speed;
    QLineEdit* m_folder;
};

class CDeviationPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CDeviationPage(std::unique_ptr<CDeviationModel> model, QWidget* parent = nullptr);
    CDeviationModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    std::array<QLineEdit*, kDeviationPoints> m_entries{};
};

class CVesselOverlayPage : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CVesselOverlayPage(std::unique_ptr<CVesselOverlayModel> model,
                                QWidget* parent = nullptr);
    CVesselOverlayModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    void ShowWells();
    void PickColour(int well);

    QComboBox* m_size;
    std::array<QPushButton*, 3> m_wells{};
    QCheckBox* m_circle;
    QLabel* m_radiusLabel;
    app::CSpinEdit* m_radius;
    QLabel* m_radiusUnit;
    int m_palette = 0;
};

}   // namespace navigator
