#!/bin/bash
# The side panel and the chart windows through a workspace's save, open and
# reopen, on the real program on a virtual X server under evilwm, driven by
# keyboard:
#   1. a first start shows its blank world chart maximised beside the Chart
#      Info panel: the picture every later one is compared with;
#   2. F4 (the route panel), File > Workspace > Save As "Passage"; F3 (the
#      chartpoint panel), Tools > Options > OK, a report preview, File >
#      Workspace > Open "Passage": the preview is closed, the route panel the
#      workspace names (Options OK wrote nothing into it) is the one on screen
#      and the only one, and F5, F9 and F4 each show their own panel; the
#      chart comes back maximised;
#   3. a report preview opened over the chart (File > Print Preview), File >
#      Workspace > Save, File > Exit, started again: the chart, maximised
#      behind the preview when saved, comes back maximised, beside the route
#      panel; F5 shows the Chart Info panel.
# The program reports its side panels (BRINE_REPORT_PANELS); a maximised
# chart window's title joins the main window's.
#
# Usage: workspace_state_window_check.sh [path/to/brinevane]
# Screenshots go to $BRINE_SHOTS_DIR when it is set. Exit code 77 (skipped)
# without xvfb-run, xdotool, evilwm or ImageMagick.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=wsstate
XWIN_TOOLS="evilwm import compare convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
instruments_off "$SETTINGS"
station_settings "$SETTINGS"
# activate waits for the program to take a window; the side panels are reported.
export BRINE_REPORT_FOCUS=1 BRINE_REPORT_PANELS=1
start_wm

# A screenshot into $SHOTS/$1.png once the screen has settled, the pointer
# out of the way.
shot() {
    pointer_to 2 2
    settled_screen "$SHOTS/$1.png"
    echo "   screenshot $1.png"
}
# The program reports the active side panel and the panels on screen at each
# change (BRINE_REPORT_PANELS): waits until its last report is $1.
panels_are() {
    local want=$1
    last_panels() { grep 'side panels: ' "$work/program.log" | tail -1 | sed 's/^.*side panels: //'; }
    panels_now() { [ "$(last_panels)" = "$want" ] && echo yes; }
    STEP_SECONDS=5 wait_for "side panels '$want' (last reported: '$(last_panels)')" panels_now
}
# A key to the main window.
key() {
    focus "$MAIN"
    xdotool key "$1"
}
# True when the main window's title carries a maximised chart window's: "Brinevane - [...]".
chart_maximised() {
    case "$(xdotool getwindowname "$MAIN" 2>/dev/null)" in "Brinevane - [Blank Chart"*) echo yes ;; *) return 1 ;; esac
}
# File > Workspace > the item of key $1.
workspace_menu() { menu_path alt+f k "$1"; }
# The question the program asks on File > Exit, answered Yes; then waits for the end.
exit_program() {
    menu_path alt+f x
    local deadline=$((SECONDS + STEP_SECONDS))
    until answer_question Return "$MAIN"; do
        [ "$SECONDS" -ge "$deadline" ] && fail "no question on exit"
        sleep 0.1
    done
    while kill -0 "$PID" 2>/dev/null; do
        [ "$SECONDS" -ge "$deadline" ] && fail "the program still runs after Yes to exit"
        sleep 0.05
    done
    PID=""
}

step "first start: the blank world chart maximised, the Chart Info panel"
start_past_disclaimer
wait_for "the first chart maximised" chart_maximised
panels_are "active=Chart Info shown=Chart Info"
shot 1_first_start

# File > Print Preview of the first report offered: the report preview in front, maximised.
report_preview() {
    menu_path alt+f v
    chooser() { window_named "Print Preview"; }
    wait_for "the Print Preview chooser" chooser
    activate "$FOUND"
    xdotool key End Return
    preview() {
        # The chartpoint report is offered only for a database the user opened or saved:
        # the first report the chooser offers now is any of the lists.
        case "$(xdotool getwindowname "$MAIN" 2>/dev/null)" in "Brinevane - ["*"Report"* | "Brinevane - ["*"List"*) echo yes ;; *) return 1 ;; esac
    }
    wait_for "the report preview in front" preview
}

step "F4; Workspace > Save As 'Passage'"
key F4
panels_are "active=Route shown=Route"
workspace_menu a
ask() { window_named "Save Workspace As"; }
wait_for "the Save Workspace As question" ask
activate "$FOUND"
xdotool key ctrl+a
xdotool type Passage
xdotool key Return
saved() { grep -q 'Passage' "$SETTINGS" 2>/dev/null && echo yes; }
wait_for "the workspace in the settings file" saved
shot 2_saved

step "F3; Tools > Options > OK; Workspace > Open 'Passage'"
key F3
panels_are "active=Chartpoint shown=Chartpoint"
# Tools by the mouse: the chartpoint panel's Position takes Alt+O.
tools_menu() {
    local X Y WIDTH HEIGHT SCREEN WINDOW before
    geometry "$MAIN"
    before=$(program_windows | sort)
    click_at $((X + 507)) $((Y + 8))
    menu_shown() { [ "$(program_windows | sort)" != "$before" ] && echo shown; }
    wait_for "the Tools menu" menu_shown
}
tools_menu
xdotool key o
sheet() { window_named "Tools Options"; }
wait_for "the Tools Options sheet" sheet
SHEET=$FOUND
activate "$SHEET"
xdotool key Return
sheet_gone() { is_gone "$SHEET"; }
wait_for "the Tools Options sheet to close" sheet_gone
# A report preview left open: opening the workspace closes it.
report_preview
workspace_menu o
open_ask() { window_named "Open Workspace"; }
wait_for "the Open Workspace question" open_ask
OPEN_ASK=$FOUND
activate "$OPEN_ASK"
# "Passage" is the last of the list, after the "Default" the check's settings
# are kept in.
xdotool key End Return
open_gone() { is_gone "$OPEN_ASK"; }
wait_for "the Open Workspace question to close" open_gone
shot 3_opened
# The panel the workspace names (Route, as saved: Options OK applies its
# values without writing them) is the one on screen, in the layout's place,
# and each key shows its own panel.
panels_are "active=Route shown=Route"
key F5
panels_are "active=Chart Info shown=Chart Info"
shot 4_opened_f5
key F9
panels_are "active=Monitor shown=Monitor"
key F4
panels_are "active=Route shown=Route"
STEP_SECONDS=5 wait_for "the reopened chart maximised" chart_maximised

step "a report preview over the chart; Workspace > Save; File > Exit; started again"
report_preview
SAVED_AT=$(stat -c %y "$SETTINGS")
workspace_menu s
saved_again() { [ "$(stat -c %y "$SETTINGS")" != "$SAVED_AT" ] && echo yes; }
wait_for "the workspace saved again" saved_again
exit_program
start_past_disclaimer
# The chart, maximised behind the preview when the workspace was saved, comes back maximised.
STEP_SECONDS=10 wait_for "the chart maximised after the restart" chart_maximised
panels_are "active=Route shown=Route"
key F5
panels_are "active=Chart Info shown=Chart Info"
shot 5_restarted_f5
exit_program
echo "PASS: the side panel follows its keys and the chart keeps its state through the workspace"
