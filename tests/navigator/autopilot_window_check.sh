#!/bin/bash
# The autopilot steering on the real program window: a GPS makes 8 knots down
# the sample route's sixth leg on COM1 (a socat pty pair) while the route's
# current waypoint is still its first, 30 miles astern; the autopilot
# transmits on COM2, whose far end a reader keeps. Navigator > Autopilot
# Support stays grey until a voyage is under way; switched on then (and
# confirmed), "$ECAPB" leaves COM2 every 2 seconds (the stored rate). The very
# first sentence already steers for the leg the vessel is on (waypoint 7),
# never for the waypoint the switch drops; each sentence is parsed with
# pynmea2, its bearing to the waypoint, cross-track error and side agreeing
# with what the Monitor panel showed just before it.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: autopilot_window_check.sh [path/to/brinevane [sample-routes folder]]
# Exit code 77 (skipped) when a tool is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=autopilot
XWIN_TOOLS="evilwm socat xprop"
XWIN_FILES="$BUILT/Sample.dbf /usr/bin/python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$@"

/usr/bin/python3 -c 'import pynmea2' 2>/dev/null || { echo "SKIP: pynmea2 is not installed"; exit 77; }

shot() { xwin_shot "autopilot_$1"; }
menu_key() { activate "$MAIN"; xdotool key "$1"; sleep 0.4; xdotool key "$2"; sleep 0.4; }
STATE="$work/nav.txt"
APB="$work/apb.txt"
xwin_on_failure() {
    echo "--- last panel lines:" >&2; tail -3 "$STATE" >&2
    echo "--- COM2 lines:" >&2; tail -5 "$APB" >&2
}
# A question of the program: a dialog window titled with its name (a menu
# popup carries that name too, but is no dialog).
question() {
    local w
    for w in $(other_windows "$MAIN"); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ] || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q DIALOG && { echo "$w"; return 0; }
    done
    return 1
}
# The question this run expects, answered with Return (OK) while it holds the keyboard.
confirm() { local w; w=$(question) && answer_question Return "$MAIN" && echo "$w"; }

step "COM1 a GPS on leg 6 of the sample route, COM2 the autopilot's, read at its far end"
pty_pairs 1 2
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
cat > "$CONF" <<EOF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Autopilot]
TransmitCOMPort=dword:2
OutputRate=str:2
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Wind]
ReceiveCOMPort=dword:0
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Repeater]
TransmitCOMPort=dword:0
#end
EOF
station_settings "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" >/dev/null || fail "route-sample install"
# Between Apple Cove Point and Meadow Point, a little east of the leg, heading south.
gps_writer "$work/feed1" 47.7500 -122.4380 8.0 180.0
/usr/bin/python3 - "$work/feed2" "$APB" <<'PY' &
import os, sys, time
fd = os.open(sys.argv[1], os.O_RDONLY)
pending = b""
with open(sys.argv[2], "a") as out:
    while True:
        data = os.read(fd, 512)
        if not data:
            time.sleep(0.05)
            continue
        pending += data
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            out.write("%.3f %s\n" % (time.monotonic(), line.decode("ascii", "replace").strip()))
            out.flush()
PY
XWIN_PIDS="$XWIN_PIDS $!"
export BRINE_NAV_STATE_FILE="$STATE" BRINE_REPORT_FOCUS=1
start_wm
start_past_disclaimer

step "a position and the route's waypoint on the Monitor panel"
on_route() { tail -n 1 "$STATE" 2>/dev/null | grep -q $'\tbearing=[0-9]' && echo yes; }
wait_for "the panel's bearing to the waypoint" on_route

step "Autopilot Support is grey while no voyage is under way"
menu_key alt+n i
sleep 1.5
question >/dev/null && fail "Autopilot Support took its key with no voyage under way"
xdotool key Escape
sleep 0.3

step "Start Voyage"
open_voyage() { activate "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "AP-0641"
xdotool key Return
voyage_gone() { answer_question alt+n "$MAIN"; window_named "Start Voyage" >/dev/null && return 1; echo gone; }
wait_for "the voyage to start" voyage_gone
sleep 2
answer_question alt+n "$MAIN"

step "Navigator > Autopilot Support, confirmed: \$ECAPB leaves COM2"
menu_key alt+n i
wait_for "Please Confirm switching Autopilot on" question
# Read as a navigator reads it: navigation refreshes go on meanwhile.
sleep 2
shot 0_confirm
wait_for "the confirmation answered" confirm
sent() { [ "$(grep -c 'ECAPB' "$APB" 2>/dev/null)" -ge 1 ] && echo yes; }
wait_for "a first \$ECAPB on COM2" sent
FIRST=$SECONDS
activate "$MAIN"
xdotool key F9   # the Monitor panel in front
sleep 7
shot 1_steering

step "every sentence agrees with the panel; one every 2 seconds"
/usr/bin/python3 - "$APB" "$STATE" <<'PY' || fail "the sentences on COM2 do not agree with the panel"
import re
import sys
import pynmea2

# Every field as the autopilot reads it: status, cycle lock, the error's magnitude in
# "00.00" and its side, nautical miles, arrival and perpendicular flags, bearings and
# heading in "000.0" with their references, the waypoint's number.
LAYOUT = re.compile(r"\$ECAPB,[AV],A,\d{2,4}\.\d{2},[LR],N,A?,A?,\d{3}\.\d,T,\d+,"
                    r"\d{3}\.\d,T,\d{3}\.\d,T\*[0-9A-F]{2}")
sent = []
for line in open(sys.argv[1]):
    stamp, text = line.split(" ", 1)
    if "APB" in text:
        if not LAYOUT.fullmatch(text.strip()):
            sys.exit("not laid out as an autopilot reads it: " + text.strip())
        sent.append((float(stamp), pynmea2.parse(text.strip(), check=True)))   # the checksum is checked
panel = []
for line in open(sys.argv[2]):
    f = dict(p.split("=", 1) for p in line.rstrip("\n").split("\t") if "=" in p)
    if f.get("bearing") and f.get("xte"):
        panel.append((float(f["monotonicMs"]) / 1000.0, f))
if len(sent) < 3:
    sys.exit("only %d sentences" % len(sent))
# Switching on chose the leg the vessel is on before anything went out.
ids = [m.dest_waypoint_id for _, m in sent]
print("  waypoints: " + " ".join(ids))
if any(i != "7" for i in ids):
    sys.exit("the autopilot was told to steer for a waypoint other than 7")
bad = 0
for when, m in sent:
    assert m.talker == "EC" and m.sentence_type == "APB", m
    assert m.status_gen == "A" and m.status_cycle_lock == "A", m
    side = {"L": ">>>", "R": "<<<"}[m.dir_steer]   # steer left: the vessel is right of the track
    # The panel's refreshes in the 3 s before the sentence left.
    near = [f for t, f in panel if when - 3.2 <= t <= when + 0.05]
    fits = [f for f in near
            if abs(float(m.bearing_pres_dest) - float(f["bearing"])) <= 0.55
            and abs(float(m.cross_track_err_mag) - float(f["xte"])) <= 0.011
            and (f["xteArrow"] == side or float(f["xte"]) == 0)
            and m.dest_waypoint_id == f["waypoint"].strip()]
    print("  %.1f %s -> %s" % (when, m, "agrees" if fits else "no panel line agrees: %s" % near[-2:]))
    bad += not fits
gaps = [b[0] - a[0] for a, b in zip(sent, sent[1:])]
print("  gaps: " + " ".join("%.2f" % g for g in gaps))
if any(not 1.6 <= g <= 2.6 for g in gaps):
    sys.exit("a gap between sentences is not about 2 s")
sys.exit(1 if bad else 0)
PY

step "switched off: COM2 goes quiet"
menu_key alt+n i
sleep 1
COUNT=$(grep -c 'ECAPB' "$APB")
sleep 4
[ "$(grep -c 'ECAPB' "$APB")" = "$COUNT" ] || fail "sentences after Autopilot Support was switched off"
shot 2_off
echo "PASS (steering for $((SECONDS - FIRST)) s)"
