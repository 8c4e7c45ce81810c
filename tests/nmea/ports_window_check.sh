#!/bin/bash
# The real program on a virtual X server with COM1 on a pseudo-terminal made
# by socat under a by-id-like name, as a USB adapter would be:
#   1. the program starts with the GPS receiving on COM1: no port message;
#   2. socat is killed (the adapter pulled out): within 2 s the message bar
#      says COM1 is disconnected and why;
#   3. socat starts again on the same link (plugged back in): within 5 s the
#      message goes.
# The program appends each change of a port's bar line to
# BRINE_PORTS_STATE_FILE; screenshots of each stage go to BRINE_SHOTS_DIR
# when it is set.
#
# Usage: ports_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool or socat is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SKIP=77
STEP_SECONDS=${BRINE_XWIN_STEP_SECONDS:-20}
SHOTS=${BRINE_SHOTS_DIR:-}

if [ -z "${BRINE_XWIN_INNER:-}" ]; then
    for tool in xvfb-run xdotool xauth socat; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit $SKIP
        fi
    done
    marker_dir=$(mktemp -d "${TMPDIR:-/tmp}/brine-ports-outer.XXXXXX") || exit 1
    trap 'rm -rf "$marker_dir"' EXIT
    for attempt in 1 2 3; do
        BRINE_XWIN_INNER=1 BRINE_XWIN_STARTED="$marker_dir/started" \
            xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$PROGRAM"
        rc=$?
        if [ -e "$marker_dir/started" ] || [ "$attempt" -eq 3 ]; then
            exit $rc
        fi
        sleep "0.$((RANDOM % 9 + 1))"
    done
fi

: > "$BRINE_XWIN_STARTED"
work=$(mktemp -d "${TMPDIR:-/tmp}/brine-ports.XXXXXX") || exit 1
mkdir -p "$work/config/Quorwick/Brinevane" "$work/runtime" "$work/tmp" "$work/dev"
chmod 700 "$work/runtime"
LINK="$work/dev/usb-Garmin_GPS_18x_USB-if00-port0"
PID="" SOCAT_PID="" WM_PID=""
cleanup() {
    [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
    [ -n "$SOCAT_PID" ] && kill -9 "$SOCAT_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- port messages:" >&2
    cat "$work/ports.state" >&2 2>/dev/null
    echo "--- program output:" >&2
    cat "$work/program.log" >&2 2>/dev/null
    exit 1
}
step() { echo "== $*"; }
shot() {
    [ -n "$SHOTS" ] || return 0
    mkdir -p "$SHOTS"
    xwd -root -silent | convert xwd:- "$SHOTS/$1.png" 2>/dev/null || echo "   (no screenshot: $1)"
    echo "   screenshot $SHOTS/$1.png"
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

start_socat() {
    rm -f "$LINK" "$LINK.peer"
    socat pty,raw,echo=0,link="$LINK" pty,raw,echo=0,link="$LINK.peer" 2>/dev/null &
    SOCAT_PID=$!
    local deadline=$((SECONDS + 5))
    until [ -e "$LINK" ] && [ -e "$LINK.peer" ]; do
        [ "$SECONDS" -ge "$deadline" ] && fail "socat did not make its links"
        sleep 0.02
    done
}
# Pulling the adapter: socat dies, and the by-id link goes as udev removes it.
kill_socat() {
    kill -9 "$SOCAT_PID" 2>/dev/null
    wait "$SOCAT_PID" 2>/dev/null
    SOCAT_PID=""
    rm -f "$LINK" "$LINK.peer"
}

# The port list as the user set it: COM1 on the adapter's stable name.
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$LINK
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]
DatabaseFolder=str:$work/logs
#end
CONF
# The station listener on a port of this run's own, its peer file in the work folder: a run
# beside other copies of the program never meets them on the network.
station_settings() {
    { grep -v '^#end$' "$1" 2>/dev/null
      printf '[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nTCPPort=dword:%d\nFileFolder=str:%s\n#end\n' \
          $((20000 + RANDOM % 20000)) "$work"; } > "$1.new" && mv "$1.new" "$1"
}
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
# "Default" a saved workspace, so that the start reads the settings above.
eval "$(sed -n '/^current_workspace_lines()/,/^}/p; /^saved_workspace()/,/^}/p' \
    "$(dirname "$0")/../support/xwin.sh")"
saved_workspace "$work/config/Quorwick/Brinevane/settings.conf"

export XDG_CONFIG_HOME="$work/config"
# The program's folder for this run: links to the build's data, nothing it writes.
PROGRAM=$(cd "$(dirname "$PROGRAM")" && pwd)/$(basename "$PROGRAM")
eval "$(sed -n '/^program_folder_links()/,/^}/p' "$(dirname "$0")/../support/xwin.sh")"
program_folder_links "$work/program"
export BRINE_PROGRAM_FOLDER="$work/program"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-ports-$$-$RANDOM"
export BRINE_PORTS_STATE_FILE="$work/ports.state"
unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS
: > "$BRINE_PORTS_STATE_FILE"

if command -v evilwm >/dev/null 2>&1; then
    evilwm -fn fixed > "$work/wm.log" 2>&1 &
    WM_PID=$!
    sleep 0.3
fi

start_socat
TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!

wait_for() {   # what, command: polls the command until it succeeds
    local deadline=$((SECONDS + STEP_SECONDS))
    until eval "$2"; do
        kill -0 "$PID" 2>/dev/null || fail "program ended while waiting for: $1"
        [ "$SECONDS" -ge "$deadline" ] && fail "not within $STEP_SECONDS s: $1"
        sleep 0.05
    done
}
window_named() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$PID" 2>/dev/null); do
        # A maximised chart window adds its title to the main window's: "Brinevane - [...]".
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        "$1" | "$1 - ["*"]") echo "$w"; return 0 ;;
        esac
    done
    return 1
}

step "start-up: accept the disclaimer; the GPS receives on COM1"
wait_for "the DISCLAIMER window" 'DLG=$(window_named DISCLAIMER)'
eval "$(xdotool getwindowgeometry --shell "$DLG")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT - 24)) click 1
wait_for "the main window" 'MAIN=$(window_named Brinevane)'
# A fix arrives on the port: the instrument is there.
printf '$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68\r\n' > "$LINK.peer"
sleep 1.5
grep -q "disconnected" "$BRINE_PORTS_STATE_FILE" && fail "a port message while the adapter is in"
shot "1-connected"

step "unplug: socat killed, the message bar says COM1 is disconnected within 2 s"
t0=$(now_ms)
kill_socat
wait_for "the COM1 disconnection on the message bar" 'grep -q "^COM1 [0-9]* COM1 disconnected: $LINK" "$BRINE_PORTS_STATE_FILE"'
lost=$(( $(now_ms) - t0 ))
echo "   shown after $lost ms: $(grep "disconnected" "$BRINE_PORTS_STATE_FILE" | tail -1 | cut -d' ' -f3-)"
[ "$lost" -lt 2000 ] || fail "the disconnection took $lost ms to show"
sleep 0.5
shot "2-disconnected"

step "plug back in: socat on the same link, the message goes within 5 s"
t0=$(now_ms)
start_socat
wait_for "the COM1 message to go" '[ "$(tail -1 "$BRINE_PORTS_STATE_FILE" | cut -d" " -f3-)" = "" ]'
back=$(( $(now_ms) - t0 ))
echo "   cleared after $back ms"
[ "$back" -lt 5000 ] || fail "the reconnection took $back ms to clear the message"
sleep 0.5
shot "3-reconnected"

kill "$PID" 2>/dev/null
echo "PASS: disconnection shown after $lost ms, cleared $back ms after the adapter came back"
