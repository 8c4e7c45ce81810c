#!/bin/bash
# Vector charts on the real program, from fresh settings with the sample
# cells copied into the vector chart folder:
#   1. Chart > Update Folio imports them ("4 files were added");
#   2. File > Open > Livechart opens the Puget Sound overview; its disclaimer
#      comes up and is agreed to; land and depth bands are drawn;
#   3. the harbour cell opened is drawn once;
#      "+" zooms in until the folio moves to the Seattle harbour cell
#      (soundings, buoys), "-" zooms out to a smaller scale again;
#   4. F5 shows the Chart Info panel of the chart;
#   5. View > Night: no pixel of the chart brighter than a limit;
#   6. Chart > World Chart opens the vector world chart LCWORLD.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
#
# Usage: vector_chart_window_check.sh [path/to/brinevane] [sample cells folder]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
CELLS=${2:-$(dirname "$PROGRAM")/../sample-cells}
XWIN_NAME=vchart
XWIN_TOOLS="evilwm import compare convert"
XWIN_FILES="$CELLS/US5WA03M.000"
# shellcheck source=../../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$CELLS"
CELLS=$(cd "$CELLS" && pwd)

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-vchart-$$-$RANDOM"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
# The instruments off the serial ports, so no port message covers the charts.
instruments_off "$SETTINGS"
station_settings "$SETTINGS"
LIVE="$work/data/Quorwick/Brinevane/Charts/LIVECHART"
mkdir -p "$LIVE"
cp "$CELLS"/*.0[0-9][0-9] "$LIVE/"

shot() { settled_screen "$SHOTS/vchart_$1.png"; echo "   $SHOTS/vchart_$1.png"; }
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep "$1"; }

start_wm
TMPDIR="$work/tmp" BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1 "$PROGRAM" >> "$work/program.log" 2>&1 &
PID=$!
pass_disclaimer

step "Chart > Update Folio imports the four sample cells"
activate "$MAIN"
xdotool key alt+c
sleep 0.4
xdotool key u
updated() { grep "folio: " "$work/program.log" | tail -n 1 | grep .; }
wait_for "the folio update to end" updated
echo "   $FOUND"
echo "$FOUND" | grep -q "Folio Updated OK: 4 files were added to the folio file" ||
    fail "the folio update said: $FOUND"
box_visible() { window_named "Livechart"; }
wait_for "the folio message" box_visible
shot 1_update_folio
activate "$FOUND"
xdotool key Return
box_gone() { ! window_named "Livechart" >/dev/null && echo gone; }
wait_for "the folio message to close" box_gone
[ -f "$LIVE/US2WA01M.b" ] && [ -f "$LIVE/LC.FOL" ] || fail "no charts or folio after the update"

step "File > Open > Livechart: the overview, and its disclaimer agreed to"
open_livechart_file "$LIVE/US2WA01M.b"
overview() { chart_opened US2WA01M; }
wait_for "the overview chart" overview
lc_disclaimer() { window_named "Livechart Disclaimer"; }
wait_for "the vector charts' disclaimer" lc_disclaimer
shot 2_disclaimer
activate "$FOUND"
xdotool key alt+e
lc_gone() { ! window_named "Livechart Disclaimer" >/dev/null && echo gone; }
wait_for "the vector charts' disclaimer to close" lc_gone
shot 3_overview
# Land and the shallow bands in the vector charts' Day colours.
land=$(count_colour "$SHOTS/vchart_3_overview.png" "#F6C86E")
shallow=$(count_colour "$SHOTS/vchart_3_overview.png" "#C5EBF4")
echo "   land $land pixels, 5-20 m band $shallow pixels"
[ "$land" -gt 2000 ] || fail "no land drawn on the overview ($land pixels)"
[ "$shallow" -gt 500 ] || fail "no depth bands drawn on the overview ($shallow pixels)"

step "the harbour cell opened; '-' out to the overview around it, '+' back in to the harbour"
open_livechart_file "$LIVE/US5WA03M.b"
harbour() { chart_opened US5WA03M; }
wait_for "the harbour cell" harbour
echo "   $FOUND"
# Opening draws the chart once: no paint before the window has its size, no
# second draw for a layout pass that leaves the size as it was.
sleep 1.5
draws=$(grep -c "chart drawn: .*US5WA03M" "$work/program.log")
echo "   the harbour cell drawn $draws time(s) on opening"
grep "chart drawn: .*US5WA03M" "$work/program.log" | sed 's/^/   /'
[ "$draws" -eq 1 ] || fail "opening the harbour cell drew it $draws times"
shot 4_harbour
red=$(count_colour "$SHOTS/vchart_4_harbour.png" "#FF0000")
green=$(count_colour "$SHOTS/vchart_4_harbour.png" "#008000")
echo "   red $red, green $green buoy pixels"
[ "$red" -gt 20 ] && [ "$green" -gt 20 ] || fail "no lateral buoys on the harbour cell"
geometry "$MAIN"
MX=$X MY=$Y MW=$WIDTH MH=$HEIGHT
# A click on the chart gives its view the keyboard.
activate "$MAIN"
click_at $((MX + MW / 3)) $((MY + MH / 2))
sleep 0.3
overview_again() { chart_opened US2WA01M; }
for i in $(seq 1 10); do
    overview_again >/dev/null && break
    xdotool key minus
    sleep 0.8
done
wait_for "the overview after '-'" overview_again
echo "   $FOUND"
shot 5_minus_to_overview
click_at $((MX + MW / 3)) $((MY + MH / 2))
sleep 0.3
for i in $(seq 1 14); do
    harbour >/dev/null && break
    xdotool key plus
    sleep 0.8
done
wait_for "the harbour cell after '+'" harbour
echo "   $FOUND"
shot 5_plus_to_harbour

step "F5: the Chart Info panel"
activate "$MAIN"
xdotool key F5
sleep 1
shot 6_chart_info

step "View > Night: nothing of the chart brighter than the limit"
activate "$MAIN"
xdotool key alt+v
sleep 0.4
xdotool key n
sleep 1
shot 7_night
# The middle of the chart window, away from the bars and the panel.
convert "$SHOTS/vchart_7_night.png" -crop "300x300+$((MX + MW / 3 - 150))+$((MY + MH / 2 - 150))" \
    +repage "$work/night_middle.png"
bright=$(convert "$work/night_middle.png" -colorspace Gray -format "%[fx:round(maxima*255)]" info:)
echo "   brightest chart pixel at night: $bright of 255"
[ "$bright" -le 140 ] || fail "the chart at night is too bright ($bright of 255)"

step "Chart > World Chart: the vector world chart of the chart folder, whole"
activate "$MAIN"
xdotool key alt+c
sleep 0.4
xdotool key w
world() { chart_opened LCWORLD; }
wait_for "the vector world chart" world
echo "   $FOUND"
shot 8_world_chart

stop_program
echo "PASS: vector charts imported, opened, zoomed by the folio, shown at night, the world chart"
