#!/bin/bash
# Raster charts on the real program, from fresh settings, with the sample
# chart media: Chart > Management... > Updates seeds the catalogue from the
# first update medium (chosen through Choose Folder...); an Express cancelled
# at once leaves no partial chart folder and no record claiming files that
# are not there; Express installs the charts from the chart medium; the
# overview opens, Larger Scale (from the menu, then Ctrl++) reaches the
# harbour chart; Updates from
# the second medium brings update tiles and their boxes show; Verify says
# Passed; a corrupted tile of the installed raster makes it say Failed with
# the reinstall hint. The chart notes, the notices and the charts at the
# point clicked come from the chart's right-click menu; Custom... moves every
# chart back to the medium and to the disk again. Then a first start with the
# sample option installs the media by itself and shows the overview, filling
# the workspace. dbfread reads the catalogue.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, ImageMagick or the media.

set -u
# The shared settings writers (instruments_off); this check runs its own
# display and program, defined below over xwin.sh's.
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-${BRINE_SAMPLE_MEDIA:-$(dirname "$PROGRAM")/../sample-media}}
SKIP=77
STEP_SECONDS=${BRINE_XWIN_STEP_SECONDS:-30}

if [ -z "${BRINE_XWIN_INNER:-}" ]; then
    for tool in xvfb-run xdotool xauth evilwm import compare convert; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit $SKIP; }
    done
    [ -x "$PROGRAM" ] || { echo "FAIL: program not found: $PROGRAM" >&2; exit 1; }
    [ -f "$MEDIA/update-1/ReadMe.cdv" ] || { echo "SKIP: no sample media in $MEDIA"; exit $SKIP; }
    MEDIA=$(cd "$MEDIA" && pwd)
    marker_dir=$(mktemp -d "${TMPDIR:-/tmp}/brine-raster-outer.XXXXXX") || exit 1
    trap 'rm -rf "$marker_dir"' EXIT
    for attempt in 1 2 3; do
        BRINE_XWIN_INNER=1 BRINE_XWIN_STARTED="$marker_dir/started" \
            xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$PROGRAM" "$MEDIA"
        rc=$?
        if [ -e "$marker_dir/started" ] || [ "$attempt" -eq 3 ]; then
            exit $rc
        fi
        sleep "0.$((RANDOM % 9 + 1))"
    done
fi

: > "$BRINE_XWIN_STARTED"
work=$(mktemp -d "${TMPDIR:-/tmp}/brine-raster.XXXXXX") || exit 1
mkdir -p "$work/config/Quorwick/Brinevane" "$work/data" "$work/runtime" "$work/tmp" "$work/media"
chmod 700 "$work/runtime"
# What the program writes beside itself stays in the run's own program folder.
program_folder_links "$work/program"
export BRINE_PROGRAM_FOLDER="$work/program"
# The media are copied, so the corrupted tile below never reaches the build's own.
cp -r "$MEDIA/." "$work/media/"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
PID=""
WM_PID=""
stop_program() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill "$PID" 2>/dev/null
        for i in $(seq 1 40); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$PID" 2>/dev/null
    fi
    PID=""
}
cleanup() {
    stop_program
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    import -window root "$SHOTS/raster_failure.png" 2>/dev/null
    tail -n 30 "$work/program.log" >&2 2>/dev/null
    exit 1
}
step() { echo "== [$SECONDS s] $*"; }
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
        sleep 0.1
    done
}
program_windows() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null; }
window_named() {
    local w
    for w in $(program_windows); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
# Chart windows live inside the main window, out of xdotool's sight: the
# program reports each chart it opens (BRINE_REPORT_CHARTS), and the count of
# such lines tells a new opening from an old one.
OPENED=0
chart_opened() {
    local n last
    n=$(grep -c "chart opened:" "$work/program.log")
    last=$(grep "chart opened:" "$work/program.log" | tail -n 1)
    [ "$n" -gt "$OPENED" ] && echo "$last" | grep -- "$1"
}
opened_count() { grep -c "chart opened:" "$work/program.log"; }
is_gone() { ! program_windows | grep -qx "$1"; }
# The keyboard to window $1. A window that has gone fails the check: the keys
# that follow would reach whichever window is active instead.
give_keyboard() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
}
focus() { give_keyboard "$1" || ! is_gone "$1" || fail "window $1 went before it could take keys"; }
# Runs of the management page's buttons ended so far, from the program's
# report (BRINE_REPORT_CHARTS): the windows alone cannot tell the end of a run
# from the moment between two of its progress windows.
runs_ended() { grep -c "Brinevane: chart management: $1 ended" "$work/program.log"; }
RUNS_SEEN=0
run_ended() {
    RUN_KIND=$1
    ended() { [ "$(runs_ended "$RUN_KIND")" -gt "$RUNS_SEEN" ] && echo ok; }
    wait_for "the $1 run to end" ended
}
# The keyboard to the main window, and the wait until the program has made it
# active (its BRINE_REPORT_FOCUS line): keys sent before that may reach the
# window active before, as after a sheet closed under evilwm.
focus_main() {
    focus "$MAIN"
    local deadline=$((SECONDS + STEP_SECONDS))
    until [ "$(grep 'Brinevane: focus: ' "$work/program.log" | tail -n 1 |
        sed 's/^.*Brinevane: focus: //; s/ .*//')" = "$MAIN" ]; do
        [ "$SECONDS" -ge "$deadline" ] && fail "the program did not make its main window active"
        sleep 0.05
    done
}
shot() { sleep 0.6; import -window root "$SHOTS/raster_$1.png"; echo "   screenshot raster_$1.png"; }
count_colour() {
    convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format "%[fx:round(mean*w*h)]" info:
}

HCRF="$work/data/Quorwick/Brinevane/Charts/HCRF"
CHARTS="$HCRF/GB/ChartCD/RasChts/090"

# The instruments off their ports; the vessel log's folder in the work folder,
# not beside the program; the station listener on a port and peer file of this
# run's own, so copies of the program running beside it are never its peers.
write_settings() {
    instruments_off "$work/config/Quorwick/Brinevane/settings.conf"
    station_settings "$work/config/Quorwick/Brinevane/settings.conf"
}
write_settings
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-raster-$$-$RANDOM" BRINE_REPORT_CHARTS=1 BRINE_REPORT_FOCUS=1
unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS BRINE_OPEN_FILES
evilwm -fn fixed > "$work/wm.log" 2>&1 &
WM_PID=$!
wm_ready() { xdotool get_num_desktops 2>/dev/null; }
wait_for "the window manager to start" wm_ready

start_program() {
    TMPDIR="$work/tmp" "$PROGRAM" "$@" >> "$work/program.log" 2>&1 &
    PID=$!
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    local dlg=$FOUND
    focus "$dlg"
    xdotool key Return
    # The main window's title names a maximised chart after the program's name.
    main_visible() {
        local w
        for w in $(program_windows); do
            case "$(xdotool getwindowname "$w" 2>/dev/null)" in
            "Brinevane - "*) echo "$w"; return 0 ;;
            esac
        done
        window_named "Brinevane"
    }
    wait_for "the main window" main_visible
    MAIN=$FOUND
}

# Chart > Management...: the sheet, its ARCS page first.
open_sheet() {
    focus "$MAIN"
    xdotool key alt+c
    sleep 0.4
    xdotool key g
    sheet_visible() { window_named "Chart Management Options"; }
    wait_for "the Chart Management Options sheet" sheet_visible
    SHEET=$FOUND
    # General first, then the ARCS page.
    focus "$SHEET"
    xdotool key ctrl+Tab
    sleep 0.3
}
# Answers a medium prompt with Choose Folder... and the folder typed in.
# A message box of the program (titled as the program, not its main window),
# other than the one answered last.
ANSWERED=
message_box() {
    local w
    for w in $(program_windows); do
        if [ "$w" != "$MAIN" ] && [ "$w" != "$ANSWERED" ] &&
            [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
choose_folder() {
    prompt_visible() { message_box; }
    wait_for "the medium prompt" prompt_visible
    ANSWERED=$FOUND
    shot "$2"
    focus "$FOUND"
    xdotool key alt+h
    chooser_visible() { window_named "Choose the chart medium's folder"; }
    wait_for "the folder chooser" chooser_visible
    local chooser=$FOUND
    chooser_gone() { is_gone "$chooser"; }
    # On a loaded machine the chooser's completer can swallow a typed key; the
    # chooser then says the folder does not exist and stays: that note is
    # dismissed and the path typed again, more slowly.
    local attempt delay=25
    for attempt in 1 2 3; do
        focus "$chooser"
        sleep 0.3
        xdotool key ctrl+a
        xdotool type --delay "$delay" "$1"
        sleep 0.3
        xdotool key Return
        for i in $(seq 1 30); do chooser_gone && return 0; sleep 0.1; done
        echo "   the chooser did not take the path; typing it again"
        xdotool key Return   # the chooser's note about a missing folder
        sleep 0.5
        delay=$((delay * 3))
    done
    wait_for "the folder chooser to close" chooser_gone
}
# The message box with the update question, answered OK.
answer_ok() {
    wait_for "the message box" message_box
    ANSWERED=$FOUND
    focus "$FOUND"
    xdotool key Return
}
sheet_gone() { is_gone "$SHEET"; }
progress_gone() { ! window_named "Installing Update Data" >/dev/null &&
    ! window_named "Processing Charts" >/dev/null && ! window_named "Processing Updates" >/dev/null; }
page_enabled_again() { progress_gone && [ -f "$1" ] && echo ok; }
# Opens an installed chart by its number through File > Open: the number
# typed into Open Chart's find box, Find, OK.
open_chart() {
    focus_main
    xdotool key ctrl+o
    # File > Open offers the chart kinds first: ARCS/Seafarer after Blank chart.
    chooser_visible() { window_named "Open"; }
    wait_for "the Open chooser" chooser_visible
    focus "$FOUND"
    xdotool key Down Return
    open_visible() { window_named "Open Chart"; }
    wait_for "the Open Chart dialog" open_visible
    # The find box has the keyboard once the program counts the dialog
    # active (a loaded machine may take a while) and it has settled.
    activate "$FOUND"
    sleep 0.6
    local finds
    finds=$(grep -c "focus button: Find" "$work/program.log")
    xdotool type --delay 25 "$1"
    # Tab to Find (enabled once the number is in the box) and press it with
    # the space bar: the key's release clicks it at once, so the Return
    # after it cannot overtake the search as it can Alt+F's delayed click.
    xdotool key Tab
    find_focused() { [ "$(grep -c "focus button: Find" "$work/program.log")" -gt "$finds" ] && echo yes; }
    wait_for "the Find button to take the keyboard" find_focused
    xdotool key space
    shot "open_chart_$1"
    xdotool key Return
    wait_opened "$1"
}
# Right-clicks the chart view and picks menu entries by their keys.
chart_context() {
    eval "$(xdotool getwindowgeometry --shell "$MAIN")"
    focus "$MAIN"
    xdotool mousemove $((X + 200)) $((Y + 380))
    sleep 0.2
    xdotool click 3
    sleep 0.6
    xdotool key "$@"
}
# Waits for a dialog, takes its picture and gives it the focus.
dialog_shown() {
    DIALOG_TITLE=$1
    dialog_visible() { window_named "$DIALOG_TITLE"; }
    wait_for "the $1 dialog" dialog_visible
    DIALOG=$FOUND
    focus "$DIALOG"
    sleep 0.3
}
dialog_closed() {
    dialog_gone() { is_gone "$DIALOG"; }
    wait_for "the $DIALOG_TITLE dialog to close" dialog_gone
}
# Waits for a chart window whose title names `$1` to open.
wait_opened() {
    WANTED=$1
    chart_visible() { chart_opened "$WANTED"; }
    wait_for "the chart window of $1" chart_visible
    echo "   $FOUND"
    OPENED=$(grep -c "chart opened:" "$work/program.log")
}
chart_menu() {
    focus_main
    xdotool key alt+c
    sleep 0.4
    xdotool key "$1"
}
verification() {
    chart_menu v
    ver_visible() { window_named "Chart Verification"; }
    wait_for "the Chart Verification window" ver_visible
    VER=$FOUND
    result() { grep -o "Chart verification of $1: index [A-Za-z]*, chart [A-Za-z]*" "$work/program.log" | tail -n 1; }
    finished() { [ "$(grep -c "Chart verification of $1:" "$work/program.log")" -gt "$2" ] && result "$1"; }
}

step "fresh settings: the program starts on its blank chart"
start_program
shot start

step "Chart > Management... > Updates: the update medium chosen through Choose Folder..."
open_sheet
focus "$SHEET"
RUNS_SEEN=$(runs_ended updates)
xdotool key alt+u
answer_ok
choose_folder "$work/media/update-1" update_prompt
run_ended updates
catalogued() { page_enabled_again "$HCRF/Cat.dbf"; }
wait_for "the update pass to end" catalogued
shot updates_done
[ -d "$HCRF/GB/UpdateCD/WK01_26/ChartCat" ] || fail "no copy of the update medium's catalogue"

step "Express cancelled at once: no partial chart folder, no record claiming missing files"
focus "$SHEET"
RUNS_SEEN=$(runs_ended express)
xdotool key alt+e
choose_folder "$work/media/chart-medium" express_prompt
# Alt+C (Cancel) is sent to the copying window itself once the program
# reports it active: the sample charts are small and the Express may end
# first, and a key sent to whichever window is active as the copying window
# closed would reach the management sheet and cancel it instead.
cancel_progress() {
    grep "Brinevane: focus: " "$work/program.log" | tail -n 1 |
        sed -n 's/^.*Brinevane: focus: \([0-9]*\) Processing Charts$/\1/p' | grep .
}
deadline=$((SECONDS + STEP_SECONDS))
until [ "$(runs_ended express)" -gt "$RUNS_SEEN" ] || [ "$SECONDS" -ge "$deadline" ] ||
    ! kill -0 "$PID" 2>/dev/null; do
    if FOUND=$(cancel_progress); then
        xdotool key --window "$FOUND" alt+c 2>/dev/null
        break
    fi
    sleep 0.02
done
run_ended express
if grep -q "chart management: express ended early" "$work/program.log"; then
    echo "   the Express was cancelled"
else
    echo "   the Express ended before its cancel"
fi
wait_for "the cancelled Express to end" progress_gone
sheet_gone && fail "the management sheet closed during the cancelled Express"
[ -z "$(find "$HCRF" -name '*.partial')" ] || fail "a partial chart folder was left"
# Each chart lies in the folder of its group (RC900n in 090, the world chart 4000 in 040).
/usr/bin/python3 - "$HCRF/Cat.dbf" "$(dirname "$CHARTS")" > "$work/claims.txt" <<'PY' || fail "dbfread could not read the catalogue"
import glob, os, sys, dbfread
for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):
    files = glob.glob(os.path.join(sys.argv[2], '*', r['NO'], r['NO'] + '.chr'))
    print(r['NO'], r['SOURCE'], bool(files))
PY
cat "$work/claims.txt"
grep -E " (1|3) False$" "$work/claims.txt" && fail "a record claims chart files that are not on disk"

step "Express: the charts from the chart medium"
focus "$SHEET"
RUNS_SEEN=$(runs_ended express)
xdotool key alt+e
all_installed() { progress_gone && [ -f "$CHARTS/RC9001/RC9001.chr" ] && [ -f "$CHARTS/RC9002/RC9002.chr" ] &&
    [ -f "$CHARTS/RC9003/RC9003.chr" ] && [ -f "$(dirname "$CHARTS")/040/4000/4000.chr" ] && echo ok; }
# The medium is asked for again unless the cancelled run left nothing to copy.
prompt_or_end() {
    message_box || { [ "$(runs_ended express)" -gt "$RUNS_SEEN" ] && echo ended; }
}
wait_for "the medium prompt or the end of Express" prompt_or_end
[ "$FOUND" = ended ] || choose_folder "$work/media/chart-medium" express_prompt2
run_ended express
wait_for "Express to install the four charts" all_installed
shot express_done
/usr/bin/python3 - "$HCRF/Cat.dbf" > "$work/cat.txt" <<'PY' || fail "dbfread could not read the catalogue"
import sys, dbfread
for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):
    print('|'.join(str(r[f]) for f in ('NO', 'DESC', 'CHCDID', 'CHCDDOP', 'UPCDID', 'UPCDDOP', 'SOURCE', 'SCALE', 'HO')))
PY
cat "$work/cat.txt"
grep -q "^RC9001|PUGET SOUND - ADMIRALTY INLET TO TACOMA|RCSAMPLE|20260105|WK01_26|20260105|3|350000|0$" "$work/cat.txt" ||
    fail "dbfread does not read the overview's record as the media give it"
[ "$(grep -c '|3|' "$work/cat.txt")" = 4 ] || fail "not every chart is on disk in the catalogue"
# Escape on the sheet until it is gone: on a busy machine the window manager
# may not have given it the keyboard yet, and the key goes elsewhere (where an
# Escape does nothing).
close_sheet() {
    local deadline=$((SECONDS + STEP_SECONDS)) wait_until
    while ! sheet_gone; do
        [ "$SECONDS" -ge "$deadline" ] && fail "not within $STEP_SECONDS s: the sheet to close"
        give_keyboard "$SHEET" && xdotool key Escape
        wait_until=$((SECONDS + 3))
        while ! sheet_gone && [ "$SECONDS" -lt "$wait_until" ]; do sleep 0.1; done
    done
}
close_sheet

step "the overview opens; Larger Scale, then Ctrl++, reaches the harbour chart"
open_chart RC9001
shot overview
chart_menu l
wait_opened RC9002
shot larger_1
focus_main
xdotool key ctrl+plus   # Larger Scale by its key
wait_opened RC9003
shot larger_2

step "Updates from the second medium: update tiles, their boxes shown"
open_sheet
focus "$SHEET"
RUNS_SEEN=$(runs_ended updates)
xdotool key alt+u
answer_ok
choose_folder "$work/media/update-2" update2_prompt
run_ended updates
updated() { progress_gone && [ -f "$HCRF/GB/UpdateCD/RasChts/090/RC9003/RC9003.upr" ] &&
    [ ! -d "$HCRF/GB/UpdateCD/WK01_26" ] && echo ok; }
wait_for "the second update pass" updated
close_sheet
open_chart RC9003
chart_menu b
chart_menu z
# Screenshots until the boxes are drawn: a loaded machine may take a while.
boxes_drawn() {
    local n
    import -window root "$SHOTS/raster_update_boxes.png" || return 1
    n=$(count_colour "$SHOTS/raster_update_boxes.png" "#FF0000")
    [ "$n" -gt 100 ] && echo "$n"
}
wait_for "update boxes on the harbour chart" boxes_drawn
echo "   screenshot raster_update_boxes.png"
echo "   $FOUND pixels of update boxes"

step "Chart Notes: the harbour chart's note and caution; Goto shows the caution"
chart_context i n
dialog_shown "Chart Notes"
xdotool key Down Down alt+g
sleep 0.5
shot chart_notes
xdotool key alt+c
dialog_closed

step "Notices to mariners: the update medium's notices, titled by number and year"
chart_context i t
dialog_shown "Temporary and Preliminary Notices To Mariners"
xdotool key Down Down
shot notices
xdotool key alt+d
dialog_closed

step "Verify: Passed"
verification
passed() { finished RC9003 0; }
wait_for "the verification to finish" passed
echo "   $FOUND"
shot verify_passed
echo "$FOUND" | grep -q "index Passed, chart Passed" || fail "verification did not pass: $FOUND"
focus "$VER"
xdotool key Return
ver_gone() { is_gone "$VER"; }
wait_for "the verification window to close" ver_gone

step "a corrupted tile of the installed raster: Verify says Failed, with the reinstall hint"
printf '\x5a\x5a\x5a\x5a' | dd of="$CHARTS/RC9003/RC9003.chr" bs=1 seek=40 conv=notrunc status=none
open_chart RC9003
chart_menu z
sleep 0.5
chart_menu z
sleep 1
verification
failed() { finished RC9003 1; }
wait_for "the second verification to finish" failed
echo "   $FOUND"
shot verify_failed
echo "$FOUND" | grep -q "chart Failed" || fail "a corrupted tile passed the verification: $FOUND"

step "Charts for Cursor Posn: the charts there by scale (the world chart too); New opens the approach chart"
chart_context c
dialog_shown "Charts Available"
shot charts_available
xdotool key Down alt+n
wait_opened RC9002
shot charts_available_new

step "Custom...: every chart back to the medium, then every chart to the disk again"
open_sheet
focus "$SHEET"
# "&Custom..." shares Alt+C with the sheet's "&Cancel": the first Alt+C
# focuses one of the two, the second the other; Space presses Custom once it
# has the focus (the program logs the keyboard focus's button).
custom_focused() { grep "focus button: Custom" "$work/program.log" >/dev/null && echo yes; }
for tries in 1 2; do
    xdotool key alt+c
    sleep 0.3
    custom_focused >/dev/null && break
done
custom_focused >/dev/null || fail "Alt+C never put the focus on Custom..."
xdotool key space
dialog_shown "Custom Chart Management"
shot custom
xdotool key alt+h alt+a
on_medium() { [ ! -d "$CHARTS" ] && [ ! -d "$(dirname "$CHARTS")/040" ] && echo ok; }
wait_for "the chart folders to leave the disk" on_medium
sources() { /usr/bin/python3 -c 'import sys, dbfread
print(" ".join(str(r["SOURCE"]) for r in dbfread.DBF(sys.argv[1])))' "$HCRF/Cat.dbf"; }
sleep 0.5
echo "   sources after relocation: $(sources)"
[ "$(sources)" = "2 2 2 2" ] || fail "the catalogue does not say the charts are on the medium"
shot custom_medium
focus "$DIALOG"
xdotool key alt+c alt+a
choose_folder "$work/media/chart-medium" custom_prompt
wait_for "Custom to copy the four charts back" all_installed
sleep 0.5
echo "   sources after Apply: $(sources)"
[ "$(sources)" = "3 3 3 3" ] || fail "the catalogue does not say the charts are on the disk again"
focus "$DIALOG"
xdotool key alt+d
dialog_closed
close_sheet

step "a first start with the sample option installs the media and shows the overview"
stop_program
rm -rf "$work/data" "$work/config/Quorwick/Brinevane"
mkdir -p "$work/data" "$work/config/Quorwick/Brinevane"
write_settings
cp -r "$MEDIA/." "$work/media2/" 2>/dev/null || { mkdir -p "$work/media2" && cp -r "$MEDIA/." "$work/media2/"; }
OPENED=0
: > "$work/program.log"
start_program --sample-media "$work/media2"
wait_opened RC9001
shot first_start
# The first chart fills the workspace, as the first blank chart does: the
# main window's title then names it.
maximised() { xdotool getwindowname "$MAIN" 2>/dev/null | grep "^Brinevane - .*RC9001"; }
wait_for "the overview's window maximised" maximised
# Past the overview's narrow picture the view shows the Day window colour:
# neither the tiles' padding nor an unpainted band.
convert "$SHOTS/raster_first_start.png" -crop 250x600+470+200 +repage "$work/past_chart.png"
past=$(count_colour "$work/past_chart.png" "#FFFFFF")
echo "   $past of 150000 pixels past the chart in the background colour"
[ "$past" = 150000 ] || fail "the area past the chart is not the window background"
echo "PASS: raster charts installed, opened, updated and verified on the real program"
