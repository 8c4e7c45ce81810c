#!/bin/bash
# Routes on the real program window, on a virtual X server driven with
# xdotool, a new user's HOME and XDG folders, the sample route installed as
# scripts/run installs it, over a blank chart of Admiralty Inlet and Seattle:
#   1. the sample route opens and is drawn;
#   2. Route > Edit, Route > New; four waypoints added by right-click "Add New
#      Waypoint", each drawn where it was clicked, numbered in click order;
#   3. Locked unticked, waypoint 2 dragged: drawn at the drop; dbfread finds
#      it moved and the other three where they were;
#   4. Edit left: the route is no longer editable;
#   5. the right-click Properties over waypoint 2 opens "Route Properties",
#      over open water "Chart Properties".
# The program reports each route change on BRINE_ROUTE_STATE_FILE (the
# current waypoint and where it is drawn). Screenshots go to $BRINE_SHOTS_DIR
# when it is set. Exit code 77 (skipped) when a tool is missing.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../../build/bin}/brinevane}
BUILT=${2:-$(dirname "$PROGRAM")/../sample-routes}
XWIN_NAME=route
XWIN_SCREEN=1280x1024x24
XWIN_TOOLS="evilwm import convert compare"
XWIN_FILES="$BUILT/Sample.dbf /usr/bin/python3"
source "$(dirname "$0")/../../support/xwin.sh"
xwin_enter "$0" "$@"

SHOTS=${BRINE_SHOTS_DIR:-$work/shots}
mkdir -p "$SHOTS"
STATE="$work/state.txt"
xwin_on_failure() { echo "--- route state lines:" >&2; tail -8 "$STATE" >&2; }
route_menu() {
    # The menu's entries are enabled by the idle pass (every 250 ms) after a change.
    sleep 0.6
    activate "$MAIN"
    xdotool key alt+r
    sleep 0.5
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.3
    done
}
near() { [ $((($1 - $3) * ($1 - $3) + ($2 - $4) * ($2 - $4))) -le 4 ]; }
# Route 2's waypoints as dbfread reads them: "lat lon" per line.
stored_route2() {
    /usr/bin/python3 - "$work/data/Quorwick/Brinevane/Routes/Sample" <<'PY'
import sys
from dbfread import DBF
base = sys.argv[1]
routes = list(DBF(base + '.dbf'))
ident = '%08d' % routes[1]['UNIQUE']
links = sorted(DBF(base + '.X/' + ident + '.dbf'), key=lambda r: r['ORDER'])
points = {r['UNIQUE']: r for r in DBF(base + '.X/' + ident + '/' + ident + '.dbf')}
for l in links:
    p = points[l['ID']]
    print('%.5f %.5f' % (p['LAT'], p['LNG']))
PY
}

CONF="$work/config/Quorwick/Brinevane/settings.conf"
blank_chart_settings "$CONF"
station_settings "$CONF"
# A first start holds the route for automatic advance; this check edits it.
{ grep -v '^#end$' "$CONF"
  printf '%s\n' '[Software\Quorwick\Brinevane\Default\Route\Monitoring]' \
      'AutoWptAdvanceOn=str:False' '#end'; } > "$CONF.new" && mv "$CONF.new" "$CONF"
"$(dirname "$PROGRAM")/route-sample" install "$BUILT/Sample" \
    "$work/data/Quorwick/Brinevane/Routes" "$CONF" || fail "route-sample install"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export BRINE_ROUTE_STATE_FILE="$STATE" BRINE_REPORT_FOCUS=1 BRINE_INSTANCE_NAME="brine-route-$$-$RANDOM"
start_wm
TMPDIR="$work/tmp" "$PROGRAM" > "$work/program.log" 2>&1 &
PID=$!
pass_disclaimer

step "the sample route opens and is drawn"
expect_state "the sample route open" count 10
activate "$MAIN"
xdotool key F4   # the route panel
xdotool key alt+w
sleep 0.4
xdotool key t   # Window > Tile: the chart over the work area
pointer_to 2 2
sleep 1
settled_screen "$SHOTS/routes_1_sample.png"
legs=$(count_colour "$SHOTS/routes_1_sample.png" "#FF0000")
echo "   route line pixels: $legs"
[ "$legs" -gt 100 ] || fail "the sample route is not drawn ($legs red pixels)"

step "Edit, New, four waypoints by right-click"
route_menu e
expect_state "edit mode" edit 1
route_menu n
expect_state "a new route" route 2
geometry "$MAIN"
MX=$X MY=$Y MW=$WIDTH MH=$HEIGHT
# The clicks fall on the chart, which shows all of its saved extent in the
# box of its grid, west of the sample route.
read -r GW GH GX GY <<< "$(grid_box "$SHOTS/routes_1_sample.png")"
i=0
for p in "0.08 0.20" "0.16 0.40" "0.24 0.60" "0.32 0.80"; do
    i=$((i + 1))
    set -- $p
    CX=$(/usr/bin/python3 -c "print(int($GX + $GW * $1))")
    CY=$(/usr/bin/python3 -c "print(int($GY + $GH * $2))")
    click_at "$CX" "$CY" 3
    menu_open() { other_windows "$MAIN" | head -1 | grep .; }
    wait_for "the chart's context menu" menu_open
    sleep 0.3
    xdotool key a   # Add New Waypoint, whatever else the menu holds
    expect_state "waypoint $i added" count $i
    near "$(field x)" "$(field y)" "$CX" "$CY" ||
        fail "waypoint $i drawn at $(field x),$(field y), clicked at $CX,$CY"
    [ "$(field active)" = "$i" ] || fail "waypoint $i is not the current one"
done
pointer_to 2 2
settled_screen "$SHOTS/routes_2_four_waypoints.png"
BEFORE=$(stored_route2)
echo "$BEFORE" | sed 's/^/   /'
[ "$(echo "$BEFORE" | wc -l)" = 4 ] || fail "dbfread does not find four waypoints"
sorted=$(echo "$BEFORE" | sort -r -k1,1)
[ "$sorted" = "$BEFORE" ] || fail "the waypoints are not stored in click order (north to south)"

step "Locked unticked, waypoint 2 dragged"
route_menu w l
expect_state "Locked unticked" locked 0
route_menu w s f
expect_state "waypoint 1 current" active 1
route_menu w s x
expect_state "waypoint 2 current" active 2
WX=$(field x) WY=$(field y)
DX=$((WX + 80)) DY=$((WY + 30))
drag "$WX" "$WY" "$DX" "$DY"
expect_state "waypoint 2 moved" hint 8
near "$(field x)" "$(field y)" "$DX" "$DY" ||
    fail "waypoint 2 drawn at $(field x),$(field y), dropped at $DX,$DY"
pointer_to 2 2
settled_screen "$SHOTS/routes_3_dragged.png"
AFTER=$(stored_route2)
echo "$AFTER" | sed 's/^/   /'
[ "$(echo "$AFTER" | sed -n '1p;3p;4p')" = "$(echo "$BEFORE" | sed -n '1p;3p;4p')" ] ||
    fail "a waypoint other than 2 moved"
[ "$(echo "$AFTER" | sed -n 2p)" != "$(echo "$BEFORE" | sed -n 2p)" ] || fail "waypoint 2 is stored where it was"

step "Edit left"
route_menu e
expect_state "edit mode left" edit 0

step "Properties over waypoint 2, then where nothing is"
# The right-click menu's last entry: the waypoint's route properties, and
# the chart's own where nothing is.
properties_at() {
    click_at "$1" "$2" 3
    menu_open() { other_windows "$MAIN" | head -1 | grep .; }
    wait_for "the chart's context menu" menu_open
    sleep 0.3
    xdotool key p
}
properties_at "$(field x)" "$(field y)"
route_props() { window_named "Route Properties"; }
wait_for "the Route Properties sheet" route_props
ROUTE_PROPS=$FOUND
sleep 0.5
import -window root "$SHOTS/routes_4_route_properties.png"
chart_props() { window_named "Chart Properties"; }
chart_props && fail "the chart's properties opened over a waypoint"
properties_at "$((MX + MW / 10))" "$((MY + MH * 4 / 5))"
wait_for "the Chart Properties window" chart_props
sleep 0.5
import -window root "$SHOTS/routes_5_chart_properties.png"
program_windows | grep -qx "$ROUTE_PROPS" || fail "the Route Properties sheet closed"
echo "PASS"
