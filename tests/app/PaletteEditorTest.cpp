// The palette colour editor's rules: grid moves stop at the edges, an
// element of another colour keeps the grid's selection, every element has a
// place of its own on the sample, and the copy is the only thing changed.
#include <gtest/gtest.h>

#include <set>

#include "app/PaletteEditor.h"

namespace {

using app::CDisplayPalettes;
using app::CPaletteEditorModel;

TEST(PaletteEditor, GridMovesStopAtTheEdgesAndChooseAsAClick)
{
    CDisplayPalettes palettes;
    palettes.ExpandDefaults(CDisplayPalettes::kNight);
    CPaletteEditorModel model(palettes, CDisplayPalettes::kNight);
    model.ChooseCell(4);   // right-most of the top row
    EXPECT_FALSE(model.MoveSelection(1, 0));
    EXPECT_FALSE(model.MoveSelection(0, -1));
    EXPECT_TRUE(model.MoveSelection(0, 1));
    EXPECT_EQ(model.SelectedCell(), 9);
    EXPECT_EQ(model.ElementColour(), app::kStaticColours[9]);
    model.ChooseCell(17);   // bottom row
    EXPECT_FALSE(model.MoveSelection(0, 1));
    EXPECT_TRUE(model.MoveSelection(-1, 0));
    EXPECT_EQ(model.SelectedCell(), 16);
    model.ChooseCell(15);   // left-most of the bottom row
    EXPECT_FALSE(model.MoveSelection(-1, 0));
    // The caller's palettes are untouched: the editor has a copy.
    EXPECT_EQ(palettes.GetColour(CDisplayPalettes::kNight, 0),
              CDisplayPalettes::DefaultColour(CDisplayPalettes::kNight, 0));
    EXPECT_EQ(model.Palettes().GetColour(CDisplayPalettes::kNight, 0), app::kStaticColours[15]);
}

TEST(PaletteEditor, AnElementOfAnotherColourKeepsTheGridSelection)
{
    CDisplayPalettes palettes;
    palettes.SetColour(CDisplayPalettes::kDusk, 0, app::RGB(0, 0, 128));
    palettes.SetColour(CDisplayPalettes::kDusk, 1, app::RGB(12, 34, 56));   // no grid colour
    CPaletteEditorModel model(palettes, CDisplayPalettes::kDusk);
    EXPECT_EQ(model.SelectedCell(), 4);
    model.SetElement(1);
    EXPECT_EQ(model.SelectedCell(), 4);
    model.SetElement(0);
    EXPECT_EQ(model.SelectedCell(), 4);
    // The 20 static colours are the system palette's fixed entries.
    EXPECT_EQ(app::kStaticColours[0], app::RGB(0, 0, 0));
    EXPECT_EQ(app::kStaticColours[8], app::RGB(192, 220, 192));
    EXPECT_EQ(app::kStaticColours[10], app::RGB(255, 251, 240));
    EXPECT_EQ(app::kStaticColours[19], app::RGB(255, 255, 255));
}

TEST(PaletteEditor, EveryElementHasAPlaceOnTheSampleAndOutsideIsNone)
{
    std::set<int> reachable;
    for (int y = 0; y < app::kSampleHeight; ++y)
        for (int x = 0; x < app::kSampleWidth; ++x)
            reachable.insert(app::SampleElementAt(x, y));
    EXPECT_EQ(reachable.size(), static_cast<std::size_t>(CDisplayPalettes::kElementCount));
    EXPECT_EQ(*reachable.begin(), 0);
    EXPECT_EQ(*reachable.rbegin(), 20);
    EXPECT_EQ(app::SampleElementAt(-1, 5), -1);
    EXPECT_EQ(app::SampleElementAt(app::kSampleWidth, 5), -1);
    EXPECT_EQ(app::SampleElementAt(2, 2), 3);   // the desktop
    EXPECT_EQ(app::SampleElementAt(214, 120), 17);   // the scroll bar
    // Both arrow buttons lie wholly on the scroll bar, whatever else moves.
    for (const app::CSampleRect& r : {app::kSampleArrowUp, app::kSampleArrowDown})
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                ASSERT_EQ(app::SampleElementAt(x - app::kSampleInset, y - app::kSampleInset), 17)
                    << x << "," << y;
}

}   // namespace
