# Shared parts of the window checks that drive the real program on a virtual
# X server (Xvfb), under a small window manager (evilwm), with the mouse and
# keyboard of xdotool. Sourced, not run.
#
# A check sets PROGRAM, and when it needs them XWIN_NAME (a short word for
# its temporary folders), XWIN_SCREEN (default 1280x1024x24) and XWIN_TOOLS
# (tools beyond xvfb-run, xdotool and xauth) and XWIN_FILES (files the check
# cannot do without), sources this file and calls
#     xwin_enter "$0" "$@"
# In the outer run that skips the check (exit 77) when a tool is missing and
# runs the script again on a display of its own, then exits with its code.
# In the inner run it returns, with the work folder $work made (config, data,
# home, runtime, tmp, and program: the program's folder for the run, see
# program_folder_links), removed on exit, and the program, the window manager
# and whatever the check named in XWIN_PIDS stopped. A check may define
# xwin_before_cleanup and xwin_on_failure to do more at those moments.

SKIP=77
STEP_SECONDS=${BRINE_XWIN_STEP_SECONDS:-20}   # deadline for any one thing to appear or go
XWIN_NAME=${XWIN_NAME:-xwin}
XWIN_SCREEN=${XWIN_SCREEN:-1280x1024x24}
XWIN_PIDS=""
XWIN_MARKER=""
PID=""
WM_PID=""
FOUND=""
LINES=0   # the state lines of $STATE already seen (expect_state)

xwin_enter() {
    local script=$1 tool attempt rc
    shift
    if [ -z "${BRINE_XWIN_INNER:-}" ]; then
        for tool in xvfb-run xdotool xauth ${XWIN_TOOLS:-}; do
            if ! command -v "$tool" >/dev/null 2>&1; then
                echo "SKIP: $tool is not installed"
                exit $SKIP
            fi
        done
        [ -x "$PROGRAM" ] || { echo "FAIL: program not found: $PROGRAM" >&2; exit 1; }
        for tool in ${XWIN_FILES:-}; do
            [ -e "$tool" ] || { echo "FAIL: not found: $tool" >&2; exit 1; }
        done
        XWIN_MARKER=$(mktemp -d "${TMPDIR:-/tmp}/brine-$XWIN_NAME-outer.XXXXXX") || exit 1
        trap 'rm -rf "$XWIN_MARKER"' EXIT
        # -noreset: the server must not reset when its last client goes, or a
        # client connecting at that moment (the window manager) is refused.
        # xvfb-run -a can lose a race for a display number to another xvfb-run
        # started at the same moment; the server then fails to start and the
        # inner run never begins. Only that case is tried again.
        for attempt in 1 2 3; do
            BRINE_XWIN_INNER=1 BRINE_XWIN_STARTED="$XWIN_MARKER/started" \
                xvfb-run -a -s "-screen 0 $XWIN_SCREEN -nolisten tcp -noreset" bash "$script" "$@"
            rc=$?
            if [ -e "$XWIN_MARKER/started" ] || [ "$attempt" -eq 3 ]; then
                exit $rc
            fi
            echo "virtual display did not start (attempt $attempt), trying again"
            sleep "0.$((RANDOM % 9 + 1))"
        done
    fi
    : > "$BRINE_XWIN_STARTED"
    work=$(mktemp -d "${TMPDIR:-/tmp}/brine-$XWIN_NAME.XXXXXX") || exit 1
    mkdir -p "$work/config" "$work/data" "$work/home" "$work/runtime" "$work/tmp"
    chmod 700 "$work/runtime"
    trap xwin_cleanup EXIT
    # The program keeps its chartpoints, attachments, logs, plans and tides
    # beside itself: a run gets a folder of its own for them, so the build's
    # program folder stays as it was.
    program_folder_links "$work/program"
    export BRINE_PROGRAM_FOLDER="$work/program"
    unset QT_QPA_PLATFORM BRINE_QUIT_AFTER_MS
}

# Links in folder $1 (made when missing) to what lies beside $PROGRAM: its
# data (datum table, magnetic models, System folder, tools), but none of the
# folders and files the program writes there (chartpoints, attachments,
# logs, plans, tides, routes, its temporary and station files). Given to the
# program as BRINE_PROGRAM_FOLDER, it is the program's folder for a run.
# The build folder holds some hundreds of files: the names are taken without a
# process each and linked by one ln, or on a loaded machine this alone takes
# minutes of the check's time.
program_folder_links() {
    local into=$1 beside f name
    local -a links=()
    beside=$(cd "$(dirname "$PROGRAM")" && pwd) || return 1
    mkdir -p "$into"
    for f in "$beside"/*; do
        name=${f##*/}
        case "$name" in
            Chartpoints | Attach | Logs | Plans | Tides | Routes | Infopnts | '~'* | *.net) ;;
            *) [ -e "$into/$name" ] || links+=("$f") ;;
        esac
    done
    [ "${#links[@]}" -eq 0 ] || ln -s "${links[@]}" "$into/"
}

# Ends the program: asked first, killed when it has not gone within 2 s.
stop_program() {
    local i
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill "$PID" 2>/dev/null
        for i in $(seq 1 40); do
            kill -0 "$PID" 2>/dev/null || break
            sleep 0.05
        done
        kill -9 "$PID" 2>/dev/null
    fi
    PID=""
}

xwin_cleanup() {
    local p
    declare -F xwin_before_cleanup >/dev/null && xwin_before_cleanup
    stop_program
    for p in $XWIN_PIDS; do
        kill "$p" 2>/dev/null
    done
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    rm -rf "$work"
}

# Says what failed, with the screen (in $SHOTS or $BRINE_XWIN_SHOTS when
# either names a folder), the windows shown and what the program and the
# window manager wrote; then ends the check.
fail() {
    local w shots=${SHOTS:-${BRINE_XWIN_SHOTS:-}}
    echo "FAIL: $*" >&2
    declare -F xwin_on_failure >/dev/null && xwin_on_failure
    if [ -n "$shots" ] && mkdir -p "$shots" && command -v import >/dev/null 2>&1; then
        import -window root "$shots/failure.png" 2>/dev/null &&
            echo "screen at the failure: $shots/failure.png" >&2
    fi
    echo "--- windows on the display:" >&2
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'" \
            "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | tr '\n' ' ')" >&2
    done
    echo "--- program output:" >&2
    cat "$work/program.log" >&2 2>/dev/null
    if [ -s "$work/wm.log" ]; then
        echo "--- window manager output:" >&2
        cat "$work/wm.log" >&2
    fi
    exit 1
}

step() { echo "== [${SECONDS}s] $*"; }

# Polls until the named shell function succeeds, the program or the window
# manager dies, or the deadline passes. The function's output is left in $FOUND.
wait_for() {
    local what=$1 check=$2 deadline=$((SECONDS + STEP_SECONDS))
    while :; do
        if FOUND=$($check); then
            return 0
        fi
        if [ -n "$PID" ] && ! kill -0 "$PID" 2>/dev/null; then
            fail "program ended while waiting for: $what"
        fi
        if [ -n "$WM_PID" ] && ! kill -0 "$WM_PID" 2>/dev/null; then
            fail "window manager ended while waiting for: $what"
        fi
        [ "$SECONDS" -ge "$deadline" ] && fail "not within $STEP_SECONDS s: $what"
        sleep 0.05
    done
}

# Waits until the program ($PID) has ended, at most STEP_SECONDS ($1 says
# after what); its exit code in $EXIT_CODE, PID cleared. Not through wait_for,
# which takes the program's end as a failure: a program that ends between
# the check and that test would fail the very wait for its end.
EXIT_CODE=""
wait_for_program_end() {
    local deadline=$((SECONDS + STEP_SECONDS))
    while kill -0 "$PID" 2>/dev/null; do
        [ "$SECONDS" -ge "$deadline" ] && fail "the program still runs $STEP_SECONDS s $1"
        sleep 0.05
    done
    wait "$PID"
    EXIT_CODE=$?
    PID=""
}

# evilwm, with the options given; returns once it answers.
start_wm() {
    evilwm -fn fixed "$@" > "$work/wm.log" 2>&1 &
    WM_PID=$!
    wm_ready() { xdotool get_num_desktops 2>/dev/null; }
    wait_for "the window manager to start" wm_ready
}

# Visible windows of the program (top-level windows, dialogs and menus).
program_windows() { xdotool search --onlyvisible --pid "$PID" 2>/dev/null; }

# The first visible program window titled $1.
window_named() {
    local w
    for w in $(program_windows); do
        # A maximised chart window adds its title to the main window's: "Brinevane - [...]".
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        "$1" | "$1 - ["*"]")
            echo "$w"
            return 0
            ;;
        esac
    done
    return 1
}

# Visible program windows other than those given.
other_windows() {
    local w x found=1
    for w in $(program_windows); do
        for x in "$@"; do
            [ "$w" = "$x" ] && continue 2
        done
        echo "$w"
        found=0
    done
    return $found
}

is_gone() { ! program_windows | grep -qx "$1"; }

# Reads a window's root position and size into X, Y, WIDTH, HEIGHT.
geometry() {
    local g
    g=$(xdotool getwindowgeometry --shell "$1") || fail "no geometry for window $1"
    eval "$g"
}

# True when the pointer is at $1,$2.
pointer_is_at() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell 2>/dev/null)"
    [ "${X:-}" = "$1" ] && [ "${Y:-}" = "$2" ]
}

# The pointer to $1,$2, returning once it is there. xdotool's --sync waits
# for the pointer to leave where it was, so a move to the place it already
# holds would stall for xdotool's full 15 s: that move is left out.
pointer_to() {
    pointer_is_at "$1" "$2" && return 0
    xdotool mousemove --sync "$1" "$2" || fail "cannot move the mouse to $1,$2"
}

# A click at $1,$2 of button $3 (default 1, the left). A click where the
# pointer already is waits out the double-click interval first, so two
# clicks in one place stay two clicks.
click_at() {
    if pointer_is_at "$1" "$2"; then sleep 0.5; else pointer_to "$1" "$2"; fi
    xdotool click "${3:-1}" || fail "cannot click at $1,$2"
}

focus() { xdotool windowfocus --sync "$1" || fail "cannot give the keyboard to window $1"; }

# The window the program itself holds active, from its own report: with
# BRINE_REPORT_FOCUS=1 it logs "Brinevane: focus: <window id> <title>" at
# each change. Prints the window id.
program_focus() {
    grep "Brinevane: focus: " "$work/program.log" | tail -n 1 | sed 's/^.*Brinevane: focus: //; s/ .*//'
}

# Gives window $1 the keyboard and waits until the program has taken it as
# its active window: until then a press may still be answered as the
# activation it also is (a menu it opened closes again at once), and a key
# may go to the window that was active before.
XWIN_ACTIVATING=""
activate() {
    XWIN_ACTIVATING=$1
    focus "$1"
    took_focus() { [ "$(program_focus)" = "$XWIN_ACTIVATING" ] && echo yes; }
    wait_for "the program to take window $1 as its active window" took_focus
}

# A mouse drag in small steps, so the program sees a drag start and follows it.
drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 i
    xdotool mousemove --sync "$x0" "$y0" mousedown 1
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove --sync $((x0 + (x1 - x0) * i / 10)) $((y0 + (y1 - y0) * i / 10))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
}

# The main window's status and message bars (its bottom 60 pixels: the
# clock, the cursor position, what the machine says) painted over a
# screenshot of the screen, in place; nothing while there is no $MAIN.
mask_status() {
    [ -n "${MAIN:-}" ] || return 0
    local X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$MAIN"
    convert "$1" -fill black -draw "rectangle $X,$((Y + HEIGHT - 60)) $((X + WIDTH)),$((Y + HEIGHT))" "$1"
}

# A screenshot of the screen into $1 once two in a row agree (the windows
# have settled). The two are compared with mask_status applied to copies:
# the clock changes every second, and a loaded machine may take longer than
# that between two shots. The picture kept is the screen as it was.
settled_screen() {
    local prev="$work/settle_prev.png" cur="$work/settle_cur.png"
    local deadline=$((SECONDS + STEP_SECONDS))
    import -window root "$prev" && mask_status "$prev"
    while :; do
        sleep 0.4
        import -window root "$1" && cp "$1" "$cur" && mask_status "$cur"
        [ "$(compare -metric AE "$prev" "$cur" null: 2>&1)" = "0" ] && return 0
        [ "$SECONDS" -ge "$deadline" ] && fail "the screen did not settle"
        mv "$cur" "$prev"
    done
}

# A picture of window $1 into $2 once two taken in a row agree (the window
# has painted what it was last asked to).
settled_window() {
    local prev="$work/settle_window.png" deadline=$((SECONDS + STEP_SECONDS))
    import -window "$1" "$prev" 2>/dev/null || return 1
    while :; do
        sleep 0.1
        import -window "$1" "$2" 2>/dev/null || return 1
        [ "$(compare -metric AE "$prev" "$2" null: 2>&1)" = "0" ] && return 0
        [ "$SECONDS" -ge "$deadline" ] && fail "window $1 did not settle"
        cp "$2" "$prev"
    done
}

# Pixels of one colour in a picture; $3, when given, is how far a pixel may
# be from it (ImageMagick's -fuzz, e.g. 12%).
count_colour() {
    convert "$1" ${3:+-fuzz "$3"} -fill black +opaque "$2" -fill white -opaque "$2" \
        -format "%[fx:round(mean*w*h)]" info:
}

# The chart area of a screenshot: "width height x y" of the box round the grid's lines.
grid_box() { convert "$1" -fill black +opaque "#7F0000" -trim -format "%w %h %X %Y" info:; }

# The chart view holding the chart box "width height x y" ($2) of screenshot
# $1, as "width height x y". A chart shows all of its extent at the view's
# bottom-left corner, the view's spare height above it and spare width to its
# right in the window colour; the view ends where that colour does (at the
# scroll bar and at the window's top edge).
view_box() {
    local w h x y right top
    read -r w h x y <<< "$2"
    right=$(convert "$1" -crop "400x1+$((x + w + 2))+$((y + h - 3))" +repage txt:- |
        awk 'NR > 1 && $3 != "#FFFFFF" { split($1, p, ","); print p[1]; exit }')
    top=$(convert "$1" -crop "1x$((y - 1))+$((x + 3))+0" +repage txt:- | tac |
        awk '$3 != "#FFFFFF" { split($1, p, /[,:]/); print p[2]; exit }')
    echo "$((w + 2 + ${right:-0})) $((y + h - ${top:-y} - 1)) $x $((${top:-y} + 1))"
}

# Menu keys to the main window ($MAIN), one after another with time to open.
menu_keys() {
    local k
    focus "$MAIN"
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.4
    done
}

# Keys through the program's menus from the main window ($MAIN), each one
# opening a menu or a submenu or choosing an item (which closes them): the
# next key goes as soon as the program's windows have changed so, rather
# than after a fixed pause. A key that changes nothing fails the check.
menu_path() {
    local k
    focus "$MAIN"
    for k in "$@"; do
        XWIN_MENU_BEFORE=$(program_windows | sort)
        xdotool key "$k"
        menu_moved() { [ "$(program_windows | sort)" != "$XWIN_MENU_BEFORE" ] && echo moved; }
        wait_for "key $k to open or close a menu" menu_moved
    done
}

# In the program's own Open or Save dialog (active): the keyboard to its
# Folder field with the text selected. The label has no access letter, so
# the way is from the name field (Alt+N) back past the file list and the
# Browse button.
file_dialog_folder() {
    xdotool key alt+n shift+Tab shift+Tab shift+Tab ctrl+a
}

# File > Open > Livechart with the vector chart file $1 chosen in its dialog
# (the program's own): its folder typed into the Folder field, then its name
# without the extension, which the dialog's one file type gives.
open_livechart_file() {
    XWIN_OPENING=$1
    activate "$MAIN"
    xdotool key ctrl+o
    lc_chooser() { window_named "Open"; }
    wait_for "the Open chooser" lc_chooser
    activate "$FOUND"
    # The chart kinds: Blank chart, then Livechart.
    xdotool key Down Return
    lc_dialog() { window_named "Open Livechart"; }
    wait_for "the Open Livechart dialog" lc_dialog
    activate "$FOUND"
    file_dialog_folder
    xdotool type --delay 2 "$(dirname "$XWIN_OPENING")"
    xdotool key alt+n ctrl+a
    xdotool type --delay 2 "$(basename "$XWIN_OPENING" .b)"
    xdotool key Return
}

# A first start on a copy of the sample media folder $1 (a first start
# installs from it), stepped from the overview RC9001 with Chart > Larger
# Scale twice to the harbour chart RC9003. The program must report the charts
# it opens (BRINE_REPORT_CHARTS=1).
start_on_sample_harbour_chart() {
    local step
    cp -r "$1" "$work/media"
    start_past_disclaimer --sample-media "$work/media"
    for step in RC9001 RC9002 RC9003; do
        [ "$step" = RC9001 ] || { activate "$MAIN"; xdotool key alt+c; sleep 0.4; xdotool key l; }
        XWIN_CHART=$step
        sample_chart() { grep "chart opened: " "$work/program.log" | tail -n 1 | grep -- "$XWIN_CHART"; }
        wait_for "the sample chart $step" sample_chart
    done
}

# File > Open > Log: the "Open Log Database" dialog, active, its id in
# $FOUND. A question on the way (whether to save a temporary log) is answered No.
open_log_chooser() {
    activate "$MAIN"
    xdotool key ctrl+o
    open_chooser() { window_named "Open"; }
    wait_for "the Open chooser" open_chooser
    activate "$FOUND"
    # The kinds of file to open end with the log.
    xdotool key End Return
    log_chooser() { answer_question alt+n "$MAIN"; window_named "Open Log Database"; }
    wait_for "the Open Log Database dialog" log_chooser
    activate "$FOUND"
}

# A socat pty pair per name: the program's end $work/com<name>, the
# writer's end $work/feed<name>; returns once all exist.
pty_pairs() {
    local n
    for n in "$@"; do
        socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/feed$n" \
            2>> "$work/socat.log" &
        XWIN_PIDS="$XWIN_PIDS $!"
    done
    XWIN_PTYS="$*"
    ptys_ready() {
        local n
        for n in $XWIN_PTYS; do
            [ -e "$work/com$n" ] && [ -e "$work/feed$n" ] || return 1
        done
        echo ready
    }
    wait_for "the pty pairs" ptys_ready
}

# A GPS at latitude $2, longitude $3 (decimal degrees, south and west
# negative), writing RMC and GGA once a second into pty end $1; lying still,
# or making $4 knots on course $5 when they are given; with a heading $6 a
# VHW carrying it follows each second's pair.
gps_writer() {
    python3 - "$@" > "$work/gps.log" 2>&1 <<'PY' &
import datetime, math, sys, time
feed, lat, lon = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
sog = float(sys.argv[4]) if len(sys.argv) > 4 else 0.0
cog = float(sys.argv[5]) if len(sys.argv) > 5 else 0.0
heading = float(sys.argv[6]) if len(sys.argv) > 6 else None
def checksum(s):
    c = 0
    for ch in s:
        c ^= ord(ch)
    return "%02X" % c
def dm(value, degrees_width):
    v = abs(value)
    return "%0*d%08.5f" % (degrees_width, int(v), (v - int(v)) * 60)
with open(feed, "w") as port:
    while True:
        la, ns = dm(lat, 2), "N" if lat >= 0 else "S"
        lo, ew = dm(lon, 3), "E" if lon >= 0 else "W"
        t = datetime.datetime.now(datetime.timezone.utc)
        hms, dmy = t.strftime("%H%M%S.00"), t.strftime("%d%m%y")
        for s in ("GPRMC,%s,A,%s,%s,%s,%s,%.1f,%05.1f,%s,," % (hms, la, ns, lo, ew, sog, cog, dmy),
                  "GPGGA,%s,%s,%s,%s,%s,1,08,1.0,10.0,M,47.0,M,," % (hms, la, ns, lo, ew)):
            port.write("$%s*%s\r\n" % (s, checksum(s)))
        if heading is not None:
            s = "IIVHW,%05.1f,T,,M,,N,,K" % heading
            port.write("$%s*%s\r\n" % (s, checksum(s)))
        port.flush()
        # A second's run: minutes of latitude are miles.
        miles = sog / 3600.0
        lat += miles * math.cos(math.radians(cog)) / 60.0
        lon += miles * math.sin(math.radians(cog)) / 60.0 / math.cos(math.radians(lat))
        time.sleep(1)
PY
    XWIN_PIDS="$XWIN_PIDS $!"
}

# Sentences $2... (bodies without "$" and checksum; "{utc}" in one becomes
# the UTC time of day, hhmmss.00) written once a second into pty end $1,
# each a whole line in one write, so they go beside another writer's.
sentence_writer() {
    python3 - "$@" > "$work/sentences.log" 2>&1 <<'PY' &
import datetime, functools, operator, sys, time
with open(sys.argv[1], "w") as port:
    while True:
        utc = datetime.datetime.now(datetime.timezone.utc).strftime("%H%M%S.00")
        for body in sys.argv[2:]:
            body = body.replace("{utc}", utc)
            port.write("$%s*%02X\r\n" % (body, functools.reduce(operator.xor, map(ord, body), 0)))
            port.flush()
        time.sleep(1)
PY
    XWIN_PIDS="$XWIN_PIDS $!"
}

# The X clipboard through Python's tkinter: emptied, and its text (nothing,
# and a failure, while it holds none).
clipboard_clear() {
    python3 -c 'import tkinter
r = tkinter.Tk()
r.withdraw()
r.clipboard_clear()
r.update()' 2>/dev/null
}
clipboard_text() {
    python3 -c 'import tkinter
r = tkinter.Tk()
r.withdraw()
print(r.clipboard_get())' 2>/dev/null
}

# Tools > Options, Workspace page, under the Day palette: the keyboard to
# the decimal places. Its label has no key of its own: Alt+Y keeps Day and
# takes the palette's radios, and Tab passes the greyed Edit, Default and
# Apply to desktop.
options_decimal_places() {
    xdotool key alt+y
    sleep 0.2
    xdotool key Tab
    sleep 0.2
}
# From the decimal places: Tab to the position format's ticked radio, Down
# to "Degrees Mins.Mins'" below it (it stays chosen when it already was).
options_decimal_minutes() {
    xdotool key Tab
    sleep 0.2
    xdotool key Down
    sleep 0.2
}

# A screenshot of the screen as $SHOTS/$1.png when $SHOTS names a folder
# (and ImageMagick's import is there); nothing otherwise.
xwin_shot() {
    [ -n "${SHOTS:-}" ] && mkdir -p "$SHOTS" && command -v import >/dev/null 2>&1 &&
        sleep 0.5 && import -window root "$SHOTS/$1.png" && echo "   screenshot $1.png"
    return 0
}

# Answers a question the program asks (a message box, titled with the
# program's name) with key $1, e.g. alt+n for No; windows given after it
# (the main window) are left alone. Each question is answered once: the key
# goes only while the question holds the keyboard, and the function returns
# once the question has gone. A second key sent while a question is closing
# would reach the main window instead (alt+n opens its Navigator menu, which
# then takes the next key). True when a question was answered.
answer_question() {
    local key=$1 w i
    shift
    for w in $(other_windows "$@"); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Brinevane" ] || continue
        xdotool windowfocus --sync "$w" 2>/dev/null || continue
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] || continue
        xdotool key "$key"
        for i in $(seq 1 200); do
            is_gone "$w" && return 0
            sleep 0.05
        done
        return 0
    done
    return 1
}

# Answers the DISCLAIMER of the program just started ($PID) and waits for
# the main window: its id in $MAIN.
pass_disclaimer() {
    dlg_visible() { window_named "DISCLAIMER"; }
    wait_for "the DISCLAIMER window" dlg_visible
    local dlg=$FOUND X Y WIDTH HEIGHT SCREEN WINDOW
    geometry "$dlg"
    click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 24))
    XWIN_DLG=$dlg
    dlg_gone() { is_gone "$XWIN_DLG"; }
    wait_for "the disclaimer to close" dlg_gone
    main_visible() { window_named "Brinevane"; }
    wait_for "the main window" main_visible
    MAIN=$FOUND
}

# Starts $PROGRAM (with the arguments given) with the work folder's home and
# settings, answers the DISCLAIMER and waits for the main window: its id in
# $MAIN, the program's in $PID.
start_past_disclaimer() {
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
    export XDG_RUNTIME_DIR="$work/runtime" BRINE_INSTANCE_NAME="brine-$XWIN_NAME-$$-$RANDOM"
    TMPDIR="$work/tmp" "$PROGRAM" "$@" > "$work/program.log" 2>&1 &
    PID=$!
    pass_disclaimer
    pointer_to 2 2
}

# A sound output for the program: a PulseAudio server of the run's own, in
# its runtime folder, playing into a null sink. Without one the program finds
# no wave output and keeps its audio alerts off, as on a machine without
# speakers.
sound_output() {
    command -v pulseaudio >/dev/null 2>&1 || fail "pulseaudio is not installed"
    mkdir -p "$work/home"
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
        -L module-null-sink -L module-native-protocol-unix > "$work/pulseaudio.log" 2>&1 &
    XWIN_PIDS="$XWIN_PIDS $!"
    sink_ready() {
        HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" pactl list short sinks 2>/dev/null |
            grep null
    }
    wait_for "the sound server's null sink" sink_ready
}

# The GPS off its serial ports, as the first lines of a settings file.
gps_off_lines() {
    printf '%s\n' '[Software\Quorwick\Brinevane\Default\Navigator\GPS]' \
        'ReceiveCOMPort=dword:0' 'TransmitCOMPort=dword:0'
}

# Every instrument off its serial ports, as lines of a settings file: a port
# another program on the machine holds would put its line on the message bar
# (which takes room from the chart window and moves the chart under the
# pointer), and a check must not depend on the machine's ports.
instruments_off_lines() {
    gps_off_lines
    other_instruments_off_lines
}

# Wind, autopilot and repeater off their serial ports (the GPS left as it is).
other_instruments_off_lines() {
    printf '%s\n' '[Software\Quorwick\Brinevane\Default\Navigator\Wind]' 'ReceiveCOMPort=dword:0' \
        '[Software\Quorwick\Brinevane\Default\Navigator\Autopilot]' 'TransmitCOMPort=dword:0' \
        '[Software\Quorwick\Brinevane\Default\Navigator\Repeater]' 'TransmitCOMPort=dword:0'
}

# Every instrument off its serial ports, written as the settings file $1 (its
# folder made), with "Default" a saved workspace that the start reopens.
instruments_off() {
    mkdir -p "$(dirname "$1")"
    { instruments_off_lines; echo '#end'; } > "$1"
    saved_workspace "$1"
}

# Every instrument off its ports and a blank chart over Admiralty Inlet and
# Seattle reopened at start, written as the settings file $1 (its folder made)
# with "Default" a saved workspace that the start reopens.
# The chart shows 47 30' N to 48 15' N and 123 33' W to 121 33' W, all of it:
# with a degree of longitude cos(latitude) as wide as one of latitude, a
# window of the usual shape has it across its width at its bottom, the spare
# height above.
blank_chart_settings() {
    mkdir -p "$(dirname "$1")"
    {
        instruments_off_lines
        blank_chart_view_lines 48.25 -123.55 47.5 -121.55
        echo '#end'
    } > "$1"
    saved_workspace "$1"
}

# The settings lines of a blank chart reopened at start showing north $1,
# west $2, south $3, east $4 (degrees). The blank chart is not panned or
# centred: a check that wants it round a place opens it there.
blank_chart_view_lines() {
    printf '%s\n' '[Software\Quorwick\Brinevane\Default\Chart\LastOpened]' 'ChartsOpen=dword:1' \
        'Chart1=str:' '[Software\Quorwick\Brinevane\Default\Chart\LastOpened\Chart1]' \
        "TopLeftLatitude=str:$1" "TopLeftLongitude=str:$2" \
        "BottomRightLatitude=str:$3" "BottomRightLongitude=str:$4"
}

# Adds to the settings file $1 a blank chart reopened at start, its window
# maximised, centred on latitude $2, longitude $3, $4 degrees of longitude
# wide and $5 of latitude high, with "Default" a saved workspace that the
# start reopens.
blank_chart_round() {
    mkdir -p "$(dirname "$1")"
    local view
    view=$(awk -v lat="$2" -v lon="$3" -v w="$4" -v h="$5" \
        'BEGIN { printf "%.6f %.6f %.6f %.6f", lat + h / 2, lon - w / 2, lat - h / 2, lon + w / 2 }')
    # shellcheck disable=SC2086
    { grep -v '^#end$' "$1" 2>/dev/null; blank_chart_view_lines $view; echo 'Show=dword:3'
      echo '#end'; } > "$1.new" &&
        mv "$1.new" "$1"
    saved_workspace "$1"
}

# The state lines a program reports on the file $STATE, one a change, each of
# fields "key=value".
last_state() { tail -1 "$STATE" 2>/dev/null; }
field() { last_state | tr ' ' '\n' | sed -n "s/^$1=//p"; }
state_lines() { if [ -f "$STATE" ]; then wc -l < "$STATE"; else echo 0; fi; }
# Waits for a state line after the $LINES seen whose field $2 is $3 ($1 says
# what it is), then counts it seen.
expect_state() {
    local what=$1 key=$2 want=$3
    has() { [ "$(state_lines)" -gt "$LINES" ] && [ "$(field "$key")" = "$want" ] && echo ok; }
    wait_for "$what" has
    LINES=$(state_lines)
}

# The vessel log's folder in the work folder: otherwise the program keeps its
# logs beside itself, and a temporary log a killed program leaves behind
# would stay in the build tree. A check that names a log folder of its own
# keeps it. $1 is the settings file, made when missing; "Default" becomes a
# saved workspace there (saved_workspace), as the setting is read only from
# a workspace.
private_logs() {
    saved_workspace "$1"
    awk '/^\[/ { inlog = ($0 ~ /\\Navigator\\Log\]$/) } inlog && /^DatabaseFolder=/ { named = 1 }
         END { exit !named }' "$1" 2>/dev/null && return 0
    { grep -v '^#end$' "$1" 2>/dev/null
      printf '[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:%s\n#end\n' \
          "$work/logs"; } > "$1.new" && mv "$1.new" "$1"
}

# The settings lines that name "Default" as a saved workspace reopened at
# start, as File > Workspace > Save As "Default" on a first start leaves them:
# the workspace list, the current workspace and the recent list, and the
# layout's entries of the status bar and of the side panel, both shown (the
# Chart Info panel, docked right; without a stored layout a reopened
# workspace shows no side panel). The program reads settings only when a
# workspace opens: the values under the Default key reach the frame and the
# modules only through it; a start without one keeps its own.
current_workspace_lines() {
    printf '%s\n' '[Software\Quorwick\Brinevane]' 'Workspace1=str:Default' \
        'CurrentWorkspace=str:Default' 'RecentWorkspace1=str:Default' \
        '[Software\Quorwick\Brinevane\Default\WorkState_v1_1\Bars\Bar0]' \
        'ClassName=str:CXStatusBar' 'BarID=str:59393' 'Visible=str:True' \
        '[Software\Quorwick\Brinevane\Default\WorkState_v1_1\Bars\Bar1]' \
        'ClassName=str:CSidePanel' 'BarID=str:256' 'Visible=str:True' 'Right=str:True'
}

# "Default" made a saved workspace in the settings file $1 (made when
# missing; once, however often asked), so that the settings a check writes
# under the Default key are read at start. With "autosave" as $2 the
# workspace saves itself at the close ("Auto save workspace" ticked): the log
# open at File > Exit or at a SIGTERM, its voyage and logging, are what the
# next start reopens. A close without a workspace save leaves the workspace
# naming what it named.
saved_workspace() {
    mkdir -p "$(dirname "$1")"
    local autosave=
    [ "${2:-}" = autosave ] &&
        autosave=$(printf '%s\n' '[Software\Quorwick\Brinevane\Default\WorkSpace]' \
            'AutoSaveWorkspace=str:True')
    if grep -qx 'Workspace1=str:Default' "$1" 2>/dev/null && [ -z "$autosave" ]; then
        return 0
    fi
    { grep -v '^#end$' "$1" 2>/dev/null
      grep -qx 'Workspace1=str:Default' "$1" 2>/dev/null || current_workspace_lines
      [ -z "$autosave" ] || printf '%s\n' "$autosave"
      echo '#end'; } > "$1.new" && mv "$1.new" "$1"
}

# The station listener on a port of this run's own, its peer file in the work
# folder: a run beside other copies of the program never meets them on the
# network. $1 is the settings file, made when missing; "Default" becomes a
# saved workspace there (private_logs).
station_settings() {
    mkdir -p "$(dirname "$1")"
    { grep -v '^#end$' "$1" 2>/dev/null
      printf '[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nTCPPort=dword:%d\nFileFolder=str:%s\n#end\n' \
          $((20000 + RANDOM % 20000)) "$work"; } > "$1.new" && mv "$1.new" "$1"
    private_logs "$1"
}
