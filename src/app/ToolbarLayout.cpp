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
    std::vector<unsigned> userBars;
    for (const CToolbarButtons& bar : bars) {
        ok = reg.WriteString("Bar" + std::to_string(bar.id), ButtonsText(bar.buttons)) && ok;
        if (IsUserToolbar(bar.id)) {
            userBars.push_back(bar.id);
            ok = reg.WriteString("Title" + std::to_string(bar.id), bar.title) && ok;
        }
    }
    return reg.WriteString("UserBars", ButtonsText(userBars)) && ok;
}

std::vector<CToolbarButtons> LoadUserToolbars(platform::CSettingsStore& store,
                                              const std::string& workspaceKey,
                                              const std::function<bool(unsigned)>& known)
{
    std::vector<CToolbarButtons> bars;
    CRegistry reg(store);
    std::string list;
    if (!reg.OpenKeyForRead(workspaceKey + kToolBarsKey) || !reg.ReadString("UserBars", list))
        return bars;
    const auto ids = ParseButtonsText(list, [](unsigned) { return true; });
    if (!ids)
        return bars;
    CToolbarCustomisation check;
    for (unsigned id : *ids) {
        std::string title;
        std::string text;
        if (!IsUserToolbar(id) || !reg.ReadString("Title" + std::to_string(id), title))
            continue;
        std::optional<std::vector<unsigned>> buttons = std::vector<unsigned>{};
        if (reg.ReadString("Bar" + std::to_string(id), text))
            buttons = ParseButtonsText(text, known);
        // The same rules as in the dialog: a damaged name or list leaves the bar out.
        const bool taken =
            std::any_of(bars.begin(), bars.end(), [id](const auto& b) { return b.id == id; });
        if (!buttons || taken || !check.AddUserBar(title))
            continue;
        bars.push_back({id, std::move(*buttons), check.bars.back().title});
    }
    return bars;
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

std::optional<std::string> CToolbarCustomisation::CheckTitle(const std::string& title,
                                                             std::size_t except,
                                                             std::string* refusal) const
{
    auto refuse = [refusal](const char* why) -> std::optional<std::string> {
        if (refusal)
            *refusal = why;
        return std::nullopt;
    };
    const std::size_t first = title.find_first_not_of(" \t");
    if (first == std::string::npos)
        return refuse("A toolbar needs a name.");
    std::string name = title.substr(first, title.find_last_not_of(" \t") - first + 1);
    if (name.size() > kMaxToolbarTitle)
        return refuse("A toolbar's name is at most 64 characters long.");
    if (name.find_first_of("\r\n") != std::string::npos)
        return refuse("A toolbar's name is one line.");
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    for (std::size_t i = 0; i < bars.size(); ++i)
        if (i != except && lower(bars[i].title) == lower(name))
            return refuse("Another toolbar has that name.");
    return name;
}

std::optional<std::size_t> CToolbarCustomisation::AddUserBar(const std::string& title,
                                                             std::string* refusal)
{
    const std::optional<std::string> name = CheckTitle(title, bars.size(), refusal);
    if (!name)
        return std::nullopt;
    for (unsigned id = kFirstUserToolbarId; IsUserToolbar(id); ++id) {
        const bool used = std::any_of(bars.begin(), bars.end(),
                                      [id](const CToolbarButtons& b) { return b.id == id; });
        if (!used) {
            bars.push_back({id, {}, *name});
            return bars.size() - 1;
        }
    }
    if (refusal)
        *refusal = "There are as many toolbars of your own as there can be.";
    return std::nullopt;
}

bool CToolbarCustomisation::RenameUserBar(std::size_t bar, const std::string& title,
                                          std::string* refusal)
{
    if (bar >= bars.size() || !IsUserToolbar(bars[bar].id))
        return false;
    const std::optional<std::string> name = CheckTitle(title, bar, refusal);
    if (!name)
        return false;
    bars[bar].title = *name;
    return true;
}

bool CToolbarCustomisation::DeleteUserBar(std::size_t bar)
{
    if (bar >= bars.size() || !IsUserToolbar(bars[bar].id))
        return false;
    bars.erase(bars.begin() + static_cast<std::ptrdiff_t>(bar));
    return true;
}

}   // namespace app
