#!/bin/bash
# The position fields of the real program take the position format of Tools
# > Options > Workspace, on a virtual X server under evilwm, driven with
# xdotool, with the sample chartpoints installed as scripts/run installs them:
#   1. a start with 3 decimal places and degrees, minutes and seconds stored:
#      the chartpoint panel's position field shows the current mark in that
#      form (read from the field itself: Ctrl+A, Ctrl+C and the clipboard);
#   2. Tools Options (its caption "Tools Options"), 1 decimal place and
#      degrees and decimal minutes, OK: the field shows the new form at once
#      and the chart's grid labels are drawn again (the decimal places'
#      spin arrows step first, within 0 to 4);
#   3. Navigator > Position Source shows the vessel's position in it too.
#
# Usage: position_template_window_check.sh [path/to/brinevane [sample-chartpoints]]
# Screenshots go to $BRINE_SHOTS_DIR when it is set. Exit code 77 (skipped)
# without xvfb-run, xdotool, evilwm, ImageMagick or Python's tkinter.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SAMPLES=${2:-$(dirname "$PROGRAM")/../sample-chartpoints}
IMPORT=/usr/bin/import
XWIN_NAME=ptpl
XWIN_TOOLS="evilwm $IMPORT /usr/bin/convert /usr/bin/compare /usr/bin/python3"
XWIN_FILES="$SAMPLES/Chartpoints/PugetSound.dbf"
if [ -z "${BRINE_XWIN_INNER:-}" ] && ! python3 -c 'import tkinter' 2>/dev/null; then
    echo "SKIP: Python's tkinter is not installed"
    exit 77
fi
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$SAMPLES"

SHOTS=${BRINE_SHOTS_DIR:-}
STATE="$work/state.txt"
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
xwin_on_failure() { tail -3 "$STATE" >&2 2>/dev/null; }

# The program folder: what lies beside the program, but for what it writes there.
mkdir -p "$work/prog"
program_folder_links "$work/prog"
blank_chart_settings "$SETTINGS"
station_settings "$SETTINGS"
# Three decimal places of seconds, stored under the workspace's key as the
# Workspace page stores them, in the workspace reopened at start (made by
# station_settings).
{ grep -v '^#end$' "$SETTINGS"
  printf '%s\n' '[Software\Quorwick\Brinevane\Default]' 'DecimalPlaces=dword:3' \
      'DisplayDegMinSecPosition=str:True' '#end'; } > "$SETTINGS.new" && mv "$SETTINGS.new" "$SETTINGS"
"$(dirname "$PROGRAM")/sample-chartpoints" install "$SAMPLES" "$work/prog" "$SETTINGS" ||
    fail "the sample chartpoints did not install"
export BRINE_PROGRAM_FOLDER="$work/prog" BRINE_INITIAL_CHARTPOINTS=PugetSound
export BRINE_CHARTPOINT_STATE_FILE="$STATE" BRINE_REPORT_FOCUS=1
PROGRAM="$work/prog/brinevane"
start_wm
start_past_disclaimer

# The text of the field that holds the keyboard, through the clipboard,
# emptied first: where Ctrl+C copies nothing (a button, a label) the text is
# empty, never what an earlier field left there.
# One process empties the clipboard, sends Ctrl+A Ctrl+C and waits up to 5 s
# for the text: the program takes the clipboard when it gets to the key,
# which under load can be late, and a new process for each step costs a
# loaded machine seconds of its own.
CLIP=""
field_text() {
    CLIP=$(python3 - <<'PY' 2>/dev/null
import subprocess, sys, time, tkinter
r = tkinter.Tk()
r.withdraw()
r.clipboard_clear()
r.update()
subprocess.run(["xdotool", "key", "ctrl+a", "ctrl+c"], check=False)
end = time.monotonic() + 5
while True:
    r.update()
    try:
        text = r.clipboard_get()
        if text:
            print(text)
            sys.exit(0)
    except tkinter.TclError:
        pass
    if time.monotonic() >= end:
        sys.exit(1)
    time.sleep(0.05)
PY
    ) || CLIP=""
}

# A menu's entry by its key, the menu opened by a click on its title $1 px
# from the window's left: the chartpoint panel's labels take Alt+N (Name),
# Alt+A (Area) and Alt+O (Position), the keys of the Navigator, Chartpoint
# and Tools menus.
NAVIGATOR_MENU_X=202
CHARTPOINT_MENU_X=329
TOOLS_MENU_X=492
menu_entry() {
    activate "$MAIN"
    geometry "$MAIN"
    click_at $((X + $1)) $((Y + 8))
    menu_open() { other_windows "$MAIN" | head -1 | grep .; }
    wait_for "the menu at $1 px" menu_open
    xdotool key "$2"
    sleep 0.5
}
chartpoint_edit() { menu_entry $CHARTPOINT_MENU_X e; }

# The chartpoint panel's position field: the panel in front (F3), Chartpoint >
# Edit so its fields take the keyboard, then the ZT field by its key and
# Tab to the position after it (its text in $CLIP); Edit again leaves the
# panel as it was.
panel_position() {
    activate "$MAIN"
    xdotool key F3
    sleep 0.5
    chartpoint_edit
    xdotool key alt+z Tab
    sleep 0.3
    field_text
    chartpoint_edit
    pointer_to 2 2
}

expect_state "PugetSound open with its first mark" name Point

# Checks a position text ($1) in form $2 (dms or dm) with $3 decimals against
# the current mark's state line: the layout by a pattern, the value within a
# unit of its last decimal; "layout" as $4 checks the layout alone.
check_position() {
    python3 - "$1" "$2" "$3" "$STATE" "${4:-value}" <<'PY' || fail "position field \"$1\" is not $3 decimals in $2 form"
import re, sys
text, form, places, state, what = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
frac = r"\.(\d{%d})" % places if places else r"()"
if form == "dms":
    part = r"(\d{%d})\u00b0(\d{2})'(\d{2})" + frac + r"([%s])"
else:
    part = r"(\d{%d})\u00b0(\d{2})" + frac + r"([%s])"
m = re.fullmatch(part % (2, "NS") + "  " + part % (3, "EW"), text)
if not m:
    print("layout differs: %r" % text)
    sys.exit(1)
g = m.groups()
if what == "layout":
    print("   %s: laid out as asked" % text)
    sys.exit(0)
def value(groups):
    if form == "dms":
        d, mi, s, f, h = groups
        v = int(d) + int(mi) / 60 + float(s + "." + (f or "0")) / 3600
    else:
        d, mi, f, h = groups
        v = int(d) + float(mi + "." + (f or "0")) / 60
    return -v if h in "SW" else v
half = len(g) // 2
lat, lon = value(g[:half]), value(g[half:])
line = open(state).read().splitlines()[-1]
fields = dict(re.findall(r"(lat|lon)=([^=]*?) (?=\w+=)", line + " end="))
def state_value(t):
    parts = t.split()
    v = int(parts[0]) + float(parts[1]) / 60
    return -v if parts[2] in "SW" else v
want_lat, want_lon = state_value(fields["lat"]), state_value(fields["lon"])
# The state line holds thousandths of a minute.
unit = (1 / 3600 if form == "dms" else 1 / 60) * 10 ** -places + 0.001 / 60
ok = abs(lat - want_lat) <= unit and abs(lon - want_lon) <= unit
print("   %s: %.6f %.6f against %.6f %.6f" % (text, lat, lon, want_lat, want_lon))
sys.exit(0 if ok else 1)
PY
}

step "the panel's position in the stored form: 3 decimals of seconds"
panel_position
echo "   field: $CLIP"
check_position "$CLIP" dms 3
xwin_shot ptpl_1_seconds

settled_screen "$work/chart_before.png"
GRID=$(grid_box "$work/chart_before.png")
read -r GW GH GX GY <<< "$GRID"
[ "${GW:-0}" -gt 100 ] || fail "no chart grid on the screen"

step "Tools Options: 1 decimal place, degrees and decimal minutes, OK"
menu_entry $TOOLS_MENU_X o
pointer_to 2 2
sheet_visible() { window_named "Tools Options"; }
wait_for "the sheet captioned \"Tools Options\"" sheet_visible
SHEET=$FOUND
activate "$SHEET"
# The decimal places' spin arrows, beside the number: up from 3 stops at 4,
# down twice gives 2 (read from the field through the clipboard).
geometry "$SHEET"
SX=$X SY=$Y
click_at $((SX + 230)) $((SY + 117))
click_at $((SX + 230)) $((SY + 117))
click_at $((SX + 230)) $((SY + 127))
click_at $((SX + 230)) $((SY + 127))
# The field by its key, read until it gives its text: under load the sheet
# may take the key and the copy after the first look.
decimal_places() {
    options_decimal_places
    field_text
    [ -n "$CLIP" ] && echo "$CLIP"
}
wait_for "the decimal places field's text" decimal_places
CLIP=$FOUND
echo "   decimal places after up, up, down, down: $CLIP"
[ "$CLIP" = "2" ] || fail "the spin arrows left the decimal places at \"$CLIP\", not 2"
xdotool key ctrl+a
xdotool type --delay 30 1
options_decimal_minutes
sleep 0.3
xwin_shot ptpl_2_options
xdotool key Return
sheet_gone() { is_gone "$SHEET"; }
wait_for "the sheet to close" sheet_gone
panel_position
echo "   field: $CLIP"
check_position "$CLIP" dm 1
# The chart's grid labels are written again in the new form.
settled_screen "$work/chart_after.png"
changed=$(compare -metric AE "$work/chart_before.png[${GW}x${GH}+${GX}+${GY}]" \
    "$work/chart_after.png[${GW}x${GH}+${GX}+${GY}]" null: 2>&1)
echo "   chart pixels changed: $changed"
[ "${changed%% *}" != "0" ] || fail "the chart's grid labels kept the old form"
xwin_shot ptpl_3_minutes

step "Navigator > Position Source lays its position out the same way"
menu_entry $NAVIGATOR_MENU_X p
source_visible() { window_named "Position Source"; }
wait_for "the Position Source dialog" source_visible
SOURCE=$FOUND
activate "$SOURCE"
# Dead Reckoning lets the position be typed; Tab goes round the dialog's
# fields until the one holding a position (a degree sign) has the keyboard:
# the dialog's own, the clipboard emptied before each look.
xdotool key alt+d
for i in $(seq 1 14); do
    xdotool key Tab
    field_text
    case "$CLIP" in *°*) break ;; esac
done
echo "   field: $CLIP"
case "$CLIP" in *°*) ;; *) fail "no position field in Position Source" ;; esac
check_position "$CLIP" dm 1 layout
xwin_shot ptpl_4_position_source
xdotool key Escape
source_gone() { is_gone "$SOURCE"; }
wait_for "the Position Source dialog to close" source_gone
echo "PASS: the position fields follow the Workspace page's format"
