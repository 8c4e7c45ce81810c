#include "routes/ui/RouteOptionsPages.h"

#include "navigator/ui/NavigatorOptionsPages.h"

#include "chart/overlays/OverlayProperties.h"
#include "chart/ui/OptionPageControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace routes {

using chart::FollowDisplayPalette;
using chart::MakeCheck;
using chart::MakeFolderRow;
using chart::MakeWell;
using chart::MakeWhole;
using chart::PaintWell;
using chart::PickColour;

namespace {

// "Mark every" steps by the size of its value.
class CMarkEverySpin final : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    void stepBy(int steps) override
    {
        double v = value();
        for (int i = 0; i < std::abs(steps); ++i)
            v = SpinMarkInterval(v, steps > 0);
        setValue(v);
    }
};

}   // namespace

// ---- General ------------------------------------------------------------------------------

CRouteGeneralOptionsPage::CRouteGeneralOptionsPage(std::unique_ptr<CRouteGeneralOptionsModel> model,
                                                   QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("RouteGeneralOptions");
    auto* route = new QGroupBox(tr("Route"), this);
    auto* grid = new QGridLayout(route);
    m_route = MakeCheck(tr("&Selected route"), "drawRoute", route);
    m_routeWell = MakeWell("routeColour", tr("Selected route colour"), route);
    m_lineWell = MakeWell("lineColour", tr("Line colour"), route);
    auto* lineLabel = new QLabel(tr("Line colour"), route);
    m_width = new QComboBox(route);
    m_width->setObjectName("lineWidth");
    // Each entry a picture of the line at that width, as the other pages' widths.
    m_width->setIconSize(QSize(60, 12));
    for (int w = 1; w <= chart::CLineProperties::kMaximumWidth; ++w)
        m_width->addItem(chart::LineWidthIcon(w), QString::number(w));
    auto* widthLabel = new QLabel(tr("Line &width"), route);
    widthLabel->setBuddy(m_width);
    m_size = new QComboBox(route);
    m_size->setObjectName("overlaySize");
    m_size->addItems({tr("Small"), tr("Medium"), tr("Large")});
    auto* sizeLabel = new QLabel(tr("Overlay Si&ze"), route);
    sizeLabel->setBuddy(m_size);
    grid->addWidget(m_route, 0, 0);
    grid->addWidget(m_routeWell, 0, 1);
    grid->addWidget(widthLabel, 1, 0);
    grid->addWidget(m_width, 1, 1);
    grid->addWidget(lineLabel, 2, 0);
    grid->addWidget(m_lineWell, 2, 1);
    grid->addWidget(sizeLabel, 3, 0);
    grid->addWidget(m_size, 3, 1);
    grid->setColumnStretch(2, 1);

    auto* legs = new QGroupBox(tr("Legs"), this);
    auto* legGrid = new QGridLayout(legs);
    m_arrow = MakeCheck(tr("D&irection arrow for leg(s)"), "drawLegArrow", legs);
    m_course = MakeCheck(tr("&Leg course and speed-to-make-good"), "drawCourse", legs);
    m_toRun = MakeCheck(tr("&Distance-to-run ticks and labels"), "drawDistanceToRun", legs);
    m_entire = new QRadioButton(tr("&Entire route"), legs);
    m_entire->setObjectName("entireRoute");
    m_currentLeg = new QRadioButton(tr("C&urrent leg"), legs);
    m_currentLeg->setObjectName("currentLeg");
    m_markEvery = new CMarkEverySpin(legs);
    m_markEvery->setObjectName("markEvery");
    m_markEvery->setLocale(QLocale::c());
    m_markEvery->setDecimals(1);
    m_markEvery->setRange(0.1, 1000.0);
    m_markEvery->setSuffix(QStringLiteral(" nm"));
    auto* markLabel = new QLabel(tr("Mar&k every"), legs);
    markLabel->setBuddy(m_markEvery);
    legGrid->addWidget(m_arrow, 0, 0, 1, 3);
    legGrid->addWidget(m_course, 1, 0, 1, 3);
    legGrid->addWidget(m_toRun, 2, 0, 1, 3);
    legGrid->addWidget(m_entire, 3, 0);
    legGrid->addWidget(m_currentLeg, 3, 1);
    legGrid->addWidget(markLabel, 4, 0);
    legGrid->addWidget(m_markEvery, 4, 1);
    legGrid->setColumnStretch(2, 1);

    auto* points = new QGroupBox(tr("Waypoints"), this);
    auto* row = new QHBoxLayout(points);
    m_waypointWell = MakeWell("waypointColour", tr("Waypoint colour"), points);
    m_number = MakeCheck(tr("&Number"), "drawNumber", points);
    m_name = MakeCheck(tr("Na&me"), "drawName", points);
    m_eta = MakeCheck(tr("Plan E&TA"), "drawEta", points);
    row->addWidget(m_waypointWell);
    row->addWidget(m_number);
    row->addWidget(m_name);
    row->addWidget(m_eta);
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(route);
    layout->addWidget(legs);
    layout->addWidget(points);
    layout->addStretch(1);

    for (QCheckBox* box : {m_route, m_toRun})
        connect(box, &QCheckBox::clicked, this, [this] {
            M().Values().drawRoute = m_route->isChecked();
            M().Values().draw.drawDistanceToRun = m_toRun->isChecked();
            UpdateControls();
        });
    connect(m_routeWell, &QPushButton::clicked, this,
            [this] { PickWellColour(M().Values().routeColour, tr("Selected route colour")); });
    connect(m_lineWell, &QPushButton::clicked, this,
            [this] { PickWellColour(M().Values().lineColour, tr("Line colour")); });
    connect(m_waypointWell, &QPushButton::clicked, this,
            [this] { PickWellColour(M().Values().waypointColour, tr("Waypoint colour")); });
    FollowDisplayPalette(
        this, [this](int palette) { return M().FollowPalette(palette); }, [this] { ShowWells(); });
}

CRouteGeneralOptionsModel& CRouteGeneralOptionsPage::M() const
{
    return static_cast<CRouteGeneralOptionsModel&>(Model());
}

void CRouteGeneralOptionsPage::ShowWells()
{
    PaintWell(m_routeWell, M().Values().routeColour);
    PaintWell(m_lineWell, M().Values().lineColour);
    PaintWell(m_waypointWell, M().Values().waypointColour);
}

void CRouteGeneralOptionsPage::PickWellColour(chart::COLORREF& colour, const QString& title)
{
    if (PickColour(this, title, colour))
        ShowWells();
}

std::optional<app::CFieldError> CRouteGeneralOptionsPage::ControlsToModel()
{
    CRouteGeneralOptions& v = M().Values();
    v.drawRoute = m_route->isChecked();
    v.lineWidth = m_width->currentIndex() + 1;
    v.sizeMode = m_size->currentIndex();
    v.draw.drawLegArrow = m_arrow->isChecked();
    v.draw.drawCourseAndSMG = m_course->isChecked();
    v.draw.drawDistanceToRun = m_toRun->isChecked();
    v.draw.applyToEntireRoute = m_entire->isChecked();
    v.draw.distanceToRunInterval = m_markEvery->value();
    v.drawNumber = m_number->isChecked();
    v.drawName = m_name->isChecked();
    v.drawEta = m_eta->isChecked();
    return std::nullopt;
}

void CRouteGeneralOptionsPage::ModelToControls()
{
    const CRouteGeneralOptions& v = M().Values();
    m_route->setChecked(v.drawRoute);
    m_width->setCurrentIndex(v.lineWidth - 1);
    m_size->setCurrentIndex(v.sizeMode);
    m_arrow->setChecked(v.draw.drawLegArrow);
    m_course->setChecked(v.draw.drawCourseAndSMG);
    m_toRun->setChecked(v.draw.drawDistanceToRun);
    m_entire->setChecked(v.draw.applyToEntireRoute);
    m_currentLeg->setChecked(!v.draw.applyToEntireRoute);
    m_markEvery->setValue(v.draw.distanceToRunInterval);
    m_number->setChecked(v.drawNumber);
    m_name->setChecked(v.drawName);
    m_eta->setChecked(v.drawEta);
    ShowWells();
    UpdateControls();
}

void CRouteGeneralOptionsPage::UpdateControls()
{
    const bool toRun = M().DistanceToRunEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{m_entire, m_currentLeg, m_markEvery})
        w->setEnabled(toRun);
}

// ---- Paths --------------------------------------------------------------------------------

CRoutePathOptionsPage::CRoutePathOptionsPage(std::unique_ptr<CRoutePathOptionsModel> model,
                                             QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("RoutePathOptions");
    auto* folders = new QGroupBox(tr("Folders"), this);
    auto* form = new QFormLayout(folders);
    m_dataFolder = MakeFolderRow(form, tr("&Database folder"), "databaseFolder",
                                 tr("Select Route database folder"), this);
    m_attachmentsFolder = MakeFolderRow(form, tr("A&ttachments folder"), "attachmentsFolder",
                                        tr("Select Route attachments folder"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folders);
    layout->addStretch(1);
}

CRoutePathOptionsModel& CRoutePathOptionsPage::M() const
{
    return static_cast<CRoutePathOptionsModel&>(Model());
}

std::optional<app::CFieldError> CRoutePathOptionsPage::ControlsToModel()
{
    M().Values().dataFolder = m_dataFolder->text().trimmed().toStdString();
    M().Values().attachmentsFolder = m_attachmentsFolder->text().trimmed().toStdString();
    return std::nullopt;
}

void CRoutePathOptionsPage::ModelToControls()
{
    m_dataFolder->setText(QString::fromStdString(M().Values().dataFolder));
    m_attachmentsFolder->setText(QString::fromStdString(M().Values().attachmentsFolder));
}

// ---- Great circle -------------------------------------------------------------------------

CGreatCircleOptionsPage::CGreatCircleOptionsPage(std::unique_ptr<CGreatCircleOptionsModel> model,
                                                 QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("GreatCircleOptions");
    auto* top = new QGridLayout();
    m_intercept = MakeWhole("intercept", 1, 90, this);
    m_intercept->setSuffix(tr(" degrees"));
    auto* interceptLabel = new QLabel(tr("&Intercept every"), this);
    interceptLabel->setBuddy(m_intercept);
    m_whole = MakeCheck(tr("&Force to whole degrees of longitude"), "wholeDegrees", this);
    top->addWidget(interceptLabel, 0, 0);
    top->addWidget(m_intercept, 0, 1);
    top->addWidget(m_whole, 1, 0, 1, 2);
    top->setColumnStretch(2, 1);

    auto* composite = new QGroupBox(tr("Composite Great Circle"), this);
    auto* grid = new QGridLayout(composite);
    m_north = MakeCheck(tr("&North Limiting Latitude"), "applyNorthLimit", composite);
    m_northDegrees = MakeWhole("northDegrees", 1, 90, composite);
    m_northDegrees->setSuffix(QStringLiteral("\u00B0"));
    m_northMinutes = MakeWhole("northMinutes", 0, 60, composite);
    m_northMinutes->setSuffix(QStringLiteral("'"));
    m_south = MakeCheck(tr("&South Limiting Latitude"), "applySouthLimit", composite);
    m_southDegrees = MakeWhole("southDegrees", 1, 90, composite);
    m_southDegrees->setSuffix(QStringLiteral("\u00B0"));
    m_southMinutes = MakeWhole("southMinutes", 0, 60, composite);
    m_southMinutes->setSuffix(QStringLiteral("'"));
    grid->addWidget(m_north, 0, 0);
    grid->addWidget(m_northDegrees, 0, 1);
    grid->addWidget(m_northMinutes, 0, 2);
    grid->addWidget(m_south, 1, 0);
    grid->addWidget(m_southDegrees, 1, 1);
    grid->addWidget(m_southMinutes, 1, 2);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(composite);
    layout->addStretch(1);
    for (QCheckBox* box : {m_north, m_south})
        connect(box, &QCheckBox::clicked, this, [this] {
            ControlsToModel();
            UpdateControls();
        });
}

CGreatCircleOptionsModel& CGreatCircleOptionsPage::M() const
{
    return static_cast<CGreatCircleOptionsModel&>(Model());
}

std::optional<app::CFieldError> CGreatCircleOptionsPage::ControlsToModel()
{
    CGreatCircleRecord& r = M().Values();
    r.degreeIntercept = std::uint8_t(m_intercept->value());
    r.wholeDegrees = m_whole->isChecked();
    r.applyNorthLimit = m_north->isChecked();
    r.northDegrees = std::uint8_t(m_northDegrees->value());
    r.northMinutes = std::uint8_t(m_northMinutes->value());
    r.applySouthLimit = m_south->isChecked();
    r.southDegrees = std::uint8_t(m_southDegrees->value());
    r.southMinutes = std::uint8_t(m_southMinutes->value());
    return std::nullopt;
}

void CGreatCircleOptionsPage::ModelToControls()
{
    const CGreatCircleRecord& r = M().Values();
    m_intercept->setValue(r.degreeIntercept);
    m_whole->setChecked(r.wholeDegrees);
    m_north->setChecked(r.applyNorthLimit);
    m_northDegrees->setValue(r.northDegrees);
    m_northMinutes->setValue(r.northMinutes);
    m_south->setChecked(r.applySouthLimit);
    m_southDegrees->setValue(r.southDegrees);
    m_southMinutes->setValue(r.southMinutes);
    UpdateControls();
}

void CGreatCircleOptionsPage::UpdateControls()
{
    // A limit not applied keeps its values, greyed.
    m_northDegrees->setEnabled(M().Values().applyNorthLimit);
    m_northMinutes->setEnabled(M().Values().applyNorthLimit);
    m_southDegrees->setEnabled(M().Values().applySouthLimit);
    m_southMinutes->setEnabled(M().Values().applySouthLimit);
}

app::CModelessPropertySheet* CreateRouteOptionsSheet(CRouteModule& module, QWidget* parent,
                                                     const PlanPageMaker& planPage)
{
    auto* sheet = new app::CModelessPropertySheet(QStringLiteral("Route Options"), parent);
    sheet->setObjectName("routeOptions");
    sheet->AddPage(
        new CRouteGeneralOptionsPage(std::make_unique<CRouteGeneralOptionsModel>(module), sheet));
    sheet->AddPage(
        new CRoutePathOptionsPage(std::make_unique<CRoutePathOptionsModel>(module), sheet));
    sheet->AddPage(
        new navigator::CAutopilotMonitoringDlg(MakeMonitoringOptionsModel(module), sheet));
    sheet->AddPage(
        new CGreatCircleOptionsPage(std::make_unique<CGreatCircleOptionsModel>(module), sheet));
    if (planPage)
        if (app::CXPropertyPage* plan = planPage(sheet))
            sheet->AddPage(plan);
    return sheet;
}

}   // namespace routes
