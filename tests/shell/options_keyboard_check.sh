#!/bin/bash
# The option sheets driven by keyboard alone on the real program window, on a
# virtual X server under evilwm, driven with xdotool:
#   1. each sheet opens from its menu (Tools > Options, Navigator > Options,
#      Chart > Options, Chart > Management), Ctrl+Tab visits every page, Tab
#      walks the controls, and a picture of every page is taken in Day and
#      in Night;
#   2. a refused entry (decimal places 5, minutes 75) shows its message and
#      leaves the settings file as it was;
#   3. a value changed on each page by its key, then Return: the values are
#      in the settings file (Tools Options' own once the workspace is saved).
#
# Usage: options_keyboard_check.sh [path/to/brinevane]
# BRINE_SHOTS_DIR, when set, keeps the pictures there. Exit code 77
# (skipped) when xvfb-run, xdotool or ImageMagick is not installed.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import
XWIN_NAME=opt
XWIN_TOOLS="$CONVERT $IMPORT"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

HOME_DIR="$work/home"
mkdir -p "$work/shots" "$work/charts"
SHOTS="$work/shots"
# The pictures are copied out at the end, whatever the outcome.
xwin_before_cleanup() {
    if [ -n "${BRINE_SHOTS_DIR:-}" ]; then
        mkdir -p "$BRINE_SHOTS_DIR" && cp "$work"/shots/*.png "$BRINE_SHOTS_DIR"/ 2>/dev/null
    fi
}
xwin_on_failure() { [ -n "${BRINE_KEEP_SETTINGS:-}" ] && cp "$SETTINGS" "$BRINE_KEEP_SETTINGS" 2>/dev/null; }

# A picture of one window, once it has settled.
shoot() {
    local window=$1 name=$2
    settled_window "$window" "$work/shots/$name.png" ||
        fail "cannot take a picture of window $window ($name)"
    echo "   picture $name.png"
}

export HOME="$HOME_DIR"
export XDG_CONFIG_HOME="$HOME_DIR/.config" XDG_CACHE_HOME="$HOME_DIR/.cache"
export XDG_DATA_HOME="$HOME_DIR/.local/share" XDG_STATE_HOME="$HOME_DIR/.local/state"
export XDG_RUNTIME_DIR="$work/runtime"
export BRINE_INSTANCE_NAME="brine-opt-$$-$RANDOM" BRINE_REPORT_FOCUS=1
unset BRINE_OPEN_FILES
SETTINGS="$XDG_CONFIG_HOME/Quorwick/Brinevane/settings.conf"
private_logs "$SETTINGS"
# Workspace and System, then the pages the modules add.
TOOLS_PAGES=${BRINE_TOOLS_PAGES:-2}

# evilwm's own keys moved off Ctrl+Alt, which the program's Day key uses.
if command -v evilwm >/dev/null 2>&1; then
    start_wm --mask1 mod4
fi

start_program() {
    TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
    PID=$!
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    local dlg=$FOUND
    focus "$dlg"
    xdotool key Return
    dlg_gone() { is_gone "$dlg"; }
    wait_for "the disclaimer to close" dlg_gone
    main_visible() {
        local w
        for w in $(program_windows); do
            case "$(xdotool getwindowname "$w" 2>/dev/null)" in
                Brinevane | "Brinevane - "*) echo "$w"; return 0 ;;
            esac
        done
        return 1
    }
    wait_for "the main window" main_visible
    MAIN=$FOUND
    xdotool mousemove 1279 1023   # no --sync: it waits for a move that may not come
}

# The settings file once the program's saving thread has written it.
settle() { sleep 1.6; }
settings_sum() { md5sum "$SETTINGS" 2>/dev/null | cut -d' ' -f1; }
# A value line of the settings file, "Name=type:value", anywhere in it.
has_setting() { grep -q "^$1=$2\$" "$SETTINGS"; }

# Opens a sheet from its menu: the menu's Alt key, then the item's key.
SHEET=""
open_sheet() {
    local title=$1 menu_key=$2 item_key=$3
    focus "$MAIN"
    xdotool key "alt+$menu_key"
    menu_open() { other_windows "$MAIN"; }
    wait_for "the menu of $title" menu_open
    sleep 0.2
    xdotool key "$item_key"
    sheet_visible() { window_named "$title"; }
    wait_for "the $title sheet" sheet_visible
    SHEET=$FOUND
    focus "$SHEET"
    sleep 0.3
}

# Every page by Ctrl+Tab, Tab through its controls, a picture of each.
walk_pages() {
    local name=$1 pages=$2 palette=$3 i
    for ((i = 0; i < pages; i++)); do
        xdotool key --delay 30 Tab Tab Tab Tab Tab Tab Tab Tab
        shoot "$SHEET" "$name-$i-$palette"
        xdotool key ctrl+Tab
    done
}

# Types a text key by key, by key names, so punctuation needs no keymap guess.
type_text() {
    local text=$1 i c keys=()
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        case $c in
            :) keys+=(colon) ;;
            .) keys+=(period) ;;
            /) keys+=(slash) ;;
            -) keys+=(minus) ;;
            _) keys+=(underscore) ;;
            *) keys+=("$c") ;;
        esac
    done
    xdotool key --delay 25 "${keys[@]}"
}

# Presses a check box's key: the click comes after the button's short press animation.
toggle() {
    xdotool key "alt+$1"
    sleep 0.4
}

# Presses a page's key (Alt+letter) and types a new text in its field.
type_into() {
    xdotool key "alt+$1" ctrl+a
    type_text "$2"
}

# The sheet's message for a refused entry: its text shown, then closed.
expect_refusal() {
    local text=$1 before
    before=$(settings_sum)
    xdotool key Return
    message() { other_windows "$MAIN" "$SHEET"; }
    wait_for "the message \"$text\"" message
    local box
    box=$(echo "$FOUND" | head -1)
    shoot "$box" "refusal-$2"
    "$IMPORT" -window "$box" "$work/box.png" 2>/dev/null
    settle
    [ "$(settings_sum)" = "$before" ] || fail "the settings file changed after a refusal ($text)"
    focus "$box"
    xdotool key Return
    box_gone() { is_gone "$box"; }
    wait_for "the message to close" box_gone
    focus "$SHEET"
    echo "   refused: $text, file unchanged"
}

# Return closes the sheet; the settings file is then waited for until the
# check named ($1, a function) finds what the sheet stored in it.
close_with_return() {
    focus "$SHEET"
    xdotool key Return
    sheet_gone() { is_gone "$SHEET"; }
    wait_for "the sheet to close on Return" sheet_gone
    STEP_SECONDS=5 wait_for "the sheet's values in the settings file" "$1"
}

# The frame has the keyboard again without a click once a sheet closed, also
# under a window manager that activates nothing then: its menu letters work.
frame_active_again() {
    frame_active() { [ "$(program_focus)" = "$MAIN" ] && echo yes; }
    STEP_SECONDS=5 wait_for "the frame to be active again after the sheet" frame_active
}

choose_palette() {
    focus "$MAIN"
    case $1 in
        night)
            xdotool key alt+v
            menu_open() { other_windows "$MAIN"; }
            wait_for "the View menu" menu_open
            local menu=$FOUND
            sleep 0.2
            xdotool key n
            menu_gone() { is_gone "$menu"; }
            wait_for "the View menu to close" menu_gone
            ;;
        day) xdotool key ctrl+alt+d ;;
    esac
    sleep 0.5
}

# ---------------------------------------------------------------------------
step "start with a fresh home"
start_program
settle

for palette in day night; do
    step "pictures of every page under $palette"
    choose_palette "$palette"
    open_sheet "Tools Options" o o
    walk_pages tools "$TOOLS_PAGES" "$palette"
    xdotool key Escape
    open_sheet "Navigator Options" n o
    walk_pages navigator 7 "$palette"
    xdotool key Escape
    open_sheet "Chart Options" c p
    walk_pages chart 2 "$palette"
    xdotool key Escape
    open_sheet "Chart Management Options" c g
    walk_pages management 1 "$palette"
    xdotool key Escape
    sleep 0.3
done
choose_palette day

step "Tools Options: decimal places 5 refused, 3 kept; priority boost by its slider"
open_sheet "Tools Options" o o
options_decimal_places
xdotool key ctrl+a
type_text 5
expect_refusal "Decimal places run from 0 to 4" decimal-places
options_decimal_places
xdotool key ctrl+a
type_text 3
xdotool key ctrl+Tab
sleep 0.2
# The slider's labels have no key: it is the control before COM1's path.
xdotool key alt+1 shift+Tab End
# OK applies the frame's values; the workspace's save writes them.
focus "$SHEET"
xdotool key Return
sheet_gone() { is_gone "$SHEET"; }
wait_for "the sheet to close on Return" sheet_gone
frame_active_again
settle
has_setting DecimalPlaces dword:3 && fail "DecimalPlaces=3 written at OK, before the workspace was saved"
has_setting ThreadPriority dword:2 && fail "ThreadPriority=2 written at OK, before the workspace was saved"
menu_path alt+f k a
save_as() { window_named "Save Workspace As"; }
wait_for "the Save Workspace As question" save_as
focus "$FOUND"
sleep 0.3
xdotool key ctrl+a
xdotool type Bridge
xdotool key Return
tools_stored() { has_setting DecimalPlaces dword:3 && has_setting ThreadPriority dword:2 && echo yes; }
STEP_SECONDS=5 wait_for "the Tools Options values in the saved workspace" tools_stored

step "Navigator Options: minutes 75 refused; a value on every page"
open_sheet "Navigator Options" n o
# General first: time marks on the own track.
toggle t
xdotool key ctrl+Tab
sleep 0.2
# Position Logging opens with the keyboard in "Position marker every", its
# label having no key; the refusal gives the keyboard back to that field.
xdotool key ctrl+a
type_text "00:75:00"
expect_refusal "Minutes run from 0 to 59" minutes
xdotool key ctrl+a
type_text "00:00:45"
xdotool key ctrl+Tab
sleep 0.2
type_into v "00:01:30"
xdotool key alt+m End
xdotool key ctrl+Tab
sleep 0.2
type_into v 9
xdotool key ctrl+Tab
sleep 0.2
type_into e 2.0
xdotool key ctrl+Tab
sleep 0.2
type_into v 12
xdotool key ctrl+Tab
sleep 0.2
toggle i
navigator_stored() { has_setting IgnoreWarningFlags str:True && grep -q "^NMEARefreshTime=dword:12$" "$SETTINGS" && echo yes; }
close_with_return navigator_stored
frame_active_again
has_setting DrawTimeMarks str:True || fail "DrawTimeMarks=True (General) is not in the file"
has_setting VesselPlotFixFreq "str:0 00:00:45" || fail "VesselPlotFixFreq 00:00:45 is not in the file"
has_setting AutoScrollPercentage dword:100 || fail "AutoScrollPercentage=100 is not in the file"
grep -q "^BestChartCheckInterval=.*90" "$SETTINGS" || grep -q "^BestChartCheckInterval=" "$SETTINGS" ||
    fail "BestChartCheckInterval is not in the file"
has_setting IgnoreWarningFlags str:True || fail "IgnoreWarningFlags=True is not in the file"
grep -q "^NMEARefreshTime=dword:12$" "$SETTINGS" || fail "the wind page's 12 s is not in the file"

step "Chart Options: maximum windows and the grid"
open_sheet "Chart Options" c p
type_into m 7
xdotool key ctrl+Tab
sleep 0.2
toggle g
chart_stored() { has_setting MaxCharts dword:7 && has_setting DrawLatLongGrid str:True && echo yes; }
close_with_return chart_stored
has_setting MaxCharts dword:7 || fail "MaxCharts=7 is not in the settings file"
has_setting DrawLatLongGrid str:True || fail "DrawLatLongGrid=True is not in the settings file"
# Every OK hands the LIVECHART page's folder on, unchanged as it is: the folio
# update runs, and with no vector chart in the folder says it failed.
folio_box() { window_named "Livechart"; }
wait_for "the folio update's message after OK" folio_box
# The update's progress window came and went just before: the message takes
# the keyboard once the program counts it active.
activate "$FOUND"
xdotool key Return
folio_box_gone() { ! window_named "Livechart" >/dev/null && echo gone; }
wait_for "the folio message to close" folio_box_gone

step "Chart Management: a new chart folder"
open_sheet "Chart Management Options" c g
type_into f "$work/charts"
folder_stored() { has_setting ChartsFolder "str:$work/charts" && echo yes; }
close_with_return folder_stored
has_setting ChartsFolder "str:$work/charts" || fail "the new chart folder is not in the settings file"

echo "PASS: every sheet by keyboard; refusals leave the file; values kept"
