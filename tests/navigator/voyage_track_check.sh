#!/bin/bash
# A voyage's track across a restart, on the real program window: a GPS
# making way south off Elliott Bay writes a fix a second to COM1 (a socat pty
# pair); a voyage starts in the temporary log and its track is written; File >
# Exit saves the log as "Walk1" and the workspace (saved by itself at the
# close) with it; the next start takes the voyage up again (a
# new append); File > Open > Log opens Walk1 again, appended to (a third
# append). The following chart window then draws the whole voyage's track:
# the first session's part as well as the newest. Screenshots go to
# BRINE_SHOTS_DIR when it is set.
#
# Usage: voyage_track_check.sh [path/to/brinevane] [sample media folder]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=voytrack
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
XWIN_TOOLS="evilwm socat python3 import"
XWIN_FILES="$MEDIA/chart-medium"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA"
MEDIA=$(cd "$MEDIA" && pwd)
chart_opened() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$1"; }

shot() { xwin_shot "voytrack_$1"; }
menu_key() { focus "$MAIN"; xdotool key "$1"; sleep 0.4; xdotool key "$2"; sleep 0.4; }
answer_no() { answer_question alt+n "$MAIN"; }
follower_opened() { chart_opened "\[Autoscroll\]"; }
LOGS="$work/logs"

step "COM1 on a socat pty pair, a GPS making 200 knots south off Elliott Bay"
pty_pairs 1
mkdir -p "$work/config/Quorwick/Brinevane"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\n%s\n#end\n' "$work/com1" \
    '[Software\Quorwick\Brinevane\Default\Navigator]' 'VesselPlotFixFreq=str:0 00:00:02' \
    > "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
# The close saves the workspace, with the log still open: the next start reopens it.
saved_workspace "$work/config/Quorwick/Brinevane/settings.conf" autosave
gps_writer "$work/feed1" 47.6300 -122.3700 200.0 180.0
export BRINE_REPORT_FOCUS=1 BRINE_REPORT_CHARTS=1
start_wm

step "a first start with the sample media: Larger Scale twice to the harbour chart RC9003"
start_on_sample_harbour_chart "$MEDIA"

step "Start Voyage in the temporary log; the track is written for 12 s"
open_voyage() { focus "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog (a position first)" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "WALK-1"
xdotool key Return
follow_or_ask() { answer_no; follower_opened; }
wait_for "the chart window that follows the vessel" follow_or_ask
sleep 12
shot 1_first_session

step "File > Exit, the log saved as Walk1"
menu_key alt+f x
answer_question alt+y "$MAIN" || fail "no question whether to exit"
save_dialog() { answer_question alt+y "$MAIN"; window_named "Save Log Database"; }
wait_for "the Save Log Database dialog" save_dialog
activate "$FOUND"
xdotool key alt+n
xdotool type --delay 20 "Walk1"
xdotool key Return
PID_SAVED=$PID
PID=""
gone() { ! kill -0 "$PID_SAVED" 2>/dev/null && echo yes; }
wait_for "the program to end" gone
[ -f "$LOGS/Walk1.dbf" ] || fail "no Walk1.dbf in $(ls "$LOGS")"

step "the next start takes the voyage up; File > Open > Log > Walk1, appended to"
: > "$work/program.log"
start_past_disclaimer
wait_for "the following window after the restart" follower_opened
sleep 4
shot 2_after_restart
open_log_chooser
# From the folder, Tab reaches the logs' tree.
xdotool key Tab Home
sleep 0.3
shot 3_log_chooser
xdotool key Return
dlg_gone() { window_named "Open Log Database" >/dev/null || echo yes; }
wait_for "the log to open" dlg_gone
sleep 4
shot 4_reopened
/usr/bin/python3 - "$LOGS/Walk1" <<'PY' || fail "Walk1 does not hold the voyage's three appends"
import os, sys
from dbfread import DBF
rows = list(DBF(sys.argv[1] + ".dbf"))
for r in rows:
    trc = "%s.X/%08d.trc" % (sys.argv[1], r["UNIQUE"])
    r["points"] = os.path.getsize(trc) // 85 if os.path.exists(trc) else 0
    print("   row %d: vessel %d append %d voyage %r, %d track points" %
          (r["UNIQUE"], r["VSLID"], r["APPENDNO"], r["VOYAGEID"], r["points"]))
ok = [(r["VSLID"], r["APPENDNO"], r["VOYAGEID"]) for r in rows] == \
    [(rows[0]["VSLID"], n, "WALK-1") for n in (1, 2, 3)] and all(r["points"] > 0 for r in rows)
sys.exit(0 if ok else 1)
PY
echo "PASS"
