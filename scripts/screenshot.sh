#!/usr/bin/env bash
# Makes PNG pictures of the running program on a private Xvfb desktop (openbox, trayer):
#   main-window-empty.png  the window as first shown, no marker
#   main-window.png        after a few copies and two saves, the "OK" button armed
#   label-pressed.png      the left button held down on "ｸﾘｱ"
#   tray-menu.png          the tray menu
#   about-box.png          the about box
#   tray-menu-dbus.png     the tray menu as drawn beside XEmbed trays, next to the same menu as
#                          a StatusNotifierItem tray reads it over D-Bus (GetLayout)
# Usage: scripts/screenshot.sh [BINARY] [OUTPUT_FOLDER]   (defaults: build/tavro, docs/)
set -euo pipefail
# A D-Bus session of its own, for the StatusNotifierItem tray at the end.
if [ -z "${SCREENSHOT_PRIVATE_BUS:-}" ]; then
    SCREENSHOT_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
binary=$(readlink -f "${1:-$top/build/tavro}")
out=${2:-$top/docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
# shellcheck source=e2e/desktop.sh
source "$here/e2e/desktop.sh"

work=$(mktemp -d)
cleanup() {
    stop_desktop
    rm -rf "$work"
}
start_desktop --keep-bus
trap cleanup EXIT

install_tavro "$binary" "$work/app"
start_tavro "$work/app"
pid=$TAVRO_PID
wait_for 20 tray_icon_of "$pid"
icon=$(tray_icon_of "$pid")

# shot NAME WINDOW: the window (with its frame, if it has one) as a PNG.
shot() {
    # Cut from the whole screen, so whatever lies on top is in the picture as a person sees it.
    local info x y w h
    info=$(xwininfo -id "$2")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    # Include the window manager's frame (its extents: left, right, top, bottom).
    local left=0 right=0 top=0 bottom=0
    read -r left right top bottom < <(xprop -id "$2" _NET_FRAME_EXTENTS 2>/dev/null |
        awk -F' = ' '/=/ {gsub(",", "", $2); print $2}') || true
    left=${left:-0} right=${right:-0} top=${top:-0} bottom=${bottom:-0}
    import -window root -crop "$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))" +repage "$out/$1.png"
    echo "wrote $out/$1.png"
}
# at X Y: the pointer at a point of the main window's client area.
at() { xdotool mousemove --window "$window" "$1" "$2"; }
# The popup menu of the program that is open now.
popup_menu() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$w" = "$window" ] || [ "$w" = "$icon" ] || {
            echo "$w"
            return 0
        }
    done
    return 1
}
copy() {
    printf '%s' "$1" | xclip -selection clipboard -i
    wait_for 10 sh -c "[ \"\$(xclip -selection clipboard -o)\" = '$1' ]"
}

# The window as it first appears, with the pointer on the panel (no marker armed).
xdotool mousemove --window "$icon" 6 6 click 1
wait_for 20 main_window_of "$pid"
window=$(main_window_of "$pid")
at 150 200
sleep 0.3
shot main-window-empty "$window"

# A few copies from another program, two of them saved as texts through the list's menu.
copy "会議は15時から第2会議室です"
copy "https://example.org/tavro"
copy "ｶﾀｶﾅもひらがなも漢字も①～"
copy "Tavro keeps what you copy."
for row in 1 3; do
    at 100 $((226 + 13 * row))
    xdotool click 1
    xdotool click 3
    wait_for 10 popup_menu
    xdotool key Down Return
    wait_for 10 sh -c "[ \$(ls '$work/app/Temptext' | wc -l) -ge $(((row + 1) / 2)) ]"
    sleep 1.1  # the next save gets a later name anyway; this keeps the times apart
done
xdotool windowactivate --sync "$window"
at 50 60
xdotool click 1
at 266 10
sleep 0.3
shot main-window "$window"

# The left button held on "ｸﾘｱ", released away from it (so nothing is cleared).
at 264 201
xdotool mousedown 1
sleep 0.3
shot label-pressed "$window"
at 150 290
xdotool mouseup 1

# The tray menu.
xdotool mousemove --window "$icon" 6 6 click 3
wait_for 10 popup_menu
sleep 0.3
shot tray-menu "$(popup_menu)"
xdotool key Escape

# The about box, from the credits line.
xdotool windowactivate --sync "$window"
at 100 398
xdotool click 1
wait_for 10 window_named "$pid" 'ﾊﾞｰｼﾞｮﾝ情報'
about=$(window_named "$pid" 'ﾊﾞｰｼﾞｮﾝ情報')
sleep 1
shot about-box "$about"

# The same tray menu as a StatusNotifierItem tray reads it: a watcher comes, the program moves
# its icon there, and the menu's layout is read over D-Bus and drawn as a list beside the
# picture of the XEmbed menu (hidden entries in grey, as the protocol marks them).
sni=(/usr/bin/python3 "$top/tests/e2e/sni.py")
"${sni[@]}" watcher 2>/dev/null &
DESKTOP_PIDS+=($!)
wait_for 10 "${sni[@]}" watcher-running
item_of_program() { "${sni[@]}" items | grep -m1 -e "-$pid-"; }
wait_for 10 item_of_program
item=$(item_of_program)
"${sni[@]}" menu "$item" >"$work/menu.txt"
font=$(fc-match -f '%{file}' IPAPGothic)
# The Japanese face has no line-break mark (↵): the mark is drawn in a face that has it.
mark_font=$(fc-match -f '%{file}' 'DejaVu Sans')
row=0
# text_row COLOUR TEXT: one entry of the list as a picture, 300 x 22 px; its file in ROW_FILE.
text_row() {
    local colour=$1 rest=$2 part parts=()
    while [ -n "$rest" ]; do
        part=${rest%%↵*}
        [ -n "$part" ] && parts+=(\( -background white -fill "$colour" -font "$font" -pointsize 12 label:"$part" \))
        [ "$part" = "$rest" ] && break
        parts+=(\( -background white -fill "$colour" -font "$mark_font" -pointsize 11 label:"↵" \))
        rest=${rest#*↵}
    done
    row=$((row + 1))
    ROW_FILE=$work/row.$row.png
    convert "${parts[@]}" -gravity Center +append -gravity West -background white \
        -splice 6x0 -extent 300x22 "$ROW_FILE"
}
rows=()
while IFS= read -r line; do
    case $line in
        -) rows+=(\( -size 300x9 xc:white -fill '#a0a0a0' -draw 'rectangle 4,4 296,4' \)) ;;
        "(hidden) "*)
            text_row '#a0a0a0' "${line#(hidden) }   (visible: false)"
            rows+=("$ROW_FILE")
            ;;
        *)
            text_row black "$line"
            rows+=("$ROW_FILE")
            ;;
    esac
done <"$work/menu.txt"
convert "${rows[@]}" -append -bordercolor '#c0c0c0' -border 1 "$work/listing.png"
caption() {
    convert -size "$1x30" -background white -fill black -font "$font" -pointsize 12 \
        -gravity SouthWest label:"$2" "$3"
}
caption 300 "XEmbed tray: the menu Tavro opens" "$work/left-caption.png"
caption 320 "StatusNotifierItem tray: GetLayout over D-Bus" "$work/right-caption.png"
convert \( "$work/left-caption.png" "$out/tray-menu.png" -background white -append \) \
    \( -size 20x1 xc:white \) \
    \( "$work/right-caption.png" "$work/listing.png" -background white -append \) \
    -background white +append -bordercolor white -border 10 "$out/tray-menu-dbus.png"
echo "wrote $out/tray-menu-dbus.png"
