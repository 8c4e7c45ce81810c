#!/bin/bash
# A modal dialog stays above the waypoint alarm window, on the real program
# window: the sample route is the active one, and File > Open > Log's "Open
# Log Database" dialog (modal) is open when the GPS on COM1 (a socat pty
# pair) gives its first fix, on the route's first waypoint: the "Waypoint
# Arrival Alarms" window opens then. The dialog must be the
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

# The child of the root window that holds window $1 (its window manager
# frame), in hexadecimal as xwininfo writes it.
frame_of() {
    local w=$1 parent root i
    root=$(xwininfo -root | awk '/xwininfo: Window id:/ { print $4 }')
    for ((i = 0; i < 8; i++)); do
        parent=$(xwininfo -children -id "$w" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
        [ -n "$parent" ] || return 1
        if [ "$((parent))" = "$((root))" ]; then
            printf '0x%x\n' "$((w))"
            return 0
        fi
        w=$parent
    done
    return 1
}
# Place of window $1 in the root's stack, counted from the top (xwininfo
# lists the root's children topmost first).
stack_place() {
    local frame
    frame=$(frame_of "$1") || return 1
    xwininfo -root -children | awk -v f="$frame" '$1 ~ /^0x/ { n++; if ($1 == f) { print n; exit } }'
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
DIALOG=$(window_named "Open Log Database") || fail "no Open Log Database dialog"

step "the GPS's first fix, on the route's first waypoint: the alarm window opens"
# On the route's first waypoint (off Point Wilson), inside its arrival circle.
gps_writer "$work/feed1" 48.1530 -122.7370
alarms() { window_named "Waypoint Arrival Alarms"; }
STEP_SECONDS=60 wait_for "the Waypoint Arrival Alarms window" alarms
ALARMS=$FOUND
sleep 2
shot 1_dialog_and_alarms
DIALOG_AT=$(stack_place "$DIALOG") || fail "no frame holds the dialog"
ALARMS_AT=$(stack_place "$ALARMS") || fail "no frame holds the alarm window"
echo "   in the stack (from the top): the dialog $DIALOG_AT, the alarm window $ALARMS_AT"
[ -n "$DIALOG_AT" ] && [ -n "$ALARMS_AT" ] || fail "a window is missing from the stack"
[ "$DIALOG_AT" -lt "$ALARMS_AT" ] || fail "the alarm window lies over the modal dialog"

step "the keyboard reaches the dialog: Escape closes it"
xdotool key Escape
dialog_gone() { is_gone "$DIALOG" && echo gone; }
wait_for "the dialog to close" dialog_gone
shot 2_dialog_closed
window_named "Waypoint Arrival Alarms" >/dev/null || fail "the alarm window went with the dialog"
echo "PASS"
