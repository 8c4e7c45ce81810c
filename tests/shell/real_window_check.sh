#!/bin/bash
# Drives the real program window on a virtual X server with the mouse and the
# keyboard, as a user would, and checks what each step does:
#   1. a mouse click on the start-up disclaimer's accept button accepts it;
#   2. the mouse opens Help, then About Brinevane... (an About window shows);
#   3. Escape closes the About window;
#   4. F11 makes the main window cover the screen, and F11 again puts it back
#      where it was (needs a window manager: evilwm is run for the whole check
#      when installed; without it this step is left out and said so);
#   5. File > Exit by keyboard asks first, and No keeps the program running;
#   6. File > Exit by keyboard, answered Yes with Return, ends it with code 0.
# Along the way: the desktop facts the program reads at start-up (screen,
# mouse with its buttons swapped for the left hand, printer, sound); a
# right-button press on a toolbar and on the side panel opens the frame's bar
# menu at once (before the release); the toolbars show drawn icons (a
# screenshot, kept in BRINE_XWIN_SHOTS when that names a folder); and the
# 1 s and 10 s jobs keep their cadence on the real timer.
#
# Usage: real_window_check.sh [path/to/brinevane]
# Run without a display of its own, it starts one with xvfb-run. Exit code 77
# (skipped) when xvfb-run or xdotool is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=xwin
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

# ---------------------------------------------------------------------------
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-xwin-$$-$RANDOM"
# No settings and no workspace: a left-handed mouse docks the side panel left
# only on a start without a workspace. The program keeps its own values: its
# station peer file and its logs lie in this run's program folder, so it meets
# no other copy of the program (its listener may find the usual port taken
# and say so on the message bar).

# Full screen is the window manager's to grant: on a bare X server the
# program's request changes nothing. evilwm is small and answers it.
if command -v evilwm >/dev/null 2>&1; then
    start_wm
fi

# A left-handed mouse: the program reads the swapped buttons at start-up.
# Restored once the main window is made, since xdotool's clicks pass through
# the same map.
LEFT_HANDED=""
if command -v xmodmap >/dev/null 2>&1 && xmodmap -e "pointer = 3 2 1" 2>/dev/null; then
    LEFT_HANDED=1
fi

# The single-instance socket goes to the temporary folder: this run's own.
TMPDIR="$work/tmp" BRINE_REPORT_DESKTOP=1 BRINE_REPORT_TIMER=1 BRINE_REPORT_FOCUS=1 "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!

step "desktop facts: screen, mouse, printer and sound as the program reads them"
facts_logged() { grep -m1 "Brinevane: desktop:" "$work/program.log"; }
wait_for "the program's desktop facts" facts_logged
FACTS=$FOUND
echo "   $FACTS"
case "$FACTS" in
    *"screen 1280x1024x24, mouse present"*) ;;
    *) fail "desktop facts do not match the virtual display (1280x1024x24, a pointer): $FACTS" ;;
esac
if [ -n "$LEFT_HANDED" ]; then
    case "$FACTS" in *"buttons swapped"*) ;; *) fail "swapped mouse buttons not seen: $FACTS" ;; esac
fi
lpstat -d >/dev/null 2>&1 || case "$FACTS" in
    *"printer absent"*) ;; *) fail "a printer reported where the system has none: $FACTS" ;; esac

step "start-up: the disclaimer shows; a mouse click on its accept button accepts it"
dlg_visible() { window_named "DISCLAIMER"; }
wait_for "the DISCLAIMER window" dlg_visible
DLG=$FOUND
# The main window was made (and its side panel docked) before the disclaimer.
[ -n "$LEFT_HANDED" ] && xmodmap -e "pointer = 1 2 3"
geometry "$DLG"
# The accept button sits centred at the foot of the dialog.
click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24))
dlg_gone() { is_gone "$DLG"; }
wait_for "the disclaimer to close after the click" dlg_gone
main_visible() { window_named "Brinevane"; }
wait_for "the main window 'Brinevane'" main_visible
MAIN=$FOUND
geometry "$MAIN"
echo "   main window $MAIN at $X,$Y, ${WIDTH}x$HEIGHT"

step "mouse: Help, About Brinevane... opens the About window"
# Where Help sits on the menu bar depends on the fonts; the keyboard opens its
# menu once to find out, and the menu drops from the item's left edge, just
# below the bar.
menu_open() { other_windows "$MAIN"; }
menus_closed() { ! other_windows "$MAIN" >/dev/null; }
geometry "$MAIN"
MAIN_Y=$Y
focus "$MAIN"
xdotool key alt+h
wait_for "the Help menu opened by Alt+H" menu_open
geometry "$(echo "$FOUND" | head -1)"
HELP_X=$((X + 8)) HELP_Y=$(((MAIN_Y + Y) / 2))
[ "$Y" -gt "$MAIN_Y" ] || fail "the Help menu does not drop below the menu bar (menu y $Y, window y $MAIN_Y)"
xdotool key Escape
wait_for "the Help menu to close on Escape" menus_closed
click_at "$HELP_X" "$HELP_Y"
wait_for "the Help menu opened by the mouse" menu_open
MENU=$(echo "$FOUND" | head -1)
geometry "$MENU"
# About Brinevane... is the last entry.
click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 10))
about_visible() { window_named "About BRINEVANE"; }
wait_for "the 'About BRINEVANE' window" about_visible
ABOUT=$FOUND
menu_gone() { is_gone "$MENU"; }
wait_for "the Help menu to close after the choice" menu_gone

step "keyboard: Escape closes the About window"
focus "$ABOUT"
xdotool key Escape
about_gone() { is_gone "$ABOUT"; }
wait_for "the About window to close on Escape" about_gone

step "toolbars: every button drawn with an icon (screenshot)"
geometry "$MAIN"
MAIN_X=$X MAIN_Y=$Y MAIN_W=$WIDTH
shot="$work/toolbars.png"
# The menu bar and the three rows of toolbars below it.
xwd -silent -id "$MAIN" 2>/dev/null | convert xwd:- -crop "${MAIN_W}x125+0+0" +repage "$shot" 2>/dev/null ||
    fail "cannot take a screenshot of the main window (xwd, convert)"
colours=$(convert "$shot" -format %k info:)
echo "   toolbar screenshot: $colours colours"
[ "$colours" -ge 64 ] || fail "the toolbars look bare ($colours colours): icons missing?"
if [ -n "${BRINE_XWIN_SHOTS:-}" ] && mkdir -p "$BRINE_XWIN_SHOTS"; then
    cp "$shot" "$BRINE_XWIN_SHOTS/toolbars.png" && echo "   saved $BRINE_XWIN_SHOTS/toolbars.png"
    xwd -silent -id "$MAIN" 2>/dev/null | convert xwd:- "$BRINE_XWIN_SHOTS/main-window.png" 2>/dev/null &&
        echo "   saved $BRINE_XWIN_SHOTS/main-window.png"
fi

# A right-button press, held: the bar menu (titled "Bars") must be open
# before the button comes up, as X11 programs open menus on the press.
bar_menu_on_press() {
    local what=$1 x=$2 y=$3
    pointer_to "$x" "$y"
    xdotool mousedown 3
    bar_menu() { window_named "Bars"; }
    wait_for "the bar menu on a right press on $what" bar_menu
    local menu=$FOUND
    xdotool key Escape
    xdotool mouseup 3
    gone() { is_gone "$menu"; }
    wait_for "the bar menu to close on Escape" gone
}
step "mouse: a right press on a toolbar and on the side panel opens the bar menu"
# The About window took the keyboard with it, and evilwm gives it to no one:
# the main window is made active first, or the press is also its activation
# and the menu it opened closes at once.
activate "$MAIN"
bar_menu_on_press "the first toolbar's handle" $((MAIN_X + 4)) $((MAIN_Y + 40))
# The side panel docks left with a left-handed mouse, right otherwise.
if [ -n "$LEFT_HANDED" ]; then PANEL_X=$((MAIN_X + 60)); else PANEL_X=$((MAIN_X + MAIN_W - 60)); fi
geometry "$MAIN"
bar_menu_on_press "the side panel" "$PANEL_X" $((Y + HEIGHT / 2))

step "timer: the 1 s and 10 s jobs keep their cadence on the real timer"
count_jobs() { grep -c "Brinevane: timer: $1 job" "$work/program.log"; }
ones_before=$(count_jobs "1 s") tens_before=$(count_jobs "10 s")
sleep 11
ones=$(($(count_jobs "1 s") - ones_before)) tens=$(($(count_jobs "10 s") - tens_before))
echo "   in 11 s: $ones runs of the 1 s job, $tens of the 10 s job"
[ "$ones" -ge 10 ] && [ "$ones" -le 12 ] || fail "the 1 s job ran $ones times in 11 s"
[ "$tens" -ge 1 ] && [ "$tens" -le 2 ] || fail "the 10 s job ran $tens times in 11 s"

if [ -n "$WM_PID" ]; then
    step "keyboard: F11 makes the main window cover the screen; F11 again puts it back"
    eval "$(xdotool getdisplaygeometry --shell | sed 's/^/SCREEN_/')"
    FULL="0,0 ${SCREEN_WIDTH}x$SCREEN_HEIGHT"
    # A first start fills a desktop without panels: the window is made
    # smaller first, so that full screen and back can be told apart.
    xdotool windowsize "$MAIN" $((SCREEN_WIDTH * 3 / 4)) $((SCREEN_HEIGHT * 3 / 4))
    smaller() { geometry "$MAIN"; [ "$X,$Y ${WIDTH}x$HEIGHT" != "$FULL" ]; }
    wait_for "the main window made smaller than the screen" smaller
    sleep 0.3
    geometry "$MAIN"
    NORMAL="$X,$Y ${WIDTH}x$HEIGHT"
    main_geometry() {
        eval "$(xdotool getwindowgeometry --shell "$MAIN")"
        echo "$X,$Y ${WIDTH}x$HEIGHT"
    }
    main_is() { [ "$(main_geometry)" = "$1" ]; }
    full_screen() { main_is "$FULL"; }
    normal_again() { main_is "$NORMAL"; }
    focus "$MAIN"
    xdotool key F11
    wait_for "the main window to cover the screen ($FULL) after F11" full_screen
    focus "$MAIN"
    xdotool key F11
    wait_for "the main window back at $NORMAL after F11 again" normal_again
else
    step "F11 full screen left out: no window manager (evilwm) installed to grant it"
fi

# File > Exit by keyboard: Alt+F opens the File menu, X chooses Exit, and a
# question titled like the main window shows.
ask_to_exit() {
    local menu
    focus "$MAIN"
    xdotool key alt+f
    wait_for "the File menu opened by Alt+F" menu_open
    menu=$(echo "$FOUND" | head -1)
    xdotool key x
    question_visible() { other_windows "$MAIN" "$menu"; }
    wait_for "the question on exit" question_visible
    QUESTION=$(echo "$FOUND" | head -1)
    [ "$(xdotool getwindowname "$QUESTION")" = "Brinevane" ] ||
        fail "the question on exit is titled '$(xdotool getwindowname "$QUESTION")', not 'Brinevane'"
    activate "$QUESTION"
}

step "keyboard: Alt+F, X asks before exiting; N keeps the program running"
ask_to_exit
xdotool key n
question_gone() { is_gone "$QUESTION"; }
wait_for "the question to close on N" question_gone
sleep 0.5   # give a wrongly accepted exit time to show
kill -0 "$PID" 2>/dev/null || fail "the program ended although the exit was declined"
is_gone "$MAIN" && fail "the main window went although the exit was declined"

step "keyboard: Alt+F, X, Return ends the program with exit code 0"
ask_to_exit
xdotool key Return
deadline=$((SECONDS + STEP_SECONDS))
while kill -0 "$PID" 2>/dev/null; do
    [ "$SECONDS" -ge "$deadline" ] && fail "the program still runs $STEP_SECONDS s after Yes to exit"
    sleep 0.05
done
wait "$PID"
rc=$?
PID=""
[ "$rc" -eq 0 ] || fail "the program ended with exit code $rc, not 0"

if [ -n "$WM_PID" ]; then
    echo "PASS: every step behaved"
else
    echo "PASS: every step run behaved (full screen left out: no window manager)"
fi
