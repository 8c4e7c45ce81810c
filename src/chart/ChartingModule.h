#pragma once
// The module that owns every chart window: the list of chart frames (most
// recently active first), the workspace's chart settings, the folio of
// installed charts, the chart services handed over by the shell, and the
// redraws of all chart views. Module name "Chart", also its settings key.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "chart/ChartModule.h"
#include "chart/ViewUpdateHints.h"
#include "geo/Position.h"

namespace app {
class CDisplayPalettes;
}

namespace chart {

class CChartDoc;
class CChartWindow;
struct COwnVesselValues;
struct COwnVesselStyle;

// The chart settings of a workspace, with their defaults.
struct CChartSettings {
    std::uint8_t lineWidth = 1;
    std::uint8_t maxCharts = 3;
    bool drawFolioBoxes = true;
    bool drawLatLongGrid = false;
    bool drawUpdateBoxes = false;
    std::int32_t smallPanStep = 50;
    std::int32_t largePanStep = 200;
    // Kept as stored: a value outside 1 to 4 is written back as it was and
    // brought into range once written; drawing uses FocusBoxWidth().
    std::uint8_t focusBoxLineWidth = 3;
    // Day, Dusk, Night as 0x00BBGGRR (red in the low byte).
    std::array<std::uint32_t, 3> focusBoxColour{0x000000, 0xFFFFFF, 0xAFAFAF};

    // The focus box's pen width in use: the stored width kept in 1 to 4.
    int FocusBoxWidth() const { return std::clamp<int>(focusBoxLineWidth, 1, 4); }
};

// What the program gives the module. Every hook may be left empty in tests.
struct CChartingServices {
    app::CMsgBar* frameMsgBar = nullptr;   // the main frame's bar
    std::string programFolder;
    std::string defaultChartsFolder;
    std::vector<std::unique_ptr<CChartModule>> chartServices;
    // Opens a chart as the main frame does (path, replace, window id).
    std::function<CChartDoc*(const std::string&, bool, int)> openChart;
    // Closes a document with its window (the window layer's close).
    std::function<void(CChartDoc*)> closeDocument;
    // The document of the main frame's active child window, if a chart.
    std::function<CChartDoc*()> activeDocument;
    // Tells the main frame, before returning, that what the chartpoint panel
    // shows of the chart may have changed (the part of a chart under the
    // mouse became current): the panel shows the chartpoint again.
    std::function<void()> chartpointChanged;
    std::function<std::uint64_t()> availableMemory;
    // Screen width, height and bits per pixel for the buffer estimate.
    std::function<std::array<int, 3>()> screenFacts;
    std::function<geo::CPositionFormat()> positionFormat;
    // The own vessel as the navigator knows it now; false while it has no
    // position. Every chart view draws it at each paint.
    std::function<bool(COwnVesselValues&)> ownVessel;
    // The vessel module's display properties of the own vessel; null: the defaults.
    std::function<const COwnVesselStyle*()> ownVesselStyle;
    // The own vessel's logged fixes, oldest first (the navigator's track).
    std::function<std::vector<geo::CPosition>()> ownVesselFixes;
    // Autoscroll-area per cent held by the navigator.
    std::function<int()> autoscrollAreaPercent;
    // The folio is about to be cleared (its items deleted): whoever holds
    // items lets go of them.
    std::function<void()> folioClearing;
    // The navigator's vessel list, oldest first: the order targets are drawn in.
    std::function<void(std::vector<const void*>&)> targetOrder;
    // The program's Day, Dusk and Night palettes; not owned.
    const app::CDisplayPalettes* palettes = nullptr;
};

class CChartingModule : public app::CModeModule {
public:
    CChartingModule(app::CSettingsHome& settings, CChartingServices services);
    ~CChartingModule() override;

    bool Initialise() override;
    // Zoom In and Out, Full, World, Larger and Smaller Scale and the update
    // boxes switch, each on the active chart.
    void RegisterCommands(app::CCommandTable& commands) override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    // Writes only the chart settings and folders (the options pages' OK);
    // SaveSettings also stores the open charts and lets the services go.
    void SaveChartSettings();

    const CChartSettings& ChartSettings() const { return m_settings; }
    CChartSettings& ChartSettings() { return m_settings; }
    CChartingServices& Services() { return m_services; }
    const std::vector<std::unique_ptr<CChartModule>>& ChartServices() const
    {
        return m_services.chartServices;
    }
    // The service that opens files of this extension; none for a raster
    // chart while no raster service is installed.
    CChartModule* FindServiceFor(std::string_view extension) const;

    // ---- Chart frames ------------------------------------------------------
    void AddChartFrame(CChartWindow* frame);
    void RemoveChartFrame(CChartWindow* frame);
    void BringChartFrameToFront(CChartWindow* frame);
    CChartWindow* GetFirstChartFrame() const;
    CChartWindow* GetChartFrameByIndex(std::size_t oneBased) const;
    const std::vector<CChartWindow*>& ChartFrames() const { return m_frames; }
    int CountChartFramesInState(int state) const;
    CChartDoc* FindChartDocInState(int state) const;
    int CountChartDocs(const std::function<bool(const CChartDoc&)>& ofKind) const;
    // Closes the document of every frame that matches, from the head again
    // after each close. A close that leaves its frame listed does not loop:
    // the frame is taken out here.
    void CloseDocsOfClass(const std::function<bool(const CChartDoc&)>& ofKind);
    void CloseAllChartDocs();

    // ---- Redraws over every view not in print preview -----------------------
    void InvalidateAllChartViews();
    // An update hint to the view of every chart window not in print preview,
    // which redraws what the hint asks (`overlays`: what the views show).
    void UpdateAllChartDocs(const app::CUpdateHint& hint, const CHintOverlays& overlays = {});
    void RefreshAllChartViews();
    void RedrawAllChartViews();
    void UpdateWindowAllChartViews();
    void ApplyDisplayPaletteToCharts();
    void LockAllFrameMessageBars(bool unlock);

    CChartDoc* GetActiveChartDoc() const;
    bool IsActiveDocChartDoc() const { return GetActiveChartDoc() != nullptr; }

    // ---- Open charts of the workspace --------------------------------------
    void SaveOpenCharts();
    void RestoreOpenCharts();
    // Screen width x height x bytes per pixel x 6 x 1.2, in 64 bits.
    std::uint64_t EstimateChartBufferSize() const;

    // ---- Folio -------------------------------------------------------------
    const Folio& GetFolio() const { return m_folio; }
    Folio& GetFolio() { return m_folio; }
    bool GetFolioItems(std::vector<const CFolioItem*>& items) const;
    void BuildChartFolio();
    void ClearFolioItems();

    // ---- Folders, autoscroll, texts -----------------------------------------
    void SetChartsFolder(const std::string& folder);
    void SetSourcePath(const std::string& path);
    const std::string& GetSourcePath() const { return m_sourcePath; }
    void SetAutoscroll(bool on);
    bool IsAutoscrollOn() const { return m_autoscroll; }
    // The cursor's position on the active chart as "lat lon"; empty off it.
    std::string GetCursorPositionText() const;
    // The chart position under the cursor in the active chart window; none
    // when no chart is active or the cursor is off its chart.
    std::optional<geo::CPosition> GetCursorPosition() const;
    geo::CPositionFormat PositionFormat() const;

    // The load-failure message of the main frame's bar for ten seconds.
    void ShowLoadFailure();
    app::MsgHandle LoadFailureMessage() const { return m_hMsgLoadFailure; }
    // While the main frame opens a chart it names the window id; a failed
    // autoscroll open (id 1) raises no message.
    void SetOpeningWindowId(int id) { m_openingWindowId = id; }
    int OpeningWindowId() const { return m_openingWindowId; }

private:
    CChartingServices m_services;
    CChartSettings m_settings;
    std::vector<CChartWindow*> m_frames;   // most recently active first
    Folio m_folio;
    std::string m_sourcePath;
    bool m_autoscroll = true;
    int m_openingWindowId = 0;
    app::MsgHandle m_hMsgLoadFailure = nullptr;
    app::MsgHandle m_hMsgWorldChart = nullptr;
};

}   // namespace chart
