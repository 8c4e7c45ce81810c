// Customised toolbars: the command groups keep only commands this build has,
// buttons go in once and move within the bar, and the stored layout reads
// back as written while a damaged value changes nothing.
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

}   // namespace
