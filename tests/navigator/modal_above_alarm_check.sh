#!/bin/bash
# A modal dialog stays above the waypoint alarm window, on the real program
# window: the sample route is the active one, and File > Open > Log's "Open
# Log Database" dialog (modal) is open when the GPS on COM1 (a socat pty
# pair) gives its first fix, far down the route, past the first waypoint:
# the "Waypoint Arrival Alarms" window opens then. The dialog must be the
# higher of the two in the window stack, and the keyboard must still reach
# it: Escape closes it. Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: modal_above_alarm_check.sh [path/to/brinevane [sample-routes folder]]
# Exit code 77 (skipped) when a tool is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=modalalarm
XWIN_TOOLS="evilwm socat python3 xwininfo"
XWIN_FILES="$BUILT/Sample.dbf"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$@"

shot() { xwin_shot "modal_alarm_$1"; }

# The child of the root window that holds window $1 (its window manager frame).
frame_of() {
    local w=$1 parent root
    root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
    while :; do
        parent=$(xwininfo -children -id "$w" | awk '/Parent window id:/ { print $4 }')
        [ -n "$parent" ] || return 1
        [ "$((parent))" = "$((root))" ] && { echo "$((w))"; return 0; }
        w=$parent
    done
}
# Place of window $1 in the root's stack, bottom first.
stack_place() {
    local frame
    frame=$(frame_of "$1") || return 1
    xwininfo -root -children | awk '/^ +0x/ { print $1 }' | while read -r child; do
        echo "$((child))"
    done | grep -nx "$frame" | cut -d: -f1
}

step "COM1 on a socat pty pair, silent until the dialog is open; the sample route"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" > "$CONF"
station_settings "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" >/dev/null || fail "route-sample install"
export BRINE_REPORT_FOCUS=1
start_wm
start_past_disclaimer

step "File > Open > Log: the modal Open Log Database dialog"
open_log_chooser
DIALOG=$FOUND

step "the GPS's first fix, past the route's first waypoint: the alarm window opens"
# Between Apple Cove Point and Meadow Point, heading south.
gps_writer "$work/feed1" 47.7500 -122.4380 8.0 180.0
alarms() { window_named "Waypoint Arrival Alarms"; }
STEP_SECONDS=60 wait_for "the Waypoint Arrival Alarms window" alarms
ALARMS=$FOUND
sleep 2
shot 1_dialog_and_alarms
DIALOG_AT=$(stack_place "$DIALOG") || fail "no frame holds the dialog"
ALARMS_AT=$(stack_place "$ALARMS") || fail "no frame holds the alarm window"
echo "   in the stack (bottom first): the dialog $DIALOG_AT, the alarm window $ALARMS_AT"
[ "$DIALOG_AT" -gt "$ALARMS_AT" ] || fail "the alarm window lies over the modal dialog"

step "the keyboard reaches the dialog: Escape closes it"
xdotool key Escape
dialog_gone() { is_gone "$DIALOG" && echo gone; }
wait_for "the dialog to close" dialog_gone
shot 2_dialog_closed
window_named "Waypoint Arrival Alarms" >/dev/null || fail "the alarm window went with the dialog"
echo "PASS"
