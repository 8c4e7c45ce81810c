#pragma once
// The "Tender Tracking" page of the Target Options sheet: the General card
// (symbols, the dangerous interval, tender circles and the transceiver list
// of the 17 channels), the Target card (what is drawn of each tender, its
// colours in the palette in use, and Clear Panic) and the Configuration card (port, intervals and
// the simulation of each tender in use).

#include <QTreeView>

#include <functional>
#include <optional>

#include "app/ui/PropertySheet.h"
#include "geo/Position.h"
#include "targets/TenderOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTimeEdit;
class QTimer;
namespace app {
class CSpinEdit;
}
namespace geo {
class CPositionCtrl;
}
namespace nmea {
class CPortCombo;
class CPortDirectory;
}   // namespace nmea

namespace targets {

class CTargetColourWells;
class CTargetPropertiesFields;

// The channel table: a check box per row (space or a click toggles it),
// Enter edits the name, Insert the serial number (four digits at most).
class CTransceiverList final : public QTreeView {
    Q_OBJECT
public:
    enum Column { kChannel = 0, kName = 1, kSerial = 2 };
    explicit CTransceiverList(QWidget* parent = nullptr);
    QStandardItemModel& Rows() const { return *m_rows; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStandardItemModel* m_rows;
};

class CTenderOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    // The simulation's Position box writes positions in the program's format,
    // asked of `format` (none: the default), and follows a change of it.
    using FormatSource = std::function<geo::CPositionFormat()>;
    CTenderOptionsPage(std::unique_ptr<CTenderOptionsModel> model,
                       const nmea::CPortDirectory* ports, FormatSource format = {},
                       QWidget* parent = nullptr);
    CTenderOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

    CTransceiverList* Transceivers() const { return m_transceivers; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* MakeGeneralCard();
    QWidget* MakeTargetCard();
    QWidget* MakeConfigurationCard(const nmea::CPortDirectory* ports);

    // The Position box takes the program's format when it differs from the
    // one applied last (looked at while the page is shown).
    void ApplyPositionFormat();
    FormatSource m_format;
    std::optional<geo::CPositionFormat> m_applied;
    QTimer* m_formatWatch = nullptr;
    // The tender combo lists the channels ticked on the General card.
    void FillTenderCombo();
    // The shown tender's simulation row to the controls and back.
    void ShowSimulation();
    std::optional<app::CFieldError> TakeSimulation();
    int ShownChannel() const;

    // General
    QComboBox* m_lineWidth = nullptr;
    QComboBox* m_overlaySize = nullptr;
    QTimeEdit* m_dangerous = nullptr;
    QCheckBox* m_circles = nullptr;
    app::CSpinEdit* m_radius = nullptr;
    QLabel* m_radiusLabel = nullptr;   // greys with the radius
    CTransceiverList* m_transceivers = nullptr;
    // Target
    CTargetPropertiesFields* m_fields = nullptr;
    CTargetColourWells* m_wells = nullptr;
    // Configuration
    nmea::CPortCombo* m_port = nullptr;
    QLineEdit* m_validTime = nullptr;
    QLineEdit* m_channelDuration = nullptr;
    QComboBox* m_tender = nullptr;
    QCheckBox* m_simulate = nullptr;
    QCheckBox* m_useChart = nullptr;
    QCheckBox* m_panic = nullptr;
    QLineEdit* m_cog = nullptr;
    QLineEdit* m_sog = nullptr;
    QLineEdit* m_depthEdit = nullptr;
    geo::CPositionCtrl* m_position = nullptr;
    int m_shown = -1;   // channel whose simulation the controls show
};

}   // namespace targets
