#pragma once
// Three pages of the Route Options sheet over their models: General (how the
// route is drawn), Paths (folders) and Great Circle (intercepts, limiting
// latitudes). Its Monitoring page is the navigator's, its Plan page the plan
// module's.

#include "app/ui/PropertySheet.h"
#include "routes/RouteOptions.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace routes {

class CRouteGeneralOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CRouteGeneralOptionsPage(std::unique_ptr<CRouteGeneralOptionsModel> model,
                                      QWidget* parent = nullptr);
    CRouteGeneralOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    void ShowWells();
    void PickWellColour(chart::COLORREF& colour, const QString& title);

    QCheckBox* m_route;
    QPushButton* m_routeWell;
    QPushButton* m_lineWell;
    QComboBox* m_width;
    QComboBox* m_size;
    QCheckBox* m_arrow;
    QCheckBox* m_course;
    QCheckBox* m_toRun;
    QRadioButton* m_entire;
    QRadioButton* m_currentLeg;
    QDoubleSpinBox* m_markEvery;
    QPushButton* m_waypointWell;
    QCheckBox* m_number;
    QCheckBox* m_name;
    QCheckBox* m_eta;
};

class CRoutePathOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CRoutePathOptionsPage(std::unique_ptr<CRoutePathOptionsModel> model,
                                   QWidget* parent = nullptr);
    CRoutePathOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;

private:
    QLineEdit* m_dataFolder;
    QLineEdit* m_attachmentsFolder;
};

class CGreatCircleOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CGreatCircleOptionsPage(std::unique_ptr<CGreatCircleOptionsModel> model,
                                     QWidget* parent = nullptr);
    CGreatCircleOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QSpinBox* m_intercept;
    QCheckBox* m_whole;
    QCheckBox* m_north;
    QSpinBox* m_northDegrees;
    QSpinBox* m_northMinutes;
    QCheckBox* m_south;
    QSpinBox* m_southDegrees;
    QSpinBox* m_southMinutes;
};

// Makes the sheet's "Plan" page for a parent; none while there is no plan module.
using PlanPageMaker = std::function<app::CXPropertyPage*(QWidget* parent)>;

// The "Route Options" sheet over the module: General, Paths, Monitoring,
// Great Circle and, when `planPage` makes one, Plan; not yet shown.
app::CModelessPropertySheet* CreateRouteOptionsSheet(CRouteModule& module, QWidget* parent,
                                                     const PlanPageMaker& planPage = {});

}   // namespace routes
