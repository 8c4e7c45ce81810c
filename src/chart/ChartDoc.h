#pragma once
// The chart document base: what every chart kind (raster charts of the two
// chart services, blank charts, vector charts) gives the chart view, the
// overlays, the charting module and the navigator. The base keeps the chart's
// name, title and placement, the folio items it may use, its Day, Dusk and
// Night colour tables, opening and closing with the frame's messages, and the
// conversion of positions to the client points they are drawn at. A kind
// overrides the virtual operations; the base answers as a document with no
// chart would.
//
// Owned by the window layer's document object, which gives it an identity
// for posted messages; it reaches its window only through CChartWindow.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/Colour.h"
#include "app/MsgBar.h"
#include "chart/ChartGeometry.h"
#include "chart/PositionFixRuns.h"
#include "geo/Clipping.h"
#include "geo/Position.h"

namespace app {
class CRegistry;
}

namespace chart {

class CChartingModule;
class CChartObject;
class CChartWindow;
class CScreenBuffer;
struct CFolioItem;

using PointList = std::vector<geo::IntPoint>;

// One panel of a chart and one of its sub-panels.
struct CPanelId {
    std::uint8_t panel = 0;
    std::uint8_t subPanel = 0;
    bool operator==(const CPanelId&) const = default;
};
// A chart's colours as the buffers draw them (0xFFRRGGBB).
using ColourTable = CPaletteTable;

enum ChartKind : int {
    kChartBase = 0,
    kChartARCS = 1,
    kChartSeafarer = 2,
    kChartBlank = 3,
    kChartLivechart = 4
};

// Results of the datum shifts; callers treat 4 as failure, anything else as success.
enum DatumShiftStatus : int {
    kShiftNotWGS84 = 1,   // the position is not in WGS 84: passed on unchanged
    kShiftNone = 2,   // no shift data, or the chart datum is the fallback: copied
    kShiftChartWGS84 = 3,   // the chart datum is WGS 84: copied
};
static_assert(kShiftNotOnChart == 4);

enum DisplayPaletteIndex : int { kPaletteDay = 0, kPaletteDusk = 1, kPaletteNight = 2 };

// Charts paint land in buff, yellow and brown and water in white and blue, in
// every palette: what lies under a tidal arrow is told by hue.
inline bool IsLandHue(COLORREF c)
{
    const int r = int(app::GetRValue(c)), g = int(app::GetGValue(c)), b = int(app::GetBValue(c));
    return r > b + 24 && g > b;
}
inline bool IsWaterHue(COLORREF c)
{
    const int r = int(app::GetRValue(c)), g = int(app::GetGValue(c)), b = int(app::GetBValue(c));
    return b >= r && b + 8 >= g && b > 0;
}

inline constexpr const char* kUnableToLoadChart = "Unable to load chart";

class CChartDoc : public CChartGeometry {
public:
    explicit CChartDoc(CChartingModule* module = nullptr);
    ~CChartDoc() override;
    CChartDoc(const CChartDoc&) = delete;
    CChartDoc& operator=(const CChartDoc&) = delete;

    // ---- Window and module -------------------------------------------------
    void AttachWindow(CChartWindow* window) { m_window = window; }
    CChartWindow* GetChartFrame() const { return m_window; }
    CChartingModule* Module() const { return m_module; }

    const std::string& GetName() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& GetPathName() const { return m_path; }
    bool IsLoaded() const { return m_loaded; }
    void SetSuppressFailureMessage(bool on) { m_suppressFailure = on; }
    // Set by a chart kind whose open asked for the chart's medium and was
    // cancelled there: the failed open then gives no "Unable to load chart"
    // notice, since the user chose it.
    bool PromptCancelled() const { return m_promptCancelled; }
    bool& PromptCancelledFlag() { return m_promptCancelled; }

    // ---- Opening and closing -----------------------------------------------
    // Opens the chart named by the path (an empty path is the blank chart in
    // the program folder): registers the frame's messages, fills the folio
    // and the fix runs and joins the module's frame list. A failure switches
    // on "Unable to load chart" for ten seconds unless suppressed.
    bool OnOpenDocument(const std::string& path);
    // Releases what the open registered. The frame leaves the module's list
    // whatever else fails, so no list ever names a frame that is going away.
    void OnCloseDocument();

    // ---- The kind's operations, in the order the view and overlays use them --
    virtual int GetChartType() const { return kChartBase; }
    virtual bool HasLargerScaleChartAt(const geo::CPosition&) { return false; }
    virtual bool HasSmallerScaleChartAt(const geo::CPosition&) { return false; }
    virtual void PrepareBuffer(CScreenBuffer&) { }
    virtual void InvalidateChart();
    virtual void InvalidateOverlays();
    virtual bool CanShowChartsForVessel() { return false; }
    virtual bool CanShowChartsForCursor() { return false; }
    virtual bool HasInformationMenu() { return false; }
    virtual bool LoadChart() { return false; }
    virtual bool GetIssueDate(std::string&) { return false; }
    virtual bool GetUpdateDate(std::string&) { return false; }
    virtual std::string GetChartTitle() { return {}; }
    virtual void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const { out = in; }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override { out = in; }
    virtual bool OpenChart(const std::string& /*path*/) { return false; }
    virtual int OpenWorldChart(int /*argument*/, bool /*flag*/) { return 0; }
    virtual void OnMouseMove(geo::IntPoint) { }
    virtual bool DrawGrid(CXDC&) { return false; }
    virtual int DrawChart(CXDC&) { return 0; }
    virtual bool SetZoomLevel(int /*level*/, bool /*flag*/) { return false; }
    virtual bool ZoomToRect(int /*left*/, int /*top*/, int /*right*/, int /*bottom*/)
    {
        return false;
    }
    virtual bool ZoomFull() { return false; }
    // Zooms in until the kind refuses; true.
    virtual bool ZoomMax();
    virtual bool IsAtMaxZoom() { return false; }
    virtual bool ZoomIn() { return false; }
    virtual bool IsAtMinZoom() { return false; }
    virtual bool ZoomOut() { return false; }
    virtual bool OnViewSize(int /*width*/, int /*height*/) { return true; }
    virtual bool CentreOnPosition(const geo::CPosition&, bool /*flag*/) { return false; }
    // Scroll-bar position 0..100 of the chart as the bar shows it (0 its west
    // or north edge, 100 its east or south one); a request of -1 asks without
    // moving and is answered -1 when the kind has no scroll bar.
    virtual int OnHScroll(int /*request*/) { return -1; }
    virtual int OnVScroll(int /*request*/) { return -1; }
    virtual int PanHorizontal(int /*step*/) { return 0; }
    virtual int PanVertical(int /*step*/) { return 0; }
    virtual bool UsesScrollBars() const { return false; }
    virtual bool TakeOverViewState(CChartDoc&) { return true; }
    virtual std::string GetChartNumber() { return {}; }
    virtual std::string GetChartTypeName() { return {}; }
    virtual std::uint16_t GetDatumIndex() const;
    virtual std::string GetHorizontalDatum() { return {}; }
    virtual std::string GetDepthUnits() { return {}; }
    virtual std::string GetScaleText() { return {}; }
    virtual std::string GetKindText() { return {}; }
    virtual std::string GetProjection() { return m_projection; }
    // The north-south range of the chart as text ("30nm"); may be padded in front.
    virtual std::string GetExtentText() { return {}; }
    // The rest of the chart information texts; a kind fills those it knows.
    virtual std::string GetManufacturer() { return {}; }
    virtual std::string GetIssueDateLabel() { return "Issue Date"; }
    virtual std::string GetUpdateDateLabel() { return "Updated"; }
    virtual std::string GetHeightUnits() { return {}; }
    virtual std::string GetHeightDatum() { return {}; }
    virtual std::string GetDepthDatum() { return {}; }
    virtual std::string GetBuoyage() { return {}; }
    virtual std::string GetCautionaryNotes() { return {}; }
    virtual bool PolygonTouchesChart(std::span<const geo::CPosition>) { return true; }
    virtual bool SegmentTouchesChart(const geo::CPosition&, const geo::CPosition&) { return true; }
    virtual bool GetExtent(geo::CPosition& /*northWest*/, geo::CPosition& /*southEast*/) const
    {
        return false;
    }
    // The metres per pixel as text with 0, 1 or 2 decimals; "Error" and
    // false when the chart is not loaded or has no figure.
    virtual bool GetResolutionText(std::string& text, double& metresPerPixel);
    // The chart area of the view in chart coordinates; the base leaves it.
    void GetVisibleRect(geo::IntRect&) override { }
    virtual bool GetMetresPerPixel(double&) { return false; }
    virtual bool IsWorldChart() const { return false; }
    virtual bool IsChartLoaded() const { return m_loaded; }
    virtual bool DrawFolioBoxes(CXDC&) { return false; }
    virtual bool RebuildFolio();
    virtual void ClearFolio();
    virtual bool BuildPositionFixOverlays();
    // Keeps the vessel at `position` (in the chart's datum) in view while it
    // moves: re-centres the chart once the position leaves the autoscroll
    // area, or, where the kind chooses charts by position, moves to the chart
    // that should show it. Returns the newly opened chart document, or none
    // when this one still shows the vessel.
    virtual CChartDoc* AutoscrollToPosition(const geo::CPosition& position);
    // Where the kind chooses charts by position: opens the chart that best
    // shows `position` in this chart's window, centred on it. The document
    // now showing it, or none when no chart of the kind covers it.
    virtual CChartDoc* OpenBestChartAt(const geo::CPosition& /*position*/) { return nullptr; }
    // The position lies in the centred autoscroll-area per cent of the
    // visible rectangle.
    virtual bool IsInAutoscrollArea(const geo::CPosition& position);
    bool PositionToPoint(const geo::CPosition&, geo::IntPoint&) override { return false; }
    virtual bool PointToPosition(geo::IntPoint, geo::CPosition&) { return false; }
    // Appends every chart point the position is shown at.
    virtual bool PositionToPoints(const geo::CPosition&, PointList&) { return false; }
    // The chart point a line heads for toward a position the chart does not
    // show: its projection carried past the chart's edge.
    virtual bool ProjectBeyondChart(const geo::CPosition& position, geo::IntPoint& chartPoint)
    {
        return PositionToPoint(position, chartPoint);
    }
    // PositionToPoints, then every appended point to client coordinates.
    virtual bool ChartPositionToClientPoints(const geo::CPosition& position, PointList& points);
    virtual bool IsChartPointOnChart(geo::IntPoint) { return false; }
    virtual bool IsPositionOnChart(const geo::CPosition&) const { return false; }
    virtual bool GetCentrePosition(geo::CPosition& position);
    virtual bool CreatePalettes();
    virtual int ShiftToPositionDatum(const geo::CPosition& in, geo::CPosition& out);
    int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) override;
    virtual bool HasDatumShift() const { return false; }
    // Placement and centre under the key the caller has opened.
    virtual void RestoreWindowPlacement(app::CRegistry& registry);
    virtual void SaveWindowPlacement(app::CRegistry& registry);
    virtual bool CanShowLargerScale() { return false; }
    virtual bool CanShowSmallerScale() { return false; }
    virtual void LargerScale() { }
    virtual void SmallerScale() { }
    virtual void BeginDrag(geo::IntPoint point, bool continuing);
    virtual void DragTo(geo::IntPoint) { }
    virtual void EndDrag(geo::IntPoint) { }
    virtual void DrawDragRect(CXDC&) { }
    // Screen colours of the chart's two colour classes (the tidal arrows
    // draw over the second and keep off the first).
    virtual bool IsColourInFirstClass(COLORREF) const { return false; }
    virtual bool IsColourInSecondClass(COLORREF) const { return false; }
    // When the object's position is on the chart: its screen point, then
    // the object drawn there with `argument`.
    virtual void DrawChartObject(CXDC& dc, CChartObject& object, int argument);
    // The integrity check of a raster chart: possible while its full-detail
    // raster is in memory and no check is open; the check starts here.
    virtual bool CanVerify() { return false; }
    // Whether the chart still reads its files through the source folder (the
    // chart medium): a new source folder closes it, and only it.
    virtual bool ReadsFromSourceFolder() const { return false; }
    virtual void VerifyIntegrity() { }

    // ---- Panels --------------------------------------------------------------
    // A raster chart shows a main panel and its insets, each with a
    // projection of its own; a point is converted through the panel it lies
    // in. Kinds without panels answer as one panel covering the chart.
    virtual CPanelId GetCurrentPanelId() const { return {}; }
    // The client point lies in a sub-panel of `panel`.
    virtual bool IsClientPointInPanel(geo::IntPoint client, CPanelId /*panel*/)
    {
        return IsClientPointOnChart(client);
    }
    // The client point of a position through the projection of `panel`
    // (its panel and sub-panel), also where another panel covers the place.
    virtual bool PanelPositionToClientPoint(const geo::CPosition& position, CPanelId panel,
                                            geo::IntPoint& client);

    // ---- Shared operations -------------------------------------------------
    // The window title: name, then chart number, datum, depth units, scale
    // and chart title, each non-empty part after " - "; "[Autoscroll] - " or
    // "[Print Preview] - " in front by frame state.
    std::string ComposeTitle();
    void SetTitle();
    const std::string& GetTitle() const { return m_title; }

    // Shifts to the chart datum and appends the client points; true when any.
    // `points` is the caller's, emptied first and reused from call to call.
    bool PositionToClientPoints(const geo::CPosition& position, PointList& points);
    // The client point a line toward the position heads for, also when the
    // position lies beyond the chart's edge (a track leaving the chart, a
    // leg to a waypoint on a neighbouring chart): the chart's projection
    // carried past its edge, after the datum shift where it applies. Symbols
    // and markers keep to PositionToClientPoints; a line placed here is drawn
    // clipped to VisibleClientRect. `onChart` tells the two kinds apart.
    // False when the chart cannot place the position at all.
    bool PositionToLinePoint(const geo::CPosition& position, geo::IntPoint& point,
                             bool* onChart = nullptr);
    bool IsClientPointOnChart(geo::IntPoint point);
    bool IsPositionVisible(const geo::CPosition& position);

    void PanUp() { PanBy(false, -1, false); }
    void PanDown() { PanBy(false, 1, false); }
    void PanLeft() { PanBy(true, -1, false); }
    void PanRight() { PanBy(true, 1, false); }
    void PanUpLarge() { PanBy(false, -1, true); }
    void PanDownLarge() { PanBy(false, 1, true); }
    void PanLeftLarge() { PanBy(true, -1, true); }
    void PanRightLarge() { PanBy(true, 1, true); }

    // The colour table of a display palette (Dusk 1, Night 2, Day otherwise).
    const ColourTable& GetPaletteColours(int paletteIndex) const;
    std::uint16_t GetColourCount() const { return m_colourCount; }
    // Fills `out` with the Day table dimmed by `percent`.
    void BuildDimmedPalette(ColourTable& out, int percent) const;

    const std::vector<const CFolioItem*>& Folio() const { return m_folio; }
    // The own vessel's logged fixes and the runs of them drawn on this chart.
    const std::vector<geo::CPosition>& PositionFixes() const { return m_fixes; }
    const std::vector<CFixRunPoint>& PositionFixRuns() const { return m_fixRuns; }
    const geo::CPosition& GetReferencePosition() const { return m_referencePosition; }
    geo::IntRect& DragRect() { return m_dragRect; }
    const geo::IntRect& DragRect() const { return m_dragRect; }

    // Message handles in the frame's bar. The view switches the two
    // "cannot be referenced" handles (priorities 14000 and 15000).
    app::MsgHandle DatumMismatchMessage() const { return m_hMsgDatumMismatch; }
    app::MsgHandle NoShiftMessage() const { return m_hMsgNoShift; }
    app::MsgHandle& NoReferenceMessage(int i) { return m_hMsgNoReference[i & 1]; }

protected:
    void SetProjectionText(std::string text) { m_projection = std::move(text); }
    void SetWholeExtent(const geo::CPosition& northWest, const geo::CPosition& southEast);
    const geo::CPosition& WholeNorthWest() const { return m_extentNorthWest; }
    const geo::CPosition& WholeSouthEast() const { return m_extentSouthEast; }
    void SetReferencePosition(const geo::CPosition& p) { m_referencePosition = p; }
    ColourTable& Colours(int paletteIndex)
    {
        return m_colours[paletteIndex < 0 || paletteIndex > 2 ? 0 : paletteIndex];
    }
    void SetColourCount(std::uint16_t n) { m_colourCount = n; }
    geo::IntRect ViewClientRect();
    // The autoscroll-area per cent the navigator holds (100 without one).
    int AutoscrollAreaPercent();
    // Keeps of the folio list only the items `keep` answers true for.
    void RetainFolioItems(const std::function<bool(const CFolioItem&)>& keep);

private:
    void PanBy(bool horizontal, int sign, bool large);
    void RegisterFrameMessages(app::CMsgBar& bar);
    void RemoveFrameMessages(app::CMsgBar& bar);

    CChartingModule* m_module;
    CChartWindow* m_window = nullptr;
    std::string m_name;
    std::string m_path;
    std::string m_title;
    bool m_suppressFailure = false;
    bool m_promptCancelled = false;
    std::vector<const CFolioItem*> m_folio;   // the module's items, never owned here
    std::vector<geo::CPosition> m_fixes;
    std::vector<CFixRunPoint> m_fixRuns;
    geo::CPosition m_referencePosition;
    geo::CPosition m_extentNorthWest{-90.0, 180.0};
    geo::CPosition m_extentSouthEast{90.0, -180.0};
    bool m_loaded = false;
    std::uint16_t m_colourCount = 0;
    std::array<ColourTable, 3> m_colours{};
    std::string m_projection;
    app::MsgHandle m_hMsgDatumMismatch = nullptr;
    app::MsgHandle m_hMsgNoShift = nullptr;
    std::array<app::MsgHandle, 2> m_hMsgNoReference{};
    geo::IntRect m_dragRect;
};

}   // namespace chart
