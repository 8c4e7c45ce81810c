#include "navigator/LogTrack.h"

#include <cmath>

#include "chart/ChartDoc.h"
#include "chart/draw/LineRuns.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayServices.h"
#include "navigator/TrackWorker.h"

namespace navigator {

using namespace std::chrono;

namespace {

app::CDateTimeEx LocalTime(sys_seconds utc)
{
    app::CDateTimeEx value;
    value = system_clock::to_time_t(utc);
    return value;
}

}   // namespace

CLogTrack::CLogTrack() = default;

CLogTrack::~CLogTrack()
{
    // No job of this track's runs after these.
    CTrackWorker::Painter().Forget(this);
    CTrackWorker::Reader().Forget(this);
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
    CTrackWorker::Reader().Post(this, [this] { ReadAsked(); });
}

void CLogTrack::ReadAsked()
{
    std::filesystem::path path;
    CPixelGrid grid;
    CLogTrackSettings settings;
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(m_lock);
        if (!m_requested)
            return;
        m_requested = false;
        path = m_askedPath;
        grid = m_askedGrid;
        settings = m_askedSettings;
        ticket = m_asked;
    }
    CTrackDecimator decimator(grid, settings.markInterval);
    if (!path.empty()) {
        // A descriptor of the reader's own: its reads never share a file
        // position or a lock with the writer's.
        CTrackFile file;
        if (file.Open(path)) {
            if (settings.limitDisplay)
                file.ReadWindow(settings.span, decimator);
            else
                file.ReadRange(0, file.RecordCount(),
                               [&](std::uint64_t i, const CTrackFix& f) { decimator.Add(i, f); });
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

bool CLogTrack::WaitForRebuild(milliseconds timeout)
{
    std::unique_lock lock(m_lock);
    return m_done.wait_for(lock, timeout, [this] { return m_finished == m_asked; });
}

bool CLogTrack::TakeResult()
{
    const bool pictures = TakePictures();
    std::optional<CTrackDecimator> result;
    CPixelGrid grid;
    {
        std::lock_guard lock(m_lock);
        if (!m_result || m_finished != m_asked)
            return pictures;
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
    m_pictures.clear();   // drawn from the list before
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

std::optional<geo::CPosition> CLogTrack::FirstDrawnPosition() const
{
    const std::optional<std::size_t> first = GetFirstNodeToDraw(true);
    if (!first)
        return std::nullopt;
    const CTrackFix& f = m_kept[*first].fix;
    return geo::CPosition(f.latitude, f.longitude, f.altitude, static_cast<std::int16_t>(f.datum));
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
        bool asked = false;
        {
            std::lock_guard lock(m_lock);
            asked = m_asked != m_finished && Serves(m_askedGrid, *grid);
        }
        if (!asked)
            Rebuild(*grid);
    }
    m_paintedFromPicture = false;
    const std::optional<std::size_t> first = GetFirstNodeToDraw(decorate);
    if (!first)
        return;
    const std::size_t end = m_fixes.size();
    const CTrackPaintStyle style = StyleNow();
    const chart::CPixelView memory = dc.Memory();
    const std::optional<CPictureKey> key =
        end - *first >= kPictureFrom ? KeyOf(doc, memory, *first, decorate) : std::nullopt;
    CTrackDrawState state;
    if (!key) {
        DrawPart(doc, dc, style, *first, *first, end, decorate, state);
        return;
    }
    TakePictures();
    // The picture holds every fix but the newest, which the next point may
    // replace; the points after it are drawn over the picture, and once there
    // are many of them a new picture is asked for.
    const CPicture* picture = FindPicture(*key, false);
    if (!picture || end - picture->end > kTailLimit)
        AskPicture(doc, *key, style, end);
    m_paintedFromPicture = picture != nullptr;
    // A display limit moves its first fix on as new ones come: until the new
    // picture is drawn, the one from a little earlier stands in.
    if (!picture)
        picture = FindPicture(*key, true);
    if (!picture) {
        const std::size_t from = end - std::min(end - *first, kTailLimit);
        DrawPart(doc, dc, style, from, from, end, decorate, state);
        return;
    }
    dc.Backend()->Flush();
    picture->picture.PaintOn(memory);
    state = picture->state;
    const std::size_t pictureEnd = picture->end;
    DrawPart(doc, dc, style, std::max(*first, pictureEnd - 1), pictureEnd, end, decorate, state);
}

CTrackPaintStyle CLogTrack::StyleNow() const
{
    const int palette = std::clamp(chart::ActivePaletteIndex(), 0, 2);
    CTrackPaintStyle style = CTrackPaintStyle::Of(m_properties, GetLineStyle(palette), palette);
    style.timeMarks = m_settings.drawTimeMarks;
    style.markInterval = m_settings.markInterval;
    return style;
}

void CLogTrack::DrawPart(chart::CChartDoc& doc, chart::CXDC& dc, const CTrackPaintStyle& style,
                         std::size_t lineFrom, std::size_t from, std::size_t to, bool decorate,
                         CTrackDrawState& state) const
{
    const std::vector<CPaintFix> fixes = PaintFixes(lineFrom, to);
    PaintTrack(dc, style, fixes.data(), Place(doc, lineFrom, to), from, decorate, state);
}

void CLogTrack::AskPicture(chart::CChartDoc& doc, const CPictureKey& key,
                           const CTrackPaintStyle& style, std::size_t end)
{
    if (m_pictureAsked && *m_pictureAsked == key)
        return;   // on its way
    CPictureJob job;
    job.key = key;
    job.end = end - 1;
    job.style = style;
    // Placing needs the chart, which only this thread may use.
    job.placed = Place(doc, key.first, job.end);
    job.fixes = PaintFixes(key.first, job.end);
    job.factory = chart::GetDrawBackendFactory();
    m_pictureAsked = key;
    {
        std::lock_guard lock(m_lock);
        m_pictureJob = std::move(job);   // a job not yet begun gives way
    }
    CTrackWorker::Painter().Post(this, [this] { PaintAsked(); });
}

void CLogTrack::PaintAsked()
{
    std::optional<CPictureJob> job;
    {
        std::lock_guard lock(m_lock);
        if (!m_pictureJob)
            return;
        job.swap(m_pictureJob);
        m_pictureBusy = true;
    }
    std::optional<CPicture> drawn = DrawPicture(std::move(*job));
    {
        std::lock_guard lock(m_lock);
        if (drawn)
            m_picturesDrawn.push_back(std::move(*drawn));
        m_pictureBusy = false;
    }
    m_done.notify_all();
    if (m_ready)
        m_ready();
}

// Drawn once on black and once on white: the two tell drawn pixels from the
// chart below, and how much of it the smoothed label edges let through.
std::optional<CLogTrack::CPicture> CLogTrack::DrawPicture(CPictureJob job)
{
    const int width = job.key.width, height = job.key.height;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    const std::size_t size = std::size_t(width) * std::size_t(height);
    std::vector<std::uint32_t> onBlack(size), onWhite(size);
    CPicture picture;
    picture.key = job.key;
    picture.end = job.end;
    for (auto* pixels : {&onBlack, &onWhite}) {
        const chart::CPixelView view{pixels->data(), width, height, width};
        CTrackPicture::Clear(view,
                             pixels == &onBlack ? CTrackPicture::kBlack : CTrackPicture::kWhite);
        std::unique_ptr<chart::CDrawBackend> backend;
        if (job.factory)
            backend = job.factory->CreateForMemory(view);
        if (!backend)
            backend = std::make_unique<chart::CRecordingBackend>(view);
        chart::CXDC dc(std::move(backend));
        picture.state = {};
        PaintTrack(dc, job.style, job.fixes.data(), job.placed, job.key.first, job.key.decorate,
                   picture.state);
        dc.Backend()->Flush();
    }
    picture.picture = CTrackPicture::Capture({onBlack.data(), width, height, width},
                                             {onWhite.data(), width, height, width});
    return picture;
}

bool CLogTrack::TakePictures()
{
    std::vector<CPicture> drawn;
    {
        std::lock_guard lock(m_lock);
        drawn.swap(m_picturesDrawn);
    }
    bool taken = false;
    for (CPicture& picture : drawn) {
        if (m_pictureAsked && *m_pictureAsked == picture.key)
            m_pictureAsked.reset();
        if (picture.key.generation != m_generation)
            continue;   // drawn from a list since replaced
        std::erase_if(m_pictures, [&](const CPicture& p) { return p.key == picture.key; });
        m_pictures.push_back(std::move(picture));
        if (m_pictures.size() > kPicturesKept)
            m_pictures.erase(m_pictures.begin());
        taken = true;
    }
    return taken;
}

const CLogTrack::CPicture* CLogTrack::FindPicture(const CPictureKey& key, bool anyFirst) const
{
    for (auto it = m_pictures.rbegin(); it != m_pictures.rend(); ++it) {
        CPictureKey wanted = key;
        if (anyFirst)
            wanted.first = it->key.first;
        if (it->key == wanted && it->end <= m_fixes.size())
            return &*it;
    }
    return nullptr;
}

bool CLogTrack::WaitForPicture(milliseconds timeout)
{
    std::unique_lock lock(m_lock);
    return m_done.wait_for(lock, timeout,
                           [this] { return !m_pictureJob.has_value() && !m_pictureBusy; });
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
        key.markerSize = m_properties->GetSizeMode();
        key.labels = m_properties->drawFixTimeAndSource;
        key.text = m_properties->Text().GetColours()[std::size_t(key.palette)];
        key.font = m_properties->Text().GetFont();
    }
    key.settings = m_settings;
    return key;
}

CPlacedFixes CLogTrack::Place(chart::CChartDoc& doc, std::size_t from, std::size_t to) const
{
    // Every fix is placed once; the line, the marks and the markers share
    // the places. The positions come from the kept list, which lies in one
    // block, rather than from the fix objects spread over the heap.
    CPlacedFixes placed;
    placed.from = from;
    if (from >= to)
        return placed;
    placed.points.reserve(to - from);
    placed.starts.reserve(to - from + 1);
    placed.clip = doc.VisibleClientRect();
    chart::PointList at;
    for (std::size_t i = from; i < to; ++i) {
        placed.starts.push_back(std::uint32_t(placed.points.size()));
        const CTrackFix& f = m_kept[i].fix;
        const geo::CPosition position(f.latitude, f.longitude, f.altitude,
                                      static_cast<std::int16_t>(f.datum));
        at.clear();
        geo::IntPoint line;
        if (doc.PositionToClientPoints(position, at))
            placed.points.insert(placed.points.end(), at.begin(), at.end());
        else if (doc.PositionToLinePoint(position, line))
            placed.beyond.emplace_back(std::uint32_t(i - from), line);
    }
    placed.starts.push_back(std::uint32_t(placed.points.size()));
    return placed;
}

std::vector<CPaintFix> CLogTrack::PaintFixes(std::size_t from, std::size_t to) const
{
    std::vector<CPaintFix> fixes;
    fixes.reserve(to > from ? to - from : 0);
    for (std::size_t i = from; i < to; ++i) {
        const CKeptFix& k = m_kept[i];
        fixes.push_back({k.fix.utc, k.fix.cog, k.fix.fixType, k.segmentStart});
    }
    return fixes;
}

void CLogTrack::DrawTrail(chart::CChartDoc& doc, chart::CXDC& dc,
                          const std::vector<geo::CPosition>& trail) const
{
    if (trail.empty())
        return;
    const chart::CTrackLineStyle style = GetLineStyle(chart::ActivePaletteIndex());
    const chart::Pen before =
        dc.SelectPen(chart::Pen{style.broken ? chart::PenStyle::Dot : chart::PenStyle::Solid,
                                std::max(1, style.width), style.line});
    {
        chart::CLineRuns line(dc, doc.VisibleClientRect());
        bool joined = false;   // a point was added since the last break
        geo::IntPoint last{};
        auto add = [&](const geo::CPosition& p) {
            geo::IntPoint at;
            bool onChart = false;
            if (!doc.PositionToLinePoint(p, at, &onChart)) {
                line.Break();
                joined = false;
            } else if (!joined || last != at) {
                line.Add(at, onChart);
                last = at;
                joined = true;
            }
        };
        if (!m_kept.empty()) {
            const CTrackFix& f = m_kept.back().fix;
            add(geo::CPosition(f.latitude, f.longitude, f.altitude,
                               static_cast<std::int16_t>(f.datum)));
        }
        for (const geo::CPosition& p : trail)
            add(p);
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

}   // namespace navigator
