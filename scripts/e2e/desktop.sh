# A private X desktop for end-to-end runs: Xvfb, openbox as the window manager and trayer as
# the notification area. Source this file, then call start_desktop; stop_desktop (or the
# EXIT trap it sets) tears everything down.
#
# Every wait has a deadline and polls a condition; nothing sleeps for a fixed time.

DESKTOP_PIDS=()

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds or the deadline passes.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    while ! "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then
            echo "timed out after ${seconds}s waiting for: $*" >&2
            return 1
        fi
        sleep 0.1
    done
}

# find_windows XDOTOOL-SEARCH-ARGUMENTS...: the ids xdotool search prints. A window that goes
# away while xdotool walks the tree makes it end with BadWindow, which says nothing about the
# windows asked for: then it looks again.
find_windows() {
    local out _
    for _ in 1 2 3 4 5; do
        if out=$(xdotool search "$@" 2>&1); then
            grep -E '^[0-9]+$' <<<"$out"
            return 0
        fi
        grep -q BadWindow <<<"$out" || return 1
    done
    return 1
}

_tray_manager_running() {
    # trayer owns the _NET_SYSTEM_TRAY_S0 selection once its panel window exists.
    xdotool search --classname trayer >/dev/null 2>&1 || xdotool search --class trayer >/dev/null 2>&1
}
_tray_manager_gone() { ! _tray_manager_running; }

# start_desktop [--no-tray] [--keep-bus] [--fixed-tray]: --no-tray starts no notification area
# (start_tray starts one later); --keep-bus lets the programs use the D-Bus session of
# DBUS_SESSION_BUS_ADDRESS (a private one from dbus-run-session), which is otherwise hidden from
# them; --fixed-tray gives the notification area a fixed width (see start_tray).
start_desktop() {
    local with_tray=1 keep_bus=0 option
    DESKTOP_FIXED_TRAY=0
    for option in "$@"; do
        case $option in
            --no-tray) with_tray=0 ;;
            --keep-bus) keep_bus=1 ;;
            --fixed-tray) DESKTOP_FIXED_TRAY=1 ;;
        esac
    done
    # The server picks a free display number itself and writes it to the file, so desktops
    # started side by side never collide.
    local number_file
    number_file=$(mktemp)
    # -noreset: the server would otherwise reset when a check like xdpyinfo disconnects, and
    # a client connecting during that reset fails.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
    DESKTOP_PIDS+=($!)
    trap stop_desktop EXIT
    wait_for 20 test -s "$number_file" || return 1
    export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
    rm -f "$number_file"
    unset WAYLAND_DISPLAY
    [ "$keep_bus" = 1 ] || unset DBUS_SESSION_BUS_ADDRESS
    # A runtime folder of the desktop's own: no user's session bus is found through it.
    DESKTOP_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR=$DESKTOP_RUNTIME_DIR
    export QT_QPA_PLATFORM=xcb
    wait_for 20 xdpyinfo || return 1
    openbox >"${DESKTOP_LOG:-/dev/null}" 2>&1 &
    DESKTOP_PIDS+=($!)
    wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || return 1
    if [ "$with_tray" = 1 ]; then
        start_tray || return 1
    fi
}

# start_tray: starts trayer, the notification area, and waits until it runs; its pid is in
# TRAYER_PID. It sits at the top right and is as wide as its icons, so it grows leftwards as
# one docks; with --fixed-tray it is 60 pixels wide from the start. Wine needs that: its
# docked icon stays blank and takes no clicks when the panel moves while the icon docks (6 of
# 16 fresh desktops drew it beside the growing panel, 16 of 16 beside the fixed one).
start_tray() {
    local width=(--widthtype request)
    [ "${DESKTOP_FIXED_TRAY:-0}" = 1 ] && width=(--widthtype pixel --width 60)
    trayer --edge top --align right "${width[@]}" --height 24 --SetDockType true \
        --transparent false --tint 0x404040 --expand true >/dev/null 2>&1 &
    TRAYER_PID=$!
    DESKTOP_PIDS+=("$TRAYER_PID")
    wait_for 20 _tray_manager_running
}

# stop_tray: ends the notification area started last and waits until it is gone.
stop_tray() {
    kill "$TRAYER_PID" 2>/dev/null
    wait "$TRAYER_PID" 2>/dev/null
    wait_for 20 _tray_manager_gone
}

stop_desktop() {
    local pid
    for pid in "${TAVRO_PIDS[@]:-}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null
    done
    for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${DESKTOP_PIDS[$i]}" 2>/dev/null
    done
    wait 2>/dev/null
    DESKTOP_PIDS=()
    [ -n "${DESKTOP_RUNTIME_DIR:-}" ] && rm -rf "$DESKTOP_RUNTIME_DIR"
    DESKTOP_RUNTIME_DIR=
}

TAVRO_PIDS=()

# install_tavro BINARY FOLDER: copies the program into FOLDER, its program folder.
install_tavro() {
    mkdir -p "$2"
    cp "$1" "$2/tavro"
}

# start_tavro FOLDER: starts the copy in FOLDER; its pid is in TAVRO_PID.
start_tavro() {
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} "$1/tavro" >"$1/tavro.log" 2>&1 &
    TAVRO_PID=$!
    TAVRO_PIDS+=("$TAVRO_PID")
}

# The main window of the process PID (mapped, titled "Tavro!").
main_window_of() {
    find_windows --all --onlyvisible --pid "$1" --name '^Tavro!$' | head -n 1
}

# The tray icon window of the process PID: a small window docked in trayer's panel.
tray_icon_of() {
    local window
    for window in $(find_windows --all --pid "$1"); do
        local geometry
        geometry=$(xdotool getwindowgeometry "$window" 2>/dev/null | awk '/Geometry/ {print $2}')
        local width=${geometry%x*} height=${geometry#*x}
        if [ -n "$geometry" ] && [ "$width" -le 32 ] && [ "$height" -le 32 ] && [ "$width" -ge 8 ] &&
            xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

process_running() { kill -0 "$1" 2>/dev/null; }
process_gone() { ! kill -0 "$1" 2>/dev/null; }

clipboard_is() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }

# window_named PID NAME: a viewable window of PID whose title is exactly NAME (compared as
# text, since xdotool's own name search does not match non-ASCII titles reliably).
window_named() {
    local window
    for window in $(find_windows --all --onlyvisible --pid "$1"); do
        if [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$2" ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}
