#pragma once
// A track drawn on a chart: an owning list of timed position fixes drawn as
// one or more polylines (a fix marked as a segment start is not joined to
// the fix before it). Passage-plan legs hold one; the recorded tracks of the
// own vessel and of targets derive from it and hook into the drawing: where
// it starts (a display limit), its line style, its fix markers and its time
// marks.

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "app/Colour.h"
#include "chart/overlays/OverlayPoint.h"

namespace chart {

class CChartDoc;

struct CTrackLineStyle {
    app::COLORREF marker = 0;   // fix markers (black)
    int width = 1;
    app::COLORREF line = app::RGB(0, 0, 160);
    bool broken = false;
};

class CPlanTrack {
public:
    using Fixes = std::vector<std::unique_ptr<COverlayPositionFix>>;

    CPlanTrack() = default;
    virtual ~CPlanTrack() = default;
    CPlanTrack(const CPlanTrack&) = delete;
    CPlanTrack& operator=(const CPlanTrack&) = delete;

    const Fixes& Points() const { return m_fixes; }
    std::size_t Size() const { return m_fixes.size(); }
    bool IsEmpty() const { return m_fixes.empty(); }
    void Add(std::unique_ptr<COverlayPositionFix> fix) { m_fixes.push_back(std::move(fix)); }
    void RemoveAll() { m_fixes.clear(); }
    // Replaces the points with copies of `other`'s.
    void CopyFrom(const CPlanTrack& other);

    // Draws the line from the first node on; with `decorate`, then the time
    // marks (line pen selected) and the fix markers (1-pixel marker pen).
    virtual void Draw(CChartDoc& doc, CXDC& dc, bool decorate);
    virtual CTrackLineStyle GetLineStyle(int palette) const;
    // The first point drawn; none draws no line (the hooks still run).
    virtual std::optional<std::size_t> GetFirstNodeToDraw(bool limit) const;
    virtual void DrawFixes(CChartDoc& doc, CXDC& dc, std::optional<std::size_t> first);
    virtual void DrawTimeMarks(CChartDoc& doc, CXDC& dc, std::optional<std::size_t> first);

    // The planned-track line every plain track draws with.
    void SetPlannedStyle(const CTrackLineStyle& style) { m_planned = style; }

protected:
    Fixes m_fixes;

private:
    CTrackLineStyle m_planned;
};

}   // namespace chart
