#pragma once
// The document of one vector chart file (".b", imported from S-57 cells):
// the chart's features drawn through the drawing layer over the vector base's
// linear mapping, so overlays placed by PositionToPoint sit on the chart,
// with a mile as long across as up at the view's middle latitude;
// zooming as the blank chart does, and panning, scrolling and centring of
// its own (the blank chart does none of those), within the chart's extent.
// Its information block gives the chart's number, dates, datums, units,
// buoyage and notes.

#include <filesystem>
#include <memory>
#include <optional>

#include "charts/vector/BlankChartDoc.h"
#include "charts/vector/LiveChartDraw.h"
#include "engines/vector/Folio.h"
#include "engines/vector/VChartStore.h"

namespace charts {

class CLiveChartService;

class CLiveChartDoc : public CBlankChartDoc {
public:
    explicit CLiveChartDoc(chart::CChartingModule* module = nullptr);
    ~CLiveChartDoc() override;

    int GetChartType() const override { return chart::kChartLivechart; }
    bool OpenChart(const std::string& path) override;
    bool LoadChart() override;
    int DrawChart(chart::CXDC& dc) override;
    // "Chart boundaries": the outlines of the folio's other charts where they
    // cross the view, larger-scale charts in cyan, the others in magenta.
    bool DrawFolioBoxes(chart::CXDC& dc) override;
    // Land (buff, brown) and water (white, blues) by hue, as on raster
    // charts, so tidal arrows draw over the chart's water.
    bool IsColourInFirstClass(app::COLORREF c) const override { return chart::IsLandHue(c); }
    bool IsColourInSecondClass(app::COLORREF c) const override { return chart::IsWaterHue(c); }
    bool IsWorldChart() const override;
    // Loaded once the chart opened and while the folio file lies in the
    // chart folder: without a folio the folder's charts cannot be found for
    // one another, and the chart is neither drawn nor zoomed.
    bool IsChartLoaded() const override;
    // The engine's window takes the view's new size: the chart fills it round
    // the middle of what was shown, with no blank strip beside it.
    bool OnViewSize(int width, int height) override;
    // The other document (the one whose view would be taken over) shows its
    // whole chart; this one keeps the view it opened with.
    bool TakeOverViewState(chart::CChartDoc& other) override;
    // The vector world chart "LCWORLD.b" of the chart folder, whole, in place
    // of this window (argument set) or beside it; 0 when it is not there.
    int OpenWorldChart(int argument, bool flag) override;
    // A chart on WGS 84 takes positions as they come: no shift is missing.
    bool HasDatumShift() const override;
    std::string GetChartTitle() override;
    std::string GetChartNumber() override;
    bool GetIssueDate(std::string& text) override;
    bool GetUpdateDate(std::string& text) override;
    std::uint16_t GetDatumIndex() const override;
    std::string GetHorizontalDatum() override;
    std::string GetDepthUnits() override;
    std::string GetScaleText() override;
    std::string GetHeightDatum() override;
    std::string GetDepthDatum() override;
    std::string GetBuoyage() override;
    std::string GetManufacturer() override { return "LIVECHART"; }
    // The texts of the chart's caution areas and notes, as one clean line;
    // read once per chart.
    std::string GetCautionaryNotes() override;

    // Zooming past the chart's own scale moves to the folio's best chart for
    // the area: a larger-scale chart covering the view on zooming in, the
    // next smaller-scale chart covering this one on zooming out. Zooming out
    // with no smaller-scale chart stops once the whole chart is in view.
    bool ZoomIn() override;
    bool ZoomOut() override;
    // Zoom In greys out once the next step would pass eight times the chart's
    // own scale (or make the corners share a micro-degree).
    bool IsAtMaxZoom() override;
    bool IsAtMinZoom() override;
    // Full shows all of the chart, the window's spare width or height beside it.
    bool ZoomFull() override;
    // The zoom rectangle takes the largest-scale folio chart covering it.
    bool ZoomToRect(int left, int top, int right, int bottom) override;
    // A position on the chart is brought to the middle of the view. For one
    // off it, the largest-scale folio chart covering a view of this size
    // round the position takes this window's place (unless `stay` is set,
    // when the view moves there on this chart); false when no chart covers it.
    bool CentreOnPosition(const geo::CPosition& position, bool stay) override;
    // The scroll bars span this chart, not the world: a position p centres the
    // view where it shows the part p per cent of the way from the chart's west
    // (north) edge to its east (south) one; asking answers where the view is,
    // or -1 when it shows the chart's whole width (height).
    int OnHScroll(int position) override;
    int OnVScroll(int position) override;
    // A pan step centres the view on the point the step away from its middle
    // (off this chart, a neighbouring folio chart takes over); no step is
    // taken toward an edge of the chart already in view.
    int PanHorizontal(int step) override;
    int PanVertical(int step) override;
    // The chart for the vessel takes this window's place, showing a view of
    // this size round the vessel (within the new chart's own zoom range), when
    // it is not this chart: with best chart selection on the folio's
    // largest-scale chart holding the vessel, else its largest-scale chart
    // covering that view. Otherwise the view is re-centred once the vessel
    // leaves its autoscroll area.
    chart::CChartDoc* AutoscrollToPosition(const geo::CPosition& position) override;

    const vengine::CVChartFile* File() const { return m_file.get(); }
    // The error of the last failed open.
    const std::string& OpenError() const { return m_openError; }

    // A chart drawn up to eight times its own scale on a standard 0.28 mm
    // pixel: further in, its detail is stretched past use.
    static constexpr double kMostOverscale = 8.0;

protected:
    double MinimumMetresPerPixel() const override;
    // A vector chart keeps shapes true at every size.
    bool KeepsShapesTrue(const Span&) const override { return true; }

private:
    CLiveChartService* Service() const;
    // The service's chart folder, where the folio and the charts it names
    // lie, wherever this chart's own file was opened from; the file's own
    // folder only for a document without the service.
    std::filesystem::path ChartFolder() const;
    // Opens the folio chart `name` in this window's place showing the area;
    // the new document, or none.
    CLiveChartDoc* OpenFolioChart(const std::string& name, const geo::CPosition& northWest,
                                  const geo::CPosition& southEast);
    // The area of the current view's size with `position` in its middle.
    bool ViewSizedAreaAt(const geo::CPosition& position, geo::CPosition& northWest,
                         geo::CPosition& southEast) const;
    // The folio's largest-scale chart holding the position.
    std::optional<vengine::FolioRecord> LargestScaleChartAt(const geo::CPosition& position) const;
    // After a chart change: the view shown kept within this chart's zoom
    // range, the vessel in its middle.
    void KeepDisplayScale(const geo::CPosition& position);
    // The folio's largest-scale chart covering the area, whatever its scale.
    std::optional<vengine::FolioRecord> ChartCovering(const geo::CPosition& northWest,
                                                      const geo::CPosition& southEast) const;
    std::int32_t Scale() const;
    int PanBy(int dx, int dy);
    // A pan step without a chart file: the view moves by the step's pixels.
    int MoveShownBy(int dx, int dy);
    // Moves the view so the position is at its middle, as far as the world's
    // edges allow; true when the view moved.
    bool MoveCentreTo(const geo::CPosition& position);
    // Moves what is shown by degrees, kept within the world with its spans.
    void MoveExtent(double dLat, double dLon);
    // After zooming in: the folio's largest-scale chart covering the view,
    // when its scale is larger than this chart's, takes this window's place;
    // at the most overscaled view, the larger-scale chart under its centre.
    void MoveToLargerScaleChart();
    // The folio's next smaller-scale chart covering all of this one.
    std::optional<std::string> SmallerScaleChart() const;
    bool WholeChartInView() const;
    bool DateText(std::size_t year, std::size_t month, std::size_t day, std::string& text) const;

    std::string ReadCautionaryNotes() const;

    std::unique_ptr<vengine::CVChartFile> m_file;
    std::string m_openError;
    std::optional<std::string> m_notes;
    // Whether the folio had a smaller-scale chart covering this one when it
    // was last read (at open and on each Zoom Out).
    bool m_hasSmallerScaleChart = false;
    // The service this chart is counted with as open, while it exists.
    std::weak_ptr<CLiveChartService*> m_countedBy;
};

}   // namespace charts
