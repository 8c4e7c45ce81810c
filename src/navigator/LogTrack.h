#pragma once
// The drawn part of a recorded track. The track file is the store and may
// hold years of fixes; this list holds only what a view shows: the display
// window (the limit back from the newest fix, or all), thinned to the view's
// pixel grid by a worker thread that reads the file in large blocks. New
// points extend the list as they are written. Drawn with fix markers (time
// and source labels) and time marks across the line.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "chart/overlays/PlanTrack.h"
#include "geo/Position.h"
#include "navigator/TrackDecimator.h"

namespace chart {
class CPositionFixProperties;
}

namespace navigator {

struct CLogTrackSettings {
    bool visible = true;   // "Vessel Track" in the Navigator menu
    bool limitDisplay = false;   // "LimitTrackDisplay"
    std::chrono::seconds span{std::chrono::hours(4)};
    bool drawTimeMarks = false;   // "DrawTimeMarks"
    std::chrono::seconds markInterval{std::chrono::minutes(10)};
};

class CLogTrack final : public chart::CPlanTrack {
public:
    CLogTrack();
    ~CLogTrack() override;

    CLogTrackSettings& Settings() { return m_settings; }
    // Colours, marker size, labels; none draws with the defaults.
    void SetProperties(const chart::CPositionFixProperties* properties)
    {
        m_properties = properties;
    }
    // Called on the worker thread when a rebuild is ready for TakeResult.
    void SetReadyCallback(std::function<void()> ready) { m_ready = std::move(ready); }

    // The track file drawn from; an empty path draws nothing.
    void SetFile(const std::filesystem::path& path);
    const std::filesystem::path& File() const { return m_path; }
    // Reads the window again on `grid` (on the worker).
    void Rebuild(CPixelGrid grid);
    // Takes a finished rebuild into the drawn list (user-interface thread);
    // true when the list changed.
    bool TakeResult();
    // Waits (bounded) for the rebuild asked last, for tests and first paints.
    bool WaitForRebuild(std::chrono::milliseconds timeout);
    // A point written after the window was read.
    void Extend(std::uint64_t index, const CTrackFix& fix);

    // The drawn fixes' positions, oldest first.
    std::vector<geo::CPosition> Positions() const;
    const std::vector<CKeptFix>& Kept() const { return m_kept; }
    CPixelGrid Grid() const { return m_grid; }

    void Draw(chart::CChartDoc& doc, chart::CXDC& dc, bool decorate) override;
    chart::CTrackLineStyle GetLineStyle(int palette) const override;
    std::optional<std::size_t> GetFirstNodeToDraw(bool limit) const override;
    void DrawFixes(chart::CChartDoc& doc, chart::CXDC& dc,
                   std::optional<std::size_t> first) override;
    void DrawTimeMarks(chart::CChartDoc& doc, chart::CXDC& dc,
                       std::optional<std::size_t> first) override;

    // The grid of half a pixel of the view at its centre; none when the view
    // cannot say where its pixels lie.
    static std::optional<CPixelGrid> GridOf(chart::CChartDoc& doc);
    static bool Serves(const CPixelGrid& had, const CPixelGrid& now);

private:
    void Work(std::stop_token stop);
    void SetKept(std::vector<CKeptFix> kept);

    CLogTrackSettings m_settings;
    const chart::CPositionFixProperties* m_properties = nullptr;
    std::function<void()> m_ready;
    std::filesystem::path m_path;
    std::vector<CKeptFix> m_kept;   // parallel to the drawn list
    CPixelGrid m_grid;
    std::optional<CTrackDecimator> m_live;

    // Worker request and result.
    std::mutex m_lock;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    bool m_requested = false;
    std::uint64_t m_asked = 0;
    std::uint64_t m_finished = 0;
    CPixelGrid m_askedGrid;
    std::filesystem::path m_askedPath;
    CLogTrackSettings m_askedSettings;
    std::optional<CTrackDecimator> m_result;
    std::jthread m_worker;
};

}   // namespace navigator
