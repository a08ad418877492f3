#!/usr/bin/env bash
# Starts in hostile places: 終了 chosen while 100,000 saved texts load ends the program and
# frees its lock; a FIFO and a link to /dev/zero in Temptext neither hang nor exhaust it; a
# program folder whose name is not valid UTF-8 keeps its texts in its own Temptext.
source "$(dirname "$0")/common.sh" "$1"
start_desktop || exit 1
trap e2e_cleanup EXIT

saved_count_in() { [ "$(find "$1" -maxdepth 1 -type f -name '*.TXT' | grep -c .)" -eq "$2" ]; }

# ---- 終了 during the start-up load of 100,000 saved texts ----
APP=$E2E_WORK/app
install_tavro "$E2E_BINARY" "$APP"
mkdir -p "$APP/Temptext"
# Names in descending order of creation, so the sort has work whatever order the folder
# lists them in; empty files are quick to make.
(cd "$APP/Temptext" && seq 990101099999 -1 990101000000 | sed 's/$/.TXT/' | xargs touch)
check "100,000 saved texts are in place" saved_count_in "$APP/Temptext" 100000

start_tavro "$APP"
PID=$TAVRO_PID
expect 30 "the tray icon appears while the texts load" tray_icon_of "$PID"
check "the tray menu opens during the load" open_tray_menu
check "終了 can be chosen during the load" menu_keys Up Return
expect 20 "終了 during the load ends the process" process_gone "$PID"

# The lock is free: a new start runs (no already-running message) and can be ended the same way.
start_tavro "$APP"
PID=$TAVRO_PID
expect 30 "the next start shows its tray icon" tray_icon_of "$PID"
check "the next start shows no already-running message" sh -c "! xdotool search --all --onlyvisible --pid $PID --name '^Tavro!$' >/dev/null 2>&1"
check "its tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "the second run ends as well" process_gone "$PID"
check "the first runs reported no sanitizer error" log_is_clean "$APP/tavro.log"
rm -rf "$APP"

# ---- A FIFO and a link to /dev/zero among the saved texts ----
APP=$E2E_WORK/odd
install_tavro "$E2E_BINARY" "$APP"
mkdir -p "$APP/Temptext"
printf 'the only text' >"$APP/Temptext/990101000003.TXT"
mkfifo "$E2E_WORK/fifo"
ln -s "$E2E_WORK/fifo" "$APP/Temptext/990101000001.TXT"
ln -s /dev/zero "$APP/Temptext/990101000002.TXT"
mkfifo "$APP/Temptext/990101000004.TXT"
start_tavro "$APP"
PID=$TAVRO_PID
expect 20 "the tray icon appears" tray_icon_of "$PID"
expect 10 "the program reads a copied placeholder" copy_text_seen placeholder
# The tray lists the one regular file: the second Down is the first saved text.
check "the first saved text can be chosen in the tray menu" choose_tray_entry 2
expect 10 "it is the regular file's text" clipboard_is 'the only text'
check "the tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "終了 ends the program" process_gone "$PID"
check "the run reported no sanitizer error" log_is_clean "$APP/tavro.log"

# ---- A program folder named in Shift-JIS bytes (テキ), which are not valid UTF-8 ----
APP=$E2E_WORK/$'\x83\x65\x83\x4c'
install_tavro "$E2E_BINARY" "$APP"
mkdir -p "$E2E_WORK/elsewhere"
root_had_temptext=no
[ -e /Temptext ] && root_had_temptext=yes
cd "$E2E_WORK/elsewhere" || exit 1
start_tavro "$APP"
PID=$TAVRO_PID
cd / || exit 1
expect 20 "the tray icon appears" tray_icon_of "$PID"
expect 10 "Temptext is made beside the program" test -d "$APP/Temptext"
check "nothing is made in the current folder" test -z "$(ls -A "$E2E_WORK/elsewhere")"
if [ "$root_had_temptext" = no ]; then
    check "nothing is made at the root of the file system" test ! -e /Temptext
fi
expect 10 "the program reads a copied text" copy_text_seen 'kept beside the program'
check "the main window shows" show_main_window
# The history list's first line, and its menu's first entry "ﾃｷｽﾄに追加".
xdotool mousemove --window "$WINDOW" 50 226 click 1
check "a right click on the history list opens its menu" open_menu_at "$WINDOW" 50 226
check "ﾃｷｽﾄに追加 can be chosen" choose_menu_entry 1
expect 10 "the text is saved in the program's own Temptext" saved_count_in "$APP/Temptext" 1
check "the file holds the text" cmp "$(find "$APP/Temptext" -name '*.TXT')" <(printf 'kept beside the program')
check "the tray menu opens" open_tray_menu
check "終了 can be chosen" menu_keys Up Return
expect 20 "終了 ends the program" process_gone "$PID"
check "the run reported no sanitizer error" log_is_clean "$APP/tavro.log"
finish
