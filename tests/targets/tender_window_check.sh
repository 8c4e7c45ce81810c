#!/bin/bash
# Tenders on the real program window: COM1 is a socat pty whose far end is
# tools/tender-peer with three tender units, one of them in panic. With
# tracking activated from "Target > Tender Tracking":
#   1. the transceiver polls and the "Tender" card of the Target Tracking
#      panel (F6) lists the three tenders, their positions moving;
#   2. the panic message is on the message bar;
#   3. a clicked row makes its tender current, and "Reset MOB" clears the
#      panic until the unit's next MOVB;
#   4. "View" opens the Tender Target Log, whose rows grow;
#   5. "Go To Selected" shows the current tender on the chart, with its focus box;
#   6. "Target > Options..." has the Tender Tracking page with the three channels,
#      and its Target card the colour wells.
#
# Usage: tender_window_check.sh [path/to/brinevane]
# BRINE_SHOTS_DIR, when set, keeps the screenshots there. Exit code 77
# (skipped) when xvfb-run, xdotool, socat or ImageMagick is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SOURCE_DIR=${BRINE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
IMPORT=/usr/bin/import
XWIN_NAME=tnd
XWIN_TOOLS="$IMPORT socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/shots"
xwin_before_cleanup() {
    [ -n "${SOCAT_PID:-}" ] && kill "$SOCAT_PID" 2>/dev/null
    [ -n "${PEER_PID:-}" ] && kill "$PEER_PID" 2>/dev/null
    if [ -n "${BRINE_SHOTS_DIR:-}" ]; then
        mkdir -p "$BRINE_SHOTS_DIR" && cp "$work"/shots/*.png "$BRINE_SHOTS_DIR"/ 2>/dev/null
    fi
}
shoot() {
    sleep 1
    "$IMPORT" -window "$1" "$work/shots/$2.png" 2>/dev/null || fail "cannot take a picture of $2"
    echo "   picture $2.png"
}

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
export XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-tnd-$$-$RANDOM"
unset BRINE_OPEN_FILES

step "COM1 on a socat pty pair, three tender units on its far end"
socat pty,raw,echo=0,link="$work/com1" pty,raw,echo=0,link="$work/units" 2> "$work/socat.log" &
SOCAT_PID=$!
pty_ready() { [ -e "$work/com1" ] && [ -e "$work/units" ] && echo ready; }
wait_for "the pty pair" pty_ready
python3 "$SOURCE_DIR/tools/tender-peer/tender-peer.py" "$work/units" \
    02=0001,47.60,-122.40,90,6 04=0002,47.61,-122.42,180,4,7.5 06=0003,47.59,-122.38,45,3,2.0,panic \
    2> "$work/peer.log" &
PEER_PID=$!

CONF="$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
cat > "$CONF" <<CONFEOF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\GPS]
ReceiveCOMPort=dword:0
TransmitCOMPort=dword:0
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Wind]
ReceiveCOMPort=dword:0
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Autopilot]
TransmitCOMPort=dword:0
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Repeater]
TransmitCOMPort=dword:0
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\TenderTracking]
ReceiveCOMPort=dword:1
ChannelDuration=str:0 00:00:01
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\TenderTracking\\Transceiver\\Tender1]
Name=str:Red boat
Valid=str:True
SerialNumber=str:0001
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\TenderTracking\\Transceiver\\Tender2]
Name=str:Blue boat
Valid=str:True
SerialNumber=str:0002
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\TenderTracking\\Transceiver\\Tender3]
Name=str:Rescue
Valid=str:True
SerialNumber=str:0003
#end
CONFEOF
station_settings "$CONF"
command -v evilwm >/dev/null 2>&1 && start_wm --mask1 mod4

TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!
dlg_visible() { window_named "DISCLAIMER"; }
wait_for "the DISCLAIMER window" dlg_visible
DLG=$FOUND
geometry "$DLG"
click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24))
dlg_gone() { is_gone "$DLG"; }
wait_for "the disclaimer to close" dlg_gone
main_visible() { window_named "Brinevane"; }
wait_for "the main window" main_visible
MAIN=$FOUND
sleep 2
# A question about an earlier vessel log, if any: yes.
for w in $(other_windows "$MAIN"); do
    xdotool windowfocus --sync "$w" 2>/dev/null && xdotool key Return
done

tender_menu() {
    focus "$MAIN"
    xdotool key alt+t
    sleep 0.3
    xdotool key t
    sleep 0.3
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.3
    done
}

step "1. Activate: the transceiver polls the three channels"
tender_menu a
polled() { grep -q "poll 02" "$work/peer.log" && grep -q "poll 04" "$work/peer.log" && grep -q "poll 06" "$work/peer.log"; }
wait_for "polls of channels 1, 2 and 3 (codes 02, 04, 06)" polled

step "2. the Target Tracking panel (F6), its Tender card lists the three tenders"
focus "$MAIN"
xdotool key F6
sleep 1
geometry "$MAIN"
# The panel docks on the right: a click in its list, then Ctrl+Tab to the Tender card.
click_at $((X + WIDTH - 200)) $((Y + HEIGHT / 2))
xdotool key ctrl+Tab
sleep 4
shoot root tenders-first
sleep 4
shoot root tenders-second

step "3. the last row (the tender in panic) selected, then Reset MOB"
# A click on the first row (under the caption, the tabs and the list's header), then End.
click_at $((X + WIDTH - 200)) $((Y + 218))
xdotool key End
sleep 1
shoot root tenders-panic
tender_menu c r
sleep 0.3
shoot root tenders-reset
sleep 5
shoot root tenders-panic-again

step "4. View: the Tender Target Log grows"
tender_menu c v
log_open() { window_named "Tender Target Log : Target ID T3 - Rescue"; }
wait_for "the Tender Target Log of Rescue" log_open
LOG=$FOUND
shoot "$LOG" tender-log-first
sleep 12
shoot "$LOG" tender-log-later

step "5. Go To Selected: the tenders on the chart, the current one boxed"
tender_menu g
sleep 3
shoot root tenders-chart

step "6. Target > Options...: the Tender Tracking page"
focus "$MAIN"
xdotool key alt+t
sleep 0.3
xdotool key o
options_open() { window_named "Target Options"; }
wait_for "the Target Options sheet" options_open
OPTS=$FOUND
focus "$OPTS"
# The sheet's tabs: ARPA first, then Tender Tracking.
xdotool key ctrl+Tab
sleep 1
shoot "$OPTS" tender-options-general
# The page's own cards: "Target", with its colour wells, is the second tab.
geometry "$OPTS"
click_at $((X + 125)) $((Y + 59))
sleep 1
shoot "$OPTS" tender-options-target
xdotool key Escape
echo "PASS"
