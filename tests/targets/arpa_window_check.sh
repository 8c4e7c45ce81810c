#!/bin/bash
# Radar targets on the real program's chart, on a virtual X server with a
# small window manager: a GPS on COM1 and radar-sim on COM2 (socat pty pairs),
# the own ship still at 47 36 N 122 24 W, 20 targets round it. Target > ARPA >
# Activate/Deactivate and Target > Radar Cursor are chosen from the menu; two
# screenshots 5 s apart must show at least ten targets moved (symbols with
# projected paths and tracks), the silenced target red and the green cross of
# the radar cursor. ARPA is then switched off (its message shows on the bar).
# A second start with MaxTargets 3 must show three target numbers, not twenty.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
SOURCE=${BRINE_SOURCE_DIR:-$(dirname "$0")/../..}
XWIN_NAME=arpa
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/config/Quorwick/Brinevane"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"

step "COM1 and COM2 on socat pty pairs: a GPS and a radar"
pty_pairs 1 2
W='Software\Quorwick\Brinevane\Default'
cat > "$work/config/Quorwick/Brinevane/settings.conf" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[$W\\Navigator\\Radar\\ARPA]
ReceiveCOMPort=dword:2
MaxTargets=dword:20
TargetDangerousInterval=str:0 00:00:04
[$W\\Navigator\\Radar\\ARPA\\OverlayProperties]
DrawProjectPath=str:True
ProjectedPathDistance=str:0.4
LoggingPeriod=str:0 00:00:03
DrawNumber=str:True
#end
CONF
sed -i 's/\\\\/\\/g' "$work/config/Quorwick/Brinevane/settings.conf"
private_logs "$work/config/Quorwick/Brinevane/settings.conf"
gps_writer "$work/feed1" 47.6 -122.4
python3 "$SOURCE/tools/radar-sim/radar-sim" --out "$work/feed2" --truth "$work/truth.jsonl" \
    --targets 20 --rate 1 --speed 0 --seed 4 --silence 3 --silence-after 6 \
    > "$work/radar.log" 2>&1 &
XWIN_PIDS="$XWIN_PIDS $!"

start_wm
start_past_disclaimer
sleep 3

step "Go To Vessel and zoom to harbour scale"
menu_keys alt+n g
for i in 1 2 3 4 5 6 7 8 9; do
    menu_keys alt+c i
done
menu_keys alt+n g

step "Target > ARPA > Activate/Deactivate, Target > Radar Cursor"
menu_keys alt+t a a
sleep 2
menu_keys alt+t r
sleep 10
xdotool mousemove --sync 2 2
import -window root "$work/a.png"
cp "$work/a.png" "$SHOTS/arpa_1.png"
sleep 5
import -window root "$work/b.png"
cp "$work/b.png" "$SHOTS/arpa_2.png"

MOVED=$(convert "$work/a.png" "$work/b.png" -compose difference -composite -colorspace gray \
    -threshold 8% -morphology Dilate Disk:2 -define connected-components:area-threshold=12 \
    -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
    awk 'NR > 1 && $NF != "gray(0)" && $NF != "srgb(0,0,0)" { n++ } END { print n + 0 }')
echo "   $MOVED changed places between the two pictures"
[ "$MOVED" -ge 10 ] || fail "fewer than ten targets moved ($MOVED)"
RED=$(count_colour "$work/b.png" "#FF0000" 12%)
echo "   $RED red pixels"
[ "$RED" -gt 30 ] || fail "the silenced target is not red ($RED pixels)"
GREEN=$(count_colour "$work/b.png" "#00FF00" 12%)
echo "   $GREEN bright green pixels"
[ "$GREEN" -ge 30 ] || fail "no radar cursor cross ($GREEN pixels)"

step "ARPA off: the message shows on the bar"
menu_keys alt+t a a
sleep 1.5
import -window root "$work/c.png"
cp "$work/c.png" "$SHOTS/arpa_3_off.png"

# The target numbers (orange text beside each symbol) in the chart area, one
# place per number once the digits are joined.
numbers_shown() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    convert "$1" -crop "$((WIDTH - 340))x$((HEIGHT - 200))+$X+$((Y + 125))" +repage \
        -fuzz 20% -fill black +opaque "#FF8000" -fill white -opaque "#FF8000" \
        -morphology Dilate Disk:3 -define connected-components:area-threshold=15 \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk 'NR > 1 && $NF == "srgb(255,255,255)" { n++ } END { print n + 0 }'
}
MANY=$(numbers_shown "$work/b.png")
echo "   $MANY target numbers shown with MaxTargets 20"

step "MaxTargets 3: a new start shows three targets"
stop_program
sed -i 's/^MaxTargets=dword:.*/MaxTargets=dword:3/' "$work/config/Quorwick/Brinevane/settings.conf"
grep -q '^MaxTargets=dword:3$' "$work/config/Quorwick/Brinevane/settings.conf" ||
    fail "no MaxTargets in the settings the program left"
start_past_disclaimer
sleep 3
menu_keys alt+n g
for i in 1 2 3 4 5 6 7 8 9; do
    menu_keys alt+c i
done
menu_keys alt+n g
menu_keys alt+t a a
sleep 8
xdotool mousemove --sync 2 2
import -window root "$work/d.png"
cp "$work/d.png" "$SHOTS/arpa_4_max3.png"
FEW=$(numbers_shown "$work/d.png")
echo "   $FEW target numbers shown with MaxTargets 3"
[ "$MANY" -ge 10 ] || fail "fewer than ten target numbers with MaxTargets 20 ($MANY)"
[ "$FEW" -ge 1 ] && [ "$FEW" -le 3 ] || fail "MaxTargets 3 shows $FEW target numbers"
echo "PASS: targets drawn and moving, the silent one red, the radar cursor shown, MaxTargets kept"
