#!/bin/bash
# The vessel log on the real program window: a GPS writes a fix a second to
# COM1 (a socat pty pair); a voyage starts; a two-line Log Entry is written;
# the logbook window shows it; an older ".log" in the log folder is picked
# in File > Open's log chooser by "Files of type" and converted; picked a
# second time, the overwrite question answered No keeps the converted log
# and Yes backs it up and converts the older log again. The files
# are read with dbfread and the particulars file with Python's struct; the
# windows' titles are in the screenshots, which go to BRINE_SHOTS_DIR when
# it is set.
#
# Usage: logbook_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=logbook
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

shot() { xwin_shot "logbook_$1"; }
answer_no() { answer_question alt+n "$MAIN"; }
LOGS="$work/logs"

step "COM1 on a socat pty pair, a GPS off West Point on it; an older log in the log folder"
pty_pairs 1
mkdir -p "$work/config/Quorwick/Brinevane" "$LOGS"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n%s\n%s\n#end\n' "$work/com1" \
    '[Software\Quorwick\Brinevane\Default\Navigator\GPS]' 'LoggingPeriod=str:0 00:00:02' \
    > "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
gps_writer "$work/feed1" 47.6620 -122.4360 6.0 48.8
/usr/bin/python3 - "$LOGS/Winter" <<'PY' || fail "the older log could not be made"
import os, sys, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'TIME C(5); DATE C(8); LAT C(10); LNG C(10); DTM C(3); COG C(6); '
              'SOG C(6); TYPE C(12); NOTE M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('13:45', '24/12/98', '47.6', '-122.4', '-1', '123.5', '12.25', 'sys dr', 'Off Alki'))
t.append(('14:15', '24/12/98', '47.65', '-122.45', '-1', '270', '11', 'Manual', ''))
t.close()
os.rename(base + '.dbf', base + '.log')
os.rename(base + '.dbt', base + '.lom')
PY
# The program reports the window it holds active, for activate.
export BRINE_REPORT_FOCUS=1
start_wm

step "the program, a position on the monitor panel"
start_past_disclaimer

step "Start Voyage"
open_voyage() { focus "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog (a position first)" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "LV-0701"
xdotool key Return
voyage_on() { answer_no; [ -n "$(ls "$LOGS"/~d*.X/*.dbf 2>/dev/null)" ] && echo yes; }
wait_for "the voyage's logbook" voyage_on

step "a Log Entry of two lines"
focus "$MAIN"
xdotool key alt+n
sleep 0.4
xdotool key e
entry_dlg() { window_named "Log Entry"; }
wait_for "the Log Entry dialog" entry_dlg
focus "$FOUND"
xdotool type --delay 20 "Passed West Point"
xdotool key Return
xdotool type --delay 20 "wind NW 15"
shot 1_log_entry
geometry "$FOUND"
click_at $((X + WIDTH - 140)) $((Y + HEIGHT - 24)) 1
note_rows() {
    /usr/bin/python3 - "$LOGS" <<'PY'
import glob, sys
from dbfread import DBF
for p in glob.glob(sys.argv[1] + "/~d*.X/*.dbf"):
    for r in DBF(p):
        if r["NOTE"]:
            print(repr(r["NOTE"]), r["TYPE"])
PY
}
entry_written() { note_rows | grep -q "Passed West Point" && echo yes; }
wait_for "the entry in the logbook" entry_written
note=$(note_rows | grep "Passed West Point")
echo "   stored: $note"
[ "$note" = "'Passed West Point\\r\\nwind NW 15' 11" ] || fail "the note is stored as $note"

step "the particulars file beside the logbook, read by its layout"
hdr=$(ls "$LOGS"/~d*.X/*.hdr 2>/dev/null | head -1)
[ -n "$hdr" ] || fail "no particulars file in the companion folder: $(ls "$LOGS"/~d*.X)"
/usr/bin/python3 - "$hdr" <<'PY' || fail "the particulars file does not read by its layout"
import struct, sys
data = open(sys.argv[1], "rb").read()
length, draft, beam, speed = struct.unpack_from("<4d", data, 4)
(n,) = struct.unpack_from("<H", data, 164)
print("   %s: %d bytes, length %g draft %g beam %g speed %g, name %r" %
      (sys.argv[1].split("/")[-1], len(data), length, draft, beam, speed, data[166:166 + n].decode()))
sys.exit(0 if len(data) == 166 + n else 1)
PY

step "the logbook window"
focus "$MAIN"
xdotool key alt+F5
sleep 2
shot 2_logbook_window

title_has() { case "$(xdotool getwindowname "$MAIN" 2>/dev/null)" in *"$1"*) echo yes ;; esac; }
logbook_titled() { title_has "[Log Database - ~d"; }
wait_for "the logbook window's title" logbook_titled
echo "   $(xdotool getwindowname "$MAIN")"

step "File > Print Preview: the vessel log report and the log list, titled with the log"
# $1: the keys that pick the report in the chooser, none when the window in
# front previews its own report; $2: the title it must have.
preview() {
    activate "$MAIN"
    xdotool key alt+f
    sleep 0.4
    xdotool key v
    if [ -n "$1" ]; then
        chooser() { window_named "Print Preview"; }
        wait_for "the Print Preview chooser" chooser
        activate "$FOUND"
        xdotool key $1
        sleep 0.3
        xdotool key Return
    fi
    XWIN_TITLE=$2
    titled() { title_has "[$XWIN_TITLE"; }
    wait_for "the preview titled $2" titled
    echo "   $(xdotool getwindowname "$MAIN")"
}
# The logbook window in front previews its own log, no chooser between.
preview "" "Vessel Log Report - ~d"
shot 3_vessel_log_report
# The vessel log's preview in front: the chooser leaves out the open one and
# offers the chartpoint list (over the new chartpoint table of a first start)
# and, last, the log list.
preview "End" "Log Report - ~d"
shot 4_log_list_report

step "File > Open, the log chooser: Files of type, the older log picked and converted"
open_log_chooser
xdotool key alt+t Down
sleep 0.5
# The logs' tree comes just before "Files of type" in the Tab order.
xdotool key shift+Tab
sleep 0.3
xdotool key Home
shot 5_older_log_listed
xdotool key Return
converted() { answer_no; [ -f "$LOGS/Winter.dbf" ] && ! window_named "Open Log Database" >/dev/null && echo yes; }
wait_for "the older log converted" converted
sleep 1
/usr/bin/python3 - "$LOGS/Winter" <<'PY' || fail "the converted log does not read back"
import sys
from dbfread import DBF
index = list(DBF(sys.argv[1] + ".dbf"))
rows = list(DBF(sys.argv[1] + ".X/%08d.dbf" % index[0]["UNIQUE"]))
print("   Winter.dbf: %d index row(s), vessel %d append %d; %d logbook rows, first note %r" %
      (len(index), index[0]["VSLID"], index[0]["APPENDNO"], len(rows), rows[0]["NOTE"]))
sys.exit(0 if len(index) == 1 and len(rows) == 2 else 1)
PY
shot 6_converted

step "the older log picked a second time: No keeps the converted log, Yes converts it again"
# The older log picked in the chooser again, as above.
pick_older_log() {
    open_log_chooser
    xdotool key alt+t Down
    sleep 0.5
    xdotool key shift+Tab
    sleep 0.3
    xdotool key Home Return
}
# The question whether to overwrite the converted log: a message box of the
# program's own. The log open before has been closed by then.
question_shown() {
    local w
    for w in $(other_windows "$MAIN"); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ] && echo "$w" && return 0
    done
    return 1
}
# Answers it with key $1, once.
answer_overwrite() {
    XWIN_ANSWER=$1
    asked() { answer_question "$XWIN_ANSWER" "$MAIN" && echo answered; }
    wait_for "the answer to the question" asked
}
files_of() { (cd "$LOGS" && find Winter.dbf Winter.X -type f -exec md5sum {} + | sort -k2); }
pick_older_log
wait_for "the question whether to overwrite Winter.dbf" question_shown
kept=$(files_of)
shot 7_overwrite_question
asked_first=$(question_shown)
answer_overwrite alt+n
# The log left unconverted will not open: a stop box names it before a
# temporary log takes its place.
open_failed_box() {
    local w
    w=$(question_shown) && [ "$w" != "$asked_first" ] && echo "$w"
}
wait_for "the box naming the log that would not open" open_failed_box
shot 7b_open_failed
answer_overwrite Return
temporary_open() { ls "$LOGS"/~d*.dbf 2>/dev/null | head -1 | grep .; }
wait_for "a temporary log open in place of the log not converted" temporary_open
[ "$(files_of)" = "$kept" ] || fail "No changed the converted log"
[ ! -e "$LOGS/~OldLogs.Backup" ] || fail "No made a backup"
shot 8_no_kept
pick_older_log
wait_for "the question again" question_shown
answer_overwrite alt+y
backed_up() { [ -f "$LOGS/~OldLogs.Backup/Winter.dbf" ] && echo yes; }
wait_for "the converted log backed up" backed_up
sleep 1
[ "$(md5sum < "$LOGS/~OldLogs.Backup/Winter.dbf")" = "$(echo "$kept" | awk '$2 == "Winter.dbf" { print $1 "  -" }')" ] ||
    fail "the backup is not the log that was converted first"
/usr/bin/python3 - "$LOGS/Winter" <<'PY' || fail "the log converted again does not read back"
import sys
from dbfread import DBF
index = list(DBF(sys.argv[1] + ".dbf"))
rows = list(DBF(sys.argv[1] + ".X/%08d.dbf" % index[0]["UNIQUE"]))
print("   converted again: %d index row(s), %d logbook rows" % (len(index), len(rows)))
sys.exit(0 if len(index) == 1 and len(rows) == 2 else 1)
PY
shot 9_converted_again
echo "PASS"
