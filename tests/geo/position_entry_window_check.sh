#!/bin/bash
# The position entry field in a dialog of the real program, on a virtual X
# server under evilwm, driven with xdotool: Navigator > Position Source, Dead
# Reckoning, and the keyboard Tabbed on to the Position field:
#   1. the field reads in the Workspace page's format (2 decimals of
#      minutes); Home selects the latitude degrees, digits typed go in field
#      by field (Right to the next) and letters other than the hemisphere's
#      are ignored;
#   2. a degree of latitude past 90 is refused at the key: the text stays as
#      it was before the refused digit;
#   3. the Up key held for about a second steps the minutes once at once and
#      then every 300 ms, not at the fast rate, and stops on release;
#   4. OK takes the typed position: the vessel is there (the navigator's
#      state file), and the dialog opened again shows it in its field.
# The field's text is read through the clipboard (Ctrl+A, Ctrl+C).
#
# Usage: position_entry_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat or
# Python's tkinter.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=posentry
XWIN_TOOLS="evilwm socat /usr/bin/python3"
if [ -z "${BRINE_XWIN_INNER:-}" ] && ! python3 -c 'import tkinter' 2>/dev/null; then
    echo "SKIP: Python's tkinter is not installed"
    exit 77
fi
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SHOTS=${BRINE_SHOTS_DIR:-}
STATE="$work/nav.txt"
nav_field() { tail -n 1 "$STATE" 2>/dev/null | tr '\t' '\n' | sed -n "s/^$1=//p"; }
xwin_on_failure() { echo "--- last state line:" >&2; tail -n 1 "$STATE" >&2 2>/dev/null; }

# The text of the field holding the keyboard, through the emptied clipboard;
# Home then selects the latitude degrees again.
CLIP=""
field_text() {
    clipboard_clear
    xdotool key ctrl+a ctrl+c
    clip_taken() { clipboard_text | grep .; }
    wait_for "the field's text on the clipboard" clip_taken
    CLIP=$FOUND
    xdotool key Home
}
# Fails unless the field reads $1.
field_reads() {
    field_text
    echo "   field: '$CLIP'"
    [ "$CLIP" = "$1" ] || fail "$2: the field reads '$CLIP', not '$1'"
}

step "COM1 on a socat pty pair with nothing on it; 2 decimals of minutes stored"
pty_pairs 1
CONF="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONF")"
printf '%s\n' '[Software\Quorwick\Brinevane\Ports]' "COM1=str:$work/com1" \
    '[Software\Quorwick\Brinevane\Default]' 'DecimalPlaces=dword:2' \
    'DisplayDegMinSecPosition=str:False' '#end' > "$CONF"
station_settings "$CONF"
export BRINE_REPORT_FOCUS=1 BRINE_NAV_STATE_FILE="$STATE"
start_wm
start_past_disclaimer

# Navigator > Position Source, Dead Reckoning chosen, and Tab on past the
# course, speed, set, drift, COG and SOG fields until the field holding the
# keyboard reads as a position.
open_position_field() {
    activate "$MAIN"
    menu_path alt+n p
    dialog_open() { window_named "Position Source"; }
    wait_for "the Position Source dialog" dialog_open
    DIALOG=$FOUND
    activate "$DIALOG"
    xdotool key alt+d
    sleep 0.3
    local i
    for i in $(seq 12); do
        xdotool key Tab
        sleep 0.1
        field_text
        case "$CLIP" in *°*N*°*[EW]) return 0 ;; esac
    done
    fail "no position field in the Position Source dialog's Tab order"
}

step "1. Tab into the field; 47 39.12 N 122 26.16 W typed field by field"
open_position_field
field_reads "00°00.00N  000°00.00E" "a vessel without a position"
xdotool type --delay 40 "47"
xdotool key Right
xdotool type --delay 40 "3x9q12"   # x and q are no part of a position
xdotool key Right
xdotool type --delay 40 "n"
xdotool key Right
xdotool type --delay 40 "122"
xdotool key Right
xdotool type --delay 40 "2616"
xdotool key Right
xdotool type --delay 40 "w"
field_reads "47°39.12N  122°26.16W" "the typed position"
xwin_shot posentry_1_typed

step "2. latitude degrees 95: the 5 is refused, 09 stays"
xdotool type --delay 40 "95"
field_reads "09°39.12N  122°26.16W" "a latitude past 90"
xdotool type --delay 40 "47"   # the field selected afresh by Home
field_reads "47°39.12N  122°26.16W" "the degrees typed again"

step "3. Up held about a second on the minutes: once at once, then every 300 ms"
xdotool key Right
xdotool keydown Up
sleep 1.1
xdotool keyup Up
sleep 0.5   # a spin still running would step on meanwhile
field_text
echo "   field: '$CLIP'"
minutes=$(echo "$CLIP" | sed -n 's/^47°\([0-9][0-9]\)\.12N  122°26\.16W$/\1/p')
[ -n "$minutes" ] || fail "the held Up key changed more than the minutes: '$CLIP'"
steps=$((10#$minutes - 39))
# One step at once and one at each of the ticks at 300, 600 and 900 ms; the
# fast rate (50 ms) would have made many more.
[ "$steps" -ge 2 ] && [ "$steps" -le 5 ] ||
    fail "the held Up key stepped the minutes $steps times, not 2 to 5"
xwin_shot posentry_3_spun

step "4. OK: the vessel goes to the typed position"
xdotool key Return
dialog_gone() { is_gone "$DIALOG"; }
wait_for "the dialog to close" dialog_gone
WANT_LAT="47°$minutes.12'N"
at_position() {
    [ "$(nav_field latitude)" = "$WANT_LAT" ] && [ "$(nav_field longitude)" = "122°26.16'W" ] &&
        echo yes
}
wait_for "the vessel at $WANT_LAT 122°26.16'W" at_position
open_position_field
field_reads "47°$minutes.12N  122°26.16W" "the dialog opened again"
xdotool key Escape
echo "PASS: the position field takes keys field by field, refuses a bad degree and spins on a held key"
