#include "navigator/GeneralNavigatorOptions.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "chart/overlays/OverlayProperties.h"
#include "navigator/LogTrack.h"
#include "platform/LocaleFreeNumbers.h"

namespace navigator {

namespace {

double RoundTenth(double v)
{
    return std::round(v * 10.0) / 10.0;
}

std::optional<double> ReadLength(const std::string& text)
{
    std::string trimmed = text;
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    // A comma typed as the decimal mark is the point, as in the other sheets.
    const auto value = platform::ParseTypedDecimal(trimmed);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

std::string LengthText(double nm)
{
    return platform::FormatC("%.1f", nm);
}

std::optional<app::CFieldError> CheckSpan(const char* field, const char* label,
                                          std::chrono::seconds span, std::chrono::minutes most)
{
    if (span >= kSpanLeast && span <= most)
        return std::nullopt;
    const auto m = most.count();
    return app::CFieldError{field, std::string(label) + " runs from 0:01 to " +
                                       platform::FormatC("%d:%02d", int(m / 60), int(m % 60))};
}

chart::PaletteColours CGeneralNavigatorValues::*ColoursOf(GeneralColour which)
{
    switch (which) {
    case GeneralColour::Marker: return &CGeneralNavigatorValues::markerColours;
    case GeneralColour::Text: return &CGeneralNavigatorValues::textColours;
    case GeneralColour::Track: break;
    }
    return &CGeneralNavigatorValues::trackColours;
}

std::size_t PaletteSlot(int palette)
{
    return std::size_t(std::clamp(palette, 0, int(std::tuple_size_v<chart::PaletteColours>) - 1));
}

}   // namespace

double StepHeadingIndicator(double nm, bool up)
{
    if (!std::isfinite(nm))
        return 1.0;
    if (up) {
        if (nm >= 1000.0)
            return nm;
        return RoundTenth(nm + (nm >= 100.0 ? 100.0 : nm >= 10.0 ? 10.0 : nm >= 1.0 ? 1.0 : 0.1));
    }
    if (nm <= kHeadingIndicatorLeast)
        return nm;
    const double step = nm >= 200.0 ? 100.0 : nm >= 20.0 ? 10.0 : nm >= 2.0 ? 1.0 : 0.1;
    return std::max(kHeadingIndicatorLeast, RoundTenth(nm - step));
}

void ReadTrackValues(const chart::CPositionFixProperties& fixes, const CLogTrackSettings& track,
                     CGeneralNavigatorValues& v)
{
    v.pastTrack = track.visible;
    v.lineWidth = fixes.Line().GetWidth();
    v.trackColours = fixes.Line().GetColours();
    v.markers = fixes.GetDraw();
    v.markerSize = std::clamp(int(fixes.GetSizeMode()), 0, 2);
    v.markerColours = fixes.GetColours();
    v.fixLabels = fixes.drawFixTimeAndSource;
    v.textColours = fixes.Text().GetColours();
    v.timeMarks = track.drawTimeMarks;
    v.markInterval = track.markInterval;
    v.limitTrack = track.limitDisplay;
    v.trackLimit = track.span;
}

void StoreTrackValues(const CGeneralNavigatorValues& v, chart::CPositionFixProperties& fixes,
                      CLogTrackSettings& track)
{
    // The line's own draw flag keeps "Past track" across starts.
    fixes.Line().SetDraw(v.pastTrack);
    fixes.Line().SetWidth(std::uint8_t(std::clamp(v.lineWidth, 1, 255)));
    fixes.Line().SetColours(v.trackColours);
    fixes.SetDraw(v.markers);
    fixes.SetSizeMode(std::clamp(v.markerSize, 0, 2));
    fixes.SetColours(v.markerColours);
    fixes.drawFixTimeAndSource = v.fixLabels;
    fixes.Text().SetColours(v.textColours);
    track.visible = v.pastTrack;
    track.drawTimeMarks = v.timeMarks;
    track.markInterval = v.markInterval;
    track.limitDisplay = v.limitTrack;
    track.span = v.trackLimit;
}

CGeneralNavigatorOptionsModel::CGeneralNavigatorOptionsModel(const CGeneralNavigatorValues& values,
                                                             int lineWidths, ApplyFn apply)
    : headingText(LengthText(values.headingLength)), m_values(values),
      m_lineWidths(std::max(1, lineWidths)), m_apply(std::move(apply))
{
    m_values.lineWidth = std::clamp(m_values.lineWidth, 1, m_lineWidths);
}

void CGeneralNavigatorOptionsModel::SpinHeading(bool up)
{
    if (const auto nm = ReadLength(headingText))
        headingText = LengthText(StepHeadingIndicator(*nm, up));
}

std::vector<app::CFieldError> CGeneralNavigatorOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    // A switched-off control keeps its last good value: only what is in use is checked.
    if (m_values.headingIndicator) {
        const auto nm = ReadLength(headingText);
        if (!nm)
            errors.push_back({"headingLength", "The heading indicator length must be a number."});
        else if (auto bad = app::CheckRange("headingLength", "Heading indicator lengths", *nm,
                                            kHeadingIndicatorLeast, kHeadingIndicatorMost))
            errors.push_back(*bad);
    }
    if (m_values.speedVector)
        if (auto bad =
                CheckSpan("vectorTime", "The vector time", m_values.vectorTime, kVectorTimeMost))
            errors.push_back(*bad);
    if (MarkIntervalEnabled())
        if (auto bad = CheckSpan("markInterval", "The time mark interval", m_values.markInterval,
                                 kMarkIntervalMost))
            errors.push_back(*bad);
    if (TrackLimitEnabled())
        if (auto bad =
                CheckSpan("trackLimit", "The track limit", m_values.trackLimit, kTrackLimitMost))
            errors.push_back(*bad);
    return errors;
}

void CGeneralNavigatorOptionsModel::Apply()
{
    if (m_values.headingIndicator)
        if (const auto nm = ReadLength(headingText))
            m_values.headingLength = RoundTenth(*nm);
    m_values.lineWidth = std::clamp(m_values.lineWidth, 1, m_lineWidths);
    if (m_apply)
        m_apply(m_values);
}

bool CGeneralNavigatorOptionsModel::ColourEnabled(GeneralColour which) const
{
    switch (which) {
    case GeneralColour::Track: return TrackEnabled();
    case GeneralColour::Marker: return MarkerEnabled();
    case GeneralColour::Text:
        return m_values.pastTrack && (m_values.fixLabels || m_values.timeMarks);
    }
    return false;
}

chart::COLORREF CGeneralNavigatorOptionsModel::Colour(GeneralColour which, int palette) const
{
    return (m_values.*ColoursOf(which))[PaletteSlot(palette)];
}

void CGeneralNavigatorOptionsModel::SetColour(GeneralColour which, int palette,
                                              chart::COLORREF colour)
{
    (m_values.*ColoursOf(which))[PaletteSlot(palette)] = colour;
}

}   // namespace navigator
