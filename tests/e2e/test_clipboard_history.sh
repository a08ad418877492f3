#!/usr/bin/env bash
# The clipboard history as a person meets it: texts copied by another program (xclip) show up
# in the tray menu, newest first; choosing an entry with the keyboard puts its text back on
# the clipboard and adds it again at the top; an image repeats the last text; the history
# keeps 13 entries; a left click shows the window; "終了" ends the program even while it owns
# the clipboard.
#
# Menu text can't be read from X, so the order is proved by what the entries recall. The tray
# menu reads, top to bottom: 【ﾃｷｽﾄ履歴】, the saved texts (none here: the entry is hidden),
# a separator, 【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】, the history entries, a separator, 履歴ｸﾘｱ, ﾊﾞｰｼﾞｮﾝ情報,
# 終了. Down from the top skips the separators and the hidden entry, so history entry n is n + 2
# Down presses away.
source "$(dirname "$0")/common.sh" "$1"
start_program

expect 20 "the tray icon appears" tray_icon_of "$PID"

# The tray menu with no history yet: its height is the base for counting history rows.
check "a right click on the tray icon opens a popup menu of the program" open_tray_menu
empty_height=$(popup_height "$PID")
check "Escape closes the tray menu" menu_keys Escape


expect 10 "the program reads the copied text abc" copy_text_seen abc
expect 10 "the program reads the copied text def" copy_text_seen def

open_tray_menu
two_height=$(popup_height "$PID")
menu_keys Escape
row_height=$(((two_height - empty_height) / 2))
check "two copies add two rows of the same height to the tray menu" \
    test "$row_height" -gt 0 -a $((two_height - empty_height)) -eq $((2 * row_height))

# History: def, abc. The second entry is abc.
check "the second history entry can be chosen" choose_tray_entry 4
expect 10 "choosing the second entry puts abc back on the clipboard (newest first)" clipboard_is abc

# The recall is the newest entry now: abc, def, abc. The second entry is def.
check "the second history entry can be chosen again" choose_tray_entry 4
expect 10 "the recall became the newest entry: the second entry is now def" clipboard_is def
check "every copy and recall has its row in the tray menu" history_rows_are 4

# History: def, abc, def, abc. A text, then an image: the image repeats the text ghi.
expect 10 "the program reads the copied text ghi" copy_text_seen ghi
convert -size 8x8 xc:red "$E2E_WORK/red.png"
expect 10 "the clipboard holds the copied image" copy_image "$E2E_WORK/red.png"
expect 10 "the image adds a history row" history_rows_are 6

# History: ghi (for the image), ghi, def, abc, def, abc. The newest entry recalls text.
check "the newest history entry can be chosen" choose_tray_entry 3
expect 10 "the entry added for the image recalls the previous text ghi" clipboard_is ghi
offers_text_not_image() {
    local targets
    targets=$(clipboard_targets)
    grep -qxE 'UTF8_STRING|text/plain.*' <<<"$targets" && ! grep -qx image/png <<<"$targets"
}
check "the recalled entry is text, not the image" offers_text_not_image

# History: ghi, ghi, ghi, def, abc, def, abc. Without the image's own entry the fourth would
# be abc.
check "the fourth history entry can be chosen" choose_tray_entry 6
expect 10 "the fourth entry is def: the image had an entry of its own" clipboard_is def

# History (8): def, ghi, ghi, ghi, def, abc, def, abc. Six more texts make 14; 13 stay and the
# oldest (abc) goes.
for text in one two three four five six; do
    expect 10 "the program reads the copied text $text" copy_text_seen "$text"
done
check "the history keeps 13 entries" history_rows_are 13

# A left click on the icon shows the main window.
click_tray_anew 1
expect 20 "a left click on the tray icon shows the main window" window_is_mapped "$PID"

# Up from no entry climbs from the bottom: 終了, ﾊﾞｰｼﾞｮﾝ情報, 履歴ｸﾘｱ, then the last history
# entry. With the oldest dropped that is def (abc if 14 had stayed).
check "the tray menu opens over the shown window" open_tray_menu
check "the last history entry can be chosen from below" menu_keys Up Up Up Up Return
expect 10 "the last of 13 entries is def: the oldest entry was dropped" clipboard_is def
expect 10 "the program took the clipboard over: the xclip that copied six has ended" \
    process_gone "$E2E_XCLIP_PID"

# Down to the first entry, then Up wraps round to 終了: the program ends while it still owns
# the clipboard, and its icon leaves the tray.
check "the tray menu opens for quitting" open_tray_menu
check "Up from the first entry wraps to 終了 and chooses it" menu_keys Down Up Return
expect 10 "choosing 終了 while owning the clipboard ends the process" process_gone "$PID"
expect 10 "the tray icon is gone" sh -c "! xdotool search --all --pid $PID >/dev/null 2>&1"
finish
