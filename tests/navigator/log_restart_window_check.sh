#!/bin/bash
# The vessel log across a SIGTERM and a start with the GPS silent, on the real
# program window. A GPS making 20 knots off Elliott Bay writes a fix a second
# to COM1 (a socat pty pair); a voyage runs in the log "Bridge" (track points
# every 5 minutes, so only the first is due); the GPS stops, and after the
# DR delay (5 s here) "EPFS reception lost." is logged; then the program is
# told to end (SIGTERM); the workspace saves itself at the close. The log must
# hold:
#   - logbook rows dated by the computer's clock: the loss row at least 3 s
#     after the last fix, not at the last fix's time;
#   - a last track point written at the close, at most 6 s before it;
#   - the own row's end at the close, never ahead of the clock.
# The next start, with the GPS still silent, takes the voyage up and finds the
# vessel where the log last had it: the chart window that follows the vessel
# opens, and Navigator > Go To Vessel is enabled. "VesselNumber" names the
# own vessel. After the DR delay dead reckoning carries on from that place:
# the Monitor's DR tab shows it, and the voyage's new append gets the loss,
# the caution once, rows and track points. File > Exit while DR runs writes
# the closing track point once. Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: log_restart_window_check.sh [path/to/brinevane] [sample media folder]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=logrestart
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
XWIN_TOOLS="evilwm socat python3 import"
XWIN_FILES="$MEDIA/chart-medium"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA"
MEDIA=$(cd "$MEDIA" && pwd)
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$1"; }
follower_opened() { chart_opened "\[Autoscroll\]"; }
shot() { xwin_shot "logrestart_$1"; }
LOGS="$work/logs"
CONF="$work/config/Quorwick/Brinevane/settings.conf"

step "COM1 on a socat pty pair, a GPS making 20 knots south off Elliott Bay; the log Bridge"
pty_pairs 1
mkdir -p "$(dirname "$CONF")"
printf '%s\n' '[Software\Quorwick\Brinevane\Ports]' "COM1=str:$work/com1" \
    '[Software\Quorwick\Brinevane\Default\Navigator\Log]' 'InitialDatabase=str:Bridge' \
    "DatabaseFolder=str:$LOGS" '#end' > "$CONF"
station_settings "$CONF"
# The close (SIGTERM as well) saves the workspace with the log still open.
saved_workspace "$CONF" autosave
gps_writer "$work/feed1" 47.6000 -122.3700 20.0 180.0
GPS_PID=${XWIN_PIDS##* }
export BRINE_REPORT_FOCUS=1 BRINE_REPORT_CHARTS=1 BRINE_DR_DELAY_S=5
start_wm

step "a first start on the sample harbour chart RC9003; Start Voyage"
start_on_sample_harbour_chart "$MEDIA"
open_voyage() { activate "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog (a position first)" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "RESTART-1"
xdotool key Return
wait_for "the chart window that follows the vessel" follower_opened
sleep 8

step "the GPS stops; after the DR delay the loss is logged"
kill "$GPS_PID"
STOPPED=$(date -u +%s)
lost_logged() {
    /usr/bin/python3 - "$LOGS/Bridge" <<'PY'
import sys
from dbfread import DBF
rows = [r for u in DBF(sys.argv[1] + ".dbf") for r in DBF("%s.X/%08d.dbf" % (sys.argv[1], u["UNIQUE"]))]
sys.exit(0 if any((r["NOTE"] or "").startswith("EPFS reception lost") for r in rows) else 1)
PY
}
wait_for "the row \"EPFS reception lost.\"" lost_logged
# Long enough that the point dead reckoning forced at the loss is no last point.
sleep 8
shot 1_dead_reckoning

step "SIGTERM: the program ends, its track ending where the vessel is"
kill -TERM "$PID"
PID_TOLD=$PID
PID=""
gone() { ! kill -0 "$PID_TOLD" 2>/dev/null && echo yes; }
wait_for "the program to end" gone
ENDED=$(date -u +%s)
/usr/bin/python3 - "$LOGS/Bridge" "$STOPPED" "$ENDED" <<'PY' || fail "the log's times are not as they should be"
import calendar, datetime, sys
from dbfread import DBF
log, stopped, ended = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
ok = True
own = [r for r in DBF(log + ".dbf") if r["VSLTYPE"] == 1]
if len(own) != 1:
    print("   own rows: %d" % len(own)); sys.exit(1)
row = own[0]
def stamp(date, time):
    return calendar.timegm(datetime.datetime.strptime(
        "%s %s" % (date.strftime("%Y%m%d") if hasattr(date, "strftime") else date, time.replace(":", "")),
        "%Y%m%d %H%M%S").timetuple())
end = stamp(row["ENDDATE"], row["ENDTIME"])
print("   own row %d: its end %+d s from the program's end" % (row["UNIQUE"], end - ended))
if not (ended - 10 <= end <= ended):
    print("   the row's end is not the close's time"); ok = False
for r in DBF("%s.X/%08d.dbf" % (log, row["UNIQUE"])):
    t = stamp(r["DATE"], r["TIME"])
    if (r["NOTE"] or "").startswith("EPFS reception lost"):
        print("   'EPFS reception lost.' at %+d s after the GPS stopped" % (t - stopped))
        if t < stopped + 3:
            print("   the loss row has the last fix's time"); ok = False
trc = "%s.X/%08d.trc" % (log, row["UNIQUE"])
data = open(trc, "rb").read()
n = len(data) // 85
last = data[(n - 1) * 85:n * 85]
t = calendar.timegm(datetime.datetime.strptime(last[68:76].decode() + last[76:82].decode(),
                                               "%Y%m%d%H%M%S").timetuple())
print("   %d track points, the last %+d s before the end" % (n, t - ended))
if t < ended - 6:
    print("   no track point at the close"); ok = False
sys.exit(0 if ok else 1)
PY
grep -q '^VesselNumber=str:[1-9][0-9]*,1$' "$CONF" || fail "VesselNumber: $(grep VesselNumber "$CONF")"
echo "   $(grep '^VesselNumber=' "$CONF")"

# The closing point is written once: no two last points alike.
closing_point_once() {
    /usr/bin/python3 - "$LOGS/Bridge" "$1" <<'PY'
import sys
from dbfread import DBF
log, append = sys.argv[1], int(sys.argv[2])
row = [r for r in DBF(log + ".dbf") if r["VSLTYPE"] == 1 and r["APPENDNO"] == append][0]
data = open("%s.X/%08d.trc" % (log, row["UNIQUE"]), "rb").read()
n = len(data) // 85
recs = [data[i * 85:(i + 1) * 85] for i in range(n)]
if n >= 2 and recs[-1] == recs[-2]:
    print("   the closing point of append %d is written twice" % append); sys.exit(1)
PY
}
closing_point_once 1 || fail "the closing track point is written twice"

step "the next start with the GPS silent: the vessel where the log last had it"
: > "$work/program.log"
STATE="$work/nav.txt"
export BRINE_NAV_STATE_FILE="$STATE"
start_past_disclaimer --sample-media "$work/media"
wait_for "the chart window that follows the vessel (its restored place)" follower_opened
sleep 3
shot 2_restored_silent_gps
activate "$MAIN"
xdotool key alt+n
sleep 0.8
shot 3_navigator_menu
xdotool key Escape
sleep 0.3
activate "$MAIN"
xdotool key ctrl+alt+g
sleep 1
shot 4_go_to_vessel
# The logbook window: the rows of both appends, the loss row at its own time.
activate "$MAIN"
xdotool key alt+F5
sleep 2
shot 5_logbook

step "after the DR delay dead reckoning carries on from the log's place"
nav_field() { tail -n 1 "$STATE" 2>/dev/null | tr '\t' '\n' | sed -n "s/^$1=//p"; }
dr_shown() { [ "$(nav_field tab)" = DR ] && nav_field latitude | grep -q "^47" && nav_field latitude; }
wait_for "the Monitor's DR tab with a latitude" dr_shown
echo "   DR: $(nav_field status), $(nav_field latitude) $(nav_field longitude)"
dr_logged() {
    /usr/bin/python3 - "$LOGS/Bridge" <<'PY'
import os, sys
from dbfread import DBF
log = sys.argv[1]
row = [r for r in DBF(log + ".dbf") if r["VSLTYPE"] == 1 and r["APPENDNO"] == 2]
if not row:
    sys.exit(1)
u = row[0]["UNIQUE"]
notes = [(r["NOTE"] or "").strip() for r in DBF("%s.X/%08d.dbf" % (log, u))]
points = os.path.getsize("%s.X/%08d.trc" % (log, u)) // 85 if os.path.exists("%s.X/%08d.trc" % (log, u)) else 0
caution = "CAUTION. NMEA not received. Position calculation transferred to DR."
if "EPFS reception lost." in notes and notes.count(caution) == 1 and len(notes) >= 3 and points >= 1:
    print("%d rows (%s), %d track points" % (len(notes), "; ".join(n for n in notes if n), points))
    sys.exit(0)
sys.exit(1)
PY
}
wait_for "the loss, the caution once, a row and a track point in the voyage's new append" dr_logged
echo "   append 2: $FOUND"
shot 6_dead_reckoning_after_restart

step "File > Exit while dead reckoning runs: the closing track point once"
activate "$MAIN"
xdotool key alt+f
sleep 0.4
xdotool key x
answer_question alt+y "$MAIN" || true
PID_TOLD=$PID
PID=""
wait_for "the program to end" gone
closing_point_once 2 || fail "the closing track point is written twice"
echo "PASS"
