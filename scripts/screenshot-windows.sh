#!/usr/bin/env bash
# Makes PNG pictures of the Windows program (the portable zip) under Wine on a private Xvfb
# desktop (openbox, trayer): windows-main-window.png (after a few copies and a save) and
# windows-tray-menu.png.
# Usage: scripts/screenshot-windows.sh [ZIP] [OUTPUT_FOLDER]
#   (defaults: build-windows/Tavro-*-windows-x64.zip, docs/)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
zip=$(readlink -f "${1:-$(ls "$top"/build-windows/Tavro-*-windows-x64.zip 2>/dev/null | head -n 1)}")
out=${2:-$top/docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -f "$zip" ] || {
    echo "no portable zip: run scripts/build-windows.sh first" >&2
    exit 1
}
# The end-to-end helpers: the desktop, the program's menus, clipboard copies.
# shellcheck source=../tests/e2e/common.sh
source "$top/tests/e2e/common.sh" "$zip"
# shellcheck source=../tests/windows/wine_env.sh
source "$top/tests/windows/wine_env.sh" "$E2E_WORK/prefix"
start_desktop --fixed-tray || exit 1
cleanup() {
    wine_session_end
    e2e_cleanup
}
trap cleanup EXIT
wine_prefix_ready || exit 1

cmake -E chdir "$E2E_WORK" cmake -E tar xf "$zip"
APP=$(find "$E2E_WORK" -maxdepth 1 -type d -name 'Tavro-*' | head -n 1)
tray_icon_of() {
    local panel icon
    panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -n 1)
    [ -n "$panel" ] || return 1
    icon=$(xwininfo -tree -id "$panel" 2>/dev/null | awk '/"explorer.exe"/ {print $1; exit}')
    [ -n "$icon" ] && echo "$icon"
}
panel_colour=$(pixel_of "$(xdotool search --classname '^panel$' | head -n 1)" 0 0)
icon_drawn() { [ "$(pixel_of "$(tray_icon_of)" 10 12)" != "$panel_colour" ]; }
eval "common_$(declare -f open_tray_menu)"
eval "common_$(declare -f open_menu_at)"
focus_popup() { xdotool windowfocus --sync "$(popup_of "$PID")" 2>/dev/null; }
open_tray_menu() { common_open_tray_menu && focus_popup; }
open_menu_at() { common_open_menu_at "$@" && focus_popup; }

# Wine sometimes docks a blank icon that takes no clicks: start again until it shows.
for attempt in 1 2 3 4 5; do
    "$WINE64" "$APP/tavro.exe" >/dev/null 2>&1 &
    PID=$!
    wait_for 60 tray_icon_of && wait_for 5 icon_drawn && break
    kill "$PID"
    wait_for 20 process_gone "$PID"
done

# shot NAME WINDOW: the window, with the window manager's frame when it has one.
shot() {
    local info x y w h left=0 right=0 top=0 bottom=0
    info=$(xwininfo -id "$2")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    read -r left right top bottom < <(xprop -id "$2" _NET_FRAME_EXTENTS 2>/dev/null |
        awk -F' = ' '/=/ {gsub(",", "", $2); print $2}') || true
    left=${left:-0} right=${right:-0} top=${top:-0} bottom=${bottom:-0}
    import -window root -crop "$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))" +repage "$out/$1.png"
    echo "wrote $out/$1.png"
}

copy_text_seen "会議は15時から第2会議室です"
copy_text_seen "ｶﾀｶﾅもひらがなも漢字も①～"
copy_text_seen "Tavro keeps what you copy."
show_main_window || exit 1
# Save the second entry through the history list's menu.
xdotool mousemove --window "$WINDOW" 100 239 click 1
open_menu_at "$WINDOW" 100 239 && choose_menu_entry 1
wait_for 10 sh -c "[ \$(ls '$APP/Temptext' | wc -l) -ge 1 ]"
activate_window "$WINDOW"
xdotool mousemove --window "$WINDOW" 150 290
wait_for 5 sh -c "xwininfo -id $WINDOW | grep -q IsViewable"
shot windows-main-window "$WINDOW"

open_tray_menu || exit 1
shot windows-tray-menu "$(popup_of "$PID")"
menu_keys Escape
