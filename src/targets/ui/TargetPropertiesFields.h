#pragma once
// The fields of a target's display properties: overlays on or off, the texts
// beside the symbol, the projected path and its distance, the track, its
// position markers and their span, "Limit to previous" and its span, and
// "&Default". The ARPA options' Target card shows the module's properties
// with it; a page for one target's own properties can show those.

#include <QWidget>

#include <optional>

#include "app/ui/PropertySheet.h"
#include "chart/overlays/OverlayProperties.h"

class QCheckBox;
class QPushButton;
class QTimeEdit;
namespace app {
class CSpinEdit;
}

namespace targets {

class CTargetPropertiesFields final : public QWidget {
    Q_OBJECT
public:
    explicit CTargetPropertiesFields(QWidget* parent = nullptr);

    void Load(const chart::CTargetProperties& properties);
    // Stores the switches and spans; the distance only when it reads as a
    // number, else the error names its field.
    std::optional<app::CFieldError> Store(chart::CTargetProperties& properties) const;
    // Enables each field by the switches it hangs on; "&Default" while
    // `differs` (the properties are not the defaults).
    void UpdateEnables(bool differs);

signals:
    void Toggled();   // a switch changed
    void DefaultClicked();

private:
    QCheckBox* m_overlays = nullptr;
    QCheckBox* m_number = nullptr;
    QCheckBox* m_name = nullptr;
    QCheckBox* m_label = nullptr;
    QCheckBox* m_path = nullptr;
    app::CSpinEdit* m_pathDistance = nullptr;
    QCheckBox* m_track = nullptr;
    QCheckBox* m_markers = nullptr;
    QTimeEdit* m_markerEvery = nullptr;
    QCheckBox* m_limit = nullptr;
    QTimeEdit* m_limitSpan = nullptr;
    QPushButton* m_default = nullptr;
};

}   // namespace targets
