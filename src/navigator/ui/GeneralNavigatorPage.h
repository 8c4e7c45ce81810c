#pragma once
// The "General" page of "Navigator Options": the own vessel's heading line
// and speed vector, its past track with position markers, labels, time
// marks and the track limit, and three colour wells (track, markers, text)
// for the display palette in use, reloaded when the palette changes.

#include <functional>
#include <optional>

#include "app/ui/PropertySheet.h"
#include "chart/overlays/OverlayServices.h"
#include "navigator/GeneralNavigatorOptions.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTimeEdit;
namespace app {
class CSpinEdit;
}

namespace navigator {

class CGeneralNavigatorPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CGeneralNavigatorPage(std::unique_ptr<CGeneralNavigatorOptionsModel> model,
                                   QWidget* parent = nullptr);
    CGeneralNavigatorOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

    // Asks the user for a colour; the colour dialog unless replaced (tests).
    using Chooser =
        std::function<std::optional<chart::COLORREF>(chart::COLORREF current, const QString&)>;
    void SetChooser(Chooser chooser) { m_choose = std::move(chooser); }
    int Palette() const { return m_palette; }

private:
    void PaintWells();
    void Pick(GeneralColour which);
    QPushButton* Well(GeneralColour which) const;

    QCheckBox* m_heading;
    app::CSpinEdit* m_headingLength;
    QCheckBox* m_vector;
    QTimeEdit* m_vectorTime;
    QCheckBox* m_track;
    QComboBox* m_width;
    QPushButton* m_trackColour;
    QCheckBox* m_markers;
    QComboBox* m_markerSize;
    QPushButton* m_markerColour;
    QCheckBox* m_labels;
    QCheckBox* m_timeMarks;
    QTimeEdit* m_markInterval;
    QCheckBox* m_limit;
    QTimeEdit* m_trackLimit;
    QPushButton* m_textColour;
    int m_palette = 0;
    Chooser m_choose;
};

}   // namespace navigator
