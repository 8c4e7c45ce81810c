#include "charts/ui/RasterChartMenu.h"

#include "charts/hcrf/HCRFDoc.h"

#include <QMenu>

namespace charts {

void CRasterChartMenu::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                                      chart::MenuSection section, bool /*onChart*/)
{
    if (section == chart::MenuSection::ChartsAtPosition) {
        AddChartsAt(view, menu, p);
        return;
    }
    auto* doc = dynamic_cast<charts::hcrf::CHCRFDoc*>(&view.Doc());
    if (section != chart::MenuSection::Information || !doc || !doc->HasInformationMenu())
        return;
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

void CRasterChartMenu::AddChartsAt(chart::CChartView& view, QMenu& menu, geo::IntPoint p)
{
    // Every chart has the two entries; only a raster chart knows other charts
    // at a position, so on the others they stay grey.
    chart::CChartDoc& chart = view.Doc();
    auto* doc = dynamic_cast<charts::hcrf::CHCRFDoc*>(&chart);
    const std::optional<geo::CPosition> vessel =
        m_vesselPosition ? m_vesselPosition() : std::nullopt;
    QAction* forVessel = menu.addAction("Charts for &Vessel Posn", [doc, vessel] {
        if (doc && vessel)
            doc->ShowChartsAtPosition(*vessel);
    });
    forVessel->setEnabled(doc && chart.CanShowChartsForVessel() && vessel && vessel->IsValid());
    // The position under the click, when it lies on the chart.
    geo::IntPoint chartPoint;
    chart.ClientToChartPoint(p, chartPoint);
    geo::CPosition cursor;
    const bool onChart =
        chart.IsChartPointOnChart(chartPoint) && chart.PointToPosition(chartPoint, cursor);
    QAction* forCursor = menu.addAction("Charts for &Cursor Posn", [doc, cursor] {
        if (doc)
            doc->ShowChartsAtPosition(cursor);
    });
    forCursor->setEnabled(doc && onChart && chart.CanShowChartsForCursor());
}

}   // namespace charts
