#!/usr/bin/env bash
# On a desktop with no notification area the window is the way in: it shows at start, and
# "OK" minimises it instead of hiding it where nobody could bring it back.
source "$(dirname "$0")/common.sh" "$1"
start_program --no-tray

expect 20 "the main window shows at start" window_is_mapped "$PID"
window=$(main_window_of "$PID")
iconic() { xprop -id "$window" WM_STATE | grep -q 'Iconic'; }
check "the window is not minimised yet" sh -c "! xprop -id $window WM_STATE | grep -q Iconic"
xdotool windowactivate --sync "$window"
# Point at the "OK" face (arms it), then click it.
xdotool mousemove --window "$window" 242 10
sleep 0.2
xdotool mousemove --window "$window" 244 11 click 1
expect 20 "OK minimises the window" iconic
check "the program keeps running" process_running "$PID"
xdotool windowmap "$window" windowactivate --sync "$window" 2>/dev/null
expect 20 "the window comes back" window_is_mapped "$PID"
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
expect 20 "closing the window ends the program" process_gone "$PID"
finish
