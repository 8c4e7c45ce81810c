#include "routes/ui/RoutePropertiesSheet.h"

#include "routes/RouteModule.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace routes {

namespace {

// The pages hold nothing to apply.
class CShownOnly final : public app::COptionPageModel {
public:
    explicit CShownOnly(std::string title) : m_title(std::move(title)) { }
    std::string Title() const override { return m_title; }
    std::vector<app::CFieldError> Validate() const override { return {}; }
    void Apply() override { }

private:
    std::string m_title;
};

QLineEdit* ShownField(QFormLayout* form, const QString& label, const char* name, QWidget* page)
{
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    form->addRow(label, edit);
    return edit;
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

}   // namespace

CRoutePropertiesSheet::CRoutePropertiesSheet(CRouteModule& module,
                                             std::function<geo::CPositionFormat()> format,
                                             QWidget* parent)
    : app::CModelessPropertySheet(QStringLiteral("Route Properties"), parent), m_module(module),
      m_positionFormat(std::move(format))
{
    setObjectName("routeProperties");
    // Room for a route name of 25 characters.
    setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    auto* general = new app::CXPropertyPage(std::make_unique<CShownOnly>("General"), this);
    auto* generalForm = new QFormLayout(general);
    m_name = ShownField(generalForm, tr("Name"), "routeName", general);
    m_from = ShownField(generalForm, tr("From"), "routeFrom", general);
    m_to = ShownField(generalForm, tr("To"), "routeTo", general);
    auto* waypoint = new app::CXPropertyPage(std::make_unique<CShownOnly>("Waypoint"), this);
    auto* waypointForm = new QFormLayout(waypoint);
    m_waypointName = ShownField(waypointForm, tr("Name"), "waypointName", waypoint);
    // "Position" heads the latitude and the longitude, one under the other.
    waypointForm->addRow(new QLabel(tr("Position"), waypoint));
    m_latitude = ShownField(waypointForm, QString(), "waypointLatitude", waypoint);
    m_longitude = ShownField(waypointForm, QString(), "waypointLongitude", waypoint);
    AddPage(general);
    AddPage(waypoint);
    ShowRoute();
}

void CRoutePropertiesSheet::SetWaypoint(int index)
{
    m_waypoint = index;
    ShowRoute();
}

void CRoutePropertiesSheet::ShowRoute()
{
    const CRouteTexts texts = m_module.RouteTexts();
    m_name->setText(Q(texts.name));
    m_from->setText(Q(texts.from));
    m_to->setText(Q(texts.to));
    const CRouteState& s = m_module.State();
    const int count = s.hasRoute ? int(s.waypoints.size()) : 0;
    if (m_waypoint > count)
        m_waypoint = 0;
    const int shown = m_waypoint > 0 ? m_waypoint : s.activeIndex;
    if (shown < 1 || shown > count) {
        m_waypointName->clear();
        m_latitude->clear();
        m_longitude->clear();
        return;
    }
    const CWaypoint& wp = s.waypoints[std::size_t(shown - 1)];
    m_waypointName->setText(Q(wp.m_name));
    // As the waypoint list and the status bar write positions: the
    // program's decimal places, in minutes or in seconds.
    const geo::CPositionFormat format =
        m_positionFormat ? m_positionFormat() : geo::CPositionFormat{};
    m_latitude->setText(Q(wp.m_position.FormatLatitude(format)));
    m_longitude->setText(Q(wp.m_position.FormatLongitude(format)));
}

}   // namespace routes
