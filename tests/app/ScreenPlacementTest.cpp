#include "app/ScreenPlacement.h"

#include <gtest/gtest.h>

using app::ScreenRect;

TEST(ScreenPlacement, PlacesOnNoScreenComeBackOnThePrimary)
{
    // A 1920x1080 primary and a 1280x1024 screen to its left.
    const std::vector<ScreenRect> screens{{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
    struct Row {
        ScreenRect window, expected;
        const char* what;
    };
    const Row rows[] = {
        {{100, 100, 800, 600}, {100, 100, 800, 600}, "on the primary"},
        {{-1000, 50, 800, 600}, {-1000, 50, 800, 600}, "on the second screen"},
        {{1900, 100, 800, 600}, {1120, 100, 800, 600}, "only a sliver on screen: pulled in"},
        {{3000, 200, 800, 600}, {1120, 200, 800, 600}, "right of every screen"},
        {{-3000, -900, 800, 600}, {0, 0, 800, 600}, "above and left of every screen"},
        {{5000, 5000, 2500, 1500}, {0, 0, 1920, 1080}, "larger than the screen: shrunk"},
        {{200, -30, 800, 600}, {200, 0, 800, 600}, "title bar above the top: grip half hidden"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::PlaceOnScreen(r.window, screens, 0), r.expected) << r.what;
    EXPECT_EQ(app::PlaceOnScreen({9000, 0, 10, 10}, {}, 0), (ScreenRect{9000, 0, 10, 10}));
}

TEST(ScreenPlacement, FitInsideMovesAndShrinksOnlyWhatSticksOut)
{
    // The visible part of a window area, 900x700, beside a docked panel.
    const ScreenRect area{0, 0, 900, 700};
    EXPECT_EQ(app::FitInside({100, 50, 400, 300}, area), (ScreenRect{100, 50, 400, 300}));
    EXPECT_EQ(app::FitInside({320, 480, 720, 630}, area), (ScreenRect{180, 70, 720, 630}));
    EXPECT_EQ(app::FitInside({-40, -20, 300, 200}, area), (ScreenRect{0, 0, 300, 200}));
    EXPECT_EQ(app::FitInside({50, 50, 1200, 900}, area), (ScreenRect{0, 0, 900, 700}));
    EXPECT_EQ(app::FitInside({5, 5, 10, 10}, {0, 0, 0, 0}), (ScreenRect{5, 5, 10, 10}));
}

TEST(ScreenPlacement, ClampToScreensKeepsTheScreenThatShowsMostOfTheWindow)
{
    const std::vector<ScreenRect> screens{{0, 0, 1600, 1000}, {1600, 0, 1280, 1024}};
    struct Row {
        ScreenRect window, expected;
        const char* what;
    };
    const Row rows[] = {
        {{0, 0, 1600, 1114}, {0, 0, 1600, 1000}, "taller than the screen: shrunk"},
        {{200, -15, 800, 600}, {200, 0, 800, 600}, "title bar above the top: moved down"},
        {{1700, 500, 800, 600}, {1700, 424, 800, 600}, "on the second screen, below its foot"},
        {{1500, 100, 800, 600}, {1600, 100, 800, 600}, "mostly on the second screen"},
        {{9000, 9000, 300, 200}, {1300, 800, 300, 200}, "on no screen: the primary"},
        {{100, 100, 800, 600}, {100, 100, 800, 600}, "wholly on screen: kept"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::ClampToScreens(r.window, screens, 0), r.expected) << r.what;
    EXPECT_EQ(app::ClampToScreens({5, 5, 10, 10}, {}, 0), (ScreenRect{5, 5, 10, 10}));
}
