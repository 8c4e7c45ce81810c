#include "chart/overlays/PlanTrack.h"

#include "chart/ChartDoc.h"
#include "chart/draw/LineRuns.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayServices.h"

namespace chart {

void CPlanTrack::CopyFrom(const CPlanTrack& other)
{
    m_fixes.clear();
    m_fixes.reserve(other.m_fixes.size());
    for (const auto& fix : other.m_fixes)
        m_fixes.push_back(std::make_unique<COverlayPositionFix>(*fix));
}

CTrackLineStyle CPlanTrack::GetLineStyle(int) const
{
    return m_planned;
}

std::optional<std::size_t> CPlanTrack::GetFirstNodeToDraw(bool) const
{
    return m_fixes.empty() ? std::nullopt : std::optional<std::size_t>(0);
}

void CPlanTrack::DrawFixes(CChartDoc&, CXDC&, std::optional<std::size_t>) { }

void CPlanTrack::DrawTimeMarks(CChartDoc&, CXDC&, std::optional<std::size_t>) { }

void CPlanTrack::Draw(CChartDoc& doc, CXDC& dc, bool decorate)
{
    if (m_fixes.empty())
        return;
    const CTrackLineStyle style = GetLineStyle(ActivePaletteIndex());
    const Pen linePen{PenStyle::Solid, std::max(1, style.width), style.line};
    const Pen before = dc.SelectPen(linePen);
    const std::optional<std::size_t> first = GetFirstNodeToDraw(decorate);
    if (first) {
        // Runs of joined points become one polyline each; the line to or
        // from a point off the chart is clipped at the chart's edge. A broken
        // line is dotted as a broken overlay line is (a route leg's).
        CLineRuns line(dc, doc.VisibleClientRect(), style.broken ? kBrokenLineDotSpacing : 0);
        for (std::size_t i = *first; i < m_fixes.size(); ++i) {
            const COverlayPositionFix& fix = *m_fixes[i];
            if (fix.segmentStart)
                line.Break();
            IntPoint at;
            bool onChart = false;
            if (doc.PositionToLinePoint(fix.GetPosition(), at, &onChart))
                line.Add(at, onChart);
            else
                line.Break();
        }
    }
    if (decorate) {
        DrawTimeMarks(doc, dc, first);
        dc.SelectPen(Pen{PenStyle::Solid, 1, style.marker});
        DrawFixes(doc, dc, first);
    }
    dc.SelectPen(before);
}

}   // namespace chart
