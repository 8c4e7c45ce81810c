#pragma once
// The five colours a target card offers for the display palette in use:
// the symbol, its texts, the track line, the track's position markers and
// the projected path, and when each can be changed (the text, track and
// marker colours only while what they colour is drawn).

#include <array>

#include "chart/overlays/OverlayProperties.h"

namespace targets {

enum class TargetColour { Symbol, Text, Track, Marker, Path };
inline constexpr std::array<TargetColour, 5> kTargetColours{
    TargetColour::Symbol, TargetColour::Text, TargetColour::Track, TargetColour::Marker,
    TargetColour::Path};

chart::COLORREF GetTargetColour(const chart::CTargetProperties& p, TargetColour which, int palette);
// Changes that palette's colour only.
void SetTargetColour(chart::CTargetProperties& p, TargetColour which, int palette,
                     chart::COLORREF colour);
// Text: overlays and one of the texts (number or channel, name, and the
// label or, for tenders, the depth). Both cards offer the symbol and path
// wells always; the tender card its track and marker wells too, the ARPA
// card the track with overlays and track, the markers with those and the
// markers.
bool TargetColourEnabled(const chart::CTargetProperties& p, TargetColour which, bool tender);

}   // namespace targets
