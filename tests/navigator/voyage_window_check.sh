#!/bin/bash
# The chart window that follows the vessel, on the real program window: a GPS
# writes a fix a second to COM1 (a socat pty pair); Start Voyage opens a chart
# window titled "[Autoscroll] - ..."; End Voyage, its key pressed once right
# after that window opens, closes it; Navigator >
# Autoscroll Monitor Window opens it again and, chosen again, closes it.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: voyage_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=voyage
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

shot() { xwin_shot "voyage_$1"; }
# A key pressed on the main window, then the next one in the menu it opened.
menu_key() { focus "$MAIN"; xdotool key "$1"; sleep 0.4; xdotool key "$2"; sleep 0.4; }
follower() {
    local w
    for w in $(program_windows); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in *"[Autoscroll] - "*) echo "$w"; return 0 ;; esac
    done
    return 1
}
no_follower() { follower >/dev/null && return 1; echo none; }
# The question whether to save the temporary log, answered No.
answer_no() { answer_question alt+n "$MAIN"; }

step "COM1 on a socat pty pair, a GPS making 8 knots out of Elliott Bay on it"
pty_pairs 1
mkdir -p "$work/config/Quorwick/Brinevane"
# The check whether the vessel is in view runs every second.
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\n%s\n#end\n' "$work/com1" \
    '[Software\Quorwick\Brinevane\Default\Navigator]' 'BestChartCheckInterval=str:0 00:00:01' \
    > "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
gps_writer "$work/feed1" 47.5990 -122.3560 8.0 300.0
# The program reports the window it holds active, for activate, and what its
# message bar shows.
export BRINE_REPORT_FOCUS=1 BRINE_MSGBAR_STATE_FILE="$work/msgbar.txt"
start_wm

step "the program, a position on the monitor panel"
start_past_disclaimer
no_follower >/dev/null || fail "a following chart window before any voyage"

step "Start Voyage: the following window opens"
voyage_dlg() { window_named "Start Voyage"; }
# Start/End Voyage is enabled once a position has come.
open_voyage() { focus "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog (a position first)" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "EB-0602"
xdotool key Return
follow_or_ask() { answer_no; follower; }
wait_for "the chart window that follows the vessel" follow_or_ask
echo "   $(xdotool getwindowname "$FOUND")"
shot 1_following
# The vessel is in the middle of the following window, in front: the bar
# does not say it is out of view, whichever window has the keyboard now.
sleep 3
BAR=$(tail -n 1 "$work/msgbar.txt" 2>/dev/null)
case "$BAR" in *"Vessel position is not visible."*) fail "the bar says the vessel is not visible: $BAR" ;; esac

step "End Voyage: it closes"
# Pressed once, as soon as the following window is there, on the window the
# program holds active: a key that is not taken is a fault.
activate "$MAIN"
xdotool key ctrl+alt+v
end_dlg() { window_named "End Voyage"; }
wait_for "the End Voyage dialog after one press of its key" end_dlg
focus "$FOUND"
xdotool key Return
closed_or_ask() { answer_no; no_follower; }
wait_for "the following window to close" closed_or_ask
shot 2_voyage_ended

step "Navigator > Autoscroll Monitor Window: opens it, then closes it"
menu_key alt+n a
wait_for "the chart window that follows the vessel" follower
shot 3_from_menu
menu_key alt+n a
wait_for "the following window to close" no_follower
echo "PASS"
