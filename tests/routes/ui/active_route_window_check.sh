#!/bin/bash
# The route being followed on the real program window, on a virtual X server
# driven with xdotool: a new user's folders, the sample route installed as
# scripts/run installs it, a blank chart of Admiralty Inlet and Seattle, the
# legs' arrows, courses and distance-to-run marks and the waypoints' numbers
# and names switched on, and a GPS on a socat pty pair set as COM1:
#   1. the GPS lies north of Point Wilson: waypoint 1 is current;
#   2. the GPS runs from Point Wilson towards Marrowstone Point at 20 knots:
#      waypoint 2 becomes current, and after more than 5 seconds the course
#      of the leg into it carries the speed made good towards it, a figure
#      beside the course that a leg out of the current waypoint never has.
# The program reports each route change on BRINE_ROUTE_STATE_FILE (the
# current waypoint and where it is drawn). Screenshots go to $BRINE_SHOTS_DIR
# when it is set. Exit code 77 (skipped) when a tool is missing.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
XWIN_NAME=activeroute
XWIN_SCREEN=1280x1024x24
XWIN_TOOLS="evilwm socat python3 import convert"
XWIN_FILES="$BUILT/Sample.dbf"
source "$(dirname "$0")/../../support/xwin.sh"
xwin_enter "$0" "$@"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
STATE="$work/state.txt"
LINES=0
xwin_on_failure() { echo "--- route state lines:" >&2; tail -8 "$STATE" >&2; }

step "COM1 a GPS north of Point Wilson; the sample route over a blank chart"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
blank_chart_settings "$CONF"
# The GPS keeps its port; the route draws its legs' marks and waypoint labels.
{ awk '/^\[/ { gps = ($0 ~ /\\Navigator\\GPS\]$/) } !gps && $0 != "#end"' "$CONF"
  printf '%s\n' '[Software\Quorwick\Brinevane\Ports]' "COM1=str:$work/com1" \
      '[Software\Quorwick\Brinevane\Default\Route]' 'DrawLegArrow=str:True' \
      'DrawCourseAndSMG=str:True' 'DrawDistanceToRun=str:True' 'ApplyToEntireRoute=str:True' \
      'DistanceToRunInterval=str:2.0' \
      '[Software\Quorwick\Brinevane\Default\Route\OverlayProperties]' 'DrawNumber=str:True' \
      'DrawName=str:True' '#end'; } > "$CONF.new" && mv "$CONF.new" "$CONF"
station_settings "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" > /dev/null || fail "route-sample install"
gps_writer "$work/feed1" 48.1863 -122.7370
STILL=$!

export BRINE_ROUTE_STATE_FILE="$STATE" BRINE_REPORT_FOCUS=1
start_wm
start_past_disclaimer

step "1. waypoint 1 current"
expect_state "the sample route open" count 10
# Show/Hide Waypoints twice: the route reports where the current waypoint is
# drawn (the route opened before the chart).
waypoint_drawn() {
    local shown
    for shown in hidden shown; do
        sleep 0.6
        activate "$MAIN"
        xdotool key alt+r
        sleep 0.5
        xdotool key s
        expect_state "the waypoints $shown" hint 9
    done
    [ -n "$(field x)" ] || fail "waypoint $(field active) is not drawn"
}
activate "$MAIN"
xdotool key alt+w
sleep 0.4
xdotool key t   # Window > Tile: the chart over the work area
sleep 1
waypoint_drawn
[ "$(field active)" = 1 ] || fail "waypoint $(field active) is current"
# The chart zoomed to Admiralty Inlet about Point Wilson.
drag $(($(field x) - 50)) $(($(field y) - 40)) $(($(field x) + 90)) $(($(field y) + 100))
sleep 2
pointer_to 2 2
waypoint_drawn
X1=$(field x) Y1=$(field y)
echo "   waypoint 1 at $X1,$Y1"
sleep 2
import -window root "$SHOTS/active_route_1_waypoint1.png"

step "2. the GPS runs from Point Wilson towards Marrowstone Point"
kill "$STILL" 2>/dev/null
gps_writer "$work/feed1" 48.1530 -122.7370 20 129
expect_state "waypoint 2 current" active 2
X2=$(field x) Y2=$(field y)
echo "   waypoint 2 at $X2,$Y2"
# Arriving at Point Wilson raised the arrival alarm: OK closes it.
alarms() { window_named "Waypoint Arrival Alarms"; }
wait_for "the arrival alarm" alarms
activate "$FOUND"
xdotool key Return
pointer_to 2 2
# More than 5 whole seconds after the first paint with waypoint 2 current.
sleep 8
SHOT="$SHOTS/active_route_2_speed_made_good.png"
import -window root "$SHOT"
# The course of leg 1-2 stands centred 16 pixels to port of the leg's middle;
# alone ("129") it is some 20 pixels wide, with the speed made good ("129
# 20.0kn") some 60. The box beyond the course's own width holds only that
# figure: no leg, arrow, mark or limit passes there.
BOX=$(/usr/bin/python3 - "$X1" "$Y1" "$X2" "$Y2" <<'PY'
import math, sys
x1, y1, x2, y2 = map(float, sys.argv[1:5])
mx, my = (x1 + x2) / 2, (y1 + y2) / 2
port = math.atan2(x2 - x1, y1 - y2) - math.pi / 2
cx, cy = mx + 16 * math.sin(port), my - 16 * math.cos(port)
print("20x12+%d+%d" % (cx + 15, cy - 6))
PY
)
convert "$SHOT" -crop "$BOX" +repage -scale 400% "$SHOTS/active_route_2_probe.png"
figure=$(convert "$SHOT" -crop "$BOX" +repage -fuzz 20% -fill black +opaque "#FF7F00" \
    -fill white -opaque "#FF7F00" -format "%[fx:round(mean*w*h)]" info:)
echo "   speed-made-good pixels in $BOX: $figure"
[ "$figure" -ge 8 ] || fail "no speed made good beside the course of the leg into waypoint 2"
echo "PASS"
