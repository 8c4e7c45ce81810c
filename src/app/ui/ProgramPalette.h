#pragma once
// The program's colours as display palettes see them: its QPalette. Day is
// the palette Qt gave the program at start-up; Dusk and Night are whole
// palettes built from their 21 colour elements (docs/design.md has the
// mapping), set on the application in the Fusion style so that every window,
// menu, tooltip and MDI title bar takes them from its first paint. The
// desktop's own colours are never touched.

#include <QPalette>

#include <functional>
#include <map>

#include "app/DisplayPalettes.h"

class QIcon;
class QMainWindow;

namespace app {

class CQtSystemColours final : public app::CSystemColours {
public:
    // Takes the program's palette as it is now as Day.
    CQtSystemColours();

    app::COLORREF GetSysColour(int index) const override;
    // Colours equal to the captured ones put the captured palettes back
    // exactly; any others build and set new ones.
    void SetSysColours(const int* indices, const app::COLORREF* colours, int count) override;

    using Elements = std::map<int, app::COLORREF>;   // desktop colour index -> colour
    static QPalette BuildPalette(const Elements& colours);
    static QPalette BuildMenuPalette(const Elements& colours);
    static QPalette BuildTitlePalette(const Elements& colours);

private:
    QPalette m_day;
    Elements m_dayColours;
};

// The Fusion style, which draws with the palette it is given everywhere,
// under a layer that keeps what it does not take from the palette (pictures
// of message boxes and labels, the white text of MDI title bars) from being
// brighter than the active display palette's brightest colour.
void UseFusionStyle();

// The brightest channel of the active palette of the program's palettes;
// 255 by day or when there are none.
int BrightestChannel();

// A toolbar or menu picture dimmed for the active palette (with its own
// greyed form for a disabled command).
QIcon DimIcon(const QIcon& icon, const app::CDisplayPalettes& palettes);

// Windows that recolour themselves (chart views) listen; each listener runs
// at the end of every ApplyDisplayPalette. Returns a number for removal.
using DisplayPaletteListener = std::function<void(const app::CDisplayPalettes&)>;
int AddDisplayPaletteListener(DisplayPaletteListener listener);
void RemoveDisplayPaletteListener(int id);

// Recolours the program for the active palette: its QPalette, the message
// bar, the side panels, the MDI area, the toolbar pictures, then the listeners.
void ApplyDisplayPalette(QMainWindow& frame, const app::CDisplayPalettes& palettes,
                         CQtSystemColours& colours);

}   // namespace app
