#pragma once
// A chart without chart data: a window onto the whole world drawn as the
// latitude/longitude grid on the window colour, under the overlays. Positions
// map linearly between the view's corners, a degree of longitude as many
// pixels as a degree of latitude. The view shows all of the current extent
// in the largest rectangle of those proportions that the window holds, at
// its bottom-left corner; zooming in and to a rectangle give the extent the
// window's proportions, widening it to the east (the right) or north (the
// top), so the whole world shows 180 W to 180 E with the window's spare
// height or width left blank. The view changes by zooming alone: it is not
// panned, scrolled or centred on a position. A kind drawn from chart data
// (the vector chart) keeps shapes true instead: a degree of longitude
// cos(the middle latitude) of a degree of latitude, the extent grown about
// its middle.

#include <optional>

#include "charts/vector/VectorChartDoc.h"

namespace charts {

class CBlankChartDoc : public CVectorChartDoc {
public:
    explicit CBlankChartDoc(chart::CChartingModule* module = nullptr);

    int GetChartType() const override { return chart::kChartBlank; }
    std::string GetChartTitle() override { return "Blank World Chart"; }
    bool GetIssueDate(std::string& text) override;
    bool GetUpdateDate(std::string& text) override;
    bool LoadChart() override;
    bool OpenChart(const std::string& path) override;
    int OpenWorldChart(int argument, bool flag) override;
    bool CreatePalettes() override;
    std::uint16_t GetDatumIndex() const override;
    std::string GetHorizontalDatum() override;
    bool GetExtent(geo::CPosition& northWest, geo::CPosition& southEast) const override;
    void GetVisibleRect(geo::IntRect& rect) override;
    bool GetMetresPerPixel(double& metres) override;
    bool GetResolutionText(std::string& text, double& metresPerPixel) override;
    // The view does not pan, scroll or centre: pan steps, scroll requests and
    // centring change nothing (answering 0, 0 and false), and the view only
    // zooms. Asking the scroll position (kScrollQuery) answers where the view
    // lies in the world, in per cent.
    int OnHScroll(int position) override;
    int OnVScroll(int position) override;
    // Zoom In is at its limit when the view's corners share a micro-degree
    // (the vector charts' test); Zoom Out never is.
    bool IsAtMaxZoom() override;
    bool IsAtMinZoom() override;
    bool ZoomIn() override;
    bool ZoomOut() override;
    bool ZoomFull() override;
    bool ZoomToRect(int left, int top, int right, int bottom) override;
    // Shows all of the area, grown about its middle to the window's
    // proportions where the world has room for that.
    void ShowArea(const geo::CPosition& northWest, const geo::CPosition& southEast);
    // The other blank chart's wanted extent, so this one shows what it shows.
    bool TakeOverViewState(chart::CChartDoc& other) override;
    bool UsesScrollBars() const override { return true; }
    bool IsWorldChart() const override { return true; }
    bool HasDatumShift() const override { return true; }
    // The grid is the blank chart's picture; when the grid layer is on, the
    // view draws it over every chart and the picture leaves it out.
    int DrawChart(chart::CXDC& dc) override;

    // Sets the current extent; false (nothing changed but the corners) when
    // its longitudes are equal.
    bool SetViewExtent(const geo::CPosition& northWest, const geo::CPosition& southEast);
    double GetAspect() const { return m_aspect; }
    double GetScaleValue() const { return m_scale; }

    // Scroll position asked without moving.
    static constexpr int kScrollQuery = -1;

protected:
    void RestoreExtent(const geo::CPosition& northWest, const geo::CPosition& southEast) override;

    struct Span {
        double north, west, south, east;
    };
    // The fewest metres a screen pixel may show: zooming in stops there. The
    // blank chart has no chart data to outgrow and gives 0 (no such limit).
    virtual double MinimumMetresPerPixel() const { return 0.0; }
    // The current extent: what the view shows.
    Span Shown() const;
    // A new current extent, moved (or cut, when larger) into the world.
    void SetWanted(Span span);
    // The span moved (or cut, when larger) into the world.
    static Span KeptInWorld(Span span);
    // Shows all of `span`, grown about its middle to the window's proportions
    // when the grown span fits in the world.
    void ShowAll(Span span);
    // Where the view shows `span`: the client area's largest rectangle of the
    // span's proportions (its longitudes by LongitudeShare), at the bottom left.
    geo::IntRect VisibleRectOf(const Span& span) const;
    // The span grown about its middle to the window's proportions.
    Span GrownToWindow(Span span) const;
    // The span given the window's proportions by moving its east or north
    // edge, then held within the world; none for a window of no width.
    std::optional<Span> WidenedToWindow(Span span) const;
    // Whether a view of `span` keeps shapes true (see the class comment).
    virtual bool KeepsShapesTrue(const Span& span) const;
    // The pixels of a degree of longitude over those of a degree of latitude
    // in a view of `span`: cos(its middle latitude), or 1.
    double LongitudeShare(const Span& span) const;
    // Whether one more Zoom In would change the view: false once it would make
    // the corners share a micro-degree or pass the kind's smallest metres per pixel.
    bool CanZoomIn() const { return ZoomedInSpan().has_value(); }
    // Whether the view shows every latitude and every longitude: it cannot grow.
    bool ShowsWholeWorld() const;
    // The span grown about its middle until a pixel shows at least the
    // kind's smallest metres per pixel.
    Span KeptToMinimumResolution(Span span) const;

private:
    // Metres per pixel the view would show for an extent; 0 without a view.
    double MetresPerPixelOf(Span span) const;
    // The wanted extent after one Zoom In; none when zooming in is not possible.
    std::optional<Span> ZoomedInSpan() const;
    // Makes the span the wanted extent unless its corners share a micro-degree.
    bool ZoomTo(Span span);
    bool IsExtentDegenerate(const geo::CPosition& nw, const geo::CPosition& se) const;

    double m_aspect = 0.5;
    double m_scale = 0.0;
    geo::CPosition m_viewNorthWest{90.0, -180.0};
    geo::CPosition m_viewSouthEast{-90.0, 180.0};
};

}   // namespace charts
