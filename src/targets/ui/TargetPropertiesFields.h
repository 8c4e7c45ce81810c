#pragma once
// The fields of a target's display properties: "Save Target", overlays on or
// off, the texts beside the symbol, the projected path and its distance, the
// track, its position markers (with their size where the card has it) and
// their span, "Limit to previous" and its span, "&Default" (and "&Clear
// Panic" for tenders). The module options' Target cards show a module's
// properties with it; a target's own Configuration page shows that target's.

#include <QWidget>

#include <optional>

#include "app/ui/PropertySheet.h"
#include "chart/overlays/OverlayProperties.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimeEdit;
namespace app {
class CSpinEdit;
}

namespace targets {

struct CTargetFieldsLayout {
    // Tenders: "Channel" and "Depth" beside "Name" in place of "Number" and
    // "Label", and "&Clear Panic" beside "&Default".
    bool tender = false;
    // The position markers' size combo.
    bool markerSize = false;
    // The "Save Target" box's text; none: no box.
    const char* saveText = "&Save Target";
    // The texts of the first and third text switches; none: "N&umber" and
    // "&Label", or for tenders "C&hannel" and "De&pth".
    const char* numberText = nullptr;
    const char* thirdText = nullptr;
    // The tender options card nests every switch under the one above it: the
    // projected path and track switches need "Overlays", the distance the
    // projected path, the markers and "Limit to previous" the track. Off (the
    // ARPA Target card and a target's own Configuration page), those switches
    // and the distance are always offered; only the texts, the marker size
    // and the limit span hang on their switches.
    bool nestedSwitches = true;
};

class CTargetPropertiesFields final : public QWidget {
    Q_OBJECT
public:
    explicit CTargetPropertiesFields(QWidget* parent = nullptr,
                                     const CTargetFieldsLayout& layout = {});

    void Load(const chart::CTargetProperties& properties);
    // Stores the switches and spans; the distance only when it reads as a
    // number, else the error names its field.
    std::optional<app::CFieldError> Store(chart::CTargetProperties& properties) const;
    // Enables each field by the switches it hangs on; "&Default" while
    // `differs` (the properties are not the defaults). Nothing is enabled
    // while no target is shown (`SetShown(false)`).
    void UpdateEnables(bool differs);
    void SetShown(bool shown) { m_shown = shown; }
    void SetSaveEnabled(bool enabled) { m_saveEnabled = enabled; }
    void SetClearPanicEnabled(bool enabled) { m_clearPanicEnabled = enabled; }

signals:
    void Toggled();   // a switch or a span changed
    void DefaultClicked();
    void ClearPanicClicked();

private:
    QCheckBox* m_save = nullptr;
    QCheckBox* m_overlays = nullptr;
    QCheckBox* m_number = nullptr;   // "Channel" for tenders
    QCheckBox* m_name = nullptr;
    QCheckBox* m_third = nullptr;   // "Label", or "Depth" for tenders
    QLabel* m_textLabel = nullptr;   // "Text", offered with the overlays
    QCheckBox* m_path = nullptr;
    app::CSpinEdit* m_pathDistance = nullptr;
    QLabel* m_pathUnit = nullptr;   // "nm", with the distance
    QCheckBox* m_track = nullptr;
    QCheckBox* m_markers = nullptr;
    QComboBox* m_markerSize = nullptr;
    QLabel* m_markerSizeLabel = nullptr;   // "Overlay Size", enabled with the combo
    QTimeEdit* m_markerEvery = nullptr;
    QCheckBox* m_limit = nullptr;
    QTimeEdit* m_limitSpan = nullptr;
    QLabel* m_limitUnit = nullptr;   // "Hrs:Mins", with the span
    QPushButton* m_default = nullptr;
    QPushButton* m_clearPanic = nullptr;
    bool m_tender = false;
    bool m_nested = true;
    bool m_shown = true;
    bool m_saveEnabled = true;
    bool m_clearPanicEnabled = false;
};

}   // namespace targets
