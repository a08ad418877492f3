#!/usr/bin/env bash
# shellcheck disable=SC2034  # the places below are read through namerefs (local -n)
# Saved texts as a person uses them: a Japanese two-line text copied by another program is
# saved from the history list (label button and list menu), lands in Temptext as Shift-JIS
# (code page 932) bytes under a YYMMDDHHMMSS.TXT name, survives a restart, and comes back on
# the clipboard unchanged from the tray menu, the saved-text list's menu, the
# "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加" button and a drag onto the history list; then both texts are deleted.
source "$(dirname "$0")/common.sh" "$1"
start_program

# Places in the window's client area, in pixels (the twips of src/ui/form1.cpp / 15).
HISTORY_LINE1=(50 226)   # the history list (6..295, 218..376): its first line
SAVED_LINE1=(60 48)      # the saved-text list (4..293, 40..186): first and second line
SAVED_LINE2=(60 63)
HISTORY_DROP=(62 262)    # inside the history list, below its lines
ADD_TEXT_FACE=(110 201)  # face of "↑ﾃｷｽﾄに追加" (4..117, 194..209), beside its text
ADD_TEXT_MARKER=(3 201)  # the white frame of its focus marker, black bar otherwise
ADD_CLIP_FACE=(230 201)  # face of "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加" (120..233, 194..209)
ADD_CLIP_MARKER=(119 201)
DELETE_FACE=(182 10)     # face of "削除" (178..235, 3..18)
DELETE_MARKER=(177 10)
WHITE='#FFFFFF'

# point_and_click FACE MARKER [CLICKS]: points at a label button (which arms it: its white
# focus frame shows), waits for the frame, then clicks (twice in a row for a double click).
point_and_click() {
    local -n face=$1 marker=$2
    xdotool mousemove --window "$WINDOW" "${face[0]}" "${face[1]}" || return 1
    wait_for 10 pixel_is "$WINDOW" "${marker[0]}" "${marker[1]}" "$WHITE" || return 1
    xdotool click --repeat "${3:-1}" --delay 60 1
}

# click_at PLACE [BUTTON]: clicks a place of the main window.
click_at() {
    local -n place=$1
    xdotool mousemove --window "$WINDOW" "${place[0]}" "${place[1]}" click "${2:-1}"
}

saved_files() { find "$APP/Temptext" -maxdepth 1 -type f -name '*.TXT' -printf '%f\n' | sort; }
saved_count_is() { [ "$(saved_files | grep -c .)" -eq "$1" ]; }

expect 20 "the tray icon appears" tray_icon_of "$PID"
expect 10 "the first start creates an empty Temptext" saved_count_is 0

# こんにちは, CR LF, half-width ｶﾀｶﾅ, ① and the full-width tilde ～ (U+FF5E). In code page 932
# (checked by hand against the code page's table): 82 B1 82 F1 82 C9 82 BF 82 CD, 0D 0A,
# B6 C0 B6 C5 (one byte each), 87 40 (an NEC extension), 81 60 (Windows maps U+FF5E there).
japanese=$E2E_WORK/japanese.utf8
printf 'こんにちは\r\nｶﾀｶﾅ①～' >"$japanese"
japanese_cp932=$E2E_WORK/japanese.cp932
printf '\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n\xb6\xc0\xb6\xc5\x87\x40\x81\x60' >"$japanese_cp932"

expect 10 "the program reads the copied Japanese text" copy_seen -i "$japanese"
expect 10 "the clipboard holds the Japanese text" clipboard_matches_file "$japanese"

check "a left click on the tray icon shows the main window as the active window" show_main_window

# Save with the label button: select the history entry, point at "↑ﾃｷｽﾄに追加" and
# double-click it, which saves once (the second file below is the next save's).
click_at HISTORY_LINE1
before=$(date +%y%m%d%H%M%S)
check "pointing at ↑ﾃｷｽﾄに追加 arms it, and it can be double-clicked" \
    point_and_click ADD_TEXT_FACE ADD_TEXT_MARKER 2
expect 10 "↑ﾃｷｽﾄに追加 saves the selected history entry as a file" saved_count_is 1
after=$(date +%y%m%d%H%M%S)
first=$(saved_files | head -n 1)
check "the file is named YYMMDDHHMMSS.TXT ($first)" grep -qxE '[0-9]{12}\.TXT' <<<"$first"
check "the name is the time of saving ($before <= ${first%.TXT} <= $after)" \
    test "$before" -le "${first%.TXT}" -a "${first%.TXT}" -le "$after"
check "the file holds exactly the code page 932 bytes of the text" cmp "$APP/Temptext/$first" "$japanese_cp932"

# Save a second text with the history list's menu: right-click, first entry "ﾃｷｽﾄに追加".
expect 10 "the program reads the copied text second" copy_text_seen second
activate_window "$WINDOW"
click_at HISTORY_LINE1
check "a right click on the history list opens its menu" open_menu_at "$WINDOW" "${HISTORY_LINE1[@]}"
check "ﾃｷｽﾄに追加 can be chosen" choose_menu_entry 1
expect 10 "ﾃｷｽﾄに追加 saves the selected entry as a second file" saved_count_is 2
check "the double click before saved only once" saved_count_is 2
second=$(saved_files | tail -n 1)
check "the second file's name comes after the first ($second)" test "$second" '>' "$first"
check "the second file holds the ASCII text alone" cmp "$APP/Temptext/$second" <(printf second)

# Quit from the tray menu (Up from no entry goes to 終了) and start again.
check "the tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "終了 ends the program" process_gone "$PID"
cp "$APP/tavro.log" "$E2E_WORK/first-run.log"
check "the first run reported no sanitizer error" log_is_clean "$E2E_WORK/first-run.log"
start_tavro "$APP"
PID=$TAVRO_PID
expect 20 "the program starts again with its tray icon" tray_icon_of "$PID"

# The tray menu lists the saved texts in name order after 【ﾃｷｽﾄ履歴】: the second Down is the
# first saved text.
expect 10 "the program reads the copied placeholder" copy_text_seen placeholder-1
check "the first saved text can be chosen in the tray menu" choose_tray_entry 2
expect 10 "the tray entry puts the whole Japanese text back on the clipboard" \
    clipboard_matches_file "$japanese"

# Recall with the saved-text list's menu: select the first line, right-click,
# "ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加".
expect 10 "the program reads the copied placeholder" copy_text_seen placeholder-2
check "the main window shows again" show_main_window
click_at SAVED_LINE1
check "a right click on the selected saved text opens the list's menu" \
    open_menu_at "$WINDOW" "${SAVED_LINE1[@]}"
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加 can be chosen" choose_menu_entry 1
expect 10 "the saved text comes back byte for byte (line break kept, nothing dropped)" \
    clipboard_matches_file "$japanese"

# Recall with the label button: select the second line, point at "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加", click.
activate_window "$WINDOW"
click_at SAVED_LINE2
check "pointing at ↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加 arms it, and it can be clicked" \
    point_and_click ADD_CLIP_FACE ADD_CLIP_MARKER
expect 10 "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加 puts the second saved text on the clipboard" clipboard_is second

# Drag the first saved-text line onto the history list: the drop recalls that text. The drag
# has started once its picture (a tooltip-type window of the program) follows the pointer.
xdotool mousemove --window "$WINDOW" "${SAVED_LINE1[@]}" mousedown 1
drag_started() {
    tooltip_window_shown "$PID" && return 0
    drag_y=$((drag_y + 3))
    xdotool mousemove --window "$WINDOW" "${SAVED_LINE1[0]}" "$drag_y"
    return 1
}
drag_y=${SAVED_LINE1[1]}
expect 10 "dragging a saved-text line starts a drag" drag_started
for y in 120 180 230 "${HISTORY_DROP[1]}"; do
    xdotool mousemove --window "$WINDOW" "${HISTORY_DROP[0]}" "$y"
done
xdotool mouseup 1
drag_ended() { ! tooltip_window_shown "$PID"; }
expect 10 "the drag ends with the button released" drag_ended
expect 10 "dropping the line on the history list puts the Japanese text on the clipboard" \
    clipboard_matches_file "$japanese"

# Delete with the label button: select the first line, point at "削除", click.
activate_window "$WINDOW"
click_at SAVED_LINE1
check "pointing at 削除 arms it, and it can be clicked" point_and_click DELETE_FACE DELETE_MARKER
expect 10 "削除 deletes the selected saved text's file" test ! -e "$APP/Temptext/$first"
check "the other saved text stays" test -e "$APP/Temptext/$second"

# Delete with the list's menu: the remaining text is the first line now.
click_at SAVED_LINE1
check "a right click on the selected saved text opens the list's menu" \
    open_menu_at "$WINDOW" "${SAVED_LINE1[@]}"
check "削除 can be chosen" choose_menu_entry 2
expect 10 "削除 in the list's menu deletes the file" test ! -e "$APP/Temptext/$second"
check "Temptext is empty" saved_count_is 0

check "the tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "終了 ends the program" process_gone "$PID"
finish
