#!/bin/bash
# Two stations on one vessel log, each the real program on its own address
# (127.0.0.2 and 127.0.0.3) with its own settings, both keeping the log in one
# folder. A has a GPS on COM1 and logs a row every 2 s; B has a GPS of its own
# and logs nothing.
# - B's logbook window follows A's rows as A's row notices come in.
# - B switches logging on (a logbook entry needs it), writes an entry and
#   switches logging off again: A hears B's row notice.
# - The rows table is held locked from outside for 8 s: A waits a bounded
#   time each pass, keeps its rows, names the station last heard on its
#   message bar, and writes every kept row once the lock goes (no row lost).
# The script checks the log's files (dbfread); what each window shows, B's
# list and A's message bar, is in the screenshots, which go to BRINE_SHOTS_DIR
# when it is set.
#
# Usage: shared_log_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=sharedlog
XWIN_SCREEN=1700x1024x24
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

shot() { xwin_shot "shared_$1"; }

PORT=$((20000 + RANDOM % 20000))
mkdir -p "$work/logs" "$work/peers"
# The settings of one station: $1 its folder, $2 its address, $3 logging on.
station() {
    mkdir -p "$1/config/Quorwick/Brinevane" "$1/home" "$1/data" "$1/runtime" "$1/tmp"
    chmod 700 "$1/runtime"
    cat > "$1/config/Quorwick/Brinevane/settings.conf" <<CONF
$4
[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]
TCPPort=dword:$PORT
FileFolder=str:$work/peers
IPAddress=str:$2
[Software\\Quorwick\\Brinevane\\Default\\Navigator]
SaveToLogBookOn=str:$3
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\GPS]
LoggingPeriod=str:0 00:00:02
[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]
DatabaseFolder=str:$work/logs
InitialDatabase=str:Bridge
#end
CONF
    saved_workspace "$1/config/Quorwick/Brinevane/settings.conf"
}
# Gives station B's main window the keyboard and waits until B has taken it
# as its active window (B reports each change with BRINE_REPORT_FOCUS). The
# window manager's focus follows the pointer, so the pointer goes into B
# first; the two windows lie side by side, for where they overlapped a menu
# B opened closed again at once and its keys were lost.
activate_b() {
    pointer_to 1300 500
    focus "$MAIN_B"
    b_active() {
        grep "Brinevane: focus: " "$work/b/program.log" | tail -n 1 | grep -q "focus: $MAIN_B " &&
            echo yes
    }
    wait_for "B to take its main window as the active one" b_active
}
# Starts the program of station folder $1 past its disclaimer; its id in $PID, main window in $MAIN.
start_station() {
    export HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data"
    export XDG_RUNTIME_DIR="$1/runtime" BRINE_INSTANCE_NAME="brine-shared-$$-$2"
    TMPDIR="$1/tmp" BRINE_REPORT_FOCUS=1 "$PROGRAM" > "$1/program.log" 2>&1 &
    PID=$!
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window of $2" dlg_visible
    focus "$FOUND"
    xdotool key Return
    main_visible() { window_named "Brinevane"; }
    wait_for "the main window of $2" main_visible
    MAIN=$FOUND
}
# Rows in the log's tables (every vessel), read by dbfread.
rows_in_log() {
    /usr/bin/python3 - "$work/logs/Bridge.X" <<'PY'
import glob, sys
from dbfread import DBF
print(sum(len(list(DBF(p))) for p in glob.glob(sys.argv[1] + "/*.dbf")))
PY
}
xwin_on_failure() {
    echo "--- station B output:" >&2
    cat "$work/b/program.log" >&2 2>/dev/null
}

step "COM1 of each station on a socat pty pair, a GPS off Shilshole Bay on each"
pty_pairs 1 2
gps_writer "$work/feed1" 47.6800 -122.4200
gps_writer "$work/feed2" 47.6800 -122.4200
station "$work/a" 127.0.0.2 True "$(printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s' "$work/com1")"
station "$work/b" 127.0.0.3 False "$(printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s' "$work/com2")"
start_wm

step "station A, logging"
start_station "$work/a" A
PID_A=$PID MAIN_A=$MAIN
XWIN_PIDS="$XWIN_PIDS $PID_A"
xdotool windowmove "$MAIN_A" 0 0 windowsize "$MAIN_A" 800 1000
has_rows() { [ -d "$work/logs/Bridge.X" ] && [ "$(rows_in_log 2>/dev/null)" -ge 2 ] && echo yes; }
wait_for "A's first rows in the shared log" has_rows

step "station B on the same log: its logbook window follows A's rows"
start_station "$work/b" B
PID_B=$PID MAIN_B=$MAIN
XWIN_PIDS="$XWIN_PIDS $PID_B"
xdotool windowmove "$MAIN_B" 860 0 windowsize "$MAIN_B" 800 1000
# The side panel put away so the logbook window has the width; the window opens at once.
MAIN=$MAIN_B
activate_b
menu_path alt+v p
xdotool key alt+F5
before=$(rows_in_log)
grew() { [ "$(rows_in_log)" -gt "$before" ] && echo yes; }
wait_for "A's rows to grow while B watches (from $before)" grew
after=$(rows_in_log)
echo "   rows $before -> $after"
shot 1_b_follows_a

step "B logs, writes a logbook entry and stops logging: A hears B's row notice"
entry_before=$(rows_in_log)
# Navigator > Data Logging, then Logbook Entry... (enabled while logging at a position).
# Each key waits for its menu to open or close, however slow the machine.
activate_b
menu_path alt+n d
menu_path alt+n e
entry_dlg() { window_named "Log Entry"; }
wait_for "the Log Entry dialog" entry_dlg
focus "$FOUND"
xdotool type --delay 20 "Watch handed over off Shilshole"
# Return is a new line in the note: OK, left of Cancel at the bottom right, is clicked.
geometry "$FOUND"
click_at $((X + WIDTH - 140)) $((Y + HEIGHT - 24))
entry_written() { [ "$(rows_in_log)" -gt "$entry_before" ] && ! entry_dlg >/dev/null && echo yes; }
wait_for "B's entry in the log" entry_written
activate_b
menu_path alt+n d

step "an outside lock on A's rows table for 8 s: A waits, keeps its rows, then writes them"
PID=$PID_A
table=$(ls "$work/logs/Bridge.X/"*.dbf | head -1)
python3 - "$table" "$work/locked" "$work/release" <<'PY' &
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR)
# The table lock's range (a dBASE-style lock region past any real data).
fcntl.lockf(fd, fcntl.LOCK_EX, 0x3FFFFFFF, 0x40000000)
open(sys.argv[2], "w").close()
while not os.path.exists(sys.argv[3]):
    time.sleep(0.1)
PY
LOCKER=$!
locked() { [ -e "$work/locked" ] && echo yes; }
wait_for "the outside lock" locked
held_from=$(rows_in_log)
sleep 8
held_rows=$(rows_in_log)
shot 2_a_waits_for_the_lock
: > "$work/release"
wait "$LOCKER"
[ "$held_rows" -eq "$held_from" ] || fail "rows were written through the lock ($held_from, $held_rows)"
kept_written() { [ "$(rows_in_log)" -ge $((held_from + 2)) ] && echo yes; }
wait_for "A's kept rows after the lock" kept_written
sleep 1
echo "   rows while locked $held_rows, after $(rows_in_log)"
# Kept rows keep the time they were taken: a row lost under the 8 s lock would leave a gap of
# 8 s or more; rows come every 2-3 s.
/usr/bin/python3 - "$table" <<'PY' || fail "the rows' times have a gap"
import sys
from dbfread import DBF
rows = list(DBF(sys.argv[1]))
times = [int(r["TIME"][0:2]) * 3600 + int(r["TIME"][2:4]) * 60 + int(r["TIME"][4:6]) for r in rows]
gaps = [b - a for a, b in zip(times, times[1:])]
print("   %d rows, %s to %s, longest gap %d s" % (len(rows), rows[0]["TIME"], rows[-1]["TIME"], max(gaps)))
sys.exit(0 if max(gaps) <= 7 else 1)
PY
shot 3_after_the_lock
echo "PASS"
