#!/bin/bash
# Radar targets on the real program's chart, on a virtual X server with a
# small window manager: a GPS on COM1 and radar-sim on COM2 (socat pty pairs),
# the own ship still at 47 36 N 122 24 W, 20 targets round it. Target > ARPA >
# Activate/Deactivate and Target > Radar Cursor are chosen from the menu.
#  1. On the blank chart with its grid, opened on some 0.7 degrees of
#     longitude round the own ship, with MaxTargets 3: three target
#     numbers shown, and the green cross (what switching the cursor off takes
#     away) 3 km north of the own ship (the RSD range and bearing, north
#     up), measured against the 47 40 N grid line. The ship heads south: the
#     GPS sends the heading (VHW) that turns the radar's relative bearings
#     true, and the ship's heading line points away from the cross.
#  2. A second start with MaxTargets 20, on the sample chart (--sample-media):
#     target 3 is silenced once the targets are drawn; two screenshots 5 s
#     apart must show at least ten targets moved (symbols with projected paths
#     and tracks) and the silenced target red; the cursor's cross goes when
#     the cursor is switched off; switching ARPA off puts "ARPA has been
#     turned off..." on the message bar (the bar's text as the program reports it).
# Warning circles are off, so red is only what is no longer current.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
MEDIA=${2:-$(dirname "$PROGRAM")/../sample-media}
SOURCE=${BRINE_SOURCE_DIR:-$(dirname "$0")/../..}
XWIN_NAME=arpa
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert compare"
XWIN_FILES="$MEDIA"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM" "$MEDIA"

MEDIA=$(cd "$MEDIA" && pwd)
CONFIG="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONFIG")"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
export BRINE_MSGBAR_STATE_FILE="$work/msgbar.txt" BRINE_NAV_STATE_FILE="$work/nav.txt"

step "COM1 and COM2 on socat pty pairs: a GPS and a radar"
pty_pairs 1 2
W='Software\Quorwick\Brinevane\Default'
cat > "$CONFIG" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[$W\\Navigator\\Radar\\ARPA]
ReceiveCOMPort=dword:2
MaxTargets=dword:3
WarningCircles=str:False
TargetDangerousInterval=str:0 00:00:04
[$W\\Navigator\\Radar\\ARPA\\OverlayProperties]
DrawProjectPath=str:True
ProjectedPathDistance=str:0.4
LoggingPeriod=str:0 00:00:05
DrawNumber=str:True
#end
CONF
sed -i 's/\\\\/\\/g' "$CONFIG"
private_logs "$CONFIG"
station_settings "$CONFIG"
# The blank chart is not centred on the vessel: it opens round it.
blank_chart_round "$CONFIG" 47.6 -122.4 0.7 0.455
gps_writer "$work/feed1" 47.6 -122.4 0 0 180
# The radar's clock is the GPS's (UTC now): report times a day part away
# from the navigation time would never age, and the silent target never turn red.
python3 "$SOURCE/tools/radar-sim/radar-sim" --out "$work/feed2" --truth "$work/truth.jsonl" \
    --targets 20 --rate 1 --course 180 --speed 0 --seed 4 --silence 3 \
    --start "$(date -u +%H%M%S)" --north-up --cursor-range 3 \
    > "$work/radar.log" 2>&1 &
SIM=$!
XWIN_PIDS="$XWIN_PIDS $SIM"

start_wm

# On the sample chart: Go To Vessel, $1 zooms in to harbour scale, Go To
# Vessel again: the own ship in the middle.
harbour_view() {
    local i
    menu_path alt+n g
    for ((i = 0; i < $1; i++)); do
        menu_path alt+c z
    done
    menu_path alt+n g
}
# Go To Vessel needs the GPS's first fix: the Monitor's latitude filled in.
fixed() { tail -n 1 "$BRINE_NAV_STATE_FILE" 2>/dev/null | tr '\t' '\n' | grep -q '^latitude=.' && echo yes; }
# Pictures of the chart area into $work/$XWIN_AFTER.png until a cross of
# $work/$XWIN_BEFORE.png has gone from it; the crosses are printed. The screen
# is kept as $XWIN_SHOT.
cross_went() {
    shot "$XWIN_SHOT"
    convert "$work/$XWIN_SHOT.png" -crop "$AREA" +repage "$work/$XWIN_AFTER.png"
    crosses_gone "$work/$XWIN_BEFORE.png" "$work/$XWIN_AFTER.png" | grep .
}
shot() {
    xdotool mousemove 2 2
    sleep 0.2
    import -window root "$work/$1.png"
    cp "$work/$1.png" "$SHOTS/arpa_$1.png"
}
# Connected places of colour $2 (within fuzz $3) in picture $1, dilated with
# the kernel $4 so a symbol with its path and track is one place.
places() {
    convert "$1" -fuzz "$3" -fill black +opaque "$2" -fill white -opaque "$2" \
        -morphology Dilate "$4" -define connected-components:area-threshold=12 \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk 'NR > 1 && $NF == "srgb(255,255,255)" { n++ } END { print n + 0 }'
}
# Pixels of colour $2 (fuzz $3) in picture $1 that are not that colour in $4.
new_pixels() {
    convert \( "$1" -fuzz "$3" -fill black +opaque "$2" -fill white -opaque "$2" \) \
        \( "$4" -fuzz "$3" -fill white +opaque "$2" -fill black -opaque "$2" \) \
        -compose multiply -composite -format "%[fx:round(mean*w*h)]" info:
}
# Plus signs that went between picture $1 and picture $2 (same size): green
# pixels of $1 not green in $2 holding a vertical and a horizontal run of 9 or
# more that cross with arms on all four sides. Prints "x y" of each middle.
crosses_gone() {
    convert \( "$1" -fuzz 12% -fill black +opaque "#00FF00" -fill white -opaque "#00FF00" \) \
        \( "$2" -fuzz 12% -fill white +opaque "#00FF00" -fill black -opaque "#00FF00" \) \
        -compose multiply -composite "$work/gone.png"
    local x y
    convert "$work/gone.png" \( -clone 0 -morphology Open Rectangle:1x9 \) \
        \( -clone 0 -morphology Open Rectangle:9x1 \) -delete 0 -compose multiply -composite \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk 'NR > 1 && $NF ~ /\(255/ { split($3, c, ","); print int(c[1] + 0.5), int(c[2] + 0.5) }' |
        while read -r x y; do
            arms=$(convert "$work/gone.png" -format \
                "%[fx:p{$((x - 4)),$y}.r+p{$((x + 4)),$y}.r+p{$x,$((y - 4))}.r+p{$x,$((y + 4))}.r]" info:)
            [ "$arms" = "4" ] && echo "$x $y"
        done
}
# The chart area of the main window: "width x height + x + y" for -crop.
chart_area() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    echo "$((WIDTH - 340))x$((HEIGHT - 200))+$X+$((Y + 125))"
}

step "1. MaxTargets 3, the blank chart with its grid"
start_past_disclaimer
wait_for "the GPS's first fix on the Monitor" fixed
menu_path alt+t a a
sleep 4
menu_path alt+t r
sleep 6
shot 6_max3
AREA=$(chart_area)
convert "$work/6_max3.png" -crop "$AREA" +repage "$work/d.png"
# A track drawn across a number can cut it in two: its digits are joined
# along the row, so each number is one place.
FEW=$(places "$work/d.png" "#FF8000" 20% Rectangle:13x5)
echo "   $FEW target numbers shown with MaxTargets 3"
[ "$FEW" -ge 1 ] && [ "$FEW" -le 3 ] || fail "MaxTargets 3 shows $FEW target numbers"

# The own ship: the black symbol in the chart area; its centre is where its
# cross-line runs, the row of the symbol with the most black (the heading
# line runs south from it). The 47 40 N grid line is 4 minutes of latitude
# (7413 m) north of it; the cursor is 3000 m north.
BOX=$(convert "$work/d.png" -fuzz 10% -fill white +opaque black -fill black -opaque black -negate \
    -define connected-components:verbose=true -define connected-components:area-threshold=30 \
    -connected-components 8 null: 2>/dev/null |
    awk 'NR > 1 && $NF == "srgb(255,255,255)" { split($2, g, /[x+]/);
         if (g[1] >= 20 && g[1] <= 80 && g[2] >= 15 && g[2] <= 80) { print g[1], g[2], g[3], g[4]; exit } }')
[ -n "$BOX" ] || fail "no own-ship symbol found"
read -r BW BH BX BY <<< "$BOX"
ROW=$(convert "$work/d.png" -crop "${BW}x${BH}+${BX}+${BY}" +repage -colorspace gray -scale "1x${BH}!" \
    txt:- 2>/dev/null | awk -F'[ ,:()]+' 'NR > 1 && (best == "" || $4 < best) { best = $4; row = $2 } END { print row }')
OWN_X=$((BX + BW / 2))
OWN_Y=$((BY + ROW))
LINE_Y=$(convert "$work/d.png" txt:- 2>/dev/null |
    awk -F'[ ,:]+' '/#(7E|7F|80|81)0000/ { c[$2]++ } END { for (y in c) if (c[y] > best) { best = c[y]; row = y } print row }')
[ -n "$LINE_Y" ] && [ "$LINE_Y" -lt "${OWN_Y%.*}" ] || fail "no grid line north of the own ship"
EXPECT=$(awk -v x="$OWN_X" -v y="$OWN_Y" -v l="$LINE_Y" 'BEGIN { printf "%d %d", x, y - (y - l) * 3000 / 7413 }')
read -r EX EY <<< "$EXPECT"
menu_path alt+t r
XWIN_SHOT=7_max3_cursor_off XWIN_BEFORE=d XWIN_AFTER=e
wait_for "a radar cursor cross to go with the cursor" cross_went
CROSS=$(echo "$FOUND" |
    awk -v ex="$EX" -v ey="$EY" '{ d = ($1 - ex) ^ 2 + ($2 - ey) ^ 2; if (!n++ || d < best) { best = d; at = $0 } }
         END { print at }')
echo "   own ship at $OWN_X,$OWN_Y, the 47 40 N line at y $LINE_Y: the cross expected at $EX,$EY," \
    "found at ${CROSS:-none}"
[ -n "$CROSS" ] || fail "no radar cursor cross went with the cursor"
read -r CX CY <<< "$CROSS"
DX=$((CX - EX))
DY=$((CY - EY))
[ "${DX#-}" -le 3 ] && [ "${DY#-}" -le 3 ] ||
    fail "the cross is ${DX},${DY} pixels from the radar's cursor position"
step "2. MaxTargets 20 (as stored now), the sample chart"
stop_program
sed -i 's/^MaxTargets=dword:.*/MaxTargets=dword:20/' "$CONFIG"
grep -q '^MaxTargets=dword:20$' "$CONFIG" || fail "no MaxTargets in the settings the program left"
# The sample chart, not the blank chart the first start opened round the ship.
awk '/^\[/ { skip = ($0 ~ /\\Chart\\LastOpened(\\|\])/) } !skip || /^#end$/' "$CONFIG" > "$CONFIG.new" &&
    mv "$CONFIG.new" "$CONFIG"
grep -q 'LastOpened' "$CONFIG" && fail "the blank chart is still named to reopen"
: > "$BRINE_NAV_STATE_FILE"
start_past_disclaimer --sample-media "$MEDIA"
chart_open() { xdotool getwindowname "$MAIN" | grep -q RC9001 && echo open; }
STEP_SECONDS=60 wait_for "the sample chart RC9001" chart_open
# The first run's log is offered again: No starts a new one.
fixed_past_question() { answer_question alt+n "$MAIN"; fixed; }
wait_for "the GPS's first fix on the Monitor" fixed_past_question
harbour_view 3   # the sample chart's 1:350000 to about 1:44000
sleep 1
shot 0_chart

step "Target > ARPA > Activate/Deactivate, Target > Radar Cursor; target 3 silenced"
menu_path alt+t a a
sleep 4   # the radar's cursor has come: its command is enabled
menu_path alt+t r
sleep 3
shot 1_targets
kill -USR1 "$SIM"
sleep 6   # the dangerous interval (4 s) and a pass
shot 2_silenced
sleep 5
shot 3_five_seconds_later
AREA=$(chart_area)
convert "$work/2_silenced.png" -crop "$AREA" +repage "$work/a.png"
convert "$work/3_five_seconds_later.png" -crop "$AREA" +repage "$work/b.png"
MOVED=$(convert "$work/a.png" "$work/b.png" -compose difference -composite -colorspace gray \
    -threshold 8% -morphology Dilate Disk:2 -define connected-components:area-threshold=12 \
    -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
    awk 'NR > 1 && $NF != "gray(0)" && $NF != "srgb(0,0,0)" { n++ } END { print n + 0 }')
echo "   $MOVED changed places between the two pictures 5 s apart"
[ "$MOVED" -ge 10 ] || fail "fewer than ten targets moved ($MOVED)"
convert "$work/1_targets.png" -crop "$AREA" +repage "$work/before.png"
RED=$(new_pixels "$work/b.png" "#FF0000" 12% "$work/before.png")
echo "   $RED red pixels that were not red before target 3 fell silent"
[ "$RED" -gt 30 ] || fail "the silenced target is not red ($RED new red pixels)"

step "Target > Radar Cursor off: the green cross goes"
menu_path alt+t r
XWIN_SHOT=4_cursor_off XWIN_BEFORE=b XWIN_AFTER=c
wait_for "the radar cursor's cross to go" cross_went
CROSS=$(echo "$FOUND" | head -n 1)
echo "   the green cross that went with the cursor: at ${CROSS:-none}"
[ -n "$CROSS" ] || fail "no radar cursor cross went with the cursor"

step "ARPA off: the message shows on the bar"
menu_path alt+t a a
turned_off() {
    grep -q "ARPA has been turned off.  Targets WILL NO LONGER be updated or drawn." \
        "$BRINE_MSGBAR_STATE_FILE" 2>/dev/null && echo shown
}
wait_for "the ARPA off message on the bar" turned_off
sleep 0.5
shot 5_arpa_off
MANY=$(places "$work/b.png" "#FF8000" 20% Disk:3)
echo "   $MANY target numbers shown with MaxTargets 20"
[ "$MANY" -ge 10 ] || fail "fewer than ten target numbers with MaxTargets 20 ($MANY)"

echo "PASS: targets drawn and moving on the sample chart, the silent one red, the radar cursor" \
    "at its range and bearing, the ARPA off message, MaxTargets kept"
