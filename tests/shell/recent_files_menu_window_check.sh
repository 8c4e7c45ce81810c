#!/bin/bash
# The File menu of the real program with a long recent file stored, on a
# virtual X server under evilwm, driven with xdotool: the entry is shortened
# to the menu's display length, so the menu stays as narrow as its other
# entries make it (a 90-character path written whole made it 800 px wide).
#
# Usage: recent_files_menu_window_check.sh [path/to/brinevane]
# Screenshots go to $BRINE_SHOTS_DIR when it is set. Exit code 77 (skipped)
# without xvfb-run, xdotool, evilwm or ImageMagick.

set -u
PROGRAM=${1:-${BRINE_BIN_DIR:-$(dirname "$0")/../../build/bin}/brinevane}
IMPORT=/usr/bin/import
XWIN_NAME=recent
XWIN_TOOLS="evilwm $IMPORT"
# shellcheck source=../support/xwin.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/xwin.sh"
xwin_enter "$0" "$PROGRAM"

SHOTS=${BRINE_SHOTS_DIR:-}
SETTINGS="$work/config/Quorwick/Brinevane/settings.conf"
LONG="/home/navigator/Documents/charts/pacific-northwest/puget-sound/admiralty-inlet/seattle-harbour.lc"
[ ${#LONG} -ge 90 ] || fail "the stored path is shorter than 90 characters"
instruments_off "$SETTINGS"
station_settings "$SETTINGS"
{ grep -v '^#end$' "$SETTINGS"
  printf '%s\n' '[Software\Quorwick\Brinevane\Default\WorkSpace\RecentFileList]' "File1=str:$LONG" \
      '#end'; } > "$SETTINGS.new" && mv "$SETTINGS.new" "$SETTINGS"
export BRINE_REPORT_FOCUS=1
start_wm
start_past_disclaimer

step "File menu with the long recent file"
activate "$MAIN"
menu_path alt+f
MENU=$(other_windows "$MAIN" | head -1)
[ -n "$MENU" ] || fail "the File menu did not open"
geometry "$MENU"
echo "   File menu: ${WIDTH}x${HEIGHT}"
xwin_shot recent_1_file_menu
xdotool key Escape
# The widest other entry ("Open Workspace..." with its key) needs far less
# than the 30-character entry's room; the whole path needs over 500 px.
[ "$WIDTH" -le 400 ] || fail "the File menu is $WIDTH px wide: the recent file is not shortened"
echo "PASS: the recent file entry fits the menu's display length"
