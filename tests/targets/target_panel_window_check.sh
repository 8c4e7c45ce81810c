#!/bin/bash
# The Target Tracking panel on the real program, on a virtual X server with a
# small window manager: a GPS on COM1, radar-sim on COM2 (eight targets round
# the own ship) and three tender units on COM3 (tools/tender-peer, the third
# in panic), each a socat pty pair.
#   1. ARPA on: the panel's "ARPA" card has a row per target, and its values
#      change between two pictures;
#   2. a click on a drawn radar target selects its row (and boxes it);
#      View > Properties there opens "ARPA Properties" with its number and
#      "Non-Dangerous"; Current Target > Delete empties its pages;
#   3. tender tracking on: the "Tender" card's three rows, the panic message;
#   4. the tender in panic made current, Go To chosen for it (the blank chart
#      stays where it is) and the chart zoomed out once to show it; a
#      click on it selects its row; View > Properties opens its "Target
#      Properties" ("'Panic Button' Activated", "Target Captured" filled),
#      though a radar target is reported on top of it (the current tender
#      comes before every target that is not current);
#   5. Reset MOB clears the panic until the unit's next MOVB;
#   6. the Tender Target Log's rows grow;
#   7. with another tender current, a click and View > Properties on
#      Rescue's place take radar target 42, which joined the navigator's
#      list before Rescue: "ARPA Properties" opens.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u

PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SOURCE=${BRINE_SOURCE_DIR:-$(dirname "$0")/../..}
XWIN_NAME=panel
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/config/Quorwick/Brinevane"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
shot() {
    sleep 0.5
    import -window "$1" "$work/$2.png" 2>/dev/null || fail "cannot take a picture of $2"
    cp "$work/$2.png" "$SHOTS/$2.png"
    echo "   picture $2.png"
}
# A picture of the screen without the half-second pause of shot, for polling.
snap() { import -window root "$work/$1.png" 2>/dev/null || fail "cannot take a picture of $1"; }
keep() { cp "$work/$1.png" "$SHOTS/$1.png" && echo "   picture $1.png"; }
# How many pixels differ between two pictures in a box "WxH+X+Y".
differing() {
    convert "$work/$1.png" "$work/$2.png" -crop "$3" +repage -compose difference -composite \
        -colorspace gray -threshold 10% -format "%[fx:round(mean*w*h)]" info:
}

step "COM1, COM2 and COM3 on socat pty pairs: a GPS, a radar and the tender transceiver"
pty_pairs 1 2 3
W='Software\Quorwick\Brinevane\Default'
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
COM3=str:$work/com3
[$W\\Navigator\\Radar\\ARPA]
ReceiveCOMPort=dword:2
MaxTargets=dword:20
[$W\\Navigator\\Radar\\ARPA\\OverlayProperties]
DrawNumber=str:True
DrawTrack=str:False
DrawProjectPath=str:False
[$W\\Navigator\\TenderTracking]
ReceiveCOMPort=dword:3
ChannelDuration=str:0 00:00:01
[$W\\Navigator\\TenderTracking\\OverlayProperties]
LoggingPeriod=str:0 00:00:03
[$W\\Navigator\\TenderTracking\\Transceiver\\Tender1]
Name=str:Red boat
Valid=str:True
SerialNumber=str:0001
[$W\\Navigator\\TenderTracking\\Transceiver\\Tender2]
Name=str:Blue boat
Valid=str:True
SerialNumber=str:0002
[$W\\Navigator\\TenderTracking\\Transceiver\\Tender3]
Name=str:Rescue
Valid=str:True
SerialNumber=str:0003
#end
CONF
sed -i 's/\\\\/\\/g' "$work/config/Quorwick/Brinevane/settings.conf"
private_logs "$work/config/Quorwick/Brinevane/settings.conf"
# The blank chart is not centred on the own ship: it opens round it, at
# harbour scale.
blank_chart_round "$work/config/Quorwick/Brinevane/settings.conf" 47.6 -122.4 0.176 0.1
gps_writer "$work/feed1" 47.6 -122.4
# The radar's clock is the GPS's (UTC now), so report times age as they come.
python3 "$SOURCE/tools/radar-sim/radar-sim" --out "$work/feed2" --targets 8 --rate 1 --speed 0 \
    --seed 7 --start "$(date -u +%H%M%S)" > "$work/radar.log" 2>&1 &
XWIN_PIDS="$XWIN_PIDS $!"
# Off the radar targets' cluster, south-west of the own ship; Rescue in panic, still,
# further off (out of the first view, so the radar target over it is not the one deleted).
python3 "$SOURCE/tools/tender-peer/tender-peer.py" "$work/feed3" \
    02=0001,47.575,-122.455,90,2 04=0002,47.571,-122.447,180,1,7.5 \
    06=0003,47.520,-122.520,45,0,2.0,panic > "$work/peer.log" 2>&1 &
XWIN_PIDS="$XWIN_PIDS $!"
# Radar target 42 where Rescue lies still, beside radar-sim's targets.
sentence_writer "$work/feed2" "RATLL,42,4731.200,N,12231.200,W,OVER,{utc},T,"
start_wm
export BRINE_NAV_STATE_FILE="$work/nav.txt"
start_past_disclaimer
# The GPS's first fix.
fixed() { tail -n 1 "$work/nav.txt" 2>/dev/null | tr '\t' '\n' | grep -q '^latitude=.' && echo yes; }
wait_for "the GPS's first fix on the Monitor" fixed

step "Harbour scale round the own ship, ARPA on, the Target Tracking panel (F6)"
# The panel, widened: the chart made narrower shows the same extent smaller.
menu_keys F6
geometry "$MAIN"
pointer_to 2 2
# The chart's grid box, once two pictures in a row agree on it and it is
# narrower than $XWIN_NARROWER pixels (the panel has taken its room): "width
# height x y". The picture is $XWIN_PICTURE; the box of the one before is
# kept in a file, as wait_for runs its check in a subshell.
chart_box_settled() {
    local box
    snap "$XWIN_PICTURE"
    box=$(grid_box "$work/$XWIN_PICTURE.png")
    if [ -n "$box" ] && [ "$box" = "$(cat "$work/box" 2>/dev/null)" ] &&
        [ "${box%% *}" -lt "$XWIN_NARROWER" ]; then
        echo "$box"
        return 0
    fi
    echo "$box" > "$work/box"
    sleep 0.2
    return 1
}
XWIN_PICTURE=panel-narrow XWIN_NARROWER=$((WIDTH - 100))
wait_for "the chart beside the Target Tracking panel" chart_box_settled
keep panel-narrow
read -r CW CH CX CY <<< "$(view_box "$work/panel-narrow.png" "$FOUND")"
[ "${CW:-0}" -gt 200 ] || fail "no chart with its grid"
# The panel made wide enough for every column: its separator dragged left.
drag $((CX + CW + 16)) $((CY + CH / 2)) $((CX + CW / 3)) $((CY + CH / 2))
pointer_to 2 2
menu_path alt+t a a
pointer_to 2 2
rm -f "$work/box"
XWIN_PICTURE=arpa-card-1 XWIN_NARROWER=$((CW * 3 / 4))
wait_for "the chart narrowed by the widened panel" chart_box_settled
keep arpa-card-1
read -r CW CH CX CY <<< "$(view_box "$work/arpa-card-1.png" "$FOUND")"
[ "${CW:-0}" -gt 200 ] || fail "no chart with its grid after widening the panel"
# The panel lies right of the chart (screen coordinates throughout: the
# pictures are of the whole screen); its rows below its caption and tabs.
# The radar reports once a second: pictures until the rows have changed.
PANEL="$((X + WIDTH - CX - CW - 20))x300+$((CX + CW + 20))+$((CY + 60))"
rows_changed() {
    sleep 0.5
    snap arpa-card-2
    CHANGED=$(differing arpa-card-1 arpa-card-2 "$PANEL")
    [ "$CHANGED" -gt 100 ] && echo "$CHANGED"
}
wait_for "the ARPA card's rows to change" rows_changed
keep arpa-card-2
echo "   $FOUND panel pixels changed between the two pictures"

step "A click on a radar target selects its row; View > Properties opens ARPA Properties"
# Each target's position is the small red circle of its symbol (the green
# triangle beside it leans along the course, so its middle can lie outside
# the symbol's hit circle): click the middle of one, from a fresh picture.
shot root arpa-before-click
BLOB=$(convert "$work/arpa-before-click.png" -crop "${CW}x$CH+$CX+$CY" +repage \
    -fill black +opaque "#FF0000" -fill white -opaque "#FF0000" \
    -define connected-components:area-threshold=10 -define connected-components:verbose=true \
    -connected-components 8 null: 2>/dev/null |
    awk 'NR > 1 && $NF == "srgb(255,255,255)" { print $4, $3 }' | sort -n |
    awk '{ line[NR] = $0 } END { if (NR) print line[int((NR + 1) / 2)] }')
[ -n "$BLOB" ] || fail "no radar target drawn"
read -r _ CENTRE <<< "$BLOB"
TX=$(echo "$CENTRE" | cut -d, -f1 | cut -d. -f1)
TY=$(echo "$CENTRE" | cut -d, -f2 | cut -d. -f1)
click_at $((CX + TX)) $((CY + TY))
shot root arpa-clicked
xdotool key alt+Return
arpa_sheet() { window_named "ARPA Properties"; }
wait_for "the ARPA Properties sheet" arpa_sheet
SHEET=$FOUND
shot "$SHEET" arpa-properties
focus "$SHEET"
xdotool key ctrl+Tab
shot "$SHEET" arpa-properties-summary
# Dark (text) pixels in the sheet's fields of picture $1: right of the labels,
# between the tabs and the buttons; a band of rows ($2 to $3 per cent of the
# height) when given.
field_text() {
    local X Y WIDTH HEIGHT SCREEN WINDOW top=${2:-15} bottom=${3:-60}
    geometry "$SHEET"
    convert "$work/$1.png" -crop \
        "$((WIDTH * 62 / 100))x$((HEIGHT * (bottom - top) / 100))+$((WIDTH * 33 / 100))+$((HEIGHT * top / 100))" \
        +repage -colorspace gray -threshold 35% -negate -format "%[fx:round(mean*w*h)]" info:
}
SHOWN=$(field_text arpa-properties-summary)
echo "   $SHOWN text pixels in the shown target's summary"
[ "$SHOWN" -gt 50 ] || fail "the ARPA Properties summary shows no target"
# Delete the shown (selected) target: its row goes, the pages empty and stay
# empty (no neighbour is chosen in its place).
menu_path alt+t a c d
pointer_to 2 2
sleep 1.5
shot "$SHEET" arpa-properties-deleted
EMPTY=$(field_text arpa-properties-deleted)
echo "   $EMPTY text pixels in the summary after the delete"
[ "$EMPTY" -lt 10 ] || fail "the ARPA Properties pages show a target after the shown one was deleted"
focus "$SHEET"
xdotool key Escape
sheet_gone() { is_gone "$SHEET" && echo gone; }
wait_for "the ARPA Properties sheet to close" sheet_gone

step "Tender tracking on: the Tender card's three rows and the panic message"
menu_path alt+t t a
polled() { grep -q "poll 02" "$work/peer.log" && grep -q "poll 06" "$work/peer.log" && echo yes; }
wait_for "polls of channels A and C" polled
# A click in the panel's list, then Ctrl+Tab to the Tender card.
click_at $((CX + CW + 120)) $((CY + 400))
xdotool key ctrl+Tab
pointer_to 2 2
# The rows the panel's list shows in picture $1: the lines of dark text in
# its first column.
list_rows() {
    convert "$work/$1.png" -crop "30x200+$((CX + CW + 24))+$((CY + 85))" +repage -colorspace gray \
        -threshold 50% -negate -scale '1x200!' txt:- |
        awk -F'[(,)]' 'NR > 1 { dark = ($4 + 0 > 0); if (dark && !was) n++; was = dark } END { print n + 0 }'
}
# A unit's row comes with the panel's refresh after its first answer.
three_rows() { snap tender-card; [ "$(list_rows tender-card)" = 3 ] && echo yes; }
wait_for "the Tender card's three rows" three_rows
keep tender-card

step "The tender in panic: Go To, the chart zoomed out to show it, clicked, its Target Properties"
click_at $((CX + CW + 120)) $((CY + 92))
xdotool key End
menu_path alt+t t g
# The blank chart stays where it is; zoomed out once it shows Rescue, some
# 0.12 degrees west and 0.08 south of the own ship.
menu_path alt+c m
pointer_to 2 2
# Its focus box is drawn round it: a click in the box's middle. Pictures
# until the box is there (the chart is drawn again round the unit).
focus_box() {
    snap tender-goto
    convert "$work/tender-goto.png" -crop "${CW}x$CH+$CX+$CY" +repage -fill white +opaque black \
        -negate -define connected-components:area-threshold=30 \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk 'NR > 1 && $NF == "srgb(0,0,0)" { split($2, g, /[x+]/)
             if (g[1] >= 16 && g[1] <= 48 && g[1] == g[2]) { print g[3] + g[1] / 2, g[4] + g[2] / 2; found = 1; exit } }
             END { exit !found }'
}
wait_for "the focus box round the tender in panic" focus_box
keep tender-goto
read -r BX BY <<< "$FOUND"
click_at $((CX + ${BX%.*})) $((CY + ${BY%.*}))
shot root tender-clicked
xdotool key alt+Return
tender_sheet() { window_named "Target Properties"; }
wait_for "the Target Properties sheet" tender_sheet
SHEET=$FOUND
focus "$SHEET"
xdotool key ctrl+Tab
shot "$SHEET" tender-properties-summary
# "Target Captured", the fourth field: the start of the tender's row in the vessel log.
CAPTURED=$(field_text tender-properties-summary 36 43)
echo "   $CAPTURED text pixels in the tender's \"Target Captured\""
[ "$CAPTURED" -gt 20 ] || fail "the tender's Target Captured is empty"
xdotool key Escape
wait_for "the Target Properties sheet to close" sheet_gone

step "Reset MOB clears the panic until the unit's next MOVB"
RESCUE_POLLS=$(grep -c "poll 06" "$work/peer.log")
menu_path alt+t t c r
pointer_to 2 2
shot root tender-reset
# Rescue answers every poll with its MOVB again: two polls after the reset.
polled_again() { [ "$(grep -c "poll 06" "$work/peer.log")" -ge $((RESCUE_POLLS + 2)) ] && echo yes; }
wait_for "Rescue polled again after the reset" polled_again
shot root tender-panic-again

step "View: the Tender Target Log grows"
menu_path alt+t t c v
log_open() { window_named "Tender Target Log : Target ID T3 - Rescue"; }
wait_for "the Tender Target Log of Rescue" log_open
LOG=$FOUND
shot "$LOG" tender-log-first
# A row every 3 s (LoggingPeriod): pictures until the rows have grown.
log_grown() {
    sleep 0.5
    import -window "$LOG" "$work/tender-log-later.png" 2>/dev/null || return 1
    GROWN=$(differing tender-log-first tender-log-later "600x280+0+20")
    [ "$GROWN" -gt 200 ] && echo "$GROWN"
}
STEP_SECONDS=30 wait_for "the Tender Target Log to grow" log_grown
keep tender-log-later
echo "   $FOUND log pixels changed"
focus "$LOG"
xdotool key Escape
log_gone() { is_gone "$LOG" && echo gone; }
wait_for "the Tender Target Log to close" log_gone

step "Red boat current: a click on Rescue's place picks radar target 42, listed before Rescue"
click_at $((CX + CW + 120)) $((CY + 92))
click_at $((CX + ${BX%.*})) $((CY + ${BY%.*}))
shot root picked-by-list
xdotool key alt+Return
wait_for "the ARPA Properties sheet of the radar target" arpa_sheet
SHEET=$FOUND
focus "$SHEET"
xdotool key ctrl+Tab
shot "$SHEET" picked-arpa-summary
echo "PASS: ARPA and Tender cards, clicked targets and their sheets, panic and reset, the log," \
    "targets picked in the panel's order"
