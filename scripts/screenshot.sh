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
import -window root -crop "$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')+$(xdotool getwindowgeometry "$window" | awk -F'[ ,]+' '/Position/ {print $3"+"$4}')" "$out/main-window-empty.png" 2>/dev/null || import -window "$window" "$out/main-window-empty.png"
import -window root "$out/desktop.png"
echo "wrote $out/main-window-empty.png and $out/desktop.png"
