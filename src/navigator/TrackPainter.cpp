#include "navigator/TrackPainter.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>

#include "chart/draw/LineRuns.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayText.h"
#include "navigator/TrackRecord.h"

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

chart::COverlayText Label(const CTrackPaintStyle& style)
{
    chart::COverlayText label(style.font ? &*style.font : nullptr);
    if (style.textColourSet)
        label.textColour = style.text;
    return label;
}

// A mark on the window's first fix, then on the first fix at or after the
// interval from the last mark.
void PaintTimeMarks(chart::CXDC& dc, const CTrackPaintStyle& style, const CPaintFix* fixes,
                    const CPlacedFixes& placed, std::size_t from, std::size_t to,
                    CTrackDrawState& state)
{
    if (!style.timeMarks)
        return;
    const bool markerCarriesTime = style.markerCarriesTime;
    chart::COverlayText label = Label(style);
    label.placement = chart::kPlaceCentred;
    for (std::size_t i = from; i < to; ++i) {
        const std::size_t k = i - placed.from;
        const CPaintFix& f = fixes[k];
        if (state.nextMark && f.utc < *state.nextMark)
            continue;
        state.nextMark = f.utc + style.markInterval;
        const double cog = f.cog == kUnsetTrackValue ? 0.0 : f.cog;
        const double across = std::fmod(cog + 90.0, 360.0) * M_PI / 180.0;
        const int dx = int(std::lround(std::sin(across) * 6.0));
        const int dy = int(-std::lround(std::cos(across) * 6.0));
        for (std::uint32_t n = placed.starts[k]; n < placed.starts[k + 1]; ++n) {
            const geo::IntPoint p = placed.points[n];
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

void PaintFixes(chart::CXDC& dc, const CTrackPaintStyle& style, const CPaintFix* fixes,
                const CPlacedFixes& placed, std::size_t from, std::size_t to,
                CTrackDrawState& state)
{
    if (!style.markers)
        return;
    chart::COverlayText time = Label(style);
    chart::COverlayText source = Label(style);
    chart::COverlayPositionFix marker;
    marker.SetSizeMode(style.markerSize);
    // Markers first, then every label over them, so no marker hides a label.
    std::vector<std::pair<std::size_t, geo::IntPoint>> labelled;
    for (std::size_t i = from; i < to; ++i) {
        const std::size_t k = i - placed.from;
        for (std::uint32_t n = placed.starts[k]; n < placed.starts[k + 1]; ++n) {
            const geo::IntPoint p = placed.points[n];
            if (!Apart(state.lastMarker, p, kMarkerSpacing))
                continue;
            state.lastMarker = p;
            marker.SetScreenPoint(p);
            marker.Draw(dc);
            if (style.labels && Apart(state.lastLabel, p, kLabelSpacing)) {
                state.lastLabel = p;
                labelled.emplace_back(k, p);
            }
        }
    }
    for (const auto& [k, p] : labelled) {
        time.text = HourMinute(fixes[k].utc);
        time.placement = chart::kPlaceAbove;
        const CFixLabel label = GetFixLabel(fixes[k].code);
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

}   // namespace

CTrackPaintStyle CTrackPaintStyle::Of(const chart::CPositionFixProperties* properties,
                                      const chart::CTrackLineStyle& line, int palette)
{
    CTrackPaintStyle style;
    style.line = line;
    if (properties) {
        style.markers = properties->GetDraw();
        style.markerSize = properties->GetSizeMode();
        style.labels = properties->drawFixTimeAndSource;
        style.markerCarriesTime = style.markers && style.labels;
        style.text = properties->Text().GetColours()[std::size_t(std::clamp(palette, 0, 2))];
        style.textColourSet = true;
        style.font = properties->Text().GetFont();
    }
    return style;
}

void PaintTrack(chart::CXDC& dc, const CTrackPaintStyle& style, const CPaintFix* fixes,
                const CPlacedFixes& placed, std::size_t from, bool decorate, CTrackDrawState& state)
{
    if (placed.starts.size() < 2)
        return;
    const std::size_t lineFrom = placed.from;
    const std::size_t to = lineFrom + placed.starts.size() - 1;
    const chart::Pen before =
        dc.SelectPen(chart::Pen{style.line.broken ? chart::PenStyle::Dot : chart::PenStyle::Solid,
                                std::max(1, style.line.width), style.line.line});
    {
        // Runs of joined points become one polyline each; the line to or
        // from a fix off the chart is clipped at the chart's edge.
        chart::CLineRuns line(dc, placed.clip);
        auto beyond = placed.beyond.begin();
        for (std::size_t k = 0; k + lineFrom < to; ++k) {
            if (fixes[k].segmentStart)
                line.Break();
            while (beyond != placed.beyond.end() && beyond->first < k)
                ++beyond;
            if (placed.starts[k] != placed.starts[k + 1])
                line.Add(placed.points[placed.starts[k]], true);
            else if (beyond != placed.beyond.end() && beyond->first == k)
                line.Add(beyond->second, false);
            else
                line.Break();
        }
    }
    if (decorate) {
        PaintTimeMarks(dc, style, fixes, placed, from, to, state);
        dc.SelectPen(chart::Pen{chart::PenStyle::Solid, 1, style.line.marker});
        PaintFixes(dc, style, fixes, placed, from, to, state);
    }
    dc.SelectPen(before);
}

}   // namespace navigator
