#!/usr/bin/env bash
# shellcheck disable=SC2034  # the places below are read through namerefs (local -n)
# The Windows program as a person meets it: the portable zip unpacked into a fresh folder and
# tavro.exe started under Wine on a private desktop (Xvfb, openbox, trayer). Its icon docks in
# trayer; texts copied by another program (xclip) are recorded, and a recall from the tray
# menu puts the exact text back as one new entry; a save from the window writes the exact
# code page 932 bytes into Temptext beside tavro.exe; a second start shows its message and
# ends; "終了" ends the program and takes the icon away. The answers to the command line show
# in the console it was typed in, with their exit codes.
# Usage: test_portable_program.sh DEFAULT_WINE_PREFIX ZIP CONSOLE_RUNNER
windows_tests=$(cd "$(dirname "$0")" && pwd)
zip=$(readlink -f "$2")
console_runner=$(readlink -f "$3")
# shellcheck source=../e2e/common.sh
source "$windows_tests/../e2e/common.sh" "$zip"
# shellcheck source=wine_env.sh
source "$windows_tests/wine_env.sh" "$1"

if [ ! -f "$zip" ]; then
    echo "FAIL: no portable zip at $zip (scripts/build-windows.sh packs it)" >&2
    exit 1
fi
wine_prefix_ready || {
    echo "FAIL: could not make the Wine prefix $WINEPREFIX" >&2
    exit 1
}
# The session starts anew on this test's display.
wine_session_end
start_desktop --fixed-tray || exit 1
windows_cleanup() {
    wine_session_end
    e2e_cleanup
}
trap windows_cleanup EXIT

cmake -E chdir "$E2E_WORK" cmake -E tar xf "$zip"
APP=$(find "$E2E_WORK" -maxdepth 1 -type d -name 'Tavro-*' | head -n 1)
check "the zip holds one folder with tavro.exe" test -f "$APP/tavro.exe"

# start_windows_program: starts tavro.exe of $APP; its process id is in STARTED_PID (a Wine
# process keeps the id it was started with, and its windows carry it). Wine's notification
# area (started by the first program of a session) traces what it does with the icon into the
# log, which says why when an icon stays blank.
start_windows_program() {
    WINEDEBUG=-all,+systray "$WINE64" "$APP/tavro.exe" >>"$APP/tavro.log" 2>&1 &
    STARTED_PID=$!
    TAVRO_PIDS+=("$STARTED_PID")
}

# A Wine program's tray icon is a window of Wine's explorer docked in trayer's panel, not a
# window of the program: with one program in the tray, it is the one icon there.
tray_icon_of() {
    local panel
    panel=$(panel_of 2>/dev/null)
    [ -n "$panel" ] || return 1
    local icon
    icon=$(xwininfo -tree -id "$panel" 2>/dev/null | awk '/"explorer.exe"/ {print $1; exit}')
    [ -n "$icon" ] && xwininfo -id "$icon" 2>/dev/null | grep -q 'Map State: IsViewable' &&
        echo "$icon"
}
tray_icon_gone() { ! tray_icon_of; }
panel_of() { xdotool search --classname '^panel$' | head -n 1; }

# Wine makes an opened menu its foreground window, but the X keyboard focus does not always
# follow (it stays with the window manager): the menu gets it here, as Windows gives it.
focus_popup() {
    local popup
    popup=$(popup_of "$PID") || return 1
    xdotool windowfocus --sync "$popup" 2>/dev/null
}
eval "common_$(declare -f open_tray_menu)"
eval "common_$(declare -f open_menu_at)"
open_tray_menu() { common_open_tray_menu && focus_popup; }
open_menu_at() { common_open_menu_at "$@" && focus_popup; }

# Whether the docked icon shows the program's picture rather than the panel behind it. A
# blank icon, which takes no clicks either, is Wine losing a race with a panel that moves
# while the icon docks; the fixed-width trayer of --fixed-tray leaves it nothing to race.
# Should an icon still come up blank, the test says what Wine did and starts the program again
# in a new Wine session.
panel_colour=
icon_drawn() {
    local icon colour
    icon=$(tray_icon_of) || return 1
    colour=$(pixel_of "$icon" 10 12)
    [ -n "$colour" ] && [ "$colour" != "$panel_colour" ]
}
# Says what a blank icon looks like and what Wine's notification area did last.
describe_blank_icon() {
    local icon
    icon=$(tray_icon_of)
    echo "note: the icon ${icon:-(none)} shows $(pixel_of "$icon" 10 12) at (10,12), the panel $panel_colour;" \
        "$(xwininfo -id "$icon" 2>/dev/null | grep -E 'geometry|Map State' | tr -s ' \n' ' ')"
    echo "note: Wine's processes: $(ps -eo args= | grep -E '^([A-Z]:\\|/.*\.exe$)' | tr '\n' ';')"
    echo "note: the last of Wine's notification area:"
    grep ':systray:' "$APP/tavro.log" | grep -v 'msg=0x\(84\|20\|200\)$' | tail -n 12 | sed 's/^/    /'
}

start_windows_program
PID=$STARTED_PID
expect 60 "the tray icon docks in trayer's panel" tray_icon_of
panel_colour=$(pixel_of "$(panel_of)" 0 0)
for attempt in 1 2 3; do
    wait_for 10 icon_drawn && break
    echo "note: Wine left the tray icon blank; starting the program again (attempt $attempt)"
    describe_blank_icon
    kill "$PID" 2>/dev/null
    wait_for 20 process_gone "$PID"
    wine_session_end
    wait_for 20 tray_icon_gone
    start_windows_program
    PID=$STARTED_PID
    wait_for 60 tray_icon_of
done
expect 10 "the docked icon shows the program's picture" icon_drawn
expect 10 "the first start makes Temptext beside tavro.exe" test -d "$APP/Temptext"
check "the main window starts hidden" window_is_unmapped "$PID"

# ---- The history: copies are recorded, a recall puts the exact text back once ----

check "a right click on the tray icon opens the program's menu" open_tray_menu
empty_height=$(popup_height "$PID")
check "Escape closes the tray menu" menu_keys Escape

expect 20 "the program reads the text copied first" copy_text_seen "一つ目 ｶﾀｶﾅ①～"
expect 20 "the program reads the text copied second" copy_text_seen "second"
check "the tray menu opens again" open_tray_menu
two_height=$(popup_height "$PID")
check "Escape closes it" menu_keys Escape
row_height=$(((two_height - empty_height) / 2))
check "two copies add two rows to the tray menu" \
    test "$row_height" -gt 0 -a $((two_height - empty_height)) -eq $((2 * row_height))

# The menu: 【ﾃｷｽﾄ履歴】, 【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】, then the history: the second entry is 4 Down.
check "the older history entry can be chosen in the tray menu" choose_tray_entry 4
expect 20 "the recall puts the exact first text back on the clipboard (xclip -o)" \
    clipboard_is "一つ目 ｶﾀｶﾅ①～"
check "the recall adds exactly one history entry" history_rows_are 3

# ---- A save from the window: the exact code page 932 bytes beside tavro.exe ----

HISTORY_LINE1=(50 226)
saved_files() { find "$APP/Temptext" -maxdepth 1 -type f -name '*.TXT' -printf '%f\n' | sort; }
saved_count_is() { [ "$(saved_files | grep -c .)" -eq "$1" ]; }

# こんにちは, a space, half-width ｶﾀｶﾅ, ① and the full-width tilde: 82 B1 82 F1 82 C9 82 BF
# 82 CD, 20, B6 C0 B6 C5 (a byte each), 87 40 (an NEC extension), 81 60.
japanese=$E2E_WORK/japanese.utf8
printf 'こんにちは ｶﾀｶﾅ①～' >"$japanese"
japanese_cp932=$E2E_WORK/japanese.cp932
printf '\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x20\xb6\xc0\xb6\xc5\x87\x40\x81\x60' >"$japanese_cp932"
expect 20 "the program reads the copied Japanese text" copy_seen -i "$japanese"
expect 10 "the clipboard holds the Japanese text" clipboard_matches_file "$japanese"

WINDOW=
check "a left click on the tray icon shows the main window" show_main_window
xdotool mousemove --window "$WINDOW" "${HISTORY_LINE1[@]}" click 1
check "a right click on the history list opens its menu" open_menu_at "$WINDOW" "${HISTORY_LINE1[@]}"
check "ﾃｷｽﾄに追加 can be chosen" choose_menu_entry 1
expect 20 "ﾃｷｽﾄに追加 saves the entry into Temptext beside tavro.exe" saved_count_is 1
name=$(saved_files | head -n 1)
check "the file is named YYMMDDHHMMSS.TXT ($name)" grep -qxE '[0-9]{12}\.TXT' <<<"$name"
check "the file holds exactly the code page 932 bytes of the text" cmp "$APP/Temptext/$name" "$japanese_cp932"

# ---- A second start says so and ends; the first keeps running ----

start_windows_program
second=$STARTED_PID
second_box() { xdotool search --all --onlyvisible --pid "$second" --name '^Tavro!$' 2>/dev/null | head -n 1; }
second_box_shown() { [ -n "$(second_box)" ]; }
expect 60 "the second start shows a message box titled Tavro!" second_box_shown
box=$(second_box)
if [ -n "$box" ]; then
    mkdir -p "$E2E_WORK/shots"
    import -window "$box" "$E2E_WORK/shots/second-start.png" 2>/dev/null
    activate_window "$box"
    xdotool key Return
fi
expect 30 "the second start ends after OK" process_gone "$second"
check "the first start keeps running" process_running "$PID"
check "the first start keeps its tray icon" wait_for 0 tray_icon_of

# ---- 終了 ends the program and takes its icon away ----

check "the tray menu opens" open_tray_menu
check "終了 can be chosen (Up from no entry)" menu_keys Up Return
expect 30 "終了 ends the program" process_gone "$PID"
expect 20 "the tray icon is gone from trayer's panel" tray_icon_gone

# ---- The answers to the command line, in the console it was typed in ----

# answers TEXT CODE ARGUMENTS...: `tavro.exe ARGUMENTS` typed in a console shows a line
# holding TEXT there and ends with CODE.
answers() {
    local text=$1 code=$2 shown
    shift 2
    shown=$("$WINE64" "$console_runner" "$(wine_path "$APP/tavro.exe")" "$@" 2>/dev/null </dev/null)
    grep -qF -- "$text" <<<"$shown" && grep -qx "exit $code" <<<"$shown"
}
check "--help shows the usage (exit code 0)" \
    answers "usage: tavro [--autostart on|off] [--help]" 0 --help
check "an unknown option says so (exit code 2)" answers "tavro: unknown option --bogus" 2 --bogus
check "--autostart on says so (exit code 0)" answers "Tavro starts at login (" 0 --autostart on
check "--autostart off says so (exit code 0)" \
    answers "Tavro no longer starts at login" 0 --autostart off
finish
