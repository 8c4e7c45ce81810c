#pragma once
// The program's three display palettes, Day (0), Dusk (1) and Night (2), each
// a colour for 21 of the desktop's colour elements, and which one is active.
// Day is the program's colours as they were at start-up; Dusk and Night have
// built-in colours the user may change. The program recolours its own
// windows from the active palette; the desktop is never touched.
//
// Drawing code dims its own colours for the active palette with DimForActive:
// by a quarter at dusk and a half at night.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Colour.h"

namespace platform {
class CSettingsStore;
}

namespace app {

// Element indices (the desktop colour numbers the palettes cover).
enum SysColour : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
};

inline constexpr int kSysColourCount = 25;

// Where the program's colours come from and go to: the window layer gives
// the program's own palette (never the desktop's).
class CSystemColours {
public:
    virtual ~CSystemColours() = default;
    virtual COLORREF GetSysColour(int index) const = 0;
    // `colours[i]` for element `indices[i]`, all at once.
    virtual void SetSysColours(const int* indices, const COLORREF* colours, int count) = 0;
};

class CDisplayPalettes {
public:
    static constexpr int kDay = 0;
    static constexpr int kDusk = 1;
    static constexpr int kNight = 2;
    static constexpr int kPaletteCount = 3;
    static constexpr int kElementCount = 21;

    CDisplayPalettes();

    // The desktop colour index of palette element `element` (0..20).
    static int ElementIndex(int element);
    // Stored and shown names of a desktop colour index; empty outside 0..24.
    static std::string_view ElementRegistryName(int sysIndex);
    static std::string_view ElementDisplayName(int sysIndex);
    static std::string_view PaletteName(int palette);   // "Day palette", ...
    // The built-in colour of an element for Dusk or Night; 0 for Day.
    static COLORREF DefaultColour(int palette, int element);

    // Day becomes the program's colours now.
    void CaptureSystemColours(const CSystemColours& source);
    // Writes Day (restore) or the active palette to `target`.
    void Apply(CSystemColours& target, bool restore) const;
    // Dusk or Night back to their built-in colours; Day is left alone.
    void ExpandDefaults(int palette);

    void SetColour(int palette, int element, COLORREF colour);
    COLORREF GetColour(int palette, int element) const;
    // The active palette's colour for a desktop colour index; black when the
    // palettes do not cover it.
    COLORREF GetActiveSysColour(int sysIndex) const;

    int GetActive() const { return m_active; }
    // An index outside 0..2 means Day.
    void SetActive(int palette);
    bool GetApplyToDesktop() const { return m_applyToDesktop; }
    void SetApplyToDesktop(bool on) { m_applyToDesktop = on; }

    COLORREF DimForActive(COLORREF colour) const;

    // Under `workspaceKey`\WorkSpace\Palettes. Load keeps what is missing; an
    // element whose stored text is damaged keeps its built-in colours.
    bool Load(platform::CSettingsStore& store, std::string_view workspaceKey);
    bool Save(platform::CSettingsStore& store, std::string_view workspaceKey) const;

    bool operator==(const CDisplayPalettes&) const = default;

private:
    std::array<std::array<COLORREF, kElementCount>, kPaletteCount> m_palettes{};
    bool m_applyToDesktop = false;
    int m_active = kDay;
};

// The application's one set of palettes, for code that draws (chart views,
// overlays); null until the application installs it.
CDisplayPalettes* GetProgramPalettes();
void SetProgramPalettes(CDisplayPalettes* palettes);   // not owned

// Each channel x (100 - percent) / 100, truncated; other percentages than
// 1..100 leave the colour alone.
COLORREF DimColourByPercent(COLORREF colour, int percent);
// 25 per cent for Dusk, 50 for Night, none otherwise.
COLORREF DimColour(COLORREF colour, int palette);

// The stored text of an element: "Dusk : rrr ggg bbb, Night : rrr ggg bbb".
std::string FormatPaletteElement(COLORREF dusk, COLORREF night);
// False (outputs untouched) for text too short, fields that are not three
// digits, or a channel above 255.
bool ParsePaletteElement(std::string_view text, COLORREF& dusk, COLORREF& night);

}   // namespace app
