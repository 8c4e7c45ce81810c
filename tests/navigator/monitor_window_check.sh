#!/bin/bash
# The Monitor panel and the position source on the real program window, with
# a GPS on a socat pty pair, set as COM1 on the System page of Tools >
# Options, lying in Elliott Bay on the sample harbour chart RC9003, and the
# sample route installed:
#   1. the datum-shift line follows the active chart: on RC9003 the chart's
#      status with its kind ("... - Chart", or "None available"), and "Not
#      applicable" once the GPS lies off every chart the window can show;
#   2. Navigator > Position Source..., Off: the position goes from the panel;
#      opened again, NMEA can still be chosen (the GPS has its port), and
#      chosen it brings the position back;
#   3. the Plan card stays empty until Route > Plan > Calculate; then it shows
#      the plan's entry for the leg ending at the active waypoint, and follows
#      the active waypoint when it moves on.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: monitor_window_check.sh [path/to/brinevane [sample media [sample-routes folder]]]
# Exit code 77 (skipped) when a tool is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
ROUTES=${3:-$(dirname "$PROGRAM")/../sample-routes}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=monitor
XWIN_TOOLS="evilwm socat python3 import"
XWIN_FILES="$MEDIA/chart-medium $ROUTES/Sample.dbf"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA" "$ROUTES"
MEDIA=$(cd "$MEDIA" && pwd)
ROUTES=$(cd "$ROUTES" && pwd)

shot() { xwin_shot "monitor_$1"; }
STATE="$work/nav.txt"
# A field of the panel's last state line (tab-separated "name=value").
nav_field() { tail -n 1 "$STATE" 2>/dev/null | tr '\t' '\n' | sed -n "s/^$1=//p"; }
# Waits for the panel's field $1 to read $2 (a grep pattern) on a line written after now.
XWIN_WAIT_FROM=0
panel_shows() {
    XWIN_FIELD=$1 XWIN_WANT=$2
    XWIN_WAIT_FROM=$(wc -l < "$STATE" 2>/dev/null || echo 0)
    shows() {
        [ "$(wc -l < "$STATE")" -gt "$XWIN_WAIT_FROM" ] &&
            nav_field "$XWIN_FIELD" | grep -qx -- "$XWIN_WANT" && nav_field "$XWIN_FIELD"
    }
    wait_for "the panel's $1 to read '$2'" shows
    echo "   $1: '$FOUND'"
}
xwin_on_failure() { echo "--- last panel line:" >&2; tail -n 1 "$STATE" >&2; }
menu_key() { activate "$MAIN"; xdotool key "$1"; sleep 0.4; xdotool key "$2"; }
position_source() {
    menu_key alt+n p
    ps_dialog() { window_named "Position Source"; }
    wait_for "the Position Source dialog" ps_dialog
    DIALOG=$FOUND
    activate "$DIALOG"
}
dialog_gone() { is_gone "$DIALOG" && echo gone; }
# The Monitor's "Plan" tab in front for the pictures: the tab row lies 375 px
# down the 1280 x 1024 screen, the Plan tab 920 px across.
plan_tab() { [ -n "$SHOTS" ] && click_at 920 375 && sleep 0.5; }

step "COM1 on a socat pty pair; a GPS lying in Elliott Bay on RC9003; the sample route"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
{ other_instruments_off_lines; echo '#end'; } > "$CONF"
station_settings "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$ROUTES/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" >/dev/null || fail "route-sample install"
gps_writer "$work/feed1" 47.6217 -122.385
STILL=$!
export BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1 BRINE_NAV_STATE_FILE="$STATE"
start_wm
start_on_sample_harbour_chart "$MEDIA"

step "Tools > Options, System page: COM1 is the GPS's pty"
menu_key alt+o o
options_sheet() { window_named "Tools Options"; }
wait_for "the Options sheet" options_sheet
activate "$FOUND"
xdotool key ctrl+Tab   # Workspace, then System
sleep 0.5
xdotool key alt+1
sleep 0.3
xdotool type --delay 5 "$work/com1"
sleep 0.3
shot 0_system_com1
xdotool key alt+o
activate "$MAIN"
xdotool key F9   # the Monitor panel in front
panel_shows latitude "47.*"

step "1. the datum-shift line: RC9003's status with its kind"
panel_shows datumShift "\(Applied\|None applied\|None required\|Error\) - Chart\|None available"
ON_CHART=$FOUND
shot 1_datum_on_chart
step "   the GPS moves far off every chart: not applicable"
kill "$STILL" 2>/dev/null
gps_writer "$work/feed1" 10.0 -30.0
STILL=$!
panel_shows datumShift "Not applicable"
shot 2_datum_off_chart
kill "$STILL" 2>/dev/null
gps_writer "$work/feed1" 47.6217 -122.385
STILL=$!
panel_shows datumShift "$ON_CHART"

step "2. Position Source: Off"
position_source
shot 3_source_receiving
xdotool key alt+f
sleep 0.5
shot 3b_source_off_chosen
xdotool key Return
wait_for "the dialog to close" dialog_gone
# The GPS's receive side is closed: the panel takes no more positions.
sleep 1
OFF_AT=$(wc -l < "$STATE")
sleep 3
tail -n +$((OFF_AT + 1)) "$STATE" | grep -q $'\tlatitude=4' && fail "positions still come after Off"
step "   opened again: NMEA chosen (alt+n), OK: the position comes back"
position_source
shot 4_source_after_off
xdotool key alt+n
sleep 0.3
xdotool key Return
wait_for "the dialog to close" dialog_gone
STEP_SECONDS=30 panel_shows latitude "47.*"
panel_shows status "GP.*"

# The rhumb-line course from $1,$2 to $3,$4 in degrees (on the sphere).
rhumb_course() {
    python3 -c 'import math, sys
a, b, c, d = map(math.radians, map(float, sys.argv[1:5]))
dpsi = math.log(math.tan(math.pi / 4 + c / 2) / math.tan(math.pi / 4 + a / 2))
print("%.1f" % (math.degrees(math.atan2(d - b, dpsi)) % 360))' "$@"
}
# The panel's CTS within half a degree of $1.
cts_near() {
    python3 -c 'import sys; sys.exit(abs(float(sys.argv[1]) - float(sys.argv[2])) > 0.5)' \
        "$(nav_field cts)" "$1" || fail "CTS '$(nav_field cts)' is not the leg's course $1"
}
# The GPS lying at waypoint $1 ($2 $3): the route moves on to the next.
gps_at_waypoint() {
    kill "$STILL" 2>/dev/null
    gps_writer "$work/feed1" "$2" "$3"
    STILL=$!
    XWIN_NEXT=$(($1 + 1))
    advanced() { [ "$(nav_field waypoint)" = "$XWIN_NEXT" ] && echo "$XWIN_NEXT"; }
    wait_for "waypoint $XWIN_NEXT active" advanced
    sleep 2
}

step "3. the Plan card: empty before the plan is calculated"
panel_shows cts ""
[ -z "$(nav_field set)" ] && [ -z "$(nav_field variation)" ] || fail "the Plan card shows values without a plan"
step "   the GPS at Point Wilson (waypoint 1): waypoint 2 active; still no plan"
gps_at_waypoint 1 48.1530 -122.7370
[ -z "$(nav_field cts)" ] || fail "the Plan card shows values without a plan"
step "   Route > Plan > Calculate: the first leg's entry"
activate "$MAIN"
xdotool key alt+r
sleep 0.4
xdotool key p
sleep 0.4
xdotool key c
sleep 1
answer_question Return "$MAIN" || true
panel_shows cts " *[0-9]*\.[0-9]"
echo "   waypoint $(nav_field waypoint): SET '$(nav_field set)' DRIFT '$(nav_field drift)' CTS '$(nav_field cts)' Var '$(nav_field variation)' Dev '$(nav_field deviation)'"
for f in set drift cts; do
    nav_field "$f" | grep -qx " *[0-9]*\.[0-9]" || fail "$f reads '$(nav_field "$f")'"
done
for f in variation deviation; do
    nav_field "$f" | grep -qx " *[0-9]*\.[0-9] [EW]" || fail "$f reads '$(nav_field "$f")'"
done
LEG1=$(rhumb_course 48.1530 -122.7370 48.1000 -122.6400)
echo "   Point Wilson to Marrowstone Point: $LEG1"
cts_near "$LEG1"
# The plan's window (the same course in its CTS column) closed, the Monitor in front.
if plan_window=$(window_named "Passage Plan"); then
    [ -n "$SHOTS" ] && shot 5a_plan_window
    activate "$plan_window"
    xdotool key Escape
    PLAN_WINDOW=$plan_window
    plan_gone() { is_gone "$PLAN_WINDOW" && echo gone; }
    wait_for "the plan's window to close" plan_gone
fi
activate "$MAIN"
xdotool key F9
sleep 0.5
plan_tab
shot 5_plan_card
step "   the GPS at Marrowstone Point: waypoint 3 active, the second leg's entry"
gps_at_waypoint 2 48.1000 -122.6400
LEG2=$(rhumb_course 48.1000 -122.6400 48.0300 -122.6450)
echo "   waypoint $(nav_field waypoint): CTS '$(nav_field cts)'; Marrowstone Point to Bush Point: $LEG2"
cts_near "$LEG2"
shot 6_plan_next_waypoint
echo "PASS"
