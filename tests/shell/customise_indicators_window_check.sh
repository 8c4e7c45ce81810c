#!/bin/bash
# Tools > Customise on the real program, on a virtual X server under evilwm,
# driven with xdotool, once the program's idle passes have run: the indicator
# commands are listed by their names, so typing a name in the Commands list
# finds it, and the button added from there is on the toolbar and kept.
#   1. Customise opened at "Navigator 1" and cancelled, then opened again
#      after further idle passes (the passes write each indicator's reading,
#      empty without a position, into its command);
#   2. Commands, category "Navigator 1", command "Vessel Course Over Ground"
#      typed: Add > puts it on the first toolbar, OK;
#   3. the workspace keeps the button, and with a GPS fix it shows the
#      reading in a sunken field, black bold on grey.
#
# Usage: customise_indicators_window_check.sh [path/to/brinevane]
# Screenshots go to $BRINE_SHOTS_DIR when it is set. Exit code 77 (skipped)
# without xvfb-run, xdotool, evilwm, socat or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
IMPORT=/usr/bin/import
XWIN_NAME=cust
XWIN_TOOLS="evilwm $IMPORT /usr/bin/convert socat"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SHOTS=${BRINE_SHOTS_DIR:-}
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
# A GPS on COM1 (a socat pty pair) making 6 knots on course 045.
pty_pairs 1
mkdir -p "$(dirname "$SETTINGS")"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" > "$SETTINGS"
station_settings "$SETTINGS"
export BRINE_REPORT_FOCUS=1 BRINE_REPORT_TIMER=1
start_wm
start_past_disclaimer

# Idle passes: the frame's timer reports its one-second jobs; two more have run.
passes_after() {
    local seen
    seen=$(grep -c "timer: 1 s job" "$work/program.log")
    [ "$seen" -ge "$XWIN_PASSES" ] && echo "$seen"
}
idle_passes() {
    XWIN_PASSES=$(( $(grep -c "timer: 1 s job" "$work/program.log") + 2 ))
    wait_for "two more timer passes" passes_after
}

open_customise() {
    activate "$MAIN"
    menu_path alt+o c
    dlg_visible() { window_named "Customize"; }
    wait_for "the Customise sheet" dlg_visible
    DLG=$FOUND
    activate "$DLG"
}

# The Commands page at a category typed into its list.
show_category() {
    xdotool key ctrl+Tab
    sleep 0.3
    xdotool key alt+c
    xdotool type --delay 60 "$1"
    sleep 0.6
}

step "Customise at Navigator 1 and cancelled, then again after the idle passes"
idle_passes
open_customise
show_category "Navigator 1"
xdotool key Escape
dlg_gone() { is_gone "$DLG"; }
wait_for "the Customise sheet to close" dlg_gone
idle_passes
open_customise

step "Commands: Navigator 1, the COG indicator found by its name, Add >"
show_category "Navigator 1"
xdotool key alt+m
# The list's own search: the row whose text starts with what is typed.
xdotool type --delay 60 "Vessel Course"
sleep 0.6
xwin_shot cust_1_commands
xdotool key alt+a
sleep 0.3
xwin_shot cust_2_added
xdotool key Return
wait_for "the Customise sheet to close" dlg_gone

step "the button is on the first toolbar and the workspace keeps it"
kept() { grep -E '^Bar[0-9]+=str:([0-9]+,)*2311(,|$)' "$SETTINGS"; }
wait_for "the COG indicator (2311) among a toolbar's stored buttons" kept
echo "   $FOUND"

step "with a GPS fix the button shows the reading in the indicator's grey field"
gps_writer "$work/feed1" 47.6 -122.4 6 45
activate "$MAIN"
pointer_to 2 2
# The indicator's field on the toolbars (the top 60 px), in the indicators'
# grey (175, 175, 175).
toolbar_grey() {
    local X Y WIDTH HEIGHT SCREEN WINDOW n
    geometry "$MAIN"
    import -window root -crop "${WIDTH}x60+$X+$((Y + 20))" "$work/bars.png" 2>/dev/null || return 1
    n=$(count_colour "$work/bars.png" "#AFAFAF")
    [ "$n" -ge 200 ] && echo "$n"
}
wait_for "the indicator's grey field on the toolbar" toolbar_grey
echo "   grey field pixels on the toolbars: $FOUND"
sleep 1.5
xwin_shot cust_3_toolbar
echo "PASS: the indicator commands are listed by name and added from the list"
