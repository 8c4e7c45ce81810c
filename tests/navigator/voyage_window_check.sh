#!/bin/bash
# The chart window that follows the vessel, on the real program window: a GPS
# writes a fix a second to COM1 (a socat pty pair); Start Voyage opens a chart
# window titled "[Autoscroll] - ..."; End Voyage closes it; Navigator >
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

shot() {
    [ -n "$SHOTS" ] && mkdir -p "$SHOTS" && command -v import >/dev/null 2>&1 &&
        sleep 0.5 && import -window root "$SHOTS/voyage_$1.png" && echo "   screenshot voyage_$1.png"
    return 0
}
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
# A question the program asks (save the temporary log?) answered No.
answer_no() {
    local w
    for w in $(other_windows "$MAIN"); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        "Brinevane") focus "$w"; xdotool key alt+n ;;
        esac
    done
}

step "COM1 on a socat pty pair, a GPS on it"
socat pty,raw,echo=0,link="$work/com1" pty,raw,echo=0,link="$work/feed" 2> "$work/socat.log" &
XWIN_PIDS="$XWIN_PIDS $!"
pty_ready() { [ -e "$work/com1" ] && [ -e "$work/feed" ] && echo ready; }
wait_for "the pty pair" pty_ready
mkdir -p "$work/config/Quorwick/Brinevane"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" \
    > "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
python3 - "$work/feed" > "$work/feed.log" 2>&1 <<'PY' &
import datetime, sys, time
def checksum(s):
    c = 0
    for ch in s:
        c ^= ord(ch)
    return "%02X" % c
lat, lon = 47.5990, -122.3560
with open(sys.argv[1], "w") as port:
    while True:
        t = datetime.datetime.now(datetime.timezone.utc)
        hms, dmy = t.strftime("%H%M%S.00"), t.strftime("%d%m%y")
        la = "%02d%08.5f" % (int(lat), (lat - int(lat)) * 60)
        lo = "%03d%08.5f" % (int(-lon), (-lon - int(-lon)) * 60)
        for s in ("GPRMC,%s,A,%s,N,%s,W,8.0,300.0,%s,," % (hms, la, lo, dmy),
                  "GPGGA,%s,%s,N,%s,W,1,08,1.0,10.0,M,-17.0,M,," % (hms, la, lo)):
            port.write("$%s*%s\r\n" % (s, checksum(s)))
        port.flush()
        lon -= 0.0004
        time.sleep(1)
PY
XWIN_PIDS="$XWIN_PIDS $!"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime" BRINE_INSTANCE_NAME="brine-voyage-$$-$RANDOM"
start_wm

step "the program, a position on the monitor panel"
TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!
dlg_visible() { window_named "DISCLAIMER"; }
wait_for "the DISCLAIMER window" dlg_visible
focus "$FOUND"
xdotool key Return
main_visible() { window_named "Brinevane"; }
wait_for "the main window" main_visible
MAIN=$FOUND
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

step "End Voyage: it closes"
focus "$MAIN"
xdotool key ctrl+alt+v
end_dlg() { window_named "End Voyage"; }
# Right after the following window opened, the key is at times not taken
# (seen about one run in six, never once the window has settled): pressed
# again after 3 s, and said so, until that is understood.
sleep 3
if ! end_dlg; then
    echo "   NOTE: no End Voyage dialog 3 s after the key; pressing it again"
    focus "$MAIN"
    xdotool key ctrl+alt+v
fi
wait_for "the End Voyage dialog" end_dlg
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
