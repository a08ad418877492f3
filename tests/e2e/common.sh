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
        [ -f "${APP:-/nonexistent}/tavro.log" ] && sed -n 1,40p "$APP/tavro.log" >&2
        exit 1
    fi
    echo "all checks passed"
}

# Starts a desktop and the program in a fresh program folder $APP; waits for its tray icon.
start_program() {
    start_desktop "$@" || exit 1
    trap e2e_cleanup EXIT
    APP=$E2E_WORK/app
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
