#!/bin/bash
# Display palettes and attachment viewers on the real program window, on a
# virtual X server driven with xdotool, pictures taken with ImageMagick:
#   1. Dusk, then Night, chosen from the View menu by keyboard: no pixel of the
#      main window (menus, toolbars, side panel, status and message bars) is
#      brighter than the palette's brightest colour plus 10 for the style's
#      shading; under Night a menu and the About window keep to it too;
#   2. Ctrl+Alt+D gives Day back: the main window looks as it did at start;
#   3. under Dusk and Night the chartpoint panel's buttons disabled outside editing
#      paint their text apart from the enabled button text;
#   4. with HOME and the XDG folders in a temporary folder, the run writes
#      nothing outside the program's settings folder;
#   5. a second run opens a picture, a video and a text file as attachments:
#      the picture and the video show at their own size in frames fitted to
#      them, and the text file opens no window but a message saying why.
#
# Usage: palette_window_check.sh [path/to/brinevane [path/to/avi-make]]
# BRINE_SHOTS_DIR, when set, keeps the screenshots there. Exit code 77
# (skipped) when xvfb-run, xdotool or ImageMagick is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
AVI_MAKE=${2:-$(dirname "$PROGRAM")/avi-make}
# ImageMagick's own programs, not a wrapper earlier in the path.
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import
XWIN_NAME=pal
XWIN_TOOLS="$CONVERT $IMPORT"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$AVI_MAKE"

HOME_DIR="$work/home"
mkdir -p "$work/shots" "$work/files"
SHOTS="$work/shots"
# The pictures are copied out at the end, whatever the outcome.
xwin_before_cleanup() {
    if [ -n "${BRINE_SHOTS_DIR:-}" ]; then
        mkdir -p "$BRINE_SHOTS_DIR" && cp "$work"/shots/*.png "$BRINE_SHOTS_DIR"/ 2>/dev/null
    fi
}

# A picture of one window, after the display has settled.
shoot() {
    local window=$1 name=$2
    sleep 0.6
    "$IMPORT" -window "$window" "$work/shots/$name.png" 2>/dev/null ||
        fail "cannot take a picture of window $window ($name)"
    echo "   picture $name.png"
}
# The brightest channel of any pixel of a picture (ImageMagick's maximum over
# every channel, in 16-bit quanta).
brightest() {
    echo $(( $("$CONVERT" "$1" -format "%[max]" info:) / 257 ))
}
within() {
    local picture=$1 bound=$2 what=$3 b
    b=$(brightest "$work/shots/$picture.png")
    echo "   $what: brightest channel $b (bound $bound)"
    [ "$b" -le "$bound" ] || fail "$what has a pixel channel of $b, above $bound"
}
# How many pixels of a picture have exactly the colour "r,g,b".
count_colour() {
    "$CONVERT" "$1" -alpha off -fill black +opaque "rgb($2)" -fill white -opaque "rgb($2)" \
        -format "%[fx:round(mean*w*h)]" info:
}

export HOME="$HOME_DIR"
export XDG_CONFIG_HOME="$HOME_DIR/.config" XDG_CACHE_HOME="$HOME_DIR/.cache"
export XDG_DATA_HOME="$HOME_DIR/.local/share" XDG_STATE_HOME="$HOME_DIR/.local/state"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-pal-$$-$RANDOM"
unset BRINE_OPEN_FILES
# No instrument on a serial port: a port another program on the machine
# holds would put its line on the message bar between two pictures that
# must match. The station listener on a port of this run's own.
instruments_off "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
station_settings "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"

# A small window manager, its own keys moved off Ctrl+Alt, which the
# program's Day key (Ctrl+Alt+D) uses.
if command -v evilwm >/dev/null 2>&1; then
    start_wm --mask1 mod4
fi

start_program() {
    TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
    PID=$!
    pass_disclaimer
    # The mouse rests off the window, so no hover shading differs between pictures.
    xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
}

exit_program() {
    focus "$MAIN"
    xdotool key alt+f
    menu_open() { other_windows "$MAIN"; }
    wait_for "the File menu" menu_open
    local menu=$FOUND
    xdotool key x
    question() { other_windows "$MAIN" "$menu"; }
    wait_for "the question on exit" question
    focus "$(echo "$FOUND" | head -1)"
    xdotool key Return
    local deadline=$((SECONDS + STEP_SECONDS))
    while kill -0 "$PID" 2>/dev/null; do
        [ "$SECONDS" -ge "$deadline" ] && fail "the program still runs after Yes to exit"
        sleep 0.05
    done
    wait "$PID"
    local rc=$?
    PID=""
    [ "$rc" -eq 0 ] || fail "the program ended with exit code $rc"
}

# The View menu's palette items by keyboard, each by its own key.
choose_palette() {
    focus "$MAIN"
    xdotool key alt+v
    menu_open() { other_windows "$MAIN"; }
    wait_for "the View menu" menu_open
    local menu=$FOUND
    menu_gone() { is_gone "$menu"; }
    sleep 0.2
    case $1 in
        dusk) xdotool key k ;;
        night) xdotool key n ;;
    esac
    wait_for "the View menu to close" menu_gone
}

# Help > About Brinevane... by the mouse (the last entry), a picture of the
# About window when a name is given, then Escape closes it.
about_round_trip() {
    focus "$MAIN"
    xdotool key alt+h
    menu_open() { other_windows "$MAIN"; }
    wait_for "the Help menu" menu_open
    local menu
    menu=$(echo "$FOUND" | head -1)
    geometry "$menu"
    click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 10))
    about_visible() { window_named "About BRINEVANE"; }
    wait_for "the About window" about_visible
    local about=$FOUND
    xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
    if [ -n "${1:-}" ]; then
        shoot "$about" "$1"
        within "$1" "$NIGHT_BOUND" "the About window under Night"
    fi
    focus "$about"
    xdotool key Escape
    about_gone() { is_gone "$about"; }
    wait_for "the About window to close" about_gone
    focus "$MAIN"
    xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
}

# The View menu opened and closed by keyboard: afterwards no field shows the
# keyboard focus (the menu bar keeps it), the same way every time.
# A menu of the program opening ($1 names it): key $2 into it, then back
# once it has closed.
key_in_menu() {
    menu_open() { other_windows "$MAIN"; }
    wait_for "the $1 menu" menu_open
    local menu
    menu=$(echo "$FOUND" | head -1)
    xdotool key "$2"
    menu_gone() { is_gone "$menu"; }
    wait_for "the $1 menu to close" menu_gone
}
menu_round_trip() {
    focus "$MAIN"
    xdotool key alt+v
    key_in_menu View Escape
    sleep 0.3
}

# The palettes' brightest channels: Dusk's brightest colour is (255, 251, 240),
# Night's (192, 192, 192); the style's shading may add up to 10.
DUSK_BOUND=255
NIGHT_BOUND=202

step "start: the disclaimer accepted, the main window in Day"
start_program
# The About window and a menu once, so the keyboard focus has the history it
# will have when Day comes back.
about_round_trip
menu_round_trip
shoot "$MAIN" day-start

step "Dusk from the View menu by keyboard"
choose_palette dusk
shoot "$MAIN" dusk-main
within dusk-main "$DUSK_BOUND" "the main window under Dusk"

step "Night from the View menu by keyboard: main window, a menu, the About window"
choose_palette night
shoot "$MAIN" night-main
within night-main "$NIGHT_BOUND" "the main window under Night"
# Day's picture is far brighter: the palette really changed.
b=$(brightest "$work/shots/day-start.png")
[ "$b" -gt "$NIGHT_BOUND" ] || fail "the Day picture is no brighter than Night's bound ($b)"

focus "$MAIN"
xdotool key alt+v
menu_open() { other_windows "$MAIN"; }
wait_for "the View menu under Night" menu_open
MENU=$(echo "$FOUND" | head -1)
shoot "$MENU" night-menu
within night-menu "$NIGHT_BOUND" "the View menu under Night"
xdotool key Escape
menu_gone() { is_gone "$MENU"; }
wait_for "the View menu to close" menu_gone

about_round_trip night-about

step "Ctrl+Alt+D gives Day back: the main window as it was at start"
focus "$MAIN"
xdotool key ctrl+alt+d
# The same last steps as before the first picture, so the keyboard focus is
# where it was then.
about_round_trip
menu_round_trip
shoot "$MAIN" day-again
# The status bar's clock ticks between the two pictures: the bar is left out
# of the comparison.
geometry "$MAIN"
keep="${WIDTH}x$((HEIGHT - 30))+0+0"
"$CONVERT" "$work/shots/day-start.png" -crop "$keep" +repage "$work/day-start-cut.png"
"$CONVERT" "$work/shots/day-again.png" -crop "$keep" +repage "$work/day-again-cut.png"
diff=$(/usr/bin/compare -metric AE "$work/day-start-cut.png" "$work/day-again-cut.png" null: 2>&1)
echo "   pixels differing from the first Day picture: $diff"
[ "$diff" = "0" ] || fail "Day after Night differs from the first Day picture in $diff pixels"

step "disabled buttons look disabled under Dusk and Night"
# The chartpoint panel outside editing: its New, Delete and Apply are
# disabled. Chartpoint > Edit enables New (and the panel's fields, empty
# here), and nothing else on the window changes to the palette's button
# text colour: the pixels of that colour grow by New's text only when
# disabled text is drawn in another colour.
chartpoint_edit() {
    focus "$MAIN"
    # The menu's title in the menu bar by the pointer: the panel takes Alt+A
    # for its Area field.
    local X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    click_at $((X + 329)) $((Y + 8))
    key_in_menu Chartpoint e
    xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
}
# Pixels of exactly "r,g,b", black and white included.
count_exact() {
    "$CONVERT" "$1" -alpha off -fill "rgb(1,2,3)" +opaque "rgb($2)" -fill white -opaque "rgb($2)" \
        -fill black +opaque white -format "%[fx:round(mean*w*h)]" info: | awk '{ printf "%d", $1 }'
}
focus "$MAIN"
xdotool key F3
for pal in dusk:0,0,0 night:160,160,164; do
    name=${pal%%:*} text=${pal#*:}
    choose_palette "$name"
    shoot "$MAIN" "$name-chartpoint-panel"
    chartpoint_edit
    shoot "$MAIN" "$name-chartpoint-editing"
    chartpoint_edit   # editing left again
    before=$(count_exact "$work/shots/$name-chartpoint-panel.png" "$text")
    after=$(count_exact "$work/shots/$name-chartpoint-editing.png" "$text")
    echo "   $name: pixels of the button text colour $text: $before, editing $after"
    [ $((after - before)) -ge 12 ] ||
        fail "under $name the disabled New paints in the enabled button text colour"
done

exit_program

step "nothing written outside the program's settings folder"
# A start makes the empty chart catalogue when there is none: the only data file allowed.
stray=$(cd "$HOME_DIR" && find . -type f ! -path "./.config/Quorwick/Brinevane/*" \
    ! -path "./.local/share/Quorwick/Brinevane/Charts/HCRF/Cat.*" | sort)
[ -z "$stray" ] || fail "files written outside the settings folder: $stray"
[ -s "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf" ] || fail "no settings file was written"
grep -q "Palettes" "$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf" ||
    echo "   (the palettes were not stored: no workspace saved on this exit)"

step "attachments: a picture and a video in fitted frames, a text file refused with a message"
# A 200 x 150 picture of one colour no window uses, and a clip whose moving
# square (30 x 30, one colour) shows whole in every frame.
"$CONVERT" -size 200x150 xc:'rgb(13,200,77)' BMP3:"$work/files/picture.bmp" ||
    fail "cannot make the picture"
"$AVI_MAKE" "$work/files/clip.avi" 160 120 200 10 || fail "cannot make the video"
if command -v ffprobe >/dev/null 2>&1; then
    probe=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$work/files/clip.avi")
    [ "$probe" = "rawvideo,160,120" ] || fail "ffprobe reads the clip as '$probe'"
fi
echo "not a picture" > "$work/files/notes.txt"
export BRINE_OPEN_FILES="$work/files/picture.bmp;$work/files/clip.avi;$work/files/notes.txt"
start_program
message_visible() { other_windows "$MAIN"; }
wait_for "the message about the text file" message_visible
MESSAGE=$(echo "$FOUND" | head -1)
[ "$(xdotool getwindowname "$MESSAGE")" = "Brinevane" ] || fail "the message is titled '$(xdotool getwindowname "$MESSAGE")'"
shoot "$MESSAGE" text-file-message
# Return until it goes: on a busy machine the first key can reach the window
# before it takes the keyboard.
message_gone() {
    is_gone "$MESSAGE" && return 0
    xdotool windowfocus --sync "$MESSAGE" 2>/dev/null && xdotool key Return
    sleep 1
    is_gone "$MESSAGE"
}
wait_for "the message to close" message_gone
unset BRINE_OPEN_FILES
xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
shoot "$MAIN" viewers
picture=$(count_colour "$work/shots/viewers.png" 13,200,77)
echo "   picture pixels shown: $picture of 30000"
[ "$picture" = "30000" ] || fail "the picture shows $picture of its 30000 pixels"
square=$(count_colour "$work/shots/viewers.png" 250,220,40)
echo "   video square pixels shown: $square of 900"
[ "$square" = "900" ] || fail "the video's square shows $square of its 900 pixels"
exit_program

echo "PASS: Dusk and Night within their brightest colours, Day restored, nothing stray written, viewers fitted"
