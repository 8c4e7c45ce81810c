#!/bin/bash
# "Vessel > Options..." on the real program window: the sheet opens with its
# General, Deviation and Overlays pages; a new name and a deviation typed and
# OK pressed write "<name>.vsl" in the vessel folder, which Python reads as
# 21 lines of name and numbers; the next start shows what was saved, and
# the own-vessel circle's radius spun down to 0.06 nm comes back as 0.06.
#
# Usage: vessel_window_check.sh [path/to/brinevane]
# BRINE_SHOTS_DIR, when set, keeps the screenshots there. Exit code 77
# (skipped) when xvfb-run, xdotool or ImageMagick is missing.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
IMPORT=/usr/bin/import
XWIN_NAME=vsl
XWIN_TOOLS="$IMPORT python3"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/shots"
xwin_before_cleanup() {
    if [ -n "${BRINE_SHOTS_DIR:-}" ]; then
        mkdir -p "$BRINE_SHOTS_DIR" && cp "$work"/shots/*.png "$BRINE_SHOTS_DIR"/ 2>/dev/null
    fi
}
shoot() {
    sleep 1
    "$IMPORT" -window "$1" "$work/shots/$2.png" 2>/dev/null || fail "cannot take a picture of $2"
    echo "   picture $2.png"
}

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
export XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-vsl-$$-$RANDOM"
unset BRINE_OPEN_FILES
VESSELS="$XDG_DATA_HOME/Quorwick/Brinevane/Vessel"
instruments_off "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
station_settings "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
command -v evilwm >/dev/null 2>&1 && start_wm --mask1 mod4

start_program() {
    TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
    PID=$!
    pass_disclaimer
}

open_options() {
    focus "$MAIN"
    # Edit and Vessel share Alt+E: the Vessel menu is reached from the File
    # menu, four menus to the left (Right would open the Route menu's first
    # submenu on the way).
    xdotool key alt+f
    menu_open() { other_windows "$MAIN"; }
    wait_for "the File menu" menu_open
    FILE_MENU=$FOUND
    xdotool key --delay 150 Left Left Left Left
    vessel_menu() { other_windows "$MAIN" $FILE_MENU | tail -1 | grep .; }
    wait_for "the Vessel menu" vessel_menu
    sleep 0.3
    xdotool key o
    sheet() { window_named "Vessel Options"; }
    wait_for "the Vessel Options sheet" sheet
    SHEET=$FOUND
}

step "a fresh start makes the vessel folder"
start_program
[ -d "$VESSELS" ] || fail "no vessel folder at $VESSELS"

step "Vessel > Options...: a new name, a deviation, OK"
open_options
shoot "$SHEET" vessel-general
focus "$SHEET"
xdotool key alt+n ctrl+a
xdotool type --delay 20 "Sea Lion"
xdotool key alt+l ctrl+a
xdotool type --delay 20 "31.4"
xdotool key ctrl+Tab
sleep 0.3
shoot "$SHEET" vessel-deviation
xdotool key ctrl+Tab
sleep 0.3
# The own-vessel circle's radius spun down from 0.50 to 0.06 nm.
xdotool key alt+r
xdotool key --delay 60 Down Down Down Down Down Down Down Down Down Down Down \
    Down Down Down Down Down Down Down Down Down Down Down
shoot "$SHEET" vessel-overlays
xdotool key Return
closed() { is_gone "$SHEET"; }
wait_for "the sheet to close" closed
written() { [ -s "$VESSELS/Sea Lion.vsl" ]; }
wait_for "Sea Lion.vsl" written

step "Python reads the vessel file"
python3 - "$VESSELS/Sea Lion.vsl" <<'PY' || fail "Python could not read the vessel file"
import sys
lines = open(sys.argv[1]).read().split('\n')
assert lines[-1] == '' and len(lines) == 22, lines
assert lines[0] == 'Sea Lion', lines[0]
numbers = [float(x) for x in lines[1:21]]
assert numbers[0] == 31.4, numbers
print('   ', lines[0], numbers[:4])
PY

step "the next start shows the saved particulars"
# The settings reach their file within a few seconds of the change, not only at exit.
CONF="$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
saved() { grep -q "^Name=.*Sea Lion" "$CONF"; }
wait_for "the vessel's name in the settings file" saved
stop_program
start_program
# The first run's vessel log is offered for continuing (a modal question on
# the first timer pass): yes, before the menu is used.
sleep 2
for w in $(other_windows "$MAIN"); do
    xdotool windowfocus --sync "$w" 2>/dev/null && xdotool key Return
done
sleep 0.5
open_options
shoot root vessel-screen-again

step "the circle's radius came back as set: one step up from it gives 0.08 nm"
# A radius replaced at load (1.00) would step to 1.10.
focus "$SHEET"
xdotool key ctrl+Tab ctrl+Tab alt+r Up
shoot "$SHEET" vessel-overlays-again
xdotool key Return
wait_for "the sheet to close" closed
radius() { grep -q "^WarningCirclesRadius=str:0.08$" "$CONF"; }
wait_for "a radius of 0.08 in the settings file" radius
echo "PASS"
