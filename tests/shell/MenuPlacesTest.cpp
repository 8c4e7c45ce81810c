// Where the route, chartpoint and target commands sit in the menus: the
// selection steps each in a "Selection" submenu, the chartpoint orders under
// "Sort by", a target's own commands under "Current Target"; and no menu
// item is one that could never be chosen.
#include "app/CommandIds.h"
#include "shell/MainMenus.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

// "Route > Waypoint > Selection > First" for each command, mnemonics dropped
// unless asked for.
std::map<unsigned, std::string> MenuPaths(bool mnemonics = false)
{
    const auto plain = [mnemonics](const char* text) {
        std::string out;
        for (const char* c = text; *c; ++c)
            if (mnemonics || *c != '&')
                out += *c;
        return out;
    };
    std::map<unsigned, std::string> paths;
    for (const shell::TopMenu& menu : shell::MainMenus()) {
        std::vector<std::string> stack{plain(menu.title)};
        for (const shell::MenuEntry& e : menu.entries) {
            std::string path;
            for (const std::string& s : stack)
                path += s + " > ";
            switch (e.kind) {
            case shell::MenuKind::Item: paths[e.id] = path + plain(e.text); break;
            case shell::MenuKind::Popup: stack.push_back(plain(e.text)); break;
            case shell::MenuKind::EndPopup: stack.pop_back(); break;
            case shell::MenuKind::Separator: break;
            }
        }
    }
    return paths;
}

}   // namespace

TEST(MenuPlaces, SelectionSortAndCurrentTargetSubmenus)
{
    using namespace app::cmd;
    std::map<unsigned, std::string> at = MenuPaths();
    EXPECT_EQ(at[kRouteFirst], "Route > Selection > First");
    EXPECT_EQ(at[kRouteLast], "Route > Selection > Last");
    EXPECT_EQ(at[kWaypointFirst], "Route > Waypoint > Selection > First");
    EXPECT_EQ(at[kWaypointNext], "Route > Waypoint > Selection > Next");
    EXPECT_EQ(at[kWaypointDelete], "Route > Waypoint > Delete");
    EXPECT_EQ(at[kChartpointPrevious], "Chartpoint > Selection > Previous");
    EXPECT_EQ(at[kChartpointSortZone], "Chartpoint > Sort by > Zone");
    EXPECT_EQ(at[kArpaSave], "Target > ARPA > Current Target > Save");
    EXPECT_EQ(at[kArpaDelete], "Target > ARPA > Current Target > Delete");
    EXPECT_EQ(at[kArpaView], "Target > ARPA > Current Target > View");
    EXPECT_EQ(at[kArpaGoToSelected], "Target > ARPA > Go To Selected");
    EXPECT_EQ(at[kTenderView], "Target > Tender Tracking > Current Target > View");
    EXPECT_EQ(at[kTenderSave], "Target > Tender Tracking > Current Target > Save");
    EXPECT_EQ(at[kTenderResetMob], "Target > Tender Tracking > Current Target > Reset MOB");
    // The plan's commands, letters and all.
    const std::map<unsigned, std::string> exact = MenuPaths(true);
    EXPECT_EQ(exact.at(kPlanCalculate), "&Route > &Plan > &Calculate");
    EXPECT_EQ(exact.at(kPlanBestTime), "&Route > &Plan > &Best Time");
    // The ARPA menu holds no "Open" that nothing ever enables.
    for (const auto& [id, path] : at)
        EXPECT_NE(path, "Target > ARPA > Open");
}

// The Chart menu's view commands read as the chart window names them, and within each menu a
// letter chooses one entry only: a letter two entries share would only move between them.
TEST(MenuPlaces, ChartMenuTextsAndOneEntryPerLetter)
{
    using namespace app::cmd;
    std::map<unsigned, std::string> texts;
    for (const shell::TopMenu& menu : shell::MainMenus()) {
        std::vector<std::map<char, std::string>> letters(1);
        for (const shell::MenuEntry& e : menu.entries) {
            if (e.kind == shell::MenuKind::EndPopup) {
                letters.pop_back();
                continue;
            }
            if (e.kind == shell::MenuKind::Separator)
                continue;
            texts[e.id] = e.text;
            const std::string text = e.text;
            std::size_t amp = text.find('&');
            while (amp != std::string::npos && amp + 1 < text.size() && text[amp + 1] == '&')
                amp = text.find('&', amp + 2);   // "&&" is an ampersand shown
            if (amp != std::string::npos && amp + 1 < text.size()) {
                const char letter = static_cast<char>(std::tolower(text[amp + 1]));
                const auto [it, fresh] = letters.back().emplace(letter, text);
                EXPECT_TRUE(fresh) << menu.title << ": \"" << text << "\" and \"" << it->second
                                   << "\" share the letter " << letter;
            }
            if (e.kind == shell::MenuKind::Popup)
                letters.emplace_back();
        }
    }
    EXPECT_EQ(texts[kChartZoomIn], "&Zoom In");
    EXPECT_EQ(texts[kChartZoomOut], "Zoo&m Out");
    EXPECT_EQ(texts[kChartLargerScale], "&Larger Scale");
    EXPECT_EQ(texts[kChartSmallerScale], "&Smaller Scale");
    EXPECT_EQ(texts[kChartFull], "&Full");
    EXPECT_EQ(texts[kChartWorld], "&World");
}
