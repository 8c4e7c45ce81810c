#pragma once
// Point-shaped overlays drawn over a chart: the base every overlay derives
// from, and the chartpoint, waypoint and position-fix markers. An overlay
// holds a position and the chart document it is drawn on; it draws its symbol
// at every client point the document shows the position at (a chart that
// wraps the 180-degree meridian may show it twice) and hit-tests each of them.
// Markers draw with the pen their caller selected.

#include <array>
#include <cstdint>
#include <string>

#include "app/DateTimeEx.h"
#include "chart/draw/XDC.h"
#include "geo/Position.h"

namespace chart {

class CChartDoc;

// The northern and southern points of the circle of `range` nm round `centre`
// (what a range circle is drawn through); false when either has no position.
bool RangeCircleEnds(const geo::CPosition& centre, double range, geo::CPosition& north,
                     geo::CPosition& south);

// Zero, marked not valid: where an overlay stands until it is placed.
inline geo::CPosition UnplacedPosition()
{
    geo::CPosition p(0.0, 0.0, 0.0);
    p.Invalidate();
    return p;
}

class COverlayPoint {
public:
    COverlayPoint() = default;
    virtual ~COverlayPoint() = default;

    // Pixels within which the symbol is hit, before size scaling.
    static constexpr std::uint8_t kBaseHitSize = 5;

    virtual bool HitTest(IntPoint clientPoint);
    virtual std::string GetDisplayName() const { return {}; }
    // Draws the symbol at the current screen point; the base draws nothing.
    virtual void Draw(CXDC&) { }

    // A size for the symbol's size mode: x1.5 medium, x2 large, truncated.
    std::uint8_t ScaleSize(std::uint8_t size) const;
    void SetPositionAndId(const geo::CPosition& position, std::int32_t id);
    // Draw at each client point of the position, in the document's order.
    void DrawAtScreenPoints(CXDC& dc);
    // The charting module's focus frame around the box, outside it.
    void DrawFocusBox(CXDC& dc, int left, int top, int right, int bottom);
    // The circle of `range` nm round the position, through its northern and
    // southern points.
    void DrawRangeCircle(CXDC& dc, double range);

    const geo::CPosition& GetPosition() const { return m_position; }
    void SetPosition(const geo::CPosition& position) { m_position = position; }
    CChartDoc* GetOwner() const { return m_owner; }
    void SetOwner(CChartDoc* owner) { m_owner = owner; }
    std::int32_t GetSizeMode() const { return m_sizeMode; }
    void SetSizeMode(std::int32_t mode) { m_sizeMode = mode; }
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool on) { m_selected = on; }
    IntPoint GetScreenPoint() const { return m_screen; }
    void SetScreenPoint(IntPoint point) { m_screen = point; }
    std::int32_t GetId() const { return m_id; }
    std::uint8_t GetBaseSize() const { return m_baseSize; }

protected:
    std::int32_t m_sizeMode = 0;
    bool m_selected = false;
    geo::CPosition m_position = UnplacedPosition();
    std::uint8_t m_baseSize = kBaseHitSize;
    CChartDoc* m_owner = nullptr;
    IntPoint m_screen{};
    std::int32_t m_id = 0;
};

class COverlayChartpoint : public COverlayPoint {
public:
    std::string GetDisplayName() const override { return "Chartpoint overlay"; }
    void Draw(CXDC& dc) override;
    // The pixels round its point the symbol may cover at its size.
    IntRect SymbolBox() const;
    std::string idText;
    std::string name;
};

class COverlayWaypoint : public COverlayPoint {
public:
    std::string GetDisplayName() const override { return "Route waypoint overlay"; }
    void Draw(CXDC& dc) override;
    std::int32_t legType = 0;
    std::int32_t number = 0;   // the waypoint's number in its route, from 1
    std::string text;
    std::string name;
};

// A logged fix: where and when, with five values and a code its track keeps.
class COverlayPositionFix : public COverlayPoint {
public:
    // The date that stands for "no fix yet".
    static app::CDateTimeEx NoFixTime();

    COverlayPositionFix();
    COverlayPositionFix(double latitude, double longitude, double altitude, std::uint16_t datum,
                        const app::CDateTimeEx& fixTime, CChartDoc* owner);
    COverlayPositionFix(const geo::CPosition& position, const app::CDateTimeEx& fixTime,
                        CChartDoc* owner);
    COverlayPositionFix(const COverlayPositionFix& other);
    COverlayPositionFix& operator=(const COverlayPositionFix& other)
    {
        Assign(other);
        return *this;
    }

    std::string GetDisplayName() const override { return "Position fix overlay"; }
    void Draw(CXDC& dc) override;
    // Position, time, values, code and owner.
    virtual void CopyFrom(const COverlayPositionFix& other);
    virtual void Reset();
    void Assign(const COverlayPositionFix& other) { CopyFrom(other); }

    const app::CDateTimeEx& GetFixTime() const { return m_fixTime; }
    void SetFixTime(const app::CDateTimeEx& when) { m_fixTime = when; }
    // The first value is the course that orients the triangle markers.
    std::array<double, 5> values{};
    std::int32_t code = 0;
    // A track does not join this fix to the one before it.
    bool segmentStart = false;

protected:
    app::CDateTimeEx m_fixTime;
};

// A fix of a radar target's track, with the target data its track keeps.
class COverlayARPAPositionFix : public COverlayPositionFix {
public:
    COverlayARPAPositionFix(double latitude, double longitude, double altitude, std::uint16_t datum,
                            const app::CDateTimeEx& fixTime, CChartDoc* owner);
    COverlayARPAPositionFix(const COverlayARPAPositionFix& other);
    void Draw(CXDC& dc) override;
    void CopyFrom(const COverlayPositionFix& other) override;
    void Reset() override;

    std::array<std::array<std::int32_t, 2>, 4> wordPairs{};
    std::int32_t word = 0;
    std::string firstText;
    std::string secondText;
};

class COverlayTargetPositionFix : public COverlayPositionFix {
public:
    COverlayTargetPositionFix(double latitude, double longitude, double altitude,
                              std::uint16_t datum, const app::CDateTimeEx& fixTime,
                              CChartDoc* owner);
    COverlayTargetPositionFix(const COverlayTargetPositionFix& other);
    void Draw(CXDC& dc) override;
};

// The triangle of the target markers: apex on the course, base corners.
struct MarkerTriangle {
    IntPoint apex;
    IntPoint first;   // P1
    IntPoint second;   // P2
};
MarkerTriangle ComputeMarkerTriangle(IntPoint at, double course, double size);

}   // namespace chart
