#pragma once
// The drawn part of a recorded track. The track file is the store and may
// hold years of fixes; this list holds only what a view shows: the display
// window (the limit back from the newest fix, or all), thinned to the view's
// pixel grid on the tracks' shared reader thread, which reads the file in
// large blocks. New points extend the list as they are written. Drawn with
// fix markers (time and source labels) and time marks across the line. A
// long list's picture is drawn on the shared picture thread from a copy of
// what it needs; until it is ready a view shows the newest part of the track.

#include <array>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "chart/overlays/PlanTrack.h"
#include "geo/Position.h"
#include "navigator/TrackDecimator.h"
#include "navigator/TrackPainter.h"
#include "navigator/TrackPicture.h"

namespace chart {
class CDrawBackendFactory;
class CPositionFixProperties;
}   // namespace chart

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
    // Called on a shared thread when a rebuild or a picture is ready for TakeResult.
    void SetReadyCallback(std::function<void()> ready) { m_ready = std::move(ready); }

    // The track file drawn from; an empty path draws nothing.
    void SetFile(const std::filesystem::path& path);
    const std::filesystem::path& File() const { return m_path; }
    // Reads the window again on `grid` (on the reader thread).
    void Rebuild(CPixelGrid grid);
    // Takes a finished rebuild into the drawn list and finished pictures
    // into those kept (user-interface thread); true when what is drawn changed.
    bool TakeResult();
    // Waits (bounded) for the rebuild asked last, for tests and first paints.
    bool WaitForRebuild(std::chrono::milliseconds timeout);
    // Waits (bounded) until the picture worker has drawn what it was asked, for tests.
    bool WaitForPicture(std::chrono::milliseconds timeout);
    // A point written after the window was read.
    void Extend(std::uint64_t index, const CTrackFix& fix);

    // The drawn fixes' positions, oldest first.
    std::vector<geo::CPosition> Positions() const;
    // The oldest fix drawn (within the display limit); none when none is.
    std::optional<geo::CPosition> FirstDrawnPosition() const;
    // The newest drawn fix whose marker lies under client point p; none
    // while the markers are off.
    std::optional<CTrackFix> FixAt(chart::CChartDoc& doc, geo::IntPoint p) const;
    const std::vector<CKeptFix>& Kept() const { return m_kept; }
    CPixelGrid Grid() const { return m_grid; }

    // Draws the line, then the time marks and the fix markers. A context
    // over memory drawing this many fixes or more paints the picture of all
    // but the newest, drawn by the picture worker for that view, list and
    // style, and draws the points added since over it. Until the worker has
    // drawn it, the newest kTailLimit fixes are drawn; a few pictures are
    // kept, so views of other scales do not take turns redrawing.
    static constexpr std::size_t kPictureFrom = 20000;
    static constexpr std::size_t kTailLimit = 2000;
    void Draw(chart::CChartDoc& doc, chart::CXDC& dc, bool decorate) override;
    // The line from the newest fix on through `trail` (places since it,
    // oldest first) in the track's line style.
    void DrawTrail(chart::CChartDoc& doc, chart::CXDC& dc,
                   const std::vector<geo::CPosition>& trail) const;
    chart::CTrackLineStyle GetLineStyle(int palette) const override;
    std::optional<std::size_t> GetFirstNodeToDraw(bool limit) const override;
    // Whether the last Draw painted from a picture (for tests).
    bool PaintedFromPicture() const { return m_paintedFromPicture; }

    // The grid of half a pixel of the view at its centre; none when the view
    // cannot say where its pixels lie.
    static std::optional<CPixelGrid> GridOf(chart::CChartDoc& doc);
    static bool Serves(const CPixelGrid& had, const CPixelGrid& now);

private:
    // What a picture was drawn for.
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
        int markerSize = 0;
        chart::Font font;
        CLogTrackSettings settings;
        bool operator==(const CPictureKey&) const = default;
    };
    std::optional<CPictureKey> KeyOf(chart::CChartDoc& doc, const chart::CPixelView& memory,
                                     std::size_t first, bool decorate) const;
    // Fixes [from, to) placed on the view, with what drawing needs of each.
    CPlacedFixes Place(chart::CChartDoc& doc, std::size_t from, std::size_t to) const;
    std::vector<CPaintFix> PaintFixes(std::size_t from, std::size_t to) const;
    CTrackPaintStyle StyleNow() const;
    // The line through fixes [lineFrom, to), the marks and markers of those from `from` on.
    void DrawPart(chart::CChartDoc& doc, chart::CXDC& dc, const CTrackPaintStyle& style,
                  std::size_t lineFrom, std::size_t from, std::size_t to, bool decorate,
                  CTrackDrawState& state) const;

    // A picture of fixes [key.first, end) drawn, or to be drawn, on the picture worker.
    struct CPicture {
        CPictureKey key;
        std::size_t end = 0;
        CTrackPicture picture;
        CTrackDrawState state;   // where drawing the picture's fixes left off
    };
    struct CPictureJob {
        CPictureKey key;
        std::size_t end = 0;
        CTrackPaintStyle style;
        CPlacedFixes placed;
        std::vector<CPaintFix> fixes;
        chart::CDrawBackendFactory* factory = nullptr;
    };
    static constexpr std::size_t kPicturesKept = 4;
    void AskPicture(chart::CChartDoc& doc, const CPictureKey& key, const CTrackPaintStyle& style,
                    std::size_t end);
    bool TakePictures();
    // The newest kept picture for `key`; with `anyFirst`, one from any first fix.
    const CPicture* FindPicture(const CPictureKey& key, bool anyFirst) const;
    // Each draws what was asked last, on the shared threads.
    void PaintAsked();
    static std::optional<CPicture> DrawPicture(CPictureJob job);

    void ReadAsked();
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

    // Pictures taken from the worker, oldest first; the key of the one asked last.
    std::vector<CPicture> m_pictures;
    std::optional<CPictureKey> m_pictureAsked;
    bool m_paintedFromPicture = false;

    // Reader request and result.
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_requested = false;
    std::uint64_t m_asked = 0;
    std::uint64_t m_finished = 0;
    CPixelGrid m_askedGrid;
    std::filesystem::path m_askedPath;
    CLogTrackSettings m_askedSettings;
    std::optional<CTrackDecimator> m_result;
    // Picture request and results (under m_lock too).
    std::optional<CPictureJob> m_pictureJob;
    bool m_pictureBusy = false;
    std::vector<CPicture> m_picturesDrawn;
};

}   // namespace navigator
