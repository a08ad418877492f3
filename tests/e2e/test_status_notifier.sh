#!/usr/bin/env bash
# A notification area that shows icons over D-Bus (StatusNotifierItem, as KDE Plasma, GNOME's
# AppIndicator extension and waybar do), played by a watcher of the test's own on a private
# session bus. Whether the watcher is there at start or comes later, the program's item
# registers with it, shows the tip "Tavro!", opens the window on Activate and offers the tray
# menu over com.canonical.dbusmenu, whose entries the tray draws and clicks; there is never
# a second icon in the XEmbed notification area beside it. Watchers that answer late, refuse,
# never answer, restart, or find the item's name taken leave exactly one icon the user can
# reach (or the window shown), and never hold the window up.
if [ -z "${E2E_PRIVATE_BUS:-}" ]; then
    E2E_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/common.sh" "$1"
SNI=(/usr/bin/python3 "$here/sni.py")

watcher_running() { "${SNI[@]}" watcher-running; }
watcher_gone() { ! watcher_running; }
start_watcher() {
    : >"$E2E_WORK/watcher.log"
    "${SNI[@]}" watcher "$@" 2>>"$E2E_WORK/watcher.log" &
    WATCHER_PID=$!
    DESKTOP_PIDS+=("$WATCHER_PID")
    wait_for 10 grep -q "watcher ready" "$E2E_WORK/watcher.log"
}
stop_watcher() {
    kill "$WATCHER_PID"
    wait "$WATCHER_PID" 2>/dev/null
    wait_for 10 watcher_gone
}
# The program's item as the watcher lists it, in ITEM.
item_registered() {
    ITEM=$("${SNI[@]}" items 2>/dev/null | grep -m1 -e "-$PID-")
    [ -n "$ITEM" ]
}
no_item_registered() { ! item_registered; }
item_count_is() { [ "$("${SNI[@]}" items | grep -c .)" -eq "$1" ]; }
menu() { "${SNI[@]}" menu "$ITEM"; }
click() { "${SNI[@]}" click "$ITEM" "$1"; }
menu_shows() {
    local shown
    shown=$(menu) && grep -qxF -- "$1" <<<"$shown"
}
layout_revisions() { grep -c '^[0-9]' "$E2E_WORK/layout.log"; }
layout_updated_since() { [ "$(layout_revisions)" -gt "$1" ]; }

start_desktop --keep-bus || exit 1
trap e2e_cleanup EXIT

# ---- A watcher that is there when the program starts ----
start_watcher || fail "the watcher starts"
APP=$E2E_WORK/app
mkdir -p "$APP/Temptext"
printf 'saved for the tray' >"$APP/Temptext/261207090000.TXT"
launch_program
expect 20 "the item registers with the watcher" item_registered
check "the program registers one item" item_count_is 1
check "the tool tip's title is Tavro!" test "$("${SNI[@]}" tooltip-title "$ITEM")" = 'Tavro!'
check "the item's menu is a dbusmenu" test "$("${SNI[@]}" property "$ITEM" Menu)" = /MenuBar
check "the item carries the program's picture" sh -c "'${SNI[0]}' '${SNI[1]}' property '$ITEM' IconPixmap | grep -q 'Int32(16)'"
check "no icon is docked in the XEmbed notification area as well" no_tray_icon_of "$PID"
check "without a history, the menu's history entry is hidden" menu_shows "(hidden) 履歴"

"${SNI[@]}" watch-layout "$ITEM" >"$E2E_WORK/layout.log" 2>&1 &
DESKTOP_PIDS+=($!)
wait_for 10 grep -q watching "$E2E_WORK/layout.log" || fail "the layout's signal is listened to"
before=$(layout_revisions)
expect 10 "the program reads the first copy" copy_text_seen "first over D-Bus"
expect 10 "a change of the menu is announced with LayoutUpdated" layout_updated_since "$before"
expect 10 "the program reads the second copy" copy_text_seen "snake_case & co"

# The visible entries, in order, as the tray lists them (the saved text's caption shows its
# line break as a mark, as in the XEmbed menu).
menu | grep -v '^(hidden) ' >"$E2E_WORK/menu.txt"
stamp='[0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
cat >"$E2E_WORK/menu.pattern" <<PATTERN
^【ﾃｷｽﾄ履歴】\$
^saved for the tray↵\$
^-\$
^【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】\$
^$stamp | snake_case & co\$
^$stamp | first over D-Bus\$
^-\$
^履歴ｸﾘｱ\$
^ﾊﾞｰｼﾞｮﾝ情報\$
^終了\$
PATTERN
menu_matches() {
    [ "$(wc -l <"$E2E_WORK/menu.txt")" -eq "$(wc -l <"$E2E_WORK/menu.pattern")" ] &&
        paste -d '\n' "$E2E_WORK/menu.pattern" "$E2E_WORK/menu.txt" |
        while IFS= read -r pattern && IFS= read -r line; do
            grep -qE -- "$pattern" <<<"$line" || exit 1
        done && return 0
    echo "the menu as listed:" >&2
    cat "$E2E_WORK/menu.txt" >&2
    return 1
}
check "GetLayout lists the saved text, the history and the commands in order" menu_matches

first_entry=$(grep -m1 -e '| first over D-Bus$' "$E2E_WORK/menu.txt")
check "the event clicked on a history entry is accepted" click "$first_entry"
expect 10 "clicking a history entry puts its text on the clipboard" clipboard_is "first over D-Bus"
# A saved text's caption ends with the mark of its line break, as in the XEmbed menu.
check "clicking the saved text is accepted" click "saved for the tray↵"
expect 10 "clicking a saved text puts it on the clipboard" clipboard_is "saved for the tray"

check "Activate is accepted" "${SNI[@]}" call "$ITEM" Activate
expect 20 "Activate shows the main window" window_is_mapped "$PID"
WINDOW=$(main_window_of "$PID")
expect 10 "the shown window has OK armed (its white frame shows)" \
    pixel_is "$WINDOW" "${OK_MARKER[0]}" "${OK_MARKER[1]}" '#FFFFFF'
check "OK can be pressed" press_ok "$WINDOW"
expect 10 "with the item registered, OK hides the window" window_is_unmapped "$PID"

check "ContextMenu is accepted" "${SNI[@]}" call "$ITEM" ContextMenu
expect 10 "ContextMenu opens the tray menu" popup_open "$PID"
menu_keys Escape

check "clicking 終了 is accepted" click "終了"
expect 20 "終了 ends the program" process_gone "$PID"
expect 10 "the item leaves the watcher with the program" no_item_registered

# ---- A watcher that comes after the program ----
stop_watcher || fail "the watcher ends"
APP=$E2E_WORK/app2
launch_program
expect 20 "with no watcher, the icon docks in the XEmbed notification area" tray_icon_of "$PID"
check "and no item is registered" no_item_registered
start_watcher || fail "the watcher starts later"
expect 10 "the item registers with the watcher that came later" item_registered
expect 10 "the XEmbed icon leaves: one icon at a time" no_tray_icon_of "$PID"
check "the program registers one item" item_count_is 1
check "Activate on the later item is accepted" "${SNI[@]}" call "$ITEM" Activate
expect 20 "Activate shows the main window" window_is_mapped "$PID"

stop_watcher || fail "the watcher ends again"
expect 10 "without the watcher, the icon docks in the XEmbed notification area again" tray_icon_of "$PID"
start_watcher || fail "the watcher starts again"
expect 10 "the item registers with the new watcher" item_registered
expect 10 "the XEmbed icon leaves again" no_tray_icon_of "$PID"
check "clicking 終了 is accepted" click "終了"
expect 20 "終了 ends the program" process_gone "$PID"
stop_watcher || fail "the watcher ends"

# ---- Watchers that misbehave ----
# The icons of $PID the user can reach, one a line: "xembed" for one docked in trayer, "dbus"
# for each item the watcher lists that answers for itself.
icons_shown() {
    tray_icon_of "$PID" >/dev/null && echo xembed
    "${SNI[@]}" items --reachable 2>/dev/null | sed 's/.*/dbus/'
}
one_icon_is() { [ "$(icons_shown)" = "$1" ] && window_is_unmapped "$PID"; }
end_program() { kill "$PID" && wait_for 10 process_gone "$PID"; }
# Each row: the watcher's mode, the one icon to end with, what the watcher does. The XEmbed
# icon takes over once the watcher goes.
for row in "--answer-after=1.5 dbus answers registrations after 1.5 s" \
    "--answer-after=4 xembed answers registrations after 4 s" \
    "--refuse xembed refuses registrations" "--silent xembed never answers registrations" \
    "--silent-reads xembed never answers property reads" \
    "--restart-after=3 dbus drops and retakes its name"; do
    read -r mode kind what <<<"$row"
    start_watcher "$mode" || fail "a watcher that $what starts"
    APP=$E2E_WORK/row${mode//[^a-z0-9]/}
    launch_program
    # The late answer, the restart: what the watcher does has been done.
    [[ $mode == *=* ]] && wait_for 20 grep -qE '^(registered|restarted)' "$E2E_WORK/watcher.log"
    expect 20 "with a watcher that $what, one $kind icon, the window hidden" one_icon_is "$kind"
    stop_watcher || fail "the watcher ends"
    expect 10 "when it goes, the icon docks in trayer" one_icon_is xembed
    check "the docked icon opens the tray menu" open_tray_menu
    menu_keys Escape
    end_program
done

# Replaced with no gap by a watcher that answers nothing: the window never waits on it.
start_watcher || fail "the watcher starts"
APP=$E2E_WORK/replaced
launch_program
expect 20 "the item registers" one_icon_is dbus
"${SNI[@]}" watcher --replace --silent --silent-reads 2>/dev/null &
DESKTOP_PIDS+=($!)
expect 10 "once a silent watcher took over, the icon docks in trayer" one_icon_is xembed
check "and opens the tray menu" open_tray_menu
menu_keys Escape
end_program
kill "$WATCHER_PID" "${DESKTOP_PIDS[-1]}"

# The item's usual name taken by another process before the program starts.
start_watcher || fail "the watcher starts"
APP=$E2E_WORK/squatted
install_tavro "$E2E_BINARY" "$APP"
sh -c '/usr/bin/python3 "$0" squat "org.kde.StatusNotifierItem-$$-1" 2>"$1/squat" &
    until grep -q squatting "$1/squat" 2>/dev/null; do sleep 0.1; done
    exec "$1/tavro" >"$1/tavro.log" 2>&1' "$here/sni.py" "$APP" &
PID=$!
DESKTOP_PIDS+=("$PID")
expect 20 "with its name taken, the item registers under another" one_icon_is dbus
check "the taken name is never registered" sh -c "! ${SNI[*]} items | grep -q -e '-$PID-1/'"
end_program

# A refusing watcher and no XEmbed area: the window shows, and the icon comes with trayer.
stop_watcher && start_watcher --refuse && stop_tray
APP=$E2E_WORK/refused
launch_program
expect 20 "with no tray that shows the icon, the window shows" window_is_mapped "$PID"
check "and no icon shows anywhere" test -z "$(icons_shown)"
start_tray || fail "trayer starts"
expect 10 "the icon docks in trayer when it comes" tray_icon_of "$PID"
finish
