#!/usr/bin/env bash
# Other programs that own the clipboard badly, as a person meets them: one that never answers,
# one that answers the list of formats but never the text, one that sends its text a byte a
# second, a password manager marking its text as secret, a program that ends right after a
# copy and one that empties the clipboard; and a long text that comes in pieces. Through each
# the tray menu opens at once; a read that gets nowhere repeats the last text, the secret adds
# nothing, an owner that ends adds nothing, the copies after them are recorded in order, and
# the long text is recorded whole.
#
# Usage: test_clipboard_owners.sh TAVRO BAD_CLIPBOARD_OWNER
#
# Menu text can't be read from X: what is recorded is proved by the number of history rows
# in the tray menu (its height) and by what the entries recall. History entry n is n + 2 Down
# presses from the top of the tray menu; "履歴ｸﾘｱ" is 3 Up presses from no selection.
source "$(dirname "$0")/common.sh" "$1"
bad_owner_tool=$(readlink -f "$2")
# The tray menu must open this soon after a right click, whatever the owner does. Opening it
# takes milliseconds; an owner blocking the window holds it up for seconds. The bound is
# generous for a loaded machine and a sanitizer build, and the figure is printed.
menu_bound_ms=1000


# recall_entry N: chooses history entry N (1 is the newest) in the tray menu.
recall_entry() { choose_tray_entry $(($1 + 2)); }

clear_history() {
    open_tray_menu && menu_keys Up Up Up Return
}

# start_bad_owner MODE TEXT [DELAY]: a misbehaving program takes the clipboard; its pid is in
# OWNER_PID and every request it gets is logged in OWNER_LOG.
OWNERS=0
start_bad_owner() {
    OWNERS=$((OWNERS + 1))
    OWNER_LOG=$E2E_WORK/owner.$OWNERS.log
    "$bad_owner_tool" "$@" >"$OWNER_LOG" 2>&1 &
    OWNER_PID=$!
    wait_for 10 grep -qx owner "$OWNER_LOG"
}
owner_asked() { grep -qx "request $1" "$OWNER_LOG"; }

# menu_opens_quickly WHAT: right-clicks the tray icon, waits until the menu shows, closes it
# again, and tells whether it opened within the bound. The time runs from the button press
# (xdotool's own click waits 100 ms between press and release). Polling looks for a window of
# the program that shows after the press (one xdotool call), and only then checks that it is
# the menu. Like click_tray_anew, each click lands on the other corner of the icon.
visible_windows() { find_windows --all --onlyvisible --pid "$PID" | sort; }
menu_opens_quickly() {
    wait_for 10 popup_closed "$PID" || return 1
    local icon before t0 t1 deadline=$((SECONDS + 20)) ms
    icon=$(tray_icon_of "$PID") || return 1
    E2E_TRAY_SPOT=$((E2E_TRAY_SPOT == 5 ? 16 : 5))
    xdotool mousemove --window "$icon" "$E2E_TRAY_SPOT" "$E2E_TRAY_SPOT" || return 1
    before=$(visible_windows)
    t0=$EPOCHREALTIME
    xdotool mousedown 3 && xdotool mouseup 3 || return 1
    until [ -n "$(comm -13 <(echo "$before") <(visible_windows))" ] && popup_open "$PID"; do
        ((SECONDS < deadline)) || return 1
    done
    t1=$EPOCHREALTIME
    ms=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%d", (b - a) * 1000}')
    echo "   the tray menu opened $ms ms after the click ($1)"
    menu_keys Escape || return 1
    [ "$ms" -le "$menu_bound_ms" ]
}

start_program

expect 20 "the tray icon appears" tray_icon_of "$PID"
check "a right click on the tray icon opens a popup menu of the program" open_tray_menu
empty_height=$(popup_height "$PID")
check "Escape closes the tray menu" menu_keys Escape
expect 10 "the program reads the copied text first" copy_text_seen first
check "the tray menu opens at once with a well-behaved owner" menu_opens_quickly "xclip owns"
open_tray_menu
row_height=$(($(popup_height "$PID") - empty_height))
menu_keys Escape
check "one copy adds one row to the tray menu" test "$row_height" -gt 0

# ---- an owner that never answers ----
check "an owner that never answers takes the clipboard" start_bad_owner never never-text
expect 10 "the program asks it for its formats" owner_asked TARGETS
check "the tray menu opens at once while the owner keeps the program waiting" \
    menu_opens_quickly "owner never answers"
expect 10 "the read gives up and adds an entry" history_rows_are 2
check "the newest history entry can be chosen" recall_entry 1
expect 10 "the entry repeats the last text: first" clipboard_is first
expect 10 "the silent owner lost the clipboard to the recall and ended" process_gone "$OWNER_PID"
expect 10 "an ordinary copy after it is read" copy_text_seen after-never
expect 10 "and recorded: four entries" history_rows_are 4
check "the newest history entry can be chosen" recall_entry 1
expect 10 "the recall took the clipboard from xclip" process_gone "$E2E_XCLIP_PID"
check "the newest entry is the copy after the silent owner" clipboard_is after-never
check "the history can be cleared from the tray menu" clear_history
expect 10 "the history is empty" history_rows_are 0

# ---- an owner that answers the formats and never the text ----
expect 10 "the program reads the copied text before-text" copy_text_seen before-text
check "an owner that never sends its text takes the clipboard" \
    start_bad_owner targets-only never-sent
expect 10 "the program asks it for its text" owner_asked UTF8_STRING
check "the tray menu opens at once while the text never comes" \
    menu_opens_quickly "owner never sends the text"
expect 10 "the read gives up and adds an entry" history_rows_are 2
check "the newest history entry can be chosen" recall_entry 1
expect 10 "the entry repeats the last text: before-text" clipboard_is before-text
check "the history can be cleared" clear_history

# ---- an owner that sends a byte a second ----
expect 10 "the program reads the copied text before-slow" copy_text_seen before-slow
check "an owner that sends a byte a second takes the clipboard" start_bad_owner slow slow
expect 10 "the program asks it for its text" owner_asked UTF8_STRING
check "the tray menu opens at once while the text trickles in" \
    menu_opens_quickly "owner sends a byte a second"
expect 20 "the slow read ends with one entry" history_rows_are 2
check "the newest history entry can be chosen" recall_entry 1
# Given up (the last text repeated) or read whole; never a part of the text.
recalled_whole() { clipboard_is before-slow || clipboard_is slow; }
expect 10 "the entry holds a whole text, not a part of one" recalled_whole
check "the history can be cleared" clear_history

# ---- a password manager's secret ----
expect 10 "the program reads the copied text before-secret" copy_text_seen before-secret
check "a password manager puts a secret on the clipboard" start_bad_owner secret hunter2
expect 10 "the program asks for the password manager's hint" \
    owner_asked x-kde-passwordManagerHint
check "the tray menu opens at once" menu_opens_quickly "secret on the clipboard"
expect 10 "an ordinary copy after the secret is read" copy_text_seen after-secret
expect 10 "the secret added no entry: two entries" history_rows_are 2
check "the secret's text was never asked for" sh -c "! grep -qx 'request UTF8_STRING' '$OWNER_LOG'"
check "the second history entry can be chosen" recall_entry 2
expect 10 "the entry below the copy is the text before the secret" clipboard_is before-secret
check "the history can be cleared" clear_history

# ---- an owner that ends, and one that empties the clipboard ----
expect 10 "the program reads the copied text a" copy_text_seen a
check "a program copies b" start_bad_owner copy-and-exit b
expect 10 "and ends once b has been read" process_gone "$OWNER_PID"
expect 10 "an ordinary copy after it is read" copy_text_seen c
expect 10 "the owner ending added no entry: c, b, a" history_rows_are 3
check "the second history entry can be chosen" recall_entry 2
expect 10 "the second entry is b" clipboard_is b
check "the fourth history entry can be chosen" recall_entry 4
expect 10 "the fourth entry is a" clipboard_is a
check "the history can be cleared" clear_history
check "a program copies d, then empties the clipboard" start_bad_owner clear-after-copy d
expect 10 "the emptied clipboard adds the repeated entry: d, d" history_rows_are 2
check "the newest history entry can be chosen" recall_entry 1
expect 10 "the entry for the emptied clipboard repeats d" clipboard_is d

# ---- a slow owner, and a recall while its change is still being read ----
check "the history can be cleared" clear_history
expect 10 "the program reads the copied text a" copy_text_seen a
expect 10 "the program reads the copied text b" copy_text_seen b
check "an owner answering each request after 0.9 s copies slow-first" \
    start_bad_owner late slow-first 900
# The recall comes while the owner's answer with the text is on its way.
expect 10 "the program asks it for its text" owner_asked UTF8_STRING
check "a recall of a at once" recall_entry 2
expect 10 "the slow owner's change and the recall: four entries" history_rows_are 4
check "the second history entry can be chosen" recall_entry 2
expect 10 "it is the slow owner's change, with its own text, before the recall" \
    clipboard_is slow-first

# ---- the reader's own connection killed (as xkill does) ----
reader_window() { xwininfo -root -children | awk '/"Tavro clipboard reader"/ {print $1; exit}'; }
killed=$(reader_window)
check "the clipboard reader's window is found" test -n "$killed"
check "another program kills the reader's connection" xkill -id "$killed"
# The reader connects again at once; a copy made before it listens again goes unseen, so the
# copy waits until its window is back and a moment more.
reader_back() { [ -n "$(reader_window)" ]; }
expect 10 "the reader's window is back" reader_back
sleep 1
expect 10 "a copy after it is read" copy_text_seen after-kill
expect 10 "and recorded: six entries" history_rows_are 6

# ---- a long text, sent in pieces (INCR) ----
check "the history can be cleared" clear_history
head -c 15000000 /dev/urandom | base64 -w 100 >"$E2E_WORK/long.txt"
expect 20 "the program reads a 20 MB text that comes in pieces" copy_seen -i "$E2E_WORK/long.txt"
expect 20 "the long text is recorded" history_rows_are 1
check "the newest history entry can be chosen" recall_entry 1
expect 20 "the recall took the clipboard from xclip" process_gone "$E2E_XCLIP_PID"
check "the entry holds the whole text, byte for byte" clipboard_matches_file "$E2E_WORK/long.txt"

check "the program is still running" process_running "$PID"
finish
