#!/bin/bash
# Radar targets on the real program's chart, on a virtual X server with a
# small window manager: a GPS on COM1 and radar-sim on COM2 (socat pty pairs),
# the own ship still at 47 36 N 122 24 W, 20 targets round it. Target > ARPA >
# Activate/Deactivate and Target > Radar Cursor are chosen from the menu; two
# screenshots 5 s apart must show at least ten targets moved (symbols with
# projected paths and tracks), the silenced target red and the green cross of
# the radar cursor. ARPA is then switched off (its message shows on the bar).
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

menu_keys() {
    focus "$MAIN"
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.4
    done
}
# Pixels of one colour (with a little fuzz) in the chart area.
count_colour() { convert "$1" -fuzz 12% -fill white +opaque "$2" -fill black -opaque "$2" \
    -format "%[fx:int(w*h*(1-mean)+0.5)]" info:; }

step "COM1 and COM2 on socat pty pairs: a GPS and a radar"
for n in 1 2; do
    socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/feed$n" 2>> "$work/socat.log" &
    XWIN_PIDS="$XWIN_PIDS $!"
done
pty_ready() { [ -e "$work/com1" ] && [ -e "$work/feed1" ] && [ -e "$work/com2" ] && [ -e "$work/feed2" ] && echo ready; }
wait_for "the pty pairs" pty_ready
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
python3 - "$work/feed1" > "$work/feed1.log" 2>&1 <<'PY' &
import datetime, sys, time
def checksum(s):
    c = 0
    for ch in s:
        c ^= ord(ch)
    return "%02X" % c
with open(sys.argv[1], "w") as port:
    while True:
        t = datetime.datetime.now(datetime.timezone.utc)
        hms, dmy = t.strftime("%H%M%S.00"), t.strftime("%d%m%y")
        for s in ("GPRMC,%s,A,4736.0000,N,12224.0000,W,0.0,000.0,%s,," % (hms, dmy),
                  "GPGGA,%s,4736.0000,N,12224.0000,W,1,08,1.0,10.0,M,47.0,M,," % hms):
            port.write("$%s*%s\r\n" % (s, checksum(s)))
        port.flush()
        time.sleep(1)
PY
XWIN_PIDS="$XWIN_PIDS $!"
python3 "$SOURCE/tools/radar-sim/radar-sim" --out "$work/feed2" --truth "$work/truth.jsonl" \
    --targets 20 --rate 1 --speed 0 --seed 4 --silence 3 --silence-after 6 \
    > "$work/radar.log" 2>&1 &
XWIN_PIDS="$XWIN_PIDS $!"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime" BRINE_INSTANCE_NAME="brine-arpa-$$-$RANDOM"
start_wm

TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!
dlg_visible() { window_named "DISCLAIMER"; }
wait_for "the DISCLAIMER window" dlg_visible
DLG=$FOUND
geometry "$DLG"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT - 24)) click 1
dlg_gone() { is_gone "$DLG"; }
wait_for "the disclaimer to close" dlg_gone
main_visible() { window_named "Brinevane"; }
wait_for "the main window" main_visible
MAIN=$FOUND
xdotool mousemove --sync 2 2
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
RED=$(count_colour "$work/b.png" "#FF0000")
echo "   $RED red pixels"
[ "$RED" -gt 30 ] || fail "the silenced target is not red ($RED pixels)"
GREEN=$(count_colour "$work/b.png" "#00FF00")
echo "   $GREEN bright green pixels"
[ "$GREEN" -ge 30 ] || fail "no radar cursor cross ($GREEN pixels)"

step "ARPA off: the message shows on the bar"
menu_keys alt+t a a
sleep 1.5
import -window root "$work/c.png"
cp "$work/c.png" "$SHOTS/arpa_3_off.png"
echo "PASS: targets drawn and moving, the silent one red, the radar cursor shown"
