#pragma once
// CPlanModule ("Route\Plan"): the passage plan of the current route, its
// header fields and settings, and the Calculate and Best Time commands' work.
// A plan lives in memory only; its settings are stored.

#include "app/Module.h"
#include "chart/overlays/OverlayProperties.h"
#include "platform/Prompt.h"
#include "routes/PlanCalculator.h"
#include "routes/PlanTypes.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace chart {
class CChartDoc;
class CXDC;
}   // namespace chart

namespace routes {

struct CRouteState;

// The route's waypoints with each leg's course and distance by its leg type
// (rhumb line, or great circle for both great-circle kinds).
std::vector<PlanWaypoint> PlanWaypointsOf(const CRouteState& state);

class CPlanModule : public app::CModule {
public:
    CPlanModule(app::CSettingsHome& settings, std::string programFolder);

    bool Initialise() override;
    void LoadSettings() override;
    // A new workspace draws the plan's track 2 pixels wide.
    void SetWorkspaceDefaults() override { m_line.SetWidth(2); }
    void SaveSettings() override;

    CPlanSettings& PlanSettings() { return m_settings; }
    const CPlanSettings& PlanSettings() const { return m_settings; }

    // Header fields the plan card edits.
    std::string planName, from, to;
    std::int64_t planUtc = 0;   // departure (mode 0) or arrival (mode 1)
    // Taken when a new plan starts for the route: the plan reports print them.
    std::string vesselName, routeMemo;

    // The plan report files, chosen once at start from the definitions there
    // then: the custom pair "PlnCstm" ("PlnIntl" in its place when that is
    // whole too). A file that goes later falls back to the standard plan.
    struct ReportFiles {
        bool custom = false;   // the short form plan is the custom report without memos
        std::string withoutMemos, withMemos;
        std::string tested;   // its presence chooses a custom short form plan
    };
    // `exists` tells whether a definition file ("PlnCstm1.rpt") is there.
    void SelectReportFiles(const std::function<bool(const std::string& file)>& exists);
    const ReportFiles& ChosenReportFiles() const { return m_reportFiles; }

    const CPlanList& Plan() const { return m_plan; }
    bool IsCalculated() const { return m_calculated; }
    // A plan card field was edited since the plan was worked out: the plan
    // stays (and is drawn) but no longer counts as valid. Cleared with the plan.
    void SetCardModified() { m_cardModified = true; }
    // Worked out, and no card field edited since: waypoint times, reports
    // and the monitor read only a valid plan.
    bool IsPlanValid() const { return m_calculated && !m_cardModified; }
    // When the plan was last calculated (seconds since 1970); 0 before.
    std::int64_t CalculatedUtc() const { return m_calculatedUtc; }
    void ClearPlan();
    bool CanCalculate(std::size_t waypointCount) const;
    // The time at waypoint `index` (from 0) of a calculated plan.
    std::optional<std::int64_t> GetWaypointTime(std::size_t index) const;

    // Calculate: the plan for planUtc. Aborts and dates out of range are
    // told through the prompt; the code is returned.
    int Calculate(const std::vector<PlanWaypoint>& route, platform::CPrompt& prompt,
                  CPlanTides* tides, CPlanVariation* variation, CPlanAbortProbe* probe);

    // Best Time: the search, or nothing after telling the user it stopped.
    std::optional<CPlanCalculator::BestTime> SearchBestTime(
        const std::vector<PlanWaypoint>& route, platform::CPrompt& prompt, CPlanTides* tides,
        CPlanVariation* variation, CPlanAbortProbe* probe, CPlanProgress* progress);
    // The user's answer to the search: the best plan, or the first (OK).
    void TakeSearchResult(const CPlanCalculator::BestTime& result, bool useBest);

    void SetDeviationCard(const std::array<double, 16>& card) { m_card = card; }

    // The look of the drawn leg tracks ("PlannedTrack": draw flag, width,
    // colours), stored under the module's key.
    chart::CLineProperties& LineProperties() { return m_line; }
    const chart::CLineProperties& LineProperties() const { return m_line; }
    // Each record's track starts a line of its own (after every calculation
    // and best-time search).
    void MarkTrackStarts();
    // The leg tracks of the records the plan holds (calculated, or left by
    // an aborted calculation), while the draw flag is set.
    bool DrawsTracks() const;
    void DrawTracks(chart::CChartDoc& doc, chart::CXDC& dc);

private:
    CPlanCalculator MakeCalculator(platform::CPrompt& prompt, CPlanTides* tides,
                                   CPlanVariation* variation, CPlanAbortProbe* probe,
                                   CPlanProgress* progress);

    CPlanSettings m_settings;
    CPlanList m_plan;
    bool m_calculated = false;
    bool m_cardModified = false;
    std::int64_t m_calculatedUtc = 0;
    std::array<double, 16> m_card{};
    ReportFiles m_reportFiles;
    std::string m_programFolder;
    chart::CLineProperties m_line{chart::kLinePlannedTrack};
};

}   // namespace routes
