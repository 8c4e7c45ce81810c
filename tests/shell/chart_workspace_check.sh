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
SKIP=77
STEP_SECONDS=${BRINE_XWIN_STEP_SECONDS:-20}

if [ -z "${BRINE_XWIN_INNER:-}" ]; then
    for tool in xvfb-run xdotool xauth evilwm import compare convert; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit $SKIP
        fi
    done
    [ -x "$PROGRAM" ] || { echo "FAIL: program not found: $PROGRAM" >&2; exit 1; }
    marker_dir=$(mktemp -d "${TMPDIR:-/tmp}/brine-charts-outer.XXXXXX") || exit 1
    trap 'rm -rf "$marker_dir"' EXIT
    for attempt in 1 2 3; do
        BRINE_XWIN_INNER=1 BRINE_XWIN_STARTED="$marker_dir/started" \
            xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$PROGRAM"
        rc=$?
        if [ -e "$marker_dir/started" ] || [ "$attempt" -eq 3 ]; then
            exit $rc
        fi
        sleep "0.$((RANDOM % 9 + 1))"
    done
fi

: > "$BRINE_XWIN_STARTED"
work=$(mktemp -d "${TMPDIR:-/tmp}/brine-charts.XXXXXX") || exit 1
mkdir -p "$work/config" "$work/data" "$work/runtime" "$work/tmp" "$work/shots"
chmod 700 "$work/runtime"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
PID=""
WM_PID=""
cleanup() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill "$PID" 2>/dev/null
        sleep 0.5
        kill -9 "$PID" 2>/dev/null
    fi
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output:" >&2
    cat "$work/program.log" >&2 2>/dev/null
    exit 1
}
step() { echo "== $*"; }

FOUND=""
wait_for() {
    local what=$1 check=$2 deadline=$((SECONDS + STEP_SECONDS))
    while :; do
        if FOUND=$($check); then
            return 0
        fi
        if [ -n "$PID" ] && ! kill -0 "$PID" 2>/dev/null; then
            fail "program ended while waiting for: $what"
        fi
        [ "$SECONDS" -ge "$deadline" ] && fail "not within $STEP_SECONDS s: $what"
        sleep 0.05
    done
}
program_windows() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null; }
window_named() {
    local w
    for w in $(program_windows); do
        # A maximised chart window adds its title to the main window's: "Brinevane - [...]".
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        "$1" | "$1 - ["*"]")
            echo "$w"
            return 0
            ;;
        esac
    done
    return 1
}
other_windows() {
    local w x found=1
    for w in $(program_windows); do
        for x in "$@"; do
            [ "$w" = "$x" ] && continue 2
        done
        echo "$w"
        found=0
    done
    return $found
}
is_gone() { ! program_windows | grep -qx "$1"; }
geometry() {
    local g
    g=$(xdotool getwindowgeometry --shell "$1") || fail "no geometry for window $1"
    eval "$g"
}
click_at() {
    xdotool mousemove --sync "$1" "$2" click 1 || fail "cannot click at $1,$2"
}
focus() { xdotool windowfocus --sync "$1" || fail "cannot give the keyboard to window $1"; }
# A mouse drag in small steps, so the program sees a drag start and follows it.
drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 i
    xdotool mousemove --sync "$x0" "$y0" mousedown 1
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove --sync $((x0 + (x1 - x0) * i / 10)) $((y0 + (y1 - y0) * i / 10))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
}
# Pixels of one colour in a picture.
count_colour() {
    convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format "%[fx:round(mean*w*h)]" info:
}
# A screenshot once two in a row agree (the windows have settled), with
# the main window's status bar painted over.
settle() {
    local prev="$work/prev.png" deadline=$((SECONDS + STEP_SECONDS))
    xdotool mousemove --sync 2 2
    import -window root "$prev"
    while :; do
        sleep 0.5
        import -window root "$1"
        if [ "$(compare -metric AE "$prev" "$1" null: 2>&1)" = "0" ]; then
            break
        fi
        [ "$SECONDS" -ge "$deadline" ] && fail "the screen did not settle"
        cp "$1" "$prev"
    done
}
settled_shot() {
    local out=$1 cur="$work/cur.png"
    settle "$cur"
    geometry "$MAIN"
    echo "   main window at $X,$Y ${WIDTH}x$HEIGHT"
    # The status bar (clock, cursor position) and the message bar above it
    # (it says what the machine says: a serial port in use elsewhere...) are
    # painted over.
    convert "$cur" -fill black -draw "rectangle $X,$((Y + HEIGHT - 60)) $((X + WIDTH)),$((Y + HEIGHT))" "$out"
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
# No serial ports: whether a machine's ports open (another program may hold
# one) must not put a message bar in one run's picture and not the other's.
mkdir -p "$work/config/Quorwick/Brinevane"
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:
#end
CONF
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-charts-$$-$RANDOM"
unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS

# The instruments stay off the machine's serial ports: a port in use by
# another program would put its own message on the bar.
mkdir -p "$work/config/Quorwick/Brinevane"
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<'CONF'
[Software\Quorwick\Brinevane\Default\Navigator\GPS]
ReceiveCOMPort=dword:0
TransmitCOMPort=dword:0
[Software\Quorwick\Brinevane\Default\Navigator\Wind]
ReceiveCOMPort=dword:0
[Software\Quorwick\Brinevane\Default\Navigator\Autopilot]
TransmitCOMPort=dword:0
[Software\Quorwick\Brinevane\Default\Navigator\Repeater]
TransmitCOMPort=dword:0
#end
CONF
# The station listener on a port of this run's own, its peer file in the work folder: a run
# beside other copies of the program never meets them on the network.
station_settings() {
    { grep -v '^#end$' "$1" 2>/dev/null
      printf '[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nTCPPort=dword:%d\nFileFolder=str:%s\n#end\n' \
          $((20000 + RANDOM % 20000)) "$work"; } > "$1.new" && mv "$1.new" "$1"
}
station_settings "$work/config/Quorwick/Brinevane/settings.conf"

evilwm -fn fixed > "$work/wm.log" 2>&1 &
WM_PID=$!
wm_ready() { xdotool get_num_desktops 2>/dev/null; }
wait_for "the window manager to start" wm_ready

start_program() {
    TMPDIR="$work/tmp" "$PROGRAM" >> "$work/program.log" 2>&1 &
    PID=$!
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    local dlg=$FOUND
    geometry "$dlg"
    click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24))
    dlg_gone() { is_gone "$dlg"; }
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
    question() { window_named "Brinevane" | grep -vx "$MAIN" || other_windows "$MAIN" $FLOATING; }
    sleep 0.5
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
focus "$MAIN"
xdotool key ctrl+n
sleep 1
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
sleep 1
# The first toolbar's handle is at the left end of the first row.
drag $((MX + 6)) $((MY + 40)) $((MX + 520)) $((MY + 640))
sleep 1
FLOATING=$(other_windows "$MAIN" | tr '\n' ' ')
[ -n "$FLOATING" ] || fail "no toolbar floats after the drag"
settled_shot "$SHOTS/3_arranged.png"

step "File > Workspace > Save As... 'Voyage'"
focus "$MAIN"
xdotool key alt+f
sleep 0.4
xdotool key k
sleep 0.4
xdotool key a
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
sleep 0.5
focus "$MAIN"
xdotool key alt+f
sleep 0.4
xdotool key k
sleep 0.4
xdotool key s
sleep 1
exit_program
# One chart window's stored place (the first one listed) far to the left.
sed -i '0,/^NormalLeftPosition=/s/^NormalLeftPosition=\([a-z]*\):.*/NormalLeftPosition=\1:-6000/' \
    "$work/config/Quorwick/Brinevane/settings.conf"
grep -q '^NormalLeftPosition=[a-z]*:-6000' "$work/config/Quorwick/Brinevane/settings.conf" ||
    fail "no chart window place in the settings file to move"

FLOATING=""
start_program
sleep 1
geometry "$MAIN"
eval "$(xdotool getdisplaygeometry --shell | sed 's/^/SCREEN_/')"
[ "$X" -lt "$SCREEN_WIDTH" ] && [ "$Y" -lt "$SCREEN_HEIGHT" ] && [ $((X + WIDTH)) -gt 0 ] ||
    fail "the main window came back off the screen at $X,$Y"
settled_shot "$SHOTS/6_back_on_screen.png"
grid3=$(count_colour "$SHOTS/6_back_on_screen.png" "#7F0000")
# Compared with the same arrangement before the exit (the floating toolbar
# covers a little of the charts); a window out of sight takes half away.
grid4=$(count_colour "$SHOTS/4_before_exit.png" "#7F0000")
[ "$grid3" -ge $((grid4 * 9 / 10)) ] || fail "a chart window stayed out of sight ($grid3 grid pixels, $grid4 before)"
exit_program
echo "PASS: charts and workspace came back as they were"
