#!/bin/bash
# Window titles and icons on the real program, from a first start with the
# sample chart media (the raster overview opens maximised) and COM1 on a
# socat pty pair:
#   - File > Print Preview > Installed Chart List, and its Full Details
#     form, open titled by their reports as the other report windows are;
#   - View > COM Port Window > Show/Hide COM1 Receive window opens the
#     sentence window with a picture of its own at the maximised window's corner of the menu bar,
#     not the one a chart window or a report window shows there;
#   - after the preview's Save As PDF dialog, and after its search has
#     found nothing, Alt+F and X reach the menus (File > Exit asks its
#     question) and not the preview's search field.
# The screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: report_window_names_check.sh [path/to/brinevane [sample media folder]]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
XWIN_NAME=names
XWIN_TOOLS="evilwm socat convert import compare pdftotext"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
if [ -z "${BRINE_XWIN_INNER:-}" ]; then
    # The build makes the media (brine_sample_media): without them the check cannot run.
    [ -f "$MEDIA/update-1/ReadMe.cdv" ] || { echo "FAIL: no sample chart media in $MEDIA" >&2; exit 1; }
    MEDIA=$(cd "$MEDIA" && pwd)
fi
xwin_enter "$0" "$PROGRAM" "$MEDIA"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$SHOTS" "$(dirname "$CONF")"
pty_pairs 1
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" > "$CONF"
station_settings "$CONF"
export BRINE_REPORT_FOCUS=1
start_wm
cp -r "$MEDIA" "$work/media"
start_past_disclaimer --sample-media "$work/media"

main_title() { xdotool getwindowname "$MAIN" 2>/dev/null; }
titled() { [ "$(main_title)" = "Brinevane - [$XWIN_WANT]" ] && echo yes; }
wait_title() {
    XWIN_WANT=$2
    wait_for "$1 (the main window titled \"Brinevane - [$2]\")" titled
}
chart_open() { case "$(main_title)" in "Brinevane - ["*"]") echo yes ;; esac; }
wait_for "the sample overview, maximised" chart_open
CHART=$(main_title)
echo "   $CHART"
# The maximised window's picture at the left end of the menu bar.
corner() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    pointer_to 2 2
    settled_screen "$SHOTS/$1.png"
    geometry "$MAIN"
    convert "$SHOTS/$1.png" -crop "20x20+$X+$Y" +repage "$work/$1_corner.png"
}
differ() { [ "$(compare -metric AE "$work/$1_corner.png" "$work/$2_corner.png" null: 2>&1)" != 0 ]; }

# File > Print Preview, a report picked by its place: $1 Down keys from the
# chooser's first line (the Chart heading).
preview_chart_list() {
    local i
    activate "$MAIN"
    xdotool key alt+f
    sleep 0.4
    xdotool key v
    chooser() { window_named "Print Preview"; }
    wait_for "the Print Preview chooser" chooser
    activate "$FOUND"
    xdotool key Home
    for i in $(seq 1 "$1"); do xdotool key Down; done
    sleep 0.3
    xdotool key Return
}

step "the chart window's corner"
corner names_1_chart

step "File > Print Preview > Installed Chart List"
# Under Chart: View of Selected Chart, Installed Chart List, its Full Details.
preview_chart_list 2
wait_title "the chart list's preview" "Installed Chart List Report"
corner names_2_chart_list

step "File > Print Preview > Installed Chart List ( Full Details )"
# With the list's window in front, the chart view is not offered, nor the
# open list: Full Details comes first under Chart.
preview_chart_list 1
wait_title "the full chart list's preview" "Installed Chart List ( Full Details ) Report"

step "Save As PDF from the preview, then the menus by their keys"
# The preview's own toolbar, under the main window's three toolbar rows:
# its second button is Save As PDF.
geometry "$MAIN"
click_at $((X + 93)) $((Y + 141))
save_dialog() { window_named "Save As PDF"; }
wait_for "the Save As PDF dialog" save_dialog
SAVE_DLG=$FOUND
xdotool key ctrl+a
xdotool type "$work/home/chart_list.pdf"
xdotool key Return
save_gone() { is_gone "$SAVE_DLG"; }
wait_for "the Save As PDF dialog to close" save_gone
saved() { pdftotext "$work/home/chart_list.pdf" - 2>/dev/null | grep -q "Installed Chart List" && echo yes; }
wait_for "the chart list saved as a PDF" saved
# No window is given the keyboard here: the program must hold its own
# window active again, or Alt+F and X are typed into the preview's search
# field and Return searches for "fx".
sleep 0.5
XWIN_MENU_BEFORE=$(program_windows | sort)
xdotool key alt+f
menu_moved() { [ "$(program_windows | sort)" != "$XWIN_MENU_BEFORE" ] && echo moved; }
wait_for "Alt+F after the dialog to open the File menu" menu_moved
xdotool key x
asked_exit() {
    local w
    for w in $(program_windows); do
        [ "$w" != "$MAIN" ] && [ "$(xdotool getwindowname "$w")" = "Brinevane" ] && echo "$w" && return 0
    done
    return 1
}
wait_for "File > Exit to ask \"Are you sure you want to exit?\"" asked_exit
EXIT_Q=$FOUND
settled_screen "$SHOTS/names_4_exit_question.png"
xdotool key n
exit_gone() { is_gone "$EXIT_Q"; }
wait_for "the exit question to close on No" exit_gone

step "A search that finds nothing, then the menus by their keys"
# The preview's search field, right of Zoom Out on its toolbar.
click_at $((X + 585)) $((Y + 141))
xdotool type "zzq"
xdotool key Return
not_found() {
    local w
    for w in $(program_windows); do
        [ "$w" != "$MAIN" ] && [ "$(xdotool getwindowname "$w")" = "Installed Chart List ( Full Details ) Report" ] &&
            echo "$w" && return 0
    done
    return 1
}
wait_for "the \"zzq\" was not found box" not_found
NOT_FOUND=$FOUND
xdotool key Return
not_found_gone() { is_gone "$NOT_FOUND"; }
wait_for "the not-found box to close" not_found_gone
sleep 0.5
XWIN_MENU_BEFORE=$(program_windows | sort)
xdotool key alt+f
wait_for "Alt+F after the not-found box to open the File menu" menu_moved
xdotool key Escape

step "View > COM Port Window > Show/Hide COM1 Receive window"
activate "$MAIN"
xdotool key alt+v
sleep 0.4
menu_path w
xdotool key Return
wait_title "the COM1 receive window" "Receiving NMEA Sentences via COM1"
corner names_3_com1_receive
differ names_3_com1_receive names_1_chart ||
    fail "the COM1 receive window shows the chart window's picture"
differ names_3_com1_receive names_2_chart_list ||
    fail "the COM1 receive window shows the report window's picture"
echo "PASS"
