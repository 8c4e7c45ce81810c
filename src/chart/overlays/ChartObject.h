#pragma once
// Positioned things on the chart with a screen point and a bounding
// rectangle that a rectangle hit-tests: the base of the chartpoint layer, the
// selected route, direction arrows and tidal-stream arrows.

#include <cstdint>

#include "chart/draw/XDC.h"
#include "geo/Position.h"

namespace chart {

class CChartDoc;

class CChartObject {
public:
    explicit CChartObject(CChartDoc* owner = nullptr) : m_owner(owner) { m_position.Invalidate(); }
    virtual ~CChartObject() = default;

    virtual void Draw(CXDC&) { }
    // Draws at a given client point; `mode` is the drawing argument.
    virtual void DrawOn(CXDC&, IntPoint, int /*mode*/) { }
    // This object when the rectangle touches its bounds, else none.
    virtual CChartObject* HitTest(const IntRect& rect);
    // Bounds = the offset rectangle moved to the screen point.
    virtual void UpdateBounds();
    virtual void SetPosition(const geo::CPosition& position);

    // The position in the chart's datum to its client point, then the bounds.
    void UpdateScreenPosition();
    // Reset to the point, or grown to take it in with a pixel to spare.
    void ExtendBounds(int x, int y, bool reset);

    CChartDoc* GetOwner() const { return m_owner; }
    const geo::CPosition& GetPosition() const { return m_position; }
    IntPoint GetScreenPoint() const { return m_screen; }
    const IntRect& GetBounds() const { return m_bounds; }
    void SetOffset(const IntRect& offset) { m_offset = offset; }
    std::int32_t word = 0;

protected:
    CChartDoc* m_owner;
    geo::CPosition m_position;
    IntPoint m_screen{};
    IntRect m_bounds{0, 0, 1, 1};
    IntRect m_offset{0, 0, 0, 0};
};

// An arrow on the chart; the first hit-test after it is made passes it by.
class CChartVector : public CChartObject {
public:
    using CChartObject::CChartObject;
    CChartObject* HitTest(const IntRect& rect) override;

private:
    bool m_firstHit = true;
};

}   // namespace chart
