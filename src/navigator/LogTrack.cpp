#include "navigator/LogTrack.h"

#include <cmath>

#include "chart/ChartDoc.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayServices.h"
#include "chart/overlays/OverlayText.h"

namespace navigator {

using namespace std::chrono;

namespace {

// A fix time as the labels show it: the local hour and minute, four digits.
std::string HourMinute(sys_seconds utc)
{
    const std::time_t t = system_clock::to_time_t(utc);
    std::tm local{};
    ::localtime_r(&t, &local);
    std::string text = "0000";
    text[0] = char('0' + local.tm_hour / 10);
    text[1] = char('0' + local.tm_hour % 10);
    text[2] = char('0' + local.tm_min / 10);
    text[3] = char('0' + local.tm_min % 10);
    return text;
}

// Fixes a second apart would bury the track under their markers: a marker
// is drawn a few pixels from the last one drawn, a label clear of the last
// label of its kind.
constexpr int kMarkerSpacing = 10, kLabelSpacing = 40;

bool Apart(const std::optional<geo::IntPoint>& a, geo::IntPoint b, int d)
{
    return !a || std::abs(a->x - b.x) >= d || std::abs(a->y - b.y) >= d;
}

app::CDateTimeEx LocalTime(sys_seconds utc)
{
    app::CDateTimeEx value;
    value = system_clock::to_time_t(utc);
    return value;
}

}   // namespace

CLogTrack::CLogTrack()
{
    m_worker = std::jthread([this](std::stop_token stop) { Work(stop); });
}

CLogTrack::~CLogTrack()
{
    m_worker.request_stop();
    m_wake.notify_all();
    m_worker = {};
}

void CLogTrack::SetFile(const std::filesystem::path& path)
{
    m_path = path;
    m_grid = {};   // the next view to draw asks for its window
    m_live.reset();
    SetKept({});
}

void CLogTrack::Rebuild(CPixelGrid grid)
{
    {
        std::lock_guard lock(m_lock);
        m_requested = true;
        ++m_asked;
        m_askedGrid = grid;
        m_askedPath = m_path;
        m_askedSettings = m_settings;
    }
    m_wake.notify_all();
}

void CLogTrack::Work(std::stop_token stop)
{
    for (;;) {
        std::filesystem::path path;
        CPixelGrid grid;
        CLogTrackSettings settings;
        std::uint64_t ticket = 0;
        {
            std::unique_lock lock(m_lock);
            if (!m_wake.wait(lock, stop, [this] { return m_requested; }))
                return;
            m_requested = false;
            path = m_askedPath;
            grid = m_askedGrid;
            settings = m_askedSettings;
            ticket = m_asked;
        }
        CTrackDecimator decimator(grid, settings.markInterval);
        if (!path.empty()) {
            // A descriptor of the worker's own: its reads never share a file
            // position or a lock with the writer's.
            CTrackFile file;
            if (file.Open(path)) {
                if (settings.limitDisplay)
                    file.ReadWindow(settings.span, decimator);
                else
                    file.ReadRange(0, file.RecordCount(), [&](std::uint64_t i, const CTrackFix& f) {
                        decimator.Add(i, f);
                    });
            }
        }
        {
            std::lock_guard lock(m_lock);
            m_result.emplace(std::move(decimator));
            m_finished = ticket;
        }
        m_done.notify_all();
        if (m_ready)
            m_ready();
    }
}

bool CLogTrack::WaitForRebuild(milliseconds timeout)
{
    std::unique_lock lock(m_lock);
    return m_done.wait_for(lock, timeout, [this] { return m_finished == m_asked; });
}

bool CLogTrack::TakeResult()
{
    std::optional<CTrackDecimator> result;
    CPixelGrid grid;
    {
        std::lock_guard lock(m_lock);
        if (!m_result || m_finished != m_asked)
            return false;
        result.swap(m_result);
        grid = m_askedGrid;
    }
    m_grid = grid;
    SetKept(result->Result());
    m_live = std::move(result);
    return true;
}

void CLogTrack::Extend(std::uint64_t index, const CTrackFix& fix)
{
    if (!m_live) {
        m_live.emplace(m_grid, m_settings.markInterval);
        SetKept({});
    }
    // Only the newest may change: the list is cut back to what the thinning
    // keeps for good and what it holds after that is added.
    const std::size_t stable = m_live->StableCount();
    m_live->Add(index, fix);
    m_kept.resize(std::min(m_kept.size(), stable));
    m_fixes.resize(m_kept.size());
    for (const CKeptFix& k : m_live->ResultFrom(stable))
        AppendKept(k);
}

void CLogTrack::SetKept(std::vector<CKeptFix> kept)
{
    ++m_generation;
    m_kept.clear();
    m_fixes.clear();
    m_kept.reserve(kept.size());
    m_fixes.reserve(kept.size());
    for (const CKeptFix& k : kept)
        AppendKept(k);
}

void CLogTrack::AppendKept(const CKeptFix& k)
{
    auto fix = std::make_unique<chart::COverlayPositionFix>(
        geo::CPosition(k.fix.latitude, k.fix.longitude, k.fix.altitude,
                       static_cast<std::int16_t>(k.fix.datum)),
        LocalTime(k.fix.utc), nullptr);
    fix->values = {k.fix.cog, k.fix.sog, k.fix.heading, k.fix.speed, k.fix.depth};
    fix->code = k.fix.fixType;
    fix->segmentStart = k.segmentStart;
    m_kept.push_back(k);
    m_fixes.push_back(std::move(fix));
}

std::vector<geo::CPosition> CLogTrack::Positions() const
{
    std::vector<geo::CPosition> positions;
    positions.reserve(m_fixes.size());
    for (const auto& fix : m_fixes)
        positions.push_back(fix->GetPosition());
    return positions;
}

std::optional<CTrackFix> CLogTrack::FixAt(chart::CChartDoc& doc, geo::IntPoint p) const
{
    if (m_properties && !m_properties->GetDraw())
        return std::nullopt;
    for (std::size_t i = m_fixes.size(); i-- > 0;) {
        m_fixes[i]->SetOwner(&doc);
        if (m_fixes[i]->HitTest(p))
            return m_kept[i].fix;
    }
    return std::nullopt;
}

std::optional<CPixelGrid> CLogTrack::GridOf(chart::CChartDoc& doc)
{
    geo::IntRect rect;
    doc.GetVisibleRect(rect);
    const geo::IntPoint centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    geo::CPosition a, b, corner1, corner2;
    if (!doc.PointToPosition(centre, a) || !doc.PointToPosition({centre.x + 1, centre.y + 1}, b))
        return std::nullopt;
    const double lat = std::fabs(a.GetLatitude() - b.GetLatitude());
    const double lon = std::fabs(a.GetLongitude() - b.GetLongitude());
    if (!(lat > 0.0) || !(lon > 0.0))
        return std::nullopt;
    CPixelGrid grid{lat / 2, lon / 2};
    // The fine cells cover the view and as much again round it.
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (doc.PointToPosition({rect.left - w / 2, rect.top - h / 2}, corner1) &&
        doc.PointToPosition({rect.right + w / 2, rect.bottom + h / 2}, corner2)) {
        grid.boxed = true;
        grid.north = std::max(corner1.GetLatitude(), corner2.GetLatitude());
        grid.south = std::min(corner1.GetLatitude(), corner2.GetLatitude());
        grid.west = std::min(corner1.GetLongitude(), corner2.GetLongitude());
        grid.east = std::max(corner1.GetLongitude(), corner2.GetLongitude());
    }
    return grid;
}

// Whether the list, thinned on `had`, serves a view whose grid is `now`:
// cells no coarser than the view needs (with some slack, so a small zoom
// does not read the file again) and a fine box that holds the view.
bool CLogTrack::Serves(const CPixelGrid& had, const CPixelGrid& now)
{
    if (had.latitudeStep <= 0.0)
        return false;
    if (now.latitudeStep < had.latitudeStep * 0.75 || now.latitudeStep > had.latitudeStep * 4.0)
        return false;
    if (!had.boxed)
        return true;
    const double marginLat = (now.north - now.south) / 4, marginLon = (now.east - now.west) / 4;
    return now.boxed && now.south + marginLat >= had.south && now.north - marginLat <= had.north &&
           now.west + marginLon >= had.west && now.east - marginLon <= had.east;
}

void CLogTrack::Draw(chart::CChartDoc& doc, chart::CXDC& dc, bool decorate)
{
    // A view the list was not thinned for asks for the window again.
    if (const auto grid = GridOf(doc); grid && !m_path.empty() && !Serves(m_grid, *grid)) {
        std::lock_guard lock(m_lock);
        const bool asked = m_asked != m_finished && Serves(m_askedGrid, *grid);
        if (!asked) {
            m_requested = true;
            ++m_asked;
            m_askedGrid = *grid;
            m_askedPath = m_path;
            m_askedSettings = m_settings;
            m_wake.notify_all();
        }
    }
    m_paintedFromPicture = false;
    const std::optional<std::size_t> first = GetFirstNodeToDraw(decorate);
    if (!first)
        return;
    const std::size_t end = m_fixes.size();
    const chart::CPixelView memory = dc.Memory();
    const std::optional<CPictureKey> key =
        end - *first >= kPictureFrom ? KeyOf(doc, memory, *first, decorate) : std::nullopt;
    if (!key) {
        m_picture.reset();
        CDrawState state;
        DrawPart(doc, dc, *first, *first, end, decorate, state);
        return;
    }
    // The picture holds every fix but the newest, which the next point may
    // replace; the points after it are drawn over the picture until there
    // are enough of them to be worth a new one.
    constexpr std::size_t kTailLimit = 2000;
    if (!m_picture || !(m_pictureKey == *key) || end - m_pictureEnd > kTailLimit) {
        m_picture.reset();
        // Drawn on black and on white: the two tell drawn pixels from the
        // chart below, and how much of it the smoothed label edges let through.
        chart::CBufferDC onBlack(nullptr, memory.width, memory.height);
        chart::CBufferDC onWhite(nullptr, memory.width, memory.height);
        if (onBlack.Memory().IsValid() && onWhite.Memory().IsValid()) {
            CDrawState state;
            // Placed once for both drawings.
            const CPlaced placed = Place(doc, *first, end - 1);
            for (auto* buffer : {&onBlack, &onWhite}) {
                CTrackPicture::Clear(buffer->Memory(), buffer == &onBlack ? CTrackPicture::kBlack
                                                                          : CTrackPicture::kWhite);
                state = {};
                DrawPart(doc, *buffer, placed, *first, decorate, state);
                buffer->Backend()->Flush();
            }
            m_picture = CTrackPicture::Capture(onBlack.Memory(), onWhite.Memory());
            m_pictureKey = *key;
            m_pictureEnd = end - 1;
            m_pictureState = state;
        }
    }
    if (!m_picture) {
        CDrawState state;
        DrawPart(doc, dc, *first, *first, end, decorate, state);
        return;
    }
    dc.Backend()->Flush();
    m_picture->PaintOn(memory);
    m_paintedFromPicture = true;
    CDrawState state = m_pictureState;
    DrawPart(doc, dc, std::max(*first, m_pictureEnd - 1), m_pictureEnd, end, decorate, state);
}

std::optional<CLogTrack::CPictureKey> CLogTrack::KeyOf(chart::CChartDoc& doc,
                                                       const chart::CPixelView& memory,
                                                       std::size_t first, bool decorate) const
{
    if (!memory.IsValid())
        return std::nullopt;
    CPictureKey key;
    const geo::IntPoint corners[3] = {{0, 0}, {memory.width, 0}, {0, memory.height}};
    for (std::size_t i = 0; i < 3; ++i) {
        geo::CPosition at;
        if (!doc.PointToPosition(corners[i], at))
            return std::nullopt;
        key.corners[2 * i] = at.GetLatitude();
        key.corners[2 * i + 1] = at.GetLongitude();
    }
    key.width = memory.width;
    key.height = memory.height;
    key.generation = m_generation;
    key.first = first;
    key.decorate = decorate;
    key.palette = std::clamp(chart::ActivePaletteIndex(), 0, 2);
    const chart::CTrackLineStyle style = GetLineStyle(key.palette);
    key.marker = style.marker;
    key.line = style.line;
    key.lineWidth = style.width;
    key.broken = style.broken;
    if (m_properties) {
        key.markers = m_properties->GetDraw();
        key.labels = m_properties->drawFixTimeAndSource;
        key.text = m_properties->Text().GetColours()[std::size_t(key.palette)];
        key.font = m_properties->Text().GetFont();
    }
    key.settings = m_settings;
    return key;
}

CLogTrack::CPlaced CLogTrack::Place(chart::CChartDoc& doc, std::size_t from, std::size_t to) const
{
    // Every fix is placed once; the line, the marks and the markers share
    // the places. The positions come from the kept list, which lies in one
    // block, rather than from the fix objects spread over the heap.
    CPlaced placed;
    placed.from = from;
    if (from >= to)
        return placed;
    placed.points.reserve(to - from);
    placed.starts.reserve(to - from + 1);
    chart::PointList at;
    for (std::size_t i = from; i < to; ++i) {
        placed.starts.push_back(std::uint32_t(placed.points.size()));
        const CTrackFix& f = m_kept[i].fix;
        at.clear();
        if (doc.PositionToClientPoints(geo::CPosition(f.latitude, f.longitude, f.altitude,
                                                      static_cast<std::int16_t>(f.datum)),
                                       at))
            placed.points.insert(placed.points.end(), at.begin(), at.end());
    }
    placed.starts.push_back(std::uint32_t(placed.points.size()));
    return placed;
}

void CLogTrack::DrawPart(chart::CChartDoc& doc, chart::CXDC& dc, const CPlaced& placed,
                         std::size_t from, bool decorate, CDrawState& state)
{
    const std::size_t lineFrom = placed.from;
    if (placed.starts.size() < 2)
        return;
    const std::size_t to = lineFrom + placed.starts.size() - 1;
    const std::vector<geo::IntPoint>& points = placed.points;
    const std::vector<std::uint32_t>& starts = placed.starts;

    const chart::CTrackLineStyle style = GetLineStyle(chart::ActivePaletteIndex());
    const chart::Pen before =
        dc.SelectPen(chart::Pen{style.broken ? chart::PenStyle::Dot : chart::PenStyle::Solid,
                                std::max(1, style.width), style.line});
    // Runs of joined points become one polyline each; a point off the
    // chart's datum area ends a run as a segment start does.
    std::vector<geo::IntPoint> run;
    auto flush = [&] {
        if (run.size() >= 2)
            dc.Polyline(run);
        run.clear();
    };
    for (std::size_t i = lineFrom; i < to; ++i) {
        if (m_kept[i].segmentStart)
            flush();
        const std::size_t k = i - lineFrom;
        if (starts[k] == starts[k + 1]) {
            flush();
            continue;
        }
        run.push_back(points[starts[k]]);
    }
    flush();
    if (decorate) {
        DrawTimeMarks(dc, from, to, points, starts, lineFrom, state);
        dc.SelectPen(chart::Pen{chart::PenStyle::Solid, 1, style.marker});
        DrawFixes(doc, dc, from, to, points, starts, lineFrom, state);
    }
    dc.SelectPen(before);
}

chart::CTrackLineStyle CLogTrack::GetLineStyle(int palette) const
{
    chart::CTrackLineStyle style;
    if (!m_properties)
        return style;
    const auto p = std::clamp(palette, 0, 2);
    style.marker = m_properties->GetColours()[std::size_t(p)];
    style.width = m_properties->Line().GetWidth();
    style.line = m_properties->Line().GetColours()[std::size_t(p)];
    style.broken = m_properties->Line().GetPatternFlag();
    return style;
}

std::optional<std::size_t> CLogTrack::GetFirstNodeToDraw(bool limit) const
{
    if (m_kept.empty())
        return std::nullopt;
    if (!limit || !m_settings.limitDisplay)
        return 0;
    // Back from the newest while the fixes stay within the span.
    const sys_seconds newest = m_kept.back().fix.utc;
    std::size_t first = m_kept.size();
    while (first > 0 && newest - m_kept[first - 1].fix.utc < m_settings.span)
        --first;
    if (first == m_kept.size())
        return std::nullopt;
    return first;
}

void CLogTrack::DrawFixes(chart::CChartDoc& doc, chart::CXDC& dc, std::size_t from, std::size_t to,
                          const std::vector<geo::IntPoint>& points,
                          const std::vector<std::uint32_t>& starts, std::size_t base,
                          CDrawState& state)
{
    if (m_properties && !m_properties->GetDraw())
        return;
    const bool labels = !m_properties || m_properties->drawFixTimeAndSource;
    const int palette = std::clamp(chart::ActivePaletteIndex(), 0, 2);
    chart::COverlayText time(m_properties ? &m_properties->Text().GetFont() : nullptr);
    chart::COverlayText source(m_properties ? &m_properties->Text().GetFont() : nullptr);
    if (m_properties)
        time.textColour = source.textColour =
            m_properties->Text().GetColours()[std::size_t(palette)];
    // Markers first, then every label over them, so no marker hides a label.
    std::vector<std::pair<std::size_t, geo::IntPoint>> labelled;
    for (std::size_t i = from; i < to; ++i) {
        for (std::uint32_t k = starts[i - base]; k < starts[i - base + 1]; ++k) {
            const geo::IntPoint p = points[k];
            if (!Apart(state.lastMarker, p, kMarkerSpacing))
                continue;
            state.lastMarker = p;
            chart::COverlayPositionFix& fix = *m_fixes[i];
            fix.SetOwner(&doc);
            fix.SetScreenPoint(p);
            fix.Draw(dc);
            if (labels && Apart(state.lastLabel, p, kLabelSpacing)) {
                state.lastLabel = p;
                labelled.emplace_back(i, p);
            }
        }
    }
    for (const auto& [i, p] : labelled) {
        time.text = HourMinute(m_kept[i].fix.utc);
        time.placement = chart::kPlaceAbove;
        const CFixLabel label = GetFixLabel(m_fixes[i]->code);
        source.text = label.text;
        source.placement = label.estimated ? chart::kPlaceLowerLeft : chart::kPlaceLowerRight;
        time.SetScreenPoint(p);
        time.Draw(dc);
        if (!source.text.empty()) {
            source.SetScreenPoint(p);
            source.Draw(dc);
        }
    }
}

// A mark on the window's first fix, then on the first fix at or after the
// interval from the last mark.
void CLogTrack::DrawTimeMarks(chart::CXDC& dc, std::size_t from, std::size_t to,
                              const std::vector<geo::IntPoint>& points,
                              const std::vector<std::uint32_t>& starts, std::size_t base,
                              CDrawState& state)
{
    if (!m_settings.drawTimeMarks)
        return;
    const bool markerCarriesTime =
        m_properties && m_properties->GetDraw() && m_properties->drawFixTimeAndSource;
    chart::COverlayText label(m_properties ? &m_properties->Text().GetFont() : nullptr);
    label.placement = chart::kPlaceCentred;
    if (m_properties)
        label.textColour =
            m_properties->Text()
                .GetColours()[std::size_t(std::clamp(chart::ActivePaletteIndex(), 0, 2))];
    for (std::size_t i = from; i < to; ++i) {
        const CTrackFix& f = m_kept[i].fix;
        if (state.nextMark && f.utc < *state.nextMark)
            continue;
        state.nextMark = f.utc + m_settings.markInterval;
        const double cog = f.cog == kUnsetTrackValue ? 0.0 : f.cog;
        const double across = std::fmod(cog + 90.0, 360.0) * M_PI / 180.0;
        const int dx = int(std::lround(std::sin(across) * 6.0));
        const int dy = int(-std::lround(std::cos(across) * 6.0));
        for (std::uint32_t k = starts[i - base]; k < starts[i - base + 1]; ++k) {
            const geo::IntPoint p = points[k];
            dc.DrawLine(p.x - dx, p.y - dy, p.x + dx, p.y + dy);
            // A whole year in one view holds tens of thousands of marks: their
            // labels, like the fixes', keep clear of the last one drawn.
            const geo::IntPoint at{p.x + 2 * dx, p.y + 2 * dy};
            if (!markerCarriesTime && Apart(state.lastMarkLabel, at, kLabelSpacing)) {
                state.lastMarkLabel = at;
                label.text = HourMinute(f.utc);
                label.SetScreenPoint(at);
                label.Draw(dc);
            }
        }
    }
}

}   // namespace navigator
