#!/bin/bash
# The navigator on the real program window, on a virtual X server under a
# small window manager:
#   1. a recorded capture replayed at 1x: the replay's progress advances in its
#      message, the monitor panel shows the capture's position, COG and SOG;
#   2. at the file's end the simulation message goes, and the NMEA caution
#      comes no earlier than DRDelay (10 s) and within DRDelay + 2 s of the
#      last fix, with the panel's first tab titled "DR";
#   3. a Python writer feeding COM1 (a socat pty pair) at the capture's real
#      rate (one fix a second) clears the caution (tab "NMEA"); killing the
#      writer brings it back on time, tab "DR".
# COM1 is the pty's far end, given to the program in its settings file; the
# replay feeds the GPS device attached to COM1's receive side.
# The panel's texts are read from the program's state file
# (BRINE_NAV_STATE_FILE, one line per refresh); screenshots of each stage go
# to BRINE_SHOTS_DIR when it is set.
#
# Usage: nav_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool or socat is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SKIP=77
STEP_SECONDS=${BRINE_XWIN_STEP_SECONDS:-20}   # deadline for any one thing to appear or go
SOURCE_DIR=${BRINE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
SHOTS=${BRINE_SHOTS_DIR:-}                    # screenshots go here when set
DR_DELAY=10

# ---------------------------------------------------------------------------
# Outer run: bring up the virtual display and run this script again inside it.
if [ -z "${BRINE_XWIN_INNER:-}" ]; then
    for tool in xvfb-run xdotool xauth socat; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit $SKIP
        fi
    done
    if [ ! -x "$PROGRAM" ]; then
        echo "FAIL: program not found: $PROGRAM" >&2
        exit 1
    fi
    marker_dir=$(mktemp -d "${TMPDIR:-/tmp}/brine-xwin-outer.XXXXXX") || exit 1
    trap 'rm -rf "$marker_dir"' EXIT
    # -noreset: the server must not reset when its last client goes, or a
    # client connecting at that moment (the window manager) is refused.
    # xvfb-run -a can lose a race for a display number to another xvfb-run
    # started at the same moment; the server then fails to start and our
    # inner run never begins. Only that case is tried again.
    for attempt in 1 2 3; do
        BRINE_XWIN_INNER=1 BRINE_XWIN_STARTED="$marker_dir/started" \
            xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$PROGRAM"
        rc=$?
        if [ -e "$marker_dir/started" ] || [ "$attempt" -eq 3 ]; then
            exit $rc
        fi
        echo "virtual display did not start (attempt $attempt), trying again"
        sleep "0.$((RANDOM % 9 + 1))"
    done
fi

# ---------------------------------------------------------------------------
# Inner run, on the virtual display.
: > "$BRINE_XWIN_STARTED"

work=$(mktemp -d "${TMPDIR:-/tmp}/brine-xwin.XXXXXX") || exit 1
mkdir -p "$work/config" "$work/runtime" "$work/tmp"
chmod 700 "$work/runtime"
PID=""
WM_PID=""
cleanup() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill "$PID" 2>/dev/null
        sleep 0.5
        kill -9 "$PID" 2>/dev/null
    fi
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    [ -n "${BRINE_KEEP_WORK:-}" ] && cp "$work/state.txt" /tmp/nav-state.txt 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- windows on the display:" >&2
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)' $(xdotool getwindowgeometry --shell "$w" 2>/dev/null | tr '\n' ' ')" >&2
    done
    echo "--- program output:" >&2
    cat "$work/program.log" >&2 2>/dev/null
    if [ -n "$WM_PID" ]; then
        echo "--- window manager output:" >&2
        cat "$work/wm.log" >&2 2>/dev/null
    fi
    exit 1
}

step() { echo "== $*"; }

# Poll until the named shell function succeeds, the program dies, or the
# deadline passes. The function's output is left in $FOUND.
FOUND=""
wait_for() {
    local what=$1 check=$2 deadline=$((SECONDS + STEP_SECONDS))
    while :; do
        if FOUND=$($check); then
            return 0
        fi
        if [ -n "$PID" ] && ! kill -0 "$PID" 2>/dev/null; then
            fail "program ended while waiting for: $what"
        fi
        if [ -n "$WM_PID" ] && ! kill -0 "$WM_PID" 2>/dev/null; then
            fail "window manager ended while waiting for: $what"
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            fail "not within $STEP_SECONDS s: $what"
        fi
        sleep 0.05
    done
}

# Visible windows of the program (top-level windows, dialogs and menus).
program_windows() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null; }

# The first visible window whose title is exactly $1.
window_named() {
    local w
    for w in $(program_windows); do
        # A maximised chart window adds its title to the main window's: "Brinevane - [...]".
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        "$1" | "$1 - ["*"]")
            echo "$w"
            return 0
            ;;
        esac
    done
    return 1
}

# Visible program windows other than those given.
other_windows() {
    local w x found=1
    for w in $(program_windows); do
        for x in "$@"; do
            [ "$w" = "$x" ] && continue 2
        done
        echo "$w"
        found=0
    done
    return $found
}

is_gone() { ! program_windows | grep -qx "$1"; }

# Reads a window's root position and size into X, Y, WIDTH, HEIGHT.
geometry() {
    local g
    g=$(xdotool getwindowgeometry --shell "$1") || fail "no geometry for window $1"
    eval "$g"
}

click_at() {
    xdotool mousemove --sync "$1" "$2" || fail "cannot move the mouse to $1,$2"
    xdotool click 1 || fail "cannot click at $1,$2"
}

focus() { xdotool windowfocus --sync "$1" || fail "cannot give the keyboard to window $1"; }

# ---------------------------------------------------------------------------
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-xwin-$$-$RANDOM"
unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS

# Full screen is the window manager's to grant: on a bare X server the
# program's request changes nothing. evilwm is small and answers it.
if command -v evilwm >/dev/null 2>&1; then
    evilwm -fn fixed > "$work/wm.log" 2>&1 &
    WM_PID=$!
    wm_ready() { xdotool get_num_desktops 2>/dev/null; }
    wait_for "the window manager to start" wm_ready
fi

STATE="$work/state.txt"
shot() {
    [ -n "$SHOTS" ] || return 0
    mkdir -p "$SHOTS"
    xwd -root -silent | convert xwd:- "$SHOTS/$1.png" 2>/dev/null || echo "   (no screenshot: $1)"
    echo "   screenshot $SHOTS/$1.png"
}
# The newest state line's field, e.g. field tab.
last_line() { tail -n 1 "$STATE" 2>/dev/null; }
field() { last_line | tr '\t' '\n' | sed -n "s/^$1=//p"; }

start_program() {
    : > "$STATE"
    BRINE_NAV_STATE_FILE="$STATE" BRINE_DR_DELAY_S=$DR_DELAY BRINE_NMEA_REPLAY="$1" BRINE_NMEA_REPLAY_SPEED=1 \
        TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
    PID=$!
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    DLG=$FOUND
    geometry "$DLG"
    click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24))
    main_visible() { window_named "Brinevane"; }
    wait_for "the main window 'Brinevane'" main_visible
    MAIN=$FOUND
}
stop_program() {
    kill "$PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$PID" 2>/dev/null
    PID=""
}

# Waits for the caution after the last fix and checks its timing.
check_dr_timing() {
    caution_on() { [ "$(field caution)" = 1 ] && echo on; }
    STEP_SECONDS=$((DR_DELAY + 10)) wait_for "the NMEA caution" caution_on
    local line last first_on age
    # The first state line with the caution on, and the last fix before it.
    line=$(grep -m1 "caution=1" "$STATE")
    last=$(echo "$line" | tr '\t' '\n' | sed -n 's/^lastFixMs=//p')
    first_on=$(echo "$line" | tr '\t' '\n' | sed -n 's/^monotonicMs=//p')
    age=$((first_on - last))
    echo "   caution $age ms after the last fix (DRDelay $((DR_DELAY * 1000)) ms)"
    [ "$age" -ge $((DR_DELAY * 1000)) ] || fail "caution $age ms after the last fix: before DRDelay"
    [ "$age" -le $(((DR_DELAY + 2) * 1000)) ] || fail "caution $age ms after the last fix: later than DRDelay + 2 s"
    [ "$(echo "$line" | tr '\t' '\n' | sed -n 's/^tab=//p')" = DR ] || fail "tab not DR with the caution on"
}

step "COM1 on a socat pty pair"
socat pty,raw,echo=0,link="$work/com1" pty,raw,echo=0,link="$work/feed" 2> "$work/socat.log" &
SOCAT_PID=$!
pty_ready() { [ -e "$work/com1" ] && [ -e "$work/feed" ] && echo ready; }
wait_for "the pty pair" pty_ready
mkdir -p "$XDG_CONFIG_HOME/Quorwick/Brinevane"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" \
    > "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
# The station listener on a port of this run's own, its peer file in the work folder: a run
# beside other copies of the program never meets them on the network.
station_settings() {
    { grep -v '^#end$' "$1" 2>/dev/null
      printf '[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nTCPPort=dword:%d\nFileFolder=str:%s\n#end\n' \
          $((20000 + RANDOM % 20000)) "$work"; } > "$1.new" && mv "$1.new" "$1"
}
station_settings "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"

step "1. a capture replayed at 1x: progress, position, COG and SOG"
CAPTURE="$SOURCE_DIR/tests/data/nmea/capture-08.nmea"
[ -r "$CAPTURE" ] || fail "capture not found: $CAPTURE"
start_program "$CAPTURE"
has_position() { [ -n "$(field latitude)" ] && [ -n "$(field cog)" ] && [ -n "$(field sog)" ] && last_line; }
wait_for "a position with COG and SOG on the panel" has_position
echo "   $(field tab): $(field latitude) $(field longitude) COG$(field cog) SOG $(field sog); $(field replayText)"
P1=$(field replayText | sed -n 's/.* \([0-9]*\)% of.*/\1/p')
shot nav-replay-running
panes_show() { [ -n "$(field cogPane)" ] && [ "$(field cogPane)" = "$(field cog)" ] && [ "$(field sogPane)" = "$(field sog)" ] && echo shown; }
STEP_SECONDS=5 wait_for "the status bar's COG and SOG panes to show the panel's values" panes_show
echo "   status bar: COG '$(field cogPane)' SOG '$(field sogPane)'"
sleep 2
P2=$(field replayText | sed -n 's/.* \([0-9]*\)% of.*/\1/p')
echo "   progress ${P1}% then ${P2}%"
[ -n "$P1" ] && [ -n "$P2" ] && [ "$P2" -gt "$P1" ] || fail "replay progress did not advance ($P1 -> $P2)"
[ "$(field tab)" = NMEA ] || fail "tab is '$(field tab)' during the replay"

step "2. the file ends: the simulation message goes; the caution on time, tab DR"
replay_done() { [ "$(field replay)" = 0 ] && echo done; }
STEP_SECONDS=60 wait_for "the end of the replay" replay_done
echo "   after the replay: '$(field replayText)'"
check_dr_timing
STEP_SECONDS=5 wait_for "the status bar's COG and SOG panes to show dead reckoning's" panes_show
echo "   status bar in DR: COG '$(field cogPane)' SOG '$(field sogPane)'"
shot nav-replay-dr

step "3. a Python writer on the pty at the capture's real rate clears it; killing it brings it back"
cat > "$work/writer.py" <<'PY'
# Feeds the capture into the pty at its real rate (one fix a second), round and round.
import sys, time
feed, capture = sys.argv[1], sys.argv[2]
lines = [l.rstrip('\r\n') for l in open(capture, encoding='ascii', errors='replace')]
with open(feed, 'w') as out:
    while True:
        for line in lines:
            out.write(line + '\r\n')
            if 'RMC' in line:
                out.flush()
                time.sleep(1.0)
PY
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || PYTHON=python3
"$PYTHON" "$work/writer.py" "$work/feed" "$CAPTURE" &
WRITER=$!
cleared() { [ "$(field caution)" = 0 ] && [ "$(field tab)" = NMEA ] && [ -n "$(field latitude)" ] && echo cleared; }
STEP_SECONDS=10 wait_for "the writer's fixes to clear the caution" cleared
echo "   cleared: tab $(field tab), $(field latitude) $(field longitude) COG$(field cog) SOG $(field sog)"
shot nav-writer-nmea
sleep 3
: > "$STATE"
kill "$WRITER"
wait "$WRITER" 2>/dev/null
check_dr_timing
shot nav-writer-killed
stop_program
kill "$SOCAT_PID" 2>/dev/null
echo "PASS"
