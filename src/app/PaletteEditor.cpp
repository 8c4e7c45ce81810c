#include "app/PaletteEditor.h"

#include <algorithm>

namespace app {

CPaletteEditorModel::CPaletteEditorModel(const CDisplayPalettes& palettes, int palette)
    : m_palettes(palettes), m_palette(std::clamp(palette, 0, CDisplayPalettes::kPaletteCount - 1))
{
    SelectCellOfElement();
}

void CPaletteEditorModel::SetElement(int element)
{
    if (element < 0 || element >= CDisplayPalettes::kElementCount || element == m_element)
        return;
    m_element = element;
    SelectCellOfElement();
}

void CPaletteEditorModel::SelectCellOfElement()
{
    const auto it = std::find(kStaticColours.begin(), kStaticColours.end(), ElementColour());
    if (it != kStaticColours.end())
        m_cell = static_cast<int>(it - kStaticColours.begin());
}

void CPaletteEditorModel::ChooseCell(int cell)
{
    if (cell < 0 || cell >= static_cast<int>(kStaticColours.size()))
        return;
    m_cell = cell;
    m_palettes.SetColour(m_palette, m_element, kStaticColours[static_cast<std::size_t>(cell)]);
}

bool CPaletteEditorModel::MoveSelection(int dx, int dy)
{
    if (m_cell == kNoCell)
        return false;
    const int column = m_cell % kColumns + dx;
    const int row = m_cell / kColumns + dy;
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return false;
    ChooseCell(row * kColumns + column);
    return true;
}

const std::vector<CSamplePart>& SampleLayout()
{
    // Elements by the palette's order: 0 active border, 1 active caption,
    // 2 application workspace, 3 desktop, 4 button face, 5 button highlight,
    // 6 button shadow, 7 button text, 8 caption text, 9 disabled text,
    // 10 highlight, 11 highlighted text, 12 inactive border, 13 inactive
    // caption, 14 inactive caption text, 15 menu, 16 menu text, 17 scroll
    // bar, 18 window, 19 window frame, 20 window text.
    static const std::vector<CSamplePart> layout = {
        {3, {0, 0, kSampleWidth, kSampleHeight}, nullptr},
        // An inactive window at the back.
        {12, {8, 8, 170, 96}, nullptr},
        {13, {11, 11, 164, 16}, nullptr},
        {14, {16, 13, 56, 12}, "Inactive"},
        {2, {11, 27, 164, 74}, nullptr},
        // The active window with its menu bar, window and scroll bar; the
        // scroll bar lies under the arrow buttons (kSampleArrowUp and Down,
        // less the inset).
        {0, {18, 39, 210, 130}, nullptr},
        {1, {21, 42, 204, 16}, nullptr},
        {8, {26, 44, 50, 12}, "Active"},
        {15, {21, 58, 204, 15}, nullptr},
        {16, {25, 60, 56, 12}, "File Edit"},
        {9, {85, 60, 56, 12}, "Disabled"},
        {10, {145, 58, 76, 15}, nullptr},
        {11, {149, 60, 70, 12}, "Highlighted"},
        {19, {21, 73, 204, 93}, nullptr},
        {18, {22, 74, 184, 91}, nullptr},
        {20, {28, 80, 60, 12}, "Window"},
        {20, {28, 94, 60, 12}, "Text"},
        {17, {206, 74, 17, 91}, nullptr},
        // A message box with its OK button, beside the active window.
        {4, {230, 96, 66, 70}, nullptr},
        {5, {238, 132, 50, 2}, nullptr},
        {5, {238, 132, 2, 24}, nullptr},
        {6, {238, 154, 50, 2}, nullptr},
        {6, {286, 132, 2, 24}, nullptr},
        {7, {254, 137, 20, 12}, "OK"},
    };
    return layout;
}

int SampleElementAt(int x, int y)
{
    const auto& layout = SampleLayout();
    for (auto it = layout.rbegin(); it != layout.rend(); ++it)
        if (it->rect.Contains(x, y))
            return it->element;
    return -1;
}

}   // namespace app
