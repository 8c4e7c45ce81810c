#!/bin/bash
# The position format of Tools > Options > Workspace on the Monitor panel and
# in the logbook window of the real program, on a virtual X server under
# evilwm, driven with xdotool; a GPS off West Point writes to COM1 (a socat
# pty pair):
#   1. a start with 3 decimal places and degrees, minutes and seconds stored:
#      the panel's latitude and longitude read in that form; a voyage is
#      started and the logbook window (Alt+F5) lists its rows in it too;
#   2. Tools Options, 1 decimal place and degrees and decimal minutes, OK:
#      the panel and the logbook window's rows take the new form without a
#      restart.
# What the panel and the window show is read from the state file the
# program writes for scripted checks (BRINE_NAV_STATE_FILE); screenshots go
# to BRINE_SHOTS_DIR when it is set.
#
# Usage: position_format_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm, socat or python3 is
# not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
XWIN_NAME=posformat
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

shot() { xwin_shot "posformat_$1"; }
STATE="$work/nav.txt"
# A field of the last state line (tab-separated "name=value").
nav_field() { tail -n 1 "$STATE" 2>/dev/null | tr '\t' '\n' | sed -n "s/^$1=//p"; }
# Waits for field $1 to match the pattern $2 (grep -x) on a line written after now.
shows() {
    XWIN_FIELD=$1 XWIN_WANT=$2
    XWIN_FROM=$(state_lines)
    field_shows() {
        [ "$(state_lines)" -gt "$XWIN_FROM" ] &&
            nav_field "$XWIN_FIELD" | grep -qx -- "$XWIN_WANT" && nav_field "$XWIN_FIELD"
    }
    wait_for "$1 to read '$2'" field_shows
    echo "   $1: '$FOUND'"
}
xwin_on_failure() { echo "--- last state line:" >&2; tail -n 1 "$STATE" >&2; }

# The GPS lies at 47 39.72' N, 122 26.16' W: 47 39' 43.2" N, 122 26' 09.6" W.
DMS3_LAT="47°39'43.200N"
DMS3_LON="122°26'09.600W"
DM1_LAT="47°39.7'N"
DM1_LON="122°26.2'W"

step "COM1 on a socat pty pair, a GPS off West Point; 3 decimals of seconds stored"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
{ current_workspace_lines
printf '%s\n' '[Software\Quorwick\Brinevane\Ports]' "COM1=str:$work/com1" \
    '[Software\Quorwick\Brinevane\Default]' 'DecimalPlaces=dword:3' \
    'DisplayDegMinSecPosition=str:True' \
    '[Software\Quorwick\Brinevane\Default\Navigator\GPS]' 'LoggingPeriod=str:0 00:00:02' \
    '#end'; } > "$CONF"
station_settings "$CONF"
gps_writer "$work/feed1" 47.662 -122.436
export BRINE_REPORT_FOCUS=1 BRINE_NAV_STATE_FILE="$STATE"
start_wm
start_past_disclaimer

step "1. the Monitor panel in the stored form"
focus "$MAIN"
xdotool key F9
shows latitude "$DMS3_LAT"
shows longitude "$DMS3_LON"
shot 1_monitor_seconds

step "   a voyage, and the logbook window lists its rows in the same form"
open_voyage() { focus "$MAIN"; xdotool key ctrl+alt+v; sleep 0.5; window_named "Start Voyage"; }
wait_for "the Start Voyage dialog" open_voyage
focus "$FOUND"
xdotool key alt+v
xdotool type --delay 20 "PF-0001"
xdotool key Return
# Any question on the way (a log to make) answered No.
voyage_on() { answer_question alt+n "$MAIN"; window_named "Start Voyage" > /dev/null || echo yes; }
wait_for "the voyage to start" voyage_on
focus "$MAIN"
xdotool key alt+F5
shows logbookLatitude "$DMS3_LAT"
shows logbookLongitude "$DMS3_LON"
shot 2_logbook_seconds

step "2. Tools Options: 1 decimal place, degrees and decimal minutes, OK"
menu_path alt+o o
sheet_visible() { window_named "Tools Options"; }
wait_for "the sheet captioned \"Tools Options\"" sheet_visible
SHEET=$FOUND
activate "$SHEET"
options_decimal_places
xdotool key ctrl+a
xdotool type --delay 30 1
options_decimal_minutes
sleep 0.3
shot 3_options
xdotool key Return
sheet_gone() { is_gone "$SHEET"; }
wait_for "the sheet to close" sheet_gone
shows latitude "$DM1_LAT"
shows longitude "$DM1_LON"
shows logbookLatitude "$DM1_LAT"
shows logbookLongitude "$DM1_LON"
shot 4_minutes
echo "PASS: the Monitor panel and the logbook window follow the Workspace page's format"
