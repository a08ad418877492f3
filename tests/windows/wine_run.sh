#!/usr/bin/env bash
# Runs a Windows program of the test build under Wine, with no display (the tests use Qt's
# offscreen platform). Usage: wine_run.sh DEFAULT_PREFIX PROGRAM [ARGUMENTS...]
# (the prefix is TAVRO_WINEPREFIX when set). Its DLLs lie beside it.
set -euo pipefail
# shellcheck source=wine_env.sh
source "$(dirname "$0")/wine_env.sh" "$1"
shift
wine_prefix_ready || {
    echo "wine_run.sh: could not make the Wine prefix $WINEPREFIX" >&2
    exit 1
}
unset DISPLAY WAYLAND_DISPLAY
wine_session_start
# The output goes through a file: a Wine process that the program starts on demand (COM's
# rpcss, the desktop) outlives it, and would hold the test's own output open until the session
# ends.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
run() {
    status=0
    "$WINE64" "$@" >"$output" 2>&1 </dev/null || status=$?
}
run "$@"
# A start that fails before the program prints anything (Wine's session ending just then, 30 s
# after its last program) is tried once more; a test program always prints.
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
    echo "wine_run.sh: Wine started nothing (status $status); starting it again" >&2
    wine_session_start
    run "$@"
fi
cat "$output"
exit "$status"
