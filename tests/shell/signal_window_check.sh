#!/bin/bash
# The real program ended by the desktop: SIGTERM, as a logout or a system
# shutdown sends it, while a GPS on COM1 (a socat pty pair) feeds the vessel
# log of a voyage. The program closes as File > Exit does, without a
# question, and exits with status 0 within 3 s; the log's index and logbook
# are closed cleanly (dbtool), the vessel's row ended and its rows there
# (dbfread); the next start asks whether to go on in that log, and Yes goes
# on in it, the earlier rows as they were.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat or python3.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=signal
XWIN_TOOLS="evilwm socat python3"
DBTOOL=$(dirname "$PROGRAM")/dbtool
XWIN_FILES=$DBTOOL
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"

step "COM1 on a socat pty pair, a GPS on it making 6 knots; a log row every 2 s, in the work folder"
pty_pairs 1
mkdir -p "$(dirname "$SETTINGS")"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\nLoggingPeriod=str:0 00:00:02\n#end\n' \
    "$work/com1" '[Software\Quorwick\Brinevane\Default\Navigator\GPS]' > "$SETTINGS"
private_logs "$SETTINGS"
# The close saves the workspace with the log still open: the next start finds that log.
saved_workspace "$SETTINGS" autosave
gps_writer "$work/feed1" 47.60 -122.40 6 45
start_wm
start_past_disclaimer

xwin_on_failure() { find "$work/logs" >&2; }
logs() { find "$work/logs" -maxdepth 1 -name '~d*.dbf' 2>/dev/null; }
rows_of() {
    /usr/bin/python3 - "$1" <<'PY' 2>/dev/null
import sys, dbfread
print(len(list(dbfread.DBF(sys.argv[1], encoding='cp1252'))))
PY
}
# Starting the voyage offers to save the rows logged before it: No, as the logbook check answers.
logged() {
    local log
    answer_question alt+n "$MAIN"
    log=$(logs | head -1)
    [ -n "$log" ] && [ "$(rows_of "${log%.dbf}.X/00000001.dbf")" -ge 1 ] 2>/dev/null && echo "$log"
}
step "Start Voyage; rows every 2 s"
open_voyage() { focus "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog (a position first)" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "SIG-1"
xdotool key Return
STEP_SECONDS=30 wait_for "the vessel log with a row" logged
LOG=${FOUND%.dbf}
echo "   log $LOG.dbf"

step "SIGTERM: the program closes without a question and exits with status 0"
START=$(date +%s%N)
kill -TERM "$PID"
for _ in $(seq 1 100); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$PID" 2>/dev/null && fail "still running 5 s after SIGTERM"
wait "$PID"
RC=$?
TOOK=$((($(date +%s%N) - START) / 1000000))
PID=""
echo "   exit status $RC after $TOOK ms"
[ "$RC" -eq 0 ] || fail "exit status $RC"
[ "$TOOK" -lt 3000 ] || fail "took $TOOK ms"
grep -q "SIGTERM received; closing." "$work/program.log" || fail "the close was not the program's own"

step "the log stays, closed cleanly, the vessel's row ended"
[ "$(logs | wc -l)" -eq 1 ] || fail "logs: $(logs)"
for table in "$LOG.dbf" "$LOG.X/00000001.dbf"; do
    STAT=$("$DBTOOL" stat "$table" 2>&1) || fail "dbtool: $STAT"
    echo "$STAT" | grep -q "closed cleanly" || fail "$table: $STAT"
    echo "$STAT" | grep -q "warning" && fail "$table: $STAT"
done
ENDED=$(/usr/bin/python3 - "$LOG.dbf" <<'PY'
import sys, dbfread
for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):
    print(r['ENDDATE'] is not None and r['ENDTIME'].strip() != '')
PY
)
[ "$ENDED" = "True" ] || fail "index rows ended: $ENDED"
ROWS=$(rows_of "$LOG.X/00000001.dbf")
echo "   $ROWS logbook rows"

step "the next start asks whether to go on in that log; Yes goes on in it"
start_past_disclaimer
question() { other_windows "$MAIN" | head -1 | grep .; }
wait_for "the question about the last log" question
focus "$FOUND"
xdotool key alt+y
QUESTION=$FOUND
asked_gone() { is_gone "$QUESTION" && echo gone; }
wait_for "the question to close" asked_gone
# The vessel goes on in the same log, in a logbook of its next append.
grown() { [ "$(rows_of "$LOG.X/00000002.dbf")" -ge 1 ] 2>/dev/null && echo more; }
STEP_SECONDS=30 wait_for "rows after the earlier ones, in the same log" grown
[ "$(rows_of "$LOG.X/00000001.dbf")" -eq "$ROWS" ] || fail "the earlier rows changed"
[ "$(logs)" = "$LOG.dbf" ] || fail "logs: $(logs)"
stop_program
echo "PASS"
