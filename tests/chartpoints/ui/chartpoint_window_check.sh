#!/bin/bash
# Chartpoints on the real program window, on a virtual X server driven with
# xdotool, with HOME and the XDG folders in a temporary folder and the sample
# chartpoints installed into a program folder of its own as scripts/run does:
#   1. the sample marks show with their ID and name labels on the chart;
#   2. Edit, a right click "Add New Chartpoint" at a known pixel puts the new
#      mark there; a name and a memo typed and applied, the sample picture
#      attached and viewed;
#   3. Locked unticked, the mark dragged 100 px lands at the drop and Locked
#      is ticked again; dbfread finds the stored position where the mark is drawn;
#   4. dragged up off the chart, the mark stays at the last place on the
#      chart the drag passed;
#   5. Delete: No keeps the mark, Yes removes it;
#   6. the Night palette.
# Given the sample chart media as a third argument, the program starts on the
# raster overview the media install instead, and the check ends once the mark
# added by the right click lies at the click: a raster chart's client and
# chart points differ by its scroll and zoom.
# Screenshots go to $BRINE_SHOTS_DIR when it is set. The program reports each
# change on BRINE_CHARTPOINT_STATE_FILE (the current mark's screen point).
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
SAMPLES=${2:-$(dirname "$PROGRAM")/../sample-chartpoints}
MEDIA=${3:-}
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import
XWIN_NAME=cpt
XWIN_TOOLS="evilwm $CONVERT $IMPORT /usr/bin/python3"
XWIN_FILES="$SAMPLES/Chartpoints/PugetSound.dbf"
# shellcheck source=../../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
if [ -n "$MEDIA" ] && [ -z "${BRINE_XWIN_INNER:-}" ]; then
    [ -f "$MEDIA/update-1/ReadMe.cdv" ] || { echo "SKIP: no sample chart media in $MEDIA"; exit $SKIP; }
    MEDIA=$(cd "$MEDIA" && pwd)
fi
xwin_enter "$0" "$PROGRAM" "$SAMPLES" "$MEDIA"

mkdir -p "$work/config/Quorwick/Brinevane" "$work/prog"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
STATE="$work/state.txt"
xwin_on_failure() { tail -5 "$STATE" >&2 2>/dev/null; }
settled() { settled_screen "$1"; }
count_colour() {
    "$CONVERT" "$1" -fuzz 8% -fill black +opaque "$2" -fill white -opaque "$2" -format "%[fx:round(mean*w*h)]" info:
}

# A Chartpoint menu entry by its key. The menu bar's title is found in the
# first screenshot by its text's place: the seventh title.
CHARTPOINT_MENU_X=329
popup() { program_windows | while read -r w; do [ "$w" != "$MAIN" ] && echo "$w"; done | head -1 | grep .; }
chartpoint_menu() {
    activate "$MAIN"
    geometry "$MAIN"
    # The Chartpoint menu's title in the menu bar, by the pointer.
    click_at $((X + CHARTPOINT_MENU_X)) $((Y + 8))
    sleep 0.6
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.4
    done
}

# The program folder: what lies beside the program, but for what it writes there.
program_folder_links "$work/prog"
blank_chart_settings "$work/config/Quorwick/Brinevane/settings.conf"
# A station port and folder of its own: a program of another check on the
# default port would be a station holding the chartpoint lock.
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
if [ -n "$MEDIA" ]; then
    # No chart to reopen: the first start installs the media and shows the overview.
    sed -i '/LastOpened/,/BottomRightLongitude/d' "$work/config/Quorwick/Brinevane/settings.conf"
    cp -r "$MEDIA" "$work/media"
fi
private_logs "$work/config/Quorwick/Brinevane/settings.conf"
# The sample chartpoints installed as scripts/run installs them: the labels
# are turned on by the install, not by these settings.
"$(dirname "$PROGRAM")/sample-chartpoints" install "$SAMPLES" "$work/prog" \
    "$work/config/Quorwick/Brinevane/settings.conf" || fail "the sample chartpoints did not install"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export BRINE_PROGRAM_FOLDER="$work/prog" BRINE_INITIAL_CHARTPOINTS=PugetSound BRINE_CHARTPOINT_STATE_FILE="$STATE"
export BRINE_INSTANCE_NAME="brine-cpt-$$-$RANDOM" BRINE_REPORT_FOCUS=1 BRINE_REPORT_PANELS=1
start_wm

TMPDIR="$work/tmp" "$work/prog/brinevane" ${MEDIA:+--sample-media "$work/media"} > "$work/program.log" 2>&1 &
PID=$!
pass_disclaimer

step "the sample marks with ID and name labels"
expect_state "PugetSound open at Point Wilson Light" name Point
# F3 shows the chartpoint panel. A first start's installation windows may
# still be handing the keyboard back as the key goes out, so it is pressed
# again until the program reports the panel active.
chartpoint_panel_active() {
    grep "Brinevane: side panels: " "$work/program.log" | tail -n 1 | grep -q "active=Chartpoint " &&
        echo ok
}
for _ in 1 2 3 4 5; do
    activate "$MAIN"
    xdotool key F3
    sleep 1
    chartpoint_panel_active >/dev/null && break
done
wait_for "the chartpoint panel" chartpoint_panel_active
# The chart window tiled over the whole work area: Window > Tile.
xdotool key alt+w
sleep 0.4
xdotool key t
pointer_to 2 2
sleep 1
activate "$MAIN"
settled "$SHOTS/chartpoints_1_marks.png"
labels=$(count_colour "$SHOTS/chartpoints_1_marks.png" "#FF8000")
echo "   label and mark pixels: $labels"
[ "$labels" -gt 400 ] || fail "no chartpoint labels on the chart ($labels pixels)"
LINES=$(state_lines)

step "Edit, right click \"Add New Chartpoint\" at a known pixel"
# Next: Admiralty Head Light becomes current and reports where it is drawn;
# the new mark goes on open water 150 px right of it and 80 px down.
LINES=$(state_lines)
chartpoint_menu l x
expect_state "Admiralty Head Light current" name Admiralty
if [ -n "$MEDIA" ]; then
    # Water in Puget Sound on the overview, away from every mark.
    geometry "$MAIN"
    AX=$((X + 300)) AY=$((Y + 500))
else
    PX=$(field x) PY=$(field y)
    [ -n "$PX" ] || fail "Admiralty Head Light's mark was not reported"
    AX=$((PX + 150)) AY=$((PY + 80))
fi
chartpoint_menu e
LINES=$(state_lines)
pointer_to $AX $AY
xdotool click 3
menu_open() { program_windows | while read -r w; do [ "$w" != "$MAIN" ] && echo "$w"; done | head -1 | grep .; }
wait_for "the chart's context menu" menu_open
sleep 0.3
xdotool key n   # Add New Chartpoint by its letter: other modules' entries share the menu
expect_state "a new chartpoint appended" hint 6
NX=$(field x) NY=$(field y)
echo "   new mark at $NX,$NY for a click at $AX,$AY"
[ $(( (NX - AX) * (NX - AX) + (NY - AY) * (NY - AY) )) -le 2 ] || fail "the new mark is not at the click"
if [ -n "$MEDIA" ]; then
    echo "PASS: a chartpoint added on the raster chart lies at the click"
    exit 0
fi
xdotool type --delay 40 "Elliott Bay Anchorage"
xdotool key alt+m
xdotool type --delay 40 "Good holding in mud, 15 m."
xdotool key alt+p
expect_state "the panel applied" name "Elliott"
step "the sample picture attached and viewed"
xdotool key alt+m Tab Tab space
dlg() { window_named "Attach Attachment"; }
wait_for "the Attach Attachment dialog" dlg
ATT=$FOUND
activate "$ATT"
# The program's own dialog: the folder in its Folder field, the name (with its
# extension: the types share several) in its name field.
file_dialog_folder
xdotool type --delay 20 "$work/prog/Attach"
xdotool key alt+n ctrl+a
xdotool type --delay 20 "PointWilson.jpg"
# The accept button is "&Attach": its key takes the file.
xdotool key alt+a
att_gone() { is_gone "$ATT"; }
wait_for "the dialog to close" att_gone
activate "$MAIN"
sleep 0.5
xdotool key alt+m
sleep 0.2
xdotool key alt+p
expect_state "the attachment applied" hint 5
xdotool key alt+i
viewer() { window_named "PointWilson.jpg"; }
sleep 2
settled "$SHOTS/chartpoints_2_panel_and_picture.png"
python_out=$(/usr/bin/python3 - "$work/prog/Chartpoints/PugetSound" <<'PY'
import sys
from dbfread import DBF
base = sys.argv[1]
ids = {r['UNIQUE']: r['NAME'] for r in DBF(base + '.dbf', encoding='cp1252')}
memo = [r['DATA'] for r in DBF(base + '.X/MEMOS.dbf', encoding='cp1252') if ids.get(r['MASTER_ID']) == 'Elliott Bay Anchorage']
att = [r['DATA'] for r in DBF(base + '.X/ATTCHMTS.dbf', encoding='cp1252') if ids.get(r['MASTER_ID']) == 'Elliott Bay Anchorage']
print(len(ids), memo, att)
PY
)
echo "   dbfread: $python_out"
case "$python_out" in
"13 ['Good holding in mud, 15 m.'] ['PointWilson.jpg']") ;;
*) fail "dbfread does not find the new chartpoint's memo and picture: $python_out" ;;
esac

# Alt+K unticks Locked. A mnemonic clicks its box as an animated click, which
# lands a while later (longer under load): a drag started before it would find
# the mark still locked, so the drag waits for the program's "locked=0" line.
unlock() {
    LINES=$(state_lines)
    xdotool key alt+k
    expect_state "Locked unticked" locked 0
}

step "Locked unticked, the mark dragged 100 px"
# Alt+K reaches the panel only once the main window is active again after the viewer.
activate "$MAIN"
unlock
pointer_to $AX $AY
xdotool mousedown 1
for i in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove --sync $((AX + i * 10)) $((AY - i * 4)); done
xdotool mouseup 1
DX=$((AX + 100)) DY=$((AY - 40))
expect_state "the mark moved" hint 5
MX=$(field x) MY=$(field y)
echo "   mark at $MX,$MY for a drop at $DX,$DY, locked=$(field locked)"
[ $(( (MX - DX) * (MX - DX) + (MY - DY) * (MY - DY) )) -le 2 ] || fail "the mark is not at the drop"
pointer_to 2 2
settled "$SHOTS/chartpoints_3_dragged.png"
[ "$(field locked)" = 1 ] || fail "Locked is not ticked again after the move"
STORED=$(/usr/bin/python3 - "$work/prog/Chartpoints/PugetSound" <<'PY'
import sys
from dbfread import DBF
for r in DBF(sys.argv[1] + '.dbf', encoding='cp1252'):
    if r['NAME'] == 'Elliott Bay Anchorage':
        lat, lon = r['LAT'], r['LNG']
        print('%02d %06.3f %s' % (int(abs(lat)), (abs(lat) % 1) * 60, 'N' if lat >= 0 else 'S'),
              '%03d %06.3f %s' % (int(abs(lon)), (abs(lon) % 1) * 60, 'E' if lon >= 0 else 'W'))
PY
)
DRAWN=$(last_state | sed -n 's/.* lat=\(.*\) lon=\(.*\) x=.*/\1 \2/p')
echo "   dbfread: $STORED; drawn from: $DRAWN"
# The table keeps more digits than the texts show, so the two texts may round
# the last decimal of the minutes apart: the same place to within 0.002'
# (about 4 m, well under a pixel at this scale).
same_place() {
    /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
def minutes(text):
    p = text.split()
    lat = (int(p[0]) * 60 + float(p[1])) * (1 if p[2] == 'N' else -1)
    lon = (int(p[3]) * 60 + float(p[4])) * (1 if p[5] == 'E' else -1)
    return lat, lon
a, b = minutes(sys.argv[1]), minutes(sys.argv[2])
sys.exit(0 if abs(a[0] - b[0]) <= 0.002 and abs(a[1] - b[1]) <= 0.002 else 1)
PY
}
same_place "$STORED" "$DRAWN" || fail "the stored position is not the one drawn at the drop"

step "Locked unticked, the mark dragged up off the chart stays at its last place on it"
activate "$MAIN"
unlock
pointer_to $MX $MY
xdotool mousedown 1
# Straight up in 20 px steps to the screen's top, over the menus.
STEPS=$(( (MY - 2) / 20 ))
for i in $(seq 1 $STEPS); do xdotool mousemove --sync $MX $((MY - i * 20)); done
xdotool mousemove --sync $MX 2
xdotool mouseup 1
expect_state "the mark moved to the chart's edge" hint 5
OX=$(field x) OY=$(field y)
echo "   mark at $OX,$OY after a drag from $MX,$MY up to $MX,2"
[ $(( (OX - MX) * (OX - MX) )) -le 4 ] || fail "the mark left the line it was dragged along"
[ $(( (MY - OY) % 20 )) -le 2 ] || [ $(( (MY - OY) % 20 )) -ge 18 ] ||
    fail "the mark is not where the drag passed on the chart"
[ "$OY" -lt $((MY - 10)) ] || fail "the mark stayed where it was: the move was cancelled"
[ "$OY" -gt 10 ] || fail "the mark went off the chart with the pointer"
pointer_to 2 2
settled "$SHOTS/chartpoints_3b_dragged_off.png"

step "Delete: No keeps the mark, Yes removes it"
ask() { window_named "Chartpoint"; }
chartpoint_menu d
wait_for "the delete question" ask
xdotool key n
sleep 1
[ "$(grep -c "hint=4" "$STATE")" = 0 ] || fail "No deleted the chartpoint"
chartpoint_menu d
wait_for "the delete question" ask
xdotool key y
expect_state "the chartpoint deleted" count 12
pointer_to 2 2
settled "$SHOTS/chartpoints_4_deleted.png"

step "File > Open, Chartpoint Database: the program's own dialog takes no \"~\" table"
# A table under the name the program gives its own temporary tables.
cp "$work/prog/Chartpoints/PugetSound.dbf" "$work/prog/Chartpoints/~dA761F8.dbf"
activate "$MAIN"
xdotool key ctrl+o
chooser() { window_named "Open"; }
wait_for "the Open chooser" chooser
activate "$FOUND"
xdotool key d Return   # the first "Database": the chartpoint one
cpt_open() { window_named "Open Chartpoint Database"; }
wait_for "the Open Chartpoint Database dialog" cpt_open
DLG=$FOUND
activate "$DLG"
LINES=$(state_lines)
xdotool type --delay 20 "~dA761F8"
xdotool key Return
sleep 1.5
is_gone "$DLG" && fail "the open dialog took the temporary table ~dA761F8"
[ "$(state_lines)" = "$LINES" ] || fail "a table was opened for ~dA761F8"
xwin_shot chartpoints_6_open_refuses_tilde
xdotool key ctrl+a
xdotool type --delay 20 "PugetSound"
xdotool key Return
dlg_gone() { is_gone "$DLG"; }
wait_for "the open dialog to close on PugetSound" dlg_gone
# Opened afresh: closed and opened again, the same table's name reported.
expect_state "PugetSound opened again" table PugetSound

step "File > Save As, Chartpoint Database: no overwrite in network mode, a \"~\" name refused"
activate "$MAIN"
xdotool key alt+f
sleep 0.4
xdotool key a
chooser() { window_named "Save As"; }
wait_for "the Save As chooser" chooser
activate "$FOUND"
xdotool key Return   # Chartpoint Database comes first
cpt_save() { window_named "Save Chartpoint Database"; }
wait_for "the Save Chartpoint Database dialog" cpt_save
DLG=$FOUND
activate "$DLG"
# The name proposed is the open table's own. Stations share files here
# (station messaging runs): it is refused with a stop message, no question.
PUGET=$(stat -c %Y.%s "$work/prog/Chartpoints/PugetSound.dbf")
xdotool key Return
refusal() { other_windows "$MAIN" "$DLG" | head -1 | grep .; }
wait_for "the network mode refusal" refusal
BOX=$FOUND
xwin_shot chartpoints_7_overwrite_refused
xdotool windowfocus --sync "$BOX"
xdotool key Return
box_gone() { is_gone "$BOX"; }
wait_for "the refusal to close" box_gone
is_gone "$DLG" && fail "the save dialog wrote over the open table in network mode"
[ "$(stat -c %Y.%s "$work/prog/Chartpoints/PugetSound.dbf")" = "$PUGET" ] ||
    fail "PugetSound.dbf was written over"
activate "$DLG"
BEFORE=$(stat -c %Y.%s "$work/prog/Chartpoints/~dA761F8.dbf")
xdotool key ctrl+a
xdotool type --delay 20 "~dA761F8"
xdotool key Return
sleep 1.5
is_gone "$DLG" && fail "the save dialog took the name ~dA761F8"
[ "$(stat -c %Y.%s "$work/prog/Chartpoints/~dA761F8.dbf")" = "$BEFORE" ] ||
    fail "the table ~dA761F8 was written over"
LINES=$(state_lines)
xdotool key ctrl+a
xdotool type --delay 20 "Harbour"
xdotool key Return
wait_for "the save dialog to close on Harbour" dlg_gone
saved() { [ -f "$work/prog/Chartpoints/Harbour.dbf" ] && echo yes; }
wait_for "Harbour.dbf written" saved
HARBOUR=$(/usr/bin/python3 -c 'import sys; from dbfread import DBF; print(len(list(DBF(sys.argv[1], encoding="cp1252"))))' \
    "$work/prog/Chartpoints/Harbour.dbf")
[ "$HARBOUR" = 12 ] || fail "Harbour.dbf holds $HARBOUR chartpoints, not the 12 of PugetSound"

step "the list window active: Print Preview runs the chartpoint report at once"
chartpoint_menu w
sleep 1
pointer_to 2 2
settled "$SHOTS/chartpoints_8_list.png"
activate "$MAIN"
xdotool key alt+f
sleep 0.4
xdotool key v
sleep 2
window_named "Print Preview" >/dev/null && fail "Print Preview asked which report with the list window active"
settled "$SHOTS/chartpoints_9_list_preview.png"
changed=$(/usr/bin/compare -metric AE "$SHOTS/chartpoints_8_list.png" "$SHOTS/chartpoints_9_list_preview.png" null: 2>&1)
echo "   pixels changed by the preview: $changed"
[ "${changed%%.*}" -gt 50000 ] 2>/dev/null || fail "no report window came ($changed pixels changed)"

step "the Night palette"
activate "$MAIN"
xdotool key alt+v
sleep 0.4
xdotool key n
sleep 1
settled "$SHOTS/chartpoints_5_night.png"
echo "PASS"
