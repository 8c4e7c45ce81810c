#include "chart/draw/LineRuns.h"

#include "chart/draw/XDC.h"
#include "geo/Clipping.h"

namespace chart {

void CLineRuns::Add(geo::IntPoint point, bool onChart)
{
    if (m_last) {
        if (m_last->onChart && onChart) {
            if (m_run.empty())
                m_run.push_back(m_last->point);
            m_run.push_back(point);
        } else {
            Finish();
            geo::IntPoint a = m_last->point, b = point;
            if (geo::ClipSegmentToRect(m_clip, &a, &b))
                Segment(a, b);
        }
    }
    m_last = Last{point, onChart};
}

void CLineRuns::Break()
{
    Finish();
    m_last.reset();
}

void CLineRuns::Finish()
{
    if (m_dotSpacing > 0) {
        for (std::size_t i = 1; i < m_run.size(); ++i)
            if (m_run[i - 1] != m_run[i])
                Segment(m_run[i - 1], m_run[i]);
    } else if (m_run.size() >= 2) {
        m_dc.Polyline(m_run);
    }
    m_run.clear();
}

void CLineRuns::Segment(geo::IntPoint a, geo::IntPoint b)
{
    if (m_dotSpacing > 0) {
        m_dc.DrawDottedLine(a, b.x, b.y, m_dotSpacing, true);
        return;
    }
    m_dc.MoveTo(a);
    m_dc.LineTo(b);
}

}   // namespace chart
