#!/bin/bash
# The tidal windows and the passage plan on the real program window, on a
# virtual X server driven with xdotool, with the sample chart media and the
# sample tidal model (its folder named in the settings):
#   1. the red box of the tidal model's area is over the chart from the
#      start; Ctrl+Alt+T opens the Tidal Atlas: arrows appear over the chart
#      and the box stays; its Options (Alt+O) opens the Tools
#      Options sheet at the Tidal Atlas page; Escape closes it and the arrows
#      go;
#   2. a right click on open water, "Tidal stream": the Tidal Stream window
#      opens, the stream's result text (to be used with caution) comes in a
#      stop box once, and the arrow is drawn at the click;
#   3. Route > Plan > Calculate on the sample route, tides on, opens the
#      Passage Plan window with its waypoints worked out, and the legs' ground
#      tracks are drawn on the chart.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
TIDES=${3:-$(dirname "$PROGRAM")/../sample-tides}
ROUTES=${4:-$(dirname "$PROGRAM")/../sample-routes}
XWIN_NAME=tides
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm import compare convert"
XWIN_FILES="$MEDIA $TIDES/PugetSound.tid $ROUTES/Sample.dbf"
source "$(dirname "${BASH_SOURCE[0]}")/../../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA" "$TIDES" "$ROUTES"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS" "$work/config/Quorwick/Brinevane"
TIDES=$(cd "$TIDES" && pwd)
MEDIA=$(cd "$MEDIA" && pwd)
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<CONF
[Software\\Quorwick\\Brinevane\\Default\\Tidal]
StartTimeMethod=dword:2
StartTime=str:20300307 120000
[Software\\Quorwick\\Brinevane\\Default\\TidalModel]
DataFolder=str:$TIDES
[Software\\Quorwick\\Brinevane\\Default\\Route\\Plan\\Settings]
TidesOn=str:True
TidalCalcInterval=str:600
#end
CONF
station_settings "$work/config/Quorwick/Brinevane/settings.conf"
# The sample route, as scripts/run installs it.
"$(dirname "$PROGRAM")/route-sample" install "$ROUTES/Sample" "$work/data/Quorwick/Brinevane/Routes" \
    "$work/config/Quorwick/Brinevane/settings.conf" || fail "cannot install the sample route"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export HOME="$work/home" TZ=America/Los_Angeles
export BRINE_INSTANCE_NAME="brine-tides-$$-$RANDOM"
start_wm

BLUE="#007FFF"
RED="#FF0000"
N=0
shot() {
    N=$((N + 1))
    settled_screen "$work/full.png"
    cp "$work/full.png" "$SHOTS/tides_${N}_$1.png"
}

TMPDIR="$work/tmp" "$PROGRAM" --sample-media "$MEDIA" > "$work/program.log" 2>&1 &
PID=$!
dlg_visible() { window_named "DISCLAIMER"; }
wait_for "the DISCLAIMER window" dlg_visible
DLG=$FOUND
geometry "$DLG"
click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24)) 1
chart_open() {
    local w
    for w in $(program_windows); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        *RC9001*) echo "$w"; return 0 ;;
        esac
    done
    return 1
}
STEP_SECONDS=60 wait_for "the sample chart RC9001" chart_open
MAIN=$FOUND
pointer_to 2 2
shot chart
BLUE0=$(count_colour "$work/full.png" "$BLUE")
RED0=$(count_colour "$work/full.png" "$RED")
# The most pixels of red in one row: a side of the model box is a long
# straight red line, which no route leg or arrow is.
red_row() {
    convert "$1" -fill black +opaque "$RED" -fill white -opaque "$RED" -colorspace gray -depth 8 \
        pgm:- | /usr/bin/python3 -c '
import sys
data = sys.stdin.buffer.read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
width, height = int(fields[1]), int(fields[2])
pixels = data[at + 1:]
print(max(sum(1 for v in pixels[y * width:(y + 1) * width] if v > 127) for y in range(height)))'
}
ROW0=$(red_row "$work/full.png")
echo "   the chart alone: at most $ROW0 red pixels in a row"
[ "$ROW0" -ge 150 ] || fail "the tidal model's box is not drawn over the chart"

step "Ctrl+Alt+T: the Tidal Atlas, arrows over the chart"
focus "$MAIN"
xdotool key ctrl+alt+t
atlas_visible() { window_named "Tidal Atlas"; }
wait_for "the Tidal Atlas window" atlas_visible
ATLAS=$FOUND
pointer_to 2 2
shot atlas
BLUE1=$(count_colour "$work/full.png" "$BLUE")
RED1=$(count_colour "$work/full.png" "$RED")
echo "   blue pixels $BLUE0 -> $BLUE1, red $RED0 -> $RED1"
[ "$BLUE1" -gt $((BLUE0 + 20)) ] || fail "no blue arrows drawn"
[ "$RED1" -gt $((RED0 + 100)) ] || fail "no red arrows drawn"
# The model box stays with the atlas.
[ "$(red_row "$work/full.png")" -ge 150 ] || fail "the model box went with the atlas"
# Open water where the stream window is asked next: the middle of the widest
# run of the chart's white water along a row through the blue arrows' middle.
read -r BY <<< "$(convert "$work/full.png" -fill black +opaque "$BLUE" -fill white \
    -opaque "$BLUE" -trim -format "%[fx:page.y+h/2]" info:)"
read -r AX AY <<< "$(convert "$work/full.png" -crop "440x1+0+${BY%.*}" +repage -depth 8 txt:- |
    python3 -c '
import sys
best, run, start = (0, 0), 0, 0
for line in sys.stdin:
    if line.startswith("#"):
        continue
    x = int(line.split(",")[0])
    white = "#FFFFFF" in line
    run = run + 1 if white else 0
    start = x - run + 1
    if run > best[0]:
        best = (run, start + run // 2)
print(best[1], sys.argv[1])' "${BY%.*}")"
[ -n "${AY:-}" ] && [ "$AX" -gt 0 ] || fail "no open water found on the chart"

step "the atlas's Options: the Tools Options sheet at the Tidal Atlas page"
focus "$ATLAS"
xdotool key alt+o
sheet_visible() { window_named "Tools Options"; }
wait_for "the Tools Options sheet" sheet_visible
SHEET=$FOUND
pointer_to 2 2
shot options
focus "$SHEET"
xdotool key Escape
sheet_gone() { is_gone "$SHEET"; }
wait_for "the Options sheet to close" sheet_gone

step "Escape closes the atlas; its arrows go"
focus "$ATLAS"
xdotool key Escape
atlas_gone() { is_gone "$ATLAS"; }
wait_for "the atlas to close" atlas_gone
shot closed
BLUE2=$(count_colour "$work/full.png" "$BLUE")
RED2=$(count_colour "$work/full.png" "$RED")
[ "$BLUE2" -le $((BLUE0 + 5)) ] || fail "arrows stayed after the atlas closed ($BLUE2)"

step "right click on water, Tidal stream: the Tidal Stream window"
geometry "$MAIN"
click_at "$AX" "$AY" 3
sleep 0.6
# Tidal stream picked by its access key, the keyboard's way into the menu.
xdotool key t
stream_visible() { window_named "Tidal Stream"; }
wait_for "the Tidal Stream window" stream_visible
# The sample model's stream there is to be used with caution: its text comes
# in a stop box of the same title just after the chart draws the arrow.
named_stream() {
    local w
    for w in $(program_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Tidal Stream" ] && echo "$w"
    done
}
box_up() { [ "$(named_stream | wc -l)" -ge 2 ]; }
wait_for "the stream's result box" box_up
shot stream-box
BOX=$(xdotool getwindowfocus)
named_stream | grep -qx "$BOX" || fail "the result box does not have the keyboard"
xdotool key Return
box_gone() { is_gone "$BOX"; }
wait_for "the result box to close" box_gone
STREAM=$(named_stream | head -n 1)
[ -n "$STREAM" ] || fail "the stream window went with its box"
pointer_to 2 2
shot stream
convert "$work/full.png" -crop "80x80+$((AX - 40))+$((AY - 40))" +repage "$work/near.png"
ARROW=$(( $(count_colour "$work/near.png" "$BLUE") + $(count_colour "$work/near.png" "$RED") ))
echo "   $ARROW blue and red pixels within 40 px of the click"
[ "$ARROW" -gt 10 ] || fail "no stream arrow drawn at the click"
focus "$STREAM"
xdotool key Escape
stream_gone() { is_gone "$STREAM"; }
wait_for "the stream window to close" stream_gone

step "Route > Plan > Calculate: the Passage Plan window"
focus "$MAIN"
xdotool key alt+r
menu_open() { other_windows "$MAIN"; }
wait_for "the Route menu" menu_open
MENU=$(echo "$FOUND" | head -n 1)
geometry "$MENU"
# Plan is the menu's last but one entry; its submenu opens to the right.
xdotool mousemove --sync $((X + 40)) $((Y + HEIGHT - 36))
sleep 0.6
click_at $((X + WIDTH + 40)) $((Y + HEIGHT - 36)) 1
# Legs near land warn once each (OK silences the rest).
plan_done() {
    local box
    if box=$(window_named "Passage plan"); then
        WARNINGS=$((WARNINGS + 1))
        [ "$WARNINGS" -le 2 ] && shot "warning$WARNINGS"
        focus "$box"
        xdotool key Return
        return 1
    fi
    window_named "Passage Plan"
}
WARNINGS=0
wait_for "the Passage Plan window" plan_done
PLAN=$FOUND
pointer_to 2 2
shot plan
focus "$PLAN"
xdotool key Escape
plan_gone() { is_gone "$PLAN"; }
wait_for "the plan window to close" plan_gone
shot plantrack
BLUE3=$(count_colour "$work/full.png" "$BLUE")
echo "   blue pixels with the plan drawn: $BLUE3 (none drawn: $BLUE2)"
[ "$BLUE3" -gt $((BLUE2 + 100)) ] || fail "no planned ground track drawn"
echo "PASS"
