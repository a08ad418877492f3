#!/usr/bin/env bash
# A notification area that appears after the program, as panels do at login, and one that
# restarts: the icon docks into each as it comes, its menu recalls a copied text, and "OK"
# hides the window once a notification area is there.
source "$(dirname "$0")/common.sh" "$1"
start_program --no-tray

expect 20 "without a notification area the window shows at start" window_is_mapped "$PID"
WINDOW=$(main_window_of "$PID")
check "no icon is docked anywhere yet" no_tray_icon_of "$PID"

# The panel comes up three seconds after the program.
sleep 3
start_tray || fail "trayer starts"
started=$(now_ms)
if wait_for 10 tray_icon_of "$PID"; then
    took=$(($(now_ms) - started))
    check "the icon docks within 2 s of the notification area (${took} ms)" test "$took" -lt 2000
else
    fail "the icon docks into the notification area that came later"
fi

check "OK can be pressed" press_ok "$WINDOW"
expect 10 "with a notification area, OK hides the window" window_is_unmapped "$PID"
check "the window is hidden, not minimised" window_is_not_iconic "$WINDOW"

expect 10 "the program reads the first copy" copy_text_seen "late tray first"
expect 10 "the program reads the second copy" copy_text_seen "late tray second"
# Down: 【ﾃｷｽﾄ履歴】, 【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】, the newest copy, the one before (the saved-text entry is
# hidden: the folder is new).
check "the tray menu opens and the older copy is chosen" choose_tray_entry 4
expect 10 "the tray menu recalls the older copy" clipboard_is "late tray first"

# The panel restarts.
stop_tray
expect 10 "the icon leaves with the notification area" no_tray_icon_of "$PID"
start_tray || fail "trayer starts again"
expect 10 "the icon docks again into the restarted notification area" tray_icon_of "$PID"
# The history is now: first (recalled), second, first.
check "the tray menu opens again and an entry is chosen" choose_tray_entry 4
expect 10 "the menu of the docked icon recalls a text" clipboard_is "late tray second"
check "the program still runs" process_running "$PID"
check "the window stayed hidden through the restart" window_is_unmapped "$PID"
finish
