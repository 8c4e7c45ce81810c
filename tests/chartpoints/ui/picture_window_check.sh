#!/bin/bash
# A chartpoint's picture viewed over a maximised chart window, on the real
# program window: the chart reopens maximised, the chartpoint panel (F3) and
# its View button (Alt+I) open the sample picture of Point Wilson Light.
#   - the picture opens maximised as the chart is: its name in the main
#     window's title, the whole window area its own (no chart shows beside
#     the picture);
#   - Window > Next shows the chart, still maximised, and back;
#   - Window > Close closes the picture and leaves the chart maximised;
#   - opened again and restored, the picture's frame fits the picture.
# The screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: picture_window_check.sh [path/to/brinevane [sample-chartpoints folder]]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm or ImageMagick is missing.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
SAMPLES=${2:-$(dirname "$PROGRAM")/../sample-chartpoints}
XWIN_NAME=picture
XWIN_TOOLS="evilwm convert import"
XWIN_FILES="$SAMPLES/Chartpoints/PugetSound.dbf $SAMPLES/Attach/PointWilson.jpg"
# shellcheck source=../../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$SAMPLES"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$work/prog" "$SHOTS"
# The program folder: what lies beside the program, but for what it writes there.
program_folder_links "$work/prog"
# The blank chart reopens maximised.
blank_chart_settings "$CONF"
sed -i 's/^BottomRightLongitude=.*/&\nShow=dword:3/' "$CONF"
station_settings "$CONF"
"$(dirname "$PROGRAM")/sample-chartpoints" install "$SAMPLES" "$work/prog" "$CONF" ||
    fail "the sample chartpoints did not install"
export BRINE_PROGRAM_FOLDER="$work/prog" BRINE_INITIAL_CHARTPOINTS=PugetSound BRINE_REPORT_FOCUS=1
PROGRAM="$work/prog/brinevane"
start_wm
start_past_disclaimer

main_title() { xdotool getwindowname "$MAIN" 2>/dev/null; }
titled() { case "$(main_title)" in "Brinevane - [$XWIN_WANT]") echo yes ;; esac; }
wait_title() {
    XWIN_WANT=$2
    wait_for "$1 (the main window titled \"Brinevane - [$2]\")" titled
}
CHART=$(main_title)
case "$CHART" in
"Brinevane - ["*"]") CHART=${CHART#Brinevane - [} CHART=${CHART%]} ;;
*) fail "the chart did not reopen maximised: the main window is titled \"$CHART\"" ;;
esac
echo "   the maximised chart: $CHART"

window_keys() {
    activate "$MAIN"
    xdotool key alt+w
    sleep 0.5
    xdotool key "$1"
}
view_picture() {
    activate "$MAIN"
    xdotool key alt+i
    wait_title "the picture" "PointWilson.jpg"
}

step "F3, View: the picture over the maximised chart"
# Once the start has settled: the chart's first drawing is done.
settled_screen "$SHOTS/picture_0_chart.png"
activate "$MAIN"
xdotool key F3
sleep 1
view_picture
pointer_to 2 2
settled_screen "$SHOTS/picture_1_maximised.png"
# Right of and below the picture (320 x 240) the window area is the picture
# window's own plain background; a picture frame of the picture's size would
# leave the chart windows (or the empty area) showing there.
geometry "$MAIN"
box=$(convert "$SHOTS/picture_1_maximised.png" \
    -crop "$((WIDTH / 5))x$((HEIGHT / 4))+$((X + WIDTH * 2 / 5))+$((Y + HEIGHT * 11 / 20))" \
    -colorspace gray -format "%[fx:round(mean*255)] %[fx:round(standard_deviation*255)]" info:)
echo "   beside the picture: grey level and spread $box"
read -r level spread <<< "$box"
[ "$level" -ge 200 ] && [ "$spread" -le 2 ] ||
    fail "the picture does not fill the window area (grey level $level, spread $spread)"

step "Window > Next: the chart, still maximised, and back"
window_keys n
wait_title "the chart" "$CHART"
settled_screen "$SHOTS/picture_2_chart_again.png"
window_keys n
wait_title "the picture again" "PointWilson.jpg"

step "Window > Close: the picture goes, the chart stays maximised"
window_keys c
wait_title "the chart after the picture closed" "$CHART"
settled_screen "$SHOTS/picture_3_closed.png"

step "opened again and restored: a titled frame the picture's size"
view_picture
window_keys n
wait_title "the chart" "$CHART"
window_keys n
wait_title "the picture" "PointWilson.jpg"
# The restore button of the maximised window's controls at the menu bar's right end.
geometry "$MAIN"
click_at $((X + WIDTH - 33)) $((Y + 9))
restored() { case "$(main_title)" in Brinevane) echo yes ;; esac; }
wait_for "the windows restored (the main window titled Brinevane)" restored
pointer_to 2 2
settled_screen "$SHOTS/picture_4_restored.png"
# The picture's grass (its bottom-right corner) placed by its colour; just
# right of it and just below it lies the empty window area, not more of the
# picture's frame.
read -r gw gh gx gy <<< "$(convert "$SHOTS/picture_4_restored.png" -fuzz 3% -fill black \
    +opaque "rgb(109,130,71)" -fill white -opaque "rgb(109,130,71)" -trim -format "%w %h %X %Y" info:)"
right=$((gx + gw)) bottom=$((gy + gh))
grey_at() {
    convert "$SHOTS/picture_4_restored.png" -crop "1x1+$1+$2" -colorspace gray \
        -format "%[fx:round(mean*255)]" info:
}
beside=$(grey_at $((right + 12)) $((bottom - 10)))
below=$(grey_at $((right - 10)) $((bottom + 12)))
echo "   the picture ends at $right,$bottom; grey level beside it $beside, below it $below"
[ "$gw" -ge 150 ] || fail "the restored picture was not found on the screen"
[ "$beside" -lt 200 ] && [ "$below" -lt 200 ] || fail "the restored frame is larger than the picture"
echo "PASS"
