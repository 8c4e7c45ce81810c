#pragma once
// One range and bearing measurement on a chart view: a line from where the
// button went down to where it is now (or was let go), its rhumb-line range
// and bearing, and the label "12.3nm, 045°, (225°)". The range and bearing
// follow the line as it is drawn: eastward when the end lies right of the
// start, westward when left, across the 180-degree meridian when that is
// the way the line goes, so a short line across 180 reads a short range.

#include <string>

#include "chart/ChartDoc.h"
#include "geo/Clipping.h"
#include "geo/Position.h"

namespace chart {

class CXDC;

// "12.3nm, 045°, (225°)" (UTF-8 degree signs).
std::string FormatRangeBearingLabel(double range, double bearing);

// Rhumb-line range (nm) and bearing from `from` to `to` the way a line drawn
// from screen x `fromX` to `toX` runs: eastward when toX > fromX, westward
// when toX < fromX, the shorter way when they are equal. False for positions
// that are not valid.
bool RangeBearingAsDrawn(const geo::CPosition& from, const geo::CPosition& to, int fromX, int toX,
                         double* range, double* bearing);

class CRangeBearingOverlay {
public:
    enum State { kNew = 0, kStarted = 1 };

    // Begins at a client point of the chart; on a raster chart in the panel
    // the document has current (the one the pointer is over).
    void Start(CChartDoc& doc, geo::IntPoint point);
    // The end may move to the point: on the chart and, on a raster chart
    // other than a world chart, in the panel the measurement started in,
    // since every panel has its own projection.
    bool CanExtendTo(geo::IntPoint point) const;
    void SetEnd(geo::IntPoint point);
    // The label of the finished measurement, at the point.
    void Finish(geo::IntPoint point);

    // The label for a line from the start to `point`; empty when either end
    // has no position.
    std::string ComputeLabel(geo::IntPoint point) const;
    // Draws the line, extended beyond the end by a third, and the range-ring
    // arc across it at the end; white under Dusk and Night, else black.
    // The client points of a finished measurement come from its positions,
    // so it follows zoom and pan.
    void DrawLine(CXDC& dc, bool night) const;
    // The yellow box with the label in black, centred on the line's middle;
    // yellow under every palette, so the figures stay readable at night.
    // Without a label the box is drawn empty.
    void DrawLabel(CXDC& dc) const;

    State GetState() const { return m_state; }
    geo::IntPoint StartPoint() const { return m_start; }
    geo::IntPoint EndPoint() const { return m_end; }
    const geo::CPosition& StartPosition() const { return m_startPosition; }
    const geo::CPosition& EndPosition() const { return m_endPosition; }
    const std::string& Label() const { return m_label; }
    CPanelId StartPanel() const { return m_startPanel; }
    CPanelId EndPanel() const { return m_endPanel; }

    // Start and end in client points now: once finished, from the positions
    // through the projection of each end's panel.
    void ClientPoints(geo::IntPoint& s, geo::IntPoint& e) const;

private:
    State m_state = kNew;
    CChartDoc* m_doc = nullptr;
    geo::IntPoint m_start;
    geo::IntPoint m_end;
    geo::CPosition m_startPosition;
    geo::CPosition m_endPosition;
    CPanelId m_startPanel;   // raster charts: where the measurement started
    CPanelId m_endPanel;   // the start panel, or on a world chart the panel at the end
    std::string m_label;
    bool m_finished = false;
};

}   // namespace chart
