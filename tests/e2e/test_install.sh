#!/usr/bin/env bash
# The program as a user installs it: `cmake --install` into a temporary prefix puts the
# program, its menu entry, its icons and its software-centre metadata in place, all valid;
# the installed program keeps the texts in the user's folder; `tavro --autostart on|off`
# writes and removes the start at login; and a Debian package holds the same files and
# installs with apt.
# Usage: test_install.sh BINARY BUILD_FOLDER CMAKE CPACK
source "$(dirname "$0")/common.sh" "$1"
build=$(cd "$2" && pwd)
cmake_command=${3:-cmake}
cpack_command=${4:-cpack}
source_dir=$(cd "$here/../.." && pwd)
trap e2e_cleanup EXIT

id=io.github.tavro.Tavro
prefix=$E2E_WORK/prefix
"$cmake_command" --install "$build" --prefix "$prefix" >"$E2E_WORK/install.log" 2>&1 ||
    fail "cmake --install into a temporary prefix"

# ---- The installed files ----
entry=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
check "the program is installed as bin/tavro" test -x "$prefix/bin/tavro"
check "the menu entry is installed under its reverse-DNS id" test -f "$entry"
check "the menu entry passes desktop-file-validate" desktop-file-validate "$entry"
entry_has() { grep -qxF -- "$1" "$entry"; }
for line in 'Name=Tavro' 'Name[ja]=Tavro' 'GenericName[ja]=クリップボード履歴' 'Icon=io.github.tavro.Tavro' \
    'Categories=Utility;' 'StartupNotify=false' 'Exec=tavro' 'Type=Application'; do
    check "the menu entry has $line" entry_has "$line"
done
check "the menu entry has a comment" grep -q '^Comment=.' "$entry"
check "the metainfo is installed" test -f "$metainfo"
validate_metainfo() { appstreamcli validate --no-net "$1" >"$E2E_WORK/appstream.log" 2>&1 || { cat "$E2E_WORK/appstream.log" >&2; return 1; }; }
check "the metainfo passes appstreamcli validate" validate_metainfo "$metainfo"
check "the metainfo shows the screenshots of docs/" \
    sh -c "grep -c '<image>.*/docs/.*\.png</image>' '$metainfo' | grep -qx 4"
check "the metainfo names the menu entry" grep -q "<launchable type=\"desktop-id\">$id.desktop<" "$metainfo"

# The icons: one PNG a size, the program's own pictures (the .ico's, whole multiples of them).
ico=$source_dir/src/ui/tavro.ico
icon() { echo "$prefix/share/icons/hicolor/$1x$1/apps/$id.png"; }
for size in 16 32 48 64 128; do
    check "the ${size} px icon is a ${size}x${size} PNG" \
        sh -c "identify -format '%m %wx%h' '$(icon "$size")' | grep -qx 'PNG ${size}x${size}'"
done
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
check "the 32 px icon is the 32x32 picture of the program's icon" same_picture "$(icon 32)" "$ico[0]"
check "the 16 px icon is the 16x16 picture of the program's icon" same_picture "$(icon 16)" "$ico[1]"
convert "$(icon 64)" -sample 50% "$E2E_WORK/64-halved.png"
convert "$(icon 128)" -sample 25% "$E2E_WORK/128-quartered.png"
convert "$(icon 48)" -sample 33.333% "$E2E_WORK/48-thirded.png"
check "the 64 px icon is the 32x32 picture, each pixel doubled" same_picture "$E2E_WORK/64-halved.png" "$ico[0]"
check "the 128 px icon is the 32x32 picture, each pixel four times" same_picture "$E2E_WORK/128-quartered.png" "$ico[0]"
check "the 48 px icon is the 16x16 picture, each pixel three times" same_picture "$E2E_WORK/48-thirded.png" "$ico[1]"
/usr/bin/python3 "$source_dir/scripts/make_icon.py" --hicolor "$E2E_WORK/icons" >/dev/null
check "the icons in data/ are what scripts/make_icon.py draws" \
    diff -r "$E2E_WORK/icons" "$source_dir/data/icons/hicolor"

# ---- The installed program keeps the texts in the user's folder ----
export HOME=$E2E_WORK/home XDG_DATA_HOME=$E2E_WORK/data XDG_CONFIG_HOME=$E2E_WORK/config
mkdir -p "$HOME" "$XDG_DATA_HOME/Tavro/Temptext"
printf 'kept in the user folder' >"$XDG_DATA_HOME/Tavro/Temptext/261207100000.TXT"
start_desktop || exit 1
trap e2e_cleanup EXIT
APP=$prefix/bin
start_tavro "$APP"
PID=$TAVRO_PID
expect 20 "the installed program docks its icon" tray_icon_of "$PID"
# Down: 【ﾃｷｽﾄ履歴】, then the first saved text.
check "the tray menu opens and the first saved text is chosen" choose_tray_entry 2
expect 10 "the saved text comes from the user's folder" clipboard_is "kept in the user folder"
expect 10 "the installed program reads a copy" copy_text_seen "a copy while installed"
check "no Temptext folder is made in the installation" test ! -e "$prefix/bin/Temptext"

# ---- Start at login, while that copy runs ----
autostart=$XDG_CONFIG_HOME/autostart/$id.desktop
run_option() { env -u DISPLAY timeout 20 "$prefix/bin/tavro" "$@"; }
output=$(run_option --autostart on)
check "--autostart on ends with success, no desktop needed, beside a running copy" test $? -eq 0
says() { grep -qF -- "$1" <<<"$output"; }
check "--autostart on says what it did" says "starts at login"
check "--autostart on names the file it wrote" says "$autostart"
check "it writes the entry into \$XDG_CONFIG_HOME/autostart" test -f "$autostart"
check "the autostart entry passes desktop-file-validate" desktop-file-validate "$autostart"
check "the autostart entry waits a little at login" grep -qx 'X-GNOME-Autostart-Delay=3' "$autostart"
check "the autostart entry starts after KDE's panel" grep -qx 'X-KDE-autostart-after=panel' "$autostart"
check "the autostart entry runs the installed program" grep -qxF "Exec=$prefix/bin/tavro" "$autostart"
check "the autostart entry is the menu entry otherwise" \
    diff <(grep -v '^Exec=' "$entry") <(grep -vE '^(Exec|X-GNOME-Autostart-Delay|X-KDE-autostart-after)=' "$autostart")
check "the running copy is left alone" process_running "$PID"
output=$(run_option --autostart off)
check "--autostart off ends with success" test $? -eq 0
check "--autostart off says what it did" says 'no longer starts at login'
check "it removes the entry" test ! -e "$autostart"
output=$(run_option --autostart=off)
check "--autostart off again is no failure" test $? -eq 0
check "and says there was nothing to remove" says 'was not set to start at login'
output=$(env -u XDG_CONFIG_HOME timeout 20 "$prefix/bin/tavro" --autostart on)
check "without XDG_CONFIG_HOME the entry goes to ~/.config/autostart" test -f "$HOME/.config/autostart/$id.desktop"

# Odd program folders: a valid entry whose Exec, read as GLib reads it ("%%" then as "%"),
# starts that very file; or a failure that says why and writes nothing.
odd=$E2E_WORK/odd
exec_program() {
    /usr/bin/python3 -c 'import sys; from gi.repository import GLib; k = GLib.KeyFile()
k.load_from_file(sys.argv[1], 0); e = k.get_string("Desktop Entry", "Exec")
print(GLib.shell_parse_argv(e)[1][0].replace("%%", "%"), end="")' "$entry"
}
autostart_from() { # NAME: --autostart on from a copy of the program in $odd/NAME
    mkdir -p "$odd/$1" && cp "$prefix/bin/tavro" "$odd/$1/" && entry=$odd/$1/autostart/$id.desktop
    env -u DISPLAY XDG_CONFIG_HOME="$odd/$1" "$odd/$1/tavro" --autostart on >/dev/null 2>"$odd.err"
}
starts() { desktop-file-validate "$entry" && [ "$(exec_program)" = "$1" ]; }
refused() { [ ! -e "$entry" ] && grep -q -- "$1" "$odd.err"; }
for name in $'line\nbreak' $'tab\t"q`$\\ 100%'; do
    autostart_from "$name"
    check "from ${name@Q}: success" test $? -eq 0
    check "and a valid entry that starts the program there" starts "$odd/$name/tavro"
done
mkdir -p "$odd/blocked" && : >"$odd/blocked/autostart"
for case in $'\x83\x65\x83\x4c|not valid UTF-8' 'blocked|not a folder'; do
    name=${case%|*}
    autostart_from "$name"
    check "from ${name@Q}: a failure" test $? -ne 0
    check "that says why and writes no entry" refused "${case#*|}"
done
env -u DISPLAY -u HOME -u XDG_CONFIG_HOME "$prefix/bin/tavro" --autostart on 2>"$odd.err"
check "without a home: a failure" test $? -ne 0
entry=/.config/autostart/$id.desktop
check "that says why and writes nothing at the root" refused "no home folder"

errors=$E2E_WORK/usage.err
run_option --bogus >/dev/null 2>"$errors"
check "an unknown option ends with status 2" test $? -eq 2
check "an unknown option prints the usage line" grep -qxF 'usage: tavro [--autostart on|off] [--help]' "$errors"
timeout 20 "$prefix/bin/tavro" stray >/dev/null 2>"$errors"
check "an argument Qt does not take ends with status 2 (no check for a running copy)" test $? -eq 2
check "and prints the usage line" grep -qF 'usage: tavro' "$errors"
check "--help prints the usage line" sh -c "'$prefix/bin/tavro' --help | grep -qF 'usage: tavro'"
check "the running copy is still the only one" process_running "$PID"

# ---- The Debian package ----
(cd "$E2E_WORK" && "$cpack_command" -G DEB --config "$build/CPackConfig.cmake" -B "$E2E_WORK/package" \
    >"$E2E_WORK/cpack.log" 2>&1) || fail "cpack makes a Debian package"
deb=$(ls "$E2E_WORK"/package/tavro_*.deb 2>/dev/null | head -n 1)
check "the package is named tavro_VERSION_ARCH.deb" test -n "$deb"
if [ -n "$deb" ]; then
    dpkg-deb -c "$deb" | awk '{print $6}' >"$E2E_WORK/package.files"
    for file in ./usr/bin/tavro "./usr/share/applications/$id.desktop" \
        "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/128x128/apps/$id.png" \
        "./usr/share/icons/hicolor/16x16/apps/$id.png"; do
        check "the package holds $file" grep -qxF "$file" "$E2E_WORK/package.files"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    depends_on() { grep -q -- "$1" <<<"$depends"; }
    check "the package depends on Qt's widget library" depends_on libqt6widgets6
    check "the package depends on Qt's D-Bus library" depends_on libqt6dbus6
    check "apt can install the package (simulated)" \
        sh -c "apt-get install -s -qq '$deb' >'$E2E_WORK/apt.log' 2>&1"
fi
finish
