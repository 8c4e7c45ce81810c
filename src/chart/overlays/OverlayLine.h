#pragma once
// A line between two positions over the chart: a route leg, a track segment,
// a heading line, a perpendicular or a limit. Great-circle legs are drawn as
// a chain of intermediate points. A leg can carry its direction arrow, its
// course and a label, and distance-to-run marks at a fixed interval.

#include <cstddef>
#include <string>
#include <vector>

#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayServices.h"

namespace chart {

class COvrlyTextProperties;

// A distance-to-run mark: where it lies, the distance left there, and the
// bearing of its leg.
struct DistanceMark {
    geo::CPosition position;
    double toRun;
    double bearing;
};

// The marks of one leg from A to B at `interval` nm (clamped to the usable
// range); `toRun` and `carried` advance over the leg as a route's legs share
// them. A mark that falls on the end of a leg belongs to the next leg.
void WalkLegDistanceMarks(const geo::CPosition& a, const geo::CPosition& b, double interval,
                          double& toRun, double& carried, std::vector<DistanceMark>& marks);

// How far apart, in pen widths, the dots of a broken line are.
inline constexpr int kBrokenLineDotSpacing = 3;

class COverlayLine : public COverlayPoint {
public:
    // No leg gets more points than this, whatever the settings say.
    static constexpr std::size_t kMaxGreatCirclePoints = 20000;
    // Nor more distance-to-run marks than this.
    static constexpr int kMaxDistanceMarks = 1000;

    COverlayLine();

    std::string GetDisplayName() const override { return "Line segment overlay"; }
    bool HitTest(IntPoint) override { return false; }
    // Every consecutive pair of the point list, with the caller's pen.
    void Draw(CXDC& dc) override;

    void SetEnds(const geo::CPosition& start, const geo::CPosition& end);
    void SetLegType(std::int32_t type) { m_legType = type; }
    void SetLabel(bool draw, std::string text);
    // A speed made good joins the course text (empty for none).
    void SetSpeedMadeGood(std::string text) { m_speedMadeGood = std::move(text); }
    // Where the great-circle settings and the label font come from; without
    // one, legs are straight and labels use the default text properties.
    void SetRouteSource(const CRouteOverlaySource* route) { m_route = route; }

    // Clipped screen segments of A-B, each drawn patterned.
    void DrawSegment(CXDC& dc, const geo::CPosition& a, const geo::CPosition& b);
    // Arrow, course text and label of one leg at `point`.
    void DrawLegMarks(CXDC& dc, double bearing, IntPoint point);
    // Marks at the interval along every pair of the point list; the two
    // distances carry from leg to leg of a route. With `draw` clear only the
    // distances are advanced.
    void DrawDistanceToRunMarks(bool draw, CXDC& dc, double& toRun, double& carried);
    bool PositionAtPixelDistance(const geo::CPosition& from, double pixels, double bearing,
                                 geo::CPosition& out);

    const geo::CPosition& GetEnd() const { return m_end; }
    std::int32_t patternCode = 0;
    bool drawLegArrow = false;
    bool drawCourse = false;
    double distanceToRunInterval = 0.0;   // nautical miles

    // The points the leg is drawn through (start, intermediates, end).
    void BuildPointList();
    const std::vector<geo::CPosition>& Points() const { return m_points; }

private:
    void AppendGreatCirclePoints(const geo::CPosition& from, const geo::CPosition& to);
    void DrawLegDistanceMarks(bool draw, CXDC& dc, const geo::CPosition& a, const geo::CPosition& b,
                              double& toRun, double& carried);
    const COvrlyTextProperties& LabelProperties() const;

    geo::CPosition m_end = UnplacedPosition();
    std::int32_t m_legType = 0;
    bool m_drawLabel = false;
    std::string m_label;
    std::string m_speedMadeGood;
    std::vector<geo::CPosition> m_points;
    const CRouteOverlaySource* m_route = nullptr;
    std::vector<IntPoint> m_segments;
    std::vector<DistanceMark> m_marks;
};

// The latitudes, and then the longitudes, differ in six decimals.
bool PositionsDiffer(const geo::CPosition& a, const geo::CPosition& b);
// The points `distance` nm either side of B, square to the rhumb line A-B.
bool PerpendicularPositions(double distance, const geo::CPosition& a, const geo::CPosition& b,
                            geo::CPosition& left, geo::CPosition& right);

// An angle folded into [0, 360).
double FoldBearing(double degrees);

}   // namespace chart
