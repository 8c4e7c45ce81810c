#pragma once
// "Position Source": NMEA, dead reckoning or off; the DR course, speed, set
// and drift with the course and speed over ground they make; the vessel's
// position and the kind of fix. The rules are the navigator's
// (PositionSourceChoice.h); this dialog only shows and collects.

#include <QDialog>

#include <cstdint>
#include <string>

#include "navigator/PositionSourceChoice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
namespace geo {
class CPositionCtrl;
}
class QRadioButton;

namespace navigator {

class CPositionSourceDlg final : public QDialog {
    Q_OBJECT
public:
    struct CStart {
        bool gpsReceiving = false;
        // The GPS receive side has a port, whether or not it is open now.
        bool gpsAvailable = false;
        bool drRunning = false;
        bool positionAvailable = false;
        // Opened to put the vessel at a chart position: dead reckoning from
        // the position given.
        bool fromChart = false;
        navigator::CPositionSourceChoice values;   // the fix's numbers and position
        // How the position field is laid out; empty keeps the field's own.
        std::string positionTemplate;
    };

    CPositionSourceDlg(const CStart& start, QWidget* parent = nullptr);

    navigator::CPositionSourceChoice Choice() const;

private:
    void UpdateControls();
    void Recompute();
    void CheckBearing(QLineEdit* edit, std::string& lastAccepted);

    QLabel* m_sourceText = nullptr;
    QRadioButton* m_nmea = nullptr;
    QRadioButton* m_dr = nullptr;
    QRadioButton* m_off = nullptr;
    QLineEdit* m_course = nullptr;
    QLineEdit* m_speed = nullptr;
    QLineEdit* m_set = nullptr;
    QLineEdit* m_drift = nullptr;
    QLineEdit* m_cog = nullptr;
    QLineEdit* m_sog = nullptr;
    geo::CPositionCtrl* m_position = nullptr;
    QComboBox* m_fixType = nullptr;
    QCheckBox* m_useChart = nullptr;
    std::string m_lastCourse = "000";
    std::string m_lastSet = "000";
    bool m_positionAvailable = false;
    std::uint16_t m_datum = 0xFFFF;   // the typed position keeps the vessel's datum
};

}   // namespace navigator
