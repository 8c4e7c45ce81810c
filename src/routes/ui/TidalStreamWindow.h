#pragma once
// The tidal stream window: rate (knots), direction (degrees true) and height
// from mean sea level (metres) at one clicked position, for its time.

#include "routes/TidalAtlasModel.h"
#include "routes/ui/TidalTimeWindow.h"

class QLineEdit;

namespace routes {

class CTidalStreamWindow final : public CTidalTimeWindow {
    Q_OBJECT
public:
    CTidalStreamWindow(const geo::CPosition& where, QWidget* parent);
    const geo::CPosition& Position() const { return m_where; }
    // A reading's result text, when it has one, in a box with the stop icon
    // (usable with caution, or not usable at all); a usable reading then
    // fills the fields, any other leaves the last stream shown.
    void Show(const routes::TidalStreamReading& reading);
    // Fills the fields from a usable reading without a word.
    void Fill(const routes::TidalStreamReading& reading);
    QString RateText() const;
    QString DirectionText() const;
    QString HeightText() const;

private:
    geo::CPosition m_where;
    QLineEdit* m_rate;
    QLineEdit* m_direction;
    QLineEdit* m_height;
};

}   // namespace routes
