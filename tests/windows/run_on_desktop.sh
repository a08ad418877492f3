#!/usr/bin/env bash
# Runs a Windows test program under Wine on a private X desktop (Xvfb and openbox), in a Wine
# session of its own. Usage: run_on_desktop.sh DEFAULT_PREFIX PROGRAM [ARGUMENTS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine_env.sh
source "$here/wine_env.sh" "$1"
shift
# shellcheck source=../../scripts/e2e/desktop.sh
source "$here/../../scripts/e2e/desktop.sh"
wine_prefix_ready || {
    echo "run_on_desktop.sh: could not make the Wine prefix $WINEPREFIX" >&2
    exit 1
}
wine_session_end
cleanup() {
    wine_session_end
    stop_desktop
}
start_desktop --no-tray || exit 1
trap cleanup EXIT
"$WINE64" "$@"
