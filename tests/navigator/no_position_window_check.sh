#!/bin/bash
# A first start with the GPS port open and silent, and no log to take the
# vessel's place from: after DRDelay the program goes over to dead reckoning
# (caution on, tab "DR") with nothing to reckon from. No position appears at
# 00°00.00'N 000°00.00'E: the panel's position stays empty and Go To Vessel
# and Start/End Voyage stay grey until the first fix comes, which brings them.
# COM1 is a socat pty pair's end; the panel's texts and the two commands'
# states are read from the program's state file (BRINE_NAV_STATE_FILE).
#
# Usage: no_position_window_check.sh [path/to/brinevane]
# Exit code 77 (skipped) when xvfb-run, xdotool, evilwm or socat is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SHOTS=${BRINE_SHOTS_DIR:-}
DR_DELAY=3
XWIN_NAME=noposition
XWIN_TOOLS="evilwm socat python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

STATE="$work/state.txt"
nav_field() { tail -n 1 "$STATE" 2>/dev/null | tr '\t' '\n' | sed -n "s/^$1=//p"; }

start_wm
step "COM1 on a socat pty pair, nothing written to it"
pty_pairs 1
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$SETTINGS")"
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" > "$SETTINGS"
station_settings "$SETTINGS"

step "a first start: dead reckoning after DRDelay, with no position"
: > "$STATE"
export BRINE_NAV_STATE_FILE="$STATE" BRINE_DR_DELAY_S=$DR_DELAY
start_past_disclaimer
in_dr() { [ "$(nav_field caution)" = 1 ] && [ "$(nav_field tab)" = DR ] && echo dr; }
STEP_SECONDS=$((DR_DELAY + 15)) wait_for "the NMEA caution and the DR tab" in_dr
# A few refreshes in DR: the first DR steps have run.
lines=$(wc -l < "$STATE")
more_lines() { [ "$(wc -l < "$STATE")" -ge $((lines + 3)) ] && echo more; }
wait_for "three refreshes in dead reckoning" more_lines
xwin_shot no-position-dr
echo "   latitude '$(nav_field latitude)' longitude '$(nav_field longitude)'" \
    "goToVessel $(nav_field goToVessel) voyage $(nav_field voyage)"
[ -z "$(nav_field latitude)" ] || fail "a position shows in DR with none known: $(nav_field latitude)"
[ -z "$(nav_field longitude)" ] || fail "a longitude shows in DR with none known"
[ "$(nav_field goToVessel)" = 0 ] || fail "Go To Vessel enabled with no position known"
[ "$(nav_field voyage)" = 0 ] || fail "Start/End Voyage enabled with no position known"

step "the first fix brings the position and the commands"
gps_writer "$work/feed1" 47.7 -122.45
has_fix() { [ -n "$(nav_field latitude)" ] && [ "$(nav_field tab)" = NMEA ] && echo fix; }
wait_for "the fix on the panel" has_fix
echo "   $(nav_field latitude) $(nav_field longitude)"
case "$(nav_field latitude)" in 47*) ;; *) fail "latitude $(nav_field latitude), not the fix's" ;; esac
commands_on() { [ "$(nav_field goToVessel)" = 1 ] && [ "$(nav_field voyage)" = 1 ] && echo on; }
wait_for "Go To Vessel and Start/End Voyage enabled" commands_on
stop_program
echo "PASS"
