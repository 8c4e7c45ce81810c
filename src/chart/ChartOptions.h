#pragma once
// Models of the chart option pages: "General" (chart windows, panning steps,
// line width) and "Overlays" (limit lines, focus box colour and width) of
// Chart Options, and "General" of Chart Management (the two chart folders).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"

namespace chart {

// The pan steps' spins: the small step moves by 5 from 20 up and the large
// by 10 from 20 up (1 below); a step that would pass the other is refused
// (the value stays).
int StepSmallPan(int small, int large, bool up);
int StepLargePan(int small, int large, bool up);

struct CDisplayOptions {
    int maxCharts = 3;
    int smallPanStep = 1;
    int largePanStep = 10;
    int lineWidth = 1;
    bool operator==(const CDisplayOptions&) const = default;
};

class CDisplayOptionsModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const CDisplayOptions&)>;
    CDisplayOptionsModel(const CDisplayOptions& current, ApplyFn apply);

    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    CDisplayOptions& Values() { return m_values; }
    void SpinSmall(bool up)
    {
        m_values.smallPanStep = StepSmallPan(m_values.smallPanStep, m_values.largePanStep, up);
    }
    void SpinLarge(bool up)
    {
        m_values.largePanStep = StepLargePan(m_values.smallPanStep, m_values.largePanStep, up);
    }

private:
    CDisplayOptions m_values;
    ApplyFn m_apply;
};

inline constexpr int kFocusBoxWidths = 4;

struct COverlayOptions {
    bool chartBoundaries = true;
    bool latLongGrid = false;
    bool chartUpdates = false;
    // Day, Dusk, Night as 0x00BBGGRR; the page edits the active palette's.
    std::array<std::uint32_t, 3> focusBoxColour{};
    int focusBoxLineWidth = 3;
    bool operator==(const COverlayOptions&) const = default;
};

class COverlayOptionsModel : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const COverlayOptions&)>;
    COverlayOptionsModel(const COverlayOptions& current, int activePalette, ApplyFn apply);

    std::string Title() const override { return "Overlays"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    COverlayOptions& Values() { return m_values; }

    int ActivePalette() const { return m_palette; }
    // The program switched Day, Dusk or Night while the sheet is open: the
    // colour well shows that palette's colour from now on.
    bool FollowPalette(int palette);
    std::uint32_t FocusColour() const;
    void SetFocusColour(std::uint32_t colour);

private:
    COverlayOptions m_values;
    int m_palette;
    ApplyFn m_apply;
};

struct CChartFolders {
    std::string chartsFolder;
    std::string sourceFolder;
    bool operator==(const CChartFolders&) const = default;
};

class CChartFoldersModel : public app::COptionPageModel {
public:
    // Called only when a folder's text changed (exact comparison).
    using ApplyFn = std::function<void(const CChartFolders&)>;
    CChartFoldersModel(const CChartFolders& current, ApplyFn apply);

    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    CChartFolders& Values() { return m_values; }

private:
    CChartFolders m_values;
    CChartFolders m_applied;
    ApplyFn m_apply;
};

}   // namespace chart
