#!/usr/bin/env bash
# On a desktop with no notification area the window is the way in: it shows at start, and
# "OK" minimises it instead of hiding it where nobody could bring it back.
source "$(dirname "$0")/common.sh" "$1"
start_program --no-tray

expect 20 "the main window shows at start" window_is_mapped "$PID"
window=$(main_window_of "$PID")
iconic() { xprop -id "$window" WM_STATE | grep -q 'Iconic'; }
check "the window is not minimised yet" sh -c "! xprop -id $window WM_STATE | grep -q Iconic"
# Point at the "OK" face until it is armed (its white frame shows), then click it.
check "OK can be pressed" press_ok "$window"
expect 20 "OK minimises the window" iconic
check "the program keeps running" process_running "$PID"
timeout 10 xdotool windowmap "$window" 2>/dev/null
expect 20 "the window comes back" window_is_mapped "$PID"
check "the window can be made the active window" activate_window "$window"
xdotool key --clearmodifiers alt+F4
expect 20 "closing the window ends the program" process_gone "$PID"
finish
