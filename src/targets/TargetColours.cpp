#include "targets/TargetColours.h"

#include <algorithm>

namespace targets {

namespace {

const chart::PaletteColours& Colours(const chart::CTargetProperties& p, TargetColour which)
{
    switch (which) {
    case TargetColour::Symbol: return p.GetColours();
    case TargetColour::Text: return p.Text().GetColours();
    case TargetColour::Track: return p.Line().GetColours();
    case TargetColour::Marker: return p.FixMarker().GetColours();
    case TargetColour::Path: break;
    }
    return p.projectedPathColours;
}

std::size_t Index(int palette)
{
    return std::size_t(std::clamp(palette, 0, int(std::tuple_size_v<chart::PaletteColours>) - 1));
}

}   // namespace

chart::COLORREF GetTargetColour(const chart::CTargetProperties& p, TargetColour which, int palette)
{
    return Colours(p, which)[Index(palette)];
}

void SetTargetColour(chart::CTargetProperties& p, TargetColour which, int palette,
                     chart::COLORREF colour)
{
    chart::PaletteColours colours = Colours(p, which);
    colours[Index(palette)] = colour;
    switch (which) {
    case TargetColour::Symbol: p.SetColours(colours); break;
    case TargetColour::Text: p.Text().SetColours(colours); break;
    case TargetColour::Track: p.Line().SetColours(colours); break;
    case TargetColour::Marker: p.FixMarker().SetColours(colours); break;
    case TargetColour::Path: p.projectedPathColours = colours; break;
    }
}

bool TargetColourEnabled(const chart::CTargetProperties& p, TargetColour which, bool tender)
{
    // The tender card greys only the text well; the other four are offered
    // whatever is drawn.
    if (tender && which != TargetColour::Text)
        return true;
    const bool overlays = p.GetDraw();
    switch (which) {
    // The ARPA card offers the symbol and path colours whatever is drawn.
    case TargetColour::Symbol: return true;
    case TargetColour::Text:
        return overlays && (p.drawNumber || p.drawName || (tender ? p.drawDepth : p.drawLabel));
    case TargetColour::Track: return overlays && p.drawTrack;
    case TargetColour::Marker: return overlays && p.drawTrack && p.FixMarker().GetDraw();
    case TargetColour::Path: return true;
    }
    return false;
}

}   // namespace targets
