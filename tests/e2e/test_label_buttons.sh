#!/usr/bin/env bash
# shellcheck disable=SC2034  # the places below are read through namerefs (local -n)
# The label buttons of the main window as a person uses them with the mouse: pointing at one
# arms it (its white focus frame shows), pointing at the black bar disarms it, a click on
# "ｸﾘｱ" clears the history, pressing "OK" draws its face sunken and the click hides the
# window, and a click on the credits line opens the about box, which Escape closes.
source "$(dirname "$0")/common.sh" "$1"
start_program

# Places in the window's client area, in pixels (the twips of src/ui/form1.cpp / 15).
CLEAR_FACE=(240 201)     # face of "ｸﾘｱ" (236..293, 194..209), beside its text
CLEAR_MARKER=(235 201)   # the white frame of its focus marker, black bar otherwise
OK_FACE=(242 10)         # face of "OK" (238..295, 3..18), beside its text
OK_MARKER=(237 10)
OK_FACE_EDGE=(238 10)    # the face's left edge, where a pressed face draws its frame
MIDDLE_BAR=(150 190)     # the black bar behind the middle row of buttons, above the markers
CREDITS=(100 398)        # the white credits line (44..251, 392..404)
WHITE='#FFFFFF'
BLACK='#000000'
OLIVE='#737246'          # the face colour (115, 114, 70)

point_at() {
    local -n place=$1
    xdotool mousemove --window "$WINDOW" "${place[0]}" "${place[1]}"
}
shows() {
    local -n place=$1
    pixel_is "$WINDOW" "${place[0]}" "${place[1]}" "$2"
}
about_box() { xdotool search --all --onlyvisible --pid "$PID" --name '^ﾊﾞｰｼﾞｮﾝ情報$' 2>/dev/null | head -n 1; }
about_box_shown() { [ -n "$(about_box)" ]; }
about_box_gone() { [ -z "$(about_box)" ]; }

expect 20 "the tray icon appears" tray_icon_of "$PID"

# measure_tray_menu: opens the tray menu, puts its height in TRAY_MENU_HEIGHT, closes it.
# (Not in a subshell: the tray clicks take turns between two spots of the icon.)
measure_tray_menu() {
    open_tray_menu || return 1
    TRAY_MENU_HEIGHT=$(popup_height "$PID")
    menu_keys Escape
}
tray_menu_height_is() { measure_tray_menu && [ "$TRAY_MENU_HEIGHT" -eq "$1" ]; }

# The tray menu's height with no history: a cleared history must bring it back.
check "the tray menu opens and closes" measure_tray_menu
empty_height=$TRAY_MENU_HEIGHT

expect 10 "the program reads the copied text abc" copy_text_seen abc
expect 10 "the program reads the copied text def" copy_text_seen def
check "the tray menu opens and closes" measure_tray_menu
check "the history makes the tray menu taller" test "$TRAY_MENU_HEIGHT" -gt "$empty_height"

# The tray click alone brings the window to the front with OK armed: nothing else
# activates it.
check "a left click on the tray icon is taken" click_tray_anew 1
expect 20 "the left click shows the main window" window_is_mapped "$PID"
WINDOW=$(main_window_of "$PID")
window_is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$WINDOW" ]; }
expect 10 "the left click makes it the active window" window_is_active
expect 10 "the shown window arms OK (its frame shows)" shows OK_MARKER "$WHITE"


# Pointing arms a button and disarms the one before; the black bar disarms every button.
point_at CLEAR_FACE
expect 10 "pointing at ｸﾘｱ shows its white frame" shows CLEAR_MARKER "$WHITE"
check "pointing at ｸﾘｱ takes the frame from OK" shows OK_MARKER "$BLACK"
point_at MIDDLE_BAR
expect 10 "pointing at the black bar hides the frame of ｸﾘｱ" shows CLEAR_MARKER "$BLACK"

# Arm ｸﾘｱ again and click it: the history is gone, the clipboard is left alone.
point_at CLEAR_FACE
expect 10 "pointing at ｸﾘｱ again shows its frame" shows CLEAR_MARKER "$WHITE"
xdotool click 1
expect 10 "after ｸﾘｱ the tray menu has no history rows" tray_menu_height_is "$empty_height"
check "ｸﾘｱ leaves the clipboard as it was" clipboard_is def
# With the history empty, the fourth Down from the top is ﾊﾞｰｼﾞｮﾝ情報 (with def and abc still
# listed it would be abc, and the clipboard would change).
check "the fourth tray entry can be chosen" choose_tray_entry 4
expect 20 "the fourth tray entry is ﾊﾞｰｼﾞｮﾝ情報 now: the history is empty" about_box_shown
check "no history entry was recalled" clipboard_is def
activate_window "$(about_box)"
xdotool key Escape
expect 10 "Escape closes the about box" about_box_gone

# Press "OK": the face draws a sunken frame while the button is down; the release is a click
# that hides the window.
check "the main window can be made active again" activate_window "$WINDOW"
point_at OK_FACE
expect 10 "pointing at OK shows its white frame" shows OK_MARKER "$WHITE"
check "the raised OK face is olive up to its edge" shows OK_FACE_EDGE "$OLIVE"
xdotool mousedown 1
expect 10 "the pressed OK face draws a frame at its edge" \
    pixel_is_not "$WINDOW" "${OK_FACE_EDGE[0]}" "${OK_FACE_EDGE[1]}" "$OLIVE"
xdotool mouseup 1
expect 10 "the click on OK hides the main window" window_is_unmapped "$PID"
check "the program keeps running in the tray" process_running "$PID"

# The credits line opens the about box, a window of the program titled ﾊﾞｰｼﾞｮﾝ情報.
check "the main window shows again" show_main_window
point_at CREDITS
xdotool click 1
expect 20 "a click on the credits line opens the about box" about_box_shown
check "the about box is the only one" test "$(xdotool search --all --onlyvisible --pid "$PID" --name '^ﾊﾞｰｼﾞｮﾝ情報$' | wc -l)" -eq 1
check "the about box can be made active" activate_window "$(about_box)"
xdotool key Escape
expect 10 "Escape closes the about box" about_box_gone
check "the main window stays open" window_is_mapped "$PID"

# Quitting while the about box is open: the process ends only when the box is closed.
point_at CREDITS
xdotool click 1
expect 20 "the credits line opens the about box again" about_box_shown
check "the tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "終了 removes the main window" window_is_unmapped "$PID"
check "with the about box open the program still runs" process_running "$PID"
check "the about box is still there" about_box_shown
check "the about box can be made active" activate_window "$(about_box)"
xdotool key Escape
expect 20 "closing the about box ends the program" process_gone "$PID"
finish
