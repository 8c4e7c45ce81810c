#include "app/DisplayPalettes.h"
#include "chart/ChartingModule.h"
#include "chart/draw/BufferDC.h"
#include "charts/vector/VectorChartDoc.h"
#include "charts/vector/VectorGrid.h"

namespace charts {

namespace {

constexpr chart::COLORREF kGridColour = app::RGB(127, 0, 0);

}   // namespace

void CVectorChartDoc::PrepareBuffer(chart::CScreenBuffer& buffer)
{
    const app::CDisplayPalettes* palettes = Module() ? Module()->Services().palettes : nullptr;
    if (palettes)
        buffer.ClearToWindowColour(*palettes);
    else
        buffer.ClearToColour(app::RGB(255, 255, 255));
}

bool CVectorChartDoc::DrawGrid(chart::CXDC& dc)
{
    geo::CPosition nw;
    geo::CPosition se;
    if (!GetExtent(nw, se) || !nw.IsValid() || !se.IsValid())
        return false;
    geo::IntRect r;
    GetVisibleRect(r);
    const std::vector<CGridLine> lines = ComputeGridLines();

    const chart::BkMode oldMode = dc.SetBkMode(chart::BkMode::Transparent);
    const chart::Pen oldPen = dc.SelectPen(app::RGB(0, 0, 0));
    const chart::Font oldFont = dc.GetCurrentFont();
    dc.DrawLine(r.left, r.top, r.right, r.top);
    dc.DrawLine(r.right, r.top, r.right, r.bottom);
    dc.SelectPen(kGridColour);
    // Meridian labels run downward beside their line, parallel labels above theirs.
    const chart::Font meridianFont{"Arial", 14, 400, true, false, -900};
    const chart::Font parallelFont{"Arial", 16, 400, true, false, 0};
    // Every line is labelled where it meets the rectangle's top or left edge.
    for (const CGridLine& line : lines) {
        if (line.meridian) {
            if (line.at >= r.left && line.at <= r.right)
                dc.DrawLine(line.at, r.top, line.at, r.bottom);
            dc.SelectFont(meridianFont);
        } else {
            if (line.at >= r.top && line.at <= r.bottom)
                dc.DrawLine(r.left, line.at, r.right, line.at);
            dc.SelectFont(parallelFont);
        }
        dc.TextOut(line.labelAt.x, line.labelAt.y, line.label);
    }
    dc.SelectFont(oldFont);
    dc.SelectPen(oldPen);
    dc.SetBkMode(oldMode);
    return true;
}

void CVectorChartDoc::DrawDragRect(chart::CXDC& dc)
{
    const geo::IntRect& d = DragRect();
    const chart::Pen old = dc.SelectPen(app::RGB(0, 0, 0));
    dc.MoveTo(d.left, d.top);
    dc.LineTo(d.right, d.top);
    dc.LineTo(d.right, d.bottom);
    dc.LineTo(d.left, d.bottom);
    dc.LineTo(d.left, d.top);
    dc.SelectPen(old);
}

}   // namespace charts
