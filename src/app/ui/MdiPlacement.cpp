#include "app/ui/MdiPlacement.h"

#include <QChildEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/ScreenPlacement.h"

namespace app {

namespace {

// Watches the viewport for windows joining it and each such window for its
// first showing.
class CNewWindowPlacer final : public QObject {
public:
    explicit CNewWindowPlacer(QMdiArea& area) : QObject(&area), m_viewport(area.viewport())
    {
        m_viewport->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_viewport) {
            // The child may still be under construction: only its QObject
            // part is used until it shows.
            if (event->type() == QEvent::ChildAdded)
                if (QObject* child = static_cast<QChildEvent*>(event)->child();
                    child && child->isWidgetType())
                    child->installEventFilter(this);
        } else if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            if (auto* window = qobject_cast<QMdiSubWindow*>(watched))
                KeepInsideMdiArea(*window);
        }
        return false;
    }

private:
    QObject* m_viewport;
};

}   // namespace

void KeepInsideMdiArea(QMdiSubWindow& window)
{
    QMdiArea* area = window.mdiArea();
    if (!area || !area->isVisible() || area->viewMode() != QMdiArea::SubWindowView ||
        window.isMaximized() || window.isMinimized())
        return;
    const QRect view = area->viewport()->rect();
    const QRect r = window.geometry();
    const ScreenRect inside = FitInside({r.x(), r.y(), r.width(), r.height()},
                                        {view.x(), view.y(), view.width(), view.height()});
    const QRect fitted = QRect(inside.x, inside.y, inside.width, inside.height);
    if (fitted != r)
        window.setGeometry(QRect(fitted.topLeft(), fitted.size().expandedTo(window.minimumSize())));
}

void PlaceNewWindowsInside(QMdiArea& area)
{
    new CNewWindowPlacer(area);
}

}   // namespace app
