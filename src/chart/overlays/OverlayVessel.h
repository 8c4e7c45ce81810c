#pragma once
// Vessels over the chart: the base of the own vessel and of target overlays,
// and the own vessel with its heading line, course-and-speed vector with
// minute marks and warning circle. The navigator hands in the own vessel's
// values for each paint; the vessel module's display properties say how.

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayProperties.h"
#include "geo/NavMaths.h"

namespace chart {

// How many targets are current (man overboard and the like), kept by the
// target-tracking side. Never below zero.
class CCurrentTargetCount {
public:
    void Increase() { m_count.fetch_add(1); }
    void Decrease();
    int Get() const { return m_count.load(); }

private:
    std::atomic<int> m_count{0};
};

class COverlayVessel : public COverlayPoint {
public:
    // Minute marks on one line never exceed this, however slow the vessel.
    static constexpr int kMaxTimeMarks = 1000;

    // Nothing unless shown, valid and on the chart; then Prepare, the symbol
    // at every client point, and the extras once.
    void Draw(CXDC& dc) override;
    virtual void Prepare() { }
    virtual void DrawSymbolAt(CXDC&, IntPoint) { }
    virtual void DrawAfter(CXDC&) { }
    virtual void DrawTimeMark(CXDC&, IntPoint, bool /*major*/, double /*bearing*/) { }
    // All the marks of one path in order, each with its major flag (one at a
    // time unless a kind draws them together).
    using TimeMarkAt = std::pair<IntPoint, bool>;
    virtual void DrawTimeMarksAt(CXDC& dc, const std::vector<TimeMarkAt>& marks, double bearing);
    // The vessel record's display flag.
    virtual bool IsShown() const { return true; }

    // A mark every minute run at `speed` knots from `from` towards `to`;
    // every sixth from the first is major.
    void DrawTimeMarks(CXDC& dc, const geo::CPosition& from, const geo::CPosition& to,
                       double speed);

    // Changes the count only when the flag changes.
    void SetCurrentTarget(bool on);
    bool IsCurrentTarget() const { return m_currentTarget; }
    void SetCurrentTargetCount(CCurrentTargetCount* count) { m_currentCount = count; }

private:
    bool m_currentTarget = false;
    CCurrentTargetCount* m_currentCount = nullptr;
};

// What the navigator knows of the own vessel at a paint. Unset values hold
// geo::kUnsetValue.
struct COwnVesselValues {
    geo::CPosition position{0.0, 0.0, 0.0};
    bool shown = true;
    double heading = geo::kUnsetValue;   // degrees true
    double courseOverGround = geo::kUnsetValue;   // degrees true
    double speedOverGround = geo::kUnsetValue;   // knots
    double headingMarkSpeed = geo::kUnsetValue;   // knots, for the heading line's marks
    double headingLineLength = 1.0;   // nautical miles
    double vectorTimeDays = 6.0 / 1440.0;   // how far ahead the vector reaches
    bool warningCircles = false;
    double warningCirclesRadius = 0.5;   // nautical miles
};

// The vessel module's display properties for the own vessel.
struct COwnVesselStyle {
    COwnVesselStyle();
    CVesselProperties vessel;
    CLineProperties headingMarker{kLineHeadingMarker};
    CLineProperties vector{kLineSpeedAndDirectionVector};
    int trackLineWidth = 2;   // the navigator's vessel-track width
};

class COverlayOwnVessel : public COverlayVessel {
public:
    std::string GetDisplayName() const override { return "Own Vessel"; }
    bool IsShown() const override { return m_values.shown; }

    // Handed in before each paint.
    void SetValues(const COwnVesselValues& values);
    const COwnVesselValues& GetValues() const { return m_values; }
    COwnVesselStyle& Style() { return m_style; }
    const COwnVesselStyle& Style() const { return m_style; }

    void Prepare() override;
    void DrawSymbolAt(CXDC& dc, IntPoint point) override;
    void DrawAfter(CXDC& dc) override;
    void DrawTimeMark(CXDC& dc, IntPoint point, bool major, double bearing) override;

    bool HasDirection() const { return m_hasDirection; }
    double GetDirection() const { return m_direction; }
    bool DrawsHeadingLine() const { return m_drawHeading; }
    bool DrawsVector() const { return m_drawVector; }

private:
    void DrawLine(CXDC& dc, const CLineProperties& props, const geo::CPosition& start,
                  const geo::CPosition& end, double speed, double direction);

    COwnVesselValues m_values;
    COwnVesselStyle m_style;
    double m_heading = geo::kUnsetValue;
    bool m_drawHeading = false;
    geo::CPosition m_headingEnd;
    bool m_drawVector = false;
    geo::CPosition m_vectorEnd;
    bool m_hasDirection = false;
    double m_direction = 0.0;
};

// A heading, course or bearing that can orient a drawing: finite, 0..360.
bool IsUsableDirection(double degrees);

}   // namespace chart
