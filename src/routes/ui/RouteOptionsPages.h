#pragma once
// The four pages of the Route Options sheet over their models: General
// (how the route is drawn), Paths (folders), Monitoring (waypoint detection,
// limit of deviation, overlays) and Great Circle (intercepts, limiting
// latitudes).

#include "app/ui/PropertySheet.h"
#include "routes/RouteOptions.h"

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
    void PickColour(bool line);

    QCheckBox* m_route;
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

class CRouteMonitoringOptionsPage final : public app::CXPropertyPage {
    Q_OBJECT
public:
    explicit CRouteMonitoringOptionsPage(std::unique_ptr<CRouteMonitoringOptionsModel> model,
                                         QWidget* parent = nullptr);
    CRouteMonitoringOptionsModel& M() const;
    std::optional<app::CFieldError> ControlsToModel() override;
    void ModelToControls() override;
    void UpdateControls() override;

private:
    QCheckBox* m_arrival;
    QDoubleSpinBox* m_radius;
    QCheckBox* m_perpendicular;
    QCheckBox* m_advance;
    QCheckBox* m_limitOn;
    QDoubleSpinBox* m_limit;
    QCheckBox* m_circles;
    QCheckBox* m_perpendiculars;
    QCheckBox* m_limits;
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

}   // namespace routes
