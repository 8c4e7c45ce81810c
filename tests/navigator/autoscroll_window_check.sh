#!/bin/bash
# The chart window that follows the vessel moves on to the next chart, on the
# real program window. Raster charts: a first start with the sample media
# shows the overview; Larger Scale twice reaches the harbour chart RC9003; a
# GPS on COM1 (a socat pty pair) lies half a mile inside its north edge;
# Navigator > Autoscroll Monitor Window opens the following window on RC9003.
# The GPS then makes 180 knots north: once the vessel has left RC9003 the
# following window shows the approach chart RC9002, which holds it, with the
# vessel in its view. Vector charts, from a fresh first start with the sample
# cells: the same off the harbour cell US5WA03M, onto the overview US2WA01M.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: autoscroll_window_check.sh [path/to/brinevane] [sample media folder]
#        [sample cells folder]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat, python3 or
# ImageMagick is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
CELLS=${3:-$(dirname "$PROGRAM")/../sample-cells}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=autoscroll
XWIN_TOOLS="evilwm socat python3 import"
XWIN_FILES="$MEDIA/chart-medium $CELLS/US5WA03M.000"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA" "$CELLS"
MEDIA=$(cd "$MEDIA" && pwd)
CELLS=$(cd "$CELLS" && pwd)

shot() { xwin_shot "autoscroll_$1"; }
# The program reports each chart it opens and, at each autoscroll step that
# changes it, the chart followed and whether the vessel is in its view.
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$1"; }
following() { grep "following: " "$work/program.log" | tail -n 1 | grep -- "$1"; }

SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
# A fresh home: COM1 on the pty; the autoscroll step and the best-chart check every second.
fresh_settings() {
    rm -rf "$work/config" "$work/data"
    mkdir -p "$(dirname "$SETTINGS")"
    printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\n%s\n#end\n' "$work/com1" \
        '[Software\Quorwick\Brinevane\Default\Navigator]' 'BestChartCheckInterval=str:0 00:00:01' \
        > "$SETTINGS"
    station_settings "$SETTINGS"
}
# Navigator > Autoscroll Monitor Window, enabled once a position has come (the
# monitor panel shows it): the following window on chart $1.
open_follower() {
    : > "$work/nav.txt"
    position_shown() { grep -q "latitude=47" "$work/nav.txt" 2>/dev/null && echo yes; }
    wait_for "a position on the monitor panel" position_shown
    activate "$MAIN"
    xdotool key alt+n
    sleep 0.4
    xdotool key a
    FOLLOWED=$1
    follower_on() { chart_opened "\[Autoscroll\] - .*$FOLLOWED"; }
    wait_for "the following window on $1" follower_on
    echo "   $FOUND"
    sleep 1
}
# The GPS, lying at $1 $2, makes 180 knots north: the following window moves
# from chart $3 to chart $4, which shows the vessel.
sail_north() {
    kill "$STILL" 2>/dev/null
    gps_writer "$work/feed1" "$1" "$2" 180.0 0.0
    MOVING=$!
    NEXT=$4
    moved() { chart_opened "\[Autoscroll\] - .*$NEXT"; }
    wait_for "the following window on $4" moved
    echo "   $FOUND"
    in_view() { following "$NEXT.*vessel in view"; }
    wait_for "the vessel in view on $4" in_view
    echo "   $FOUND"
    following "$3" >/dev/null && fail "the following window went back to $3"
    kill "$MOVING" 2>/dev/null
}

step "COM1 on a socat pty pair; a GPS lying in Elliott Bay, half a mile inside RC9003's north edge"
pty_pairs 1
fresh_settings
# The harbour chart's north edge is at about 47 37.8 N.
gps_writer "$work/feed1" 47.6217 -122.385
STILL=$!
export BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1 BRINE_NAV_STATE_FILE="$work/nav.txt"
start_wm

step "a first start with the sample media: the overview; Larger Scale twice to RC9003"
start_on_sample_harbour_chart "$MEDIA"

step "Navigator > Autoscroll Monitor Window: the following window on RC9003"
open_follower RC9003
shot 1_on_harbour

step "the GPS makes 180 knots north: off RC9003, the following window moves to RC9002"
sail_north 47.6217 -122.385 RC9003 RC9002
shot 2_on_approach

step "vector charts: a first start with the sample cells; File > Open the harbour cell US5WA03M"
stop_program
fresh_settings
: > "$work/program.log"
# The harbour cell's north edge is at 47 39.6 N.
gps_writer "$work/feed1" 47.655 -122.38
STILL=$!
start_past_disclaimer --sample-cells "$CELLS"
vector_overview() { chart_opened US2WA01M; }
wait_for "the vector overview" vector_overview
lc_disclaimer() { window_named "Livechart Disclaimer"; }
wait_for "the vector charts' disclaimer" lc_disclaimer
activate "$FOUND"
xdotool key alt+e
lc_gone() { ! window_named "Livechart Disclaimer" >/dev/null && echo gone; }
wait_for "the vector charts' disclaimer to close" lc_gone
open_livechart_file "$work/data/Quorwick/Brinevane/Charts/LIVECHART/US5WA03M.b"
vector_harbour() { chart_opened US5WA03M; }
wait_for "the harbour cell" vector_harbour
open_follower US5WA03M
shot 3_on_vector_harbour

step "180 knots north: off US5WA03M, the following window moves to the overview US2WA01M"
sail_north 47.655 -122.38 US5WA03M US2WA01M
shot 4_on_vector_overview

# The charts the following window went to from line $1 of the log on; each
# "following" line's metres per pixel no finer than its chart's most
# overscaled view (eight times the chart's scale on a 0.28 mm pixel).
changes_since() { tail -n +"$1" "$work/program.log" | grep -c "chart opened: \[Autoscroll\]"; }
scales_kept() {
    tail -n +"$1" "$work/program.log" | grep "following: " | awk '{
        for (i = 2; i <= NF; i++)
            if ($i == "m/pixel" && split($(i + 1), s, ":") == 2 && $(i - 1) < s[2] * 0.00028 / 8 * 0.999) {
                print "finer than its chart allows: " $0; bad = 1
            }
    } END { exit bad }'
}

step "US4WA02M's south edge: the user's US5WA03M window in front; the GPS 3 nm inside the edge, east"
activate "$MAIN"
xdotool key alt+w
sleep 0.4
xdotool key p
user_front() { grep "front window: " "$work/program.log" | tail -n 1 | grep -v "Autoscroll" | grep US5WA03M; }
wait_for "the user's chart window in front" user_front
kill "$MOVING" 2>/dev/null
FROM=$(($(wc -l < "$work/program.log") + 1))
# The edge lies at 47 45 N; 30 knots east along 47 47.4 N for a dozen
# best-chart periods of a second.
gps_writer "$work/feed1" 47.79 -122.80 30.0 90.0
EDGE=$!
on_inlet() { following "US4WA02M.*vessel in view"; }
wait_for "the following window on US4WA02M" on_inlet
echo "   $FOUND"
sleep 12
shot 5_along_the_edge
n=$(changes_since "$FROM")
[ "$n" -eq 1 ] || fail "the following window changed chart $n times along the edge, not once"
scales_kept "$FROM" || fail "a chart change left the view past its chart's overscale limit"
tail -n +"$FROM" "$work/program.log" | grep "front window: \[Autoscroll\]" &&
    fail "a chart change brought the following window in front"
user_front >/dev/null || fail "the user's chart window is no longer in front"

step "the following window closed; the overview US2WA01M opened whole; the following window again"
activate "$MAIN"
xdotool key alt+n
sleep 0.4
xdotool key a
sleep 1
open_livechart_file "$work/data/Quorwick/Brinevane/Charts/LIVECHART/US2WA01M.b"
overview_again() { chart_opened "^Brinevane: chart opened: Livechart - US2WA01M"; }
wait_for "the overview" overview_again
FROM=$(($(wc -l < "$work/program.log") + 1))
open_follower US4WA02M
# The last grep fails while no step has come yet (head alone would succeed empty).
first_following() { tail -n +"$FROM" "$work/program.log" | grep "following: " | head -n 1 | grep .; }
wait_for "the first autoscroll step" first_following
echo "$FOUND" | grep -q US4WA02M || fail "the following window showed $FOUND first"
tail -n +"$FROM" "$work/program.log" | grep "chart opened: \[Autoscroll\].*LCWORLD" &&
    fail "the following window went by the world chart"
scales_kept "$FROM" || fail "the view is past its chart's overscale limit"
shot 6_reopened_on_inlet
kill "$EDGE" 2>/dev/null
echo "PASS"
