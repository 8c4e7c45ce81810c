#pragma once
// The "General" page of the navigator's options: how the own vessel and its
// past track are drawn. The heading line and the speed vector (the vessel
// module's switches, the navigator's length and time), the track line, its
// position markers and their labels (the navigator's fix-marker properties,
// one colour each for the display palette in use), the time marks and the
// track limit.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/OptionPages.h"
#include "chart/overlays/OverlayServices.h"

namespace chart {
class CPositionFixProperties;
}

namespace navigator {

struct CLogTrackSettings;

// The heading line's length (nm): the spin stops at 1000 going up and at 0.1
// going down, but one step from below 1000 may pass it, so typed values are
// held to this wider range.
inline constexpr double kHeadingIndicatorLeast = 0.1;
inline constexpr double kHeadingIndicatorMost = 1100.0;
// One spin step of the heading line's length, kept to 1 decimal; at a limit
// the value stays.
double StepHeadingIndicator(double nm, bool up);

// The track line widths the page offers, in pixels.
inline constexpr int kTrackLineWidths = 20;

// The spans the page offers, whole minutes.
inline constexpr std::chrono::minutes kSpanLeast{1};
inline constexpr std::chrono::minutes kVectorTimeMost{23 * 60 + 59};
inline constexpr std::chrono::minutes kMarkIntervalMost{2 * 60};
inline constexpr std::chrono::minutes kTrackLimitMost{23 * 60 + 59};

enum class GeneralColour { Track, Marker, Text };

struct CGeneralNavigatorValues {
    bool headingIndicator = true;   // the vessel module's heading-marker switch
    double headingLength = 1.0;   // nm, the navigator's "HeadingIndicator"
    bool speedVector = true;   // the vessel module's speed-vector switch
    std::chrono::seconds vectorTime{std::chrono::minutes(5)};   // "SpeedDirectionVector"
    bool pastTrack = true;   // the track line drawn
    int lineWidth = 2;   // pixels
    bool markers = true;   // the position-fix markers drawn
    int markerSize = 0;   // 0 small, 1 medium, 2 large
    bool fixLabels = false;   // "Fix time and source"
    bool timeMarks = false;   // "DrawTimeMarks"
    std::chrono::seconds markInterval{std::chrono::minutes(10)};   // "TimeMarkInterval"
    bool limitTrack = false;   // "LimitTrackDisplay"
    std::chrono::seconds trackLimit{std::chrono::hours(4)};   // "TrackTimeLimit"
    chart::PaletteColours trackColours{};
    chart::PaletteColours markerColours{};
    chart::PaletteColours textColours{};
    bool operator==(const CGeneralNavigatorValues&) const = default;
};

// The track part of the values from the navigator's fix-marker properties
// and track settings, and back. Storing leaves the heading line and vector
// to the caller.
void ReadTrackValues(const chart::CPositionFixProperties& fixes, const CLogTrackSettings& track,
                     CGeneralNavigatorValues& values);
void StoreTrackValues(const CGeneralNavigatorValues& values, chart::CPositionFixProperties& fixes,
                      CLogTrackSettings& track);

class CGeneralNavigatorOptionsModel final : public app::COptionPageModel {
public:
    using ApplyFn = std::function<void(const CGeneralNavigatorValues&)>;
    // `lineWidths`: the widest track line the properties keep.
    CGeneralNavigatorOptionsModel(const CGeneralNavigatorValues& values, int lineWidths,
                                  ApplyFn apply);

    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CGeneralNavigatorValues& Values() { return m_values; }
    const CGeneralNavigatorValues& Values() const { return m_values; }
    int LineWidths() const { return m_lineWidths; }
    // The length as typed; read at Validate and Apply.
    std::string headingText;
    void SpinHeading(bool up);

    // What each control hangs on.
    bool HeadingLengthEnabled() const { return m_values.headingIndicator; }
    bool VectorTimeEnabled() const { return m_values.speedVector; }
    bool TrackEnabled() const { return m_values.pastTrack; }
    bool MarkerEnabled() const { return m_values.pastTrack && m_values.markers; }
    bool MarkIntervalEnabled() const { return m_values.pastTrack && m_values.timeMarks; }
    bool TrackLimitEnabled() const { return m_values.pastTrack && m_values.limitTrack; }
    bool ColourEnabled(GeneralColour which) const;

    chart::COLORREF Colour(GeneralColour which, int palette) const;
    void SetColour(GeneralColour which, int palette, chart::COLORREF colour);

private:
    CGeneralNavigatorValues m_values;
    int m_lineWidths;
    ApplyFn m_apply;
};

}   // namespace navigator
