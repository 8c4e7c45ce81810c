#!/bin/bash
# A raster chart window on the real program, after a first start with the
# sample chart media (the overview RC9001 shown), driven by mouse and keys:
#   1. Ctrl+Enter, then Enter without moving (the keyboard's double click) on
#      Elliott Bay on the overview opens the chart that best shows that place,
#      in the same window;
#   2. on RC9002, whole, in range and bearing mode: a line dragged from the
#      main panel into the "PLAN 1: EAGLE HARBOR" inset stops at the inset's
#      edge while the button is still down, and reads the few cables it
#      spans, not the way round the world;
#   3. a double click on the main panel away from any mark opens the chart
#      that best shows that place.
# The program reports the charts it opens and each measurement's client
# points and label (BRINE_REPORT_CHARTS). Screenshots go to $BRINE_SHOTS_DIR
# when it is set.
#
# Usage: raster_view_window_check.sh [path/to/brinevane] [sample media]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
XWIN_NAME=rasterview
XWIN_TOOLS="evilwm import"
XWIN_FILES="$MEDIA/chart-medium/ReadMe.cdv"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA"
MEDIA=$(cd "$MEDIA" && pwd)

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$SETTINGS")"
instruments_off "$SETTINGS"
station_settings "$SETTINGS"
export BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1

shot() { settled_screen "$SHOTS/rasterview_$1.png"; echo "   $SHOTS/rasterview_$1.png"; }
opened() { grep -c "chart opened: " "$work/program.log"; }
wait_chart() {
    XWIN_CHART=$1 XWIN_OPENED=$2
    chart_opened() {
        [ "$(opened)" -gt "$XWIN_OPENED" ] &&
            grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$XWIN_CHART"
    }
    wait_for "the chart $1" chart_opened
    echo "   $FOUND"
}
measurements() { grep -c "range and bearing: " "$work/program.log"; }
last_measurement() { grep "range and bearing: " "$work/program.log" | tail -n 1; }
# The chart view's top left on the screen: a click in range and bearing mode
# at a known screen point reports its client point.
VIEW_X=0 VIEW_Y=0
find_view() {
    local n x y cx cy
    n=$(measurements)
    geometry "$MAIN"
    # Whole, a chart's picture starts at the view's left: a point near there.
    x=$((X + 150)) y=$((Y + HEIGHT / 2))
    click_at $x $y
    XWIN_SEEN=$n
    measured() { [ "$(measurements)" -gt "$XWIN_SEEN" ] && last_measurement; }
    wait_for "the probe's measurement" measured
    read -r cx cy <<< "$(echo "$FOUND" | sed 's/.*from \([0-9-]*\),\([0-9-]*\) to.*/\1 \2/')"
    VIEW_X=$((x - cx)) VIEW_Y=$((y - cy))
    echo "   the chart view's top left at $VIEW_X,$VIEW_Y"
}
range_bearing() {
    focus "$MAIN"
    xdotool key alt+6
}

start_wm
step "a first start with the sample chart media: the overview"
start_past_disclaimer --sample-media "$MEDIA"
wait_chart RC9001 0
activate "$MAIN"
shot 1_overview

step "Ctrl+Enter, Enter without moving on Elliott Bay opens the best chart there"
range_bearing
bar() { window_named "Range & Bearing"; }
wait_for "the Range & Bearing bar" bar
find_view
range_bearing
bar_gone() { ! window_named "Range & Bearing" >/dev/null && echo gone; }
wait_for "the Range & Bearing bar to close" bar_gone
# Whole, the overview's picture (a quarter of its 1792 x 3584 pixels) lies
# at the view's top left, Elliott Bay at its middle, where the two larger
# scale charts are centred.
pointer_to $((VIEW_X + 224)) $((VIEW_Y + 448))
N=$(opened)
xdotool key ctrl+Return
sleep 0.3
xdotool key Return
wait_chart "RC900[23]" "$N"
DOUBLE_CLICKED=$FOUND
shot 2_keyboard_double_click

step "RC9002 whole: a measurement from the main panel stops at the inset's edge"
activate "$MAIN"
if ! echo "$DOUBLE_CLICKED" | grep -q RC9002; then
    N=$(opened)
    xdotool key ctrl+minus
    wait_chart RC9002 "$N"
fi
menu_path alt+c f
sleep 1
range_bearing
wait_for "the Range & Bearing bar" bar
activate "$MAIN"
find_view
# Whole, the chart's low-resolution picture (a quarter of its 4096 x 3072
# pixels) lies at the view's top left; the inset is its bottom right corner,
# from x 624 and y 496 on.
X0=$((VIEW_X + 560)) Y0=$((VIEW_Y + 620))
N=$(measurements)
pointer_to $X0 $Y0
xdotool mousedown 1
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14; do
    xdotool mousemove --sync $((X0 + i * 10)) $Y0
    sleep 0.03
done
XWIN_SEEN=$N
finished() { [ "$(measurements)" -gt "$XWIN_SEEN" ] && last_measurement; }
wait_for "the measurement to end at the inset's edge while the button is down" finished
xdotool mouseup 1
echo "   $FOUND"
END_X=$(echo "$FOUND" | sed 's/.* to \([0-9-]*\),.*/\1/')
NM=$(echo "$FOUND" | sed 's/.*: \([0-9.]*\)nm.*/\1/')
[ "$END_X" -lt 624 ] || fail "the line ended at x $END_X, inside the inset"
awk -v nm="$NM" 'BEGIN { exit !(nm > 0.1 && nm < 2) }' || fail "the line reads $NM nm, not the cables it spans"
pointer_to 2 2
shot 3_measured_to_the_inset_edge
range_bearing
wait_for "the Range & Bearing bar to close" bar_gone

step "a double click on the main panel opens the best chart there"
N=$(opened)
pointer_to $((VIEW_X + 400)) $((VIEW_Y + 350))
xdotool click --repeat 2 --delay 80 1
wait_chart RC9003 "$N"
pointer_to 2 2
shot 4_double_click
echo "PASS: the keyboard's and the mouse's double clicks opened the charts there, and a measurement kept to its panel"
