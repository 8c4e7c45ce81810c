#pragma once
// Keeping a window where the user can reach it: a stored place that lies on
// no connected screen (a monitor unplugged since, a smaller laptop screen)
// comes back on the primary one. Plain rectangles, so the rule is tested
// without a display.

#include <vector>

namespace app {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// Enough of a window shows on some screen for the user to grab it: its
// top strip (where a title bar is) lies at least `grip` pixels wide and high
// on one screen. Otherwise the window moves onto `screens[primary]`, at the
// same offset from its corner when that fits, else at its corner, and
// shrinks to fit it. With no screens the rectangle is kept.
ScreenRect PlaceOnScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens,
                         std::size_t primary, int grip = 40);

// The window moved, and shrunk where it is larger, to lie wholly inside
// `area`; one already inside is kept as it is.
ScreenRect FitInside(const ScreenRect& window, const ScreenRect& area);

// A saved place applied again: the window lies wholly on the screen that
// shows most of it (the primary one when none does), moved and shrunk to
// fit, so no title bar sits above the screen and no status bar below it.
// With no screens the rectangle is kept.
ScreenRect ClampToScreens(const ScreenRect& window, const std::vector<ScreenRect>& screens,
                          std::size_t primary);

}   // namespace app
