#include "charts/ui/RasterChartMenu.h"

#include "charts/hcrf/HCRFDoc.h"

#include <QMenu>

namespace charts {

void CRasterChartMenu::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p)
{
    auto* doc = dynamic_cast<charts::hcrf::CHCRFDoc*>(&view.Doc());
    if (!doc || !doc->IsChartLoaded())
        return;
    // The chart's entries follow those of the side panels, whichever view
    // extension added its entries first.
    QObject::connect(&menu, &QMenu::aboutToShow, &menu,
                     [this, doc, &menu, p] { AddEntries(doc, menu, p); });
}

void CRasterChartMenu::AddEntries(charts::hcrf::CHCRFDoc* doc, QMenu& menu, geo::IntPoint p)
{
    if (!menu.isEmpty())
        menu.addSeparator();
    if (doc->HasInformationMenu()) {
        QMenu* info = menu.addMenu("&Information");
        info->addAction("Chart &Notes and Diagrams", [doc] { doc->ShowChartNotes(); });
        QAction* verify = info->addAction("&Verify Chart Integrity", [doc] {
            if (doc->CanVerify())
                doc->VerifyIntegrity();
        });
        verify->setEnabled(doc->CanVerify());
        info->addSeparator();
        info->addAction("&Temp. and Prelim. NtM's", [doc] { doc->ShowNoticesToMariners(); });
        menu.addSeparator();
    }
    const std::optional<geo::CPosition> vessel =
        m_vesselPosition ? m_vesselPosition() : std::nullopt;
    QAction* forVessel = menu.addAction("Charts for &Vessel Posn", [doc, vessel] {
        if (vessel)
            doc->ShowChartsAtPosition(*vessel);
    });
    forVessel->setEnabled(doc->CanShowChartsForVessel() && vessel && vessel->IsValid());
    // The position under the click, when it lies on the chart.
    geo::IntPoint chartPoint;
    doc->ClientToChartPoint(p, chartPoint);
    geo::CPosition cursor;
    const bool onChart =
        doc->IsChartPointOnChart(chartPoint) && doc->PointToPosition(chartPoint, cursor);
    QAction* forCursor = menu.addAction("Charts for &Cursor Posn",
                                        [doc, cursor] { doc->ShowChartsAtPosition(cursor); });
    forCursor->setEnabled(onChart && doc->CanShowChartsForCursor());
}

}   // namespace charts
