#!/bin/bash
# The program's threads stay bounded however many radar targets its log has
# seen: a GPS on COM1 and a radar on COM2 (socat pty pairs); ARPA is switched
# on from the menu (Target > ARPA > Activate/Deactivate), then the radar
# reports 500 target numbers: five rounds of its hundred numbers (00-99),
# each round tracked for a few seconds and then reported lost, so that every
# round's targets are new ones, each with a row and a track of its own in
# the open log. The program's threads (its /proc tasks) and resident memory
# are read before the first round and after the last; the threads may grow
# by a few (the shared workers), never with the targets.
#
# Usage: target_threads_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is missing.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=targetthreads
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

CONFIG="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONFIG")"
export BRINE_NAV_STATE_FILE="$work/nav.txt"

step "COM1 and COM2 on socat pty pairs: a GPS and a radar"
pty_pairs 1 2
W='Software\Quorwick\Brinevane\Default'
cat > "$CONFIG" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[$W\\Navigator\\Radar\\ARPA]
ReceiveCOMPort=dword:2
MaxTargets=dword:100
AutoDelete=str:True
WarningCircles=str:False
#end
CONF
sed -i 's/\\\\/\\/g' "$CONFIG"
station_settings "$CONFIG"
gps_writer "$work/feed1" 47.6 -122.4
start_wm
xwin_on_failure() { echo "--- files of the run:" >&2; find "$work" -type f | grep -v '/config/' | head -40 >&2; }

threads() { ls "/proc/$PID/task" | wc -l; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$PID/status"; }
# Rows of the open log (its index table, a dBASE file: the record count is
# the header's second field), the own vessel's and one for each target.
rows() {
    python3 - "$work/logs" <<'PY'
import glob, os, struct, sys
print(sum(struct.unpack("<I", open(p, "rb").read(8)[4:8])[0]
          for p in glob.glob(os.path.join(sys.argv[1], "*.dbf"))))
PY
}

start_past_disclaimer
fixed() { tail -n 1 "$BRINE_NAV_STATE_FILE" 2>/dev/null | tr '\t' '\n' | grep -q '^latitude=.' && echo yes; }
wait_for "the GPS's first fix on the Monitor" fixed
menu_path alt+t a a
sleep 3
THREADS_BEFORE=$(threads)
RSS_BEFORE=$(rss_kib)
ROWS_BEFORE=$(rows)
echo "   before the targets: $THREADS_BEFORE threads, $RSS_BEFORE KiB resident, $ROWS_BEFORE log rows"

step "500 target numbers: five rounds of 00-99, each tracked, then lost"
python3 - "$work/feed2" <<'PY' || fail "the radar feed failed"
import datetime, sys, time

def sentence(body):
    c = 0
    for ch in body:
        c ^= ord(ch)
    return "$%s*%02X\r\n" % (body, c)

# The lines of a second are spread over it, as a radar sends them: the
# program's receive queue holds 50 lines.
with open(sys.argv[1], "w") as port:
    for round_no in range(5):
        # Lost once: a further report of a number no longer tracked would
        # start a new target under it.
        for status, seconds in (("T", 4), ("L", 1), (None, 2)):
            for _ in range(seconds):
                start = time.monotonic()
                clock = datetime.datetime.now(datetime.timezone.utc).strftime("%H%M%S")
                for n in range(100 if status else 0):
                    port.write(sentence("RATTM,%02d,%.2f,%.1f,T,5.0,%.1f,T,0.50,10.0,N,R%dT%02d,%s,,%s,A"
                                        % (n, 1.0 + n * 0.03, (n * 37) % 360, (n * 53) % 360,
                                           round_no, n, status, clock)))
                    port.flush()
                    time.sleep(0.008)
                time.sleep(max(0.0, 1.0 - (time.monotonic() - start)))
PY
sleep 5
THREADS_AFTER=$(threads)
RSS_AFTER=$(rss_kib)
ROWS_AFTER=$(rows)
echo "   after 500 target numbers: $THREADS_AFTER threads, $RSS_AFTER KiB resident," \
    "$ROWS_AFTER log rows"
NEW=$((ROWS_AFTER - ROWS_BEFORE))
[ "$NEW" -ge 450 ] && [ "$NEW" -le 500 ] || fail "$NEW target rows in the log, not about 500"
[ "$THREADS_AFTER" -le $((THREADS_BEFORE + 4)) ] ||
    fail "$((THREADS_AFTER - THREADS_BEFORE)) more threads after $NEW targets"
echo "PASS: $NEW targets logged; threads $THREADS_BEFORE -> $THREADS_AFTER," \
    "resident memory $RSS_BEFORE -> $RSS_AFTER KiB"
