#!/bin/bash
# Chartpoints and the own position going into the sample route on the real
# program window, on a virtual X server driven with xdotool: a new user's
# HOME and XDG folders, the sample route and chartpoints installed as
# scripts/run installs them, a GPS on COM1 (a socat pty pair) at the
# entrance of Elliott Bay, over a blank chart of Admiralty Inlet and Seattle:
#   1. Route > Edit; Chartpoint > List Window: Enter adds the chartpoint
#      chosen in the list after the current waypoint, named as it;
#   2. the list closed, a double click on the next chartpoint's mark adds it;
#   3. the route panel's Nav adds the own position after the current
#      waypoint; the chartpoint panel's Nav adds a chartpoint there;
#   4. the right-click Properties over a chartpoint mark opens "Chartpoint
#      Properties" with its name;
#   5. a memo typed in the route panel and applied is there again after the
#      program is started again.
# The program reports route and chartpoint changes on BRINE_ROUTE_STATE_FILE
# and BRINE_CHARTPOINT_STATE_FILE. Screenshots go to $BRINE_SHOTS_DIR when it
# is set. Exit code 77 (skipped) when a tool is missing.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
SAMPLES=${3:-$(dirname "$PROGRAM")/../sample-chartpoints}
XWIN_NAME=routecp
XWIN_SCREEN=1280x1024x24
XWIN_TOOLS="evilwm socat import convert python3"
XWIN_FILES="$BUILT/Sample.dbf $SAMPLES/Chartpoints/PugetSound.dbf"
source "$(dirname "$0")/../../support/xwin.sh"
xwin_enter "$0" "$@"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS" "$work/prog"
ROUTES="$work/route-state.txt"
MARKS="$work/chartpoint-state.txt"
STATE=$ROUTES
xwin_on_failure() {
    echo "--- route state:" >&2
    tail -5 "$ROUTES" >&2
    echo "--- chartpoint state:" >&2
    tail -5 "$MARKS" >&2
}
near() { [ $((($1 - $3) * ($1 - $3) + ($2 - $4) * ($2 - $4))) -le 4 ]; }
# The name at the end of the last state line (it may hold blanks).
name_field() { last_state | sed -n 's/^.* name=//p'; }
# Waits on the route's (or the chartpoints') state lines from now on.
watch_routes() { STATE=$ROUTES; LINES=$(state_lines); }
watch_marks() { STATE=$MARKS; LINES=$(state_lines); }
route_menu() {
    sleep 0.6   # the menu's entries are enabled by the idle pass after a change
    menu_path alt+r "$@"
}
chartpoint_menu() {
    sleep 0.6
    menu_path alt+a "$@"
}
# The right-click menu at a point, then an entry by its letter.
context_key() {
    click_at "$1" "$2" 3
    menu_open() { other_windows "$MAIN" | head -1 | grep .; }
    wait_for "the chart's context menu" menu_open
    sleep 0.3
    xdotool key "$3"
}

CONF="$work/config/Quorwick/Brinevane/settings.conf"
pty_pairs 1
blank_chart_settings "$CONF"
# The GPS on COM1 instead of off; automatic advance off, so the sample route
# is free to edit.
{ grep -v '^#end$' "$CONF" | grep -v 'COMPort=dword:0'
  printf '%s\n' '[Software\Quorwick\Brinevane\Ports]' "COM1=str:$work/com1" \
      '[Software\Quorwick\Brinevane\Default\Navigator\GPS]' 'ReceiveCOMPort=dword:1' \
      '[Software\Quorwick\Brinevane\Default\Route\Monitoring]' 'AutoWptAdvanceOn=str:False' \
      '#end'; } > "$CONF.new" && mv "$CONF.new" "$CONF"
station_settings "$CONF"
# The program folder: what lies beside the program, but for what it writes
# there; the sample chartpoints are installed there as scripts/run installs them.
program_folder_links "$work/prog"
"$(dirname "$PROGRAM")/sample-chartpoints" install "$SAMPLES" "$work/prog" "$CONF" ||
    fail "the sample chartpoints did not install"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" || fail "route-sample install"
gps_writer "$work/feed1" 47.6055 -122.4060

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export BRINE_ROUTE_STATE_FILE="$ROUTES" BRINE_CHARTPOINT_STATE_FILE="$MARKS" BRINE_REPORT_FOCUS=1
export BRINE_PROGRAM_FOLDER="$work/prog" BRINE_INITIAL_CHARTPOINTS=PugetSound
export BRINE_INSTANCE_NAME="brine-routecp-$$-$RANDOM"
start_wm
start_program() {
    TMPDIR="$work/tmp" "$work/prog/brinevane" >> "$work/program.log" 2>&1 &
    PID=$!
    pass_disclaimer
}
start_program

step "the sample route and chartpoints open"
watch_routes
LINES=0
expect_state "the sample route open" count 10
activate "$MAIN"
xdotool key F4   # the route panel
xdotool key alt+w
sleep 0.4
xdotool key t   # Window > Tile: the chart over the work area
pointer_to 2 2
sleep 1
settled_screen "$SHOTS/routecp_0_start.png"
geometry "$MAIN"
MX=$X MY=$Y MW=$WIDTH MH=$HEIGHT
# Places on the side panel docked at the right, from the main window's right edge.
panel_click() { click_at $((MX + MW - $1)) $((MY + $2)); sleep 0.5; }
# The panel's buttons below its cards sit on the message bar, whose height
# follows the messages shown: the bar's top (or where it would be).
panel_bottom() {
    import -window root "$work/bottom.png"
    local at
    at=$(convert "$work/bottom.png" -crop 1x200+3+$((MY + MH - 200)) txt:- |
        grep -n "#00007F" | head -1 | cut -d: -f1)
    if [ -n "$at" ]; then echo $((MY + MH - 200 + at - 2)); else echo $((MY + MH - 16)); fi
}

step "1. Route > Edit; Enter in the chartpoint list adds Point Wilson Light"
watch_routes
route_menu e
expect_state "edit mode" edit 1
chartpoint_menu w   # the list opens among the charts with the keyboard
sleep 1
xdotool key Return
expect_state "a waypoint inserted from the list" count 11
route_menu w s x
expect_state "the inserted waypoint current" active 2
[ "$(name_field)" = "Point Wilson Light" ] || fail "waypoint 2 is \"$(name_field)\""
settled_screen "$SHOTS/routecp_1_from_list.png"

step "2. a double click on Admiralty Head Light's mark adds it"
chartpoint_menu w   # the list closed
sleep 0.5
watch_marks
chartpoint_menu l x
expect_state "Admiralty Head Light current" name Admiralty
CX=$(field x) CY=$(field y)
watch_routes
pointer_to "$CX" "$CY"
xdotool click --repeat 2 --delay 80 1
expect_state "a waypoint inserted from the chart" count 12
route_menu w s x
expect_state "the inserted waypoint current" active 3
[ "$(name_field)" = "Admiralty Head Light" ] || fail "waypoint 3 is \"$(name_field)\""
pointer_to 2 2
settled_screen "$SHOTS/routecp_2_from_chart.png"

step "3. Nav adds the own position to the route and as a chartpoint"
# Alarms of the route monitoring (the sample route is sailed from where the
# GPS is) are answered first: their boxes lie over the chart.
dismiss_boxes() {
    local w
    for w in $(other_windows "$MAIN"); do
        xdotool windowfocus --sync "$w" 2>/dev/null && xdotool key Return
        sleep 0.3
    done
}
dismiss_boxes
xdotool key F4
sleep 0.5
panel_click 295 269   # the Waypoints card
# Waypoint 3 in the list, then the card's Nav.
panel_click 300 372
watch_routes
# The bar may change between the look and the click: looked at again until
# the click lands (a click beside the button does nothing).
for attempt in 1 2 3 4; do
    BOTTOM=$(panel_bottom)
    panel_click 210 $((BOTTOM - MY - 93))
    sleep 1
    [ "$(field count)" = 13 ] && break
done
expect_state "the own position inserted" count 13
route_menu w s x
expect_state "the own position current" active 4
[ -z "$(name_field)" ] || fail "waypoint 4 is named \"$(name_field)\""
OX=$(field x) OY=$(field y)
pointer_to 2 2
settled_screen "$SHOTS/routecp_3_nav_route.png"
dismiss_boxes
activate "$MAIN"
xdotool key F3
sleep 0.5
dismiss_boxes
watch_marks
panel_click 222 647   # the chartpoint panel's Edit
sleep 0.6   # Nav is enabled by the idle pass
panel_click 78 675   # its Nav
expect_state "a chartpoint at the own position" hint 6
[ "$(field count)" = 13 ] || fail "the chartpoints number $(field count)"
last_state | grep -q "lat=47 36.330 N lon=122 24.360 W" || fail "the new chartpoint: $(last_state)"
near "$(field x)" "$(field y)" "$OX" "$OY" || fail "the new mark is not where the new waypoint is"
xdotool type --delay 40 "Own position"
sleep 0.6
panel_click 78 647   # Apply
expect_state "the chartpoint named" name Own
pointer_to 2 2
settled_screen "$SHOTS/routecp_3b_nav_chartpoint.png"

step "4. Properties over Mukilteo Light's mark: Chartpoint Properties"
dismiss_boxes
activate "$MAIN"
xdotool key F4   # the route panel again: the chartpoint panel's Alt+A is its Area field
sleep 0.5
watch_marks
chartpoint_menu l f   # Point Wilson Light
for i in 1 2 3 4 5; do chartpoint_menu l x; done   # on to Mukilteo Light
expect_state "Mukilteo Light current" name Mukilteo
context_key "$(field x)" "$(field y)" p
cp_props() { window_named "Chartpoint Properties"; }
wait_for "the Chartpoint Properties sheet" cp_props
PROPS=$FOUND
chart_props() { window_named "Chart Properties"; }
chart_props && fail "the chart's properties opened over a chartpoint"
sleep 0.5
import -window root "$SHOTS/routecp_4_chartpoint_properties.png"
focus "$PROPS"
xdotool key Escape
props_gone() { is_gone "$PROPS"; }
wait_for "the sheet to close" props_gone

step "5. a memo typed and applied, read back after a restart"
dismiss_boxes
activate "$MAIN"
xdotool key F4
sleep 0.5
panel_click 374 269   # the General card
panel_click 210 340   # in the memo
xdotool key ctrl+End
xdotool type --delay 30 " Keep clear of the ferry lanes."
sleep 0.6
watch_routes
xdotool key alt+y   # Appl&y
expect_state "the route written" hint 1
pointer_to 2 2
settled_screen "$SHOTS/routecp_5_memo_applied.png"
# The memo as another reader finds it in the route table's memo file.
memo=$(/usr/bin/python3 - "$work/data/Quorwick/Brinevane/Routes/Sample" <<'PY'
import sys
from dbfread import DBF
print(list(DBF(sys.argv[1] + '.dbf'))[0]['NOTE'])
PY
)
echo "   stored memo: $memo"
case "$memo" in *"Keep clear of the ferry lanes."*) ;; *) fail "the memo is not stored";; esac
# The program closed and started again on the same settings.
dismiss_boxes
menu_keys alt+f x
# Yes to whatever the exit asks (whether to exit, whether to save).
for attempt in $(seq 1 40); do
    kill -0 "$PID" 2>/dev/null || break
    for w in $(other_windows "$MAIN"); do
        xdotool windowfocus --sync "$w" 2>/dev/null && xdotool key alt+y
    done
    sleep 0.5
done
kill -0 "$PID" 2>/dev/null && fail "the program did not close"
LINES=0
: > "$ROUTES"
start_program
watch_routes
LINES=0
expect_state "the sample route open again" count 13
activate "$MAIN"
xdotool key F4
sleep 0.5
panel_click 374 269   # the General card
pointer_to 2 2
settled_screen "$SHOTS/routecp_6_memo_after_restart.png"
echo "PASS"
