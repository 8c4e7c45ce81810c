#!/bin/bash
# The waypoint alarm's sound on the real program window: a GPS on COM1 (a socat pty pair)
# lies inside the arrival circle of the sample route's current waypoint. The "Waypoint Arrival
# Alarms" window opens and the program hands its player the arrival sound's wave file from the
# Audio folder beside it; the file is there, a PCM wave. The run has a sound output of its own
# (a PulseAudio null sink): without one the program keeps its audio alerts off.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: alarm_sound_check.sh [path/to/brinevane [sample-routes folder]]
# Exit code 77 (skipped) when a tool is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=alarmsound
XWIN_TOOLS="evilwm socat pulseaudio pactl"
XWIN_FILES="$BUILT/Sample.dbf /usr/bin/python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$@"

# The run's own program folder links to the build's System folder.
AUDIO="${BRINE_PROGRAM_FOLDER:-$(cd "$(dirname "$PROGRAM")" && pwd)}/System/Audio"
xwin_on_failure() { echo "--- program log:" >&2; tail -20 "$work/program.log" >&2; }

step "COM1 a GPS inside the arrival circle of the route's first waypoint (Point Wilson)"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
cat > "$CONF" <<EOF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
#end
EOF
station_settings "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" >/dev/null || fail "route-sample install"
gps_writer "$work/feed1" 48.1525 -122.7370
sound_output
start_wm
start_past_disclaimer

step "the Waypoint Arrival Alarms window opens"
alarm_window() { window_named "Waypoint Arrival Alarms"; }
wait_for "the Waypoint Arrival Alarms window" alarm_window

step "the player is asked for the arrival sound's file from the Audio folder"
asked() { grep -m1 "Brinevane: alert sound \"$AUDIO/Warning, arrival circle entered.wav\"" \
    "$work/program.log"; }
wait_for "the arrival sound asked of the player" asked
echo "   $FOUND"
case "$FOUND" in
*"no such file"*) fail "the sound file is missing" ;;
*": playing"*) ;;
*) fail "the sound was not played on the run's sound output" ;;
esac
/usr/bin/python3 - "$AUDIO/Warning, arrival circle entered.wav" <<'PY' || fail "no playable wave"
import sys, wave
with wave.open(sys.argv[1]) as w:
    seconds = w.getnframes() / w.getframerate()
    print("   %s: %d Hz, %d bit, %.2f s" % (sys.argv[1].rsplit("/", 1)[1], w.getframerate(),
                                              8 * w.getsampwidth(), seconds))
    sys.exit(0 if w.getcomptype() == "NONE" and 0.25 <= seconds <= 3 else 1)
PY
sleep 1
xwin_shot alarm_sound
echo "PASS"
