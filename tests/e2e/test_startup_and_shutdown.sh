#!/usr/bin/env bash
# First start, a refused second start, showing the window from the tray, closing it.
source "$(dirname "$0")/common.sh" "$1"
start_program

expect 20 "the tray icon appears" tray_icon_of "$PID"
expect 10 "the first start creates Temptext" test -d "$APP/Temptext"
check "the main window starts hidden" window_is_unmapped "$PID"

# A second start shows "Tavro!" with the already-running message, and ends after OK.
ASAN_OPTIONS=detect_leaks=0 "$APP/tavro" >"$E2E_WORK/second.log" 2>&1 &
second=$!
second_box() { xdotool search --all --onlyvisible --pid "$second" --name '^Tavro!$' 2>/dev/null | head -n 1; }
second_box_shown() { [ -n "$(second_box)" ]; }
expect 20 "the second start shows a message box titled Tavro!" second_box_shown
box=$(second_box)
if [ -n "$box" ]; then
    check "the message box is the only window of the second start" \
        test "$(xdotool search --all --onlyvisible --pid "$second" | wc -l)" -eq 1
    xdotool windowactivate --sync "$box" key --clearmodifiers Return
fi
expect 20 "the second start ends after OK" process_gone "$second"
check "the first instance keeps running" process_running "$PID"
expect 10 "the first instance keeps its tray icon" tray_icon_of "$PID"

# A left click on the tray icon shows the window; closing it ends the program.
click_tray 1
expect 20 "a left click on the tray icon shows the main window" window_is_mapped "$PID"
window=$(main_window_of "$PID")
check "the window is titled Tavro!" test "$(xdotool getwindowname "$window")" = "Tavro!"
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
expect 20 "closing the main window ends the process" process_gone "$PID"
expect 10 "the tray icon is gone" sh -c "! xdotool search --all --pid $PID >/dev/null 2>&1"
finish
