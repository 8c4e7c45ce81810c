#!/bin/bash
# Closing the program with a temporary log that holds rows, on the real
# program window: File > Exit asks "Save Log file?" while every window is
# still there, and Cancel keeps the program running as it was; a second Exit
# answered No ends it and deletes the temporary log.
# Screenshots go to BRINE_SHOTS_DIR when it is set.
#
# Usage: exit_question_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=exitq
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

shot() { xwin_shot "exitq_$1"; }
menu_key() { focus "$MAIN"; xdotool key "$1"; sleep 0.4; xdotool key "$2"; sleep 0.4; }
# A question box: titled with the program's name alone, not the main window.
question() {
    local w
    for w in $(other_windows "$MAIN"); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ] && { echo "$w"; return 0; }
    done
    return 1
}
temporary_logs() { find "$work/logs" -maxdepth 1 -name '~d*.dbf' 2>/dev/null; }

step "COM1 on a socat pty pair, a GPS on it"
pty_pairs 1
mkdir -p "$work/config/Quorwick/Brinevane"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" \
    > "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
gps_writer "$work/feed1" 47.5990 -122.3560 8.0 300.0
start_wm
start_past_disclaimer

step "Navigator > Data Logging: rows go into the temporary log"
wait_for "a temporary log" temporary_logs
menu_key alt+n d
has_rows() { [ "$(python3 -c 'import sys,struct; d=open(sys.argv[1],"rb").read(8); print(struct.unpack("<I", d[4:8])[0])' "$(temporary_logs | head -n1)")" -gt 0 ]; }
wait_for "the log's first row" has_rows

step "File > Exit, Yes: the save question comes while the windows are there; Cancel"
menu_key alt+f x
answer_question alt+y "$MAIN" || fail "no question whether to exit"
wait_for "the question whether to save the log" question
shot 1_save_question
SAVE_QUESTION=$FOUND
focus "$SAVE_QUESTION"
xdotool key Escape
question_gone() { is_gone "$SAVE_QUESTION" && echo gone; }
wait_for "the save question to close" question_gone
# The close runs to its end inside the answer's handling: a program that went
# on closing after the Cancel has ended before it opens a menu again.
menu_path alt+f Escape
kill -0 "$PID" 2>/dev/null || fail "the program ended although the save question was cancelled"
window_named "Brinevane" >/dev/null || fail "the main window went"
[ -n "$(temporary_logs)" ] || fail "the temporary log went"
shot 2_after_cancel

step "File > Exit again, Yes, No: the program ends and the temporary log is deleted"
menu_key alt+f x
answer_question alt+y "$MAIN" || fail "no question whether to exit"
wait_for "the question whether to save the log" question
focus "$FOUND"
xdotool key alt+n
wait_for_program_end "after No to saving the log"
[ "$EXIT_CODE" -eq 0 ] || fail "the program ended with exit code $EXIT_CODE, not 0"
[ -z "$(temporary_logs)" ] || fail "the temporary log was left: $(temporary_logs)"
echo "PASS"
