#include "chart/ViewLayerRules.h"

#include <algorithm>

namespace chart {

std::vector<CTargetToDraw> SelectTargets(const std::vector<CTargetSnapshot>& targets,
                                         std::uint8_t maxTargets, int arpaSize, int tenderSize)
{
    std::vector<CTargetToDraw> out;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const CTargetSnapshot& t = targets[i];
        const bool qualifies =
            t.source == CTargetSnapshot::kTender ||
            (t.source == CTargetSnapshot::kArpa && t.sequence <= static_cast<int>(maxTargets));
        if (!qualifies || !t.drawFlag)
            continue;
        int size = t.source == CTargetSnapshot::kArpa ? arpaSize : tenderSize;
        if (t.source == CTargetSnapshot::kTender && t.flashing)
            size = t.size == 0 ? 2 : 0;
        out.push_back({i, size});
    }
    return out;
}

bool InsertWaypointNumber(std::vector<int>& numbers, int number)
{
    if (number < 1 || number > static_cast<int>(numbers.size()) + 1)
        return false;
    for (int& n : numbers) {
        if (n >= number)
            ++n;
    }
    numbers.insert(numbers.begin() + (number - 1), number);
    return true;
}

bool DeleteWaypointNumber(std::vector<int>& numbers, int number)
{
    const auto it = std::find(numbers.begin(), numbers.end(), number);
    if (it == numbers.end())
        return false;
    numbers.erase(it);
    for (int& n : numbers) {
        if (n > number)
            --n;
    }
    return true;
}

}   // namespace chart
