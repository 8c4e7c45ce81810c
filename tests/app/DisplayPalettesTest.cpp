#include <gtest/gtest.h>

#include <map>

#include "../support/TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/DisplayPaletteModule.h"
#include "app/DisplayPalettes.h"
#include "platform/SettingsStore.h"

namespace {

using app::CDisplayPalettes;
using app::COLORREF;
using app::RGB;

TEST(DisplayPalettes, DimmingByPaletteAndPercent)
{
    struct Row {
        COLORREF colour;
        int percent;
        COLORREF expected;
    };
    const Row rows[] = {
        {RGB(200, 100, 50), 25, RGB(150, 75, 37)},   {RGB(200, 100, 50), 50, RGB(100, 50, 25)},
        {RGB(255, 255, 255), 100, RGB(0, 0, 0)},     {RGB(201, 3, 1), 1, RGB(198, 2, 0)},
        {RGB(200, 100, 50), 0, RGB(200, 100, 50)},   {RGB(200, 100, 50), -5, RGB(200, 100, 50)},
        {RGB(200, 100, 50), 101, RGB(200, 100, 50)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(app::DimColourByPercent(row.colour, row.percent), row.expected) << row.percent;

    CDisplayPalettes palettes;
    const COLORREF c = RGB(200, 100, 50);
    const std::pair<int, COLORREF> byActive[] = {
        {0, c}, {1, RGB(150, 75, 37)}, {2, RGB(100, 50, 25)}, {7, c}, {-1, c}};
    for (auto [active, expected] : byActive) {
        palettes.SetActive(active);   // outside 0..2 is Day
        EXPECT_EQ(palettes.DimForActive(c), expected) << active;
    }
}

// The program's colours as a map, standing in for its window palette.
struct FakeColours : app::CSystemColours {
    COLORREF GetSysColour(int index) const override { return RGB(index, 2 * index, 3 * index); }
    void SetSysColours(const int* indices, const COLORREF* colours, int count) override
    {
        for (int i = 0; i < count; ++i)
            set[indices[i]] = colours[i];
    }
    std::map<int, COLORREF> set;
};

TEST(DisplayPalettes, CaptureApplyAndRestore)
{
    CDisplayPalettes palettes;
    FakeColours desktop;
    palettes.CaptureSystemColours(desktop);
    EXPECT_EQ(palettes.GetColour(0, 18), RGB(5, 10, 15));   // element 19 is "Window"
    EXPECT_EQ(palettes.GetColour(2, 18), RGB(128, 128, 128));
    palettes.SetActive(CDisplayPalettes::kNight);
    EXPECT_EQ(palettes.GetActiveSysColour(app::COLOR_WINDOW), RGB(128, 128, 128));
    palettes.Apply(desktop, false);
    EXPECT_EQ(desktop.set.size(), 21u);
    EXPECT_EQ(desktop.set[app::COLOR_MENUTEXT], RGB(192, 192, 192));
    palettes.Apply(desktop, true);   // restoring always writes Day
    EXPECT_EQ(desktop.set[app::COLOR_MENUTEXT], RGB(7, 14, 21));
    EXPECT_EQ(palettes.GetActive(), CDisplayPalettes::kNight);
}

TEST(DisplayPalettes, StoredFormRoundTripsAndDamagedRowsKeepBuiltIns)
{
    brine_test::TempFolder folder;
    platform::CSettingsStore store(folder / "settings.conf");
    const std::string ws = "Software\\Quorwick\\Brinevane\\Default";
    const std::string elements = ws + "\\WorkSpace\\Palettes\\SystemElements";

    CDisplayPalettes saved;
    saved.SetColour(1, 0, RGB(1, 2, 3));   // ActiveBorder, Dusk
    saved.SetColour(2, 20, RGB(250, 9, 0));   // WindowText, Night
    saved.SetActive(CDisplayPalettes::kDusk);
    saved.SetApplyToDesktop(true);
    ASSERT_TRUE(saved.Save(store, ws));
    EXPECT_EQ(store.GetString(elements, "ActiveBorder"),
              std::optional<std::string>("Dusk : 001 002 003, Night : 000 000 000"));
    CDisplayPalettes loaded;
    ASSERT_TRUE(loaded.Load(store, ws));
    EXPECT_EQ(loaded, saved);

    // Rows that are short, not digits, above 255, or missing keep the
    // element's built-in colours; the good row still reads.
    const std::pair<const char*, const char*> damaged[] = {
        {"ActiveTitle", "Dusk : 001 002 003, Night : 004 005"},
        {"AppWorkspace", "Dusk : 001 0x2 003, Night : 004 005 006"},
        {"Background", "Dusk : 256 002 003, Night : 004 005 006"},
        {"ButtonFace", ""},
        {"ButtonHilight", "Dusk : 011 012 013, Night : 014 015 016"},
    };
    for (auto [name, text] : damaged)
        store.SetString(elements, name, text);
    store.DeleteValue(elements, "ButtonShadow");
    store.SetDword(ws + "\\WorkSpace\\Palettes", "Active", 7);
    CDisplayPalettes reread;
    reread.SetColour(1, 1, RGB(99, 99, 99));   // a loaded value is not kept over a damaged row
    ASSERT_TRUE(reread.Load(store, ws));
    for (int element : {1, 2, 3, 4, 6})
        for (int p : {1, 2})
            EXPECT_EQ(reread.GetColour(p, element), CDisplayPalettes::DefaultColour(p, element))
                << element;
    EXPECT_EQ(reread.GetColour(1, 5), RGB(11, 12, 13));
    EXPECT_EQ(reread.GetColour(2, 5), RGB(14, 15, 16));
    EXPECT_EQ(reread.GetActive(), CDisplayPalettes::kDay);
    EXPECT_TRUE(reread.GetApplyToDesktop());
}

struct Home : app::CSettingsHome {
    explicit Home(platform::CSettingsStore& s) : store(s) { }
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\W"; }
    platform::CSettingsStore& store;
};

TEST(DisplayPaletteModule, CommandsSelectCheckAndApply)
{
    brine_test::TempFolder folder;
    platform::CSettingsStore store(folder / "settings.conf");
    Home home(store);
    CDisplayPalettes palettes;
    int applied = 0;
    app::CDisplayPaletteModule module(home, palettes, [&] { ++applied; });
    app::CCommandTable commands;
    module.RegisterCommands(commands);
    namespace cmd = app::cmd;
    const std::pair<unsigned, int> steps[] = {{cmd::kPaletteNight, 2},
                                              {cmd::kPaletteDusk, 1},
                                              {cmd::kPaletteDayKey, 0},
                                              {cmd::kPaletteNight, 2}};
    for (auto [id, palette] : steps) {
        ASSERT_TRUE(commands.Execute(id));
        EXPECT_EQ(palettes.GetActive(), palette);
        for (unsigned other : {cmd::kPaletteDay, cmd::kPaletteDusk, cmd::kPaletteNight}) {
            const app::CCmdUIState state = commands.Update(other);
            EXPECT_TRUE(state.enabled);
            EXPECT_EQ(state.check, (other - cmd::kPaletteDay) == unsigned(palette) ? 1 : 0);
        }
    }
    EXPECT_EQ(applied, 4);
    // The workspace keeps the choice; loading it applies it again.
    module.SaveSettings();
    CDisplayPalettes fresh;
    app::CDisplayPaletteModule reloaded(home, fresh, [&] { ++applied; });
    reloaded.LoadSettings();
    EXPECT_EQ(fresh.GetActive(), CDisplayPalettes::kNight);
    EXPECT_EQ(applied, 5);
}

}   // namespace
