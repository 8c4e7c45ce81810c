#include "app/DisplayPalettes.h"

#include <cstdio>

#include "app/Registry.h"

namespace app {

namespace {

struct ElementNames {
    std::string_view registry;
    std::string_view display;
};

constexpr std::array<ElementNames, kSysColourCount> kNames = {{
    {"Scrollbar", "Scroll Bars"},
    {"Background", "Background"},
    {"ActiveTitle", "Active Title Bar"},
    {"InactiveTitle", "Inactive Title Bar"},
    {"Menu", "Menu Bar"},
    {"Window", "Window Background"},
    {"WindowFrame", "Window Frame"},
    {"MenuText", "Menu Text"},
    {"WindowText", "Window Text"},
    {"TitleText", "Active Title Bar Text"},
    {"ActiveBorder", "Active Border"},
    {"InactiveBorder", "Inactive Border"},
    {"AppWorkspace", "Application Workspace"},
    {"Hilight", "Highlight"},
    {"HilightText", "Highlighted Text"},
    {"ButtonFace", "Button Face"},
    {"ButtonShadow", "Button Shadow"},
    {"GrayText", "Disabled Text"},
    {"ButtonText", "Button Text"},
    {"InactiveTitleText", "Inactive Title Bar Text"},
    {"ButtonHilight", "Button Highlight"},
    {"ButtonDkShadow", "ButtonDkShadow"},
    {"ButtonLight", "ButtonLight"},
    {"InfoText", "InfoText"},
    {"InfoWindow", "InfoWindow"},
}};

struct Element {
    int sysIndex;
    std::uint8_t dusk[3];
    std::uint8_t night[3];
};

// The palettes' elements in their order, with the built-in colours.
constexpr std::array<Element, CDisplayPalettes::kElementCount> kElements = {{
    {COLOR_ACTIVEBORDER, {160, 160, 164}, {0, 0, 0}},
    {COLOR_ACTIVECAPTION, {160, 160, 164}, {128, 128, 128}},
    {COLOR_APPWORKSPACE, {128, 128, 128}, {0, 0, 0}},
    {COLOR_BACKGROUND, {192, 192, 192}, {0, 0, 0}},
    {COLOR_BTNFACE, {128, 128, 128}, {0, 0, 0}},
    {COLOR_BTNHIGHLIGHT, {192, 192, 192}, {160, 160, 164}},
    {COLOR_BTNSHADOW, {160, 160, 164}, {128, 128, 128}},
    {COLOR_BTNTEXT, {0, 0, 0}, {160, 160, 164}},
    {COLOR_CAPTIONTEXT, {255, 251, 240}, {192, 192, 192}},
    {COLOR_GRAYTEXT, {192, 192, 192}, {160, 160, 164}},
    {COLOR_HIGHLIGHT, {128, 128, 128}, {160, 160, 164}},
    {COLOR_HIGHLIGHTTEXT, {255, 251, 240}, {0, 0, 0}},
    {COLOR_INACTIVEBORDER, {192, 192, 192}, {160, 160, 164}},
    {COLOR_INACTIVECAPTION, {0, 0, 0}, {0, 0, 0}},
    {COLOR_INACTIVECAPTIONTEXT, {255, 251, 240}, {192, 192, 192}},
    {COLOR_MENU, {160, 160, 164}, {0, 0, 0}},
    {COLOR_MENUTEXT, {0, 0, 0}, {192, 192, 192}},
    {COLOR_SCROLLBAR, {160, 160, 164}, {0, 0, 0}},
    {COLOR_WINDOW, {160, 160, 164}, {128, 128, 128}},
    {COLOR_WINDOWFRAME, {0, 0, 0}, {192, 192, 192}},
    {COLOR_WINDOWTEXT, {0, 0, 0}, {0, 0, 0}},
}};

constexpr std::array<std::string_view, 3> kPaletteNames = {"Day palette", "Dusk palette",
                                                           "Night palette"};

CDisplayPalettes* g_programPalettes = nullptr;

bool IsPalette(int p)
{
    return p >= 0 && p < CDisplayPalettes::kPaletteCount;
}
bool IsElement(int e)
{
    return e >= 0 && e < CDisplayPalettes::kElementCount;
}

// Three characters at `at` as a channel 0..255: digits only.
bool ReadChannel(std::string_view text, std::size_t at, unsigned& value)
{
    if (at + 3 > text.size())
        return false;
    unsigned v = 0;
    for (std::size_t i = at; i < at + 3; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + unsigned(text[i] - '0');
    }
    if (v > 255)
        return false;
    value = v;
    return true;
}

std::string PalettesKey(std::string_view workspaceKey)
{
    std::string key(workspaceKey);
    key += "\\WorkSpace\\Palettes";
    return key;
}

}   // namespace

CDisplayPalettes::CDisplayPalettes()
{
    ExpandDefaults(kDusk);
    ExpandDefaults(kNight);
}

int CDisplayPalettes::ElementIndex(int element)
{
    return IsElement(element) ? kElements[std::size_t(element)].sysIndex : -1;
}

std::string_view CDisplayPalettes::ElementRegistryName(int sysIndex)
{
    return sysIndex >= 0 && sysIndex < kSysColourCount ? kNames[std::size_t(sysIndex)].registry
                                                       : std::string_view{};
}

std::string_view CDisplayPalettes::ElementDisplayName(int sysIndex)
{
    return sysIndex >= 0 && sysIndex < kSysColourCount ? kNames[std::size_t(sysIndex)].display
                                                       : std::string_view{};
}

std::string_view CDisplayPalettes::PaletteName(int palette)
{
    return IsPalette(palette) ? kPaletteNames[std::size_t(palette)] : std::string_view{};
}

COLORREF CDisplayPalettes::DefaultColour(int palette, int element)
{
    if (!IsElement(element) || (palette != kDusk && palette != kNight))
        return 0;
    const Element& e = kElements[std::size_t(element)];
    const std::uint8_t* c = palette == kDusk ? e.dusk : e.night;
    return RGB(c[0], c[1], c[2]);
}

void CDisplayPalettes::CaptureSystemColours(const CSystemColours& source)
{
    for (int e = 0; e < kElementCount; ++e)
        m_palettes[kDay][std::size_t(e)] = source.GetSysColour(ElementIndex(e));
}

void CDisplayPalettes::Apply(CSystemColours& target, bool restore) const
{
    std::array<int, kElementCount> indices;
    for (int e = 0; e < kElementCount; ++e)
        indices[std::size_t(e)] = ElementIndex(e);
    const auto& colours = m_palettes[std::size_t(restore ? kDay : m_active)];
    target.SetSysColours(indices.data(), colours.data(), kElementCount);
}

void CDisplayPalettes::ExpandDefaults(int palette)
{
    if (palette != kDusk && palette != kNight)
        return;
    for (int e = 0; e < kElementCount; ++e)
        m_palettes[std::size_t(palette)][std::size_t(e)] = DefaultColour(palette, e);
}

void CDisplayPalettes::SetColour(int palette, int element, COLORREF colour)
{
    if (IsPalette(palette) && IsElement(element))
        m_palettes[std::size_t(palette)][std::size_t(element)] = colour & 0xFFFFFFu;
}

COLORREF CDisplayPalettes::GetColour(int palette, int element) const
{
    return IsPalette(palette) && IsElement(element)
               ? m_palettes[std::size_t(palette)][std::size_t(element)]
               : 0;
}

COLORREF CDisplayPalettes::GetActiveSysColour(int sysIndex) const
{
    for (int e = 0; e < kElementCount; ++e)
        if (ElementIndex(e) == sysIndex)
            return m_palettes[std::size_t(m_active)][std::size_t(e)];
    return 0;
}

void CDisplayPalettes::SetActive(int palette)
{
    m_active = IsPalette(palette) ? palette : kDay;
}

COLORREF CDisplayPalettes::DimForActive(COLORREF colour) const
{
    return DimColour(colour, m_active);
}

CDisplayPalettes* GetProgramPalettes()
{
    return g_programPalettes;
}
void SetProgramPalettes(CDisplayPalettes* palettes)
{
    g_programPalettes = palettes;
}

COLORREF DimColourByPercent(COLORREF colour, int percent)
{
    if (percent <= 0 || percent > 100)
        return colour;
    const double f = (100 - percent) * 0.01;
    return RGB(unsigned(GetRValue(colour) * f), unsigned(GetGValue(colour) * f),
               unsigned(GetBValue(colour) * f));
}

COLORREF DimColour(COLORREF colour, int palette)
{
    switch (palette) {
    case CDisplayPalettes::kDusk: return DimColourByPercent(colour, 25);
    case CDisplayPalettes::kNight: return DimColourByPercent(colour, 50);
    default: return colour;
    }
}

std::string FormatPaletteElement(COLORREF dusk, COLORREF night)
{
    char text[64];
    std::snprintf(text, sizeof text, "Dusk : %03u %03u %03u, Night : %03u %03u %03u",
                  GetRValue(dusk), GetGValue(dusk), GetBValue(dusk), GetRValue(night),
                  GetGValue(night), GetBValue(night));
    return text;
}

bool ParsePaletteElement(std::string_view text, COLORREF& dusk, COLORREF& night)
{
    unsigned c[6];
    constexpr std::size_t kAt[6] = {7, 11, 15, 28, 32, 36};
    for (int i = 0; i < 6; ++i)
        if (!ReadChannel(text, kAt[i], c[i]))
            return false;
    dusk = RGB(c[0], c[1], c[2]);
    night = RGB(c[3], c[4], c[5]);
    return true;
}

bool CDisplayPalettes::Load(platform::CSettingsStore& store, std::string_view workspaceKey)
{
    CRegistry reg(store);
    const std::string key = PalettesKey(workspaceKey);
    if (!reg.OpenKeyForRead(key))
        return false;
    std::uint32_t active = 0;
    if (reg.ReadDWord("Active", active))
        SetActive(active > 2 ? kDay : int(active));
    reg.ReadBool("ApplyToDesktop", m_applyToDesktop);
    CRegistry elements(store);
    if (!elements.OpenKeyForRead(key + "\\SystemElements"))
        return true;
    for (int e = 0; e < kElementCount; ++e) {
        // Start from the built-in colours, so a missing or damaged value
        // keeps them rather than whatever was loaded before.
        COLORREF dusk = DefaultColour(kDusk, e), night = DefaultColour(kNight, e);
        std::string text;
        if (elements.ReadString(ElementRegistryName(ElementIndex(e)), text))
            ParsePaletteElement(text, dusk, night);
        m_palettes[kDusk][std::size_t(e)] = dusk;
        m_palettes[kNight][std::size_t(e)] = night;
    }
    return true;
}

bool CDisplayPalettes::Save(platform::CSettingsStore& store, std::string_view workspaceKey) const
{
    CRegistry reg(store);
    const std::string key = PalettesKey(workspaceKey);
    if (!reg.OpenKeyForWrite(key))
        return false;
    bool ok = reg.WriteDWord("Active", std::uint32_t(m_active));
    ok = reg.WriteBool("ApplyToDesktop", m_applyToDesktop) && ok;
    CRegistry elements(store);
    if (!elements.OpenKeyForWrite(key + "\\SystemElements"))
        return false;
    for (int e = 0; e < kElementCount; ++e)
        ok = elements.WriteString(ElementRegistryName(ElementIndex(e)),
                                  FormatPaletteElement(m_palettes[kDusk][std::size_t(e)],
                                                       m_palettes[kNight][std::size_t(e)])) &&
             ok;
    return ok;
}

}   // namespace app
