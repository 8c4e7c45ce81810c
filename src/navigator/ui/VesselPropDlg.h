#pragma once
// The "General" page of the "Vessel Properties" sheet: a vessel's name,
// length, draft, beam and speed, shown only (Vessel > Options... edits the
// own vessel). Every field is greyed while the page has no vessel.

#include <optional>

#include "app/ui/PropertySheet.h"
#include "navigator/OwnVessel.h"

class QLineEdit;

namespace navigator {

class CVesselPropDlg final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CVesselPropDlg(QWidget* parent = nullptr);

    // The vessel shown; none empties and greys the fields.
    void SetVessel(const std::optional<COwnVessel>& vessel);
    const std::optional<COwnVessel>& Vessel() const { return m_vessel; }

private:
    std::optional<COwnVessel> m_vessel;
    QLineEdit* m_name;
    QLineEdit* m_length;
    QLineEdit* m_draft;
    QLineEdit* m_beam;
    QLineEdit* m_speed;
};

}   // namespace navigator
