#include "shell/MainMenus.h"

#include <array>

namespace shell {

namespace {

constexpr MenuEntry I(unsigned id, const char* text, const char* keys = nullptr, bool checkable = false)
{
    return {MenuKind::Item, id, text, keys, checkable};
}
constexpr MenuEntry C(unsigned id, const char* text, const char* keys = nullptr)
{
    return {MenuKind::Item, id, text, keys, true};
}
constexpr MenuEntry Sep() { return {MenuKind::Separator, 0, nullptr, nullptr, false}; }
constexpr MenuEntry Pop(const char* text) { return {MenuKind::Popup, 0, text, nullptr, false}; }
constexpr MenuEntry End() { return {MenuKind::EndPopup, 0, nullptr, nullptr, false}; }

constexpr MenuEntry kFile[] = {
    I(57600, "&New...", "Ctrl+N"), I(57601, "&Open...", "Ctrl+O"), I(57604, "Save &As..."), Sep(),
    Pop("Wor&kspace"), I(43008, "&Open..."), I(43009, "&Save"), I(43013, "Save &As..."), Sep(),
    I(43031, "Recent Workspace 1"), I(43032, "Recent Workspace 2"), I(43033, "Recent Workspace 3"),
    I(43034, "Recent Workspace 4"), I(43035, "Recent Workspace 5"), I(43036, "Recent Workspace 6"),
    I(43037, "Recent Workspace 7"), I(43038, "Recent Workspace 8"), I(43039, "Recent Workspace 9"), End(), Sep(),
    I(2035, "&Print...", "Ctrl+P"), I(2204, "Print Pre&view"), I(2209, "P&rint Setup..."), Sep(),
    I(57665, "E&xit"),
};

constexpr MenuEntry kEdit[] = {
    I(57643, "&Undo", "Ctrl+Z"), I(57644, "&Redo", "Ctrl+Y"), Sep(), I(57635, "Cu&t", "Ctrl+X"),
    I(57634, "&Copy", "Ctrl+C"), I(57637, "&Paste", "Ctrl+V"), I(32885, "&Delete", "Del"),
    I(57642, "Select &All", "Ctrl+A"),
};

constexpr MenuEntry kView[] = {
    I(59392, "&Toolbars..."), C(59393, "&Status Bar"), C(32791, "Side &Panel"), C(43107, "&Full Screen", "F11"),
    Sep(), C(601, "&Monitor", "F9"), C(2050, "Chart &Information", "F5"), C(613, "&Chartpoint", "F3"),
    C(614, "&Route", "F4"), C(2319, "Target Trac&king", "F6"), Sep(), C(628, "&Day"), C(629, "Dus&k"),
    C(630, "&Night"), Sep(), I(2268, "COM P&ort Window"), I(2267, "R&efresh", "F2"),
    I(2184, "Pr&operties", "Alt+Return"),
};

constexpr MenuEntry kChart[] = {
    I(607, "Zoom &In"), I(618, "Zoom &Out"), Sep(), I(2150, "&Smaller Scale Chart"),
    I(2149, "&Larger Scale Chart"), Sep(), I(610, "&Full Chart"), I(611, "&World Chart"), Sep(),
    C(615, "&Range and Bearing"), Sep(), I(2234, "O&ptions..."), I(2235, "&Management..."),
};

constexpr MenuEntry kNavigator[] = {
    I(2043, "&Position Source..."), I(2156, "Start/End &Voyage", "Ctrl+Alt+V"),
    I(2157, "&Go To Vessel", "Ctrl+Alt+G"), Sep(), C(2164, "&Autoscroll Monitor Window"),
    I(2163, "Autoscroll &Restrictions..."), I(2175, "&Best Chart Selection"), Sep(), C(619, "Vessel &Track"),
    C(625, "&Data Logging"), I(2044, "Logbook &Entry..."), I(32807, "&Logbook Window", "Alt+F5"),
    I(2200, "&Convert Log to Track..."), Sep(), C(2159, "A&utopilot Support"), Pop("U&pload"),
    I(32868, "&Chartpoints..."), I(32869, "&Route..."), End(), Sep(), I(2114, "&Options..."),
};

constexpr MenuEntry kTarget[] = {
    Pop("&ARPA"), C(2248, "&Activate/Deactivate"), I(2246, "&Go To Selected"), I(2249, "&Save"),
    I(2251, "&Delete"), I(2255, "&View"), I(2254, "&Open"), End(), C(2250, "&Radar Cursor"), Sep(),
    Pop("&Tender Tracking"), C(2320, "&Activate/Deactivate"), I(2321, "&Go To Selected"), I(2322, "&View"),
    I(2324, "&Save"), I(2331, "&Reset MOB"), End(), Sep(), I(2323, "&Options..."),
};

constexpr MenuEntry kChartpoint[] = {
    I(2217, "&New"), I(2259, "&Edit"), I(2218, "&Delete"), Sep(), I(612, "&Go To Selected", "Ctrl+G"), Sep(),
    I(323, "&First"), I(322, "&Previous"), I(321, "Ne&xt"), I(320, "&Last"), Sep(), C(2263, "&Show/Hide"),
    I(2180, "List &Window"), C(2182, "Loc&ked"), Pop("S&ort"), C(2190, "&Original Order"), C(2192, "&Name"),
    C(2193, "&ID"), C(2194, "&Latitude"), C(2195, "L&ongitude"), C(2196, "&Datum"), C(2197, "&Area"),
    C(2198, "&Type"), C(2199, "&Zone"), End(), Sep(), I(2186, "O&ptions..."),
};

constexpr MenuEntry kRoute[] = {
    I(2223, "&New"), I(2260, "&Edit"), I(2224, "&Delete"), I(2225, "&Reverse"), I(2236, "&Copy"), Sep(),
    I(2029, "&First"), I(2028, "&Previous"), I(2027, "Ne&xt"), I(2030, "&Last"), Sep(), Pop("&Waypoint"),
    I(2211, "&Go To Selected"), I(2222, "&Delete"), C(2181, "&Locked"), Sep(), I(971, "&First"),
    I(970, "&Previous"), I(969, "Ne&xt"), I(968, "L&ast"), End(), C(2262, "&Show/Hide Waypoints"), Sep(),
    Pop("P&lan"), I(2219, "&Calculate"), I(2221, "&Best Time..."), End(), Sep(), I(2125, "O&ptions..."),
};

constexpr MenuEntry kVessel[] = {I(2202, "&Options...")};

constexpr MenuEntry kTools[] = {
    I(2021, "Display Tidal &Atlas", "Ctrl+Alt+T"), Sep(), I(2185, "&Options..."), I(2210, "&Customise..."),
};

constexpr MenuEntry kWindow[] = {
    I(2237, "&Close"), I(2238, "Close &All"), Sep(), I(2239, "&Next"), I(2240, "&Previous"), Sep(),
    I(57650, "Ca&scade"), I(57651, "&Tile"), I(57652, "Arrange &Icons"),
};

constexpr MenuEntry kHelp[] = {
    I(57666, "&Contents"), I(57667, "&Help Topics"), Sep(), I(32881, "&Technical Support..."),
    I(2124, "&About Brinevane..."),
};

constexpr std::array kMenus = {
    TopMenu{0x80000000u + 65, "&File", kFile},         TopMenu{0x80000000u + 76, "&Edit", kEdit},
    TopMenu{0x80000000u + 66, "&View", kView},         TopMenu{0x80000000u + 67, "&Chart", kChart},
    TopMenu{0x80000000u + 68, "&Navigator", kNavigator}, TopMenu{0x80000000u + 75, "&Target", kTarget},
    TopMenu{0x80000000u + 69, "Ch&artpoint", kChartpoint}, TopMenu{0x80000000u + 70, "&Route", kRoute},
    TopMenu{0x80000000u + 71, "V&essel", kVessel},     TopMenu{0x80000000u + 72, "T&ools", kTools},
    TopMenu{0x80000000u + 73, "&Window", kWindow},     TopMenu{0x80000000u + 74, "&Help", kHelp},
};

constexpr ToolBarButton S{0, nullptr, nullptr};

constexpr ToolBarButton kStandard[] = {
    {57600, "New", "N"}, {57601, "Open", "O"}, {57604, "Save As", "S"}, {2035, "Print", "P"}, S,
    {628, "Day palette", "D"}, {629, "Dusk palette", "Dk"}, {630, "Night palette", "Nt"},
};
constexpr ToolBarButton kDisplay[] = {
    {2050, "Chart information panel", "CI"}, {601, "Monitor panel", "Mo"}, {613, "Chartpoint panel", "CP"},
    {614, "Route panel", "Rt"}, {2319, "Target tracking panel", "TT"}, S,
    {43107, "Full screen", "FS"}, S, {32791, "Side panel", "SP"},
};
constexpr ToolBarButton kChartBar[] = {
    {607, "Zoom in", "+"}, {618, "Zoom out", "-"}, S, {2150, "Smaller scale chart", "Sm"},
    {2149, "Larger scale chart", "Lg"}, S, {610, "Full chart", "FC"}, {611, "World chart", "W"}, S,
    {615, "Range and bearing", "RB"},
};
constexpr ToolBarButton kVoyage[] = {
    {2156, "Start or end voyage", "V"}, {2159, "Autopilot support", "AP"}, S, {2164, "Autoscroll", "AS"},
    {619, "Vessel track", "Tr"}, {625, "Data logging", "DL"}, {32807, "View log", "Lg"}, S,
    {2157, "Best chart for vessel", "BC"},
};
constexpr ToolBarButton kChartpointBar[] = {
    {323, "First chartpoint", "|<"}, {322, "Previous chartpoint", "<"}, {321, "Next chartpoint", ">"},
    {320, "Last chartpoint", ">|"}, {324, "First bitmap attachment", "B1"}, {325, "Second bitmap attachment", "B2"},
    {326, "Third bitmap attachment", "B3"}, {327, "Video attachment", "AV"}, S,
    {612, "Best chart for chartpoint", "BC"},
};
constexpr ToolBarButton kRouteBar[] = {
    {2029, "First route", "|<"}, {2028, "Previous route", "<"}, {2027, "Next route", ">"},
    {2030, "Last route", ">|"}, {733, "First bitmap attachment", "B1"}, {734, "Second bitmap attachment", "B2"},
    {735, "Third bitmap attachment", "B3"}, {736, "Video attachment", "AV"}, S, {971, "First waypoint", "|<"},
    {970, "Previous waypoint", "<"}, {969, "Next waypoint", ">"}, {968, "Last waypoint", ">|"}, S,
    {2211, "Best chart for waypoint", "BC"},
};
constexpr ToolBarButton kArpa[] = {
    {2248, "ARPA on or off", "AR"}, S, {2246, "Best chart for target", "BC"}, {2249, "Save target", "Sv"},
    {2255, "Target log window", "Lg"}, S, {2250, "Radar cursor", "RC"},
};
constexpr ToolBarButton kTender[] = {
    {2320, "Tender tracking on or off", "TT"}, S, {2321, "Best chart for target", "BC"},
    {2324, "Save target", "Sv"}, {2322, "Log window", "Lg"},
};

constexpr std::array kToolBars = {
    ToolBarDef{59392, "Standard", true, kStandard},
    ToolBarDef{59397, "Display", false, kDisplay},
    ToolBarDef{59398, "Chart", false, kChartBar},
    ToolBarDef{59399, "Voyage", false, kVoyage},
    ToolBarDef{59400, "Chartpoint database", true, kChartpointBar},
    ToolBarDef{59402, "ARPA", false, kArpa},
    ToolBarDef{59401, "Route database", true, kRouteBar},
    ToolBarDef{59404, "Tender Target", false, kTender},
};

}  // namespace

std::span<const TopMenu> MainMenus()
{
    return kMenus;
}

std::span<const ToolBarDef> MainToolBars()
{
    return kToolBars;
}

}  // namespace shell
