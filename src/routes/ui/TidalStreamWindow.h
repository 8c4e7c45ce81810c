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
    // Shows a reading's message; a usable reading also fills the fields.
    void Show(const routes::TidalStreamReading& reading);
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
