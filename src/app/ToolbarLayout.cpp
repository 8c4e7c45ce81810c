#include "app/ToolbarLayout.h"

#include <algorithm>
#include <charconv>

#include "app/Registry.h"

namespace app {

namespace {

const std::vector<CCommandGroup>& AllGroups()
{
    static const std::vector<CCommandGroup> groups = {
        {"File", {57600, 57601, 57604, 0, 2035, 2204, 2209}},
        {"Edit", {57643, 57644, 0, 57635, 57634, 57637, 32885}},
        {"View", {2050, 601, 613, 614, 2319, 0, 43107, 0, 2267, 2184}},
        {"Chart", {610, 611, 0, 607, 618, 2150, 2149, 0, 2309}},
        {"Navigator 1",
         {2156, 2157, 0, 32807, 0, 2164, 0, 619, 2159, 625, 0, 2268, 0, 2310, 2311, 2312, 2317}},
        {"Navigator 2", {2313, 2314, 2315, 2316, 2318}},
        {"ARPA", {2248, 0, 2246, 2249, 2255, 0, 2250}},
        {"Tender Target", {2320, 0, 2321, 2324, 2322, 2331, 0, 2325, 2326, 2327, 2328, 2329, 2330}},
        {"Chartpoint", {323, 322, 321, 320, 815, 324, 325, 326, 327, 612, 2189, 0, 2263}},
        {"Route",
         {2029, 2028, 2027, 2030, 814, 733, 734, 735, 736, 971, 970, 969, 968, 964, 2211, 0, 2262}},
        {"Tools", {615, 0, 628, 629, 630}},
        {"Window", {2237, 0, 2239, 2240, 0, 57650, 57651, 57652}},
        {"Help", {2124}},
    };
    return groups;
}

constexpr const char* kToolBarsKey = "\\WorkSpace\\ToolBars";

}   // namespace

std::vector<CCommandGroup> CustomiseGroups(const std::function<bool(unsigned)>& available)
{
    std::vector<CCommandGroup> out;
    for (const CCommandGroup& g : AllGroups()) {
        CCommandGroup kept{g.name, {}};
        for (unsigned id : g.buttons) {
            if (id == 0) {
                if (!kept.buttons.empty() && kept.buttons.back() != 0)
                    kept.buttons.push_back(0);
            } else if (available(id)) {
                kept.buttons.push_back(id);
            }
        }
        while (!kept.buttons.empty() && kept.buttons.back() == 0)
            kept.buttons.pop_back();
        if (!kept.buttons.empty())
            out.push_back(std::move(kept));
    }
    return out;
}

bool CToolbarCustomisation::Add(std::size_t bar, unsigned id, std::size_t at)
{
    if (bar >= bars.size())
        return false;
    auto& buttons = bars[bar].buttons;
    if (id != 0 && std::find(buttons.begin(), buttons.end(), id) != buttons.end())
        return false;
    buttons.insert(buttons.begin() + static_cast<long>(std::min(at, buttons.size())), id);
    return true;
}

bool CToolbarCustomisation::Remove(std::size_t bar, std::size_t index)
{
    if (bar >= bars.size() || index >= bars[bar].buttons.size())
        return false;
    bars[bar].buttons.erase(bars[bar].buttons.begin() + static_cast<long>(index));
    return true;
}

bool CToolbarCustomisation::Move(std::size_t bar, std::size_t index, int delta)
{
    if (bar >= bars.size() || index >= bars[bar].buttons.size() || (delta != -1 && delta != 1))
        return false;
    auto& buttons = bars[bar].buttons;
    if ((delta < 0 && index == 0) || (delta > 0 && index + 1 == buttons.size()))
        return false;
    std::swap(buttons[index], buttons[static_cast<std::size_t>(static_cast<long>(index) + delta)]);
    return true;
}

std::string ButtonsText(const std::vector<unsigned>& buttons)
{
    std::string text;
    for (unsigned id : buttons) {
        if (!text.empty())
            text += ',';
        text += std::to_string(id);
    }
    return text;
}

std::optional<std::vector<unsigned>> ParseButtonsText(const std::string& text,
                                                      const std::function<bool(unsigned)>& known)
{
    std::vector<unsigned> out;
    if (text.empty())
        return out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        unsigned id = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, id);
        if (ec != std::errc() || ptr != text.data() + end || (id != 0 && !known(id)))
            return std::nullopt;
        out.push_back(id);
        start = end + 1;
    }
    return out;
}

bool SaveToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        const std::vector<CToolbarButtons>& bars)
{
    CRegistry reg(store);
    if (!reg.OpenKeyForWrite(workspaceKey + kToolBarsKey))
        return false;
    bool ok = true;
    for (const CToolbarButtons& bar : bars)
        ok = reg.WriteString("Bar" + std::to_string(bar.id), ButtonsText(bar.buttons)) && ok;
    return ok;
}

void LoadToolbarButtons(platform::CSettingsStore& store, const std::string& workspaceKey,
                        std::vector<CToolbarButtons>& bars,
                        const std::function<bool(unsigned)>& known)
{
    CRegistry reg(store);
    if (!reg.OpenKeyForRead(workspaceKey + kToolBarsKey))
        return;
    for (CToolbarButtons& bar : bars) {
        std::string text;
        if (!reg.ReadString("Bar" + std::to_string(bar.id), text))
            continue;
        if (auto buttons = ParseButtonsText(text, known))
            bar.buttons = std::move(*buttons);
    }
}

}   // namespace app
