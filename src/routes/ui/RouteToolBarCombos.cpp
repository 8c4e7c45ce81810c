#include "routes/ui/RouteToolBarCombos.h"

#include "routes/RouteModule.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace routes {

CRouteComboAction::CRouteComboAction(CRouteModule& module, Kind kind, QObject* parent)
    : QWidgetAction(parent), m_module(&module), m_kind(kind)
{ }

QWidget* CRouteComboAction::createWidget(QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(m_kind == Kind::Route ? "routeCombo" : "waypointCombo");
    combo->setToolTip(m_kind == Kind::Route ? tr("Route") : tr("Waypoint"));
    combo->setAccessibleName(combo->toolTip());
    // Wide enough for a route name (25 characters) without following each text.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(m_kind == Kind::Route ? 18 : 14);
    combo->setFocusPolicy(Qt::ClickFocus);
    connect(combo, &QComboBox::activated, this, [this](int index) { Choose(index); });
    Fill(*combo);
    return combo;
}

void CRouteComboAction::Fill(QComboBox& combo)
{
    const QSignalBlocker quiet(combo);
    combo.clear();
    if (!m_module)
        return;
    if (m_kind == Kind::Route) {
        for (const std::string& name : m_module->RouteList())
            combo.addItem(QString::fromStdString(name));
    } else if (m_module->State().hasRoute) {
        const auto& points = m_module->State().waypoints;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const QString name = QString::fromStdString(points[i].m_name).trimmed();
            combo.addItem(name.isEmpty() ? QString::number(i + 1)
                                         : QStringLiteral("%1 %2").arg(i + 1).arg(name));
        }
    }
    SetCurrent(combo);
}

void CRouteComboAction::SetCurrent(QComboBox& combo)
{
    const QSignalBlocker quiet(combo);
    int current = -1;
    if (m_module)
        current = m_kind == Kind::Route ? m_module->RouteOrdinal() - 1
                                        : m_module->State().activeIndex - 1;
    combo.setCurrentIndex(current >= 0 && current < combo.count() ? current : -1);
}

void CRouteComboAction::Choose(int index)
{
    if (!m_module || index < 0)
        return;
    if (m_kind == Kind::Route)
        m_module->SelectRoute(index + 1);
    else
        m_module->SelectWaypoint(index + 1);
    // A refused choice leaves the current one shown.
    ShowCurrent();
}

void CRouteComboAction::Refill()
{
    for (QWidget* w : createdWidgets())
        if (auto* combo = qobject_cast<QComboBox*>(w))
            Fill(*combo);
}

void CRouteComboAction::OpenList()
{
    for (QWidget* w : createdWidgets())
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isVisible()) {
            combo->setFocus(Qt::ShortcutFocusReason);
            combo->showPopup();
            return;
        }
}

void CRouteComboAction::ShowCurrent()
{
    for (QWidget* w : createdWidgets())
        if (auto* combo = qobject_cast<QComboBox*>(w))
            SetCurrent(*combo);
}

void CRouteComboAction::Detach()
{
    m_module = nullptr;
    Refill();
}

}   // namespace routes
