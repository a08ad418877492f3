# Shared set-up of the end-to-end tests: a private desktop, the real program copied into a
# temporary program folder, and small assertions. Usage: source common.sh BINARY
set -uo pipefail
E2E_BINARY=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/e2e/desktop.sh
source "$here/../../scripts/e2e/desktop.sh"

E2E_WORK=$(mktemp -d)
E2E_FAILURES=0
e2e_cleanup() {
    stop_desktop
    rm -rf "$E2E_WORK"
}

fail() {
    echo "FAIL: $*" >&2
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# check DESCRIPTION COMMAND...: records a failure unless COMMAND succeeds.
check() {
    local description=$1
    shift
    if "$@"; then
        echo "ok: $description"
    else
        fail "$description"
    fi
}

# expect SECONDS DESCRIPTION COMMAND...: waits for COMMAND to succeed.
expect() {
    local seconds=$1 description=$2
    shift 2
    if wait_for "$seconds" "$@"; then
        echo "ok: $description"
    else
        fail "$description"
    fi
}

finish() {
    if [ -f "${APP:-/nonexistent}/tavro.log" ] && grep -qE 'runtime error|AddressSanitizer' "$APP/tavro.log"; then
        fail "the program reported a sanitizer error:"
        cat "$APP/tavro.log" >&2
    fi
    if [ "$E2E_FAILURES" -ne 0 ]; then
        echo "$E2E_FAILURES check(s) failed" >&2
        # (Wine's traces, which the Windows test asks for, are left out.)
        [ -f "${APP:-/nonexistent}/tavro.log" ] && grep -v ':trace:' "$APP/tavro.log" | sed -n 1,40p >&2
        exit 1
    fi
    echo "all checks passed"
}

# Starts a desktop (start_desktop's options) and the program in a fresh program folder $APP.
start_program() {
    start_desktop "$@" || exit 1
    trap e2e_cleanup EXIT
    launch_program
}

# Starts the program in the program folder $APP (by default a fresh one); its pid is in PID.
launch_program() {
    APP=${APP:-$E2E_WORK/app}
    install_tavro "$E2E_BINARY" "$APP"
    start_tavro "$APP"
    PID=$TAVRO_PID
}

# Clicks the tray icon with a mouse button (1 left, 3 right).
click_tray() {
    local icon
    icon=$(tray_icon_of "$PID") || return 1
    xdotool mousemove --window "$icon" 6 6 click "$1"
}

# Copies a text to the clipboard as another program does.
copy_text() {
    printf '%s' "$1" | xclip -selection clipboard -i
}

window_is_mapped() { [ -n "$(main_window_of "$1")" ]; }
window_is_unmapped() { [ -z "$(main_window_of "$1")" ]; }

# ---- Popups, menus chosen with the keyboard, the clipboard as another program sees it ----

# A popup menu of the process PID that is open now: a viewable override-redirect window of
# the program that is larger than its tray icon and is no tooltip. Qt makes a new window for
# each popup.
popup_of() {
    local window info width height
    for window in $(find_windows --all --onlyvisible --pid "$1"); do
        info=$(xwininfo -id "$window" 2>/dev/null) || continue
        grep -q 'Override Redirect State: yes' <<<"$info" || continue
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        width=$(awk '/^ *Width:/ {print $2}' <<<"$info")
        height=$(awk '/^ *Height:/ {print $2}' <<<"$info")
        [ "${width:-0}" -gt 32 ] || [ "${height:-0}" -gt 32 ] || continue
        xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && continue
        echo "$window"
        return 0
    done
    return 1
}
popup_open() { [ -n "$(popup_of "$1")" ]; }
popup_closed() { [ -z "$(popup_of "$1")" ]; }

# Whether the process PID shows a window of the tooltip type: a tooltip, or the picture that
# follows the pointer while one of its drags is under way.
tooltip_window_shown() {
    local window
    for window in $(find_windows --all --onlyvisible --pid "$1"); do
        xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP &&
            return 0
    done
    return 1
}

# The height in pixels of the open popup of the process PID.
popup_height() {
    local window
    window=$(popup_of "$1") || return 1
    xwininfo -id "$window" | awk '/^ *Height:/ {print $2}'
}

# Clicks the tray icon of $PID with a mouse button (1 left, 3 right) as a click of its own.
# Two presses of a button close together in time and place make a double click, to which
# the icon does nothing; so each click lands on the other corner of the icon from the one
# before (Qt may merge the pointer moves in between, so crossing the icon is not enough).
E2E_TRAY_SPOT=5
click_tray_anew() {
    local icon
    icon=$(tray_icon_of "$PID") || return 1
    E2E_TRAY_SPOT=$((E2E_TRAY_SPOT == 5 ? 16 : 5))
    xdotool mousemove --window "$icon" "$E2E_TRAY_SPOT" "$E2E_TRAY_SPOT" click "$1"
}

# Opens the tray menu of $PID with a right click on its icon and waits for it to show.
open_tray_menu() {
    wait_for 10 popup_closed "$PID" || return 1
    click_tray_anew 3 || return 1
    wait_for 10 popup_open "$PID"
}

# Right-clicks the window WINDOW at X Y (window coordinates) and waits for the popup menu
# of $PID that this opens.
open_menu_at() {
    wait_for 10 popup_closed "$PID" || return 1
    xdotool mousemove --window "$1" "$2" "$3" click 3 || return 1
    wait_for 10 popup_open "$PID"
}

# Presses KEYS in the open popup menu of $PID (the menu holds the keyboard); when the last
# key is Return or Escape, waits for the menu to close.
menu_keys() {
    popup_open "$PID" || return 1
    xdotool key --delay 40 "$@" || return 1
    case "${!#}" in
        Return | Escape) wait_for 10 popup_closed "$PID" ;;
    esac
}

# Chooses an entry of the open popup menu of $PID: Down pressed COUNT times from the top (the
# menu skips separators and hidden entries), then Return.
choose_menu_entry() {
    local keys=() i
    for ((i = 0; i < $1; i++)); do keys+=(Down); done
    menu_keys "${keys[@]}" Return
}

# history_rows_are N: the tray menu of $PID is exactly N history rows taller than with no
# history; the test measures empty_height and row_height (pixels) first.
history_rows_are() {
    open_tray_menu || return 1
    local height
    height=$(popup_height "$PID")
    menu_keys Escape || return 1
    [ "$height" -eq $((empty_height + $1 * row_height)) ]
}

# Opens the tray menu of $PID and chooses the entry COUNT Down presses from the top.
choose_tray_entry() {
    open_tray_menu || return 1
    choose_menu_entry "$1"
}

# copy_seen XCLIP-ARGUMENTS...: puts data on the clipboard with xclip, as another program
# does, and waits until xclip has answered a request for it. Nothing else on the test
# desktop reads the clipboard, so the request is the program taking note of the change;
# waiting for it keeps the next copy from overtaking this one. The xclip process (its pid is
# in E2E_XCLIP_PID) ends when another program takes the clipboard.
E2E_COPIES=0
copy_seen() {
    E2E_COPIES=$((E2E_COPIES + 1))
    local log=$E2E_WORK/xclip.$E2E_COPIES.log
    xclip -selection clipboard -verbose "$@" >"$log" 2>&1 &
    # shellcheck disable=SC2034  # read by the tests
    E2E_XCLIP_PID=$!
    wait_for 10 grep -q 'selection request number 2' "$log"
}

# copy_text_seen TEXT: copies TEXT and waits until the program has read it and the clipboard
# shows it.
copy_text_seen() {
    local file=$E2E_WORK/copied.$((E2E_COPIES + 1))
    printf '%s' "$1" >"$file"
    copy_seen -i "$file" && wait_for 10 clipboard_is "$1"
}

# copy_image PNG: puts the picture PNG on the clipboard as image/png, as another program does,
# and waits until the clipboard offers it. The program only asks which formats are offered,
# a request xclip doesn't log, and it asks on a connection of its own: a test that counts on
# the entry for the image polls for it.
copy_image() {
    E2E_COPIES=$((E2E_COPIES + 1))
    xclip -selection clipboard -verbose -t image/png -i "$1" >"$E2E_WORK/xclip.$E2E_COPIES.log" 2>&1 &
    # shellcheck disable=SC2034  # read by the tests
    E2E_XCLIP_PID=$!
    wait_for 10 sh -c 'xclip -selection clipboard -o -t TARGETS 2>/dev/null | grep -qx image/png'
}

# Whether the clipboard's text is byte for byte the content of FILE.
clipboard_matches_file() {
    local now=$E2E_WORK/clipboard.now
    xclip -selection clipboard -o >"$now" 2>/dev/null && cmp -s "$now" "$1"
}

# The formats (targets) the clipboard offers now, one a line.
clipboard_targets() {
    xclip -selection clipboard -o -t TARGETS 2>/dev/null
}

# The colour "#RRGGBB" of the pixel at X Y of the window WINDOW as the screen shows it.
pixel_of() {
    import -window "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null |
        grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1
}
pixel_is() { [ "$(pixel_of "$1" "$2" "$3")" = "$4" ]; }
pixel_is_not() {
    local colour
    colour=$(pixel_of "$1" "$2" "$3") && [ -n "$colour" ] && [ "$colour" != "$4" ]
}

# Shows the main window of $PID with a left click on the tray icon, makes it the active
# window and puts its id in WINDOW.
show_main_window() {
    click_tray_anew 1 || return 1
    wait_for 20 window_is_mapped "$PID" || return 1
    WINDOW=$(main_window_of "$PID")
    activate_window "$WINDOW"
}

# Makes WINDOW the active window and waits until it is.
activate_window() {
    timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1
}

# Whether a log of the program is free of sanitizer reports.
log_is_clean() {
    ! grep -qE 'runtime error|AddressSanitizer' "$1"
}

# The time now in milliseconds.
now_ms() { date +%s%3N; }

# Whether the window WINDOW is minimised (iconic), as opposed to hidden or shown.
window_is_iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q Iconic; }
window_is_not_iconic() { ! window_is_iconic "$1"; }

# Places of the "OK" label button in the main window, in pixels.
OK_FACE=(242 10)
OK_MARKER=(237 10)

# press_ok WINDOW: makes WINDOW active, points at "OK" until its white frame shows (the
# button is armed), then clicks it.
press_ok() {
    activate_window "$1" || return 1
    wait_for 10 _ok_armed "$1" || return 1
    xdotool click 1
}
# The pointer moves by a pixel each time, so every try is a move the window sees.
E2E_OK_NUDGE=0
_ok_armed() {
    E2E_OK_NUDGE=$((1 - E2E_OK_NUDGE))
    xdotool mousemove --window "$1" "$((OK_FACE[0] + E2E_OK_NUDGE))" "${OK_FACE[1]}" &&
        pixel_is "$1" "${OK_MARKER[0]}" "${OK_MARKER[1]}" '#FFFFFF'
}

# Whether the process PID has no icon docked in a notification area.
no_tray_icon_of() { ! tray_icon_of "$1"; }
