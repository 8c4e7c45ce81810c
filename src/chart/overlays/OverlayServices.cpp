#include "chart/overlays/OverlayServices.h"

#include "app/DisplayPalettes.h"

namespace chart {

int ActivePaletteIndex()
{
    const app::CDisplayPalettes* palettes = app::GetProgramPalettes();
    const int active = palettes ? palettes->GetActive() : app::CDisplayPalettes::kDay;
    return active >= 0 && active <= 2 ? active : app::CDisplayPalettes::kDay;
}

COLORREF ActiveColour(const PaletteColours& colours)
{
    return colours[static_cast<std::size_t>(ActivePaletteIndex())];
}

COLORREF DimForActivePalette(COLORREF colour)
{
    return app::DimColour(colour, ActivePaletteIndex());
}

LegType LegTypeFromRouteTable(int code)
{
    return code == 1 ? LegType::GreatCircle : LegType::RhumbLine;
}

}   // namespace chart
