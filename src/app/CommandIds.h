#pragma once
// The program's command ids by name: menu items, toolbar buttons, toolbars,
// side panels and the ranges that groups of them occupy. Menus, toolbars, the
// main frame, the modules and the tests all use these names; the numbers are
// the ones stored in workspaces' toolbar layouts, so they never change.

namespace app::cmd {

// An inclusive range of ids given to one family of commands.
struct CommandRange {
    unsigned first;
    unsigned last;
    constexpr bool Contains(unsigned id) const { return id >= first && id <= last; }
    constexpr unsigned Count() const { return last - first + 1; }
};

// File
inline constexpr unsigned kFileNew = 57600;
inline constexpr unsigned kFileOpen = 57601;
inline constexpr unsigned kFileSaveAs = 57604;
inline constexpr unsigned kFilePrint = 2035;
inline constexpr unsigned kFilePrintPreview = 2204;
inline constexpr unsigned kFilePrintSetup = 2209;
inline constexpr unsigned kAppExit = 57665;
inline constexpr unsigned kWorkspaceOpen = 43008;
inline constexpr unsigned kWorkspaceSave = 43009;
inline constexpr unsigned kWorkspaceSaveAs = 43013;
inline constexpr CommandRange kRecentWorkspaces{43031, 43039};   // up to nine
inline constexpr CommandRange kRecentFiles{57616, 57619};   // the four recent charts

// Edit
inline constexpr unsigned kEditUndo = 57643;
inline constexpr unsigned kEditRedo = 57644;
inline constexpr unsigned kEditCut = 57635;
inline constexpr unsigned kEditCopy = 57634;
inline constexpr unsigned kEditPaste = 57637;
inline constexpr unsigned kEditDelete = 32885;
inline constexpr unsigned kEditSelectAll = 57642;

// View
inline constexpr unsigned kViewToolbars = 59392;   // also the Standard toolbar's id
inline constexpr unsigned kViewStatusBar = 59393;
inline constexpr unsigned kViewSidePanel = 32791;
inline constexpr unsigned kViewFullScreen = 43107;
inline constexpr unsigned kViewMonitorPanel = 601;
inline constexpr unsigned kViewChartInfoPanel = 2050;
inline constexpr unsigned kViewChartpointPanel = 613;
inline constexpr unsigned kViewRoutePanel = 614;
inline constexpr unsigned kViewTargetPanel = 2319;
inline constexpr unsigned kPaletteDay = 628;
inline constexpr unsigned kPaletteDusk = 629;
inline constexpr unsigned kPaletteNight = 630;
inline constexpr unsigned kPaletteDayKey = 2121;   // Ctrl+Alt+D
inline constexpr unsigned kViewPortWindow = 2268;
inline constexpr unsigned kViewRefresh = 2267;
inline constexpr unsigned kViewProperties = 2184;
inline constexpr unsigned kFocusPanelOrChart = 32888;   // Shift+F6, no menu entry
inline constexpr unsigned kSystemInformation = 388;   // Ctrl+Alt+Shift+V, no menu entry
inline constexpr unsigned kCredits = 2188;   // Ctrl+Alt+Shift+P, no menu entry
inline constexpr unsigned kDeleteRasterCharts = 2118;   // Ctrl+Alt+Shift+A, no menu entry

// Chart
inline constexpr unsigned kChartZoomIn = 607;
inline constexpr unsigned kChartZoomOut = 618;
inline constexpr unsigned kChartSmallerScale = 2150;
inline constexpr unsigned kChartLargerScale = 2149;
inline constexpr unsigned kChartFull = 610;
inline constexpr unsigned kChartWorld = 611;
inline constexpr unsigned kChartRangeBearing = 615;
inline constexpr unsigned kChartOptions = 2234;
inline constexpr unsigned kChartManagement = 2235;
inline constexpr unsigned kChartUpdateBoxes = 2127;
inline constexpr unsigned kChartUpdateFolio = 1660;
inline constexpr unsigned kChartVerify = 1597;
inline constexpr unsigned kChartCursorPosition = 2309;   // a toolbar label: the pointer's position
inline constexpr unsigned kChartPrint = 57607;   // the chart view's own print and preview
inline constexpr unsigned kChartPrintPreview = 57609;   // no menu entry: a key of the chart view

// Navigator
inline constexpr unsigned kNavPositionSource = 2043;
inline constexpr unsigned kNavVoyage = 2156;
inline constexpr unsigned kNavGoToVessel = 2157;
inline constexpr unsigned kNavAutoscroll = 2164;
inline constexpr unsigned kNavAutoscrollRestrictions = 2163;
inline constexpr unsigned kNavBestChart = 2175;
inline constexpr unsigned kNavVesselTrack = 619;
inline constexpr unsigned kNavDataLogging = 625;
inline constexpr unsigned kNavLogbookEntry = 2044;
inline constexpr unsigned kNavLogbookWindow = 32807;
inline constexpr unsigned kNavLogToTrack = 2200;
inline constexpr unsigned kNavAutopilot = 2159;
inline constexpr unsigned kNavUploadChartpoints = 32868;
inline constexpr unsigned kNavUploadRoute = 32869;
inline constexpr unsigned kNavOptions = 2114;

// Target
inline constexpr unsigned kArpaActivate = 2248;
inline constexpr unsigned kArpaGoToSelected = 2246;
inline constexpr unsigned kArpaSave = 2249;
inline constexpr unsigned kArpaDelete = 2251;
inline constexpr unsigned kArpaView = 2255;
inline constexpr unsigned kRadarCursor = 2250;
inline constexpr unsigned kTenderActivate = 2320;
inline constexpr unsigned kTenderGoToSelected = 2321;
inline constexpr unsigned kTenderView = 2322;
inline constexpr unsigned kTenderSave = 2324;
inline constexpr unsigned kTenderResetMob = 2331;
inline constexpr unsigned kTargetOptions = 2323;

// Chartpoint
inline constexpr unsigned kChartpointNew = 2217;
inline constexpr unsigned kChartpointEdit = 2259;
inline constexpr unsigned kChartpointDelete = 2218;
inline constexpr unsigned kChartpointGoToSelected = 612;
inline constexpr unsigned kChartpointFirst = 323;
inline constexpr unsigned kChartpointPrevious = 322;
inline constexpr unsigned kChartpointNext = 321;
inline constexpr unsigned kChartpointLast = 320;
inline constexpr CommandRange kChartpointAttachments{324, 327};   // three pictures, one video
inline constexpr unsigned kChartpointShowHide = 2263;
inline constexpr unsigned kChartpointListWindow = 2180;
inline constexpr unsigned kChartpointLocked = 2182;
inline constexpr unsigned kChartpointSortOriginal = 2190;
inline constexpr unsigned kChartpointSortName = 2192;
inline constexpr unsigned kChartpointSortId = 2193;
inline constexpr unsigned kChartpointSortLatitude = 2194;
inline constexpr unsigned kChartpointSortLongitude = 2195;
inline constexpr unsigned kChartpointSortDatum = 2196;
inline constexpr unsigned kChartpointSortArea = 2197;
inline constexpr unsigned kChartpointSortType = 2198;
inline constexpr unsigned kChartpointSortZone = 2199;
inline constexpr CommandRange kChartpointSort{2190, 2199};
inline constexpr unsigned kChartpointOptions = 2186;
inline constexpr unsigned kChartpointCombo = 815;   // toolbar drop-down of the names
inline constexpr unsigned kChartpointSortCombo = 2189;   // toolbar drop-down of the orders
inline constexpr unsigned kOpenChartpointCombo = 2171;   // Ctrl+Alt+C

// Route
inline constexpr unsigned kRouteNew = 2223;
inline constexpr unsigned kRouteEdit = 2260;
inline constexpr unsigned kRouteDelete = 2224;
inline constexpr unsigned kRouteReverse = 2225;
inline constexpr unsigned kRouteCopy = 2236;
inline constexpr unsigned kRouteFirst = 2029;
inline constexpr unsigned kRoutePrevious = 2028;
inline constexpr unsigned kRouteNext = 2027;
inline constexpr unsigned kRouteLast = 2030;
inline constexpr CommandRange kRouteAttachments{733, 736};   // three pictures, one video
inline constexpr unsigned kWaypointGoToSelected = 2211;
inline constexpr unsigned kWaypointDelete = 2222;
inline constexpr unsigned kWaypointLocked = 2181;
inline constexpr unsigned kWaypointFirst = 971;
inline constexpr unsigned kWaypointPrevious = 970;
inline constexpr unsigned kWaypointNext = 969;
inline constexpr unsigned kWaypointLast = 968;
inline constexpr unsigned kRouteCombo = 814;   // toolbar drop-downs of routes and waypoints
inline constexpr unsigned kWaypointCombo = 964;
inline constexpr unsigned kOpenRouteCombo = 2172;   // Ctrl+Alt+R
inline constexpr unsigned kOpenWaypointCombo = 2173;   // Ctrl+Alt+W
inline constexpr unsigned kRouteShowWaypoints = 2262;
inline constexpr unsigned kPlanCalculate = 2219;
inline constexpr unsigned kPlanBestTime = 2221;
inline constexpr unsigned kRouteOptions = 2125;

// Vessel, Tools
inline constexpr unsigned kVesselOptions = 2202;
inline constexpr unsigned kTidalAtlas = 2021;
inline constexpr unsigned kToolsOptions = 2185;
inline constexpr unsigned kToolsCustomise = 2210;

// Window
inline constexpr unsigned kWindowClose = 2237;
inline constexpr unsigned kWindowCloseAll = 2238;
inline constexpr unsigned kWindowNext = 2239;
inline constexpr unsigned kWindowPrevious = 2240;
inline constexpr unsigned kWindowCascade = 57650;
inline constexpr unsigned kWindowTile = 57651;
inline constexpr unsigned kWindowArrange = 57652;

// Help
inline constexpr unsigned kHelpContents = 57666;
inline constexpr unsigned kHelpTopics = 57667;
inline constexpr unsigned kTechSupport = 32881;
inline constexpr unsigned kAbout = 2124;

// Toolbars: a toolbar's id is also the command that shows or hides it.
inline constexpr unsigned kBarStandard = kViewToolbars;
inline constexpr unsigned kBarDisplay = 59397;
inline constexpr unsigned kBarChart = 59398;
inline constexpr unsigned kBarVoyage = 59399;
inline constexpr unsigned kBarChartpoint = 59400;
inline constexpr unsigned kBarRoute = 59401;
inline constexpr unsigned kBarArpa = 59402;
inline constexpr unsigned kBarRangeBearing = 59403;   // floating, kept out of the bar list
inline constexpr unsigned kBarTender = 59404;
inline constexpr CommandRange kFixedToolBars{59392, 59404};
inline constexpr CommandRange kUserToolBars{0xE820, 0xE8FE};   // bars the user made

// Side panels' bar ids, one per panel.
inline constexpr unsigned kPanelChartpoint = 258;
inline constexpr unsigned kPanelChartInfo = 256;
inline constexpr unsigned kPanelMonitor = 257;
inline constexpr unsigned kPanelRoute = 2042;
inline constexpr unsigned kPanelTargetTracking = 497;

// The top-level menus' button ids: a marker bit and the menu's number.
inline constexpr unsigned kMenuButtonBase = 0x80000000u;
inline constexpr unsigned kMenuFile = kMenuButtonBase + 65;
inline constexpr unsigned kMenuView = kMenuButtonBase + 66;
inline constexpr unsigned kMenuChart = kMenuButtonBase + 67;
inline constexpr unsigned kMenuNavigator = kMenuButtonBase + 68;
inline constexpr unsigned kMenuChartpoint = kMenuButtonBase + 69;
inline constexpr unsigned kMenuRoute = kMenuButtonBase + 70;
inline constexpr unsigned kMenuVessel = kMenuButtonBase + 71;
inline constexpr unsigned kMenuTools = kMenuButtonBase + 72;
inline constexpr unsigned kMenuWindow = kMenuButtonBase + 73;
inline constexpr unsigned kMenuHelp = kMenuButtonBase + 74;
inline constexpr unsigned kMenuTarget = kMenuButtonBase + 75;
inline constexpr unsigned kMenuEdit = kMenuButtonBase + 76;

}   // namespace app::cmd
