#pragma once
// A line through points given in order, drawn as few polylines as it can.
// Points on the chart join into runs; a segment with an end beyond the
// chart's edge is clipped to the chart's part of the view and drawn on its
// own, so a track or a trail that leaves the chart still reaches its edge,
// and one that comes in from beyond it starts there.

#include <optional>
#include <vector>

#include "geo/Clipping.h"

namespace chart {

class CXDC;

class CLineRuns {
public:
    // `clip`: the chart's visible part in client points. With `dotSpacing`
    // above 0 the line is broken: each segment is drawn as dots that many pen
    // widths apart (CXDC::DrawDottedLine, as the overlay lines draw theirs).
    CLineRuns(CXDC& dc, const geo::IntRect& clip, int dotSpacing = 0)
        : m_dc(dc), m_clip(clip), m_dotSpacing(dotSpacing)
    { }
    ~CLineRuns() { Finish(); }
    CLineRuns(const CLineRuns&) = delete;
    CLineRuns& operator=(const CLineRuns&) = delete;

    // The next point, joined to the one before; `onChart` false for a point
    // placed beyond the chart's edge.
    void Add(geo::IntPoint point, bool onChart);
    // No line joins the next point to the one before.
    void Break();
    // Draws what is left of the last run.
    void Finish();

private:
    struct Last {
        geo::IntPoint point;
        bool onChart;
    };
    void Segment(geo::IntPoint a, geo::IntPoint b);

    CXDC& m_dc;
    geo::IntRect m_clip;
    int m_dotSpacing = 0;
    std::vector<geo::IntPoint> m_run;
    std::optional<Last> m_last;
};

}   // namespace chart
