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
status=0
"$WINE64" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit "$status"
