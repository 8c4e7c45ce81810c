#!/bin/bash
# The chart window that follows the vessel moves on to the next chart, on the
# real program window with the sample raster charts: a first start with the
# sample media shows the overview; Larger Scale twice reaches the harbour
# chart RC9003; a GPS on COM1 (a socat pty pair) lies half a mile inside its
# north edge; Navigator > Autoscroll Monitor Window opens the following window
# on RC9003. The GPS then makes 180 knots north: once the vessel has left
# RC9003 the following window shows the approach chart RC9002, which holds
# it, with the vessel in its view.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: autoscroll_window_check.sh [path/to/brinevane] [sample media folder]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat, python3 or
# ImageMagick is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=autoscroll
XWIN_TOOLS="evilwm socat python3 import"
XWIN_FILES="$MEDIA/chart-medium"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA"
MEDIA=$(cd "$MEDIA" && pwd)

shot() { xwin_shot "autoscroll_$1"; }
# The program reports each chart it opens and, at each autoscroll step that
# changes it, the chart followed and whether the vessel is in its view.
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$1"; }
following() { grep "following: " "$work/program.log" | tail -n 1 | grep -- "$1"; }
chart_menu() { activate "$MAIN"; xdotool key alt+c; sleep 0.4; xdotool key "$1"; }

step "COM1 on a socat pty pair; a GPS lying in Elliott Bay, half a mile inside RC9003's north edge"
pty_pairs 1
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$SETTINGS")"
# The autoscroll step and the best-chart check run every second.
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\n%s\n#end\n' "$work/com1" \
    '[Software\Quorwick\Brinevane\Default\Navigator]' 'BestChartCheckInterval=str:0 00:00:01' \
    > "$SETTINGS"
station_settings "$SETTINGS"
# The harbour chart's north edge is at about 47 37.8 N.
LAT=47.6217
LON=-122.385
gps_writer "$work/feed1" $LAT $LON
STILL=$!
# The media are copied: a first start installs from them.
cp -r "$MEDIA" "$work/media"
export BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1 BRINE_NAV_STATE_FILE="$work/nav.txt"
start_wm

step "a first start with the sample media: the overview; Larger Scale twice to RC9003"
start_past_disclaimer --sample-media "$work/media"
overview() { chart_opened RC9001; }
wait_for "the overview chart" overview
chart_menu l
approach() { chart_opened RC9002; }
wait_for "the approach chart" approach
chart_menu l
harbour() { chart_opened RC9003; }
wait_for "the harbour chart" harbour

step "Navigator > Autoscroll Monitor Window: the following window on RC9003"
# Enabled once a position has come: the monitor panel shows it.
position_shown() { grep -q "latitude=47" "$work/nav.txt" 2>/dev/null && echo yes; }
wait_for "a position on the monitor panel" position_shown
activate "$MAIN"
xdotool key alt+n
sleep 0.4
xdotool key a
follower_on_harbour() { chart_opened "\[Autoscroll\] - .*RC9003"; }
wait_for "the following window on the harbour chart" follower_on_harbour
echo "   $FOUND"
sleep 1
shot 1_on_harbour

step "the GPS makes 180 knots north: off RC9003, the following window moves to RC9002"
kill "$STILL" 2>/dev/null
gps_writer "$work/feed1" $LAT $LON 180.0 0.0
moved() { chart_opened "\[Autoscroll\] - .*RC9002"; }
wait_for "the following window on the approach chart" moved
echo "   $FOUND"
in_view() { following "RC9002.*vessel in view"; }
wait_for "the vessel in view on the approach chart" in_view
echo "   $FOUND"
shot 2_on_approach
following RC9003 >/dev/null && fail "the following window went back to the harbour chart"
echo "PASS"
