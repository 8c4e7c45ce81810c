#pragma once
// The "Tidal Atlas" options page: start time, spacing, model boxes, arrow
// length and labels (routes::CTidalAtlasOptionsModel holds the values).

#include "app/ui/PropertySheet.h"
#include "routes/TidalAtlasOptions.h"

class QCheckBox;
class QDateTimeEdit;
class QRadioButton;
class QAbstractSpinBox;

namespace routes {

class CTidalAtlasOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    CTidalAtlasOptionsPage(std::unique_ptr<routes::CTidalAtlasOptionsModel> model, QWidget* parent);

    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    routes::CTidalAtlasOptionsModel& Values() const;
    QRadioButton *m_now, *m_plan, *m_user;
    QDateTimeEdit* m_start;
    QRadioButton *m_automatic, *m_userSpacing;
    QAbstractSpinBox* m_spacing;
    QCheckBox* m_limitLines;
    QAbstractSpinBox* m_length;
    QCheckBox *m_height, *m_speed;
};

}   // namespace routes
