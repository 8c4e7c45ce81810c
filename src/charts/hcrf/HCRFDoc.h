#pragma once
// The raster chart document of both chart services. It finds its chart in
// the catalogue, makes the chart's files reachable (on disk, or on a chart
// medium it asks for), reads the header, catalogue entry and plans, palettes
// and code tables, panels and both rasters (merging update tiles into the
// full-detail one), then draws, zooms, scrolls and converts through its
// panels. Tiles are decoded once into a bounded cache and drawn through the
// device context's 8-bit blit with the active palette.

#include "app/Colour.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "charts/hcrf/ChartCatalogue.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/ChartVerifier.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "charts/hcrf/TileCache.h"

#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace charts::hcrf {

class CHCRFModule;
struct CFolioChart;

// The document's copy of its catalogue record.
struct CCatalogueCopy {
    std::string number, description, chartCd, chartDate, updateCd, updateDate;
    std::uint8_t source = 0;
    std::uint32_t pointer = 0;
    std::int32_t scale = 0;
    std::uint32_t office = 0;
};

class CHCRFDoc : public chart::CChartDoc {
public:
    enum Raster : int { kHigh = 0, kLow = 1 };

    CHCRFDoc(chart::CChartingModule* charting, CHCRFModule* service);
    ~CHCRFDoc() override;

    int GetChartType() const override;
    std::string GetChartTypeName() override;
    bool OpenChart(const std::string& path) override;
    bool LoadChart() override;
    bool CreatePalettes() override;

    // ---- Texts ----
    std::string GetChartTitle() override;
    std::string GetChartNumber() override;
    std::string GetKindText() override { return IsChartLoaded() ? "Chart" : ""; }
    bool GetIssueDate(std::string& text) override;
    bool GetUpdateDate(std::string& text) override;
    std::string GetScaleText() override;
    std::string GetHorizontalDatum() override;
    std::string GetDepthUnits() override;
    // The chart colours of the active display palette a tidal arrow keeps
    // off (the first class: drying areas, land, ...) and draws over (the
    // second: water).
    bool IsColourInFirstClass(app::COLORREF c) const override;
    bool IsColourInSecondClass(app::COLORREF c) const override;
    std::string GetProjection() override;
    std::uint16_t GetDatumIndex() const override;
    bool GetMetresPerPixel(double& metres) override;
    bool GetResolutionText(std::string& text, double& metresPerPixel) override;
    std::string NorthSouthRangeText();
    std::string ManufacturerText() const;
    // The chart information panel's texts.
    std::string GetExtentText() override { return NorthSouthRangeText(); }
    std::string GetManufacturer() override { return ManufacturerText(); }
    std::string GetIssueDateLabel() override { return "Edition Date"; }
    std::string GetUpdateDateLabel() override { return "NtM"; }
    std::string GetHeightUnits() override;
    std::string GetHeightDatum() override;
    std::string GetDepthDatum() override;

    // ---- Drawing, zoom and scroll ----
    void PrepareBuffer(chart::CScreenBuffer& buffer) override;
    int DrawChart(chart::CXDC& dc) override;
    bool SetZoomLevel(int mode, bool flag) override;
    bool SetZoom(int mode, const geo::IntRect* rect);
    bool ZoomToRect(int left, int top, int right, int bottom) override;
    bool ZoomFull() override { return SetZoom(0, nullptr); }
    bool ZoomMax() override { return SetZoom(3, nullptr); }
    bool IsAtMaxZoom() override { return m_active == kHigh && m_scale >= 2.0; }
    bool IsAtMinZoom() override { return m_active == kLow && m_scale <= 0.5; }
    // Makes current the lowest-numbered panel holding the middle of the view,
    // and in it the last sub-panel that does (Zoom In starts from there).
    void SelectPanelAtViewCentre();
    bool ZoomIn() override;
    bool ZoomOut() override;
    bool CentreOnPosition(const geo::CPosition& position, bool chooseSubPanel) override;
    int OnHScroll(int request) override;
    int OnVScroll(int request) override;
    int PanHorizontal(int step) override;
    int PanVertical(int step) override;
    bool UsesScrollBars() const override { return true; }
    // The first size the view gets centres a chart nothing has placed yet on
    // its reference position (the middle of its outline); until the view is
    // moved, a new size (the window maximised) centres it again.
    bool OnViewSize(int width, int height) override;
    bool SelectPanel(unsigned panel, bool redraw);
    // Makes current the sub-panel holding the position that has the smallest
    // scale value, searching every panel from the first with an outline.
    void SelectLargestScaleSubPanelAt(const geo::CPosition& position);
    // Another raster chart's resolution and scale; its panel and scroll too
    // when it is the same chart.
    bool TakeOverViewState(chart::CChartDoc& other) override;

    // ---- Conversions ----
    void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const override;
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override;
    bool PositionToPoint(const geo::CPosition& position, geo::IntPoint& point) override;
    bool PointToPosition(geo::IntPoint point, geo::CPosition& position) override;
    bool PositionToPoints(const geo::CPosition& position, chart::PointList& points) override;
    // Beyond every panel, the main panel's projection.
    bool ProjectBeyondChart(const geo::CPosition& position, geo::IntPoint& point) override;
    bool IsChartPointOnChart(geo::IntPoint point) override;
    bool IsPositionOnChart(const geo::CPosition& position) const override;
    // A line touches the chart when it touches any sub-panel of any panel; a
    // polygon of at least three corners when one of its edges does.
    bool SegmentTouchesChart(const geo::CPosition& a, const geo::CPosition& b) override;
    bool PolygonTouchesChart(std::span<const geo::CPosition> corners) override;
    // Drawn in every sub-panel that holds both positions, each through its
    // own projection: a plan shows the circle on its own picture too.
    void DrawEllipse(chart::CXDC& dc, const geo::CPosition& a, const geo::CPosition& b) override;
    void GetVisibleRect(geo::IntRect& rect) override;
    bool GetExtent(geo::CPosition& northWest, geo::CPosition& southEast) const override;
    int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) override;
    int ShiftToPositionDatum(const geo::CPosition& in, geo::CPosition& out) override;
    bool HasDatumShift() const override;
    void OnMouseMove(geo::IntPoint client) override;
    // The panel and sub-panel the pointer last moved over (or a zoom chose).
    chart::CPanelId GetCurrentPanelId() const override;
    bool IsClientPointInPanel(geo::IntPoint client, chart::CPanelId panel) override;
    bool PanelPositionToClientPoint(const geo::CPosition& position, chart::CPanelId panel,
                                    geo::IntPoint& client) override;

    // ---- Folio ----
    // The folio's raster items whose area overlaps one of the sub-panels.
    bool RebuildFolio() override;
    // The outlines of the other charts and plans of the folio where they lie
    // on this chart and in view, as chart-point pairs: those of larger scale
    // than this chart (cyan) and the rest (magenta).
    void FolioBoxes(std::vector<geo::IntPoint>& larger, std::vector<geo::IntPoint>& others);
    bool DrawFolioBoxes(chart::CXDC& dc) override;
    bool HasLargerScaleChartAt(const geo::CPosition& position) override;
    bool HasSmallerScaleChartAt(const geo::CPosition& position) override;
    bool CanShowLargerScale() override;
    bool CanShowSmallerScale() override;
    void LargerScale() override;
    void SmallerScale() override;
    // The folio chart at a position by mode (0/1
    // smallest scale number, 2 next smaller scale, 3 next larger scale).
    const CFolioChart* FindFolioChart(const geo::CPosition& position, int mode);
    // Opens the folio chart of the mode at the position in this window's
    // place; for mode 3 true only when the chart opened shows the largest
    // scale at the position.
    bool OpenNextScaleChart(const geo::CPosition& position, int mode);
    // With best-chart selection on, the best folio chart at the position
    // takes this window's place; with it off the chart stays while the folio
    // has it at the position, and selection is switched on once it has not.
    // The chart kept or opened is re-centred once the vessel leaves its
    // autoscroll area.
    chart::CChartDoc* AutoscrollToPosition(const geo::CPosition& position) override;
    chart::CChartDoc* OpenBestChartAt(const geo::CPosition& position) override;
    bool IsWorldChart() const override;
    int OpenWorldChart(int argument, bool flag) override;

    // ---- The chart dialogs (HCRFDocDialogs.cpp) ----
    bool HasInformationMenu() override { return IsChartLoaded(); }
    bool CanShowChartsForVessel() override { return IsChartLoaded(); }
    bool CanShowChartsForCursor() override { return IsChartLoaded(); }
    // "Charts Available" for a position, "Chart Notes" and the notices, shown
    // by the program's windows.
    void ShowChartsAtPosition(const geo::CPosition& position);
    void ShowChartNotes();
    void ShowNoticesToMariners();
    // Opens a folio chart at full detail, in a new chart window or in place
    // of the current one (in a window of `windowState`), selects its panel
    // and centres it on `position`; the new document, or none.
    CHCRFDoc* OpenChartAtPosition(const CFolioChart& item, const geo::CPosition& position,
                                  bool newWindow, int windowState = chart::kFrameNormal);
    // Room for another ordinary chart window.
    bool CanOpenChartWindow() const;
    struct CNoteLine {
        std::string text;
        CNoteRecord note;
    };
    // One line per note of the current panel: its type's text from the
    // chart's note types, or the type itself when the table lacks it.
    std::vector<CNoteLine> NoteLines() const;
    // Full detail, the note's middle scrolled to the middle of the view.
    bool GotoNote(const CNoteRecord& note);
    // The folder of the notices that came with the chart ("Temp_NM").
    std::filesystem::path NoticesFolder() const;

    // ---- Placement ----
    void RestoreWindowPlacement(app::CRegistry& registry) override;
    void SaveWindowPlacement(app::CRegistry& registry) override;

    // ---- Verification ----
    bool CanVerify() override;
    bool ReadsFromSourceFolder() const override { return (m_record.source & 1) == 0; }
    void VerifyIntegrity() override;
    // Stops and joins a running check; the dialog closes through this.
    void EndVerification();
    CChartVerifier& Verifier() { return m_verifier; }
    // Called when the document goes, so an open verification window closes first.
    void SetVerificationCloser(std::function<void()> closer)
    {
        m_closeVerification = std::move(closer);
    }

    // ---- State (tests and the view) ----
    int ActiveRaster() const { return m_active; }
    double DisplayScale() const { return m_scale; }
    geo::IntPoint ScrollPosition() const { return m_scroll; }
    const CTileRaster& HighRaster() const { return m_high; }
    const CTileRaster& LowRaster() const { return m_low; }
    const std::vector<std::string>& UpdatedTiles() const { return m_updatedTiles; }
    const std::string& UpdateLabel() const { return m_updateLabel; }
    const CCatalogueCopy& Record() const { return m_record; }
    const CARCSCatEntry& Entry() const { return m_entry; }
    const std::vector<CPanel>& Panels() const { return m_panels; }
    std::size_t CurrentPanel() const { return m_currentPanel; }
    const CTileCache& Cache() const { return m_cache; }
    CHCRFModule* Service() const { return m_service; }
    std::mutex& TileLock() { return m_tileLock; }
    // The folder update files of a chart on media are copied to while merged.
    const std::filesystem::path& UpdateScratch() const { return m_updateScratch; }

private:
    bool MakeChartFilesReachable();
    bool FetchUpdateFiles();
    bool LoadRaster(int raster);
    bool LoadHighWithUpdates();
    const CSubPanel* CurrentSubPanel() const;
    bool FolioItemOverlaps(const CFolioChart& item) const;
    double LowRatio() const
    {
        return m_active == kLow ? m_header.generalInfo.LowResolutionRatio() : 1.0;
    }
    int TileSize() const { return int(128 * m_scale); }
    const CTileRaster& ActiveData() const { return m_active == kHigh ? m_high : m_low; }
    geo::IntRect ClientArea();
    // The position under a client point or the view's centre, when it has one;
    // a zoom centres the view on it again.
    std::optional<geo::CPosition> PositionAtClientPoint(geo::IntPoint client);
    std::optional<geo::CPosition> PositionAtViewCentre();
    void ClampScroll();
    // One axis of a pan or a scroll bar (the bar's percentage counts from the
    // picture's left or top, as the bar shows it); `scroll` is that axis of m_scroll.
    int PanAlong(int& scroll, int pictureSize, int viewSize, int step);
    int ScrollBarAlong(int& scroll, double pictureSize, int viewSize, int request);
    void SetScaleMessages();
    void ChartChanged(bool zoomed);
    std::filesystem::path ChartFile(std::string_view extension) const;

    CHCRFModule* m_service;
    std::string m_fileName;   // the chart's file name without extension
    CCatalogueCopy m_record;
    CHCRFHeader m_header;
    Bytes m_headerBytes;
    CARCSCatEntry m_entry;
    std::vector<CPlanCatEntry> m_plans;
    CodeTable m_highTable{}, m_lowTable{};
    CTileRaster m_high, m_low;
    std::vector<CPanel> m_panels;
    std::size_t m_currentPanel = 0;
    bool m_mainWithoutOutline = false;
    geo::IntRect m_pixelExtent;
    std::string m_updateLabel;
    std::vector<std::string> m_updatedTiles;
    std::set<std::pair<unsigned, unsigned>> m_updatedSet;
    std::filesystem::path m_updateScratch;
    CLookupTable m_noteTypes;

    int m_active = kHigh;
    double m_scale = 1.0;
    geo::IntPoint m_scroll{0, 0}, m_lastDrawn{0, 0}, m_savedScroll{0, 0};
    geo::IntPoint m_panelOrigin{0, 0};
    bool m_placed = false;
    bool m_autoCentred = false;   // centred by the view's size, not moved since

    std::mutex m_tileLock;
    CTileCache m_cache;
    CChartVerifier m_verifier;
    bool m_verificationOpen = false;
    std::function<void()> m_closeVerification;
    app::MsgHandle m_hMsgOverscale = nullptr;
    app::MsgHandle m_hMsgUnderscale = nullptr;
};

}   // namespace charts::hcrf
