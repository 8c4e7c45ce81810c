#!/bin/bash
# The ARPA Display card on the real program window: a GPS on COM1 and a TTM
# feed of two targets on COM2 (socat pty pairs), EAST 1.5 nm east of the own
# ship and WEST 1.5 nm west, with MaxTargets 1. ARPA switched on, only EAST's
# number is drawn (right of the own ship). Target > Options..., the ARPA
# page's Display card: DOWN (Alt+W) moves EAST below WEST, OK; now only
# WEST's number is drawn (left of the own ship).
# 3. A second start with MaxTargets 3: target 3 (NORTH) first reported lost
#    ("L", no position) for eight seconds, then tracked 1.5 nm north: one
#    target, the third in the display order, so it is drawn north of the ship.
#    Meanwhile Target > Options... is open: the Target card has its colour
#    wells, and the Display card gains NORTH's row as it joins.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=arpaorder
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

CONFIG="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONFIG")"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"

step "COM1 a GPS, COM2 a TTM feed of two targets"
pty_pairs 1 2
W='Software\Quorwick\Brinevane\Default'
cat > "$CONFIG" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[$W\\Navigator\\Radar\\ARPA]
ReceiveCOMPort=dword:2
MaxTargets=dword:1
WarningCircles=str:False
[$W\\Navigator\\Radar\\ARPA\\OverlayProperties]
DrawNumber=str:True
#end
CONF
sed -i 's/\\\\/\\/g' "$CONFIG"
private_logs "$CONFIG"
station_settings "$CONFIG"
# The blank chart is not centred on the vessel: it opens round it, at
# harbour scale.
blank_chart_round "$CONFIG" 47.6 -122.4 0.7 0.455
gps_writer "$work/feed1" 47.6 -122.4
python3 - "$work/feed2" > "$work/ttm.log" 2>&1 <<'PY' &
import sys, time
def line(body):
    s = 0
    for c in body:
        s ^= ord(c)
    return "$%s*%02X\r\n" % (body, s)
import os
north = os.path.join(os.path.dirname(sys.argv[1]), "north")
north_since = None
with open(sys.argv[1], "w") as out:
    while True:
        stamp = time.strftime("%H%M%S", time.gmtime())
        bodies = ["RATTM,01,1.50,090.0,T,0.0,000.0,T,,,N,EAST,T,,%s,A" % stamp,
                  "RATTM,02,1.50,270.0,T,0.0,000.0,T,,,N,WEST,T,,%s,A" % stamp]
        # Once asked for: NORTH lost for eight seconds, then tracked.
        if north_since is None and os.path.exists(north):
            north_since = time.time()
        if north_since is not None:
            if time.time() - north_since < 8:
                bodies.append("RATTM,03,,,T,,,T,,,N,NORTH,L,,%s,A" % stamp)
            else:
                bodies.append("RATTM,03,1.50,000.0,T,0.0,000.0,T,,,N,NORTH,T,,%s,A" % stamp)
        for body in bodies:
            out.write(line(body))
        out.flush()
        time.sleep(1)
PY
XWIN_PIDS="$XWIN_PIDS $!"
start_wm

shot() {
    xdotool mousemove 2 2
    sleep 0.2
    import -window root "$work/$1.png"
    cp "$work/$1.png" "$SHOTS/arpa_order_$1.png"
}
# Target pixels (green symbols, orange numbers) left and right of the own
# ship's column $2 in picture $1, within 300 pixels of it and 100 rows of the
# chart's middle: "left right".
target_sides() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    local top=$((Y + 125 + (HEIGHT - 200) / 2 - 100))
    count() {
        convert "$1" -crop "280x200+$2+$top" +repage \
            \( -clone 0 -fuzz 25% -fill black +opaque "#00FF00" -fill white -opaque "#00FF00" \) \
            \( -clone 0 -fuzz 20% -fill black +opaque "#FF8000" -fill white -opaque "#FF8000" \) \
            -delete 0 -compose lighten -composite -format "%[fx:round(mean*w*h)]" info:
    }
    echo "$(count "$1" $(($2 - 300))) $(count "$1" $(($2 + 20)))"
}

step "1. ARPA on with MaxTargets 1: EAST drawn, WEST not"
export BRINE_NAV_STATE_FILE="$work/nav.txt"
start_past_disclaimer
# The GPS's first fix: the Monitor's latitude filled in.
fixed() { tail -n 1 "$BRINE_NAV_STATE_FILE" 2>/dev/null | tr '\t' '\n' | grep -q '^latitude=.' && echo yes; }
wait_for "the GPS's first fix on the Monitor" fixed
# The own ship in the middle of the view the blank chart opened with.
menu_path alt+t a a
sleep 5
shot 1_east_drawn
# The own ship's column: the middle of the black rings in a band across the chart's middle.
geometry "$MAIN"
MID=$(convert "$work/1_east_drawn.png" -crop "900x80+$X+$((Y + 125 + (HEIGHT - 200) / 2 - 40))" \
    txt:- 2>/dev/null | awk -F'[ ,:]+' -v x0="$X" '/#000000/ { n++; s += $1 } END { if (n) print int(x0 + s / n) }')
[ -n "$MID" ] || fail "no own-ship symbol found"
echo "   own ship at x $MID"
read -r L R <<< "$(target_sides "$work/1_east_drawn.png" "$MID")"
echo "   target pixels left $L, right $R"
[ "$R" -gt 10 ] && [ "$L" -lt 5 ] || fail "EAST alone is not drawn (left $L, right $R)"

step "2. Target > Options..., ARPA, Display: EAST down, OK"
menu_keys alt+t o
sheet_open() { window_named "Target Options"; }
wait_for "the Target Options sheet" sheet_open
SHEET=$FOUND
focus "$SHEET"
sleep 0.5
# The ARPA page's Display card, by its tab (the third of the page's cards).
geometry "$SHEET"
click_at $((X + 190)) $((Y + 59))
sleep 0.5
import -window "$SHEET" "$SHOTS/arpa_order_2_display_card.png"
xdotool key alt+w   # DOWN: EAST, the first row, goes below WEST
sleep 0.5
import -window "$SHEET" "$SHOTS/arpa_order_3_reordered.png"
xdotool key Return   # OK
sheet_gone() { is_gone "$SHEET"; }
wait_for "the sheet to close" sheet_gone
sleep 3
shot 4_west_drawn
read -r L R <<< "$(target_sides "$work/4_west_drawn.png" "$MID")"
echo "   target pixels left $L, right $R"
[ "$L" -gt 10 ] && [ "$R" -lt 5 ] || fail "WEST alone is not drawn after the reorder (left $L, right $R)"

step "3. MaxTargets 3, a new start: NORTH lost for eight seconds, then tracked"
stop_program
sed -i 's/^MaxTargets=dword:.*/MaxTargets=dword:3/' "$CONFIG"
: > "$BRINE_NAV_STATE_FILE"
start_past_disclaimer
# The first run's log is offered again: No starts a new one.
fixed_past_question() { answer_question alt+n "$MAIN"; fixed; }
wait_for "the GPS's first fix on the Monitor" fixed_past_question
menu_path alt+t a a
sleep 3
# Target > Options... while NORTH comes: the Target card's colour wells (the
# symbol's and the track's green), and the Display card's third row, which
# the page adds as NORTH joins.
menu_keys alt+t o
wait_for "the Target Options sheet" sheet_open
SHEET=$FOUND
focus "$SHEET"
sleep 0.5
geometry "$SHEET"
click_at $((X + 124)) $((Y + 59))
sleep 0.5
import -window "$SHEET" "$work/6_target_card.png"
cp "$work/6_target_card.png" "$SHOTS/arpa_order_6_target_card.png"
WELLS=$(convert "$work/6_target_card.png" -fuzz 5% -fill black +opaque "#00FF00" -fill white \
    -opaque "#00FF00" -format "%[fx:round(mean*w*h)]" info:)
echo "   $WELLS green colour-well pixels on the Target card"
[ "$WELLS" -gt 100 ] || fail "the ARPA Target card has no colour wells"
click_at $((X + 189)) $((Y + 59))
sleep 0.5
# Dark (text) pixels of the Display list's third row in picture $1.
third_row() {
    convert "$work/$1.png" -crop "300x14+12+137" +repage -colorspace gray -threshold 50% -negate \
        -format "%[fx:round(mean*w*h)]" info:
}
import -window "$SHEET" "$work/7_display_two.png"
BEFORE=$(third_row 7_display_two)
touch "$work/north"
sleep 13
import -window "$SHEET" "$work/8_display_three.png"
cp "$work/8_display_three.png" "$SHOTS/arpa_order_8_display_three.png"
AFTER=$(third_row 8_display_three)
echo "   third row's text pixels: $BEFORE before NORTH, $AFTER after"
[ "$BEFORE" -lt 10 ] && [ "$AFTER" -gt 30 ] || fail "the open Display card did not add NORTH's row"
focus "$SHEET"
xdotool key Escape
wait_for "the sheet to close" sheet_gone
# Target pixels in a column 80 pixels wide over the own ship, from 30 to 300
# pixels above it (EAST and WEST lie beside it, not above), looked at until
# the chart has drawn NORTH: the redraw after the sheet closes comes with the
# chart's next pass, later on a loaded machine.
geometry "$MAIN"
MIDY=$((Y + 125 + (HEIGHT - 200) / 2))
north_drawn() {
    local above
    shot 5_north_tracked >/dev/null || return 1
    above=$(convert "$work/5_north_tracked.png" -crop "80x270+$((MID - 40))+$((MIDY - 300))" +repage \
        \( -clone 0 -fuzz 25% -fill black +opaque "#00FF00" -fill white -opaque "#00FF00" \) \
        \( -clone 0 -fuzz 20% -fill black +opaque "#FF8000" -fill white -opaque "#FF8000" \) \
        -delete 0 -compose lighten -composite -format "%[fx:round(mean*w*h)]" info:)
    [ "$above" -gt 10 ] && echo "$above"
}
wait_for "NORTH, tracked after its lost reports, drawn above the own ship" north_drawn
echo "   target pixels above the own ship: $FOUND"
echo "PASS"
