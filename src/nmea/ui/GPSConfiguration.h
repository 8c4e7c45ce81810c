#pragma once
// "GPS Configuration": asks whether the receiver sends WGS 84 positions and
// UTC times, both ticked when it opens.

#include <QDialog>

class QCheckBox;

namespace nmea {

class CGPSConfiguration final : public QDialog {
    Q_OBJECT
public:
    explicit CGPSConfiguration(QWidget* parent = nullptr);

    bool DatumConfirmed() const;
    bool TimeConfirmed() const;

private:
    QCheckBox* m_datum;
    QCheckBox* m_time;
};

}   // namespace nmea
