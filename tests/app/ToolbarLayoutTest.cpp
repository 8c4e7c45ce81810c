// Customised toolbars: the command groups keep only commands this build has,
// buttons go in once and move within the bar, and the stored layout reads
// back as written while a damaged value changes nothing; the user's own
// toolbars are named once, renamed and deleted only as theirs, and read back
// without the entries damage touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include "app/ToolbarLayout.h"
#include "platform/SettingsStore.h"

namespace {

TEST(ToolbarLayout, GroupsKeepOnlyAvailableCommandsAndTidySeparators)
{
    // This build: File New/Open/Print, the View refresh and the Help box.
    const std::vector<unsigned> have = {57600, 57601, 2035, 2267, 2124};
    auto available = [&](unsigned id) {
        return std::find(have.begin(), have.end(), id) != have.end();
    };
    const auto groups = app::CustomiseGroups(available);
    ASSERT_EQ(groups.size(), 3u);   // File, View, Help; the other ten have nothing yet
    EXPECT_EQ(groups[0].name, "File");
    EXPECT_EQ(groups[0].buttons, (std::vector<unsigned>{57600, 57601, 0, 2035}));
    EXPECT_EQ(groups[1].buttons, (std::vector<unsigned>{2267}));   // no lone separators
    EXPECT_EQ(groups[2].name, "Help");
    EXPECT_EQ(app::CustomiseGroups([](unsigned) { return true; }).size(), 13u);
}

TEST(ToolbarLayout, ButtonsGoInOnceAndMoveWithinTheBar)
{
    app::CToolbarCustomisation c;
    c.bars = {{59392, {57600, 0, 2035}}};
    EXPECT_FALSE(c.Add(0, 57600, 0));   // already there
    EXPECT_TRUE(c.Add(0, 0, 1));   // separators as often as wanted
    EXPECT_TRUE(c.Add(0, 2267, 99));   // past the end: at the end
    EXPECT_EQ(c.bars[0].buttons, (std::vector<unsigned>{57600, 0, 0, 2035, 2267}));
    EXPECT_FALSE(c.Move(0, 0, -1));
    EXPECT_FALSE(c.Move(0, 4, 1));
    EXPECT_TRUE(c.Move(0, 4, -1));
    EXPECT_TRUE(c.Remove(0, 1));
    EXPECT_FALSE(c.Remove(0, 9));
    EXPECT_FALSE(c.Add(3, 1, 0));
    EXPECT_EQ(c.bars[0].buttons, (std::vector<unsigned>{57600, 0, 2267, 2035}));
}

TEST(ToolbarLayout, StoredWithTheWorkspaceAndDamageChangesNothing)
{
    const auto file = std::filesystem::temp_directory_path() /
                      ("brine-toolbars-" + std::to_string(::getpid()) + ".conf");
    auto known = [](unsigned id) { return id != 4242; };
    EXPECT_EQ(app::ParseButtonsText("57600,0,2035", known),
              (std::vector<unsigned>{57600, 0, 2035}));
    EXPECT_FALSE(app::ParseButtonsText("57600,,2035", known));
    EXPECT_FALSE(app::ParseButtonsText("57600,x", known));
    EXPECT_FALSE(app::ParseButtonsText("4242", known));   // a command this build lacks
    EXPECT_EQ(app::ParseButtonsText("", known), std::vector<unsigned>{});
    {
        platform::CSettingsStore store(file);
        ASSERT_TRUE(app::SaveToolbarButtons(store, "Software\\Q\\B\\Bridge",
                                            {{59392, {2035, 0, 57600}}, {59397, {}}}));
        ASSERT_TRUE(store.Save());
    }
    platform::CSettingsStore store(file);
    store.Load();
    std::vector<app::CToolbarButtons> bars = {{59392, {1}}, {59397, {2}}, {59398, {3}}};
    app::LoadToolbarButtons(store, "Software\\Q\\B\\Bridge", bars, known);
    EXPECT_EQ(bars[0].buttons, (std::vector<unsigned>{2035, 0, 57600}));
    EXPECT_TRUE(bars[1].buttons.empty());
    EXPECT_EQ(bars[2].buttons, std::vector<unsigned>{3});   // not stored: as it was
    std::filesystem::remove(file);
}

TEST(ToolbarLayout, UserToolbarsNamedOnceKeptAndReadBackOnlyWhole)
{
    app::CToolbarCustomisation c;
    c.bars = {{59392, {57600}, "Standard"}};
    std::string why;
    EXPECT_FALSE(c.AddUserBar("   ", &why));
    EXPECT_EQ(why, "A toolbar needs a name.");
    EXPECT_FALSE(c.AddUserBar(" standard ", &why)) << "the program's bar, case ignored";
    EXPECT_EQ(why, "Another toolbar has that name.");
    EXPECT_FALSE(c.AddUserBar(std::string(65, 'x'), &why));
    EXPECT_FALSE(c.AddUserBar("Two\nlines", &why));
    ASSERT_EQ(c.AddUserBar("  Watch  "), std::optional<std::size_t>(1));
    EXPECT_EQ(c.bars[1].id, app::kFirstUserToolbarId);
    EXPECT_EQ(c.bars[1].title, "Watch");
    EXPECT_TRUE(c.bars[1].buttons.empty());
    ASSERT_EQ(c.AddUserBar("Pilotage"), std::optional<std::size_t>(2));
    EXPECT_FALSE(c.RenameUserBar(0, "Mine")) << "the program's bars keep their names";
    EXPECT_FALSE(c.DeleteUserBar(0));
    EXPECT_FALSE(c.RenameUserBar(2, "WATCH", &why));
    EXPECT_TRUE(c.RenameUserBar(2, "Harbour"));
    // A deleted bar's id is free for the next.
    EXPECT_TRUE(c.DeleteUserBar(1));
    ASSERT_EQ(c.AddUserBar("Anchorage"), std::optional<std::size_t>(2));
    EXPECT_EQ(c.bars[2].id, app::kFirstUserToolbarId);
    for (unsigned n = 2; n < app::kMaxUserToolbars; ++n)
        ASSERT_TRUE(c.AddUserBar("Bar " + std::to_string(n)));
    EXPECT_FALSE(c.AddUserBar("One too many", &why));
    EXPECT_EQ(c.bars.size(), 1 + app::kMaxUserToolbars);

    const auto file = std::filesystem::temp_directory_path() /
                      ("brine-userbars-" + std::to_string(::getpid()) + ".conf");
    const std::string key = "Software\\Q\\B\\Bridge";
    auto known = [](unsigned id) { return id != 4242; };
    {
        platform::CSettingsStore store(file);
        c.bars.resize(3);
        c.bars[1].buttons = {57600, 0, 2035};
        ASSERT_TRUE(app::SaveToolbarButtons(store, key, c.bars));
        ASSERT_TRUE(store.Save());
    }
    platform::CSettingsStore store(file);
    store.Load();
    const std::vector<app::CToolbarButtons> read = app::LoadUserToolbars(store, key, known);
    EXPECT_EQ(read, (std::vector<app::CToolbarButtons>{c.bars[1], c.bars[2]}));

    // Damage leaves out only what it touches: an unknown command, a missing name,
    // an id out of the user's range, a list that is not a list.
    const std::string bars = key + "\\WorkSpace\\ToolBars";
    store.SetString(bars, "Bar" + std::to_string(c.bars[1].id), "57600,4242");
    store.SetString(bars, "UserBars",
                    std::to_string(c.bars[1].id) + "," + std::to_string(c.bars[2].id) +
                        ",59999,59610");   // out of the range; no name stored
    EXPECT_EQ(app::LoadUserToolbars(store, key, known),
              (std::vector<app::CToolbarButtons>{c.bars[2]}));
    store.SetString(bars, "UserBars", "59392");
    EXPECT_TRUE(app::LoadUserToolbars(store, key, known).empty());
    store.SetString(bars, "UserBars", "x");
    EXPECT_TRUE(app::LoadUserToolbars(store, key, known).empty());
    std::filesystem::remove(file);
}

}   // namespace
