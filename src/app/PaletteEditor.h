#pragma once
// The palette colour editor's rules, without windows: it works on its own
// copy of the display palettes, edits one palette's 21 screen elements, and
// offers the 20 static colours of the classic 256-colour system palette in
// a 5 x 4 grid. The miniature desktop that shows the elements is laid out
// here too, so a click can be told which element it hit.

#include <array>
#include <string>
#include <vector>

#include "app/DisplayPalettes.h"

namespace app {

// The system palette's static entries 0-9 and 246-255, in grid order.
inline constexpr std::array<COLORREF, 20> kStaticColours = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
    RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

class CPaletteEditorModel {
public:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 4;
    static constexpr int kNoCell = 20;

    CPaletteEditorModel(const CDisplayPalettes& palettes, int palette);

    const CDisplayPalettes& Palettes() const { return m_palettes; }
    int Palette() const { return m_palette; }
    int Element() const { return m_element; }
    // Chooses the element to edit; the grid then shows its colour's cell.
    void SetElement(int element);
    COLORREF ElementColour() const { return m_palettes.GetColour(m_palette, m_element); }

    // The selected grid cell, kNoCell when none.
    int SelectedCell() const { return m_cell; }
    // The cell whose colour is the element's; an element of another colour
    // leaves the selection as it was.
    void SelectCellOfElement();
    // A click on a cell: the element takes the cell's colour.
    void ChooseCell(int cell);
    // An arrow key: one cell over unless at the grid's edge; a move chooses
    // the new cell as a click would. False when it did not move.
    bool MoveSelection(int dx, int dy);

private:
    CDisplayPalettes m_palettes;
    int m_palette;
    int m_element = 0;
    int m_cell = kNoCell;
};

// The miniature desktop: each element's rectangles, painted in this list's
// order (later ones over earlier ones), and its label when it is a text.
struct CSampleRect {
    int x, y, width, height;
    bool Contains(int px, int py) const
    {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};
struct CSamplePart {
    int element;   // 0..20, the palette's element order
    CSampleRect rect;
    const char* text;   // drawn in the element's colour when set, else the rect is filled
};
inline constexpr int kSampleWidth = 300;
inline constexpr int kSampleHeight = 200;
// The sample stands this far in from the panel's edge on every side.
inline constexpr int kSampleInset = 4;
// The scroll bar's arrow buttons, in the panel's own pixels, 17 by 17.
inline constexpr CSampleRect kSampleArrowUp = {210, 78, 17, 17};
inline constexpr CSampleRect kSampleArrowDown = {210, 152, 17, 17};
const std::vector<CSamplePart>& SampleLayout();
// The element painted last at the point, or -1 off every part.
int SampleElementAt(int x, int y);

}   // namespace app
