#!/bin/bash
# The tidal atlas on the first start, as scripts/run makes it: fresh
# settings, the sample chartpoints and route installed, the sample tidal
# model in the Tides folder beside the program, the sample chart media and
# vector cells given on the command line. The vector overview of Puget Sound
# opens over the raster chart.
#   1. Ctrl+Alt+T opens the Tidal Atlas at the present time: arrows are
#      drawn over the vector chart;
#   2. Options, spacing User defined 2.0 nm, then the time of a strong ebb
#      off Bush Point (2026-12-07 18:15 Pacific): the arrow nearest Bush Point
#      lies within 1 km of it and runs within 5 degrees of the sample data's
#      ebb there;
#   3. Window > Next brings the raster chart forward: arrows there too;
#   4. File > Open the harbour cell US5WA03M: arrows over Elliott Bay, at
#      the far end of the model from Bush Point.
# Each chart is panned north (Shift+Up) until Bush Point is in view.
# The program reports every arrow it draws (BRINE_REPORT_TIDES=1); the
# screenshots must show them.
#
# Usage: tidal_atlas_first_start_check.sh [path/to/brinevane]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
BUILD=$(cd "$(dirname "$PROGRAM")/.." && pwd)
XWIN_NAME=atlas
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm import compare convert"
XWIN_FILES="$BUILD/sample-media $BUILD/sample-cells $BUILD/sample-tides/PugetSound.dat"
# shellcheck source=../../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime" TZ=America/Los_Angeles
# The time edits write the user's short date and time: the C conventions,
# month first, so the time below is typed in that order.
export LC_ALL=C.UTF-8
export BRINE_INSTANCE_NAME="brine-atlas-$$-$RANDOM"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$SETTINGS"
# What scripts/run installs before it starts the program, into the run's own
# program folder. The model goes where the program looks on a first start;
# this build's model, always.
"$BUILD/bin/sample-chartpoints" install "$BUILD/sample-chartpoints" "$BRINE_PROGRAM_FOLDER" \
    "$SETTINGS" > /dev/null || fail "cannot install the sample chartpoints"
"$BUILD/bin/route-sample" install "$BUILD/sample-routes/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$SETTINGS" > /dev/null ||
    fail "cannot install the sample route"
mkdir -p "$BRINE_PROGRAM_FOLDER/Tides"
cp "$BUILD"/sample-tides/PugetSound.tid "$BUILD"/sample-tides/PugetSound.dat \
    "$BRINE_PROGRAM_FOLDER/Tides/"

# The message bar may flash "NMEA not received" (no instruments on a first
# start), so the screen is taken once the arrows are known drawn.
shot() { sleep 1; import -window root "$SHOTS/atlas_$1.png"; echo "   $SHOTS/atlas_$1.png"; }
# Bush Point Light 0.5 mile NW, and the ebb direction the sample data give it.
BUSH_LAT=48.0308
BUSH_LON=-122.6133
BUSH_EBB=$(awk -F'\t' '$8 ~ /^Bush Point Light, 0.5 mile NW of \(Depth 43.9ft\)/ { print $7 }' \
    "$BUILD/sample-tides/stations.txt")
[ -n "$BUSH_EBB" ] || fail "Bush Point Light is not a station of the sample model"
# The arrows of the last atlas paint of chart $1: "count" lines, then the arrows.
last_paint() {
    awk -v chart="$1" '/tidal arrow: / { a[n++] = $0 }
        /tidal atlas: / { if (index($0, "drawn on " chart)) { last = ""; for (i = 0; i < n; i++)
            last = last a[i] "\n"; last = last $0 } n = 0 }
        END { printf "%s", last }' "$work/program.log"
}
arrows_on() { last_paint "$1" | sed -n 's/^.*tidal atlas: \([0-9]*\) of.*$/\1/p'; }
# The drawn arrow nearest Bush Point: "km direction".
nearest_bush() {
    last_paint "$1" | awk -v la=$BUSH_LAT -v lo=$BUSH_LON '/tidal arrow: / {
        sub(/^.*tidal arrow: /, ""); dy = ($1 - la) * 111.2; dx = ($2 - lo) * 74.5
        d = sqrt(dx * dx + dy * dy); if (best == "" || d < best) { best = d; dir = $3 } }
        END { if (best != "") printf "%.1f %s\n", best, dir }'
}
# Arrows on chart $1 by the last paint: at least $2 drawn, and with $3 given
# the one nearest Bush Point within $3 km of it and within $4 degrees of the
# data's ebb there. Waits for a paint that shows it (the time and the options
# reach the view through a repaint).
check_arrows() {
    local chart=$1 least=$2 deadline=$((SECONDS + STEP_SECONDS)) count km dir gap ok
    while :; do
        count=$(arrows_on "$chart")
        read -r km dir <<< "$(nearest_bush "$chart")"
        gap=$(awk -v a="${dir:-999}" -v b="$BUSH_EBB" \
            'BEGIN { g = (a - b + 540) % 360 - 180; print (g < 0 ? -g : g) }')
        ok=$([ "${count:-0}" -ge "$least" ] && echo yes)
        if [ -n "$ok" ] && [ $# -gt 2 ]; then
            ok=$(awk -v k="${km:-999}" -v g="$gap" -v nk="$3" -v ng="$4" \
                'BEGIN { if (k <= nk && g <= ng) print "yes" }')
        fi
        [ -n "$ok" ] && break
        if [ "$SECONDS" -ge "$deadline" ]; then
            fail "on $chart: ${count:-no} arrows drawn (at least $least wanted); the one" \
                "nearest Bush Point ${km:-?} km off towards ${dir:-?}, the data's ebb $BUSH_EBB"
        fi
        sleep 0.2
    done
    echo "   $count arrows drawn on $chart; the nearest Bush Point $km km off, towards $dir" \
        "(the data's ebb there $BUSH_EBB, $gap degrees apart)"
}

# Pans chart $1 north (Shift+Up) until an arrow within $2 km of Bush Point is
# drawn, eight steps at most: the first start may show the chart further
# south.
pan_to_bush() {
    local i km dir X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    # A click on the chart's west side gives its view the keyboard.
    click_at $((X + 150)) $((Y + 400))
    for i in $(seq 1 8); do
        sleep 1
        read -r km dir <<< "$(nearest_bush "$1")"
        awk -v k="${km:-999}" -v most="$2" 'BEGIN { exit !(k <= most) }' && return 0
        xdotool key shift+Up
    done
}

start_wm
BRINE_INITIAL_CHARTPOINTS=PugetSound BRINE_REPORT_TIDES=1 BRINE_REPORT_CHARTS=1 \
    BRINE_REPORT_FOCUS=1 TMPDIR="$work/tmp" "$PROGRAM" --sample-media "$BUILD/sample-media" \
    --sample-cells "$BUILD/sample-cells" > "$work/program.log" 2>&1 &
PID=$!
pass_disclaimer
lc_disclaimer() { window_named "Livechart Disclaimer"; }
STEP_SECONDS=60 wait_for "the vector charts' disclaimer" lc_disclaimer
activate "$FOUND"
xdotool key alt+e
lc_gone() { ! window_named "Livechart Disclaimer" >/dev/null && echo gone; }
wait_for "the vector charts' disclaimer to close" lc_gone
VECTOR=$(grep "chart opened: " "$work/program.log" | tail -n 1 | sed 's/^.*chart opened: //')
echo "   charts opened: $(grep "chart opened: " "$work/program.log" | sed 's/^.*opened: //' | tr '\n' ';')"

step "Ctrl+Alt+T: the Tidal Atlas at the present time, on the vector chart"
activate "$MAIN"
xdotool key ctrl+alt+t
atlas_visible() { window_named "Tidal Atlas"; }
wait_for "the Tidal Atlas window" atlas_visible
ATLAS=$FOUND
# A handful of points at the first start's automatic spacing, some on land
# or under another arrow's label: at least one arrow at whatever time it is.
check_arrows "$VECTOR" 1
shot 1_vector_automatic

step "Options: spacing User defined 2.0 nm; at a strong ebb an arrow just off Bush Point, at its ebb"
activate "$ATLAS"
xdotool key alt+o
sheet_visible() { window_named "Tools Options"; }
wait_for "the Tools Options sheet" sheet_visible
SHEET=$FOUND
activate "$SHEET"
xdotool key alt+u
# The spacing spin right of "User defined" (a first click takes the sheet's
# activation), then its down arrow: from 12.0 in steps of 1 to 2.0.
geometry "$SHEET"
click_at $((X + 443)) $((Y + 234))
sleep 0.2
click_at $((X + 589)) $((Y + 239))
xdotool click --repeat 9 --delay 100 1
xdotool key Return
sheet_gone() { is_gone "$SHEET"; }
wait_for "the Options sheet to close" sheet_gone
# The options set the atlas's time by their start-time method (now): the
# strong ebb is typed after them.
activate "$ATLAS"
# A click on the time field, its month selected; each section moves on once
# it is typed: 12/07/2026 18:15.
geometry "$ATLAS"
click_at $((X + 20)) $((Y + 23))
xdotool key Tab shift+Tab
xdotool type --delay 40 "120720261815"
pan_to_bush "$VECTOR" 1.0
check_arrows "$VECTOR" 40 1.0 5
shot 2_vector_2nm

# The raster chart opens at a larger scale and its coarser shore may take the
# point just off Bush Point for land: only the arrows over its water count.
step "Window > Next: the raster chart, arrows over its water"
activate "$MAIN"
xdotool key alt+w
sleep 0.4
xdotool key n
RASTER=$(grep "chart opened: " "$work/program.log" | sed 's/^.*chart opened: //' | grep -vxF "$VECTOR" |
    tail -n 1)
[ -n "$RASTER" ] || fail "no raster chart open beside the vector chart"
pan_to_bush "$RASTER" 3.0
check_arrows "$RASTER" 20
shot 3_raster_2nm

step "File > Open the harbour cell US5WA03M: arrows over Elliott Bay"
activate "$MAIN"
xdotool key ctrl+o
chooser() { window_named "Open"; }
wait_for "the Open chooser" chooser
activate "$FOUND"
# The chart kinds: Blank chart, ARCS/Seafarer, then Livechart.
xdotool key Down Down Return
lc_dialog() { window_named "Open Livechart"; }
wait_for "the Open Livechart dialog" lc_dialog
activate "$FOUND"
# The program's own dialog: the folder in its Folder field, the cell's name
# without the extension its one file type gives.
file_dialog_folder
xdotool type --delay 2 "$work/data/Quorwick/Brinevane/Charts/LIVECHART"
xdotool key alt+n ctrl+a
xdotool type --delay 2 "US5WA03M"
xdotool key Return
harbour() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep US5WA03M |
    sed 's/^.*chart opened: //'; }
wait_for "the harbour cell" harbour
HARBOUR=$FOUND
# Every arrow of the harbour cell's paint lies in Elliott Bay.
in_bay() {
    [ "$(arrows_on "$HARBOUR")" -ge 2 ] 2>/dev/null || return 1
    last_paint "$HARBOUR" | awk '/tidal arrow: / { sub(/^.*tidal arrow: /, "");
        if ($1 < 47.55 || $1 > 47.67 || $2 < -122.48 || $2 > -122.30) bad = 1 }
        END { exit bad }' && echo yes
}
wait_for "arrows over Elliott Bay on the harbour cell" in_bay
echo "   $(arrows_on "$HARBOUR") arrows drawn on $HARBOUR"
shot 4_harbour_2nm
echo "PASS"
