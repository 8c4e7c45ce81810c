#!/bin/bash
# A simulated tender on the real program window: a GPS on COM1, and COM2,
# the tender port, a socat pty with nothing on its far end (no transceiver
# is needed to simulate). Target >
# Options..., Tender Tracking: channel A ticked with no serial number, its
# tender simulated on the Configuration card away from the chart's middle;
# OK is taken (a simulated channel needs no serial number); Target > Tender
# Tracking > Activate/Deactivate, and the tender is drawn on the chart with
# the simulation message on the bar. The options applied again with the
# Simulation box cleared stop the simulation and take the message off.
# Screenshots go to $BRINE_SHOTS_DIR when it is set.
# Exit code 77 (skipped) without xvfb-run, xdotool, evilwm, socat, python3 or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
XWIN_NAME=tendersim
XWIN_SCREEN=1600x1000x24
XWIN_TOOLS="evilwm socat python3 import convert"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

CONFIG="$work/config/Quorwick/Brinevane/settings.conf"
mkdir -p "$(dirname "$CONFIG")"
SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"

# An options sheet's OK: 64 x 24 pixels, third from the right with 8 pixels
# between the buttons and to the lower right edges.
sheet_ok() {
    geometry "$SHEET"
    click_at $((X + WIDTH - 184)) $((Y + HEIGHT - 20))
}

step "COM1 a GPS, COM2 the tender port with nothing on it"
pty_pairs 1 2
W='Software\Quorwick\Brinevane\Default'
cat > "$CONFIG" <<CONF
[Software\\Quorwick\\Brinevane\\Ports]
COM1=str:$work/com1
COM2=str:$work/com2
[$W\\Navigator\\TenderTracking]
ReceiveCOMPort=dword:2
ChannelDuration=str:0 00:00:01
#end
CONF
sed -i 's/\\\\/\\/g' "$CONFIG"
private_logs "$CONFIG"
station_settings "$CONFIG"
# The blank chart is not centred on the vessel: it opens round it, at
# harbour scale.
blank_chart_round "$CONFIG" 47.6 -122.4 1.4 0.91
gps_writer "$work/feed1" 47.6 -122.4
start_wm
export BRINE_NAV_STATE_FILE="$work/nav.txt" BRINE_MSGBAR_STATE_FILE="$work/msgbar.txt"
start_past_disclaimer
# The GPS's first fix: the Monitor's latitude filled in.
fixed() { tail -n 1 "$BRINE_NAV_STATE_FILE" 2>/dev/null | tr '\t' '\n' | grep -q '^latitude=.' && echo yes; }
wait_for "the GPS's first fix on the Monitor" fixed
xdotool mousemove 2 2
sleep 1
import -window root "$work/before.png"

step "Target > Options..., Tender Tracking: channel A, no serial, simulated"
menu_keys alt+t o
sheet_open() { window_named "Target Options"; }
wait_for "the Target Options sheet" sheet_open
SHEET=$FOUND
focus "$SHEET"
geometry "$SHEET"
SX=$X SY=$Y
click_at $((SX + 127)) $((SY + 24))   # the Tender Tracking page
sleep 0.5
import -window "$SHEET" "$SHOTS/tender_sim_1_page.png"
click_at $((SX + 295)) $((SY + 245))   # channel A ticked, its serial left empty
sleep 0.3
click_at $((SX + 208)) $((SY + 59))   # the Configuration card
sleep 0.5
import -window "$SHEET" "$SHOTS/tender_sim_2_configuration.png"
click_at $((SX + 40)) $((SY + 202))   # Simulation
sleep 0.3
click_at $((SX + 260)) $((SY + 202))   # Use Chart off: the tender starts at Position
sleep 0.3
# Position: a mile north of the own ship, typed over the latitude's minutes.
click_at $((SX + 318)) $((SY + 313))
xdotool type --delay 60 "3700"
sleep 0.5
import -window "$SHEET" "$SHOTS/tender_sim_3_simulated.png"
sheet_ok
sheet_gone() { is_gone "$SHEET"; }
wait_for "the sheet to take the simulated channel without a serial number and close" sheet_gone
sleep 0.5
[ -z "$(other_windows "$MAIN")" ] || fail "a message came with OK"

step "Target > Tender Tracking > Activate/Deactivate: the simulated tender is drawn"
menu_path alt+t t a
xdotool mousemove 2 2
geometry "$MAIN"
MIDY=$((Y + 125 + (HEIGHT - 200) / 2))
MID=$(convert "$work/before.png" -crop "900x80+$X+$((MIDY - 40))" txt:- 2>/dev/null |
    awk -F'[ ,:]+' -v x0="$X" '/#000000/ { n++; s += $1 } END { if (n) print int(x0 + s / n) }')
[ -n "$MID" ] || fail "no own-ship symbol found"
# What changed north of the own ship, where the tender was put: pictures
# until it is drawn.
tender_drawn() {
    sleep 0.5
    import -window root "$work/after.png" 2>/dev/null || return 1
    CHANGED=$(convert "$work/before.png" "$work/after.png" -crop "160x260+$((MID - 80))+$((MIDY - 290))" \
        +repage -compose difference -composite -threshold 10% -format "%[fx:round(mean*w*h)]" info:)
    [ "$CHANGED" -gt 40 ] && echo "$CHANGED"
}
wait_for "the tender drawn north of the own ship" tender_drawn
cp "$work/after.png" "$SHOTS/tender_sim_4_drawn.png"
echo "   own ship at x $MID; pixels changed north of it: $FOUND"
SIMULATING="One or more Tenders is in Simulation Mode."
simulation_shown() { tail -n 1 "$BRINE_MSGBAR_STATE_FILE" 2>/dev/null | grep -qF "$SIMULATING" && echo shown; }
wait_for "the simulation message on the bar" simulation_shown

step "Target > Options..., the Simulation box cleared: the simulation stops, its message goes"
menu_keys alt+t o
wait_for "the Target Options sheet again" sheet_open
SHEET=$FOUND
focus "$SHEET"
# The sheet opens again where it was (SX, SY), on its Tender Tracking page.
click_at $((SX + 127)) $((SY + 24))
sleep 0.5
click_at $((SX + 208)) $((SY + 59))   # the Configuration card
sleep 0.5
click_at $((SX + 40)) $((SY + 202))   # Simulation cleared
sleep 0.3
import -window "$SHEET" "$SHOTS/tender_sim_5_cleared.png"
sheet_ok
wait_for "the sheet to close" sheet_gone
simulation_gone() {
    [ -s "$BRINE_MSGBAR_STATE_FILE" ] && ! tail -n 1 "$BRINE_MSGBAR_STATE_FILE" | grep -qF "$SIMULATING" &&
        echo gone
}
wait_for "the simulation message to leave the bar" simulation_gone
echo "PASS"
