#pragma once
// The navigator's chart side: the chart window that follows the own vessel
// (the monitor window, opened at voyage start and closed at its end), keeping
// the vessel inside that window's autoscroll area, and whether any chart
// window shows the vessel.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "navigator/NavInterfaces.h"

namespace chart {
class CChartDoc;
class CChartingModule;
}   // namespace chart

namespace shell {

class CAutoscrollWindowHost final : public navigator::CNavChartHost {
public:
    // `openChart` opens a chart (path, "" for the blank chart) in a window
    // of the given state, as the main frame does.
    using ChartOpener = std::function<chart::CChartDoc*(const std::string& path, int windowState)>;
    // `largerScale` switches the "larger scale chart available" message on or off.
    using LargerScaleMessage = std::function<void(bool on)>;
    CAutoscrollWindowHost(chart::CChartingModule& charting, ChartOpener openChart,
                          LargerScaleMessage largerScale = {});

    std::optional<geo::CPosition> ConvertToAutoscrollDatum(const geo::CPosition& p) override;
    void AutoscrollToPosition(const geo::CPosition& chartPosition) override;
    void AutoscrollStep(const geo::CPosition& chartPosition) override;
    bool BestChartCheck(const geo::CPosition& vessel) override;
    bool IsVesselVisible(const geo::CPosition& p) override;
    void RedrawViews() override;
    bool AttachAutoscrollWindow(const geo::CPosition& vessel) override;
    void ReleaseAutoscrollWindow() override;
    bool HasAutoscrollWindow() override { return Following() != nullptr; }
    int ActiveChartDatumShift(const geo::CPosition& vessel, std::string& kind) override;
    void ClearLargerScaleMessage() override
    {
        if (m_largerScale)
            m_largerScale(false);
    }

private:
    // The attached document while its window is still open.
    chart::CChartDoc* Following();
    // An open chart (not the blank one, not a follower) on which the vessel lies.
    chart::CChartDoc* OpenChartHolding(const geo::CPosition& vessel) const;
    // The vector folio's largest-scale chart holding the vessel.
    std::optional<std::filesystem::path> VectorChartAt(const geo::CPosition& vessel) const;
    static void ShowRoundTheVessel(chart::CChartDoc& doc, const geo::CPosition& vessel);
    void ReportFollowing(chart::CChartDoc& doc, const geo::CPosition& vessel);

    chart::CChartingModule& m_charting;
    ChartOpener m_openChart;
    LargerScaleMessage m_largerScale;
    chart::CChartDoc* m_doc = nullptr;
    std::string m_reported;
};

}   // namespace shell
