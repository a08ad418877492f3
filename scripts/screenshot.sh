#!/usr/bin/env bash
# Makes PNG pictures of the running program under a private Xvfb desktop (openbox, trayer).
# Usage: scripts/screenshot.sh [BINARY] [OUTPUT_FOLDER]
#   BINARY defaults to build/tavro; pictures go to OUTPUT_FOLDER (default docs/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
binary=${1:-$top/build/tavro}
out=${2:-$top/docs}
mkdir -p "$out"
# shellcheck source=e2e/desktop.sh
source "$here/e2e/desktop.sh"

work=$(mktemp -d)
cleanup() { stop_desktop; rm -rf "$work"; }
start_desktop
trap cleanup EXIT

install_tavro "$binary" "$work/app"
start_tavro "$work/app"
wait_for 20 tray_icon_of "$TAVRO_PID"
icon=$(tray_icon_of "$TAVRO_PID")

# The window as it first appears: a left click on the tray icon.
xdotool mousemove --window "$icon" 5 5 click 1
wait_for 20 main_window_of "$TAVRO_PID"
window=$(main_window_of "$TAVRO_PID")
# Point at the panel: that parks the focus and hides every focus marker.
xdotool mousemove --window "$window" 150 200
sleep 0.5
# shot NAME WINDOW: the window with its frame, as a PNG.
shot() {
    import -frame -window "$2" "$out/$1.png"
    echo "wrote $out/$1.png"
}
shot main-window-empty "$window"
