#!/bin/bash
# Whole-world views on the real program, started as the run script starts it
# (the sample chart media and vector cells, fresh settings, the grid layer on):
#   1. Chart > World Chart on the vector overview opens LCWORLD whole, 180 W
#      to 180 E and 80 S to 84 N, a degree across cos(2 N) of one up;
#   2. Ctrl+6 on the raster overview opens the media's world chart 4000;
#   3. File > New opens a blank chart showing the whole world, 180 W to 180 E
#      and 90 N to 90 S, in the largest 2:1 rectangle the window holds.
# The grid's lines span the rectangle that shows the chart: its box gives the
# rectangle, the meridians every 100 degrees where the longitudes lie.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
#
# Usage: world_view_window_check.sh [path/to/brinevane] [sample media] [sample cells]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
CELLS=${3:-$(dirname "$PROGRAM")/../sample-cells}
XWIN_NAME=worldview
XWIN_TOOLS="evilwm import compare convert"
XWIN_FILES="$MEDIA/chart-medium/ReadMe.cdv $CELLS/LCWORLD.000"
# shellcheck source=../../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA" "$CELLS"
MEDIA=$(cd "$MEDIA" && pwd)
CELLS=$(cd "$CELLS" && pwd)

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$SETTINGS")"
{
    instruments_off_lines
    printf '%s\n' '[Software\Quorwick\Brinevane\Default\Chart]' 'DrawLatLongGrid=str:True' '#end'
} > "$SETTINGS"
station_settings "$SETTINGS"
export BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1

shot() { settled_screen "$SHOTS/worldview_$1.png"; echo "   $SHOTS/worldview_$1.png"; }
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$XWIN_CHART"; }
wait_chart() {
    XWIN_CHART=$1
    wait_for "the chart $1" chart_opened
    echo "   $FOUND"
}

# The grid's box in the screenshot $1 is the rectangle that shows the chart:
# its width over its height is the chart's span of longitude (times the share
# of a degree across) over its span of latitude, and the meridians of 100 W,
# 0 and 100 E lie where a span from 180 W to 180 E puts them.
check_whole_world() {
    local picture=$1 ratio=$2 what=$3 W H X Y lon x row found
    read -r W H X Y <<< "$(grid_box "$picture")"
    echo "   $what: the chart shown in ${W}x${H} at $X,$Y"
    [ "$W" -gt 200 ] && [ "$H" -gt 100 ] || fail "$what: no grid drawn (${W}x${H})"
    awk -v w="$W" -v h="$H" -v r="$ratio" 'BEGIN { exit !(w / h > r * 0.99 && w / h < r * 1.01) }' ||
        fail "$what: the chart is shown ${W}x${H}, not $ratio to 1: not all of it in view"
    # The grid's colour along a row a quarter down, away from the parallels.
    row=$(convert "$picture" -crop "${W}x1+${X}+$((Y + H / 4))" +repage -fill black \
        +opaque "#7F0000" -fill white -opaque "#7F0000" -compress none pbm:- | tail -n +3 | tr -s ' \n' ' ')
    for lon in -100 0 100; do
        x=$(awk -v w="$W" -v l="$lon" 'BEGIN { printf "%d", (l + 180) / 360 * w }')
        found=$(echo "$row" | awk -v x="$x" '{ for (i = 1; i <= NF; ++i) if ($i == "0" && i - 1 >= x - 3 && i - 1 <= x + 3) { print i - 1; exit } }')
        [ -n "$found" ] || fail "$what: no meridian of $lon degrees near x=$x of $W: the view does not run from 180 W to 180 E"
    done
    echo "   $what: meridians of 100 W, 0 and 100 E where 180 W to 180 E puts them"
}

start_wm
step "a first start as the run script makes it: the raster overview, the vector one over it"
start_past_disclaimer --sample-media "$MEDIA" --sample-cells "$CELLS"
XWIN_CHART=RC9001
raster_overview() { grep "chart opened: .*RC9001" "$work/program.log"; }
wait_for "the raster overview RC9001" raster_overview
wait_chart US2WA01M
lc_disclaimer() { window_named "Livechart Disclaimer"; }
wait_for "the vector charts' disclaimer" lc_disclaimer
activate "$FOUND"
xdotool key alt+e
lc_gone() { ! window_named "Livechart Disclaimer" >/dev/null && echo gone; }
wait_for "the vector charts' disclaimer to close" lc_gone
shot 1_first_start

step "Chart > World Chart on the vector chart: LCWORLD, whole"
activate "$MAIN"
xdotool key alt+c
sleep 0.4
xdotool key w
wait_chart LCWORLD
shot 2_vector_world_chart
# 360 degrees a share of cos(2 N) across, 164 degrees up.
check_whole_world "$SHOTS/worldview_2_vector_world_chart.png" \
    "$(awk 'BEGIN { printf "%.4f", 360 * cos(2 * atan2(0, -1) / 180) / 164 }')" "LCWORLD"

step "Window > 1 brings the raster overview forward; Ctrl+6 opens the world chart 4000"
activate "$MAIN"
xdotool key alt+w
sleep 0.5
xdotool key 1
raster_active() { xdotool getwindowname "$MAIN" | grep RC9001; }
wait_for "the raster overview in front" raster_active
activate "$MAIN"
xdotool key ctrl+6
wait_chart 4000
shot 3_raster_world_chart
grep -q "World chart not found" "$work/program.log" && fail "the program said: World chart not found"

step "File > New: a blank chart shows the whole world"
activate "$MAIN"
xdotool key ctrl+n
chooser() { window_named "New"; }
wait_for "the File > New chooser" chooser
activate "$FOUND"
# Its first choice, the blank chart, is selected.
xdotool key Return
wait_chart "Blank World Chart"
shot 4_blank_chart
check_whole_world "$SHOTS/worldview_4_blank_chart.png" 2.0 "the blank chart"

stop_program
echo "PASS: LCWORLD, the raster world chart by Ctrl+6 and a blank chart shown whole"
