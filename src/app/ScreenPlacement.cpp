#include "app/ScreenPlacement.h"

#include <algorithm>

namespace app {

namespace {

bool GripVisible(const ScreenRect& w, const ScreenRect& s, int grip)
{
    const int left = std::max(w.x, s.x);
    const int right = std::min(w.x + w.width, s.x + s.width);
    const int top = std::max(w.y, s.y);
    const int bottom = std::min(w.y + std::min(w.height, grip), s.y + s.height);
    return right - left >= std::min(grip, w.width) && bottom - top >= std::min(grip, w.height) / 2;
}

long long Overlap(const ScreenRect& a, const ScreenRect& b)
{
    const long long w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const long long h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

}   // namespace

ScreenRect PlaceOnScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens,
                         std::size_t primary, int grip)
{
    if (screens.empty())
        return window;
    for (const ScreenRect& s : screens) {
        if (GripVisible(window, s, grip))
            return window;
    }
    return FitInside(window, screens[std::min(primary, screens.size() - 1)]);
}

ScreenRect FitInside(const ScreenRect& window, const ScreenRect& area)
{
    if (area.width <= 0 || area.height <= 0)
        return window;
    ScreenRect placed = window;
    placed.width = std::min(window.width, area.width);
    placed.height = std::min(window.height, area.height);
    placed.x = area.x + std::clamp(window.x - area.x, 0, area.width - placed.width);
    placed.y = area.y + std::clamp(window.y - area.y, 0, area.height - placed.height);
    return placed;
}

ScreenRect ClampToScreens(const ScreenRect& window, const std::vector<ScreenRect>& screens,
                          std::size_t primary)
{
    if (screens.empty())
        return window;
    std::size_t best = std::min(primary, screens.size() - 1);
    long long most = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const long long shown = Overlap(window, screens[i]);
        if (shown > most) {
            most = shown;
            best = i;
        }
    }
    return FitInside(window, screens[best]);
}

}   // namespace app
