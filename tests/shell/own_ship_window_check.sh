#!/bin/bash
# The own ship on the real program's chart, on a virtual X server with a
# small window manager: a GPS on COM1 (a socat pty pair) sends RMC and GGA
# once a second from 50 50.41 N 004 20.82 E, running east; the blank chart
# opens on a view some 0.35 degrees wide centred there (the blank chart is not
# centred on the vessel: it is opened round it).
# The vessel symbol and its course vector must be drawn on the chart's
# middle row (its latitude) and, in a screenshot a few seconds later, further
# east.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=ship
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

mkdir -p "$work/config/Quorwick/Brinevane"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"

# Dark pixels (the vessel's lines; the grid's red left out) in a box: count,
# mean x and mean y within the box.
dark_in_box() {
    convert "$1" -crop "$2" +repage -fill white -opaque "#7F0000" -colorspace gray \
        -threshold 40% txt:- |
        awk -F'[,: ]+' '/black|#000000/ { n++; sx += $1; sy += $2 }
            END { if (n) printf "%d %d %d\n", n, sx / n, sy / n; else print "0 0 0" }'
}

step "COM1 on a socat pty pair, a GPS on it"
pty_pairs 1
printf '[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:%s\n#end\n' "$work/com1" \
    > "$work/config/Quorwick/Brinevane/settings.conf"
private_logs "$work/config/Quorwick/Brinevane/settings.conf"
blank_chart_round "$work/config/Quorwick/Brinevane/settings.conf" 50.840167 4.347 0.35 0.12
python3 - "$work/feed1" > "$work/feed.log" 2>&1 <<'PY' &
import datetime, sys, time
def checksum(s):
    c = 0
    for ch in s:
        c ^= ord(ch)
    return "%02X" % c
lat, lon = 50 + 50.41 / 60, 4 + 20.82 / 60
with open(sys.argv[1], "w") as port:
    while True:
        t = datetime.datetime.now(datetime.timezone.utc)
        hms, dmy = t.strftime("%H%M%S.00"), t.strftime("%d%m%y")
        la = "%02d%08.5f" % (int(lat), (lat - int(lat)) * 60)
        lo = "%03d%08.5f" % (int(lon), (lon - int(lon)) * 60)
        for s in ("GPRMC,%s,A,%s,N,%s,E,12.0,090.0,%s,," % (hms, la, lo, dmy),
                  "GPGGA,%s,%s,N,%s,E,1,08,1.0,10.0,M,47.0,M,," % (hms, la, lo)):
            port.write("$%s*%s\r\n" % (s, checksum(s)))
        port.flush()
        lon += 0.0008
        time.sleep(1)
PY
XWIN_PIDS="$XWIN_PIDS $!"

start_wm
start_past_disclaimer
sleep 3

step "the blank chart round the vessel's first fix"
sleep 1.5
pointer_to 2 2
import -window root "$work/a.png"
cp "$work/a.png" "$SHOTS/ship_1.png"
read -r CW CH CX CY <<< "$(grid_box "$work/a.png")"
[ "${CW:-0}" -gt 200 ] || fail "no chart with its grid"
MIDX=$((CX + CW / 2)) MIDY=$((CY + CH / 2))
echo "   chart area ${CW}x$CH at $CX,$CY, its middle at $MIDX,$MIDY"
# The view is centred on the vessel's latitude, and it stays there
# (the vessel runs east): the symbol (a 12-pixel circle) and its vector lie
# on the middle row, a little east of the middle by the time of the picture.
# The box leaves out the latitude labels at the view's west edge: one of
# them may sit on the vessel's row.
LEFT=120
BOX="$((CW - LEFT - 20))x40+$((CX + LEFT))+$((MIDY - 20))"
read -r N1 X1 Y1 <<< "$(dark_in_box "$work/a.png" "$BOX")"
echo "   $N1 dark pixels on the middle row, mean at x $((CX + LEFT + X1)), y $((MIDY - 20 + Y1))"
[ "$N1" -gt 40 ] || fail "no vessel drawn on the chart's middle row ($N1 dark pixels)"
[ "$Y1" -ge 16 ] && [ "$Y1" -le 24 ] || fail "the vessel is not at its latitude's row (y $((MIDY - 20 + Y1)))"
[ $((CX + LEFT + X1)) -ge $((MIDX - 20)) ] || fail "the vessel is west of where it was sent to"

step "a few seconds later the vessel has moved east"
sleep 5
import -window root "$work/b.png"
cp "$work/b.png" "$SHOTS/ship_2.png"
read -r N2 X2 Y2 <<< "$(dark_in_box "$work/b.png" "$BOX")"
echo "   $N2 dark pixels, mean at x $((CX + LEFT + X2)), y $((MIDY - 20 + Y2))"
[ "$N2" -gt 40 ] || fail "the vessel is gone ($N2 dark pixels)"
[ "$X2" -gt $((X1 + 3)) ] || fail "the vessel did not move east (mean x $X1 then $X2)"
echo "PASS: the own ship is drawn where the GPS puts it and follows it"
