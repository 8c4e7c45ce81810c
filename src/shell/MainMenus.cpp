#include "shell/MainMenus.h"

#include <QIcon>
#include <QString>

#include <array>

#include "app/CommandIds.h"

namespace shell {

namespace {

using namespace app::cmd;

constexpr MenuEntry I(unsigned id, const char* text, const char* keys = nullptr,
                      bool checkable = false)
{
    return {MenuKind::Item, id, text, keys, checkable};
}
// An item whose key another command takes (the chart view's keys, Del of
// Edit > Delete): the menu names it only.
constexpr MenuEntry V(unsigned id, const char* text, const char* shownKey)
{
    return {MenuKind::Item, id, text, nullptr, false, shownKey};
}
constexpr MenuEntry C(unsigned id, const char* text, const char* keys = nullptr)
{
    return {MenuKind::Item, id, text, keys, true};
}
constexpr MenuEntry Sep()
{
    return {MenuKind::Separator, 0, nullptr, nullptr, false};
}
constexpr MenuEntry Pop(const char* text)
{
    return {MenuKind::Popup, 0, text, nullptr, false};
}
constexpr MenuEntry End()
{
    return {MenuKind::EndPopup, 0, nullptr, nullptr, false};
}

constexpr MenuEntry kFile[] = {
    I(kFileNew, "&New...", "Ctrl+N"),
    I(kFileOpen, "&Open...", "Ctrl+O"),
    I(kFileSaveAs, "Save &As..."),
    Sep(),
    Pop("Wor&kspace"),
    I(kWorkspaceOpen, "&Open..."),
    I(kWorkspaceSave, "&Save"),
    I(kWorkspaceSaveAs, "Save &As..."),
    Sep(),
    I(kRecentWorkspaces.first, "Recent Workspaces"),
    I(kRecentWorkspaces.first + 1, "Recent Workspace 2"),
    I(kRecentWorkspaces.first + 2, "Recent Workspace 3"),
    I(kRecentWorkspaces.first + 3, "Recent Workspace 4"),
    I(kRecentWorkspaces.first + 4, "Recent Workspace 5"),
    I(kRecentWorkspaces.first + 5, "Recent Workspace 6"),
    I(kRecentWorkspaces.first + 6, "Recent Workspace 7"),
    I(kRecentWorkspaces.first + 7, "Recent Workspace 8"),
    I(kRecentWorkspaces.first + 8, "Recent Workspace 9"),
    End(),
    Sep(),
    I(kFilePrint, "&Print...", "Ctrl+P"),
    I(kFilePrintPreview, "Print Pre&view"),
    I(kFilePrintSetup, "P&rint Setup..."),
    Sep(),
    I(kRecentFiles.first, "Recent File 1"),
    I(kRecentFiles.first + 1, "Recent File 2"),
    I(kRecentFiles.first + 2, "Recent File 3"),
    I(kRecentFiles.first + 3, "Recent File 4"),
    Sep(),
    I(kAppExit, "E&xit"),
};

constexpr MenuEntry kEdit[] = {
    I(kEditUndo, "&Undo", "Ctrl+Z"),
    I(kEditRedo, "&Redo", "Ctrl+Y"),
    Sep(),
    I(kEditCut, "Cu&t", "Ctrl+X"),
    I(kEditCopy, "&Copy", "Ctrl+C"),
    I(kEditPaste, "&Paste", "Ctrl+V"),
    I(kEditDelete, "&Delete", "Del"),
    I(kEditSelectAll, "Select &All", "Ctrl+A"),
};

constexpr MenuEntry kView[] = {
    I(kViewToolbars, "&Toolbars..."),
    C(kViewStatusBar, "&Status Bar"),
    C(kViewSidePanel, "Side &Panel"),
    C(kViewFullScreen, "&Full Screen", "F11"),
    Sep(),
    C(kViewMonitorPanel, "&Monitor", "F9"),
    C(kViewChartInfoPanel, "Chart &Information", "F5"),
    C(kViewChartpointPanel, "&Chartpoint", "F3"),
    C(kViewRoutePanel, "&Route", "F4"),
    C(kViewTargetPanel, "Tar&get Tracking", "F6"),
    Sep(),
    C(kPaletteDay, "&Day"),
    C(kPaletteDusk, "Dus&k"),
    C(kPaletteNight, "&Night"),
    Sep(),
    I(kViewPortWindow, "COM Port &Window"),
    I(kViewRefresh, "R&efresh", "F2"),
    I(kViewProperties, "Pr&operties", "Alt+Return"),
};

constexpr MenuEntry kChart[] = {
    V(kChartZoomIn, "&Zoom In", "+"),
    V(kChartZoomOut, "Zoo&m Out", "-"),
    Sep(),
    I(kChartSmallerScale, "&Smaller Scale", "Ctrl+-"),
    I(kChartLargerScale, "&Larger Scale", "Ctrl++"),
    Sep(),
    V(kChartFull, "&Full", "Home"),
    I(kChartWorld, "&World", "Ctrl+6"),
    Sep(),
    C(kChartUpdateBoxes, "Update &Boxes"),
    I(kChartVerify, "&Verify Chart..."),
    Sep(),
    I(kChartOptions, "O&ptions..."),
    I(kChartManagement, "Mana&gement..."),
    I(kChartUpdateFolio, "&Update Folio"),
};

constexpr MenuEntry kNavigator[] = {
    I(kNavPositionSource, "&Position Source..."),
    I(kNavVoyage, "Start/End &Voyage", "Ctrl+Alt+V"),
    I(kNavGoToVessel, "&Go To Vessel", "Ctrl+Alt+G"),
    Sep(),
    C(kNavAutoscroll, "&Autoscroll Monitor Window"),
    I(kNavAutoscrollRestrictions, "Autoscroll &Restrictions..."),
    I(kNavBestChart, "&Best Chart Selection"),
    Sep(),
    C(kNavVesselTrack, "Vessel &Track"),
    C(kNavDataLogging, "&Data Logging"),
    I(kNavLogbookEntry, "Logbook &Entry..."),
    I(kNavLogbookWindow, "&Logbook Window", "Alt+F5"),
    I(kNavLogToTrack, "&Convert Log to Track..."),
    Sep(),
    C(kNavAutopilot, "Autop&ilot Support"),
    Pop("&Upload"),
    I(kNavUploadChartpoints, "&Chartpoints..."),
    I(kNavUploadRoute, "&Route..."),
    End(),
    Sep(),
    I(kNavOptions, "&Options..."),
};

constexpr MenuEntry kTarget[] = {
    Pop("&ARPA"),
    C(kArpaActivate, "&Activate/Deactivate"),
    I(kArpaGoToSelected, "&Go To Selected"),
    Pop("&Current Target"),
    I(kArpaSave, "&Save"),
    I(kArpaDelete, "&Delete"),
    I(kArpaView, "&View"),
    End(),
    End(),
    C(kRadarCursor, "&Radar Cursor"),
    Sep(),
    Pop("&Tender Tracking"),
    C(kTenderActivate, "&Activate/Deactivate"),
    I(kTenderGoToSelected, "&Go To Selected"),
    Pop("&Current Target"),
    I(kTenderView, "&View"),
    I(kTenderSave, "&Save"),
    I(kTenderResetMob, "&Reset MOB"),
    End(),
    End(),
    Sep(),
    I(kTargetOptions, "&Options..."),
};

constexpr MenuEntry kChartpoint[] = {
    I(kChartpointNew, "&New"),
    I(kChartpointEdit, "&Edit"),
    V(kChartpointDelete, "&Delete", "Del"),
    Sep(),
    I(kChartpointGoToSelected, "&Go To Selected", "Ctrl+G"),
    Sep(),
    Pop("Se&lection"),
    I(kChartpointFirst, "&First"),
    I(kChartpointPrevious, "&Previous"),
    I(kChartpointNext, "Ne&xt"),
    I(kChartpointLast, "&Last"),
    End(),
    Sep(),
    C(kChartpointShowHide, "&Show/Hide"),
    I(kChartpointListWindow, "List &Window"),
    C(kChartpointLocked, "Loc&ked"),
    Pop("Sort &by"),
    C(kChartpointSortOriginal, "&Original Order"),
    C(kChartpointSortName, "&Name"),
    C(kChartpointSortId, "&ID"),
    C(kChartpointSortLatitude, "&Latitude"),
    C(kChartpointSortLongitude, "Lon&gitude"),
    C(kChartpointSortDatum, "&Datum"),
    C(kChartpointSortArea, "&Area"),
    C(kChartpointSortType, "&Type"),
    C(kChartpointSortZone, "&Zone"),
    End(),
    Sep(),
    I(kChartpointOptions, "Op&tions..."),
};

constexpr MenuEntry kRoute[] = {
    I(kRouteNew, "&New"),
    I(kRouteEdit, "&Edit"),
    I(kRouteDelete, "&Delete"),
    I(kRouteReverse, "&Reverse"),
    I(kRouteCopy, "&Copy"),
    Sep(),
    Pop("Se&lection"),
    I(kRouteFirst, "&First"),
    I(kRoutePrevious, "&Previous"),
    I(kRouteNext, "Ne&xt"),
    I(kRouteLast, "&Last"),
    End(),
    Sep(),
    Pop("&Waypoint"),
    I(kWaypointGoToSelected, "&Go To Selected"),
    V(kWaypointDelete, "&Delete", "Del"),
    C(kWaypointLocked, "&Locked"),
    Sep(),
    Pop("&Selection"),
    I(kWaypointFirst, "&First"),
    I(kWaypointPrevious, "&Previous"),
    I(kWaypointNext, "Ne&xt"),
    I(kWaypointLast, "L&ast"),
    End(),
    End(),
    C(kRouteShowWaypoints, "&Show/Hide Waypoints"),
    Sep(),
    Pop("&Plan"),
    I(kPlanCalculate, "&Calculate"),
    I(kPlanBestTime, "&Best Time"),
    End(),
    Sep(),
    I(kRouteOptions, "Op&tions..."),
};

constexpr MenuEntry kVessel[] = {I(kVesselOptions, "&Options...")};

constexpr MenuEntry kTools[] = {
    C(kChartRangeBearing, "&Range && Bearing", "Alt+6"),
    Sep(),
    I(kTidalAtlas, "Display Tidal &Atlas", "Ctrl+Alt+T"),
    Sep(),
    I(kToolsOptions, "&Options..."),
    I(kToolsCustomise, "&Customise..."),
};

constexpr MenuEntry kWindow[] = {
    I(kWindowClose, "&Close"),
    I(kWindowCloseAll, "Close &All"),
    Sep(),
    I(kWindowNext, "&Next"),
    I(kWindowPrevious, "&Previous"),
    Sep(),
    I(kWindowCascade, "Ca&scade"),
    I(kWindowTile, "&Tile"),
    I(kWindowArrange, "Arrange &Icons"),
};

constexpr MenuEntry kHelp[] = {
    I(kHelpContents, "&Contents"),
    I(kHelpTopics, "&Help Topics"),
    Sep(),
    I(kTechSupport, "&Technical Support..."),
    I(kAbout, "&About Brinevane..."),
};

constexpr MenuEntry kAccelerators[] = {
    I(kPaletteDayKey, "Day palette", "Ctrl+Alt+D"),
    I(kFocusPanelOrChart, "Side panel or chart", "Shift+F6"),
    I(kSystemInformation, "System Information", "Ctrl+Alt+Shift+V"),
    I(kCredits, "Credits", "Ctrl+Alt+Shift+P"),
    I(kDeleteRasterCharts, "Delete the raster chart system", "Ctrl+Alt+Shift+A"),
    I(kOpenChartpointCombo, "Chartpoint list", "Ctrl+Alt+C"),
    I(kOpenRouteCombo, "Route list", "Ctrl+Alt+R"),
    I(kOpenWaypointCombo, "Waypoint list", "Ctrl+Alt+W"),
};

constexpr std::array kMenus = {
    TopMenu{kMenuFile, "&File", kFile},
    TopMenu{kMenuEdit, "&Edit", kEdit},
    TopMenu{kMenuView, "&View", kView},
    TopMenu{kMenuChart, "&Chart", kChart},
    TopMenu{kMenuNavigator, "&Navigator", kNavigator},
    TopMenu{kMenuTarget, "&Target", kTarget},
    TopMenu{kMenuChartpoint, "Ch&artpoint", kChartpoint},
    TopMenu{kMenuRoute, "&Route", kRoute},
    TopMenu{kMenuVessel, "V&essel", kVessel},
    TopMenu{kMenuTools, "T&ools", kTools},
    TopMenu{kMenuWindow, "&Window", kWindow},
    TopMenu{kMenuHelp, "&Help", kHelp},
};

// A button whose picture is a freedesktop icon name: the desktop's icon theme
// draws it where it has one, our own copy of the same name everywhere else.
constexpr ToolBarButton T(unsigned id, const char* tip, const char* icon)
{
    return {id, tip, icon, true};
}
// A button with a picture of the program's own.
constexpr ToolBarButton O(unsigned id, const char* tip, const char* icon)
{
    return {id, tip, icon, false};
}
constexpr ToolBarButton S{0, nullptr, nullptr, false};

constexpr ToolBarButton kStandard[] = {
    T(kFileNew, "New", "document-new"),
    T(kFileOpen, "Open", "document-open"),
    T(kFileSaveAs, "Save As", "document-save-as"),
    T(kFilePrint, "Print", "document-print"),
    S,
    O(kPaletteDay, "Day palette", "palette-day"),
    O(kPaletteDusk, "Dusk palette", "palette-dusk"),
    O(kPaletteNight, "Night palette", "palette-night"),
};
constexpr ToolBarButton kDisplay[] = {
    T(kViewChartInfoPanel, "Chart information panel", "dialog-information"),
    O(kViewMonitorPanel, "Monitor panel", "panel-monitor"),
    O(kViewChartpointPanel, "Chartpoint panel", "chartpoint"),
    O(kViewRoutePanel, "Route panel", "route"),
    O(kViewTargetPanel, "Target tracking panel", "target"),
    S,
    T(kViewFullScreen, "Full screen", "view-fullscreen"),
    S,
    O(kViewSidePanel, "Side panel", "side-panel"),
};
constexpr ToolBarButton kChartBar[] = {
    T(kChartZoomIn, "Zoom in", "zoom-in"),
    T(kChartZoomOut, "Zoom out", "zoom-out"),
    S,
    O(kChartSmallerScale, "Smaller scale chart", "chart-smaller-scale"),
    O(kChartLargerScale, "Larger scale chart", "chart-larger-scale"),
    S,
    T(kChartFull, "Full chart", "zoom-fit-best"),
    O(kChartWorld, "World chart", "world-chart"),
    S,
    O(kChartRangeBearing, "Range and bearing", "range-bearing"),
};
constexpr ToolBarButton kVoyage[] = {
    O(kNavVoyage, "Start or end voyage", "voyage"),
    O(kNavAutopilot, "Autopilot support", "autopilot"),
    S,
    O(kNavAutoscroll, "Autoscroll", "autoscroll"),
    O(kNavVesselTrack, "Vessel track", "vessel-track"),
    T(kNavDataLogging, "Turn Logging ON or OFF", "media-record"),
    O(kNavLogbookWindow, "View log", "log-window"),
    S,
    O(kNavGoToVessel, "Best chart for vessel", "best-chart"),
};
constexpr ToolBarButton kChartpointBar[] = {
    T(kChartpointFirst, "First chartpoint", "go-first"),
    T(kChartpointPrevious, "Previous chartpoint", "go-previous"),
    T(kChartpointNext, "Next chartpoint", "go-next"),
    T(kChartpointLast, "Last chartpoint", "go-last"),
    O(kChartpointCombo, "Select Chartpoint", "chartpoint"),
    O(kChartpointAttachments.first, "First bitmap attachment", "picture-1"),
    O(kChartpointAttachments.first + 1, "Second bitmap attachment", "picture-2"),
    O(kChartpointAttachments.first + 2, "Third bitmap attachment", "picture-3"),
    T(kChartpointAttachments.first + 3, "Video attachment", "video-x-generic"),
    S,
    O(kChartpointGoToSelected, "Best chart for chartpoint", "best-chart"),
    S,
    O(kChartpointSortCombo, "Sort Chartpoint database", "chartpoint"),
};
constexpr ToolBarButton kRouteBar[] = {
    T(kRouteFirst, "First route", "go-first"),
    T(kRoutePrevious, "Previous route", "go-previous"),
    T(kRouteNext, "Next route", "go-next"),
    T(kRouteLast, "Last route", "go-last"),
    O(kRouteCombo, "Route", "route"),
    O(kRouteAttachments.first, "First bitmap attachment", "picture-1"),
    O(kRouteAttachments.first + 1, "Second bitmap attachment", "picture-2"),
    O(kRouteAttachments.first + 2, "Third bitmap attachment", "picture-3"),
    T(kRouteAttachments.first + 3, "Video attachment", "video-x-generic"),
    S,
    T(kWaypointFirst, "First waypoint", "go-top"),
    T(kWaypointPrevious, "Previous waypoint", "go-up"),
    T(kWaypointNext, "Next waypoint", "go-down"),
    T(kWaypointLast, "Last waypoint", "go-bottom"),
    O(kWaypointCombo, "Waypoint", "chartpoint"),
    S,
    O(kWaypointGoToSelected, "Best chart for waypoint", "best-chart"),
};
constexpr ToolBarButton kArpa[] = {
    O(kArpaActivate, "ARPA on or off", "target"),
    S,
    O(kArpaGoToSelected, "Best chart for target", "best-chart"),
    T(kArpaSave, "Save target", "document-save"),
    O(kArpaView, "Target log window", "log-window"),
    S,
    O(kRadarCursor, "Radar cursor", "radar-cursor"),
};
constexpr ToolBarButton kTender[] = {
    O(kTenderActivate, "Tender tracking on or off", "tender"),
    S,
    O(kTenderGoToSelected, "Best chart for target", "best-chart"),
    T(kTenderSave, "Save target", "document-save"),
    O(kTenderView, "Log window", "log-window"),
};

// Commands the Customise groups offer that no program toolbar carries: their
// names and pictures as a button.
constexpr ToolBarButton kCustomiseOnly[] = {
    O(kChartpointShowHide, "Show/Hide Chartpoints", "chartpoint"),
    O(kRouteShowWaypoints, "Show/Hide Route Waypoints", "route"),
};

constexpr std::array kToolBars = {
    ToolBarDef{kViewToolbars, "Standard", true, kStandard},
    ToolBarDef{kBarDisplay, "Display", false, kDisplay},
    ToolBarDef{kBarChart, "Chart", false, kChartBar},
    ToolBarDef{kBarVoyage, "Voyage", false, kVoyage},
    ToolBarDef{kBarChartpoint, "Chartpoint database", true, kChartpointBar},
    ToolBarDef{kBarArpa, "ARPA", false, kArpa},
    ToolBarDef{kBarRoute, "Route database", true, kRouteBar},
    ToolBarDef{kBarTender, "Tender Target", false, kTender},
};

}   // namespace

std::span<const TopMenu> MainMenus()
{
    return kMenus;
}

std::span<const MenuEntry> MainAccelerators()
{
    return kAccelerators;
}

QIcon ToolBarIcon(const ToolBarButton& button)
{
    const QString name = QString::fromLatin1(button.icon);
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(name));
    return button.themed ? QIcon::fromTheme(name, own) : own;
}

std::span<const ToolBarDef> MainToolBars()
{
    return kToolBars;
}

std::span<const ToolBarButton> CustomiseOnlyButtons()
{
    return kCustomiseOnly;
}

}   // namespace shell
