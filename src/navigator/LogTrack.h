#pragma once
// The drawn part of a recorded track. The track file is the store and may
// hold years of fixes; this list holds only what a view shows: the display
// window (the limit back from the newest fix, or all), thinned to the view's
// pixel grid by a worker thread that reads the file in large blocks. New
// points extend the list as they are written. Drawn with fix markers (time
// and source labels) and time marks across the line.

#include <array>
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
#include "navigator/TrackPicture.h"

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
    bool operator==(const CLogTrackSettings&) const = default;
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
    // The newest drawn fix whose marker lies under client point p; none
    // while the markers are off.
    std::optional<CTrackFix> FixAt(chart::CChartDoc& doc, geo::IntPoint p) const;
    const std::vector<CKeptFix>& Kept() const { return m_kept; }
    CPixelGrid Grid() const { return m_grid; }

    // Draws the line, then the time marks and the fix markers. A context
    // over memory drawing this many fixes or more keeps the picture of all
    // but the newest for the repaints that follow while the view, the list
    // and the style stay as they are; points added since are drawn over it.
    static constexpr std::size_t kPictureFrom = 20000;
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc, bool decorate) override;
    chart::CTrackLineStyle GetLineStyle(int palette) const override;
    std::optional<std::size_t> GetFirstNodeToDraw(bool limit) const override;
    // Whether the last Draw painted from a kept picture (for tests).
    bool PaintedFromPicture() const { return m_paintedFromPicture; }

    // The grid of half a pixel of the view at its centre; none when the view
    // cannot say where its pixels lie.
    static std::optional<CPixelGrid> GridOf(chart::CChartDoc& doc);
    static bool Serves(const CPixelGrid& had, const CPixelGrid& now);

private:
    // Where drawing a part of the list left off, so the next part goes on
    // as if both were drawn at once.
    struct CDrawState {
        std::optional<geo::IntPoint> lastMarker;
        std::optional<geo::IntPoint> lastLabel;
        std::optional<geo::IntPoint> lastMarkLabel;
        std::optional<std::chrono::sys_seconds> nextMark;
    };
    // What a kept picture was drawn for.
    struct CPictureKey {
        std::array<double, 6> corners{};   // three corners of the memory, latitude and longitude
        int width = 0, height = 0;
        std::uint64_t generation = 0;
        std::size_t first = 0;
        bool decorate = false;
        int palette = 0;
        app::COLORREF marker = 0, line = 0, text = 0;
        int lineWidth = 0;
        bool broken = false, markers = true, labels = true;
        chart::Font font;
        CLogTrackSettings settings;
        bool operator==(const CPictureKey&) const = default;
    };
    std::optional<CPictureKey> KeyOf(chart::CChartDoc& doc, const chart::CPixelView& memory,
                                     std::size_t first, bool decorate) const;
    // The screen places of fixes [from, to): fix from + k at
    // points[starts[k]] up to points[starts[k + 1]] (none when off the chart).
    struct CPlaced {
        std::size_t from = 0;
        std::vector<geo::IntPoint> points;
        std::vector<std::uint32_t> starts;
    };
    CPlaced Place(chart::CChartDoc& doc, std::size_t from, std::size_t to) const;
    // The line through the placed fixes, then the time marks and markers of
    // those from `from` on.
    void DrawPart(chart::CChartDoc& doc, chart::CXDC& dc, const CPlaced& placed, std::size_t from,
                  bool decorate, CDrawState& state);
    void DrawPart(chart::CChartDoc& doc, chart::CXDC& dc, std::size_t lineFrom, std::size_t from,
                  std::size_t to, bool decorate, CDrawState& state)
    {
        DrawPart(doc, dc, Place(doc, lineFrom, to), from, decorate, state);
    }
    void DrawTimeMarks(chart::CXDC& dc, std::size_t from, std::size_t to,
                       const std::vector<geo::IntPoint>& points,
                       const std::vector<std::uint32_t>& starts, std::size_t base,
                       CDrawState& state);
    void DrawFixes(chart::CChartDoc& doc, chart::CXDC& dc, std::size_t from, std::size_t to,
                   const std::vector<geo::IntPoint>& points,
                   const std::vector<std::uint32_t>& starts, std::size_t base, CDrawState& state);
    void Work(std::stop_token stop);
    void SetKept(std::vector<CKeptFix> kept);
    void AppendKept(const CKeptFix& kept);

    CLogTrackSettings m_settings;
    const chart::CPositionFixProperties* m_properties = nullptr;
    std::function<void()> m_ready;
    std::filesystem::path m_path;
    std::vector<CKeptFix> m_kept;   // parallel to the drawn list
    CPixelGrid m_grid;
    std::optional<CTrackDecimator> m_live;
    std::uint64_t m_generation = 0;   // counts replacements of the whole list

    // The kept picture: fixes [first, m_pictureEnd) as drawn for m_pictureKey.
    std::optional<CTrackPicture> m_picture;
    CPictureKey m_pictureKey;
    std::size_t m_pictureEnd = 0;
    CDrawState m_pictureState;
    bool m_paintedFromPicture = false;

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
