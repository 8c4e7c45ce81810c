#!/bin/bash
# The chart windows and the workspace on the real program, on a virtual X
# server with a small window manager, driven by mouse and keyboard:
#   1. a first start with its own settings shows a blank world chart with
#      its grid;
#   2. File > New (Ctrl+N) opens a second chart, Window > Tile lays them out,
#      the side panel is dragged to the left edge, a toolbar is dragged off
#      its row to float, and the workspace is saved under a name;
#   3. File > Exit; started again, the main window equals the one before the
#      exit (status and message bars masked: they hold the clock, the cursor
#      position and the machine's own messages);
#   4. a window moved off every screen and a chart window placed far outside
#      the main window come back where they can be seen.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
#
# Usage: chart_workspace_check.sh [path/to/brinevane]
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=charts
XWIN_TOOLS="evilwm import compare convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/shots"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"

# A settled screenshot with the pointer out of the way.
settle() {
    pointer_to 2 2
    settled_screen "$1"
}
settled_shot() {
    local out=$1 cur="$work/cur.png"
    settle "$cur"
    geometry "$MAIN"
    echo "   main window at $X,$Y ${WIDTH}x$HEIGHT"
    mask_status "$cur"
    cp "$cur" "$out"
    # The main window alone, for comparing runs whatever the frame around it;
    # the floating windows over it are kept aside in $FLOAT_RECTS (relative
    # to the main window) and compared on their own.
    local mx=$X my=$Y mw=$WIDTH mh=$HEIGHT w
    FLOAT_RECTS=""
    for w in $FLOATING; do
        geometry "$w"
        FLOAT_RECTS="$FLOAT_RECTS $((X - mx)),$((Y - my)),$((X - mx + WIDTH)),$((Y - my + HEIGHT))"
        convert "$out" -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "${out%.png}_float_$w.png"
    done
    convert "$out" -crop "${mw}x$mh+$mx+$my" +repage "${out%.png}_main.png"
}
# Paints the given rectangles (x0,y0,x1,y1 ...) over a picture, in place.
mask() {
    local pic=$1 r
    shift
    for r in "$@"; do
        convert "$pic" -fill black -draw "rectangle ${r//,/ }" "$pic"
    done
}

export XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-charts-$$-$RANDOM"

# The instruments off the serial ports: whether a machine's ports open
# (another program may hold one) must not put a message bar in one run's
# picture and not the other's.
instruments_off "$work/config/Quorwick/Brinevane/settings.conf"
station_settings "$work/config/Quorwick/Brinevane/settings.conf"

start_wm

# The DISCLAIMER is answered by its keyboard, not clicked: a click leaves the
# pointer over the chart as the main window comes, and a loaded machine may
# then show that place in the toolbar's position box in one picture and not
# in the other.
start_program() {
    TMPDIR="$work/tmp" BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1 "$PROGRAM" >> "$work/program.log" 2>&1 &
    PID=$!
    pointer_to 2 2
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    XWIN_DLG=$FOUND
    activate "$XWIN_DLG"
    xdotool key Return
    dlg_gone() { is_gone "$XWIN_DLG"; }
    wait_for "the disclaimer to close" dlg_gone
    main_visible() { window_named "Brinevane"; }
    wait_for "the main window" main_visible
    MAIN=$FOUND
}

exit_program() {
    focus "$MAIN"
    xdotool key alt+f
    menu_open() { other_windows "$MAIN" $FLOATING; }
    wait_for "the File menu" menu_open
    xdotool key x
    local menu
    menu=$(echo "$FOUND" | head -1)
    # The question is titled like the main window.
    question() {
        local w
        for w in $(other_windows "$MAIN" "$menu"); do
            [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ] && echo "$w" && return 0
        done
        return 1
    }
    wait_for "the question on exit" question
    # Return goes to the question only once the program has made it active.
    activate "$(echo "$FOUND" | head -1)"
    xdotool key Return
    local deadline=$((SECONDS + STEP_SECONDS))
    while kill -0 "$PID" 2>/dev/null; do
        [ "$SECONDS" -ge "$deadline" ] && fail "the program still runs after Yes to exit"
        sleep 0.05
    done
    wait "$PID" || fail "the program ended with an error"
    PID=""
}

FLOATING=""
step "first start: a blank world chart with its grid"
start_program
settled_shot "$SHOTS/1_first_start.png"
grid=$(count_colour "$SHOTS/1_first_start.png" "#7F0000")
[ "$grid" -gt 500 ] || fail "no grid on the first chart ($grid grid pixels)"
echo "   $grid grid pixels"

step "File > New opens a second chart; Window > Tile"
# The Window menu lists the open windows: it grows by a line per chart.
window_menu_height() {
    focus "$MAIN"
    xdotool key alt+w
    menu_open() { other_windows "$MAIN"; }
    wait_for "the Window menu" menu_open
    MENU=$(echo "$FOUND" | head -1)
    sleep 0.3
    geometry "$MENU"
}
window_menu_height
ONE_CHART=$HEIGHT
xdotool key Escape
menu_closed() { is_gone "$MENU"; }
wait_for "the Window menu to close" menu_closed
# Chart windows live inside the main window, out of xdotool's sight: the
# program reports each chart it opens (BRINE_REPORT_CHARTS).
charts_opened() { grep -c "chart opened:" "$work/program.log"; }
OPENED=$(charts_opened)
focus "$MAIN"
xdotool key ctrl+n
# With a route database to offer too, File > New asks what to make: its
# first choice, the blank chart, is selected.
chooser() { window_named "New"; }
wait_for "the File > New chooser" chooser
CHOOSER=$FOUND
activate "$CHOOSER"
xdotool key Return
another_chart() { [ "$(charts_opened)" -gt "$OPENED" ] && echo yes; }
wait_for "a second chart after File > New" another_chart
window_menu_height
[ "$HEIGHT" -gt "$ONE_CHART" ] || fail "no second chart after File > New (Window menu ${ONE_CHART} then $HEIGHT high)"
xdotool key t
settled_shot "$SHOTS/2_two_charts_tiled.png"
grid2=$(count_colour "$SHOTS/2_two_charts_tiled.png" "#7F0000")
[ "$grid2" -gt 500 ] || fail "no grid on the tiled charts ($grid2 grid pixels)"

step "the side panel dragged to the left edge; a toolbar dragged off to float"
geometry "$MAIN"
MX=$X MY=$Y MW=$WIDTH MH=$HEIGHT
# The panel's title bar is at the right, below the three toolbar rows.
drag $((MX + MW - 120)) $((MY + 140)) $((MX + 12)) $((MY + MH / 2))
# The docks move in an animation: the toolbar is taken once it has ended.
settle "$work/panel_moved.png"
# The first toolbar's handle is at the left end of the first row.
drag $((MX + 6)) $((MY + 40)) $((MX + 520)) $((MY + 640))
floats() { other_windows "$MAIN"; }
wait_for "a toolbar floating after the drag" floats
FLOATING=$(echo "$FOUND" | tr '\n' ' ')
settled_shot "$SHOTS/3_arranged.png"

# File > Workspace > $1 by keyboard: each key once the menu it opens shows.
workspace_command() {
    local open
    focus "$MAIN"
    open=$(other_windows "$MAIN" $FLOATING | wc -l)
    xdotool key alt+f
    menus() { [ "$(other_windows "$MAIN" $FLOATING | wc -l)" -gt "$open" ] && echo yes; }
    wait_for "the File menu" menus
    open=$((open + 1))
    xdotool key k
    wait_for "the Workspace menu" menus
    xdotool key "$1"
}
# The settings file is written again on every save, changed or not.
settings_time() { stat -c %y "$work/config/Quorwick/Brinevane/settings.conf"; }

step "File > Workspace > Save As... 'Voyage'"
workspace_command a
ask_visible() { window_named "Save Workspace As"; }
wait_for "the Save Workspace As question" ask_visible
focus "$FOUND"
xdotool key ctrl+a
xdotool type Voyage
xdotool key Return
saved() { grep -q 'Voyage' "$work/config/Quorwick/Brinevane/settings.conf" 2>/dev/null && echo yes; }
wait_for "the workspace in the settings file" saved
settled_shot "$SHOTS/4_before_exit.png"
BEFORE_FLOAT=$FLOAT_RECTS

step "File > Exit, start again: the same screen"
exit_program
FLOATING=""
start_program
FLOATING=$(other_windows "$MAIN" | tr '\n' ' ')
settled_shot "$SHOTS/5_after_restart.png"
[ -n "$FLOATING" ] || fail "the floating toolbar did not come back"
for f in $BEFORE_FLOAT $FLOAT_RECTS; do
    mask "$SHOTS/4_before_exit_main.png" "$f"
    mask "$SHOTS/5_after_restart_main.png" "$f"
done
diff_pixels=$(compare -metric AE "$SHOTS/4_before_exit_main.png" "$SHOTS/5_after_restart_main.png" \
    "$SHOTS/5_difference.png" 2>&1)
echo "   main window: $diff_pixels pixels differ; floating bars before at $BEFORE_FLOAT, after at $FLOAT_RECTS"
if [ "$diff_pixels" != "0" ]; then
    # A message shown meanwhile (the bar itself is masked) shortens the dock
    # area, which moves the grip dots of the dock separator: a column at most
    # 3 pixels wide is that and nothing else.
    compare "$SHOTS/4_before_exit_main.png" "$SHOTS/5_after_restart_main.png" -compose src \
        "$work/diff_only.png" 2>/dev/null
    box=$(convert "$work/diff_only.png" -fuzz 1% -trim -format "%w %h" info:)
    read -r bw bh <<< "$box"
    [ "${bw:-99}" -le 3 ] || fail "the main window after the restart differs in $diff_pixels pixels (${box})"
    echo "   only the dock separator's grip moved (${bw}x$bh)"
fi
# The floating toolbar: the same picture, at its place give or take the
# window manager's frame.
set -- $BEFORE_FLOAT
before=$1
set -- $FLOAT_RECTS
after=$1
IFS=, read -r bx by _ _ <<< "$before"
IFS=, read -r ax ay _ _ <<< "$after"
[ $((ax - bx)) -le 2 ] && [ $((bx - ax)) -le 2 ] && [ $((ay - by)) -le 2 ] && [ $((by - ay)) -le 2 ] ||
    fail "the floating toolbar came back at $after, not $before"
fb=$(ls "$SHOTS"/4_before_exit_float_*.png | head -1)
fa=$(ls "$SHOTS"/5_after_restart_float_*.png | head -1)
float_diff=$(compare -metric AE "$fb" "$fa" null: 2>&1)
[ "$float_diff" = "0" ] || fail "the floating toolbar looks different after the restart ($float_diff pixels)"

step "places off every screen come back on screen"
# The main window is moved far off and saved there; a chart window's stored
# place is put far outside the main window.
xdotool windowmove "$MAIN" 3000 2600
BEFORE_SAVE=$(settings_time)
workspace_command s
saved_again() { [ "$(settings_time)" != "$BEFORE_SAVE" ] && echo yes; }
wait_for "the workspace saved again" saved_again
exit_program
# One chart window's stored place (the first one listed) far to the left.
sed -i '0,/^NormalLeftPosition=/s/^NormalLeftPosition=\([a-z]*\):.*/NormalLeftPosition=\1:-6000/' \
    "$work/config/Quorwick/Brinevane/settings.conf"
grep -q '^NormalLeftPosition=[a-z]*:-6000' "$work/config/Quorwick/Brinevane/settings.conf" ||
    fail "no chart window place in the settings file to move"

FLOATING=""
start_program
settled_shot "$SHOTS/6_back_on_screen.png"
geometry "$MAIN"
eval "$(xdotool getdisplaygeometry --shell | sed 's/^/SCREEN_/')"
[ "$X" -lt "$SCREEN_WIDTH" ] && [ "$Y" -lt "$SCREEN_HEIGHT" ] && [ $((X + WIDTH)) -gt 0 ] ||
    fail "the main window came back off the screen at $X,$Y"
grid3=$(count_colour "$SHOTS/6_back_on_screen.png" "#7F0000")
# Compared with the same arrangement before the exit (the floating toolbar
# covers a little of the charts); a window out of sight takes half away.
grid4=$(count_colour "$SHOTS/4_before_exit.png" "#7F0000")
[ "$grid3" -ge $((grid4 * 9 / 10)) ] || fail "a chart window stayed out of sight ($grid3 grid pixels, $grid4 before)"
exit_program
echo "PASS: charts and workspace came back as they were"
