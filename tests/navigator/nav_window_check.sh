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
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm or socat is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SOURCE_DIR=${BRINE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
SHOTS=${BRINE_SHOTS_DIR:-}                    # screenshots go here when set
DR_DELAY=10
XWIN_NAME=nav
XWIN_TOOLS="evilwm socat"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

xwin_before_cleanup() {
    [ -n "${BRINE_KEEP_WORK:-}" ] && cp "$work/state.txt" /tmp/nav-state.txt 2>/dev/null
}

# ---------------------------------------------------------------------------
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-xwin-$$-$RANDOM"
unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS

# Full screen is the window manager's to grant: on a bare X server the
# program's request changes nothing. evilwm is small and answers it.
start_wm

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
XWIN_PIDS="$SOCAT_PID"
pty_ready() { [ -e "$work/com1" ] && [ -e "$work/feed" ] && echo ready; }
wait_for "the pty pair" pty_ready
mkdir -p "$XDG_CONFIG_HOME/Quorwick/Brinevane"
# The workspace reopened at start has the COG and SOG indicators on the Voyage toolbar.
{ printf '[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\ToolBars]\n'
  printf 'Bar59399=str:2156,2159,0,2164,619,625,32807,0,2157,0,2311,2312\n'
  printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1"
} > "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
saved_workspace "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
station_settings "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"

step "1. a capture replayed at 1x: progress, position, COG and SOG"
CAPTURE="$SOURCE_DIR/tests/data/nmea/capture-08.nmea"
[ -r "$CAPTURE" ] || fail "capture not found: $CAPTURE"
start_program "$CAPTURE"
has_position() { [ -n "$(field latitude)" ] && [ -n "$(field cog)" ] && [ -n "$(field sog)" ] && last_line; }
wait_for "a position with COG and SOG on the panel" has_position
echo "   $(field tab): $(field latitude) $(field longitude) COG$(field cog) SOG $(field sog); $(field replayText)"
# The progress in per cent of the last whole state line, when it shows one.
progress() { field replayText | sed -n 's/.* \([0-9]*\)% of.*/\1/p'; }
shows_progress() { progress | grep .; }
wait_for "the replay's progress on the panel" shows_progress
P1=$FOUND
shot nav-replay-running
# The toolbar's fields follow on the idle pass after the panel's refresh writes its line: a
# line's fields show that refresh's values or, while the idle pass is still to come, the
# line before's. Both lines are read at once.
line_field() { printf '%s\n' "$1" | tr '\t' '\n' | sed -n "s/^$2=//p"; }
panes_show() {
    local lines now before cog sog
    lines=$(tail -n 2 "$STATE" 2>/dev/null)
    now=$(printf '%s\n' "$lines" | tail -n 1)
    before=$(printf '%s\n' "$lines" | head -n 1)
    cog=$(line_field "$now" cogPane)
    sog=$(line_field "$now" sogPane)
    [ -n "$cog" ] || return 1
    { [ "$cog" = "$(line_field "$now" cog)" ] && [ "$sog" = "$(line_field "$now" sog)" ]; } ||
        { [ "$cog" = "$(line_field "$before" cog)" ] && [ "$sog" = "$(line_field "$before" sog)" ]; } ||
        return 1
    echo shown
}
STEP_SECONDS=5 wait_for "the toolbar's COG and SOG fields to show the panel's values" panes_show
echo "   toolbar: COG '$(field cogPane)' SOG '$(field sogPane)'"
progress_advanced() { local p; p=$(progress); [ -n "$p" ] && [ "$p" -gt "$P1" ] && echo "$p"; }
wait_for "the replay's progress to advance past ${P1}%" progress_advanced
echo "   progress ${P1}% then ${FOUND}%"
[ "$(field tab)" = NMEA ] || fail "tab is '$(field tab)' during the replay"

step "2. the file ends: the simulation message goes; the caution on time, tab DR"
replay_done() { [ "$(field replay)" = 0 ] && echo done; }
STEP_SECONDS=60 wait_for "the end of the replay" replay_done
echo "   after the replay: '$(field replayText)'"
check_dr_timing
STEP_SECONDS=5 wait_for "the toolbar's COG and SOG fields to show dead reckoning's" panes_show
echo "   toolbar in DR: COG '$(field cogPane)' SOG '$(field sogPane)'"
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
XWIN_PIDS="$XWIN_PIDS $WRITER"
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
